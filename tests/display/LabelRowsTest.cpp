// The texts around the plot: the bottom row's middle items and their hot areas, the caption,
// the title rows with their boxes and status words, the stimulus numbers of linear and
// logarithmic sweeps, the sweep-position mark and the frequency-offset rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "display/ChartText.h"
#include "instrument/ScannerModule.h"
#include "model/ITranslation.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/Segment.h"
#include "tests/display/ChartLabelRig.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MemoryList.h"
#include "traces/TraceCodes.h"

namespace {

using chartlabels::ChartRig;
using Call = ui::RecordingCanvas::Call;

// Sets the run-mode switches for one test and clears them after it.
struct RunModeScope {
  explicit RunModeScope(const char* text) { SetRunModeFromText(text); }
  ~RunModeScope() { ResetRunMode(); }
};

void ApplySweep(ChartRig& rig, int mode, int points, double start, double stop) {
  TRangeSettings settings;
  TSegments segments;
  rig.view.range->GetSettings(settings, segments);
  settings.SweepMode = mode;
  settings.NPoints = points;
  settings.MinFrequency = start;
  settings.MaxFrequency = stop;
  rig.view.range->ApplySettings(segments, settings);
  for (int i = 0; i < rig.view.list.GetCount(); ++i) rig.view.list.GetMeasurement(i)->ResizeToChannel();
  rig.Trace().Recalculate();
}

// Texts written on the stimulus row, left to right.
std::vector<Call> RowTexts(ChartRig& rig) {
  std::vector<Call> out;
  for (const Call& c : rig.Texts())
    if (c.points[0].y() == rig.chart->StimulusRowRect.Top) out.push_back(c);
  std::sort(out.begin(), out.end(), [](const Call& a, const Call& b) { return a.points[0].x() < b.points[0].x(); });
  return out;
}

std::vector<std::string> TextsOf(const std::vector<Call>& calls) {
  std::vector<std::string> out;
  for (const Call& c : calls) out.push_back(c.text);
  return out;
}

TEST(LabelRows, LayoutOfTheFixtureIsTheDocumentedOne) {
  ChartRig rig;
  rig.Paint();
  EXPECT_EQ(rig.chart->PlotRect, ui::Rect(13, 18, 431, 273));
  EXPECT_EQ(rig.chart->StimulusRowRect, ui::Rect(13, 274, 431, 286));
  EXPECT_EQ(rig.chart->StimFirstName, "Start");
  EXPECT_EQ(rig.chart->StimFirstValue, "100 MHz");
  EXPECT_EQ(rig.chart->StimSecondValue, "1.1 GHz");
  EXPECT_EQ(rig.chart->PointsText, "201");
  EXPECT_EQ(rig.chart->IfbwText, "10 kHz");
  EXPECT_EQ(rig.chart->PowerLevelText, "High");
  // The bottom row's boxes: y = 304 - 13; "Stop" stands one character left of its value.
  const auto& a = rig.chart->LabelHotAreas;
  EXPECT_EQ(a[2].Rect, (TScreenRect{13, 291, 48, 304}));
  EXPECT_EQ(a[3].Rect, (TScreenRect{55, 291, 104, 304}));
  EXPECT_EQ(a[9].Rect, (TScreenRect{382, 291, 431, 304}));
  EXPECT_EQ(a[8].Rect, (TScreenRect{347, 291, 375, 304}));
  ASSERT_NE(rig.FindText("Start"), nullptr);
  EXPECT_EQ(rig.FindText("Start")->points[0], ui::Point(13, 292));
}

TEST(LabelRows, CentrePriorityAndSegmentSweepNameTheirLimits) {
  ChartRig rig;
  rig.view.range->FreqCenterPriority = true;
  rig.Paint();
  EXPECT_EQ(rig.chart->StimFirstName, "Center");
  EXPECT_EQ(rig.chart->StimFirstValue, "600 MHz");
  EXPECT_EQ(rig.chart->StimSecondName, "Span");
  EXPECT_EQ(rig.chart->StimSecondValue, "1 GHz");

  // A segment sweep shows start and stop of the table, whatever the priority, and no common
  // IF bandwidth while every segment has its own.
  rig.view.range->SweepMode = TRange::Segm;
  rig.view.range->SegmentListIFBW = true;
  rig.Paint();
  EXPECT_EQ(rig.chart->StimFirstName, "Start");
  EXPECT_EQ(rig.chart->StimFirstValue, ChartText::WithUnit(rig.view.range->GetSegmentStart(0) * 1e6, 0));
  EXPECT_EQ(rig.chart->IfbwText, "");
}

// Narrowing the chart drops the middle items from the right, averaging first; the ones left
// keep equal gaps and the dropped ones leave nothing to click.
TEST(LabelRows, BottomRowDropsMiddleItemsFromTheRight) {
  ChartRig rig;
  rig.view.range->AverageEnabled = true;
  rig.view.range->AverageCount = 3;
  rig.view.range->AverageFactor = 10;
  std::set<int> seen;
  int previous = 5;
  for (int width = 451; width >= 120; width -= 3) {
    rig.Paint(width, 304);
    const auto& a = rig.chart->LabelHotAreas;
    const int y = 304 - 13;
    // The items in their order: calibration, points, IF bandwidth, power, averaging.
    const TScreenRect boxes[4] = {a[0].Rect, a[5].Rect, a[6].Rect, a[7].Rect};
    int shown = 0;
    while (shown < 4 && !boxes[shown].IsEmpty()) ++shown;
    for (int k = shown; k < 4; ++k) EXPECT_TRUE(boxes[k].IsEmpty()) << "width " << width << " item " << k;
    const Call* avg = rig.FindText("3/10");
    if (avg != nullptr) {
      EXPECT_EQ(shown, 4) << "averaging without all four others at width " << width;
      ++shown;
    }
    EXPECT_LE(shown, previous) << "width " << width;
    previous = shown;
    seen.insert(shown);
    // Equal gaps: between the start value and the first item, and between items.
    if (shown > 0) {
      const int o = a[3].Rect.Right + rig.chart->CharWidth;
      const int gap = boxes[0].Left - o;
      EXPECT_GT(gap, 0);
      for (int k = 1; k < std::min(shown, 4); ++k) {
        EXPECT_EQ(boxes[k].Top, y);
        EXPECT_EQ(boxes[k].Left - boxes[k - 1].Right, gap) << "width " << width << " item " << k;
      }
      if (avg != nullptr) {
        EXPECT_EQ(avg->points[0].x() - boxes[3].Right, gap);
      }
    }
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5}));
}

TEST(LabelRows, AveragingCounterNeedsAveragingOn) {
  ChartRig rig;
  rig.Paint();
  EXPECT_EQ(rig.chart->AveragingText, "");
  EXPECT_FALSE(rig.chart->LabelHotAreas[7].Rect.IsEmpty());
  // At the full width the five items stand 15 px apart, the first at 111 + 15 (hand-worked).
  rig.view.range->AverageEnabled = true;
  rig.view.range->AverageCount = 3;
  rig.view.range->AverageFactor = 10;
  rig.Paint();
  EXPECT_EQ(rig.chart->AveragingText, "3/10");
  EXPECT_EQ(rig.chart->LabelHotAreas[0].Rect.Left, 126);
  ASSERT_NE(rig.FindText("3/10"), nullptr);
}

TEST(LabelRows, CaptionIsCutToWholeCharactersAndStaysClickable) {
  struct Case {
    bool shown;
    std::string caption;
    std::string drawn;  // empty: no caption text
    TScreenRect area;
  };
  // W = 418, w = 7: 59 characters fit; the cut caption is centred on the plot.
  const std::string longCaption(100, 'A');
  const std::string cut(59, 'A');
  const Case cases[] = {
      {true, longCaption, cut, {13 + 209 - 206, 1, 13 + 209 - 206 + 413, 14}},
      {true, "Filter", "Filter", {13 + 209 - 21, 1, 13 + 209 - 21 + 42, 14}},
      {true, "", "", {13, 1, 431, 14}},
      {false, "Filter", "", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.view.showCaption = c.shown;
    rig.view.caption = c.caption;
    rig.Paint();
    EXPECT_EQ(rig.chart->LabelHotAreas[1].Rect, c.area) << c.caption;
    if (!c.drawn.empty()) {
      ASSERT_NE(rig.FindText(c.drawn), nullptr) << c.caption;
      EXPECT_EQ(rig.FindText(c.drawn)->points[0].y(), 2);
    } else {
      EXPECT_EQ(rig.FindText(c.caption), nullptr);
    }
  }
  // Characters, not bytes: a Cyrillic caption keeps 59 letters.
  EXPECT_EQ(ChartText::Length(ChartText::Cut(std::string(100, 'A') + "Я", 101)), 101);
  EXPECT_EQ(ChartText::Cut("ЯЯЯ", 2), "ЯЯ");
}

TEST(LabelRows, TitleRowBoxesFollowTheTraceName) {
  ChartRig rig;
  rig.Paint();
  const THotArea* t = rig.Trace().TitleHotAreas;
  // "Tr1" at (13, 1), 21 px wide, a blank of 7: the format box follows at 41 when the
  // measured parameter is hidden.
  ASSERT_NE(rig.FindText("Tr1"), nullptr);
  EXPECT_EQ(rig.FindText("Tr1")->points[0], ui::Point(13, 1));
  EXPECT_EQ(t[1].Rect, (TScreenRect{41, 1, 41, 1}));
  EXPECT_EQ(t[2].Rect.Left, 41);
  EXPECT_EQ(t[3].Rect.Left, t[2].Rect.Right + 7);
  EXPECT_EQ(t[4].Rect.Left, t[3].Rect.Right + 7);
  EXPECT_EQ(t[0].Rect.Left, 13);
  EXPECT_EQ(t[0].Rect.Top, 1);
  EXPECT_EQ(t[0].Rect.Bottom, 14);
  EXPECT_EQ(t[0].Rect.Right, t[4].Rect.Right + 7);
  // The active trace's name is inverted: background-coloured text on a box of its colour.
  const Call* name = rig.FindText("Tr1");
  EXPECT_EQ(name->font.Color, rig.look.GetUndegroundColor());
  EXPECT_EQ(name->brush.Color, rig.look.GetMainColor(0));
  EXPECT_EQ(name->brush.Style, ui::BrushStyle::Solid);

  // The scale of a rectangular format reads per division with a slash; the reference box
  // carries the reference value.
  const std::string unit = rig.Trace().GetResponseUnitText();
  ASSERT_FALSE(unit.empty());
  const std::string scale = FormatFloat("###0.0### ", rig.Trace().GetScaleDiv()) + unit + "/";
  ASSERT_NE(rig.FindText(scale), nullptr);
  EXPECT_EQ(t[3].Rect.Width(), 7 * ChartText::Length(scale));
  EXPECT_GT(t[4].Rect.Width(), 0);

  // With the EnableService switch the measured parameter is boxed between them.
  RunModeScope service("EnableService");
  rig.Paint();
  ASSERT_NE(rig.FindText("S11"), nullptr);
  EXPECT_EQ(t[1].Rect, (TScreenRect{41, 1, 62, 14}));
  EXPECT_EQ(t[2].Rect.Left, 69);
}

TEST(LabelRows, CircularFormatShowsFullScaleAndAnEmptyReferenceBox) {
  ChartRig rig;
  rig.Trace().SetFormat(8);
  ASSERT_EQ(rig.Trace().TraceFormat, 8);
  rig.Paint();
  const THotArea* t = rig.Trace().TitleHotAreas;
  EXPECT_EQ(t[4].Rect.Width(), 0);
  const std::string scale = FormatFloat("###0.0### ", rig.Trace().GetFullScale()) + rig.Trace().GetResponseUnitText();
  ASSERT_NE(rig.FindText(scale), nullptr);
  EXPECT_EQ(scale.find('/'), std::string::npos);
}

TEST(LabelRows, StatusWordsInBracketsAndMemoryIndicator) {
  ChartRig rig;
  TMeasurement& trace = rig.Trace();
  trace.SetElectricalDelay(1e-9);
  trace.SetSmoothing(true);
  ASSERT_TRUE(trace.Memories->StoreData());
  trace.SetDataMath(tracecodes::Divide);
  ASSERT_EQ(trace.DataMath, tracecodes::Divide);
  rig.Paint();
  const Call* status = rig.FindText("[Del Smo D/M]");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->points[0], ui::Point(trace.TitleHotAreas[4].Rect.Right + 7, 1));
  EXPECT_EQ(trace.TitleHotAreas[0].Rect.Right, status->points[0].x() + 7 * 13 + 7);
  // "Mem[1]" right-aligned on the plot's right edge.
  const Call* mem = rig.FindText("Mem[1]");
  ASSERT_NE(mem, nullptr);
  EXPECT_EQ(mem->points[0], ui::Point(431 - 42, 1));

  // The channel's corrections follow the trace's own words; "Z0" is never translated.
  rig.view.range->ZConvEnabled = true;
  rig.view.methodName = "SOL";
  rig.Paint();
  EXPECT_NE(rig.FindText("[Del Smo SOL Z0 D/M]"), nullptr);
}

TEST(LabelRows, LinearStimulusNumbersAreThinnedByTheirWidth) {
  // 100..1100 MHz over 418 px: step 100 is 42 px, less than twice "1000" (56 px), so every
  // second multiple is written.
  ChartRig rig;
  rig.Paint();
  EXPECT_EQ(TextsOf(RowTexts(rig)), (std::vector<std::string>{"200", "400", "600", "800", "1000"}));
  for (const Call& c : RowTexts(rig)) {
    const int x = rig.chart->StimulusToX(rig.Trace(), std::stod(c.text));
    EXPECT_EQ(c.points[0].x(), x - 7 * static_cast<int>(c.text.size()) / 2) << c.text;
  }
}

TEST(LabelRows, StimulusRowFallsBackToTheEndLabels) {
  struct Case {
    const char* name;
    int width;
    double start, stop;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      // A plot 4 px wide: the step measures 0 px.
      {"narrow plot", 37, 100, 1100, {"100", "1100"}},
      {"zero span", 451, 500, 500, {"500", "500"}},
  };
  for (const Case& c : cases) {
    ChartRig rig(201, c.start, c.stop);
    rig.Paint(c.width, 304);
    const auto row = RowTexts(rig);
    ASSERT_EQ(row.size(), 2u) << c.name;
    // Left end at the row's left, right end against the row's right edge, wherever that
    // puts it on a narrow plot.
    const int left = rig.chart->StimulusRowRect.Left;
    const int right = rig.chart->StimulusRowRect.Right - 1 - 7 * static_cast<int>(c.texts[1].size());
    std::vector<std::pair<int, std::string>> got, want{{left, c.texts[0]}, {right, c.texts[1]}};
    for (const Call& t : row) got.emplace_back(t.points[0].x(), t.text);
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << c.name;
  }
}

TEST(LabelRows, LogarithmicNumbersKeepATenthOfThePlotClear) {
  ChartRig rig;
  ApplySweep(rig, TRange::Log, 201, 100, 5400);
  rig.Paint();
  const auto row = RowTexts(rig);
  ASSERT_GE(row.size(), 3u);
  const ui::Rect& r = rig.chart->StimulusRowRect;
  EXPECT_EQ(row.front().text, "100");
  EXPECT_EQ(row.front().points[0].x(), r.Left);
  EXPECT_EQ(row.back().text, "5400");
  const int right = r.Right - 1 - 28;
  EXPECT_EQ(row.back().points[0].x(), right);
  const int tenth = rig.chart->PlotRect.Width() / 10;
  // The candidates in order, each written exactly when it keeps the tenth clear of the last
  // written number and of the right end label.
  std::vector<std::string> expected{"100"};
  int e = r.Left + 21;
  for (double v : {200., 300., 400., 500., 600., 700., 800., 900., 1000., 2000., 3000., 4000., 5000.}) {
    const std::string text = FormatFloat("###0.######", v);
    const int tw = 7 * static_cast<int>(text.size());
    const int left = rig.chart->StimulusToX(rig.Trace(), v) - tw / 2;
    if (e + tenth < left && left + tw < right - tenth) {
      expected.push_back(text);
      e = left + tw;
    }
  }
  expected.push_back("5400");
  EXPECT_EQ(TextsOf(row), expected);
  EXPECT_GE(expected.size(), 4u);  // the rule keeps some, not none
}

// The sweep-position pointer: a triangle on the plot's bottom edge in the font colour.
TEST(LabelRows, SweepPositionMarkRestsMidPlotOutsideThePointList) {
  struct Case {
    int index;
    double frequency;  // 0: the plot's middle
  };
  const Case cases[] = {{-1, 0}, {201, 0}, {5000, 0}, {50, 350.0}, {0, 100.0}};
  for (const Case& c : cases) {
    ChartRig rig;
    rig.view.slowSweep = true;
    rig.view.range->LastPointIndex = c.index;
    rig.Paint();
    const int b = rig.chart->PlotRect.Bottom - 1;
    const int x = c.frequency > 0 ? rig.chart->StimulusToX(rig.Trace(), c.frequency) : 13 + 418 / 2;
    int found = 0;
    for (const Call& p : rig.canvas->CallsOf(ui::RecordingCanvas::Op::Polygon)) {
      if (p.points.size() == 3 && p.points[0] == ui::Point(x, b) && p.points[1] == ui::Point(x + 6, b - 6) &&
          p.points[2] == ui::Point(x - 6, b - 6) && p.pen.Color == rig.look.GetFontColor() &&
          p.brush.Style == ui::BrushStyle::Clear)
        ++found;
    }
    EXPECT_EQ(found, 1) << "index " << c.index;
  }
  ChartRig quiet;
  quiet.Paint();
  EXPECT_TRUE(quiet.canvas->CallsOf(ui::RecordingCanvas::Op::Polygon).empty());
}

TEST(LabelRows, FrequencyOffsetRowsShowTheAdjustmentOnItsPortRowOnly) {
  for (int port : {0, 1}) {
    ChartRig rig;
    rig.view.range->FOMState = true;
    rig.view.range->FOMAdjust = true;
    rig.view.range->FOMAdjPort = port;
    rig.Paint();
    const int y1 = rig.chart->PlotRect.Bottom + 13;
    EXPECT_EQ(rig.chart->PlotRect.Bottom, 273 - 26);
    int adjustRows = 0;
    for (const Call& c : rig.Texts()) {
      if (c.text.rfind("Adjust ", 0) == 0) {
        ++adjustRows;
        EXPECT_EQ(c.points[0].y(), y1 + port * 13 + 1) << "port " << port;
        EXPECT_EQ(c.points[0].x(), (13 + 431 - 7 * ChartText::Length(c.text)) / 2);
      }
    }
    EXPECT_EQ(adjustRows, 1);
    ASSERT_NE(rig.FindText("Port1: Start " + rig.chart->Port1StartValue), nullptr);
    EXPECT_EQ(rig.FindText("Port1: Start " + rig.chart->Port1StartValue)->points[0], ui::Point(13, y1 + 1));
    const std::string stop2 = "Stop " + rig.chart->Port2StopValue;
    bool onSecondRow = false;
    for (const Call& c : rig.Texts())
      onSecondRow = onSecondRow || (c.text == stop2 && c.points[0] == ui::Point(431 - 7 * ChartText::Length(stop2), y1 + 14));
    EXPECT_TRUE(onSecondRow);
  }
}

TEST(LabelRows, TimeDomainHotAreasAreEmptyWithoutTheirRow) {
  ChartRig rig;
  rig.chart->LabelHotAreas[11].Rect = TScreenRect{1, 2, 30, 40};
  rig.Paint();
  for (int k = 10; k <= 14; ++k) EXPECT_TRUE(rig.chart->LabelHotAreas[static_cast<size_t>(k)].Rect.IsEmpty()) << k;
}

TEST(LabelRows, PictureOfTheLabelRows) {
  ChartRig rig;
  rig.view.showCaption = true;
  rig.view.caption = "Band filter";
  rig.view.slowSweep = true;
  rig.view.range->AverageEnabled = true;
  rig.LoadData([](double f) { return TComplex{0.3 + 0.2 * f / 1100.0, 0.1}; });
  rig.PaintPicture("LabelRows");
  // The picture shows the chart font colour somewhere in the bottom row.
  ui::ImageCanvas picture(451, 304);
  rig.chart->Paint(picture);
  int fontPixels = 0;
  for (int y = 291; y < 304; ++y)
    for (int x = 0; x < 451; ++x)
      if (picture.Pixel(x, y) == rig.look.GetFontColor()) ++fontPixels;
  EXPECT_GT(fontPixels, 20);
}

}  // namespace

namespace {

// Every label and marker layer on, then hostile numbers, fonts and sizes: each paint
// completes and leaves no hot area, table rectangle or text with a wild coordinate. (NaN data
// reads out as NaN in the table: the readouts show what the trace holds.)
TEST(LabelRows, HostilePaintsComplete) {
  struct Case {
    const char* name;
    int width, height, lineHeight, charWidth;
    double value;  // |S11| everywhere (NaN and inf included)
    int format;
    double fullScale;  // 0: leave
    int points;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"plain", 451, 304, 12, 7, 0.5, 16, 0, 201},
      {"1-px font", 451, 304, 1, 1, 0.5, 16, 0, 201},
      {"zero-width font", 451, 304, 12, 0, 0.5, 16, 0, 201},
      {"10 x 10 chart", 10, 10, 12, 7, 0.5, 16, 0, 201},
      {"NaN values", 451, 304, 12, 7, nan, 0, 0, 201},
      {"infinite values", 451, 304, 12, 7, inf, 16, 0, 201},
      {"Smith, NaN values, full scale 0", 451, 304, 12, 7, nan, 8, 1e-300, 201},
      {"polar, infinite values", 451, 304, 12, 7, inf, 13, 0, 201},
      {"16001 points", 1280, 800, 12, 7, 0.5, 0, 0, 16001},
      {"one point", 451, 304, 12, 7, 0.5, 0, 0, 2},
  };
  for (const Case& c : cases) {
    ChartRig rig(c.points, 100, 1100);
    rig.view.showCaption = true;
    rig.view.caption = "Hostile";
    rig.view.slowSweep = true;
    rig.view.range->AverageEnabled = true;
    rig.view.range->FOMState = true;
    rig.view.range->FOMAdjust = true;
    rig.view.range->LastPointIndex = 3;
    rig.view.oneMeasurementMarkers = false;
    rig.view.list.AddMeasurement(0, 16);
    TMeasurement& trace = rig.Trace(0);
    trace.SetFormat(c.format);
    if (c.fullScale != 0) trace.SetFullScale(c.fullScale);
    const double v = c.value;
    rig.LoadData([v](double) { return TComplex{v, v}; });
    TMarkerList& list = *trace.Markers;
    for (int i = 0; i < 3; ++i) list.AddMarker();
    list.SetReferenceEnabled(true);
    list.SetStatistics(true);
    list.SetFlatness(true);
    list.SetBandwidthSearch(true);
    list.SetPassbandStart(0);
    list.SetPassbandStop(1);
    list.SetRFFilterStats(true);
    list.FindMarker(0)->SetTracking(true);
    list.UpdateMarkers();
    rig.chart->Dragging = true;
    rig.chart->HitKind = 13;
    rig.chart->LastX = c.width / 2;
    for (int pass = 0; pass < 2; ++pass) rig.Paint(c.width, c.height, c.lineHeight, c.charWidth);
    const int limit = 1 << 20;
    auto sane = [limit](const TScreenRect& r) {
      return std::abs(r.Left) < limit && std::abs(r.Top) < limit && std::abs(r.Right) < limit && std::abs(r.Bottom) < limit;
    };
    for (const THotArea& a : rig.chart->LabelHotAreas) EXPECT_TRUE(sane(a.Rect)) << c.name;
    for (const THotArea& a : trace.TitleHotAreas) EXPECT_TRUE(sane(a.Rect)) << c.name;
    EXPECT_TRUE(sane(list.TableRect)) << c.name;
    for (int tag = 0; tag < list.GetMarkerCount(); ++tag) {
      EXPECT_TRUE(sane(list.FindMarker(tag)->FlagRect)) << c.name;
      EXPECT_TRUE(sane(list.FindMarker(tag)->StimulusMarkRect)) << c.name;
    }
    EXPECT_TRUE(std::isfinite(rig.chart->DragValue)) << c.name;
    for (const Call& t : rig.Texts()) {
      EXPECT_TRUE(std::abs(t.points[0].x()) < limit && std::abs(t.points[0].y()) < limit) << c.name << ": " << t.text;
    }
  }
}

}  // namespace

namespace {

// A distance-to-fault trace transforms: the time-domain row shows the range in the scanner
// module's distance unit, with names by the window's centre priority.
TEST(LabelRows, TimeDomainRowInTheDistanceUnit) {
  struct Case {
    int unit;
    bool centre;
    std::string first, second;  // "" : the trace's own axis ends in metres
  };
  const Case cases[] = {
      {TScannerModule::UnitSeconds, true, "0 ps", "1 ns"},
      {TScannerModule::UnitMetres, true, "0 mm", "1 m"},
      {TScannerModule::UnitFeet, true, "0 in", "1 ft"},
      {TScannerModule::UnitMetres, false, "", ""},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.view.scanner.MetricSystem = c.unit;
    rig.view.timeCenterPriority = c.centre;
    rig.Trace().SetFormat(18);
    ASSERT_TRUE(rig.Trace().IsTransformActive());
    rig.Paint();
    TDrawingPlane& chart = *rig.chart;
    EXPECT_EQ(chart.TimeFirstName, c.centre ? "Center" : "Start");
    EXPECT_EQ(chart.TimeSecondName, c.centre ? "Span" : "Stop");
    if (!c.first.empty()) {
      EXPECT_EQ(chart.TimeFirstValue, c.first);
      EXPECT_EQ(chart.TimeSecondValue, c.second);
    } else {
      EXPECT_EQ(chart.TimeFirstValue, ChartText::WithUnit(rig.Trace().GetTimeAxisStart(), 2));
      EXPECT_EQ(chart.TimeSecondValue, ChartText::WithUnit(rig.Trace().GetTimeAxisStop(), 2));
    }
    const auto& a = chart.LabelHotAreas;
    const int y = 304 - 26;
    EXPECT_EQ(a[10].Rect.Left, 13);
    EXPECT_EQ(a[10].Rect.Top, y);
    EXPECT_EQ(a[11].Rect.Left, a[10].Rect.Right + 7);
    EXPECT_EQ(a[14].Rect.Right, 431);
    EXPECT_EQ(a[13].Rect.Right, a[14].Rect.Left - 7);
    EXPECT_TRUE(a[12].Rect.IsEmpty());
    ASSERT_NE(rig.FindText(chart.TimeSecondValue), nullptr);
  }
  // A unit the module does not know leaves the values as they were.
  ChartRig rig;
  rig.view.scanner.MetricSystem = 7;
  rig.Trace().SetFormat(18);
  rig.chart->TimeFirstValue = "kept";
  rig.Paint();
  EXPECT_EQ(rig.chart->TimeFirstValue, "kept");
}

}  // namespace

namespace {

TEST(LabelRows, SynthesizerBoundariesAreRedInServiceModeOnly) {
  for (bool service : {false, true}) {
    ChartRig rig;
    rig.view.range->SynthGaps = {50, 199, 200, -3};  // the last three have no next point
    if (service) SetRunModeFromText("EnableService");
    rig.Paint();
    ResetRunMode();
    const ui::Rect& row = rig.chart->StimulusRowRect;
    std::vector<ui::Rect> red;
    for (const Call& c : rig.canvas->CallsOf(ui::RecordingCanvas::Op::Rectangle))
      if (c.brush.Color == ui::clRed && c.brush.Style == ui::BrushStyle::Solid) red.push_back(c.rect);
    if (!service) {
      EXPECT_TRUE(red.empty());
      continue;
    }
    const int x0 = rig.chart->StimulusToX(rig.Trace(), rig.Trace().GetPointStimulus(50));
    const int x1 = rig.chart->StimulusToX(rig.Trace(), rig.Trace().GetPointStimulus(51));
    ASSERT_EQ(red.size(), 2u);  // 50 and 199 have a next point
    EXPECT_EQ(red[0], ui::Rect(x0, row.Top, x1, row.Bottom));
  }
}

}  // namespace

namespace {

// A language with a few words of its own.
class FewWords : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override {
    if (english == "Start") return "Старт";
    if (english == "MHz") return "МГц";
    if (english == "GHz") return "ГГц";
    if (english == "Tr") return "Тр";
    return english;
  }
  std::string TranslateAnsi(const std::string& english) const override { return Translate(english); }
  bool IsEnglish() const override { return false; }
};

TEST(LabelRows, WordsAndUnitsFollowTheLanguage) {
  FewWords language;
  TScopedServices scope;
  scope->LangModule = &language;
  {
    ChartRig rig;  // a chart translates the words when it is made
    rig.view.scope->LangModule = &language;
    rig.Paint();
    EXPECT_EQ(rig.chart->StimFirstName, "Старт");
    EXPECT_EQ(rig.chart->StimFirstValue, "100 МГц");
    // Boxes measure characters: "Старт" is five of them.
    EXPECT_EQ(rig.chart->LabelHotAreas[2].Rect.Width(), 5 * 7);
    EXPECT_NE(rig.FindText("Тр1"), nullptr);
    EXPECT_EQ(rig.Trace().TitleHotAreas[2].Rect.Left, 13 + 3 * 7 + 7);
  }
  scope->LangModule = nullptr;
  ChartRig english;
  english.Paint();
  EXPECT_EQ(english.chart->StimFirstName, "Start");
  EXPECT_EQ(english.chart->StimFirstValue, "100 MHz");
}

}  // namespace
