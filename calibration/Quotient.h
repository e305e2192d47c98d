#pragma once
// a / b through the reciprocal of |b|^2: one real division instead of the two or three of the
// scaled division, for the hot loops of the solvers and the kit models. Divisors whose square
// would overflow or underflow, and a zero divisor (not-a-number), go through the scaled
// division, so the result is never worse than that of operator/.
#include "model/Complex.h"

inline TComplex Quotient(const TComplex& a, const TComplex& b) {
  const double n = b.Re * b.Re + b.Im * b.Im;
  if (!(n < 1e300 && n > 1e-300)) return a / b;
  const double k = 1.0 / n;
  return {(a.Re * b.Re + a.Im * b.Im) * k, (a.Im * b.Re - a.Re * b.Im) * k};
}
