#include "platform/ui/QtFontMetrics.h"

#include <QString>
#include <utility>

namespace ui {

namespace {

Font ShapeOf(const Font& font) {
  Font shape = font;
  shape.Color = clBlack;
  return shape;
}

}  // namespace

const QFontMetrics& QtFontMetrics::For(const Font& font) {
  if (!metrics_ || !(font == font_)) {
    font_ = font;
    metrics_.emplace(font.ToQFont());
  }
  return *metrics_;
}

QtFontMetrics::WidthTable& QtFontMetrics::TableFor(const Font& font) {
  const Font shape = ShapeOf(font);
  if (!tables_.empty() && tables_.back().Shape == shape) return tables_.back();
  for (std::size_t i = 0; i + 1 < tables_.size(); ++i) {
    if (tables_[i].Shape == shape) {
      // Keep the most recently used font at the back, where the next look-up tries first.
      WidthTable found = std::move(tables_[i]);
      tables_.erase(tables_.begin() + static_cast<std::ptrdiff_t>(i));
      tables_.push_back(std::move(found));
      return tables_.back();
    }
  }
  if (tables_.size() >= kMaxFonts) tables_.erase(tables_.begin());
  tables_.push_back(WidthTable{shape, QFontMetrics(shape.ToQFont()), {}});
  return tables_.back();
}

int QtFontMetrics::TextWidth(const Font& font, std::string_view utf8) {
  if (utf8.empty()) return 0;
  WidthTable& table = TableFor(font);
  if (auto it = table.Widths.find(utf8); it != table.Widths.end()) return it->second;
  const int width =
      table.Metrics.horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  if (table.Widths.size() >= kMaxTextsPerFont) table.Widths.clear();
  table.Widths.emplace(std::string(utf8), width);
  return width;
}

std::size_t QtFontMetrics::CachedWidths() const {
  std::size_t n = 0;
  for (const WidthTable& t : tables_) n += t.Widths.size();
  return n;
}

int QtFontMetrics::LineHeight(const Font& font) { return For(font).height(); }

int QtFontMetrics::Ascent(const Font& font) { return For(font).ascent(); }

}  // namespace ui
