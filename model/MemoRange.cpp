#include "model/MemoRange.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "model/CustomIniFile.h"
#include "model/LittleEndian.h"
#include "model/Range.h"
#include "model/RangeSettings.h"

namespace {

// The memory's default segment: start = stop = 0.3 MHz, 2 points, 10000 Hz, 0 ms, -10 dBm.
TSegment MemoDefaultSegment() { return TSegment::Default(0.3); }

constexpr double kDbToNaturalLog = 0.11512925464970229;  // ln(10) / 20

}  // namespace

TMemoRange::TMemoRange(TFObject* owner, const TRange& channel, int code) : TFContainer(owner) {
  TRangeSettings settings;
  channel.GetSettings(settings, Segments);
  NPoints = settings.NPoints;
  SweepMode = settings.SweepMode;
  MinFrequency = settings.MinFrequency;
  MaxFrequency = settings.MaxFrequency;
  OutputPower = settings.OutputPower;
  MinPower = settings.MinPower;
  MaxPower = settings.MaxPower;
  FixedFreq = settings.FixedFreq;

  if (code != S11 && code != ReceiverA && code != ReceiverB && code != PowerMeter && code != Reference) return;
  Points.Make(Items, static_cast<size_t>(std::max(channel.GetCount(), 0)), [&](void* place, size_t k) {
    const int i = static_cast<int>(k);
    TComplex value;
    switch (code) {
      case S11: value = channel.GetPointData(kReceiverA, i); break;
      case ReceiverA: value = channel.GetPointRawLevel(kReceiverA, i); break;
      case ReceiverB: value = channel.GetPointRawLevel(kReceiverB, i); break;
      case PowerMeter: value = TComplex{channel.GetPointPowerReading(i), 0.0}; break;
      default: value = channel.GetPointRefLevel(i); break;
    }
    return new (place) TMemoPoint(nullptr, value, channel.GetPointFrequency(i));
  });
}

TMemoRange::~TMemoRange() { TMemoRange::Clear(); }

void TMemoRange::Clear() {
  Points.Release(Items);
  TFContainer::Clear();
}

void TMemoRange::SaveState(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "NPoints", NPoints);
  ini.WriteInteger(section, "SweepMode", SweepMode);
  ini.WriteFloat(section, "MinFrequency", MinFrequency);
  ini.WriteFloat(section, "MaxFrequency", MaxFrequency);
  ini.WriteFloat(section, "OutputPower", OutputPower);
  ini.WriteFloat(section, "MinPower", MinPower);
  ini.WriteFloat(section, "MaxPower", MaxPower);
  ini.WriteFloat(section, "FixedFreq", FixedFreq);
  WriteSegmentKeys(ini, section, Segments);
}

void TMemoRange::LoadState(const TCustomIniFile& ini, const std::string& section) {
  NPoints = ini.ReadInteger(section, "NPoints", 201);
  SweepMode = ini.ReadInteger(section, "SweepMode", 0);
  MinFrequency = ini.ReadFloat(section, "MinFrequency", 0.3);
  MaxFrequency = ini.ReadFloat(section, "MaxFrequency", 1300.0);
  OutputPower = ini.ReadFloat(section, "OutputPower", -10.0);
  MinPower = ini.ReadFloat(section, "MinPower", -55.0);
  MaxPower = ini.ReadFloat(section, "MaxPower", 3.0);
  FixedFreq = ini.ReadFloat(section, "FixedFreq", 650.15);
  // A table asking for more than 16001 segments or points keeps the one held.
  ReadSegmentKeys(ini, section, Segments, MemoDefaultSegment());
}

bool TMemoRange::LoadPoints(std::span<const uint8_t> stream) {
  const size_t count = stream.size() / RecordSize;
  if (count > static_cast<size_t>(MaxPoints)) return false;
  Clear();
  Points.Make(Items, count, [&](void* place, size_t k) {
    const uint8_t* r = stream.data() + k * RecordSize;
    double f = le::GetF32(r);
    const double dB = le::GetF32(r + 4);
    const double phase = le::GetF32(r + 8);
    // 10^(dB/20), through exp: the same value within an ulp, at a fraction of pow's cost.
    const double modulus = std::exp(dB * kDbToNaturalLog);
    TComplex value{modulus * std::cos(phase), modulus * std::sin(phase)};
    if (!std::isfinite(value.Re) || !std::isfinite(value.Im)) value = TComplex{};
    if (!std::isfinite(f)) f = 0;
    return new (place) TMemoPoint(nullptr, value, f);
  });
  return true;
}

void TMemoRange::SavePoints(std::vector<uint8_t>& stream) const {
  const size_t start = stream.size();
  stream.resize(start + static_cast<size_t>(GetCount()) * RecordSize);
  for (int i = 0, n = GetCount(); i < n; ++i) {
    uint8_t* r = stream.data() + start + static_cast<size_t>(i) * RecordSize;
    const TComplex v = GetPointValue(i);
    le::PutF32(r, PointFrequency(i));
    // 20 log10 |v| as 10 log10 |v|², which needs no square root; hypot only where the square
    // would leave the range of doubles.
    const double norm = v.Re * v.Re + v.Im * v.Im;
    const double dB = std::isnormal(norm) ? 10 * std::log10(norm) : 20 * std::log10(Abs(v));
    le::PutF32(r + 4, static_cast<float>(dB));
    le::PutF32(r + 8, static_cast<float>(Arg(v)));
  }
}
