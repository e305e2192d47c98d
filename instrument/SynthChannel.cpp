#include "instrument/SynthChannel.h"

#include <cmath>
#include <cstdint>
#include <iterator>

namespace {

constexpr double kFracStep = 1.0 / 16777216.0;  // 2^-24
constexpr double kVcoTop = 5400.0;              // MHz: the VCO runs between half of this and this
constexpr int32_t kBandFundamental = 46;
constexpr int32_t kBandDoubler = 50;
constexpr int32_t kBandTripler = 28;

// Truncates toward zero into 32 bits; false when the value does not fit (or is not a number).
bool TruncToInt32(double x, int32_t& out) {
  if (!(x > -2147483649.0 && x < 2147483648.0)) return false;
  out = static_cast<int32_t>(x);
  return true;
}

// 2^k; a table for the output divider's own settings, which every planned point uses.
double PowerOfTwo(int32_t k) {
  static constexpr double kScale[] = {1.0, 2.0, 4.0, 8.0, 16.0, 32.0, 64.0, 128.0};
  static_assert(std::size(kScale) == TSynthChannel::kMaxLoDiv + 1);
  return k >= 0 && k <= TSynthChannel::kMaxLoDiv ? kScale[k] : std::ldexp(1.0, k);
}

}  // namespace

bool TSynthChannel::CalcPll(TPllSettings& pll, double f, const TSynthPlanParams& params) const {
  pll = TPllSettings{};
  if (!std::isfinite(f) || !(f > 0.0)) return false;

  const double ifreq = params.IntermediateFreq;
  double fo = f;
  int32_t band = 0;
  if (params.Model14GHz) {
    band = kBandFundamental;
    if (!Heterodyne) {
      if (f > params.Freq3x) {
        fo = f / 3.0;
        band = kBandTripler;
      } else if (f > params.Freq2x) {
        fo = f * 0.5;
        band = kBandDoubler;
      }
    }
  }

  TPllSettings plan;
  plan.R = 1;
  plan.Band = band;
  const double fc = params.ReferenceFreq / plan.R;

  // Above the VCO range the output divider is off; the logarithm would go negative there.
  const double lg = std::log2(kVcoTop / fo);
  if (!std::isfinite(lg)) return false;
  if (!TruncToInt32(lg, plan.LoDiv)) return false;
  if (plan.LoDiv < 0) plan.LoDiv = 0;
  if (plan.LoDiv > kMaxLoDiv) return false;  // below the model's range

  double v = fo * PowerOfTwo(plan.LoDiv);
  if (!Heterodyne) {
    plan.Prescaler = v > 3200.0 - ifreq ? 4 : 2;
  } else if (v > 3200.0) {
    plan.Prescaler = 4;
    v += fc * kFracStep;
  } else {
    plan.Prescaler = 2;
  }
  if (params.Model14GHz && Heterodyne && (6400.0 - ifreq) / 3.0 <= f && f <= 3200.0 - ifreq / 3.0)
    v += fc * kFracStep;

  const double x = v / plan.Prescaler / fc;
  if (!TruncToInt32(x, plan.N)) return false;
  const double frac = (x - plan.N) * 65536.0;
  if (!TruncToInt32(frac, plan.Frac16)) return false;
  if (!TruncToInt32((frac - plan.Frac16) * 256.0, plan.Frac8)) return false;

  pll = plan;
  const double error = std::fabs(CalcFrequency(plan, params) - f);
  return error < Tolerance;
}

double TSynthChannel::CalcFrequency(const TPllSettings& pll, const TSynthPlanParams& params) {
  if (pll.R <= 0) return 0.0;
  const double fc = params.ReferenceFreq / pll.R;
  const double fraction = (static_cast<double>(pll.Frac16) * 256.0 + pll.Frac8) * kFracStep;
  double out = fc * (pll.N + fraction) * pll.Prescaler / PowerOfTwo(pll.LoDiv);
  if (params.Model14GHz) {
    if (pll.Band == kBandDoubler)
      out *= 2.0;
    else if (pll.Band == kBandTripler)
      out *= 3.0;
  }
  return out;
}
