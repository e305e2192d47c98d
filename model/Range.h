#pragma once
// One measurement channel: its sweep definition (points, start and stop, sweep type, segment
// table, IF bandwidth, delay, power, frequency offset mode), the correction settings applied to
// its points, and one TFPoint per stimulus frequency as its children.
//
// Settings change through the setters below. A setter ignores non-finite numbers, limits its
// value, compares it with the stored one (no event when equal), stores it, rebuilds what depends
// on it and reports through the channel's events. Frequencies are in MHz, powers in dBm, IF
// bandwidths in Hz, delays in ms, slopes in dB per GHz.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/CalRange.h"
#include "model/Complex.h"
#include "model/FContainer.h"
#include "model/FixtRange.h"
#include "model/FPoint.h"
#include "model/FixtParam.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"
#include "model/SynthRecords.h"
#include "model/SystemTerms.h"

class ISynthPlan;
class TCustomIniFile;

class TRange : public TFContainer {
 public:
  // An event handler; the sender is the channel, except for OnRedraw (the scanner).
  using TEvent = std::function<void(TFObject* sender)>;

  static constexpr int MaxPoints = 16001;
  // Raises of the planning tolerance before a frequency is given up.
  static constexpr int MaxToleranceRaises = 200;

  enum SweepType { Lin = 0, Log = 1, Grid = 3, Segm = 4 };

  // Builds the default channel of the connected model and its point list.
  explicit TRange(TFObject* owner);
  ~TRange() override;

  // ---- Points --------------------------------------------------------------------------------
  TFPoint* GetPoint(int i) const { return static_cast<TFPoint*>(Items[static_cast<size_t>(i)]); }
  double GetPointFrequency(int i) const { return GetPoint(i)->Frequency; }
  int32_t GetPointIFBW(int i) const { return GetPoint(i)->IFBW; }
  TComplex GetPointData(int port, int i) const { return GetPoint(i)->Data[port]; }
  TComplex GetPointRawLevel(int receiver, int i) const { return GetPoint(i)->RawLevel[receiver]; }
  TComplex GetPointRefLevel(int i) const { return GetPoint(i)->RefLevel; }
  double GetPointPowerReading(int i) const { return GetPoint(i)->PowerReading; }
  // Running averages of point i (see TFPoint::Average) with this channel's averaging state.
  TComplex AverageRawLevel(int receiver, int i, const TComplex& value);
  TComplex AverageData(int port, int i, const TComplex& value);
  TComplex AverageRefLevel(int i, const TComplex& value);

  // ---- Device limits, read from the connected model at every use ------------------------------
  int GetModelRow() const;
  bool IsDemoMode() const;
  // The synthesizer plan of the connected model row, or null.
  ISynthPlan* GetSynthPlan() const;
  double GetDeviceMinFrequency() const;
  double GetDeviceMaxFrequency() const;
  double GetDeviceFreqResolution() const;
  double GetDeviceIF() const;
  double GetDeviceMinPower() const { return 0.0; }
  double GetDeviceMaxPower() const { return 0.0; }
  double GetDeviceFixedPower() const { return 0.0; }

  // ---- Reporting -------------------------------------------------------------------------------
  // After a settings change: sweep time 0, optional rebuild, OnChange (with ChangeNotify, while
  // Changing is set), then OnSettingsChange.
  void Changed(bool rebuild);
  // After a setter that updated the points itself: averaging restarts, OnChange (with
  // ChangeNotify, while Changing is set), then OnSettingsChange.
  void ReportDirect();

  // ---- Frequency ---------------------------------------------------------------------------------
  void SetStartFrequency(double f);
  void SetStopFrequency(double f);
  void SetCenterFrequency(double c);
  void SetSpan(double s);
  double GetCenterFrequency() const { return (MinFrequency + MaxFrequency) / 2; }
  double GetSpan() const { return MaxFrequency - MinFrequency; }
  void SetFreqCenterPriority(bool flag);
  void SetFixedFrequency(double f);

  // ---- Power --------------------------------------------------------------------------------------
  void SetOutputPower(double p);
  void SetPowerSlope(double s);
  void SetPowerSweepStart(double p);
  void SetPowerSweepStop(double p);
  void SetPowerSweepCenter(double c);
  void SetPowerSweepSpan(double w);
  double GetPowerSweepCenter() const { return (MinPower + MaxPower) / 2; }
  double GetPowerSweepSpan() const { return MaxPower - MinPower; }

  // ---- Other sweep settings -------------------------------------------------------------------
  void SetPointCount(int n);
  // Any code is stored as given; codes other than 0, 1, 3, 4 sweep like LIN.
  void SetSweepType(int code);
  // "LIN", "LOG", "SEGM" (any case, the whole keyword, longer forms allowed); anything else raises
  // EAbort "Invalid sweep type specifier" (206) and changes nothing.
  void SetSweepTypeText(const std::string& text);
  std::string GetSweepTypeText() const;
  void SetIFBW(int32_t v);
  void SetDelay(double d);
  // The measurement delay of point i: the delay of the segment the point was built from in a
  // segment sweep with per-segment delays, else CommonDelay.
  double GetPointDelay(int i) const;

  // ---- Averaging and notification ---------------------------------------------------------
  void SetAverageEnabled(bool flag);
  void SetAverageFactor(int n);
  void SetAverageCount(int n);
  void SetChangeNotify(bool flag);

  // ---- Accessors ----------------------------------------------------------------------------------
  double GetOffsetValue(int i) const { return FOMOffset[i]; }
  int32_t GetOffsetMultiplier(int i) const { return FOMMultiplier[i]; }
  int32_t GetOffsetDivider(int i) const { return FOMDivider[i]; }
  double GetFOMAdjValue(int i) const { return FOMAdjValue[i]; }
  bool GetDeembeddingEnabled(int p) const { return DeembEnabled[p]; }
  std::string GetDeembeddingFile(int p) const { return DeembFile[p]; }
  bool GetEmbeddingEnabled(int p) const { return EmbEnabled[p]; }
  std::string GetEmbeddingFile(int p) const { return EmbFile[p]; }
  int GetSynthBoundaryCount() const { return static_cast<int>(SynthGaps.size()); }
  int GetSynthBoundaryPoint(int i) const { return SynthGaps[static_cast<size_t>(i)]; }

  // ---- Segment table -------------------------------------------------------------------------
  TSegment DefaultSegment() const { return TSegment::Default(GetDeviceMinFrequency()); }
  int GetSegmentCount() const { return static_cast<int>(Segments.size()); }
  TSegment GetSegment(int i) const { return Seg(i); }
  double GetSegmentStart(int i) const { return Seg(i).Start; }
  double GetSegmentStop(int i) const { return Seg(i).Stop; }
  double GetSegmentCenter(int i) const { return (Seg(i).Start + Seg(i).Stop) / 2; }
  double GetSegmentSpan(int i) const { return Seg(i).Stop - Seg(i).Start; }
  int32_t GetSegmentPoints(int i) const { return Seg(i).Points; }
  int32_t GetSegmentIFBW(int i) const { return Seg(i).IFBW; }
  double GetSegmentDelay(int i) const { return Seg(i).Delay; }
  double GetSegmentPower(int i) const { return Seg(i).Power; }
  int GetTotalSegmentPoints() const;
  double GetSegmentLowerLimit(int i) const;
  double GetSegmentUpperLimit(int i) const;
  int GetSegmentMinPoints(int i) const;
  int GetSegmentMaxPoints(int i) const;

  void SetSegmentStart(int i, double f);
  void SetSegmentStop(int i, double f);
  void SetSegmentCenter(int i, double c);
  void SetSegmentSpan(int i, double s);
  void SetSegmentPoints(int i, int n);
  void SetSegmentIFBW(int i, int32_t v);
  void SetSegmentDelay(int i, double d);
  void SetSegmentPower(int i, double p);
  void SetSegmentListIFBW(bool flag);
  void SetSegmentListPower(bool flag);
  void SetSegmentListDelay(bool flag);
  bool InsertSegment(int i);
  void DeleteSegment(int i);

  // Writes the table, the three list flags and SegmentCenterPriority to a UTF-16 ini file
  // (section "SegmentSweepData"). The old file is replaced only when the write succeeds; a
  // failure raises EAbort naming the file.
  void SaveSegmentTable(const std::string& fileName);
  // Reads what SaveSegmentTable writes (a missing file reads as one default segment) and rebuilds.
  // A file that cannot be read, or whose table holds more than 16001 segments or points, raises
  // EAbort and leaves the channel unchanged.
  void LoadSegmentTable(const std::string& fileName);

  // ---- Stimulus snapshot -------------------------------------------------------------------------
  void GetSettings(TRangeSettings& settings, TSegments& segments) const;
  // Takes the record as it stands (points limited to 2 ... 16001), replaces the segment table,
  // rebuilds and reports. Records from files go through SanitizeRangeSettings first.
  void ApplySettings(TSegments segments, TRangeSettings settings);
  // True when the channel would sweep the same stimulus as the record and table.
  bool IsSameSettings(const TSegments& segments, const TRangeSettings& settings) const;
  // Copies every stimulus and correction setting of another channel and reloads the fixture
  // networks from the copied file names.
  void CopySettingsFrom(const TRange& other, bool rebuild);

  // ---- Point list --------------------------------------------------------------------------------
  // Replaces the points by the list that the sweep definition asks for. Fires no event.
  virtual void RebuildPoints();
  // Frequency of point i of a LIN, LOG or grid sweep, limited to the device band.
  double GetSweepPointFrequency(int i) const;

  // ---- Frequency offset mode -------------------------------------------------------------------
  void SetOffsetValue(int i, double x);
  void SetOffsetMultiplier(int i, int m);
  void SetOffsetDivider(int i, int d);
  void SetOffsetAdjustValue(int i, double x);
  void SetOffsetModeEnabled(bool on);
  // Side i's frequency for point frequency f: f with the mode off, else M x f / D + O limited
  // to the device band.
  double GetPortFrequency(int i, double f) const;
  double GetAdjustOffset(int i) const;
  // The point frequency whose side-i frequency is x (the inverse of GetPortFrequency).
  double GetPointFromPortFrequency(int i, double x) const;
  // Plans both synthesizers for point frequency f within tolerance t.
  bool PlanPointSynth(double f, double t, double& planned, TPointSynthSettings& settings);
  // Called at the end of a complete sweep: true while an adjustment run is in progress (the
  // sweep engine then leaves its own sequencing alone); runs the automatic adjustment when its
  // period has passed.
  bool CheckOffsetAutoAdjust();
  // Period of the automatic adjustment, ms, for the period code.
  static int64_t OffsetAdjustPeriodMs(int code);
  // Replaces the points by the 33 search points around x. False, with no points left, when a
  // search point cannot be planned (only the 5.4 GHz model has a search plan).
  bool BuildOffsetSearchPoints(double x);
  bool PlanSearchPoint(double x, double d, double t, double& frequency, TPointSynthSettings& settings);
  // Index of the highest level of receiver r (first of equals); 0 for an empty list.
  int FindPeakIndex(int receiver) const;
  // Frequency of the peak of the measuring receiver; the centre frequency for an empty list.
  double GetPeakPointFrequency() const;
  // Vertex of a parabola fitted (in dB over frequency) to up to 33 points around the peak of
  // the measuring receiver, limited to the fitted points; the peak point's own frequency when
  // the fit has no maximum.
  double FindPeakFrequency() const;
  // Index i of the interval [point i, point i + 1] that holds x; 0 for lists under 2 points;
  // -1 for sweep types other than 0, 1, 3, 4.
  int FindPointIndex(double x) const;

  // ---- Fixture and impedance switches ---------------------------------------------------------
  void SetZConversionEnabled(bool flag);
  double GetZConversionValue(int i) const { return ZConvValue[i]; }
  void SetZConversionValue(int i, double z);
  void SetDeembeddingEnabled(int p, bool flag);
  void SetEmbeddingEnabled(int p, bool flag);
  bool IsDeembeddingActive() const { return DeembActive == 1; }
  bool IsEmbeddingActive() const { return EmbActive == 1; }

  // ---- Measured-point path ------------------------------------------------------------------
  // Called by the sweep engine for every point reply, in this order. Indices outside the point
  // list are ignored.
  // Stores the magnitudes of the three receiver readings as running averages.
  void StoreRawLevels(int i, const TComplex& r0, const TComplex& r1, const TComplex& r2);
  // Applies the user calibration to the two ratios (reflection x, transmission y), then stores
  // them as running averages into the data of ports 0 and 1.
  void StorePointData(int i, TComplex x, TComplex y);
  // Port extension, impedance conversion, de-embedding and embedding of the stored data, the
  // sweep timing, the missing-point check of service mode, then OnPointData (not while Changing).
  void ProcessPoint(int i);
  // The end of a sweep: OnSweepDone; true when the averaged sweep is complete.
  bool EndSweep();
  // Point stores without events; i within the point list, port 0 or 1.
  void SetPointRawLevel(int port, int i, const TComplex& value) { GetPoint(i)->RawLevel[port] = value; }
  void SetPointData(int port, int i, const TComplex& value) { GetPoint(i)->Data[port] = value; }
  void SetPointRefLevel(int i, const TComplex& value) { GetPoint(i)->RefLevel = value; }
  void SetPointPowerReading(int i, double dBm) { GetPoint(i)->PowerReading = dBm; }
  // The one-port correction of x and the enhanced-response correction of y with the terms of
  // CalTable at point i (reflection port a, transmission port b; a negative port is left alone).
  // Nothing happens without a table, with the user correction disabled in the calibration
  // module, or while the table was built for another point count.
  void ApplyUserCorrection(int i, int a, TComplex& x, int b, TComplex& y) const;
  // Replaces CalTable by the table's terms interpolated at every point (none: uncorrected).
  void AttachCalibration(const TCalRange* table);
  const TCalRange* GetCalTable() const { return CalTable.get(); }
  void SetPointCorrection(bool flag);
  // Power-meter mode: one point per pass while the external sensor is read.
  void SetPowerMeterMode(bool on);
  void DoPowerMeterStep(double& reading, bool& endOfSweep);
  void NotifySweepEvent();
  // Service mode: notes that point i arrived; fires OnPointsMissing at the last point when one
  // of the sweep did not.
  void MarkPointReceived(int i);

  // ---- Port extension ----------------------------------------------------------------------
  void SetPortExtensionsEnabled(bool flag);
  // Index other than 0 or 1: EAbort "Execution error" (200).
  double GetPortExtension(int i) const;
  void SetPortExtension(int i, double seconds);
  bool GetExtLoss1Enabled() const { return ExtLoss1Enabled; }
  void SetExtLoss1Enabled(bool flag);
  double GetExtLoss1() const { return ExtLoss1; }
  void SetExtLoss1(double dB);
  double GetExtFreq1() const { return ExtFreq1; }
  void SetExtFreq1(double MHz);
  bool GetExtLoss2Enabled() const { return ExtLoss2Enabled; }
  void SetExtLoss2Enabled(bool flag);
  double GetExtLoss2() const { return ExtLoss2; }
  void SetExtLoss2(double dB);
  double GetExtFreq2() const { return ExtFreq2; }
  void SetExtFreq2(double MHz);
  double GetExtLossAtDC() const { return ExtLossAtDC; }
  void SetExtLossAtDC(double dB);
  // Corrects the data of ports p and q at point i (the point path passes p = q = 0).
  void ApplyPortExtension(int p, int q, int i);
  bool HasExtensionLoss() const;
  // The gain that undoes the line loss at point i; false when no loss is set.
  bool GetPortExtensionLoss(int i, double& factor) const;
  bool IsPortExtensionActive() const;

  // ---- Impedance conversion and fixtures ---------------------------------------------------
  // Reads a two-port Touchstone file into port p's network (a bare name is looked up in the
  // fixture folder) and reports the change; a file that gives no usable network clears the
  // port's switch and file name. A name that leads to no regular file (a folder, a FIFO) or to
  // one above 64 MB raises EAbort and changes nothing.
  void LoadDeembeddingFile(int p, const std::string& fileName);
  void LoadEmbeddingFile(int p, const std::string& fileName);
  // Port p's network at the channel's points, built on first use; none while the network holds
  // fewer than two frequencies.
  TFixtRange* GetDeembeddingTable(int p);
  TFixtRange* GetEmbeddingTable(int p);
  void DeleteDeembeddingTable(int p) { DeembTable[p].reset(); }
  void DeleteEmbeddingTable(int p) { EmbTable[p].reset(); }
  void DeleteFixtureTables();
  void ApplyZConversion(int i);
  void ApplyDeembedding(int i);
  void ApplyEmbedding(int i);

  // ---- State section, point data and Touchstone files -------------------------------------
  // Writes the channel's 53 state keys into the section, in their fixed order; other keys of
  // the section stay.
  void SaveState(TCustomIniFile& ini, const std::string& section) const;
  // Reads them back (missing or unreadable values take the defaults of a new channel; values
  // are limited to what the setters allow, except "AverageFactor", taken as read), reloads the
  // four fixture networks from the stored file names, then applies the stimulus and rebuilds.
  void LoadState(const TCustomIniFile& ini, const std::string& section);
  // 32 bytes per point, little-endian float32: data of port 0 (re, im), of port 1 (re, im),
  // magnitudes of raw levels 0 and 1 and of the reference level, the power reading (dBm).
  static constexpr size_t PointDataRecordSize = 32;
  // Replaces stream by one record per point.
  void SavePointData(std::vector<uint8_t>& stream) const;
  // Takes the records when the stream holds exactly one per point (a partial record at the end
  // is ignored), storing them without averaging or correction and firing OnPointData per
  // point; a value that is not finite reads as 0. False, leaving the points as they were, when
  // the count differs.
  bool LoadPointData(const std::vector<uint8_t>& stream);
  // Puts the S11 and S21 of a Touchstone file (".s1p" in any case: one-port as S11; anything
  // else two-port; a bare name in the fixture folder, no extension ".s2p") into the data of
  // ports 0 and 1 of every point, then processes each point as a measured one. False, leaving
  // the points as they were, when the file yields fewer than two frequencies.
  bool LoadTouchstoneData(const std::string& fileName);
  // Writes the corrected points as a Touchstone file: touchType 1 all four parameters (S11 and
  // S21 measured, S12 and S22 zero), any other the one given by parameter (0 S11, 1 S21, 2 S12,
  // 3 S22); format 0 RI, 1 MA, 2 DB. UTF-8 text, CR LF line ends. The file is replaced only once
  // the new one is complete; a failed write raises EAbort naming the file.
  void SaveTouchstone(const std::string& fileName, int touchType, int format, int parameter) const;
  // format 0, 1, 2 -> "RI", "MA", "DB" and "Re/Im", "Mag/Ang", "dB/Ang"; other values: empty.
  static std::string TouchstoneFormatCode(int format);
  static std::string TouchstoneColumnUnits(int format);

  // ---- Fields ---------------------------------------------------------------------------------------
  int32_t NPoints = 201;
  double MinFrequency = 0.0;
  double MaxFrequency = 0.0;
  double CommonDelay = 0.0;
  int32_t CommonIFBW = 10000;
  int32_t SweepMode = Lin;
  double OutputPower = -10.0;
  double PowerSlope = 0.0;
  double MinPower = -55.0;
  double MaxPower = 3.0;
  double FixedFreq = 0.0;
  bool FOMState = false;
  double FOMOffset[2] = {0.0, 0.0};
  int32_t FOMMultiplier[2] = {1, 1};
  int32_t FOMDivider[2] = {1, 1};
  bool FOMAdjust = false;
  int32_t FOMAdjPort = 0;
  double FOMAdjValue[2] = {0.0, 0.0};
  bool FOMAutoAdjust = false;
  int32_t FOMAdjPeriod = 2;
  // Steady milliseconds (platform::Clock) at which the current adjustment period began.
  int64_t AdjustTime = 0;
  TSegments Segments;
  bool ZConvEnabled = false;
  double ZConvValue[2] = {50.0, 50.0};
  int32_t ZConvActive = 0;
  bool DeembEnabled[2] = {false, false};
  std::string DeembFile[2];
  TFixtParam DeembNetwork[2];
  int32_t DeembActive = 0;
  bool EmbEnabled[2] = {false, false};
  std::string EmbFile[2];
  TFixtParam EmbNetwork[2];
  int32_t EmbActive = 0;
  bool AverageEnabled = false;
  int32_t AverageCount = 0;
  int32_t AverageFactor = 10;
  bool PortExtensionsEnabled = false;
  double Extension[2] = {0.0, 0.0};
  bool ExtLoss1Enabled = false;
  double ExtLoss1 = 0.0;
  double ExtFreq1 = 1000.0;
  bool ExtLoss2Enabled = false;
  double ExtLoss2 = 0.0;
  double ExtFreq2 = 1000.0;
  double ExtLossAtDC = 0.0;
  bool FreqCenterPriority = false;
  bool PowerCenterPriority = false;
  bool SegmentCenterPriority = false;
  bool SegmentListIFBW = false;
  bool SegmentListPower = false;
  bool SegmentListDelay = false;
  bool PowerMeterMode = false;
  bool PowerMeterStepping = false;
  int32_t PowerMeterPoint = 0;
  bool ChangeNotify = false;
  bool Changing = false;

  // Holds back the rebuild and reports of segment edits while open: each setter still stores and
  // clamps as always, and the rebuild, OnChange and OnSettingsChange run once when the outermost
  // batch ends (also when an edit throws), so a whole table applied record by record costs one
  // rebuild instead of one per setter.
  class TSegmentEditBatch {
   public:
    explicit TSegmentEditBatch(TRange& range);
    ~TSegmentEditBatch() noexcept(false);
    TSegmentEditBatch(const TSegmentEditBatch&) = delete;
    TSegmentEditBatch& operator=(const TSegmentEditBatch&) = delete;

   private:
    TRange& range_;
    int unwinding_;
  };
  bool PointCorrection = true;
  // Index of the last created point before each run of frequencies that could not be planned.
  std::vector<int32_t> SynthGaps;
  int32_t LastPointIndex = 0;
  double SweepStartTime = 0.0;
  double SweepTime = 0.0;
  // Which points of the current sweep arrived (service mode only).
  std::vector<bool> ReceivedPoints;
  // The attached user calibration, one entry per point of the list it was built for.
  std::unique_ptr<TCalRange> CalTable;
  // The system calibration's terms at the channel's points, kept by the calibration module's
  // system correction; dropped by the rebuild and checked against each point it serves.
  TSystemTerms SystemTerms;
  // Fixture networks at the channel's points, per port; built on demand, deleted by the rebuild.
  std::unique_ptr<TFixtRange> DeembTable[2];
  std::unique_ptr<TFixtRange> EmbTable[2];

  TEvent OnChange;
  TEvent OnResweep;
  TEvent OnSettingsChange;
  TEvent OnPointData;
  TEvent OnSweepDone;
  TEvent OnPointsMissing;
  TEvent OnRedraw;

 protected:
  // Calls a handler when one is installed (through a copy, so a handler may replace itself).
  void Fire(const TEvent& event);

 private:
  // Sets Changing for its lifetime when on, putting back the previous value at the end, so a
  // handler that throws cannot leave it set.
  class TChangingScope {
   public:
    TChangingScope(TRange& range, bool on) : range_(range), saved_(range.Changing) {
      if (on) range_.Changing = true;
    }
    ~TChangingScope() { range_.Changing = saved_; }
    TChangingScope(const TChangingScope&) = delete;
    TChangingScope& operator=(const TChangingScope&) = delete;

   private:
    TRange& range_;
    bool saved_;
  };

  const TSegment& Seg(int i) const { return Segments[static_cast<size_t>(i)]; }
  TSegment& Seg(int i) { return Segments[static_cast<size_t>(i)]; }
  // Ends a segment edit: rebuild and OnChange in a segment sweep, OnSettingsChange always.
  void SegmentChanged();
  // Open segment edit batches, and whether an edit inside them is still to be reported.
  int SegmentBatchDepth = 0;
  bool SegmentBatchDirty = false;
  // Ends a change of the impedance conversion or a fixture switch.
  void CorrectionChanged(bool rebuild);
  // Stores start and stop and reports, rebuilding when either differs (tolerance).
  void StoreFrequencies(double start, double stop);
  void StorePowerRange(double minPower, double maxPower);
  // (N - 1) x r - r / 2: a span below it is too narrow for the point count.
  double NarrowSpan() const;
  void UpdatePointPowers();
  // Plans f, raising the tolerance by 1.1 up to MaxToleranceRaises times; direction moves the
  // frequency with the tolerance (+1 up, -1 down, 0 stays).
  bool PlanWithGrowingTolerance(double f, int direction, double& planned, TPointSynthSettings& settings);
  void BuildSegmentPoints();
  void BuildSweepPoints();
  void ReloadFixtureNetworks();
  void LoadFixtureFile(int p, const std::string& fileName, TFixtParam* networks, bool* enabled,
                       std::string* files, std::unique_ptr<TFixtRange>* tables);
  TFixtRange* FixtureTable(int p, TFixtParam* networks, std::unique_ptr<TFixtRange>* tables);
  // The port extension's loss law (loss at f = dc + (l - dc) (f / f0)^n), worked out again only
  // when a loss setting differs from the one it was made from.
  struct TLossLaw {
    double dc = 0, loss1 = 0, freq1 = 0, loss2 = 0, freq2 = 0;
    bool on1 = false, on2 = false, valid = false;
    bool hasLoss = false, dependsOnFrequency = false;
    double n = 0, l = 0, f0 = 1;
    uint64_t generation = 0;  // counts the laws worked out
  };
  const TLossLaw& LossLaw() const;
  mutable TLossLaw lossLaw_;
  // The port extension of port 0 at each point, both passes in one factor, kept while the
  // delay, the loss law and the point's frequency stay what it was made for: the phase and
  // loss laws need transcendental functions that would otherwise run at every point of every
  // sweep.
  struct TExtensionFactor {
    double frequency = 0;
    TComplex factor{};
  };
  std::vector<TExtensionFactor> extensionFactors_;
  double extensionFactorsDelay_ = 0;
  uint64_t extensionFactorsLaw_ = 0;
  TComplex ExtensionFactor(int i, const TLossLaw& law);
  // The real factors of the impedance conversion, kept while the three impedances stay.
  struct TZConversionFactors {
    double z0 = 0, z1 = 0, z2 = 0;
    double g1 = 0, g2 = 0, scale11 = 0, scale21 = 0;
  };
  TZConversionFactors zConversion_;
};
