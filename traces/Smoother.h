#pragma once
// The smoothing of a trace's formatted points: a raised-cosine window of half width w over the
// neighbours of a point, leaving out points that hold no data (complex zero). The weights are
// kept per w, and the usable points come as a 0/1 mask, so one point costs 2w + 1 multiply-adds.
#include <vector>

#include "model/Complex.h"

class TSmoother {
 public:
  // Half width for n points at an aperture in percent of the points.
  static int HalfWidth(int n, double aperturePercent);
  // 0 for a point that holds no data, else 1.
  static double MaskOf(const TComplex& z);

  // Builds the weights of half width w (w < 0 counts as 0) unless they are built already.
  void Prepare(int w);
  int GetHalfWidth() const { return w_; }
  // Weight of offset k, |k| <= w: (cos(k pi / (w + 1)) + 1) / 2.
  double Weight(int k) const { return weights_[static_cast<size_t>(k + w_)]; }

  // The smoothed value of point i of values[0..n) with mask[0..n); values[i] itself when no
  // usable neighbour contributes. i must lie in 0..n-1.
  TComplex Smooth(const TComplex* values, const double* mask, int n, int i) const;

 private:
  int w_ = -1;
  std::vector<double> weights_;  // offsets -w..w
};
