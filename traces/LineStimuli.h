#pragma once
// The point stimuli of a trace read once for a limit or ripple test. The points of a sweep come
// in rising stimulus, so a segment finds its first point by bisection and stops at the first
// point past its end: a test costs points plus segments, not their product. A list that falls
// anywhere (or holds a NaN) is walked whole for every segment, as before.
#include <algorithm>
#include <vector>

#include "traces/TraceSamples.h"

class TLineStimuli {
 public:
  explicit TLineStimuli(const ITraceSamples& t) {
    const int n = t.PointCount();
    x_.resize(n > 0 ? static_cast<size_t>(n) : 0);
    for (int i = 0; i < n; ++i) x_[static_cast<size_t>(i)] = t.PointStimulus(i);
    for (size_t i = 1; i < x_.size() && rising_; ++i) rising_ = x_[i - 1] <= x_[i];
  }

  int Count() const { return static_cast<int>(x_.size()); }
  double operator[](int i) const { return x_[static_cast<size_t>(i)]; }
  // The first point that may lie at or above beg: every point before it lies below.
  int First(double beg) const {
    if (!rising_) return 0;
    return static_cast<int>(std::lower_bound(x_.begin(), x_.end(), beg) - x_.begin());
  }
  // True when x lies past end and so does every later point.
  bool PastEnd(double x, double end) const { return rising_ && x > end; }

 private:
  std::vector<double> x_;
  bool rising_ = true;
};
