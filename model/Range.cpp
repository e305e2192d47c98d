// TRange: construction, device limits, reporting, and the stimulus, averaging and correction
// switch setters. The segment table, the stimulus snapshot, the point list rebuild and the
// frequency offset mode live in the Range*.cpp files beside this one.
#include "model/Range.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/ISynthPlan.h"
#include "model/Services.h"
#include "model/Utils.h"

namespace {

// x limited to lo ... hi; lo wins when the bounds are inverted.
double Limit(double x, double lo, double hi) { return std::max(lo, std::min(x, hi)); }
int Limit(int x, int lo, int hi) { return std::max(lo, std::min(x, hi)); }

// True when text begins with keyword, compared without regard to ASCII case.
bool StartsWithKeyword(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80 || std::toupper(c) != keyword[i]) return false;
  }
  return true;
}

}  // namespace

TRange::TRange(TFObject* owner) : TFContainer(owner) {
  MinFrequency = GetDeviceMinFrequency();
  MaxFrequency = GetDeviceMaxFrequency();
  FixedFreq = (MinFrequency + MaxFrequency) / 2;
  Segments.push_back(DefaultSegment());
  RebuildPoints();
}

TRange::~TRange() {
  ChangeNotify = false;
  Unregister();
  Clear();
}

void TRange::Fire(const TEvent& event) {
  if (!event) return;
  TEvent handler = event;
  handler(this);
}

// ---- Points ------------------------------------------------------------------------------------

TComplex TRange::AverageRawLevel(int receiver, int i, const TComplex& value) {
  return TFPoint::Average(GetPoint(i)->RawLevelAverage[receiver], value, AverageEnabled, AverageCount);
}

TComplex TRange::AverageData(int port, int i, const TComplex& value) {
  return TFPoint::Average(GetPoint(i)->DataAverage[port], value, AverageEnabled, AverageCount);
}

TComplex TRange::AverageRefLevel(int i, const TComplex& value) {
  return TFPoint::Average(GetPoint(i)->RefLevelAverage, value, AverageEnabled, AverageCount);
}

// ---- Device limits ---------------------------------------------------------------------------

int TRange::GetModelRow() const {
  const IDeviceModel* device = Services().Device;
  return device ? device->GetModelIndex() : -1;
}

bool TRange::IsDemoMode() const {
  const IDeviceModel* device = Services().Device;
  return device && device->GetDemoMode();
}

ISynthPlan* TRange::GetSynthPlan() const { return SynthPlanForRow(GetModelRow()); }

double TRange::GetDeviceMinFrequency() const {
  const ISynthPlan* plan = GetSynthPlan();
  return plan ? plan->GetMinFrequency() : 0.0;
}

double TRange::GetDeviceMaxFrequency() const {
  const ISynthPlan* plan = GetSynthPlan();
  return plan ? plan->GetMaxFrequency() : 0.0;
}

double TRange::GetDeviceFreqResolution() const {
  const ISynthPlan* plan = GetSynthPlan();
  return plan ? plan->GetIFAccuracy() : 0.0;
}

double TRange::GetDeviceIF() const {
  const ISynthPlan* plan = GetSynthPlan();
  return plan ? plan->GetIntermediateFreq() : 0.0;
}

// ---- Reporting ---------------------------------------------------------------------------------

void TRange::Changed(bool rebuild) {
  {
    TChangingScope changing(*this, ChangeNotify);
    SweepTime = 0;
    if (rebuild) RebuildPoints();
    if (ChangeNotify) Fire(OnChange);
  }
  Fire(OnSettingsChange);
}

void TRange::ReportDirect() {
  AverageCount = 0;
  if (ChangeNotify) {
    TChangingScope changing(*this, true);
    Fire(OnChange);
  }
  Fire(OnSettingsChange);
}

void TRange::CorrectionChanged(bool rebuild) {
  SweepTime = 0;
  if (rebuild) RebuildPoints();
  if (ChangeNotify) {
    TChangingScope changing(*this, true);
    Fire(OnChange);
  }
  Fire(OnSettingsChange);
}

// ---- Frequency ---------------------------------------------------------------------------------

double TRange::NarrowSpan() const {
  const double r = GetDeviceFreqResolution();
  return (NPoints - 1) * r - r / 2;
}

void TRange::StoreFrequencies(double start, double stop) {
  const bool changed = !NearlyEqual(start, MinFrequency) || !NearlyEqual(stop, MaxFrequency);
  if (changed) {
    MinFrequency = start;
    MaxFrequency = stop;
  }
  Changed(changed);
}

void TRange::SetStartFrequency(double f) {
  if (!std::isfinite(f)) return;
  const double lo = GetDeviceMinFrequency();
  const double hi = GetDeviceMaxFrequency();
  double start = Limit(f, lo, hi);
  const double stop = Limit(MaxFrequency, start, hi);
  if (stop - start < NarrowSpan()) start = stop;
  FreqCenterPriority = false;
  StoreFrequencies(start, stop);
}

void TRange::SetStopFrequency(double f) {
  if (!std::isfinite(f)) return;
  const double lo = GetDeviceMinFrequency();
  const double hi = GetDeviceMaxFrequency();
  double stop = Limit(f, lo, hi);
  const double start = Limit(MinFrequency, lo, stop);
  if (stop - start < NarrowSpan()) stop = start;
  FreqCenterPriority = false;
  StoreFrequencies(start, stop);
}

void TRange::SetCenterFrequency(double c) {
  if (!std::isfinite(c)) return;
  const double lo = GetDeviceMinFrequency();
  const double hi = GetDeviceMaxFrequency();
  FreqCenterPriority = true;
  c = Limit(c, lo, hi);
  double span = std::min(2 * std::min(hi - c, c - lo), GetSpan());
  if (span < NarrowSpan()) span = 0;
  StoreFrequencies(c - span / 2, c + span / 2);
}

void TRange::SetSpan(double s) {
  if (!std::isfinite(s)) return;
  const double lo = GetDeviceMinFrequency();
  const double hi = GetDeviceMaxFrequency();
  FreqCenterPriority = true;
  const double lower = s == 0 ? 0.0 : (NPoints - 1) * GetDeviceFreqResolution();
  s = Limit(s, lower, hi - lo);
  const double centre = Limit(GetCenterFrequency(), lo + s / 2, hi - s / 2);
  StoreFrequencies(centre - s / 2, centre + s / 2);
}

void TRange::SetFreqCenterPriority(bool flag) {
  if (flag == FreqCenterPriority) return;
  FreqCenterPriority = flag;
  Fire(OnSettingsChange);
}

void TRange::SetFixedFrequency(double f) {
  if (!std::isfinite(f)) return;
  f = Limit(f, GetDeviceMinFrequency(), GetDeviceMaxFrequency());
  if (f == FixedFreq) return;
  FixedFreq = f;
  Changed(true);
}

// ---- Power -------------------------------------------------------------------------------------

void TRange::UpdatePointPowers() {
  const int n = GetCount();
  if (SweepMode == Lin || SweepMode == Log) {
    for (int i = 0; i < n; ++i) {
      TFPoint* p = GetPoint(i);
      p->Power = OutputPower + PowerSlope * (p->Frequency - MinFrequency) * 0.001;
    }
  } else if (SweepMode == Segm && !SegmentListPower) {
    for (int i = 0; i < n; ++i) GetPoint(i)->Power = OutputPower;
  }
}

void TRange::SetOutputPower(double p) {
  if (!std::isfinite(p)) return;
  p = Limit(RoundToStep(0.05, p), GetDeviceMinPower(), GetDeviceMaxPower());
  if (IsDemoMode()) p = GetDeviceFixedPower();
  if (NearlyEqual(p, OutputPower)) return;
  OutputPower = p;
  SweepTime = 0;
  UpdatePointPowers();
  ReportDirect();
}

void TRange::SetPowerSlope(double s) {
  if (!std::isfinite(s)) return;
  s = Limit(RoundToStep(0.05, s), 0.0, 2.0);
  if (IsDemoMode()) s = 0;
  // The power at the stop frequency stays at or below 3 dBm.
  const double span = GetSpan();
  const double limit = span > 0 ? (3 - OutputPower) * 1000 / span : 0.0;
  s = std::max(0.0, std::min(s, limit));
  if (NearlyEqual(s, PowerSlope)) return;
  PowerSlope = s;
  SweepTime = 0;
  if (SweepMode == Lin || SweepMode == Log) UpdatePointPowers();
  ReportDirect();
}

void TRange::StorePowerRange(double minPower, double maxPower) {
  const bool changed = !NearlyEqual(minPower, MinPower) || !NearlyEqual(maxPower, MaxPower);
  if (changed) {
    MinPower = minPower;
    MaxPower = maxPower;
  }
  Changed(changed);
}

void TRange::SetPowerSweepStart(double p) {
  if (!std::isfinite(p)) return;
  const double lo = GetDeviceMinPower();
  const double hi = GetDeviceMaxPower();
  PowerCenterPriority = false;
  p = Limit(RoundToStep(0.05, p), lo, hi);
  StorePowerRange(p, Limit(MaxPower, p, hi));
}

void TRange::SetPowerSweepStop(double p) {
  if (!std::isfinite(p)) return;
  const double lo = GetDeviceMinPower();
  const double hi = GetDeviceMaxPower();
  PowerCenterPriority = false;
  p = Limit(RoundToStep(0.05, p), lo, hi);
  StorePowerRange(Limit(MinPower, lo, p), p);
}

void TRange::SetPowerSweepCenter(double c) {
  if (!std::isfinite(c)) return;
  const double lo = GetDeviceMinPower();
  const double hi = GetDeviceMaxPower();
  PowerCenterPriority = true;
  c = Limit(RoundToStep(0.05, c), lo, hi);
  const double width = std::min(2 * std::min(hi - c, c - lo), GetPowerSweepSpan());
  StorePowerRange(c - width / 2, c + width / 2);
}

void TRange::SetPowerSweepSpan(double w) {
  if (!std::isfinite(w)) return;
  const double lo = GetDeviceMinPower();
  const double hi = GetDeviceMaxPower();
  PowerCenterPriority = true;
  w = Limit(RoundToStep(0.1, w), 0.0, hi - lo);
  const double centre = Limit(GetPowerSweepCenter(), lo + w / 2, hi - w / 2);
  StorePowerRange(centre - w / 2, centre + w / 2);
}

// ---- Other sweep settings ----------------------------------------------------------------------

void TRange::SetPointCount(int n) {
  n = Limit(n, 2, MaxPoints);
  const double span = GetSpan();
  const double r = GetDeviceFreqResolution();
  if (span != 0 && span < (n - 1) * r) {
    // span / r < n - 1 here, so the count stays within 2 ... 16001.
    const double fit = std::trunc(span / r + 0.5) + 1;
    n = std::isfinite(fit) ? static_cast<int>(Limit(fit, 2.0, static_cast<double>(n))) : 2;
  }
  if (n == NPoints) return;
  NPoints = n;
  Changed(true);
}

void TRange::SetSweepType(int code) {
  if (code == SweepMode) return;
  SweepMode = code;
  Changed(true);
}

void TRange::SetSweepTypeText(const std::string& text) {
  int code;
  if (StartsWithKeyword(text, "LIN")) {
    code = Lin;
  } else if (StartsWithKeyword(text, "LOG")) {
    code = Log;
  } else if (StartsWithKeyword(text, "SEGM")) {
    code = Segm;
  } else {
    throw EAbort("Invalid sweep type specifier", 206);
  }
  SetSweepType(code);
}

std::string TRange::GetSweepTypeText() const {
  switch (SweepMode) {
    case Lin: return "LIN";
    case Log: return "LOG";
    case Segm: return "SEGM";
    default: return "";
  }
}

void TRange::SetIFBW(int32_t v) {
  if (v == CommonIFBW) return;
  CommonIFBW = v;
  SweepTime = 0;
  if (SweepMode == Lin || SweepMode == Log || (SweepMode == Segm && !SegmentListIFBW)) {
    for (int i = 0, n = GetCount(); i < n; ++i) GetPoint(i)->IFBW = v;
  }
  ReportDirect();
}

void TRange::SetDelay(double d) {
  if (!std::isfinite(d)) return;
  d = Limit(RoundToStep(0.005, d), 0.0, TSegment::MaxDelay);
  if (d == CommonDelay) return;
  CommonDelay = d;
  Changed(true);
}

double TRange::GetPointDelay(int i) const {
  if (SweepMode != Segm || !SegmentListDelay || i < 0 || i >= GetCount()) return CommonDelay;
  const int segment = GetPoint(i)->SegmentIndex;
  if (segment < 0 || segment >= GetSegmentCount()) return CommonDelay;
  return Seg(segment).Delay;
}

// ---- Averaging and notification ------------------------------------------------------------

void TRange::SetAverageEnabled(bool flag) {
  if (flag == AverageEnabled) return;
  AverageEnabled = flag;
  ReportDirect();
}

void TRange::SetAverageFactor(int n) {
  n = Limit(n, 1, 999);
  if (n == AverageFactor) return;
  AverageFactor = n;
  AverageCount = 0;
  if (ChangeNotify && AverageEnabled) {
    TChangingScope changing(*this, true);
    Fire(OnChange);
  }
  Fire(OnSettingsChange);
}

void TRange::SetAverageCount(int n) {
  AverageCount = Limit(n, 0, AverageFactor);
  if (ChangeNotify && AverageEnabled) {
    TChangingScope changing(*this, true);
    Fire(OnChange);
  }
}

void TRange::SetChangeNotify(bool flag) {
  if (flag == ChangeNotify) return;
  ChangeNotify = flag;
  AverageCount = 0;
}

// ---- Fixture and impedance switches ----------------------------------------------------------

void TRange::SetZConversionEnabled(bool flag) {
  if (flag == ZConvEnabled) return;
  ZConvEnabled = flag;
  CorrectionChanged(true);
}

void TRange::SetZConversionValue(int i, double z) {
  if (!std::isfinite(z)) return;
  z = Limit(z, 0.001, 10000.0);
  if (NearlyEqual(z, ZConvValue[i])) return;
  ZConvValue[i] = z;
  if (ZConvEnabled) {
    CorrectionChanged(true);
  } else {
    Fire(OnSettingsChange);
  }
}

void TRange::SetDeembeddingEnabled(int p, bool flag) {
  if (!DeembNetwork[p].HoldsData()) flag = false;
  if (flag == DeembEnabled[p]) return;
  DeembEnabled[p] = flag;
  CorrectionChanged(true);
}

void TRange::SetEmbeddingEnabled(int p, bool flag) {
  if (!EmbNetwork[p].HoldsData()) flag = false;
  if (flag == EmbEnabled[p]) return;
  EmbEnabled[p] = flag;
  CorrectionChanged(true);
}
