#pragma once
// A trace as the limit and ripple lines see it: stimuli and displayed values in plain vectors,
// linear interpolation between neighbours, a value range and the two test switches, with the
// redraw-and-change notices counted by sender.
#include <cmath>
#include <random>
#include <vector>

#include "traces/LineTrace.h"

namespace linetest {

class FakeLineTrace : public ILineTrace {
 public:
  // n points from start to stop (MHz), every value v.
  FakeLineTrace(int n, double start, double stop, double v) {
    for (int i = 0; i < n; ++i) {
      x.push_back(n == 1 ? start : start + (stop - start) * i / (n - 1));
      y.push_back(v);
    }
  }

  std::vector<double> x;
  std::vector<double> y;
  double minValue = -1000;
  double maxValue = 1000;
  bool limitOn = false;
  bool rippleOn = false;
  std::vector<TFObject*> senders;

  // Sets the value of every point whose stimulus lies in from..to.
  void SetValues(double from, double to, double v) {
    for (size_t i = 0; i < x.size(); ++i) {
      if (x[i] >= from && x[i] <= to) y[i] = v;
    }
  }

  // Random stimuli from 100 MHz: rising, one point in eight repeating its neighbour's stimulus,
  // or, when falling, anywhere in 100..400 MHz. Each point's value comes from value(), drawn
  // right after its stimulus.
  template <class Rng, class Value>
  void FillRandom(Rng& rng, bool falling, Value value) {
    double at = 100;
    for (size_t i = 0; i < x.size(); ++i) {
      if (falling) {
        at = std::uniform_real_distribution<double>(100, 400)(rng);
      } else if (rng() % 8 != 0) {
        at += std::uniform_real_distribution<double>(0.1, 2)(rng);
      }
      x[i] = at;
      y[i] = value();
    }
  }

  int PointCount() const override { return static_cast<int>(x.size()); }
  double PointStimulus(int i) const override { return x[static_cast<size_t>(i)]; }
  double DisplayValue(int i) const override { return y[static_cast<size_t>(i)]; }
  TComplex DisplayPoint(int i) const override { return {DisplayValue(i), 0.0}; }
  int FindPointIndex(double s) const override {
    if (x.empty()) return -1;
    int k = 0;
    while (k + 1 < static_cast<int>(x.size()) && x[static_cast<size_t>(k + 1)] <= s) ++k;
    return k;
  }
  double ValueAtStimulus(double s) const override {
    const int k = FindPointIndex(s);
    if (k < 0) return 0;
    const int m = k + 1 < static_cast<int>(x.size()) ? k + 1 : k;
    const double x0 = x[size_t(k)], x1 = x[size_t(m)];
    if (x1 == x0) return y[size_t(k)];
    return y[size_t(k)] + (s - x0) / (x1 - x0) * (y[size_t(m)] - y[size_t(k)]);
  }
  TComplex PointAtStimulus(double s) const override { return {ValueAtStimulus(s), 0.0}; }
  double StimulusAtPosition(double p) const override { return x.front() + (x.back() - x.front()) * p; }
  double PositionAtStimulus(double s) const override { return (s - x.front()) / (x.back() - x.front()); }

  double MinValue() const override { return minValue; }
  double MaxValue() const override { return maxValue; }
  bool LimitTestOn() const override { return limitOn; }
  bool RippleTestOn() const override { return rippleOn; }
  void LineChanged(TFObject* sender) override { senders.push_back(sender); }
};

}  // namespace linetest
