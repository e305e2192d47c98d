#include "traces/RippleLine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/CustomIniFile.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "traces/LineStimuli.h"
#include "traces/LineTrace.h"

namespace {

const TLineFileFormat kFileFormat{"RippleLineData", "RippleTest", "ShowRippleLimit", "ShowRippleFailSign"};

std::string Key(const char* name, int n) { return name + IntToText(n); }

// A deviation beyond half the limit, or no number at all.
bool Deviates(double v, double mean, double halfLimit) {
  if (!std::isfinite(v) || !std::isfinite(mean)) return true;
  return std::fabs(v - mean) > halfLimit;
}

}  // namespace

TRippleLine::TRippleLine(TFObject* owner) : TTestedLine(owner) {}

TRippleLine::~TRippleLine() { Unregister(); }

double TRippleLine::GetBegArgument(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].BegArgument : 0.0; }
double TRippleLine::GetEndArgument(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].EndArgument : 0.0; }
double TRippleLine::GetRippleLimit(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].RippleLimit : 0.0; }
int TRippleLine::GetRippleType(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].RippleType : 0; }
double TRippleLine::GetMean(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].Mean : 0.0; }
double TRippleLine::GetMin(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].Min : 0.0; }
double TRippleLine::GetMax(int i) const { return Valid(i) ? Segments[static_cast<size_t>(i)].Max : 0.0; }

void TRippleLine::SetBegArgument(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  TRippleSegment& s = Segments[static_cast<size_t>(i)];
  if (s.EndArgument < x) s.EndArgument = x;
  s.BegArgument = x;
  TestAndNotify();
}

void TRippleLine::SetEndArgument(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  TRippleSegment& s = Segments[static_cast<size_t>(i)];
  if (s.BegArgument > x) s.BegArgument = x;
  s.EndArgument = x;
  TestAndNotify();
}

void TRippleLine::SetRippleLimit(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  // A ripple is a width, not a value of the scale: it runs from 0 to the scale's whole range,
  // so an SWR ripple below 1 can be set and a dB ripple is never negative.
  double top = std::max(x, 0.0);
  if (const ILineTrace* t = Link()) top = std::max(0.0, t->MaxValue() - t->MinValue());
  Segments[static_cast<size_t>(i)].RippleLimit = ClampToRange(x, 0.0, top);
  TestAndNotify();
}

void TRippleLine::SetRippleType(int i, int code) {
  if (!Valid(i)) return;
  Segments[static_cast<size_t>(i)].RippleType = code;
  TestAndNotify();
}

void TRippleLine::InsertSegment(int i) {
  TRippleSegment s;
  if (Segments.empty()) {
    const ILineTrace* t = Link();
    const double x = (t != nullptr && t->PointCount() > 0) ? t->PointStimulus(0) : 0.0;
    s.BegArgument = s.EndArgument = x;
    Segments.push_back(s);
  } else {
    i = ClampToRange(i, 0, GetSegmentCount() - 1);
    s.BegArgument = Segments[static_cast<size_t>(i)].BegArgument;
    s.EndArgument = Segments[static_cast<size_t>(i)].EndArgument;
    Segments.insert(Segments.begin() + i + 1, s);
  }
  Refresh();
  Notify();
}

void TRippleLine::DeleteSegment(int i) {
  if (!Valid(i)) return;
  Segments.erase(Segments.begin() + i);
  Refresh();
  Notify();
}

void TRippleLine::Clear() {
  Segments.clear();
  ClearResults();
  Notify();
}

void TRippleLine::ReplaceSegments(const std::vector<TRippleSegment>& segments) {
  const ILineTrace* t = Link();
  const double first = (t != nullptr && t->PointCount() > 0) ? t->PointStimulus(0) : 0.0;
  std::vector<TRippleSegment> out;
  out.reserve(segments.size());
  for (const TRippleSegment& g : segments) {
    TRippleSegment s;
    s.BegArgument = s.EndArgument = first;
    if (!out.empty()) {
      s.BegArgument = out.back().BegArgument;
      s.EndArgument = out.back().EndArgument;
    }
    s.RippleType = g.RippleType;
    if (std::isfinite(g.BegArgument)) {
      if (s.EndArgument < g.BegArgument) s.EndArgument = g.BegArgument;
      s.BegArgument = g.BegArgument;
    }
    if (std::isfinite(g.EndArgument)) {
      if (s.BegArgument > g.EndArgument) s.BegArgument = g.EndArgument;
      s.EndArgument = g.EndArgument;
    }
    if (std::isfinite(g.RippleLimit)) {
      double top = std::max(g.RippleLimit, 0.0);
      if (t != nullptr) top = std::max(0.0, t->MaxValue() - t->MinValue());
      s.RippleLimit = ClampToRange(g.RippleLimit, 0.0, top);
    }
    out.push_back(s);
  }
  Segments = std::move(out);
  Refresh();
  Notify();
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

void TRippleLine::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "RippleSegmentCount", GetSegmentCount());
  for (int n = 0; n < GetSegmentCount(); ++n) {
    const TRippleSegment& s = Segments[static_cast<size_t>(n)];
    ini.WriteFloat(section, Key("RippleBegArgument", n), s.BegArgument);
    ini.WriteFloat(section, Key("RippleEndArgument", n), s.EndArgument);
    ini.WriteFloat(section, Key("RippleLimit", n), s.RippleLimit);
    ini.WriteInteger(section, Key("RippleType", n), s.RippleType);
  }
}

void TRippleLine::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  const int count = ClampToRange(ini.ReadInteger(section, "RippleSegmentCount", 0), 0, kMaxSegments);
  std::vector<TRippleSegment> segments;
  segments.reserve(static_cast<size_t>(count));
  for (int n = 0; n < count; ++n) {
    TRippleSegment s;
    s.BegArgument = ini.ReadFloat(section, Key("RippleBegArgument", n), 0.0);
    s.EndArgument = ini.ReadFloat(section, Key("RippleEndArgument", n), 0.0);
    s.RippleLimit = ini.ReadFloat(section, Key("RippleLimit", n), 0.0);
    s.RippleType = ini.ReadInteger(section, Key("RippleType", n), 0);
    segments.push_back(s);
  }
  Segments = std::move(segments);
  Refresh();
}

void TRippleLine::SaveFile(const std::string& path, const TLineFileFlags& flags) const {
  kFileFormat.Save(path, flags, [this](TCustomIniFile& ini, const std::string& section) { SaveToIni(ini, section); });
}

TLineFileFlags TRippleLine::LoadFile(const std::string& path) {
  const TLineFileFlags flags =
      kFileFormat.Load(path, [this](const TCustomIniFile& ini, const std::string& section) { LoadFromIni(ini, section); });
  TestOrClear(flags.Test);
  return flags;
}
