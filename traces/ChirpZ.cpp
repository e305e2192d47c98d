#include "traces/ChirpZ.h"

#include <cmath>
#include <complex>

#include "traces/Fft.h"

namespace {

// The recurrences are re-seeded from the exact angle at every multiple of this step.
constexpr std::size_t kSeedStep = 32;

int Log2Ceil(std::size_t n) {
  int m = 0;
  while ((std::size_t{1} << m) < n) ++m;
  return m;
}

}  // namespace

TComplex ComplexPower(const TComplex& z, double e) {
  if (z.Im == 0.0 && z.Re > 0.0) return {std::pow(z.Re, e), 0.0};
  if (z.Re == 0.0 && z.Im == 0.0) return e > 0.0 ? TComplex{} : TComplex{std::pow(0.0, e), 0.0};
  const std::complex<double> r = std::exp(e * std::log(std::complex<double>(z.Re, z.Im)));
  return {r.real(), r.imag()};
}

void ChirpZ(std::vector<TComplex>& input, std::vector<TComplex>& filter, const TComplex* q, std::size_t L,
            TComplex* y, std::size_t M, double omega, double alpha, double k0) {
  if (L == 0 || M == 0) return;
  int m = Log2Ceil(L + M - 1);
  if (m < 1) m = 1;
  const std::size_t K = std::size_t{1} << m;
  input.assign(K, TComplex{});
  filter.assign(K, TComplex{});

  // input[n] = q[n] A^n W^(-n^2/2) = q[n] e^(j (alpha n + omega n^2 / 2)).
  const TComplex invW = Polar(1.0, omega);
  TComplex c{1.0, 0.0};
  TComplex e{};
  for (std::size_t n = 0; n < L; ++n) {
    if (n % kSeedStep == 0) {
      const double dn = static_cast<double>(n);
      c = Polar(1.0, alpha * dn + omega * dn * dn * 0.5);
      e = Polar(1.0, alpha + omega * (dn + 0.5));
    }
    input[n] = q[n] * c;
    c *= e;
    e *= invW;
  }

  // filter[j] = W^(j^2/2) for j < M, and the same values for j = 1..L-1 at K - j (the negative
  // lags of the convolution); zero between.
  const TComplex w = Conj(invW);
  const std::size_t reach = M > L ? M : L;
  for (std::size_t j = 0; j < reach; ++j) {
    if (j % kSeedStep == 0) {
      const double dj = static_cast<double>(j);
      c = Polar(1.0, -omega * dj * dj * 0.5);
      e = Polar(1.0, -omega * (dj + 0.5));
    }
    if (j < M) filter[j] = c;
    if (j >= 1 && j < L) filter[K - j] = c;
    c *= e;
    e *= w;
  }

  FftRadix2(input.data(), m, false);
  FftRadix2(filter.data(), m, false);
  const double scale = 1.0 / static_cast<double>(K);
  for (std::size_t k = 0; k < K; ++k) input[k] = input[k] * filter[k] * scale;
  FftRadix2(input.data(), m, true);

  // y[k] = conv[k] A^k0 W^(-k0 k - k^2/2) = conv[k] e^(j (alpha k0 + omega (k0 k + k^2/2))).
  for (std::size_t k = 0; k < M; ++k) {
    if (k % kSeedStep == 0) {
      const double dk = static_cast<double>(k);
      c = Polar(1.0, alpha * k0 + omega * (k0 * dk + dk * dk * 0.5));
      e = Polar(1.0, omega * (k0 + dk + 0.5));
    }
    y[k] = input[k] * c;
    c *= e;
    e *= invW;
  }
}
