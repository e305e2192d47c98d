// Transforms of lengths made of small primes: N = N1 N2 with N1 the power of two in N and N2 the
// rest (factors 3, 5, 7, 11, 13). The data, seen as N2 rows of N1 values (n = n1 + N1 n2), go
// through
//   1. the N2-point transforms of the N1 columns at once (radix 3 .. 13 passes over whole rows),
//   2. a transposition into N1 rows of N2 values, with the factors e^(-j 2 pi n1 k2 / N),
//   3. the N1-point transforms of the N2 columns at once (radix 4 and 2 passes),
// which leaves X[N2 k1 + k2] in natural order. Every pass is a self-sorting (Stockham) step from
// one buffer into the other, and within a pass every inner loop runs over a contiguous block, so
// that it works on whole vectors.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "traces/Fft.h"

namespace {

#pragma GCC diagnostic ignored "-Wpsabi"

template <int C>
struct TLane;

template <>
struct TLane<1> {
  using V = double __attribute__((vector_size(16)));
  [[gnu::always_inline]] static V Swap(const V& a) { return __builtin_shufflevector(a, a, 1, 0); }
  [[gnu::always_inline]] static V Pair(double a, double b) { return V{a, b}; }
};

template <>
struct TLane<2> {
  using V = double __attribute__((vector_size(32)));
  [[gnu::always_inline]] static V Swap(const V& a) { return __builtin_shufflevector(a, a, 1, 0, 3, 2); }
  [[gnu::always_inline]] static V Pair(double a, double b) { return V{a, b, a, b}; }
};

#define TERVAN_INLINE [[gnu::always_inline]] inline

template <int C>
using Lane = typename TLane<C>::V;

template <int C>
TERVAN_INLINE Lane<C> LoadLane(const TComplex* p) {
  Lane<C> v;
  std::memcpy(&v, static_cast<const void*>(p), sizeof v);
  return v;
}

template <int C>
TERVAN_INLINE void StoreLane(TComplex* p, const Lane<C>& v) {
  std::memcpy(static_cast<void*>(p), &v, sizeof v);
}

// -j a (forward) or +j a (inverse): exact.
template <int C, bool Inverse>
TERVAN_INLINE Lane<C> MinusJ(const Lane<C>& a) {
  return TLane<C>::Swap(a) * (Inverse ? TLane<C>::Pair(-1.0, 1.0) : TLane<C>::Pair(1.0, -1.0));
}

// A twiddle factor spread over a lane: a * w is a * re + swap(a) * im.
template <int C>
struct TTwiddle {
  Lane<C> Re;
  Lane<C> Im;
};

template <int C, bool Inverse>
TERVAN_INLINE TTwiddle<C> Spread(const TComplex& w) {
  const double im = Inverse ? -w.Im : w.Im;
  return {TLane<C>::Pair(w.Re, w.Re), TLane<C>::Pair(-im, im)};
}

template <int C>
TERVAN_INLINE Lane<C> Turn(const Lane<C>& a, const TTwiddle<C>& w) {
  return a * w.Re + TLane<C>::Swap(a) * w.Im;
}

// cos and sin of 2 pi q / R for q < R, for the odd radices.
struct TOddRoots {
  std::array<std::array<double, 13>, 14> Cos{};
  std::array<std::array<double, 13>, 14> Sin{};
};

const TOddRoots& OddRoots() {
  static const TOddRoots roots = [] {
    TOddRoots r;
    for (int R : {3, 5, 7, 11, 13}) {
      for (int q = 0; q < R; ++q) {
        const double angle = 2.0 * std::numbers::pi * q / R;
        r.Cos[static_cast<std::size_t>(R)][static_cast<std::size_t>(q)] = std::cos(angle);
        r.Sin[static_cast<std::size_t>(R)][static_cast<std::size_t>(q)] = std::sin(angle);
      }
    }
    return r;
  }();
  return roots;
}

// The R-point transform of a[0..R) into b[0..R). Odd R pairs a_k with a_(R-k): with
// t_k = a_k + a_(R-k) and u_k = a_k - a_(R-k), b_j = a_0 + sum cos(2 pi jk/R) t_k -+ j sum
// sin(2 pi jk/R) u_k, and b_(R-j) the same with the other sign.
template <int R, int C, bool Inverse>
TERVAN_INLINE void Butterfly(const Lane<C>* a, Lane<C>* b, [[maybe_unused]] const double* cs,
                             [[maybe_unused]] const double* sn) {
  if constexpr (R == 2) {
    b[0] = a[0] + a[1];
    b[1] = a[0] - a[1];
  } else if constexpr (R == 4) {
    const Lane<C> s02 = a[0] + a[2];
    const Lane<C> d02 = a[0] - a[2];
    const Lane<C> s13 = a[1] + a[3];
    const Lane<C> d13 = MinusJ<C, Inverse>(a[1] - a[3]);
    b[0] = s02 + s13;
    b[2] = s02 - s13;
    b[1] = d02 + d13;
    b[3] = d02 - d13;
  } else {
    constexpr int H = (R - 1) / 2;
    Lane<C> t[H];
    Lane<C> u[H];
    Lane<C> sum = a[0];
    for (int k = 1; k <= H; ++k) {
      t[k - 1] = a[k] + a[R - k];
      u[k - 1] = a[k] - a[R - k];
      sum += t[k - 1];
    }
    b[0] = sum;
    for (int j = 1; j <= H; ++j) {
      Lane<C> A = a[0];
      Lane<C> B = u[0] * sn[j % R];
      A += t[0] * cs[j % R];
      for (int k = 2; k <= H; ++k) {
        A += t[k - 1] * cs[(j * k) % R];
        B += u[k - 1] * sn[(j * k) % R];
      }
      const Lane<C> mjB = MinusJ<C, Inverse>(B);
      b[j] = A + mjB;
      b[R - j] = A - mjB;
    }
  }
}

// One self-sorting pass of radix R over rows: the transform length is n at this pass, the block
// (stride times row width) is the run of contiguous values that share a butterfly position.
// in row (p + k m), out row (R p + j), m = n / R; out row j takes w^(j p), w = e^(-j 2 pi / n),
// listed per p in tw[(R - 1) p + j - 1].
template <int R, int C, bool Inverse>
TERVAN_INLINE void PassOf(const TComplex* x, TComplex* y, std::size_t n, std::size_t block, const TComplex* tw) {
  const std::size_t m = n / R;
  const TOddRoots& roots = OddRoots();
  const double* cs = roots.Cos[R < 14 ? R : 0].data();
  const double* sn = roots.Sin[R < 14 ? R : 0].data();
  for (std::size_t p = 0; p < m; ++p) {
    const TComplex* in = x + p * block;
    TComplex* out = y + R * p * block;
    const TComplex* wp = tw + (R - 1) * p;  // factor of out row j at wp[j - 1]
    TTwiddle<C> w[R];
    for (int j = 1; j < R; ++j) w[j] = Spread<C, Inverse>(wp[j - 1]);
    std::size_t c = 0;
    for (; c + C <= block; c += C) {
      Lane<C> a[R];
      Lane<C> b[R];
      for (int k = 0; k < R; ++k) a[k] = LoadLane<C>(in + static_cast<std::size_t>(k) * m * block + c);
      Butterfly<R, C, Inverse>(a, b, cs, sn);
      StoreLane<C>(out + c, b[0]);
      if (p == 0) {
        for (int j = 1; j < R; ++j) StoreLane<C>(out + static_cast<std::size_t>(j) * block + c, b[j]);
      } else {
        for (int j = 1; j < R; ++j) StoreLane<C>(out + static_cast<std::size_t>(j) * block + c, Turn<C>(b[j], w[j]));
      }
    }
    if constexpr (C > 1) {
      for (; c < block; ++c) {
        Lane<1> a[R];
        Lane<1> b[R];
        for (int k = 0; k < R; ++k) a[k] = LoadLane<1>(in + static_cast<std::size_t>(k) * m * block + c);
        Butterfly<R, 1, Inverse>(a, b, cs, sn);
        StoreLane<1>(out + c, b[0]);
        for (int j = 1; j < R; ++j) {
          StoreLane<1>(out + static_cast<std::size_t>(j) * block + c, Turn<1>(b[j], Spread<1, Inverse>(wp[j - 1])));
        }
      }
    }
  }
}

// One pass of a plan.
struct TPass {
  int Radix = 0;
  std::size_t Length = 0;  // n at this pass
  std::size_t Block = 0;   // contiguous values per butterfly position
  std::size_t Twiddles = 0;  // offset of its factors in TMixedPlan::Twiddles
};

template <int C, bool Inverse>
TERVAN_INLINE void RunPass(const TPass& pass, const TComplex* x, TComplex* y, const TComplex* tw) {
  switch (pass.Radix) {
    case 2: PassOf<2, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 4: PassOf<4, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 3: PassOf<3, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 5: PassOf<5, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 7: PassOf<7, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 11: PassOf<11, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 13: PassOf<13, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    default: break;
  }
}

struct TMixedPlan {
  std::size_t N = 0;
  std::size_t N1 = 1;  // the power of two in N
  std::size_t N2 = 1;  // the rest
  std::vector<TPass> OddPasses;   // over N2 rows of N1 values
  std::vector<TPass> EvenPasses;  // over N1 rows of N2 values
  std::vector<TComplex> Twiddles;
  std::vector<TComplex> Cross;  // e^(-j 2 pi n1 k2 / N) at k2 N1 + n1
  std::uint64_t LastUse = 0;
};

constexpr std::size_t kMixedPlanCacheSize = 4;

struct TMixedCache {
  std::array<TMixedPlan, kMixedPlanCacheSize> Plans;
  std::vector<TComplex> Work;
  std::uint64_t Clock = 0;
};

TMixedCache& MixedCache() {
  static TMixedCache cache;
  return cache;
}

// e^(-j 2 pi q / n), q reduced below n so that the angle keeps its digits.
TComplex Root(std::uint64_t q, std::uint64_t n) {
  q %= n;
  const double angle = 2.0 * std::numbers::pi * static_cast<double>(q) / static_cast<double>(n);
  return {std::cos(angle), -std::sin(angle)};
}

// Appends the passes of the given radices, in order, for a transform of length over rows of
// width values, with their twiddle factors.
void AddPasses(TMixedPlan& plan, std::vector<TPass>& passes, const std::vector<int>& radices, std::size_t length,
               std::size_t width) {
  std::size_t n = length;
  std::size_t stride = 1;
  for (int R : radices) {
    TPass pass;
    pass.Radix = R;
    pass.Length = n;
    pass.Block = stride * width;
    pass.Twiddles = plan.Twiddles.size();
    const std::size_t m = n / static_cast<std::size_t>(R);
    for (std::size_t p = 0; p < m; ++p) {
      for (int j = 1; j < R; ++j) plan.Twiddles.push_back(Root(static_cast<std::uint64_t>(j) * p, n));
    }
    passes.push_back(pass);
    n = m;
    stride *= static_cast<std::size_t>(R);
  }
}

void BuildPlan(TMixedPlan& plan, std::size_t N) {
  plan.N = N;
  plan.N1 = N & (~N + 1);
  plan.N2 = N / plan.N1;
  plan.OddPasses.clear();
  plan.EvenPasses.clear();
  plan.Twiddles.clear();
  std::vector<int> odd;
  std::size_t rest = plan.N2;
  // Larger radices first: their passes run on the shorter blocks.
  for (int R : {13, 11, 7, 5, 3}) {
    while (rest % static_cast<std::size_t>(R) == 0) {
      odd.push_back(R);
      rest /= static_cast<std::size_t>(R);
    }
  }
  std::vector<int> even;
  for (std::size_t r = plan.N1; r > 1;) {
    const int R = r % 4 == 0 ? 4 : 2;
    even.push_back(R);
    r /= static_cast<std::size_t>(R);
  }
  AddPasses(plan, plan.OddPasses, odd, plan.N2, plan.N1);
  AddPasses(plan, plan.EvenPasses, even, plan.N1, plan.N2);
  plan.Cross.resize(plan.N1 > 1 ? N : 0);
  if (plan.N1 > 1) {
    for (std::size_t k2 = 0; k2 < plan.N2; ++k2) {
      for (std::size_t n1 = 0; n1 < plan.N1; ++n1) plan.Cross[k2 * plan.N1 + n1] = Root(n1 * k2, N);
    }
  }
}

TMixedPlan& MixedPlanFor(std::size_t N) {
  TMixedCache& cache = MixedCache();
  ++cache.Clock;
  TMixedPlan* oldest = &cache.Plans[0];
  for (TMixedPlan& plan : cache.Plans) {
    if (plan.N == N) {
      plan.LastUse = cache.Clock;
      return plan;
    }
    if (plan.LastUse < oldest->LastUse) oldest = &plan;
  }
  BuildPlan(*oldest, N);
  oldest->LastUse = cache.Clock;
  return *oldest;
}

// From N2 rows of N1 values y[k2 N1 + n1] to N1 rows of N2 values z[n1 N2 + k2], times the cross
// factors. Rows of y are read a few at a time so that the writes fill whole cache lines.
template <int C, bool Inverse>
TERVAN_INLINE void Transpose(const TComplex* y, TComplex* z, const TMixedPlan& plan) {
  const std::size_t N1 = plan.N1;
  const std::size_t N2 = plan.N2;
  const TComplex* cross = plan.Cross.data();
  constexpr std::size_t kTile = 4;
  std::size_t k2 = 0;
  for (; k2 + kTile <= N2; k2 += kTile) {
    for (std::size_t n1 = 0; n1 < N1; ++n1) {
      for (std::size_t t = 0; t < kTile; ++t) {
        const std::size_t from = (k2 + t) * N1 + n1;
        const Lane<1> v = LoadLane<1>(y + from);
        StoreLane<1>(z + n1 * N2 + k2 + t, Turn<1>(v, Spread<1, Inverse>(cross[from])));
      }
    }
  }
  for (; k2 < N2; ++k2) {
    for (std::size_t n1 = 0; n1 < N1; ++n1) {
      const std::size_t from = k2 * N1 + n1;
      StoreLane<1>(z + n1 * N2 + k2, Turn<1>(LoadLane<1>(y + from), Spread<1, Inverse>(cross[from])));
    }
  }
}

template <int C, bool Inverse>
TERVAN_INLINE void Run(TComplex* x, TComplex* work, const TMixedPlan& plan) {
  TComplex* from = x;
  TComplex* to = work;
  const TComplex* tw = plan.Twiddles.data();
  for (const TPass& pass : plan.OddPasses) {
    RunPass<C, Inverse>(pass, from, to, tw + pass.Twiddles);
    std::swap(from, to);
  }
  if (plan.N1 > 1) {
    Transpose<C, Inverse>(from, to, plan);
    std::swap(from, to);
    for (const TPass& pass : plan.EvenPasses) {
      RunPass<C, Inverse>(pass, from, to, tw + pass.Twiddles);
      std::swap(from, to);
    }
  }
  if (from != x) std::memcpy(static_cast<void*>(x), from, plan.N * sizeof(TComplex));
}

void RunPortable(TComplex* x, TComplex* work, const TMixedPlan& plan, bool inverse) {
  if (inverse) {
    Run<1, true>(x, work, plan);
  } else {
    Run<1, false>(x, work, plan);
  }
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TERVAN_MIXED_AVX2 1
__attribute__((target("avx2"))) void RunAvx2(TComplex* x, TComplex* work, const TMixedPlan& plan, bool inverse) {
  if (inverse) {
    Run<2, true>(x, work, plan);
  } else {
    Run<2, false>(x, work, plan);
  }
}
#endif

}  // namespace

bool IsMixedRadixLength(std::size_t n) {
  if (n == 0) return false;
  while (n % 2 == 0) n /= 2;
  for (std::size_t R : {3, 5, 7, 11, 13}) {
    while (n % R == 0) n /= R;
  }
  return n == 1;
}

bool DftMixedRadix(TComplex* x, std::size_t n, bool forward) {
  if (!IsMixedRadixLength(n)) return false;
  if (n == 1) return true;
  TMixedPlan& plan = MixedPlanFor(n);
  std::vector<TComplex>& work = MixedCache().Work;
  if (work.size() < n) work.resize(n);
#ifdef TERVAN_MIXED_AVX2
  if (FftUsesAvx2()) {
    RunAvx2(x, work.data(), plan, !forward);
    return true;
  }
#endif
  RunPortable(x, work.data(), plan, !forward);
  return true;
}
