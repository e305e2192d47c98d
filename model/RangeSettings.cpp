#include "model/RangeSettings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/LittleEndian.h"

void TRangeSettings::WriteBytes(uint8_t* out) const {
  std::memset(out, 0, ByteSize);
  le::PutI32(out + 0, SweepMode);
  le::PutI32(out + 4, NPoints);
  le::PutF64(out + 8, MinFrequency);
  le::PutF64(out + 16, MaxFrequency);
  le::PutF64(out + 24, MinPower);
  le::PutF64(out + 32, MaxPower);
  le::PutF64(out + 40, FixedFreq);
  out[48] = FOMState ? 1 : 0;
  le::PutF64(out + 56, FOMOffset[0]);
  le::PutF64(out + 64, FOMOffset[1]);
  le::PutI32(out + 72, FOMMultiplier[0]);
  le::PutI32(out + 76, FOMMultiplier[1]);
  le::PutI32(out + 80, FOMDivider[0]);
  le::PutI32(out + 84, FOMDivider[1]);
  out[88] = FOMAdjust ? 1 : 0;
  le::PutI32(out + 92, FOMAdjPort);
  le::PutF64(out + 96, FOMAdjValue[0]);
  le::PutF64(out + 104, FOMAdjValue[1]);
  le::PutI32(out + 112, CommonIFBW);
  le::PutF64(out + 120, CommonDelay);
  le::PutF64(out + 128, OutputPower);
  le::PutF64(out + 136, PowerSlope);
  out[144] = SegmentListIFBW ? 1 : 0;
  out[145] = SegmentListPower ? 1 : 0;
  out[146] = SegmentListDelay ? 1 : 0;
  le::PutI32(out + 148, SegmentCount);
}

TRangeSettings TRangeSettings::ReadBytes(const uint8_t* in) {
  TRangeSettings r;
  r.SweepMode = le::GetI32(in + 0);
  r.NPoints = le::GetI32(in + 4);
  r.MinFrequency = le::GetF64(in + 8);
  r.MaxFrequency = le::GetF64(in + 16);
  r.MinPower = le::GetF64(in + 24);
  r.MaxPower = le::GetF64(in + 32);
  r.FixedFreq = le::GetF64(in + 40);
  r.FOMState = in[48] != 0;
  r.FOMOffset[0] = le::GetF64(in + 56);
  r.FOMOffset[1] = le::GetF64(in + 64);
  r.FOMMultiplier[0] = le::GetI32(in + 72);
  r.FOMMultiplier[1] = le::GetI32(in + 76);
  r.FOMDivider[0] = le::GetI32(in + 80);
  r.FOMDivider[1] = le::GetI32(in + 84);
  r.FOMAdjust = in[88] != 0;
  r.FOMAdjPort = le::GetI32(in + 92);
  r.FOMAdjValue[0] = le::GetF64(in + 96);
  r.FOMAdjValue[1] = le::GetF64(in + 104);
  r.CommonIFBW = le::GetI32(in + 112);
  r.CommonDelay = le::GetF64(in + 120);
  r.OutputPower = le::GetF64(in + 128);
  r.PowerSlope = le::GetF64(in + 136);
  r.SegmentListIFBW = in[144] != 0;
  r.SegmentListPower = in[145] != 0;
  r.SegmentListDelay = in[146] != 0;
  r.SegmentCount = le::GetI32(in + 148);
  return r;
}

namespace {

double Limit(double v, double fallback, double lo, double hi) {
  if (!std::isfinite(v)) v = fallback;
  return std::max(lo, std::min(v, hi));
}

double FiniteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

}  // namespace

void SanitizeRangeSettings(TRangeSettings& s, double deviceMinFrequency, double deviceMaxFrequency) {
  if (s.SweepMode != 0 && s.SweepMode != 1 && s.SweepMode != 3 && s.SweepMode != 4) s.SweepMode = 0;
  s.NPoints = std::max(2, std::min(s.NPoints, 16001));
  s.MinFrequency = FiniteOr(s.MinFrequency, deviceMinFrequency);
  s.MaxFrequency = FiniteOr(s.MaxFrequency, deviceMaxFrequency);
  s.MinPower = FiniteOr(s.MinPower, -55.0);
  s.MaxPower = FiniteOr(s.MaxPower, 3.0);
  s.FixedFreq = FiniteOr(s.FixedFreq, (deviceMinFrequency + deviceMaxFrequency) / 2);
  const double maxOffset = std::fabs(FiniteOr(deviceMaxFrequency, 0.0));
  for (int i = 0; i < 2; ++i) {
    s.FOMOffset[i] = Limit(s.FOMOffset[i], 0.0, -maxOffset, maxOffset);
    s.FOMMultiplier[i] = std::max(-1000, std::min(s.FOMMultiplier[i], 1000));
    s.FOMDivider[i] = std::max(1, std::min(s.FOMDivider[i], 1000));
    s.FOMAdjValue[i] = Limit(s.FOMAdjValue[i], 0.0, -0.5, 0.5);
  }
  if (s.FOMAdjPort != 0 && s.FOMAdjPort != 1) s.FOMAdjPort = 0;
  s.CommonDelay = Limit(s.CommonDelay, 0.0, 0.0, 320.0);
  s.OutputPower = FiniteOr(s.OutputPower, -10.0);
  s.PowerSlope = Limit(s.PowerSlope, 0.0, 0.0, 2.0);
}
