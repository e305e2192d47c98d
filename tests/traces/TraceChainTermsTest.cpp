// The point chain keeps what does not change from point to point: the phase offset's rotation,
// the electrical delay's rotation at each point (kept with its frequency and delay) and the
// angle of the previous point (Group Delay, Expand Phase). Each sweep is checked against the
// chain worked out directly, also after the delay, the offset and the frequency grid change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/Range.h"
#include "traces/FakeTraceHost.h"
#include "traces/FormatMath.h"
#include "traces/Measurement.h"

namespace {

constexpr double kPi = std::numbers::pi;

void Fill(TRange& range, int seed) {
  for (int i = 0; i < range.GetCount(); ++i) {
    const bool hole = i % 61 == 9;
    range.SetPointData(0, i, hole ? TComplex{} : Polar(0.4 + 0.3 * std::cos(0.02 * i + seed), -0.07 * i + 0.3 * seed));
  }
}

// The corrected values of the channel, the direct way.
std::vector<TComplex> Corrected(const TRange& range, double degrees, double delay) {
  std::vector<TComplex> out(static_cast<size_t>(range.GetCount()));
  for (int i = 0; i < range.GetCount(); ++i) {
    TComplex z = range.GetPointData(0, i);
    z *= Polar(1.0, degrees * kPi / 180.0);
    z *= Polar(1.0, 2.0 * kPi * range.GetPointFrequency(i) * 1e6 * delay);
    out[static_cast<size_t>(i)] = z;
  }
  return out;
}

// The formatted value of point i of the corrected values z, the direct way; formatted holds
// the points before i.
double Formatted(int code, const TRange& range, const std::vector<TComplex>& z, const std::vector<double>& formatted, int i) {
  const size_t p = static_cast<size_t>(i);
  switch (code) {
    case fmtGroupDelay: {
      const int k = std::max(i, 1);
      return FormatGroupDelay(z[static_cast<size_t>(k - 1)], z[static_cast<size_t>(k)], range.GetPointFrequency(k - 1),
                              range.GetPointFrequency(k));
    }
    case fmtExpandPhase:
      return i == 0 ? FormatPhase(z[0]) : FormatExpandPhase(formatted[p - 1], z[p - 1], z[p]);
    case fmtReturnLoss:
      return IsZeroPoint(z[p]) ? 0.0 : 20.0 * std::log10(std::hypot(z[p].Re, z[p].Im));
    case fmtCableLoss:
      return IsZeroPoint(z[p]) ? 0.0 : 10.0 * std::log10(std::hypot(z[p].Re, z[p].Im));
    default:
      return 0.0;
  }
}

void ExpectChain(tracetest::FakeTraceHost& host, const std::string& what) {
  const TRange& range = *host.range;
  for (int t = 0; t < host.list.GetCount(); ++t) {
    const TMeasurement& trace = host.Trace(t);
    const std::vector<TComplex> z = Corrected(range, trace.PhaseOffset, trace.ElectricalDelay);
    std::vector<double> formatted(z.size());
    ASSERT_EQ(trace.FormattedData.size(), z.size()) << what;
    for (int i = 0; i < range.GetCount(); ++i) {
      const size_t p = static_cast<size_t>(i);
      const double tolZ = 1e-12 * std::max(1.0, Abs(z[p]));
      ASSERT_NEAR(z[p].Re, trace.Data[p].Re, tolZ) << what << ", trace " << t << ", point " << i;
      ASSERT_NEAR(z[p].Im, trace.Data[p].Im, tolZ) << what << ", trace " << t << ", point " << i;
      formatted[p] = Formatted(trace.TraceFormat, range, z, formatted, i);
      ASSERT_NEAR(formatted[p], trace.FormattedData[p].Re, 1e-12 * std::max(1.0, std::fabs(formatted[p])))
          << what << ", trace " << t << " (format " << trace.TraceFormat << "), point " << i;
    }
  }
}

void Sweep(tracetest::FakeTraceHost& host) {
  for (int k = 0; k < host.range->GetCount(); ++k) {
    for (int t = 0; t < host.list.GetCount(); ++t) host.Trace(t).ProcessSweepPoint(k);
  }
  for (int t = 0; t < host.list.GetCount(); ++t) host.Trace(t).FinishSweep();
}

TEST(SmootherRunningSumsChain, RotationsAndAnglesAtHandEqualTheDirectChain) {
  tracetest::FakeTraceHost host(401, 100.0, 1100.0);
  host.list.AddMeasurement(0, fmtGroupDelay);
  host.list.AddMeasurement(0, fmtExpandPhase);
  host.list.AddMeasurement(0, fmtCableLoss);
  for (int t = 0; t < host.list.GetCount(); ++t) {
    host.Trace(t).SetPhaseOffset(25.0 + t);
    host.Trace(t).SetElectricalDelay(1.5e-9 * (t + 1));
  }
  Fill(*host.range, 1);
  Sweep(host);
  ExpectChain(host, "first sweep");

  Fill(*host.range, 2);
  Sweep(host);
  ExpectChain(host, "second sweep");

  // Each input of the kept terms changes in turn; the next sweep follows it.
  host.Trace(0).SetElectricalDelay(-3e-9);
  host.Trace(1).SetPhaseOffset(-170.0);
  host.Trace(2).SetElectricalDelay(0.0);
  Sweep(host);
  ExpectChain(host, "delay and offset changed");

  host.SetStimulus(301, 500.0, 2500.0);
  for (int t = 0; t < host.list.GetCount(); ++t) host.Trace(t).ResizeToChannel();
  Fill(*host.range, 3);
  Sweep(host);
  ExpectChain(host, "grid changed");

  for (int t = 0; t < host.list.GetCount(); ++t) host.Trace(t).Recalculate();
  ExpectChain(host, "recalculated");
}

}  // namespace
