// The hover test of the chart: which element lies under the pointer (HitKind), which hint it
// names (HintKind), the cursor, and what leaving the chart clears.
#include <gtest/gtest.h>

#include "tests/display/ChartMouseRig.h"

namespace {

using chartmouse::MouseRig;
using ui::Cursor;

struct Expect {
  int hit;
  int hint;
  Cursor cursor;
};

void ExpectHover(MouseRig& rig, TScreenPoint p, Expect e, const std::string& what) {
  rig.Move(p.X, p.Y);
  EXPECT_EQ(rig.chart->HitKind, e.hit) << what;
  EXPECT_EQ(rig.chart->HintKind, e.hint) << what;
  EXPECT_EQ(rig.chart->GetCursor(), e.cursor) << what;
}

TEST(ChartHover, LabelAreasGiveTheirHintsAndTheHand) {
  MouseRig rig;
  rig.view.showCaption = true;
  rig.view.caption = "Bench";
  rig.Draw();
  const std::pair<int, int> areas[] = {{0, 2}, {1, 1}, {2, 3}, {3, 4}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}};
  for (auto [area, hint] : areas) {
    ASSERT_FALSE(rig.chart->LabelHotAreas[static_cast<size_t>(area)].Rect.IsEmpty()) << area;
    ExpectHover(rig, rig.Label(area), {6, hint, Cursor::HandPoint}, "area " + std::to_string(area));
    if (area != 0) {
      EXPECT_TRUE(rig.chart->LabelHotAreas[static_cast<size_t>(area)].Hover) << area;
    }
  }
}

TEST(ChartHover, TimeDomainLabelsOnlyWhileTheTransformIsActive) {
  MouseRig rig;
  rig.Trace().SetFormat(18);
  ASSERT_TRUE(rig.Trace().IsTransformActive());
  rig.Draw();
  std::vector<TScreenPoint> places;
  for (int area = 10; area <= 14; ++area) {
    if (rig.chart->LabelHotAreas[static_cast<size_t>(area)].Rect.IsEmpty()) continue;  // the spare label may not fit
    places.push_back(rig.Label(area));
    ExpectHover(rig, rig.Label(area), {6, area + 7, Cursor::HandPoint}, "area " + std::to_string(area));
  }
  ASSERT_GE(places.size(), 4u);
  rig.Trace().SetFormat(16);
  rig.Draw();
  for (const TScreenPoint& p : places) {
    rig.Move(p.X, p.Y);
    EXPECT_NE(rig.chart->HitKind, 6) << p.X << "," << p.Y;
  }
}

TEST(ChartHover, TitleBoxesAndReferenceMarks) {
  MouseRig rig;
  rig.view.list.AddMeasurement(0, 0);  // a second trace, Log Mag: its own row and marks
  rig.Draw();
  for (int i = 0; i < 2; ++i) {
    const THotArea* a = rig.Trace(i).TitleHotAreas;
    const std::string t = "trace " + std::to_string(i) + " ";
    ExpectHover(rig, MouseRig::Mid(a[2].Rect), {4, 14, Cursor::HandPoint}, t + "format");
    EXPECT_EQ(rig.chart->HitTrace, i);
    ExpectHover(rig, MouseRig::Mid(a[3].Rect), {4, 15, Cursor::HandPoint}, t + "scale");
    ExpectHover(rig, MouseRig::Mid(a[4].Rect), {4, 16, Cursor::HandPoint}, t + "reference");
    ExpectHover(rig, TScreenPoint{a[0].Rect.Left + 2, a[0].Rect.Top + 2}, {4, 0, Cursor::HandPoint}, t + "name");
  }
  // The reference marks sit at the plot's edges; where two traces' marks meet, the earlier wins.
  const THotArea* a = rig.Trace(0).TitleHotAreas;
  ASSERT_FALSE(a[5].Rect.IsEmpty());
  ExpectHover(rig, MouseRig::Mid(a[5].Rect), {5, 25, Cursor::SizeNS}, "left mark");
  ExpectHover(rig, MouseRig::Mid(a[6].Rect), {5, 26, Cursor::SizeNS}, "right mark");
  EXPECT_EQ(rig.chart->HitTrace, 0);
}

TEST(ChartHover, MarkerReadoutFlagStimulusMarkAndTableRows) {
  MouseRig rig;
  rig.LoadData([](double f) { return TComplex{0.1 + f / 2000.0, 0.0}; });
  ASSERT_TRUE(rig.Markers().AddMarker());
  ASSERT_TRUE(rig.Markers().AddMarker());
  rig.Markers().FindMarker(1)->SetRelativeX(0.8);
  rig.Draw();
  TMarker* m1 = rig.Markers().FindMarker(1);
  ASSERT_FALSE(m1->ReadoutRect.IsEmpty());
  ExpectHover(rig, MouseRig::Mid(m1->ReadoutRect), {1, 27, Cursor::HandPoint}, "readout");
  EXPECT_EQ(rig.chart->HitMarker, 1);
  EXPECT_TRUE(m1->ReadoutHover);
  ExpectHover(rig, MouseRig::Mid(m1->FlagRect), {2, 28, Cursor::SizeWE}, "flag");
  EXPECT_EQ(rig.chart->HitMarker, 1);
  ExpectHover(rig, MouseRig::Mid(m1->StimulusMarkRect), {2, 29, Cursor::SizeWE}, "stimulus mark");
  // A point on both the flag and the stimulus mark counts as the mark.
  m1->StimulusMarkRect = m1->FlagRect;
  ExpectHover(rig, MouseRig::Mid(m1->FlagRect), {2, 29, Cursor::SizeWE}, "both");

  // Table rows outside the readout boxes: the row's marker; past the markers 0, or 15 with the
  // reference marker on.
  TMarkerList& list = rig.Markers();
  const TScreenRect t = list.TableRect;
  const int h = rig.chart->LineHeight;
  ExpectHover(rig, TScreenPoint{t.Left + 1, t.Top + h + 2}, {3, 0, Cursor::HandPoint}, "row 1");
  EXPECT_EQ(rig.chart->HitMarker, 1);
  list.TableRect.Bottom = t.Top + 4 * h;
  ExpectHover(rig, TScreenPoint{t.Left + 1, t.Top + 3 * h + 2}, {3, 0, Cursor::HandPoint}, "past, no reference");
  EXPECT_EQ(rig.chart->HitMarker, 0);
  list.SetReferenceEnabled(true);
  rig.Draw();
  list.TableRect.Bottom = list.TableRect.Top + 6 * h;
  ExpectHover(rig, TScreenPoint{list.TableRect.Left + 1, list.TableRect.Top + 5 * h + 2}, {3, 0, Cursor::HandPoint},
              "past, reference");
  EXPECT_EQ(rig.chart->HitMarker, 15);
}

TEST(ChartHover, StimulusRowTenthsAndLabelColumnThirds) {
  MouseRig rig;
  rig.Draw();
  const ui::Rect row = rig.chart->StimulusRowRect;
  const int y = row.Top + 2;
  const int T = row.Width() / 10;
  ExpectHover(rig, {row.Left + 1, y}, {11, 11, Cursor::SizeWE}, "left tenth");
  ExpectHover(rig, {row.Right - 1, y}, {12, 12, Cursor::SizeWE}, "right tenth");
  ExpectHover(rig, {row.Left + row.Width() / 2, y}, {13, 13, Cursor::HSplit}, "middle");
  ExpectHover(rig, {row.Left + T + 2, y}, {0, 0, Cursor::Default}, "between");

  const ui::Rect plot = rig.chart->PlotRect;
  ASSERT_GT(rig.chart->ScaleLabelWidth, 0);
  const int x = plot.Left + 1;
  const int H = plot.Height();
  ExpectHover(rig, {x, plot.Top + 2}, {8, 22, Cursor::SizeNS}, "top third");
  ExpectHover(rig, {x, plot.Top + H / 2}, {9, 23, Cursor::VSplit}, "middle third");
  ExpectHover(rig, {x, plot.Bottom - 2}, {10, 24, Cursor::SizeNS}, "bottom third");
}

TEST(ChartHover, HintBoxKeepsTheHintAndBackgroundClearsIt) {
  MouseRig rig;
  rig.Draw();
  const TScreenPoint start = rig.Label(3);
  ExpectHover(rig, start, {6, 4, Cursor::HandPoint}, "start value");
  rig.Draw();
  const TScreenRect box = rig.chart->LabelHotAreas[15].Rect;
  ASSERT_FALSE(box.IsEmpty());
  ExpectHover(rig, MouseRig::Mid(box), {19, 4, Cursor::HandPoint}, "hint box");
  const ui::Rect plot = rig.chart->PlotRect;
  ExpectHover(rig, {plot.Left + plot.Width() * 3 / 4, plot.Top + 5}, {0, 0, Cursor::Default}, "background");
  for (TScreenPoint p : {TScreenPoint{-5, -5}, TScreenPoint{100000, 7}, TScreenPoint{-2147483000, 2147483000}})
    ExpectHover(rig, p, {0, 0, Cursor::Default}, "off the chart");
}

TEST(ChartHover, LeaveClearsHoverFlagsButKeepsTheHitKind) {
  MouseRig rig;
  ASSERT_TRUE(rig.Markers().AddMarker());
  rig.Draw();
  TMarker* m = rig.Markers().FindMarker(0);
  rig.Move(MouseRig::Mid(m->ReadoutRect).X, MouseRig::Mid(m->ReadoutRect).Y);
  ASSERT_TRUE(m->ReadoutHover);
  rig.Move(rig.Label(3).X, rig.Label(3).Y);
  ASSERT_TRUE(rig.chart->LabelHotAreas[3].Hover);
  rig.chart->LabelHotAreas[15].Hover = true;
  m->ReadoutHover = true;
  rig.driver.Leave(*rig.chart);
  for (size_t k = 1; k < 16; ++k) EXPECT_FALSE(rig.chart->LabelHotAreas[k].Hover) << k;
  EXPECT_FALSE(m->ReadoutHover);
  EXPECT_EQ(rig.chart->HintKind, 0);
  EXPECT_EQ(rig.chart->HitKind, 6);
  rig.Draw();
  EXPECT_TRUE(rig.chart->LabelHotAreas[15].Rect.IsEmpty());
}

TEST(ChartHover, TinyChartAndNoTraceAreSafe) {
  MouseRig rig;
  rig.chart->SetBounds(0, 0, 10, 10);
  rig.Draw();
  for (int x = -3; x < 14; x += 2) {
    rig.Move(x, x);
    rig.Press(x, x);
    rig.DragMove(x + 3, x - 3);
    rig.Release(x, x);
  }
  rig.view.list.Clear();
  rig.chart->SetBounds(0, 0, 451, 304);
  rig.Draw();
  rig.Click(200, 150);
  rig.Click(20, 290);
  EXPECT_EQ(rig.popups.Opened(), 0u);
}

}  // namespace
