#pragma once
// The complex number of every reading, error term and S-parameter: two doubles, real part first.
// It is stored byte for byte in calibration images and point streams, so it stays a plain
// aggregate of exactly two doubles.
#include <cmath>
#include <limits>
#include <type_traits>

struct TComplex {
  double Re = 0.0;
  double Im = 0.0;

  constexpr TComplex& operator+=(const TComplex& b) {
    Re += b.Re;
    Im += b.Im;
    return *this;
  }
  constexpr TComplex& operator-=(const TComplex& b) {
    Re -= b.Re;
    Im -= b.Im;
    return *this;
  }
  constexpr TComplex& operator*=(const TComplex& b) {
    const double r = Re * b.Re - Im * b.Im;
    Im = Re * b.Im + Im * b.Re;
    Re = r;
    return *this;
  }
  constexpr TComplex& operator*=(double k) {
    Re *= k;
    Im *= k;
    return *this;
  }
  TComplex& operator/=(const TComplex& b);
  TComplex& operator/=(double k);
};

static_assert(sizeof(TComplex) == 2 * sizeof(double), "TComplex is stored as two doubles");
static_assert(std::is_trivially_copyable_v<TComplex>, "TComplex is copied as bytes");

constexpr TComplex operator+(TComplex a, const TComplex& b) { return a += b; }
constexpr TComplex operator-(TComplex a, const TComplex& b) { return a -= b; }
constexpr TComplex operator*(TComplex a, const TComplex& b) { return a *= b; }
constexpr TComplex operator*(TComplex a, double k) { return a *= k; }
constexpr TComplex operator*(double k, TComplex a) { return a *= k; }
// A quotient by an exactly zero divisor is not-a-number in both parts (never an infinity that
// would look like a valid huge reading).
inline TComplex operator/(TComplex a, const TComplex& b) { return a /= b; }
inline TComplex operator/(TComplex a, double k) { return a /= k; }
inline TComplex operator/(double k, const TComplex& b) { return TComplex{k, 0.0} /= b; }
constexpr TComplex operator-(const TComplex& a) { return {-a.Re, -a.Im}; }
constexpr bool operator==(const TComplex& a, const TComplex& b) { return a.Re == b.Re && a.Im == b.Im; }
constexpr bool operator!=(const TComplex& a, const TComplex& b) { return !(a == b); }

constexpr TComplex Conj(const TComplex& z) { return {z.Re, -z.Im}; }
// Magnitude, without overflow for huge parts.
inline double Abs(const TComplex& z) { return std::hypot(z.Re, z.Im); }
// Angle in radians in -pi..pi (atan2 of the imaginary and the real part).
inline double Arg(const TComplex& z) { return std::atan2(z.Im, z.Re); }
// The value of the given magnitude and angle (radians).
inline TComplex Polar(double magnitude, double angle) {
  return {magnitude * std::cos(angle), magnitude * std::sin(angle)};
}

inline TComplex& TComplex::operator/=(const TComplex& b) {
  if (b.Re == 0.0 && b.Im == 0.0) {
    Re = Im = std::numeric_limits<double>::quiet_NaN();
    return *this;
  }
  // Smith's method: scales by the larger part of the divisor, so neither tiny nor huge
  // divisors overflow or underflow in the intermediate c^2 + d^2.
  double r;
  double imag;
  if (std::fabs(b.Re) >= std::fabs(b.Im)) {
    const double t = b.Im / b.Re;
    const double den = b.Re + b.Im * t;
    r = (Re + Im * t) / den;
    imag = (Im - Re * t) / den;
  } else {
    const double t = b.Re / b.Im;
    const double den = b.Re * t + b.Im;
    r = (Re * t + Im) / den;
    imag = (Im * t - Re) / den;
  }
  Re = r;
  Im = imag;
  return *this;
}

inline TComplex& TComplex::operator/=(double k) {
  if (k == 0.0) {
    Re = Im = std::numeric_limits<double>::quiet_NaN();
    return *this;
  }
  Re /= k;
  Im /= k;
  return *this;
}
