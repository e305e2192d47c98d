#pragma once
// The chart of one channel window: a paint box that draws grids, traces, memories, limit and
// ripple lines, markers, the marker table and the label rows around the plot. All drawing is
// one widget-free Paint(canvas), so screen shots, the colour pick and tests draw the same
// picture on any canvas; the widget only keeps its picture and blits it.
//
// Bodies: DrawingPlane.cpp (construction, paint pipeline, plot layout), DrawingPlaneAxes.cpp
// (pixel mappings, grids, scale labels), DrawingPlaneTraces.cpp (line primitives, traces,
// memories, limit and ripple lines, pass/fail sign), DrawingPlaneLabels.cpp (label texts,
// title rows, stimulus row, label rows), DrawingPlaneMarkers.cpp (marker flags, marker
// table, drag readout).
//
// Pixel rules: a real pixel value becomes an int through TruncSat (toward zero, saturating,
// NaN 0); rectangles exclude their right and bottom edges.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Control.h"
#include "platform/ui/Geometry.h"
#include "traces/HotArea.h"
#include "traces/ScreenRect.h"

class IChartView;
class TChartPopups;
class TMarker;
class TMeasurement;
class TMeasureList;
class TMemoryTrace;
class TRange;

// The chart's short words, one entry each, in the order of ChartLabelWords.
enum TChartWord : int {
  cwTr, cwGat, cwDel, cwSmo, cwMaxHold, cwPhO, cwPxt, cwEmb, cwDmb, cwMem,
  cwPass, cwFail,
  cwCenter, cwStart, cwStop, cwSpan, cwAdjust, cwLin, cwLog, cwSeg, cwLow, cwHigh,
  cwMin, cwMax, cwPk,
  cwCaption, cwChange, cwSweep, cwPoints, cwIFBW, cwPower, cwShift, cwMeas, cwScale, cwRef,
  cwRefPosition, cwMarker,
  cwMean, cwSDev, cwPP, cwGain, cwSlope, cwDev, cwBW, cwCent, cwLowEdge, cwHighEdge, cwLoss,
  cwRej,
  ChartWordCount
};

// The English texts of the words, and the words in the language in force (process-wide; every
// chart construction translates them again).
extern const std::array<const char*, ChartWordCount> ChartLabelEnglish;
extern std::array<std::string, ChartWordCount> ChartLabelWords;

class TDrawingPlane : public ui::Control {
 public:
  static constexpr int PointCapacity = 16002;
  static constexpr int OffsetBufferCount = 12;
  static constexpr int LabelHotAreaCount = 16;
  // The colour of the paint box before the first paint (red, green and blue 15 each).
  static constexpr ui::TColor BoxColor = 986895;

  // What the main window tells every chart: how many channels show and which is active.
  struct TChannelInfo {
    int Count = 1;
    int ActiveIndex = 0;
  };
  // Installed by the main window; without it one channel shows.
  static std::function<TChannelInfo()> ChannelInfoHook;

  // view: the owner channel window (not owned, outlives the chart).
  explicit TDrawingPlane(IChartView* view, QWidget* parent = nullptr);
  ~TDrawingPlane() override;

  // ---- Repaint ---------------------------------------------------------------------------
  // The only repaint request (the window's redraw coalescing calls it).
  void Invalidate();
  // An invalidation that no paint has served yet.
  bool IsPaintPending() const { return paintPending_; }
  // The whole chart on any canvas; the client rectangle is the canvas's size.
  void Paint(ui::Canvas& canvas) override;

  // ---- Fields ------------------------------------------------------------------------------
  std::vector<ui::Point> Points;
  // Set for the entries of Points whose value is no number (NaN): the line breaks there, with
  // no segment to or from such a point.
  std::vector<unsigned char> PointGaps;
  std::array<std::vector<ui::Point>, OffsetBufferCount> OffsetPoints;
  IChartView* View = nullptr;
  TRange* Range = nullptr;
  ui::Rect PlotRect;
  ui::Rect StimulusRowRect;
  int DataWidth = 0;
  int MemoryWidth = 0;
  int GridWidth = 0;
  int LineHeight = 0;
  int CharWidth = 0;
  // Label texts (PrepareLabels).
  std::string TimeFirstName, TimeSecondName, TimeFirstValue, TimeSecondValue, TimeSpare;
  std::string StimFirstName, StimSecondName, StimFirstValue, StimSecondValue;
  std::string Port1Name, Port2Name, PortStartName, PortStopName;
  std::string Port1StartValue, Port1StopValue, Port2StartValue, Port2StopValue;
  std::string AdjustName, AdjustValue;
  std::string CalStatusText, CaptionText, PointsText, IfbwText, PowerLevelText;
  // Built while drawing the bottom row.
  std::string AveragingText;
  // Mouse and drag state.
  bool ButtonDown = false;
  bool Dragging = false;
  int LastX = 0;
  int LastY = 0;
  double DragValue = 0.0;
  int HitTrace = 0;
  int HitMarker = 0;
  int ScaleLabelWidth = 0;
  int HitKind = 0;
  std::array<THotArea, LabelHotAreaCount> LabelHotAreas{};
  int HintKind = 0;

  // ---- Helpers -----------------------------------------------------------------------------
  // Toward zero, saturated to the int range; NaN gives 0.
  static int TruncSat(double v);
  static TScreenRect ToScreenRect(const ui::Rect& r) { return TScreenRect{r.Left, r.Top, r.Right, r.Bottom}; }
  static ui::Rect ToRect(const TScreenRect& r) { return ui::Rect(r.Left, r.Top, r.Right, r.Bottom); }
  // Format classes by display format code.
  static bool IsSmithFormat(int code) { return code >= 8 && code <= 12; }
  static bool IsPolarFormat(int code) { return code >= 13 && code <= 15; }
  static bool IsCircularFormat(int code) { return code >= 8 && code <= 15; }
  // The 49 words from their English texts through the language module.
  static void TranslateChartLabelWords();
  // The canvas being painted (inside Paint, or between BeginLayers and EndLayers).
  ui::Canvas& PaintCanvas() { return *canvas_; }
  // The trace list and the active trace of the owner (null when none).
  TMeasureList* Traces() const;
  TMeasurement* ActiveTrace() const;
  // Whether trace is the window's active trace.
  bool IsActiveTrace(const TMeasurement& trace) const;

  // ---- Plot layout and pipeline -----------------------------------------------------------
  // Single layers outside a paint (tests; the marker numeric entry): the layout of a paint on
  // canvas, then the layers draw on it until EndLayers.
  void BeginLayers(ui::Canvas& canvas);
  void EndLayers() { canvas_ = nullptr; }
  // Widths, LineHeight, CharWidth, PlotRect and StimulusRowRect for a client rectangle.
  void ComputeLayout(const ui::Rect& client);

  // ---- Axes, grids, scale labels ----------------------------------------------------------
  int StimulusToX(const TMeasurement& trace, double v) const;
  int ValueToY(const TMeasurement& trace, double v) const;
  int ValueToYUnclamped(const TMeasurement& trace, double v) const;
  static double GridStep(double f1, double f0);
  static double RoundUpToMultiple(double step, double value);
  static bool IsInsideCircle(int px, int py, int cx, int cy, int r);
  bool DrawCartesianGrid(const TMeasurement& trace);
  void DrawScaleLabels(const TMeasurement& trace);
  void DrawSmithGrid(const TMeasurement& trace);
  void DrawPolarGrid(const TMeasurement& trace);
  // The largest circle centred in the plot and the trace's full scale as a divisor, with the
  // grid pen and a clear brush set: where the Smith and polar grids begin.
  struct TCircleGrid {
    int cx, cy, r;
    double f;
  };
  TCircleGrid BeginCircleGrid(const TMeasurement& trace);
  void DrawCircle(int x, int y, int r);
  void DrawClippedCircle(int x, int y, int r, int cx, int cy, int R);
  void DrawClippedLine(int x1, int y1, int x2, int y2, int cx, int cy, int R);

  // ---- Line primitives (thickness kinds 1..4, others draw nothing) -------------------------
  void DrawLine(int kind, int x1, int y1, int x2, int y2);
  void DrawArc(int kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void DrawRect(int kind, int x1, int y1, int x2, int y2);
  // Polyline through Points[0..last].
  void DrawPolyline(int kind, int last);
  // The same, broken at every point whose PointGaps entry is set: each run of two or more
  // neighbouring points without a gap is one polyline.
  void DrawBrokenPolyline(int kind, int last);
  // Writes text at (x, y) centred in a text row; returns its box.
  ui::Rect DrawTextBox(int x, int y, bool hover, const std::string& text);

  // ---- Traces, memories, limit and ripple lines --------------------------------------------
  // A complex display value of a Smith or polar format to its pixel.
  ui::Point CircularPoint(const TMeasurement& trace, const TComplex& z) const;
  // Point j of the trace as the data trace places it.
  ui::Point TracePoint(const TMeasurement& trace, int j) const;
  // Whether point j of the trace has a value to place (not NaN, in its format).
  static bool HasPointValue(const TMeasurement& trace, int j);
  void FailMark(int x, int y);
  // A fail mark on the trace at a stimulus; none where the trace has no value there.
  void FailMarkAt(const TMeasurement& trace, double stimulus);
  void DrawTrace(TMeasurement& trace);
  void DrawMemoryTraces(const TMeasurement& trace);
  // What drawing a limit or ripple line over a trace needs: the trace's end stimuli, the tick
  // length and the bound of the tick loops.
  struct TTestLineFrame {
    double S0;
    double S1;
    int D;
    int MaxTicks;
  };
  // Sets the line pen of the trace and gives the frame; none where the line is not shown, the
  // trace has no points or its format is circular.
  std::optional<TTestLineFrame> BeginTestLine(const TMeasurement& trace, bool shown);
  void DrawLimitLine(const TMeasurement& trace);
  void DrawLimitFails(const TMeasurement& trace);
  void DrawRippleLine(const TMeasurement& trace);
  void DrawRippleFails(const TMeasurement& trace);
  void DrawLimitLegend();

  // ---- Label rows and legend ----------------------------------------------------------------
  void PrepareLabels();
  // The trace's title row (the second half of DrawTrace).
  void DrawTitleRow(TMeasurement& trace);
  void DrawStimulusAxis(const TMeasurement& trace);
  void DrawLabelRows();

  // ---- Markers --------------------------------------------------------------------------------
  void DrawMarker(TMeasurement& trace, TMarker& marker);
  void DrawMarkerTable(TMeasurement& trace);
  void DrawDragReadout();

  // ---- Hint -------------------------------------------------------------------------------------
  void DrawHint();

  // ---- Mouse, hover and click actions (DrawingPlaneMouse.cpp, DrawingPlaneHint.cpp) ----------
  // The windows the click actions open; installed by the main window, none without it.
  static TChartPopups* Popups;
  void PaintBoxMouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y);
  void PaintBoxMouseMove(ui::ShiftState shift, int x, int y);
  void PaintBoxMouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y);
  void PaintBoxDblClick();
  void HideHint();
  void SetHitKind(int kind);
  // The hover test at (x, y): hover flags, HintKind, HitKind, HitTrace, HitMarker.
  void HoverAt(int x, int y);
  // The frequency (MHz) of the stimulus row at pixel column x of the last layout, rounded to
  // 0.1 and clamped to the instrument's band; false where no frequency maps (no band, no plot
  // width, a sweep type other than linear or logarithmic).
  bool FrequencyAtX(int x, double& frequency) const;
  // The text and rectangle of the hint box for HintKind (empty text: none).
  bool HintBox(ui::Canvas& canvas, std::string& text, TScreenRect& box);
  void RunClickActions();
  void EditCaption();
  void ApplyCaption(const std::string& text);
  void ToggleFreqCenterPriority();
  void EditStimFirst() { EditStimEntry(false); }
  void EditStimSecond() { EditStimEntry(true); }
  void PickPoints();
  void PickIFBW();
  void TogglePowerLevel();
  void EditScale(int traceIndex);
  void EditRefValue(int traceIndex);
  // The keypad of a trace's value in its response unit, with the trace looked up at each call.
  void EditTraceEntry(int traceIndex, const char* title, double (TMeasurement::*get)() const,
                      void (TMeasurement::*set)(double));
  void ToggleTimeCenterPriority();
  void EditTimeFirst() { EditTimeEntry(false); }
  void EditTimeSecond() { EditTimeEntry(true); }
  void EditMarkerStimulus(int traceIndex, int tag);
  // The keypad of the first (start or centre) or second (stop or span) value of the stimulus
  // row or of the time-domain labels.
  void EditStimEntry(bool second);
  void EditTimeEntry(bool second);
  // Keypad values in the keypad's unit (MHz, or the distance unit): second picks the stop (or
  // span) instead of the start (or centre), center the centre and span instead of start and stop.
  double GetStimEntry(bool second, bool center) const;
  void SetStimEntry(bool second, bool center, double value);
  double GetTimeEntry(bool second, bool center) const;
  void SetTimeEntry(bool second, bool center, double value);
  // The keypad unit (kind, index) of the scanner module's distance unit and of a trace's format.
  static void DistanceUnit(int& kind, int& index);
  static void ResponseUnit(const TMeasurement& trace, int& kind, int& index);

 protected:
  void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
  void MouseMove(ui::ShiftState shift, int x, int y) override;
  void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
  void DblClick() override;
  void MouseLeave() override;

 private:
  // DragValue holds a frequency of the stimulus row (the release may apply it).
  bool dragValueValid_ = false;

 public:

 private:
  // The stimulus axis of one trace: its end stimuli and the pixel scale. Kept for the trace
  // last asked about while a paint runs (the points cannot change inside a paint).
  struct TAxis {
    const TMeasurement* Trace = nullptr;
    int Mode = 0;
    double F0 = 0.0;
    double F1 = 0.0;
    double Scale = 0.0;
    bool Empty = true;
  };
  TAxis MakeAxis(const TMeasurement& trace) const;
  const TAxis& Axis(const TMeasurement& trace) const;
  mutable TAxis axis_;
  bool axisKept_ = false;

  // Polyline through Points[first..first + count - 1] as offset copies.
  void DrawPolylineRange(int kind, size_t first, size_t count);

 public:
  // The x pixel of every point of the trace (or of one of its memories) on the trace's stimulus
  // axis: StimulusToX of each point's stimulus. Traces and memories over the same stimuli on the
  // same plot and axis share one list, computed once; a changed plot rectangle, axis or stimulus
  // list computes afresh. Valid until the next call.
  const std::vector<int>& XPixels(const TMeasurement& trace);
  const std::vector<int>& XPixels(const TMeasurement& trace, const TMemoryTrace& memory);

 private:
  struct TXPixels {
    ui::Rect Plot;
    int Mode = 0;
    double F0 = 0.0;
    double F1 = 0.0;
    double Scale = 0.0;
    bool Empty = true;
    std::vector<double> Stimulus;
    std::vector<int> X;
  };
  static constexpr size_t kXPixelLists = 4;
  // The lists for the stimuli in stimulusScratch_.
  const std::vector<int>& XPixelsOfScratch(const TMeasurement& trace);
  std::vector<TXPixels> xPixels_;  // most recently used last
  std::vector<double> stimulusScratch_;
  // What a trace's stimuli are made of. Inside one paint nothing of it changes, so traces with
  // equal keys have the same stimuli and the last list is taken without computing them again.
  struct TStimulusKey {
    const void* Range = nullptr;
    int Count = -1;
    bool GroupDelay = false;
    bool Transform = false;
    double TimeStart = 0.0;
    double TimeStop = 0.0;
    size_t TimeCount = 0;
    bool operator==(const TStimulusKey&) const = default;
  };
  TStimulusKey paintStimulusKey_;
  bool paintStimulusKept_ = false;  // the key and its list belong to this paint
  ui::Rect paintStimulusPlot_;
  std::vector<int> paintStimulusX_;  // the x pixels of the last trace's stimuli

  void PaintLayers();
  void DrawTraceLayers(TMeasurement& trace, bool active);
  ui::Canvas* canvas_ = nullptr;
  ui::Rect client_;
  bool paintPending_ = false;
};
