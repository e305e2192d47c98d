#include "traces/TraceStatistics.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/Utils.h"
#include "traces/TraceSearch.h"

namespace {

// Sums and bounds of a set of values, deviation taken in a second pass over the same values.
struct TAccumulator {
  double Sum = 0.0;
  double Minimum = 0.0;
  double Maximum = 0.0;
  int Count = 0;

  void Start(double a, double b) {
    Minimum = std::min(a, b);
    Maximum = std::max(a, b);
  }
  void Add(double v) {
    if (v < Minimum) Minimum = v;
    if (v > Maximum) Maximum = v;
    Sum += v;
    ++Count;
  }
};

// Mean, deviation, minimum and maximum of the points from..to of v together with the samples
// ya and yb, which count as two more values (the ends of the range are weighted once more).
void Summarise(const TDisplayValues& v, int from, int to, double ya, double yb, TStatisticsResult& r) {
  TAccumulator acc;
  acc.Start(ya, yb);
  for (int i = from; i <= to; ++i) acc.Add(v(i));
  r.Mean = (acc.Sum + ya + yb) / (acc.Count + 2);
  double squares = Sqr(ya - r.Mean) + Sqr(yb - r.Mean);
  for (int i = from; i <= to; ++i) squares += Sqr(v(i) - r.Mean);
  r.Deviation = std::sqrt(squares / (acc.Count + 2));
  r.Minimum = acc.Minimum;
  r.Maximum = acc.Maximum;
}

}  // namespace

bool TTraceStatistics::WholeTrace(const ITraceSamples& t, TStatisticsResult& r) {
  r = {};
  const int n = t.PointCount();
  if (n == 0) return false;
  const TDisplayValues v(t);
  // The first and last points count twice, in the mean and in the deviation.
  Summarise(v, 0, n - 1, v(0), v(n - 1), r);
  return true;
}

bool TTraceStatistics::Range(const ITraceSamples& t, double a, double b, TStatisticsResult& r) {
  r = {};
  const int n = t.PointCount();
  if (n == 0 || !std::isfinite(a) || !std::isfinite(b)) return false;
  if (b < a) std::swap(a, b);
  a = std::clamp(a, t.FirstStimulus(), t.LastStimulus());
  b = std::clamp(b, t.FirstStimulus(), t.LastStimulus());
  if (b < a) std::swap(a, b);
  const double ya = t.ValueAtStimulus(a);
  const double yb = t.ValueAtStimulus(b);
  const int i0 = t.FindPointIndex(a) + 1;
  const int i1 = t.FindPointIndex(b);
  Summarise(TDisplayValues(t), i0, i1, ya, yb, r);
  return true;
}

bool TTraceStatistics::Flatness(const ITraceSamples& t, double a, double b, TFlatnessResult& r) {
  r = {};
  const int n = t.PointCount();
  if (n == 0 || !std::isfinite(a) || !std::isfinite(b)) return false;
  if (b < a) std::swap(a, b);
  a = std::max(a, t.FirstStimulus());
  b = std::min(b, t.LastStimulus());
  // Markers never leave the trace; a lower end below it reads the first point rather than a
  // line extended beyond the data.
  r.Gain = t.ValueAtStimulus(std::min(a, t.LastStimulus()));
  const int i = t.FindPointIndex(a);
  const int j = t.FindPointIndex(b);
  if (i >= j) return true;
  const double si = t.PointStimulus(i);
  const double sj = t.PointStimulus(j);
  const double vi = t.DisplayValue(i);
  const double vj = t.DisplayValue(j);
  if (sj == si) return true;
  const double k = (vj - vi) / (sj - si);
  auto line = [&](double x) { return vj + k * (x - sj); };
  // The change of the line across the range, not its slope per unit of stimulus.
  r.Slope = line(sj) - line(si);
  const TDisplayValues values(t);
  for (int m = i; m <= j; ++m) {
    const double v = values(m);
    const double l = line(t.PointStimulus(m));
    const double e = std::fabs(v - l);
    if (l > v && e > r.NegDeviation) r.NegDeviation = e;
    if (v > l && e > r.PosDeviation) r.PosDeviation = e;
  }
  return true;
}

TBandResult TTraceStatistics::Passband(const ITraceSamples& t, double x, double level) {
  TBandResult r;
  if (t.PointCount() == 0 || !std::isfinite(x) || !std::isfinite(level)) return r;
  const double start = t.FirstStimulus();
  const double stop = t.LastStimulus();
  r.RefLevel = t.ValueAtStimulus(x);
  const double threshold = r.RefLevel - std::fabs(level);
  double high = 0.0;
  double low = 0.0;
  if (!TTraceSearch::TargetRight(t, start, stop, x, threshold, TTraceSearch::Negative, high)) return r;
  if (!TTraceSearch::TargetLeft(t, start, stop, x, threshold, TTraceSearch::Positive, low)) return r;
  r.Found = true;
  r.Low = low;
  r.High = high;
  return r;
}

TBandResult TTraceStatistics::Notch(const ITraceSamples& t, double x, double level) {
  TBandResult r;
  if (t.PointCount() == 0 || !std::isfinite(x) || !std::isfinite(level)) return r;
  const double start = t.FirstStimulus();
  const double stop = t.LastStimulus();
  const double step = (stop - start) * 1e-6;
  r.RefLevel = t.ValueAtStimulus(x);
  const double threshold = r.RefLevel - std::fabs(level);
  double low = 0.0;
  double high = 0.0;
  if (TTraceSearch::TargetLeft(t, start, stop, x, threshold, TTraceSearch::Positive, high) &&
      TTraceSearch::TargetLeft(t, start, stop, high - step, threshold, TTraceSearch::Negative, low)) {
    r.Found = true;
    r.Low = low;
    r.High = high;
    return r;
  }
  if (!TTraceSearch::TargetRight(t, start, stop, x, threshold, TTraceSearch::Negative, low)) return r;
  if (!TTraceSearch::TargetRight(t, start, stop, low + step, threshold, TTraceSearch::Positive, high)) return r;
  r.Found = true;
  r.Low = low;
  r.High = high;
  return r;
}

namespace {

// Minimum and maximum over lo..hi: the values interpolated at both ends, then the points from
// the one at or below lo up to the one before the point at or below hi + 1e-6.
void BandBounds(const ITraceSamples& t, double lo, double hi, double& minimum, double& maximum) {
  const double ylo = t.ValueAtStimulus(lo);
  const double yhi = t.ValueAtStimulus(hi);
  minimum = std::min(ylo, yhi);
  maximum = std::max(ylo, yhi);
  const int i1 = t.FindPointIndex(hi + 1e-6);
  const TDisplayValues values(t);
  for (int i = t.FindPointIndex(lo); i < i1; ++i) {
    const double v = values(i);
    minimum = std::min(minimum, v);
    maximum = std::max(maximum, v);
  }
}

}  // namespace

TFilterResult TTraceStatistics::Filter(const ITraceSamples& t, double p1, double p2, double q1, double q2,
                                       bool stopband) {
  TFilterResult r;
  if (t.PointCount() == 0) return r;
  double minimum = 0.0;
  double maximum = 0.0;
  BandBounds(t, p1, p2, minimum, maximum);
  r.PassbandMinimum = minimum;
  r.PassbandPeakToPeak = maximum - minimum;
  if (stopband) {
    double stopMin = 0.0;
    double stopMax = 0.0;
    BandBounds(t, q1, q2, stopMin, stopMax);
    r.Rejection = stopMax - minimum;
  }
  return r;
}
