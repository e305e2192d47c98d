#pragma once
// What the chart reads of the channel window that owns it: the channel, the traces, the grid
// and marker-table settings, the caption, the calibration status and the time-domain readouts.
// The channel window implements it; chart tests use a small fake. Signatures shared with
// TTraceHost are identical, so one override in the window serves both.
#include <string>

class TMeasureList;
class TRange;

class IChartView {
 public:
  // Marker readout alignment, as TTraceHost::GetMarkerAlign gives it.
  static constexpr int AlignVert = 0;
  static constexpr int AlignHor = 1;
  static constexpr int AlignNone = 2;

  virtual ~IChartView() = default;

  // The channel (never null while the window lives).
  virtual TRange* GetRange() const = 0;
  // The window's trace list (never null while the window lives).
  virtual TMeasureList* GetTraces() const = 0;
  // Vertical grid divisions, even, 4..20.
  virtual int GetDivisions() const = 0;
  virtual int GetMarkerAlign() const = 0;
  virtual bool GetShowCaption() const = 0;
  virtual bool GetOneMeasurementMarkers() const = 0;
  // The sweep-position mark under the plot.
  virtual bool GetSlowSweep() const = 0;
  virtual bool GetTimeCenterPriority() const = 0;
  virtual std::string GetMeasCaption() const = 0;
  // "Cor", "C?", "Off" ... in the language of the status texts.
  virtual std::string GetCalibrationStatusShort() const = 0;
  // The user calibration's method name for a port ("" when none).
  virtual std::string GetCalibrationMethodName(int port) const = 0;
  // Centre and span of the time-domain range in the scanner module's distance unit.
  virtual double GetTransformCenterInUnit() const = 0;
  virtual double GetTransformSpanInUnit() const = 0;
  // The window's number among the channel windows (its Tag), compared with the main window's
  // active index for the active-channel frame.
  virtual int GetViewIndex() const = 0;

  // What the chart's click actions read and change; a view without them reads neutral values
  // and ignores the changes.
  virtual std::string GetCalibrationStatusText() const { return {}; }
  virtual void SetMeasCaption(const std::string& caption) { (void)caption; }
  virtual void SetTimeCenterPriority(bool on) { (void)on; }
  virtual double GetTransformStartInUnit() const { return 0.0; }
  virtual double GetTransformStopInUnit() const { return 0.0; }
  virtual void SetTransformStartInUnit(double value) { (void)value; }
  virtual void SetTransformStopInUnit(double value) { (void)value; }
  virtual void SetTransformCenterInUnit(double value) { (void)value; }
  virtual void SetTransformSpanInUnit(double value) { (void)value; }
};
