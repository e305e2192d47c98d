// The hint box's texts and places, and the click actions of labels, title boxes and readouts.
#include <gtest/gtest.h>

#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "tests/display/ChartMouseRig.h"

namespace {

using chartmouse::MouseRig;
using chartmouse::RecordingPopups;
using TPickList = TChartPopups::TPickList;

// The hint text drawn by the last recorded paint, found as the text at the box's inner corner.
std::string HintText(MouseRig& rig) {
  rig.Paint();
  const TScreenRect box = rig.chart->LabelHotAreas[15].Rect;
  if (box.IsEmpty()) return {};
  for (const auto& c : rig.Texts())
    if (c.points[0].x() == box.Left + 4 && c.points[0].y() >= box.Top && c.points[0].y() < box.Bottom) return c.text;
  return "?";
}

TEST(ChartHint, TextsAndBoxesOfTheKinds) {
  MouseRig rig(201, 100.0, 200.0);
  ASSERT_TRUE(rig.Markers().AddMarker());
  rig.Draw();
  const int B = 2 * 12 + 8;
  // Start value: above the label, left-aligned.
  const TScreenRect a3 = rig.chart->LabelHotAreas[3].Rect;
  rig.Move(rig.Label(3).X, rig.Label(3).Y);
  EXPECT_EQ(HintText(rig), "Start 100 MHz");
  TScreenRect box = rig.chart->LabelHotAreas[15].Rect;
  EXPECT_EQ(box.Left, a3.Left);
  EXPECT_EQ(box.Bottom, a3.Top);
  EXPECT_EQ(box.Height(), B);
  EXPECT_EQ(box.Width(), 7 * 13 + 8);
  // Stop name: right-aligned above its label.
  const TScreenRect a8 = rig.chart->LabelHotAreas[8].Rect;
  rig.Move(rig.Label(8).X, rig.Label(8).Y);
  EXPECT_EQ(HintText(rig), "Change Stop");
  box = rig.chart->LabelHotAreas[15].Rect;
  EXPECT_EQ(box.Right, a8.Right);
  // Left tenth of the stimulus row: above the drag readout's line.
  const ui::Rect row = rig.chart->StimulusRowRect;
  rig.Move(row.Left + 1, row.Top + 2);
  EXPECT_EQ(HintText(rig), "Shift Start");
  box = rig.chart->LabelHotAreas[15].Rect;
  EXPECT_EQ(box.Bottom, row.Top - rig.chart->LineHeight);
  // Scale box: below it, with the value and unit.
  const THotArea* t = rig.Trace().TitleHotAreas;
  rig.Move(MouseRig::Mid(t[3].Rect).X, MouseRig::Mid(t[3].Rect).Y);
  EXPECT_EQ(HintText(rig), "Tr1 Scale " + FormatFloatWithUnit("###0.0### ", rig.Trace().GetResponseUnitText(),
                                                               rig.Trace().GetScaleDiv()));
  box = rig.chart->LabelHotAreas[15].Rect;
  EXPECT_EQ(box.Top, t[3].Rect.Top + rig.chart->LineHeight);
  rig.Move(MouseRig::Mid(t[2].Rect).X, MouseRig::Mid(t[2].Rect).Y);
  EXPECT_EQ(HintText(rig), "Tr1 Meas " + rig.Trace().GetFormatCaption());
  // Label column thirds.
  const ui::Rect plot = rig.chart->PlotRect;
  rig.Move(plot.Left + 1, plot.Top + plot.Height() / 2);
  EXPECT_EQ(HintText(rig), "Change Ref");
  rig.Move(plot.Left + 1, plot.Top + 2);
  EXPECT_EQ(HintText(rig), "Change Scale");
  EXPECT_EQ(rig.chart->LabelHotAreas[15].Rect.Top, plot.Top);
  // Markers.
  TMarker* m = rig.Markers().FindMarker(0);
  rig.Move(MouseRig::Mid(m->FlagRect).X, MouseRig::Mid(m->FlagRect).Y);
  EXPECT_EQ(HintText(rig), "Marker 1");
  EXPECT_EQ(rig.chart->LabelHotAreas[15].Rect.Bottom, m->FlagRect.Top);
  rig.Move(MouseRig::Mid(m->ReadoutRect).X, MouseRig::Mid(m->ReadoutRect).Y);
  EXPECT_EQ(HintText(rig), "M1" + m->GetArgumentText());
  // Background: no box.
  rig.Move(plot.Left + plot.Width() * 3 / 4, plot.Top + 5);
  EXPECT_EQ(HintText(rig), "");
}

TEST(ChartHint, ParameterBoxKeepsThePreviousHintAndTimeLabelsShowNone) {
  MouseRig rig;
  rig.Draw();
  rig.Move(rig.Label(3).X, rig.Label(3).Y);
  // The parameter box is laid out only in some modes: place it by hand.
  rig.Trace().TitleHotAreas[1].Rect = TScreenRect{300, 1, 320, 12};
  rig.Move(305, 5);
  EXPECT_EQ(rig.chart->HintKind, 4);
  EXPECT_EQ(rig.chart->HitKind, 4);

  rig.Trace().SetFormat(18);
  rig.Draw();
  rig.Move(rig.Label(11).X, rig.Label(11).Y);
  EXPECT_EQ(rig.chart->HintKind, 18);
  rig.Paint();
  EXPECT_TRUE(rig.canvas->CallsOf(ui::RecordingCanvas::Op::RoundRect).empty());
  rig.Release(0, 0);
  rig.Press(rig.Label(11).X, rig.Label(11).Y);
  rig.Release(rig.Label(11).X, rig.Label(11).Y);
  ASSERT_EQ(rig.popups.keypads.size(), 1u);
  EXPECT_EQ(rig.popups.keypads[0].title, "Distance");
  rig.Click(rig.Label(10).X, rig.Label(10).Y);
  EXPECT_TRUE(rig.view.timeCenterPriority);
}

TEST(ChartClick, StartHintOpensTheStartKeypadAndOkSetsTheStart) {
  MouseRig rig(201, 100.0, 200.0);
  rig.Draw();
  rig.ClickHint(rig.Label(3).X, rig.Label(3).Y);
  ASSERT_EQ(rig.popups.keypads.size(), 1u);
  const RecordingPopups::Keypad& k = rig.popups.keypads[0];
  EXPECT_EQ(k.title, "Start Frequency");
  EXPECT_EQ(k.unitKind, 0);
  EXPECT_EQ(k.unitIndex, 1);
  EXPECT_DOUBLE_EQ(k.getter(), 100.0);
  k.setter(120.0);
  EXPECT_DOUBLE_EQ(rig.view.range->MinFrequency, 120.0);
}

TEST(ChartClick, CentrePriorityTitleAndTheNameToggles) {
  MouseRig rig(201, 100.0, 200.0);
  rig.view.range->SetFreqCenterPriority(true);
  rig.Draw();
  rig.Click(rig.Label(3).X, rig.Label(3).Y);
  ASSERT_EQ(rig.popups.keypads.size(), 1u);
  EXPECT_EQ(rig.popups.keypads[0].title, "Center Frequency");
  EXPECT_DOUBLE_EQ(rig.popups.keypads[0].getter(), 150.0);
  rig.Click(rig.Label(2).X, rig.Label(2).Y);
  EXPECT_FALSE(rig.view.range->FreqCenterPriority);
}

TEST(ChartClick, SegmentSweepOpensTheSegmentEditorEvenWithoutTheKeypad) {
  MouseRig rig;
  rig.look.UseDigitalPanel = false;
  chartplane::ApplySweep(rig, TRange::Segm, 201, 100.0, 1100.0);
  rig.view.range->SweepMode = TRange::Segm;
  rig.Draw();
  for (int area : {3, 9, 5, 6}) {
    if (rig.chart->LabelHotAreas[static_cast<size_t>(area)].Rect.IsEmpty()) continue;
    rig.Click(rig.Label(area).X, rig.Label(area).Y);
  }
  EXPECT_GE(rig.popups.segmentEditors, 3);
  EXPECT_TRUE(rig.popups.keypads.empty());
  EXPECT_TRUE(rig.popups.lists.empty());
}

TEST(ChartClick, ScaleUnitsFollowFormatAndParameter) {
  struct Case {
    int mode, format, kind, index;
  };
  const Case cases[] = {{4, 7, ukMilliwatt, 0}, {0, 3, ukTime, 3}, {0, 1, ukNone, 0}, {4, 0, ukDbm, 0}, {0, 0, ukDecibel, 0}};
  for (const Case& c : cases) {
    MouseRig rig;
    rig.Trace().SetMeasMode(c.mode);
    rig.Trace().SetFormat(c.format);
    rig.Draw();
    const TScreenPoint p = MouseRig::Mid(rig.Trace().TitleHotAreas[3].Rect);
    rig.Click(p.X, p.Y);
    ASSERT_EQ(rig.popups.keypads.size(), 1u) << c.format;
    EXPECT_EQ(rig.popups.keypads[0].title, "Scale");
    EXPECT_EQ(rig.popups.keypads[0].unitKind, c.kind) << c.mode << "/" << c.format;
    EXPECT_EQ(rig.popups.keypads[0].unitIndex, c.index) << c.format;
  }
}

TEST(ChartClick, DistanceMarkerKeypadInTheScannerUnit) {
  struct Case {
    int system, kind, index;
  };
  for (const Case c : {Case{0, ukTime, 3}, Case{1, ukMetricLength, 0}, Case{2, ukImperialLength, 1}}) {
    MouseRig rig;
    rig.view.scanner.MetricSystem = c.system;
    rig.Trace().SetFormat(18);
    ASSERT_TRUE(rig.Markers().AddMarker());
    rig.Draw();
    TMarker* m = rig.Markers().FindMarker(0);
    ASSERT_FALSE(m->ReadoutRect.IsEmpty());
    rig.Click(MouseRig::Mid(m->ReadoutRect).X, MouseRig::Mid(m->ReadoutRect).Y);
    ASSERT_EQ(rig.popups.keypads.size(), 1u);
    EXPECT_EQ(rig.popups.keypads[0].title, "Distance");
    EXPECT_EQ(rig.popups.keypads[0].unitKind, c.kind);
    EXPECT_EQ(rig.popups.keypads[0].unitIndex, c.index);
    // The keypad outlives the marker: Ok then changes nothing.
    rig.Markers().DeleteAllMarkers();
    rig.popups.keypads[0].setter(1.0);
    EXPECT_EQ(rig.popups.keypads[0].getter(), 0.0);
  }
}

TEST(ChartClick, PowerToggleCaptionPickListsAndNoDigitalPanel) {
  MouseRig rig;
  rig.view.showCaption = true;
  rig.view.caption = "Old";
  rig.Draw();
  if (!rig.chart->LabelHotAreas[7].Rect.IsEmpty()) {
    const bool low = rig.view.scanner.Attenuator20dB;
    rig.Click(rig.Label(7).X, rig.Label(7).Y);
    EXPECT_NE(rig.view.scanner.Attenuator20dB, low);
  }
  rig.Click(rig.Label(1).X, rig.Label(1).Y);
  EXPECT_EQ(rig.popups.editedFrom, "Old");
  EXPECT_EQ(rig.view.caption, "Typed");
  rig.popups.Clear();
  const THotArea* t = rig.Trace().TitleHotAreas;
  rig.Click(MouseRig::Mid(t[2].Rect).X, MouseRig::Mid(t[2].Rect).Y);
  rig.Click(rig.Label(5).X, rig.Label(5).Y);
  rig.Click(rig.Label(6).X, rig.Label(6).Y);
  ASSERT_EQ(rig.popups.lists.size(), 3u);
  EXPECT_EQ(rig.popups.lists[0], TPickList::Format);
  EXPECT_EQ(rig.popups.lists[1], TPickList::Points);
  EXPECT_EQ(rig.popups.lists[2], TPickList::IFBW);
  // A right release over a label acts too.
  rig.popups.Clear();
  rig.Click(rig.Label(3).X, rig.Label(3).Y, ui::MouseButton::Right);
  EXPECT_EQ(rig.popups.keypads.size(), 1u);
  // Without the digital panel no keypad opens.
  rig.popups.Clear();
  rig.look.UseDigitalPanel = false;
  rig.Click(rig.Label(3).X, rig.Label(3).Y);
  rig.Click(MouseRig::Mid(t[3].Rect).X, MouseRig::Mid(t[3].Rect).Y);
  EXPECT_TRUE(rig.popups.keypads.empty());
}

}  // namespace
