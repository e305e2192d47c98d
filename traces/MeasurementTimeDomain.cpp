// The trace's time-domain step: when gating and transform run, the two steps on the channel's
// stimulus, and the time axis of the transform.
#include <cstddef>

#include "model/Range.h"
#include "model/Utils.h"
#include "traces/Measurement.h"
#include "traces/TimeDomainSettings.h"
#include "traces/TimeDomainSteps.h"

namespace {

// A linear sweep of at least two points with a span: the time domain of its frequency step
// exists.
bool LinearWithSpan(const TRange* range) {
  return range && range->GetCount() >= 2 && range->SweepMode == TRange::Lin &&
         !NearlyEqual(range->MaxFrequency - range->MinFrequency, 0.0);
}

TTimeDomainStimulus ChannelStimulus(const TRange* range) {
  TTimeDomainStimulus stimulus;
  if (range == nullptr) return stimulus;
  stimulus.Points = static_cast<std::size_t>(range->GetCount());
  stimulus.StartMHz = range->MinFrequency;
  stimulus.StopMHz = range->MaxFrequency;
  stimulus.Frequency = [range](std::size_t i) { return range->GetPointFrequency(static_cast<int>(i)); };
  return stimulus;
}

}  // namespace

bool TMeasurement::IsTransformActive() const {
  return (TraceFormat == 18 || TraceFormat == 19) && LinearWithSpan(Range);
}

bool TMeasurement::IsGatingActive() const {
  return GetTimeDomain().EnableGating && IsFormatAllowed(TraceFormat) && MeasMode == 0 && Range && !Range->FOMState &&
         LinearWithSpan(Range);
}

void TMeasurement::Gate(const std::vector<TComplex>& source, std::vector<TComplex>& target) {
  TTimeDomainWork work{TimeWork, ChirpInput, ChirpFilter, KaiserWindow, TimeGate};
  GateResponse(GetTimeDomain(), ChannelStimulus(Range), source, target, work);
}

void TMeasurement::Transform(const std::vector<TComplex>& source, std::vector<TComplex>& target) {
  TTimeDomainWork work{TimeWork, ChirpInput, ChirpFilter, KaiserWindow, TimeGate};
  TransformResponse(GetTimeDomain(), ChannelStimulus(Range), source, target, work);
}

double TMeasurement::GetTimeAxisStart() const { return TTimeDomainSettings::TimeToUnit(GetTimeDomain().TransformStart); }

double TMeasurement::GetTimeAxisStop() const { return TTimeDomainSettings::TimeToUnit(GetTimeDomain().TransformStop); }
