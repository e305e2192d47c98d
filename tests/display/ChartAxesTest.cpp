// The pixel mappings, the grid step, the rectangular grid's division and stimulus lines, the
// response labels, and the circle clipping of the circular grids on the recording canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "tests/display/ChartPlaneSupport.h"
#include "traces/Format.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

using chartplane::ApplySweep;
using chartplane::Call;
using chartplane::ChartRig;
using chartplane::IsHorizontal;
using chartplane::IsVertical;
using chartplane::LinesOf;
using chartplane::Op;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ChartAxes, GridStep) {
  struct Case {
    double f1, f0, step;
  };
  const Case cases[] = {
      {1100, 100, 100}, {2600, 100, 500}, {5, 5, 0},     {100, 1100, 100}, {1.5, 0, 0.2},
      {3, 0, 0.5},      {7, 0, 1},        {0.01, 0, 0.001}, {kNaN, 0, 0},    {kInf, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(TDrawingPlane::GridStep(c.f1, c.f0), c.step, 1e-12) << c.f1 << " " << c.f0;
  }
}

TEST(ChartAxes, RoundUpToMultiple) {
  EXPECT_DOUBLE_EQ(TDrawingPlane::RoundUpToMultiple(100, 150), 200);
  EXPECT_DOUBLE_EQ(TDrawingPlane::RoundUpToMultiple(100, 200), 200);
  EXPECT_DOUBLE_EQ(TDrawingPlane::RoundUpToMultiple(0.5, -0.7), -0.5);
}

TEST(ChartAxes, TruncSatCutsTowardZeroAndSaturates) {
  EXPECT_EQ(TDrawingPlane::TruncSat(2.9), 2);
  EXPECT_EQ(TDrawingPlane::TruncSat(-2.9), -2);
  EXPECT_EQ(TDrawingPlane::TruncSat(kNaN), 0);
  EXPECT_EQ(TDrawingPlane::TruncSat(kInf), 1 << 30);
  EXPECT_EQ(TDrawingPlane::TruncSat(-kInf), -(1 << 30));
  EXPECT_EQ(TDrawingPlane::TruncSat(1e300), 1 << 30);
}

TEST(ChartAxes, StimulusToXLinearAndLog) {
  ChartRig rig;
  rig.Paint();
  const TDrawingPlane& chart = *rig.chart;
  const ui::Rect& p = chart.PlotRect;
  const TMeasurement& t = rig.Trace();
  const int w = p.Width();
  EXPECT_EQ(chart.StimulusToX(t, 50), p.Left);
  EXPECT_EQ(chart.StimulusToX(t, 100), p.Left);
  EXPECT_EQ(chart.StimulusToX(t, 1100), p.Right);
  EXPECT_EQ(chart.StimulusToX(t, 5000), p.Right);
  EXPECT_EQ(chart.StimulusToX(t, 600), p.Left + static_cast<int>(500.0 * w / 1000 + 0.5));
  EXPECT_EQ(chart.StimulusToX(t, kNaN), p.Left);

  ApplySweep(rig, 1, 201, 150, 4000);
  rig.Paint();
  const double b = w / std::log10(4000.0 / 150.0);
  EXPECT_EQ(chart.StimulusToX(t, 150), p.Left);
  EXPECT_EQ(chart.StimulusToX(t, 1000), p.Left + static_cast<int>(std::log10(1000.0 / 150.0) * b + 0.5));
  EXPECT_EQ(chart.StimulusToX(t, 4001), p.Right);
}

TEST(ChartAxes, ZeroSpanMapsToTheEdges) {
  ChartRig rig;
  ApplySweep(rig, 0, 201, 500, 500);
  rig.Paint();
  const TDrawingPlane& chart = *rig.chart;
  EXPECT_EQ(chart.StimulusToX(rig.Trace(), 400), chart.PlotRect.Left);
  EXPECT_EQ(chart.StimulusToX(rig.Trace(), 500), chart.PlotRect.Left);
  EXPECT_EQ(chart.StimulusToX(rig.Trace(), 500.5), chart.PlotRect.Right);
}

// The grid calls (arcs and grid-coloured lines) of a paint.
std::vector<std::string> GridCalls(ChartRig& rig) {
  std::vector<std::string> out;
  for (const Call& c : rig.canvas->Calls()) {
    if (c.op == Op::Arc) {
      out.push_back("arc " + std::to_string(c.rect.Left) + " " + std::to_string(c.rect.Top) + " " +
                    std::to_string(c.rect.Right) + " " + std::to_string(c.startDeg) + " " + std::to_string(c.spanDeg));
    } else if (c.op == Op::Polyline && c.pen.Color == rig.look.GetGridColor()) {
      std::string line = "line";
      for (const ui::Point& p : c.points) line += " " + std::to_string(p.x()) + "," + std::to_string(p.y());
      out.push_back(line);
    }
  }
  return out;
}

TEST(ChartAxes, CircularGridsTakeTheSmallestFullScaleForZeroOrNoNumber) {
  for (int format : {8, 12, 13}) {
    ChartRig smallest;
    smallest.Trace().SetFormat(format);
    smallest.Trace().GetFormat()->ScaleDiv = 0.0001;  // full scale 0.001 over 10 divisions
    smallest.Paint();
    const std::vector<std::string> want = GridCalls(smallest);
    ASSERT_FALSE(want.empty());
    for (double div : {0.0, -1.0, kNaN, kInf}) {
      ChartRig rig;
      rig.Trace().SetFormat(format);
      rig.Trace().GetFormat()->ScaleDiv = div;
      rig.Paint();
      EXPECT_EQ(GridCalls(rig), want) << "format " << format << " scale " << div;
    }
  }
}

// The circles of tests/peer/golden/smithgrid.txt (numpy), each found among the arcs of a unit
// Smith chart within a pixel and a half of centre and radius.
TEST(ChartAxes, SmithCirclesMatchThePeer) {
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/smithgrid.txt");
  ASSERT_TRUE(in.good()) << "tests/peer/golden/smithgrid.txt is missing";
  struct Circle {
    std::string kind;
    double value, re, im, radius;
  };
  std::vector<Circle> circles;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    Circle c;
    words >> c.kind >> c.value >> c.re >> c.im >> c.radius;
    circles.push_back(c);
  }
  ASSERT_EQ(circles.size(), 15u);

  ChartRig rig;
  rig.Trace().SetFormat(8);
  rig.Trace().SetFullScale(1.0);
  ui::RecordingCanvas& canvas = rig.Paint();
  const chartplane::Circle plot(rig.chart->PlotRect);
  const double r = plot.r;
  const double tolerance = 1.5 / r;
  const auto arcs = canvas.CallsOf(Op::Arc);
  for (const Circle& c : circles) {
    bool found = false;
    for (const Call& a : arcs) {
      const double radius = (a.rect.Width() - 1) / 2.0;
      const double re = (a.rect.Left + radius - plot.cx) / r;
      const double im = -(a.rect.Top + radius - plot.cy) / r;
      if (std::fabs(re - c.re) <= tolerance && std::fabs(im - c.im) <= tolerance &&
          std::fabs(radius / r - c.radius) <= tolerance)
        found = true;
    }
    EXPECT_TRUE(found) << c.kind << " " << c.value;
  }
}

TEST(ChartAxes, ValueToYClampsOnePixelOutsideThePlot) {
  ChartRig rig;
  rig.Paint();
  const TDrawingPlane& chart = *rig.chart;
  const TMeasurement& t = rig.Trace();
  const ui::Rect& p = chart.PlotRect;
  EXPECT_EQ(chart.ValueToY(t, 1e9), p.Top - 1);
  EXPECT_EQ(chart.ValueToY(t, -1e9), p.Bottom + 1);
  // The top value sits on the top edge (plus a quarter of the line width).
  EXPECT_EQ(chart.ValueToY(t, t.GetTopValue()), p.Top + chart.DataWidth / 4);
  const double mid = t.GetTopValue() - t.GetFullScale() / 2;
  EXPECT_EQ(chart.ValueToY(t, mid),
            p.Top + static_cast<int>((t.GetTopValue() - mid) * ((p.Height() - chart.DataWidth) / t.GetFullScale()) + 0.5));
  EXPECT_EQ(chart.ValueToYUnclamped(t, t.GetTopValue() + t.GetFullScale()),
            p.Top + static_cast<int>(-(p.Height() - chart.DataWidth) + 0.5) + chart.DataWidth / 4);
}

// The x positions of the grid's vertical lines inside the plot.
std::set<int> StimulusLines(ChartRig& rig) {
  std::set<int> xs;
  for (const Call& c : LinesOf(*rig.canvas, rig.look.GetGridColor()))
    if (IsVertical(c) && c.points[0].y() == rig.chart->PlotRect.Bottom && c.points[1].y() == rig.chart->PlotRect.Top)
      xs.insert(c.points[0].x());
  return xs;
}

TEST(ChartAxes, LinearSweepGetsLinesAtInnerMultiplesOfTheStep) {
  ChartRig rig;
  rig.Paint();
  const ui::Rect& p = rig.chart->PlotRect;
  std::set<int> want;
  for (int f = 200; f <= 1000; f += 100) want.insert(p.Left + static_cast<int>((f - 100) * p.Width() / 1000.0 + 0.5));
  EXPECT_EQ(StimulusLines(rig), want);
}

TEST(ChartAxes, LogSweepGetsLinesAtEveryDigitOfEachDecade) {
  ChartRig rig;
  ApplySweep(rig, 1, 201, 150, 4000);
  rig.Paint();
  const ui::Rect& p = rig.chart->PlotRect;
  const double b = p.Width() / std::log10(4000.0 / 150.0);
  std::set<int> want;
  for (double f : {200, 300, 400, 500, 600, 700, 800, 900, 1000, 2000, 3000})
    want.insert(p.Left + static_cast<int>(std::log10(f / 150.0) * b + 0.5));
  EXPECT_EQ(StimulusLines(rig), want);
}

TEST(ChartAxes, DivisionLinesAndResponseLabels) {
  ChartRig rig;
  rig.Paint();
  const ui::Rect& p = rig.chart->PlotRect;
  std::vector<int> rows;
  for (const Call& c : LinesOf(*rig.canvas, rig.look.GetGridColor()))
    if (IsHorizontal(c) && c.points[0].x() == p.Left && c.points[1].x() == p.Right) rows.push_back(c.points[0].y());
  std::vector<int> want;
  for (int i = 1; i < 10; ++i) want.push_back(i * p.Height() / 10 + p.Top);
  EXPECT_EQ(rows, want);

  std::vector<Call> labels;
  for (const Call& c : rig.Texts())
    if (c.points[0].x() == p.Left + 1) labels.push_back(c);
  ASSERT_EQ(labels.size(), 11u);
  const TMeasurement& t = rig.Trace();
  EXPECT_EQ(labels.front().points[0].y(), p.Top + 1);
  EXPECT_EQ(labels.back().points[0].y(), p.Bottom - 13);
  EXPECT_EQ(labels.front().text, FormatFloat("###0.0##", t.GetTopValue()));
  EXPECT_EQ(labels.back().text, FormatFloat("###0.0##", t.GetTopValue() - 10 * t.GetScaleDiv()));
  EXPECT_EQ(labels.front().brush.Style, ui::BrushStyle::Solid);
  int widest = 0;
  for (const Call& c : labels) widest = std::max(widest, 7 * static_cast<int>(c.text.size()));
  EXPECT_EQ(rig.chart->ScaleLabelWidth, widest + 1);
}

TEST(ChartAxes, GridFollowsTheFirstRectangularTrace) {
  ChartRig rig;
  rig.Trace().SetFormat(8);                // trace 1: Smith
  rig.view.list.AddMeasurement(0, 16);     // trace 2: rectangular, active
  rig.view.list.AddMeasurement(0, 16);     // trace 3: rectangular
  rig.Paint();
  int rows = 0;
  const ui::Rect& p = rig.chart->PlotRect;
  for (const Call& c : LinesOf(*rig.canvas, rig.look.GetGridColor()))
    if (IsHorizontal(c) && c.points[0].x() == p.Left && c.points[1].x() == p.Right) ++rows;
  EXPECT_EQ(rows, 9) << "the rectangular grid is drawn once";
}

TEST(ChartAxes, ZeroSpanAndLogFromZeroGetNoStimulusLines) {
  {
    ChartRig rig;
    ApplySweep(rig, 0, 201, 500, 500);
    rig.Paint();
    EXPECT_TRUE(StimulusLines(rig).empty());
  }
  {
    ChartRig rig;
    ApplySweep(rig, 1, 201, 150, 4000);
    // A channel whose first point lies at 0 MHz (no model knows one, a hostile file might).
    rig.view.range->GetPoint(0)->Frequency = 0.0;
    rig.Paint();
    EXPECT_TRUE(StimulusLines(rig).empty());
  }
}

TEST(ChartAxes, ClippedCircleInsideTheSquareIsAWholeCircle) {
  ChartRig rig;
  ui::RecordingCanvas canvas(451, 304, 12, 7);
  rig.chart->BeginLayers(canvas);
  rig.chart->DrawClippedCircle(200, 150, 10, 200, 150, 100);
  rig.chart->DrawClippedCircle(200, 150, 100, 200, 150, 100);  // the plot circle itself: nothing
  rig.chart->DrawClippedCircle(500, 150, 10, 200, 150, 100);   // outside: nothing
  rig.chart->EndLayers();
  const auto arcs = canvas.CallsOf(Op::Arc);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0].rect, ui::Rect(190, 140, 211, 161));
  EXPECT_DOUBLE_EQ(arcs[0].spanDeg, 360);
}

TEST(ChartAxes, ClippedCircleCrossingTheClipDrawsTheInnerArc) {
  ChartRig rig;
  ui::RecordingCanvas canvas(451, 304, 12, 7);
  rig.chart->BeginLayers(canvas);
  // The +j1 reactance circle of a unit Smith chart: centre (cx + R, cy - R), radius R.
  rig.chart->DrawClippedCircle(300, 50, 100, 200, 150, 100);
  rig.chart->EndLayers();
  const auto arcs = canvas.CallsOf(Op::Arc);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0].rect, ui::Rect(200, -50, 401, 151));
  // A quarter from the left (180 degrees) counter-clockwise to the bottom (270 degrees).
  EXPECT_NEAR(arcs[0].startDeg, 180, 1);
  EXPECT_NEAR(arcs[0].spanDeg, 90, 1);
}

TEST(ChartAxes, HugeClippedCircleBecomesItsChord) {
  ChartRig rig;
  ui::RecordingCanvas canvas(451, 304, 12, 7);
  rig.chart->BeginLayers(canvas);
  rig.chart->DrawClippedCircle(200 + 40000, 150, 40000 - 10, 200, 150, 100);
  rig.chart->EndLayers();
  EXPECT_TRUE(canvas.CallsOf(Op::Arc).empty());
  const auto lines = canvas.CallsOf(Op::Polyline);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(lines[0].points[0].x(), 211, 2);
  EXPECT_NEAR(lines[0].points[1].x(), 211, 2);
}

TEST(ChartAxes, ClippedLineKeepsThePartInsideTheCircle) {
  struct Case {
    int x1, y1, x2, y2;
    bool drawn;
    int ya, yb;
  };
  const Case cases[] = {
      {200, 100, 200, 200, true, 100, 200},  // both inside
      {200, 0, 200, 300, true, 50, 250},     // through: cut at both crossings
      {200, 150, 200, 300, true, 150, 250},  // from inside out
      {200, 0, 200, 40, false, 0, 0},        // outside, short of the circle
      {350, 0, 350, 300, false, 0, 0},       // misses the circle
  };
  for (const Case& c : cases) {
    ChartRig rig;
    ui::RecordingCanvas canvas(451, 304, 12, 7);
    rig.chart->BeginLayers(canvas);
    rig.chart->DrawClippedLine(c.x1, c.y1, c.x2, c.y2, 200, 150, 100);
    rig.chart->EndLayers();
    const auto lines = canvas.CallsOf(Op::Polyline);
    ASSERT_EQ(lines.size(), c.drawn ? 1u : 0u) << c.y1 << ".." << c.y2;
    if (!c.drawn) continue;
    const int lo = std::min(lines[0].points[0].y(), lines[0].points[1].y());
    const int hi = std::max(lines[0].points[0].y(), lines[0].points[1].y());
    EXPECT_EQ(lo, c.ya);
    EXPECT_EQ(hi, c.yb);
  }
}

}  // namespace
