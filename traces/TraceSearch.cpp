#include "traces/TraceSearch.h"

#include <algorithm>
#include <cmath>

#include "model/Utils.h"

namespace {

// A stimulus range in which nothing can be found.
bool EmptyRange(double start, double stop) { return !(start < stop) || NearlyEqual(start, stop); }

}  // namespace

bool TTraceSearch::FindExtremum(const ITraceSamples& t, bool maximum, double start, double stop, double& position) {
  if (t.PointCount() == 0 || start > stop || NearlyEqual(start, stop)) return false;
  const int i0 = t.FindPointIndex(start);
  const int i1 = t.FindPointIndex(stop);
  const TDisplayValues values(t);
  int best = i0;
  double bestValue = values(i0);
  // The point at or below the stop is examined too, so a highest last point is found.
  for (int i = i0 + 1; i <= i1; ++i) {
    const double v = values(i);
    if (maximum ? v > bestValue : v < bestValue) {
      best = i;
      bestValue = v;
    }
  }
  position = t.PositionAtStimulus(t.PointStimulus(best));
  return true;
}

namespace {

int ScanRightIn(const TDisplayValues& v, int a, int d) {
  const int n = v.Count();
  if (n < 2) return n - 1;
  int i = std::clamp(a, 1, n - 1);
  double here = d * v(i);
  bool rising = here > d * v(i - 1);
  while (i < n - 1) {
    const double next = d * v(i + 1);
    if (rising && here > next) return i;
    if (!rising && next > here) rising = true;
    ++i;
    here = next;
  }
  return i;
}

int ScanLeftIn(const TDisplayValues& v, int a, int d) {
  const int n = v.Count();
  if (n < 2) return 0;
  int i = std::clamp(a, 0, n - 2);
  double here = d * v(i);
  bool rising = here > d * v(i + 1);
  while (i > 0) {
    const double prev = d * v(i - 1);
    if (rising && here > prev) return i;
    if (!rising && prev > here) rising = true;
    --i;
    here = prev;
  }
  return i;
}

bool IsPeakIn(const TDisplayValues& v, int f, int d, double excursion) {
  if (f < 0 || f >= v.Count()) return false;
  const double top = d * v(f);
  const int left = ScanLeftIn(v, f - 1, -d);
  if (!(top - d * v(left) > excursion)) return false;
  const int right = ScanRightIn(v, f + 1, -d);
  return top - d * v(right) > excursion;
}

int NextPeakIndexRightIn(const TDisplayValues& v, int d, int from, int end, double excursion) {
  if (v.Count() == 0) return -1;
  int f = ScanRightIn(v, from, d);
  while (f < end) {
    if (IsPeakIn(v, f, d, excursion)) return f;
    const int next = ScanRightIn(v, f + 1, d);
    if (next <= f) break;
    f = next;
  }
  return -1;
}

}  // namespace

int TTraceSearch::ScanRight(const ITraceSamples& t, int a, int d) { return ScanRightIn(TDisplayValues(t), a, d); }

int TTraceSearch::ScanLeft(const ITraceSamples& t, int a, int d) { return ScanLeftIn(TDisplayValues(t), a, d); }

bool TTraceSearch::IsPeak(const ITraceSamples& t, int f, int d, double excursion) {
  return IsPeakIn(TDisplayValues(t), f, d, excursion);
}

int TTraceSearch::NextPeakIndexRight(const ITraceSamples& t, int d, int from, int end, double excursion) {
  return NextPeakIndexRightIn(TDisplayValues(t), d, from, end, excursion);
}

bool TTraceSearch::NextPeakRight(const ITraceSamples& t, int d, double start, double stop, double p, double excursion,
                                 double& position) {
  const int n = t.PointCount();
  if (n == 0 || EmptyRange(start, stop)) return false;
  const int from = t.FindPointIndex(std::max(start, t.StimulusAtPosition(p))) + 1;
  const int end = std::min(t.FindPointIndex(stop), n - 1);
  const int f = NextPeakIndexRight(t, d, from, end, excursion);
  if (f < 0) return false;
  position = t.PositionAtStimulus(t.PointStimulus(f));
  return true;
}

bool TTraceSearch::NextPeakLeft(const ITraceSamples& t, int d, double start, double stop, double p, double excursion,
                                double& position) {
  const int n = t.PointCount();
  if (n == 0 || EmptyRange(start, stop)) return false;
  const TDisplayValues v(t);
  int f = ScanLeftIn(v, t.FindPointIndex(std::min(stop, t.StimulusAtPosition(p))), d);
  const int end = t.FindPointIndex(start);
  while (f > end) {
    if (IsPeakIn(v, f, d, excursion)) {
      position = t.PositionAtStimulus(t.PointStimulus(f));
      return true;
    }
    const int next = ScanLeftIn(v, f - 1, d);
    if (next >= f) break;
    f = next;
  }
  return false;
}

namespace {

using TOneSign = bool (*)(const ITraceSamples&, int, double, double, double, double, double&);

bool WithPolarity(TOneSign search, const ITraceSamples& t, int polarity, double start, double stop, double p,
                  double excursion, double& position) {
  switch (polarity) {
    case TTraceSearch::Positive:
      return search(t, +1, start, stop, p, excursion, position);
    case TTraceSearch::Negative:
      return search(t, -1, start, stop, p, excursion, position);
    case TTraceSearch::Both: {
      double pos = 0.0;
      double neg = 0.0;
      const bool hasPos = search(t, +1, start, stop, p, excursion, pos);
      const bool hasNeg = search(t, -1, start, stop, p, excursion, neg);
      if (hasPos && hasNeg)
        position = std::fabs(pos - p) < std::fabs(neg - p) ? pos : neg;
      else if (hasPos)
        position = pos;
      else if (hasNeg)
        position = neg;
      return hasPos || hasNeg;
    }
    default:
      return false;
  }
}

// Of a find on each side of from, the nearer one (the right one when both are as near) goes to
// result; false, and result untouched, when neither side found anything.
bool Nearer(bool hasLeft, double left, bool hasRight, double right, double from, double& result) {
  if (hasLeft && hasRight)
    result = std::fabs(right - from) <= std::fabs(left - from) ? right : left;
  else if (hasLeft)
    result = left;
  else if (hasRight)
    result = right;
  return hasLeft || hasRight;
}

}  // namespace

bool TTraceSearch::PeakRight(const ITraceSamples& t, int polarity, double start, double stop, double p,
                             double excursion, double& position) {
  return WithPolarity(&NextPeakRight, t, polarity, start, stop, p, excursion, position);
}

bool TTraceSearch::PeakLeft(const ITraceSamples& t, int polarity, double start, double stop, double p,
                            double excursion, double& position) {
  return WithPolarity(&NextPeakLeft, t, polarity, start, stop, p, excursion, position);
}

bool TTraceSearch::SearchPeak(const ITraceSamples& t, int polarity, double start, double stop, double p,
                              double excursion, double& position) {
  double left = 0.0;
  double right = 0.0;
  const bool hasLeft = PeakLeft(t, polarity, start, stop, p, excursion, left);
  const bool hasRight = PeakRight(t, polarity, start, stop, p, excursion, right);
  return Nearer(hasLeft, left, hasRight, right, p, position);
}

bool TTraceSearch::MaxPeak(const ITraceSamples& t, int polarity, double start, double stop, double p,
                           double excursion, double& position) {
  const int n = t.PointCount();
  if (n == 0 || polarity < Positive || polarity > Both || EmptyRange(start, stop)) return false;
  const int end = std::min(t.FindPointIndex(stop), n - 1);
  int from = t.FindPointIndex(std::max(start, t.StimulusAtPosition(p))) + 1;
  const TDisplayValues v(t);
  // The next peak of each sign the polarity asks for, kept while it lies ahead of the search.
  int pos = -2;
  int neg = -2;
  auto next = [&](int fromIndex) {
    if (polarity != Negative && (pos == -2 || (pos >= 0 && pos < fromIndex)))
      pos = NextPeakIndexRightIn(v, +1, fromIndex, end, excursion);
    if (polarity != Positive && (neg == -2 || (neg >= 0 && neg < fromIndex)))
      neg = NextPeakIndexRightIn(v, -1, fromIndex, end, excursion);
    const int p1 = polarity != Negative ? pos : -1;
    const int n1 = polarity != Positive ? neg : -1;
    if (p1 < 0) return n1;
    if (n1 < 0) return p1;
    return n1 <= p1 ? n1 : p1;
  };
  int best = next(from);
  if (best < 0) return false;
  double bestValue = v(best);
  // Every further peak lies at a higher point index than the last, so the loop ends at the
  // latest after one round per point, whatever the stimuli.
  for (int last = best; last < n;) {
    const int f = next(last + 1);
    if (f <= last) break;
    const double value = v(f);
    const bool better = polarity == Positive   ? value > bestValue
                        : polarity == Negative ? value < bestValue
                                               : std::fabs(value) > std::fabs(bestValue);
    if (better) {
      best = f;
      bestValue = value;
    }
    last = f;
  }
  position = t.PositionAtStimulus(t.PointStimulus(best));
  return true;
}

namespace {

bool Accepts(int transition, bool rising) {
  return transition == TTraceSearch::Both || (rising ? transition == TTraceSearch::Positive
                                                      : transition == TTraceSearch::Negative);
}

}  // namespace

bool TTraceSearch::TargetLeft(const ITraceSamples& t, double start, double stop, double from, double target,
                              int transition, double& stimulus) {
  if (t.PointCount() == 0 || EmptyRange(start, stop)) return false;
  const TDisplayValues v(t);
  double x0 = std::min(stop, from);
  double y0 = t.ValueAtStimulus(x0);
  int i = t.FindPointIndex(x0);
  const int is = t.FindPointIndex(start);
  while (i >= is) {
    double x = t.PointStimulus(i);
    double y = v(i);
    if (i == is) {
      x = start;
      y = t.ValueAtStimulus(start);
    }
    const bool rising = y < target && target <= y0;
    const bool falling = y > target && target >= y0;
    if ((rising && Accepts(transition, true)) || (falling && Accepts(transition, false))) {
      stimulus = y0 == y ? (x + x0) / 2 : x + (target - y) / (y0 - y) * (x0 - x);
      return true;
    }
    x0 = x;
    y0 = y;
    --i;
  }
  return false;
}

bool TTraceSearch::TargetRight(const ITraceSamples& t, double start, double stop, double from, double target,
                               int transition, double& stimulus) {
  if (t.PointCount() == 0 || EmptyRange(start, stop)) return false;
  const TDisplayValues v(t);
  double x0 = std::max(start, from);
  double y0 = t.ValueAtStimulus(x0);
  int i = t.FindPointIndex(x0) + 1;
  const int ie = t.FindPointIndex(stop);
  while (i <= ie) {
    double x = t.PointStimulus(i);
    double y = v(i);
    if (i == ie) {
      x = stop;
      y = t.ValueAtStimulus(stop);
    }
    const bool rising = y0 <= target && target < y;
    const bool falling = y0 >= target && target > y;
    if ((rising && Accepts(transition, true)) || (falling && Accepts(transition, false))) {
      stimulus = y == y0 ? (x0 + x) / 2 : x0 + (target - y0) / (y - y0) * (x - x0);
      return true;
    }
    x0 = x;
    y0 = y;
    ++i;
  }
  return false;
}

bool TTraceSearch::SearchTarget(const ITraceSamples& t, double start, double stop, double from, double target,
                                int transition, double& stimulus) {
  double left = 0.0;
  double right = 0.0;
  const bool hasLeft = TargetLeft(t, start, stop, from, target, transition, left);
  const bool hasRight = TargetRight(t, start, stop, from, target, transition, right);
  return Nearer(hasLeft, left, hasRight, right, from, stimulus);
}
