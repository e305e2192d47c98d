// The line primitives and the trace layers on the recording canvas: thickness kinds, nested
// rectangles, text boxes, the data trace (zero span, one point, no point), the trace number and
// reference marks, memories, limit and ripple lines with their ticks and fail marks, and the
// pass/fail sign over several traces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/Utils.h"
#include "tests/display/ChartPlaneSupport.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/RippleLine.h"
#include "traces/TraceCodes.h"

namespace {

using chartplane::AddLimitSegment;
using chartplane::ApplySweep;
using chartplane::Call;
using chartplane::ChartRig;
using chartplane::LinesOf;
using chartplane::Op;

std::vector<Call> PolylinesOf(const ui::RecordingCanvas& canvas, ui::TColor color) {
  std::vector<Call> out;
  for (const Call& c : canvas.CallsOf(Op::Polyline))
    if (c.pen.Color == color) out.push_back(c);
  return out;
}

TEST(TraceDrawing, ThicknessKindsAreShiftedCopies) {
  struct Case {
    int kind;
    std::set<std::pair<int, int>> offsets;
  };
  const Case cases[] = {
      {0, {}},
      {1, {{0, 0}}},
      {2, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
      {3, {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}}},
      {4, {{-1, -1}, {0, -1}, {1, -1}, {2, -1}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {-1, 2}, {-1, 1}, {-1, 0}}},
      {5, {}},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    ui::RecordingCanvas canvas(451, 304, 12, 7);
    rig.chart->BeginLayers(canvas);
    canvas.SetPenWidth(3);
    rig.chart->DrawLine(c.kind, 100, 100, 200, 150);
    rig.chart->Points.assign({ui::Point(10, 10), ui::Point(20, 30), ui::Point(40, 20)});
    rig.chart->DrawPolyline(c.kind, 2);
    rig.chart->DrawArc(c.kind, 0, 0, 50, 50, 0, 25, 0, 25);
    rig.chart->EndLayers();

    std::set<std::pair<int, int>> lines, polylines;
    for (const Call& call : canvas.CallsOf(Op::Polyline)) {
      EXPECT_EQ(call.pen.Width, 1) << "copies are drawn with a 1-pixel pen";
      if (call.points.size() == 2) lines.insert({call.points[0].x() - 100, call.points[0].y() - 100});
      if (call.points.size() == 3) {
        polylines.insert({call.points[0].x() - 10, call.points[0].y() - 10});
        EXPECT_EQ(call.points[2].x() - call.points[0].x(), 30);
      }
    }
    std::set<std::pair<int, int>> arcs;
    for (const Call& call : canvas.CallsOf(Op::Arc)) arcs.insert({call.rect.Left, call.rect.Top});
    EXPECT_EQ(lines, c.offsets) << "kind " << c.kind;
    EXPECT_EQ(polylines, c.offsets) << "kind " << c.kind;
    EXPECT_EQ(arcs, c.offsets) << "kind " << c.kind;
    EXPECT_EQ(canvas.CallsOf(Op::Polyline).size(), 2 * c.offsets.size());
    EXPECT_EQ(canvas.GetPen().Width, 3) << "the pen width is put back";
  }
}

TEST(TraceDrawing, RectanglesAreNested) {
  struct Case {
    int kind;
    std::vector<int> insets;
  };
  const Case cases[] = {{0, {}}, {1, {0}}, {2, {0, 1}}, {3, {-1, 0, 1}}, {4, {-1, 0, 1, 2}}, {5, {}}};
  for (const Case& c : cases) {
    ChartRig rig;
    ui::RecordingCanvas canvas(451, 304, 12, 7);
    rig.chart->BeginLayers(canvas);
    canvas.SetBrushStyle(ui::BrushStyle::Solid);
    rig.chart->DrawRect(c.kind, 100, 100, 120, 130);
    EXPECT_EQ(canvas.GetBrush().Style, ui::BrushStyle::Clear) << "left clear";
    rig.chart->EndLayers();
    const auto rects = canvas.CallsOf(Op::Rectangle);
    ASSERT_EQ(rects.size(), c.insets.size()) << c.kind;
    for (size_t i = 0; i < rects.size(); ++i) {
      const int d = c.insets[i];
      EXPECT_EQ(rects[i].rect, ui::Rect(100 + d, 100 + d, 120 - d, 130 - d)) << c.kind;
      EXPECT_EQ(rects[i].brush.Style, ui::BrushStyle::Clear);
    }
  }
}

TEST(TraceDrawing, TextBoxSitsInItsRow) {
  ChartRig rig;
  ui::RecordingCanvas canvas(451, 304, 12, 7);
  rig.chart->BeginLayers(canvas);
  const ui::Rect box = rig.chart->DrawTextBox(40, 50, false, "Log Mag");
  rig.chart->EndLayers();
  EXPECT_EQ(box, ui::Rect(40, 50, 40 + 7 * 7, 50 + 13));
  const auto texts = canvas.CallsOf(Op::Text);
  ASSERT_EQ(texts.size(), 1u);
  // (13 - 12) / 2 is 0; at least one pixel down.
  EXPECT_EQ(texts[0].points[0], ui::Point(40, 51));
}

TEST(TraceDrawing, TraceIsOnePolylineOfItsPoints) {
  ChartRig rig;
  rig.LoadData([](double f) { return Polar(0.5, f / 100); });
  ui::RecordingCanvas& canvas = rig.Paint();
  const auto lines = PolylinesOf(canvas, rig.look.GetMainColor(0));
  ASSERT_FALSE(lines.empty());
  const Call& trace = lines.front();
  ASSERT_EQ(trace.points.size(), 201u);
  EXPECT_EQ(trace.points.front().x(), rig.chart->PlotRect.Left);
  EXPECT_EQ(trace.points.back().x(), rig.chart->PlotRect.Right);
  for (int j = 0; j < 201; j += 25) EXPECT_EQ(trace.points[static_cast<size_t>(j)], rig.chart->TracePoint(rig.Trace(), j));
}

TEST(TraceDrawing, ZeroSpanSpreadsThePointsEvenly) {
  ChartRig rig;
  ApplySweep(rig, 0, 201, 500, 500);
  ASSERT_EQ(rig.Trace().GetPointStimulus(0), rig.Trace().GetPointStimulus(200));
  ui::RecordingCanvas& canvas = rig.Paint();
  const auto lines = PolylinesOf(canvas, rig.look.GetMainColor(0));
  ASSERT_FALSE(lines.empty());
  const ui::Rect& p = rig.chart->PlotRect;
  ASSERT_EQ(lines.front().points.size(), 201u);
  for (int j : {0, 1, 77, 100, 200}) {
    EXPECT_EQ(lines.front().points[static_cast<size_t>(j)].x(), static_cast<int>(p.Width() * j / 200.0 + p.Left)) << j;
  }
}

TEST(TraceDrawing, OnePointIsAHorizontalLineAndNoPointNone) {
  for (int format : {16, 8}) {
    ChartRig rig;
    rig.Trace().SetFormat(format);
    rig.LoadData([](double) { return TComplex{0.2, 0.1}; });
    rig.Trace().SmoothedData.resize(1);
    ui::RecordingCanvas& canvas = rig.Paint();
    const auto lines = PolylinesOf(canvas, rig.look.GetMainColor(0));
    ASSERT_FALSE(lines.empty()) << format;
    const ui::Rect& p = rig.chart->PlotRect;
    const int y0 = rig.chart->ValueToY(rig.Trace(), rig.Trace().GetDisplayValue(0));
    EXPECT_EQ(lines.front().points, (std::vector<ui::Point>{ui::Point(p.Left, y0), ui::Point(p.Right, y0)})) << format;
  }
  ChartRig rig;
  rig.Trace().SmoothedData.clear();
  ui::RecordingCanvas& canvas = rig.Paint();
  for (const Call& c : PolylinesOf(canvas, rig.look.GetMainColor(0))) EXPECT_EQ(c.points.size(), 2u) << "marks only";
  const Call* number = rig.FindText("1");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->points[0], ui::Point(rig.chart->PlotRect.Right + 8, rig.chart->PlotRect.Top));
}

TEST(TraceDrawing, TraceNumberAndReferenceMarks) {
  ChartRig rig;
  rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
  rig.view.list.AddMeasurement(0, 16);
  rig.view.list.SetActive(0);
  rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
  ui::RecordingCanvas& canvas = rig.Paint();
  const ui::Rect& p = rig.chart->PlotRect;
  const int h = rig.chart->LineHeight;
  const TMeasurement& t = rig.Trace(0);
  const int lastY = rig.chart->TracePoint(t, 200).y();

  // Trace 1 is active: its number is inverted.
  const Call* one = rig.FindText("1");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->points[0], ui::Point(p.Right + 8, lastY - h / 2));
  EXPECT_EQ(one->font.Color, rig.look.GetUndegroundColor());
  EXPECT_EQ(one->brush.Color, rig.look.GetMainColor(0));
  const Call* two = rig.FindText("2");
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->font.Color, rig.look.GetMainColor(1));
  EXPECT_EQ(two->brush.Color, rig.look.GetUndegroundColor());

  const int y = p.Top + t.GetRefPosition() * p.Height() / 10;
  const int a = h / 2;
  EXPECT_EQ(t.TitleHotAreas[5].Rect, (TScreenRect{p.Left - 2 - a, y - a, p.Left - 2, y + a}));
  EXPECT_EQ(t.TitleHotAreas[6].Rect, (TScreenRect{p.Right + 1, y - a, p.Right + 1 + a, y + a}));
  int tips = 0;
  for (const Call& c : LinesOf(canvas, rig.look.GetMainColor(0))) {
    if (c.points[0] == ui::Point(p.Left - 2, y) || c.points[1] == ui::Point(p.Left - 2, y)) ++tips;
    if (c.points[0] == ui::Point(p.Right + 1, y) || c.points[1] == ui::Point(p.Right + 1, y)) ++tips;
  }
  EXPECT_EQ(tips, 4) << "two lines of each triangle meet at its tip";
}

TEST(TraceDrawing, CircularTraceNumberFollowsTheTraceIndex) {
  ChartRig rig;
  rig.view.list.AddMeasurement(0, 8);
  rig.Paint();
  const Call* two = rig.FindText("2");
  ASSERT_NE(two, nullptr);
  const int h = rig.chart->LineHeight;
  EXPECT_EQ(two->points[0].y(), rig.chart->PlotRect.Top + h * 1 - h / 2);
}

TEST(TraceDrawing, MemoryDrawnOnlyWhenCompatible) {
  ChartRig rig;
  rig.LoadData([](double f) { return Polar(0.3, f / 50); });
  ASSERT_TRUE(rig.Trace().Memories->StoreData());
  const ui::TColor memory = FadeColor(rig.look.GetAuxColor(0), 0);
  {
    ui::RecordingCanvas& canvas = rig.Paint();
    const auto lines = PolylinesOf(canvas, memory);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.size(), 201u);
  }
  // A memory of another measured parameter is refused.
  rig.Trace().SetMeasMode(tracecodes::AbsA);
  ASSERT_FALSE(rig.Trace().Memories->GetMemory(0)->IsCompatible());
  ui::RecordingCanvas& canvas = rig.Paint();
  EXPECT_TRUE(PolylinesOf(canvas, memory).empty()) << "refused memory not drawn";
}

// The aux-coloured lines of a paint: limit and ripple lines with their ticks.
std::vector<Call> AuxLines(ChartRig& rig) { return LinesOf(*rig.canvas, rig.look.GetAuxColor(0)); }

TEST(TraceDrawing, LimitSegmentsClippedToTheSweep) {
  struct Case {
    const char* name;
    double beg, end;
    bool drawn;
    bool startsAtLeft;
  };
  const Case cases[] = {
      {"inside", 300, 700, true, false},
      {"overlapping the start", 0, 600, true, true},
      {"before the sweep", 0, 50, false, false},
      {"after the sweep", 1200, 1500, false, false},
      {"equal ends", 500, 500, false, false},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
    TMeasurement& t = rig.Trace();
    const double v = t.GetTopValue() - t.GetFullScale() / 2;
    AddLimitSegment(*t.LimitLine, c.beg, c.end, v, v, TLimitLine::kLimitUpper);
    t.SetShowLimit(true);
    t.SetLimitTest(true);
    rig.Paint();
    const auto lines = AuxLines(rig);
    if (!c.drawn) {
      EXPECT_TRUE(lines.empty()) << c.name;
      continue;
    }
    ASSERT_FALSE(lines.empty()) << c.name;
    const Call& line = lines.front();
    const int xa = rig.chart->StimulusToX(t, std::max(c.beg, 100.0));
    const int xb = rig.chart->StimulusToX(t, c.end);
    EXPECT_EQ(line.points[0].x(), xa) << c.name;
    EXPECT_EQ(line.points[1].x(), xb) << c.name;
    if (c.startsAtLeft) {
      EXPECT_EQ(xa, rig.chart->PlotRect.Left);
    }
    EXPECT_EQ(line.points[0].y(), rig.chart->ValueToY(t, v)) << c.name;
  }
}

TEST(TraceDrawing, LimitTicksPointToTheFailingSide) {
  for (int type : {TLimitLine::kLimitLower, TLimitLine::kLimitUpper}) {
    ChartRig rig;
    rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
    TMeasurement& t = rig.Trace();
    const double v = t.GetTopValue() - t.GetFullScale() / 2;
    AddLimitSegment(*t.LimitLine, 300, 700, v, v, type);
    t.SetShowLimit(true);
    t.SetLimitTest(true);
    rig.Paint();
    const auto lines = AuxLines(rig);
    ASSERT_GT(lines.size(), 2u);
    const int d = rig.chart->CharWidth - 1;
    const int y = lines.front().points[0].y();
    const int span = lines.front().points[1].x() - lines.front().points[0].x();
    EXPECT_EQ(static_cast<int>(lines.size()) - 1, span / d + 1) << "one tick every " << d << " pixels";
    for (size_t i = 1; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].points[0].y(), y);
      EXPECT_EQ(lines[i].points[1].y(), type == TLimitLine::kLimitLower ? y + d : y - d) << type;
    }
  }
}

TEST(TraceDrawing, TicksOfASteepLimitStayAlongTheLine) {
  ChartRig rig;
  rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
  TMeasurement& t = rig.Trace();
  AddLimitSegment(*t.LimitLine, 100, 1100, -1e300, 1e300, TLimitLine::kLimitLower);
  t.SetShowLimit(true);
  t.SetLimitTest(true);
  rig.Paint();
  const auto lines = AuxLines(rig);
  ASSERT_GT(lines.size(), 10u);
  const ui::Rect& p = rig.chart->PlotRect;
  const int d = rig.chart->CharWidth - 1;
  for (const Call& c : lines) {
    for (const ui::Point& q : c.points) {
      EXPECT_GE(q.y(), p.Top - 1 - d);
      EXPECT_LE(q.y(), p.Bottom + 1 + d);
    }
  }
}

TEST(TraceDrawing, LimitLeavingThePlotKeepsItsSlope) {
  ChartRig rig;
  rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
  TMeasurement& t = rig.Trace();
  const double top = t.GetTopValue();
  const double fs = t.GetFullScale();
  // From the middle at 100 MHz to a full scale above the top at 1100 MHz.
  AddLimitSegment(*t.LimitLine, 100, 1100, top - fs / 2, top + fs, TLimitLine::kLimitUpper);
  t.SetShowLimit(true);
  t.SetLimitTest(true);
  rig.Paint();
  const auto lines = AuxLines(rig);
  ASSERT_FALSE(lines.empty());
  const ui::Rect& p = rig.chart->PlotRect;
  const Call& line = lines.front();
  EXPECT_EQ(line.points[1].y(), p.Top - 1);
  // The line rises 1.5 plot heights over the plot width; it leaves the top after a third.
  EXPECT_NEAR(line.points[1].x(), p.Left + p.Width() / 3.0, 3);
}

TEST(TraceDrawing, FailMarksWithoutTheLineAndInCircularFormats) {
  for (int format : {16, 8}) {
    ChartRig rig;
    rig.Trace().SetFormat(format);
    rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
    TMeasurement& t = rig.Trace();
    const double v = t.GetDisplayValue(0);
    // An upper limit below the trace from 300 to 400 MHz: a failing run.
    AddLimitSegment(*t.LimitLine, 300, 400, v - 1, v - 1, TLimitLine::kLimitUpper);
    t.SetShowLimit(format == 8);
    t.SetLimitTest(true);
    ASSERT_FALSE(t.LimitLine->IsPassed());
    ui::RecordingCanvas& canvas = rig.Paint();
    EXPECT_TRUE(AuxLines(rig).empty()) << "no limit line: " << (format == 8 ? "circular" : "ShowLimit off");
    int marks = 0;
    for (const Call& c : canvas.CallsOf(Op::Rectangle))
      if (c.pen.Color == rig.look.GetLimitColor()) ++marks;
    int failing = 0;
    for (const TLimitFailRun& run : t.LimitLine->GetFailRuns()) failing += run.Last - run.First + 1;
    int ends = 0;
    for (const TLimitFailBound& b : t.LimitLine->GetFailBounds()) ends += (b.BegFailed ? 1 : 0) + (b.EndFailed ? 1 : 0);
    EXPECT_GT(failing, 0);
    EXPECT_EQ(marks, failing + ends) << format;
  }
}

TEST(TraceDrawing, FailMarkIsASquareAroundThePoint) {
  ChartRig rig;
  rig.look.DataWidth = 2;
  ui::RecordingCanvas canvas(451, 304, 12, 7);
  rig.chart->BeginLayers(canvas);
  rig.chart->FailMark(100, 80);
  rig.chart->EndLayers();
  const auto rects = canvas.CallsOf(Op::Rectangle);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].rect, ui::Rect(98, 78, 104, 84));
  EXPECT_EQ(rects[0].pen.Color, rig.look.GetLimitColor());
}

TEST(TraceDrawing, TickLoopsEndWithAOnePixelFont) {
  ChartRig rig;
  rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
  TMeasurement& t = rig.Trace();
  const double v = t.GetTopValue() - t.GetFullScale() / 2;
  AddLimitSegment(*t.LimitLine, 100, 1100, v, v - 1000 * t.GetFullScale(), TLimitLine::kLimitLower);
  t.SetShowLimit(true);
  t.SetLimitTest(true);
  t.RippleLine->InsertSegment(0);
  t.RippleLine->SetBegArgument(0, 100);
  t.RippleLine->SetEndArgument(0, 1100);
  t.RippleLine->SetRippleType(0, 1);
  t.RippleLine->SetRippleLimit(0, 1);
  t.SetShowRippleLimit(true);
  t.SetRippleTest(true);
  ui::RecordingCanvas canvas(451, 304, 1, 1);
  rig.chart->Paint(canvas);
  const ui::Rect& p = rig.chart->PlotRect;
  const size_t bound = static_cast<size_t>(p.Width() + p.Height() + 2);
  EXPECT_LE(LinesOf(canvas, rig.look.GetAuxColor(0)).size(), 2 + 3 * bound);
}

TEST(TraceDrawing, RippleBandWithTicksAwayFromIt) {
  ChartRig rig;
  rig.LoadData([](double f) { return TComplex{0.1 + 0.01 * std::sin(f / 40), 0.0}; });
  TMeasurement& t = rig.Trace();
  TRippleLine& line = *t.RippleLine;
  line.InsertSegment(0);
  line.SetBegArgument(0, 300);
  line.SetEndArgument(0, 700);
  line.SetRippleType(0, 1);
  line.SetRippleLimit(0, 4);
  t.SetShowRippleLimit(true);
  t.SetRippleTest(true);
  rig.Paint();
  const auto lines = AuxLines(rig);
  ASSERT_GE(lines.size(), 4u);
  const int xa = rig.chart->StimulusToX(t, 300);
  const int xb = rig.chart->StimulusToX(t, 700);
  const int yu = rig.chart->ValueToY(t, line.GetMean(0) + 2);
  const int yl = rig.chart->ValueToY(t, line.GetMean(0) - 2);
  EXPECT_EQ(lines[0].points, (std::vector<ui::Point>{ui::Point(xa, yu), ui::Point(xb, yu)}));
  EXPECT_EQ(lines[1].points, (std::vector<ui::Point>{ui::Point(xa, yl), ui::Point(xb, yl)}));
  const int d = rig.chart->CharWidth - 1;
  EXPECT_EQ(lines[2].points, (std::vector<ui::Point>{ui::Point(xa, yu), ui::Point(xa, yu - d)}));
  EXPECT_EQ(lines[3].points, (std::vector<ui::Point>{ui::Point(xa, yl), ui::Point(xa, yl + d)}));
  EXPECT_EQ(lines.size(), 2 + 2 * static_cast<size_t>((xb - xa) / d + 1));
}

TEST(TraceDrawing, SignFailsWhenAnyTestedTraceFails) {
  struct Case {
    const char* name;
    bool failingSign;  // sign switch of the failing trace
    bool passingSign;  // sign switch of the passing trace
    const char* text;  // "" for no sign
  };
  const Case cases[] = {
      {"both switches", true, true, "Fail"},
      {"only the passing trace's switch", false, true, "Fail"},
      {"no switch", false, false, ""},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.view.list.AddMeasurement(0, 16);
    rig.view.list.SetActive(0);
    rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
    TMeasurement& failing = rig.Trace(0);
    TMeasurement& passing = rig.Trace(1);
    const double v = failing.GetDisplayValue(0);
    AddLimitSegment(*failing.LimitLine, 100, 1100, v - 1, v - 1, TLimitLine::kLimitUpper);
    failing.SetLimitTest(true);
    failing.SetShowFailSign(c.failingSign);
    AddLimitSegment(*passing.LimitLine, 100, 1100, v + 1, v + 1, TLimitLine::kLimitUpper);
    passing.SetLimitTest(true);
    passing.SetShowFailSign(c.passingSign);
    rig.Paint();
    const Call* fail = rig.FindText("Fail");
    const Call* pass = rig.FindText("Pass");
    EXPECT_EQ(pass, nullptr) << c.name;
    if (std::string(c.text).empty()) {
      EXPECT_EQ(fail, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(fail, nullptr) << c.name;
    EXPECT_EQ(fail->font.Size, 4 * rig.look.GetFontSize());
    EXPECT_EQ(fail->font.Color, rig.look.GetLimitColor());
    const ui::Rect& p = rig.chart->PlotRect;
    EXPECT_EQ(fail->points[0], ui::Point((p.Left + p.Right - 4 * 7) / 2, (p.Top + p.Bottom - 12) / 2));
  }
}

// ---- Values that are no number -------------------------------------------------------------

// A trace at -20 dB whose point 100 of 201 (600 MHz) holds the given S11.
void LoadWithOneBadPoint(ChartRig& rig, const TComplex& bad) {
  rig.LoadData([](double) { return TComplex{0.1, 0.0}; });
  rig.view.range->SetPointData(0, 100, bad);
  rig.Trace().Recalculate();
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(ChartNonFiniteGap, TheLineBreaksAtTheBadPointInEveryFormat) {
  struct Case {
    const char* name;
    int format;
    TComplex bad;
    int dataWidth;
  };
  const Case cases[] = {
      {"NaN, rectangular", 0, {kNaN, kNaN}, 1},
      {"NaN real part, rectangular, thick line", 0, {kNaN, 0.0}, 3},
      {"NaN, Smith", 8, {kNaN, 0.0}, 1},
      {"NaN imaginary part, polar", 13, {0.1, kNaN}, 2},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.look.DataWidth = c.dataWidth;
    rig.Trace().SetFormat(c.format);
    LoadWithOneBadPoint(rig, c.bad);
    ASSERT_EQ(rig.Trace().GetPointCount(), 201) << c.name;
    ASSERT_FALSE(rig.chart->HasPointValue(rig.Trace(), 100)) << c.name;
    ASSERT_TRUE(rig.chart->HasPointValue(rig.Trace(), 99)) << c.name;
    ui::RecordingCanvas& canvas = rig.Paint();
    const ui::Point before = rig.chart->TracePoint(rig.Trace(), 99);
    const ui::Point after = rig.chart->TracePoint(rig.Trace(), 101);
    // Every copy of the line is two polylines: points 0..99 and 101..200, nothing in between.
    std::vector<Call> runs;
    for (const Call& line : PolylinesOf(canvas, rig.look.GetMainColor(0)))
      if (line.points.size() > 2) runs.push_back(line);
    const size_t copies = c.dataWidth == 1 ? 1 : (c.dataWidth == 2 ? 4 : 8);
    ASSERT_EQ(runs.size(), 2 * copies) << c.name;
    // The copies of the run before the gap come first.
    for (size_t i = 0; i < runs.size(); ++i) {
      ASSERT_EQ(runs[i].points.size(), 100u) << c.name;
      const bool first = i < copies;
      const ui::Point shift = runs[i].points.front() - rig.chart->TracePoint(rig.Trace(), first ? 0 : 101);
      EXPECT_LE(std::abs(shift.x()) + std::abs(shift.y()), 4) << c.name;
      if (first) {
        EXPECT_EQ(runs[i].points.back() - shift, before) << c.name;
      } else {
        EXPECT_EQ(runs[i].points.front() - shift, after) << c.name;
      }
    }
  }
}

// An infinite value has a direction: it stays on the line, at the edge it lies beyond, as every
// value off the scale does.
TEST(ChartNonFiniteGap, AnInfiniteValueStaysOnTheLineAtThePlotsEdge) {
  ChartRig rig;
  LoadWithOneBadPoint(rig, TComplex{kInf, 0.0});
  ASSERT_EQ(rig.Trace().GetDisplayValue(100), kInf);
  ui::RecordingCanvas& canvas = rig.Paint();
  std::vector<Call> lines;
  for (const Call& line : PolylinesOf(canvas, rig.look.GetMainColor(0)))
    if (line.points.size() > 2) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].points.size(), 201u);
  EXPECT_EQ(lines[0].points[100].y(), rig.chart->PlotRect.Top - 1);
}

TEST(ChartNonFiniteGap, NoPixelOfTheTraceOrItsMemoryAboveTheNeighbours) {
  ChartRig rig;
  rig.look.DataWidth = 2;
  LoadWithOneBadPoint(rig, TComplex{kNaN, kNaN});
  // The memory holds the same bad point.
  ASSERT_TRUE(rig.Trace().Memories->StoreData());
  chartplane::Picture picture(rig, "chart_non_finite_gap");
  const ui::Rect& p = rig.chart->PlotRect;
  const int level = rig.chart->TracePoint(rig.Trace(), 99).y();
  ASSERT_GT(level, p.Top + 20) << "the neighbours lie well below the top";
  const ui::TColor trace = rig.look.GetMainColor(0);
  const ui::TColor memory = FadeColor(rig.look.GetAuxColor(0), 0);
  // The line itself is there on both sides of the gap.
  EXPECT_TRUE(picture.Near(rig.chart->TracePoint(rig.Trace(), 50).x(), level, trace));
  EXPECT_TRUE(picture.Near(rig.chart->TracePoint(rig.Trace(), 150).x(), level, trace));
  // Above the neighbours' level, from one pixel above the plot: nothing of either colour.
  const ui::Rect above(p.Left, p.Top - 1, p.Right, level - 1);
  EXPECT_EQ(picture.Count(above, trace), 0);
  EXPECT_EQ(picture.Count(above, memory), 0);
}

TEST(ChartNonFiniteGap, ABadPointGetsNoFailMarkButTheTestStillFails) {
  ChartRig rig;
  LoadWithOneBadPoint(rig, TComplex{kNaN, kNaN});
  TMeasurement& t = rig.Trace();
  const double v = t.GetDisplayValue(0);
  // An upper limit that every point with a value keeps.
  AddLimitSegment(*t.LimitLine, 300, 900, v + 10, v + 10, TLimitLine::kLimitUpper);
  t.SetLimitTest(true);
  t.SetShowFailSign(true);
  ASSERT_FALSE(t.LimitLine->IsPassed()) << "a point without a value fails the test";
  ui::RecordingCanvas& canvas = rig.Paint();
  for (const Call& c : canvas.CallsOf(Op::Rectangle))
    EXPECT_NE(c.pen.Color, rig.look.GetLimitColor()) << "a mark at " << c.rect.Left << "," << c.rect.Top;
  EXPECT_NE(rig.FindText("Fail"), nullptr);
}

}  // namespace
