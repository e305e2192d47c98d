#include "traces/Smoother.h"

#include <cmath>
#include <numbers>

#include "model/Utils.h"

int TSmoother::HalfWidth(int n, double aperturePercent) {
  return RoundSaturated(static_cast<double>(n) * aperturePercent * 0.5 * 0.01);
}

double TSmoother::MaskOf(const TComplex& z) { return IsComplexZero(z) ? 0.0 : 1.0; }

void TSmoother::Prepare(int w) {
  if (w < 0) w = 0;
  if (w == w_) return;
  w_ = w;
  weights_.resize(static_cast<size_t>(2 * w + 1));
  for (int k = -w; k <= w; ++k) {
    weights_[static_cast<size_t>(k + w)] = (std::cos(k * std::numbers::pi / (w + 1)) + 1) * 0.5;
  }
}

namespace {

// The weighted sums over taps [0, len): values v, weights c, mask m.
struct TSums {
  double Re = 0;
  double Im = 0;
  double Weight = 0;
};

TSums SumPortable(const TComplex* v, const double* c, const double* m, int len) {
  // Four independent sums keep the multiply-adds from waiting on one another.
  double re[4] = {0, 0, 0, 0};
  double im[4] = {0, 0, 0, 0};
  double wt[4] = {0, 0, 0, 0};
  int j = 0;
  for (; j + 4 <= len; j += 4) {
    for (int u = 0; u < 4; ++u) {
      const double k = c[j + u] * m[j + u];
      re[u] += v[j + u].Re * k;
      im[u] += v[j + u].Im * k;
      wt[u] += k;
    }
  }
  for (; j < len; ++j) {
    const double k = c[j] * m[j];
    re[0] += v[j].Re * k;
    im[0] += v[j].Im * k;
    wt[0] += k;
  }
  return {(re[0] + re[1]) + (re[2] + re[3]), (im[0] + im[1]) + (im[2] + im[3]), (wt[0] + wt[1]) + (wt[2] + wt[3])};
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TERVAN_SMOOTH_AVX2 1
typedef double V4 __attribute__((vector_size(32)));

// Four taps per step: the weights as one vector, the four points as two vectors of (re, im)
// pairs, each multiplied by its pair of weights.
__attribute__((target("avx2,fma"))) TSums SumAvx2(const TComplex* v, const double* c, const double* m, int len) {
  V4 acc0 = {0, 0, 0, 0};
  V4 acc1 = {0, 0, 0, 0};
  V4 wacc = {0, 0, 0, 0};
  int j = 0;
  for (; j + 4 <= len; j += 4) {
    V4 cv;
    V4 mv;
    V4 lo;
    V4 hi;
    __builtin_memcpy(&cv, c + j, sizeof cv);
    __builtin_memcpy(&mv, m + j, sizeof mv);
    __builtin_memcpy(&lo, v + j, sizeof lo);
    __builtin_memcpy(&hi, v + j + 2, sizeof hi);
    const V4 k = cv * mv;
    wacc += k;
    const V4 k01 = __builtin_shuffle(k, (__attribute__((vector_size(32))) long long){0, 0, 1, 1});
    const V4 k23 = __builtin_shuffle(k, (__attribute__((vector_size(32))) long long){2, 2, 3, 3});
    acc0 += lo * k01;
    acc1 += hi * k23;
  }
  const V4 acc = acc0 + acc1;
  TSums s{acc[0] + acc[2], acc[1] + acc[3], (wacc[0] + wacc[1]) + (wacc[2] + wacc[3])};
  for (; j < len; ++j) {
    const double k = c[j] * m[j];
    s.Re += v[j].Re * k;
    s.Im += v[j].Im * k;
    s.Weight += k;
  }
  return s;
}
#endif

TSums Sum(const TComplex* v, const double* c, const double* m, int len) {
#ifdef TERVAN_SMOOTH_AVX2
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (avx2) return SumAvx2(v, c, m, len);
#endif
  return SumPortable(v, c, m, len);
}

}  // namespace

TComplex TSmoother::Smooth(const TComplex* values, const double* mask, int n, int i) const {
  const int w = w_ < 0 ? 0 : w_;
  const int lo = i - w < 0 ? 0 : i - w;
  const int hi = i + w > n - 1 ? n - 1 : i + w;
  if (weights_.empty()) return values[i];
  const TSums s = Sum(values + lo, weights_.data() + (lo - i + w), mask + lo, hi - lo + 1);
  if (s.Weight == 0.0) return values[i];
  return {s.Re / s.Weight, s.Im / s.Weight};
}
