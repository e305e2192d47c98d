#pragma once
// Metrics with a fixed line height and a fixed width per character (UTF-8 code point), for
// layout tests that use round numbers ("H" 12 high and 7 wide).
#include "platform/ui/FontMetrics.h"

namespace ui {

class FakeFontMetrics : public FontMetrics {
 public:
  FakeFontMetrics(int lineHeight, int charWidth, int ascent = -1)
      : lineHeight_(lineHeight), charWidth_(charWidth), ascent_(ascent < 0 ? lineHeight : ascent) {}

  int TextWidth(const Font& font, std::string_view utf8) override;
  int LineHeight(const Font&) override { return lineHeight_; }
  int Ascent(const Font&) override { return ascent_; }

 private:
  int lineHeight_;
  int charWidth_;
  int ascent_;
};

}  // namespace ui
