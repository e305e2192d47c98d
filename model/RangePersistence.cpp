// TRange: the channel's state section and its point-data stream.
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/CustomIniFile.h"
#include "model/LittleEndian.h"
#include "model/Range.h"

namespace {

// The longest fixture file name a state section may hold; a longer value is not a path the
// system could open, and reads as no file.
constexpr size_t kMaxFileNameLength = 4096;

// The impedance conversion's range (as SetZConversionValue limits it).
constexpr double kMinZConv = 0.001;
constexpr double kMaxZConv = 10000.0;

std::string ReadFileName(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  std::string name = ini.ReadString(section, key, std::string());
  if (name.size() > kMaxFileNameLength) name.clear();
  return name;
}

// A value a float cannot hold (not finite, or beyond its range) is written as 0, as the reader
// would take it anyway.
float ToFloat(double v) {
  if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) return 0.0f;
  return static_cast<float>(v);
}

float FiniteFloat(const uint8_t* p) {
  const float v = le::GetF32(p);
  return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

void TRange::SaveState(TCustomIniFile& ini, const std::string& s) const {
  ini.WriteInteger(s, "NPoints", NPoints);
  ini.WriteInteger(s, "SweepMode", SweepMode);
  ini.WriteInteger(s, "CommonIFBW", CommonIFBW);
  ini.WriteFloat(s, "MinFrequency", MinFrequency);
  ini.WriteFloat(s, "MaxFrequency", MaxFrequency);
  ini.WriteFloat(s, "OutputPower", OutputPower);
  ini.WriteFloat(s, "PowerSlope", PowerSlope);
  ini.WriteFloat(s, "MinPower", MinPower);
  ini.WriteFloat(s, "MaxPower", MaxPower);
  ini.WriteFloat(s, "FixedFreq", FixedFreq);
  ini.WriteFloat(s, "CommonDelay", CommonDelay);
  ini.WriteBool(s, "FOMState", FOMState);
  ini.WriteFloat(s, "FOMOffset0", FOMOffset[0]);
  ini.WriteFloat(s, "FOMOffset1", FOMOffset[1]);
  ini.WriteInteger(s, "FOMMultiplier0", FOMMultiplier[0]);
  ini.WriteInteger(s, "FOMMultiplier1", FOMMultiplier[1]);
  ini.WriteInteger(s, "FOMDivider0", FOMDivider[0]);
  ini.WriteInteger(s, "FOMDivider1", FOMDivider[1]);
  ini.WriteBool(s, "FOMAdjust", FOMAdjust);
  ini.WriteInteger(s, "FOMAdjPort", FOMAdjPort);
  ini.WriteFloat(s, "FOMAdjValue0", FOMAdjValue[0]);
  ini.WriteFloat(s, "FOMAdjValue1", FOMAdjValue[1]);
  ini.WriteBool(s, "FOMAutoAdjust", FOMAutoAdjust);
  ini.WriteInteger(s, "FOMAdjPeriod", FOMAdjPeriod);
  ini.WriteBool(s, "SegmentListPower", SegmentListPower);
  ini.WriteBool(s, "SegmentListIFBW", SegmentListIFBW);
  ini.WriteBool(s, "SegmentListDelay", SegmentListDelay);
  ini.WriteBool(s, "SegmentCenterPriority", SegmentCenterPriority);
  WriteSegmentKeys(ini, s, Segments);
  ini.WriteBool(s, "ZConvEnabled", ZConvEnabled);
  ini.WriteFloat(s, "ZConvValue0", ZConvValue[0]);
  ini.WriteFloat(s, "ZConvValue1", ZConvValue[1]);
  ini.WriteBool(s, "DeembEnabled0", DeembEnabled[0]);
  ini.WriteBool(s, "DeembEnabled1", DeembEnabled[1]);
  ini.WriteString(s, "DeembFile0", DeembFile[0]);
  ini.WriteString(s, "DeembFile1", DeembFile[1]);
  ini.WriteBool(s, "EmbEnabled0", EmbEnabled[0]);
  ini.WriteBool(s, "EmbEnabled1", EmbEnabled[1]);
  ini.WriteString(s, "EmbFile0", EmbFile[0]);
  ini.WriteString(s, "EmbFile1", EmbFile[1]);
  ini.WriteInteger(s, "AverageFactor", AverageFactor);
  ini.WriteBool(s, "AverageEnabled", AverageEnabled);
  ini.WriteBool(s, "PortExtensionsEnabled", PortExtensionsEnabled);
  ini.WriteFloat(s, "Extension[0]", Extension[0]);
  ini.WriteFloat(s, "Extension[1]", Extension[1]);
  ini.WriteBool(s, "ExtLoss1Enabled", ExtLoss1Enabled);
  ini.WriteFloat(s, "ExtLoss1", ExtLoss1);
  ini.WriteFloat(s, "ExtFreq1", ExtFreq1);
  ini.WriteBool(s, "ExtLoss2Enabled", ExtLoss2Enabled);
  ini.WriteFloat(s, "ExtLoss2", ExtLoss2);
  ini.WriteFloat(s, "ExtFreq2", ExtFreq2);
  ini.WriteFloat(s, "ExtLossAtDC", ExtLossAtDC);
  ini.WriteBool(s, "FreqCenterPriority", FreqCenterPriority);
}

void TRange::LoadState(const TCustomIniFile& ini, const std::string& s) {
  const double deviceMin = GetDeviceMinFrequency();
  const double deviceMax = GetDeviceMaxFrequency();

  // The stimulus goes through a record and the table copy; every field of the record that has
  // a key is read here, so what the record held before does not matter.
  TRangeSettings r;
  TSegments segments;
  GetSettings(r, segments);
  r.NPoints = ini.ReadInteger(s, "NPoints", 201);
  r.SweepMode = ini.ReadInteger(s, "SweepMode", Lin);
  r.CommonIFBW = ini.ReadInteger(s, "CommonIFBW", 10000);
  r.MinFrequency = ini.ReadFloat(s, "MinFrequency", deviceMin);
  r.MaxFrequency = ini.ReadFloat(s, "MaxFrequency", deviceMax);
  r.OutputPower = ini.ReadFloat(s, "OutputPower", -10);
  r.PowerSlope = ini.ReadFloat(s, "PowerSlope", 0);
  r.MinPower = ini.ReadFloat(s, "MinPower", -55);
  r.MaxPower = ini.ReadFloat(s, "MaxPower", 3);
  r.FixedFreq = ini.ReadFloat(s, "FixedFreq", (deviceMin + deviceMax) * 0.5);
  r.CommonDelay = ini.ReadFloat(s, "CommonDelay", 0);
  r.FOMState = ini.ReadBool(s, "FOMState", false);
  r.FOMOffset[0] = ini.ReadFloat(s, "FOMOffset0", 0);
  r.FOMOffset[1] = ini.ReadFloat(s, "FOMOffset1", 0);
  r.FOMMultiplier[0] = ini.ReadInteger(s, "FOMMultiplier0", 1);
  r.FOMMultiplier[1] = ini.ReadInteger(s, "FOMMultiplier1", 1);
  r.FOMDivider[0] = ini.ReadInteger(s, "FOMDivider0", 1);
  r.FOMDivider[1] = ini.ReadInteger(s, "FOMDivider1", 1);
  r.FOMAdjust = ini.ReadBool(s, "FOMAdjust", false);
  r.FOMAdjPort = ini.ReadInteger(s, "FOMAdjPort", 0);
  r.FOMAdjValue[0] = ini.ReadFloat(s, "FOMAdjValue0", 0);
  r.FOMAdjValue[1] = ini.ReadFloat(s, "FOMAdjValue1", 0);
  FOMAutoAdjust = ini.ReadBool(s, "FOMAutoAdjust", false);
  FOMAdjPeriod = ini.ReadInteger(s, "FOMAdjPeriod", 2);
  r.SegmentListPower = ini.ReadBool(s, "SegmentListPower", false);
  r.SegmentListIFBW = ini.ReadBool(s, "SegmentListIFBW", false);
  r.SegmentListDelay = ini.ReadBool(s, "SegmentListDelay", false);
  SegmentCenterPriority = ini.ReadBool(s, "SegmentCenterPriority", false);
  // A table asking for more than 16001 points is refused; the channel's own table stays.
  ReadSegmentKeys(ini, s, segments, DefaultSegment());
  SanitizeRangeSettings(r, deviceMin, deviceMax);

  // The correction settings go straight into the channel, without events: the rebuild below
  // decides from them what applies.
  ZConvEnabled = ini.ReadBool(s, "ZConvEnabled", false);
  for (int i = 0; i < 2; ++i) {
    const double z = ini.ReadFloat(s, i == 0 ? "ZConvValue0" : "ZConvValue1", 50);
    ZConvValue[i] = std::max(kMinZConv, std::min(z, kMaxZConv));
  }
  DeembEnabled[0] = ini.ReadBool(s, "DeembEnabled0", false);
  DeembEnabled[1] = ini.ReadBool(s, "DeembEnabled1", false);
  EmbFile[0] = ReadFileName(ini, s, "EmbFile0");
  EmbFile[1] = ReadFileName(ini, s, "EmbFile1");
  EmbEnabled[0] = ini.ReadBool(s, "EmbEnabled0", false);
  EmbEnabled[1] = ini.ReadBool(s, "EmbEnabled1", false);
  DeembFile[0] = ReadFileName(ini, s, "DeembFile0");
  DeembFile[1] = ReadFileName(ini, s, "DeembFile1");
  // Taken as read, even outside the setter's 1 ... 999: the averaging copes with any count.
  AverageFactor = ini.ReadInteger(s, "AverageFactor", 10);
  AverageEnabled = ini.ReadBool(s, "AverageEnabled", false);
  PortExtensionsEnabled = ini.ReadBool(s, "PortExtensionsEnabled", false);
  Extension[0] = ini.ReadFloat(s, "Extension[0]", 0);
  Extension[1] = ini.ReadFloat(s, "Extension[1]", 0);
  ExtLoss1Enabled = ini.ReadBool(s, "ExtLoss1Enabled", false);
  ExtLoss1 = ini.ReadFloat(s, "ExtLoss1", 0);
  ExtFreq1 = ini.ReadFloat(s, "ExtFreq1", 1000);
  ExtLoss2Enabled = ini.ReadBool(s, "ExtLoss2Enabled", false);
  ExtLoss2 = ini.ReadFloat(s, "ExtLoss2", 0);
  ExtFreq2 = ini.ReadFloat(s, "ExtFreq2", 1000);
  ExtLossAtDC = ini.ReadFloat(s, "ExtLossAtDC", 0);
  FreqCenterPriority = ini.ReadBool(s, "FreqCenterPriority", false);

  // The networks belong to the file names just read: a de-embedding shown as on is applied.
  // A file that is missing or unusable leaves its network empty and the correction inactive.
  ReloadFixtureNetworks();
  ApplySettings(std::move(segments), r);
}

void TRange::SavePointData(std::vector<uint8_t>& stream) const {
  const int n = GetCount();
  stream.assign(static_cast<size_t>(n) * PointDataRecordSize, 0);
  uint8_t* p = stream.data();
  for (int i = 0; i < n; ++i, p += PointDataRecordSize) {
    const TFPoint* point = GetPoint(i);
    le::PutF32(p + 0, ToFloat(point->Data[0].Re));
    le::PutF32(p + 4, ToFloat(point->Data[0].Im));
    le::PutF32(p + 8, ToFloat(point->Data[1].Re));
    le::PutF32(p + 12, ToFloat(point->Data[1].Im));
    le::PutF32(p + 16, ToFloat(Abs(point->RawLevel[0])));
    le::PutF32(p + 20, ToFloat(Abs(point->RawLevel[1])));
    le::PutF32(p + 24, ToFloat(Abs(point->RefLevel)));
    le::PutF32(p + 28, ToFloat(point->PowerReading));
  }
}

bool TRange::LoadPointData(const std::vector<uint8_t>& stream) {
  const size_t n = stream.size() / PointDataRecordSize;
  if (n != static_cast<size_t>(GetCount())) return false;
  const uint8_t* p = stream.data();
  // A handler of OnPointData cannot make the loop read past the stream, whatever it does.
  for (int i = 0; static_cast<size_t>(i) < n && i < GetCount(); ++i, p += PointDataRecordSize) {
    TFPoint* point = GetPoint(i);
    point->Data[0] = {FiniteFloat(p + 0), FiniteFloat(p + 4)};
    point->Data[1] = {FiniteFloat(p + 8), FiniteFloat(p + 12)};
    point->RawLevel[0] = {FiniteFloat(p + 16), 0.0};
    point->RawLevel[1] = {FiniteFloat(p + 20), 0.0};
    point->RefLevel = {FiniteFloat(p + 24), 0.0};
    point->PowerReading = FiniteFloat(p + 28);
    LastPointIndex = i;
    Fire(OnPointData);
  }
  return true;
}
