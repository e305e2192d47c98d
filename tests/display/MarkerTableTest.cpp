// Marker flags, the marker table and the drag readout: rows and their labels, the argument
// boxes the mouse code reads, the readout sections, placement, and the frequency under the
// pointer while the stimulus row is dragged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "display/ChartText.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "tests/display/ChartLabelRig.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"

namespace {

using chartlabels::ChartRig;
using Call = ui::RecordingCanvas::Call;

// |S11| rising from 0.1 to 0.9 over the sweep: return loss falls from 20 dB to 0.9 dB.
TComplex Rising(double f) { return TComplex{0.1 + 0.8 * (f - 100.0) / 1000.0, 0.0}; }

// A band-pass shape in dB: high in the middle of 100..1100 MHz, falling off on both sides.
TComplex Bump(double f) {
  const double x = (f - 600.0) / 120.0;
  return TComplex{0.05 + 0.9 * std::exp(-x * x), 0.0};
}

TMarkerList& Markers(ChartRig& rig, int trace = 0) { return *rig.Trace(trace).Markers; }

void AddMarkers(ChartRig& rig, int n, int trace = 0) {
  for (int i = 0; i < n; ++i) ASSERT_TRUE(Markers(rig, trace).AddMarker());
}

// Text calls at the left edge of the trace's table, top to bottom.
std::vector<Call> LabelsAt(ChartRig& rig, int x, int trace = 0) {
  const TScreenRect t = Markers(rig, trace).TableRect;
  std::vector<Call> out;
  for (const Call& c : rig.Texts())
    if (c.points[0].x() == x && c.points[0].y() >= t.Top && c.points[0].y() < t.Bottom) out.push_back(c);
  return out;
}

// Twice: the free table keeps clear of the scale labels that the paint before measured.
void PaintTwice(ChartRig& rig, int width = 451, int height = 304) {
  rig.Paint(width, height);
  rig.Paint(width, height);
}

TEST(MarkerTable, ThreeMarkersWithoutReference) {
  ChartRig rig;
  rig.LoadData(Rising);
  AddMarkers(rig, 3);
  PaintTwice(rig);
  const TScreenRect table = Markers(rig).TableRect;
  const int left = 13 + rig.chart->ScaleLabelWidth;
  EXPECT_EQ(table.Left, left);
  EXPECT_EQ(table.Top, 19);
  EXPECT_EQ(table.Height(), 13 * 3);
  std::vector<std::string> labels;
  for (const Call& c : LabelsAt(rig, left)) labels.push_back(c.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"1", "2", "3"}));
  for (int tag = 0; tag < 3; ++tag) {
    const TMarker* m = Markers(rig).FindMarker(tag);
    EXPECT_EQ(m->ReadoutRect.Left, left + 3 * 7) << tag;
    EXPECT_EQ(m->ReadoutRect.Top, 19 + 13 * tag);
    EXPECT_EQ(m->ReadoutRect.Width(), 7 * ChartText::Length(m->GetArgumentText()));
    // The value follows the argument box after a blank.
    EXPECT_NE(rig.FindText(" " + m->GetValueText()), nullptr);
  }
  // Width: label padded to two characters, blank, argument, blank, value.
  const TMarker* m = Markers(rig).FindMarker(0);
  EXPECT_GE(table.Width(), 7 * (3 + ChartText::Length(m->GetArgumentText()) + 1 + ChartText::Length(m->GetValueText())));
}

TEST(MarkerTable, ReferenceMarkerGivesDeltaRowsAndRAtFourCharacters) {
  ChartRig rig;
  rig.LoadData(Rising);
  AddMarkers(rig, 2);
  Markers(rig).SetReferenceEnabled(true);
  ASSERT_NE(Markers(rig).GetReferenceMarker(), nullptr);
  PaintTwice(rig);
  const int left = Markers(rig).TableRect.Left;
  std::vector<std::string> labels;
  for (const Call& c : LabelsAt(rig, left)) labels.push_back(c.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"\xCE\x94" "1", "\xCE\x94" "2", "R"}));
  EXPECT_EQ(Markers(rig).FindMarker(0)->ReadoutRect.Left, left + 4 * 7);
  EXPECT_EQ(Markers(rig).GetReferenceMarker()->ReadoutRect.Left, left + 4 * 7);
  EXPECT_EQ(Markers(rig).TableRect.Height(), 3 * 13);
  // Width: each label padded to three characters (not bytes: "Î" is two), a blank,
  // the argument, a blank and the value.
  int widest = 0;
  for (const TMarker* m : {Markers(rig).FindMarker(0), Markers(rig).FindMarker(1), Markers(rig).GetReferenceMarker()})
    widest = std::max(widest, 7 * (4 + ChartText::Length(m->GetArgumentText()) + 1 + ChartText::Length(m->GetValueText())));
  EXPECT_EQ(Markers(rig).TableRect.Width(), widest);
}

TEST(MarkerTable, ActiveMarkerOfTheActiveTraceIsInverted) {
  ChartRig rig;
  rig.LoadData(Rising);
  AddMarkers(rig, 2);
  Markers(rig).SetActiveMarker(1);
  PaintTwice(rig);
  const auto labels = LabelsAt(rig, Markers(rig).TableRect.Left);
  ASSERT_EQ(labels.size(), 2u);
  const Call* one = &labels[0];
  const Call* two = &labels[1];
  ASSERT_EQ(two->text, "2");
  EXPECT_EQ(two->font.Color, rig.look.GetUndegroundColor());
  EXPECT_EQ(two->brush.Style, ui::BrushStyle::Solid);
  EXPECT_EQ(two->brush.Color, rig.look.GetMainColor(0));
  EXPECT_EQ(one->font.Color, rig.look.GetMainColor(0));
  EXPECT_EQ(one->brush.Style, ui::BrushStyle::Clear);
}

TEST(MarkerTable, ReadoutSectionsStartWithAGap) {
  struct Case {
    const char* name;
    bool statistics, statRange, flatness, bandwidth;
    int rows;  // below the single marker row
    int gaps;
  };
  const Case cases[] = {
      {"statistics", true, false, false, false, 3, 1},
      {"statistics over a range", true, true, false, false, 4, 1},
      {"flatness", false, false, true, false, 5, 1},
      {"bandwidth", false, false, false, true, 6, 1},
      {"all three", true, false, true, true, 14, 3},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData(Bump);
    AddMarkers(rig, 2);
    TMarkerList& list = Markers(rig);
    list.FindMarker(0)->SetRelativeX(0.2);
    list.FindMarker(1)->SetRelativeX(0.8);
    list.SetStatistics(c.statistics);
    list.SetStatStart(0);
    list.SetStatStop(1);
    list.SetStatRange(c.statRange);
    list.SetFlatness(c.flatness);
    list.SetFlatnessStart(0);
    list.SetFlatnessStop(1);
    list.SetBandwidthSearch(c.bandwidth);
    list.UpdateMarkers();
    rig.Paint();
    EXPECT_EQ(list.TableRect.Height(), 13 * (2 + c.rows) + 4 * c.gaps) << c.name;
    if (c.statistics) {
      const auto texts = rig.Texts();
      const Call* mean = nullptr;
      for (const Call& t : texts)
        if (t.text.rfind("mean   ", 0) == 0) mean = &t;
      ASSERT_NE(mean, nullptr) << c.name;
      // Two marker rows, then the gap (and the range row when on).
      EXPECT_EQ(mean->points[0].y(), list.TableRect.Top + 2 * 13 + 4 + (c.statRange ? 13 : 0) + 1) << c.name;
      EXPECT_EQ(mean->text, "mean   " + FormatNumberWithUnit(5, rig.Trace().GetResponseUnitText(), list.StatMean));
    }
  }
}

TEST(MarkerTable, RangeRowFromTheReferenceMarker) {
  ChartRig rig;
  rig.LoadData(Rising);
  AddMarkers(rig, 2);
  TMarkerList& list = Markers(rig);
  list.SetReferenceEnabled(true);
  list.FindMarker(1)->SetRelativeX(0.75);
  list.GetReferenceMarker()->SetRelativeX(0.25);
  list.SetStatistics(true);
  list.SetStatStart(TMarker::ReferenceTag);
  list.SetStatStop(1);
  list.SetStatRange(true);
  ASSERT_TRUE(list.StatRange);
  list.UpdateMarkers();
  rig.Paint();
  const double width = std::fabs(list.GetReferenceMarker()->Argument - list.FindMarker(1)->Argument);
  EXPECT_NEAR(width, 500.0, 1.0);
  EXPECT_NE(rig.FindText("R-2    " + FormatNumberWithUnit(8, rig.Trace().GetStimulusUnitText(), width)), nullptr);
}

// Rectangles of the three band marks: squares of 2s + 2 with s = DataWidth + 2.
int BandMarks(ChartRig& rig) {
  const int side = 2 * (rig.chart->DataWidth + 2) + 2;
  int n = 0;
  for (const Call& c : rig.canvas->CallsOf(ui::RecordingCanvas::Op::Rectangle))
    if (c.rect.Width() == side && c.rect.Height() == side && c.pen.Color == rig.look.GetMainColor(0)) ++n;
  return n;
}

std::string RowValue(ChartRig& rig, const std::string& label) {
  const std::string prefix = ChartText::PadRight(label, 6) + " ";
  for (const Call& c : rig.Texts())
    if (c.text.rfind(prefix, 0) == 0) return c.text.substr(prefix.size());
  return "<none>";
}

TEST(MarkerTable, BandwidthFoundDrawsThreeMarksAndFailedShowsZeros) {
  ChartRig rig;
  AddMarkers(rig, 1);
  Markers(rig).SetBandwidthSearch(true);
  const std::string unit = rig.Trace().GetStimulusUnitText();
  const std::string zero = FormatNumberWithUnit(8, unit, 0.0);

  rig.LoadData(Bump);
  rig.Trace().SetFormat(0);  // log magnitude: the bump is a pass band
  Markers(rig).UpdateMarkers();
  rig.Paint();
  const TBandResult band = Markers(rig).SearchBandwidth();
  ASSERT_TRUE(band.Found);
  EXPECT_EQ(BandMarks(rig), 3);
  EXPECT_EQ(RowValue(rig, "BW"), FormatNumberWithUnit(8, unit, band.High - band.Low));
  EXPECT_NE(RowValue(rig, "Q"), FormatNumberWithUnit(8, "", 0.0));

  // A flat trace has no band: zeros and no marks.
  rig.LoadData([](double) { return TComplex{0.5, 0.0}; });
  Markers(rig).UpdateMarkers();
  rig.Paint();
  ASSERT_FALSE(Markers(rig).SearchBandwidth().Found);
  EXPECT_EQ(BandMarks(rig), 0);
  for (const char* label : {"BW", "cent", "low", "high"}) EXPECT_EQ(RowValue(rig, label), zero) << label;
  EXPECT_EQ(RowValue(rig, "Q"), FormatNumberWithUnit(8, "", 0.0));
}

TEST(MarkerTable, BandOfNoWidthShowsQZero) {
  // A level of 0 dB finds the band's edges at the reference point itself.
  ChartRig rig;
  AddMarkers(rig, 1);
  rig.LoadData(Bump);
  rig.Trace().SetFormat(0);
  TMarkerList& list = Markers(rig);
  list.SetBandwidthSearch(true);
  list.SetBandwidthValue(0.0);
  list.UpdateMarkers();
  rig.Paint();
  const TBandResult band = list.SearchBandwidth();
  ASSERT_TRUE(band.Found);
  EXPECT_EQ(band.High - band.Low, 0.0);
  EXPECT_EQ(RowValue(rig, "BW"), FormatNumberWithUnit(8, rig.Trace().GetStimulusUnitText(), 0.0));
  EXPECT_EQ(RowValue(rig, "Q"), FormatNumberWithUnit(8, "", 0.0));
  EXPECT_EQ(RowValue(rig, "Q").find("nan"), std::string::npos);
  EXPECT_EQ(RowValue(rig, "Q").find("inf"), std::string::npos);
}

TEST(MarkerTable, VerticalAndHorizontalPlacementOfASecondTrace) {
  for (int align : {IChartView::AlignVert, IChartView::AlignHor}) {
    ChartRig rig;
    rig.view.list.AddMeasurement(0, 16);
    rig.LoadData(Rising);
    rig.view.oneMeasurementMarkers = false;
    rig.view.markerAlign = align;
    rig.view.list.SetMarkerCouple(true);
    AddMarkers(rig, 2, 0);
    rig.view.list.SetActive(1);
    rig.Paint();
    rig.Paint();
    const TScreenRect t0 = Markers(rig, 0).TableRect;
    const TScreenRect t1 = Markers(rig, 1).TableRect;
    ASSERT_EQ(Markers(rig, 1).GetMarkerCount(), 2);
    if (align == IChartView::AlignVert) {
      EXPECT_EQ(t1.Left, t0.Left);
      EXPECT_EQ(t1.Top, t0.Bottom);
      EXPECT_FALSE(Markers(rig, 1).FindMarker(0)->ReadoutRect.IsEmpty());
    } else {
      EXPECT_EQ(t1.Top, t0.Top);
      EXPECT_EQ(t1.Left, t0.Right + 2 * 7);
      // Coupled markers: the second trace reads out only its values.
      EXPECT_TRUE(Markers(rig, 1).FindMarker(0)->ReadoutRect.IsEmpty());
      EXPECT_NE(rig.FindText(Markers(rig, 1).FindMarker(0)->GetValueText()), nullptr);
      EXPECT_EQ(t1.Width(), 7 * ChartText::Length(Markers(rig, 1).FindMarker(0)->GetValueText()));
    }
  }
}

// A free table taller than the plot: its right edge on the plot's right edge, its top inside
// the plot with the marker rows first, and the rows that do not fit cut at the bottom.
TEST(MarkerTableClamp, TallTableKeepsItsTopAndLosesItsLastRows) {
  struct Case {
    const char* name;
    int width, height;
    bool readouts;  // statistics, flatness and bandwidth
    int rows;       // rows built, before the cut
  };
  const Case cases[] = {
      {"15 markers on 200 x 150", 200, 150, false, 15},
      {"15 markers with readouts on 451 x 200", 451, 200, true, 15 + 3 + 5 + 6},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData(Bump);
    AddMarkers(rig, 15);
    TMarkerList& list = Markers(rig);
    for (int tag = 0; tag < 15; ++tag) list.FindMarker(tag)->SetRelativeX(0.05 + 0.06 * tag);
    list.SetStatistics(c.readouts);
    list.SetFlatness(c.readouts);
    list.SetFlatnessStart(0);
    list.SetFlatnessStop(1);
    list.SetBandwidthSearch(c.readouts);
    list.UpdateMarkers();
    list.TableRect = TScreenRect{300, 200, 300, 200};
    PaintTwice(rig, c.width, c.height);
    const ui::Rect& p = rig.chart->PlotRect;
    const TScreenRect t = list.TableRect;
    EXPECT_EQ(t.Right, p.Right) << c.name;
    EXPECT_EQ(t.Top, p.Top + 1) << c.name;
    // Whole marker rows only, as many as fit.
    const int shown = (p.Bottom - t.Top) / 13;
    ASSERT_GT(shown, 2) << c.name;
    ASSERT_LT(shown, 15) << c.name;
    EXPECT_EQ(t.Bottom, t.Top + 13 * shown) << c.name;
    EXPECT_LE(t.Bottom, p.Bottom) << c.name;
    std::vector<std::string> labels;
    for (const Call& call : LabelsAt(rig, t.Left)) labels.push_back(call.text);
    std::vector<std::string> expected;
    for (int tag = 0; tag < shown; ++tag) expected.push_back(IntToText(tag + 1));
    EXPECT_EQ(labels, expected) << c.name;
    // The markers whose rows were cut offer no readout box to click.
    for (int tag = 0; tag < 15; ++tag) {
      const TScreenRect r = list.FindMarker(tag)->ReadoutRect;
      if (tag < shown) {
        EXPECT_EQ(r.Top, t.Top + 13 * tag) << c.name << " " << tag;
        EXPECT_LE(r.Bottom, p.Bottom) << c.name << " " << tag;
      } else {
        EXPECT_EQ(r, TScreenRect{}) << c.name << " " << tag;
      }
    }
    EXPECT_EQ(rig.CountText("mean   " + FormatNumberWithUnit(5, rig.Trace().GetResponseUnitText(), list.StatMean)), 0)
        << c.name << ": the readouts below the markers are cut";
  }
}

TEST(MarkerTable, FreeTableKeepsClearOfTheScaleLabels) {
  ChartRig rig;
  rig.LoadData(Rising);
  AddMarkers(rig, 1);
  Markers(rig).TableRect = TScreenRect{0, 0, 0, 0};
  PaintTwice(rig);
  EXPECT_GT(rig.chart->ScaleLabelWidth, 0);
  EXPECT_EQ(Markers(rig).TableRect.Left, 13 + rig.chart->ScaleLabelWidth);
  EXPECT_EQ(Markers(rig).TableRect.Top, 19);
}

TEST(MarkerTable, EmptyTableMeasuresNothingAndDrawsNothing) {
  ChartRig rig;
  rig.Paint();
  EXPECT_EQ(Markers(rig).TableRect.Width(), 0);
  EXPECT_EQ(Markers(rig).TableRect.Height(), 0);
}

// ---- Flags ----------------------------------------------------------------------------------

// The flag's triangle: the 3-point polygon whose apex or base lies in the flag.
std::optional<Call> FlagTriangle(ChartRig& rig, const TMarker& m) {
  for (const Call& c : rig.canvas->CallsOf(ui::RecordingCanvas::Op::Polygon)) {
    if (c.points.size() != 3) continue;
    const int mid = m.FlagRect.Left + m.FlagRect.Width() / 2;
    if (c.points[0].x() == mid || c.points[2].x() == mid) {
      bool inside = true;
      for (const auto& p : c.points) inside = inside && p.y() >= m.FlagRect.Top && p.y() < m.FlagRect.Bottom;
      if (inside) return c;
    }
  }
  return std::nullopt;
}

int StimulusMarks(ChartRig& rig) {
  const int b = rig.chart->PlotRect.Bottom - 1;
  int n = 0;
  for (const Call& c : rig.canvas->CallsOf(ui::RecordingCanvas::Op::Polygon))
    if (c.points.size() == 3 && c.points[0].y() == b && c.points[1].y() == b && c.points[2].y() == b - 6) ++n;
  return n;
}

TEST(MarkerTable, FlagStandsAboveHangsBelowAtTheTopAndLosesItsMarkAtTheBottom) {
  struct Case {
    const char* name;
    double topOffset;  // top value - marker value, in full scales
    bool below;
    bool stimulusMark;
  };
  const Case cases[] = {
      {"middle", 0.5, false, true},
      {"above the top", -0.3, true, true},
      {"below the bottom", 1.5, false, false},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData([](double) { return TComplex{0.5, 0.0}; });
    AddMarkers(rig, 1);
    TMeasurement& trace = rig.Trace();
    TMarker& m = *Markers(rig).FindMarker(0);
    m.Update();
    // Move the scale so that the marker's value sits where the case wants it.
    trace.SetRefValue(trace.GetRefValue() + (m.Value + c.topOffset * trace.GetFullScale() - trace.GetTopValue()));
    ASSERT_NEAR(trace.GetTopValue() - m.Value, c.topOffset * trace.GetFullScale(), 1e-6) << c.name;
    rig.Paint();
    const ui::Rect& plot = rig.chart->PlotRect;
    EXPECT_EQ(m.FlagBelow, c.below) << c.name;
    EXPECT_EQ(m.FlagRect.Height(), 24) << c.name;
    EXPECT_EQ(m.FlagRect.Width(), 7) << c.name;
    const std::optional<Call> tri = FlagTriangle(rig, m);
    ASSERT_TRUE(tri.has_value()) << c.name;
    const int mid = m.FlagRect.Left + 3;
    if (c.below) {
      EXPECT_EQ(m.FlagRect.Top, plot.Top) << c.name;
      EXPECT_EQ(tri->points[0], ui::Point(mid, m.FlagRect.Top + 1)) << c.name;  // apex up
      // The number stands under the triangle.
      bool numberBelow = false;
      for (const Call& t : rig.Texts())
        numberBelow = numberBelow || (t.text == "1" && t.points[0] == ui::Point(m.FlagRect.Left + 1, m.FlagRect.Top + 13));
      EXPECT_TRUE(numberBelow);
    } else {
      EXPECT_EQ(tri->points[2], ui::Point(mid, m.FlagRect.Bottom - 1)) << c.name;  // apex down
    }
    EXPECT_EQ(StimulusMarks(rig), c.stimulusMark ? 1 : 0) << c.name;
    const int x = plot.Left + static_cast<int>(std::trunc(plot.Width() * m.RelativeX + 0.5));
    EXPECT_EQ(m.StimulusMarkRect, (TScreenRect{x - 6, plot.Bottom - 7, x + 6, plot.Bottom - 1})) << c.name;
    // The active marker of the active trace is filled.
    EXPECT_EQ(tri->brush.Style, ui::BrushStyle::Solid) << c.name;
  }
}

TEST(MarkerTable, TrackingMarkerShowsItsSearchWord) {
  struct Case {
    int search;
    std::string text;
  };
  const Case cases[] = {{0, "Max"}, {1, "Min"}, {2, "Pk"}, {5, "Pk"}, {6, "1"}};
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData(Bump);
    AddMarkers(rig, 1);
    TMarker& m = *Markers(rig).FindMarker(0);
    m.SetSearchFunction(c.search);
    m.SetTracking(true);
    rig.Paint();
    bool flag = false;
    for (const Call& t : rig.Texts()) flag = flag || (t.text == c.text && t.points[0].x() == m.FlagRect.Left + 1);
    EXPECT_TRUE(flag) << c.search;
    EXPECT_EQ(m.FlagRect.Width(), 7 * static_cast<int>(c.text.size())) << c.search;
  }
}

TEST(MarkerTable, SmithFlagSitsOnThePointAndNeverLosesItsMark) {
  ChartRig rig;
  rig.LoadData([](double) { return TComplex{0.0, 0.5}; });
  rig.Trace().SetFormat(8);
  AddMarkers(rig, 1);
  rig.Paint();
  const ui::Rect& plot = rig.chart->PlotRect;
  const TMarker& m = *Markers(rig).FindMarker(0);
  const int r = std::min(plot.Width(), plot.Height()) / 2;
  const int cx = plot.Left + plot.Width() / 2;
  const int cy = plot.Top + plot.Height() / 2;
  const double fs = rig.Trace().GetFullScale();
  EXPECT_EQ(m.FlagRect.Left, cx + static_cast<int>(std::trunc(m.PointValue.Re / fs * r)) - 3);
  EXPECT_EQ(m.FlagRect.Top, cy - static_cast<int>(std::trunc(m.PointValue.Im / fs * r)) - 24);
  EXPECT_EQ(StimulusMarks(rig), 1);
}

// ---- Drag readout ---------------------------------------------------------------------------

TEST(MarkerTable, DragReadoutShowsTheFrequencyUnderThePointer) {
  struct Case {
    const char* name;
    int mode;
    double start, stop;
    int hit;
    double x;  // pointer position as a fraction of the plot width
    double value;
    std::string text;
  };
  const Case cases[] = {
      {"linear middle", TRange::Lin, 100, 200, 11, 0.5, 150.0, "150 MHz"},
      {"rounded to 100 kHz", TRange::Lin, 100, 200, 12, 0.3333, 133.3, "133.3 MHz"},
      {"clamped to the band", TRange::Lin, 100, 200, 11, -50.0, -1, ""},
      {"centre drag", TRange::Lin, 100, 200, 13, 0.5, 150.0, "150 MHz"},
      {"logarithmic", TRange::Log, 100, 10000, 11, 0.5, 1000.0, "1 GHz"},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    TRangeSettings settings;
    TSegments segments;
    rig.view.range->GetSettings(settings, segments);
    settings.SweepMode = c.mode;
    settings.MinFrequency = c.start;
    settings.MaxFrequency = c.stop;
    rig.view.range->ApplySettings(segments, settings);
    rig.Trace().ResizeToChannel();
    rig.Paint();
    const ui::Rect plot = rig.chart->PlotRect;
    rig.chart->Dragging = true;
    rig.chart->HitKind = c.hit;
    rig.chart->LastX = plot.Left + static_cast<int>(std::lround(plot.Width() * c.x));
    rig.Paint();
    // Far left of the plot: the instrument's lowest frequency, not below it.
    const double value = c.value < 0 ? rig.view.range->GetDeviceMinFrequency() : c.value;
    EXPECT_NEAR(rig.chart->DragValue, value, 0.05 + 1e-9) << c.name;
    EXPECT_NEAR(rig.chart->DragValue * 10, std::round(rig.chart->DragValue * 10), 1e-6) << c.name;
    const ui::Rect& row = rig.chart->StimulusRowRect;
    const std::string text = ChartText::WithUnit(rig.chart->DragValue * 1e6, 0);
    if (!c.text.empty()) {
      EXPECT_EQ(text, c.text) << c.name;
    }
    const Call* shown = rig.FindText(text);
    ASSERT_NE(shown, nullptr) << c.name;
    EXPECT_EQ(shown->points[0].y(), row.Top - 13) << c.name;
    const int tw = 7 * ChartText::Length(text);
    const int x = c.hit == 11 ? row.Left : c.hit == 12 ? row.Right - tw : row.Left + row.Width() / 2 - tw / 2;
    EXPECT_EQ(shown->points[0].x(), x) << c.name;
  }
}

TEST(MarkerTable, DragReadoutWithoutAKnownBandLeavesTheValue) {
  ChartRig rig;
  rig.view.scope->SynthesizerTV30 = nullptr;  // no model: the band is 0..0
  rig.view.scope->SynthesizerTV = nullptr;
  ASSERT_EQ(rig.view.range->GetDeviceMaxFrequency(), rig.view.range->GetDeviceMinFrequency());
  rig.chart->Dragging = true;
  rig.chart->HitKind = 11;
  rig.chart->DragValue = 42.0;
  rig.chart->LastX = 200;
  rig.Paint();
  EXPECT_EQ(rig.chart->DragValue, 42.0);
  for (const Call& c : rig.Texts()) EXPECT_NE(c.points[0].y(), rig.chart->StimulusRowRect.Top - 13) << c.text;
}

TEST(MarkerTable, PictureOfMarkersAndTable) {
  ChartRig rig;
  rig.LoadData(Bump);
  rig.Trace().SetFormat(0);
  AddMarkers(rig, 3);
  TMarkerList& list = Markers(rig);
  list.FindMarker(0)->SetRelativeX(0.3);
  list.FindMarker(2)->SetRelativeX(0.7);
  list.SetStatistics(true);
  list.SetBandwidthSearch(true);
  list.UpdateMarkers();
  rig.PaintPicture("MarkerTable", 640, 400);
  // The table is written in the trace colour.
  ui::ImageCanvas picture(640, 400);
  rig.chart->Paint(picture);
  const TScreenRect t = list.TableRect;
  int traceColour = 0;
  for (int y = t.Top; y < t.Bottom; ++y)
    for (int x = t.Left; x < t.Right; ++x)
      if (picture.Pixel(x, y) == rig.look.GetMainColor(0)) ++traceColour;
  EXPECT_GT(traceColour, 50);
}

}  // namespace
