#include "traces/MemoryList.h"

#include "model/CustomIniFile.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "traces/Measurement.h"
#include "traces/TraceCodes.h"
#include "traces/MemoryTrace.h"

TMemoryList::TMemoryList(TMeasurement* trace) : TFContainer(trace), trace_(trace) {}

TMemoryList::~TMemoryList() { TFContainer::Clear(); }

TMemoryTrace* TMemoryList::GetMemory(int i) const {
  if (i < 0 || i >= GetCount()) return nullptr;
  return static_cast<TMemoryTrace*>(GetItem(i));
}

TMemoryTrace* TMemoryList::GetActiveMemory() const { return GetMemory(ActiveMemory); }

void TMemoryList::Changed() {
  if (!trace_) return;
  trace_->InvalidateMemoryCache();
  // Data math against a memory that changed or went away must not stay on screen: the
  // recalculation redoes it, or switches it off when the memory no longer serves.
  if (trace_->DataMath != tracecodes::Off) trace_->Recalculate();
  trace_->Redraw();
  trace_->Notify(this);
}

bool TMemoryList::StoreData() {
  if (GetCount() > 0 || !trace_) return false;
  new TMemoryTrace(this, trace_);
  ActiveMemory = GetCount() - 1;
  for (int i = 0; i < GetCount(); ++i) GetMemory(i)->Tag = i;
  Changed();
  return true;
}

bool TMemoryList::LoadFromTouchstone(const std::string& path) {
  if (GetCount() > 0 || !trace_) return false;
  TMemoryTrace* memory = new TMemoryTrace(this, trace_);
  if (!memory->LoadFromFixtureFile(path)) {
    delete memory;
    trace_->InvalidateMemoryCache();
    return false;
  }
  ActiveMemory = GetCount() - 1;
  for (int i = 0; i < GetCount(); ++i) GetMemory(i)->Tag = i;
  Changed();
  return true;
}

void TMemoryList::Clear() {
  TFContainer::Clear();
  ActiveMemory = 0;
  Changed();
}

void TMemoryList::UpdateAll() {
  for (int i = 0; i < GetCount(); ++i) GetMemory(i)->Update();
}

void TMemoryList::SaveToIni(TCustomIniFile& ini, const std::string& section) const {
  ini.WriteInteger(section, "TraceCount", GetCount());
  ini.WriteInteger(section, "ActiveMemory", ActiveMemory);
  for (int i = 0; i < GetCount(); ++i) GetMemory(i)->SaveToIni(ini, section + "MemoryTrace" + IntToText(i));
}

void TMemoryList::LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool update) {
  const int count = ClampToRange(ini.ReadInteger(section, "TraceCount", 0), 0, 1);
  const int active = ini.ReadInteger(section, "ActiveMemory", 0);
  TFContainer::Clear();
  for (int i = 0; i < count && trace_; ++i) {
    TMemoryTrace* memory = new TMemoryTrace(this, trace_, TMemoryTrace::TForLoading{});
    if (!memory->LoadFromIni(ini, section + "MemoryTrace" + IntToText(i), update)) delete memory;
  }
  ActiveMemory = GetCount() > 0 ? ClampToRange(active, 0, GetCount() - 1) : 0;
  if (trace_) trace_->InvalidateMemoryCache();
}
