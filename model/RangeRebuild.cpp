// TRange: the point list rebuild.
#include <algorithm>
#include <cmath>

#include "model/BusyCursor.h"
#include "model/CalGrid.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/Clock.h"

namespace {

double Limit(double x, double lo, double hi) { return std::max(lo, std::min(x, hi)); }

// Records where the point list has gaps: the index of the last created point before each run of
// frequencies that could not be planned. A run at the very start has no point before it.
class TGapTracker {
 public:
  explicit TGapTracker(TRange& range) : range_(range) {}
  void Succeeded() { inGap_ = false; }
  void Failed() {
    if (inGap_) return;
    inGap_ = true;
    if (range_.GetCount() > 0) range_.SynthGaps.push_back(range_.GetCount() - 1);
  }

 private:
  TRange& range_;
  bool inGap_ = false;
};

}  // namespace

double TRange::GetSweepPointFrequency(int i) const {
  const double s = MinFrequency;
  const double e = MaxFrequency;
  const double last = NPoints - 1;
  const int row = GetModelRow();
  double f;
  if (SweepMode == Grid && TSystemCalGrid::HasGrid(row)) {
    f = TSystemCalGrid::Frequency(row, i);
  } else if (SweepMode == Log) {
    f = s * std::pow(e / s, i / last);
  } else {
    f = s + i * (e - s) / last;
  }
  return Limit(f, GetDeviceMinFrequency(), GetDeviceMaxFrequency());
}

bool TRange::PlanWithGrowingTolerance(double f0, int direction, double& planned, TPointSynthSettings& settings) {
  const double r = GetDeviceFreqResolution();
  double t = r;
  for (int raises = 0;; ++raises) {
    if (PlanPointSynth(f0 + direction * (t - r), t, planned, settings)) return true;
    if (raises == MaxToleranceRaises) return false;
    t *= 1.1;
  }
}

void TRange::RebuildPoints() {
  TBusyCursor busy;
  LastPointIndex = 0;
  AverageCount = 0;

  const double lo = GetDeviceMinFrequency();
  const double hi = GetDeviceMaxFrequency();
  MinFrequency = Limit(MinFrequency, lo, hi);
  MaxFrequency = Limit(MaxFrequency, lo, hi);
  MinPower = Limit(MinPower, GetDeviceMinPower(), GetDeviceMaxPower());
  MaxPower = Limit(MaxPower, GetDeviceMinPower(), GetDeviceMaxPower());

  Clear();
  SynthGaps.clear();
  DeleteFixtureTables();
  SystemTerms.Clear();

  ZConvActive = 0;
  DeembActive = 0;
  EmbActive = 0;
  if (!FOMState) {
    const double z0 = ReferenceImpedanceOhm();
    ZConvActive = ZConvEnabled && (!NearlyEqual(ZConvValue[0], z0) || !NearlyEqual(ZConvValue[1], z0)) ? 1 : 0;
    DeembActive = (DeembEnabled[0] && DeembNetwork[0].HoldsData()) || (DeembEnabled[1] && DeembNetwork[1].HoldsData()) ? 1 : 0;
    EmbActive = (EmbEnabled[0] && EmbNetwork[0].HoldsData()) || (EmbEnabled[1] && EmbNetwork[1].HoldsData()) ? 1 : 0;
  }

  if (SweepMode == Segm) {
    BuildSegmentPoints();
  } else {
    BuildSweepPoints();
  }
}

void TRange::BuildSegmentPoints() {
  const double r = GetDeviceFreqResolution();
  const int64_t wanted = std::min<int64_t>(std::max<int64_t>(TotalSegmentPoints(Segments), 0), MaxPoints);
  Items.reserve(static_cast<size_t>(wanted));
  TGapTracker gaps(*this);
  // A table taken as it stands may ask for more; the list never holds more than 16001 points.
  int64_t attempts = 0;
  for (int k = 0; k < GetSegmentCount(); ++k) {
    const TSegment& s = Seg(k);
    const int32_t ifbw = SegmentListIFBW ? s.IFBW : CommonIFBW;
    const double power = SegmentListPower ? s.Power : OutputPower;
    for (int32_t j = 0; j < s.Points; ++j) {
      if (attempts == MaxPoints) return;
      double planned = 0;
      TPointSynthSettings settings;
      bool ok;
      if (attempts++ == 0) {
        // The first point moves up with the tolerance until both synthesizers can be set.
        ok = PlanWithGrowingTolerance(s.Start, +1, planned, settings);
      } else {
        const double f = s.Points > 1 ? s.Start + j * (s.Stop - s.Start) / (s.Points - 1) : s.Start;
        ok = PlanPointSynth(f, r, planned, settings);
      }
      if (ok) {
        TFPoint* point = new TFPoint(this, planned, power, ifbw, settings);
        point->SegmentIndex = k;
        gaps.Succeeded();
      } else {
        gaps.Failed();
      }
    }
  }
}

void TRange::BuildSweepPoints() {
  const double r = GetDeviceFreqResolution();
  const double start = MinFrequency;
  const double stop = MaxFrequency;
  const int n = std::min<int>(NPoints, MaxPoints);
  Items.reserve(static_cast<size_t>(std::max(n, 2)));

  // The last point first, moving up with the tolerance; it is appended at the end.
  double lastFrequency = 0;
  TPointSynthSettings lastSettings;
  const bool lastOk = PlanWithGrowingTolerance(stop, +1, lastFrequency, lastSettings);

  TGapTracker gaps(*this);
  double planned = 0;
  TPointSynthSettings settings;
  // The first point, moving down with the tolerance.
  if (PlanWithGrowingTolerance(start, -1, planned, settings)) {
    new TFPoint(this, planned, OutputPower, CommonIFBW, settings);
  } else {
    gaps.Failed();
  }
  for (int i = 1; i <= n - 2; ++i) {
    if (PlanPointSynth(GetSweepPointFrequency(i), r, planned, settings)) {
      new TFPoint(this, planned, OutputPower + PowerSlope * (planned - start) * 0.001, CommonIFBW, settings);
      gaps.Succeeded();
    } else {
      gaps.Failed();
    }
  }
  if (lastOk) {
    new TFPoint(this, lastFrequency, OutputPower + PowerSlope * (stop - start) * 0.001, CommonIFBW, lastSettings);
  } else {
    gaps.Failed();
  }
  // The frequency offset adjustment period starts again.
  AdjustTime = platform::Clock::get().steadyMs();
}
