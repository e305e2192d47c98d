#include "traces/TimeGate.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/Utils.h"
#include "traces/Fft.h"

void TTimeGate::Build(std::size_t M, int shape, double span) {
  if (M == response_.size() && shape == shape_ && NearlyEqual(span, span_)) {
    return;
  }
  response_.assign(M, TComplex{});
  shape_ = shape;
  span_ = span;
  if (M == 0 || !std::isfinite(span)) {
    return;
  }
  const int s = std::clamp(shape, 0, kShapeCount - 1);
  // Taps: M times the shape's factor, truncated and made even.
  std::size_t n = static_cast<std::size_t>(static_cast<double>(M) * kLengthFactor[s]);
  n &= ~std::size_t{1};
  window_.Build(n, kBeta[s]);

  // The windowed sinc kernel, centred on index 0 and wrapped round the end of the vector.
  const long long half = static_cast<long long>(n / 2);
  for (std::size_t i = 0; i < n; ++i) {
    const long long c = static_cast<long long>(i) - half;
    const double value =
        span * Sinc(span * static_cast<double>(c) * std::numbers::pi) * window_.GetWeight(i);
    const std::size_t index =
        c >= 0 ? static_cast<std::size_t>(c) : M - static_cast<std::size_t>(-c);
    response_[index] = TComplex{value, 0.0};
  }
  DftBluestein(response_.data(), M, true);

  const double g = Abs(response_[0]);
  if (g == 0.0) {
    return;  // nothing to normalise: the gate stays zero
  }
  for (TComplex& r : response_) {
    r /= g;
  }
}
