#pragma once
// Font metrics measured by Qt on the fonts the canvas draws with. Text widths are kept per
// (font, text): a chart repaints the same labels over and over, and shaping them afresh each
// time is a large part of a paint. The store is bounded; the widths of one font are never
// given for another.
#include <QFontMetrics>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/FontMetrics.h"

namespace ui {

class QtFontMetrics : public FontMetrics {
 public:
  int TextWidth(const Font& font, std::string_view utf8) override;
  int LineHeight(const Font& font) override;
  int Ascent(const Font& font) override;

  // Bounds of the width store: fonts kept at once, and texts kept per font.
  static constexpr std::size_t kMaxFonts = 8;
  static constexpr std::size_t kMaxTextsPerFont = 1024;
  // Texts whose widths are kept at the moment, over all fonts.
  std::size_t CachedWidths() const;

 private:
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  struct WidthTable {
    Font Shape;  // the font with its colour left out: the colour changes no width
    QFontMetrics Metrics;
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> Widths;
  };

  const QFontMetrics& For(const Font& font);
  WidthTable& TableFor(const Font& font);

  Font font_;
  std::optional<QFontMetrics> metrics_;
  std::vector<WidthTable> tables_;  // most recently used last
};

}  // namespace ui
