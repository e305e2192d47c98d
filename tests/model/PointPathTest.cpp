// The measured-point path of a channel: levels, user correction and averaging, processing,
// sweep timing, the end of a sweep, the missing-point check and the power-meter mode.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "PointPathFakes.h"
#include "model/CalRange.h"
#include "model/Range.h"

namespace {

using pathfakes::PathChannel;
using pathfakes::RelativeError;

struct Terms {
  TComplex er, ed, es, et;
};

// Attaches a calibration and then puts the same terms at every point of the channel's table
// (port 0 reflection terms, port 1 transmission tracking), exactly as given: interpolation
// would round them, and the degenerate cases need exact zeros.
void AttachConstant(TRange& range, const Terms& t) {
  TCalRange table(1, 1, range);
  range.AttachCalibration(&table);
  TCalRange& own = *range.CalTable;
  for (int i = 0; i < own.GetCount(); ++i) {
    own.SetErrorTermA(0, i, t.er);
    own.SetErrorTermB(0, i, t.ed);
    own.SetErrorTermC(0, i, t.es);
    own.SetErrorTermD(1, i, t.et);
  }
}

// What the instrument measures of a reflection g and a transmission s21 through the terms.
TComplex MeasuredReflection(const Terms& t, const TComplex& g) {
  return t.ed + t.er * g / (TComplex{1, 0} - t.es * g);
}
TComplex MeasuredTransmission(const Terms& t, const TComplex& g, const TComplex& s21) {
  return t.et * s21 / (TComplex{1, 0} - t.es * g);
}

TComplex RandomComplex(std::mt19937& random, double lo, double hi) {
  std::uniform_real_distribution<double> magnitude(lo, hi);
  std::uniform_real_distribution<double> phase(-std::numbers::pi, std::numbers::pi);
  return Polar(magnitude(random), phase(random));
}

// ---- Levels and averaging -------------------------------------------------------------------

TEST(PointPath, StoresReceiverMagnitudesAsLevels) {
  PathChannel c;
  c.range->StoreRawLevels(2, TComplex{3, 4}, TComplex{1e-9, 1e-9}, TComplex{-6, 8});
  EXPECT_EQ(c.range->GetPointRawLevel(0, 2), (TComplex{5, 0}));
  EXPECT_NEAR(c.range->GetPointRawLevel(1, 2).Re, 1.41421356e-9, 1e-17);
  EXPECT_EQ(c.range->GetPointRawLevel(1, 2).Im, 0);
  EXPECT_EQ(c.range->GetPointRefLevel(2), (TComplex{10, 0}));
  // With averaging on and one sweep counted, the next levels are averaged in.
  c.range->AverageEnabled = true;
  c.range->AverageCount = 1;
  c.range->StoreRawLevels(2, TComplex{0, 7}, TComplex{1e-9, 1e-9}, TComplex{0, 20});
  EXPECT_EQ(c.range->GetPointRawLevel(0, 2), (TComplex{6, 0}));
  EXPECT_EQ(c.range->GetPointRefLevel(2), (TComplex{15, 0}));
}

TEST(PointPath, IndicesOutsideTheListAreIgnored) {
  PathChannel c;
  for (int i : {-1, 5, 1000}) {
    c.range->StoreRawLevels(i, TComplex{1, 0}, TComplex{1, 0}, TComplex{1, 0});
    c.range->StorePointData(i, TComplex{1, 0}, TComplex{1, 0});
    c.range->ProcessPoint(i);
  }
  EXPECT_EQ(c.pointData, 0);
}

TEST(PointPath, StoresAveragedDataAndFiresPointData) {
  PathChannel c;
  c.Feed(1, TComplex{0.25, -0.5}, TComplex{0.125, 0.75});
  EXPECT_EQ(c.Data(0, 1), (TComplex{0.25, -0.5}));
  EXPECT_EQ(c.Data(1, 1), (TComplex{0.125, 0.75}));
  EXPECT_EQ(c.range->LastPointIndex, 1);
  EXPECT_EQ(c.pointData, 1);
  c.range->AverageEnabled = true;
  c.range->AverageCount = 3;
  c.Feed(1, TComplex{1.25, 0.5}, TComplex{0.125, 0.75});
  EXPECT_EQ(c.Data(0, 1), (TComplex{0.5, -0.25}));  // (old x 3 + new) / 4
}

TEST(PointPath, NoPointEventWhileChanging) {
  PathChannel c;
  c.range->Changing = true;
  c.Feed(0, TComplex{0.5, 0});
  EXPECT_EQ(c.pointData, 0);
  c.range->Changing = false;
  c.Feed(0, TComplex{0.5, 0});
  EXPECT_EQ(c.pointData, 1);
}

// ---- Processing order ---------------------------------------------------------------------------

TEST(PointPath, ProcessingExtendsThePortBeforeConvertingTheImpedance) {
  // Port extension turns the phase of a point at 250 MHz by pi (1 ns, there and back); the
  // conversion to 75 ohm is not linear, so the other order gives another value.
  PathChannel c(3, 250, 750);
  c.range->PortExtensionsEnabled = true;
  c.range->Extension[0] = 1e-9;
  c.range->ZConvEnabled = true;
  c.range->ZConvValue[0] = c.range->ZConvValue[1] = 75;
  c.range->RebuildPoints();
  ASSERT_EQ(c.range->ZConvActive, 1);
  const TComplex g{0.3, 0.1};
  c.Put(0, g, TComplex{});
  c.range->ProcessPoint(0);
  // 50 ohm data in a 75 ohm system: (g' - r) / (1 - r g') with r = 0.2 and g' = -g.
  const TComplex turned = -g;
  const TComplex r{0.2, 0};
  const TComplex want = (turned - r) / (TComplex{1, 0} - r * turned);
  EXPECT_LT(RelativeError(c.Data(0, 0), want), 1e-12);
}

TEST(PointPath, ChangeNotifyRestartsTheAveragingWhenItChanges) {
  PathChannel c;
  c.events.Reset();
  c.range->AverageCount = 4;
  c.range->SetChangeNotify(true);  // already on
  EXPECT_EQ(c.range->AverageCount, 4);
  c.range->SetChangeNotify(false);
  EXPECT_FALSE(c.range->ChangeNotify);
  EXPECT_EQ(c.range->AverageCount, 0);
  EXPECT_EQ(c.events.change + c.events.settings + c.resweeps, 0);
}

TEST(PointPath, PointCorrectionSwitchStoresOnly) {
  PathChannel c;
  c.events.Reset();
  c.range->SetPointCorrection(false);
  EXPECT_FALSE(c.range->PointCorrection);
  c.range->SetPointCorrection(true);
  EXPECT_TRUE(c.range->PointCorrection);
  EXPECT_EQ(c.events.change + c.events.settings + c.resweeps, 0);
}

// ---- Sweep timing -------------------------------------------------------------------------------

TEST(PointPath, SweepTimeTakesTheFirstSweepAsItIsThenSmooths) {
  PathChannel c;
  c.plan.backScanDelay = 2000;  // us, from the 5.4 GHz model's settings
  fakes::FakeSynthPlan k30;
  k30.backScanDelay = 999000;  // never read
  c.scope->SynthesizerTV30 = &k30;
  c.range->SweepTime = 0;
  const auto sweep = [&](int64_t ms) {
    c.Feed(0, TComplex{0.5, 0});
    c.clock.advanceMs(ms);
    for (int i = 1; i < 5; ++i) c.Feed(i, TComplex{0.5, 0});
  };
  c.clock.setMs(1000);
  sweep(100);
  EXPECT_DOUBLE_EQ(c.range->SweepTime, 102);
  sweep(200);
  EXPECT_DOUBLE_EQ(c.range->SweepTime, (102 * 49 + 202) / 50.0);
  EXPECT_DOUBLE_EQ(c.range->SweepStartTime, 1100);
}

TEST(PointPath, OnePointListTimesItsSweepAtThatPoint) {
  PathChannel c;
  c.range->SweepMode = TRange::Segm;
  TSegment s = c.range->DefaultSegment();
  s.Start = s.Stop = 1000;
  s.Points = 1;
  c.range->Segments = {s};
  c.range->RebuildPoints();
  ASSERT_EQ(c.range->GetCount(), 1);
  c.range->SweepTime = 0;
  c.clock.setMs(5000);
  c.Feed(0, TComplex{0.5, 0});
  EXPECT_EQ(c.range->SweepStartTime, 5000);
  EXPECT_DOUBLE_EQ(c.range->SweepTime, c.plan.backScanDelay * 0.001);
}

// ---- End of a sweep -----------------------------------------------------------------------------

TEST(PointPath, EndSweepCountsTheAveragedSweeps) {
  PathChannel c;
  c.range->AverageEnabled = true;
  c.range->AverageFactor = 3;
  c.range->AverageCount = 0;
  const std::vector<std::pair<bool, int>> expected = {{false, 1}, {false, 2}, {true, 3}, {true, 3}, {true, 3}};
  for (size_t k = 0; k < expected.size(); ++k) {
    EXPECT_EQ(c.range->EndSweep(), expected[k].first) << k;
    EXPECT_EQ(c.range->AverageCount, expected[k].second) << k;
  }
  EXPECT_EQ(c.sweepsDone, 5);
  c.range->AverageEnabled = false;
  c.range->AverageCount = 0;
  EXPECT_TRUE(c.range->EndSweep());
  EXPECT_TRUE(c.range->EndSweep());
  EXPECT_EQ(c.sweepsDone, 7);
}

// ---- Missing points (service mode) ------------------------------------------------------------

TEST(PointPath, MissingPointIsReportedAtTheLastPointInServiceMode) {
  pathfakes::ServiceMode service;
  PathChannel c(10, 100, 1000);
  for (int i = 0; i < 10; ++i) {
    if (i != 5) c.Feed(i, TComplex{0.5, 0});
  }
  EXPECT_EQ(c.missing, 1);
  for (int i = 0; i < 10; ++i) c.Feed(i, TComplex{0.5, 0});
  EXPECT_EQ(c.missing, 1);
}

TEST(PointPath, NoMissingPointCheckOutsideServiceMode) {
  PathChannel c(10, 100, 1000);
  for (int i = 0; i < 10; ++i) {
    if (i != 5) c.Feed(i, TComplex{0.5, 0});
  }
  EXPECT_EQ(c.missing, 0);
  EXPECT_TRUE(c.range->ReceivedPoints.empty());
}

TEST(PointPath, ShorterListAfterARebuildReportsNoStaleMissingPoints) {
  pathfakes::ServiceMode service;
  PathChannel c(10, 100, 1000);
  for (int i = 0; i < 10; ++i) c.Feed(i, TComplex{0.5, 0});
  c.range->SetPointCount(5);
  ASSERT_EQ(c.range->GetCount(), 5);
  for (int sweep = 0; sweep < 3; ++sweep) {
    for (int i = 0; i < 5; ++i) c.Feed(i, TComplex{0.5, 0});
  }
  EXPECT_EQ(c.missing, 0);
  EXPECT_EQ(c.range->ReceivedPoints.size(), 5u);
}

// ---- User calibration -----------------------------------------------------------------------------

TEST(UserCorrection, UncorrectedWithoutTableOrWhileSwitchedOff) {
  const Terms t{{0.9, 0.1}, {0.05, -0.02}, {0.1, 0.05}, {0.8, -0.1}};
  const TComplex x{0.3, 0.2};
  const TComplex y{0.4, -0.1};
  enum Off { NoTable, ModuleDisabled, PointCorrectionOff };
  for (Off off : {NoTable, ModuleDisabled, PointCorrectionOff}) {
    PathChannel c;
    if (off != NoTable) AttachConstant(*c.range, t);
    if (off == ModuleDisabled) c.cal.disabled = true;
    if (off == PointCorrectionOff) c.range->SetPointCorrection(false);
    c.range->StorePointData(2, x, y);
    EXPECT_EQ(c.Data(0, 2), x) << off;
    EXPECT_EQ(c.Data(1, 2), y) << off;
  }
}

TEST(UserCorrection, IdentityTermsChangeNothing) {
  PathChannel c;
  AttachConstant(*c.range, {{1, 0}, {0, 0}, {0, 0}, {1, 0}});
  c.range->StorePointData(0, TComplex{0.3, 0.2}, TComplex{0.4, -0.1});
  EXPECT_EQ(c.Data(0, 0), (TComplex{0.3, 0.2}));
  EXPECT_EQ(c.Data(1, 0), (TComplex{0.4, -0.1}));
}

TEST(UserCorrection, RandomTermsCorrectBackToTheDevice) {
  std::mt19937 random(20240611);
  PathChannel c;
  for (int trial = 0; trial < 500; ++trial) {
    const Terms t{RandomComplex(random, 0.5, 1.2), RandomComplex(random, 0.0, 0.2), RandomComplex(random, 0.0, 0.3),
                  RandomComplex(random, 0.3, 1.1)};
    const TComplex g = RandomComplex(random, 0.0, 1.0);
    const TComplex s21 = RandomComplex(random, 0.05, 1.0);
    AttachConstant(*c.range, t);
    c.range->StorePointData(trial % 5, MeasuredReflection(t, g), MeasuredTransmission(t, g, s21));
    ASSERT_LT(RelativeError(c.Data(0, trial % 5), g), 1e-12) << trial;
    ASSERT_LT(RelativeError(c.Data(1, trial % 5), s21), 1e-12) << trial;
  }
}

TEST(UserCorrection, DegenerateTermsLeaveTheIncomingValue) {
  struct Case {
    const char* name;
    Terms t;
    TComplex x, y;
    TComplex wantX, wantY;
  };
  const TComplex x{0.3, 0.2};
  const TComplex y{0.4, -0.1};
  const std::vector<Case> cases = {
      // ER = 0: the reflection still corrects through (m - ED) ES; y is divided by ET only.
      {"ER zero", {{0, 0}, {0.1, 0}, {0.5, 0}, {2, 0}}, x, y, (x - TComplex{0.1, 0}) / ((x - TComplex{0.1, 0}) * TComplex{0.5, 0}), y / TComplex{2, 0}},
      // m = ED gives a corrected value of 0: the measured value stays.
      {"m equals ED", {{1, 0}, x, {0.2, 0}, {1, 0}}, x, y, x, y},
      // ER = ES = 0: q is zero.
      {"q zero", {{0, 0}, {0.1, 0}, {0, 0}, {1, 0}}, x, y, x, y},
      // ET = 0: the transmission stays.
      {"ET zero", {{1, 0}, {0, 0}, {0, 0}, {0, 0}}, x, y, x, y},
      // 1 + ES (m - ED) / ER = 0: the enhanced-response divisor vanishes, y stays.
      {"divisor zero", {{1, 0}, {0, 0}, {-1, 0}, {2, 0}}, TComplex{1, 0}, y, TComplex{1, 0}, y},
  };
  for (const Case& k : cases) {
    PathChannel c;
    AttachConstant(*c.range, k.t);
    c.range->StorePointData(1, k.x, k.y);
    EXPECT_LT(RelativeError(c.Data(0, 1), k.wantX), 1e-15) << k.name;
    EXPECT_LT(RelativeError(c.Data(1, 1), k.wantY), 1e-15) << k.name;
  }
}

TEST(UserCorrection, AppliedBeforeAveraging) {
  // Two sweeps at different measured values: the average holds the mean of the corrected
  // values, not the correction of the mean (the correction is not linear).
  PathChannel c;
  const Terms t{{0.9, 0.2}, {0.1, -0.05}, {0.3, 0.2}, {1, 0}};
  AttachConstant(*c.range, t);
  c.range->AverageEnabled = true;
  const TComplex g1{0.8, 0.1};
  const TComplex g2{-0.2, 0.6};
  c.range->AverageCount = 0;
  c.range->StorePointData(3, MeasuredReflection(t, g1), TComplex{0.5, 0});
  c.range->AverageCount = 1;
  c.range->StorePointData(3, MeasuredReflection(t, g2), TComplex{0.5, 0});
  EXPECT_LT(RelativeError(c.Data(0, 3), (g1 + g2) * 0.5), 1e-12);
}

TEST(UserCorrection, AttachInterpolatesTheTableAtEveryPoint) {
  PathChannel c(5, 100, 500);
  // A calibration at 100, 300, 500 MHz with its own terms on both ports.
  TCalRange table(2, 4, std::vector<double>{100, 300, 500});
  for (int i = 0; i < 3; ++i) {
    const double k = i;
    table.SetErrorTermA(0, i, TComplex{1.0 + k, 0});
    table.SetErrorTermB(0, i, TComplex{0.1 * k, 0.5});
    table.SetErrorTermC(0, i, TComplex{0, 0.2 + 0.2 * k});
    table.SetErrorTermD(0, i, TComplex{-7, 0});  // the reflection port's tracking is not used
    table.SetErrorTermA(1, i, TComplex{-9, 0});  // nor the transmission port's reflection terms
    table.SetErrorTermD(1, i, TComplex{3.0 + 2 * k, 0});
  }
  c.range->AttachCalibration(&table);
  const TCalRange* mine = c.range->GetCalTable();
  ASSERT_NE(mine, nullptr);
  ASSERT_EQ(mine->GetCount(), 5);
  EXPECT_EQ(mine->GetMethodCode(0), 2);
  EXPECT_EQ(mine->GetMethodCode(1), 4);
  for (int i = 0; i < 5; ++i) {
    const double k = i * 0.5;  // position in the calibration's grid
    EXPECT_EQ(mine->GetFrequency(i), 100 + 100 * i);
    EXPECT_NEAR(mine->GetErrorTermA(0, i).Re, 1.0 + k, 1e-12) << i;
    EXPECT_NEAR(mine->GetErrorTermC(0, i).Im, 0.2 + 0.2 * k, 1e-12) << i;
    EXPECT_NEAR(mine->GetErrorTermD(1, i).Re, 3.0 + 2 * k, 1e-12) << i;
    EXPECT_EQ(mine->GetErrorTermD(0, i), TComplex{}) << i;
    EXPECT_EQ(mine->GetErrorTermA(1, i), TComplex{}) << i;
  }
  EXPECT_NEAR(mine->GetErrorTermB(0, 2).Re, 0.1, 1e-12);
  EXPECT_NEAR(mine->GetErrorTermB(0, 2).Im, 0.5, 1e-12);
  // Its own table attaches again to the same values; none detaches.
  c.range->AttachCalibration(c.range->GetCalTable());
  ASSERT_NE(c.range->GetCalTable(), nullptr);
  EXPECT_NEAR(c.range->GetCalTable()->GetErrorTermD(1, 4).Re, 7, 1e-12);
  c.range->AttachCalibration(nullptr);
  EXPECT_EQ(c.range->GetCalTable(), nullptr);
}

TEST(UserCorrection, TableOfAnotherPointCountIsNotApplied) {
  // Between a rebuild and the next attach the table belongs to the old list: longer or shorter,
  // its entries do not match the points, and the new last points have none at all.
  for (int newCount : {3, 9}) {
    PathChannel c(5, 100, 500);
    AttachConstant(*c.range, {{0.5, 0}, {0.1, 0}, {0.2, 0}, {2, 0}});
    c.range->SetPointCount(newCount);
    ASSERT_EQ(c.range->GetCount(), newCount);
    ASSERT_EQ(c.range->GetCalTable()->GetCount(), 5);
    for (int i = 0; i < newCount; ++i) {
      c.range->StorePointData(i, TComplex{0.3, 0.2}, TComplex{0.4, -0.1});
      EXPECT_EQ(c.Data(0, i), (TComplex{0.3, 0.2})) << newCount << " " << i;
      EXPECT_EQ(c.Data(1, i), (TComplex{0.4, -0.1})) << newCount << " " << i;
    }
  }
}

// ---- Power-meter mode -----------------------------------------------------------------------------

TEST(PowerMeterMode, SwitchingConnectsResetsAndAsksForANewSweep) {
  PathChannel c;
  c.range->AverageCount = 4;
  c.range->LastPointIndex = 3;
  c.range->PowerMeterPoint = 2;
  c.range->SetPowerMeterMode(true);
  EXPECT_TRUE(c.range->PowerMeterMode);
  EXPECT_TRUE(c.range->PowerMeterStepping);
  EXPECT_EQ(c.meter.connects, 1);
  EXPECT_EQ(c.range->AverageCount, 0);
  EXPECT_EQ(c.range->LastPointIndex, 0);
  EXPECT_EQ(c.range->PowerMeterPoint, 0);
  EXPECT_EQ(c.resweeps, 1);
  c.range->SetPowerMeterMode(true);
  EXPECT_EQ(c.meter.connects, 1);
  EXPECT_EQ(c.resweeps, 1);
  c.range->ChangeNotify = false;
  c.range->SetPowerMeterMode(false);
  EXPECT_FALSE(c.range->PowerMeterMode);
  EXPECT_FALSE(c.range->PowerMeterStepping);
  EXPECT_EQ(c.meter.disconnects, 1);
  EXPECT_EQ(c.resweeps, 1);
  EXPECT_EQ(c.events.change + c.events.settings, 0);
}

TEST(PowerMeterMode, StaysOffInDemonstrationMode) {
  PathChannel c;
  c.device.demo = true;
  c.range->SetPowerMeterMode(true);
  EXPECT_FALSE(c.range->PowerMeterMode);
  EXPECT_FALSE(c.range->PowerMeterStepping);
  EXPECT_EQ(c.meter.connects, 0);
  EXPECT_EQ(c.resweeps, 0);
}

TEST(PowerMeterMode, StepsThroughThePointsAndEndsAtTheLast) {
  PathChannel c(3, 100, 300);
  c.range->SetPowerMeterMode(true);
  c.meter.reading = [](double f, double& level) {
    level = -f / 100;
    return true;
  };
  for (int k = 0; k < 3; ++k) {
    double reading = 0;
    bool end = false;
    c.range->DoPowerMeterStep(reading, end);
    EXPECT_EQ(reading, -(k + 1));
    EXPECT_EQ(c.range->GetPointPowerReading(k), -(k + 1));
    EXPECT_EQ(end, k == 2);
    if (!end) c.range->NotifySweepEvent();
  }
  EXPECT_EQ(c.meter.asked, (std::vector<double>{100, 200, 300}));
  EXPECT_EQ(c.range->PowerMeterPoint, 2);
  EXPECT_EQ(c.pointData, 3);
  EXPECT_EQ(c.resweeps, 1 + 2);
  // Past the end nothing is read.
  c.range->PowerMeterPoint = 3;
  double reading = 0;
  bool end = false;
  c.range->DoPowerMeterStep(reading, end);
  EXPECT_EQ(c.meter.asked.size(), 3u);
  EXPECT_FALSE(end);
}

TEST(PowerMeterMode, FailedReadingRepeatsWhileReadyAndEndsOtherwise) {
  PathChannel c(3, 100, 300);
  c.range->SetPowerMeterMode(true);
  c.meter.reading = [](double, double&) { return false; };
  double reading = 0;
  bool end = false;
  c.range->DoPowerMeterStep(reading, end);
  EXPECT_FALSE(end);
  EXPECT_EQ(c.range->PowerMeterPoint, 0);
  EXPECT_EQ(c.range->GetPointPowerReading(0), -100);
  EXPECT_EQ(c.pointData, 0);
  c.meter.state = IPowerMeter::NotReady;
  c.range->DoPowerMeterStep(reading, end);
  EXPECT_TRUE(end);
  EXPECT_EQ(c.range->PowerMeterPoint, 0);
  // Without a power meter the step ends the sweep at once.
  c.scope->PowerMeter = nullptr;
  end = false;
  c.range->DoPowerMeterStep(reading, end);
  EXPECT_TRUE(end);
}

TEST(PowerMeterMode, SecondPassOnlyAddsTheReading) {
  // The point was processed when its reply was stored: a port extension that negates it must
  // not run again when the sensor reading arrives.
  PathChannel c(3, 250, 750);
  c.range->PortExtensionsEnabled = true;
  c.range->Extension[0] = 1e-9;
  c.range->SetPowerMeterMode(true);
  c.meter.reading = [](double, double& level) {
    level = -12.5;
    return true;
  };
  c.Feed(0, TComplex{0.25, 0.5});
  const TComplex processed = c.Data(0, 0);
  EXPECT_LT(RelativeError(processed, TComplex{-0.25, -0.5}), 1e-12);
  double reading = 0;
  bool end = false;
  c.range->DoPowerMeterStep(reading, end);
  EXPECT_EQ(c.Data(0, 0), processed);
  EXPECT_EQ(c.range->GetPointPowerReading(0), -12.5);
  EXPECT_EQ(c.pointData, 2);
  // While a change is being reported the reading is stored without the event.
  c.range->Changing = true;
  c.range->DoPowerMeterStep(reading, end);
  EXPECT_EQ(c.pointData, 2);
  EXPECT_EQ(c.range->GetPointPowerReading(1), -12.5);
}

}  // namespace
