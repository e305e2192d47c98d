#include "traces/KaiserWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Utils.h"

double BesselI0(double x) {
  if (std::isnan(x)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (std::isinf(x)) {
    return std::numeric_limits<double>::infinity();
  }
  // Each term from the previous one: ((h^k / k!)^2 = previous * (h / k)^2, the same sum to
  // rounding as evaluating every power and factorial afresh. The terms rise until k passes h and
  // then fall faster than geometrically, so the loop ends; an overflow ends it at infinity.
  const double h = x / 2.0;
  double sum = 1.0;
  double term = 1.0;
  for (int k = 1;; ++k) {
    const double q = h / k;
    term *= q * q;
    sum += term;
    if (term <= sum * 1e-20) {
      break;
    }
  }
  return sum;
}

double Factorial(int x) {
  double result = 1.0;
  while (x > 1) {
    result *= x;
    --x;
  }
  return result;
}

double Sinc(double x) { return NearlyEqual(x, 0.0) ? 1.0 : std::sin(x) / x; }

void TKaiserWindow::Build(std::size_t L, double beta) {
  if (L == weights_.size() && beta == beta_) {
    return;
  }
  weights_.assign(L, 0.0);
  beta_ = beta;
  if (L == 1) {
    weights_[0] = 1.0;  // (L - 1) / 2 = 0 leaves the formula undefined; one weight is 1
  } else if (L > 1) {
    const double d = BesselI0(beta);
    const double a = (static_cast<double>(L) - 1.0) * 0.5;
    const double e = a * a;
    // Both halves are computed by the same arithmetic (u and -u square alike): fill one and
    // mirror it.
    for (std::size_t i = 0; i <= (L - 1) / 2; ++i) {
      const double u = static_cast<double>(i) - a;
      const double r = std::max(0.0, 1.0 - u * u / e);
      const double w = BesselI0(beta * std::sqrt(r)) / d;
      weights_[i] = w;
      weights_[L - 1 - i] = w;
    }
  }
  sum_ = 0.0;
  for (double w : weights_) {
    sum_ += w;
  }
}
