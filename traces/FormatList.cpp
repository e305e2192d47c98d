#include "traces/FormatList.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "instrument/ScannerModule.h"
#include "model/CustomIniFile.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/TimeDomainSteps.h"
#include "traces/TraceHost.h"

namespace {

constexpr int kDefaultDivisions = 10;
constexpr int kMaxDivisions = 20;
constexpr int kMinDivisions = 4;

size_t Index(int i) { return static_cast<size_t>(i); }

std::string Key(const char* name, int code) { return name + IntToText(code); }

// The points of a trace as its lookups see them: no more than both the displayed vector and
// the channel hold, so a point event that comes before the trace follows a new point count
// never reads past either.
class TTraceAxis : public IStimulusAxis {
 public:
  explicit TTraceAxis(const TMeasurement& trace) : trace_(trace) {
    const int channel = trace.Range ? trace.Range->GetCount() : 0;
    count_ = std::min(trace.GetPointCount(), channel);
  }
  int Count() const override { return count_; }
  double Stimulus(int i) const override { return trace_.GetPointStimulus(i); }

 private:
  const TMeasurement& trace_;
  int count_ = 0;
};

TSweepAxis SweepOf(const TMeasurement& trace) {
  TSweepAxis sweep;
  if (trace.Range) {
    sweep.SweepType = trace.Range->SweepMode;
    sweep.Segments = &trace.Range->Segments;
  }
  return sweep;
}

}  // namespace

TFormatList::TFormatList(TFObject* owner) : TFContainer(owner) {
  for (int code = 0; code < kFormatCount; ++code) {
    const TFormatInfo* info = GetFormatInfo(code);
    new TFormat(this, info->ScaleDiv, info->MinValue, info->MaxValue, info->RefValue, kDefaultRefPosition);
  }
}

TFormat* TFormatList::GetFormat(int code) const {
  if (code < 0 || code >= GetCount()) return nullptr;
  return static_cast<TFormat*>(GetItem(code));
}

void TFormatList::ResetDefaults() {
  for (int code = 0; code < GetCount(); ++code) {
    const TFormatInfo* info = GetFormatInfo(code);
    TFormat* f = GetFormat(code);
    f->ScaleDiv = info->ScaleDiv;
    f->MinValue = info->MinValue;
    f->MaxValue = info->MaxValue;
    f->RefValue = info->RefValue;
    f->RefPosition = kDefaultRefPosition;
  }
}

void TFormatList::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  for (int code = 0; code < GetCount(); ++code) {
    const TFormat* f = GetFormat(code);
    ini.WriteInteger(section, Key("RefPosition", code), f->RefPosition);
    ini.WriteFloat(section, Key("ScaleDiv", code), f->ScaleDiv);
    ini.WriteFloat(section, Key("RefValue", code), f->RefValue);
  }
}

void TFormatList::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  for (int code = 0; code < GetCount(); ++code) {
    TFormat* f = GetFormat(code);
    const int position = ini.ReadInteger(section, Key("RefPosition", code), kLoadRefPosition);
    const double scale = ini.ReadFloat(section, Key("ScaleDiv", code), kLoadScaleDiv);
    const double ref = ini.ReadFloat(section, Key("RefValue", code), kLoadRefValue);
    // The widest scale any division count allows is the range over the fewest divisions.
    f->RefPosition = ClampToRange(position, 0, kMaxDivisions);
    f->ScaleDiv = std::isfinite(scale) ? ClampScaleDiv(scale, f->MinValue, f->MaxValue, kMinDivisions)
                                       : ClampScaleDiv(kLoadScaleDiv, f->MinValue, f->MaxValue, kMinDivisions);
    f->RefValue = std::isfinite(ref) ? ClampToRange(ref, f->MinValue, f->MaxValue)
                                     : ClampToRange(kLoadRefValue, f->MinValue, f->MaxValue);
  }
}

// ---- Operations on the owning trace -------------------------------------------------------------

TMeasurement* TFormatList::Trace() const {
  if (!traceResolved_) {
    trace_ = dynamic_cast<TMeasurement*>(GetOwner());
    traceResolved_ = true;
  }
  return trace_;
}

int TFormatList::Divisions() const {
  const TMeasurement* t = Trace();
  if (t == nullptr || t->View == nullptr) return kDefaultDivisions;
  return ClampToRange(t->View->GetDivisions(), kMinDivisions, kMaxDivisions);
}

TFormat* TFormatList::Current() const {
  const TMeasurement* t = Trace();
  TFormat* f = t ? GetFormat(t->TraceFormat) : nullptr;
  return f ? f : GetFormat(fmtLogMag);
}

bool TFormatList::IsFormatAllowed(int code) const {
  const TMeasurement* t = Trace();
  return t != nullptr && IsFormatAllowedFor(t->MeasMode, t->ConversionOn, code);
}

void TFormatList::SetFormat(int code) {
  TMeasurement* t = Trace();
  if (t == nullptr || code == t->TraceFormat || !IsFormatAllowed(code)) return;
  const bool wasTransform = t->IsTransformActive();
  t->TraceFormat = code;
  if (IsDistanceToFaultFormat(code) && t->Range != nullptr) {
    TRange* range = t->Range;
    TRangeSettings settings;
    TSegments segments;
    range->GetSettings(settings, segments);
    bool apply = false;
    if (NearlyEqual(range->GetSpan(), 0.0)) {
      settings.MinFrequency = range->GetDeviceMinFrequency();
      settings.MaxFrequency = range->GetDeviceMaxFrequency();
      settings.SweepMode = TRange::Lin;
      apply = true;
    } else if (settings.SweepMode != TRange::Lin) {
      settings.SweepMode = TRange::Lin;
      apply = true;
    }
    if (apply) range->ApplySettings(segments, settings);
    // The channel's change event may have reached this trace already and settled another
    // format; that one stands.
    if (t->TraceFormat != code) return;
    const size_t n = static_cast<size_t>(range->GetCount());
    t->Data.resize(n);
    t->TimeData.resize(n);
    t->FormattedData.resize(n);
    t->SmoothedData.resize(n);
    t->MaxHoldData.resize(n);
  }
  if (t->IsTransformActive() != wasTransform && t->Markers != nullptr) {
    // Markers placed on a frequency axis mean nothing on a distance axis, and back.
    t->Markers->SetReferenceEnabled(false);
    TMeasureList* list = t->GetList();
    const bool couple = list != nullptr && list->MarkerCouple;
    t->Markers->DeleteAllMarkers();
    if (list != nullptr) list->SetMarkerCouple(couple);
  }
  t->Recalculate();
  t->Notify();
}

void TFormatList::SetFormatText(const std::string& text) {
  const int code = FormatCodeFromKeyword(text);
  if (code < 0) throw EAbort("Invalid format specifier", 209);
  SetFormat(code);
}

std::string TFormatList::GetFormatText() const {
  const TMeasurement* t = Trace();
  const TFormatInfo* info = t ? GetFormatInfo(t->TraceFormat) : nullptr;
  return info ? info->Keyword : "";
}

std::string TFormatList::GetFormatCaption() const {
  const TMeasurement* t = Trace();
  const TFormatInfo* info = t ? GetFormatInfo(t->TraceFormat) : nullptr;
  return info ? TranslateText(info->Caption) : "";
}

void TFormatList::Changed() const {
  if (TMeasurement* t = Trace()) {
    t->Redraw();
    t->Notify();
  }
}

void TFormatList::SetScaleDiv(double x) {
  if (!std::isfinite(x)) return;
  TFormat* f = Current();
  if (NearlyEqual(x, f->ScaleDiv)) return;
  f->ScaleDiv = ClampScaleDiv(x, f->MinValue, f->MaxValue, Divisions());
  Changed();
}

void TFormatList::SetRefValue(double x) {
  if (!std::isfinite(x)) return;
  TFormat* f = Current();
  if (NearlyEqual(x, f->RefValue)) return;
  f->RefValue = ClampToRange(x, f->MinValue, f->MaxValue);
  Changed();
}

void TFormatList::SetRefPosition(int x) {
  TFormat* f = Current();
  if (x == f->RefPosition) return;
  f->RefPosition = ClampToRange(x, 0, Divisions());
  Changed();
}

double TFormatList::GetFullScale() const { return Current()->ScaleDiv * Divisions(); }

void TFormatList::SetFullScale(double x) {
  if (!std::isfinite(x)) return;
  SetScaleDiv(x / Divisions());
}

double TFormatList::GetTopValue() const {
  const TFormat* f = Current();
  return f->RefValue + f->ScaleDiv * f->RefPosition;
}

bool TFormatList::DisplayedRange(double& lo, double& hi) const {
  lo = 1e9;
  hi = -1e9;
  const TMeasurement* t = Trace();
  if (t == nullptr) return false;
  const std::vector<TComplex>& shown = t->GetDisplayData();
  bool any = false;
  for (const TComplex& z : shown) {
    const double v = z.Re;
    if (!std::isfinite(v)) continue;  // a missing value must not blow the scale up
    any = true;
    if (v > hi) hi = v;
    if (v < lo) lo = v;
  }
  return any;
}

void TFormatList::AutoScale() {
  double lo;
  double hi;
  DisplayedRange(lo, hi);
  double scale;
  if (!ComputeAutoScaleDiv(lo, hi, Divisions(), scale)) return;
  SetScaleDiv(scale);
  AutoReference();
}

void TFormatList::AutoReference() {
  double lo;
  double hi;
  DisplayedRange(lo, hi);
  const TFormat* f = Current();
  SetRefValue(ComputeAutoRefValue(lo, hi, f->ScaleDiv, f->RefPosition, Divisions()));
  if (TMeasurement* t = Trace()) t->Redraw();
}

void TFormatList::FormatPoint(int i, const std::vector<TComplex>& source) {
  TMeasurement* t = Trace();
  if (t == nullptr || i < 0 || Index(i) >= source.size() || Index(i) >= t->FormattedData.size()) return;
  const TFormat* f = Current();
  TFormatStep step;
  step.Code = t->TraceFormat;
  step.MeasMode = t->MeasMode;
  step.MinValue = f->MinValue;
  step.MaxValue = f->MaxValue;
  step.Args = &args_;
  const TRange* range = t->Range;
  const int channel = range ? range->GetCount() : 0;
  auto frequency = [range, channel](int k) {
    return k >= 0 && k < channel ? range->GetPointFrequency(k) : std::numeric_limits<double>::quiet_NaN();
  };
  t->FormattedData[Index(i)] =
      FormatPointValue(step, source.data(), static_cast<int>(source.size()), i, t->FormattedData.data(), frequency);
  if (step.Code == fmtDtfReturnLoss) t->FormattedData[Index(i)].Re += DtfCableLossAt(t->GetTimeDomain(), source.size(), i);
}

double TFormatList::GetPointStimulus(int i) const {
  const TMeasurement* t = Trace();
  if (t == nullptr || t->Range == nullptr) return 0.0;
  const TRange* range = t->Range;
  const int channel = range->GetCount();
  if (i < 0 || i >= channel) return 0.0;
  if (t->TraceFormat == fmtGroupDelay) {
    return GroupDelayStimulus(channel, i, [range](int k) { return range->GetPointFrequency(k); });
  }
  if (t->IsTransformActive()) return TimeAxisStimulus(t->GetTimeAxisStart(), t->GetTimeAxisStop(), t->TimeData.size(), i);
  return RoundStimulus(range->GetPointFrequency(i));
}

int TFormatList::FindPointIndex(double x) const {
  const TMeasurement* t = Trace();
  if (t == nullptr) return -1;
  return FindPointIndexOn(TTraceAxis(*t), SweepOf(*t), x);
}

double TFormatList::GetValueAtStimulus(double x) const {
  const TMeasurement* t = Trace();
  if (t == nullptr) return 0.0;
  const TTraceAxis axis(*t);
  int n;
  int m;
  double fraction;
  if (!FindInterpolationPair(axis, SweepOf(*t), x, n, m, fraction)) return 0.0;
  const double y0 = t->GetDisplayValue(n);
  double y = y0;
  if (m != n && !NearlyEqual(axis.Stimulus(m) - axis.Stimulus(n), 0.0)) y = y0 + fraction * (t->GetDisplayValue(m) - y0);
  if (t->TraceFormat == fmtPhase) y = WrapPhaseDegrees(y);
  return y;
}

TComplex TFormatList::GetPointAtStimulus(double x) const {
  const TMeasurement* t = Trace();
  if (t == nullptr) return {};
  const TTraceAxis axis(*t);
  int n;
  int m;
  double fraction;
  if (!FindInterpolationPair(axis, SweepOf(*t), x, n, m, fraction)) return {};
  const TComplex p0 = t->GetDisplayPoint(n);
  if (m == n || NearlyEqual(axis.Stimulus(m) - axis.Stimulus(n), 0.0)) return p0;
  return InterpolatePolar(p0, t->GetDisplayPoint(m), fraction);
}

double TFormatList::GetStimulusAtPosition(double p) const {
  const TMeasurement* t = Trace();
  if (t == nullptr) return 0.0;
  return StimulusAtPositionOn(TTraceAxis(*t), SweepOf(*t), p);
}

double TFormatList::GetPositionAtStimulus(double x) const {
  const TMeasurement* t = Trace();
  if (t == nullptr) return 0.5;
  return PositionAtStimulusOn(TTraceAxis(*t), SweepOf(*t), x);
}

std::string TFormatList::GetResponseUnitText() const {
  const TMeasurement* t = Trace();
  if (t == nullptr) return "";
  const bool power = t->MeasMode == kMeasModePower;
  switch (t->TraceFormat) {
    case fmtLogMag:
    case fmtReturnLoss:
    case fmtCableLoss:
    case fmtDtfReturnLoss:
      return TranslateText(power ? "dBm" : "dB");
    case fmtPhase:
    case fmtExpandPhase:
      return "\xC2\xB0";
    case fmtGroupDelay:
      return TranslateText("ns");
    case fmtLinMag:
      if (power) return TranslateText("mW");
      [[fallthrough]];
    case fmtSwr:
    case fmtReal:
    case fmtImag:
      if (!t->ConversionOn) return "";
      if (t->ConversionType == 0) return TranslateText("Ohm");
      if (t->ConversionType == 1) return TranslateText("S");
      return "";
    default:
      return "";
  }
}

std::string TFormatList::GetStimulusUnitText() const {
  const TMeasurement* t = Trace();
  if (t != nullptr && t->IsTransformActive() && ScannerModule != nullptr) {
    switch (ScannerModule->MetricSystem) {
      case TScannerModule::UnitSeconds:
        return TranslateText("ns");
      case TScannerModule::UnitMetres:
        return TranslateText("m");
      case TScannerModule::UnitFeet:
        return TranslateText("ft");
      default:
        break;
    }
  }
  return TranslateText("MHz");
}

std::string TFormatList::SaveCsvFile(const std::string& name) const {
  const TMeasurement* t = Trace();
  if (t == nullptr) throw EAbort("No trace to export");
  std::string path = name;
  if (path.find('/') == std::string::npos) path = platform::Paths::folder("CSV") + "/" + path;
  path = SetDefaultExtension(path, ".csv");
  const TTraceAxis axis(*t);
  std::string text;
  text.reserve(static_cast<size_t>(axis.Count()) * 56);
  for (int i = 0; i < axis.Count(); ++i) {
    const TComplex p = t->GetDisplayPoint(i);
    AppendCsvLine(text, t->StimulusToHz(axis.Stimulus(i)), t->ResponseToSI(p.Re), p.Im);
  }
  const platform::FileResult r = platform::AtomicFile::write(path, text);
  if (!r) throw EAbort(r.message);
  return path;
}
