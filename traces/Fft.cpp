#include "traces/Fft.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace {

// W_i = e^(-j pi / 2^i): every twiddle factor is a product of these.
const std::array<TComplex, 32>& RootTable() {
  static const std::array<TComplex, 32> table = [] {
    std::array<TComplex, 32> t{};
    t[0] = TComplex{-1.0, 0.0};
    t[1] = TComplex{0.0, -1.0};
    for (int i = 2; i < 32; ++i) {
      const double angle = std::ldexp(std::numbers::pi, -i);
      t[i] = TComplex{std::cos(angle), -std::sin(angle)};
    }
    return t;
  }();
  return table;
}

// Bytes with their bits in reverse order.
const std::array<std::uint8_t, 256>& ReversedBytes() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
      unsigned r = 0;
      for (int bit = 0; bit < 8; ++bit) {
        if (b & (1u << bit)) {
          r |= 0x80u >> bit;
        }
      }
      t[b] = static_cast<std::uint8_t>(r);
    }
    return t;
  }();
  return table;
}

inline std::uint32_t Reverse32(const std::array<std::uint8_t, 256>& rb, std::uint32_t v) {
  return (std::uint32_t{rb[v & 0xFFu]} << 24) | (std::uint32_t{rb[(v >> 8) & 0xFFu]} << 16) |
         (std::uint32_t{rb[(v >> 16) & 0xFFu]} << 8) | std::uint32_t{rb[v >> 24]};
}

// The twiddle factors. Table: entry k = e^(-j pi k / L) for the longest radix-2 length so far
// (N = 2L); a shorter power of two reads it with a stride. Passes: the same factors laid out in
// the order the radix-4 passes read them, for every pass span d = 4 .. L (see BuildPassTwiddles).
struct TTwiddles {
  std::vector<TComplex> Table;
  std::vector<TComplex> Passes;
};

TTwiddles& Twiddles() {
  static TTwiddles twiddles;
  return twiddles;
}

// Offset of the factors of the pass of span d in TTwiddles::Passes: 3 per j < d/2.
inline std::size_t PassOffset(std::size_t d) { return 3 * (d / 2 - 2); }

// Lays the table out per pass: for the pass of span d and w_j = e^(-j 2 pi j / 2d), the pairs
// j = 2p, 2p + 1 take the six entries 6p .. 6p + 5 as (w^2_j, w^2_j+1, w_j, w_j+1, w^3_j,
// w^3_j+1). Every entry is a table entry (or its negation, e^(-j pi) = -1).
void BuildPassTwiddles(TTwiddles& t) {
  const std::size_t L = t.Table.size();
  t.Passes.clear();
  if (L < 4) {
    return;
  }
  t.Passes.resize(PassOffset(2 * L));
  auto entry = [&](std::size_t k) {
    return k < L ? t.Table[k] : -t.Table[k - L];
  };
  for (std::size_t d = 4; d <= L; d *= 2) {
    TComplex* out = t.Passes.data() + PassOffset(d);
    const std::size_t step = L / d;
    for (std::size_t j = 0; j < d / 2; ++j) {
      TComplex* pair = out + 6 * (j / 2) + (j % 2);
      pair[0] = entry(2 * j * step);
      pair[2] = entry(j * step);
      pair[4] = entry(3 * j * step);
    }
  }
}

// The exchanges of the bit reversal of short lengths, 2^m values for m <= kListedBits, listed
// once: pairs (i, r) with i < r = reverse(i).
constexpr int kListedBits = 12;

const std::vector<std::uint32_t>& SwapList(int m) {
  static std::array<std::vector<std::uint32_t>, kListedBits + 1> lists;
  std::vector<std::uint32_t>& list = lists[static_cast<std::size_t>(m)];
  if (list.empty() && m >= 2) {
    const auto& rb = ReversedBytes();
    const std::uint32_t n = std::uint32_t{1} << m;
    for (std::uint32_t i = 1; i + 1 < n; ++i) {
      const std::uint32_t r = Reverse32(rb, i) >> (32 - m);
      if (i < r) {
        list.push_back(i);
        list.push_back(r);
      }
    }
  }
  return list;
}

// Exchanges every x[i] with x[reverse(i)], the 32-bit reversal of i (byte by byte through a
// table) shifted right by 32 - m. Long arrays are visited in tiles (the k low and the k high bits
// varying fastest), so that both sides of the exchanges stay within a few cache lines at a
// time; the order does not change the result.
void BitReverse(TComplex* x, int m) {
  if (m <= kListedBits) {
    const std::vector<std::uint32_t>& list = SwapList(m);
    for (std::size_t k = 0; k < list.size(); k += 2) {
      std::swap(x[list[k]], x[list[k + 1]]);
    }
    return;
  }
  const auto& rb = ReversedBytes();
  const int shift = 32 - m;
  constexpr int k = 3;
  const std::uint32_t tile = std::uint32_t{1} << k;
  const std::uint32_t middle = std::uint32_t{1} << (m - 2 * k);
  for (std::uint32_t b = 0; b < middle; ++b) {
    for (std::uint32_t a = 0; a < tile; ++a) {
      const std::uint32_t base = (a << (m - k)) | (b << k);
      for (std::uint32_t c = 0; c < tile; ++c) {
        const std::uint32_t i = base | c;
        const std::uint32_t r = Reverse32(rb, i) >> shift;
        if (i < r) {
          std::swap(x[i], x[r]);
        }
      }
    }
  }
}

// The butterflies work on vectors of C complex values (2C doubles: re, im, re, im, ...). The
// helpers are always inlined into the entry points, one of which is also compiled for AVX2;
// vectors never cross a call, so the ABI of wide vectors does not matter here.
#pragma GCC diagnostic ignored "-Wpsabi"

#define TERVAN_INLINE [[gnu::always_inline]] inline

template <int C>
struct TVec;

template <>
struct TVec<1> {
  using V = double __attribute__((vector_size(16)));
  [[gnu::always_inline]] static V Swap(const V& a) { return __builtin_shufflevector(a, a, 1, 0); }
  [[gnu::always_inline]] static V Re(const V& a) { return __builtin_shufflevector(a, a, 0, 0); }
  [[gnu::always_inline]] static V Im(const V& a) { return __builtin_shufflevector(a, a, 1, 1); }
  [[gnu::always_inline]] static V Signs(double s0, double s1) { return V{s0, s1}; }
};

template <>
struct TVec<2> {
  using V = double __attribute__((vector_size(32)));
  [[gnu::always_inline]] static V Swap(const V& a) {
    return __builtin_shufflevector(a, a, 1, 0, 3, 2);
  }
  [[gnu::always_inline]] static V Re(const V& a) {
    return __builtin_shufflevector(a, a, 0, 0, 2, 2);
  }
  [[gnu::always_inline]] static V Im(const V& a) {
    return __builtin_shufflevector(a, a, 1, 1, 3, 3);
  }
  [[gnu::always_inline]] static V Signs(double s0, double s1) { return V{s0, s1, s0, s1}; }
};

template <int C>
using Vec = typename TVec<C>::V;

template <int C>
TERVAN_INLINE Vec<C> Load(const TComplex* p) {
  Vec<C> v;
  std::memcpy(&v, static_cast<const void*>(p), sizeof v);
  return v;
}

template <int C>
TERVAN_INLINE void Store(TComplex* p, const Vec<C>& v) {
  std::memcpy(static_cast<void*>(p), &v, sizeof v);
}

// a times the C twiddle factors at w (conjugated for the inverse).
template <int C, bool Inverse>
TERVAN_INLINE Vec<C> MulTwiddle(const Vec<C>& a, const TComplex* w) {
  const Vec<C> t = Load<C>(w);
  const Vec<C> im = TVec<C>::Im(t) * (Inverse ? TVec<C>::Signs(1.0, -1.0)
                                              : TVec<C>::Signs(-1.0, 1.0));
  return a * TVec<C>::Re(t) + TVec<C>::Swap(a) * im;
}

// Multiplication by -j (forward) or +j (inverse): exact.
template <int C, bool Inverse>
TERVAN_INLINE Vec<C> QuarterTurn(const Vec<C>& a) {
  return TVec<C>::Swap(a) * (Inverse ? TVec<C>::Signs(-1.0, 1.0) : TVec<C>::Signs(1.0, -1.0));
}

// The stage of span 2 alone (twiddle 1).
TERVAN_INLINE void Radix2Trivial(TComplex* x, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 2) {
    const Vec<1> a = Load<1>(x + i);
    const Vec<1> b = Load<1>(x + i + 1);
    Store<1>(x + i, a + b);
    Store<1>(x + i + 1, a - b);
  }
}

// The stages of span 2 and 4 (twiddles 1 and a quarter turn), in either order of the data flow.
template <bool Inverse, bool Dif>
TERVAN_INLINE void Radix4Trivial(TComplex* x, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 4) {
    const Vec<1> p0 = Load<1>(x + i);
    const Vec<1> p1 = Load<1>(x + i + 1);
    const Vec<1> p2 = Load<1>(x + i + 2);
    const Vec<1> p3 = Load<1>(x + i + 3);
    if constexpr (Dif) {
      const Vec<1> a = p0 + p2;
      const Vec<1> b = p1 + p3;
      const Vec<1> e = p0 - p2;
      const Vec<1> f = QuarterTurn<1, Inverse>(p1 - p3);
      Store<1>(x + i, a + b);
      Store<1>(x + i + 1, a - b);
      Store<1>(x + i + 2, e + f);
      Store<1>(x + i + 3, e - f);
    } else {
      const Vec<1> a = p0 + p1;
      const Vec<1> b = p2 + p3;
      const Vec<1> e = p0 - p1;
      const Vec<1> f = QuarterTurn<1, Inverse>(p2 - p3);
      Store<1>(x + i, a + b);
      Store<1>(x + i + 2, a - b);
      Store<1>(x + i + 1, e + f);
      Store<1>(x + i + 3, e - f);
    }
  }
}

// One radix-4 pass, the stages of span d and 2d (d >= 4): for j < d/2, the values j, j + d/2,
// j + d and j + 3d/2 of each group of 2d take the twiddles w^2, w and w^3 of
// w = e^(-j 2 pi j / 2d), read in pairs of j from the pass's layout. Decimation in time (Dif
// false) twiddles the inputs, decimation in frequency the outputs.
template <int C, bool Inverse, bool Dif>
TERVAN_INLINE void Radix4Pass(TComplex* x, std::size_t n, std::size_t d, const TComplex* w) {
  const std::size_t half = d / 2;
  for (std::size_t g = 0; g < n; g += 2 * d) {
    TComplex* x0 = x + g;
    TComplex* x1 = x0 + half;
    TComplex* x2 = x0 + d;
    TComplex* x3 = x2 + half;
    const TComplex* pair = w;
    for (std::size_t j = 0; j < half; j += 2, pair += 6) {
      for (std::size_t c = 0; c < 2; c += C) {
        const std::size_t i = j + c;
        const Vec<C> p0 = Load<C>(x0 + i);
        if constexpr (Dif) {
          const Vec<C> p1 = Load<C>(x1 + i);
          const Vec<C> p2 = Load<C>(x2 + i);
          const Vec<C> p3 = Load<C>(x3 + i);
          const Vec<C> a = p0 + p2;
          const Vec<C> b = p1 + p3;
          const Vec<C> e = p0 - p2;
          const Vec<C> f = QuarterTurn<C, Inverse>(p1 - p3);
          Store<C>(x0 + i, a + b);
          Store<C>(x1 + i, MulTwiddle<C, Inverse>(a - b, pair + c));
          Store<C>(x2 + i, MulTwiddle<C, Inverse>(e + f, pair + 2 + c));
          Store<C>(x3 + i, MulTwiddle<C, Inverse>(e - f, pair + 4 + c));
        } else {
          const Vec<C> b1 = MulTwiddle<C, Inverse>(Load<C>(x1 + i), pair + c);
          const Vec<C> b2 = MulTwiddle<C, Inverse>(Load<C>(x2 + i), pair + 2 + c);
          const Vec<C> b3 = MulTwiddle<C, Inverse>(Load<C>(x3 + i), pair + 4 + c);
          const Vec<C> s = p0 + b1;
          const Vec<C> t = p0 - b1;
          const Vec<C> u = b2 + b3;
          const Vec<C> v = QuarterTurn<C, Inverse>(b2 - b3);
          Store<C>(x0 + i, s + u);
          Store<C>(x2 + i, s - u);
          Store<C>(x1 + i, t + v);
          Store<C>(x3 + i, t - v);
        }
      }
    }
  }
}

// Blocks of this many values stay in the first-level cache: the short stages run block by
// block, the long ones over the whole array.
constexpr std::size_t kBlock = 2048;

// The butterflies of a transform of n = 2^m values, two radix-2 stages per pass computed as one
// radix-4 step. Decimation in time takes bit-reversed input to natural order (short stages
// first); decimation in frequency takes natural input to bit-reversed order (long stages first).
template <int C, bool Inverse, bool Dif>
TERVAN_INLINE void Butterflies(TComplex* x, std::size_t n, int m, const TComplex* passes) {
  const std::size_t block = std::min(n, kBlock);
  // Spans of the general passes, short to long; the trivial stages come before them.
  std::array<std::size_t, 16> spans{};
  std::size_t count = 0;
  for (std::size_t d = m % 2 == 1 ? 4 : 8; 2 * d <= n; d *= 4) {
    spans[count++] = d;
  }
  std::size_t inBlock = 0;  // passes that stay inside one block
  while (inBlock < count && 2 * spans[inBlock] <= block) {
    ++inBlock;
  }
  auto trivial = [&](TComplex* xb) {
    if (m % 2 == 1) {
      Radix2Trivial(xb, block);
    } else {
      Radix4Trivial<Inverse, Dif>(xb, block);
    }
  };
  if constexpr (Dif) {
    for (std::size_t k = count; k > inBlock; --k) {
      Radix4Pass<C, Inverse, true>(x, n, spans[k - 1], passes + PassOffset(spans[k - 1]));
    }
    for (std::size_t b = 0; b < n; b += block) {
      for (std::size_t k = inBlock; k > 0; --k) {
        Radix4Pass<C, Inverse, true>(x + b, block, spans[k - 1],
                                     passes + PassOffset(spans[k - 1]));
      }
      trivial(x + b);
    }
  } else {
    for (std::size_t b = 0; b < n; b += block) {
      trivial(x + b);
      for (std::size_t k = 0; k < inBlock; ++k) {
        Radix4Pass<C, Inverse, false>(x + b, block, spans[k], passes + PassOffset(spans[k]));
      }
    }
    for (std::size_t k = inBlock; k < count; ++k) {
      Radix4Pass<C, Inverse, false>(x, n, spans[k], passes + PassOffset(spans[k]));
    }
  }
}

template <int C>
TERVAN_INLINE void ButterfliesOf(TComplex* x, std::size_t n, int m, const TComplex* passes,
                                 bool inverse, bool dif) {
  if (dif) {
    if (inverse) {
      Butterflies<C, true, true>(x, n, m, passes);
    } else {
      Butterflies<C, false, true>(x, n, m, passes);
    }
  } else {
    if (inverse) {
      Butterflies<C, true, false>(x, n, m, passes);
    } else {
      Butterflies<C, false, false>(x, n, m, passes);
    }
  }
}

void ButterfliesPortable(TComplex* x, std::size_t n, int m, const TComplex* passes, bool inverse,
                         bool dif) {
  ButterfliesOf<1>(x, n, m, passes, inverse, dif);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TERVAN_FFT_AVX2 1
__attribute__((target("avx2"))) void ButterfliesAvx2(TComplex* x, std::size_t n, int m,
                                                     const TComplex* passes, bool inverse,
                                                     bool dif) {
  ButterfliesOf<2>(x, n, m, passes, inverse, dif);
}
#endif

bool& Avx2Allowed() {
  static bool allowed = true;
  return allowed;
}

bool Avx2Present() {
#ifdef TERVAN_FFT_AVX2
  static const bool present = __builtin_cpu_supports("avx2");
  return present;
#else
  return false;
#endif
}

// The butterflies of length 2^m on the twiddles of the table in force: natural order to
// bit-reversed order when dif, else bit-reversed order to natural order.
void RunButterflies(TComplex* x, int m, bool inverse, bool dif) {
  const std::size_t n = std::size_t{1} << m;
  TTwiddles& t = Twiddles();
  if (t.Table.size() < n / 2) {
    BuildTwiddleTable(n / 2);
  }
#ifdef TERVAN_FFT_AVX2
  if (Avx2Present() && Avx2Allowed()) {
    ButterfliesAvx2(x, n, m, t.Passes.data(), inverse, dif);
    return;
  }
#endif
  ButterfliesPortable(x, n, m, t.Passes.data(), inverse, dif);
}

// Tables of one Bluestein length M: the chirp e^(+j pi i^2 / M), i < M, and the spectra of the
// chirp filter for the forward and the inverse transform (each built on first use, with the
// 1/P of the convolution folded in: P is a power of two, so that scaling is exact).
struct TBluesteinPlan {
  std::size_t M = 0;
  std::size_t P = 0;
  int p = 0;
  std::vector<TComplex> Chirp;
  std::vector<TComplex> SpectrumForward;
  std::vector<TComplex> SpectrumInverse;
  std::uint64_t LastUse = 0;
};

// A trace and its memory (and their gates) alternate between a few lengths; keep that many plans.
constexpr std::size_t kPlanCacheSize = 4;

struct TBluesteinCache {
  std::array<TBluesteinPlan, kPlanCacheSize> Plans;
  std::vector<TComplex> Work;
  std::uint64_t Clock = 0;
  std::size_t Builds = 0;
};

TBluesteinCache& BluesteinCache() {
  static TBluesteinCache cache;
  return cache;
}

TBluesteinPlan& PlanFor(std::size_t M) {
  TBluesteinCache& cache = BluesteinCache();
  ++cache.Clock;
  TBluesteinPlan* oldest = &cache.Plans[0];
  for (TBluesteinPlan& plan : cache.Plans) {
    if (plan.M == M) {
      plan.LastUse = cache.Clock;
      return plan;
    }
    if (plan.LastUse < oldest->LastUse) {
      oldest = &plan;
    }
  }
  TBluesteinPlan& plan = *oldest;
  plan.M = M;
  plan.p = 1;
  while ((std::size_t{1} << plan.p) < 2 * M) {
    ++plan.p;
  }
  plan.P = std::size_t{1} << plan.p;
  plan.Chirp.resize(M);
  // i^2 is reduced modulo 2M first, so the angle stays below 2 pi and keeps full precision.
  const std::uint64_t mod = 2 * static_cast<std::uint64_t>(M);
  for (std::size_t i = 0; i < M; ++i) {
    const std::uint64_t ii = static_cast<std::uint64_t>(i);
    const std::uint64_t q = (ii * ii) % mod;
    const double angle = std::numbers::pi * static_cast<double>(q) / static_cast<double>(M);
    plan.Chirp[i] = TComplex{std::cos(angle), std::sin(angle)};
  }
  plan.SpectrumForward.clear();
  plan.SpectrumInverse.clear();
  plan.LastUse = cache.Clock;
  ++cache.Builds;
  return plan;
}

// The filter of the convolution: b[i] = chirp[|i - (M - 1)|] for i = 0 .. 2M - 2 (conjugated for
// the inverse), zero beyond; its forward spectrum divided by P.
const std::vector<TComplex>& SpectrumFor(TBluesteinPlan& plan, bool forward) {
  std::vector<TComplex>& spectrum = forward ? plan.SpectrumForward : plan.SpectrumInverse;
  if (spectrum.size() == plan.P) {
    return spectrum;
  }
  spectrum.assign(plan.P, TComplex{0.0, 0.0});
  const std::size_t M = plan.M;
  for (std::size_t i = 0; i + 1 < 2 * M; ++i) {
    const std::size_t d = i >= M - 1 ? i - (M - 1) : (M - 1) - i;
    spectrum[i] = forward ? plan.Chirp[d] : Conj(plan.Chirp[d]);
  }
  // Kept in the bit-reversed order of the forward butterflies that it multiplies.
  RunButterflies(spectrum.data(), plan.p, false, true);
  const double scale = 1.0 / static_cast<double>(plan.P);
  for (TComplex& v : spectrum) {
    v *= scale;
  }
  return spectrum;
}

}  // namespace

const std::vector<TComplex>& BuildTwiddleTable(std::size_t L) {
  if (L > 1 && (L & (L - 1)) != 0) {
    L = std::bit_ceil(L);  // the halving below needs a power of two
  }
  TTwiddles& t = Twiddles();
  std::vector<TComplex>& table = t.Table;
  const auto& root = RootTable();
  table.assign(L, TComplex{0.0, 0.0});
  if (L > 0) {
    table[0] = TComplex{1.0, 0.0};
    // Halving the step halves the angle: entry s + c/2 = entry s * W_i.
    std::size_t i = 1;
    for (std::size_t c = L; c > 1; c /= 2, ++i) {
      const TComplex w = root[i];
      for (std::size_t s = 0; s < L; s += c) {
        table[s + c / 2] = table[s] * w;
      }
    }
  }
  BuildPassTwiddles(t);
  return table;
}

void FftRadix2(TComplex* x, int m, bool inverse) {
  if (m < 1 || m > 30) {
    return;
  }
  BitReverse(x, m);
  RunButterflies(x, m, inverse, false);
}

void DftBluestein(TComplex* x, std::size_t M, bool forward) {
  if (M <= 1) {
    return;  // the transform of one value is that value
  }
  if ((M & (M - 1)) == 0) {
    FftRadix2(x, std::countr_zero(M), !forward);
    return;
  }
  if (DftMixedRadix(x, M, forward)) {
    return;
  }
  TBluesteinPlan& plan = PlanFor(M);
  const std::vector<TComplex>& spectrum = SpectrumFor(plan, forward);
  std::vector<TComplex>& work = BluesteinCache().Work;
  if (work.size() < plan.P) {
    work.resize(plan.P);
  }
  const TComplex* chirp = plan.Chirp.data();
  for (std::size_t i = 0; i < M; ++i) {
    work[i] = forward ? x[i] * Conj(chirp[i]) : x[i] * chirp[i];
  }
  std::fill(work.begin() + static_cast<std::ptrdiff_t>(M),
            work.begin() + static_cast<std::ptrdiff_t>(plan.P), TComplex{0.0, 0.0});
  // The cyclic convolution: forward transform to bit-reversed order, product, inverse transform
  // from bit-reversed order; the two permutations cancel and are never made.
  RunButterflies(work.data(), plan.p, false, true);
  for (std::size_t k = 0; k < plan.P; ++k) {
    work[k] *= spectrum[k];
  }
  RunButterflies(work.data(), plan.p, true, false);
  for (std::size_t k = 0; k < M; ++k) {
    const TComplex& c = work[k + M - 1];
    x[k] = forward ? Conj(chirp[k]) * c : chirp[k] * c;
  }
}

std::size_t BluesteinTableBuilds() { return BluesteinCache().Builds; }

bool FftUsesAvx2() { return Avx2Present() && Avx2Allowed(); }

void FftAllowAvx2(bool allowed) { Avx2Allowed() = allowed; }
