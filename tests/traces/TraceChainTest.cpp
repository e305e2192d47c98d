// The processing chain of a trace on a real channel: raw values, data math, offset, delay,
// conversion, smoothing, max hold, and the sweep path against the full recalculation.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/Range.h"
#include "model/Services.h"
#include "traces/FakeTraceHost.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/Smoother.h"
#include "traces/TimeDomainOwner.h"

namespace {

using tracetest::FakeTraceHost;

// A smooth reflection with a few points that hold no data (complex zero) when holes is set.
TComplex Reflection(int i, int seed, bool holes) {
  if (holes && (i % 37 == 5 || i == 2)) return {};
  const double m = 0.4 + 0.3 * std::sin(0.07 * i + seed);
  return Polar(m, -0.11 * i * (1 + 0.1 * seed) + seed);
}

void FillChannel(TRange& range, int seed, bool holes = false) {
  for (int i = 0; i < range.GetCount(); ++i) {
    range.SetPointData(0, i, Reflection(i, seed, holes));
    range.SetPointRawLevel(0, i, Polar(0.01 * (1 + i % 7), 0.3 * i));
    range.SetPointRawLevel(1, i, Polar(0.02, 0.1 * i));
    range.SetPointRefLevel(i, Polar(0.5, 0.2 * i));
    range.SetPointPowerReading(i, -10.0 + 0.01 * i);
  }
}

void ExpectNear(const std::vector<TComplex>& a, const std::vector<TComplex>& b, const std::string& what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (size_t i = 0; i < a.size(); ++i) {
    const double tol = 1e-12 * std::max(1.0, std::max(Abs(a[i]), Abs(b[i])));
    ASSERT_NEAR(a[i].Re, b[i].Re, tol) << what << " point " << i;
    ASSERT_NEAR(a[i].Im, b[i].Im, tol) << what << " point " << i;
  }
}

void ExpectComplexNear(const TComplex& want, const TComplex& got, double tol = 1e-12) {
  EXPECT_NEAR(want.Re, got.Re, tol);
  EXPECT_NEAR(want.Im, got.Im, tol);
}

}  // namespace

TEST(TraceChain, ConversionOfOneGivesZeroAndOffsetsTurnPositive) {
  FakeTraceHost host(201, 250.0, 450.0);
  TMeasurement& t = host.Trace();
  host.range->SetPointData(0, 0, {1.0, 0.0});
  t.SetConversionOn(true);
  t.SetConversionType(0);
  t.ProcessPoint(0);
  ExpectComplexNear({0, 0}, t.Data[0]);
  t.SetConversionType(1);
  t.ProcessPoint(0);
  ExpectComplexNear({0, 0}, t.Data[0]);

  t.SetConversionOn(false);
  t.SetPhaseOffset(90);
  t.ProcessPoint(0);
  ExpectComplexNear({0, 1}, t.Data[0]);

  // 1 ns at 250 MHz is a quarter turn, counter-clockwise.
  t.SetPhaseOffset(0);
  t.SetElectricalDelay(1e-9);
  ASSERT_DOUBLE_EQ(250.0, host.range->GetPointFrequency(0));
  t.ProcessPoint(0);
  ExpectComplexNear({0, 1}, t.Data[0]);
}

TEST(TraceChain, ConversionTable) {
  FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  const TComplex g{0.2, -0.3};
  host.range->SetPointData(0, 3, g);
  const double z0 = 50.0;  // no kit module: 50 ohm
  const TComplex z = TComplex{z0, 0} * (TComplex{1, 0} + g) / (TComplex{1, 0} - g);
  struct Case {
    int type;
    TComplex want;
  };
  const Case cases[] = {{0, z}, {1, 1.0 / z}, {2, 1.0 / g}, {3, Conj(g)}};
  t.SetConversionOn(true);
  for (const Case& c : cases) {
    t.SetConversionType(c.type);
    t.ProcessPoint(3);
    SCOPED_TRACE(c.type);
    ExpectComplexNear(c.want, t.Data[3]);
  }
}

TEST(TraceChain, AdmittanceOfAnAbsoluteTraceOnlyInverts) {
  FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  t.SetMeasMode(2);
  host.range->SetPointRawLevel(0, 4, {0.5, 0.5});
  t.SetConversionOn(true);
  t.SetConversionType(1);
  t.ProcessPoint(4);
  ExpectComplexNear(1.0 / TComplex{0.5, 0.5}, t.Data[4]);
}

TEST(TraceChain, PowerIsTakenInMilliwatts) {
  FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  t.SetMeasMode(4);
  host.range->SetPointPowerReading(2, 3.0);
  t.ProcessPoint(2);
  ExpectComplexNear({std::pow(10.0, 0.3), 0.0}, t.Data[2]);
}

TEST(TraceChain, SmoothingWeightsAndWidth) {
  EXPECT_EQ(1, TSmoother::HalfWidth(201, 1.0));
  EXPECT_EQ(1600, TSmoother::HalfWidth(16001, 20.0));
  TSmoother s;
  s.Prepare(1);
  EXPECT_DOUBLE_EQ(0.5, s.Weight(-1));
  EXPECT_DOUBLE_EQ(1.0, s.Weight(0));
  EXPECT_DOUBLE_EQ(0.5, s.Weight(1));

  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = host.Trace();
  t.SetFormat(5);  // Real: the formatted value is the real part
  FillChannel(*host.range, 1);
  t.SetSmoothing(true);
  t.Recalculate();
  const auto& f = t.FormattedData;
  EXPECT_NEAR((f[0].Re + 0.5 * f[1].Re) / 1.5, t.SmoothedData[0].Re, 1e-15);
  EXPECT_NEAR((0.5 * f[9].Re + f[10].Re + 0.5 * f[11].Re) / 2, t.SmoothedData[10].Re, 1e-15);
}

TEST(TraceChain, SmoothingSkipsPointsWithoutData) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = host.Trace();
  t.SetFormat(5);
  FillChannel(*host.range, 1);
  host.range->SetPointData(0, 11, {0.0, 0.0});
  t.SetSmoothing(true);
  const auto& f = t.FormattedData;
  // Point 10 averages 9 and 10 only; point 11 keeps nothing of itself and is the mean of 10, 12.
  EXPECT_NEAR((0.5 * f[9].Re + f[10].Re) / 1.5, t.SmoothedData[10].Re, 1e-15);
  EXPECT_NEAR((0.5 * f[10].Re + 0.5 * f[12].Re) / 1.0, t.SmoothedData[11].Re, 1e-15);
}

TEST(TraceChain, MaxHoldKeepsStrictlyGreaterRealParts) {
  FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  t.SetFormat(5);
  FillChannel(*host.range, 0);
  t.Recalculate();
  t.SetMaxHold(true);
  const TComplex held = t.MaxHoldData[3];
  // Equal value: kept; smaller: kept; greater: taken.
  host.range->SetPointData(0, 3, {held.Re, 0.7});
  t.ProcessSweepPoint(3);
  t.FinishSweep();
  EXPECT_EQ(held.Im, t.MaxHoldData[3].Im);
  host.range->SetPointData(0, 3, {held.Re - 0.1, 0});
  t.ProcessSweepPoint(3);
  t.FinishSweep();
  EXPECT_EQ(held.Re, t.MaxHoldData[3].Re);
  host.range->SetPointData(0, 3, {held.Re + 0.1, 0});
  t.ProcessSweepPoint(3);
  t.FinishSweep();
  EXPECT_DOUBLE_EQ(held.Re + 0.1, t.MaxHoldData[3].Re);
  // SetMaxHold leaves the held data; a recalculation restarts it.
  t.SetMaxHold(false);
  t.SetMaxHold(true);
  EXPECT_DOUBLE_EQ(held.Re + 0.1, t.MaxHoldData[3].Re);
  host.range->SetPointData(0, 3, {held.Re - 0.2, 0});
  t.Recalculate();
  EXPECT_DOUBLE_EQ(held.Re - 0.2, t.MaxHoldData[3].Re);
}

// A sweep of new data through the point path and the end of sweep gives exactly what the full
// recalculation gives, with the previous sweep's values still in the vectors.
TEST(TraceChain, SweepPathEqualsRecalculation) {
  struct Case {
    int format;
    bool smoothing;
    double aperture;
    bool holes;
  };
  const Case cases[] = {
      {16, false, 1, false}, {1, false, 1, true},  {2, false, 1, true},  {3, false, 1, false},
      {3, true, 1, true},    {4, true, 5, false},  {11, true, 20, true}, {7, true, 2.5, true},
      {2, true, 10, false},  {17, true, 0.01, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("format " + std::to_string(c.format) + " aperture " + std::to_string(c.aperture));
    FakeTraceHost host(201, 100.0, 1100.0);
    TMeasurement& t = host.Trace();
    t.SetFormat(c.format);
    ASSERT_EQ(c.format, t.TraceFormat);
    t.SetSmoothing(c.smoothing);
    t.SetSmoothingAperture(c.aperture);
    t.SetPhaseOffset(30);
    t.SetElectricalDelay(2e-10);
    FillChannel(*host.range, 1, !c.holes);
    t.Recalculate();  // the previous sweep

    FillChannel(*host.range, 2, c.holes);
    for (int k = 0; k < host.range->GetCount(); ++k) {
      host.range->LastPointIndex = k;
      t.ProcessSweepPoint();
    }
    t.FinishSweep();
    const std::vector<TComplex> time = t.TimeData;
    const std::vector<TComplex> formatted = t.FormattedData;
    const std::vector<TComplex> smoothed = t.SmoothedData;
    const std::vector<TComplex> held = t.MaxHoldData;
    t.Recalculate();
    ExpectNear(t.TimeData, time, "TimeData");
    ExpectNear(t.FormattedData, formatted, "FormattedData");
    ExpectNear(t.SmoothedData, smoothed, "SmoothedData");
    ExpectNear(t.MaxHoldData, held, "MaxHoldData");
  }
}

TEST(TraceChain, PointPathWritesTheCorrectedReadout) {
  FakeTraceHost host(21, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 0);
  t.Recalculate();
  host.range->SetPointData(0, 7, {0.25, -0.5});
  t.ProcessSweepPoint(7);
  ExpectComplexNear({0.25, -0.5}, t.GetDataPoint(7), 0);
}

TEST(TraceChain, IndicesOutsideTheVectorsAreIgnored) {
  FakeTraceHost host(21, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  t.SetSmoothing(true);
  for (int k : {-1, 21, 5000}) {
    t.ProcessSweepPoint(k);
    t.ProcessPoint(k);
    std::vector<TComplex> target(3);
    t.SmoothPoint(k, target);
    EXPECT_EQ(TComplex{}, t.GetDataPoint(k));
    EXPECT_EQ(0.0, t.GetDisplayValue(k));
  }
  // Points of a channel that grew before the trace was resized.
  t.Data.resize(5);
  t.TimeData.resize(5);
  t.ProcessSweepPoint(10);
  t.FinishSweep();
  t.ResizeToChannel();
  EXPECT_EQ(21u, t.Data.size());
  EXPECT_EQ(21u, t.MaxHoldData.size());
}

TEST(TraceChain, DataMathUsesTheStoredRawMemory) {
  FakeTraceHost host(51, 100.0, 600.0);
  TMeasurement& t = host.Trace();
  t.SetFormat(5);
  FillChannel(*host.range, 3);
  t.SetPhaseOffset(30);
  t.SetElectricalDelay(1e-9);
  t.Recalculate();
  ASSERT_TRUE(t.Memories->StoreData());
  t.SetDataMath(2);
  ASSERT_EQ(2, t.DataMath);
  for (int i = 0; i < 51; ++i) ExpectComplexNear({0, 0}, t.Data[static_cast<size_t>(i)], 1e-15);

  // D/M of identical data is 1 turned by the offset and delay.
  t.SetDataMath(0);
  const double turn = 30 * std::numbers::pi / 180 + 2 * std::numbers::pi * host.range->GetPointFrequency(7) * 1e6 * 1e-9;
  ExpectComplexNear(Polar(1, turn), t.Data[7], 1e-12);
}

TEST(TraceChain, DataMathTable) {
  FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  host.range->SetPointData(0, 1, {0, 0});  // memory point without data
  host.range->SetPointData(0, 2, {0.5, 0.5});
  ASSERT_TRUE(t.Memories->StoreData());
  const TComplex d{0.1, -0.2};
  host.range->SetPointData(0, 1, d);
  host.range->SetPointData(0, 2, d);
  const TComplex m{0.5, 0.5};
  struct Case {
    int math;
    TComplex at1;
    TComplex at2;
  };
  const Case cases[] = {{0, {0, 0}, d / m}, {1, {0, 0}, d * m}, {2, d, d - m}, {3, d, d + m}, {4, d, d}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.math);
    t.SetDataMath(c.math);
    t.Recalculate();
    ExpectComplexNear(c.at1, t.Data[1]);
    ExpectComplexNear(c.at2, t.Data[2]);
  }
}

TEST(TraceChain, DataMathSwitchesItselfOffWhenTheChannelChanges) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = host.Trace();
  FillChannel(*host.range, 0);
  ASSERT_TRUE(t.Memories->StoreData());
  t.SetDataMath(0);
  ASSERT_EQ(0, t.DataMath);
  host.ResetCounts();
  host.range->SetPointCount(401);  // the window resizes the traces on the channel's change
  EXPECT_EQ(401, t.GetPointCount());
  EXPECT_EQ(4, t.DataMath);
  // The memory keeps its points and is still drawn.
  EXPECT_EQ(201, t.Memories->GetActiveMemory()->GetPointCount());
  EXPECT_TRUE(t.Memories->GetActiveMemory()->IsCompatible());
  // A memory that cannot serve refuses data math at once.
  t.SetDataMath(1);
  EXPECT_EQ(4, t.DataMath);
}

TEST(TraceChain, SetDataMathFromThePointPathStoresOffFirst) {
  FakeTraceHost host(21, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  ASSERT_TRUE(t.Memories->StoreData());
  t.SetDataMath(3);
  host.SetStimulus(21, 150.0, 250.0);  // behind the window's back: no resize
  t.InvalidateMemoryCache();
  int nested = 0;
  host.onChanged = [&](TFObject* sender) {
    if (sender == &t) {
      ++nested;
      EXPECT_EQ(4, t.DataMath);
    }
  };
  t.ProcessSweepPoint(3);
  EXPECT_EQ(4, t.DataMath);
  EXPECT_EQ(1, nested);
}

TEST(TraceChain, UnitConversions) {
  FakeTraceHost host(21, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  EXPECT_DOUBLE_EQ(1e9, t.StimulusToHz(1000));
  EXPECT_DOUBLE_EQ(1000, t.StimulusFromHz(1e9));
  t.SetFormat(3);
  EXPECT_DOUBLE_EQ(5e-9, t.ResponseToSI(5));
  EXPECT_DOUBLE_EQ(5, t.ResponseFromSI(5e-9));
  t.SetFormat(19);
  ASSERT_TRUE(t.IsTransformActive());
  host.scanner.MetricSystem = TScannerModule::UnitSeconds;
  EXPECT_DOUBLE_EQ(1e-6, t.StimulusToHz(1000));
  EXPECT_DOUBLE_EQ(1000, t.StimulusFromHz(1e-6));
  host.scanner.MetricSystem = TScannerModule::UnitFeet;
  EXPECT_DOUBLE_EQ(12.5, t.StimulusToHz(12.5));
  EXPECT_DOUBLE_EQ(5.0, t.ResponseToSI(5.0));
}

TEST(TraceChain, TimeDomainPredicatesNeedTwoPointsAndASpan) {
  FakeTraceHost host(21, 100.0, 200.0);
  TMeasurement& t = host.Trace();
  host.timeDomain.EnableGating = true;
  EXPECT_TRUE(t.IsGatingActive());
  t.SetFormat(18);
  EXPECT_TRUE(t.IsTransformActive());
  host.SetStimulus(21, 150.0, 150.0);
  EXPECT_FALSE(t.IsTransformActive());
  EXPECT_FALSE(t.IsGatingActive());
}

// Points stored through the channel's own point path reach the traces through its events.
TEST(TraceChain, SweepThroughTheChannelEvents) {
  FakeTraceHost host(101, 100.0, 600.0);
  host.list.AddMeasurement(0, 3);
  host.list.AddMeasurement(2, 0);
  TMeasurement& gd = host.Trace(1);
  gd.SetSmoothing(true);
  gd.SetSmoothingAperture(6);
  TRange& range = *host.range;
  for (int i = 0; i < range.GetCount(); ++i) {
    range.StoreRawLevels(i, Polar(0.02, 0.1 * i), Polar(0.01, 0), Polar(0.5, 0));
    range.StorePointData(i, Reflection(i, 4, false), TComplex{});
    range.ProcessPoint(i);
  }
  range.EndSweep();
  std::vector<std::vector<TComplex>> swept;
  for (int t = 0; t < host.list.GetCount(); ++t) swept.push_back(host.Trace(t).SmoothedData);
  for (int t = 0; t < host.list.GetCount(); ++t) {
    host.Trace(t).Recalculate();
    ExpectNear(host.Trace(t).SmoothedData, swept[static_cast<size_t>(t)], "trace " + std::to_string(t));
  }
  EXPECT_NE(0.0, gd.GetDisplayValue(50));
}

// In hold (no sweep to come) switching a time-domain step off must bring back what a trace
// without it shows, to the last bit of the chain.
TEST(TraceChain, GateOffInHoldGivesTheUngatedTrace) {
  struct Case {
    const char* what;
    int format;         // the trace's format while gated
    int formatAfter;    // its format after the switch (a transform ends with its format)
    bool gateOffAtEnd;  // the switch is the gate's; otherwise the format's
  };
  const Case cases[] = {
      {"gate off, return loss", 16, 16, true},
      {"gate off, distance to fault", 19, 19, true},
      {"transform off under the gate", 19, 16, false},
      {"transform off without the gate", 18, 4, false},
  };
  auto fill = [](TRange& range) {
    for (int i = 0; i < range.GetCount(); ++i) {
      const double f = range.GetPointFrequency(i);
      // A near echo and one 20 ns late, outside the default gate.
      range.SetPointData(0, i, Polar(0.5, -2 * std::numbers::pi * f * 1e6 * 2e-9) +
                                   Polar(0.3, -2 * std::numbers::pi * f * 1e6 * 20e-9));
    }
  };
  auto setUp = [](TMeasurement& t, int format) {
    t.SetFormat(format);
    ASSERT_EQ(t.TraceFormat, format);
    t.SetSmoothing(true);
    t.SetSmoothingAperture(3);
    t.SetMaxHold(true);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The oracle: a window of its own whose trace never saw the step.
    FakeTraceHost plainHost(201, 900.0, 1100.0);
    TMeasurement& plain = plainHost.Trace();
    setUp(plain, c.formatAfter);
    fill(*plainHost.range);
    plain.Recalculate();

    FakeTraceHost host(201, 900.0, 1100.0);
    TTimeDomainOwner owner(&host.list);
    TMeasurement& t = host.Trace();
    setUp(t, c.format);
    fill(*host.range);
    t.Recalculate();
    const bool gated = c.gateOffAtEnd || c.format == 19;
    if (gated) {
      host.timeDomain.SetGatingEnabled(owner, true);
      ASSERT_TRUE(t.IsGatingActive());
    }
    const std::vector<TComplex> before = t.GetDisplayData();
    if (c.gateOffAtEnd) {
      host.timeDomain.SetGatingEnabled(owner, false);
    } else {
      t.SetFormat(c.formatAfter);
      if (gated) host.timeDomain.SetGatingEnabled(owner, false);
    }
    ASSERT_FALSE(t.IsGatingActive());
    ASSERT_EQ(t.TraceFormat, c.formatAfter);
    ASSERT_EQ(plain.IsTransformActive(), t.IsTransformActive());
    // The switch changed what is shown, and what is shown now is the trace without the step.
    EXPECT_GT(std::abs(before[60].Re - t.GetDisplayData()[60].Re), 1e-3);
    ExpectNear(t.TimeData, plain.TimeData, "TimeData");
    ExpectNear(t.FormattedData, plain.FormattedData, "FormattedData");
    ExpectNear(t.SmoothedData, plain.SmoothedData, "SmoothedData");
    ExpectNear(t.MaxHoldData, plain.MaxHoldData, "MaxHoldData");
  }
}
