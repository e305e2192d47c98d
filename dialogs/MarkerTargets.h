#pragma once
// What the marker dialogs act on, looked up afresh for every refresh, click and keypad or list
// call: the active channel view, its traces, the active trace, that trace's markers and its
// active marker. Each is null when missing (no main window, no view, no trace, no marker), so
// that nothing reads a marker that automation removed while a modal run was open.
class TRangeView;
class TMeasureList;
class TMeasurement;
class TMarkerList;
class TMarker;

struct TMarkerTargets {
  TRangeView* View = nullptr;
  TMeasureList* Traces = nullptr;
  TMeasurement* Trace = nullptr;
  TMarkerList* Markers = nullptr;
  TMarker* Marker = nullptr;
};

TMarkerTargets FindMarkerTargets();
// The shortcuts of the lookup.
TMarkerList* ActiveMarkerList();
TMarker* ActiveMarker();
