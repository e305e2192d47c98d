// InterpolateTable (characterisation data of the calibration module) and InterpolatePolar
// (calibration, two-port and memory tables).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "model/Utils.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180;

TEST(Interpolate, TableEndsAndInside) {
  const std::vector<double> table{0, 10, 20, 40};  // lower 0, upper 1: arguments 0, 1/3, 2/3, 1
  struct Case {
    double x, value;
  } cases[] = {
      {0.0, 0},          // exactly at lower: the first value
      {1.0, 40},         // exactly at upper: the last value
      {-5.0, 0},
      {7.0, 40},
      {1.0 / 6, 5},
      {0.5, 15},
      {5.0 / 6, 30},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_NEAR(InterpolateTable(table, c.x, 1.0, 0.0), c.value, 1e-12) << c.x;
}

// Mend: just below upper the truncated quotient reaches count - 1 and the step read
// table[count]. With count 4 over 0..1, x = nextafter(1, 0) gives (x - lower) / step = 3 exactly.
TEST(Interpolate, TableNeverReadsPastItsEnd) {
  const double x = std::nextafter(1.0, 0.0);
  ASSERT_EQ(std::floor(x / (1.0 / 3)), 3.0);  // the case that used to overrun
  const std::vector<double> table{0, 10, 20, 40};  // sized exactly: a read past it is caught
  const double v = InterpolateTable(table, x, 1.0, 0.0);
  EXPECT_NEAR(v, 40, 1e-12);
  for (size_t count : {7u, 8u, 10u, 13u, 49u}) {
    std::vector<double> t(count);
    for (size_t i = 0; i < count; ++i) t[i] = static_cast<double>(i * i);
    const double last = t.back();
    EXPECT_NEAR(InterpolateTable(t, x, 1.0, 0.0), last, 1e-9) << count;
  }
}

TEST(Interpolate, ShortTables) {
  EXPECT_EQ(InterpolateTable({}, 0.5, 1.0, 0.0), 0.0);
  EXPECT_EQ(InterpolateTable({7.5}, 0.5, 1.0, 0.0), 7.5);
  EXPECT_EQ(InterpolateTable({1, 3}, 0.5, 1.0, 0.0), 2.0);
  // A range of width zero: below or at it the first value, above it the last.
  EXPECT_EQ(InterpolateTable({1, 3}, 2.0, 2.0, 2.0), 1.0);
  EXPECT_EQ(InterpolateTable({1, 3}, 2.5, 2.0, 2.0), 3.0);
}

void ExpectComplexNear(const TComplex& a, const TComplex& b, double tol = 1e-12) {
  EXPECT_NEAR(a.Re, b.Re, tol);
  EXPECT_NEAR(a.Im, b.Im, tol);
}

TEST(Interpolate, PolarTakesTheShorterWayRound) {
  // 1 at 170 degrees and 1 at -170 degrees meet at 180 degrees, not at 0.
  const TComplex mid = InterpolatePolar(Polar(1, 170 * kDeg), Polar(1, -170 * kDeg), 0.5);
  ExpectComplexNear(mid, {-1, 0});
  const TComplex back = InterpolatePolar(Polar(1, -170 * kDeg), Polar(1, 170 * kDeg), 0.25);
  ExpectComplexNear(back, Polar(1, -175 * kDeg));
  // Magnitude linear, phase linear.
  ExpectComplexNear(InterpolatePolar(Polar(1, 0), Polar(3, 90 * kDeg), 0.5), Polar(2, 45 * kDeg));
  ExpectComplexNear(InterpolatePolar(Polar(2, 10 * kDeg), Polar(4, 30 * kDeg), 0), Polar(2, 10 * kDeg));
  ExpectComplexNear(InterpolatePolar(Polar(2, 10 * kDeg), Polar(4, 30 * kDeg), 1), Polar(4, 30 * kDeg));
  // t outside 0..1 extrapolates.
  ExpectComplexNear(InterpolatePolar(Polar(1, 0), Polar(2, 10 * kDeg), 2), Polar(3, 20 * kDeg));
}

TEST(Interpolate, PolarIsLinearNextToZero) {
  ExpectComplexNear(InterpolatePolar({0, 0}, {2, 0}, 0.25), {0.5, 0});
  ExpectComplexNear(InterpolatePolar({1, 1}, {1e-13, 0}, 0.5), {0.5 + 0.5e-13, 0.5});
  ExpectComplexNear(InterpolatePolar({0, 0}, {0, 0}, 0.7), {0, 0});
}

}  // namespace
