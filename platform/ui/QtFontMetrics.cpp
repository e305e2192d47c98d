#include "platform/ui/QtFontMetrics.h"

#include <QString>

namespace ui {

const QFontMetrics& QtFontMetrics::For(const Font& font) {
  if (!metrics_ || !(font == font_)) {
    font_ = font;
    metrics_.emplace(font.ToQFont());
  }
  return *metrics_;
}

int QtFontMetrics::TextWidth(const Font& font, std::string_view utf8) {
  if (utf8.empty()) return 0;
  return For(font).horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

int QtFontMetrics::LineHeight(const Font& font) { return For(font).height(); }

int QtFontMetrics::Ascent(const Font& font) { return For(font).ascent(); }

}  // namespace ui
