#pragma once
// Font metrics measured by Qt on the fonts the canvas draws with.
#include <QFontMetrics>
#include <optional>

#include "platform/ui/FontMetrics.h"

namespace ui {

class QtFontMetrics : public FontMetrics {
 public:
  int TextWidth(const Font& font, std::string_view utf8) override;
  int LineHeight(const Font& font) override;
  int Ascent(const Font& font) override;

 private:
  const QFontMetrics& For(const Font& font);

  Font font_;
  std::optional<QFontMetrics> metrics_;
};

}  // namespace ui
