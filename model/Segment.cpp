#include "model/Segment.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "model/CustomIniFile.h"
#include "model/LittleEndian.h"
#include "model/NumberText.h"

namespace {

constexpr int32_t kIFBWValues[] = {100, 300, 1000, 3000, 10000, 30000};

// Truncates toward zero into the int32 range; NaN gives 0.
int32_t TruncToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

double FiniteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

}  // namespace

TSegment TSegment::Default(double deviceMinFrequency) {
  TSegment s;
  s.Start = deviceMinFrequency;
  s.Stop = deviceMinFrequency;
  return s;
}

void TSegment::WriteBytes(uint8_t* out) const {
  le::PutF64(out + 0, Start);
  le::PutF64(out + 8, Stop);
  le::PutI32(out + 16, Points);
  le::PutI32(out + 20, IFBW);
  le::PutF64(out + 24, Delay);
  le::PutF64(out + 32, Power);
}

TSegment TSegment::ReadBytes(const uint8_t* in) {
  TSegment s;
  s.Start = le::GetF64(in + 0);
  s.Stop = le::GetF64(in + 8);
  s.Points = le::GetI32(in + 16);
  s.IFBW = le::GetI32(in + 20);
  s.Delay = le::GetF64(in + 24);
  s.Power = le::GetF64(in + 32);
  return s;
}

int32_t TSegment::NearestIFBW(double value) {
  // Outside the list the nearest is its end; limiting first keeps huge values from rounding
  // into a tie.
  if (!(value > kIFBWValues[0])) return kIFBWValues[0];
  value = std::min<double>(value, kIFBWValues[std::size(kIFBWValues) - 1]);
  int32_t best = kIFBWValues[0];
  double bestDiff = std::fabs(value - best);
  for (int32_t v : kIFBWValues) {
    const double diff = std::fabs(value - v);
    if (diff < bestDiff) {
      best = v;
      bestDiff = diff;
    }
  }
  return best;
}

int64_t TotalSegmentPoints(const TSegments& segments) {
  int64_t total = 0;
  for (const TSegment& s : segments) total += s.Points;
  return total;
}

void WriteSegmentKeys(TCustomIniFile& ini, const std::string& section, const TSegments& segments) {
  ini.WriteInteger(section, "SegmentCount", static_cast<long long>(segments.size()));
  for (size_t i = 0; i < segments.size(); ++i) {
    const std::string n = IntToText(static_cast<long long>(i));
    const TSegment& s = segments[i];
    ini.WriteFloat(section, "SegmentStart" + n, s.Start);
    ini.WriteFloat(section, "SegmentStop" + n, s.Stop);
    ini.WriteInteger(section, "SegmentPoints" + n, s.Points);
    ini.WriteInteger(section, "SegmentIFBW" + n, s.IFBW);
    ini.WriteFloat(section, "SegmentDelay" + n, s.Delay);
    ini.WriteFloat(section, "SegmentOutPower" + n, s.Power);
  }
}

bool ReadSegmentKeys(const TCustomIniFile& ini, const std::string& section, TSegments& target,
                     const TSegment& defaultSegment) {
  const int count = ini.ReadInteger(section, "SegmentCount", 0);
  if (count > TSegment::MaxTotalPoints) return false;  // before any allocation
  TSegments table;
  if (count <= 0) {
    table.push_back(defaultSegment);
  } else {
    table.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      const std::string n = IntToText(i);
      TSegment s = defaultSegment;
      s.Start = ini.ReadFloat(section, "SegmentStart" + n, defaultSegment.Start);
      s.Stop = ini.ReadFloat(section, "SegmentStop" + n, defaultSegment.Stop);
      s.Points = ini.ReadInteger(section, "SegmentPoints" + n, defaultSegment.Points);
      s.Power = ini.ReadFloat(section, "SegmentOutPower" + n, defaultSegment.Power);
      s.IFBW = TruncToInt32(ini.ReadFloat(section, "SegmentIFBW" + n, defaultSegment.IFBW));
      s.Delay = ini.ReadFloat(section, "SegmentDelay" + n, defaultSegment.Delay);
      table.push_back(s);
    }
  }
  if (!SanitizeSegmentTable(table, defaultSegment)) return false;
  target = std::move(table);
  return true;
}

bool SanitizeSegmentTable(TSegments& segments, const TSegment& defaultSegment) {
  if (segments.size() > static_cast<size_t>(TSegment::MaxTotalPoints)) return false;
  int64_t total = 0;
  for (const TSegment& s : segments) total += std::max<int32_t>(s.Points, 1);
  if (total > TSegment::MaxTotalPoints) return false;
  if (segments.empty()) {
    segments.push_back(defaultSegment);
    return true;
  }
  for (TSegment& s : segments) {
    s.Start = FiniteOr(s.Start, defaultSegment.Start);
    s.Stop = FiniteOr(s.Stop, defaultSegment.Stop);
    s.Points = std::max<int32_t>(s.Points, 1);
    s.IFBW = TSegment::NearestIFBW(s.IFBW);
    s.Delay = std::clamp(FiniteOr(s.Delay, defaultSegment.Delay), 0.0, TSegment::MaxDelay);
    s.Power = FiniteOr(s.Power, defaultSegment.Power);
  }
  return true;
}
