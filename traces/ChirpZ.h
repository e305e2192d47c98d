#pragma once
// The chirp-z transform the time-domain transform evaluates its time points with: N outputs over
// any time range (a zoom) in O(K log K), through the program's radix-2 FFT.
#include <cstddef>
#include <vector>

#include "model/Complex.h"

// z^e: the real power when z is real and positive, else e^(e log z) on the principal branch of
// the logarithm (so a fractional power of a number near the negative real axis picks that
// branch). 0^e is 0 for e > 0.
TComplex ComplexPower(const TComplex& z, double e);

// y[k] = sum over n < L of q[n] e^(j (alpha + omega k)(n + k0)), k = 0..M-1: the chirp-z
// transform with A = e^(j alpha), W = e^(-j omega), i.e. A^k0 W^(-k0 k) sum q[n] A^n W^(-n k).
// W and A are passed by their angles, so that the fractional powers the chirps need (W^(n^2/2),
// A^k0 for a non-integer k0) mean exactly the sum above whatever the size of the angles; the
// chirps run by the recurrences C = C E, E = E / W, re-seeded from their angles every few dozen
// steps so that rounding cannot build up along 16001 points. input and filter are the caller's
// work vectors (resized to the convolution length K = 2^ceil(log2(L + M - 1)), at least 2); y
// may be q. Nothing happens for L or M of 0.
void ChirpZ(std::vector<TComplex>& input, std::vector<TComplex>& filter, const TComplex* q, std::size_t L,
            TComplex* y, std::size_t M, double omega, double alpha, double k0);
