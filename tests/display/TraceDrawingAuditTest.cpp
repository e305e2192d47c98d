// A circular-format trace keeps every point within the plot's square: each coordinate of a
// reflection beyond the full scale stops at the radius, whatever its size.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "tests/display/ChartPlaneSupport.h"
#include "traces/Measurement.h"

namespace {

using chartplane::Call;
using chartplane::ChartRig;
using chartplane::Op;

TEST(TraceDrawing, CircularPointsStopAtThePlotRadius) {
  // Fixture plot (13, 18, 431, 273): R = 127, centre (222, 145); full scale 1.
  struct Case {
    double re, im;
    int x, y;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.5, -0.25, 222 + 63, 145 + 31},  // inside: trunc(63.5), trunc(31.75)
      {3.0, 0.0, 222 + 127, 145},
      {-5.0, 5.0, 222 - 127, 145 - 127},
      {0.2, -1e300, 222 + 25, 145 + 127},
      {inf, -inf, 222 + 127, 145 + 127},
  };
  for (int format : {8, 13}) {
    for (const Case& c : cases) {
      ChartRig rig;
      rig.Trace().SetFormat(format);
      rig.Trace().SetFullScale(1.0);
      rig.LoadData([&c](double) { return TComplex{c.re, c.im}; });
      ui::RecordingCanvas& canvas = rig.Paint();
      ASSERT_EQ(rig.chart->PlotRect, ui::Rect(13, 18, 431, 273));
      std::vector<ui::Point> trace;
      for (const Call& call : canvas.CallsOf(Op::Polyline))
        if (call.pen.Color == rig.look.GetMainColor(0) && call.points.size() == 201u) trace = call.points;
      ASSERT_EQ(trace.size(), 201u) << format << " " << c.re << " " << c.im;
      EXPECT_EQ(trace[100], ui::Point(c.x, c.y)) << format << " " << c.re << " " << c.im;
    }
  }
}

}  // namespace
