#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "ChannelFakes.h"
#include "model/CalGrid.h"
#include "model/Range.h"
#include "platform/Clock.h"

namespace {

constexpr double kR = 0.000025;

std::vector<double> Frequencies(const TRange& r) {
  std::vector<double> out;
  for (int i = 0; i < r.GetCount(); ++i) out.push_back(r.GetPointFrequency(i));
  return out;
}

struct Rebuild : fakes::ChannelServices {
  TRange range{nullptr};

  void Lin(double start, double stop, int n, int mode = TRange::Lin) {
    range.SweepMode = mode;
    range.MinFrequency = start;
    range.MaxFrequency = stop;
    range.NPoints = n;
    range.RebuildPoints();
  }
  void Segments(TSegments table) {
    range.SweepMode = TRange::Segm;
    range.Segments = std::move(table);
    range.RebuildPoints();
  }
};

TSegment Seg(double start, double stop, int points, int ifbw = 10000, double power = -10) {
  TSegment s;
  s.Start = start;
  s.Stop = stop;
  s.Points = points;
  s.IFBW = ifbw;
  s.Power = power;
  return s;
}

TEST(Rebuild, LinearFrequenciesAndSlopedPowers) {
  Rebuild r;
  r.range.OutputPower = 0;
  r.range.PowerSlope = 2;
  r.Lin(100, 200, 3);
  EXPECT_EQ(Frequencies(r.range), (std::vector<double>{100, 150, 200}));
  EXPECT_EQ(r.range.GetPoint(0)->Power, 0);
  EXPECT_NEAR(r.range.GetPoint(1)->Power, 0.1, 1e-15);
  EXPECT_NEAR(r.range.GetPoint(2)->Power, 0.2, 1e-15);
  EXPECT_EQ(r.range.GetPoint(1)->IFBW, 10000);
  EXPECT_TRUE(r.range.SynthGaps.empty());
}

TEST(Rebuild, LogarithmicFrequencies) {
  Rebuild r;
  r.Lin(100, 10000, 3, TRange::Log);
  const auto f = Frequencies(r.range);
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0], 100);
  EXPECT_NEAR(f[1], 1000, 1e-9);
  EXPECT_EQ(f[2], 10000);
}

TEST(Rebuild, PointsKeepThePlansOfBothSynthesizers) {
  Rebuild r;
  r.Lin(1000, 2000, 3);
  r.plan.ClearRecords();
  r.Lin(1000, 2000, 3);
  // The last point is planned first, then the first, then the middle.
  EXPECT_EQ(r.plan.signalRequests, (std::vector<double>{2000, 1000, 1500}));
  ASSERT_EQ(r.plan.heterodyneRequests.size(), 3u);
  EXPECT_NEAR(r.plan.heterodyneRequests[2], 1500.24, 1e-9);
  const TPointSynthSettings& s = r.range.GetPoint(1)->SynthSettings;
  EXPECT_EQ(s.Signal.N, 1500);
  EXPECT_EQ(s.Heterodyne.N, 1500);
  EXPECT_EQ(s.Heterodyne.Frac16 * 256 + s.Heterodyne.Frac8, static_cast<int>(std::round(0.24 * 16777216)));
  for (double t : r.plan.signalTolerances) EXPECT_EQ(t, kR);
}

TEST(Rebuild, FailedMiddleFrequenciesLeaveGaps) {
  Rebuild r;
  r.plan.signalFails = [](double f, double) { return f == 130 || f == 140 || f == 170; };
  r.Lin(100, 200, 11);
  EXPECT_EQ(Frequencies(r.range), (std::vector<double>{100, 110, 120, 150, 160, 180, 190, 200}));
  EXPECT_EQ(r.range.SynthGaps, (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(r.range.GetSynthBoundaryCount(), 2);
  EXPECT_EQ(r.range.GetSynthBoundaryPoint(1), 4);
}

TEST(Rebuild, EndPointsMoveWithTheGrowingTolerance) {
  Rebuild r;
  // Plans succeed only once the tolerance has grown past 1e-4.
  r.plan.signalFails = [](double, double t) { return t < 1e-4; };
  r.Lin(1000, 2000, 3);
  const auto f = Frequencies(r.range);
  ASSERT_EQ(f.size(), 2u);  // the middle point is planned once, at the first tolerance
  double t = kR;
  while (t < 1e-4) t *= 1.1;
  EXPECT_NEAR(f[0], 1000 - (t - kR), 1e-12);
  EXPECT_NEAR(f[1], 2000 + (t - kR), 1e-12);
  EXPECT_EQ(r.range.SynthGaps, std::vector<int32_t>{0});
}

TEST(Rebuild, AnAlwaysFailingPlanEndsWithAnEmptyList) {
  Rebuild r;
  r.plan.signalFails = [](double, double) { return true; };
  r.plan.ClearRecords();
  r.Lin(1000, 2000, 201);
  EXPECT_EQ(r.range.GetCount(), 0);
  EXPECT_TRUE(r.range.SynthGaps.empty());
  // 201 tries each for the last and the first point, one for each of the 199 others.
  EXPECT_EQ(r.plan.signalRequests.size(), 201u + 201u + 199u);

  r.plan.ClearRecords();
  r.Segments({Seg(100, 200, 5), Seg(300, 400, 5)});
  EXPECT_EQ(r.range.GetCount(), 0);
  EXPECT_TRUE(r.range.SynthGaps.empty());
  EXPECT_EQ(r.plan.signalRequests.size(), 201u + 9u);
  EXPECT_EQ(r.range.FindPointIndex(150), 0);
}

TEST(Rebuild, WithoutAKnownModelTheRebuildStillReturns) {
  Rebuild r;
  r.device.row = 7;
  r.range.RebuildPoints();
  EXPECT_EQ(r.range.GetCount(), 0);
  EXPECT_EQ(r.range.MinFrequency, 0);
  EXPECT_EQ(r.range.MaxFrequency, 0);
}

TEST(Rebuild, OnlyTheFirstPointCanFailAtTheStart) {
  Rebuild r;
  r.plan.signalFails = [](double f, double) { return f <= 1000.01; };
  r.Lin(1000, 2000, 5);
  // The first point could only be planned 0.01 MHz away: after 200 raises it is given up.
  EXPECT_EQ(Frequencies(r.range), (std::vector<double>{1250, 1500, 1750, 2000}));
  EXPECT_TRUE(r.range.SynthGaps.empty());
}

TEST(Rebuild, SegmentPointsTakeTheirSegmentsSettings) {
  Rebuild r;
  r.range.SegmentListIFBW = true;
  r.range.CommonIFBW = 1000;
  r.range.OutputPower = -10;
  r.Segments({Seg(100, 100, 1, 300, 0), Seg(200, 200, 3, 3000, 0), Seg(300, 400, 3, 30000, 0)});
  EXPECT_EQ(Frequencies(r.range), (std::vector<double>{100, 200, 200, 200, 300, 350, 400}));
  const int ifbw[] = {300, 3000, 3000, 3000, 30000, 30000, 30000};
  const int segment[] = {0, 1, 1, 1, 2, 2, 2};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(r.range.GetPoint(i)->IFBW, ifbw[i]);
    EXPECT_EQ(r.range.GetPoint(i)->Power, -10);
    EXPECT_EQ(r.range.GetPoint(i)->SegmentIndex, segment[i]);
  }
  r.range.SegmentListIFBW = false;
  r.range.SegmentListPower = true;
  r.range.RebuildPoints();
  EXPECT_EQ(r.range.GetPoint(6)->IFBW, 1000);
  EXPECT_EQ(r.range.GetPoint(6)->Power, 0);
}

TEST(Rebuild, SegmentGapsAndTheFirstPointsTolerance) {
  Rebuild r;
  r.plan.signalFails = [](double f, double t) { return (f < 100.001 && t < 1e-4) || (f > 250 && f <= 350); };
  r.Segments({Seg(100, 200, 3), Seg(300, 400, 3)});
  const auto f = Frequencies(r.range);
  ASSERT_EQ(f.size(), 4u);
  EXPECT_GT(f[0], 100);  // moved up with the tolerance
  EXPECT_LT(f[0], 100.001);
  EXPECT_EQ(f[1], 150);
  EXPECT_EQ(f[2], 200);
  EXPECT_EQ(f[3], 400);
  EXPECT_EQ(r.range.SynthGaps, std::vector<int32_t>{2});
}

TEST(Rebuild, OnlyLinLogAndGridRestartTheAdjustmentPeriod) {
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  clock.setMs(5000);
  Rebuild r;
  EXPECT_EQ(r.range.AdjustTime, 5000);
  clock.setMs(9000);
  r.Segments({Seg(100, 200, 3)});
  EXPECT_EQ(r.range.AdjustTime, 5000);
  r.Lin(100, 200, 3, TRange::Grid);
  EXPECT_EQ(r.range.AdjustTime, 9000);
}

TEST(Rebuild, ResetsCountersLimitsTheBandAndShowsTheWaitCursor) {
  Rebuild r;
  r.range.LastPointIndex = 17;
  r.range.AverageCount = 4;
  r.range.MinPower = -30;
  r.range.MaxPower = 5;
  const int shown = r.cursor.shown;
  r.Lin(10, 20000, 5);
  EXPECT_EQ(r.range.LastPointIndex, 0);
  EXPECT_EQ(r.range.AverageCount, 0);
  EXPECT_EQ(r.range.MinFrequency, 85);
  EXPECT_EQ(r.range.MaxFrequency, 14000);
  EXPECT_EQ(r.range.MinPower, 0);
  EXPECT_EQ(r.range.MaxPower, 0);
  EXPECT_EQ(r.cursor.shown, shown + 1);
  EXPECT_EQ(r.cursor.restored, r.cursor.shown);
}

TEST(Rebuild, GridOfTheK12Model) {
  Rebuild r;
  r.UseK12();
  r.Lin(85, 5400, TSystemCalGrid::PointCount(3), TRange::Grid);
  ASSERT_EQ(r.range.GetCount(), 893);
  EXPECT_EQ(r.range.GetPointFrequency(0), 85);
  EXPECT_EQ(r.range.GetPointFrequency(83), 168);
  EXPECT_EQ(r.range.GetPointFrequency(85), 168.57001);
  EXPECT_EQ(r.range.GetPointFrequency(88), 169);
  EXPECT_EQ(r.range.GetPointFrequency(891), 5390);
  EXPECT_EQ(r.range.GetPointFrequency(892), 5400);
}

TEST(Rebuild, GridOfTheK30ModelKeepsItsStepBack) {
  Rebuild r;
  r.Lin(85, 14000, TSystemCalGrid::PointCount(4), TRange::Grid);
  ASSERT_EQ(r.range.GetCount(), 848);
  EXPECT_EQ(r.range.GetPointFrequency(42), 169);
  EXPECT_EQ(r.range.GetPointFrequency(43), 168.51);
  EXPECT_EQ(r.range.GetPointFrequency(46), 168.75002);
  EXPECT_EQ(r.range.GetPointFrequency(47), 172);
  EXPECT_EQ(r.range.GetPointFrequency(411), 5400.00002);
  EXPECT_EQ(r.range.GetPointFrequency(846), 14000);
  EXPECT_EQ(r.range.GetPointFrequency(847), 14000);
}

TEST(Rebuild, GridRowsAreContiguous) {
  for (int row : {3, 4}) {
    const int n = TSystemCalGrid::PointCount(row);
    for (int i = 1; i < n - 1; ++i) {
      const double f = TSystemCalGrid::Frequency(row, i);
      EXPECT_GT(f, 84) << row << " " << i;
      // Every index but the K30 step back rises.
      if (!(row == 4 && i == 43)) {
        EXPECT_GT(f, TSystemCalGrid::Frequency(row, i - 1)) << row << " " << i;
      }
    }
  }
}

TEST(Rebuild, CorrectionsActiveOnlyOutsideTheOffsetMode) {
  Rebuild r;
  r.range.ZConvEnabled = true;
  r.range.ZConvValue[1] = 75;
  r.range.DeembEnabled[1] = true;
  r.range.DeembNetwork[1].SetOnePortData({{0, 0}, {0, 0}}, 200, 100);
  r.range.EmbEnabled[0] = true;
  r.range.EmbNetwork[0].SetOnePortData({{0, 0}, {0, 0}}, 200, 100);
  r.range.RebuildPoints();
  EXPECT_EQ(r.range.ZConvActive, 1);
  EXPECT_EQ(r.range.DeembActive, 1);
  EXPECT_EQ(r.range.EmbActive, 1);
  EXPECT_TRUE(r.range.IsDeembeddingActive());

  r.range.FOMState = true;
  r.range.RebuildPoints();
  EXPECT_EQ(r.range.ZConvActive, 0);
  EXPECT_EQ(r.range.DeembActive, 0);
  EXPECT_EQ(r.range.EmbActive, 0);

  // Values equal to the reference impedance, and one-point networks, activate nothing.
  r.range.FOMState = false;
  r.kits.z0 = 75;
  r.range.ZConvValue[0] = 75;
  r.range.EmbNetwork[0].Frequencies.resize(1);
  r.range.DeembEnabled[1] = false;
  r.range.RebuildPoints();
  EXPECT_EQ(r.range.ZConvActive, 0);
  EXPECT_EQ(r.range.DeembActive, 0);
  EXPECT_EQ(r.range.EmbActive, 0);
}

TEST(Rebuild, TableTakenAsItStandsStaysWithin16001Points) {
  Rebuild r;
  r.Segments({Seg(100, 200, 2000000000)});
  EXPECT_EQ(r.range.GetCount(), 16001);
}

}  // namespace
