#pragma once
// Text measurement behind an interface, so layout code can be tested with fixed numbers.
// Height is the line height (ascent + descent) whatever the text; width is the advance.
#include <string_view>

#include "platform/ui/Font.h"

namespace ui {

class FontMetrics {
 public:
  virtual ~FontMetrics() = default;
  virtual int TextWidth(const Font& font, std::string_view utf8) = 0;
  virtual int LineHeight(const Font& font) = 0;
  // Ascent of the line (where the baseline lies below the top of the text cell).
  virtual int Ascent(const Font& font) = 0;
};

}  // namespace ui
