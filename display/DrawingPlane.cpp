// Construction, the paint pipeline and the plot layout of the chart.
#include "display/DrawingPlane.h"

#include <cmath>
#include <limits>

#include "display/ChartView.h"
#include "display/ViewProperties.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

const std::array<const char*, ChartWordCount> ChartLabelEnglish = {
    "Tr",      "Gat",    "Del",   "Smo",    "Max",           "PhO",    "Pxt",   "Emb",   "Dmb",
    "Mem",     "Pass",   "Fail",  "Center", "Start",         "Stop",   "Span",  "Adjust", "Lin",
    "Log",     "Seg",    "Low",   "High",   "Min",           "Max",    "Pk",    "Caption", "Change",
    "Sweep",   "Points", "IFBW",  "Power",  "Shift",         "Meas",   "Scale", "Ref",   "Ref. Position",
    "Marker",  "mean",   "s.dev", "p-p",    "gain",          "slope",  "dev",   "BW",    "cent",
    "low",     "high",   "loss",  "rej"};

std::array<std::string, ChartWordCount> ChartLabelWords = [] {
  std::array<std::string, ChartWordCount> words;
  for (int i = 0; i < ChartWordCount; ++i) words[static_cast<size_t>(i)] = ChartLabelEnglish[static_cast<size_t>(i)];
  return words;
}();

std::function<TDrawingPlane::TChannelInfo()> TDrawingPlane::ChannelInfoHook;

TDrawingPlane::TDrawingPlane(IChartView* view, QWidget* parent) : ui::Control(parent) {
  View = view;
  Range = view ? view->GetRange() : nullptr;
  // Painting a channel of up to 16001 points never grows the buffers.
  Points.reserve(PointCapacity);
  for (auto& buffer : OffsetPoints) buffer.reserve(PointCapacity);
  SetColor(BoxColor);
  PlotRect = ClientRect();
  TranslateChartLabelWords();
}

TDrawingPlane::~TDrawingPlane() = default;

void TDrawingPlane::TranslateChartLabelWords() {
  for (int i = 0; i < ChartWordCount; ++i) {
    ChartLabelWords[static_cast<size_t>(i)] = TranslateText(ChartLabelEnglish[static_cast<size_t>(i)]);
  }
}

int TDrawingPlane::TruncSat(double v) { return ::TruncSat(v); }

void TDrawingPlane::Invalidate() {
  paintPending_ = true;
  ui::Control::Invalidate();
}

TMeasureList* TDrawingPlane::Traces() const { return View ? View->GetTraces() : nullptr; }

TMeasurement* TDrawingPlane::ActiveTrace() const {
  TMeasureList* list = Traces();
  return list ? list->GetActive() : nullptr;
}

bool TDrawingPlane::IsActiveTrace(const TMeasurement& trace) const { return ActiveTrace() == &trace; }

void TDrawingPlane::ComputeLayout(const ui::Rect& client) {
  const TViewProperties& look = *ViewProperties;
  ui::Canvas& canvas = *canvas_;
  DataWidth = TruncSat(look.GetDataWidth());
  MemoryWidth = TruncSat(look.GetMemoryWidth());
  GridWidth = TruncSat(look.GetGridWidth());
  Range = View ? View->GetRange() : nullptr;

  const ui::Rect r(client.Left + 4, client.Top + 4, client.Right - 4, client.Bottom - 4);
  canvas.SetFont(ui::Font(look.GetFontName(), look.GetFontSize(), look.GetFontColor()));
  LineHeight = canvas.TextHeight("H") + 1;
  CharWidth = canvas.TextWidth("H");
  if (CharWidth == 0) CharWidth = 8;

  TMeasureList* list = Traces();
  const int n = list ? list->GetCount() : 0;
  const int c = View && View->GetShowCaption() ? 1 : 0;
  TMeasurement* active = ActiveTrace();
  const int b = active && active->IsTransformActive() ? 2 : 1;
  const int h = LineHeight;
  const int w = CharWidth;
  PlotRect = ui::Rect(r.Left + w + 1, r.Top + (n + c) * h, r.Right - 2 * w - 1, r.Bottom - b * h);
  if (Range && Range->FOMState) PlotRect.Bottom -= 2 * h;
  PlotRect.Left += 1;
  PlotRect.Top += 1;
  PlotRect.Right -= 1;
  PlotRect.Bottom -= h + 1;
  StimulusRowRect = ui::Rect(PlotRect.Left, PlotRect.Bottom + 1, PlotRect.Right, PlotRect.Bottom + h);
}

void TDrawingPlane::Paint(ui::Canvas& canvas) {
  paintPending_ = false;
  if (!ViewProperties) return;
  canvas_ = &canvas;
  client_ = ui::Rect(0, 0, canvas.Width(), canvas.Height());
  axis_ = TAxis{};
  axisKept_ = true;
  paintStimulusKept_ = false;
  try {
    PaintLayers();
  } catch (...) {
    canvas_ = nullptr;
    axisKept_ = false;
    throw;
  }
  canvas_ = nullptr;
  axisKept_ = false;
}

void TDrawingPlane::BeginLayers(ui::Canvas& canvas) {
  canvas_ = &canvas;
  client_ = ui::Rect(0, 0, canvas.Width(), canvas.Height());
  ComputeLayout(client_);
}

void TDrawingPlane::PaintLayers() {
  const TViewProperties& look = *ViewProperties;
  ui::Canvas& canvas = *canvas_;
  ComputeLayout(client_);

  TMeasureList* list = Traces();
  TMeasurement* active = ActiveTrace();
  const bool haveTraces = list && list->GetCount() > 0 && active;
  if (haveTraces) PrepareLabels();

  // Background over the whole client rectangle.
  canvas.SetPen(ui::Pen{look.GetUndegroundColor(), 1, ui::PenStyle::Solid});
  canvas.SetBrush(ui::Brush{look.GetUndegroundColor(), ui::BrushStyle::Solid});
  canvas.FillRect(client_);

  // A plot with no room gets no plot layers; the frames and rows around it still show.
  const bool plotLayers = haveTraces && PlotRect.Width() > 0 && PlotRect.Height() > 0;
  if (plotLayers) {
    const int count = list->GetCount();
    for (int i = 0; i < count; ++i) {
      TMeasurement* trace = list->GetMeasurement(i);
      DrawSmithGrid(*trace);
      DrawPolarGrid(*trace);
    }
    for (int i = 0; i < count; ++i) {
      if (DrawCartesianGrid(*list->GetMeasurement(i))) break;
    }
    for (int i = 0; i < count; ++i) {
      TMeasurement* trace = list->GetMeasurement(i);
      if (trace != active) DrawTraceLayers(*trace, false);
    }
    DrawTraceLayers(*active, true);
  }

  // Frames of the stimulus row and of the plot.
  canvas.SetPen(ui::Pen{look.GetGridColor(), 1, ui::PenStyle::Solid});
  canvas.SetBrushStyle(ui::BrushStyle::Clear);
  canvas.Rectangle(StimulusRowRect.Left - 1, StimulusRowRect.Top - 1, StimulusRowRect.Right + 1,
                   StimulusRowRect.Bottom + 1);
  canvas.Rectangle(PlotRect.Left - 1, PlotRect.Top - 1, PlotRect.Right + 1, PlotRect.Bottom + 1);

  if (haveTraces) {
    DrawLabelRows();
    DrawDragReadout();
  }
  DrawHint();

  // The rounded frame of the active channel, only while several channels show.
  const TChannelInfo channels = ChannelInfoHook ? ChannelInfoHook() : TChannelInfo{};
  if (channels.Count > 1 && View && channels.ActiveIndex == View->GetViewIndex()) {
    canvas.SetPen(ui::Pen{look.GetFontColor(), 1, ui::PenStyle::Solid});
    canvas.SetBrushStyle(ui::BrushStyle::Clear);
    canvas.RoundRect(client_.Left, client_.Top, client_.Right, client_.Bottom, 9, 9);
  }
}

void TDrawingPlane::DrawTraceLayers(TMeasurement& trace, bool active) {
  DrawMemoryTraces(trace);
  DrawTrace(trace);
  DrawLimitLine(trace);
  DrawRippleLine(trace);
  if (active) DrawLimitLegend();
  TMarkerList* markers = trace.Markers;
  if (markers) {
    markers->RefreshMarkers();
    if (active || !View->GetOneMeasurementMarkers()) {
      const int count = markers->GetMarkerCount();
      for (int tag = 0; tag < count; ++tag) {
        if (TMarker* marker = markers->FindMarker(tag)) DrawMarker(trace, *marker);
      }
      if (markers->EnableReference) {
        if (TMarker* reference = markers->GetReferenceMarker()) DrawMarker(trace, *reference);
      }
      DrawMarkerTable(trace);
    }
  }
  if (active) {
    DrawScaleLabels(trace);
    DrawStimulusAxis(trace);
  }
}
