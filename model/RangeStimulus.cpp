// TRange: the stimulus snapshot (take, apply, compare) and the copy of all settings.
#include <algorithm>

#include "model/Range.h"
#include "model/Utils.h"

namespace {

// The stimulus fields that a settings record holds besides the points and the segment count,
// copied between a record and a channel in either direction: both spell them alike. The point
// count is the caller's, because a channel limits it.
template <class To, class From>
void CopyStimulusFields(To& to, const From& from) {
  to.SweepMode = from.SweepMode;
  to.MinFrequency = from.MinFrequency;
  to.MaxFrequency = from.MaxFrequency;
  to.MinPower = from.MinPower;
  to.MaxPower = from.MaxPower;
  to.FixedFreq = from.FixedFreq;
  to.FOMState = from.FOMState;
  to.FOMAdjust = from.FOMAdjust;
  to.FOMAdjPort = from.FOMAdjPort;
  for (int i = 0; i < 2; ++i) {
    to.FOMOffset[i] = from.FOMOffset[i];
    to.FOMMultiplier[i] = from.FOMMultiplier[i];
    to.FOMDivider[i] = from.FOMDivider[i];
    to.FOMAdjValue[i] = from.FOMAdjValue[i];
  }
  to.CommonIFBW = from.CommonIFBW;
  to.CommonDelay = from.CommonDelay;
  to.OutputPower = from.OutputPower;
  to.PowerSlope = from.PowerSlope;
  to.SegmentListIFBW = from.SegmentListIFBW;
  to.SegmentListPower = from.SegmentListPower;
  to.SegmentListDelay = from.SegmentListDelay;
}

}  // namespace

void TRange::GetSettings(TRangeSettings& s, TSegments& segments) const {
  CopyStimulusFields(s, *this);
  s.NPoints = NPoints;
  s.SegmentCount = static_cast<int32_t>(Segments.size());
  segments.clear();
  segments.insert(segments.end(), Segments.begin(), Segments.end());
}

void TRange::ApplySettings(TSegments segments, TRangeSettings s) {
  {
    TChangingScope changing(*this, ChangeNotify);
    SweepTime = 0;
    CopyStimulusFields(*this, s);
    NPoints = std::max(2, std::min(s.NPoints, MaxPoints));
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
    CopyStimulusFields(*this, o);
    NPoints = std::max(2, std::min(o.NPoints, MaxPoints));
    FOMAutoAdjust = o.FOMAutoAdjust;
    FOMAdjPeriod = o.FOMAdjPeriod;
    Segments = o.Segments;
    ZConvEnabled = o.ZConvEnabled;
    for (int i = 0; i < 2; ++i) {
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
