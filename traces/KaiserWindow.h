#pragma once
// The Kaiser window that weights the frequency data of the time-domain transform, and the
// special functions behind it and behind the time gate.
#include <cstddef>
#include <vector>

// The modified Bessel function of the first kind, order 0: the series sum over k >= 0 of
// ((x/2)^k / k!)^2, summed up to and including the first term that is at most 1e-20 of the sum.
// NaN for NaN, +infinity for infinite x.
double BesselI0(double x);

// x! = 1 * 2 * ... * x in doubles; 1 for x <= 1.
double Factorial(int x);

// sin(x) / x; 1 when x is within 1e-12 of 0.
double Sinc(double x);

// A Kaiser window of length L and shape beta: w[i] = I0(beta sqrt(1 - (u / a)^2)) / I0(beta) with
// a = (L - 1) / 2, u = i - a. Symmetric, 1 in the middle (odd L) and 1 / I0(beta) at both ends;
// beta 0 gives all ones. Rebuilt only when the length or beta changes.
class TKaiserWindow {
 public:
  // Rebuilds the weights and their sum unless L and beta are those of the present weights.
  // L = 1 gives the single weight 1; L = 0 no weights and the sum 0.
  void Build(std::size_t L, double beta);

  double GetWeight(std::size_t i) const { return weights_[i]; }
  const std::vector<double>& GetWeights() const { return weights_; }
  std::size_t GetLength() const { return weights_.size(); }
  double GetBeta() const { return beta_; }
  // The sum of the weights (1 before the first build).
  double GetSum() const { return sum_; }

 private:
  std::vector<double> weights_;
  double beta_ = 0.0;
  double sum_ = 1.0;
};
