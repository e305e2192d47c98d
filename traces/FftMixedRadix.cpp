// Transforms of lengths made of the primes 2, 3, 5, 7, 11 and 13, as a sequence of self-sorting
// (Stockham) passes, one per radix (16, 8, 4, 2 for the power of two; 25, 13, 11, 9, 7, 5, 3 for
// the rest). A pass of radix R at length n = R m with block b (the product of the radices before
// it) reads rows p + k m and writes rows R p + j, each row b contiguous values, so that every
// inner loop runs over contiguous values and works on whole vectors, and the result comes out in
// natural order without a permutation. The passes go back and forth between the data and one
// work buffer; the last one, a single butterfly position, can run in place, so the result ends
// in the data without a copy. The first pass (block 1) takes two butterfly positions per vector.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "traces/Fft.h"

// Multiply-adds fuse where the processor has them (the vector code), which saves work and
// rounding alike.
#pragma GCC optimize("fp-contract=fast")

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

// cos and sin of 2 pi q / R for q < R, the constants of the butterflies, worked out by the
// compiler: the angle is brought within pi/4 of a multiple of pi/2 exactly (as a fraction) and the
// series are summed in long double, so every constant is the double nearest the true value or
// next to it.
template <int R>
struct TRoots {
  std::array<double, R> Cos{};
  std::array<double, R> Sin{};
};

template <int R>
constexpr TRoots<R> RootsOf() {
  constexpr long double pi = 3.141592653589793238462643383279502884L;
  TRoots<R> t;
  #pragma GCC unroll 32
  for (int q = 0; q < R; ++q) {
    const int k = (8 * q + R) / (2 * R);  // the nearest multiple of pi/2: round(4q / R)
    const long double r = pi * static_cast<long double>(4 * q - k * R) / static_cast<long double>(2 * R);
    long double c = 1.0L;
    long double sn = r;
    long double termC = 1.0L;
    long double termS = r;
    for (int i = 1; i < 14; ++i) {
      termC *= -r * r / static_cast<long double>((2 * i - 1) * (2 * i));
      termS *= -r * r / static_cast<long double>((2 * i) * (2 * i + 1));
      c += termC;
      sn += termS;
    }
    const long double cosine[4] = {c, -sn, -c, sn};
    const long double sine[4] = {sn, c, -sn, -c};
    t.Cos[static_cast<std::size_t>(q)] = static_cast<double>(cosine[k % 4]);
    t.Sin[static_cast<std::size_t>(q)] = static_cast<double>(sine[k % 4]);
  }
  return t;
}

// The two factors of a radix made of two butterflies (9 = 3 x 3, 16 = 4 x 4, 25 = 5 x 5); 1 for
// the others.
constexpr int InnerRadix(int R) { return R == 9 ? 3 : R == 16 ? 4 : R == 25 ? 5 : 1; }

// The R-point transform of a[0..R) into b[0..R). Odd R pairs a_k with a_(R-k): with
// t_k = a_k + a_(R-k) and u_k = a_k - a_(R-k), b_j = a_0 + sum cos(2 pi jk/R) t_k -+ j sum
// sin(2 pi jk/R) u_k, and b_(R-j) the same with the other sign. A radix R1 R2 runs R2
// transforms of R1 points, the factors e^(-+j 2 pi r k1 / R), then R1 transforms of R2 points.
template <int R, int C, bool Inverse>
TERVAN_INLINE void Butterfly(const Lane<C>* a, Lane<C>* b) {
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
  } else if constexpr (R == 8) {
    Lane<C> e[4];
    Lane<C> o[4];
    const Lane<C> ev[4] = {a[0], a[2], a[4], a[6]};
    const Lane<C> od[4] = {a[1], a[3], a[5], a[7]};
    Butterfly<4, C, Inverse>(ev, e);
    Butterfly<4, C, Inverse>(od, o);
    // o_k times e^(-+j 2 pi k / 8): 1, (1 -+ j) r, -+j, (-1 -+ j) r with r = 1 / sqrt 2.
    constexpr double r = 0.70710678118654752440;
    const Lane<C> o1 = (o[1] + MinusJ<C, Inverse>(o[1])) * r;
    const Lane<C> o2 = MinusJ<C, Inverse>(o[2]);
    const Lane<C> o3 = (MinusJ<C, Inverse>(o[3]) - o[3]) * r;
    b[0] = e[0] + o[0];
    b[4] = e[0] - o[0];
    b[1] = e[1] + o1;
    b[5] = e[1] - o1;
    b[2] = e[2] + o2;
    b[6] = e[2] - o2;
    b[3] = e[3] + o3;
    b[7] = e[3] - o3;
  } else if constexpr (InnerRadix(R) > 1) {
    constexpr int R1 = InnerRadix(R);
    constexpr int R2 = R / R1;
    Lane<C> inner[R2][R1];
    #pragma GCC unroll 32
    for (int r = 0; r < R2; ++r) {
      Lane<C> in[R1];
      #pragma GCC unroll 32
      for (int q = 0; q < R1; ++q) in[q] = a[r + R2 * q];
      Butterfly<R1, C, Inverse>(in, inner[r]);
    }
    constexpr TRoots<R> roots = RootsOf<R>();
    #pragma GCC unroll 32
    for (int r = 1; r < R2; ++r) {
      #pragma GCC unroll 32
      for (int k1 = 1; k1 < R1; ++k1) {
        const int q = (r * k1) % R;
        inner[r][k1] = Turn<C>(inner[r][k1], Spread<C, Inverse>(TComplex{roots.Cos[q], -roots.Sin[q]}));
      }
    }
    #pragma GCC unroll 32
    for (int k1 = 0; k1 < R1; ++k1) {
      Lane<C> col[R2];
      Lane<C> out[R2];
      #pragma GCC unroll 32
      for (int r = 0; r < R2; ++r) col[r] = inner[r][k1];
      Butterfly<R2, C, Inverse>(col, out);
      #pragma GCC unroll 32
      for (int k2 = 0; k2 < R2; ++k2) b[k1 + R1 * k2] = out[k2];
    }
  } else {
    constexpr TRoots<R> roots = RootsOf<R>();
    constexpr int H = (R - 1) / 2;
    Lane<C> t[H];
    Lane<C> u[H];
    Lane<C> sum = a[0];
    #pragma GCC unroll 32
    for (int k = 1; k <= H; ++k) {
      t[k - 1] = a[k] + a[R - k];
      u[k - 1] = a[k] - a[R - k];
      sum += t[k - 1];
    }
    b[0] = sum;
    #pragma GCC unroll 32
    for (int j = 1; j <= H; ++j) {
      Lane<C> A = a[0];
      Lane<C> B = u[0] * roots.Sin[j % R];
      A += t[0] * roots.Cos[j % R];
      #pragma GCC unroll 32
      for (int k = 2; k <= H; ++k) {
        A += t[k - 1] * roots.Cos[(j * k) % R];
        B += u[k - 1] * roots.Sin[(j * k) % R];
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
  for (std::size_t p = 0; p < m; ++p) {
    const TComplex* in = x + p * block;
    TComplex* out = y + R * p * block;
    const TComplex* wp = tw + (R - 1) * p;  // factor of out row j at wp[j - 1]
    TTwiddle<C> w[R];
    #pragma GCC unroll 32
    for (int j = 1; j < R; ++j) w[j] = Spread<C, Inverse>(wp[j - 1]);
    std::size_t c = 0;
    for (; c + C <= block; c += C) {
      Lane<C> a[R];
      Lane<C> b[R];
      #pragma GCC unroll 32
      for (int k = 0; k < R; ++k) a[k] = LoadLane<C>(in + static_cast<std::size_t>(k) * m * block + c);
      Butterfly<R, C, Inverse>(a, b);
      StoreLane<C>(out + c, b[0]);
      if (p == 0) {
        #pragma GCC unroll 32
        for (int j = 1; j < R; ++j) StoreLane<C>(out + static_cast<std::size_t>(j) * block + c, b[j]);
      } else {
        #pragma GCC unroll 32
        for (int j = 1; j < R; ++j) StoreLane<C>(out + static_cast<std::size_t>(j) * block + c, Turn<C>(b[j], w[j]));
      }
    }
    if constexpr (C > 1) {
      for (; c < block; ++c) {
        Lane<1> a[R];
        Lane<1> b[R];
        #pragma GCC unroll 32
        for (int k = 0; k < R; ++k) a[k] = LoadLane<1>(in + static_cast<std::size_t>(k) * m * block + c);
        Butterfly<R, 1, Inverse>(a, b);
        StoreLane<1>(out + c, b[0]);
        #pragma GCC unroll 32
        for (int j = 1; j < R; ++j) {
          StoreLane<1>(out + static_cast<std::size_t>(j) * block + c, Turn<1>(b[j], Spread<1, Inverse>(wp[j - 1])));
        }
      }
    }
  }
}

// The first pass, where the block is one value: two butterfly positions p, p + 1 at a time,
// one per half of a vector (their inputs sit side by side in every input row). The factors of
// this pass are listed per output row: w^(j p) at tw[(j - 1) m + p].
template <int R, bool Inverse>
TERVAN_INLINE void FirstPassPairs(const TComplex* x, TComplex* y, std::size_t n, const TComplex* tw) {
  const std::size_t m = n / R;
  const Lane<2> sign = Inverse ? TLane<2>::Pair(1.0, -1.0) : TLane<2>::Pair(-1.0, 1.0);
  std::size_t p = 0;
  for (; p + 2 <= m; p += 2) {
    Lane<2> a[R];
    Lane<2> b[R];
    #pragma GCC unroll 32
    for (int k = 0; k < R; ++k) a[k] = LoadLane<2>(x + p + static_cast<std::size_t>(k) * m);
    Butterfly<R, 2, Inverse>(a, b);
    TComplex* out = y + R * p;
    StoreLane<1>(out, __builtin_shufflevector(b[0], b[0], 0, 1));
    StoreLane<1>(out + R, __builtin_shufflevector(b[0], b[0], 2, 3));
    #pragma GCC unroll 32
    for (int j = 1; j < R; ++j) {
      const Lane<2> w = LoadLane<2>(tw + static_cast<std::size_t>(j - 1) * m + p);
      const Lane<2> re = __builtin_shufflevector(w, w, 0, 0, 2, 2);
      const Lane<2> im = __builtin_shufflevector(w, w, 1, 1, 3, 3) * sign;
      const Lane<2> t = b[j] * re + TLane<2>::Swap(b[j]) * im;
      StoreLane<1>(out + j, __builtin_shufflevector(t, t, 0, 1));
      StoreLane<1>(out + R + j, __builtin_shufflevector(t, t, 2, 3));
    }
  }
  for (; p < m; ++p) {
    Lane<1> a[R];
    Lane<1> b[R];
    #pragma GCC unroll 32
    for (int k = 0; k < R; ++k) a[k] = LoadLane<1>(x + p + static_cast<std::size_t>(k) * m);
    Butterfly<R, 1, Inverse>(a, b);
    TComplex* out = y + R * p;
    StoreLane<1>(out, b[0]);
    #pragma GCC unroll 32
    for (int j = 1; j < R; ++j) {
      StoreLane<1>(out + j, Turn<1>(b[j], Spread<1, Inverse>(tw[static_cast<std::size_t>(j - 1) * m + p])));
    }
  }
}

// One pass of a plan.
struct TPass {
  int Radix = 0;
  std::size_t Length = 0;    // n at this pass
  std::size_t Block = 0;     // contiguous values per butterfly position
  std::size_t Twiddles = 0;  // offset of its factors in TMixedPlan::Twiddles
};

// The passes with their factors laid out as PassOf reads them, (R - 1) per p. The first pass
// (block 1) of the vector code reads its own copy, laid out per output row.
template <int C, bool Inverse>
TERVAN_INLINE void RunPass(const TPass& pass, const TComplex* x, TComplex* y, const TComplex* tw,
                           const TComplex* firstTw) {
  if constexpr (C == 2) {
    if (pass.Block == 1) {
      switch (pass.Radix) {
        case 2: FirstPassPairs<2, Inverse>(x, y, pass.Length, firstTw); return;
        case 4: FirstPassPairs<4, Inverse>(x, y, pass.Length, firstTw); return;
        case 8: FirstPassPairs<8, Inverse>(x, y, pass.Length, firstTw); return;
        case 25: FirstPassPairs<25, Inverse>(x, y, pass.Length, firstTw); return;
        case 16: FirstPassPairs<16, Inverse>(x, y, pass.Length, firstTw); return;
        case 9: FirstPassPairs<9, Inverse>(x, y, pass.Length, firstTw); return;
        case 3: FirstPassPairs<3, Inverse>(x, y, pass.Length, firstTw); return;
        case 5: FirstPassPairs<5, Inverse>(x, y, pass.Length, firstTw); return;
        case 7: FirstPassPairs<7, Inverse>(x, y, pass.Length, firstTw); return;
        case 11: FirstPassPairs<11, Inverse>(x, y, pass.Length, firstTw); return;
        case 13: FirstPassPairs<13, Inverse>(x, y, pass.Length, firstTw); return;
        default: return;
      }
    }
  }
  switch (pass.Radix) {
    case 2: PassOf<2, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 4: PassOf<4, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 8: PassOf<8, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 25: PassOf<25, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 16: PassOf<16, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
    case 9: PassOf<9, C, Inverse>(x, y, pass.Length, pass.Block, tw); break;
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
  std::vector<TPass> Passes;
  std::vector<TComplex> Twiddles;
  std::vector<TComplex> FirstTwiddles;  // the first pass's factors, per output row
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

// The radices of n: the power of two in passes of 16 and 8 (4 or 2 for what is left), the rest
// by 25, 13, 11, 9, 7, 5 and 3, the largest first; fewer passes mean fewer trips through memory.
std::vector<int> Radices(std::size_t n) {
  std::vector<int> radices;
  int bits = std::countr_zero(n);
  n >>= bits;
  while (bits > 0) {
    int take = bits < 4 ? bits : 4;
    if (take == 4 && bits == 5) take = 3;  // 8 x 4 rather than 16 x 2
    radices.push_back(1 << take);
    bits -= take;
  }
  for (int R : {25, 13, 11, 9, 7, 5, 3}) {
    while (n % static_cast<std::size_t>(R) == 0) {
      radices.push_back(R);
      n /= static_cast<std::size_t>(R);
    }
  }
  return radices;
}

void BuildPlan(TMixedPlan& plan, std::size_t N) {
  plan.N = N;
  plan.Passes.clear();
  plan.Twiddles.clear();
  plan.FirstTwiddles.clear();
  std::size_t n = N;
  std::size_t block = 1;
  for (int R : Radices(N)) {
    TPass pass;
    pass.Radix = R;
    pass.Length = n;
    pass.Block = block;
    pass.Twiddles = plan.Twiddles.size();
    const std::size_t m = n / static_cast<std::size_t>(R);
    for (std::size_t p = 0; p < m; ++p) {
      #pragma GCC unroll 32
      for (int j = 1; j < R; ++j) plan.Twiddles.push_back(Root(static_cast<std::uint64_t>(j) * p, n));
    }
    if (block == 1) {
      #pragma GCC unroll 32
      for (int j = 1; j < R; ++j) {
        for (std::size_t p = 0; p < m; ++p) plan.FirstTwiddles.push_back(Root(static_cast<std::uint64_t>(j) * p, n));
      }
    }
    plan.Passes.push_back(pass);
    n = m;
    block *= static_cast<std::size_t>(R);
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

// The passes from x through the work buffer and back; an odd number of passes leaves the result
// in the work buffer, and one copy brings it home.
template <int C, bool Inverse>
TERVAN_INLINE void Run(TComplex* x, TComplex* work, const TMixedPlan& plan) {
  TComplex* from = x;
  TComplex* to = work;
  const TComplex* tw = plan.Twiddles.data();
  const std::size_t count = plan.Passes.size();
  for (std::size_t i = 0; i < count; ++i) {
    const TPass& pass = plan.Passes[i];
    // The last pass (one butterfly position, factors all 1) writes each column where it read
    // it, so it may run in place: then the passes end where they began, in x.
    if (i + 1 == count && from == x && pass.Length == static_cast<std::size_t>(pass.Radix)) {
      RunPass<C, Inverse>(pass, from, from, tw + pass.Twiddles, plan.FirstTwiddles.data());
      return;
    }
    RunPass<C, Inverse>(pass, from, to, tw + pass.Twiddles, plan.FirstTwiddles.data());
    std::swap(from, to);
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
__attribute__((target("avx2,fma"))) void RunAvx2(TComplex* x, TComplex* work, const TMixedPlan& plan, bool inverse) {
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
  static const bool fma = __builtin_cpu_supports("fma");
  if (fma && FftUsesAvx2()) {
    RunAvx2(x, work.data(), plan, !forward);
    return true;
  }
#endif
  RunPortable(x, work.data(), plan, !forward);
  return true;
}
