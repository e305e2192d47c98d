#include "traces/MarkerList.h"

#include <algorithm>
#include <cmath>

#include "model/CustomIniFile.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "traces/KeywordPrefix.h"
#include "traces/Marker.h"
#include "traces/MarkerTrace.h"
#include "traces/TraceSearch.h"
#include "traces/TraceStatistics.h"

namespace {

// Coupling copies positions between lists; while it runs no list starts another round.
int g_couplingDepth = 0;

class TCouplingGuard {
 public:
  TCouplingGuard() { ++g_couplingDepth; }
  ~TCouplingGuard() { --g_couplingDepth; }
  TCouplingGuard(const TCouplingGuard&) = delete;
  TCouplingGuard& operator=(const TCouplingGuard&) = delete;
};

// Pixel positions read from a file are kept within a range that no screen exceeds, so the
// arithmetic on them cannot overflow.
constexpr int kMaxPixel = 1000000;

}  // namespace

TMarkerList::TMarkerList(TFObject* owner, IMarkerTrace* trace) : TFContainer(owner), trace_(trace) {}

TMarkerList::~TMarkerList() {
  // The markers read the trace adapter while they go; delete them before it.
  Clear();
}

TMarker* TMarkerList::GetMarker(int i) const { return static_cast<TMarker*>(GetItem(i)); }

TMarker* TMarkerList::FindMarker(int tag) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetMarker(i)->Tag == tag) return GetMarker(i);
  return GetCount() > 0 ? GetMarker(GetCount() - 1) : nullptr;
}

TMarker* TMarkerList::GetReferenceMarker() const { return FindMarker(TMarker::ReferenceTag); }

bool TMarkerList::MarkerExists(int tag) const {
  if (tag == TMarker::ReferenceTag) return EnableReference;
  return tag >= 0 && tag < GetMarkerCount();
}

int TMarkerList::GetMarkerCount() const {
  int n = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (!GetMarker(i)->IsReference()) ++n;
  return n;
}

void TMarkerList::RedrawAndNotify() {
  if (trace_) trace_->RedrawAndNotify(this);
}

void TMarkerList::Changed() {
  if (g_couplingDepth == 0 && trace_) {
    TCouplingGuard guard;
    trace_->CoupleMarkers();
  }
  RedrawAndNotify();
}

bool TMarkerList::AddMarker() {
  const int count = GetMarkerCount();
  if (count >= MaxMarkers) return false;
  new TMarker(this, count);
  ActiveMarker = count;
  if (g_couplingDepth == 0 && trace_) {
    TCouplingGuard guard;
    trace_->CoupleMarkers();
  }
  RedrawAndNotify();
  return true;
}

bool TMarkerList::RangeValid(int a, int b) const { return a != b && MarkerExists(a) && MarkerExists(b); }

void TMarkerList::AfterDeletion() {
  if (!MarkerExists(StatStart) || !MarkerExists(StatStop)) StatRange = false;
  if (!MarkerExists(FlatnessStart) || !MarkerExists(FlatnessStop)) Flatness = false;
  int tag = 0;
  for (int i = 0; i < GetCount(); ++i)
    if (!GetMarker(i)->IsReference()) GetMarker(i)->Tag = tag++;
}

void TMarkerList::DeleteReference() {
  for (int i = GetCount() - 1; i >= 0; --i)
    if (GetMarker(i)->IsReference()) delete GetMarker(i);
  EnableReference = false;
}

void TMarkerList::DeleteActiveMarker() {
  // The active tag is stored unchecked: one that names no marker deletes nothing (the lookup
  // would fall back to the last marker, which nobody chose).
  if (!MarkerExists(ActiveMarker)) return;
  TMarker* m = GetActiveMarker();
  if (m == nullptr) return;
  const int t = m->Tag;
  if (m->IsReference()) {
    SetReferenceEnabled(false);
    ActiveMarker = GetMarkerCount() - 1;
  } else {
    delete m;
    if (ActiveMarker > 0) --ActiveMarker;
  }
  AfterDeletion();
  if (trace_) trace_->DeleteCoupledMarker(t);
  RFFilterStats = IsPassbandValid();
  RedrawAndNotify();
}

void TMarkerList::DeleteAllMarkers() {
  SetStatRange(false);
  SetFlatness(false);
  RFFilterStats = false;
  if (trace_) trace_->SetMarkerCouple(false);
  for (int tag = GetMarkerCount() - 1; tag >= 0; --tag) {
    for (int i = GetCount() - 1; i >= 0; --i)
      if (GetMarker(i)->Tag == tag) {
        delete GetMarker(i);
        break;
      }
  }
  ActiveMarker = 0;
  DeleteReference();
  Clear();  // anything left that broke the numbering
  RedrawAndNotify();
}

void TMarkerList::SetActiveMarker(int tag) {
  if (tag == ActiveMarker) return;
  ActiveMarker = tag;
  RedrawAndNotify();
}

void TMarkerList::SetReferenceEnabled(bool on) {
  if (on == EnableReference) return;
  if (on) {
    new TMarker(this, TMarker::ReferenceTag);
    EnableReference = true;
    ActiveMarker = TMarker::ReferenceTag;
  } else {
    DeleteReference();
    if (trace_) trace_->DeleteCoupledMarker(TMarker::ReferenceTag);
    if (ActiveMarker == TMarker::ReferenceTag) ActiveMarker = GetMarkerCount() - 1;
  }
  if (g_couplingDepth == 0 && trace_) {
    TCouplingGuard guard;
    trace_->CoupleMarkers();
  }
  RFFilterStats = IsPassbandValid();
  RedrawAndNotify();
}

void TMarkerList::UpdateMarkers() {
  ++analysisGeneration_;
  RefreshMarkers();
}

void TMarkerList::RefreshMarkers() {
  if (EnableReference) {
    for (int i = 0; i < GetCount(); ++i)
      if (GetMarker(i)->IsReference()) GetMarker(i)->Update();
  }
  const int count = GetMarkerCount();
  for (int tag = 0; tag < count; ++tag) {
    for (int i = 0; i < GetCount(); ++i)
      if (GetMarker(i)->Tag == tag) {
        GetMarker(i)->Update();
        break;
      }
  }
  ComputeStatistics();
  ComputeFlatness();
}

void TMarkerList::CopyMarkersFrom(const TMarkerList& source) {
  if (&source == this || !trace_ || !source.trace_) return;
  if (trace_->IsDistanceToFault() != source.trace_->IsDistanceToFault()) return;
  TCouplingGuard guard;
  if (source.EnableReference) {
    TMarker* ref = nullptr;
    for (int i = 0; i < GetCount(); ++i)
      if (GetMarker(i)->IsReference()) ref = GetMarker(i);
    if (!ref) ref = new TMarker(this, TMarker::ReferenceTag);
    EnableReference = true;
    for (int i = 0; i < source.GetCount(); ++i)
      if (source.GetMarker(i)->IsReference()) ref->CopyPosition(*source.GetMarker(i));
  }
  for (int i = 0; i < source.GetCount(); ++i) {
    const TMarker* s = source.GetMarker(i);
    if (s->IsReference()) continue;
    TMarker* m = nullptr;
    for (int j = 0; j < GetCount(); ++j)
      if (GetMarker(j)->Tag == s->Tag) m = GetMarker(j);
    if (!m) {
      if (GetMarkerCount() >= MaxMarkers) continue;
      m = new TMarker(this, GetMarkerCount());
    }
    m->CopyPosition(*s);
  }
}

void TMarkerList::DeleteMarkerTag(const TMarkerList& source, int tag) {
  if (&source == this || !trace_ || !trace_->MarkerCouple()) return;
  if (source.trace_ && trace_->IsDistanceToFault() != source.trace_->IsDistanceToFault()) return;
  if (tag == TMarker::ReferenceTag) {
    if (!EnableReference) return;
    DeleteReference();
    if (ActiveMarker == TMarker::ReferenceTag) ActiveMarker = GetMarkerCount() - 1;
  } else {
    if (tag < 0 || tag >= GetMarkerCount()) return;
    for (int i = GetCount() - 1; i >= 0; --i)
      if (GetMarker(i)->Tag == tag) {
        delete GetMarker(i);
        break;
      }
    if (ActiveMarker == tag && ActiveMarker > 0) --ActiveMarker;
  }
  AfterDeletion();
  RFFilterStats = IsPassbandValid();
}

// ---------------------------------------------------------------------------------------------
// Table position

namespace {

// Where the table of the given size starts when placed at percent of the free room of the area
// (start and size along one axis), rounded to a pixel.
int TableStart(int percent, int areaStart, int areaSize, int size) {
  return static_cast<int>(std::trunc(percent * 0.01 * (areaSize - size) + areaStart + 0.5));
}

}  // namespace

void TMarkerList::SetBoundsLeft(int percent) {
  percent = ClampToRange(percent, 0, 100);
  if (percent == BoundsLeft) return;
  BoundsLeft = percent;
  if (trace_) {
    const TScreenRect area = trace_->GetMarkerTableArea();
    const int w = TableRect.Width();
    TableRect.Left = TableStart(percent, area.Left, area.Width(), w);
    TableRect.Right = TableRect.Left + w;
  }
  RedrawAndNotify();
}

void TMarkerList::SetBoundsTop(int percent) {
  percent = ClampToRange(percent, 0, 100);
  if (percent == BoundsTop) return;
  BoundsTop = percent;
  if (trace_) {
    const TScreenRect area = trace_->GetMarkerTableArea();
    const int h = TableRect.Height();
    TableRect.Top = TableStart(percent, area.Top, area.Height(), h);
    TableRect.Bottom = TableRect.Top + h;
  }
  RedrawAndNotify();
}

namespace {

int PercentOf(int offset, int room) {
  if (room == 0) return 0;
  const double p = std::trunc(static_cast<double>(offset) / room * 100.0 + 0.5);
  return static_cast<int>(ClampToRange(p, 0.0, 100.0));
}

}  // namespace

int TMarkerList::GetBoundsLeftFromTable() const {
  if (!trace_) return 0;
  const TScreenRect area = trace_->GetMarkerTableArea();
  return PercentOf(TableRect.Left - area.Left, area.Width() - TableRect.Width());
}

int TMarkerList::GetBoundsTopFromTable() const {
  if (!trace_) return 0;
  const TScreenRect area = trace_->GetMarkerTableArea();
  return PercentOf(TableRect.Top - area.Top, area.Height() - TableRect.Height());
}

void TMarkerList::CheckTableMoved() {
  if (GetBoundsLeftFromTable() == BoundsLeft && GetBoundsTopFromTable() == BoundsTop) return;
  if (trace_) trace_->Notify(this);
}

// ---------------------------------------------------------------------------------------------
// Analysis settings

void TMarkerList::SetStatistics(bool on) {
  if (on == Statistics) return;
  Statistics = on;
  RedrawAndNotify();
}

void TMarkerList::SetStatRange(bool on) {
  if (on && !RangeValid(StatStart, StatStop)) on = false;
  if (on == StatRange) return;
  StatRange = on;
  RedrawAndNotify();
}

void TMarkerList::MoveRangeEnd(int& end, int tag, const int& start, const int& stop, bool& readout) {
  if (tag == end) return;
  end = tag;
  if (!RangeValid(start, stop)) readout = false;
  RedrawAndNotify();
}

void TMarkerList::SetStatStart(int tag) { MoveRangeEnd(StatStart, tag, StatStart, StatStop, StatRange); }

void TMarkerList::SetStatStop(int tag) { MoveRangeEnd(StatStop, tag, StatStart, StatStop, StatRange); }

void TMarkerList::SetFlatness(bool on) {
  if (on && !RangeValid(FlatnessStart, FlatnessStop)) on = false;
  if (on == Flatness) return;
  Flatness = on;
  RedrawAndNotify();
}

void TMarkerList::SetFlatnessStart(int tag) {
  MoveRangeEnd(FlatnessStart, tag, FlatnessStart, FlatnessStop, Flatness);
}

void TMarkerList::SetFlatnessStop(int tag) { MoveRangeEnd(FlatnessStop, tag, FlatnessStart, FlatnessStop, Flatness); }

void TMarkerList::SetBandwidthSearch(bool on) {
  if (on == BandwidthSearch) return;
  BandwidthSearch = on;
  RedrawAndNotify();
}

void TMarkerList::SetBandwidthType(int type) {
  if (type == BandwidthType) return;
  BandwidthType = type;
  RedrawAndNotify();
}

void TMarkerList::SetBandwidthRef(int ref) {
  if (ref == BandwidthRef) return;
  BandwidthRef = ref;
  RedrawAndNotify();
}

void TMarkerList::SetBandwidthValue(double value) {
  if (!std::isfinite(value) || value == BandwidthValue) return;
  BandwidthValue = value;
  RedrawAndNotify();
}

void TMarkerList::SetRFFilterStats(bool on) {
  if (on == RFFilterStats) return;
  if (!on || (MarkerExists(PassbandStart) && MarkerExists(PassbandStop))) RFFilterStats = on;
  RedrawAndNotify();
}

void TMarkerList::SetPassbandStart(int tag) {
  if (tag == PassbandStart) return;
  PassbandStart = tag;
  RFFilterStats = IsPassbandValid();
  RedrawAndNotify();
}

void TMarkerList::SetPassbandStop(int tag) {
  if (tag == PassbandStop) return;
  PassbandStop = tag;
  RFFilterStats = IsPassbandValid();
  RedrawAndNotify();
}

void TMarkerList::SetStopbandStart(int tag) {
  if (tag == StopbandStart) return;
  StopbandStart = tag;
  RedrawAndNotify();
}

void TMarkerList::SetStopbandStop(int tag) {
  if (tag == StopbandStop) return;
  StopbandStop = tag;
  RedrawAndNotify();
}

bool TMarkerList::IsPassbandValid() const {
  return RFFilterStats && MarkerExists(PassbandStart) && MarkerExists(PassbandStop);
}

bool TMarkerList::IsStopbandValid() const {
  return RFFilterStats && MarkerExists(StopbandStart) && MarkerExists(StopbandStop);
}

std::string TMarkerList::GetBandwidthTypeText() const { return BandwidthType == 0 ? "BPAS" : "NOTC"; }

void TMarkerList::SetBandwidthTypeText(const std::string& text) {
  SetBandwidthType(StartsWithKeyword(text, "BPAS") ? 0 : 1);
}

std::string TMarkerList::GetBandwidthRefText() const { return BandwidthRef == 0 ? "MAX" : "MARK"; }

void TMarkerList::SetBandwidthRefText(const std::string& text) {
  SetBandwidthRef(StartsWithKeyword(text, "MAX") ? 0 : 1);
}

// ---------------------------------------------------------------------------------------------
// Analysis readouts

void TMarkerList::ComputeStatistics() {
  if (!Statistics || !trace_ || trace_->PointCount() == 0) return;
  TStatisticsResult r;
  if (StatRange) {
    if (!MarkerExists(StatStart) || !MarkerExists(StatStop)) return;
    TTraceStatistics::Range(*trace_, FindMarker(StatStart)->Argument, FindMarker(StatStop)->Argument, r);
  } else {
    TTraceStatistics::WholeTrace(*trace_, r);
  }
  StatMean = r.Mean;
  StatDeviation = r.Deviation;
  StatPeakToPeak = r.PeakToPeak();
}

void TMarkerList::ComputeFlatness() {
  if (!Flatness || !trace_ || trace_->PointCount() == 0) return;
  if (!MarkerExists(FlatnessStart) || !MarkerExists(FlatnessStop)) return;
  TFlatnessResult r;
  TTraceStatistics::Flatness(*trace_, FindMarker(FlatnessStart)->Argument, FindMarker(FlatnessStop)->Argument, r);
  FlatnessGain = r.Gain;
  FlatnessSlope = r.Slope;
  FlatnessPosDeviation = r.PosDeviation;
  FlatnessNegDeviation = r.NegDeviation;
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TMarkerList::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "ActiveMarker", ActiveMarker);
  const int count = GetMarkerCount();
  ini.WriteInteger(section, "CountMarker", count);
  for (int tag = 0; tag < count; ++tag) {
    for (int i = 0; i < GetCount(); ++i)
      if (GetMarker(i)->Tag == tag) GetMarker(i)->SaveToIni(ini, section + "Marker" + IntToText(tag));
  }
  ini.WriteBool(section, "EnableReference", EnableReference);
  if (EnableReference) {
    for (int i = 0; i < GetCount(); ++i)
      if (GetMarker(i)->IsReference()) GetMarker(i)->SaveToIni(ini, section + "Marker" + "15");
  }
  ini.WriteInteger(section, "BoundsLeft", TableRect.Left);
  ini.WriteInteger(section, "BoundsTop", TableRect.Top);
  ini.WriteBool(section, "Statistics", Statistics);
  ini.WriteBool(section, "StatRange", StatRange);
  ini.WriteInteger(section, "StatStart", StatStart);
  ini.WriteInteger(section, "StatStop", StatStop);
  ini.WriteBool(section, "Flatness", Flatness);
  ini.WriteInteger(section, "FlatnessStart", FlatnessStart);
  ini.WriteInteger(section, "FlatnessStop", FlatnessStop);
  ini.WriteBool(section, "BandwidthSearch", BandwidthSearch);
  ini.WriteInteger(section, "BandwidthType", BandwidthType);
  ini.WriteInteger(section, "BandwidthRef", BandwidthRef);
  ini.WriteFloat(section, "BandwidthValue", BandwidthValue);
  ini.WriteBool(section, "RFFilterStats", RFFilterStats);
  ini.WriteInteger(section, "PassbandStart", PassbandStart);
  ini.WriteInteger(section, "PassbandStop", PassbandStop);
  ini.WriteInteger(section, "StopbandStart", StopbandStart);
  ini.WriteInteger(section, "StopbandStop", StopbandStop);
}

void TMarkerList::LoadFromIni(const TCustomIniFile& ini, const std::string& section) {
  Clear();
  EnableReference = false;
  const int count = ClampToRange(ini.ReadInteger(section, "CountMarker", 0), 0, MaxMarkers);
  for (int tag = 0; tag < count; ++tag) {
    TMarker* m = new TMarker(this, tag);
    m->LoadFromIni(ini, section + "Marker" + IntToText(tag));
  }
  const int w = TableRect.Width();
  const int h = TableRect.Height();
  TableRect.Left = ClampToRange(ini.ReadInteger(section, "BoundsLeft", 0), -kMaxPixel, kMaxPixel);
  TableRect.Top = ClampToRange(ini.ReadInteger(section, "BoundsTop", 0), -kMaxPixel, kMaxPixel);
  TableRect.Right = TableRect.Left + w;
  TableRect.Bottom = TableRect.Top + h;
  Statistics = ini.ReadBool(section, "Statistics", false);
  StatRange = ini.ReadBool(section, "StatRange", false);
  StatStart = ini.ReadInteger(section, "StatStart", 0);
  StatStop = ini.ReadInteger(section, "StatStop", 1);
  Flatness = ini.ReadBool(section, "Flatness", false);
  FlatnessStart = ini.ReadInteger(section, "FlatnessStart", 0);
  FlatnessStop = ini.ReadInteger(section, "FlatnessStop", 1);
  BandwidthSearch = ini.ReadBool(section, "BandwidthSearch", false);
  BandwidthType = ClampToRange(ini.ReadInteger(section, "BandwidthType", 0), 0, 1);
  BandwidthRef = ClampToRange(ini.ReadInteger(section, "BandwidthRef", 0), 0, 1);
  BandwidthValue = ini.ReadFloat(section, "BandwidthValue", -3.0);
  if (!std::isfinite(BandwidthValue)) BandwidthValue = -3.0;
  RFFilterStats = ini.ReadBool(section, "RFFilterStats", false);
  PassbandStart = ini.ReadInteger(section, "PassbandStart", 0);
  PassbandStop = ini.ReadInteger(section, "PassbandStop", 1);
  StopbandStart = ini.ReadInteger(section, "StopbandStart", 2);
  StopbandStop = ini.ReadInteger(section, "StopbandStop", 3);
  ActiveMarker = ini.ReadInteger(section, "ActiveMarker", 0);
  if (ini.ReadBool(section, "EnableReference", false)) {
    TMarker* ref = new TMarker(this, TMarker::ReferenceTag);
    EnableReference = true;
    ref->LoadFromIni(ini, section + "Marker" + "15");
  }
  // A stored active tag that names no marker: the first marker, or the reference when it is
  // the only one.
  if (!MarkerExists(ActiveMarker)) ActiveMarker = GetMarkerCount() == 0 && EnableReference ? TMarker::ReferenceTag : 0;
  if (!RangeValid(StatStart, StatStop)) StatRange = false;
  if (!RangeValid(FlatnessStart, FlatnessStop)) Flatness = false;
  RFFilterStats = IsPassbandValid();
  ++analysisGeneration_;
}

// ---------------------------------------------------------------------------------------------
// Cached readouts of the marker table

TBandResult TMarkerList::ComputeBandwidth() const {
  if (!trace_ || trace_->PointCount() == 0) return {};
  if (BandwidthRef == 1 && GetCount() == 0) return {};
  TBandResult r;
  double x = 0.0;
  bool haveRef = true;
  if (BandwidthRef == 1) {
    x = trace_->StimulusAtPosition(GetActiveMarker()->RelativeX);
  } else {
    double position = 0.0;
    haveRef = TTraceSearch::FindExtremum(*trace_, true, trace_->FirstStimulus(), trace_->LastStimulus(), position);
    x = trace_->StimulusAtPosition(position);
  }
  if (haveRef) {
    const double level = std::fabs(BandwidthValue);
    r = BandwidthType == 0 ? TTraceStatistics::Passband(*trace_, x, level) : TTraceStatistics::Notch(*trace_, x, level);
  }
  return r;
}

TBandResult TMarkerList::SearchBandwidth() {
  if (!BandwidthSearch || !trace_ || trace_->PointCount() == 0) return {};
  if (BandwidthRef == 1 && GetCount() == 0) return {};
  const double refPosition = BandwidthRef == 1 ? GetActiveMarker()->RelativeX : 0.0;
  TBandCache& c = bandCache_;
  const unsigned long long version = trace_->DataVersion();
  if (c.Generation == analysisGeneration_ && c.DataVersion == version && c.Search && c.Type == BandwidthType &&
      c.Ref == BandwidthRef && c.Level == BandwidthValue && c.RefPosition == refPosition)
    return c.Result;
  const TBandResult r = ComputeBandwidth();
  c.Generation = analysisGeneration_;
  c.DataVersion = version;
  c.Search = true;
  c.Type = BandwidthType;
  c.Ref = BandwidthRef;
  c.Level = BandwidthValue;
  c.RefPosition = refPosition;
  c.Result = r;
  return r;
}

TFilterResult TMarkerList::ComputeFilterStatistics() {
  if (!IsPassbandValid() || !trace_ || trace_->PointCount() == 0) return {};
  double p1 = FindMarker(PassbandStart)->Argument;
  double p2 = FindMarker(PassbandStop)->Argument;
  if (p2 < p1) std::swap(p1, p2);
  const bool stopband = IsStopbandValid();
  double q1 = 0.0;
  double q2 = 0.0;
  if (stopband) {
    q1 = FindMarker(StopbandStart)->Argument;
    q2 = FindMarker(StopbandStop)->Argument;
    if (q2 < q1) std::swap(q1, q2);
  }
  TFilterCache& c = filterCache_;
  const unsigned long long version = trace_->DataVersion();
  if (c.Generation == analysisGeneration_ && c.DataVersion == version && c.P1 == p1 && c.P2 == p2 && c.Q1 == q1 && c.Q2 == q2 &&
      c.Stopband == stopband)
    return c.Result;
  c.Generation = analysisGeneration_;
  c.DataVersion = version;
  c.P1 = p1;
  c.P2 = p2;
  c.Q1 = q1;
  c.Q2 = q2;
  c.Stopband = stopband;
  c.Result = TTraceStatistics::Filter(*trace_, p1, p2, q1, q2, stopband);
  return c.Result;
}
