// Presses and drags on the chart: full scale, reference value and position, markers, the marker
// table, stimulus drags and the colour pick.
#include <gtest/gtest.h>

#include <cmath>

#include "model/Range.h"
#include "tests/display/ChartMouseRig.h"

namespace {

using chartmouse::MouseRig;

TEST(ChartDrag, FullScaleStepsAndRounds) {
  for (bool top : {true, false}) {
    MouseRig rig;
    rig.Trace().SetScaleDiv(5.0);
    rig.Draw();
    ASSERT_DOUBLE_EQ(rig.Trace().GetFullScale(), 50.0);
    const ui::Rect plot = rig.chart->PlotRect;
    const int x = plot.Left + 1;
    int y = top ? plot.Top + 30 : plot.Bottom - 30;
    rig.Move(x, y);
    rig.Press(x, y);
    ASSERT_EQ(rig.chart->HitKind, top ? 8 : 10);
    const int dir = top ? -1 : 1;  // up in the top third, down in the bottom third
    rig.DragMove(x, y += 4 * dir);
    EXPECT_DOUBLE_EQ(rig.Trace().GetScaleDiv(), 5.5) << top;
    rig.DragMove(x, y += 4 * dir);
    EXPECT_DOUBLE_EQ(rig.Trace().GetScaleDiv(), 7.0) << top;
    rig.DragMove(x + 9, y);  // no vertical move: no step
    EXPECT_DOUBLE_EQ(rig.Trace().GetScaleDiv(), 7.0) << top;
    rig.Release(x, y);
  }
}

TEST(ChartDrag, ReferenceValueAndPositionStepOncePerDivisionHeight) {
  MouseRig rig;
  rig.Draw();
  const ui::Rect plot = rig.chart->PlotRect;
  const int d = plot.Height() / 10;
  const double ref = rig.Trace().GetRefValue();
  const double div = rig.Trace().GetScaleDiv();
  const int x = plot.Left + 1;
  const int y = plot.Top + plot.Height() / 2;
  rig.Move(x, y);
  rig.Press(x, y);
  ASSERT_EQ(rig.chart->HitKind, 9);
  rig.DragMove(x, y + d);
  EXPECT_DOUBLE_EQ(rig.Trace().GetRefValue(), ref);
  rig.DragMove(x, y + d + 1);
  EXPECT_DOUBLE_EQ(rig.Trace().GetRefValue(), ref + div);
  rig.DragMove(x, y);
  EXPECT_DOUBLE_EQ(rig.Trace().GetRefValue(), ref);
  rig.Release(x, y);

  const int pos = rig.Trace().GetRefPosition();
  const TScreenPoint mark = MouseRig::Mid(rig.Trace().TitleHotAreas[5].Rect);
  rig.Move(mark.X, mark.Y);
  rig.Press(mark.X, mark.Y);
  ASSERT_EQ(rig.chart->HitKind, 5);
  rig.DragMove(mark.X, mark.Y + d);
  EXPECT_EQ(rig.Trace().GetRefPosition(), pos);
  rig.DragMove(mark.X, mark.Y + d + 1);
  EXPECT_EQ(rig.Trace().GetRefPosition(), pos + 1);
  rig.Release(mark.X, mark.Y);
}

TEST(ChartDrag, FlagOfAnotherMarkerBecomesActiveThenMovesInX) {
  MouseRig rig;
  ASSERT_TRUE(rig.Markers().AddMarker());
  ASSERT_TRUE(rig.Markers().AddMarker());
  rig.Markers().FindMarker(0)->SetRelativeX(0.25);
  rig.Markers().SetActiveMarker(1);
  rig.Draw();
  const TScreenPoint flag = MouseRig::Mid(rig.Markers().FindMarker(0)->FlagRect);
  rig.Move(flag.X, flag.Y);
  rig.Press(flag.X, flag.Y);
  EXPECT_EQ(rig.Markers().ActiveMarker, 0);
  const ui::Rect plot = rig.chart->PlotRect;
  const int x = plot.Left + plot.Width() * 3 / 4;
  rig.DragMove(x, flag.Y + 40);
  EXPECT_NEAR(rig.Markers().FindMarker(0)->RelativeX, static_cast<double>(x - plot.Left) / plot.Width(), 1e-9);
  EXPECT_NEAR(rig.Markers().FindMarker(1)->RelativeX, 0.5, 1e-9);
  rig.Release(x, flag.Y + 40);
}

TEST(ChartDrag, TableDragMovesTheTablePosition) {
  MouseRig rig;
  ASSERT_TRUE(rig.Markers().AddMarker());
  rig.Draw();
  TMarkerList& list = rig.Markers();
  const int left = list.BoundsLeft;
  const int top = list.BoundsTop;
  const TScreenRect t = list.TableRect;
  const TScreenPoint p{t.Left + 1, t.Top + 2};
  rig.Move(p.X, p.Y);
  rig.Press(p.X, p.Y);
  ASSERT_EQ(rig.chart->HitKind, 3);
  rig.DragMove(p.X - 60, p.Y + 50);
  rig.Release(p.X - 60, p.Y + 50);
  EXPECT_EQ(list.TableRect.Top, t.Top + 50);
  (void)left;
  (void)top;
  EXPECT_EQ(list.BoundsLeft, list.GetBoundsLeftFromTable());
  EXPECT_EQ(list.BoundsTop, list.GetBoundsTopFromTable());
}

TEST(ChartDrag, StimulusReleasesSetStartLinearCentreLogAndNothingInSegments) {
  struct Case {
    int mode;
    bool centre;
  };
  for (const Case c : {Case{TRange::Lin, false}, Case{TRange::Log, true}, Case{TRange::Segm, false}}) {
    MouseRig rig;
    if (c.mode != TRange::Lin) chartplane::ApplySweep(rig, c.mode, 201, 100.0, 1100.0);
    rig.view.range->SweepMode = c.mode;
    rig.Draw();
    TRange& range = *rig.view.range;
    const double start = range.MinFrequency, stop = range.MaxFrequency;
    const ui::Rect row = rig.chart->StimulusRowRect;
    const int x0 = c.centre ? row.Left + row.Width() / 2 : row.Left + 1;
    rig.Move(x0, row.Top + 2);
    rig.Press(x0, row.Top + 2);
    rig.DragMove(x0 + 10, row.Top + 2);
    double expected = 0;
    const bool maps = rig.chart->FrequencyAtX(x0 + 10, expected);
    rig.Release(x0 + 10, row.Top + 2);
    if (c.mode == TRange::Segm) {
      EXPECT_FALSE(maps);
      EXPECT_EQ(range.MinFrequency, start);
      EXPECT_EQ(range.MaxFrequency, stop);
    } else if (c.centre) {
      ASSERT_TRUE(maps);
      EXPECT_NEAR(range.GetCenterFrequency(), expected, 1e-6);
    } else {
      ASSERT_TRUE(maps);
      EXPECT_NEAR(range.MinFrequency, expected, 1e-6);
      EXPECT_EQ(range.MaxFrequency, stop);
    }
  }
}

TEST(ChartDrag, StartTenthOfADistanceTraceWithoutPaintStaysInTheBand) {
  MouseRig rig;
  rig.Draw();
  rig.Trace().SetFormat(18);  // no paint after: the layout is the frequency one
  const ui::Rect row = rig.chart->StimulusRowRect;
  TRange& range = *rig.view.range;
  const double t = 1.0 / row.Width();
  const double expected = std::round((100.0 + 1000.0 * t) * 10.0) / 10.0;
  rig.Click(row.Left + 1, row.Top + 2);
  EXPECT_NEAR(range.MinFrequency, expected, 1e-6);
  EXPECT_GE(range.MinFrequency, range.GetDeviceMinFrequency());
}

TEST(ChartDrag, ColourPickCountsPixelsOfTheTraceColours) {
  MouseRig rig;
  rig.view.list.AddMeasurement(0, 0);
  rig.view.list.SetActive(0);
  rig.Draw();
  const ui::Rect plot = rig.chart->PlotRect;
  const int X = plot.Left + plot.Width() * 3 / 4, Y = plot.Top + plot.Height() / 2 + 7;
  ui::ImageCanvas& pic = rig.chart->KeptCanvas();
  const TColor bg = rig.look.GetUndegroundColor();
  auto fill = [&](int n0, int n1) {
    int k = 0;
    for (int y = Y - 2; y <= Y + 2; ++y)
      for (int x = X - 2; x <= X + 2; ++x, ++k)
        pic.SetPixel(x, y, k < n0 ? rig.look.GetMainColor(0) : k < n0 + n1 ? rig.look.GetMainColor(1) : bg);
  };
  struct Case {
    int n0, n1, active;
  };
  for (const Case c : {Case{5, 9, 1}, Case{9, 5, 0}, Case{6, 6, 0}, Case{0, 1, 1}, Case{0, 0, -1}}) {
    rig.view.list.SetActive(c.active == 0 ? 1 : 0);
    const int before = rig.view.list.GetActive()->TraceIndex;
    fill(c.n0, c.n1);
    rig.Move(X, Y);
    ASSERT_EQ(rig.chart->HitKind, 0);
    rig.Press(X, Y);
    rig.Release(X, Y);
    EXPECT_EQ(rig.view.list.GetActive()->TraceIndex, c.active < 0 ? before : c.active) << c.n0 << "/" << c.n1;
  }
  // Two traces in one colour resolve to the earlier one.
  rig.look.SetMainColor(1, rig.look.GetMainColor(0));
  rig.view.list.SetActive(1);
  fill(4, 0);
  rig.Click(X, Y);
  EXPECT_EQ(rig.view.list.GetActive()->TraceIndex, 0);
  // A press at the corner reads outside the picture and picks nothing.
  rig.view.list.SetActive(1);
  rig.Click(0, 0);
  EXPECT_EQ(rig.view.list.GetActive()->TraceIndex, 1);
}

TEST(ChartDrag, StaleTraceIndexAfterRemoteDeletionDoesNothing) {
  MouseRig rig;
  rig.view.list.AddMeasurement(0, 0);
  rig.Draw();
  const TScreenPoint scale = MouseRig::Mid(rig.Trace(1).TitleHotAreas[3].Rect);
  rig.Move(scale.X, scale.Y);
  rig.Draw();
  const TScreenRect box = rig.chart->LabelHotAreas[15].Rect;
  ASSERT_FALSE(box.IsEmpty());
  rig.view.list.SetActive(1);
  rig.view.list.DeleteActiveMeasurement();
  ASSERT_EQ(rig.view.list.GetCount(), 1);
  rig.Click(MouseRig::Mid(box).X, MouseRig::Mid(box).Y);
  EXPECT_EQ(rig.popups.keypads.size(), 0u);
  EXPECT_EQ(rig.view.list.GetActive(), &rig.Trace(0));
}

}  // namespace
