#include "traces/MeasureList.h"

#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/CustomIniFile.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "traces/MarkerList.h"
#include "traces/Measurement.h"
#include "traces/TraceAnalysis.h"
#include "traces/TraceCodes.h"
#include "traces/TraceHost.h"

TMeasureList::TMeasureList(TFObject* owner, TTraceHost* host) : TFContainer(owner), host_(host) {}

TMeasureList::~TMeasureList() { Clear(); }

TRange* TMeasureList::GetRange() const { return host_ ? host_->GetRange() : nullptr; }

TMeasurement* TMeasureList::GetMeasurement(int i) const {
  if (i < 0 || i >= GetCount()) return nullptr;
  return static_cast<TMeasurement*>(GetItem(i));
}

TMeasurement* TMeasureList::GetActive() const { return GetMeasurement(ActiveMeasurement); }

void TMeasureList::Redraw() {
  if (host_) host_->RequestRedraw();
}

void TMeasureList::Notify(TFObject* sender) {
  if (host_) host_->Changed(sender ? sender : this);
}

void TMeasureList::Renumber() {
  for (int i = 0; i < GetCount(); ++i) GetMeasurement(i)->TraceIndex = i;
}

void TMeasureList::UpdatePowerMeterMode() {
  if (TRange* range = GetRange()) range->SetPowerMeterMode(HasPowerTrace());
}

void TMeasureList::SetActive(int i) {
  if (i < 0 || i >= GetCount() || i == ActiveMeasurement) return;
  ActiveMeasurement = i;
  Redraw();
  Notify(this);
}

void TMeasureList::AddMeasurement(int measMode, int format) {
  if (GetCount() >= MaxTraces) return;
  TMeasurement* trace = new TMeasurement(this, format, measMode);
  ActiveMeasurement = GetCount() - 1;
  Renumber();
  trace->CompleteConstruction(format);
  CoupleMarkers();
  UpdatePowerMeterMode();
  Redraw();
  Notify(this);
}

void TMeasureList::DeleteActiveMeasurement() {
  if (GetCount() < 2) return;
  TMeasurement* active = GetActive();
  if (!active) return;
  const int n = active->TraceIndex;
  // In hold mode a running sweep is stopped around the deletion and started again; a held
  // sweep stays held.
  const bool restart = ScannerModule && ScannerModule->TriggerMode == TScannerModule::Hold &&
                       ScannerModule->GetScanner().GetState() != TScanner::STOP;
  if (restart) ScannerModule->StopSweep();
  delete active;
  ActiveMeasurement = n > 0 ? n - 1 : 0;
  if (ActiveMeasurement >= GetCount()) ActiveMeasurement = GetCount() - 1;
  Renumber();
  if (restart) ScannerModule->StartSweep(0);
  UpdatePowerMeterMode();
  Redraw();
  Notify(this);
}

void TMeasureList::Reset() {
  Clear();
  MarkerCouple = false;
  FunctionDomainCouple = false;
  ActiveMeasurement = 0;
  AddMeasurement(tracecodes::S11, 16);
}

bool TMeasureList::HasPowerTrace() const {
  for (int i = 0; i < GetCount(); ++i) {
    if (GetMeasurement(i)->MeasMode == tracecodes::Power) return true;
  }
  return false;
}

void TMeasureList::SetMarkerCouple(bool on) {
  if (on == MarkerCouple) return;
  MarkerCouple = on;
  CoupleMarkers();
  if (!on && host_ && host_->GetMarkerAlign() == 1) host_->SetMarkerAlign(2);
  Redraw();
  Notify(this);
}

void TMeasureList::CoupleMarkers() {
  if (!MarkerCouple) return;
  TMeasurement* active = GetActive();
  if (!active || !active->Markers) return;
  TMarkerList& a = *active->Markers;
  for (int i = 0; i < GetCount(); ++i) {
    TMarkerList* other = GetMeasurement(i)->Markers;
    if (other && other != &a) other->CopyMarkersFrom(a);
  }
  for (int i = 0; i < GetCount(); ++i) {
    TMarkerList* other = GetMeasurement(i)->Markers;
    if (other && other != &a) a.CopyMarkersFrom(*other);
  }
  for (int i = 0; i < GetCount(); ++i) {
    TMarkerList* other = GetMeasurement(i)->Markers;
    if (other && other != &a) other->CopyMarkersFrom(a);
  }
}

void TMeasureList::DeleteCoupledMarker(TMeasurement* trace, int tag) {
  if (!MarkerCouple || !trace || !trace->Markers) return;
  for (int i = 0; i < GetCount(); ++i) {
    TMeasurement* other = GetMeasurement(i);
    if (other != trace && other->Markers) other->Markers->DeleteMarkerTag(*trace->Markers, tag);
  }
}

void TMeasureList::SetFunctionDomainCouple(bool on) {
  if (on == FunctionDomainCouple) return;
  FunctionDomainCouple = on;
  if (on) TTraceAnalysis::SyncFunctionDomain(*this);
}

void TMeasureList::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "ActiveMeasurement", ActiveMeasurement);
  ini.WriteInteger(section, "CountMeasurement", GetCount());
  ini.WriteBool(section, "MarkerCouple", MarkerCouple);
  for (int i = 0; i < GetCount(); ++i) {
    GetMeasurement(i)->SaveToIni(ini, section + "Measurement" + IntToText(i));
  }
}

void TMeasureList::LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool updateMemories) {
  Clear();
  const int count = ClampToRange(ini.ReadInteger(section, "CountMeasurement", 1), 1, MaxTraces);
  const int active = ini.ReadInteger(section, "ActiveMeasurement", 0);
  MarkerCouple = ini.ReadBool(section, "MarkerCouple", false);
  for (int i = 0; i < count; ++i) {
    TMeasurement* trace = new TMeasurement(this, 16, tracecodes::S11);
    trace->TraceIndex = i;
    trace->LoadFromIni(ini, section + "Measurement" + IntToText(i), updateMemories);
  }
  ActiveMeasurement = ClampToRange(active, 0, GetCount() - 1);
}
