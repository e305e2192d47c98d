// The Smith grid's outer reactance arcs (the fourth and fifth pair): past a full scale they take
// radii of their own so that they stay readable, and below another they are left out. Arcs are
// told apart by centre and radius on the recording canvas.
#include <gtest/gtest.h>

#include <string>

#include "tests/display/ChartPlaneSupport.h"
#include "traces/Measurement.h"

namespace {

using chartplane::Call;
using chartplane::ChartRig;
using chartplane::Op;

// Whether the paint holds an arc (or whole circle) of centre (x, y) and radius r.
bool HasCircle(const ui::RecordingCanvas& canvas, int x, int y, int r) {
  for (const Call& c : canvas.CallsOf(Op::Arc))
    if (c.rect == ui::Rect(x - r, y - r, x + r + 1, y + r + 1)) return true;
  return false;
}

TEST(ChartAxes, OuterReactanceArcsTakeTheirOwnRadiiOrAreLeftOut) {
  // Fixture plot (13, 18, 431, 273): R = 127, centre (222, 145). Numbers worked by hand from
  // the grid's rules: r1 = R / F, the arcs touch the real axis at x = trunc(cx +- r1).
  struct Case {
    const char* name;
    int format;
    double fullScale;
    int x, upperY, lowerY, r;  // the pair's centres trunc(cy -+ rho)
    bool drawn;
  };
  const Case cases[] = {
      // F = 3, fourth pair: (7 / ((3 - 2.92)^2 + 7) + 3) * R / 9 = 56.43 (the plain rule: 57).
      {"F 3, fourth pair replaced", 8, 3.0, 264, 88, 201, 56, true},
      {"F 3, fourth pair by the plain rule", 8, 3.0, 264, 87, 202, 57, false},
      // F = 3, fifth pair: (0.228866 / ((3 - 1.45)^2 + 2) + 0.1666666) * R = 27.77 (plain: 67).
      {"F 3, fifth pair replaced", 8, 3.0, 264, 117, 172, 27, true},
      {"F 3, fifth pair by the plain rule", 8, 3.0, 264, 77, 212, 67, false},
      {"F 3 admittance, fifth pair replaced", 12, 3.0, 179, 117, 172, 27, true},
      // F = 0.5: the fourth pair by the plain rule (R * sqrt 3 = 219.97), the fifth left out
      // (it would be 195.06 and cross the plot circle).
      {"F 0.5, fourth pair", 8, 0.5, 476, -74, 364, 219, true},
      {"F 0.5, fifth pair left out", 8, 0.5, 476, -50, 340, 195, false},
      // F = 0.7: the fifth pair by the plain rule, 71.94.
      {"F 0.7, fifth pair", 8, 0.7, 403, 73, 216, 71, true},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.Trace().SetFormat(c.format);
    rig.Trace().SetFullScale(c.fullScale);
    ui::RecordingCanvas& canvas = rig.Paint();
    ASSERT_EQ(rig.chart->PlotRect, ui::Rect(13, 18, 431, 273));
    EXPECT_EQ(HasCircle(canvas, c.x, c.upperY, c.r), c.drawn) << c.name << " (upper)";
    EXPECT_EQ(HasCircle(canvas, c.x, c.lowerY, c.r), c.drawn) << c.name << " (lower)";
  }
}

// At 1e20 MHz one step of the grid is below the spacing of doubles around f0 / step, so the
// count of multiples cannot advance: the line loop ends on its bound, and the paint completes.
TEST(ChartAxes, StimulusLinesBeyondTheDoublesPrecisionEndOnTheBound) {
  ChartRig rig;
  rig.view.range->GetPoint(0)->Frequency = 1e20;
  rig.view.range->GetPoint(200)->Frequency = 1e20 + 16384.0;  // one spacing of doubles up
  ASSERT_GT(rig.Trace().GetPointStimulus(200), rig.Trace().GetPointStimulus(0));
  ASSERT_EQ(TDrawingPlane::GridStep(1e20 + 16384.0, 1e20), 2000.0);
  ui::RecordingCanvas& canvas = rig.Paint();
  int vertical = 0;
  for (const Call& c : chartplane::LinesOf(canvas, rig.look.GetGridColor()))
    if (chartplane::IsVertical(c)) ++vertical;
  EXPECT_LE(vertical, 10000);
}

}  // namespace
