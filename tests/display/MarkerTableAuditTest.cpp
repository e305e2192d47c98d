// The RF filter readout of the marker table, and the drag readout where it has nothing sound to
// show: a plot without width, and a logarithmic sweep over a band that starts at 0 MHz.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "display/ChartText.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "tests/display/ChartPlaneSupport.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"

namespace {

using chartplane::ApplySweep;
using chartplane::Call;
using chartplane::ChartRig;

// A band-pass shape: high around 600 MHz, falling off on both sides.
TComplex Bump(double f) {
  const double x = (f - 600.0) / 120.0;
  return TComplex{0.05 + 0.9 * std::exp(-x * x), 0.0};
}

// The labelled rows of the last paint inside the trace's table, top to bottom.
std::vector<std::string> TableTexts(ChartRig& rig) {
  const TScreenRect t = rig.Trace().Markers->TableRect;
  std::vector<std::string> out;
  for (const Call& c : rig.Texts())
    if (c.points[0].x() == t.Left && c.points[0].y() >= t.Top && c.points[0].y() < t.Bottom) out.push_back(c.text);
  return out;
}

std::string Row(const std::string& label, const std::string& value) { return ChartText::PadRight(label, 6) + " " + value; }

TEST(MarkerTable, RfFilterRowsFollowThePassbandAndTheStopband) {
  struct Case {
    const char* name;
    int markers;   // markers 1..4 at 45, 55, 20 and 80 % of the sweep
    bool stopband; // markers 3 and 4 make a valid stopband
  };
  const Case cases[] = {{"passband only", 2, false}, {"passband and stopband", 4, true}};
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData(Bump);
    rig.Trace().SetFormat(0);
    TMarkerList& list = *rig.Trace().Markers;
    const double at[] = {0.45, 0.55, 0.2, 0.8};
    for (int i = 0; i < c.markers; ++i) {
      ASSERT_TRUE(list.AddMarker());
      list.FindMarker(i)->SetRelativeX(at[i]);
    }
    list.SetPassbandStart(0);
    list.SetPassbandStop(1);
    list.SetStopbandStart(2);
    list.SetStopbandStop(3);
    list.SetRFFilterStats(true);
    list.UpdateMarkers();
    ASSERT_TRUE(list.IsPassbandValid()) << c.name;
    ASSERT_EQ(list.IsStopbandValid(), c.stopband) << c.name;
    rig.Paint();
    rig.Paint();

    const TFilterResult f = list.ComputeFilterStatistics();
    const std::string stim = rig.Trace().GetStimulusUnitText();
    const std::string resp = rig.Trace().GetResponseUnitText();
    const double pass = std::fabs(list.FindMarker(1)->Argument - list.FindMarker(0)->Argument);
    std::vector<std::string> want;
    for (int i = 1; i <= c.markers; ++i) want.push_back(std::to_string(i));
    want.push_back(Row("1-2", FormatNumberWithUnit(8, stim, pass)));
    want.push_back(Row("loss", FormatNumberWithUnit(5, resp, f.PassbandMinimum)));
    want.push_back(Row("p-p", FormatNumberWithUnit(5, resp, f.PassbandPeakToPeak)));
    if (c.stopband) {
      const double stop = std::fabs(list.FindMarker(3)->Argument - list.FindMarker(2)->Argument);
      want.push_back(Row("3-4", FormatNumberWithUnit(8, stim, stop)));
      want.push_back(Row("rej", FormatNumberWithUnit(5, resp, f.Rejection)));
    }
    EXPECT_EQ(TableTexts(rig), want) << c.name;
    // One section: a single 4-px gap above the range row.
    const int rows = static_cast<int>(want.size());
    EXPECT_EQ(list.TableRect.Height(), 13 * rows + 4) << c.name;
  }
}

TEST(MarkerTable, DragReadoutWithoutRoomOrWithALogBandFromZeroLeavesTheValue) {
  struct Case {
    const char* name;
    int width, height;
    int mode;
    bool setMin;
    double deviceMin;  // the model's lowest frequency, MHz, when set
  };
  const Case cases[] = {
      {"plot without width", 30, 304, 0, false, 0.0},
      {"log sweep over a band from 0 MHz", 451, 304, 1, true, 0.0},
      {"log sweep over a band below 0 MHz", 451, 304, 1, true, -5.0},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    ApplySweep(rig, c.mode, 201, 150, 4000);
    ASSERT_EQ(rig.view.range->SweepMode, c.mode) << c.name;
    if (c.setMin) rig.view.k30.MinFrequency = c.deviceMin;
    rig.chart->Dragging = true;
    rig.chart->HitKind = 11;
    rig.chart->DragValue = 42.0;
    rig.chart->LastX = 200;
    rig.Paint(c.width, c.height);
    EXPECT_EQ(rig.chart->DragValue, 42.0) << c.name;
    const int readoutY = rig.chart->StimulusRowRect.Top - rig.chart->LineHeight;
    for (const Call& t : rig.Texts()) EXPECT_NE(t.points[0].y(), readoutY) << c.name << ": " << t.text;
  }
}

// The flag's triangle: the 3-point polygon lying wholly in the flag.
const Call* FlagTriangle(const ui::RecordingCanvas& canvas, const TMarker& m) {
  const auto& calls = canvas.Calls();
  for (const Call& c : calls) {
    if (c.op != chartplane::Op::Polygon || c.points.size() != 3) continue;
    bool inside = true;
    for (const ui::Point& p : c.points)
      inside = inside && p.x() >= m.FlagRect.Left - 7 && p.x() <= m.FlagRect.Right + 7 && p.y() >= m.FlagRect.Top &&
               p.y() < m.FlagRect.Bottom;
    if (inside) return &c;
  }
  return nullptr;
}

TEST(MarkerTable, OnlyTheActiveMarkerOfTheActiveTraceIsFilledAndTheReferenceFlagReadsR) {
  ChartRig rig;
  rig.view.list.AddMeasurement(0, 16);
  rig.view.list.SetActive(0);
  rig.view.oneMeasurementMarkers = false;
  rig.LoadData(Bump);
  TMarkerList& first = *rig.Trace(0).Markers;
  TMarkerList& second = *rig.Trace(1).Markers;
  ASSERT_TRUE(first.AddMarker());
  ASSERT_TRUE(first.AddMarker());
  first.SetReferenceEnabled(true);
  ASSERT_NE(first.GetReferenceMarker(), nullptr);
  ASSERT_TRUE(second.AddMarker());
  first.FindMarker(0)->SetRelativeX(0.2);
  first.FindMarker(1)->SetRelativeX(0.8);
  first.GetReferenceMarker()->SetRelativeX(0.35);
  second.FindMarker(0)->SetRelativeX(0.65);
  first.SetActiveMarker(0);
  second.SetActiveMarker(0);
  first.UpdateMarkers();
  second.UpdateMarkers();
  ui::RecordingCanvas& canvas = rig.Paint();

  struct Case {
    const char* name;
    const TMarker* marker;
    std::string text;
    bool filled;
  };
  const Case cases[] = {
      {"active marker of the active trace", first.FindMarker(0), "1", true},
      {"other marker of the active trace", first.FindMarker(1), "2", false},
      {"reference marker", first.GetReferenceMarker(), "R", false},
      {"active marker of another trace", second.FindMarker(0), "1", false},
  };
  for (const Case& c : cases) {
    const TMarker& m = *c.marker;
    ASSERT_FALSE(m.FlagRect.IsEmpty()) << c.name;
    EXPECT_EQ(m.FlagRect.Width(), 7 * static_cast<int>(c.text.size())) << c.name;
    bool written = false;
    for (const Call& t : rig.Texts()) written = written || (t.text == c.text && t.points[0].x() == m.FlagRect.Left + 1);
    EXPECT_TRUE(written) << c.name;
    const Call* triangle = FlagTriangle(canvas, m);
    ASSERT_NE(triangle, nullptr) << c.name;
    EXPECT_EQ(triangle->brush.Style, c.filled ? ui::BrushStyle::Solid : ui::BrushStyle::Clear) << c.name;
  }
}

}  // namespace
