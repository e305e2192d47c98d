#include "calibration/StandardModels.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Loss terms grow with the square root of the frequency in gigahertz.
constexpr double kLossScale = 1e-9;

bool IsPositive(double x) { return std::isfinite(x) && x > 0.0; }

// Whether the offset line can be evaluated; otherwise the termination stands alone.
bool LineApplies(double f, double delay, double z0, double loss, double zref) {
  return IsPositive(f) && IsPositive(z0) && IsPositive(zref) && std::isfinite(delay) && std::isfinite(loss) &&
         delay != 0.0;
}

// A frequency that is not a number gives the termination of 0 Hz, the ideal standard.
double TerminationFrequency(double f) { return std::isfinite(f) ? f : 0.0; }

double Polynomial(const double (&k)[4], double f) { return k[0] + f * (k[1] + f * (k[2] + f * k[3])); }

// Reflection coefficient of the offset line's own impedance against zref.
TComplex LineMismatch(const TOffsetLine& line, double zref) {
  return (line.Zc - TComplex{zref, 0.0}) / (line.Zc + TComplex{zref, 0.0});
}

// exp(-k (alpha + j beta)); a line of overwhelming loss passes nothing, whatever its phase.
TComplex Propagation(const TOffsetLine& line, double k) {
  const double magnitude = std::exp(-k * line.Alpha);
  return magnitude == 0.0 ? TComplex{} : Polar(magnitude, -k * line.Beta);
}

bool IsFiniteComplex(const TComplex& z) { return std::isfinite(z.Re) && std::isfinite(z.Im); }

// The reflection -exp(-2 j theta) of a reactance x against r, theta = atan2(x, r): the same as
// (jx - r) / (jx + r), and still defined when x overflows (an open circuit).
TComplex ReactanceReflection(double x, double r) {
  const double twoTheta = 2.0 * std::atan2(x, r);
  return TComplex{-std::cos(twoTheta), std::sin(twoTheta)};
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
  const TComplex g1sq = g1 * g1;
  const TComplex numerator = gammaL - g1 - g1sq * gammaL + g1sq * g1;
  const TComplex denominator = TComplex{1.0, 0.0} - g1 * e * (g1 - gammaL) - g1 * gammaL;
  const TComplex result = g1 + e * numerator / denominator;
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
