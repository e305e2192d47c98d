#pragma once
// One trace of a channel window: which reading of the channel it takes (the measured
// parameter), how it processes it (data math with a memory, phase offset, electrical delay,
// conversion, time domain, display format, smoothing, max hold), the scale of every display
// format, and what hangs off it (markers, memory, limit and ripple lines, analysis function).
//
// The processing chain keeps one vector per stage, one element per channel point:
//   Data          raw value after data math, phase offset, electrical delay and conversion
//   TimeData      Data after gating and transform (a copy when neither runs)
//   FormattedData the value in the display format (real part, or both parts for the complex
//                 Smith and polar formats)
//   SmoothedData  FormattedData after smoothing
//   MaxHoldData   SmoothedData with the largest real part seen since the last recalculation
// The chain runs in full on every setting change (Recalculate), point by point during a sweep
// (ProcessSweepPoint) and once at the end of a sweep (FinishSweep); a full sweep through the
// two gives the same vectors as Recalculate.
//
// Bodies: Measurement.cpp (construction, setters, codes), MeasurementChain.cpp (the chain),
// MeasurementState.cpp (state section), MeasurementFormat.cpp (the display-format operations,
// most of them done by the format list), MeasurementTimeDomain.cpp (when gating and transform
// run, gate, transform and time axis).
#include <cstdint>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/FContainer.h"
#include "traces/HotArea.h"
#include "traces/KaiserWindow.h"
#include "traces/Smoother.h"
#include "traces/TimeGate.h"

class TCustomIniFile;
class TFormat;
class TFormatList;
class TLimitLine;
class TMarkerList;
class TMeasureList;
class TMemoryList;
class TMemoryTrace;
class TRange;
class TRippleLine;
class TTraceHost;
struct TTimeDomainSettings;

class TMeasurement : public TFContainer {
 public:
  static constexpr int FormatCount = 20;
  static constexpr int TitleHotAreaCount = 7;

  // Appends itself to list, takes the channel and window of the list, sizes the point vectors
  // to the channel and ends with SetMeasMode(measMode). A distance-to-fault format (18, 19)
  // switches the channel to a linear sweep once the trace is complete and listed.
  TMeasurement(TMeasureList* list, int format, int measMode);
  ~TMeasurement() override;

  // ---- Fields (change them through the setters) ----------------------------------------------
  int Port = 0;
  int MeasMode = 0;
  int TraceFormat = 16;
  bool ConversionOn = false;
  int ConversionType = 0;
  // Kept in the state section only.
  double Offset = 0.0;
  double PhaseOffset = 0.0;      // degrees
  double ElectricalDelay = 0.0;  // seconds
  bool Smoothing = false;
  double SmoAperture = 1.0;  // percent of the points, 0.01..20
  bool EnableMaxHold = false;
  TLimitLine* LimitLine = nullptr;      // owned (child)
  TRippleLine* RippleLine = nullptr;    // owned (child)
  TRange* Range = nullptr;              // the channel, not owned
  TTraceHost* View = nullptr;           // the channel window, not owned
  TMarkerList* Markers = nullptr;       // owned (child)
  TFormatList* Formats = nullptr;       // owned (child)
  TMemoryList* Memories = nullptr;      // owned (child)
  int TraceIndex = 0;
  bool LimitTest = false;
  bool ShowLimit = false;
  bool ShowFailSign = false;
  bool RippleTest = false;
  bool ShowRippleLimit = false;
  bool ShowRippleFailSign = false;
  std::vector<TComplex> Data;
  std::vector<TComplex> TimeData;
  std::vector<TComplex> FormattedData;
  std::vector<TComplex> SmoothedData;
  std::vector<TComplex> MaxHoldData;
  // Working storage of gating and transform.
  std::vector<TComplex> TimeWork;
  std::vector<TComplex> ChirpInput;
  std::vector<TComplex> ChirpFilter;
  TKaiserWindow KaiserWindow;
  TTimeGate TimeGate;
  int DataMath = 4;
  THotArea TitleHotAreas[TitleHotAreaCount];
  // The analysis function: results, domain (stimulus display unit), settings.
  std::vector<TComplex> FunctionResults;
  double FunctionStart = 0.0;
  double FunctionStop = 0.0;
  bool FunctionDomainOn = false;
  double FunctionPeakExcursion = 0.0;
  int FunctionPeakPolarity = 0;
  double FunctionTarget = 0.0;
  int FunctionTargetTransition = 0;
  std::string FunctionType;

  TMeasureList* GetList() const;
  const TTimeDomainSettings& GetTimeDomain() const;

  // ---- Notification --------------------------------------------------------------------------
  // The window's repaint request.
  void Redraw();
  // The window's change event with sender (this trace when null).
  void Notify(TFObject* sender = nullptr);

  // ---- Codes and texts -------------------------------------------------------------------------
  std::string GetMeasModeName() const;
  // Keyword of the conversion; empty unless the parameter is S11.
  std::string GetConversionText() const;
  // Title label of the conversion; empty unless S11 with conversion on.
  std::string GetConversionLabel() const;
  std::string GetDataMathText() const;
  // Translated title label of the data math; empty when off.
  std::string GetDataMathCaption() const;
  // Number of points of the displayed vectors.
  int GetPointCount() const { return static_cast<int>(SmoothedData.size()); }

  // ---- Setters ---------------------------------------------------------------------------------
  void SetMeasMode(int code);
  // "S11", "Abs A", "Abs B", "Abs R", "Power" matched whole and case-sensitively; anything else
  // is ignored.
  void SetMeasModeText(const std::string& text);
  // Codes other than 0..3 are ignored.
  void SetConversionType(int code);
  // IMP, ADM, INV, CONJ (any case, longer words allowed); else EAbort 217.
  void SetConversionText(const std::string& text);
  // Codes other than 0..4 are ignored; a memory that cannot serve data math makes it 4.
  void SetDataMath(int code);
  // NORM, DIV, MULT, SUBT, ADD; else EAbort 210.
  void SetDataMathText(const std::string& text);
  void SetSmoothing(bool on);
  void SetSmoothingAperture(double percent);
  void SetPhaseOffset(double degrees);
  void SetElectricalDelay(double seconds);
  void SetMaxHold(bool on);
  void SetLimitTest(bool on);
  void SetRippleTest(bool on);
  void SetShowLimit(bool on);
  void SetShowFailSign(bool on);
  void SetShowRippleLimit(bool on);
  void SetShowRippleFailSign(bool on);
  void SetConversionOn(bool on);
  // The limit line in a ".lim" file and the ripple line in a ".rlm" file (see LineFiles.h).
  void SaveLimitFile(const std::string& path) const;
  void LoadLimitFile(const std::string& path);
  void SaveRippleFile(const std::string& path) const;
  void LoadRippleFile(const std::string& path);

  // ---- Analysis function (computed by TTraceAnalysis) ------------------------------------------
  void SetFunctionStart(double hz);
  void SetFunctionStop(double hz);
  void SetFunctionDomainOn(bool on);
  void SetFunctionPeakExcursion(double si);
  void SetFunctionPeakPolarity(int code);
  void SetFunctionTarget(double si);
  void SetFunctionTargetTransition(int code);
  void SetFunctionType(const std::string& type);
  double GetFunctionStart() const;
  double GetFunctionStop() const;
  double GetFunctionPeakExcursion() const;
  double GetFunctionTarget() const;
  int GetFunctionPointCount() const;
  void ExecuteFunction();

  // ---- Display formats ---------------------------------------------------------------------------
  bool IsFormatAllowed(int code) const;
  // Ignored when equal to the current code or not allowed.
  void SetFormat(int code);
  // Keyword to code, then SetFormat; an unknown keyword raises EAbort 209.
  void SetFormatText(const std::string& text);
  std::string GetFormatText() const;
  std::string GetFormatCaption() const;
  // The scale of the current format (never null while the format list exists and the code is
  // 0..19).
  TFormat* GetFormat() const;
  TFormat* GetFormat(int code) const;
  double GetScaleDiv() const;
  double GetRefValue() const;
  int GetRefPosition() const;
  double GetMaxValue() const;
  double GetMinValue() const;
  void SetScaleDiv(double value);
  void SetRefValue(double value);
  void SetRefPosition(int position);
  double GetFullScale() const;
  void SetFullScale(double value);
  double GetTopValue() const;
  void AutoScale();
  void AutoReference();
  // Keypad entry: full scale for the Smith and polar formats, scale per division otherwise.
  double GetEntryScale() const;
  void SetEntryScale(double value);
  double GetEntryRefValue() const;
  void SetEntryRefValue(double value);
  // Formats source[i] into FormattedData[i]; indices outside the vectors are ignored.
  void FormatPoint(int i, const std::vector<TComplex>& source);
  // SmoothedData[i], group delay in seconds.
  TComplex GetFormattedPoint(int i) const;
  double GetDisplayValue(int i) const;
  TComplex GetDisplayPoint(int i) const;
  // The vector the chart, markers and tests read: MaxHoldData with max hold on, else
  // SmoothedData.
  const std::vector<TComplex>& GetDisplayData() const { return EnableMaxHold ? MaxHoldData : SmoothedData; }
  // Every change of what GetDisplayData holds, or of which vector it is, passes through
  // DisplayedDataChanged; a readout cached from the displayed values stays valid only while
  // GetDisplayVersion gives the number it was computed at.
  void DisplayedDataChanged() { ++displayVersion_; }
  unsigned long long GetDisplayVersion() const { return displayVersion_; }
  double GetPointStimulus(int i) const;
  int FindPointIndex(double x) const;
  double GetValueAtStimulus(double x) const;
  TComplex GetPointAtStimulus(double x) const;
  double GetStimulusAtPosition(double p) const;
  double GetPositionAtStimulus(double x) const;
  std::string GetResponseUnitText() const;
  std::string GetStimulusUnitText() const;
  void SaveCsvFile(const std::string& name) const;

  // ---- Processing chain --------------------------------------------------------------------------
  // Data[i] from channel point i.
  void ProcessPoint(int i);
  // Whether the active memory can serve data math (cached until the channel, the memories or a
  // setting change).
  bool IsMemoryValid();
  bool IsGatingActive() const;
  bool IsTransformActive() const;
  void ApplyTimeDomain();
  // Smooths FormattedData around i into target[i].
  void SmoothPoint(int i, std::vector<TComplex>& target);
  // Half width of the smoothing window for n points (0 with smoothing off).
  int SmoothingHalfWidth(int n) const;
  void ResetMaxHold();
  void Recalculate();
  // The chain for the channel's current point (or point k).
  void ProcessSweepPoint();
  void ProcessSweepPoint(int k);
  // The chain from TimeData on for every point: the time-domain step when one is active, a copy
  // of Data otherwise, so a step that was switched off leaves no trace of itself.
  void FinishTimeDomain();
  void FinishSweep();
  // Markers, then the limit and ripple tests that are on, after new displayed data.
  void UpdateReadouts();
  void ResizeToChannel();
  // TimeData[i]: the corrected-data readout.
  TComplex GetDataPoint(int i) const;

  // ---- Time domain ------------------------------------------------------------------------------
  // Gates source (N values) into target (N values).
  void Gate(const std::vector<TComplex>& source, std::vector<TComplex>& target);
  // Time response of source into target (resized to N); source and target may be one vector.
  void Transform(const std::vector<TComplex>& source, std::vector<TComplex>& target);
  // The time axis of the transform in the distance unit.
  double GetTimeAxisStart() const;
  double GetTimeAxisStop() const;

  // ---- Units --------------------------------------------------------------------------------------
  double StimulusToHz(double x) const;
  double StimulusFromHz(double x) const;
  double ResponseToSI(double x) const;
  double ResponseFromSI(double x) const;

  // ---- State section ------------------------------------------------------------------------------
  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  // Reads the keys straight into the fields, clamped to what the setters allow. Without
  // updateMemories the memories' shown values wait for the next Recalculate.
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section, bool updateMemories = true);

  // Forgets the cached memory validity; the memory list calls it when its memories change.
  void InvalidateMemoryCache() { memoryValid_ = -1; }
  // Called by the list once the trace is listed: the distance-to-fault channel switch.
  void CompleteConstruction(int format);

 private:
  friend class TMeasureList;
  // Channel point count (0 without a channel).
  int ChannelPointCount() const;
  void ResizeVectors(int n);
  // The raw value of the measured parameter at point i; false when the code takes none.
  bool RawValue(int i, TComplex& value) const;
  // The usable-point mask entry of formatted point i.
  void UpdateMask(int i);
  void MaxHoldPoint(int i);
  // SmoothedData from all of FormattedData at once (its mask rebuilt).
  void SmoothAllPoints();
  // Formatting and smoothing from a given point on, in sweep order.
  void SmoothReadyPoints(int last);

  friend TComplex ApplyTraceCorrections(const TMeasurement&, TComplex, double, int, int);
  // The phase offset's rotation, and the electrical delay's at each point, kept beside the
  // values they were computed from: a point whose frequency and delay have not changed since
  // takes the rotation at hand instead of a sine and cosine.
  const TComplex& PhaseOffsetTurn() const;
  TComplex DelayTurn(int point, double frequencyMHz) const;
  mutable double turnDegrees_ = 0.0;
  mutable TComplex turn_{1.0, 0.0};
  mutable double delayTurnSeconds_ = 0.0;
  mutable std::vector<double> delayTurnMHz_;
  mutable std::vector<TComplex> delayTurns_;

  int memoryValid_ = -1;  // -1 unknown, 0 no, 1 yes
  TSmoother smoother_;
  std::vector<double> usable_;   // 1 for a usable formatted point, 0 for complex zero
  int nextSmooth_ = 0;           // next point the sweep path smooths
  unsigned long long displayVersion_ = 0;
};

class TMemoRange;

// The steps of the chain after data math (phase offset, electrical delay, conversion with the
// given measured parameter) applied to one value at a frequency in MHz; memories share them.
// point, when not negative, is the value's point index: the delay's rotation there is kept for
// the next value at the same point and frequency.
TComplex ApplyTraceCorrections(const TMeasurement& trace, TComplex z, double frequencyMHz, int measMode, int point = -1);
// Whether a memory's stimulus serves the channel: same sweep type and range (or segments),
// same number of points, frequency offset mode off.
bool MemoryMatchesChannel(const TRange& range, const TMemoRange& memo);

// The window choice of a trace's channel window: 0, 1 or 2 for a Kaiser beta within 0.001 of 0,
// 6 or 13, else 3.
int GetChannelTransformWindow(const TMeasurement& trace);
