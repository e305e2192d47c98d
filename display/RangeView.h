#pragma once
// The window of one measurement channel. It owns the channel (a child of the scanner), the
// channel's user calibration and its trace list, and holds what belongs to the view of the
// channel: the grid divisions, the caption, the marker readout alignment, the
// markers-of-the-active-trace switch and the time-domain settings shared by every trace.
//
// It turns the channel's events into trace processing, sweep restarts and repaints, computes the
// calibration status shown in the chart, and writes and reads its own section of a state file.
// Every repaint of its chart goes through RequestRedraw, which lets at most one invalidation
// through per 40 ms and never paints by itself.
//
// The traces see it as their TTraceHost, the chart as its IChartView, the channel-state store as
// its IChannelView. Everything runs on the user-interface thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalibrationForm.h"
#include "display/ChartView.h"
#include "model/FObject.h"
#include "model/IChannelView.h"
#include "platform/ui/Control.h"
#include "traces/ScreenRect.h"
#include "traces/TimeDomainOwner.h"
#include "traces/TimeDomainSettings.h"
#include "traces/TraceHost.h"

class TCalibr;
class TCustomIniFile;
class TDrawingPlane;
class TMeasureList;
class TRange;

namespace ui {
class Panel;
class Timer;
}  // namespace ui

class TRangeView : public ui::Control, public TFObject, public TTraceHost, public IChartView, public IChannelView {
  Q_OBJECT

 public:
  using TNotifyEvent = std::function<void(TFObject* sender)>;

  // The shortest time between two invalidations of the chart, ms.
  static constexpr int RedrawIntervalMs = 40;
  static constexpr int MinDivisions = 4;
  static constexpr int MaxDivisions = 20;
  static constexpr int DefaultDivisions = 10;
  static constexpr int DefaultMarkerAlign = AlignNone;
  // The colour of the frame and its chart.
  static constexpr ui::TColor FrameColor = 0x0F0F0F;

  // Calibration status codes.
  enum : int32_t {
    CalNone = 0,           // no calibration
    CalOff = 1,            // user correction switched off in the calibration module
    CalCorrection = 2,     // calibrated at exactly the channel's frequencies
    CalInterpolation = 3,  // inside the calibrated range, interpolated
    CalExtrapolation = 4,  // the channel reaches outside the calibrated range
  };

  // The window, hidden, with a new channel on the scanner module's scanner, an empty
  // calibration and one S11 trace in Return Loss. parent: the main window's chart area (null
  // for a window that is not placed yet; such a window never repaints).
  explicit TRangeView(QWidget* parent = nullptr);
  // Removes its closures from the channel and the calibration, then deletes the channel, the
  // calibration and the trace list, in that order.
  ~TRangeView() override;

  // ---- Components ----------------------------------------------------------------------------
  ui::Panel* BasePanel = nullptr;
  TDrawingPlane* DrawingPlane = nullptr;
  ui::Timer* UpdateWatchDog = nullptr;

  // ---- Fields (read freely; change them through the setters) ---------------------------------
  TRange* Range = nullptr;              // owned
  TCalibr* UserCalibration = nullptr;   // owned
  int32_t CalibrationStatus = CalNone;
  TMeasureList* Measurements = nullptr;  // owned
  // The last complete sweep took more than a second (the main window sets it after each sweep;
  // a change of the channel sets it).
  bool SlowSweep = true;
  // platform::Clock milliseconds (low 32 bits) of the last invalidation passed to the chart.
  uint32_t LastRepaintTime = 0;
  bool OneMeasurementMarkers = true;
  int32_t Divisions = DefaultDivisions;
  std::string MeasCaption;
  bool ShowCaption = false;
  int32_t MarkerAlign = DefaultMarkerAlign;
  TTimeDomainSettings TimeDomain;
  // How many invalidations RequestRedraw and the timer passed to the chart.
  int64_t InvalidationCount = 0;

  // Fired by the window's setters (sender: the window) and by the setters of the traces and
  // everything hanging off them (sender: the changed object).
  TNotifyEvent OnChange;
  // Fired with the window as sender after the user calibration changed.
  TNotifyEvent OnCalibrationChange;

  // ---- Repaint -------------------------------------------------------------------------------
  // The only road to a repaint: nothing without a parent; within 40 ms of the last invalidation,
  // or while the chart still waits for a paint, the 40 ms timer takes the request (a running
  // timer is left alone); otherwise the chart is invalidated at once.
  void RequestRedraw() override;
  // The timer's handler: stops it and, with a parent, invalidates the chart.
  void UpdateWatchDogTimer();

  // ---- Calibration status --------------------------------------------------------------------
  void UpdateCalibrationStatus();
  // Stores a different code and requests a repaint.
  void SetCalibrationStatus(int32_t code);
  // "Cor", "C?", ... and "Correction", "Interpolation", ...: English while no translation is in
  // force, else Russian; empty for an unknown code.
  std::string GetCalibrationStatusShort() const override;
  std::string GetCalibrationStatusText() const override;
  static std::string CalibrationStatusShort(int32_t code, bool english);
  static std::string CalibrationStatusText(int32_t code, bool english);
  // Clears the user calibration and requests a repaint.
  void ClearCalibration();

  // ---- View settings ---------------------------------------------------------------------------
  // Made even (halved toward zero, doubled), then limited to 4..20.
  void SetDivisions(int32_t n);
  static int32_t LimitDivisions(int32_t n);
  // 0 "VERT", 1 "HOR", 2 "NONE"; HOR is refused while the traces' markers are not coupled, other
  // codes always.
  void SetMarkerAlign(int align) override;
  std::string GetMarkerAlignText() const;
  // A text beginning with "VERT", "HOR" or "NONE" in any case; anything else changes nothing.
  void SetMarkerAlignText(const std::string& text);
  // Both do nothing without a parent.
  void SetOneMeasurementMarkers(bool on);
  void SetShowCaption(bool on);
  // Stores the caption and requests a repaint; no change event.
  void SetMeasCaption(const std::string& caption) override;

  // ---- Time domain (the settings' own setters, with this window as their owner) -------------
  TTimeDomainOwner& GetTimeDomainOwner() { return *timeDomainOwner_; }
  void SetTransformStart(double t) { TimeDomain.SetTransformStart(*timeDomainOwner_, t); }
  void SetTransformStop(double t) { TimeDomain.SetTransformStop(*timeDomainOwner_, t); }
  void SetTransformCenter(double t) { TimeDomain.SetTransformCenter(*timeDomainOwner_, t); }
  void SetTransformSpan(double w) { TimeDomain.SetTransformSpan(*timeDomainOwner_, w); }
  void SetTimeCenterPriority(bool on) override { TimeDomain.SetTimeCenterPriority(*timeDomainOwner_, on); }
  void SetGatingStart(double t) { TimeDomain.SetGatingStart(*timeDomainOwner_, t); }
  void SetGatingStop(double t) { TimeDomain.SetGatingStop(*timeDomainOwner_, t); }
  void SetGatingCenter(double t) { TimeDomain.SetGatingCenter(*timeDomainOwner_, t); }
  void SetGatingSpan(double w) { TimeDomain.SetGatingSpan(*timeDomainOwner_, w); }
  void SetGatingEnabled(bool on) { TimeDomain.SetGatingEnabled(*timeDomainOwner_, on); }
  void SetGatingType(int32_t type) { TimeDomain.SetGatingType(*timeDomainOwner_, type); }
  void SetGatingShape(int32_t shape) { TimeDomain.SetGatingShape(*timeDomainOwner_, shape); }
  void SetResponseType(int32_t type) { TimeDomain.SetResponseType(*timeDomainOwner_, type); }
  void SetTransformBeta(double beta) { TimeDomain.SetTransformBeta(*timeDomainOwner_, beta); }
  // 0, 1, 2: beta 0, 6, 13; other choices do nothing.
  void SetTransformWindow(int choice) { TimeDomain.SetTransformWindow(*timeDomainOwner_, choice); }
  // Distance-unit forms (ns, metres or feet by the scanner module's unit).
  double GetTransformStartInUnit() const override { return TimeDomain.GetTransformStartInUnit(); }
  double GetTransformStopInUnit() const override { return TimeDomain.GetTransformStopInUnit(); }
  double GetTransformCenterInUnit() const override { return TimeDomain.GetTransformCenterInUnit(); }
  double GetTransformSpanInUnit() const override { return TimeDomain.GetTransformSpanInUnit(); }
  void SetTransformStartInUnit(double d) override { TimeDomain.SetTransformStartInUnit(*timeDomainOwner_, d); }
  void SetTransformStopInUnit(double d) override { TimeDomain.SetTransformStopInUnit(*timeDomainOwner_, d); }
  void SetTransformCenterInUnit(double d) override { TimeDomain.SetTransformCenterInUnit(*timeDomainOwner_, d); }
  void SetTransformSpanInUnit(double d) override { TimeDomain.SetTransformSpanInUnit(*timeDomainOwner_, d); }
  // The cable loss in dB over the one-way length of a round-trip time (seconds).
  static double CableLossForTime(double t) { return ::CableLossForTime(t); }

  // ---- Whole-window operations -----------------------------------------------------------------
  // Default view and time-domain settings (stored directly: no repaint, no change event), the
  // default channel settings, no calibration, one S11 Return Loss trace.
  void Preset();
  // Every trace recalculated, then every memory of it updated.
  void RecalculateTraces();
  // Called before and after a screen shot or printout is drawn; nothing to do yet.
  void BeginSnapshot() {}
  void EndSnapshot() {}

  // ---- State section ---------------------------------------------------------------------------
  // Save types: 0 state, 1 state and calibration, 2 state and point data, 3 all.
  void SaveToIni(TCustomIniFile& ini, const std::string& section, int saveType) override;
  // Values out of what the setters allow are brought into range; a hex value that is not hex
  // (odd length, other characters) counts as missing.
  void LoadFromIni(TCustomIniFile& ini, const std::string& section, int saveType) override;
  // Set while the main window applies a whole state, which ends with one recalculation of every
  // window's traces: loaded points and memories then wait for it instead of being taken at once.
  bool DeferRecalculation = false;
  // Checks what LoadFromIni would read as binary values of the section ("CalData" for save types
  // 1 and 3, "RangeData" for 2 and 3) before anything is applied: hex text of whole bytes, and a
  // calibration that reads. Raises EAbort naming the section otherwise.
  static void CheckIni(const TCustomIniFile& ini, const std::string& section, int saveType);
  // What CheckIni read, kept so that LoadFromIni of the same section of the same document need
  // not decode and parse the megabytes again.
  struct TCheckedValues {
    const TCustomIniFile* Ini = nullptr;  // null: nothing kept
    std::string Section;
    int SaveType = -1;
    bool HasCalibration = false;  // a calibration form was read (CalForm, CalResult)
    TCalibrationForm CalForm;
    TCalibrationForm::TResult CalResult;
    bool HasPointData = false;  // the point-data value was decoded (PointData)
    std::vector<uint8_t> PointData;
  };
  static void CheckIni(const TCustomIniFile& ini, const std::string& section, int saveType, TCheckedValues& keep);
  // Hands CheckIni's values to the next LoadFromIni of the same document, section and save type;
  // DropCheckedValues forgets them (a load that never came).
  void KeepCheckedValues(TCheckedValues values) { checked_ = std::move(values); }
  void DropCheckedValues() { checked_ = TCheckedValues{}; }
  // The bytes of a binary value when its text is hex of whole bytes (empty text: none);
  // false when the key is missing or the text is not such hex.
  static bool ReadHexValue(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                           std::vector<uint8_t>& bytes);

  // ---- Channel and calibration events ------------------------------------------------------------
  void RangeChanged(TFObject* sender);
  void RangeResweep(TFObject* sender);
  void RangeDataUpdated(TFObject* sender);
  void RangeSweepDone(TFObject* sender);
  void RangeRedraw(TFObject* sender);
  void CalibrationChanged(TFObject* sender);

  // ---- Chart mouse events passed on as the window's own -----------------------------------------
  void TranslateMouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y);
  void TranslateDblClick();

  // ---- TTraceHost and IChartView -----------------------------------------------------------------
  TRange* GetRange() const override { return Range; }
  void Changed(TFObject* sender) override;
  int GetDivisions() const override { return Divisions; }
  int GetMarkerAlign() const override { return MarkerAlign; }
  const TTimeDomainSettings& GetTimeDomain() const override { return TimeDomain; }
  // The chart's room for the marker table: the plot without the scale-label column.
  TScreenRect GetMarkerTableArea() const override;
  TMeasureList* GetTraces() const override { return Measurements; }
  bool GetShowCaption() const override { return ShowCaption; }
  bool GetOneMeasurementMarkers() const override { return OneMeasurementMarkers; }
  bool GetSlowSweep() const override { return SlowSweep; }
  bool GetTimeCenterPriority() const override { return TimeDomain.TimeCenterPriority; }
  std::string GetMeasCaption() const override { return MeasCaption; }
  std::string GetCalibrationMethodName(int port) const override;
  int GetViewIndex() const override { return Tag(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  TCheckedValues checked_;
  // Set while a state load changes the channel whose traces it then replaces: the old traces
  // are not brought to the new points only to be thrown away.
  bool replacingTraces_ = false;
  // Marks the chart for painting and counts it.
  void InvalidateChart();
  // The chart has an invalidation that no paint has served yet.
  bool ChartPaintPending() const;
  void FireChange();
  void InstallClosures();
  void RemoveClosures();
  void LayoutChildren();

  // Made once the trace list exists.
  std::unique_ptr<TTimeDomainOwner> timeDomainOwner_;
};
