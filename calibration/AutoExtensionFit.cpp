#include "calibration/AutoExtensionFit.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "model/Range.h"
#include "model/Utils.h"

namespace {

struct TStandardFit {
  double Tau = 0.0;
  double L0 = 0.0;
  double L1 = 0.0;
  double L2 = 0.0;
  double F1 = 0.0;
  double F2 = 0.0;
};

double LossOf(const TComplex& s) { return -20.0 * std::log10(std::hypot(s.Re, s.Im)); }

std::optional<TStandardFit> FitStandard(const TRange& ch, const TAutoExtensionInput& in) {
  const int n = ch.GetCount();
  if (n < 2) return std::nullopt;
  double fa = ch.GetPointFrequency(0);
  double fb = ch.GetPointFrequency(n - 1);
  if (in.Method == aemUserSpan) {
    fa = in.Freq1;
    fb = in.Freq2;
  } else if (in.Method == aemActiveMarker) {
    fa = fb = in.Marker;
  }
  if (fa > fb) std::swap(fa, fb);
  int ia = ch.FindPointIndex(fa);
  int ib = ch.FindPointIndex(fb);
  if (ia < 0 || ib < 0) return std::nullopt;
  ia = std::min(ia, n - 1);
  ib = std::min(ib, n - 1);
  if (ia == ib) {
    if (ib < n - 1) {
      ++ib;
    } else {
      --ia;
    }
  }
  const int q = (ib - ia) / 4;
  const int i1 = ia + q;
  const int i2 = ib - q;

  TStandardFit fit;
  fit.F1 = ch.GetPointFrequency(i1);
  fit.F2 = ch.GetPointFrequency(i2);
  fit.L0 = LossOf(ch.GetPointData(0, 0));
  fit.L1 = LossOf(ch.GetPointData(0, i1));
  fit.L2 = LossOf(ch.GetPointData(0, i2));

  // The phase of each point is taken once: consecutive pairs share a point.
  constexpr double kPi = std::numbers::pi;
  int cachedIndex = -1;
  double cachedArg = 0.0;
  const auto argAt = [&](int i, const TComplex& s) {
    return i == cachedIndex ? cachedArg : std::atan2(s.Im, s.Re);
  };
  double sum = 0.0;
  int count = 0;
  for (int m = ia; m <= ib; ++m) {
    const int e = m == 0 ? 1 : m;
    const int p = e - 1;
    const double df = (ch.GetPointFrequency(e) - ch.GetPointFrequency(p)) * 1e6;
    if (std::fabs(df) <= 1e-12) continue;
    const TComplex sp = ch.GetPointData(0, p);
    const TComplex se = ch.GetPointData(0, e);
    if (IsComplexZero(sp) || IsComplexZero(se)) continue;
    const double ap = argAt(p, sp);
    const double ae = argAt(e, se);
    cachedIndex = e;
    cachedArg = ae;
    double d = ap - ae;
    if (d > kPi) d -= 2 * kPi;
    if (d < -kPi) d += 2 * kPi;
    sum += d / df / (2 * kPi);
    ++count;
  }
  fit.Tau = count > 0 ? sum / count : 0.0;
  return fit;
}

}  // namespace

std::optional<TAutoExtensionValues> FitAutoExtension(const TAutoExtensionInput& in) {
  const std::optional<TStandardFit> open = in.Open ? FitStandard(*in.Open, in) : std::nullopt;
  const std::optional<TStandardFit> shrt = in.Short ? FitStandard(*in.Short, in) : std::nullopt;
  if (!open && !shrt) return std::nullopt;
  const TStandardFit& last = shrt ? *shrt : *open;
  const bool both = open && shrt;
  const auto comb = [&](double TStandardFit::*x) {
    const double v = both ? ((*open).*x + (*shrt).*x) * 0.25 : last.*x * 0.5;
    return RoundToSignificantDigits(6, v);
  };

  TAutoExtensionValues v;
  v.Delay = comb(&TStandardFit::Tau);
  if (in.IncludeLoss) {
    v.Loss1 = comb(&TStandardFit::L1);
    v.Freq1 = last.F1;
    v.SetLoss1 = std::isfinite(v.Loss1);
    if (in.Method == aemActiveMarker) {
      v.Loss2Off = true;
    } else {
      v.Loss2 = comb(&TStandardFit::L2);
      v.Freq2 = last.F2;
      v.SetLoss2 = std::isfinite(v.Loss2);
    }
  }
  if (in.AdjustMismatch) {
    v.LossAtDC = comb(&TStandardFit::L0);
    v.SetLossAtDC = std::isfinite(v.LossAtDC);
  }
  return v;
}

void ApplyAutoExtension(TRange& channel, const TAutoExtensionValues& v) {
  channel.SetPortExtension(0, v.Delay);
  channel.SetPortExtensionsEnabled(true);
  if (v.SetLoss1) {
    channel.SetExtFreq1(v.Freq1);
    channel.SetExtLoss1(v.Loss1);
    channel.SetExtLoss1Enabled(true);
  }
  if (v.SetLoss2) {
    channel.SetExtFreq2(v.Freq2);
    channel.SetExtLoss2(v.Loss2);
    channel.SetExtLoss2Enabled(true);
  }
  if (v.Loss2Off) channel.SetExtLoss2Enabled(false);
  if (v.SetLossAtDC) channel.SetExtLossAtDC(v.LossAtDC);
}
