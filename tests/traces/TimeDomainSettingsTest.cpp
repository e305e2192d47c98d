// The channel window's time-domain settings: limits, range and gate setters, beta, window and
// impulse width, the keyword forms with their errors, the distance forms, the clamp of loaded
// values, and what each change recalculates and announces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/FakeTraceHost.h"
#include "traces/TimeDomainOwner.h"
#include "traces/TimeDomainSettings.h"

namespace {

using tracetest::FakeTraceHost;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// An owner that counts what the settings ask of the window instead of recalculating.
class CountingOwner : public TTimeDomainOwner {
 public:
  explicit CountingOwner(TRange* range) : TTimeDomainOwner(nullptr), range_(range) {}
  TRange* GetRange() const override { return range_; }
  void RecalculateAllTraces() override { ++recalculations; }
  void RecalculateTimeDomainTraces() override { ++gateRecalculations; }
  void RefreshTimeDomain() override { ++refreshes; }
  void RequestRedraw() override { ++redraws; }
  void Changed() override { ++changes; }
  int Work() const { return recalculations + gateRecalculations + refreshes + changes; }

  int recalculations = 0;
  int gateRecalculations = 0;
  int refreshes = 0;
  int redraws = 0;
  int changes = 0;

 private:
  TRange* range_;
};

// A channel of points over start..stop MHz and an owner that counts.
struct Channel {
  Channel(int points, double start, double stop) : host(points, start, stop), owner(host.range) {}
  FakeTraceHost host;
  CountingOwner owner;
  TTimeDomainSettings td;
};

}  // namespace

TEST(TimeDomainSettings, AliasFreeLimitsFollowPointsAndSpan) {
  Channel c(201, 100.0, 200.0);
  EXPECT_DOUBLE_EQ(TTimeDomainSettings::TimeMax(c.host.range), 2e-6);
  EXPECT_DOUBLE_EQ(TTimeDomainSettings::TimeMin(c.host.range), -2e-6);
  c.host.SetStimulus(201, 150.0, 150.0);
  EXPECT_EQ(TTimeDomainSettings::TimeMax(c.host.range), 1e5);
  EXPECT_EQ(TTimeDomainSettings::TimeMin(c.host.range), -1e5);
  EXPECT_EQ(TTimeDomainSettings::TimeMax(nullptr), 1e5);
}

TEST(TimeDomainSettings, TransformStartAndStopKeepOneNanosecondInsideTheLimits) {
  Channel c(201, 100.0, 200.0);
  c.td.SetTransformStart(c.owner, -1.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -2e-6);
  EXPECT_EQ(c.owner.recalculations, 1);
  EXPECT_EQ(c.owner.changes, 1);
  c.td.SetTransformStop(c.owner, -3e-6);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, -2e-6 + 1e-9);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -2e-6);
  c.td.SetTransformStart(c.owner, 5.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, 2e-6 - 1e-9);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, 2e-6);
  // Moving the stop below the start pushes the start down, a nanosecond below.
  c.td.SetTransformStop(c.owner, 1e-7);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, 1e-7);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, 1e-7 - 1e-9);
  EXPECT_FALSE(c.td.TimeCenterPriority);
}

TEST(TimeDomainSettings, RangeNarrowerThanOneNanosecondTakesTheWholeRange) {
  // Two points over 13915 MHz: the alias-free range is +-72 ps, narrower than the 1 ns a
  // transform range keeps; the range then fills it instead of leaving it.
  Channel c(2, 85.0, 14000.0);
  const double tmax = TTimeDomainSettings::TimeMax(c.host.range);
  ASSERT_LT(2 * tmax, 1e-9);
  c.td.ClampLoaded(c.host.range);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -tmax);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, tmax);
  c.td.SetTransformStop(c.owner, 0.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, tmax);
  c.td.SetTransformStart(c.owner, 1.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -tmax);
  c.td.SetTransformCenter(c.owner, 1.0);
  c.td.SetTransformSpan(c.owner, 1e-9);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -tmax);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, tmax);
}

TEST(TimeDomainSettings, CentreKeepsTheSpanAndSpanOneTakesTheWholeRange) {
  Channel c(201, 100.0, 200.0);
  c.td.TransformStart = -1e-8;
  c.td.TransformStop = 3e-8;
  c.td.SetTransformCenter(c.owner, 0.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -2e-8);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, 2e-8);
  EXPECT_TRUE(c.td.TimeCenterPriority);
  c.td.SetTransformSpan(c.owner, 1.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStart, -2e-6);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, 2e-6);
  // A centre at the limit narrows the range to the nanosecond that still fits inside.
  c.td.SetTransformCenter(c.owner, 1.0);
  EXPECT_DOUBLE_EQ(c.td.TransformStop, 2e-6);
  EXPECT_NEAR(c.td.TransformStart, 2e-6 - 1e-9, 1e-21);
  c.td.SetTransformSpan(c.owner, 0.0);
  EXPECT_NEAR(c.td.GetTransformSpan(), 1e-9, 1e-21);
}

TEST(TimeDomainSettings, StartAndStopClearTheCentrePriorityEvenWithoutAChange) {
  Channel c(201, 100.0, 200.0);
  c.td.TimeCenterPriority = true;
  c.td.SetTransformStart(c.owner, c.td.TransformStart);
  EXPECT_FALSE(c.td.TimeCenterPriority);
  EXPECT_EQ(c.owner.Work(), 0);
  c.td.GatingCenterPriority = true;
  c.td.SetGatingStop(c.owner, c.td.GatingStop);
  EXPECT_FALSE(c.td.GatingCenterPriority);
  EXPECT_EQ(c.owner.Work(), 0);
}

TEST(TimeDomainSettings, GateMayHaveZeroWidthAndRecalculatesOnlyTheTimeDomainTraces) {
  Channel c(201, 100.0, 200.0);
  c.td.SetGatingSpan(c.owner, 0.0);
  EXPECT_EQ(c.td.GatingStart, c.td.GatingStop);
  EXPECT_EQ(c.td.GatingStart, 0.0);
  EXPECT_TRUE(c.td.GatingCenterPriority);
  EXPECT_EQ(c.owner.gateRecalculations, 1);
  EXPECT_EQ(c.owner.recalculations, 0);
  EXPECT_EQ(c.owner.changes, 1);
  c.td.SetGatingStart(c.owner, 3e-8);
  EXPECT_DOUBLE_EQ(c.td.GatingStart, 3e-8);
  EXPECT_DOUBLE_EQ(c.td.GatingStop, 3e-8);
  c.td.SetGatingStop(c.owner, -1.0);
  EXPECT_DOUBLE_EQ(c.td.GatingStop, -2e-6);
  EXPECT_DOUBLE_EQ(c.td.GatingStart, -2e-6);
  c.td.SetGatingSpan(c.owner, 5e-8);
  EXPECT_DOUBLE_EQ(c.td.GatingStart, -2e-6);
  EXPECT_DOUBLE_EQ(c.td.GatingStop, -2e-6 + 5e-8);
  // A centre near the limit shrinks the gate to fit.
  c.td.SetGatingCenter(c.owner, 2e-6 - 1e-8);
  EXPECT_DOUBLE_EQ(c.td.GatingStop, 2e-6);
  EXPECT_NEAR(c.td.GatingStart, 2e-6 - 2e-8, 1e-20);
  EXPECT_EQ(c.owner.recalculations, 0);
}

TEST(TimeDomainSettings, BetaIsLimitedAndRoundedToTheThousandth) {
  struct Case {
    double in;
    double stored;
  };
  const Case cases[] = {{6.0004, 6.0}, {6.0006, 6.001}, {20.0, 13.0}, {-1.0, 0.0}, {7.25, 7.25}, {0.0005, 0.001}};
  for (const Case& k : cases) {
    Channel c(201, 100.0, 200.0);
    c.td.Beta = 3.0;
    c.td.SetTransformBeta(c.owner, k.in);
    EXPECT_NEAR(c.td.Beta, k.stored, 1e-12) << k.in;
    EXPECT_EQ(c.owner.recalculations, 1);
  }
  Channel c(201, 100.0, 200.0);
  c.td.SetTransformBeta(c.owner, 6.0004);  // rounds to the present 6
  EXPECT_EQ(c.owner.Work(), 0);
}

TEST(TimeDomainSettings, WindowChoicesAndTheirText) {
  Channel c(201, 100.0, 200.0);
  c.td.SetWindowText(c.owner, "normal");
  EXPECT_EQ(c.td.Beta, 6.0);
  EXPECT_EQ(c.td.GetWindowText(), "NORM");
  c.td.SetWindowText(c.owner, "min");
  EXPECT_EQ(c.td.Beta, 0.0);
  EXPECT_EQ(c.td.GetWindowText(), "MIN");
  c.td.SetWindowText(c.owner, "Maximum");
  EXPECT_EQ(c.td.Beta, 13.0);
  EXPECT_EQ(c.td.GetTransformWindow(), 2);
  c.td.SetTransformBeta(c.owner, 7.5);
  EXPECT_EQ(c.td.GetWindowText(), "");
  EXPECT_EQ(c.td.GetTransformWindow(), 3);
  const int before = c.owner.Work();
  for (const char* text : {"X", "", "MI", "NOR", "MA", " MIN"}) c.td.SetWindowText(c.owner, text);
  c.td.SetTransformWindow(c.owner, 3);
  c.td.SetTransformWindow(c.owner, -1);
  EXPECT_EQ(c.td.Beta, 7.5);
  EXPECT_EQ(c.owner.Work(), before);
  c.td.Beta = 6.0009;
  EXPECT_EQ(c.td.GetTransformWindow(), 1);
  c.td.Beta = 12.9985;
  EXPECT_EQ(c.td.GetTransformWindow(), 3);
}

TEST(TimeDomainSettings, TransformAndResponseTypeTexts) {
  Channel c(201, 100.0, 200.0);
  EXPECT_EQ(c.td.GetTransformTypeText(), "BPAS");
  EXPECT_EQ(c.td.GetResponseTypeText(), "IMP");
  c.td.SetResponseTypeText(c.owner, "imp");  // only a step becomes an impulse
  EXPECT_EQ(c.td.ResponseType, 0);
  c.td.SetTransformTypeText(c.owner, "lpa");  // shorter than the keyword
  EXPECT_EQ(c.td.ResponseType, 0);
  c.td.SetTransformTypeText(c.owner, "lpass");
  EXPECT_EQ(c.td.ResponseType, 1);
  EXPECT_EQ(c.td.GetTransformTypeText(), "LPAS");
  EXPECT_EQ(c.td.GetResponseTypeText(), "IMP");
  c.td.SetResponseTypeText(c.owner, "STEP");
  EXPECT_EQ(c.td.ResponseType, 2);
  EXPECT_EQ(c.td.GetTransformTypeText(), "LPAS");
  EXPECT_EQ(c.td.GetResponseTypeText(), "STEP");
  c.td.SetTransformTypeText(c.owner, "LPAS");  // a low-pass step stays a step
  EXPECT_EQ(c.td.ResponseType, 2);
  c.td.SetResponseTypeText(c.owner, "IMPULSE");
  EXPECT_EQ(c.td.ResponseType, 1);
  c.td.SetResponseTypeText(c.owner, "step");
  c.td.SetTransformTypeText(c.owner, "BPA");
  EXPECT_EQ(c.td.ResponseType, 2);
  c.td.SetTransformTypeText(c.owner, "Bpass");
  EXPECT_EQ(c.td.ResponseType, 0);
  // From band-pass a step text makes a step at once.
  c.td.SetResponseTypeText(c.owner, "STEP");
  EXPECT_EQ(c.td.ResponseType, 2);
  EXPECT_EQ(c.owner.refreshes, 6);
  EXPECT_EQ(c.owner.changes, 6);
}

TEST(TimeDomainSettings, GatingTextsRaiseTheirErrorsAndKeepTheSetting) {
  Channel c(201, 100.0, 200.0);
  struct Case {
    const char* text;
    int shape;
  };
  const Case shapes[] = {{"max", 3}, {"WIDE", 2}, {"Normal", 1}, {"minimum", 0}, {"MAXIMUM", 3}};
  for (const Case& k : shapes) {
    c.td.SetGatingShapeText(c.owner, k.text);
    EXPECT_EQ(c.td.GatingShape, k.shape) << k.text;
  }
  EXPECT_EQ(c.td.GetGatingShapeText(), "MAX");
  for (const char* bad : {"X", "", "MA", "WID", " MAX"}) {
    try {
      c.td.SetGatingShapeText(c.owner, bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 218);
      EXPECT_STREQ(e.what(), "Invalid gating shape specifier");
    }
    EXPECT_EQ(c.td.GatingShape, 3);
  }
  c.td.SetGatingTypeText(c.owner, "notch");
  EXPECT_EQ(c.td.GatingType, 1);
  EXPECT_EQ(c.td.GetGatingTypeText(), "NOTC");
  for (const char* bad : {"", "NOT", "band", "X"}) {
    try {
      c.td.SetGatingTypeText(c.owner, bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 219);
      EXPECT_STREQ(e.what(), "Invalid gating type specifier");
    }
    EXPECT_EQ(c.td.GatingType, 1);
  }
  c.td.SetGatingTypeText(c.owner, "bpass");
  EXPECT_EQ(c.td.GatingType, 0);
  EXPECT_EQ(c.td.GetGatingTypeText(), "BPAS");
  c.td.GatingType = 5;
  c.td.GatingShape = -1;
  EXPECT_EQ(c.td.GetGatingTypeText(), "");
  EXPECT_EQ(c.td.GetGatingShapeText(), "");
}

TEST(TimeDomainSettings, RandomTextRaisesOrChangesNothing) {
  Channel c(201, 100.0, 200.0);
  std::mt19937 rng(11);
  const std::string alphabet = "BPASLNOTCMIXWDERHFGpasnotcmixwdeh \t\x01\xff\xc3\xa9";
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 8, ' ');
    for (char& ch : text) ch = alphabet[rng() % alphabet.size()];
    const TTimeDomainSettings before = c.td;
    const auto same = [&](const TTimeDomainSettings& a) {
      return a.ResponseType == before.ResponseType && a.GatingType == before.GatingType &&
             a.GatingShape == before.GatingShape && a.Beta == before.Beta;
    };
    try {
      c.td.SetGatingShapeText(c.owner, text);
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 218);
      EXPECT_TRUE(same(c.td));
    }
    try {
      c.td.SetGatingTypeText(c.owner, text);
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 219);
    }
    c.td.SetWindowText(c.owner, text);
    c.td.SetTransformTypeText(c.owner, text);
    c.td.SetResponseTypeText(c.owner, text);
    EXPECT_GE(c.td.ResponseType, 0);
    EXPECT_LE(c.td.ResponseType, 2);
    EXPECT_GE(c.td.GatingShape, 0);
    EXPECT_LE(c.td.GatingShape, 3);
  }
}

TEST(TimeDomainSettings, ImpulseWidthTablesAndTheirInverse) {
  Channel c(201, 100.0, 1099.7);
  c.td.Beta = 6.0;
  EXPECT_NEAR(c.td.GetImpulseWidth(c.host.range), 1.951707512e-9, 1e-20);
  c.td.ResponseType = 1;
  EXPECT_NEAR(c.td.GetImpulseWidth(c.host.range), 1.951707512e-9 / 2, 1e-20);
  c.td.ResponseType = 2;
  EXPECT_NEAR(c.td.GetImpulseWidth(c.host.range), 9.86295889e-10, 1e-20);
  // Half the span, twice the width; beta between the table's points interpolates.
  c.host.SetStimulus(201, 100.0, 100.0 + 999.7 / 2);
  c.td.ResponseType = 0;
  c.td.Beta = 6.5;
  EXPECT_NEAR(c.td.GetImpulseWidth(c.host.range), 2 * (1.951707512e-9 + 2.086808042e-9) / 2, 1e-20);
  c.td.Beta = 13.0;
  EXPECT_NEAR(c.td.GetImpulseWidth(c.host.range), 2 * 2.771617485e-9, 1e-20);
  c.td.Beta = 0.0;
  EXPECT_NEAR(c.td.GetImpulseWidth(c.host.range), 2 * 1.203813144e-9, 1e-20);

  // SetImpulseWidth finds the beta back, in every response type.
  for (int type = 0; type < 3; ++type) {
    for (double beta : {0.0, 0.5, 3.25, 6.0, 9.999, 12.5, 13.0}) {
      c.td.ResponseType = type;
      c.td.Beta = beta;
      const double width = c.td.GetImpulseWidth(c.host.range);
      c.td.Beta = beta == 6.0 ? 2.0 : 6.0;
      c.td.SetImpulseWidth(c.owner, width);
      EXPECT_NEAR(c.td.Beta, beta, 1e-9) << "type " << type << " beta " << beta;
    }
  }
  // Narrower than the table extrapolates below 0 and is limited to 0; wider to 13.
  c.td.ResponseType = 0;
  c.td.SetImpulseWidth(c.owner, 1e-12);
  EXPECT_EQ(c.td.Beta, 0.0);
  c.td.SetImpulseWidth(c.owner, 1e-6);
  EXPECT_EQ(c.td.Beta, 13.0);
  c.td.SetImpulseWidth(c.owner, kNaN);
  EXPECT_EQ(c.td.Beta, 13.0);
  // Zero span: width 0.
  c.host.SetStimulus(201, 500.0, 500.0);
  EXPECT_EQ(c.td.GetImpulseWidth(c.host.range), 0.0);
}

TEST(TimeDomainSettings, NonFiniteArgumentsChangeNothing) {
  Channel c(201, 100.0, 200.0);
  const TTimeDomainSettings before = c.td;
  for (double bad : {kNaN, kInf, -kInf}) {
    c.td.SetTransformStart(c.owner, bad);
    c.td.SetTransformStop(c.owner, bad);
    c.td.SetTransformCenter(c.owner, bad);
    c.td.SetTransformSpan(c.owner, bad);
    c.td.SetGatingStart(c.owner, bad);
    c.td.SetGatingStop(c.owner, bad);
    c.td.SetGatingCenter(c.owner, bad);
    c.td.SetGatingSpan(c.owner, bad);
    c.td.SetTransformBeta(c.owner, bad);
    c.td.SetImpulseWidth(c.owner, bad);
    c.td.SetTransformStartInUnit(c.owner, bad);
    c.td.SetTransformSpanInUnit(c.owner, bad);
  }
  EXPECT_EQ(c.td.TransformStart, before.TransformStart);
  EXPECT_EQ(c.td.TransformStop, before.TransformStop);
  EXPECT_EQ(c.td.GatingStart, before.GatingStart);
  EXPECT_EQ(c.td.GatingStop, before.GatingStop);
  EXPECT_EQ(c.td.Beta, before.Beta);
  EXPECT_FALSE(c.td.TimeCenterPriority);
  EXPECT_FALSE(c.td.GatingCenterPriority);
  EXPECT_EQ(c.owner.Work(), 0);
  EXPECT_EQ(c.owner.redraws, 0);
}

TEST(TimeDomainSettings, TypesShapesAndSwitchesRefreshTheTimeDomain) {
  Channel c(201, 100.0, 200.0);
  c.td.SetGatingType(c.owner, 1);
  c.td.SetGatingShape(c.owner, 3);
  c.td.SetResponseType(c.owner, 2);
  c.td.SetGatingShape(c.owner, 3);
  EXPECT_EQ(c.owner.refreshes, 3);
  EXPECT_EQ(c.owner.changes, 3);
  EXPECT_EQ(c.owner.recalculations, 0);
  c.td.SetTimeCenterPriority(c.owner, true);
  c.td.SetTimeCenterPriority(c.owner, true);
  EXPECT_TRUE(c.td.TimeCenterPriority);
  EXPECT_EQ(c.owner.changes, 3);  // a repaint only
  EXPECT_GE(c.owner.redraws, 4);
}

TEST(TimeDomainSettings, GatingMakesTheSweepLinearAndGivesAZeroSpanTheWholeBand) {
  Channel c(201, 100.0, 200.0);
  c.host.range->SetSweepType(TRange::Log);
  ASSERT_EQ(c.host.range->SweepMode, TRange::Log);
  c.td.SetGatingEnabled(c.owner, true);
  EXPECT_TRUE(c.td.EnableGating);
  EXPECT_EQ(c.host.range->SweepMode, TRange::Lin);
  EXPECT_DOUBLE_EQ(c.host.range->MinFrequency, 100.0);
  EXPECT_DOUBLE_EQ(c.host.range->MaxFrequency, 200.0);
  EXPECT_EQ(c.owner.refreshes, 1);
  EXPECT_EQ(c.owner.changes, 1);
  c.td.SetGatingEnabled(c.owner, true);
  EXPECT_EQ(c.owner.changes, 1);

  c.td.SetGatingEnabled(c.owner, false);
  c.host.SetStimulus(201, 300.0, 300.0);
  c.host.range->SetSweepType(TRange::Log);
  // As the window does, every change of a channel without span (or not linear) switches the gate
  // off; switching it on still leaves it on, over the whole band.
  c.host.range->OnChange = [&c](TFObject*) {
    const TRange& r = *c.host.range;
    if (r.SweepMode != TRange::Lin || NearlyEqual(r.MaxFrequency - r.MinFrequency, 0.0)) c.td.EnableGating = false;
  };
  c.td.SetGatingEnabled(c.owner, true);
  EXPECT_TRUE(c.td.EnableGating);
  EXPECT_EQ(c.host.range->SweepMode, TRange::Lin);
  EXPECT_DOUBLE_EQ(c.host.range->MinFrequency, c.host.range->GetDeviceMinFrequency());
  EXPECT_DOUBLE_EQ(c.host.range->MaxFrequency, c.host.range->GetDeviceMaxFrequency());
}

TEST(TimeDomainSettings, DistanceFormsInEveryUnit) {
  Channel c(201, 100.0, 1100.0);
  TScannerModule& scanner = c.host.scanner;
  c.td.TransformStart = 0.0;
  c.td.TransformStop = 1e-8;
  scanner.SetVelocityFactor(1.0);
  scanner.MetricSystem = TScannerModule::UnitMetres;
  EXPECT_NEAR(c.td.GetTransformStopInUnit(), 1.49896229, 1e-12);
  EXPECT_NEAR(c.td.GetTransformCenterInUnit(), 1.49896229 / 2, 1e-12);
  scanner.MetricSystem = TScannerModule::UnitFeet;
  EXPECT_NEAR(c.td.GetTransformSpanInUnit(), 1.49896229 / 0.3048, 1e-12);
  scanner.MetricSystem = TScannerModule::UnitSeconds;
  EXPECT_NEAR(c.td.GetTransformStopInUnit(), 10.0, 1e-12);
  scanner.SetVelocityFactor(0.66);
  scanner.MetricSystem = TScannerModule::UnitMetres;
  EXPECT_NEAR(c.td.GetTransformStopInUnit(), 1.49896229 * 0.66, 1e-12);

  struct Case {
    int unit;
    double value;
  };
  const Case cases[] = {{0, 25.0}, {1, 3.0}, {2, 9.5}, {7, 40.0}};
  for (const Case& k : cases) {
    scanner.MetricSystem = k.unit;
    c.td.SetTransformStopInUnit(c.owner, k.value);
    if (k.unit == 1 || k.unit == 2) {
      EXPECT_NEAR(c.td.GetTransformStopInUnit(), k.value, 1e-9) << k.unit;
    } else {
      EXPECT_NEAR(c.td.TransformStop, k.value * 1e-9, 1e-21) << k.unit;
    }
  }
  scanner.MetricSystem = TScannerModule::UnitMetres;
  c.td.SetTransformStartInUnit(c.owner, 1.0);
  c.td.SetTransformSpanInUnit(c.owner, 2.0);
  c.td.SetTransformCenterInUnit(c.owner, 2.5);
  EXPECT_NEAR(c.td.GetTransformCenterInUnit(), 2.5, 1e-9);
  EXPECT_NEAR(c.td.GetTransformSpanInUnit(), 2.0, 1e-9);
}

TEST(TimeDomainSettings, CableLossOverTheOneWayLength) {
  FakeTraceHost host;
  host.scanner.SetVelocityFactor(1.0);
  host.scanner.SetCableLoss(0.5);
  EXPECT_NEAR(CableLossForTime(1e-7), 7.49481145, 1e-8);
  host.scanner.SetVelocityFactor(0.5);
  EXPECT_NEAR(CableLossForTime(1e-7), 7.49481145 / 2, 1e-8);
  EXPECT_EQ(CableLossForTime(0.0), 0.0);
}

TEST(TimeDomainSettings, LoadedValuesAreBroughtIntoRange) {
  Channel c(201, 100.0, 200.0);  // limits +-2 us
  struct Case {
    const char* what;
    TTimeDomainSettings in;
    TTimeDomainSettings out;
  };
  TTimeDomainSettings d;
  auto with = [&](auto edit) {
    TTimeDomainSettings s = d;
    edit(s);
    return s;
  };
  const Case cases[] = {
      {"defaults stay", d, d},
      {"times beyond the limits",
       with([](TTimeDomainSettings& s) { s.TransformStart = -1; s.TransformStop = 1; s.GatingStart = -5; s.GatingStop = 5; }),
       with([](TTimeDomainSettings& s) { s.TransformStart = -2e-6; s.TransformStop = 2e-6; s.GatingStart = -2e-6; s.GatingStop = 2e-6; })},
      {"start above stop",
       with([](TTimeDomainSettings& s) { s.TransformStart = 3e-8; s.TransformStop = 1e-8; s.GatingStart = 3e-8; s.GatingStop = 1e-8; }),
       with([](TTimeDomainSettings& s) { s.TransformStart = 3e-8; s.TransformStop = 3e-8 + 1e-9; s.GatingStart = 3e-8; s.GatingStop = 3e-8; })},
      {"non-finite values",
       with([](TTimeDomainSettings& s) { s.TransformStart = kNaN; s.TransformStop = kInf; s.GatingStart = -kInf; s.GatingStop = kNaN; s.Beta = kNaN; }),
       d},
      {"beta off the grid", with([](TTimeDomainSettings& s) { s.Beta = 42.0; }), with([](TTimeDomainSettings& s) { s.Beta = 13.0; })},
      {"beta rounded", with([](TTimeDomainSettings& s) { s.Beta = 4.12345; }), with([](TTimeDomainSettings& s) { s.Beta = 4.123; })},
      {"codes outside their range",
       with([](TTimeDomainSettings& s) { s.ResponseType = 3; s.GatingType = -1; s.GatingShape = 4; }), d},
      {"codes inside their range",
       with([](TTimeDomainSettings& s) { s.ResponseType = 2; s.GatingType = 1; s.GatingShape = 0; }),
       with([](TTimeDomainSettings& s) { s.ResponseType = 2; s.GatingType = 1; s.GatingShape = 0; })},
  };
  for (const Case& k : cases) {
    TTimeDomainSettings s = k.in;
    s.ClampLoaded(c.host.range);
    EXPECT_DOUBLE_EQ(s.TransformStart, k.out.TransformStart) << k.what;
    EXPECT_DOUBLE_EQ(s.TransformStop, k.out.TransformStop) << k.what;
    EXPECT_DOUBLE_EQ(s.GatingStart, k.out.GatingStart) << k.what;
    EXPECT_DOUBLE_EQ(s.GatingStop, k.out.GatingStop) << k.what;
    EXPECT_NEAR(s.Beta, k.out.Beta, 1e-12) << k.what;
    EXPECT_EQ(s.ResponseType, k.out.ResponseType) << k.what;
    EXPECT_EQ(s.GatingType, k.out.GatingType) << k.what;
    EXPECT_EQ(s.GatingShape, k.out.GatingShape) << k.what;
  }
}

TEST(TimeDomainSettings, ChangesGoThroughTheTraceHostWithTheWindowAsSender) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TFObject* window = host.range;  // any object stands for the window here
  TTimeDomainOwner owner(&host.list, window);
  TMeasurement& rl = host.Trace();  // Return Loss: no time domain
  host.list.AddMeasurement(0, 19);  // distance to fault: transform active
  TMeasurement& dtf = host.Trace(1);
  ASSERT_FALSE(rl.IsTransformActive());
  ASSERT_TRUE(dtf.IsTransformActive());
  host.ResetCounts();

  // The gate recalculates only the trace whose time domain runs (Recalculate asks for a repaint).
  host.timeDomain.SetGatingStart(owner, -5e-9);
  ASSERT_EQ(host.Changes(), 1);
  EXPECT_EQ(host.senders[0], window);
  EXPECT_EQ(host.redraws, 1);

  host.ResetCounts();
  host.timeDomain.SetTransformStop(owner, 3e-8);
  EXPECT_EQ(host.Changes(), 1);
  EXPECT_EQ(host.redraws, 2);  // both traces

  host.ResetCounts();
  host.timeDomain.SetTransformStop(owner, 3e-8);
  EXPECT_EQ(host.Changes(), 0);
  EXPECT_EQ(host.redraws, 0);

  // The time-domain refresh redoes the transform of the DTF trace at once.
  for (int i = 0; i < host.range->GetCount(); ++i) {
    const double f = host.range->GetPointFrequency(i);
    host.range->SetPointData(0, i, Polar(1.0, -2 * 3.14159265358979 * f * 1e6 * 1e-8));
  }
  dtf.Recalculate();
  const std::vector<TComplex> bandPass = dtf.TimeData;
  host.timeDomain.SetResponseType(owner, 1);
  EXPECT_NE(dtf.TimeData[10], bandPass[10]);
  EXPECT_EQ(host.senders.back(), window);
}

TEST(TimeDomainSettings, RandomSetterSequencesKeepTheInvariants) {
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  FakeTraceHost host;
  CountingOwner owner(host.range);
  const double specials[] = {kNaN, kInf, -kInf, 0.0, -0.0, 1e-9, -1e-9, 1e300, -1e300, 5e-324};
  for (int channel = 0; channel < 60; ++channel) {
    const int points = 2 + static_cast<int>(rng() % 16000);
    const double start = 85.0 + unit(rng) * 13000.0;
    double span;
    switch (rng() % 4) {
      case 0: span = 0.0; break;
      case 1: span = unit(rng) * 1e-5; break;  // a tiny span: a huge time range
      default: span = unit(rng) * (14000.0 - start); break;
    }
    host.SetStimulus(points, start, start + span);
    const TRange* range = host.range;
    const double tmin = TTimeDomainSettings::TimeMin(range);
    const double tmax = TTimeDomainSettings::TimeMax(range);
    ASSERT_TRUE(std::isfinite(tmin) && std::isfinite(tmax) && tmin < tmax);
    const double minSpan = std::min(1e-9, tmax - tmin);
    // Rounding of times of the size of the limits.
    const double slack = 16 * std::numeric_limits<double>::epsilon() * std::max(tmax, 1e-9);
    TTimeDomainSettings td;
    td.ClampLoaded(range);
    for (int step = 0; step < 200; ++step) {
      double v;
      switch (rng() % 4) {
        case 0: v = specials[rng() % std::size(specials)]; break;
        case 1: v = (unit(rng) * 2 - 1) * tmax * 1.5; break;
        case 2: v = (unit(rng) * 2 - 1) * 1e-7; break;
        default: v = (unit(rng) * 30) - 10; break;
      }
      const int which = static_cast<int>(rng() % 12);
      switch (which) {
        case 0: td.SetTransformStart(owner, v); break;
        case 1: td.SetTransformStop(owner, v); break;
        case 2: td.SetTransformCenter(owner, v); break;
        case 3: td.SetTransformSpan(owner, v); break;
        case 4: td.SetGatingStart(owner, v); break;
        case 5: td.SetGatingStop(owner, v); break;
        case 6: td.SetGatingCenter(owner, v); break;
        case 7: td.SetGatingSpan(owner, v); break;
        case 8: td.SetTransformBeta(owner, v); break;
        case 9: td.SetImpulseWidth(owner, v * 1e-9); break;
        case 10: td.SetTransformStartInUnit(owner, v); break;
        default: td.SetTransformSpanInUnit(owner, v); break;
      }
      const std::string where = "channel " + std::to_string(channel) + " step " + std::to_string(step) +
                                " setter " + std::to_string(which) + " value " + std::to_string(v);
      ASSERT_LE(td.TransformStart + minSpan, td.TransformStop + slack) << where;
      ASSERT_GE(td.TransformStart, tmin - slack) << where;
      ASSERT_LE(td.TransformStop, tmax + slack) << where;
      ASSERT_LE(td.GatingStart, td.GatingStop + slack) << where;
      ASSERT_GE(td.GatingStart, tmin - slack) << where;
      ASSERT_LE(td.GatingStop, tmax + slack) << where;
      ASSERT_GE(td.Beta, 0.0) << where;
      ASSERT_LE(td.Beta, 13.0) << where;
    }
  }
}

TEST(TimeDomainSettings, StateKeysRoundTripAndHostileValuesLoadIntoRange) {
  Channel c(201, 100.0, 200.0);
  TTimeDomainSettings saved;
  saved.EnableGating = true;
  saved.GatingStart = 1.25e-8;
  saved.GatingStop = 3.5e-8;
  saved.GatingType = 1;
  saved.GatingShape = 3;
  saved.TransformStart = -4.1e-8;
  saved.TransformStop = 9.7e-8;
  saved.ResponseType = 2;
  saved.Beta = 7.125;
  saved.TimeCenterPriority = true;
  saved.GatingCenterPriority = true;
  TMemIniFile ini;
  saved.SaveToIni(ini, "RangeView0");
  TTimeDomainSettings loaded;
  loaded.LoadFromIni(ini, "RangeView0");
  loaded.ClampLoaded(c.host.range);  // values the program wrote load unchanged
  EXPECT_EQ(loaded.EnableGating, true);
  EXPECT_EQ(loaded.GatingStart, saved.GatingStart);
  EXPECT_EQ(loaded.GatingStop, saved.GatingStop);
  EXPECT_EQ(loaded.GatingType, 1);
  EXPECT_EQ(loaded.GatingShape, 3);
  EXPECT_EQ(loaded.TransformStart, saved.TransformStart);
  EXPECT_EQ(loaded.TransformStop, saved.TransformStop);
  EXPECT_EQ(loaded.ResponseType, 2);
  EXPECT_EQ(loaded.Beta, 7.125);
  EXPECT_TRUE(loaded.TimeCenterPriority);
  EXPECT_TRUE(loaded.GatingCenterPriority);

  // Missing keys give the defaults.
  TTimeDomainSettings empty = saved;
  empty.LoadFromIni(ini, "Nothing");
  EXPECT_EQ(empty.TransformStart, -1e-8);
  EXPECT_EQ(empty.Beta, 6.0);
  EXPECT_EQ(empty.GatingShape, 1);
  EXPECT_FALSE(empty.EnableGating);

  // Random and hostile texts: after the clamp every value is one the setters allow.
  std::mt19937 rng(99);
  const char* pieces[] = {"nan", "inf", "-inf", "1e400", "-1e400", "", "abc", "5", "-3", "1,5e-8", "2e-6",
                          "-7e-6", "13.0004", "0x10", "99999999999", "1e-9", "\xff\xfe", " 3"};
  const char* keys[] = {"EnableGating", "GatingStart", "GatingStop", "GatingType", "GatingShape", "TransformStart",
                        "TransformStop", "ResponseType", "Beta"};
  for (int round = 0; round < 500; ++round) {
    TMemIniFile hostile;
    for (const char* key : keys) {
      if (rng() % 4 != 0) hostile.WriteString("S", key, pieces[rng() % std::size(pieces)]);
    }
    TTimeDomainSettings s;
    s.LoadFromIni(hostile, "S");
    s.ClampLoaded(c.host.range);
    ASSERT_LE(s.TransformStart + 1e-9, s.TransformStop + 1e-21) << hostile.GetText();
    ASSERT_GE(s.TransformStart, -2e-6);
    ASSERT_LE(s.TransformStop, 2e-6);
    ASSERT_LE(s.GatingStart, s.GatingStop);
    ASSERT_GE(s.GatingStart, -2e-6);
    ASSERT_LE(s.GatingStop, 2e-6);
    ASSERT_TRUE(s.Beta >= 0 && s.Beta <= 13) << s.Beta;
    ASSERT_TRUE(s.ResponseType >= 0 && s.ResponseType <= 2);
    ASSERT_TRUE(s.GatingType == 0 || s.GatingType == 1);
    ASSERT_TRUE(s.GatingShape >= 0 && s.GatingShape <= 3);
  }
}
