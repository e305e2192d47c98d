#pragma once
// The stored copy of a trace's measurement (one memory): its own stimulus and raw points,
// processed with the trace's current settings so that it shows the way the trace shows.
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/FObject.h"
#include "traces/KaiserWindow.h"
#include "traces/TimeGate.h"

class TCustomIniFile;
class TMeasurement;
class TMemoRange;
class TMemoryList;

class TMemoryTrace : public TFObject {
 public:
  // A snapshot of the trace's channel with the trace's measured parameter.
  TMemoryTrace(TMemoryList* list, TMeasurement* trace);
  // An empty memory with the channel's stimulus, to be filled by LoadFromIni: a snapshot taken
  // only to be replaced would cost as much as the load itself.
  struct TForLoading {};
  TMemoryTrace(TMemoryList* list, TMeasurement* trace, TForLoading);
  ~TMemoryTrace() override;

  int Tag = 0;
  int MeasMode = 0;
  TMeasurement* Measurement = nullptr;  // not owned
  TMemoRange* MemoRange = nullptr;      // owned
  std::vector<TComplex> Data;
  std::vector<TComplex> SmoothedData;
  std::vector<TComplex> TimeData;
  std::vector<TComplex> FormattedData;
  std::vector<TComplex> TimeWork;
  TKaiserWindow KaiserWindow;
  TTimeGate TimeGate;

  // The frequencies the memory is processed with, MHz: the channel's (double precision) when it
  // was taken or recalled, else those of the stored points.
  const std::vector<double>& GetFrequencies() const { return frequencies_; }
  // The stored raw value of point i as data math uses it (linear power for the Power
  // parameter).
  const std::vector<TComplex>& GetRawValues() const { return raw_; }

  bool IsCompatible() const;
  // The memory's processing chain with the trace's settings (when compatible).
  void Update();
  int GetPointCount() const { return static_cast<int>(SmoothedData.size()); }
  // Out-of-range indices give 0.
  double GetDisplayValue(int i) const;
  TComplex GetDisplayPoint(int i) const;
  TComplex GetDataPoint(int i) const;
  TComplex GetFormattedPoint(int i) const;
  double GetPointStimulus(int i) const;
  // Fills the points from a Touchstone file interpolated onto the memory's frequencies. False,
  // changing nothing, when the file cannot be read or gives fewer than two frequencies.
  bool LoadFromFixtureFile(const std::string& path);

  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // False, with the memory left empty, when a stored point is not usable. Without update the
  // shown values wait for the trace's next recalculation.
  bool LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool update = true);

  // Re-reads the raw values and the frequencies from the stored points; with
  // channelFrequencies the channel's own (double) frequencies are taken where they are the
  // stored ones in single precision.
  void TakeStoredPoints(bool channelFrequencies);

 private:
  void ResizeVectors();
  std::vector<double> frequencies_;
  std::vector<TComplex> raw_;
};
