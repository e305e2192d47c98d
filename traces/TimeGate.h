#pragma once
// The response of a time gate, for gating a trace: a rectangular gate whose edges are softened
// by a Kaiser window, held in the transformed domain of the gating step and normalised to unit
// gain at its centre (index 0).
#include <cstddef>
#include <vector>

#include "model/Complex.h"
#include "traces/KaiserWindow.h"

class TTimeGate {
 public:
  // Gate shapes: kernel length as a fraction of the response length, and the Kaiser beta that
  // softens the kernel.
  static constexpr int kShapeCount = 4;  // 0 minimum, 1 normal, 2 wide, 3 maximum
  static constexpr double kLengthFactor[kShapeCount] = {1.0, 0.75, 0.375, 0.1875};
  static constexpr double kBeta[kShapeCount] = {4.3, 6.53, 5.32, 6.75};

  // Builds the response of length M for a gate shape and a relative width span (the fraction of
  // the M samples it passes around index 0), unless M, shape and span (within NearlyEqual) are
  // those of the present response. A shape outside 0..3 takes the nearest one; a non-finite span
  // builds an empty (all-zero) gate. A kernel of no taps leaves the response zero.
  void Build(std::size_t M, int shape, double span);

  const TComplex& GetResponse(std::size_t i) const { return response_[i]; }
  const std::vector<TComplex>& GetResponses() const { return response_; }
  std::size_t GetLength() const { return response_.size(); }
  int GetShape() const { return shape_; }
  double GetSpan() const { return span_; }
  const TKaiserWindow& GetWindow() const { return window_; }

 private:
  std::vector<TComplex> response_;
  int shape_ = 0;
  double span_ = 0.0;
  TKaiserWindow window_;
};
