#include "traces/MeasurementMarkerTrace.h"

#include "model/Range.h"
#include "model/Services.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/TraceHost.h"

// The marker list of a trace reads it through the adapter it owns.
TMarkerList::TMarkerList(TMeasurement* trace)
    : TFContainer(trace), trace_(nullptr), measurement_(trace), ownTrace_(new TMeasurementMarkerTrace(trace)) {
  trace_ = ownTrace_.get();
}

void TMarkerList::DeleteMarkerTag(TMeasurement* source, int tag) {
  if (source && source->Markers) DeleteMarkerTag(*source->Markers, tag);
}

unsigned long long TMeasurementMarkerTrace::DataVersion() const { return trace_->GetDisplayVersion(); }

int TMeasurementMarkerTrace::PointCount() const { return trace_->GetPointCount(); }

double TMeasurementMarkerTrace::PointStimulus(int i) const { return trace_->GetPointStimulus(i); }

double TMeasurementMarkerTrace::DisplayValue(int i) const { return trace_->GetDisplayValue(i); }

TComplex TMeasurementMarkerTrace::DisplayPoint(int i) const { return trace_->GetDisplayPoint(i); }

// The lookups of an empty trace give nothing to read: no index, stimulus 0, value 0.
int TMeasurementMarkerTrace::FindPointIndex(double x) const {
  return PointCount() > 0 ? trace_->FindPointIndex(x) : -1;
}

double TMeasurementMarkerTrace::ValueAtStimulus(double x) const {
  return PointCount() > 0 ? trace_->GetValueAtStimulus(x) : 0.0;
}

TComplex TMeasurementMarkerTrace::PointAtStimulus(double x) const {
  return PointCount() > 0 ? trace_->GetPointAtStimulus(x) : TComplex{};
}

double TMeasurementMarkerTrace::StimulusAtPosition(double p) const {
  return PointCount() > 0 ? trace_->GetStimulusAtPosition(p) : 0.0;
}

double TMeasurementMarkerTrace::PositionAtStimulus(double x) const {
  return PointCount() > 0 ? trace_->GetPositionAtStimulus(x) : 0.5;
}

const TComplex* TMeasurementMarkerTrace::DisplayData() const {
  const std::vector<TComplex>& d = trace_->GetDisplayData();
  return !d.empty() && static_cast<int>(d.size()) == PointCount() ? d.data() : nullptr;
}

int TMeasurementMarkerTrace::TraceFormat() const { return trace_->TraceFormat; }

double TMeasurementMarkerTrace::MinValue() const { return trace_->GetFormat() ? trace_->GetMinValue() : 0.0; }

double TMeasurementMarkerTrace::MaxValue() const { return trace_->GetFormat() ? trace_->GetMaxValue() : 0.0; }

std::string TMeasurementMarkerTrace::ResponseUnitText() const { return trace_->GetResponseUnitText(); }

std::string TMeasurementMarkerTrace::StimulusUnitText() const { return trace_->GetStimulusUnitText(); }

bool TMeasurementMarkerTrace::IsTransformActive() const { return trace_->IsTransformActive(); }

double TMeasurementMarkerTrace::ReferenceImpedance() const { return ReferenceImpedanceOhm(); }

void TMeasurementMarkerTrace::SetRefValue(double value) { trace_->SetRefValue(value); }

void TMeasurementMarkerTrace::SetStartFrequency(double mhz) {
  if (trace_->Range) trace_->Range->SetStartFrequency(mhz);
}

void TMeasurementMarkerTrace::SetStopFrequency(double mhz) {
  if (trace_->Range) trace_->Range->SetStopFrequency(mhz);
}

void TMeasurementMarkerTrace::SetCenterFrequency(double mhz) {
  if (trace_->Range) trace_->Range->SetCenterFrequency(mhz);
}

// The transform range belongs to the channel window, shared by all its traces.
void TMeasurementMarkerTrace::SetTransformStartInUnit(double value) {
  if (trace_->View) trace_->View->SetTransformStartInUnit(value);
}

void TMeasurementMarkerTrace::SetTransformStopInUnit(double value) {
  if (trace_->View) trace_->View->SetTransformStopInUnit(value);
}

void TMeasurementMarkerTrace::SetTransformCenterInUnit(double value) {
  if (trace_->View) trace_->View->SetTransformCenterInUnit(value);
}

// The chart's free extent, from the channel window; without one the table has no room to move.
TScreenRect TMeasurementMarkerTrace::GetMarkerTableArea() const {
  return trace_->View ? trace_->View->GetMarkerTableArea() : TScreenRect{};
}

void TMeasurementMarkerTrace::RedrawAndNotify(TFObject* sender) {
  trace_->Redraw();
  trace_->Notify(sender);
}

void TMeasurementMarkerTrace::Notify(TFObject* sender) { trace_->Notify(sender); }

bool TMeasurementMarkerTrace::MarkerCouple() const { return trace_->GetList() && trace_->GetList()->MarkerCouple; }

void TMeasurementMarkerTrace::SetMarkerCouple(bool on) {
  if (trace_->GetList()) trace_->GetList()->SetMarkerCouple(on);
}

void TMeasurementMarkerTrace::CoupleMarkers() {
  if (trace_->GetList()) trace_->GetList()->CoupleMarkers();
}

void TMeasurementMarkerTrace::DeleteCoupledMarker(int tag) {
  if (trace_->GetList()) trace_->GetList()->DeleteCoupledMarker(trace_, tag);
}
