#include "traces/TimeDomainSettings.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>

#include "instrument/CableStd.h"
#include "instrument/ScannerModule.h"
#include "model/CustomIniFile.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/KeywordPrefix.h"
#include "traces/TimeDomainOwner.h"

namespace {

// Main-lobe widths of the transform, seconds, at a span of 999.7 MHz, for beta 0, 1, ... 13:
// band-pass and low-pass impulse (the impulse takes half), and low-pass step.
constexpr double kWidthSpanMHz = 999.7;
constexpr std::array<double, 14> kImpulseWidths = {
    1.203813144e-09, 1.247120136e-09, 1.358985696e-09, 1.5046674e-09,   1.658551565e-09,
    1.808806642e-09, 1.951707512e-09, 2.086808042e-09, 2.214696409e-09, 2.336168851e-09,
    2.451991597e-09, 2.562810843e-09, 2.66919876e-09,  2.771617485e-09};
constexpr std::array<double, 14> kStepWidths = {
    4.4813444e-10,  4.89146744e-10, 5.88176453e-10,  7.00210063e-10,  8.05241572e-10,
    8.99269781e-10, 9.86295889e-10, 1.074322297e-09, 1.141342403e-09, 1.213364009e-09,
    1.283385016e-09, 1.344403321e-09, 1.404421326e-09, 1.466439932e-09};

const std::array<double, 14>& WidthTable(int32_t responseType) {
  return responseType == TTimeDomainSettings::LowPassStep ? kStepWidths : kImpulseWidths;
}

// The number of leading values not above x, at most 14, limited to 1..13: the upper end of the
// table interval that interpolates at x.
template <typename ValueAt>
int UpperIndex(double x, ValueAt&& valueAt) {
  int i = 0;
  while (i < 14 && valueAt(i) <= x) ++i;
  return ClampToRange(i, 1, 13);
}

double SpanMHz(const TRange* range) { return range ? range->MaxFrequency - range->MinFrequency : 0.0; }

double LightTime(double velocity) { return TTimeDomainSettings::kLightSpeed * 0.5 * velocity; }

int DistanceUnit() { return ScannerModule ? ScannerModule->MetricSystem : TScannerModule::UnitMetres; }

double VelocityFactor() { return ScannerModule ? ScannerModule->VelocityFactor : TCableStd::DefaultVelocity; }

// The narrowest transform range that fits the channel's limits.
double MinSpan(double tmin, double tmax) {
  return tmax - tmin < TTimeDomainSettings::kMinTransformSpan ? tmax - tmin
                                                               : TTimeDomainSettings::kMinTransformSpan;
}

double RoundBeta(double beta) {
  return RoundToStep(TTimeDomainSettings::kBetaStep, ClampToRange(beta, 0.0, TTimeDomainSettings::kMaxBeta));
}

}  // namespace

// ---- Limits ------------------------------------------------------------------------------------

double TTimeDomainSettings::TimeMax(const TRange* range) {
  const double span = SpanMHz(range);
  if (range == nullptr || NearlyEqual(span, 0.0)) return kNoSpanTimeLimit;
  const double n = static_cast<double>(range->GetCount());
  const double t = std::fabs((n > 1 ? n - 1 : 0.0) / (span * 1e6));
  return std::isfinite(t) ? t : kNoSpanTimeLimit;
}

double TTimeDomainSettings::TimeMin(const TRange* range) { return -TimeMax(range); }

// ---- Transform range and gate ------------------------------------------------------------------

namespace {

// A start and stop inside the channel's time limits, at least minSpan apart. The transform range
// (at least the narrowest transform span) and the gate (any width) move by the same rules. Each
// setter returns whether the ends changed.
class TTimeWindow {
 public:
  TTimeWindow(double& start, double& stop, const TRange* range, bool keepsMinSpan)
      : start_(start),
        stop_(stop),
        tmin_(TTimeDomainSettings::TimeMin(range)),
        tmax_(TTimeDomainSettings::TimeMax(range)),
        keepsMinSpan_(keepsMinSpan),
        minSpan_(keepsMinSpan ? MinSpan(tmin_, tmax_) : 0.0) {}

  bool SetStart(double t) {
    const double v = ClampToRange(t, tmin_, Down(tmax_, minSpan_));
    if (NearlyEqual(v, start_)) return false;
    start_ = v;
    stop_ = ClampToRange(stop_, Up(v, minSpan_), tmax_);
    return true;
  }

  bool SetStop(double t) {
    const double v = ClampToRange(t, Up(tmin_, minSpan_), tmax_);
    if (NearlyEqual(v, stop_)) return false;
    stop_ = v;
    start_ = ClampToRange(start_, tmin_, Down(v, minSpan_));
    return true;
  }

  // Keeps the span where the limits leave room for it around the new centre.
  bool SetCenter(double t) {
    // Half the narrowest width away from the limits, so that the window stays inside them.
    const double c = ClampToRange(t, Up(tmin_, minSpan_ / 2), Down(tmax_, minSpan_ / 2));
    if (NearlyEqual(c, Center())) return false;
    double w = Span();
    w = std::min(w, 2 * (c - tmin_));
    w = std::min(w, 2 * (tmax_ - c));
    w = std::max(w, minSpan_);
    Place(c, w);
    return true;
  }

  // Keeps the centre where the limits leave room for the new span around it.
  bool SetSpan(double w) {
    w = ClampToRange(w, minSpan_, tmax_ - tmin_);
    if (NearlyEqual(w, Span())) return false;
    Place(ClampToRange(Center(), tmin_ + w / 2, tmax_ - w / 2), w);
    return true;
  }

  // Values read from a file into the limits, the start first.
  void Clamp() {
    start_ = ClampToRange(start_, tmin_, Down(tmax_, minSpan_));
    stop_ = ClampToRange(stop_, Up(start_, minSpan_), tmax_);
  }

 private:
  // x moved up or down by d, a part of the narrowest width. A window without one (the gate) takes
  // x as it is: adding a zero would turn a -0 bound into +0.
  double Up(double x, double d) const { return keepsMinSpan_ ? x + d : x; }
  double Down(double x, double d) const { return keepsMinSpan_ ? x - d : x; }
  double Center() const { return (start_ + stop_) / 2; }
  double Span() const { return stop_ - start_; }
  void Place(double c, double w) {
    start_ = c - w / 2;
    stop_ = c + w / 2;
  }

  double& start_;
  double& stop_;
  const double tmin_;
  const double tmax_;
  const bool keepsMinSpan_;
  const double minSpan_;
};

TTimeWindow TransformWindow(TTimeDomainSettings& s, const TRange* range) {
  return TTimeWindow(s.TransformStart, s.TransformStop, range, true);
}

TTimeWindow GateWindow(TTimeDomainSettings& s, const TRange* range) {
  return TTimeWindow(s.GatingStart, s.GatingStop, range, false);
}

void TransformChanged(TTimeDomainOwner& owner) {
  owner.RecalculateAllTraces();
  owner.Changed();
}

void GateChanged(TTimeDomainOwner& owner) {
  owner.RecalculateTimeDomainTraces();
  owner.Changed();
}

}  // namespace

void TTimeDomainSettings::SetTransformStart(TTimeDomainOwner& owner, double t) {
  if (!std::isfinite(t)) return;
  TimeCenterPriority = false;
  if (TransformWindow(*this, owner.GetRange()).SetStart(t)) TransformChanged(owner);
}

void TTimeDomainSettings::SetTransformStop(TTimeDomainOwner& owner, double t) {
  if (!std::isfinite(t)) return;
  TimeCenterPriority = false;
  if (TransformWindow(*this, owner.GetRange()).SetStop(t)) TransformChanged(owner);
}

void TTimeDomainSettings::SetTransformCenter(TTimeDomainOwner& owner, double t) {
  if (!std::isfinite(t)) return;
  TimeCenterPriority = true;
  if (TransformWindow(*this, owner.GetRange()).SetCenter(t)) TransformChanged(owner);
}

void TTimeDomainSettings::SetTransformSpan(TTimeDomainOwner& owner, double w) {
  if (!std::isfinite(w)) return;
  TimeCenterPriority = true;
  if (TransformWindow(*this, owner.GetRange()).SetSpan(w)) TransformChanged(owner);
}

void TTimeDomainSettings::SetTimeCenterPriority(TTimeDomainOwner& owner, bool on) {
  if (on == TimeCenterPriority) return;
  TimeCenterPriority = on;
  owner.RequestRedraw();
}

void TTimeDomainSettings::SetGatingStart(TTimeDomainOwner& owner, double t) {
  if (!std::isfinite(t)) return;
  GatingCenterPriority = false;
  if (GateWindow(*this, owner.GetRange()).SetStart(t)) GateChanged(owner);
}

void TTimeDomainSettings::SetGatingStop(TTimeDomainOwner& owner, double t) {
  if (!std::isfinite(t)) return;
  GatingCenterPriority = false;
  if (GateWindow(*this, owner.GetRange()).SetStop(t)) GateChanged(owner);
}

void TTimeDomainSettings::SetGatingCenter(TTimeDomainOwner& owner, double t) {
  if (!std::isfinite(t)) return;
  GatingCenterPriority = true;
  if (GateWindow(*this, owner.GetRange()).SetCenter(t)) GateChanged(owner);
}

void TTimeDomainSettings::SetGatingSpan(TTimeDomainOwner& owner, double w) {
  if (!std::isfinite(w)) return;
  GatingCenterPriority = true;
  if (GateWindow(*this, owner.GetRange()).SetSpan(w)) GateChanged(owner);
}

// ---- Switches and types ------------------------------------------------------------------------

namespace {

void TimeDomainRefreshed(TTimeDomainOwner& owner) {
  owner.RefreshTimeDomain();
  owner.RequestRedraw();
  owner.Changed();
}

}  // namespace

void TTimeDomainSettings::SetGatingEnabled(TTimeDomainOwner& owner, bool on) {
  if (on == EnableGating) return;
  // The channel first: the window switches gating off on every change of a channel that is not
  // linear or has no span, and would undo the switch made before the band is set.
  if (TRange* range = owner.GetRange()) {
    range->SetSweepType(TRange::Lin);
    if (NearlyEqual(range->MaxFrequency - range->MinFrequency, 0.0)) {
      range->SetStartFrequency(range->GetDeviceMinFrequency());
      range->SetStopFrequency(range->GetDeviceMaxFrequency());
    }
  }
  EnableGating = on;
  TimeDomainRefreshed(owner);
}

void TTimeDomainSettings::SetGatingType(TTimeDomainOwner& owner, int32_t type) {
  if (type == GatingType) return;
  GatingType = type;
  TimeDomainRefreshed(owner);
}

void TTimeDomainSettings::SetGatingShape(TTimeDomainOwner& owner, int32_t shape) {
  if (shape == GatingShape) return;
  GatingShape = shape;
  TimeDomainRefreshed(owner);
}

void TTimeDomainSettings::SetResponseType(TTimeDomainOwner& owner, int32_t type) {
  if (type == ResponseType) return;
  ResponseType = type;
  TimeDomainRefreshed(owner);
}

// ---- Kaiser window -----------------------------------------------------------------------------

void TTimeDomainSettings::SetTransformBeta(TTimeDomainOwner& owner, double beta) {
  if (!std::isfinite(beta)) return;
  const double v = RoundBeta(beta);
  if (NearlyEqual(v, Beta)) return;
  Beta = v;
  TransformChanged(owner);
}

void TTimeDomainSettings::SetTransformWindow(TTimeDomainOwner& owner, int choice) {
  switch (choice) {
    case 0: SetTransformBeta(owner, 0.0); break;
    case 1: SetTransformBeta(owner, 6.0); break;
    case 2: SetTransformBeta(owner, kMaxBeta); break;
    default: break;
  }
}

int TTimeDomainSettings::GetTransformWindow() const {
  if (std::fabs(Beta - 0.0) <= kBetaStep) return 0;
  if (std::fabs(Beta - 6.0) <= kBetaStep) return 1;
  if (std::fabs(Beta - kMaxBeta) <= kBetaStep) return 2;
  return 3;
}

double TTimeDomainSettings::GetImpulseWidth(const TRange* range) const {
  const double span = SpanMHz(range);
  if (range == nullptr || NearlyEqual(span, 0.0)) return 0.0;
  const std::array<double, 14>& table = WidthTable(ResponseType);
  const int i = UpperIndex(Beta, [](int k) { return static_cast<double>(k); });
  const double v = table[i - 1] + (table[i] - table[i - 1]) * (Beta - (i - 1));
  double width = v * kWidthSpanMHz / span;
  if (ResponseType == LowPassImpulse) width *= 0.5;
  return width;
}

void TTimeDomainSettings::SetImpulseWidth(TTimeDomainOwner& owner, double width) {
  if (!std::isfinite(width)) return;
  double c = SpanMHz(owner.GetRange()) * width / kWidthSpanMHz;
  if (ResponseType == LowPassImpulse) c *= 2;
  const std::array<double, 14>& table = WidthTable(ResponseType);
  const int i = UpperIndex(c, [&table](int k) { return table[static_cast<size_t>(k)]; });
  const double beta = (i - 1) + (c - table[i - 1]) / (table[i] - table[i - 1]);
  SetTransformBeta(owner, beta);
}

// ---- Text forms --------------------------------------------------------------------------------

void TTimeDomainSettings::SetTransformTypeText(TTimeDomainOwner& owner, std::string_view text) {
  if (StartsWithKeyword(text, "BPAS")) SetResponseType(owner, BandPass);
  if (StartsWithKeyword(text, "LPAS") && ResponseType == BandPass) SetResponseType(owner, LowPassImpulse);
}

std::string TTimeDomainSettings::GetTransformTypeText() const {
  return ResponseType == LowPassImpulse || ResponseType == LowPassStep ? "LPAS" : "BPAS";
}

void TTimeDomainSettings::SetResponseTypeText(TTimeDomainOwner& owner, std::string_view text) {
  if (StartsWithKeyword(text, "STEP")) SetResponseType(owner, LowPassStep);
  if (StartsWithKeyword(text, "IMP") && ResponseType == LowPassStep) SetResponseType(owner, LowPassImpulse);
}

std::string TTimeDomainSettings::GetResponseTypeText() const { return ResponseType == LowPassStep ? "STEP" : "IMP"; }

void TTimeDomainSettings::SetGatingTypeText(TTimeDomainOwner& owner, std::string_view text) {
  if (StartsWithKeyword(text, "BPAS")) {
    SetGatingType(owner, GateBandPass);
  } else if (StartsWithKeyword(text, "NOTC")) {
    SetGatingType(owner, GateNotch);
  } else {
    throw EAbort("Invalid gating type specifier", 219);
  }
}

std::string TTimeDomainSettings::GetGatingTypeText() const {
  switch (GatingType) {
    case GateBandPass: return "BPAS";
    case GateNotch: return "NOTC";
    default: return "";
  }
}

namespace {

constexpr std::array<const char*, 4> kShapeKeywords = {"MIN", "NORM", "WIDE", "MAX"};

}  // namespace

void TTimeDomainSettings::SetGatingShapeText(TTimeDomainOwner& owner, std::string_view text) {
  for (int shape = 3; shape >= 0; --shape) {
    if (StartsWithKeyword(text, kShapeKeywords[static_cast<size_t>(shape)])) {
      SetGatingShape(owner, shape);
      return;
    }
  }
  throw EAbort("Invalid gating shape specifier", 218);
}

std::string TTimeDomainSettings::GetGatingShapeText() const {
  if (GatingShape < 0 || GatingShape > 3) return "";
  return kShapeKeywords[static_cast<size_t>(GatingShape)];
}

void TTimeDomainSettings::SetWindowText(TTimeDomainOwner& owner, std::string_view text) {
  if (StartsWithKeyword(text, "MIN")) {
    SetTransformWindow(owner, 0);
  } else if (StartsWithKeyword(text, "NORM")) {
    SetTransformWindow(owner, 1);
  } else if (StartsWithKeyword(text, "MAX")) {
    SetTransformWindow(owner, 2);
  }
}

std::string TTimeDomainSettings::GetWindowText() const {
  switch (GetTransformWindow()) {
    case 0: return "MIN";
    case 1: return "NORM";
    case 2: return "MAX";
    default: return "";
  }
}

// ---- Distance forms ----------------------------------------------------------------------------

double TTimeDomainSettings::TimeToUnit(double t) {
  switch (DistanceUnit()) {
    case TScannerModule::UnitSeconds: return t * 1e9;
    case TScannerModule::UnitMetres: return t * LightTime(VelocityFactor());
    default: return t * LightTime(VelocityFactor()) / kFoot;
  }
}

double TTimeDomainSettings::UnitToTime(double d) {
  switch (DistanceUnit()) {
    case TScannerModule::UnitMetres: return d / LightTime(VelocityFactor());
    case TScannerModule::UnitFeet: return d / LightTime(VelocityFactor()) * kFoot;
    default: return d * 1e-9;
  }
}

void TTimeDomainSettings::SetTransformStartInUnit(TTimeDomainOwner& owner, double d) {
  SetTransformStart(owner, UnitToTime(d));
}
void TTimeDomainSettings::SetTransformStopInUnit(TTimeDomainOwner& owner, double d) {
  SetTransformStop(owner, UnitToTime(d));
}
void TTimeDomainSettings::SetTransformCenterInUnit(TTimeDomainOwner& owner, double d) {
  SetTransformCenter(owner, UnitToTime(d));
}
void TTimeDomainSettings::SetTransformSpanInUnit(TTimeDomainOwner& owner, double d) {
  SetTransformSpan(owner, UnitToTime(d));
}

// ---- State section -----------------------------------------------------------------------------

void TTimeDomainSettings::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteBool(section, "EnableGating", EnableGating);
  ini.WriteFloat(section, "GatingStart", GatingStart);
  ini.WriteFloat(section, "GatingStop", GatingStop);
  ini.WriteInteger(section, "GatingType", GatingType);
  ini.WriteInteger(section, "GatingShape", GatingShape);
  ini.WriteFloat(section, "TransformStart", TransformStart);
  ini.WriteFloat(section, "TransformStop", TransformStop);
  ini.WriteInteger(section, "ResponseType", ResponseType);
  ini.WriteFloat(section, "Beta", Beta);
  ini.WriteBool(section, "TimeCenterPriority", TimeCenterPriority);
  ini.WriteBool(section, "GatingCenterPriority", GatingCenterPriority);
}

void TTimeDomainSettings::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  const TTimeDomainSettings d;
  EnableGating = ini.ReadBool(section, "EnableGating", d.EnableGating);
  GatingStart = ini.ReadFloat(section, "GatingStart", d.GatingStart);
  GatingStop = ini.ReadFloat(section, "GatingStop", d.GatingStop);
  GatingType = ini.ReadInteger(section, "GatingType", d.GatingType);
  GatingShape = ini.ReadInteger(section, "GatingShape", d.GatingShape);
  TransformStart = ini.ReadFloat(section, "TransformStart", d.TransformStart);
  TransformStop = ini.ReadFloat(section, "TransformStop", d.TransformStop);
  ResponseType = ini.ReadInteger(section, "ResponseType", d.ResponseType);
  Beta = ini.ReadFloat(section, "Beta", d.Beta);
  TimeCenterPriority = ini.ReadBool(section, "TimeCenterPriority", d.TimeCenterPriority);
  GatingCenterPriority = ini.ReadBool(section, "GatingCenterPriority", d.GatingCenterPriority);
}

// ---- Loaded values -----------------------------------------------------------------------------

void TTimeDomainSettings::ClampLoaded(const TRange* range) {
  const TTimeDomainSettings defaults;
  const auto finiteOr = [](double& v, double fallback) {
    if (!std::isfinite(v)) v = fallback;
  };
  finiteOr(TransformStart, defaults.TransformStart);
  finiteOr(TransformStop, defaults.TransformStop);
  finiteOr(GatingStart, defaults.GatingStart);
  finiteOr(GatingStop, defaults.GatingStop);
  finiteOr(Beta, defaults.Beta);
  Beta = RoundBeta(Beta);
  if (ResponseType < BandPass || ResponseType > LowPassStep) ResponseType = defaults.ResponseType;
  if (GatingType != GateBandPass && GatingType != GateNotch) GatingType = defaults.GatingType;
  if (GatingShape < 0 || GatingShape > 3) GatingShape = defaults.GatingShape;
  TransformWindow(*this, range).Clamp();
  GateWindow(*this, range).Clamp();
}

double CableLossForTime(double t) {
  if (ScannerModule == nullptr) return 0.0;
  return t * LightTime(ScannerModule->VelocityFactor) * ScannerModule->CableLoss;
}
