#include "calibration/StandardModels.h"

#include <cmath>

#include "calibration/Quotient.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Loss terms grow with the square root of the frequency in gigahertz.
constexpr double kLossScale = 1e-9;

bool IsPositive(double x) { return std::isfinite(x) && x > 0.0; }

// Whether the offset line can be evaluated; otherwise the termination stands alone.
bool LineApplies(double f, double delay, double z0, double loss, double zref) {
  return delay != 0.0 && std::isfinite(delay) && IsPositive(f) && IsPositive(z0) && IsPositive(zref) &&
         std::isfinite(loss);
}

// A frequency that is not a number gives the termination of 0 Hz, the ideal standard.
double TerminationFrequency(double f) { return std::isfinite(f) ? f : 0.0; }

double Polynomial(const double (&k)[4], double f) { return k[0] + f * (k[1] + f * (k[2] + f * k[3])); }

// Reflection coefficient of the offset line's own impedance against zref.
TComplex LineMismatch(const TOffsetLine& line, double zref) {
  return Quotient(line.Zc - TComplex{zref, 0.0}, line.Zc + TComplex{zref, 0.0});
}

// exp(-k (alpha + j beta)); a line of overwhelming loss passes nothing, whatever its phase.
TComplex Propagation(const TOffsetLine& line, double k) {
  const double magnitude = std::exp(-k * line.Alpha);
  return magnitude == 0.0 ? TComplex{} : Polar(magnitude, -k * line.Beta);
}

bool IsFiniteComplex(const TComplex& z) { return std::isfinite(z.Re) && std::isfinite(z.Im); }

// The reflection -exp(-2 j theta) of a reactance x against r > 0, theta = atan2(x, r): the same
// as (jx - r) / (jx + r) = (x^2 - r^2 + 2j x r) / (x^2 + r^2), which needs no trigonometric call.
// Where the squares would overflow or underflow, the same comes from the tangent t = x / r or its
// inverse u, whichever is at most 1: (t^2 - 1 + 2j t) / (1 + t^2) = (1 - u^2 + 2j u) / (1 + u^2);
// an infinite reactance (an open circuit) gives 1.
TComplex ReactanceReflection(double x, double r) {
  const double x2 = x * x;
  const double q = x2 + r * r;
  if (q < 1e300 && q > 1e-300) {
    // Two divisions rather than one reciprocal: a termination of no reactance is exactly -1 for
    // every r.
    return TComplex{(x2 - r * r) / q, 2.0 * x * r / q};
  }
  if (std::fabs(x) <= r) {
    const double t = x / r;
    const double k = 1.0 / (1.0 + t * t);
    return TComplex{(t * t - 1.0) * k, 2.0 * t * k};
  }
  const double u = r / x;
  const double k = 1.0 / (1.0 + u * u);
  return TComplex{(1.0 - u * u) * k, 2.0 * u * k};
}

}  // namespace

TOffsetLine OffsetLineAt(double f, double delay, double z0, double loss) {
  TOffsetLine line;
  if (!IsPositive(f)) return line;
  const double w = kTwoPi * f;
  const double s = std::sqrt(f * kLossScale);
  line.Alpha = s * loss * delay / (2.0 * z0);
  line.Beta = w * delay + line.Alpha;
  const double k = loss / (2.0 * w) * s;
  line.Zc = TComplex{z0 + k, -k};
  return line;
}

TComplex ShortTermination(double f, const double (&l)[4], double zref) {
  f = TerminationFrequency(f);
  return ReactanceReflection(kTwoPi * f * Polynomial(l, f), zref);
}

TComplex OpenTermination(double f, const double (&c)[4], double zref) {
  f = TerminationFrequency(f);
  // The open's susceptance against 1 / zref: the negative of a reactance's reflection.
  return -ReactanceReflection(kTwoPi * f * Polynomial(c, f) * zref, 1.0);
}

TComplex OffsetLineReflection(double f, const TComplex& gammaL, double delay, double z0, double loss,
                              double zref) {
  if (!LineApplies(f, delay, z0, loss, zref)) return gammaL;
  const TOffsetLine line = OffsetLineAt(f, delay, z0, loss);
  const TComplex g1 = LineMismatch(line, zref);
  const TComplex e = Propagation(line, 2.0);
  // G1 + e (gammaL - G1 - G1^2 gammaL + G1^3) / (1 - G1 e (G1 - gammaL) - G1 gammaL), written
  // with k = e (gammaL - G1): the numerator is k (1 - G1^2), the denominator 1 - G1 gammaL + G1 k.
  const TComplex one{1.0, 0.0};
  const TComplex k = e * (gammaL - g1);
  const TComplex result = g1 + Quotient(k * (one - g1 * g1), one - g1 * gammaL + g1 * k);
  return IsFiniteComplex(result) ? result : gammaL;
}

TComplex OffsetLineTransmission(double f, double delay, double z0, double loss, double zref) {
  if (!LineApplies(f, delay, z0, loss, zref)) return TComplex{1.0, 0.0};
  const TOffsetLine line = OffsetLineAt(f, delay, z0, loss);
  const TComplex g1 = LineMismatch(line, zref);
  const TComplex g1sq = g1 * g1;
  const TComplex one{1.0, 0.0};
  const TComplex result = (one - g1sq) * Propagation(line, 1.0) / (one - g1sq * Propagation(line, 2.0));
  return IsFiniteComplex(result) ? result : one;
}
