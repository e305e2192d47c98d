// The trace's display-format operations: the format step of the chain and the displayed points
// here; the rest is done by the trace's format list.
#include <cstddef>

#include "traces/FormatList.h"
#include "traces/FormatMath.h"
#include "traces/Measurement.h"

bool TMeasurement::IsFormatAllowed(int code) const { return IsFormatAllowedFor(MeasMode, ConversionOn, code); }

void TMeasurement::SetFormat(int code) { Formats->SetFormat(code); }
void TMeasurement::SetFormatText(const std::string& text) { Formats->SetFormatText(text); }
std::string TMeasurement::GetFormatText() const { return Formats->GetFormatText(); }
std::string TMeasurement::GetFormatCaption() const { return Formats->GetFormatCaption(); }

TFormat* TMeasurement::GetFormat() const { return Formats ? Formats->Current() : nullptr; }
TFormat* TMeasurement::GetFormat(int code) const { return Formats ? Formats->GetFormat(code) : nullptr; }

double TMeasurement::GetScaleDiv() const { return Formats->GetScaleDiv(); }
double TMeasurement::GetRefValue() const { return Formats->GetRefValue(); }
int TMeasurement::GetRefPosition() const { return Formats->GetRefPosition(); }
double TMeasurement::GetMaxValue() const { return Formats->GetMaxValue(); }
double TMeasurement::GetMinValue() const { return Formats->GetMinValue(); }
void TMeasurement::SetScaleDiv(double value) { Formats->SetScaleDiv(value); }
void TMeasurement::SetRefValue(double value) { Formats->SetRefValue(value); }
void TMeasurement::SetRefPosition(int position) { Formats->SetRefPosition(position); }
double TMeasurement::GetFullScale() const { return Formats->GetFullScale(); }
void TMeasurement::SetFullScale(double value) { Formats->SetFullScale(value); }
double TMeasurement::GetTopValue() const { return Formats->GetTopValue(); }
void TMeasurement::AutoScale() { Formats->AutoScale(); }
void TMeasurement::AutoReference() { Formats->AutoReference(); }

void TMeasurement::SetConversionOn(bool on) {
  if (on == ConversionOn) return;
  ConversionOn = on;
  if (on && !IsFormatAllowed(TraceFormat)) TraceFormat = fmtLinMag;
  Recalculate();
  Notify();
}

void TMeasurement::FormatPoint(int i, const std::vector<TComplex>& source) { Formats->FormatPoint(i, source); }

TComplex TMeasurement::GetFormattedPoint(int i) const {
  if (i < 0 || static_cast<size_t>(i) >= SmoothedData.size()) return {};
  TComplex z = SmoothedData[static_cast<size_t>(i)];
  if (TraceFormat == fmtGroupDelay) z = z / 1e9;
  return z;
}

double TMeasurement::GetDisplayValue(int i) const { return GetDisplayPoint(i).Re; }

TComplex TMeasurement::GetDisplayPoint(int i) const {
  const std::vector<TComplex>& shown = GetDisplayData();
  if (i < 0 || static_cast<size_t>(i) >= shown.size()) return {};
  return shown[static_cast<size_t>(i)];
}

double TMeasurement::GetPointStimulus(int i) const { return Formats->GetPointStimulus(i); }
int TMeasurement::FindPointIndex(double x) const { return Formats->FindPointIndex(x); }
double TMeasurement::GetValueAtStimulus(double x) const { return Formats->GetValueAtStimulus(x); }
TComplex TMeasurement::GetPointAtStimulus(double x) const { return Formats->GetPointAtStimulus(x); }
double TMeasurement::GetStimulusAtPosition(double p) const { return Formats->GetStimulusAtPosition(p); }
double TMeasurement::GetPositionAtStimulus(double x) const { return Formats->GetPositionAtStimulus(x); }
std::string TMeasurement::GetResponseUnitText() const { return Formats->GetResponseUnitText(); }
std::string TMeasurement::GetStimulusUnitText() const { return Formats->GetStimulusUnitText(); }
void TMeasurement::SaveCsvFile(const std::string& name) const { Formats->SaveCsvFile(name); }
