// The mixed-radix transform (lengths made of 2, 3, 5, 7, 11 and 13) against the plain discrete
// Fourier sum and numpy, on both the vector and the portable butterflies, and the choice of the
// any-length transform between it, the radix-2 transform and the chirp method.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "traces/Fft.h"

namespace {

std::vector<TComplex> RandomVector(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<TComplex> x(n);
  for (TComplex& v : x) v = TComplex{u(rng), u(rng)};
  return x;
}

double Norm(const std::vector<TComplex>& x) {
  double s = 0.0;
  for (const TComplex& v : x) s += v.Re * v.Re + v.Im * v.Im;
  return std::sqrt(s);
}

// Bin k of the plain sum in long double, the angle reduced exactly.
TComplex DirectBin(const std::vector<TComplex>& x, std::size_t k, bool forward) {
  const std::size_t n = x.size();
  const long double pi = 3.141592653589793238462643383279502884L;
  long double re = 0.0L;
  long double im = 0.0L;
  for (std::size_t i = 0; i < n; ++i) {
    const long double angle = (forward ? -2.0L : 2.0L) * pi * static_cast<long double>((i * k) % n) / n;
    const long double c = std::cos(angle);
    const long double s = std::sin(angle);
    re += x[i].Re * c - x[i].Im * s;
    im += x[i].Re * s + x[i].Im * c;
  }
  return TComplex{static_cast<double>(re), static_cast<double>(im)};
}

// Every bin of a short transform; ends, middle and a stride of a long one.
std::vector<std::size_t> Bins(std::size_t n) {
  std::vector<std::size_t> bins;
  if (n <= 600) {
    for (std::size_t k = 0; k < n; ++k) bins.push_back(k);
    return bins;
  }
  bins = {0, 1, 2, n / 2 - 1, n / 2, n / 2 + 1, n - 2, n - 1};
  for (std::size_t k = 3; k < n; k += n / 29 + 5) bins.push_back(k);
  return bins;
}

double MaxError(const std::vector<TComplex>& x, const std::vector<TComplex>& y, bool forward) {
  double worst = 0.0;
  for (std::size_t k : Bins(x.size())) worst = std::max(worst, Abs(y[k] - DirectBin(x, k, forward)));
  return worst;
}

// Lengths of every radix alone, in pairs, odd ones (no power of two), one 2 with a long odd rest,
// and the lengths of the time domain's sweeps.
const std::size_t kMixedLengths[] = {1,    2,    3,    4,    5,    7,     11,    12,    13,    25,   27,
                                     49,   121,  169,  6,    10,   14,    22,    26,    15,    105,  1155,
                                     2002, 1000, 2000, 3200, 4096, 20000, 10010, 3003,  1024, 18};

struct TAvx2Guard {
  ~TAvx2Guard() { FftAllowAvx2(true); }
};

}  // namespace

TEST(FftMixedRadix, MatchesThePlainSumForwardAndInverse) {
  TAvx2Guard guard;
  for (bool avx2 : {true, false}) {
    FftAllowAvx2(avx2);
    for (std::size_t n : kMixedLengths) {
      ASSERT_TRUE(IsMixedRadixLength(n)) << n;
      const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(n + 17));
      for (bool forward : {true, false}) {
        std::vector<TComplex> y = x;
        ASSERT_TRUE(DftMixedRadix(y.data(), n, forward)) << n;
        EXPECT_LE(MaxError(x, y, forward), 1e-13 * Norm(x))
            << "length " << n << (forward ? " forward" : " inverse") << (avx2 ? "" : " portable");
      }
    }
  }
}

// Repeated calls on cached plans, several lengths in turn (more than the cache holds), forward
// then inverse: N times the input every time.
TEST(FftMixedRadix, RoundTripsThroughTheCacheGiveLengthTimesTheInput) {
  for (int round = 0; round < 2; ++round) {
    for (std::size_t n : {1000u, 2002u, 60u, 3200u, 1000u, 75u, 2002u}) {
      const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(round * 7 + n));
      std::vector<TComplex> y = x;
      ASSERT_TRUE(DftMixedRadix(y.data(), n, true));
      ASSERT_TRUE(DftMixedRadix(y.data(), n, false));
      double worst = 0.0;
      for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, Abs(y[i] - x[i] * static_cast<double>(n)));
      EXPECT_LE(worst, 1e-13 * static_cast<double>(n) * Norm(x)) << "length " << n;
    }
  }
}

// Lengths with another prime factor are not taken and stay untouched; the any-length transform
// carries them by the chirp method, and every length by whichever path is its own.
TEST(FftMixedRadix, OtherPrimesGoToTheChirpMethod) {
  for (std::size_t n : {0u, 17u, 34u, 402u, 10007u, 2 * 16001u, 65521u}) {
    EXPECT_FALSE(IsMixedRadixLength(n)) << n;
    std::vector<TComplex> x = RandomVector(n, 3);
    const std::vector<TComplex> before = x;
    EXPECT_FALSE(DftMixedRadix(x.data(), n, true)) << n;
    EXPECT_EQ(before, x) << n;
  }
  for (std::size_t n : {10007u, 2002u, 1000u, 17u, 4096u, 3u, 402u}) {
    const std::vector<TComplex> x = RandomVector(n, static_cast<unsigned>(n));
    for (bool forward : {true, false}) {
      std::vector<TComplex> y = x;
      DftBluestein(y.data(), n, forward);
      EXPECT_LE(MaxError(x, y, forward), 1e-13 * Norm(x)) << "length " << n << (forward ? " forward" : " inverse");
    }
  }
}

// numpy's numbers for the mixed-radix lengths of the peer file (tests/peer/fft.py), to 1e-13 of
// the input's norm.
TEST(FftMixedRadix, MatchesNumpy) {
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/fft.txt");
  ASSERT_TRUE(in.good());
  struct TBin {
    std::string Kind;
    std::size_t N;
    std::size_t K;
    TComplex Value;
  };
  std::vector<TBin> bins;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    TBin b;
    if (!(words >> b.Kind) || (b.Kind != "fft" && b.Kind != "ifft")) continue;
    words >> b.N >> b.K >> b.Value.Re >> b.Value.Im;
    ASSERT_FALSE(words.fail()) << line;
    if (IsMixedRadixLength(b.N) && (b.N & (b.N - 1)) != 0) bins.push_back(b);
  }
  std::size_t lengths = 0;
  std::size_t last = 0;
  std::vector<TComplex> y;
  std::vector<TComplex> x;
  std::string kind;
  for (const TBin& b : bins) {
    if (b.N != last || b.Kind != kind) {
      last = b.N;
      kind = b.Kind;
      ++lengths;
      // The input as the script makes it: s = N, then s = (s * 1103515245 + 12345) mod 2^31.
      std::uint64_t s = b.N;
      auto next = [&s] {
        s = (s * 1103515245u + 12345u) % 2147483648u;
        return static_cast<double>((s >> 8) % 2001) - 1000.0;
      };
      x.assign(b.N, TComplex{});
      for (TComplex& v : x) {
        v.Re = next();
        v.Im = next();
      }
      y = x;
      ASSERT_TRUE(DftMixedRadix(y.data(), b.N, b.Kind == "fft"));
    }
    EXPECT_LE(Abs(y[b.K] - b.Value), 1e-13 * Norm(x)) << b.Kind << " length " << b.N << " bin " << b.K;
  }
  EXPECT_EQ(lengths, 16u);  // 3, 5, 7, 12, 1000, 2002, 3200 and 60000, both directions
}
