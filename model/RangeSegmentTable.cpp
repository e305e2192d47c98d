// TRange: the segment table, its editing operations and the segment files.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>

#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "model/Utils.h"

namespace {

const char* const kSection = "SegmentSweepData";

double Limit(double x, double lo, double hi) { return std::max(lo, std::min(x, hi)); }

}  // namespace

int TRange::GetTotalSegmentPoints() const {
  const int64_t total = TotalSegmentPoints(Segments);
  return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(total, INT32_MAX)));
}

double TRange::GetSegmentLowerLimit(int i) const {
  return i == 0 ? GetDeviceMinFrequency() : Seg(i - 1).Stop;
}

double TRange::GetSegmentUpperLimit(int i) const {
  return i + 1 < GetSegmentCount() ? Seg(i + 1).Start : GetDeviceMaxFrequency();
}

int TRange::GetSegmentMinPoints(int i) const {
  return GetSegmentCount() != 1 && NearlyEqual(Seg(i).Start, Seg(i).Stop) ? 1 : 2;
}

int TRange::GetSegmentMaxPoints(int i) const {
  const int64_t room = static_cast<int64_t>(Seg(i).Points) + MaxPoints - TotalSegmentPoints(Segments);
  return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(room, INT32_MAX)));
}

TRange::TSegmentEditBatch::TSegmentEditBatch(TRange& range)
    : range_(range), unwinding_(std::uncaught_exceptions()) {
  ++range_.SegmentBatchDepth;
}

TRange::TSegmentEditBatch::~TSegmentEditBatch() noexcept(false) {
  if (--range_.SegmentBatchDepth > 0 || !range_.SegmentBatchDirty) return;
  range_.SegmentBatchDirty = false;
  if (std::uncaught_exceptions() > unwinding_) {
    // A second exception from a handler while the first unwinds would end the program.
    try {
      range_.SegmentChanged();
    } catch (...) {
    }
    return;
  }
  range_.SegmentChanged();
}

void TRange::SegmentChanged() {
  if (SegmentBatchDepth > 0) {
    SegmentBatchDirty = true;
    return;
  }
  if (SweepMode == Segm) {
    TChangingScope changing(*this, ChangeNotify);
    SweepTime = 0;
    RebuildPoints();
    if (ChangeNotify) Fire(OnChange);
  }
  Fire(OnSettingsChange);
}

void TRange::SetSegmentStart(int i, double f) {
  if (!std::isfinite(f)) return;
  SegmentCenterPriority = false;
  const double upper = GetSegmentUpperLimit(i);
  f = Limit(f, GetSegmentLowerLimit(i), upper);
  TSegment& s = Seg(i);
  if (f == s.Start) return;
  s.Start = f;
  s.Stop = s.Points == 1 ? f : Limit(s.Stop, f, upper);
  SegmentChanged();
}

void TRange::SetSegmentStop(int i, double f) {
  if (!std::isfinite(f)) return;
  SegmentCenterPriority = false;
  const double lower = GetSegmentLowerLimit(i);
  f = Limit(f, lower, GetSegmentUpperLimit(i));
  TSegment& s = Seg(i);
  if (f == s.Stop) return;
  s.Stop = f;
  s.Start = s.Points == 1 ? f : Limit(s.Start, lower, f);
  SegmentChanged();
}

void TRange::SetSegmentCenter(int i, double c) {
  if (!std::isfinite(c)) return;
  SegmentCenterPriority = true;
  const double lower = GetSegmentLowerLimit(i);
  const double upper = GetSegmentUpperLimit(i);
  c = Limit(c, lower, upper);
  if (c == GetSegmentCenter(i)) return;
  const double span = std::min(2 * std::min(upper - c, c - lower), GetSegmentSpan(i));
  TSegment& s = Seg(i);
  s.Start = c - span / 2;
  s.Stop = c + span / 2;
  SegmentChanged();
}

void TRange::SetSegmentSpan(int i, double span) {
  if (!std::isfinite(span)) return;
  SegmentCenterPriority = true;
  const double lower = GetSegmentLowerLimit(i);
  const double upper = GetSegmentUpperLimit(i);
  span = Limit(span, 0.0, upper - lower);
  if (Seg(i).Points == 1) span = 0;
  if (span == GetSegmentSpan(i)) return;
  const double centre = Limit(GetSegmentCenter(i), lower + span / 2, upper - span / 2);
  TSegment& s = Seg(i);
  s.Start = centre - span / 2;
  s.Stop = centre + span / 2;
  SegmentChanged();
}

void TRange::SetSegmentPoints(int i, int n) {
  // The lower limit goes last: on a table that is already over-full the room is negative, and
  // a segment must still keep its minimum.
  n = std::min(n, GetSegmentMaxPoints(i));
  n = std::max(n, GetSegmentMinPoints(i));
  if (n == Seg(i).Points) return;
  Seg(i).Points = n;
  SegmentChanged();
}

void TRange::SetSegmentIFBW(int i, int32_t v) {
  v = TSegment::NearestIFBW(v);
  if (v == Seg(i).IFBW) return;
  Seg(i).IFBW = v;
  SegmentChanged();
}

void TRange::SetSegmentDelay(int i, double d) {
  if (!std::isfinite(d)) return;
  d = Limit(RoundToStep(0.005, d), 0.0, TSegment::MaxDelay);
  if (d == Seg(i).Delay) return;
  Seg(i).Delay = d;
  SegmentChanged();
}

void TRange::SetSegmentPower(int i, double p) {
  if (!std::isfinite(p)) return;
  p = Limit(RoundToStep(0.05, p), GetDeviceMinPower(), GetDeviceMaxPower());
  if (p == Seg(i).Power) return;
  Seg(i).Power = p;
  SegmentChanged();
}

void TRange::SetSegmentListIFBW(bool flag) {
  if (flag == SegmentListIFBW) return;
  SegmentListIFBW = flag;
  SegmentChanged();
}

void TRange::SetSegmentListPower(bool flag) {
  if (flag == SegmentListPower) return;
  SegmentListPower = flag;
  SegmentChanged();
}

void TRange::SetSegmentListDelay(bool flag) {
  if (flag == SegmentListDelay) return;
  SegmentListDelay = flag;
  SegmentChanged();
}

bool TRange::InsertSegment(int i) {
  const TSegment& source = Seg(i);
  const int64_t free = MaxPoints - TotalSegmentPoints(Segments);
  const int64_t n = std::min<int64_t>(source.Points, free);
  if (n <= 0) return false;
  TSegment added = source;
  added.Start = source.Stop;
  added.Points = static_cast<int32_t>(n);
  Segments.insert(Segments.begin() + i + 1, added);
  SegmentChanged();
  return true;
}

void TRange::DeleteSegment(int i) {
  if (Segments.size() <= 1) return;
  Segments.erase(Segments.begin() + i);
  if (Segments.size() == 1) Segments[0].Points = std::max<int32_t>(Segments[0].Points, 2);
  SegmentChanged();
}

void TRange::SaveSegmentTable(const std::string& fileName) {
  TMemIniFile ini;
  ini.WriteBool(kSection, "SegmentListPower", SegmentListPower);
  ini.WriteBool(kSection, "SegmentListIFBW", SegmentListIFBW);
  ini.WriteBool(kSection, "SegmentListDelay", SegmentListDelay);
  ini.WriteBool(kSection, "SegmentCenterPriority", SegmentCenterPriority);
  WriteSegmentKeys(ini, kSection, Segments);
  ini.Rename(fileName, false);
  ini.UpdateFile();
}

void TRange::LoadSegmentTable(const std::string& fileName) {
  const TMemIniFile ini(fileName);
  // Only a missing file means "no table yet"; an existing file without the table is someone
  // else's file, and reading it as one default segment would throw the user's table away.
  std::error_code ec;
  if (std::filesystem::status(fileName, ec).type() != std::filesystem::file_type::not_found &&
      !ini.SectionExists(kSection))
    throw EAbort("\"" + fileName + "\" is not a segment table", 200);
  TSegments table;
  if (!ReadSegmentKeys(ini, kSection, table, DefaultSegment()))
    throw EAbort("The segment table in \"" + fileName + "\" holds more than 16001 points", 200);
  SegmentListPower = ini.ReadBool(kSection, "SegmentListPower", SegmentListPower);
  SegmentListIFBW = ini.ReadBool(kSection, "SegmentListIFBW", SegmentListIFBW);
  SegmentListDelay = ini.ReadBool(kSection, "SegmentListDelay", SegmentListDelay);
  SegmentCenterPriority = ini.ReadBool(kSection, "SegmentCenterPriority", SegmentCenterPriority);
  Segments = std::move(table);
  Changed(true);
}
