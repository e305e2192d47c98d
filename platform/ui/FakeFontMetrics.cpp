#include "platform/ui/FakeFontMetrics.h"

namespace ui {

int FakeFontMetrics::TextWidth(const Font&, std::string_view utf8) {
  int count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;  // every byte but continuation bytes starts a code point
  }
  return count * charWidth_;
}

}  // namespace ui
