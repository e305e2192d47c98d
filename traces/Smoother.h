#pragma once
// The smoothing of a trace's formatted points: a raised-cosine window of half width w over the
// neighbours of a point, leaving out points that hold no data (complex zero), which come as a 0/1
// mask.
//
// The weight of offset k, (1 + cos(k theta)) / 2 with theta = pi / (w + 1), splits into a box and
// a cosine. With the phases e^(j theta p) of absolute positions p (exact over their period 2(w+1)),
// the cosine of k = p - i is the real part of e^(j theta p) e^(-j theta i), so five running sums
// over the window give every output in a constant number of operations, whatever w:
//   count = sum m_p,           mask phases = sum m_p e^(j theta p),
//   box   = sum m_p v_p,       value phases = sum m_p Re v_p e^(j theta p), sum m_p Im v_p ...
// Sliding the window by one point adds one point and removes one. The sums are rebuilt from
// scratch every kReseedPoints outputs (every window, when a window is longer) so that rounding
// cannot pile up; where the total weight is
// too small beside the count for the difference of sums to keep its digits (long runs of points
// without data), the direct sum serves instead.
#include <vector>

#include "model/Complex.h"
#include "model/Utils.h"

class TSmoother {
 public:
  // Outputs between two fresh computations of the running sums.
  static constexpr int kReseedPoints = 1000;
  // Up to this half width the direct sum is as cheap as the running sums, and exact.
  static constexpr int kDirectHalfWidth = 4;

  // Half width for n points at an aperture in percent of the points.
  static int HalfWidth(int n, double aperturePercent);
  // HalfWidth with the last answer kept: the sweep asks for it at every point of every trace.
  int HalfWidthOf(int n, double aperturePercent) const {
    if (n != widthPoints_ || !(aperturePercent == widthAperture_)) {
      widthPoints_ = n;
      widthAperture_ = aperturePercent;
      width_ = HalfWidth(n, aperturePercent);
    }
    return width_;
  }
  // 0 for a point that holds no data, else 1.
  static double MaskOf(const TComplex& z) { return IsComplexZero(z) ? 0.0 : 1.0; }

  // Builds the weights of half width w (w < 0 counts as 0) unless they are built already.
  void Prepare(int w);
  int GetHalfWidth() const { return w_; }
  // Weight of offset k, |k| <= w: (cos(k pi / (w + 1)) + 1) / 2.
  double Weight(int k) const { return weights_[static_cast<size_t>(k + w_)]; }

  // The smoothed value of point i of values[0..n) with mask[0..n) (entries 0 or 1) by the direct
  // weighted sum, 2w + 1 taps; values[i] itself when no usable neighbour contributes. i must lie
  // in 0..n-1.
  TComplex Smooth(const TComplex* values, const double* mask, int n, int i) const;

  // All n smoothed values into out[0..n) (out must not overlap values), by the running sums:
  // O(n) whatever the half width.
  void SmoothAll(const TComplex* values, const double* mask, int n, TComplex* out) const;

  // Point i, for callers that go through the points in ascending order while the values fill in
  // (the sweep): when i follows the point of the previous call on the same n, the running sums
  // slide by one point; any other i starts them afresh. A value inside the window that changes
  // after it was taken in must be reported through Changed.
  TComplex SmoothNext(const TComplex* values, const double* mask, int n, int i);
  // Point i now holds value with mask: the running sums of SmoothNext take the change in.
  void Changed(int i, const TComplex& value, double mask);
  // The values have changed wholesale: the next SmoothNext starts afresh.
  void Forget() { running_ = false; }

  // The running sums over one window.
  struct TSums {
    double NotFinite = 0;  // usable points whose value is not finite
    double Count = 0;
    TComplex MaskPhase;
    TComplex Box;
    TComplex RePhase;
    TComplex ImPhase;
  };

 private:
  // Outputs between fresh starts: kReseedPoints, or a window when that is longer.
  int ReseedInterval() const;
  // Adds (sign 1) or removes (sign -1) a point whose position is r modulo the phase period.
  inline void Take(TSums& s, int r, const TComplex& v, double m, double sign) const;
  TSums Seed(const TComplex* values, const double* mask, int n, int i) const;
  // Point i, at phase index r, from the sums over its window.
  inline TComplex Output(const TSums& s, const TComplex* values, const double* mask, int n, int i, int r) const;

  int w_ = -1;
  std::vector<double> weights_;   // offsets -w..w
  std::vector<TComplex> phases_;  // e^(j theta r), r < 2(w + 1)

  // The state of SmoothNext: the sums over the window of point center_ of n_ points, the values
  // they hold (held_, heldMask_, a ring by phase index: the window is shorter than the period)
  // and the outputs since they were built.
  bool running_ = false;
  int n_ = 0;
  int center_ = 0;
  int sinceSeed_ = 0;
  int phase_ = 0;  // center_ modulo the phase period
  TSums sums_;
  std::vector<TComplex> held_;
  std::vector<double> heldMask_;

  mutable int widthPoints_ = -1;
  mutable double widthAperture_ = 0;
  mutable int width_ = 0;
};
