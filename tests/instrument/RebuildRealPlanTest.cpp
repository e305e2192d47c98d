// The channel's point list with the real synthesizer plans of both models: every point of the
// usual sweeps and of both system-calibration grids can be planned.
#include <gtest/gtest.h>

#include "instrument/Device.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/CalGrid.h"
#include "model/Range.h"
#include "model/Services.h"

namespace {

struct RealPlans {
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TDevice device;
  TScopedServices scope;
  explicit RealPlans(int row) : device(row) {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
  }
};

void Sweep(TRange& r, int mode, double start, double stop, int n) {
  r.SweepMode = mode;
  r.MinFrequency = start;
  r.MaxFrequency = stop;
  r.NPoints = n;
  r.RebuildPoints();
}

TEST(RebuildRealPlan, K30LinearSweepsPlanEveryPoint) {
  RealPlans plans(4);
  TRange range(nullptr);
  EXPECT_EQ(range.GetCount(), 201);
  for (int n : {201, 1601, 16001}) {
    Sweep(range, TRange::Lin, 85, 14000, n);
    EXPECT_EQ(range.GetCount(), n);
    EXPECT_TRUE(range.SynthGaps.empty()) << n;
    EXPECT_EQ(range.GetPointFrequency(0), 85);
    EXPECT_EQ(range.GetPointFrequency(n - 1), 14000);
  }
}

TEST(RebuildRealPlan, BothGridsPlanEveryPoint) {
  for (int row : {3, 4}) {
    RealPlans plans(row);
    TRange range(nullptr);
    const int n = TSystemCalGrid::PointCount(row);
    Sweep(range, TRange::Grid, 85, row == 3 ? 5400 : 14000, n);
    EXPECT_EQ(range.GetCount(), n) << row;
    EXPECT_TRUE(range.SynthGaps.empty()) << row;
    for (int i = 1; i < n - 1; ++i) EXPECT_EQ(range.GetPointFrequency(i), TSystemCalGrid::Frequency(row, i));
  }
}

TEST(RebuildRealPlan, K12LinearAndLogarithmicSweeps) {
  RealPlans plans(3);
  TRange range(nullptr);
  EXPECT_EQ(range.MaxFrequency, 5400);
  Sweep(range, TRange::Log, 85, 5400, 1601);
  EXPECT_EQ(range.GetCount(), 1601);
  EXPECT_TRUE(range.SynthGaps.empty());
}

TEST(RebuildRealPlan, K30SegmentSweep) {
  RealPlans plans(4);
  TRange range(nullptr);
  TSegments table;
  for (int k = 0; k < 10; ++k) {
    TSegment s;
    s.Start = 100 + k * 1300;
    s.Stop = s.Start + 1000;
    s.Points = 1600;
    table.push_back(s);
  }
  range.SweepMode = TRange::Segm;
  range.Segments = table;
  range.RebuildPoints();
  EXPECT_EQ(range.GetCount(), 16000);
  EXPECT_TRUE(range.SynthGaps.empty());
}

TEST(RebuildRealPlan, K12OffsetSearchPointsAndK30Refusal) {
  {
    RealPlans plans(3);
    TRange range(nullptr);
    range.MinFrequency = 1000 - 0.48;
    range.MaxFrequency = 1000 + 0.48;
    EXPECT_TRUE(range.BuildOffsetSearchPoints(1000));
    EXPECT_EQ(range.GetCount(), 33);
  }
  {
    RealPlans plans(4);
    TRange range(nullptr);
    EXPECT_FALSE(range.BuildOffsetSearchPoints(1000));
    EXPECT_EQ(range.GetCount(), 0);
  }
}

TEST(RebuildRealPlan, OffsetModeSourceAtTwiceThePointPlusTen) {
  RealPlans plans(4);
  TRange range(nullptr);
  range.SetStartFrequency(1000);
  range.SetStopFrequency(2000);
  range.SetOffsetMultiplier(0, 2);
  range.SetOffsetValue(0, 10);
  range.SetOffsetModeEnabled(true);
  ASSERT_EQ(range.GetCount(), 201);
  EXPECT_TRUE(range.SynthGaps.empty());
  const TPointSynthSettings& s = range.GetPoint(0)->SynthSettings;
  EXPECT_NEAR(plans.k30.CalcFrequency(s.Signal), 2010, 2.5e-5);
  EXPECT_NEAR(plans.k30.CalcFrequency(s.Heterodyne), 1000.24, 2.5e-5);
}

}  // namespace
