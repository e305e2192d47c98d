#include "traces/Marker.h"

#include <cmath>
#include <numbers>

#include "model/CustomIniFile.h"
#include "model/Utils.h"
#include "traces/KeywordPrefix.h"
#include "traces/MarkerHooks.h"
#include "traces/MarkerList.h"
#include "traces/MarkerTrace.h"
#include "traces/TraceSearch.h"

namespace {

// A left or right search starts this far (relative) beside the marker, so it does not find
// the marker's own place.
constexpr double kSearchShift = 0.0001;

const char* const kSearchKeywords[] = {"MAX", "MIN", "PEAK", "PEAK", "LPE", "RPE", "TARG", "LTAR", "RTAR"};
const char* const kPolarityKeywords[] = {"POS", "NEG", "BOTH"};

bool HasPoints(const IMarkerTrace& t) { return t.PointCount() > 0; }

// Limits a search bound x to the trace's stimuli; false when x is no number or the trace has
// no points, and the bound must stay as it is.
bool ClampToTrace(const IMarkerTrace& t, double& x) {
  if (!std::isfinite(x) || !HasPoints(t)) return false;
  x = ClampToRange(x, t.FirstStimulus(), t.LastStimulus());
  return true;
}

// The keyword of a polarity or transition code (0 positive, 1 negative, 2 both), empty for
// any other code; and back, -1 for a text that starts with none of them.
std::string PolarityKeyword(int code) { return code >= 0 && code <= 2 ? kPolarityKeywords[code] : ""; }

int PolarityCode(const std::string& text) {
  for (int i = 0; i < 3; ++i)
    if (StartsWithKeyword(text, kPolarityKeywords[i])) return i;
  return -1;
}

}  // namespace

TMarker::TMarker(TMarkerList* list, int tag) : TFObject(list), Tag(tag) {
  const IMarkerTrace& t = Trace();
  RelativeX = 0.5;
  if (HasPoints(t)) {
    Argument = t.StimulusAtPosition(0.5);
    SearchStart = t.FirstStimulus();
    SearchStop = t.LastStimulus();
  }
  ReadValues();
}

TMarkerList* TMarker::GetList() const { return static_cast<TMarkerList*>(GetOwner()); }

IMarkerTrace& TMarker::Trace() const { return GetList()->Trace(); }

void TMarker::Changed() { GetList()->Changed(); }

void TMarker::ReadValues() {
  const IMarkerTrace& t = Trace();
  if (!HasPoints(t)) return;
  Value = t.ValueAtStimulus(Argument);
  PointValue = t.PointAtStimulus(Argument);
}

void TMarker::SetArgument(double x) {
  const IMarkerTrace& t = Trace();
  if (!std::isfinite(x) || !HasPoints(t)) return;
  x = ClampToRange(x, t.FirstStimulus(), t.LastStimulus());
  if (NearlyEqual(x, Argument, 1e-15)) return;
  Argument = x;
  RelativeX = t.PositionAtStimulus(Argument);
  ReadValues();
  Changed();
}

void TMarker::SetRelativeX(double p) {
  if (!std::isfinite(p)) return;
  p = ClampToRange(p, 0.0, 1.0);
  if (NearlyEqual(p, RelativeX)) return;
  RelativeX = p;
  if (HasPoints(Trace())) Argument = Trace().StimulusAtPosition(RelativeX);
  ReadValues();
  Changed();
}

void TMarker::CopyPosition(const TMarker& source) {
  // Quiet: the coupling that copies runs inside a change that redraws and notifies once.
  const double p = ClampToRange(source.RelativeX, 0.0, 1.0);
  if (NearlyEqual(p, RelativeX)) return;
  RelativeX = p;
  if (HasPoints(Trace())) Argument = Trace().StimulusAtPosition(RelativeX);
  ReadValues();
}

void TMarker::SetSearchRangeOn(bool on) {
  if (on == SearchRangeOn) return;
  SearchRangeOn = on;
  Changed();
}

void TMarker::SetTracking(bool on) {
  if (on == Tracking) return;
  Tracking = on;
  Changed();
}

void TMarker::SetSearchStart(double x) {
  if (!ClampToTrace(Trace(), x) || x == SearchStart) return;
  SearchStart = x;
  Changed();
}

void TMarker::SetSearchStop(double x) {
  if (!ClampToTrace(Trace(), x) || x == SearchStop) return;
  SearchStop = x;
  Changed();
}

void TMarker::SetSearchFunction(int code) {
  if (code == MarkerSearch) return;
  MarkerSearch = code;
  Changed();
}

void TMarker::SetPeakPolarity(int code) {
  if (code == PeakPolarity) return;
  PeakPolarity = code;
  Changed();
}

void TMarker::SetTargetTransition(int code) {
  if (code == TargetTrans) return;
  TargetTrans = code;
  Changed();
}

void TMarker::SetPeakExcursion(double x) {
  if (!std::isfinite(x)) return;
  // An excursion is a difference of values: from nothing up to the whole value range.
  const IMarkerTrace& t = Trace();
  x = ClampToRange(x, 0.0, t.MaxValue() - t.MinValue());
  if (x == PeakExcursion) return;
  PeakExcursion = x;
  Changed();
}

void TMarker::SetTargetValue(double x) {
  if (!std::isfinite(x)) return;
  const IMarkerTrace& t = Trace();
  x = ClampToRange(x, t.MinValue(), t.MaxValue());
  if (x == TargetValue) return;
  TargetValue = x;
  Changed();
}

void TMarker::Update() {
  const IMarkerTrace& t = Trace();
  if (!HasPoints(t)) return;
  Argument = ClampToRange(Argument, t.FirstStimulus(), t.LastStimulus());
  RelativeX = t.PositionAtStimulus(Argument);
  ReadValues();
  if (Tracking) Search();
}

bool TMarker::UpdateHover(const TScreenPoint& p) {
  const bool hover = ReadoutRect.Contains(p);
  if (hover == ReadoutHover) return false;
  ReadoutHover = hover;
  return true;
}

bool TMarker::ClearHover() {
  if (!ReadoutHover) return false;
  ReadoutHover = false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Readouts

namespace {

std::string F(int digits, std::string_view unit, double x) { return FormatNumberWithUnit(digits, unit, x); }

// The part of a readout that has no finite value (an open read as impedance, a short read as
// admittance), laid out like a number.
std::string Infinite(std::string_view unit) {
  std::string s = " \u221E";
  if (!unit.empty()) {
    s += ' ';
    s += unit;
  }
  return s;
}

std::string Component(double value, bool inductance) {
  std::string unit = ScaleMarkerComponent(value, inductance);
  return F(MarkerValueDigits(), unit, value);
}

double Degrees(const TComplex& z) { return Arg(z) * 180.0 / std::numbers::pi; }

}  // namespace

std::string TMarker::GetArgumentText() const {
  const IMarkerTrace& t = Trace();
  if (!HasPoints(t)) return {};
  double v = Argument;
  const TMarkerList* list = GetList();
  if (list->EnableReference && !IsReference()) v -= list->GetReferenceMarker()->Argument;
  return F(MarkerArgumentDigits(), t.StimulusUnitText(), v);
}

std::string TMarker::GetValueText() const {
  const IMarkerTrace& t = Trace();
  if (!HasPoints(t)) return {};
  double v = Value;
  TComplex z = PointValue;
  const TMarkerList* list = GetList();
  if (list->EnableReference && !IsReference()) {
    const TMarker* ref = list->GetReferenceMarker();
    v -= ref->Value;
    z = z - ref->PointValue;
  }
  const int digits = MarkerValueDigits();
  const int format = t.TraceFormat();
  const double omega = 2.0 * std::numbers::pi * Argument * 1e6;
  switch (format) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 7: case 16: case 17: case 18: case 19:
      return F(digits, t.ResponseUnitText(), v);
    case 6:
      return F(digits, "j", v);
    case 8:
    case 13:
      if (IsComplexZero(z)) return {};
      return F(digits, "", Abs(z)) + " " + F(digits, "\u00B0", Degrees(z));
    case 9:
    case 14:
      if (IsComplexZero(z)) return {};
      return F(digits, "dB", 20.0 * std::log10(Abs(z))) + " " + F(digits, "\u00B0", Degrees(z));
    case 10:
    case 15:
      return F(digits, "", z.Re) + " " + F(digits, "j", z.Im);
    case 11: {
      const TComplex d = TComplex{1.0, 0.0} - z;
      if (IsComplexZero(d)) return Infinite("Ohm") + " " + Infinite("Ohm");
      const TComplex zz = t.ReferenceImpedance() * ((TComplex{1.0, 0.0} + z) / d);
      std::string s = F(digits, "Ohm", zz.Re) + " " + F(digits, "Ohm", zz.Im);
      if (omega > 0.0 && std::isfinite(omega)) {
        if (zz.Im < 0.0)
          s += " " + Component(-1.0 / (omega * zz.Im), false);
        else
          s += " " + Component(zz.Im / omega, true);
      }
      return s;
    }
    case 12: {
      const TComplex d = TComplex{1.0, 0.0} - z;
      TComplex y;
      if (!IsComplexZero(d)) {
        const TComplex zz = t.ReferenceImpedance() * ((TComplex{1.0, 0.0} + z) / d);
        if (IsComplexZero(zz)) return Infinite("Sm") + " " + Infinite("Sm");
        y = TComplex{1.0, 0.0} / zz;
      }
      std::string s = F(digits, "Sm", y.Re) + " " + F(digits, "Sm", y.Im);
      if (omega > 0.0 && std::isfinite(omega)) {
        if (y.Im < 0.0)
          s += " " + Component(-1.0 / (omega * y.Im), true);
        else
          s += " " + Component(y.Im / omega, false);
      }
      return s;
    }
    default:
      return {};
  }
}

// ---------------------------------------------------------------------------------------------
// Searches

bool TMarker::Search() {
  const IMarkerTrace& t = Trace();
  if (!HasPoints(t)) return false;
  const double start = SearchRangeOn ? SearchStart : t.FirstStimulus();
  const double stop = SearchRangeOn ? SearchStop : t.LastStimulus();
  double p = RelativeX;
  if (MarkerSearch == 4 || MarkerSearch == 7) p -= kSearchShift;
  if (MarkerSearch == 5 || MarkerSearch == 8) p += kSearchShift;
  double position = 0.0;
  bool found = false;
  switch (MarkerSearch) {
    case 0:
    case 1:
      found = TTraceSearch::FindExtremum(t, MarkerSearch == 0, start, stop, position);
      break;
    case 2:
      found = TTraceSearch::SearchPeak(t, PeakPolarity, start, stop, p, PeakExcursion, position);
      break;
    case 3:
      found = TTraceSearch::MaxPeak(t, PeakPolarity, start, stop, p, PeakExcursion, position);
      break;
    case 4:
      found = TTraceSearch::PeakLeft(t, PeakPolarity, start, stop, p, PeakExcursion, position);
      break;
    case 5:
      found = TTraceSearch::PeakRight(t, PeakPolarity, start, stop, p, PeakExcursion, position);
      break;
    case 6:
    case 7:
    case 8: {
      const double from = t.StimulusAtPosition(p);
      double stimulus = 0.0;
      if (MarkerSearch == 6)
        found = TTraceSearch::SearchTarget(t, start, stop, from, TargetValue, TargetTrans, stimulus);
      else if (MarkerSearch == 7)
        found = TTraceSearch::TargetLeft(t, start, stop, from, TargetValue, TargetTrans, stimulus);
      else
        found = TTraceSearch::TargetRight(t, start, stop, from, TargetValue, TargetTrans, stimulus);
      if (found) position = t.PositionAtStimulus(stimulus);
      break;
    }
    default:
      return false;
  }
  if (!found) return false;
  SetRelativeX(position);
  return true;
}

bool TMarker::SearchWith(int code) {
  SetSearchFunction(code);
  return Search();
}

std::string TMarker::GetSearchText() const {
  if (MarkerSearch < 0 || MarkerSearch > 8) return {};
  return kSearchKeywords[MarkerSearch];
}

void TMarker::SetSearchText(const std::string& text) {
  // "PEAK" stands for both peak searches and selects the nearer-peak one.
  static const int codes[] = {0, 1, 2, 4, 5, 6, 7, 8};
  static const char* const words[] = {"MAX", "MIN", "PEAK", "LPE", "RPE", "TARG", "LTAR", "RTAR"};
  for (int i = 0; i < 8; ++i)
    if (StartsWithKeyword(text, words[i])) {
      SetSearchFunction(codes[i]);
      return;
    }
}

std::string TMarker::GetPeakPolarityText() const { return PolarityKeyword(PeakPolarity); }

void TMarker::SetPeakPolarityText(const std::string& text) {
  if (const int i = PolarityCode(text); i >= 0) SetPeakPolarity(i);
}

std::string TMarker::GetTargetTransitionText() const { return PolarityKeyword(TargetTrans); }

void TMarker::SetTargetTransitionText(const std::string& text) {
  if (const int i = PolarityCode(text); i >= 0) SetTargetTransition(i);
}

void TMarker::SetMarkerToText(const std::string& text) {
  IMarkerTrace& t = Trace();
  if (!HasPoints(t)) return;
  const bool transform = t.IsTransformActive();
  if (StartsWithKeyword(text, "STAR")) {
    if (transform)
      t.SetTransformStartInUnit(Argument);
    else
      t.SetStartFrequency(Argument);
  } else if (StartsWithKeyword(text, "STOP")) {
    if (transform)
      t.SetTransformStopInUnit(Argument);
    else
      t.SetStopFrequency(Argument);
  } else if (StartsWithKeyword(text, "CENT")) {
    if (transform)
      t.SetTransformCenterInUnit(Argument);
    else
      t.SetCenterFrequency(Argument);
  } else if (StartsWithKeyword(text, "RLEV")) {
    t.SetRefValue(Value);
  }
  // "DEL" and any other text set nothing.
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TMarker::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteFloat(section, "RelativeX", RelativeX);
  ini.WriteFloat(section, "Argument", Argument);
  ini.WriteInteger(section, "Tag", Tag);
  ini.WriteBool(section, "SearchRangeOn", SearchRangeOn);
  ini.WriteBool(section, "Tracking", Tracking);
  ini.WriteFloat(section, "SearchStart", SearchStart);
  ini.WriteFloat(section, "SearchStop", SearchStop);
  ini.WriteInteger(section, "MarkerSearch", MarkerSearch);
  ini.WriteInteger(section, "PeakPolarity", PeakPolarity);
  ini.WriteFloat(section, "PeakExcursion", PeakExcursion);
  ini.WriteFloat(section, "TargetValue", TargetValue);
  ini.WriteInteger(section, "TargetTrans", TargetTrans);
}

namespace {

double FiniteOr(double x, double fallback) { return std::isfinite(x) ? x : fallback; }

}  // namespace

void TMarker::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  const IMarkerTrace& t = Trace();
  RelativeX = ClampToRange(FiniteOr(ini.ReadFloat(section, "RelativeX", 0.5), 0.5), 0.0, 1.0);
  Argument = FiniteOr(ini.ReadFloat(section, "Argument", 0.0), 0.0);
  SearchRangeOn = ini.ReadBool(section, "SearchRangeOn", false);
  Tracking = ini.ReadBool(section, "Tracking", false);
  SearchStart = FiniteOr(ini.ReadFloat(section, "SearchStart", 0.0), 0.0);
  SearchStop = FiniteOr(ini.ReadFloat(section, "SearchStop", 0.0), 0.0);
  MarkerSearch = ClampToRange(ini.ReadInteger(section, "MarkerSearch", 0), 0, 8);
  PeakPolarity = ClampToRange(ini.ReadInteger(section, "PeakPolarity", 0), 0, 2);
  PeakExcursion = FiniteOr(ini.ReadFloat(section, "PeakExcursion", 1.0), 1.0);
  PeakExcursion = ClampToRange(PeakExcursion, 0.0, t.MaxValue() - t.MinValue());
  TargetValue = FiniteOr(ini.ReadFloat(section, "TargetValue", 0.0), 0.0);
  TargetValue = ClampToRange(TargetValue, t.MinValue(), t.MaxValue());
  TargetTrans = ClampToRange(ini.ReadInteger(section, "TargetTrans", 2), 0, 2);
  if (HasPoints(t)) {
    SearchStart = ClampToRange(SearchStart, t.FirstStimulus(), t.LastStimulus());
    SearchStop = ClampToRange(SearchStop, t.FirstStimulus(), t.LastStimulus());
  }
}
