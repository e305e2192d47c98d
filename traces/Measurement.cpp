#include "traces/Measurement.h"

#include <cmath>

#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "traces/FormatList.h"
#include "traces/LimitLine.h"
#include "traces/LineFiles.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/MemoryList.h"
#include "traces/RippleLine.h"
#include "traces/TimeDomainSettings.h"
#include "traces/TraceCodes.h"
#include "traces/TraceHost.h"

namespace {

const TTimeDomainSettings kNoTimeDomain{};

}  // namespace

TMeasurement::TMeasurement(TMeasureList* list, int format, int measMode) : TFContainer(list) {
  View = list ? list->GetHost() : nullptr;
  Range = View ? View->GetRange() : nullptr;
  TraceFormat = format;
  // The children in their fixed order.
  LimitLine = new TLimitLine(this);
  RippleLine = new TRippleLine(this);
  Markers = new TMarkerList(this);
  Formats = new TFormatList(this);
  Memories = new TMemoryList(this);
  ResizeVectors(ChannelPointCount());
  DataMath = tracecodes::Off;
  SetMeasMode(measMode);
}

TMeasurement::~TMeasurement() {
  // The children read their trace while they go, so they leave before the trace's own members.
  Clear();
  LimitLine = nullptr;
  RippleLine = nullptr;
  Markers = nullptr;
  Formats = nullptr;
  Memories = nullptr;
}

void TMeasurement::CompleteConstruction(int format) {
  if ((format == 18 || format == 19) && Range) Range->SetSweepType(TRange::Lin);
}

TMeasureList* TMeasurement::GetList() const { return static_cast<TMeasureList*>(GetOwner()); }

const TTimeDomainSettings& TMeasurement::GetTimeDomain() const {
  return View ? View->GetTimeDomain() : kNoTimeDomain;
}

int TMeasurement::ChannelPointCount() const { return Range ? Range->GetCount() : 0; }

void TMeasurement::ResizeVectors(int n) {
  const size_t size = n > 0 ? static_cast<size_t>(n) : 0;
  Data.resize(size);
  TimeData.resize(size);
  FormattedData.resize(size);
  SmoothedData.resize(size);
  MaxHoldData.resize(size);
  usable_.resize(size, 0.0);
  if (nextSmooth_ > n) nextSmooth_ = n > 0 ? n : 0;
  DisplayedDataChanged();
}

// ---- Notification --------------------------------------------------------------------------------

void TMeasurement::Redraw() {
  if (View) View->RequestRedraw();
}

void TMeasurement::Notify(TFObject* sender) {
  if (View) View->Changed(sender ? sender : this);
}

// ---- Codes and texts -------------------------------------------------------------------------------

std::string TMeasurement::GetMeasModeName() const { return tracecodes::MeasModeName(MeasMode); }

std::string TMeasurement::GetConversionText() const {
  if (MeasMode != tracecodes::S11) return std::string();
  return tracecodes::ConversionKeyword(ConversionType);
}

std::string TMeasurement::GetConversionLabel() const {
  if (MeasMode != tracecodes::S11 || !ConversionOn) return std::string();
  return tracecodes::ConversionLabel(ConversionType);
}

std::string TMeasurement::GetDataMathText() const { return tracecodes::DataMathKeyword(DataMath); }

std::string TMeasurement::GetDataMathCaption() const {
  const std::string label = tracecodes::DataMathLabel(DataMath);
  return label.empty() ? label : TranslateText(label);
}

// ---- Setters -------------------------------------------------------------------------------------------

namespace {

// Receiver indices of the device model (A, B, R); defaults without one.
int ReceiverA() {
  const IDeviceModel* d = Services().Device;
  return d ? d->GetReflectionIndex() : 0;
}
int ReceiverB() {
  const IDeviceModel* d = Services().Device;
  return d ? d->GetTransmissionIndex() : 1;
}
int ReceiverR() {
  const IDeviceModel* d = Services().Device;
  return d ? d->GetReferenceIndex() : 2;
}

// The Port of a measured parameter, or keep for codes that have none.
int PortFor(int code, int keep) {
  switch (code) {
    case tracecodes::S11:
    case tracecodes::AbsA: return ReceiverA();
    case tracecodes::AbsB: return ReceiverB();
    case tracecodes::Power:
    case tracecodes::AbsR: return ReceiverR();
    default: return keep;
  }
}

}  // namespace

void TMeasurement::SetMeasMode(int code) {
  if (code == MeasMode) return;
  if (code == tracecodes::AbsB && ReceiverB() < 0) code = tracecodes::S11;
  if (code == MeasMode) return;
  MeasMode = code;
  Port = PortFor(code, Port);
  if (!IsFormatAllowed(TraceFormat)) {
    if (code == tracecodes::S11) {
      TraceFormat = ConversionOn ? 7 : 16;
    } else if (tracecodes::IsMeasModeCode(code)) {
      ConversionOn = false;
      TraceFormat = 0;
    }
  }
  InvalidateMemoryCache();
  if (Range) {
    const TMeasureList* list = GetList();
    Range->SetPowerMeterMode(list ? list->HasPowerTrace() : MeasMode == tracecodes::Power);
  }
  Recalculate();
  Notify();
}

void TMeasurement::SetMeasModeText(const std::string& text) {
  const int code = tracecodes::MeasModeFromName(text);
  if (code >= 0) SetMeasMode(code);
}

void TMeasurement::SetConversionType(int code) {
  if (code < 0 || code > 3 || code == ConversionType) return;
  ConversionType = code;
  Recalculate();
  Notify();
}

void TMeasurement::SetConversionText(const std::string& text) {
  const int code = tracecodes::ConversionFromText(text);
  if (code < 0) throw EAbort("Invalid conversion specifier", 217);
  SetConversionType(code);
}

void TMeasurement::SetDataMath(int code) {
  if (code < 0 || code > 4) return;
  if (!IsMemoryValid()) code = tracecodes::Off;
  if (code == DataMath) return;
  DataMath = code;
  Recalculate();
  Notify();
}

void TMeasurement::SetDataMathText(const std::string& text) {
  const int code = tracecodes::DataMathFromText(text);
  if (code < 0) throw EAbort("Invalid data math specifier", 210);
  SetDataMath(code);
}

void TMeasurement::SetSmoothing(bool on) {
  if (on == Smoothing) return;
  Smoothing = on;
  Recalculate();
  Notify();
}

void TMeasurement::SetSmoothingAperture(double percent) {
  if (!std::isfinite(percent) || NearlyEqual(percent, SmoAperture)) return;
  SmoAperture = ClampToRange(percent, 0.01, 20.0);
  Recalculate();
  Notify();
}

void TMeasurement::SetPhaseOffset(double degrees) {
  if (!std::isfinite(degrees) || NearlyEqual(degrees, PhaseOffset)) return;
  PhaseOffset = ClampToRange(degrees, -360.0, 360.0);
  Recalculate();
  Notify();
}

void TMeasurement::SetElectricalDelay(double seconds) {
  if (!std::isfinite(seconds) || NearlyEqual(seconds, ElectricalDelay, 1e-15)) return;
  ElectricalDelay = ClampToRange(seconds, -10.0, 10.0);
  Recalculate();
  Notify();
}

void TMeasurement::SetMaxHold(bool on) {
  if (on == EnableMaxHold) return;
  EnableMaxHold = on;
  // The other vector is shown from now on: what is read from it follows.
  DisplayedDataChanged();
  UpdateReadouts();
  Notify();
}

void TMeasurement::SetLimitTest(bool on) {
  if (on == LimitTest) return;
  LimitTest = on;
  if (on && LimitLine) LimitLine->Test();
  Redraw();
  Notify();
}

void TMeasurement::SetRippleTest(bool on) {
  if (on == RippleTest) return;
  RippleTest = on;
  if (on && RippleLine) RippleLine->Test();
  Redraw();
  Notify();
}

namespace {

void SetSwitch(TMeasurement& trace, bool& field, bool on) {
  if (on == field) return;
  field = on;
  trace.Redraw();
  trace.Notify();
}

}  // namespace

void TMeasurement::SetShowLimit(bool on) { SetSwitch(*this, ShowLimit, on); }
void TMeasurement::SetShowFailSign(bool on) { SetSwitch(*this, ShowFailSign, on); }
void TMeasurement::SetShowRippleLimit(bool on) { SetSwitch(*this, ShowRippleLimit, on); }
void TMeasurement::SetShowRippleFailSign(bool on) { SetSwitch(*this, ShowRippleFailSign, on); }

void TMeasurement::SaveLimitFile(const std::string& path) const { ::SaveLimitFile(*this, path); }
void TMeasurement::LoadLimitFile(const std::string& path) { ::LoadLimitFile(*this, path); }
void TMeasurement::SaveRippleFile(const std::string& path) const { ::SaveRippleFile(*this, path); }
void TMeasurement::LoadRippleFile(const std::string& path) { ::LoadRippleFile(*this, path); }

// ---- Keypad entry -----------------------------------------------------------------------------------

double TMeasurement::GetEntryScale() const {
  return (TraceFormat >= 8 && TraceFormat <= 15) ? GetFullScale() : GetScaleDiv();
}

void TMeasurement::SetEntryScale(double value) {
  if (TraceFormat >= 8 && TraceFormat <= 15) {
    SetFullScale(value);
  } else {
    SetScaleDiv(value);
  }
}

double TMeasurement::GetEntryRefValue() const { return GetRefValue(); }

void TMeasurement::SetEntryRefValue(double value) { SetRefValue(value); }

// ---- Units ------------------------------------------------------------------------------------------------

namespace {

int DistanceUnit() { return ScannerModule ? ScannerModule->MetricSystem : TScannerModule::UnitMetres; }

}  // namespace

double TMeasurement::StimulusToHz(double x) const {
  if (!IsTransformActive()) return x * 1e6;
  switch (DistanceUnit()) {
    case TScannerModule::UnitSeconds: return x * 1e-9;
    case TScannerModule::UnitMetres:
    case TScannerModule::UnitFeet: return x;
    default: return x * 1e6;
  }
}

double TMeasurement::StimulusFromHz(double x) const {
  if (!IsTransformActive()) return x * 1e-6;
  switch (DistanceUnit()) {
    case TScannerModule::UnitSeconds: return x * 1e9;
    case TScannerModule::UnitMetres:
    case TScannerModule::UnitFeet: return x;
    default: return x * 1e-6;
  }
}

double TMeasurement::ResponseToSI(double x) const { return TraceFormat == 3 ? x * 1e-9 : x; }

double TMeasurement::ResponseFromSI(double x) const { return TraceFormat == 3 ? x * 1e9 : x; }

int GetChannelTransformWindow(const TMeasurement& trace) { return trace.GetTimeDomain().GetTransformWindow(); }
