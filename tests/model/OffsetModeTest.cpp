#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "ChannelFakes.h"
#include "model/CalGrid.h"
#include "model/Range.h"
#include "platform/Clock.h"

namespace {

struct Offset : fakes::ChannelServices {
  TRange range{nullptr};
  fakes::EventCounter events;
  Offset() {
    range.ChangeNotify = true;
    events.Attach(range);
  }
  int Rebuilds() const { return cursor.shown; }
};

// ---- Offset mode -------------------------------------------------------------------------------

TEST(OffsetMode, PointPlanMapsSourceAndReceiver) {
  Offset o;
  o.range.FOMState = true;
  o.range.FOMMultiplier[0] = 2;
  o.range.FOMOffset[0] = 10;
  double planned = 0;
  TPointSynthSettings settings;
  o.plan.ClearRecords();
  ASSERT_TRUE(o.range.PlanPointSynth(1000, 0.000025, planned, settings));
  EXPECT_EQ(planned, 1000);
  ASSERT_EQ(o.plan.signalRequests.size(), 1u);
  EXPECT_EQ(o.plan.signalRequests[0], 2010);
  EXPECT_NEAR(o.plan.heterodyneRequests[0], 1000.24, 1e-9);  // the receiver follows the point
  EXPECT_EQ(settings.Signal.N, 2010);
  EXPECT_EQ(settings.Heterodyne.N, 1000);

  // The adjustment on side 0 is added to the source and taken off after the inverse scaling.
  o.range.FOMAdjust = true;
  o.range.FOMAdjValue[0] = 0.25;
  o.plan.ClearRecords();
  ASSERT_TRUE(o.range.PlanPointSynth(1000, 0.000025, planned, settings));
  EXPECT_EQ(o.plan.signalRequests[0], 2010.25);
  EXPECT_NEAR(o.plan.heterodyneRequests[0], (2010.25 - 10) / 2 - 0.25 + 0.24, 1e-9);

  // Without a source multiplier the receiver takes the point frequency.
  o.range.FOMAdjust = false;
  o.range.FOMMultiplier[0] = 0;
  o.range.FOMOffset[1] = 5;
  o.plan.ClearRecords();
  ASSERT_TRUE(o.range.PlanPointSynth(1000, 0.000025, planned, settings));
  EXPECT_EQ(o.plan.signalRequests[0], 85);  // 0 x f + 10, limited to the band
  EXPECT_NEAR(o.plan.heterodyneRequests[0], 1005.24, 1e-9);
}

TEST(OffsetMode, PointPlanWithTheModeOffAndTheHarmonicRule) {
  Offset o;
  o.plan.heterodyneRule = [](double lo, double) { return lo / 3; };
  double planned = 0;
  TPointSynthSettings settings;
  o.plan.ClearRecords();
  ASSERT_TRUE(o.range.PlanPointSynth(12000, 1, planned, settings));
  EXPECT_EQ(o.plan.signalRequests[0], 12000);
  EXPECT_EQ(o.plan.signalTolerances[0], 1);
  EXPECT_NEAR(o.plan.heterodyneRequests[0], 12000.24 / 3, 1e-9);
  // The signal tolerance never exceeds half the source frequency.
  o.range.PlanPointSynth(100, 1000, planned, settings);
  EXPECT_EQ(o.plan.signalTolerances.back(), 50);

  o.plan.heterodyneFails = [](double) { return true; };
  EXPECT_FALSE(o.range.PlanPointSynth(1000, 1, planned, settings));
  o.device.row = 5;
  o.plan.ClearRecords();
  EXPECT_FALSE(o.range.PlanPointSynth(1000, 1, planned, settings));
  EXPECT_TRUE(o.plan.signalRequests.empty());
}

TEST(OffsetMode, SetterTable) {
  struct Case {
    const char* name;
    std::function<void(Offset&)> preset;
    std::function<void(TRange&)> call;
    std::function<void(const TRange&)> check;
    bool rebuild;
    int events;  // OnChange and OnSettingsChange each
  };
  auto none = [](Offset&) {};
  auto modeOn = [](Offset& o) { o.range.FOMState = true; };
  const Case cases[] = {
      {"multiplier limited", none, [](TRange& r) { r.SetOffsetMultiplier(0, 5000); },
       [](const TRange& r) { EXPECT_EQ(r.FOMMultiplier[0], 1000); }, false, 1},
      {"multiplier with the mode on rebuilds", modeOn, [](TRange& r) { r.SetOffsetMultiplier(1, -5000); },
       [](const TRange& r) { EXPECT_EQ(r.FOMMultiplier[1], -1000); }, true, 1},
      {"divider limited", [](Offset& o) { o.range.FOMDivider[1] = 5; }, [](TRange& r) { r.SetOffsetDivider(1, 0); },
       [](const TRange& r) { EXPECT_EQ(r.FOMDivider[1], 1); }, false, 1},
      {"same divider", none, [](TRange& r) { r.SetOffsetDivider(1, 0); },
       [](const TRange& r) { EXPECT_EQ(r.FOMDivider[1], 1); }, false, 0},
      {"adjustment limited", none, [](TRange& r) { r.SetOffsetAdjustValue(0, 0.7); },
       [](const TRange& r) { EXPECT_EQ(r.FOMAdjValue[0], 0.5); }, false, 1},
      {"adjustment rounded to 1e-6", modeOn, [](TRange& r) { r.SetOffsetAdjustValue(1, -0.1234567); },
       [](const TRange& r) { EXPECT_NEAR(r.FOMAdjValue[1], -0.123457, 1e-15); }, true, 1},
      {"offset below the step", [](Offset& o) { o.range.FOMOffset[0] = 3; },
       [](TRange& r) { r.SetOffsetValue(0, 0.0000004); }, [](const TRange& r) { EXPECT_EQ(r.FOMOffset[0], 0); },
       false, 1},
      {"same offset", none, [](TRange& r) { r.SetOffsetValue(0, 0.0000004); },
       [](const TRange& r) { EXPECT_EQ(r.FOMOffset[0], 0); }, false, 0},
      {"offset limited to the device maximum", none, [](TRange& r) { r.SetOffsetValue(1, -20000); },
       [](const TRange& r) { EXPECT_EQ(r.FOMOffset[1], -14000); }, false, 1},
      {"mode on", none, [](TRange& r) { r.SetOffsetModeEnabled(true); },
       [](const TRange& r) { EXPECT_TRUE(r.FOMState); }, true, 1},
      {"mode on again", modeOn, [](TRange& r) { r.SetOffsetModeEnabled(true); },
       [](const TRange& r) { EXPECT_TRUE(r.FOMState); }, false, 0},
      {"mode off", modeOn, [](TRange& r) { r.SetOffsetModeEnabled(false); },
       [](const TRange& r) { EXPECT_FALSE(r.FOMState); }, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Offset o;
    c.preset(o);
    o.events.Reset();
    const int rebuilds = o.Rebuilds();
    c.call(o.range);
    c.check(o.range);
    EXPECT_EQ(o.Rebuilds() - rebuilds, c.rebuild ? 1 : 0);
    EXPECT_EQ(o.events.change, c.events);
    EXPECT_EQ(o.events.settings, c.events);
  }
}

TEST(OffsetMode, SwitchingTheModeOnTurnsTheCorrectionsOff) {
  Offset o;
  for (int p = 0; p < 2; ++p) {
    o.range.DeembNetwork[p].SetOnePortData({{0, 0}, {0, 0}}, 200, 100);
    o.range.EmbNetwork[p].SetOnePortData({{0, 0}, {0, 0}}, 200, 100);
    o.range.SetDeembeddingEnabled(p, true);
    o.range.SetEmbeddingEnabled(p, true);
  }
  o.range.SetZConversionEnabled(true);
  o.range.FOMState = true;  // already on: the switches still go off
  o.events.Reset();
  o.range.SetOffsetModeEnabled(true);
  EXPECT_FALSE(o.range.DeembEnabled[0] || o.range.DeembEnabled[1] || o.range.EmbEnabled[0] ||
               o.range.EmbEnabled[1] || o.range.ZConvEnabled);
  EXPECT_EQ(o.events.settings, 5);
  // Switching the mode off does not turn them back on.
  o.range.SetOffsetModeEnabled(false);
  EXPECT_FALSE(o.range.ZConvEnabled);
}

TEST(OffsetMode, FixtureSwitchesNeedNetworkData) {
  Offset o;
  o.range.SetDeembeddingEnabled(0, true);
  EXPECT_FALSE(o.range.DeembEnabled[0]);
  EXPECT_EQ(o.events.settings, 0);
  // One frequency is not enough to interpolate: the network counts as empty.
  o.range.EmbNetwork[1].Frequencies = {100};
  o.range.EmbNetwork[1].S11 = o.range.EmbNetwork[1].S21 = o.range.EmbNetwork[1].S12 = o.range.EmbNetwork[1].S22 = {{}};
  o.range.SetEmbeddingEnabled(1, true);
  EXPECT_FALSE(o.range.EmbEnabled[1]);
  EXPECT_EQ(o.events.settings, 0);
  o.range.DeembNetwork[0].SetOnePortData({{0, 0}, {1, 0}}, 200, 100);
  o.range.SetDeembeddingEnabled(0, true);
  EXPECT_TRUE(o.range.DeembEnabled[0]);
  EXPECT_EQ(o.range.DeembActive, 1);
  EXPECT_EQ(o.events.change, 1);
  EXPECT_EQ(o.events.settings, 1);
}

TEST(OffsetMode, ImpedanceValueReportsAndRebuildsOnlyWhileEnabled) {
  Offset o;
  const int rebuilds = o.Rebuilds();
  o.range.SetZConversionValue(0, 1e9);
  EXPECT_EQ(o.range.ZConvValue[0], 10000);
  EXPECT_EQ(o.Rebuilds(), rebuilds);
  EXPECT_EQ(o.events.change, 0);
  EXPECT_EQ(o.events.settings, 1);
  o.range.SetZConversionValue(0, 10000 * (1 + 1e-13));  // equal within tolerance
  EXPECT_EQ(o.events.settings, 1);
  o.range.SetZConversionEnabled(true);
  EXPECT_EQ(o.range.ZConvActive, 1);
  o.range.SetZConversionValue(1, 0);
  EXPECT_EQ(o.range.ZConvValue[1], 0.001);
  EXPECT_EQ(o.Rebuilds(), rebuilds + 2);
  EXPECT_EQ(o.events.change, 2);
  EXPECT_EQ(o.events.settings, 3);
}

TEST(OffsetMode, InverseMapping) {
  Offset o;
  EXPECT_EQ(o.range.GetPointFromPortFrequency(0, 1234), 1234);
  o.range.FOMState = true;
  o.range.FOMOffset[1] = 10;
  EXPECT_EQ(o.range.GetPointFromPortFrequency(1, 1010), 1000);
  EXPECT_EQ(o.range.GetPortFrequency(1, o.range.GetPointFromPortFrequency(1, 2345)), 2345);
  o.range.FOMMultiplier[0] = 3;
  o.range.FOMDivider[0] = 2;
  EXPECT_EQ(o.range.GetPointFromPortFrequency(0, 3000), 2000);
  o.range.FOMMultiplier[0] = 0;  // nothing to invert
  EXPECT_EQ(o.range.GetPointFromPortFrequency(0, 3000), 3000);
  EXPECT_EQ(o.range.GetPointFromPortFrequency(0, 30000), 14000);
  o.range.FOMAdjust = true;
  o.range.FOMAdjPort = 1;
  o.range.FOMAdjValue[1] = 0.5;
  EXPECT_EQ(o.range.GetAdjustOffset(1), 0.5);
  EXPECT_EQ(o.range.GetAdjustOffset(0), 0);
  EXPECT_EQ(o.range.GetPointFromPortFrequency(1, 1010), 999.5);
}

TEST(OffsetMode, AdjustmentPeriods) {
  const std::pair<int, int64_t> cases[] = {{0, 3000}, {1, 10000}, {2, 30000}, {3, 100000},
                                           {4, 300000}, {5, 10000}, {7, 10000}, {-1, 10000}};
  for (const auto& [code, ms] : cases) EXPECT_EQ(TRange::OffsetAdjustPeriodMs(code), ms) << code;
}

TEST(OffsetMode, AutomaticAdjustmentWaitsForItsPeriod) {
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  clock.setMs(0);
  Offset o;
  o.range.FOMState = o.range.FOMAdjust = o.range.FOMAutoAdjust = true;
  o.range.FOMAdjPeriod = 0;
  clock.setMs(1000);  // 1 s after start: a 32-bit "tick - period" would wrap and run at once
  EXPECT_FALSE(o.range.CheckOffsetAutoAdjust());
  EXPECT_EQ(o.calibrator.adjustments, 0);
  clock.setMs(2999);
  EXPECT_FALSE(o.range.CheckOffsetAutoAdjust());
  EXPECT_EQ(o.calibrator.adjustments, 0);
  clock.setMs(3000);
  o.calibrator.onAdjust = [&] { clock.advanceMs(700); };
  EXPECT_FALSE(o.range.CheckOffsetAutoAdjust());
  EXPECT_EQ(o.calibrator.adjustments, 1);
  EXPECT_EQ(o.range.AdjustTime, 3700);  // the period starts after the run
  clock.setMs(6000);
  o.range.CheckOffsetAutoAdjust();
  EXPECT_EQ(o.calibrator.adjustments, 1);

  o.calibrator.running = true;
  clock.setMs(100000);
  EXPECT_TRUE(o.range.CheckOffsetAutoAdjust());
  EXPECT_EQ(o.calibrator.adjustments, 1);
  o.calibrator.running = false;
  o.range.FOMAutoAdjust = false;
  EXPECT_FALSE(o.range.CheckOffsetAutoAdjust());
  EXPECT_EQ(o.calibrator.adjustments, 1);
}

TEST(OffsetMode, SearchPointsOfTheK12Model) {
  Offset o;
  o.UseK12();
  o.range.RebuildPoints();
  o.range.MinFrequency = 1000 - 0.48;
  o.range.MaxFrequency = 1000 + 0.48;
  o.range.CommonIFBW = 30000;
  o.range.FOMState = true;  // the search plan applies no offset mapping
  o.range.FOMMultiplier[0] = 3;
  o.plan.heterodyneRule = [](double lo, double) { return lo / 3; };
  o.plan.ClearRecords();
  o.events.Reset();
  ASSERT_TRUE(o.range.BuildOffsetSearchPoints(1000));
  ASSERT_EQ(o.range.GetCount(), 33);
  for (int k = -16; k <= 16; ++k) {
    const int i = k + 16;
    EXPECT_NEAR(o.range.GetPointFrequency(i), 1000 + k * 0.03, 1e-9);
    EXPECT_EQ(o.range.GetPoint(i)->IFBW, 30000);
    EXPECT_EQ(o.range.GetPoint(i)->Power, o.range.OutputPower);
    EXPECT_NEAR(o.plan.signalRequests[i], 1000 + k * 0.03, 1e-9);
    EXPECT_NEAR(o.plan.heterodyneRequests[i], 1000 + k * 0.03 + 0.18, 1e-7);
  }
  EXPECT_EQ(o.events.settings, 0);
}

TEST(OffsetMode, SearchWithoutAPlanReturnsAtTheBound) {
  Offset o;  // row 4: there is no search plan for the K30 model
  o.plan.ClearRecords();
  EXPECT_FALSE(o.range.BuildOffsetSearchPoints(1000));
  EXPECT_EQ(o.range.GetCount(), 0);
  EXPECT_TRUE(o.plan.signalRequests.empty());

  Offset k12;
  k12.UseK12();
  k12.plan.signalFails = [](double f, double) { return f > 1000.2; };
  k12.plan.ClearRecords();
  k12.range.MinFrequency = 999;
  k12.range.MaxFrequency = 1001;
  EXPECT_FALSE(k12.range.BuildOffsetSearchPoints(1000));
  EXPECT_EQ(k12.range.GetCount(), 0);
  // Points up to 1000.1875 plan at once; the next is tried 201 times, then the search stops.
  EXPECT_EQ(k12.plan.signalRequests.size(), 20u + 201u);
  double planned = 0;
  TPointSynthSettings settings;
  k12.device.row = 4;
  EXPECT_FALSE(k12.range.PlanSearchPoint(1000, 0, 1, planned, settings));
}

// ---- Peak searches -----------------------------------------------------------------------------

// A LIN channel of n points from start with the given step; levels in dB set on receiver 0.
struct PeakChannel : fakes::ChannelServices {
  TRange range{nullptr};
  PeakChannel(int n, double start, double step) {
    range.MinFrequency = start;
    range.MaxFrequency = start + step * (n - 1);
    range.NPoints = n;
    range.RebuildPoints();
  }
  void SetLevels(const std::function<double(double f)>& db, int receiver = 0) {
    for (int i = 0; i < range.GetCount(); ++i) {
      range.GetPoint(i)->RawLevel[receiver] = {std::pow(10.0, db(range.GetPointFrequency(i)) / 20), 0};
    }
  }
};

TEST(PeakFit, PeakIndexIsTheFirstOfTheHighest) {
  PeakChannel c(4, 1000, 1);
  const double levels[] = {1, 3, 3, 2};
  for (int i = 0; i < 4; ++i) c.range.GetPoint(i)->RawLevel[0] = {levels[i], 0};
  EXPECT_EQ(c.range.FindPeakIndex(0), 1);
  EXPECT_EQ(c.range.FindPeakIndex(1), 0);  // all levels equal
}

TEST(PeakFit, SearchesReadTheMeasuringReceiver) {
  PeakChannel c(33, 999.52, 0.03);
  c.SetLevels([](double f) { return -10 - (f - 999.8) * (f - 999.8); }, 0);
  c.SetLevels([](double f) { return -10 - (f - 1000.3) * (f - 1000.3); }, 1);
  EXPECT_NEAR(c.range.GetPeakPointFrequency(), 999.79, 1e-9);
  EXPECT_NEAR(c.range.FindPeakFrequency(), 999.8, 1e-9);
}

TEST(PeakFit, PeakAtPointOneFitsPointsZeroToSeventeen) {
  PeakChannel c(33, 1000, 0.5);
  const double vertex = 1000.6;
  c.SetLevels([&](double f) { return f < 1000 + 17.5 * 0.5 ? -5 - 2 * (f - vertex) * (f - vertex) : -200 - f; });
  EXPECT_EQ(c.range.FindPeakIndex(0), 1);
  EXPECT_NEAR(c.range.FindPeakFrequency(), vertex, 1e-9);
}

TEST(PeakFit, DegenerateFitsGiveThePeakSample) {
  {
    PeakChannel c(3, 1000, 1);  // fewer than 4 points
    c.SetLevels([](double f) { return f; });
    EXPECT_EQ(c.range.FindPeakFrequency(), 1002);
  }
  {
    PeakChannel c(33, 1000, 1);  // all equal: no maximum
    EXPECT_EQ(c.range.FindPeakFrequency(), 1000);
  }
  {
    PeakChannel c(33, 1000, 1);  // opens upwards
    c.SetLevels([](double f) { return (f - 1010) * (f - 1010) * 0.01; });
    EXPECT_EQ(c.range.FindPeakFrequency(), 1032);
  }
  {
    PeakChannel c(33, 1000, 1);  // a level of minus infinity makes the sums unusable
    c.SetLevels([](double f) { return -(f - 1016.2) * (f - 1016.2); });
    c.range.GetPoint(3)->RawLevel[0] = {0, 0};
    EXPECT_EQ(c.range.FindPeakFrequency(), 1016);
  }
  {
    PeakChannel c(33, 1000, 1);  // vertex beyond the fitted points
    c.SetLevels([](double f) { return -(f - 1040) * (f - 1040); });
    EXPECT_EQ(c.range.FindPeakFrequency(), 1032);
  }
  {
    fakes::ChannelServices services;  // an empty list
    TRange r(nullptr);
    services.plan.signalFails = [](double, double) { return true; };
    r.MinFrequency = 1000;
    r.MaxFrequency = 1002;
    r.RebuildPoints();
    ASSERT_EQ(r.GetCount(), 0);
    EXPECT_EQ(r.FindPeakFrequency(), 1001);
    EXPECT_EQ(r.GetPeakPointFrequency(), 1001);
    EXPECT_EQ(r.FindPeakIndex(0), 0);
  }
}

// ---- Frequency to point index ----------------------------------------------------------------

TSegment Seg(double start, double stop, int points) {
  TSegment s;
  s.Start = start;
  s.Stop = stop;
  s.Points = points;
  return s;
}

struct IndexCase {
  const char* name;
  std::function<void(fakes::ChannelServices&, TRange&)> setup;
  double x;
  int expected;
};

void Lin(TRange& r, double start, double stop, int n, int mode = TRange::Lin) {
  r.SweepMode = mode;
  r.MinFrequency = start;
  r.MaxFrequency = stop;
  r.NPoints = n;
  r.RebuildPoints();
}

void Segments(TRange& r, TSegments table) {
  r.SweepMode = TRange::Segm;
  r.Segments = std::move(table);
  r.RebuildPoints();
}

TEST(FindPointIndex, Cases) {
  auto lin = [](fakes::ChannelServices&, TRange& r) { Lin(r, 100, 200, 11); };
  auto gapped = [](fakes::ChannelServices& s, TRange& r) {
    s.plan.signalFails = [](double f, double) { return f == 130 || f == 140; };
    Lin(r, 100, 200, 11);
  };
  auto log = [](fakes::ChannelServices&, TRange& r) { Lin(r, 100, 10000, 3, TRange::Log); };
  auto grid = [](fakes::ChannelServices&, TRange& r) { Lin(r, 85, 14000, 848, TRange::Grid); };
  auto segGap = [](fakes::ChannelServices&, TRange& r) { Segments(r, {Seg(500, 1000, 11), Seg(2000, 3000, 11)}); };
  auto segZero = [](fakes::ChannelServices&, TRange& r) { Segments(r, {Seg(500, 500, 3), Seg(600, 700, 3)}); };
  const IndexCase cases[] = {
      {"LIN at the stop", lin, 200, 9},
      {"LIN below the start", lin, 50, 0},
      {"LIN above the stop", lin, 250, 9},
      {"LIN at the start", lin, 100, 0},
      {"LIN inside", lin, 155, 5},
      {"LIN on a point", lin, 150, 5},
      {"zero span", [](fakes::ChannelServices&, TRange& r) { Lin(r, 1000, 1000, 11); }, 1000, 0},
      {"LIN with left-out points", gapped, 135, 2},
      {"LIN with left-out points above", gapped, 155, 3},
      {"LOG low", log, 500, 0},
      {"LOG high", log, 2000, 1},
      {"grid below the step back", grid, 168.6, 41},
      {"grid at a close frequency", grid, 168.75, 45},
      {"grid in a hole between runs", grid, 170, 46},
      {"grid on the last run", grid, 13990, 845},
      {"segment gap 1000 ... 2000", segGap, 1500, 11},
      {"segment inside", segGap, 2500, 16},
      {"segment below the first start", segGap, 100, 0},
      {"segment at the last stop", segGap, 3000, 20},
      {"segment at a segment stop", segGap, 1000, 10},
      {"zero-span segment", segZero, 500, 0},
      {"gap after a zero-span segment", segZero, 550, 3},
      {"unknown sweep type", [](fakes::ChannelServices&, TRange& r) { r.SweepMode = 7; }, 500, -1},
      {"no points", [](fakes::ChannelServices& s, TRange& r) {
         s.plan.signalFails = [](double, double) { return true; };
         Lin(r, 100, 200, 11);
       }, 150, 0},
      {"one point", [](fakes::ChannelServices& s, TRange& r) {
         s.plan.signalFails = [](double f, double) { return f < 199; };
         Lin(r, 100, 200, 11);
       }, 150, 0},
      {"one point of a segment sweep", [](fakes::ChannelServices&, TRange& r) { Segments(r, {Seg(500, 500, 1)}); },
       500, 0},
  };
  for (const IndexCase& c : cases) {
    fakes::ChannelServices services;
    TRange range(nullptr);
    c.setup(services, range);
    EXPECT_EQ(range.FindPointIndex(c.x), c.expected) << c.name;
  }
}

TEST(FindPointIndex, TheIntervalHoldsTheFrequencyOnBothGrids) {
  for (int row : {3, 4}) {
    fakes::ChannelServices services;
    if (row == 3) services.UseK12();
    TRange range(nullptr);
    Lin(range, 85, row == 3 ? 5400 : 14000, TSystemCalGrid::PointCount(row), TRange::Grid);
    for (double x = 85.3; x < range.MaxFrequency; x += 0.77) {
      const int i = range.FindPointIndex(x);
      ASSERT_GE(i, 0);
      ASSERT_LE(i, range.GetCount() - 2);
      // The interval holds x, or, at the step back of the K30 grid, is its neighbour.
      const double lo = range.GetPointFrequency(i);
      const double hi = range.GetPointFrequency(i + 1);
      EXPECT_TRUE((lo <= x && x <= hi) || (row == 4 && i >= 41 && i <= 46)) << row << " " << x << " " << i;
    }
  }
}

}  // namespace
