// The time axis of a transform-active trace and its memory, and the cable loss of the
// distance-to-fault return loss, as markers, searches, limits and the CSV export read them.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "common/TestEnv.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "platform/AtomicFile.h"
#include "traces/FakeTraceHost.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/TimeDomainSettings.h"

namespace {

using tracetest::FakeTraceHost;

void FillReflection(TRange& range, double amplitude, double tau) {
  for (int i = 0; i < range.GetCount(); ++i) {
    const double f = range.GetPointFrequency(i) * 1e6;
    range.SetPointData(0, i, Polar(amplitude, -2 * std::numbers::pi * f * tau));
  }
}

}  // namespace

TEST(TimeDomainAxis, ReflectionShowsAtItsTimeOnTheAxis) {
  // 101 points over 0..20 ns: the transform computes point 50 at 10 ns, and the axis shows it
  // there (not at 9.90 ns).
  FakeTraceHost host(101, 100.0, 1100.0);
  host.scanner.MetricSystem = TScannerModule::UnitSeconds;
  TMeasurement& t = host.Trace();
  FillReflection(*host.range, 1.0, 10e-9);
  host.timeDomain.TransformStart = 0.0;
  host.timeDomain.TransformStop = 20e-9;
  t.SetFormat(19);
  ASSERT_TRUE(t.IsTransformActive());
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(0), 0.0);
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(50), 10.0);
  EXPECT_DOUBLE_EQ(t.GetPointStimulus(100), 20.0);
  EXPECT_EQ(t.FindPointIndex(10.0), 50);
  EXPECT_NEAR(t.GetValueAtStimulus(10.0), 0.0, 1e-7);  // the peak, 0 dB
  ASSERT_TRUE(t.Memories->StoreData());
  const TMemoryTrace& memory = *t.Memories->GetActiveMemory();
  EXPECT_DOUBLE_EQ(memory.GetPointStimulus(50), 10.0);
  EXPECT_DOUBLE_EQ(memory.GetPointStimulus(100), 20.0);

  // In metres at velocity factor 1 the peak is 1.49896229 m away.
  host.scanner.SetVelocityFactor(1.0);
  host.scanner.MetricSystem = TScannerModule::UnitMetres;
  EXPECT_NEAR(t.GetPointStimulus(50), 1.49896229, 1e-8);

  // The CSV export writes the time of the point in seconds.
  host.scanner.MetricSystem = TScannerModule::UnitSeconds;
  t.SaveCsvFile("dtf");
  std::string text;
  ASSERT_TRUE(platform::AtomicFile::read(testenv::Root().string() + "/home/CSV/dtf.csv", text));
  size_t line = 0;
  for (int i = 0; i < 50; ++i) line = text.find("\r\n", line) + 2;
  EXPECT_EQ(text.substr(line, 14), "1.00000000E-08");
}

TEST(TimeDomainAxis, MemoryIsTransformedWithTheTrace) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = host.Trace();
  FillReflection(*host.range, 0.5, 10e-9);
  host.timeDomain.TransformStart = 0.0;
  host.timeDomain.TransformStop = 20e-9;
  t.SetFormat(19);
  ASSERT_TRUE(t.Memories->StoreData());
  const TMemoryTrace& memory = *t.Memories->GetActiveMemory();
  ASSERT_EQ(memory.TimeData.size(), t.TimeData.size());
  for (size_t i = 0; i < t.TimeData.size(); ++i) EXPECT_LT(Abs(memory.TimeData[i] - t.TimeData[i]), 1e-12) << i;
  EXPECT_NEAR(memory.GetDisplayValue(100), 20 * std::log10(0.5), 1e-7);
}

TEST(TimeDomainAxis, DtfReturnLossAddsTheCableLossFromTheTransformStart) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = host.Trace();
  FillReflection(*host.range, 0.5, 150e-9);
  host.scanner.SetVelocityFactor(1.0);
  host.scanner.SetCableLoss(0.5);
  host.scanner.SetCableLossEnabled(true);
  host.timeDomain.TransformStart = 100e-9;
  host.timeDomain.TransformStop = 200e-9;
  t.SetFormat(19);
  ASSERT_TRUE(t.IsTransformActive());
  const auto added = [&](size_t i) { return t.FormattedData[i].Re - 20 * std::log10(Abs(t.TimeData[i])); };
  // 100 ns round trip: 14.99 m one way at 0.5 dB/m.
  EXPECT_NEAR(added(0), 7.49481145, 1e-6);
  EXPECT_NEAR(added(100), 7.49481145 * 1.5, 1e-6);
  EXPECT_NEAR(added(200), 7.49481145 * 2, 1e-6);
  ASSERT_TRUE(t.Memories->StoreData());
  const TMemoryTrace& memory = *t.Memories->GetActiveMemory();
  EXPECT_NEAR(memory.FormattedData[0].Re - 20 * std::log10(Abs(memory.TimeData[0])), 7.49481145, 1e-6);

  // Nothing before the reference plane.
  host.timeDomain.TransformStart = -100e-9;
  t.Recalculate();
  EXPECT_NEAR(added(0), 0.0, 1e-9);
  EXPECT_NEAR(added(200), 7.49481145 * 2, 1e-6);
  // Switched off: plain return loss.
  host.scanner.SetCableLossEnabled(false);
  t.Recalculate();
  EXPECT_NEAR(added(200), 0.0, 1e-9);
}
