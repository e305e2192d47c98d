// The trace's processing chain: raw value, data math, phase offset, electrical delay and
// conversion into Data; the time-domain step into TimeData; the format step; smoothing; max hold.
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

#include "model/IDeviceModel.h"
#include "model/MemoRange.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "traces/LimitLine.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/RippleLine.h"
#include "traces/TraceCodes.h"
#include "traces/TraceHost.h"

namespace {

size_t Index(int i) { return static_cast<size_t>(i); }

// A point copied part by part: a value just written as two doubles and read back as one 16-byte
// block waits for both writes to land (no store forwarding); read part by part, it does not.
inline void CopyParts(TComplex& to, const TComplex& from) {
  to.Re = from.Re;
  to.Im = from.Im;
}

// The conversion of one value; isS11 tells whether the impedance step applies.
TComplex Convert(TComplex z, int type, bool isS11, double z0) {
  switch (type) {
    case tracecodes::Impedance:
    case tracecodes::Admittance:
      if (isS11) {
        const TComplex d = TComplex{1.0, 0.0} - z;
        z = IsComplexZero(d) ? TComplex{} : TComplex{z0, 0.0} * (TComplex{1.0, 0.0} + z) / d;
      }
      if (type == tracecodes::Admittance && !IsComplexZero(z)) z = 1.0 / z;
      return z;
    case tracecodes::Inverse:
      return IsComplexZero(z) ? TComplex{} : 1.0 / z;
    case tracecodes::Conjugate:
      return Conj(z);
    default:
      return z;
  }
}

}  // namespace

// Shared with the memory trace: the steps after the raw value and data math.
TComplex ApplyTraceCorrections(const TMeasurement& trace, TComplex z, double frequencyMHz, int measMode, int point) {
  const bool offset = !NearlyZero(trace.PhaseOffset);
  const bool delay = !NearlyZero(trace.ElectricalDelay);
  if (!offset && !delay && !trace.ConversionOn) return z;
  if (offset) z *= trace.PhaseOffsetTurn();
  if (delay) z *= trace.DelayTurn(point, frequencyMHz);
  if (trace.ConversionOn) {
    z = Convert(z, trace.ConversionType, measMode == tracecodes::S11, ReferenceImpedanceOhm());
  }
  return z;
}

const TComplex& TMeasurement::PhaseOffsetTurn() const {
  if (!(turnDegrees_ == PhaseOffset)) {
    turn_ = Polar(1.0, PhaseOffset * std::numbers::pi / 180.0);
    turnDegrees_ = PhaseOffset;
  }
  return turn_;
}

TComplex TMeasurement::DelayTurn(int point, double frequencyMHz) const {
  const auto turn = [this, frequencyMHz] {
    return Polar(1.0, 2.0 * std::numbers::pi * frequencyMHz * 1e6 * ElectricalDelay);
  };
  if (point < 0) return turn();
  const size_t p = Index(point);
  if (!(delayTurnSeconds_ == ElectricalDelay)) {
    delayTurnMHz_.assign(delayTurnMHz_.size(), std::numeric_limits<double>::quiet_NaN());
    delayTurnSeconds_ = ElectricalDelay;
  }
  if (p >= delayTurnMHz_.size()) {
    delayTurnMHz_.resize(p + 1, std::numeric_limits<double>::quiet_NaN());
    delayTurns_.resize(p + 1);
  }
  if (!(delayTurnMHz_[p] == frequencyMHz)) {
    delayTurns_[p] = turn();
    delayTurnMHz_[p] = frequencyMHz;
  }
  return delayTurns_[p];
}

bool TMeasurement::RawValue(int i, TComplex& value) const {
  const IDeviceModel* device = Services().Device;
  switch (MeasMode) {
    case tracecodes::S11:
      value = Range->GetPointData(device ? device->GetReflectionIndex() : 0, i);
      return true;
    case tracecodes::AbsA:
      value = Range->GetPointRawLevel(device ? device->GetReflectionIndex() : 0, i);
      return true;
    case tracecodes::AbsB: {
      const int b = device ? device->GetTransmissionIndex() : 1;
      if (b < 0) return false;
      value = Range->GetPointRawLevel(b, i);
      return true;
    }
    case tracecodes::Power:
      value = {std::pow(10.0, Range->GetPointPowerReading(i) * 0.1), 0.0};
      return true;
    case tracecodes::AbsR:
      value = Range->GetPointRefLevel(i);
      return true;
    default:
      return false;
  }
}

void TMeasurement::ProcessPoint(int i) {
  if (!Range || i < 0 || i >= Range->GetCount() || Index(i) >= Data.size()) return;
  TComplex z;
  if (!RawValue(i, z)) return;
  CopyParts(Data[Index(i)], z);
  if (DataMath != tracecodes::Off) {
    if (!IsMemoryValid()) {
      SetDataMath(tracecodes::Off);
    } else {
      const TMemoryTrace* memory = Memories->GetActiveMemory();
      const std::vector<TComplex>& raw = memory->GetRawValues();
      if (Index(i) < raw.size()) {
        const TComplex m = raw[Index(i)];
        switch (DataMath) {
          case tracecodes::Divide: z = IsComplexZero(m) ? TComplex{} : z / m; break;
          case tracecodes::Multiply: z = z * m; break;
          case tracecodes::Subtract: z = z - m; break;
          case tracecodes::Add: z = z + m; break;
          default: break;
        }
      }
    }
  }
  Data[Index(i)] = ApplyTraceCorrections(*this, z, Range->GetPointFrequency(i), MeasMode, i);
}

namespace {

// The channel's stimulus against a memory's: sweep type, then points and range, or segments.
bool SameStimulus(const TRange& range, const TMemoRange& memo) {
  if (range.SweepMode != memo.SweepMode) return false;
  switch (range.SweepMode) {
    case TRange::Lin:
    case TRange::Log:
      return range.NPoints == memo.NPoints && NearlyEqual(range.MinFrequency, memo.MinFrequency) &&
             NearlyEqual(range.MaxFrequency, memo.MaxFrequency);
    case TRange::Segm: {
      if (range.Segments.size() != memo.Segments.size()) return false;
      for (size_t s = 0; s < range.Segments.size(); ++s) {
        const TSegment& a = range.Segments[s];
        const TSegment& b = memo.Segments[s];
        if (!NearlyEqual(a.Start, b.Start) || !NearlyEqual(a.Stop, b.Stop) || a.Points != b.Points) return false;
      }
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

bool MemoryMatchesChannel(const TRange& range, const TMemoRange& memo) {
  return SameStimulus(range, memo) && memo.GetCount() == range.GetCount() && !range.FOMState;
}

bool TMeasurement::IsMemoryValid() {
  if (memoryValid_ >= 0) return memoryValid_ == 1;
  bool valid = false;
  const TMemoryTrace* memory = Memories ? Memories->GetActiveMemory() : nullptr;
  if (memory && Range && memory->IsCompatible() && memory->MemoRange) {
    valid = MemoryMatchesChannel(*Range, *memory->MemoRange) &&
            memory->GetRawValues().size() == static_cast<size_t>(Range->GetCount());
  }
  memoryValid_ = valid ? 1 : 0;
  return valid;
}

void TMeasurement::ApplyTimeDomain() {
  TimeData.resize(Data.size());
  const bool gating = IsGatingActive();
  const bool transform = IsTransformActive();
  if (gating && transform) {
    Gate(Data, TimeData);
    Transform(TimeData, TimeData);
  } else if (transform) {
    Transform(Data, TimeData);
  } else if (gating) {
    Gate(Data, TimeData);
  } else {
    for (size_t i = 0; i < Data.size(); ++i) TimeData[i] = Data[i];
  }
}

int TMeasurement::SmoothingHalfWidth(int n) const {
  return Smoothing ? smoother_.HalfWidthOf(n, SmoAperture) : 0;
}

void TMeasurement::UpdateMask(int i) {
  if (usable_.size() != FormattedData.size()) usable_.resize(FormattedData.size(), 0.0);
  if (i >= 0 && Index(i) < FormattedData.size()) {
    usable_[Index(i)] = TSmoother::MaskOf(FormattedData[Index(i)]);
    smoother_.Changed(i, FormattedData[Index(i)], usable_[Index(i)]);
  }
}

void TMeasurement::SmoothPoint(int i, std::vector<TComplex>& target) {
  const int n = static_cast<int>(FormattedData.size());
  if (i < 0 || i >= n || Index(i) >= target.size()) return;
  if (!Smoothing) {
    CopyParts(target[Index(i)], FormattedData[Index(i)]);
    DisplayedDataChanged();
    return;
  }
  if (usable_.size() != FormattedData.size()) {
    usable_.resize(FormattedData.size());
    for (int j = 0; j < n; ++j) usable_[Index(j)] = TSmoother::MaskOf(FormattedData[Index(j)]);
  }
  smoother_.Prepare(SmoothingHalfWidth(n));
  target[Index(i)] = smoother_.SmoothNext(FormattedData.data(), usable_.data(), n, i);
  DisplayedDataChanged();
}

void TMeasurement::SmoothAllPoints() {
  usable_.resize(FormattedData.size());
  for (size_t i = 0; i < FormattedData.size(); ++i) usable_[i] = TSmoother::MaskOf(FormattedData[i]);
  smoother_.Forget();
  const int n = static_cast<int>(FormattedData.size());
  if (!Smoothing || SmoothedData.size() != FormattedData.size()) {
    for (int i = 0; i < n; ++i) SmoothPoint(i, SmoothedData);
    return;
  }
  smoother_.Prepare(SmoothingHalfWidth(n));
  smoother_.SmoothAll(FormattedData.data(), usable_.data(), n, SmoothedData.data());
  DisplayedDataChanged();
}

void TMeasurement::MaxHoldPoint(int i) {
  if (i < 0 || Index(i) >= SmoothedData.size() || Index(i) >= MaxHoldData.size()) return;
  DisplayedDataChanged();
  if (!EnableMaxHold || SmoothedData[Index(i)].Re > MaxHoldData[Index(i)].Re) {
    CopyParts(MaxHoldData[Index(i)], SmoothedData[Index(i)]);
  }
}

void TMeasurement::ResetMaxHold() {
  MaxHoldData = SmoothedData;
  DisplayedDataChanged();
}

void TMeasurement::Recalculate() {
  InvalidateMemoryCache();
  const int n = static_cast<int>(Data.size());
  for (int i = 0; i < n; ++i) ProcessPoint(i);
  ApplyTimeDomain();
  for (int i = 0; i < n; ++i) FormatPoint(i, TimeData);
  SmoothAllPoints();
  ResetMaxHold();
  nextSmooth_ = n;
  if (Memories) Memories->UpdateAll();
  UpdateReadouts();
  Redraw();
}

void TMeasurement::UpdateReadouts() {
  if (Markers) Markers->UpdateMarkers();
  if (LimitTest && LimitLine) LimitLine->Test();
  if (RippleTest && RippleLine) RippleLine->Test();
}

void TMeasurement::ProcessSweepPoint() {
  if (Range) ProcessSweepPoint(Range->LastPointIndex);
}

void TMeasurement::SmoothReadyPoints(int last) {
  const int n = static_cast<int>(SmoothedData.size());
  if (last > n - 1) last = n - 1;
  for (int j = nextSmooth_; j <= last; ++j) {
    SmoothPoint(j, SmoothedData);
    MaxHoldPoint(j);
  }
  if (last + 1 > nextSmooth_) nextSmooth_ = last + 1;
}

void TMeasurement::ProcessSweepPoint(int k) {
  if (!Range || k < 0 || k >= Range->GetCount() || Index(k) >= Data.size()) return;
  if (IsTransformActive() || IsGatingActive()) {
    ProcessPoint(k);
    return;
  }
  if (k == 0) nextSmooth_ = 0;
  ProcessPoint(k);
  CopyParts(TimeData[Index(k)], Data[Index(k)]);
  // Group delay of point 0 uses the pair (0, 1): point 0 is formatted again once point 1 is in.
  if (k == 1) {
    FormatPoint(0, TimeData);
    UpdateMask(0);
  }
  FormatPoint(k, TimeData);
  UpdateMask(k);
  // A point is smoothed once every neighbour it reads is of this sweep; point 0 waits for the
  // second point, whose arrival may have changed its formatted value.
  const int w = SmoothingHalfWidth(static_cast<int>(FormattedData.size()));
  if (k < 1) return;
  const int ready = k - w;
  // A point before the ones already done starts a new pass (a sweep resumed, a single point).
  if (ready >= 0 && ready < nextSmooth_) nextSmooth_ = ready;
  SmoothReadyPoints(ready);
}

void TMeasurement::FinishTimeDomain() {
  ApplyTimeDomain();
  const int n = static_cast<int>(TimeData.size());
  for (int i = 0; i < n; ++i) FormatPoint(i, TimeData);
  SmoothAllPoints();
  for (int i = 0; i < n; ++i) MaxHoldPoint(i);
  nextSmooth_ = n;
}

void TMeasurement::FinishSweep() {
  if (IsTransformActive() || IsGatingActive()) {
    FinishTimeDomain();
  } else {
    SmoothReadyPoints(static_cast<int>(SmoothedData.size()) - 1);
  }
  UpdateReadouts();
}

void TMeasurement::ResizeToChannel() {
  ResizeVectors(ChannelPointCount());
  InvalidateMemoryCache();
  Recalculate();
  if (!IsTransformActive() && (TraceFormat == 18 || TraceFormat == 19)) SetFormat(16);
  if (Markers) Markers->UpdateMarkers();
}

TComplex TMeasurement::GetDataPoint(int i) const {
  if (i < 0 || Index(i) >= TimeData.size()) return {};
  return TimeData[Index(i)];
}
