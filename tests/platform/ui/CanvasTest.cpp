// The pixel rules of the canvas, read back from the picture it draws into.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <set>
#include <utility>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/RecordingCanvas.h"

namespace {

using ui::ImageCanvas;
using ui::Point;
using ui::Rect;
using ui::TColor;
using Pixels = std::set<std::pair<int, int>>;

constexpr TColor kInk = 0x102030;
constexpr TColor kPaper = 0xFFFFFF;

class Canvas : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }

  // A white 20 x 20 canvas with a one-pixel pen in kInk.
  static void Prepare(ImageCanvas& c) {
    c.SetPen(ui::Pen{kInk, 1, ui::PenStyle::Solid});
    c.SetBrush(ui::Brush{kInk, ui::BrushStyle::Clear});
  }

  // Every pixel that is not white.
  static Pixels Lit(const ImageCanvas& c) {
    Pixels lit;
    for (int y = 0; y < c.Height(); ++y) {
      for (int x = 0; x < c.Width(); ++x) {
        if (c.Pixel(x, y) != kPaper) lit.insert({x, y});
      }
    }
    return lit;
  }

  static Pixels Run(int x0, int y0, int dx, int dy, int n) {
    Pixels p;
    for (int i = 0; i < n; ++i) p.insert({x0 + i * dx, y0 + i * dy});
    return p;
  }
};

TEST_F(Canvas, LineLeavesOutItsEndPixelInEveryDirection) {
  struct Case {
    int x1, y1, x2, y2;
    Pixels expected;
  };
  const std::vector<Case> cases = {
      {0, 0, 5, 0, Run(0, 0, 1, 0, 5)},     // x 0..4, not 5
      {5, 0, 0, 0, Run(5, 0, -1, 0, 5)},    // x 5..1: the start is drawn, the end is not
      {3, 1, 3, 7, Run(3, 1, 0, 1, 6)},     // down
      {3, 7, 3, 1, Run(3, 7, 0, -1, 6)},    // up
      {2, 2, 8, 8, Run(2, 2, 1, 1, 6)},     // diagonal
      {8, 8, 2, 2, Run(8, 8, -1, -1, 6)},   // diagonal back
      {10, 4, 4, 10, Run(10, 4, -1, 1, 6)}, // anti-diagonal
      {6, 6, 6, 6, Pixels{}},               // no length, no pixel
  };
  for (const Case& c : cases) {
    ImageCanvas canvas(20, 20);
    Prepare(canvas);
    canvas.Line(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(Lit(canvas), c.expected) << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2;
    EXPECT_EQ(canvas.PenPos(), Point(c.x2, c.y2));
  }
}

TEST_F(Canvas, ShallowLineStaysWithinItsEndsAndStepsOncePerColumn) {
  ImageCanvas canvas(20, 20);
  Prepare(canvas);
  canvas.Line(1, 2, 13, 6);
  const Pixels lit = Lit(canvas);
  ASSERT_EQ(lit.size(), 12u);  // one pixel in each column 1..12
  for (const auto& [x, y] : lit) {
    EXPECT_GE(x, 1);
    EXPECT_LE(x, 12);
    EXPECT_GE(y, 2);
    EXPECT_LE(y, 6);
  }
  EXPECT_TRUE(lit.count({1, 2}));
}

TEST_F(Canvas, PolylineLightsItsInnerVerticesButNotItsLastPoint) {
  ImageCanvas canvas(20, 20);
  Prepare(canvas);
  const Point pts[3] = {Point(2, 3), Point(9, 3), Point(9, 10)};
  canvas.Polyline(pts, 3);
  Pixels expected = Run(2, 3, 1, 0, 7);
  const Pixels down = Run(9, 3, 0, 1, 7);
  expected.insert(down.begin(), down.end());
  EXPECT_EQ(Lit(canvas), expected);
  EXPECT_TRUE(Lit(canvas).count({9, 3}));
  EXPECT_FALSE(Lit(canvas).count({9, 10}));
}

TEST_F(Canvas, PolylineBackwardsDrawsEachSegmentFromItsStart) {
  ImageCanvas canvas(20, 20);
  Prepare(canvas);
  const Point pts[3] = {Point(9, 3), Point(2, 3), Point(2, 10)};
  canvas.Polyline(pts, 3);
  Pixels expected = Run(9, 3, -1, 0, 7);
  const Pixels down = Run(2, 3, 0, 1, 7);
  expected.insert(down.begin(), down.end());
  EXPECT_EQ(Lit(canvas), expected);
}

TEST_F(Canvas, LinesAreClippedToTheCanvasAndTheClipRectangle) {
  ImageCanvas canvas(20, 20);
  Prepare(canvas);
  canvas.Line(-1000000, 5, 1000000, 5);
  EXPECT_EQ(Lit(canvas), Run(0, 5, 1, 0, 20));

  ImageCanvas clipped(20, 20);
  Prepare(clipped);
  clipped.SetClipRect(Rect(4, 0, 8, 20));
  clipped.Line(0, 7, 19, 7);
  clipped.Line(6, -50, 6, 70);
  Pixels expected = Run(4, 7, 1, 0, 4);
  const Pixels v = Run(6, 0, 0, 1, 20);
  expected.insert(v.begin(), v.end());
  EXPECT_EQ(Lit(clipped), expected);
}

TEST_F(Canvas, RectangleCoversItsLeftAndTopButNotItsRightAndBottom) {
  // Outline in one colour, fill in another: columns 2..5 and rows 2..4, the inside filled.
  ImageCanvas canvas(20, 20);
  Prepare(canvas);
  canvas.SetBrush(ui::Brush{0x00FF00, ui::BrushStyle::Solid});
  canvas.Rectangle(2, 2, 6, 5);
  Pixels expected;
  for (int y = 2; y <= 4; ++y) {
    for (int x = 2; x <= 5; ++x) expected.insert({x, y});
  }
  EXPECT_EQ(Lit(canvas), expected);
  EXPECT_EQ(canvas.Pixel(2, 2), kInk);
  EXPECT_EQ(canvas.Pixel(5, 4), kInk);
  EXPECT_EQ(canvas.Pixel(3, 3), 0x00FF00u);
  EXPECT_EQ(canvas.Pixel(4, 3), 0x00FF00u);
}

TEST_F(Canvas, FilledShapesCoverTheSamePixelsWithAndWithoutAnOutline) {
  for (int shape = 0; shape < 3; ++shape) {
    for (bool outline : {true, false}) {
      ImageCanvas canvas(30, 30);
      canvas.SetPen(ui::Pen{kInk, 1, outline ? ui::PenStyle::Solid : ui::PenStyle::Clear});
      canvas.SetBrush(ui::Brush{kInk, ui::BrushStyle::Solid});
      if (shape == 0) canvas.Rectangle(3, 4, 23, 19);
      if (shape == 1) canvas.Ellipse(3, 4, 23, 19);
      if (shape == 2) canvas.RoundRect(3, 4, 23, 19, 7, 7);
      int left = 99, top = 99, right = -1, bottom = -1;
      for (const auto& [x, y] : Lit(canvas)) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
      }
      EXPECT_EQ(left, 3) << "shape " << shape << " outline " << outline;
      EXPECT_EQ(top, 4) << "shape " << shape << " outline " << outline;
      EXPECT_EQ(right, 22) << "shape " << shape << " outline " << outline;
      EXPECT_EQ(bottom, 18) << "shape " << shape << " outline " << outline;
    }
  }
}

TEST_F(Canvas, FillRectUsesTheBrushOnlyAndNothingWhenItIsClear) {
  ImageCanvas canvas(20, 20);
  Prepare(canvas);
  canvas.SetBrush(ui::Brush{0x00FF00, ui::BrushStyle::Solid});
  canvas.FillRect(Rect(1, 1, 4, 3));
  EXPECT_EQ(Lit(canvas).size(), 6u);
  EXPECT_EQ(canvas.Pixel(3, 2), 0x00FF00u);
  EXPECT_EQ(canvas.Pixel(4, 2), kPaper);
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.FillRect(Rect(10, 10, 15, 15));
  EXPECT_EQ(Lit(canvas).size(), 6u);
}

TEST_F(Canvas, ArcRunsCounterClockwiseFromItsStartToItsEndPoint) {
  // Centre (20, 20); 3 o'clock to 12 o'clock is the top-right quarter only.
  ImageCanvas canvas(41, 41);
  Prepare(canvas);
  canvas.Arc(0, 0, 41, 41, 40, 20, 20, 0);
  const Pixels quarter = Lit(canvas);
  ASSERT_FALSE(quarter.empty());
  for (const auto& [x, y] : quarter) {
    EXPECT_GE(x, 19) << x << "," << y;
    EXPECT_LE(y, 21) << x << "," << y;
  }
  EXPECT_TRUE(quarter.count({40, 20}) || quarter.count({39, 20}) || quarter.count({40, 19}));

  // 12 o'clock to 3 o'clock goes the long way round: the other three quarters.
  ImageCanvas rest(41, 41);
  Prepare(rest);
  rest.Arc(0, 0, 41, 41, 20, 0, 40, 20);
  bool left = false, bottom = false, topRight = false;
  for (const auto& [x, y] : Lit(rest)) {
    left |= x < 10;
    bottom |= y > 30;
    topRight |= x > 30 && y < 10;
  }
  EXPECT_TRUE(left);
  EXPECT_TRUE(bottom);
  EXPECT_FALSE(topRight);

  // Equal points: the whole ellipse.
  ImageCanvas whole(41, 41);
  Prepare(whole);
  whole.Arc(0, 0, 41, 41, 40, 20, 40, 20);
  bool q[4] = {false, false, false, false};
  for (const auto& [x, y] : Lit(whole)) q[(x > 20 ? 1 : 0) + (y > 20 ? 2 : 0)] = true;
  EXPECT_TRUE(q[0] && q[1] && q[2] && q[3]);
}

TEST_F(Canvas, ColoursAreBlueGreenRedAboveTheLayer) {
  ImageCanvas canvas(4, 4);
  canvas.SetBrush(ui::Brush{0x0000FF, ui::BrushStyle::Solid});
  canvas.FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(canvas.Pixel(1, 1), 0x0000FFu);
  EXPECT_EQ(canvas.Image().pixel(1, 1), qRgb(255, 0, 0));
  canvas.SetPixel(3, 3, 0xFF0000);
  EXPECT_EQ(canvas.Image().pixel(3, 3), qRgb(0, 0, 255));
  EXPECT_EQ(ui::FromQRgb(qRgb(0x12, 0x34, 0x56)), 0x563412u);
  EXPECT_EQ(canvas.Pixel(-1, 0), ui::clInvalid);
  EXPECT_EQ(canvas.Pixel(0, 4), ui::clInvalid);
}

TEST_F(Canvas, NoAntialiasingLeavesOnlyTheDrawnColours) {
  ImageCanvas canvas(40, 40);
  canvas.SetPen(ui::Pen{0x0000FF, 1, ui::PenStyle::Solid});
  canvas.SetBrush(ui::Brush{0x00FF00, ui::BrushStyle::Solid});
  canvas.Ellipse(2, 3, 37, 30);
  canvas.Line(0, 39, 39, 20);
  canvas.RoundRect(5, 5, 20, 20, 9, 9);
  canvas.SetFont(ui::Font("Tahoma", 12, 0xFF0000));
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.TextOut(3, 10, "Wq");
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const TColor c = canvas.Pixel(x, y);
      EXPECT_TRUE(c == kPaper || c == 0x0000FFu || c == 0x00FF00u || c == 0xFF0000u) << x << "," << y << " " << std::hex << c;
    }
  }
}

TEST_F(Canvas, TextCellIsFilledWithASolidBrushAndLeftAloneWithAClearOne) {
  ImageCanvas canvas(120, 40);
  canvas.SetFont(ui::Font("Tahoma", 9, 0x000000));
  canvas.SetBrush(ui::Brush{0x00FF00, ui::BrushStyle::Solid});
  const int w = canvas.TextWidth("i");
  const int h = canvas.TextHeight("i");
  canvas.TextOut(10, 5, "i");
  EXPECT_EQ(canvas.Pixel(10, 5), 0x00FF00u);              // top-left corner of the cell
  EXPECT_EQ(canvas.Pixel(10 + w - 1, 5 + h - 1), 0x00FF00u);
  EXPECT_EQ(canvas.Pixel(10 + w, 5), kPaper);
  EXPECT_EQ(canvas.Pixel(10, 5 + h), kPaper);
  EXPECT_EQ(canvas.PenPos(), Point(10 + w, 5));

  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.TextOut(60, 5, "i");
  EXPECT_EQ(canvas.Pixel(60, 5), kPaper);
}

TEST_F(Canvas, FontsArePixelSizedAndStandInsAreUsed) {
  EXPECT_EQ(ui::Font("Tahoma", 9).PixelSize(), 12);
  EXPECT_EQ(ui::Font("Tahoma", 8).PixelSize(), 11);
  EXPECT_EQ(ui::Font("Tahoma", 24).PixelSize(), 32);
  EXPECT_EQ(ui::Font("Tahoma", -20).PixelSize(), 20);
  EXPECT_EQ(ui::Font::FamilyFor("Tahoma"), "DejaVu Sans");
  EXPECT_EQ(ui::Font::FamilyFor("lucida console"), "DejaVu Sans Mono");
  EXPECT_EQ(ui::Font::FamilyFor("Arial"), "Arial");
  EXPECT_EQ(QFontInfo(ui::Font("Lucida Console", 9).ToQFont()).family(), QString("DejaVu Sans Mono"));
  EXPECT_EQ(QFontInfo(ui::Font("Tahoma", 9).ToQFont()).pixelSize(), 12);

  ImageCanvas canvas(10, 10);
  canvas.SetFont(ui::Font("Tahoma", 9));
  const QFontMetrics qt(ui::Font("Tahoma", 9).ToQFont());
  EXPECT_EQ(canvas.TextHeight("H"), qt.height());
  EXPECT_EQ(canvas.TextWidth("H"), qt.horizontalAdvance("H"));
  EXPECT_EQ(canvas.TextWidth("HHHHHHHHHH"), 10 * canvas.TextWidth("H"));
  EXPECT_EQ(canvas.TextWidth(""), 0);
}

TEST_F(Canvas, DrawTextPlacesSingleLines) {
  struct Case {
    unsigned format;
    int x, y;
  };
  const unsigned single = ui::TextFormat::SingleLine;
  const std::vector<Case> cases = {
      {single, 10, 20},
      {single | ui::TextFormat::VCenter, 10, 20 + (31 - 12) / 2},
      {single | ui::TextFormat::Bottom, 10, 51 - 12},
      {single | ui::TextFormat::Center, 10 + (100 - 21) / 2, 20},
      {single | ui::TextFormat::Right | ui::TextFormat::VCenter, 110 - 21, 29},
  };
  for (const Case& c : cases) {
    ui::RecordingCanvas canvas;
    Rect r(10, 20, 110, 51);
    EXPECT_EQ(canvas.DrawText("abc", r, c.format), 12);
    const auto texts = canvas.CallsOf(ui::RecordingCanvas::Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].points[0], Point(c.x, c.y)) << c.format;
    EXPECT_EQ(texts[0].text, "abc");
    ASSERT_TRUE(texts[0].clip.has_value());
    EXPECT_EQ(*texts[0].clip, Rect(10, 20, 110, 51));
  }
}

TEST_F(Canvas, DrawTextWrapsAtBlanksAndMeasures) {
  ui::RecordingCanvas canvas;  // 7 px per character, 12 px per line
  Rect r(0, 0, 50, 100);
  canvas.DrawText("aaa bbb ccc", r, ui::TextFormat::WordBreak);
  auto texts = canvas.CallsOf(ui::RecordingCanvas::Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "aaa bbb");  // 49 px fits into 50
  EXPECT_EQ(texts[1].text, "ccc");
  EXPECT_EQ(texts[1].points[0], Point(0, 12));

  Rect measure(5, 5, 55, 5);
  EXPECT_EQ(canvas.DrawText("aaa bbb ccc", measure, ui::TextFormat::WordBreak | ui::TextFormat::CalcRect), 24);
  EXPECT_EQ(measure, Rect(5, 5, 54, 29));

  // A word wider than the box keeps its own line, uncut; line breaks in the text count.
  canvas.Clear();
  Rect narrow(0, 0, 20, 100);
  canvas.DrawText("abcdefghij x\r\ny", narrow, ui::TextFormat::WordBreak);
  texts = canvas.CallsOf(ui::RecordingCanvas::Op::Text);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "abcdefghij");
  EXPECT_EQ(texts[1].text, "x");
  EXPECT_EQ(texts[2].text, "y");

  Rect one(0, 0, 0, 0);
  EXPECT_EQ(canvas.DrawText("Hello", one, ui::TextFormat::SingleLine | ui::TextFormat::CalcRect), 12);
  EXPECT_EQ(one, Rect(0, 0, 35, 12));
}

TEST_F(Canvas, DrawTextPrefixes) {
  struct Case {
    const char* text;
    unsigned extra;
    const char* shown;
    int underline;
  };
  const std::vector<Case> cases = {
      {"&Ok", 0, "Ok", 0},
      {"Ca&ncel", 0, "Cancel", 2},
      {"A&&B", 0, "A&B", -1},
      {"&Ok", ui::TextFormat::NoPrefix, "&Ok", -1},
      {"end&", 0, "end", -1},
  };
  for (const Case& c : cases) {
    ui::RecordingCanvas canvas;
    Rect r(0, 0, 200, 20);
    canvas.DrawText(c.text, r, ui::TextFormat::SingleLine | c.extra);
    const auto texts = canvas.CallsOf(ui::RecordingCanvas::Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, c.shown) << c.text;
    EXPECT_EQ(texts[0].underline, c.underline) << c.text;
  }
}

TEST_F(Canvas, CopyRectRasterOps) {
  // Source: black left half, white right half. Destination rows: white, then green.
  QImage source(2, 1, QImage::Format_RGB32);
  source.setPixel(0, 0, qRgb(0, 0, 0));
  source.setPixel(1, 0, qRgb(255, 255, 255));
  struct Case {
    ui::RasterOp op;
    TColor onWhite[2];
    TColor onGreen[2];
  };
  const std::vector<Case> cases = {
      {ui::RasterOp::SrcCopy, {0x000000, 0xFFFFFF}, {0x000000, 0xFFFFFF}},
      {ui::RasterOp::SrcAnd, {0x000000, 0xFFFFFF}, {0x000000, 0x00FF00}},      // src AND dst
      {ui::RasterOp::MergePaint, {0xFFFFFF, 0xFFFFFF}, {0xFFFFFF, 0x00FF00}},  // NOT src OR dst
  };
  for (const Case& c : cases) {
    ImageCanvas canvas(2, 2);
    canvas.SetBrush(ui::Brush{0x00FF00, ui::BrushStyle::Solid});
    canvas.FillRect(Rect(0, 1, 2, 2));
    canvas.CopyRect(Rect(0, 0, 2, 1), source, Rect(0, 0, 2, 1), c.op);
    canvas.CopyRect(Rect(0, 1, 2, 2), source, Rect(0, 0, 2, 1), c.op);
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(canvas.Pixel(x, 0), c.onWhite[x]) << static_cast<int>(c.op) << " x " << x;
      EXPECT_EQ(canvas.Pixel(x, 1), c.onGreen[x]) << static_cast<int>(c.op) << " x " << x;
    }
  }
}

TEST_F(Canvas, DrawLeavesOutTheTransparentColourAndStretchScales) {
  QImage glyph(3, 1, QImage::Format_RGB32);
  glyph.setPixel(0, 0, qRgb(0, 0, 255));  // 0xFF0000 above the layer
  glyph.setPixel(1, 0, qRgb(255, 0, 0));  // the key colour 0x0000FF
  glyph.setPixel(2, 0, qRgb(0, 0, 255));
  ImageCanvas canvas(10, 4);
  canvas.Draw(2, 1, glyph, 0x0000FF);
  EXPECT_EQ(canvas.Pixel(2, 1), 0xFF0000u);
  EXPECT_EQ(canvas.Pixel(3, 1), kPaper);
  EXPECT_EQ(canvas.Pixel(4, 1), 0xFF0000u);
  canvas.Draw(2, 2, glyph);
  EXPECT_EQ(canvas.Pixel(3, 2), 0x0000FFu);

  ImageCanvas big(12, 2);
  big.StretchDraw(Rect(0, 0, 6, 2), glyph);
  EXPECT_EQ(big.Pixel(0, 1), 0xFF0000u);
  EXPECT_EQ(big.Pixel(2, 0), 0x0000FFu);
  EXPECT_EQ(big.Pixel(5, 1), 0xFF0000u);
  EXPECT_EQ(big.Pixel(6, 0), kPaper);
}

TEST_F(Canvas, ACopyOfThePictureIsNotDrawnIntoLater) {
  ImageCanvas canvas(4, 4);
  canvas.SetPen(ui::Pen{kInk, 1, ui::PenStyle::Solid});
  canvas.Line(0, 0, 4, 0);
  const QImage snapshot = canvas.Image();
  canvas.Line(0, 2, 4, 2);
  canvas.SetBrush(ui::Brush{kInk, ui::BrushStyle::Solid});
  canvas.Rectangle(0, 3, 4, 4);
  EXPECT_EQ(snapshot.pixel(0, 2), qRgb(255, 255, 255));
  EXPECT_EQ(snapshot.pixel(0, 3), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.Pixel(0, 2), kInk);
  EXPECT_EQ(canvas.Pixel(0, 3), kInk);
}

TEST_F(Canvas, RecordingCanvasKeepsTheStateOfEachCall) {
  ui::RecordingCanvas canvas;
  canvas.SetPen(ui::Pen{0x123456, 2, ui::PenStyle::Solid});
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.MoveTo(1, 2);
  canvas.LineTo(5, 6);
  canvas.Rectangle(9, 9, 3, 3);  // normalised
  canvas.Pie(0, 0, 10, 10, 10, 5, 5, 0);
  ASSERT_EQ(canvas.Calls().size(), 3u);
  EXPECT_EQ(canvas.Calls()[0].points, (std::vector<Point>{Point(1, 2), Point(5, 6)}));
  EXPECT_EQ(canvas.Calls()[0].pen.Width, 2);
  EXPECT_EQ(canvas.Calls()[1].rect, Rect(3, 3, 9, 9));
  EXPECT_EQ(canvas.Calls()[1].brush.Style, ui::BrushStyle::Clear);
  EXPECT_NEAR(canvas.Calls()[2].startDeg, 0.0, 1e-9);
  EXPECT_NEAR(canvas.Calls()[2].spanDeg, 90.0, 1e-9);
}

TEST_F(Canvas, ShiftedPolylinesPaintWhatTheCopiesPaintOneByOne) {
  // A thick line's ring of shifts, a polyline that runs steep, shallow, back and off the canvas,
  // and a clip rectangle it crosses: one walk must light exactly the copies' pixels.
  const std::vector<Point> points = {{-3, 5}, {4, 6}, {4, 6}, {9, 30}, {10, 31}, {35, 2}, {20, 20}, {2, 38}, {45, 12}};
  const std::vector<Point> shifts = {{-1, -1}, {0, -1}, {1, -1}, {2, -1}, {2, 0}, {2, 1},
                                     {2, 2},   {1, 2},  {0, 2},  {-1, 2}, {-1, 1}, {-1, 0}};
  for (const bool clipped : {false, true}) {
    for (const int width : {1, 3}) {
      ImageCanvas one(40, 40);
      ImageCanvas copies(40, 40);
      for (ImageCanvas* c : {&one, &copies}) {
        c->SetPen(ui::Pen{kInk, width, ui::PenStyle::Solid});
        if (clipped) c->SetClipRect(ui::Rect(3, 4, 30, 33));
      }
      one.ShiftedPolylines(points.data(), points.size(), shifts.data(), shifts.size());
      for (const Point& shift : shifts) {
        std::vector<Point> copy = points;
        for (Point& p : copy) p += shift;
        copies.Polyline(copy);
      }
      one.Flush();
      copies.Flush();
      EXPECT_EQ(one.Image(), copies.Image()) << "clipped " << clipped << ", width " << width;
      EXPECT_GT(Lit(one).size(), 100u);
    }
  }
}

}  // namespace
