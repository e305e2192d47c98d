// TCalibr's text form: the reflection terms of port 0 as an ini document of TFastIni, one raw
// line of numbers per frequency. Other programs read these files, so the digits stay fixed:
// 12 significant digits for the frequency in hertz, 9 for each term part.
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "calibration/Calibr.h"
#include "model/FastIni.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"

namespace {

constexpr const char* kDataSuffix = "\\Data";
// Far above any calibration text (16001 lines of about 120 bytes); a larger file is not read.
constexpr uintmax_t kMaxTextFileSize = 64u * 1024u * 1024u;

// A number as general text with the given significant digits ('.' as decimal point).
std::string GeneralText(double value, int digits) {
  char buffer[64];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
  return std::string(buffer, r.ptr);
}

int MethodFromName(const std::string& name) {
  for (int code = cmRT; code <= cmROS; ++code) {
    if (name == TCalibr::MethodName(code)) return code;
  }
  return cmNone;
}

TCalibrationForm::TResult Failed(std::string reason) {
  TCalibrationForm::TResult r;
  r.Reason = std::move(reason);
  return r;
}

// A binary form has zero bytes (its padded texts); a text file only with a UTF-16 byte order.
bool LooksBinary(const std::string& bytes) {
  if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    return false;
  }
  return std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

struct TTextPoint {
  double Frequency;  // MHz
  TComplex Er, Ed, Es;
};

}  // namespace

void TCalibr::ExportToIni(const std::string& fileName, const std::string& section, const std::string& powerText) {
  TFastIni ini;
  ini.WriteString(section, "CorName", GetMethodName(0));
  ini.WriteString(section, "DataTime", DataTime);
  ini.WriteString(section, "KitLabel", KitLabel);
  ini.WriteInteger(section, "CalIFBW", Settings.CommonIFBW);
  ini.WriteString(section, "Power", powerText);
  if (Terms != nullptr) {
    const int n = Terms->GetCount();
    ini.WriteInteger(section, "CalPoints", n);
    const std::string data = section + kDataSuffix;
    ini.AddSection(data);
    std::string line;
    for (int i = 0; i < n; ++i) {
      const TCalPoint* p = Terms->GetPoint(i);
      line = GeneralText(p->Frequency * 1e6, 12);
      for (const TComplex& z : {p->A[0], p->B[0], p->C[0]}) {
        line += ' ';
        line += GeneralText(z.Re, 9);
        line += ' ';
        line += GeneralText(z.Im, 9);
      }
      ini.WriteRawString(data, line);
    }
  }
  ini.Rename(fileName, false);
  ini.UpdateFile();
}

TCalibrationForm::TResult TCalibr::ImportFromIni(const std::string& fileName) {
  if (!platform::AtomicFile::exists(fileName)) return Failed("The file \"" + fileName + "\" does not exist");
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(fileName, error);
  if (!error && size > kMaxTextFileSize) return Failed("The file \"" + fileName + "\" is too large for a calibration");
  std::string bytes;
  const platform::FileResult read = platform::AtomicFile::read(fileName, bytes);
  if (!read) return Failed(read.message);
  if (LooksBinary(bytes)) {
    return Failed("\"" + fileName + "\" is a binary calibration file, not a calibration text; recall it instead");
  }
  TFastIni ini;
  ini.LoadFromBytes(bytes);

  std::string section;
  for (int n = 0; n < 4 && section.empty(); ++n) {
    const std::string name = "Channel" + IntToText(n) + "\\Correction\\11";
    if (ini.SectionExists(name)) section = name;
  }
  if (section.empty()) return Failed("\"" + fileName + "\" holds no user calibration");

  // Everything is read before the calibration changes.
  const std::string data = section + kDataSuffix;
  const bool hasData = ini.SectionExists(data);
  std::vector<TTextPoint> points;
  if (hasData) {
    std::vector<std::string> lines;
    ini.ReadSectionValues(data, lines);
    std::vector<double> numbers;
    for (const std::string& line : lines) {
      if (static_cast<int>(points.size()) >= MaxImportPoints) break;
      ParseNumberList(line, numbers);
      if (numbers.size() != 7) break;
      const double f = numbers[0] * 1e-6;
      // Frequencies may repeat (touching segments) but never fall.
      if (!std::isfinite(f) || f <= 0.0 || (!points.empty() && f < points.back().Frequency)) break;
      points.push_back(TTextPoint{f, {numbers[1], numbers[2]}, {numbers[3], numbers[4]}, {numbers[5], numbers[6]}});
    }
    if (points.empty()) return Failed("\"" + fileName + "\" holds no calibration data line");
  }
  const int method = hasData ? MethodFromName(ini.ReadString(section, "CorName", std::string())) : cmNone;
  std::unique_ptr<TCalRange> table;
  if (hasData) {
    std::vector<double> frequencies;
    frequencies.reserve(points.size());
    for (const TTextPoint& p : points) frequencies.push_back(p.Frequency);
    table.reset(TCalRange::CreateFromFrequencies(method, 0, frequencies));
    for (size_t i = 0; i < points.size(); ++i) {
      TCalPoint* p = table->GetPoint(static_cast<int>(i));
      p->A[0] = points[i].Er;
      p->B[0] = points[i].Ed;
      p->C[0] = points[i].Es;
    }
  }
  const std::string dataTime = ini.ReadString(section, "DataTime", std::string());
  const std::string kitLabel = ini.ReadString(section, "KitLabel", std::string());
  int ifbw = ini.ReadInteger(section, "CalIFBW", 10000);
  if (ifbw <= 0) ifbw = 10000;

  Clear();
  Method[0] = method;
  Method[1] = cmNone;
  DataTime = dataTime;
  KitLabel = kitLabel;
  Settings.CommonIFBW = ifbw;
  if (table) {
    Settings.NPoints = table->GetCount();
    Settings.MinFrequency = points.front().Frequency;
    Settings.MaxFrequency = points.back().Frequency;
  }
  Terms = table.release();
  NotifyChange();
  TCalibrationForm::TResult result;
  result.Status = TCalibrationForm::TStatus::Loaded;
  result.NoTerms = Terms == nullptr;
  return result;
}
