// Text widths kept per (font, text) must always equal what Qt measures for that very font and
// text, however the fonts and texts are interleaved and however full the store gets.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/Font.h"
#include "platform/ui/QtFontMetrics.h"

namespace {

int Fresh(const ui::Font& font, std::string_view text) {
  return QFontMetrics(font.ToQFont()).horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

class TextWidthCache : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
};

const std::vector<std::string> kTexts = {"1.000000 GHz", "-12.345 dB", "S11 LogMag 10.00dB/ Ref 0.000dB",
                                         "Ch1: Start 1.00000 MHz", "W", "iiii", "Фаза 90°", "1>"};

TEST_F(TextWidthCache, WidthsFollowEveryFontChange) {
  ui::QtFontMetrics metrics;
  ui::Font base("Tahoma", 9);
  std::vector<ui::Font> fonts;
  fonts.push_back(base);
  ui::Font bigger = base;
  bigger.Size = 16;
  fonts.push_back(bigger);
  ui::Font bold = base;
  bold.Bold = true;
  fonts.push_back(bold);
  ui::Font pixels = base;
  pixels.Size = -30;
  fonts.push_back(pixels);
  ui::Font other("Courier New", 9);
  fonts.push_back(other);
  // The fixture only shows a stale width if the fonts measure differently.
  ASSERT_NE(Fresh(base, kTexts[0]), Fresh(bigger, kTexts[0]));
  ASSERT_NE(Fresh(base, kTexts[0]), Fresh(pixels, kTexts[0]));

  // Twice round, interleaving the fonts text by text: the second round is served from the store.
  for (int round = 0; round < 2; ++round) {
    for (const std::string& text : kTexts) {
      for (const ui::Font& font : fonts) {
        EXPECT_EQ(metrics.TextWidth(font, text), Fresh(font, text)) << text << " in " << font.Name << " " << font.Size;
      }
    }
  }
  EXPECT_GT(metrics.CachedWidths(), 0u);

  // A colour alone changes no width, and the same text keeps measuring right after it.
  ui::Font red = bigger;
  red.Color = 0x0000FF;
  EXPECT_EQ(metrics.TextWidth(red, kTexts[2]), Fresh(bigger, kTexts[2]));
  EXPECT_EQ(metrics.TextWidth(base, kTexts[2]), Fresh(base, kTexts[2]));
}

TEST_F(TextWidthCache, KeyIsTheViewedTextNotTheBufferBehindIt) {
  ui::QtFontMetrics metrics;
  const ui::Font font("Tahoma", 12);
  const std::string line = "10.000 MHz-20.00 dB";
  const std::string_view head = std::string_view(line).substr(0, 10);
  const std::string_view tail = std::string_view(line).substr(10);
  EXPECT_EQ(metrics.TextWidth(font, head), Fresh(font, "10.000 MHz"));
  EXPECT_EQ(metrics.TextWidth(font, tail), Fresh(font, "-20.00 dB"));
  EXPECT_EQ(metrics.TextWidth(font, line), Fresh(font, line));
  EXPECT_EQ(metrics.TextWidth(font, std::string_view()), 0);
}

TEST_F(TextWidthCache, StoreStaysBoundedAndRightPastItsLimits) {
  ui::QtFontMetrics metrics;
  ui::Font font("Tahoma", 9);
  const std::size_t texts = ui::QtFontMetrics::kMaxTextsPerFont * 2 + 7;
  for (std::size_t i = 0; i < texts; ++i) {
    const std::string text = std::to_string(i * 7919) + " Hz";
    ASSERT_EQ(metrics.TextWidth(font, text), Fresh(font, text)) << text;
    ASSERT_LE(metrics.CachedWidths(), ui::QtFontMetrics::kMaxTextsPerFont);
  }
  // More fonts than are kept at once, then back to the first: still measured right.
  for (std::size_t i = 0; i < ui::QtFontMetrics::kMaxFonts + 3; ++i) {
    ui::Font f = font;
    f.Size = 6 + static_cast<int>(i);
    EXPECT_EQ(metrics.TextWidth(f, kTexts[0]), Fresh(f, kTexts[0])) << f.Size;
  }
  EXPECT_EQ(metrics.TextWidth(font, kTexts[0]), Fresh(font, kTexts[0]));
  EXPECT_LE(metrics.CachedWidths(), ui::QtFontMetrics::kMaxFonts * ui::QtFontMetrics::kMaxTextsPerFont);
}

}  // namespace
