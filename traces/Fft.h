#pragma once
// Discrete Fourier transforms of the time domain.
//
// Sign convention: forward X[k] = sum x[n] e^(-j 2 pi n k / N), inverse x[n] = sum X[k]
// e^(+j 2 pi n k / N). Neither transform scales its result; callers divide by N where needed.
//
// The transforms keep their tables (twiddle factors; chirps and chirp spectra of the last four
// lengths) in program-wide caches, because the time domain transforms arrays of the same few
// lengths after every sweep. The caches are not guarded: call these functions from the
// user-interface thread only.
#include <cstddef>
#include <vector>

#include "model/Complex.h"

// In-place radix-2 transform of the 2^m values at x (1 <= m <= 30; any other m does nothing);
// forward when inverse is false. No scaling.
void FftRadix2(TComplex* x, int m, bool inverse);

// In-place transform of the M values at x, of any length M >= 1. Forward (negative exponent) when
// forward is true. No scaling. M = 0 does nothing. A power of two goes through FftRadix2, a length
// made of the primes 2 .. 13 through DftMixedRadix; any other length by Bluestein's chirp method:
// a cyclic convolution of length P, the smallest power of two >= 2M, through the radix-2
// butterflies.
void DftBluestein(TComplex* x, std::size_t M, bool forward);

// Whether n >= 1 is a product of the primes 2, 3, 5, 7, 11 and 13 only.
bool IsMixedRadixLength(std::size_t n);

// In-place transform of the n values at x by self-sorting mixed-radix passes (radix 2, 4, 8, 16;
// 3, 5, 7, 9, 11, 13, 25), forward when forward is true, no scaling; the plans of the last four
// lengths stay cached. Returns false and leaves x as it is when n is not a mixed-radix length.
bool DftMixedRadix(TComplex* x, std::size_t n, bool forward);

// Rebuilds the cached twiddle table for radix-2 length N = 2 L (L a power of two; another L is
// raised to the next one): entry k = e^(-j 2 pi k / N), each a product of fixed root constants,
// no sine or cosine per entry. FftRadix2 calls it when the table it holds is too short for its
// length; a longer table serves every shorter power of two. Returns the table.
const std::vector<TComplex>& BuildTwiddleTable(std::size_t L);

// How many Bluestein chirp tables have been built since the program started: a length that is
// still cached builds none.
std::size_t BluesteinTableBuilds();

// The butterflies run on AVX2 vectors where the processor has them, else on portable vectors of
// two doubles; both do the same arithmetic in the same order, so the results agree bit for bit.
// FftAllowAvx2(false) keeps to the portable code (tests cover it that way).
bool FftUsesAvx2();
void FftAllowAvx2(bool allowed);
