// One soft key painted: the graded body with its rounded corners, the border, the caption on
// one or two lines in its colours, and the icon by its raster operation, in the normal and the
// inverted look; the text split by characters; the built-in pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "WidgetTest.h"
#include "model/ResourceRegistry.h"
#include "model/Utils.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/RecordingCanvas.h"
#include "widgets/PaintButton.h"

namespace {

using Rec = ui::RecordingCanvas;

// A black-on-white picture: black on the left half, white on the right half.
QImage HalfBlack() {
  QImage image(32, 32, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 16; ++x) image.setPixel(x, y, qRgb(0, 0, 0));
  }
  return image;
}

class SoftKeyButton : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    Look().GridColor = 0x405060;
    ASSERT_EQ(Look().ButtonHeight, 44);
    ASSERT_EQ(Look().Margin, 6);
  }
  // The calls of one paint of a key at (10, 20)-(150, 64) on a recording canvas.
  std::vector<Rec::Call> Paint(TPaintButton& key, const QImage& icon, bool caption = true) {
    rec_.Clear();
    key.Paint(rec_, icon, caption, ui::Rect(10, 20, 150, 64));
    return rec_.Calls();
  }
  std::vector<Rec::Call> Of(Rec::Op op) const { return rec_.CallsOf(op); }

  Rec rec_{400, 400};  // 12 high, 7 wide
};

TEST_F(SoftKeyButton, HoverFollowsTheRectangleWithExclusiveRightAndBottom) {
  TPaintButton key("Scale", true);
  EXPECT_FALSE(key.UpdateHover(0, 0)) << "no rectangle before the first paint";
  key.Paint(rec_, QImage(), true, ui::Rect(10, 20, 150, 64));
  EXPECT_EQ(key.Rect, ui::Rect(10, 20, 150, 64));
  EXPECT_TRUE(key.UpdateHover(10, 20));
  EXPECT_TRUE(key.Hover);
  EXPECT_FALSE(key.UpdateHover(149, 63)) << "still inside: no change";
  EXPECT_TRUE(key.UpdateHover(150, 63));
  EXPECT_FALSE(key.Hover);
  EXPECT_FALSE(key.UpdateHover(149, 64));
  key.UpdateHover(20, 30);
  EXPECT_TRUE(key.ClearHover());
  EXPECT_FALSE(key.ClearHover());
}

TEST_F(SoftKeyButton, BodyIsGradedRowByRowWithRoundedCorners) {
  TPaintButton key("Trace", true);
  Paint(key, QImage());
  const std::vector<Rec::Call> rows = Of(Rec::Op::Polyline);
  ASSERT_EQ(rows.size(), 44u);
  struct Row {
    int i;
    int inset;
  };
  for (const Row& r : {Row{0, 5}, Row{1, 3}, Row{2, 2}, Row{3, 1}, Row{4, 1}, Row{5, 0}, Row{20, 0}, Row{38, 0},
                       Row{39, 1}, Row{40, 1}, Row{41, 2}, Row{42, 3}, Row{43, 5}}) {
    SCOPED_TRACE(r.i);
    const Rec::Call& c = rows[static_cast<size_t>(r.i)];
    ASSERT_EQ(c.points.size(), 2u);
    EXPECT_EQ(c.points[0], ui::Point(10 + r.inset, 20 + r.i));
    EXPECT_EQ(c.points[1], ui::Point(150 - r.inset, 20 + r.i));
    EXPECT_EQ(c.pen.Width, 1);
    EXPECT_EQ(c.pen.Color, ScaleColor(0x405060, (44.0 - r.i) / 44.0 * 0.9 + 0.4));
  }
  // Bright at the top: 1.3 times the grid colour; the last row 0.4 + 0.9 / 44.
  EXPECT_EQ(rows[0].pen.Color, 0x53687Cu);
  EXPECT_EQ(rows[43].pen.Color, 0x1A2128u);

  const std::vector<Rec::Call> border = Of(Rec::Op::RoundRect);
  ASSERT_EQ(border.size(), 1u);
  EXPECT_EQ(border[0].rect, ui::Rect(10, 20, 150, 64));
  EXPECT_EQ(border[0].cornerW, 9);
  EXPECT_EQ(border[0].cornerH, 9);
  EXPECT_EQ(border[0].brush.Style, ui::BrushStyle::Clear);
  EXPECT_EQ(border[0].pen.Color, ScaleColor(0x405060, 0.6));
}

TEST_F(SoftKeyButton, HoverInvertsTheKeyAndTheInverseLookBrightensIt) {
  TPaintButton key("Trace", true);
  struct Case {
    bool hover;
    bool inverse;
    ui::TColor base;
    double offset;
    double border;
  };
  for (const Case& c : {Case{false, false, 0x405060, 0.4, 0.6}, Case{true, false, 0xBFAF9F, 0.4, 0.6},
                        Case{false, true, 0xBFAF9F, 0.6, 0.7}, Case{true, true, 0x405060, 0.6, 0.7}}) {
    SCOPED_TRACE(std::to_string(c.hover) + std::to_string(c.inverse));
    Look().InverseColor = c.inverse;
    key.Hover = c.hover;
    Paint(key, QImage());
    const std::vector<Rec::Call> rows = Of(Rec::Op::Polyline);
    ASSERT_EQ(rows.size(), 44u);
    EXPECT_EQ(rows[10].pen.Color, ScaleColor(c.base, 34.0 / 44.0 * 0.9 + c.offset));
    EXPECT_EQ(Of(Rec::Op::RoundRect).at(0).pen.Color, ScaleColor(c.base, c.border));
  }
}

TEST_F(SoftKeyButton, CaptionOnOneLineOrBrokenIntoTwo) {
  // Key 140 wide: with an icon the caption has 141 - 44 - 6 = 91 pixels, 13 characters.
  struct Case {
    const char* caption;
    bool iconLeft;
    bool icon;
    std::vector<std::string> lines;
    int x;
  };
  const std::vector<Case> cases = {
      {"DTF Settings", true, true, {"DTF Settings"}, 10 + 44},
      {"Thirteen char", false, true, {"Thirteen char"}, 10 + 6},
      {"Fourteen chars", true, true, {"Fourteen char", "s"}, 54},
      {"A caption far too long for two lines", false, true, {"A caption far", " too long for"}, 16},
      // Without an icon the slot is only the margin: 141 - 6 - 6 = 129 pixels, 18 characters.
      {"Fourteen chars", true, false, {"Fourteen chars"}, 10 + 6},
      {"Nineteen characters", false, false, {"Nineteen character", "s"}, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    TPaintButton key(c.caption, c.iconLeft);
    Paint(key, c.icon ? HalfBlack() : QImage());
    const std::vector<Rec::Call> texts = Of(Rec::Op::Text);
    ASSERT_EQ(texts.size(), c.lines.size());
    // Line height 12 + 1: one line at 20 + (44 - 13 + 1) / 2, two from 20 + 45 / 2 - 13.
    const int y = c.lines.size() == 1 ? 36 : 29;
    for (size_t i = 0; i < texts.size(); ++i) {
      EXPECT_EQ(texts[i].text, c.lines[i]);
      EXPECT_EQ(texts[i].points.at(0), ui::Point(c.x, y + static_cast<int>(i) * 13));
      EXPECT_EQ(texts[i].brush.Style, ui::BrushStyle::Clear);
      EXPECT_EQ(texts[i].font.Name, Look().GetButtonFontName());
      EXPECT_EQ(texts[i].font.Size, Look().GetButtonFontSize());
      EXPECT_FALSE(texts[i].font.Bold);
    }
  }
}

TEST_F(SoftKeyButton, CaptionColoursSwapWithHoverAndWithTheInverseLook) {
  TPaintButton key("Scale", true);
  struct Case {
    bool hover;
    bool inverse;
    ui::TColor colour;
  };
  for (const Case& c : {Case{false, false, 0xC0C0C0}, Case{true, false, 0x000000}, Case{false, true, 0x000000},
                        Case{true, true, 0xC0C0C0}}) {
    SCOPED_TRACE(std::to_string(c.hover) + std::to_string(c.inverse));
    Look().InverseColor = c.inverse;
    key.Hover = c.hover;
    Paint(key, QImage());
    ASSERT_EQ(Of(Rec::Op::Text).size(), 1u);
    EXPECT_EQ(Of(Rec::Op::Text)[0].font.Color, c.colour);
  }
}

TEST_F(SoftKeyButton, NoCaptionWhenHiddenOrEmpty) {
  TPaintButton key("Scale", true);
  Paint(key, HalfBlack(), false);
  EXPECT_TRUE(Of(Rec::Op::Text).empty());
  EXPECT_FALSE(key.ShowCaption);
  EXPECT_EQ(Of(Rec::Op::CopyRect).size(), 1u);
  TPaintButton blank("", true);
  Paint(blank, HalfBlack(), true);
  EXPECT_TRUE(Of(Rec::Op::Text).empty());
  EXPECT_TRUE(blank.ShowCaption);
  Paint(blank, QImage(), true);
  EXPECT_TRUE(Of(Rec::Op::CopyRect).empty()) << "no picture, no icon";
}

TEST_F(SoftKeyButton, IconShowsLightOnTheDarkKeyAndDarkOnTheLitKey) {
  // The real canvas: on the plain key the black half turns white (NOT source OR key) and the
  // white half leaves the key; on a lit key black stays black (source AND key).
  struct Case {
    bool hover;
    bool inverse;
    ui::RasterOp op;
  };
  for (const Case& c : {Case{false, false, ui::RasterOp::MergePaint}, Case{true, false, ui::RasterOp::SrcAnd},
                        Case{false, true, ui::RasterOp::SrcAnd}, Case{true, true, ui::RasterOp::MergePaint}}) {
    SCOPED_TRACE(std::to_string(c.hover) + std::to_string(c.inverse));
    Look().InverseColor = c.inverse;
    TPaintButton key("", true);
    key.Hover = c.hover;
    Paint(key, HalfBlack(), false);
    ASSERT_EQ(Of(Rec::Op::CopyRect).size(), 1u);
    EXPECT_EQ(Of(Rec::Op::CopyRect)[0].rop, c.op);

    ui::ImageCanvas canvas(200, 100);
    key.Paint(canvas, HalfBlack(), false, ui::Rect(10, 20, 150, 64));
    // The icon square is (16, 26)-(48, 58); its black half is x 16..31.
    const ui::TColor keyColour = canvas.Pixel(60, 40);
    if (c.op == ui::RasterOp::MergePaint) {
      EXPECT_EQ(canvas.Pixel(20, 40), ui::clWhite);
      EXPECT_EQ(canvas.Pixel(40, 40), keyColour);
    } else {
      EXPECT_EQ(canvas.Pixel(20, 40), ui::clBlack);
      EXPECT_EQ(canvas.Pixel(40, 40), keyColour);
    }
    EXPECT_NE(keyColour, ui::clWhite);
    EXPECT_NE(keyColour, ui::clBlack);
  }
}

struct SplitCase {
  int width;
  const char* text;
  std::string line1;
  std::string line2;
};

TEST(SoftKeySplitText, BreaksByCharactersAndCutsTheRest) {
  Rec canvas;  // 7 pixels a character
  const std::vector<SplitCase> cases = {
      {35, "Measurement", "Measu", "remen"},
      {34, "Measurement", "Meas", "urem"},
      {77, "Measurement", "Measurement", ""},
      {76, "Measurement", "Measuremen", "t"},
      {7, "ab", "a", "b"},
      {6, "ab", "", ""},
      {0, "ab", "", ""},
      {-50, "ab", "", ""},
      {70, "", "", ""},
      // By characters, not bytes: Cyrillic letters take two bytes each.
      {28, "Калибровка", "Кали", "бров"},
      {21, "Ж°Ω€x", "Ж°Ω", "€x"},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.width));
    EXPECT_EQ(SplitTextToWidth(canvas, 1, c.width, c.text), c.line1);
    EXPECT_EQ(SplitTextToWidth(canvas, 2, c.width, c.text), c.line2);
    EXPECT_EQ(SplitTextToWidth(canvas, 0, c.width, c.text), "");
    EXPECT_EQ(SplitTextToWidth(canvas, 3, c.width, c.text), "");
  }
}

TEST(SoftKeyIcons, FifteenBlackOnWhitePicturesOf32By32) {
  const std::vector<std::string> names = {
      "softkey_measurement.xpm", "softkey_calibration.xpm", "softkey_average.xpm",  "softkey_marker.xpm",
      "softkey_analysis.xpm",    "softkey_files.xpm",       "softkey_print.xpm",    "softkey_stimulus.xpm",
      "softkey_scale.xpm",       "softkey_channels.xpm",    "softkey_trace.xpm",    "softkey_dtf_settings.xpm",
      "softkey_system.xpm",      "softkey_run_standby.xpm", "softkey_service.xpm"};
  std::vector<QImage> seen;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto bytes = FindResource(name);
    ASSERT_TRUE(bytes.has_value());
    QImage image;
    ASSERT_TRUE(image.loadFromData(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())), "XPM"));
    image = image.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.size(), QSize(32, 32));
    int black = 0;
    int white = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y) & 0xFFFFFF;
        black += p == 0 ? 1 : 0;
        white += p == 0xFFFFFF ? 1 : 0;
      }
    }
    EXPECT_EQ(black + white, 32 * 32) << "only black and white";
    EXPECT_GT(black, 60) << "a picture, not a speck";
    EXPECT_GT(white, 32 * 32 / 3) << "on a white ground";
    for (const QImage& other : seen) EXPECT_NE(image, other) << "every key its own picture";
    seen.push_back(image);
  }
}

}  // namespace
