// TRange: frequency offset mode, the point plan, the offset adjustment's search points and peak
// searches, and the search from a frequency back to a point index.
#include <algorithm>
#include <cmath>

#include "model/BusyCursor.h"
#include "model/CalGrid.h"
#include "model/ICalibrationFacade.h"
#include "model/ISynthPlan.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/Clock.h"

namespace {

double Limit(double x, double lo, double hi) { return std::max(lo, std::min(x, hi)); }
int Limit(int x, int lo, int hi) { return std::max(lo, std::min(x, hi)); }

// Rounds an index estimate to the nearest integer within -1 ... n (NaN gives 0).
int RoundIndex(double e, int n) {
  if (!(e == e)) return 0;
  return static_cast<int>(std::lround(Limit(e, -1.0, static_cast<double>(n))));
}

// Level in dB of a receiver reading.
double LevelDb(const TComplex& v) { return 20 * std::log10(Abs(v)); }

// The measuring receiver: the peak searches read it.
constexpr int kMeasuringReceiver = 0;

}  // namespace

// ---- Setters -------------------------------------------------------------------------------------

void TRange::SetOffsetValue(int i, double x) {
  if (!std::isfinite(x)) return;
  const double maxFrequency = GetDeviceMaxFrequency();
  x = Limit(RoundToStep(1e-6, x), -maxFrequency, maxFrequency);
  if (NearlyEqual(x, FOMOffset[i])) return;
  FOMOffset[i] = x;
  Changed(FOMState);
}

void TRange::SetOffsetMultiplier(int i, int m) {
  m = Limit(m, -1000, 1000);
  if (m == FOMMultiplier[i]) return;
  FOMMultiplier[i] = m;
  Changed(FOMState);
}

void TRange::SetOffsetDivider(int i, int d) {
  d = Limit(d, 1, 1000);
  if (d == FOMDivider[i]) return;
  FOMDivider[i] = d;
  Changed(FOMState);
}

void TRange::SetOffsetAdjustValue(int i, double x) {
  if (!std::isfinite(x)) return;
  x = Limit(RoundToStep(1e-6, x), -0.5, 0.5);
  if (NearlyEqual(x, FOMAdjValue[i])) return;
  FOMAdjValue[i] = x;
  Changed(FOMState);
}

void TRange::SetOffsetModeEnabled(bool on) {
  if (on != FOMState) {
    FOMState = on;
    Changed(true);
  }
  if (on) {
    SetDeembeddingEnabled(0, false);
    SetDeembeddingEnabled(1, false);
    SetEmbeddingEnabled(0, false);
    SetEmbeddingEnabled(1, false);
    SetZConversionEnabled(false);
  }
}

// ---- Arithmetic -----------------------------------------------------------------------------------

double TRange::GetPortFrequency(int i, double f) const {
  if (!FOMState) return f;
  const double x = FOMMultiplier[i] * f / FOMDivider[i] + FOMOffset[i];
  return Limit(x, GetDeviceMinFrequency(), GetDeviceMaxFrequency());
}

double TRange::GetAdjustOffset(int i) const {
  return FOMState && FOMAdjust && i == FOMAdjPort ? FOMAdjValue[i] : 0.0;
}

double TRange::GetPointFromPortFrequency(int i, double x) const {
  if (!FOMState) return x;
  const double lo = GetDeviceMinFrequency();
  const double hi = GetDeviceMaxFrequency();
  // A side without multiplier does not depend on the point frequency: nothing to invert.
  if (FOMMultiplier[i] == 0) return Limit(x, lo, hi);
  double a = (x - FOMOffset[i]) * FOMDivider[i] / FOMMultiplier[i];
  if (FOMAdjust && i == FOMAdjPort) a -= FOMAdjValue[i];
  return Limit(a, lo, hi);
}

bool TRange::PlanPointSynth(double f, double t, double& planned, TPointSynthSettings& settings) {
  ISynthPlan* plan = GetSynthPlan();
  if (!plan) return false;
  const double fs = GetPortFrequency(0, f) + GetAdjustOffset(0);
  plan->SetSignalTolerance(std::min(t, fs * 0.5));
  TPllSettings signal;
  if (!plan->CalcSignalPll(signal, fs)) return false;
  const double fsa = plan->CalcFrequency(signal);
  // The receiver follows the frequency the source really produces, unless the source side has
  // no multiplier (it then does not follow the point frequency at all).
  const double fr = !FOMState || FOMMultiplier[0] != 0 ? GetPointFromPortFrequency(0, fsa) : f;
  const double lo = plan->HeterodyneFrequency(GetDeviceIF() + GetPortFrequency(1, fr) + GetAdjustOffset(1), fr);
  TPllSettings heterodyne;
  if (!plan->CalcHeterodynePll(heterodyne, lo)) return false;
  planned = f;
  settings.Signal = signal;
  settings.Heterodyne = heterodyne;
  return true;
}

// ---- Automatic adjustment -------------------------------------------------------------------------

int64_t TRange::OffsetAdjustPeriodMs(int code) {
  switch (code) {
    case 0: return 3000;
    case 1: return 10000;
    case 2: return 30000;
    case 3: return 100000;
    case 4: return 300000;
    default: return 10000;
  }
}

bool TRange::CheckOffsetAutoAdjust() {
  ICalibrationFacade* calibrator = Services().CalibratorModule;
  if (calibrator && calibrator->IsOffsetAdjustRunning()) return true;
  if (FOMState && FOMAdjust && FOMAutoAdjust) {
    const int64_t now = platform::Clock::get().steadyMs();
    if (now - AdjustTime >= OffsetAdjustPeriodMs(FOMAdjPeriod)) {
      if (calibrator) calibrator->AdjustFrequencyOffset();
      AdjustTime = platform::Clock::get().steadyMs();
    }
  }
  return false;
}

// ---- Search points ----------------------------------------------------------------------------------

bool TRange::PlanSearchPoint(double x, double d, double t, double& frequency, TPointSynthSettings& settings) {
  if (GetModelRow() != 3) return false;
  ISynthPlan* plan = Services().SynthesizerTV;
  if (!plan) return false;
  const double fs = x + d;
  plan->SetSignalTolerance(std::min(t, fs * 0.5));
  TPllSettings signal;
  if (!plan->CalcSignalPll(signal, fs)) return false;
  TPllSettings heterodyne;
  if (!plan->CalcHeterodynePll(heterodyne, plan->CalcFrequency(signal) + plan->GetIntermediateFreq())) return false;
  frequency = fs;
  settings.Signal = signal;
  settings.Heterodyne = heterodyne;
  return true;
}

bool TRange::BuildOffsetSearchPoints(double x) {
  TBusyCursor busy;
  LastPointIndex = 0;
  AverageCount = 0;
  Clear();
  SynthGaps.clear();
  const double step = (MaxFrequency - MinFrequency) * 0.03125;
  const double r = GetDeviceFreqResolution();
  for (int k = -16; k <= 16; ++k) {
    const double d = k * step;
    double t = r;
    double frequency = 0;
    TPointSynthSettings settings;
    int raises = 0;
    while (!PlanSearchPoint(x, d, t, frequency, settings)) {
      if (raises++ == MaxToleranceRaises) {
        // No plan for this point: the search cannot run; leave no half list behind.
        Clear();
        return false;
      }
      t *= 1.1;
    }
    new TFPoint(this, x + d, OutputPower, CommonIFBW, settings);
  }
  return true;
}

// ---- Peak searches ----------------------------------------------------------------------------------

int TRange::FindPeakIndex(int receiver) const {
  int best = 0;
  double bestLevel = 0;
  for (int i = 0, n = GetCount(); i < n; ++i) {
    const double level = LevelDb(GetPoint(i)->RawLevel[receiver]);
    // A later point must be strictly higher to win; a NaN level never wins and loses to any.
    if (i == 0 || level > bestLevel || (std::isnan(bestLevel) && !std::isnan(level))) {
      best = i;
      bestLevel = level;
    }
  }
  return best;
}

double TRange::GetPeakPointFrequency() const {
  if (GetCount() == 0) return GetCenterFrequency();
  return GetPointFrequency(FindPeakIndex(kMeasuringReceiver));
}

double TRange::FindPeakFrequency() const {
  const int count = GetCount();
  if (count == 0) return GetCenterFrequency();
  const int k = FindPeakIndex(kMeasuringReceiver);
  const double fk = GetPointFrequency(k);
  const int lo = std::max(0, k - 16);
  const int hi = std::min(count, k + 17);
  const int n = hi - lo;
  if (n < 4) return fk;

  double s1 = 0, s2 = 0, s3 = 0, s4 = 0, sy = 0, sdy = 0, sd2y = 0;
  double fMin = fk;
  double fMax = fk;
  for (int i = lo; i < hi; ++i) {
    const double f = GetPointFrequency(i);
    fMin = std::min(fMin, f);
    fMax = std::max(fMax, f);
    const double d = f - fk;
    const double d2 = d * d;
    const double y = LevelDb(GetPoint(i)->RawLevel[kMeasuringReceiver]);
    s1 += d;
    s2 += d2;
    s3 += d2 * d;
    s4 += d2 * d2;
    sy += y;
    sdy += d * y;
    sd2y += d2 * y;
  }
  const double det = (s2 * s4 - s3 * s3) * n + s1 * (s2 * s3 - s4 * s1) + s2 * (s3 * s1 - s2 * s2);
  if (det == 0 || !std::isfinite(det)) return fk;
  const double a = ((s2 * n - s1 * s1) * sd2y + (s2 * s1 - s3 * n) * sdy + (s3 * s1 - s2 * s2) * sy) / det;
  const double b = ((s2 * s1 - s3 * n) * sd2y + (s4 * n - s2 * s2) * sdy + (s2 * s3 - s4 * s1) * sy) / det;
  // Only a parabola that opens downwards has a peak.
  if (!(a < 0)) return fk;
  const double vertex = fk - b / (2 * a);
  if (!std::isfinite(vertex)) return fk;
  return Limit(vertex, fMin, fMax);
}

// ---- Frequency to point index -----------------------------------------------------------------------

int TRange::FindPointIndex(double x) const {
  if (SweepMode != Lin && SweepMode != Log && SweepMode != Grid && SweepMode != Segm) return -1;
  const int n = GetCount();
  if (n < 2) return 0;
  const int last = n - 2;
  int e = 0;
  if (SweepMode == Segm) {
    const TSegment& first = Seg(0);
    const TSegment& final = Seg(GetSegmentCount() - 1);
    if (x < first.Start) return 0;
    if (x >= final.Stop || NearlyEqual(x, final.Stop)) return last;
    int64_t s = 0;
    int holder = -1;
    int64_t holderStart = 0;
    for (int k = 0; k < GetSegmentCount(); ++k) {
      const TSegment& seg = Seg(k);
      if (NearlyEqual(x, seg.Start) || NearlyEqual(x, seg.Stop) || (x > seg.Start && x < seg.Stop)) {
        holder = k;
        holderStart = s;
        break;
      }
      const int64_t next = s + seg.Points;
      if (k + 1 < GetSegmentCount() && x > seg.Stop && x < Seg(k + 1).Start)
        return static_cast<int>(std::min<int64_t>(next, last));
      s = next;
    }
    if (holder < 0) {
      holder = 0;
      holderStart = 0;
    }
    const TSegment& seg = Seg(holder);
    if (NearlyEqual(seg.Start, seg.Stop)) {
      e = static_cast<int>(std::min<int64_t>(holderStart, last));
    } else {
      e = RoundIndex(holderStart + (x - seg.Start) / (seg.Stop - seg.Start) * (seg.Points - 1), n);
    }
  } else {
    if (x < MinFrequency) return 0;
    if (x > MaxFrequency) return last;
    if (NearlyEqual(MinFrequency, MaxFrequency)) return 0;
    const double start = MinFrequency;
    const double stop = MaxFrequency;
    double estimate;
    if (SweepMode == Grid && TSystemCalGrid::HasGrid(GetModelRow())) {
      estimate = TSystemCalGrid::EstimateIndex(GetModelRow(), x);
    } else if (SweepMode == Log) {
      estimate = (n - 1) * std::log(x / start) / std::log(stop / start);
    } else {
      estimate = (n - 1) * (x - start) / (stop - start);
    }
    e = RoundIndex(estimate, n);
  }
  e = Limit(e, 0, last);
  // Refine against the real point frequencies, so points that the rebuild left out count.
  if (x <= GetPointFrequency(e)) {
    while (e >= 1 && x < GetPointFrequency(e)) --e;
  } else {
    while (e < last && x >= GetPointFrequency(e + 1)) ++e;
  }
  return e;
}
