// The radix-2 and the any-length transforms against the plain discrete Fourier sum, their sign
// convention, their lack of scaling, and their table caches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

#include "model/Complex.h"
#include "traces/Fft.h"

namespace {

std::vector<TComplex> RandomVector(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<TComplex> x(n);
  for (TComplex& v : x) {
    v = TComplex{u(rng), u(rng)};
  }
  return x;
}

double Norm(const std::vector<TComplex>& x) {
  double s = 0.0;
  for (const TComplex& v : x) {
    s += v.Re * v.Re + v.Im * v.Im;
  }
  return std::sqrt(s);
}

// Bin k of the plain sum: sum x[n] e^(-+j 2 pi n k / N) (minus sign when forward), in long
// double with the angle reduced exactly.
TComplex DirectBin(const std::vector<TComplex>& x, std::size_t k, bool forward) {
  const std::size_t n = x.size();
  const long double pi = 3.141592653589793238462643383279502884L;
  long double re = 0.0L;
  long double im = 0.0L;
  for (std::size_t i = 0; i < n; ++i) {
    const long double angle =
        (forward ? -2.0L : 2.0L) * pi * static_cast<long double>((i * k) % n) / n;
    const long double c = std::cos(angle);
    const long double s = std::sin(angle);
    re += x[i].Re * c - x[i].Im * s;
    im += x[i].Re * s + x[i].Im * c;
  }
  return TComplex{static_cast<double>(re), static_cast<double>(im)};
}

// Largest |y[k] - direct bin k| over the given bins.
double MaxError(const std::vector<TComplex>& x, const std::vector<TComplex>& y,
                const std::vector<std::size_t>& bins, bool forward) {
  double worst = 0.0;
  for (std::size_t k : bins) {
    worst = std::max(worst, Abs(y[k] - DirectBin(x, k, forward)));
  }
  return worst;
}

std::vector<std::size_t> AllBins(std::size_t n) {
  std::vector<std::size_t> bins(n);
  for (std::size_t k = 0; k < n; ++k) {
    bins[k] = k;
  }
  return bins;
}

// A few bins spread over a long transform, ends included.
std::vector<std::size_t> SomeBins(std::size_t n) {
  if (n <= 512) {
    return AllBins(n);
  }
  std::vector<std::size_t> bins = {0, 1, 2, n / 4, n / 2 - 1, n / 2, n / 2 + 1, n - 2, n - 1};
  for (std::size_t k = 3; k < n; k += n / 13 + 7) {
    bins.push_back(k);
  }
  return bins;
}

std::vector<TComplex> Bluestein(std::vector<TComplex> x, bool forward) {
  DftBluestein(x.data(), x.size(), forward);
  return x;
}

std::vector<TComplex> Radix2(std::vector<TComplex> x, int m, bool inverse) {
  FftRadix2(x.data(), m, inverse);
  return x;
}

TEST(Fft, BluesteinOfAnImpulseIsFlatAndTheInverseIsUnscaled) {
  std::vector<TComplex> x(5);
  x[0] = TComplex{1.0, 0.0};
  DftBluestein(x.data(), 5, true);
  for (const TComplex& v : x) {
    EXPECT_NEAR(v.Re, 1.0, 1e-14);
    EXPECT_NEAR(v.Im, 0.0, 1e-14);
  }
  DftBluestein(x.data(), 5, false);
  EXPECT_NEAR(x[0].Re, 5.0, 1e-14);
  EXPECT_NEAR(x[0].Im, 0.0, 1e-14);
  for (std::size_t k = 1; k < 5; ++k) {
    EXPECT_NEAR(Abs(x[k]), 0.0, 1e-14) << k;
  }
}

// A tone e^(+j 2 pi 2 n / 7) sits at bin 2 of the forward transform (negative exponent), at
// bin 5 = -2 of the inverse. A chirp convolution read backwards gives the mirror bins instead.
TEST(Fft, BluesteinSignFollowsTheForwardConvention) {
  std::vector<TComplex> tone(7);
  for (std::size_t n = 0; n < 7; ++n) {
    tone[n] = Polar(1.0, 2.0 * std::numbers::pi * 2.0 * static_cast<double>(n) / 7.0);
  }
  const std::vector<TComplex> forward = Bluestein(tone, true);
  const std::vector<TComplex> inverse = Bluestein(tone, false);
  for (std::size_t k = 0; k < 7; ++k) {
    EXPECT_NEAR(forward[k].Re, k == 2 ? 7.0 : 0.0, 1e-13) << k;
    EXPECT_NEAR(forward[k].Im, 0.0, 1e-13) << k;
    EXPECT_NEAR(inverse[k].Re, k == 5 ? 7.0 : 0.0, 1e-13) << k;
    EXPECT_NEAR(inverse[k].Im, 0.0, 1e-13) << k;
  }
}

TEST(Fft, BluesteinOfOneValueLeavesItAndOfNoneDoesNothing) {
  TComplex x{0.25, -3.5};
  DftBluestein(&x, 1, true);
  EXPECT_EQ(x, (TComplex{0.25, -3.5}));
  DftBluestein(&x, 1, false);
  EXPECT_EQ(x, (TComplex{0.25, -3.5}));
  DftBluestein(&x, 0, true);
  EXPECT_EQ(x, (TComplex{0.25, -3.5}));
}

TEST(Fft, BluesteinMatchesThePlainSumForOddAndPrimeLengths) {
  for (std::size_t n : {2u, 3u, 5u, 7u, 9u, 11u, 13u, 15u, 17u, 97u, 101u, 127u, 201u, 255u,
                        257u, 401u, 1009u}) {
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(n));
    for (bool forward : {true, false}) {
      const double error = MaxError(x, Bluestein(x, forward), AllBins(n), forward);
      EXPECT_LE(error, 1e-13 * Norm(x)) << "length " << n << (forward ? " forward" : " inverse");
    }
  }
}

TEST(Fft, BluesteinMatchesThePlainSumForLongLengths) {
  for (std::size_t n : {1601u, 3202u, 16001u, 32002u}) {
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(n));
    for (bool forward : {true, false}) {
      const double error = MaxError(x, Bluestein(x, forward), SomeBins(n), forward);
      EXPECT_LE(error, 1e-12 * Norm(x)) << "length " << n << (forward ? " forward" : " inverse");
    }
  }
}

TEST(Fft, Radix2MatchesThePlainSum) {
  for (int m = 1; m <= 16; ++m) {
    const std::size_t n = std::size_t{1} << m;
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(100 + m));
    for (bool inverse : {false, true}) {
      const double error = MaxError(x, Radix2(x, m, inverse), SomeBins(n), !inverse);
      EXPECT_LE(error, 1e-13 * Norm(x)) << "length " << n << (inverse ? " inverse" : " forward");
    }
  }
}

TEST(Fft, Radix2EqualsBluesteinOfTheSameLength) {
  for (int m : {1, 2, 3, 4, 7, 10}) {
    const std::size_t n = std::size_t{1} << m;
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(m));
    for (bool inverse : {false, true}) {
      const std::vector<TComplex> a = Radix2(x, m, inverse);
      const std::vector<TComplex> b = Bluestein(x, !inverse);
      for (std::size_t k = 0; k < n; ++k) {
        EXPECT_LE(Abs(a[k] - b[k]), 1e-13 * Norm(x)) << "length " << n << " bin " << k;
      }
    }
  }
}

TEST(Fft, ForwardThenInverseGivesLengthTimesTheInput) {
  for (std::size_t n : {1u, 2u, 3u, 6u, 8u, 100u, 201u, 402u, 1024u, 1601u, 4000u}) {
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(7 * n));
    const std::vector<TComplex> y = Bluestein(Bluestein(x, true), false);
    for (std::size_t i = 0; i < n; ++i) {
      EXPECT_LE(Abs(y[i] - x[i] * static_cast<double>(n)), 1e-12 * n * Norm(x)) << n << " " << i;
    }
  }
  for (int m = 1; m <= 17; ++m) {
    const std::size_t n = std::size_t{1} << m;
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(m));
    const std::vector<TComplex> y = Radix2(Radix2(x, m, false), m, true);
    double worst = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      worst = std::max(worst, Abs(y[i] - x[i] * static_cast<double>(n)));
    }
    EXPECT_LE(worst, 1e-13 * static_cast<double>(n) * Norm(x)) << "length " << n;
  }
}

// A trace, its memory and their gates use a few lengths in turn: every one stays cached and
// correct, and a fifth length replaces the least recently used one without harm.
TEST(Fft, AlternatingLengthsStayCachedAndCorrect) {
  const std::size_t lengths[] = {201, 401, 402, 802};
  for (std::size_t n : lengths) {
    std::vector<TComplex> x = RandomVector(n, 1);
    DftBluestein(x.data(), n, true);
    DftBluestein(x.data(), n, false);
  }
  const std::size_t builds = BluesteinTableBuilds();
  for (int round = 0; round < 3; ++round) {
    for (std::size_t n : lengths) {
      const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(round + n));
      for (bool forward : {true, false}) {
        EXPECT_LE(MaxError(x, Bluestein(x, forward), SomeBins(n), forward), 1e-13 * Norm(x))
            << "length " << n;
      }
    }
  }
  EXPECT_EQ(BluesteinTableBuilds(), builds);

  // A fifth length, then the first four again: each still transforms correctly.
  for (std::size_t n : {203u, 201u, 401u, 402u, 802u}) {
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(3 * n));
    EXPECT_LE(MaxError(x, Bluestein(x, true), SomeBins(n), true), 1e-13 * Norm(x)) << n;
  }
}

// The twiddle table serves every shorter power of two; a table rebuilt short (or long) by hand
// changes no result.
TEST(Fft, TwiddleTableServesShorterLengthsAndRebuilds) {
  const std::vector<TComplex>& table = BuildTwiddleTable(8);
  ASSERT_EQ(table.size(), 8u);
  EXPECT_EQ(table[0], (TComplex{1.0, 0.0}));
  EXPECT_EQ(table[4], (TComplex{0.0, -1.0}));
  for (std::size_t k = 0; k < 8; ++k) {
    const TComplex expected = Polar(1.0, -std::numbers::pi * static_cast<double>(k) / 8.0);
    EXPECT_LE(Abs(table[k] - expected), 1e-16) << k;
  }
  const std::vector<TComplex>& longer = BuildTwiddleTable(std::size_t{1} << 15);
  for (std::size_t k = 0; k < longer.size(); k += 997) {
    const TComplex expected =
        Polar(1.0, -std::numbers::pi * static_cast<double>(k) / static_cast<double>(longer.size()));
    EXPECT_LE(Abs(longer[k] - expected), 4e-16) << k;
  }
  for (int m : {3, 11, 16, 5}) {
    const std::size_t n = std::size_t{1} << m;
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(m));
    EXPECT_LE(MaxError(x, Radix2(x, m, false), SomeBins(n), true), 1e-13 * Norm(x)) << n;
  }
}

// Where the processor has AVX2 the butterflies use it; the portable code must give the very same
// numbers (and, where there is no AVX2, this compares the portable code with itself).
TEST(Fft, PortableButterfliesAgreeBitForBit) {
  struct TRestore {
    ~TRestore() { FftAllowAvx2(true); }
  } restore;
  for (std::size_t n :
       {2u, 4u, 8u, 64u, 512u, 2048u, 4096u, 8192u, 65536u, 3u, 201u, 402u, 3202u}) {
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(n + 5));
    int m = 0;
    while ((std::size_t{1} << m) < n) {
      ++m;
    }
    const bool power = (std::size_t{1} << m) == n;
    for (bool inverse : {false, true}) {
      FftAllowAvx2(true);
      const std::vector<TComplex> wide = power ? Radix2(x, m, inverse) : Bluestein(x, !inverse);
      FftAllowAvx2(false);
      EXPECT_FALSE(FftUsesAvx2());
      const std::vector<TComplex> narrow = power ? Radix2(x, m, inverse) : Bluestein(x, !inverse);
      EXPECT_EQ(wide, narrow) << "length " << n << (inverse ? " inverse" : " forward");
      EXPECT_LE(MaxError(x, narrow, SomeBins(n), !inverse), 1e-13 * Norm(x)) << "length " << n;
    }
  }
}

}  // namespace
