// The running sums of the smoothing against the direct weighted sum, which stays the reference:
// whole passes, the ascending pass of the sweep with values changing under it, and a trace's
// chain on a real channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/Range.h"
#include "traces/FakeTraceHost.h"
#include "traces/Smoother.h"

namespace {

// A wandering curve on a large offset (as dB values are), with "no data" points (complex zero):
// single ones, pairs, and a run longer than a small window.
struct TCurve {
  std::vector<TComplex> Values;
  std::vector<double> Mask;
};

TCurve Curve(int n, int seed) {
  TCurve c;
  c.Values.resize(static_cast<size_t>(n));
  c.Mask.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const bool hole = i == 1 || i % 97 == 13 || i % 97 == 14 || (i >= n / 3 && i < n / 3 + 9) || i == n - 2;
    const TComplex v = hole ? TComplex{}
                            : TComplex{-40.0 + 3.0 * std::sin(0.013 * i * (seed + 1)) + 0.5 * std::cos(0.71 * i),
                                       1e3 * std::cos(0.002 * i + seed)};
    c.Values[static_cast<size_t>(i)] = v;
    c.Mask[static_cast<size_t>(i)] = TSmoother::MaskOf(v);
  }
  return c;
}

// Largest magnitude of a usable value in the window of point i: the scale of its average.
double WindowScale(const TCurve& c, int w, int i) {
  const int n = static_cast<int>(c.Values.size());
  double scale = Abs(c.Values[static_cast<size_t>(i)]);
  for (int p = std::max(0, i - w); p <= std::min(n - 1, i + w); ++p) {
    if (c.Mask[static_cast<size_t>(p)] != 0.0) scale = std::max(scale, Abs(c.Values[static_cast<size_t>(p)]));
  }
  return scale;
}

void ExpectMatchesDirect(const TSmoother& s, const TCurve& c, const std::vector<TComplex>& got, const std::string& what) {
  const int n = static_cast<int>(c.Values.size());
  ASSERT_EQ(c.Values.size(), got.size());
  for (int i = 0; i < n; ++i) {
    const TComplex want = s.Smooth(c.Values.data(), c.Mask.data(), n, i);
    const double tol = 1e-12 * WindowScale(c, s.GetHalfWidth(), i);
    ASSERT_NEAR(want.Re, got[static_cast<size_t>(i)].Re, tol) << what << " point " << i;
    ASSERT_NEAR(want.Im, got[static_cast<size_t>(i)].Im, tol) << what << " point " << i;
  }
}

struct TWidthCase {
  int Points;
  double Aperture;
};

const TWidthCase kWidths[] = {
    {201, 0},   {201, 1},   {201, 2},   {201, 5},   {201, 50},  {1601, 1},  {1601, 2},
    {1601, 5},  {1601, 50}, {16001, 5}, {16001, 20}, {3, 50},
};

std::string Name(const TWidthCase& c) {
  return std::to_string(c.Points) + " points, aperture " + std::to_string(c.Aperture);
}

}  // namespace

TEST(SmootherRunningSums, WholePassEqualsDirectSum) {
  for (const TWidthCase& wc : kWidths) {
    SCOPED_TRACE(Name(wc));
    const TCurve c = Curve(wc.Points, 1);
    TSmoother s;
    s.Prepare(TSmoother::HalfWidth(wc.Points, wc.Aperture));
    std::vector<TComplex> out(c.Values.size());
    s.SmoothAll(c.Values.data(), c.Mask.data(), wc.Points, out.data());
    ExpectMatchesDirect(s, c, out, "whole pass");
  }
}

TEST(SmootherRunningSums, AscendingPassEqualsDirectSum) {
  for (const TWidthCase& wc : kWidths) {
    SCOPED_TRACE(Name(wc));
    const TCurve c = Curve(wc.Points, 2);
    TSmoother s;
    s.Prepare(TSmoother::HalfWidth(wc.Points, wc.Aperture));
    std::vector<TComplex> out(c.Values.size());
    for (int i = 0; i < wc.Points; ++i) out[static_cast<size_t>(i)] = s.SmoothNext(c.Values.data(), c.Mask.data(), wc.Points, i);
    ExpectMatchesDirect(s, c, out, "ascending pass");
    // Points asked out of order (a jump back, a jump ahead, the same point twice) start afresh.
    const int n = wc.Points;
    for (int i : {n / 2, n / 2, 0, n - 1, n / 3 + 4, 1, 2}) {
      const TComplex want = s.Smooth(c.Values.data(), c.Mask.data(), n, i);
      const TComplex got = s.SmoothNext(c.Values.data(), c.Mask.data(), n, i);
      const double tol = 1e-12 * WindowScale(c, s.GetHalfWidth(), i);
      EXPECT_NEAR(want.Re, got.Re, tol) << "point " << i;
      EXPECT_NEAR(want.Im, got.Im, tol) << "point " << i;
    }
  }
}

// The sweep: point k arrives (a new value, possibly "no data", reported as a change) and point
// k - w is smoothed; values of the previous sweep stand beyond k, and an early point is
// formatted again later, as group delay does with point 0.
TEST(SmootherRunningSums, SweepWithChangedPointsEqualsDirectSum) {
  for (const TWidthCase& wc : kWidths) {
    SCOPED_TRACE(Name(wc));
    const int n = wc.Points;
    TCurve c = Curve(n, 3);
    const TCurve next = Curve(n, 4);
    TSmoother s;
    s.Prepare(TSmoother::HalfWidth(n, wc.Aperture));
    const int w = s.GetHalfWidth();
    std::vector<TComplex> out(c.Values.size());
    for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = s.SmoothNext(c.Values.data(), c.Mask.data(), n, i);
    auto set = [&](int p, const TComplex& v) {
      c.Values[static_cast<size_t>(p)] = v;
      c.Mask[static_cast<size_t>(p)] = TSmoother::MaskOf(v);
      s.Changed(p, v, c.Mask[static_cast<size_t>(p)]);
    };
    for (int k = 0; k < n; ++k) {
      set(k, next.Values[static_cast<size_t>(k)]);
      if (k == 1 || k == w + 3) set(0, k == 1 ? TComplex{7.0, -1.0} : TComplex{});
      const int ready = k - w;
      if (ready >= 0) out[static_cast<size_t>(ready)] = s.SmoothNext(c.Values.data(), c.Mask.data(), n, ready);
    }
    for (int i = std::max(0, n - w); i < n; ++i) out[static_cast<size_t>(i)] = s.SmoothNext(c.Values.data(), c.Mask.data(), n, i);
    // Point 0 changed after its output: smooth it and its neighbours again, as a new pass.
    for (int i = 0; i <= std::min(n - 1, w); ++i) out[static_cast<size_t>(i)] = s.SmoothNext(c.Values.data(), c.Mask.data(), n, i);
    ExpectMatchesDirect(s, c, out, "sweep");
  }
}

// Only far neighbours hold data: the weights are tiny and the running sums cannot give them their
// digits; the result still equals the direct sum, and a window without data keeps the value.
TEST(SmootherRunningSums, SparseWindowsEqualDirectSum) {
  const int n = 4001;
  TCurve c;
  c.Values.assign(n, TComplex{});
  c.Mask.assign(n, 0.0);
  for (int i : {0, 700, 701, 2500, 4000}) {
    c.Values[static_cast<size_t>(i)] = {1.0 + i, -2.0 * i};
    c.Mask[static_cast<size_t>(i)] = 1.0;
  }
  for (double aperture : {1.0, 5.0, 20.0}) {
    SCOPED_TRACE(aperture);
    TSmoother s;
    s.Prepare(TSmoother::HalfWidth(n, aperture));
    std::vector<TComplex> out(c.Values.size());
    s.SmoothAll(c.Values.data(), c.Mask.data(), n, out.data());
    ExpectMatchesDirect(s, c, out, "whole pass");
    for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = s.SmoothNext(c.Values.data(), c.Mask.data(), n, i);
    ExpectMatchesDirect(s, c, out, "ascending pass");
  }
  // With 1 % (w = 20), point 1500 has no usable neighbour at all.
  TSmoother s;
  s.Prepare(TSmoother::HalfWidth(n, 1.0));
  std::vector<TComplex> out(c.Values.size());
  s.SmoothAll(c.Values.data(), c.Mask.data(), n, out.data());
  EXPECT_EQ(TComplex{}, out[1500]);
}

// A value that is not finite spoils the windows that hold it, as the direct sum says, and no
// other: once it has left the window the running sums are as good as before.
TEST(SmootherRunningSums, ValuesThatAreNotFiniteStayInTheirWindows) {
  const int n = 1601;
  TCurve c = Curve(n, 5);
  c.Values[300] = {std::nan(""), 1.0};
  c.Values[900] = {1.0, HUGE_VAL};
  c.Values[901] = {-HUGE_VAL, 0.0};
  for (int p : {300, 900, 901}) c.Mask[static_cast<size_t>(p)] = TSmoother::MaskOf(c.Values[static_cast<size_t>(p)]);
  TSmoother s;
  s.Prepare(TSmoother::HalfWidth(n, 5));  // w = 40
  const int w = s.GetHalfWidth();
  std::vector<TComplex> all(c.Values.size());
  s.SmoothAll(c.Values.data(), c.Mask.data(), n, all.data());
  std::vector<TComplex> next(c.Values.size());
  for (int i = 0; i < n; ++i) next[static_cast<size_t>(i)] = s.SmoothNext(c.Values.data(), c.Mask.data(), n, i);
  for (const std::vector<TComplex>* got : {&all, &next}) {
    for (int i = 0; i < n; ++i) {
      const TComplex want = s.Smooth(c.Values.data(), c.Mask.data(), n, i);
      const TComplex g = (*got)[static_cast<size_t>(i)];
      const bool spoilt = std::abs(i - 300) <= w || (i >= 900 - w && i <= 901 + w);
      ASSERT_EQ(spoilt, !std::isfinite(want.Re) || !std::isfinite(want.Im)) << "point " << i;
      if (spoilt) {
        EXPECT_EQ(std::isnan(want.Re), std::isnan(g.Re)) << "point " << i;
        EXPECT_EQ(std::isnan(want.Im), std::isnan(g.Im)) << "point " << i;
        continue;
      }
      const double tol = 1e-12 * WindowScale(c, w, i);
      ASSERT_NEAR(want.Re, g.Re, tol) << "point " << i;
      ASSERT_NEAR(want.Im, g.Im, tol) << "point " << i;
    }
  }
}

// The trace's chain at 20 % on 1601 points: a full recalculation, then two sweeps through the
// point path, each compared with the direct sum over the formatted values.
TEST(SmootherRunningSums, TraceChainEqualsDirectSum) {
  tracetest::FakeTraceHost host(1601, 100.0, 1100.0);
  TMeasurement& t = host.Trace();
  t.SetFormat(3);  // group delay: point 0 is formatted again once point 1 is in
  t.SetSmoothing(true);
  t.SetSmoothingAperture(20);
  auto fill = [&](int seed) {
    for (int i = 0; i < host.range->GetCount(); ++i) {
      const bool hole = i % 53 == 7 || (i > 800 && i < 812);
      host.range->SetPointData(0, i, hole ? TComplex{} : Polar(0.5 + 0.2 * std::sin(0.01 * i + seed), -0.05 * i * (1 + 0.1 * seed)));
    }
  };
  auto check = [&](const std::string& what) {
    const int n = static_cast<int>(t.FormattedData.size());
    std::vector<double> mask(t.FormattedData.size());
    for (size_t i = 0; i < mask.size(); ++i) mask[i] = TSmoother::MaskOf(t.FormattedData[i]);
    TSmoother s;
    s.Prepare(TSmoother::HalfWidth(n, 20));
    for (int i = 0; i < n; ++i) {
      const TComplex want = s.Smooth(t.FormattedData.data(), mask.data(), n, i);
      const double tol = 1e-12 * std::max(1.0, Abs(want));
      ASSERT_NEAR(want.Re, t.SmoothedData[static_cast<size_t>(i)].Re, tol) << what << " point " << i;
      ASSERT_NEAR(want.Im, t.SmoothedData[static_cast<size_t>(i)].Im, tol) << what << " point " << i;
    }
  };
  fill(1);
  t.Recalculate();
  check("recalculation");
  for (int seed : {2, 3}) {
    fill(seed);
    for (int k = 0; k < host.range->GetCount(); ++k) t.ProcessSweepPoint(k);
    t.FinishSweep();
    check("sweep " + std::to_string(seed));
  }
}
