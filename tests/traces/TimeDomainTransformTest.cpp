// The time-domain steps: the chirp-z transform against its plain sum, the transform in its
// three modes against the direct Fourier sum, reflections that show at their true time, gating
// that keeps or removes one reflection, and the degenerate channels that leave the data as it
// is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "traces/ChirpZ.h"
#include "traces/FakeTraceHost.h"
#include "traces/KaiserWindow.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/TimeDomainSettings.h"
#include "traces/TimeDomainSteps.h"
#include "traces/TimeGate.h"

namespace {

using tracetest::FakeTraceHost;
constexpr double kPi = std::numbers::pi;

// e^(j angle) with the angle reduced in long double first: the oracle's own exponentials.
TComplex Turn(long double angle) {
  const long double twoPi = 2.0L * std::numbers::pi_v<long double>;
  const long double reduced = angle - twoPi * std::floor(angle / twoPi);
  return Polar(1.0, static_cast<double>(reduced));
}

// The working storage of a step, owned by the test.
struct Work {
  std::vector<TComplex> timeWork, chirpInput, chirpFilter;
  TKaiserWindow window;
  TTimeGate gate;
  TTimeDomainWork Get() { return {timeWork, chirpInput, chirpFilter, window, gate}; }
};

TTimeDomainStimulus LinearStimulus(std::size_t n, double start, double stop) {
  TTimeDomainStimulus s;
  s.Points = n;
  s.StartMHz = start;
  s.StopMHz = stop;
  s.Frequency = [=](std::size_t i) { return start + (stop - start) * static_cast<double>(i) / static_cast<double>(n - 1); };
  return s;
}

// Y[k] = sum q[n] e^(+j 2 pi (n + k0) t_k / T), with q, T and k0 built by each mode's rule.
// Only the outputs in ks when given (the others stay 0).
std::vector<TComplex> DirectSum(const std::vector<TComplex>& x, int type, double beta, double fS, double fE,
                                double ts, double te, const std::vector<std::size_t>& ks = {}) {
  const std::size_t n = x.size();
  const double dn = static_cast<double>(n);
  const double r = x[0].Re;
  std::vector<TComplex> q;
  double period;
  double k0;
  TKaiserWindow w;
  if (type == 0) {
    w.Build(n, beta);
    for (std::size_t i = 0; i < n; ++i) q.push_back(x[i] * (w.GetWeight(i) / w.GetSum()));
    period = (dn - 1) / ((fE - fS) * 1e6);
    k0 = dn * fS / (fE - fS);
  } else {
    const std::size_t L = 2 * n + 1;
    w.Build(L, beta);
    const double s = type == 2 ? 1.0 : w.GetSum();
    q.resize(L);
    for (std::size_t i = 0; i < n; ++i) {
      if (type == 2) {
        q[i] = -Conj(x[n - 1 - i]) / TComplex{0.0, 2 * kPi * static_cast<double>(n - i)} * w.GetWeight(i);
        q[n + 1 + i] = x[i] / TComplex{0.0, 2 * kPi * static_cast<double>(i + 1)} * w.GetWeight(n + 1 + i);
      } else {
        q[i] = Conj(x[n - 1 - i]) * (w.GetWeight(i) / s);
        q[n + 1 + i] = x[i] * (w.GetWeight(n + 1 + i) / s);
      }
    }
    q[n] = {type == 2 ? r * 0.5 * w.GetWeight(n) : r * w.GetWeight(n) / s, 0.0};
    period = dn / (fE * 1e6);
    k0 = -dn;
  }
  std::vector<TComplex> y(n);
  std::vector<std::size_t> outputs = ks;
  if (outputs.empty()) {
    for (std::size_t k = 0; k < n; ++k) outputs.push_back(k);
  }
  for (std::size_t k : outputs) {
    const long double t = ts + static_cast<long double>(k) * (te - ts) / (dn - 1);
    TComplex sum{};
    for (std::size_t m = 0; m < q.size(); ++m) {
      sum += q[m] * Turn(2.0L * std::numbers::pi_v<long double> * (static_cast<long double>(m) + k0) * t / period);
    }
    if (type == 2) sum.Re += static_cast<double>(t) * r / period;
    y[k] = sum;
  }
  return y;
}

double MaxAbs(const std::vector<TComplex>& v) {
  double m = 0;
  for (const TComplex& z : v) m = std::max(m, Abs(z));
  return m;
}

std::size_t PeakIndex(const std::vector<TComplex>& v) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < v.size(); ++i) {
    if (Abs(v[i]) > Abs(v[best])) best = i;
  }
  return best;
}

// Fills the channel with reflections (amplitude, delay in seconds) at its own frequencies.
void FillReflections(TRange& range, std::initializer_list<std::pair<double, double>> reflections) {
  for (int i = 0; i < range.GetCount(); ++i) {
    const double f = range.GetPointFrequency(i) * 1e6;
    TComplex g{};
    for (const auto& [a, tau] : reflections) g += Polar(a, -2 * kPi * f * tau);
    range.SetPointData(0, i, g);
  }
}

// The gating tests' channel: reflections of 0.5 at 10 ns and 0.3 at 40 ns, with gating on.
TMeasurement& GatedTwoReflections(FakeTraceHost& host) {
  TMeasurement& t = host.Trace();
  FillReflections(*host.range, {{0.5, 10e-9}, {0.3, 40e-9}});
  host.timeDomain.EnableGating = true;
  return t;
}

// A band-pass gate around the 40 ns reflection, then the transform over 0..50 ns.
void GateTheFarReflectionAndTransform(FakeTraceHost& host, TMeasurement& t) {
  host.timeDomain.GatingStart = 30e-9;
  host.timeDomain.GatingStop = 50e-9;
  host.timeDomain.TransformStart = 0.0;
  host.timeDomain.TransformStop = 50e-9;
  t.SetFormat(19);
}

}  // namespace

TEST(TimeDomainChirpZ, MatchesItsSumForShortAndLongInputs) {
  std::mt19937 rng(5);
  std::normal_distribution<double> g;
  struct Case {
    std::size_t L, M;
    double omega, alpha, k0;
  };
  const Case cases[] = {{1, 1, 0.3, 0.1, 0.0},   {7, 5, 0.9, -2.5, 3.7},   {5, 9, 5.0, 7.0, -2.25},
                        {64, 64, 0.01, 1.0, 12.5}, {301, 150, 0.004, -6.0, -150.0}, {1000, 1000, 2 * kPi / 999, 0.5, 100.4}};
  for (const Case& c : cases) {
    std::vector<TComplex> q(c.L);
    for (TComplex& z : q) z = {g(rng), g(rng)};
    std::vector<TComplex> y(c.M), in, filter;
    ChirpZ(in, filter, q.data(), c.L, y.data(), c.M, c.omega, c.alpha, c.k0);
    double norm = 0;
    for (const TComplex& z : q) norm += Abs(z);
    for (std::size_t k = 0; k < c.M; ++k) {
      TComplex sum{};
      for (std::size_t n = 0; n < c.L; ++n) {
        sum += q[n] * Turn((static_cast<long double>(c.alpha) + static_cast<long double>(c.omega) * k) *
                           (static_cast<long double>(n) + c.k0));
      }
      ASSERT_NEAR(y[k].Re, sum.Re, 1e-12 * norm) << c.L << " " << k;
      ASSERT_NEAR(y[k].Im, sum.Im, 1e-12 * norm) << c.L << " " << k;
    }
  }
}

TEST(TimeDomainChirpZ, ComplexPowerTakesTheRealPowerOrThePrincipalBranch) {
  const TComplex a = ComplexPower({4.0, 0.0}, 0.5);
  EXPECT_EQ(a.Re, 2.0);
  EXPECT_EQ(a.Im, 0.0);
  const TComplex b = ComplexPower({0.0, 1.0}, 2.0);
  EXPECT_NEAR(b.Re, -1.0, 1e-15);
  EXPECT_NEAR(b.Im, 0.0, 1e-15);
  const TComplex c = ComplexPower({-1.0, 0.0}, 0.5);
  EXPECT_NEAR(c.Re, 0.0, 1e-15);
  EXPECT_NEAR(c.Im, 1.0, 1e-15);
  const TComplex w = Polar(1.0, -0.3);
  const TComplex d = ComplexPower(w, -2.5);
  EXPECT_NEAR(Arg(d), 0.75, 1e-14);
  EXPECT_EQ(ComplexPower({0.0, 0.0}, 2.0), (TComplex{0.0, 0.0}));
}

TEST(TimeDomainTransform, MatchesTheDirectFourierSumInEveryMode) {
  std::mt19937 rng(3);
  std::normal_distribution<double> g;
  for (std::size_t n : {std::size_t{201}, std::size_t{1601}}) {
    std::vector<TComplex> x(n);
    for (TComplex& z : x) z = {g(rng), g(rng)};
    for (int type = 0; type < 3; ++type) {
      TTimeDomainSettings td;
      td.ResponseType = type;
      td.Beta = type == 1 ? 13.0 : 6.0;
      td.TransformStart = -3.1e-8;
      td.TransformStop = 5.3e-8;
      const double fS = 300.0;
      const double fE = 1712.5;
      Work work;
      TTimeDomainWork w = work.Get();
      std::vector<TComplex> y;
      TransformResponse(td, LinearStimulus(n, fS, fE), x, y, w);
      const std::vector<TComplex> expected = DirectSum(x, type, td.Beta, fS, fE, td.TransformStart, td.TransformStop);
      ASSERT_EQ(y.size(), n);
      const double tolerance = 1e-9 * MaxAbs(expected);
      for (std::size_t k = 0; k < n; ++k) {
        ASSERT_NEAR(y[k].Re, expected[k].Re, tolerance) << n << " type " << type << " k " << k;
        ASSERT_NEAR(y[k].Im, expected[k].Im, tolerance) << n << " type " << type << " k " << k;
      }
    }
  }
}

TEST(TimeDomainTransform, LongestChannelMatchesTheDirectSumAlongTheWholeRange) {
  // 16001 points: the chirps run 32003 steps; spot checks along the output.
  const std::size_t n = 16001;
  std::mt19937 rng(8);
  std::normal_distribution<double> g;
  std::vector<TComplex> x(n);
  for (TComplex& z : x) z = {g(rng), g(rng)};
  for (int type = 0; type < 3; ++type) {
    TTimeDomainSettings td;
    td.ResponseType = type;
    td.TransformStart = -0.9e-6;
    td.TransformStop = 1.1e-6;
    const double fS = 85.0;
    const double fE = 14000.0;
    Work work;
    TTimeDomainWork w = work.Get();
    std::vector<TComplex> y;
    TransformResponse(td, LinearStimulus(n, fS, fE), x, y, w);
    const std::vector<std::size_t> ks = {0, 1, 77, 4000, 8000, 12345, 15999, 16000};
    const std::vector<TComplex> all = DirectSum(x, type, td.Beta, fS, fE, td.TransformStart, td.TransformStop, ks);
    const double scale = std::max(MaxAbs(all), MaxAbs(y));
    for (std::size_t k : ks) {
      EXPECT_NEAR(y[k].Re, all[k].Re, 1e-9 * scale) << "type " << type << " k " << k;
      EXPECT_NEAR(y[k].Im, all[k].Im, 1e-9 * scale) << "type " << type << " k " << k;
    }
  }
}

TEST(TimeDomainTransform, ReflectionPeaksAtItsTrueTimeWithUnitHeight) {
  for (int points : {201, 101}) {
    for (double beta : {0.0, 6.0, 13.0}) {
      FakeTraceHost host(points, 100.0, 1100.0);
      host.scanner.MetricSystem = TScannerModule::UnitSeconds;
      TMeasurement& t = host.Trace();
      FillReflections(*host.range, {{1.0, 10e-9}});
      host.timeDomain.TransformStart = 0.0;
      host.timeDomain.TransformStop = 20e-9;
      host.timeDomain.Beta = beta;
      t.SetFormat(19);
      ASSERT_TRUE(t.IsTransformActive());
      const std::size_t peak = PeakIndex(t.TimeData);
      EXPECT_EQ(peak, static_cast<std::size_t>(points - 1) / 2) << points << " beta " << beta;
      EXPECT_NEAR(Abs(t.TimeData[peak]), 1.0, 1e-9) << points << " beta " << beta;
      // The point of the peak lies at 10 ns on the time axis, 1.49896229 m at velocity factor 1.
      EXPECT_NEAR(TimeAxisStimulus(t.GetTimeAxisStart(), t.GetTimeAxisStop(), t.TimeData.size(), static_cast<int>(peak)),
                  10.0, 1e-12);
      host.scanner.SetVelocityFactor(1.0);
      host.scanner.MetricSystem = TScannerModule::UnitMetres;
      EXPECT_NEAR(TimeAxisStimulus(t.GetTimeAxisStart(), t.GetTimeAxisStop(), t.TimeData.size(), static_cast<int>(peak)),
                  1.49896229, 1e-8);
      // Full scale 0 dB at the peak.
      EXPECT_NEAR(t.FormattedData[peak].Re, 0.0, 1e-7);
    }
  }
}

TEST(TimeDomainTransform, ShortOnTheHarmonicGridGivesStepAndImpulse) {
  const std::size_t n = 201;
  const double fE = 1100.0;
  const double tau = 10e-9;
  std::vector<TComplex> x(n);
  for (std::size_t m = 0; m < n; ++m) {
    const double f = static_cast<double>(m + 1) * fE / static_cast<double>(n) * 1e6;
    x[m] = -Polar(1.0, -2 * kPi * f * tau);
  }
  TTimeDomainSettings td;
  td.TransformStart = 0.0;
  td.TransformStop = 20e-9;
  Work work;
  TTimeDomainWork w = work.Get();
  // The low-pass modes read only fE and N of the stimulus.
  const TTimeDomainStimulus stimulus = LinearStimulus(n, 100.0, fE);
  td.ResponseType = TTimeDomainSettings::LowPassStep;
  std::vector<TComplex> step;
  TransformResponse(td, stimulus, x, step, w);
  for (std::size_t k = 0; k < n; ++k) {
    const double t = 20e-9 * static_cast<double>(k) / static_cast<double>(n - 1);
    if (t < 9e-9) {
      EXPECT_NEAR(step[k].Re, 0.0, 0.05) << k;
    } else if (t > 11e-9) {
      EXPECT_NEAR(step[k].Re, -1.0, 0.05) << k;
    }
  }
  td.ResponseType = TTimeDomainSettings::LowPassImpulse;
  std::vector<TComplex> impulse;
  TransformResponse(td, stimulus, x, impulse, w);
  EXPECT_EQ(PeakIndex(impulse), 100u);
  EXPECT_NEAR(impulse[100].Re, -1.0, 0.01);
  EXPECT_NEAR(impulse[100].Im, 0.0, 0.01);
}

TEST(TimeDomainTransform, BandPassAndNotchGatesKeepOrRemoveOneReflection) {
  for (int type : {0, 1}) {
    FakeTraceHost host(201, 100.0, 1100.0);
    TMeasurement& t = GatedTwoReflections(host);
    host.timeDomain.GatingStart = 5e-9;
    host.timeDomain.GatingStop = 15e-9;
    host.timeDomain.GatingType = type;
    host.timeDomain.GatingShape = 1;
    t.Recalculate();
    ASSERT_TRUE(t.IsGatingActive());
    const double kept = type == 0 ? 0.5 : 0.3;
    const double tau = type == 0 ? 10e-9 : 40e-9;
    const double tolerance = type == 0 ? 0.005 : 0.03;
    for (int i = 50; i <= 150; ++i) {
      const TComplex expected = Polar(kept, -2 * kPi * host.range->GetPointFrequency(i) * 1e6 * tau);
      EXPECT_LT(Abs(t.TimeData[static_cast<size_t>(i)] - expected), tolerance) << "type " << type << " point " << i;
    }
  }
}

TEST(TimeDomainTransform, NotchAsWideAsThePeriodRemovesEverything) {
  // 201 points over 1000 MHz: the period is 200 ns, and the limits allow a gate of twice that.
  for (double width : {200e-9, 400e-9}) {
    FakeTraceHost host(201, 100.0, 1100.0);
    TMeasurement& t = GatedTwoReflections(host);
    host.timeDomain.GatingStart = -width / 2;
    host.timeDomain.GatingStop = width / 2;
    host.timeDomain.GatingType = TTimeDomainSettings::GateNotch;
    t.Recalculate();
    EXPECT_LT(MaxAbs(t.TimeData), 1e-12) << width;
    // The same gate as a band-pass keeps everything.
    host.timeDomain.GatingType = TTimeDomainSettings::GateBandPass;
    t.Recalculate();
    for (int i = 50; i <= 150; ++i) {
      EXPECT_LT(Abs(t.TimeData[static_cast<size_t>(i)] - t.Data[static_cast<size_t>(i)]), 0.01) << width << " " << i;
    }
  }
}

TEST(TimeDomainTransform, ZeroWidthNotchPassesEverything) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = GatedTwoReflections(host);
  host.timeDomain.GatingStart = host.timeDomain.GatingStop = 2e-8;
  host.timeDomain.GatingType = TTimeDomainSettings::GateNotch;
  t.Recalculate();
  for (size_t i = 0; i < t.Data.size(); ++i) EXPECT_LT(Abs(t.TimeData[i] - t.Data[i]), 1e-9) << i;
  // A band-pass of zero width passes nothing.
  host.timeDomain.GatingType = TTimeDomainSettings::GateBandPass;
  t.Recalculate();
  EXPECT_LT(MaxAbs(t.TimeData), 1e-12);
}

TEST(TimeDomainTransform, GatingThenTransformShowsOnlyTheGatedReflection) {
  FakeTraceHost host(401, 100.0, 1100.0);
  TMeasurement& t = GatedTwoReflections(host);
  GateTheFarReflectionAndTransform(host, t);
  ASSERT_TRUE(t.IsGatingActive() && t.IsTransformActive());
  const std::size_t peak = PeakIndex(t.TimeData);
  EXPECT_EQ(peak, 320u);  // 40 ns of 0..50 ns over 401 points
  EXPECT_NEAR(Abs(t.TimeData[peak]), 0.3, 0.003);
  EXPECT_LT(Abs(t.TimeData[80]), 0.01);  // 10 ns: gated away
}

TEST(TimeDomainTransform, DegenerateStimuliLeaveTheDataAsItIs) {
  Work work;
  TTimeDomainWork w = work.Get();
  TTimeDomainSettings td;
  td.EnableGating = true;
  const std::vector<TComplex> one = {{0.25, -0.5}};
  for (const TTimeDomainStimulus& s :
       {LinearStimulus(1, 100.0, 200.0), LinearStimulus(2, 300.0, 300.0), TTimeDomainStimulus{}}) {
    std::vector<TComplex> x = s.Points == 2 ? std::vector<TComplex>{{1, 2}, {3, 4}} : one;
    for (int type = 0; type < 3; ++type) {
      td.ResponseType = type;
      std::vector<TComplex> y;
      TransformResponse(td, s, x, y, w);
      EXPECT_EQ(y.size(), x.size());
      for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(y[i], x[i]);
    }
    std::vector<TComplex> y;
    GateResponse(td, s, x, y, w);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(y[i], x[i]);
  }
  std::vector<TComplex> none, out = {{1, 1}};
  TransformResponse(td, LinearStimulus(201, 100, 200), none, out, w);
  EXPECT_TRUE(out.empty());
}

TEST(TimeDomainTransform, ZeroSpanChannelRunsNoStep) {
  FakeTraceHost host(201, 500.0, 500.0);
  TMeasurement& t = host.Trace();
  FillReflections(*host.range, {{0.5, 10e-9}});
  host.timeDomain.EnableGating = true;
  t.Recalculate();
  EXPECT_FALSE(t.IsGatingActive());
  EXPECT_FALSE(t.IsTransformActive());
  for (size_t i = 0; i < t.Data.size(); ++i) EXPECT_EQ(t.TimeData[i], t.Data[i]);
}

TEST(TimeDomainTransform, TinySpanWithAHugeTimeRangeStaysFinite) {
  FakeTraceHost host(201, 1000.0, 1000.0 + 1e-6);
  TMeasurement& t = host.Trace();
  FillReflections(*host.range, {{0.5, 10e-9}});
  ASSERT_FALSE(NearlyEqual(host.range->MaxFrequency - host.range->MinFrequency, 0.0));
  host.timeDomain.EnableGating = true;
  host.timeDomain.TransformStart = -1e3;
  host.timeDomain.TransformStop = 1e3;
  host.timeDomain.GatingStart = -50.0;
  host.timeDomain.GatingStop = 50.0;
  for (int format : {19, 16}) {
    t.SetFormat(format);
    t.Recalculate();
    for (const TComplex& z : t.TimeData) ASSERT_TRUE(std::isfinite(z.Re) && std::isfinite(z.Im)) << format;
    for (const TComplex& z : t.SmoothedData) ASSERT_TRUE(std::isfinite(z.Re) && std::isfinite(z.Im)) << format;
  }
}

TEST(TimeDomainTransform, MemoryRunsTheStepsOnItsOwnStimulus) {
  FakeTraceHost host(201, 100.0, 1100.0);
  TMeasurement& t = GatedTwoReflections(host);
  GateTheFarReflectionAndTransform(host, t);
  ASSERT_TRUE(t.Memories->StoreData());
  TMemoryTrace& memory = *t.Memories->GetActiveMemory();
  ApplyMemoryTimeDomain(memory);
  ASSERT_EQ(memory.TimeData.size(), t.TimeData.size());
  for (size_t i = 0; i < t.TimeData.size(); ++i) EXPECT_LT(Abs(memory.TimeData[i] - t.TimeData[i]), 1e-12) << i;

  // The memory keeps its stimulus when the channel moves: its own span sets its period.
  host.SetStimulus(201, 600.0, 1100.0);
  t.ResizeToChannel();
  ApplyMemoryTimeDomain(memory);
  EXPECT_EQ(PeakIndex(memory.TimeData), 160u);  // 40 ns of 0..50 ns over 201 points
  EXPECT_NEAR(Abs(memory.TimeData[160]), 0.3, 0.003);

  // Without a time-domain step the memory's data passes through.
  t.SetFormat(16);
  host.timeDomain.EnableGating = false;
  ApplyMemoryTimeDomain(memory);
  for (size_t i = 0; i < memory.Data.size(); ++i) EXPECT_EQ(memory.TimeData[i], memory.Data[i]);
}

TEST(TimeDomainTransform, TimeAxisEndsAtTheLastPoint) {
  // 101 points over 0..20 ns: the point a reflection at 10 ns lands on is at 10 ns, not 9.90.
  EXPECT_DOUBLE_EQ(TimeAxisStimulus(0.0, 20.0, 101, 50), 10.0);
  EXPECT_DOUBLE_EQ(TimeAxisStimulus(0.0, 20.0, 101, 100), 20.0);
  EXPECT_DOUBLE_EQ(TimeAxisStimulus(-5.0, 5.0, 1, 0), -5.0);
}

TEST(TimeDomainTransform, DtfCableLossStartsAtTheTransformStart) {
  FakeTraceHost host;
  host.scanner.SetVelocityFactor(1.0);
  host.scanner.SetCableLoss(0.5);
  TTimeDomainSettings td;
  td.TransformStart = 100e-9;
  td.TransformStop = 200e-9;
  EXPECT_EQ(DtfCableLossAt(td, 201, 0), 0.0);  // cable loss compensation off
  host.scanner.SetCableLossEnabled(true);
  EXPECT_NEAR(DtfCableLossAt(td, 201, 0), 7.49481145, 1e-8);
  EXPECT_NEAR(DtfCableLossAt(td, 201, 200), 2 * 7.49481145, 1e-8);
  // Nothing before the reference plane.
  td.TransformStart = -100e-9;
  EXPECT_EQ(DtfCableLossAt(td, 201, 0), 0.0);
  EXPECT_EQ(DtfCableLossAt(td, 201, 66), 0.0);  // -1 ns
  EXPECT_NEAR(DtfCableLossAt(td, 201, 100), 7.49481145 / 2, 1e-8);  // 50 ns
}
