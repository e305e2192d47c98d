#include "traces/SegmentLine.h"

#include <cmath>

#include "model/CustomIniFile.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "traces/LimitLine.h"
#include "traces/LineTrace.h"
#include "traces/RippleLine.h"

namespace {

std::string Key(const char* name, int n) { return name + IntToText(n); }

// Where a segment of an empty table begins and ends.
double FirstStimulus(const ILineTrace* t) { return (t != nullptr && t->PointCount() > 0) ? t->PointStimulus(0) : 0.0; }

}  // namespace

template <class Segment>
TSegmentLine<Segment>::TSegmentLine(TFObject* owner, const TLineFileFormat& format, const TSegmentKeys<Segment>& keys)
    : TTestedLine(owner), format_(format), keys_(keys) {}

template <class Segment>
void TSegmentLine<Segment>::SetBegArgument(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  Segment& s = Segments[static_cast<size_t>(i)];
  if (s.EndArgument < x) s.EndArgument = x;
  s.BegArgument = x;
  TestAndNotify();
}

template <class Segment>
void TSegmentLine<Segment>::SetEndArgument(int i, double x) {
  if (!Valid(i) || !std::isfinite(x)) return;
  Segment& s = Segments[static_cast<size_t>(i)];
  if (s.BegArgument > x) s.BegArgument = x;
  s.EndArgument = x;
  TestAndNotify();
}

template <class Segment>
void TSegmentLine<Segment>::InsertSegment(int i) {
  Segment s;
  if (Segments.empty()) {
    s.BegArgument = s.EndArgument = FirstStimulus(Link());
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

template <class Segment>
void TSegmentLine<Segment>::DeleteSegment(int i) {
  if (!Valid(i)) return;
  Segments.erase(Segments.begin() + i);
  Refresh();
  Notify();
}

template <class Segment>
void TSegmentLine<Segment>::Clear() {
  ResetOffsets();
  Segments.clear();
  ClearResults();
  Notify();
}

template <class Segment>
void TSegmentLine<Segment>::ReplaceSegments(const std::vector<Segment>& segments) {
  const double first = FirstStimulus(Link());
  std::vector<Segment> out;
  out.reserve(segments.size());
  for (const Segment& g : segments) {
    // A new segment copies the arguments of the one before it.
    Segment s;
    s.BegArgument = out.empty() ? first : out.back().BegArgument;
    s.EndArgument = out.empty() ? first : out.back().EndArgument;
    if (std::isfinite(g.BegArgument)) {
      if (s.EndArgument < g.BegArgument) s.EndArgument = g.BegArgument;
      s.BegArgument = g.BegArgument;
    }
    if (std::isfinite(g.EndArgument)) {
      if (s.BegArgument > g.EndArgument) s.BegArgument = g.EndArgument;
      s.EndArgument = g.EndArgument;
    }
    TakeOwnFields(g, s);
    out.push_back(s);
  }
  ResetOffsets();
  Segments = std::move(out);
  Refresh();
  Notify();
}

template <class Segment>
std::vector<Segment> TSegmentLine<Segment>::ReadSegments(const TCustomIniFile& ini, const std::string& section) const {
  const int count = ClampToRange(ini.ReadInteger(section, keys_.Count, 0), 0, kMaxSegments);
  std::vector<Segment> segments;
  segments.reserve(static_cast<size_t>(count));
  for (int n = 0; n < count; ++n) {
    Segment s;
    for (const TSegmentField<Segment>& f : keys_.Fields) {
      if (f.Real != nullptr) {
        s.*f.Real = ini.ReadFloat(section, Key(f.Name, n), 0.0);
      } else {
        s.*f.Whole = ini.ReadInteger(section, Key(f.Name, n), 0);
      }
    }
    segments.push_back(s);
  }
  return segments;
}

template <class Segment>
void TSegmentLine<Segment>::WriteSegments(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, keys_.Count, GetSegmentCount());
  for (int n = 0; n < GetSegmentCount(); ++n) {
    const Segment& s = Segments[static_cast<size_t>(n)];
    for (const TSegmentField<Segment>& f : keys_.Fields) {
      if (f.Real != nullptr) {
        ini.WriteFloat(section, Key(f.Name, n), s.*f.Real);
      } else {
        ini.WriteInteger(section, Key(f.Name, n), s.*f.Whole);
      }
    }
  }
}

template <class Segment>
void TSegmentLine<Segment>::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  WriteSegments(ini, section);
}

template <class Segment>
void TSegmentLine<Segment>::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  Segments = ReadSegments(ini, section);
  Refresh();
}

template <class Segment>
void TSegmentLine<Segment>::SaveFile(const std::string& path, const TLineFileFlags& flags) const {
  format_.Save(path, flags, [this](TCustomIniFile& ini, const std::string& section) { SaveToIni(ini, section); });
}

template <class Segment>
TLineFileFlags TSegmentLine<Segment>::LoadFile(const std::string& path) {
  const TLineFileFlags flags =
      format_.Load(path, [this](const TCustomIniFile& ini, const std::string& section) { LoadFromIni(ini, section); });
  // The file's own switch decides whether the fresh segments are tested.
  TestOrClear(flags.Test);
  return flags;
}

template class TSegmentLine<TLimitSegment>;
template class TSegmentLine<TRippleSegment>;
