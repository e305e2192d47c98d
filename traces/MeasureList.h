#pragma once
// The one to four traces of a channel window, the index of the active one, and the couplings of
// markers and analysis domain across the traces.
#include <string>

#include "model/FContainer.h"

class TCustomIniFile;
class TMeasurement;
class TRange;
class TTraceHost;

class TMeasureList : public TFContainer {
 public:
  static constexpr int MaxTraces = 4;

  // An empty list of the window host (owner: the window's object, or null).
  TMeasureList(TFObject* owner, TTraceHost* host);
  ~TMeasureList() override;

  int ActiveMeasurement = 0;
  bool MarkerCouple = false;
  bool FunctionDomainCouple = false;

  TTraceHost* GetHost() const { return host_; }
  TRange* GetRange() const;

  TMeasurement* GetActive() const;
  // Trace i; null outside 0..count-1.
  TMeasurement* GetMeasurement(int i) const;
  // Callers pass 0..count-1; other indices are ignored.
  void SetActive(int i);
  // Appends a trace (at most four) and makes it active.
  void AddMeasurement(int measMode, int format);
  // The last trace is never deleted.
  void DeleteActiveMeasurement();
  // One S11 trace in Return Loss, couplings off.
  void Reset();
  bool HasPowerTrace() const;
  void SetMarkerCouple(bool on);
  void CoupleMarkers();
  void DeleteCoupledMarker(TMeasurement* trace, int tag);
  void SetFunctionDomainCouple(bool on);
  // Each trace's TraceIndex = its position.
  void Renumber();

  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // Replaces the traces by the stored ones; no recalculation or event. Without updateMemories
  // the memories' shown values wait for the traces' recalculation too.
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool updateMemories = true);

  void Redraw();
  void Notify(TFObject* sender);

 private:
  // The channel's power-meter mode follows the list.
  void UpdatePowerMeterMode();
  TTraceHost* host_;
};
