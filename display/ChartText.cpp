#include "display/ChartText.h"

#include <memory>

#include "model/MeasureUnitTables.h"
#include "model/MeasureUnits.h"
#include "model/Services.h"

namespace {

// The tables in the language in force: built again when the translation of the frequency
// unit changes, so a chart follows a language switch without a hook of its own.
const TMeasureUnitTables& Tables() {
  static std::unique_ptr<TMeasureUnitTables> tables;
  static std::string key;
  std::string now = TranslateText("MHz");
  if (!tables || now != key) {
    tables = std::make_unique<TMeasureUnitTables>([](const std::string& s) { return TranslateText(s); });
    key = std::move(now);
  }
  return *tables;
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string ChartText::WithUnit(double value, int unitKind) {
  unsigned index = 0;
  return FormatWithUnit(value, index, Tables().OfKind(unitKind));
}

int ChartText::Length(std::string_view text) {
  int n = 0;
  for (char c : text)
    if (!IsContinuation(c)) ++n;
  return n;
}

std::string ChartText::Cut(std::string_view text, int count) {
  if (count <= 0) return {};
  int n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsContinuation(text[i])) continue;
    if (n == count) return std::string(text.substr(0, i));
    ++n;
  }
  return std::string(text);
}

std::string ChartText::PadRight(std::string_view text, int count) {
  std::string s(text);
  const int n = Length(text);
  if (n < count) s.append(static_cast<size_t>(count - n), ' ');
  return s;
}
