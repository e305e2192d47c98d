#include "traces/RippleLine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Utils.h"
#include "traces/LineStimuli.h"
#include "traces/LineTrace.h"

namespace {

const TLineFileFormat kFileFormat{"RippleLineData", "RippleTest", "ShowRippleLimit", "ShowRippleFailSign"};

const TSegmentKeys<TRippleSegment> kKeys{"RippleSegmentCount",
                                         {{"RippleBegArgument", &TRippleSegment::BegArgument},
                                          {"RippleEndArgument", &TRippleSegment::EndArgument},
                                          {"RippleLimit", &TRippleSegment::RippleLimit},
                                          {"RippleType", nullptr, &TRippleSegment::RippleType}}};

// A deviation beyond half the limit, or no number at all.
bool Deviates(double v, double mean, double halfLimit) {
  if (!std::isfinite(v) || !std::isfinite(mean)) return true;
  return std::fabs(v - mean) > halfLimit;
}

}  // namespace

TRippleLine::TRippleLine(TFObject* owner) : TSegmentLine(owner, kFileFormat, kKeys) {}

TRippleLine::~TRippleLine() { Unregister(); }

double TRippleLine::ClampLimit(double x) const {
  // A ripple is a width, not a value of the scale: it runs from 0 to the scale's whole range,
  // so an SWR ripple below 1 can be set and a dB ripple is never negative.
  double top = std::max(x, 0.0);
  if (const ILineTrace* t = Link()) top = std::max(0.0, t->MaxValue() - t->MinValue());
  return ClampToRange(x, 0.0, top);
}

void TRippleLine::SetRippleLimit(int i, double x) {
  if (Valid(i) && std::isfinite(x)) SetField(i, &TRippleSegment::RippleLimit, ClampLimit(x));
}

void TRippleLine::TakeOwnFields(const TRippleSegment& given, TRippleSegment& s) const {
  s.RippleType = given.RippleType;
  if (std::isfinite(given.RippleLimit)) s.RippleLimit = ClampLimit(given.RippleLimit);
}

void TRippleLine::ClearResults() {
  FailedPoints.clear();
  FailBounds.clear();
}

void TRippleLine::Test() {
  ClearResults();
  const ILineTrace* t = Link();
  if (t == nullptr) return;
  const TLineStimuli stimuli(*t);
  const TDisplayValues value(*t);
  const int n = stimuli.Count();
  if (n <= 0) return;
  const double first = stimuli[0];
  const double last = stimuli[n - 1];
  for (int i = 0; i < GetSegmentCount(); ++i) {
    TRippleSegment& s = Segments[static_cast<size_t>(i)];
    if (s.RippleType != 1) continue;
    const double vBeg = t->ValueAtStimulus(s.BegArgument);
    const double vEnd = t->ValueAtStimulus(s.EndArgument);
    // Missing values fail on their own; they do not spoil the mean the others are held to.
    double sum = 0.0;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    int counted = 0;
    auto take = [&](double v) {
      if (!std::isfinite(v)) return;
      sum += v;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      ++counted;
    };
    take(vBeg);
    take(vEnd);
    const int from = stimuli.First(s.BegArgument);
    for (int k = from; k < n; ++k) {
      const double x = stimuli[k];
      if (stimuli.PastEnd(x, s.EndArgument)) break;
      if (x < s.BegArgument || x > s.EndArgument) continue;
      take(value(k));
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    s.Mean = counted > 0 ? sum / counted : nan;
    s.Min = counted > 0 ? lo : nan;
    s.Max = counted > 0 ? hi : nan;
    const double half = s.RippleLimit * 0.5;
    for (int k = from; k < n; ++k) {
      const double x = stimuli[k];
      if (stimuli.PastEnd(x, s.EndArgument)) break;
      if (x < s.BegArgument || x > s.EndArgument) continue;
      if (Deviates(value(k), s.Mean, half)) FailedPoints.push_back(k);
    }
    bool begFailed = false;
    bool endFailed = false;
    if (first <= s.BegArgument && s.BegArgument <= last) begFailed = Deviates(vBeg, s.Mean, half);
    if (first <= s.EndArgument && s.EndArgument <= last) endFailed = Deviates(vEnd, s.Mean, half);
    if (begFailed || endFailed) FailBounds.push_back({i, begFailed, endFailed});
  }
}

bool TRippleLine::TestSwitchOn(const ILineTrace& trace) const { return trace.RippleTestOn(); }
