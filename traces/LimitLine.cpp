#include "traces/LimitLine.h"

#include <algorithm>
#include <cmath>

#include "model/CustomIniFile.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "traces/LineStimuli.h"
#include "traces/LineTrace.h"

namespace {

const TLineFileFormat kFileFormat{"LimitLineData", "LimitTest", "ShowLimit", "ShowFailSign"};

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

std::string Key(const char* name, int n) { return name + IntToText(n); }

}  // namespace

TLimitLine::TLimitLine(TFObject* owner) : TTestedLine(owner) {}

TLimitLine::~TLimitLine() { Unregister(); }

double TLimitLine::GetBegArgument(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].BegArgument : 0.0; }
double TLimitLine::GetEndArgument(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].EndArgument : 0.0; }
double TLimitLine::GetBegValue(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].BegValue : 0.0; }
double TLimitLine::GetEndValue(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].EndValue : 0.0; }
int TLimitLine::GetLimitType(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].LimitType : 0; }
double TLimitLine::GetAbsBegArgument(int i) const { return GetBegArgument(i) + RelativeArgument; }
double TLimitLine::GetAbsEndArgument(int i) const { return GetEndArgument(i) + RelativeArgument; }
double TLimitLine::GetAbsBegValue(int i) const { return GetBegValue(i) + RelativeValue; }
double TLimitLine::GetAbsEndValue(int i) const { return GetEndValue(i) + RelativeValue; }

double TLimitLine::LimitAt(int i, double x) const {
  if (!Valid(i)) return 0.0;
  const TLimitSegment& s = Segments[static_cast<size_t>(i)];
  const double d = s.EndArgument - s.BegArgument;
  if (std::fabs(d) <= 1e-12) return s.BegValue + RelativeValue;
  return s.BegValue + RelativeValue + (s.EndValue - s.BegValue) * (x - (s.BegArgument + RelativeArgument)) / d;
}

void TLimitLine::SetBegArgument(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  TLimitSegment& s = Segments[static_cast<size_t>(i)];
  if (s.EndArgument < x) s.EndArgument = x;
  s.BegArgument = x;
  TestAndNotify();
}

void TLimitLine::SetEndArgument(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  TLimitSegment& s = Segments[static_cast<size_t>(i)];
  if (s.BegArgument > x) s.BegArgument = x;
  s.EndArgument = x;
  TestAndNotify();
}

void TLimitLine::SetBegValue(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  if (const ILineTrace* t = Link()) x = ClampToRange(x, t->MinValue(), t->MaxValue());
  Segments[static_cast<size_t>(i)].BegValue = x;
  TestAndNotify();
}

void TLimitLine::SetEndValue(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  if (const ILineTrace* t = Link()) x = ClampToRange(x, t->MinValue(), t->MaxValue());
  Segments[static_cast<size_t>(i)].EndValue = x;
  TestAndNotify();
}

void TLimitLine::SetLimitType(int i, int code) {
  if (!Valid(i)) return;
  Segments[static_cast<size_t>(i)].LimitType = code;
  TestAndNotify();
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

void TLimitLine::InsertSegment(int i) {
  if (Segments.empty()) {
    const ILineTrace* t = Link();
    const double x = (t != nullptr && t->PointCount() > 0) ? t->PointStimulus(0) : 0.0;
    Segments.push_back({x, x, 0.0, 0.0, kLimitOff});
  } else {
    i = ClampToRange(i, 0, GetSegmentCount() - 1);
    const TLimitSegment& s = Segments[static_cast<size_t>(i)];
    const TLimitSegment copy{s.BegArgument, s.EndArgument, 0.0, 0.0, kLimitOff};
    Segments.insert(Segments.begin() + i + 1, copy);
  }
  Refresh();
  Notify();
}

void TLimitLine::DeleteSegment(int i) {
  if (!Valid(i)) return;
  Segments.erase(Segments.begin() + i);
  Refresh();
  Notify();
}

void TLimitLine::Clear() {
  RelativeArgument = 0.0;
  RelativeValue = 0.0;
  Segments.clear();
  ClearResults();
  Notify();
}

void TLimitLine::ReplaceSegments(const std::vector<TLimitSegment>& segments) {
  const ILineTrace* t = Link();
  const double first = (t != nullptr && t->PointCount() > 0) ? t->PointStimulus(0) : 0.0;
  auto clamp = [t](double v) { return t != nullptr ? ClampToRange(v, t->MinValue(), t->MaxValue()) : v; };
  std::vector<TLimitSegment> out;
  out.reserve(segments.size());
  for (const TLimitSegment& g : segments) {
    // A new segment copies the arguments of the one before it.
    TLimitSegment s{first, first, 0.0, 0.0, kLimitOff};
    if (!out.empty()) {
      s.BegArgument = out.back().BegArgument;
      s.EndArgument = out.back().EndArgument;
    }
    s.LimitType = g.LimitType;
    if (std::isfinite(g.BegArgument)) {
      if (s.EndArgument < g.BegArgument) s.EndArgument = g.BegArgument;
      s.BegArgument = g.BegArgument;
    }
    if (std::isfinite(g.EndArgument)) {
      if (s.BegArgument > g.EndArgument) s.BegArgument = g.EndArgument;
      s.EndArgument = g.EndArgument;
    }
    if (std::isfinite(g.BegValue)) s.BegValue = clamp(g.BegValue);
    if (std::isfinite(g.EndValue)) s.EndValue = clamp(g.EndValue);
    out.push_back(s);
  }
  RelativeArgument = 0.0;
  RelativeValue = 0.0;
  Segments = std::move(out);
  Refresh();
  Notify();
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
  ini.WriteInteger(section, "SegmentCount", GetSegmentCount());
  for (int n = 0; n < GetSegmentCount(); ++n) {
    const TLimitSegment& s = Segments[static_cast<size_t>(n)];
    ini.WriteFloat(section, Key("BegArgument", n), s.BegArgument);
    ini.WriteFloat(section, Key("EndArgument", n), s.EndArgument);
    ini.WriteFloat(section, Key("BegValue", n), s.BegValue);
    ini.WriteFloat(section, Key("EndValue", n), s.EndValue);
    ini.WriteInteger(section, Key("LimitType", n), s.LimitType);
  }
}

void TLimitLine::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  // Everything is read before anything changes.
  const double relArg = ini.ReadFloat(section, "RelativeArgument", 0.0);
  const double relValue = ini.ReadFloat(section, "RelativeValue", 0.0);
  const int count = ClampToRange(ini.ReadInteger(section, "SegmentCount", 0), 0, kMaxSegments);
  std::vector<TLimitSegment> segments;
  segments.reserve(static_cast<size_t>(count));
  for (int n = 0; n < count; ++n) {
    TLimitSegment s;
    s.BegArgument = ini.ReadFloat(section, Key("BegArgument", n), 0.0);
    s.EndArgument = ini.ReadFloat(section, Key("EndArgument", n), 0.0);
    s.BegValue = ini.ReadFloat(section, Key("BegValue", n), 0.0);
    s.EndValue = ini.ReadFloat(section, Key("EndValue", n), 0.0);
    s.LimitType = ini.ReadInteger(section, Key("LimitType", n), 0);
    segments.push_back(s);
  }
  RelativeArgument = relArg;
  RelativeValue = relValue;
  Segments = std::move(segments);
  Refresh();
}

void TLimitLine::SaveFile(const std::string& path, const TLineFileFlags& flags) const {
  kFileFormat.Save(path, flags, [this](TCustomIniFile& ini, const std::string& section) { SaveToIni(ini, section); });
}

TLineFileFlags TLimitLine::LoadFile(const std::string& path) {
  const TLineFileFlags flags =
      kFileFormat.Load(path, [this](const TCustomIniFile& ini, const std::string& section) { LoadFromIni(ini, section); });
  // The file's own switch decides whether the fresh segments are tested.
  TestOrClear(flags.Test);
  return flags;
}
