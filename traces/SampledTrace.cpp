#include "traces/SampledTrace.h"

#include <cmath>
#include <utility>

#include "model/Utils.h"

TSampledTrace::TSampledTrace(std::vector<double> stimuli, const std::vector<double>& values)
    : Stimuli(std::move(stimuli)) {
  Points.reserve(values.size());
  for (double v : values) Points.push_back({v, 0.0});
  Stimuli.resize(Points.size(), Stimuli.empty() ? 0.0 : Stimuli.back());
}

TSampledTrace TSampledTrace::Linear(double start, double stop, const std::vector<double>& values) {
  std::vector<double> s(values.size());
  const size_t n = values.size();
  for (size_t i = 0; i < n; ++i) s[i] = n > 1 ? start + (stop - start) * static_cast<double>(i) / (n - 1) : start;
  return TSampledTrace(std::move(s), values);
}

double TSampledTrace::PointStimulus(int i) const { return Stimuli[static_cast<size_t>(i)]; }

double TSampledTrace::DisplayValue(int i) const { return Points[static_cast<size_t>(i)].Re; }

TComplex TSampledTrace::DisplayPoint(int i) const { return Points[static_cast<size_t>(i)]; }

int TSampledTrace::FindPointIndex(double x) const {
  const int n = PointCount();
  if (n == 0) return -1;
  const double s0 = Stimuli.front();
  const double s1 = Stimuli.back();
  if (x < s0) return 0;
  if (x > s1) return n - 1;
  int i = NearlyEqual(s1 - s0, 0.0) ? 0 : static_cast<int>(std::trunc((x - s0) / (s1 - s0) * (n - 1)));
  if (i > n - 2) return n - 1;
  if (i < 0) i = 0;
  if (PointStimulus(i) < x) {
    while (i < n - 2 && PointStimulus(i + 1) <= x) ++i;
  } else {
    while (i > 0 && PointStimulus(i) > x) --i;
  }
  return i;
}

double TSampledTrace::ValueAtStimulus(double x) const {
  const int n = FindPointIndex(x);
  if (n < 0) return 0.0;
  const int m = n < PointCount() - 1 ? n + 1 : n;
  const double x0 = PointStimulus(n);
  const double x1 = PointStimulus(m);
  const double y0 = DisplayValue(n);
  if (NearlyEqual(x1 - x0, 0.0)) return y0;
  return y0 + (x - x0) / (x1 - x0) * (DisplayValue(m) - y0);
}

TComplex TSampledTrace::PointAtStimulus(double x) const {
  const int n = FindPointIndex(x);
  if (n < 0) return {};
  const int m = n < PointCount() - 1 ? n + 1 : n;
  const double x0 = PointStimulus(n);
  const double x1 = PointStimulus(m);
  if (NearlyEqual(x1 - x0, 0.0)) return DisplayPoint(n);
  return InterpolatePolar(DisplayPoint(n), DisplayPoint(m), (x - x0) / (x1 - x0));
}

double TSampledTrace::StimulusAtPosition(double p) const {
  if (PointCount() == 0) return 0.0;
  p = ClampToRange(p, 0.0, 1.0);
  return Stimuli.front() + (Stimuli.back() - Stimuli.front()) * p;
}

double TSampledTrace::PositionAtStimulus(double x) const {
  if (PointCount() == 0) return 0.5;
  const double s0 = Stimuli.front();
  const double s1 = Stimuli.back();
  x = ClampToRange(x, s0, s1);
  if (NearlyEqual(s1 - s0, 0.0)) return 0.5;
  return (x - s0) / (s1 - s0);
}
