#include "traces/TraceCodes.h"

#include <cstring>

namespace tracecodes {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

struct TKeyword {
  const char* Word;
  int Code;
};

constexpr TKeyword kConversionOrder[] = {{"IMP", Impedance}, {"ADM", Admittance}, {"INV", Inverse}, {"CONJ", Conjugate}};
constexpr TKeyword kDataMathOrder[] = {{"NORM", Off}, {"DIV", Divide}, {"MULT", Multiply}, {"SUBT", Subtract}, {"ADD", Add}};

}  // namespace

bool BeginsWithKeyword(const std::string& text, const char* keyword) {
  const size_t n = std::strlen(keyword);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (AsciiUpper(text[i]) != AsciiUpper(keyword[i])) return false;
  }
  return true;
}

std::string MeasModeName(int code) {
  switch (code) {
    case S11: return "S11";
    case AbsA: return "Abs A";
    case AbsB: return "Abs B";
    case Power: return "Power";
    case AbsR: return "Abs R";
    default: return std::string();
  }
}

int MeasModeFromName(const std::string& name) {
  if (name == "S11") return S11;
  if (name == "Abs A") return AbsA;
  if (name == "Abs B") return AbsB;
  if (name == "Abs R") return AbsR;
  if (name == "Power") return Power;
  return -1;
}

bool IsMeasModeCode(int code) {
  return code == S11 || code == AbsA || code == AbsB || code == Power || code == AbsR;
}

std::string ConversionKeyword(int code) {
  switch (code) {
    case Impedance: return "IMP";
    case Admittance: return "ADM";
    case Inverse: return "INV";
    case Conjugate: return "CONJ";
    default: return std::string();
  }
}

std::string ConversionLabel(int code) {
  switch (code) {
    case Impedance: return "Zr";
    case Admittance: return "Yr";
    case Inverse: return "1/S";
    case Conjugate: return "Conj";
    default: return std::string();
  }
}

int ConversionFromText(const std::string& text) {
  for (const TKeyword& k : kConversionOrder) {
    if (BeginsWithKeyword(text, k.Word)) return k.Code;
  }
  return -1;
}

std::string DataMathKeyword(int code) {
  switch (code) {
    case Divide: return "DIV";
    case Multiply: return "MULT";
    case Subtract: return "SUBT";
    case Add: return "ADD";
    case Off: return "NORM";
    default: return std::string();
  }
}

std::string DataMathLabel(int code) {
  switch (code) {
    case Divide: return "D/M";
    case Multiply: return "D*M";
    case Subtract: return "D-M";
    case Add: return "D+M";
    default: return std::string();
  }
}

int DataMathFromText(const std::string& text) {
  for (const TKeyword& k : kDataMathOrder) {
    if (BeginsWithKeyword(text, k.Word)) return k.Code;
  }
  return -1;
}

}  // namespace tracecodes
