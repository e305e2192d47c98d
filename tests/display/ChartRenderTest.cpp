// Whole paints into pictures (kept as PNG files in the build folder): where the trace, the
// grids of the three format classes, the active-channel frame and the pass/fail sign put their
// pixels on a synthetic 201-point channel; and paints with hostile numbers that must complete.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>

#include "model/Complex.h"
#include "tests/display/ChartPlaneSupport.h"
#include "traces/Format.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace {

using chartplane::AddLimitSegment;
using chartplane::ApplySweep;
using chartplane::ChartRig;
using chartplane::Circle;
using chartplane::Picture;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A reflection that wanders over the chart with frequency.
TComplex Wander(double f) { return Polar(0.3 + 0.2 * std::sin(f / 97.0), -f / 60.0); }

TEST(ChartRender, RectangularTraceAndDivisionRows) {
  ChartRig rig;
  rig.LoadData(Wander);
  Picture pic(rig, "ChartRender_rectangular");
  const TDrawingPlane& chart = *rig.chart;
  const TMeasurement& t = rig.Trace();
  const ui::TColor trace = rig.look.GetMainColor(0);
  for (int j = 20; j <= 180; j += 8) {
    const ui::Point p = chart.TracePoint(t, j);
    EXPECT_EQ(pic.At(p.x(), p.y()), trace) << "vertex " << j;
  }
  const ui::Rect& plot = chart.PlotRect;
  for (int i = 1; i < 10; ++i) {
    const int y = i * plot.Height() / 10 + plot.Top;
    int grid = 0;
    int away = 0;
    for (int x = plot.Left + 60; x < plot.Right - 20; ++x) {
      // Only pixels at least 3 rows from every trace vertex of this column count.
      bool nearTrace = false;
      for (int j = 0; j < t.GetPointCount(); ++j) {
        const ui::Point p = chart.TracePoint(t, j);
        if (std::abs(p.x() - x) <= 3 && std::abs(p.y() - y) <= 3) nearTrace = true;
      }
      if (nearTrace) continue;
      ++away;
      if (pic.At(x, y) == rig.look.GetGridColor()) ++grid;
    }
    EXPECT_GT(away, 100) << "row " << i;
    EXPECT_EQ(grid, away) << "row " << i;
  }
}

TEST(ChartRender, SmithGridFullScaleOne) {
  for (int format : {8, 12}) {
    ChartRig rig;
    rig.Trace().SetFormat(format);
    rig.Trace().SetFullScale(1.0);
    // |G| = 0.5 turning from 0 to 180 degrees over the sweep: +90 degrees at 600 MHz.
    rig.LoadData([](double f) { return Polar(0.5, std::numbers::pi * (f - 100) / 1000); });
    Picture pic(rig, "ChartRender_smith_" + std::to_string(format));
    const Circle c(rig.chart->PlotRect);
    const double s = format == 12 ? -1 : 1;
    const ui::TColor grid = rig.look.GetGridColor();
    // The +j1 arc (mirrored for the admittance chart).
    EXPECT_TRUE(pic.Near(c.cx + s * 0.293 * c.r, c.cy - 0.293 * c.r, grid)) << format;
    // The plot circle and the real axis.
    EXPECT_TRUE(pic.Near(c.cx, c.cy - c.r, grid)) << format;
    EXPECT_TRUE(pic.Near(c.cx - 0.7 * c.r, c.cy, grid)) << format;
    // No vertical line at the right edge at full scale 1.
    if (format == 8) {
      EXPECT_FALSE(pic.Near(c.cx + c.r - 1, c.cy + 0.5 * c.r, grid, 0));
      EXPECT_TRUE(pic.Near(c.cx, c.cy - c.r / 2.0, rig.look.GetMainColor(0))) << "|G| = 0.5 at +90 degrees";
      EXPECT_FALSE(pic.Near(c.cx, c.cy + c.r / 2.0, rig.look.GetMainColor(0))) << "nothing at -90 degrees";
    }
  }
}

TEST(ChartRender, SmithGridFullScaleThree) {
  ChartRig rig;
  rig.Trace().SetFormat(8);
  rig.Trace().SetFullScale(3.0);
  rig.LoadData([](double) { return TComplex{0.0, 0.0}; });
  Picture pic(rig, "ChartRender_smith_fs3");
  const Circle c(rig.chart->PlotRect);
  const ui::TColor grid = rig.look.GetGridColor();
  // The unit circle and the vertical line through reflection +1.
  EXPECT_TRUE(pic.Near(c.cx, c.cy - c.r / 3.0, grid));
  EXPECT_TRUE(pic.Near(c.cx + c.r / 3.0, c.cy + c.r / 2.0, grid));
}

TEST(ChartRender, PolarGrid) {
  ChartRig rig;
  rig.Trace().SetFormat(13);
  rig.Trace().SetFullScale(1.25);
  rig.LoadData([](double) { return TComplex{0.0, 0.0}; });
  Picture pic(rig, "ChartRender_polar");
  const Circle c(rig.chart->PlotRect);
  const ui::TColor grid = rig.look.GetGridColor();
  const double a = std::numbers::pi / 6;
  EXPECT_TRUE(pic.Near(c.cx + 0.8 * c.r * std::cos(a), c.cy - 0.8 * c.r * std::sin(a), grid)) << "magnitude 1";
  EXPECT_TRUE(pic.Near(c.cx + 0.42 * c.r, c.cy + 0.42 * c.r, grid)) << "45 degree spoke";
  EXPECT_TRUE(pic.Near(c.cx + c.r / 4.0, c.cy, grid)) << "first ring on the axis";
}

TEST(ChartRender, ActiveChannelFrameOnlyWithTwoChannels) {
  for (int count : {1, 2}) {
    ChartRig rig;
    TDrawingPlane::ChannelInfoHook = [count] { return TDrawingPlane::TChannelInfo{count, 0}; };
    Picture pic(rig, "ChartRender_frame_" + std::to_string(count));
    TDrawingPlane::ChannelInfoHook = nullptr;
    const ui::TColor expected = count == 2 ? rig.look.GetFontColor() : rig.look.GetUndegroundColor();
    EXPECT_EQ(pic.At(225, 0), expected) << count;
    EXPECT_EQ(pic.At(0, 150), expected) << count;
  }
}

TEST(ChartRender, PassFailSign) {
  struct Case {
    const char* name;
    double limit;  // upper limit, relative to the trace's value
    bool sign;
    ui::TColor color;
    bool shown;
  };
  ChartRig probe;
  const Case cases[] = {
      {"fail", -5.0, true, probe.look.GetLimitColor(), true},
      {"fail_hidden", -5.0, false, probe.look.GetLimitColor(), false},
      {"pass", 5.0, true, probe.look.GetLimitPassColor(), true},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData([](double) { return TComplex{0.1, 0.0}; });  // 20 dB return loss everywhere
    TMeasurement& t = rig.Trace();
    const double v = t.GetDisplayValue(100);
    // The trace runs just under the top edge, away from the sign.
    t.SetRefPosition(0);
    t.SetRefValue(v + 1);
    AddLimitSegment(*t.LimitLine, 100, 1100, v + c.limit, v + c.limit, TLimitLine::kLimitUpper);
    t.SetLimitTest(true);
    t.SetShowFailSign(c.sign);
    Picture pic(rig, std::string("ChartRender_sign_") + c.name);
    const ui::Rect& p = rig.chart->PlotRect;
    const int mx = (p.Left + p.Right) / 2;
    const int my = (p.Top + p.Bottom) / 2;
    const int n = pic.Count(ui::Rect(mx - 60, my - 10, mx + 60, my + 40), c.color);
    if (c.shown) {
      EXPECT_GT(n, 40) << c.name;
    } else {
      EXPECT_LT(n, 5) << c.name;
    }
  }
}

// Every paint below must complete; the pictures are kept for a look.
TEST(ChartRender, HostileNumbersStillPaint) {
  struct Case {
    const char* name;
    std::function<void(ChartRig&)> setup;
  };
  const Case cases[] = {
      {"nan_values", [](ChartRig& r) { r.LoadData([](double) { return TComplex{kNaN, kNaN}; }); }},
      {"inf_values", [](ChartRig& r) { r.LoadData([](double f) { return TComplex{f > 500 ? kInf : -kInf, kInf}; }); }},
      {"zero_scale_rect", [](ChartRig& r) { r.Trace().GetFormat()->ScaleDiv = 0; }},
      {"nan_scale_rect", [](ChartRig& r) { r.Trace().GetFormat()->ScaleDiv = kNaN; }},
      {"zero_scale_smith",
       [](ChartRig& r) {
         r.Trace().SetFormat(8);
         r.Trace().GetFormat()->ScaleDiv = 0;
       }},
      {"nan_scale_smith",
       [](ChartRig& r) {
         r.Trace().SetFormat(12);
         r.Trace().GetFormat()->ScaleDiv = kNaN;
       }},
      {"zero_scale_polar",
       [](ChartRig& r) {
         r.Trace().SetFormat(13);
         r.Trace().GetFormat()->ScaleDiv = 0;
       }},
      {"nan_scale_polar",
       [](ChartRig& r) {
         r.Trace().SetFormat(15);
         r.Trace().GetFormat()->ScaleDiv = kNaN;
       }},
      {"huge_ref", [](ChartRig& r) { r.Trace().GetFormat()->RefValue = 1e300; }},
      {"zero_span", [](ChartRig& r) { ApplySweep(r, 0, 201, 500, 500); }},
      {"log_from_zero",
       [](ChartRig& r) {
         ApplySweep(r, 1, 201, 150, 4000);
         r.view.range->GetPoint(0)->Frequency = 0.0;
       }},
      {"full_channel", [](ChartRig& r) { ApplySweep(r, 0, 16001, 100, 1100); }},
      {"limit_nan",
       [](ChartRig& r) {
         TMeasurement& t = r.Trace();
         AddLimitSegment(*t.LimitLine, 100, 1100, -1e300, 1e300, TLimitLine::kLimitLower);
         t.SetShowLimit(true);
         t.SetLimitTest(true);
       }},
  };
  for (const Case& c : cases) {
    ChartRig rig;
    rig.LoadData(Wander);
    c.setup(rig);
    Picture pic(rig, std::string("ChartRender_hostile_") + c.name);
    rig.Paint();
    ui::RecordingCanvas tiny(10, 10, 12, 7);
    rig.chart->Paint(tiny);
    ui::RecordingCanvas onePixelFont(451, 304, 1, 1);
    rig.chart->Paint(onePixelFont);
    SUCCEED() << c.name;
  }
}

}  // namespace
