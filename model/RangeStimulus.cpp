// TRange: the stimulus snapshot (take, apply, compare) and the copy of all settings.
#include <algorithm>

#include "model/Range.h"
#include "model/Utils.h"

void TRange::GetSettings(TRangeSettings& s, TSegments& segments) const {
  s.SweepMode = SweepMode;
  s.NPoints = NPoints;
  s.MinFrequency = MinFrequency;
  s.MaxFrequency = MaxFrequency;
  s.MinPower = MinPower;
  s.MaxPower = MaxPower;
  s.FixedFreq = FixedFreq;
  s.FOMState = FOMState;
  s.FOMAdjust = FOMAdjust;
  s.FOMAdjPort = FOMAdjPort;
  for (int i = 0; i < 2; ++i) {
    s.FOMOffset[i] = FOMOffset[i];
    s.FOMMultiplier[i] = FOMMultiplier[i];
    s.FOMDivider[i] = FOMDivider[i];
    s.FOMAdjValue[i] = FOMAdjValue[i];
  }
  s.CommonIFBW = CommonIFBW;
  s.CommonDelay = CommonDelay;
  s.OutputPower = OutputPower;
  s.PowerSlope = PowerSlope;
  s.SegmentListIFBW = SegmentListIFBW;
  s.SegmentListPower = SegmentListPower;
  s.SegmentListDelay = SegmentListDelay;
  s.SegmentCount = static_cast<int32_t>(Segments.size());
  segments.clear();
  segments.insert(segments.end(), Segments.begin(), Segments.end());
}

void TRange::ApplySettings(TSegments segments, TRangeSettings s) {
  {
    TChangingScope changing(*this, ChangeNotify);
    SweepTime = 0;
    SweepMode = s.SweepMode;
    NPoints = std::max(2, std::min(s.NPoints, MaxPoints));
    MinFrequency = s.MinFrequency;
    MaxFrequency = s.MaxFrequency;
    MinPower = s.MinPower;
    MaxPower = s.MaxPower;
    FixedFreq = s.FixedFreq;
    FOMState = s.FOMState;
    FOMAdjust = s.FOMAdjust;
    FOMAdjPort = s.FOMAdjPort;
    for (int i = 0; i < 2; ++i) {
      FOMOffset[i] = s.FOMOffset[i];
      FOMMultiplier[i] = s.FOMMultiplier[i];
      FOMDivider[i] = s.FOMDivider[i];
      FOMAdjValue[i] = s.FOMAdjValue[i];
    }
    CommonIFBW = s.CommonIFBW;
    CommonDelay = s.CommonDelay;
    OutputPower = s.OutputPower;
    PowerSlope = s.PowerSlope;
    SegmentListIFBW = s.SegmentListIFBW;
    SegmentListPower = s.SegmentListPower;
    SegmentListDelay = s.SegmentListDelay;
    // The table always holds a segment; the record's count is not used.
    if (segments.empty()) segments.push_back(DefaultSegment());
    Segments = std::move(segments);
    RebuildPoints();
    if (ChangeNotify) Fire(OnChange);
  }
  Fire(OnSettingsChange);
}

bool TRange::IsSameSettings(const TSegments& segments, const TRangeSettings& s) const {
  // 1. The sweep type.
  if (s.SweepMode != SweepMode) return false;
  const bool linLog = s.SweepMode == Lin || s.SweepMode == Log;
  // 2. A LIN or LOG sweep's own stimulus.
  if (linLog) {
    if (s.NPoints != NPoints || s.CommonIFBW != CommonIFBW) return false;
    if (!NearlyEqual(s.MinFrequency, MinFrequency) || !NearlyEqual(s.MaxFrequency, MaxFrequency) ||
        !NearlyEqual(s.OutputPower, OutputPower) || !NearlyEqual(s.PowerSlope, PowerSlope))
      return false;
  }
  // 3. The segment table and what the channel's list flags leave to the common values.
  if (linLog || s.SweepMode == Segm) {
    if (segments.size() != Segments.size()) return false;
    for (size_t k = 0; k < segments.size(); ++k) {
      const TSegment& a = segments[k];
      const TSegment& b = Segments[k];
      if (!NearlyEqual(a.Start, b.Start) || !NearlyEqual(a.Stop, b.Stop) || a.Points != b.Points) return false;
      if (SegmentListPower && !NearlyEqual(a.Power, b.Power)) return false;
      if (SegmentListIFBW && a.IFBW != b.IFBW) return false;
      if (SegmentListDelay && !NearlyEqual(a.Delay, b.Delay)) return false;
    }
    if (!SegmentListIFBW && s.CommonIFBW != CommonIFBW) return false;
    // A LIN or LOG sweep compared its power within tolerance in step 2; the exact comparison
    // is the segment sweep's.
    if (!SegmentListPower && !linLog && s.OutputPower != OutputPower) return false;
    if (!SegmentListDelay && s.CommonDelay != CommonDelay) return false;
  }
  // 4. The frequency offset mode, for every sweep type.
  if (s.FOMState != FOMState) return false;
  if (FOMState) {
    for (int i = 0; i < 2; ++i) {
      if (!NearlyEqual(s.FOMOffset[i], FOMOffset[i])) return false;
    }
    if (s.FOMMultiplier[0] != FOMMultiplier[0] || s.FOMMultiplier[1] != FOMMultiplier[1] ||
        s.FOMDivider[0] != FOMDivider[0] || s.FOMDivider[1] != FOMDivider[1] || s.FOMAdjust != FOMAdjust ||
        s.FOMAdjPort != FOMAdjPort)
      return false;
    for (int i = 0; i < 2; ++i) {
      if (!NearlyEqual(s.FOMAdjValue[i], FOMAdjValue[i])) return false;
    }
  }
  return true;
}

void TRange::ReloadFixtureNetworks() {
  for (int p = 0; p < 2; ++p) {
    DeembNetwork[p].LoadTwoPort(DeembFile[p]);
    EmbNetwork[p].LoadTwoPort(EmbFile[p]);
  }
  // Tables interpolated from the old networks would go on correcting with them.
  DeleteFixtureTables();
}

void TRange::CopySettingsFrom(const TRange& o, bool rebuild) {
  if (&o == this) return;
  {
    TChangingScope changing(*this, ChangeNotify);
    SweepTime = 0;
    NPoints = std::max(2, std::min(o.NPoints, MaxPoints));
    SweepMode = o.SweepMode;
    CommonIFBW = o.CommonIFBW;
    CommonDelay = o.CommonDelay;
    MinFrequency = o.MinFrequency;
    MaxFrequency = o.MaxFrequency;
    OutputPower = o.OutputPower;
    PowerSlope = o.PowerSlope;
    MinPower = o.MinPower;
    MaxPower = o.MaxPower;
    FixedFreq = o.FixedFreq;
    FOMState = o.FOMState;
    FOMAdjust = o.FOMAdjust;
    FOMAdjPort = o.FOMAdjPort;
    FOMAutoAdjust = o.FOMAutoAdjust;
    FOMAdjPeriod = o.FOMAdjPeriod;
    SegmentListIFBW = o.SegmentListIFBW;
    SegmentListPower = o.SegmentListPower;
    SegmentListDelay = o.SegmentListDelay;
    Segments = o.Segments;
    ZConvEnabled = o.ZConvEnabled;
    for (int i = 0; i < 2; ++i) {
      FOMOffset[i] = o.FOMOffset[i];
      FOMMultiplier[i] = o.FOMMultiplier[i];
      FOMDivider[i] = o.FOMDivider[i];
      FOMAdjValue[i] = o.FOMAdjValue[i];
      ZConvValue[i] = o.ZConvValue[i];
      DeembEnabled[i] = o.DeembEnabled[i];
      DeembFile[i] = o.DeembFile[i];
      EmbEnabled[i] = o.EmbEnabled[i];
      EmbFile[i] = o.EmbFile[i];
      Extension[i] = o.Extension[i];
    }
    AverageEnabled = o.AverageEnabled;
    AverageFactor = o.AverageFactor;
    PortExtensionsEnabled = o.PortExtensionsEnabled;
    ExtLoss1Enabled = o.ExtLoss1Enabled;
    ExtLoss1 = o.ExtLoss1;
    ExtFreq1 = o.ExtFreq1;
    ExtLoss2Enabled = o.ExtLoss2Enabled;
    ExtLoss2 = o.ExtLoss2;
    ExtFreq2 = o.ExtFreq2;
    ExtLossAtDC = o.ExtLossAtDC;
    FreqCenterPriority = o.FreqCenterPriority;
    PowerCenterPriority = o.PowerCenterPriority;
    ReloadFixtureNetworks();
    if (rebuild) RebuildPoints();
    if (ChangeNotify) Fire(OnChange);
  }
  Fire(OnSettingsChange);
}
