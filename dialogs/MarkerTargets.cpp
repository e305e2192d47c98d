#include "dialogs/MarkerTargets.h"

#include "display/RangeView.h"
#include "shell/MainFrm.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

TMarkerTargets FindMarkerTargets() {
  TMarkerTargets t;
  if (MainFrm == nullptr || MainFrm->IsShutDown()) return t;
  t.View = MainFrm->GetActiveView();
  if (t.View == nullptr) return t;
  t.Traces = t.View->GetTraces();
  if (t.Traces == nullptr) return t;
  t.Trace = t.Traces->GetActive();
  if (t.Trace == nullptr) return t;
  t.Markers = t.Trace->Markers;
  if (t.Markers == nullptr) return t;
  t.Marker = t.Markers->GetActiveMarker();
  return t;
}

TMarkerList* ActiveMarkerList() { return FindMarkerTargets().Markers; }

TMarker* ActiveMarker() { return FindMarkerTargets().Marker; }
