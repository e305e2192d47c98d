#pragma once
// A stimulus record whose fields all hold values of their own, none of them a default, so that a
// field written to or read from another's place shows. The peer check records.py packs the same
// values as its first record.
#include "model/RangeSettings.h"

namespace rangesample {

inline TRangeSettings Distinct() {
  TRangeSettings s;
  s.SweepMode = 4;
  s.NPoints = 1601;
  s.MinFrequency = 100.125;
  s.MaxFrequency = 9000.5;
  s.MinPower = -30.5;
  s.MaxPower = -1.25;
  s.FixedFreq = 2500.75;
  s.FOMState = true;
  s.FOMOffset[0] = -123.456;
  s.FOMOffset[1] = 654.321;
  s.FOMMultiplier[0] = -3;
  s.FOMMultiplier[1] = 7;
  s.FOMDivider[0] = 2;
  s.FOMDivider[1] = 999;
  s.FOMAdjust = true;
  s.FOMAdjPort = 1;
  s.FOMAdjValue[0] = 0.125;
  s.FOMAdjValue[1] = -0.25;
  s.CommonIFBW = 3000;
  s.CommonDelay = 12.5;
  s.OutputPower = -10.0;
  s.PowerSlope = 1.75;
  s.SegmentListIFBW = true;
  s.SegmentListPower = false;
  s.SegmentListDelay = true;
  s.SegmentCount = 3;
  return s;
}

}  // namespace rangesample
