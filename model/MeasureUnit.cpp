#include "model/MeasureUnit.h"

namespace {

// The longest start of a UTF-8 text that takes at most maxUnits UTF-16 code units, cut only
// before a lead byte. Bytes that cannot start a character count as one unit each, so broken
// text is cut as well.
std::string_view CutToUtf16Units(std::string_view text, size_t maxUnits) {
  size_t units = 0;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 1;
    size_t needed = 1;
    if (lead >= 0xF0 && lead < 0xF8) {
      length = 4;
      needed = 2;  // a surrogate pair
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3;
    } else if (lead >= 0xC0 && lead < 0xE0) {
      length = 2;
    }
    // A character cut short by the end of the text, or whose continuation bytes are missing,
    // ends where its bytes stop being continuation bytes.
    size_t end = i + 1;
    while (end < text.size() && end < i + length && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    if (units + needed > maxUnits) break;
    units += needed;
    i = end;
  }
  return text.substr(0, i);
}

}  // namespace

TMeasureUnit::TMeasureUnit(double multiplier, std::string_view text)
    : Multiplier(multiplier), Text(CutToUtf16Units(text, MaxTextUnits)) {}
