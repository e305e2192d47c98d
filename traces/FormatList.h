#pragma once
// The twenty format scales of a trace, one TFormat per display format code in code order, and
// the trace's format operations: choosing the format, the scale setters and automatic scale,
// formatting one point, the stimulus axis with its lookups and interpolation, the unit texts,
// the CSV export and the stored scale keys. The list is a child of its trace (its owner); the
// trace's own format operations (SetFormat, SetScaleDiv, FindPointIndex, SaveCsvFile, ...)
// forward here. A list made without a trace owner holds only the scales.
#include <cstdint>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "model/FContainer.h"
#include "traces/Format.h"
#include "traces/FormatMath.h"

class TCustomIniFile;
class TMeasurement;

class TFormatList : public TFContainer {
 public:
  // Makes the twenty formats with their per-format defaults. owner is the trace.
  explicit TFormatList(TFObject* owner);

  // Format code 0..19; null outside.
  TFormat* GetFormat(int code) const;
  // Every format back to its per-format defaults.
  void ResetDefaults();

  // "RefPosition", "ScaleDiv", "RefValue", each followed by the code 0..19, in that order per
  // code. The load takes 5, 10 and 0 for missing keys and clamps what it reads to the setters'
  // ranges (RefPosition 0..20, ScaleDiv 0.001..(max - min) / 4, RefValue min..max); a
  // non-finite or unreadable value takes the missing key's value.
  void SaveToIni(TCustomIniFile& ini, const std::string& section) const;
  void LoadFromIni(const TCustomIniFile& ini, const std::string& section);

  // ---- Operations on the owning trace -------------------------------------------------------
  // The format of the trace's current code (its TraceFormat); the Log Mag one for a code out of
  // range.
  TFormat* Current() const;

  bool IsFormatAllowed(int code) const;
  void SetFormat(int code);
  // Keyword to code, then SetFormat; EAbort "Invalid format specifier" (209) for no keyword.
  void SetFormatText(const std::string& text);
  std::string GetFormatText() const;
  std::string GetFormatCaption() const;

  double GetScaleDiv() const { return Current()->ScaleDiv; }
  double GetRefValue() const { return Current()->RefValue; }
  int GetRefPosition() const { return Current()->RefPosition; }
  double GetMaxValue() const { return Current()->MaxValue; }
  double GetMinValue() const { return Current()->MinValue; }
  void SetScaleDiv(double x);
  void SetRefValue(double x);
  void SetRefPosition(int x);
  double GetFullScale() const;
  void SetFullScale(double x);
  double GetTopValue() const;
  void AutoScale();
  void AutoReference();

  // Formats point i of source into the trace's formatted vector (an index outside either
  // vector does nothing).
  void FormatPoint(int i, const std::vector<TComplex>& source);

  // Stimulus of point i in display units: the channel frequency rounded to 1e-6 MHz; for Group
  // Delay the middle of the pair its value comes from (f(0) for point 0). 0 outside the
  // channel's points. The lookups below use no more points than both the displayed vector and
  // the channel hold; FindPointIndex gives -1 when that is none.
  double GetPointStimulus(int i) const;
  int FindPointIndex(double x) const;
  double GetValueAtStimulus(double x) const;
  TComplex GetPointAtStimulus(double x) const;
  double GetStimulusAtPosition(double p) const;
  double GetPositionAtStimulus(double x) const;

  std::string GetResponseUnitText() const;
  std::string GetStimulusUnitText() const;

  // Writes the displayed points as CSV; a name without folder goes to the data root's "CSV"
  // folder, a name without extension gets ".csv". A failed write raises EAbort naming the file
  // and leaves an old file as it was. Returns the path written.
  std::string SaveCsvFile(const std::string& name) const;

 private:
  // The owning trace, or null when the owner is none.
  TMeasurement* Trace() const;
  // The channel window's grid divisions (10 without a window).
  int Divisions() const;
  // Redraw request and change event of the trace.
  void Changed() const;
  // Smallest and largest finite displayed value (1e9 and -1e9 when there is none).
  bool DisplayedRange(double& lo, double& hi) const;

  TArgMemo args_;  // angles of the formatting walk through the points
  mutable TMeasurement* trace_ = nullptr;
  mutable bool traceResolved_ = false;
};
