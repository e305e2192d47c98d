#pragma once
// A chart over a real channel and trace list, with a channel window reduced to the settings
// the chart reads, the display look's defaults and the fixed test metrics ("H" 12 high, 7
// wide): a 451 x 304 client gives PlotRect (13, 18, 431, 273). Paint() records every drawing
// call; PaintPicture() draws into a picture and keeps it as a PNG in the build folder.
#include <memory>
#include <string>
#include <vector>

#include "display/ChartView.h"
#include "display/DrawingPlane.h"
#include "display/ViewProperties.h"
#include "model/Complex.h"
#include "platform/ui/Application.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/RecordingCanvas.h"
#include "traces/FakeTraceHost.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

namespace chartlabels {

struct AppStarted {
  AppStarted() { ui::Application::ForTests(); }
};

class FakeChartView : public tracetest::FakeTraceHost, public IChartView {
 public:
  using tracetest::FakeTraceHost::FakeTraceHost;

  TRange* GetRange() const override { return range; }
  int GetDivisions() const override { return divisions; }
  int GetMarkerAlign() const override { return markerAlign; }
  TMeasureList* GetTraces() const override { return const_cast<TMeasureList*>(&list); }
  bool GetShowCaption() const override { return showCaption; }
  bool GetOneMeasurementMarkers() const override { return oneMeasurementMarkers; }
  bool GetSlowSweep() const override { return slowSweep; }
  bool GetTimeCenterPriority() const override { return timeCenterPriority; }
  std::string GetMeasCaption() const override { return caption; }
  std::string GetCalibrationStatusShort() const override { return calStatus; }
  std::string GetCalibrationMethodName(int) const override { return methodName; }
  double GetTransformCenterInUnit() const override { return 0.0; }
  double GetTransformSpanInUnit() const override { return 1.0; }
  int GetViewIndex() const override { return 0; }
  // What the chart's click actions change, recorded.
  std::string GetCalibrationStatusText() const override { return calStatusLong; }
  void SetMeasCaption(const std::string& text) override { caption = text; }
  void SetTimeCenterPriority(bool on) override { timeCenterPriority = on; }
  double GetTransformStartInUnit() const override { return transformStart; }
  double GetTransformStopInUnit() const override { return transformStop; }
  void SetTransformStartInUnit(double v) override { transformStart = v; }
  void SetTransformStopInUnit(double v) override { transformStop = v; }
  void SetTransformCenterInUnit(double v) override { transformCenter = v; }
  void SetTransformSpanInUnit(double v) override { transformSpan = v; }

  bool showCaption = false;
  bool oneMeasurementMarkers = true;
  bool slowSweep = false;
  bool timeCenterPriority = false;
  std::string caption;
  std::string calStatus = "Cor";
  std::string methodName;
  std::string calStatusLong = "Correction On";
  double transformStart = 0.0, transformStop = 1.0, transformCenter = 0.0, transformSpan = 1.0;
};

class ChartRig : public AppStarted {
 public:
  explicit ChartRig(int points = 201, double start = 100.0, double stop = 1100.0)
      : view(points, start, stop), look(&metrics) {
    saved_ = ::ViewProperties;
    ::ViewProperties = &look;
    chart = std::make_unique<TDrawingPlane>(&view);
  }
  ~ChartRig() {
    chart.reset();
    ::ViewProperties = saved_;
  }

  TMeasurement& Trace(int i = 0) { return *view.list.GetMeasurement(i); }

  // Every channel point's S11 from f(frequency in MHz), then every trace recalculated.
  template <class F>
  void LoadData(F f) {
    TRange& r = *view.range;
    for (int i = 0; i < r.GetCount(); ++i) r.SetPointData(0, i, f(r.GetPointFrequency(i)));
    for (int i = 0; i < view.list.GetCount(); ++i) view.list.GetMeasurement(i)->Recalculate();
  }

  ui::RecordingCanvas& Paint(int width = 451, int height = 304, int lineHeight = 12, int charWidth = 7) {
    canvas = std::make_unique<ui::RecordingCanvas>(width, height, lineHeight, charWidth);
    chart->Paint(*canvas);
    return *canvas;
  }

  // Paints into a picture with Qt's metrics and keeps it as name.png in the build folder.
  void PaintPicture(const std::string& name, int width = 451, int height = 304) {
    ui::ImageCanvas picture(width, height);
    // The second paint places the marker tables clear of the scale labels the first measured.
    chart->Paint(picture);
    chart->Paint(picture);
    picture.Flush();
    picture.Image().save(QString::fromStdString(std::string(TERVAN_BINARY_DIR) + "/" + name + ".png"));
  }

  // Text calls of the last recorded paint.
  std::vector<ui::RecordingCanvas::Call> Texts() const { return canvas->CallsOf(ui::RecordingCanvas::Op::Text); }
  // The first text call with exactly this text, or null.
  const ui::RecordingCanvas::Call* FindText(const std::string& text) const {
    for (const auto& c : canvas->Calls())
      if (c.op == ui::RecordingCanvas::Op::Text && c.text == text) return &c;
    return nullptr;
  }
  int CountText(const std::string& text) const {
    int n = 0;
    for (const auto& c : canvas->Calls())
      if (c.op == ui::RecordingCanvas::Op::Text && c.text == text) ++n;
    return n;
  }

  FakeChartView view;
  ui::FakeFontMetrics metrics{12, 7};
  TViewProperties look;
  std::unique_ptr<TDrawingPlane> chart;
  std::unique_ptr<ui::RecordingCanvas> canvas;

 private:
  TViewProperties* saved_ = nullptr;
};

}  // namespace chartlabels
