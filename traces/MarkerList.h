#pragma once
// The markers of one trace (up to fifteen numbered ones and a reference marker), the settings
// and results of the marker table's analysis readouts, and the table's place on the chart.
#include <memory>
#include <string>

#include "model/FContainer.h"
#include "traces/ScreenRect.h"
#include "traces/TraceStatistics.h"

class TCustomIniFile;
class TMarker;
class TMeasurement;
class IMarkerTrace;

class TMarkerList : public TFContainer {
 public:
  static constexpr int MaxMarkers = 15;

  // The list of a trace: the trace owns it and is read through an adapter.
  explicit TMarkerList(TMeasurement* trace);
  // A list over any trace view; trace must outlive the list.
  TMarkerList(TFObject* owner, IMarkerTrace* trace);
  ~TMarkerList() override;

  int ActiveMarker = 0;
  bool EnableReference = false;
  int BoundsLeft = 0;
  int BoundsTop = 0;
  TScreenRect TableRect;
  bool Statistics = false;
  bool StatRange = false;
  int StatStart = 0;
  int StatStop = 1;
  double StatMean = 0.0;
  double StatDeviation = 0.0;
  double StatPeakToPeak = 0.0;
  bool Flatness = false;
  int FlatnessStart = 0;
  int FlatnessStop = 1;
  double FlatnessGain = 0.0;
  double FlatnessSlope = 0.0;
  double FlatnessPosDeviation = 0.0;
  double FlatnessNegDeviation = 0.0;
  bool BandwidthSearch = false;
  int BandwidthType = 0;
  int BandwidthRef = 0;
  double BandwidthValue = -3.0;
  bool RFFilterStats = false;
  int PassbandStart = 0;
  int PassbandStop = 1;
  int StopbandStart = 2;
  int StopbandStop = 3;

  IMarkerTrace& Trace() const { return *trace_; }
  // The trace this list belongs to, or null for a list over another trace view.
  TMeasurement* GetMeasurement() const { return measurement_; }

  // Lookup.
  TMarker* GetMarker(int i) const;  // container item i
  TMarker* FindMarker(int tag) const;
  TMarker* GetActiveMarker() const { return FindMarker(ActiveMarker); }
  TMarker* GetReferenceMarker() const;
  bool MarkerExists(int tag) const;
  int GetMarkerCount() const;

  // Notification.
  void RedrawAndNotify();
  void Changed();

  // List operations.
  bool AddMarker();
  void DeleteActiveMarker();
  void DeleteAllMarkers();
  void SetActiveMarker(int tag);
  void SetReferenceEnabled(bool on);
  // After new data (a sweep, a recalculation): marks the cached readouts stale, then updates
  // every marker and the statistics and flatness results.
  void UpdateMarkers();
  // The same update on unchanged data (before a repaint): the cached readouts stay.
  void RefreshMarkers();
  void CopyMarkersFrom(const TMarkerList& source);
  void DeleteMarkerTag(const TMarkerList& source, int tag);
  void DeleteMarkerTag(TMeasurement* source, int tag);

  // Table position.
  void SetBoundsLeft(int percent);
  void SetBoundsTop(int percent);
  int GetBoundsLeftFromTable() const;
  int GetBoundsTopFromTable() const;
  void CheckTableMoved();

  // Analysis settings.
  void SetStatistics(bool on);
  void SetStatRange(bool on);
  void SetStatStart(int tag);
  void SetStatStop(int tag);
  void SetFlatness(bool on);
  void SetFlatnessStart(int tag);
  void SetFlatnessStop(int tag);
  void SetBandwidthSearch(bool on);
  void SetBandwidthType(int type);
  void SetBandwidthRef(int ref);
  void SetBandwidthValue(double value);
  void SetRFFilterStats(bool on);
  void SetPassbandStart(int tag);
  void SetPassbandStop(int tag);
  void SetStopbandStart(int tag);
  void SetStopbandStop(int tag);
  bool IsPassbandValid() const;
  bool IsStopbandValid() const;
  std::string GetBandwidthTypeText() const;
  void SetBandwidthTypeText(const std::string& text);
  std::string GetBandwidthRefText() const;
  void SetBandwidthRefText(const std::string& text);

  // Analysis readouts.
  void ComputeStatistics();
  void ComputeFlatness();
  // The bandwidth readout of the marker table; not found when switched off. Cached until the
  // displayed data (the trace's DataVersion), the settings or the reference marker change.
  TBandResult SearchBandwidth();
  // The same search run now, whatever the readout switch says and without the cache.
  TBandResult ComputeBandwidth() const;
  // The RF filter readout between the passband (and stopband) markers; zero while the passband
  // is not valid. Cached like the bandwidth.
  TFilterResult ComputeFilterStatistics();

  // Persistence into the trace's section and section + "Marker" + i.
  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // Replaces the markers by the stored ones, clamped as the setters would.
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

 private:
  // Range checks and renumbering after a marker left the list.
  void AfterDeletion();
  bool RangeValid(int a, int b) const;
  // Sets end (one of start and stop, the marker tags of a statistics or flatness range) to tag;
  // a range that is no longer valid turns its readout off.
  void MoveRangeEnd(int& end, int tag, const int& start, const int& stop, bool& readout);
  void DeleteReference();

  IMarkerTrace* trace_;
  TMeasurement* measurement_ = nullptr;
  std::unique_ptr<IMarkerTrace> ownTrace_;
  unsigned long long analysisGeneration_ = 1;
  struct TBandCache {
    unsigned long long Generation = 0;
    unsigned long long DataVersion = 0;
    bool Search = false;
    int Type = 0;
    int Ref = 0;
    double Level = 0.0;
    double RefPosition = 0.0;
    TBandResult Result;
  } bandCache_;
  struct TFilterCache {
    unsigned long long Generation = 0;
    unsigned long long DataVersion = 0;
    double P1 = 0.0, P2 = 0.0, Q1 = 0.0, Q2 = 0.0;
    bool Stopband = false;
    TFilterResult Result;
  } filterCache_;
};
