// The Bessel function, factorial and sinc of the time domain, and the Kaiser window's shape and
// rebuild rule. Window values are checked against numpy in FftPeerTest.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "traces/KaiserWindow.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// 1 and 6 as the series gives them in doubles; 0.5 and 13 are the exact rational sums of the
// series, rounded once (and scipy.special.i0 agrees to the last digit or two).
TEST(KaiserWindow, BesselI0KnownValues) {
  struct Case {
    double x, i0;
  } cases[] = {
      {0.0, 1.0},
      {1.0, 1.2660658777520082},
      {6.0, 67.23440697647796},
      {-6.0, 67.23440697647796},  // even
      {0.5, 1.0634833707413236},
      {13.0, 49444.489582217575},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(BesselI0(c.x), c.i0, 4e-16 * c.i0) << c.x;
  }
}

// Far out, I0(x) = e^x / sqrt(2 pi x) (1 + 1/(8x) + 9/(2 (8x)^2) + ...): the series still ends
// there, and an argument that overflows ends at infinity instead of looping.
TEST(KaiserWindow, BesselI0EndsForLargeAndNonFiniteArguments) {
  const double x = 700.0;
  const double asymptotic = std::exp(x) / std::sqrt(2.0 * std::numbers::pi * x) *
                            (1.0 + 1.0 / (8.0 * x) + 9.0 / (2.0 * 64.0 * x * x));
  EXPECT_NEAR(BesselI0(x) / asymptotic, 1.0, 1e-9);
  EXPECT_EQ(BesselI0(1e6), kInf);
  EXPECT_EQ(BesselI0(kInf), kInf);
  EXPECT_EQ(BesselI0(-kInf), kInf);
  EXPECT_TRUE(std::isnan(BesselI0(kNaN)));
}

TEST(KaiserWindow, FactorialCountsDown) {
  EXPECT_EQ(Factorial(-3), 1.0);
  EXPECT_EQ(Factorial(0), 1.0);
  EXPECT_EQ(Factorial(1), 1.0);
  EXPECT_EQ(Factorial(5), 120.0);
  EXPECT_EQ(Factorial(20), 2432902008176640000.0);
  EXPECT_TRUE(std::isfinite(Factorial(170)));
  EXPECT_EQ(Factorial(171), kInf);
}

TEST(KaiserWindow, SincIsOneAtZero) {
  EXPECT_EQ(Sinc(0.0), 1.0);
  EXPECT_EQ(Sinc(1e-13), 1.0);
  EXPECT_EQ(Sinc(-1e-13), 1.0);
  EXPECT_NEAR(Sinc(std::numbers::pi / 2.0), 2.0 / std::numbers::pi, 1e-16);
  EXPECT_NEAR(Sinc(-std::numbers::pi / 2.0), 2.0 / std::numbers::pi, 1e-16);
  EXPECT_NEAR(Sinc(std::numbers::pi), 0.0, 1e-16);
  EXPECT_NEAR(Sinc(1e-6), 1.0 - 1e-12 / 6.0, 1e-16);
}

TEST(KaiserWindow, StartsEmptyWithSumOne) {
  const TKaiserWindow window;
  EXPECT_EQ(window.GetLength(), 0u);
  EXPECT_EQ(window.GetBeta(), 0.0);
  EXPECT_EQ(window.GetSum(), 1.0);
}

TEST(KaiserWindow, BetaZeroIsRectangular) {
  TKaiserWindow window;
  window.Build(5, 0.0);
  ASSERT_EQ(window.GetLength(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(window.GetWeight(i), 1.0) << i;
  }
  EXPECT_EQ(window.GetSum(), 5.0);
}

TEST(KaiserWindow, ShapeIsSymmetricWithOneInTheMiddle) {
  for (std::size_t length : {2u, 3u, 6u, 7u, 201u, 202u}) {
    TKaiserWindow window;
    window.Build(length, 6.0);
    ASSERT_EQ(window.GetLength(), length);
    EXPECT_EQ(window.GetBeta(), 6.0);
    EXPECT_NEAR(window.GetWeight(0), 1.0 / 67.23440697647796, 1e-16) << length;
    double sum = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
      EXPECT_EQ(window.GetWeight(i), window.GetWeight(length - 1 - i)) << length << " " << i;
      EXPECT_GT(window.GetWeight(i), 0.0);
      EXPECT_LE(window.GetWeight(i), 1.0);
      if (i > 0 && 2 * i < length) {
        EXPECT_GT(window.GetWeight(i), window.GetWeight(i - 1)) << "rises to the middle";
      }
      sum += window.GetWeight(i);
    }
    if (length % 2 == 1) {
      EXPECT_EQ(window.GetWeight(length / 2), 1.0);
    }
    EXPECT_NEAR(window.GetSum(), sum, 1e-12);
  }
}

// numpy.kaiser(1, beta) is [1.0]: one weight of 1, where the formula would divide by zero.
TEST(KaiserWindow, LengthOneIsASingleOneAndLengthZeroIsEmpty) {
  TKaiserWindow window;
  window.Build(1, 6.0);
  ASSERT_EQ(window.GetLength(), 1u);
  EXPECT_EQ(window.GetWeight(0), 1.0);
  EXPECT_EQ(window.GetSum(), 1.0);
  window.Build(0, 6.0);
  EXPECT_EQ(window.GetLength(), 0u);
  EXPECT_EQ(window.GetSum(), 0.0);
}

// A change of the length alone or of beta alone rebuilds; the same pair keeps the weights.
TEST(KaiserWindow, RebuildsWhenLengthOrBetaChanges) {
  TKaiserWindow window;
  window.Build(5, 0.0);
  window.Build(5, 0.0);
  EXPECT_EQ(window.GetSum(), 5.0);
  window.Build(5, 6.0);
  EXPECT_EQ(window.GetBeta(), 6.0);
  EXPECT_NEAR(window.GetWeight(0), 1.0 / 67.23440697647796, 1e-16);
  EXPECT_LT(window.GetSum(), 5.0);
  window.Build(7, 6.0);
  EXPECT_EQ(window.GetLength(), 7u);
  EXPECT_EQ(window.GetWeight(3), 1.0);
  window.Build(7, 0.0);
  EXPECT_EQ(window.GetSum(), 7.0);
  window.Build(5, 0.0);
  EXPECT_EQ(window.GetLength(), 5u);
  EXPECT_EQ(window.GetSum(), 5.0);
}

}  // namespace
