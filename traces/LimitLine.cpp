#include "traces/LimitLine.h"

#include <algorithm>
#include <cmath>

#include "model/CustomIniFile.h"
#include "model/Utils.h"
#include "traces/LineStimuli.h"
#include "traces/LineTrace.h"

namespace {

const TLineFileFormat kFileFormat{"LimitLineData", "LimitTest", "ShowLimit", "ShowFailSign"};

const TSegmentKeys<TLimitSegment> kKeys{"SegmentCount",
                                        {{"BegArgument", &TLimitSegment::BegArgument},
                                         {"EndArgument", &TLimitSegment::EndArgument},
                                         {"BegValue", &TLimitSegment::BegValue},
                                         {"EndValue", &TLimitSegment::EndValue},
                                         {"LimitType", nullptr, &TLimitSegment::LimitType}}};

// A value that does not keep the limit: below a lower limit, above an upper one, or no number.
bool Violates(int type, double v, double limit) {
  if (!std::isfinite(v)) return true;
  return (type == TLimitLine::kLimitLower && v < limit) || (type == TLimitLine::kLimitUpper && v > limit);
}

// A run that has begun goes on through points on the limit.
bool ContinuesRun(int type, double v, double limit) {
  if (!std::isfinite(v)) return true;
  return type == TLimitLine::kLimitLower ? v <= limit : v >= limit;
}

}  // namespace

TLimitLine::TLimitLine(TFObject* owner) : TSegmentLine(owner, kFileFormat, kKeys) {}

TLimitLine::~TLimitLine() { Unregister(); }

double TLimitLine::LimitAt(int i, double x) const {
  if (!Valid(i)) return 0.0;
  const TLimitSegment& s = Segments[static_cast<size_t>(i)];
  const double d = s.EndArgument - s.BegArgument;
  if (std::fabs(d) <= 1e-12) return s.BegValue + RelativeValue;
  return s.BegValue + RelativeValue + (s.EndValue - s.BegValue) * (x - (s.BegArgument + RelativeArgument)) / d;
}

double TLimitLine::ClampValue(double x) const {
  const ILineTrace* t = Link();
  return t != nullptr ? ClampToRange(x, t->MinValue(), t->MaxValue()) : x;
}

void TLimitLine::SetBegValue(int i, double x) {
  if (Valid(i) && std::isfinite(x)) SetField(i, &TLimitSegment::BegValue, ClampValue(x));
}

void TLimitLine::SetEndValue(int i, double x) {
  if (Valid(i) && std::isfinite(x)) SetField(i, &TLimitSegment::EndValue, ClampValue(x));
}

void TLimitLine::SetRelativeArgument(double x) {
  if (!std::isfinite(x) || NearlyEqual(x, RelativeArgument)) return;
  RelativeArgument = x;
  TestAndNotify();
}

void TLimitLine::SetRelativeValue(double x) {
  if (!std::isfinite(x) || NearlyEqual(x, RelativeValue)) return;
  RelativeValue = x;
  TestAndNotify();
}

void TLimitLine::TakeOwnFields(const TLimitSegment& given, TLimitSegment& s) const {
  s.LimitType = given.LimitType;
  if (std::isfinite(given.BegValue)) s.BegValue = ClampValue(given.BegValue);
  if (std::isfinite(given.EndValue)) s.EndValue = ClampValue(given.EndValue);
}

void TLimitLine::ResetOffsets() {
  RelativeArgument = 0.0;
  RelativeValue = 0.0;
}

void TLimitLine::ClearResults() {
  FailRuns.clear();
  FailBounds.clear();
}

void TLimitLine::Test() {
  ClearResults();
  const ILineTrace* t = Link();
  if (Segments.empty() || t == nullptr) return;
  const TLineStimuli stimuli(*t);
  const TDisplayValues value(*t);
  const int n = stimuli.Count();
  if (n <= 0) return;
  const double first = stimuli[0];
  const double last = stimuli[n - 1];
  for (int i = 0; i < GetSegmentCount(); ++i) {
    const int type = Segments[static_cast<size_t>(i)].LimitType;
    if (type != kLimitLower && type != kLimitUpper) continue;
    const double beg = GetAbsBegArgument(i);
    const double end = GetAbsEndArgument(i);
    for (int k = stimuli.First(beg); k < n; ++k) {
      const double x = stimuli[k];
      if (stimuli.PastEnd(x, end)) break;
      if (x < beg || x > end) continue;
      if (!Violates(type, value(k), LimitAt(i, x))) continue;
      const int firstPoint = k;
      int lastPoint = n - 1;
      for (int j = k + 1; j < n; ++j) {
        k = j;
        const double xj = stimuli[j];
        if (xj > end || !ContinuesRun(type, value(j), LimitAt(i, xj))) {
          lastPoint = j - 1;
          break;
        }
      }
      if (lastPoint == n - 1) k = n;  // every later point continued the run
      FailRuns.push_back({i, firstPoint, lastPoint});
    }
    // The segment's ends, where they lie within the trace.
    bool begFailed = false;
    bool endFailed = false;
    if (first <= beg && beg <= last) begFailed = Violates(type, t->ValueAtStimulus(beg), GetAbsBegValue(i));
    if (first <= end && end <= last) endFailed = Violates(type, t->ValueAtStimulus(end), GetAbsEndValue(i));
    if (begFailed || endFailed) FailBounds.push_back({i, begFailed, endFailed});
  }
}

bool TLimitLine::TestSwitchOn(const ILineTrace& trace) const { return trace.LimitTestOn(); }

void TLimitLine::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteFloat(section, "RelativeArgument", RelativeArgument);
  ini.WriteFloat(section, "RelativeValue", RelativeValue);
  WriteSegments(ini, section);
}

void TLimitLine::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  // Everything is read before anything changes.
  const double relArg = ini.ReadFloat(section, "RelativeArgument", 0.0);
  const double relValue = ini.ReadFloat(section, "RelativeValue", 0.0);
  std::vector<TLimitSegment> segments = ReadSegments(ini, section);
  RelativeArgument = relArg;
  RelativeValue = relValue;
  Segments = std::move(segments);
  Refresh();
}
