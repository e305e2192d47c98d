#pragma once
// What the chart benchmarks share: a channel window on its own (no main window), 1280 x 800,
// four traces of 16001 points, each with a memory and its markers, every trace's markers and
// table shown. The benchmarks differ in how many markers, where they stand, whether the
// statistics and bandwidth readouts are on and whether the chart has been painted once.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Complex.h"
#include "model/ICalibrationFacade.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"
#include "model/Services.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageCanvas.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

namespace benchrig {

class TQuietCalibration : public ICalibrationFacade {
 public:
  bool IsUserCorrectionDisabled() const override { return false; }
  bool IsOffsetAdjustRunning() const override { return false; }
  void AdjustFrequencyOffset() override {}
  uint32_t GetSerialNumber() const override { return 0; }
  int GetHardwareRevision() const override { return 3; }
};

struct TBusyWindowOptions {
  int Markers = 4;             // per trace
  double FirstMarker = 0.15;   // the first marker's place on the axis, 0..1
  double MarkerStep = 0.2;     // and the step to the next
  bool Readouts = true;        // statistics and bandwidth search on every trace
  bool PaintedOnce = false;    // the chart laid out on the whole canvas and painted once
};

// A channel window with everything a busy chart shows.
struct TBusyWindow {
  explicit TBusyWindow(const TBusyWindowOptions& options = {}) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ui::Application::ForTests();
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    scope->CalibratorModule = &calibration;
    ::ScannerModule = &scanner;
    look = std::make_unique<TViewProperties>();
    ::ViewProperties = look.get();
    view = std::make_unique<TRangeView>();

    TRangeSettings settings;
    TSegments segments;
    view->Range->GetSettings(settings, segments);
    settings.SweepMode = TRange::Lin;
    settings.NPoints = TRange::MaxPoints;
    settings.MinFrequency = 100;
    settings.MaxFrequency = 1100;
    view->Range->ApplySettings(segments, settings);
    TRange& range = *view->Range;
    for (int i = 0; i < range.GetCount(); ++i) {
      const double f = range.GetPointFrequency(i);
      range.SetPointData(0, i, Polar(0.3 + 0.25 * std::sin(f / 37.0), -f / 23.0));
    }

    TMeasureList& list = *view->Measurements;
    const int formats[] = {16, 0, 16, 1};
    while (list.GetCount() < 4) list.AddMeasurement(0, 16);
    for (int i = 0; i < 4; ++i) {
      TMeasurement& t = *list.GetMeasurement(i);
      t.SetFormat(formats[i]);
      t.ResizeToChannel();
      t.Recalculate();
      t.Memories->StoreData();
      TMarkerList& markers = *t.Markers;
      for (int m = 0; m < options.Markers; ++m) {
        markers.AddMarker();
        markers.FindMarker(m)->SetRelativeX(options.FirstMarker + options.MarkerStep * m);
      }
      if (options.Readouts) {
        markers.SetStatistics(true);
        markers.SetBandwidthSearch(true);
      }
      markers.SetBoundsLeft(20 * i);
      markers.UpdateMarkers();
    }
    // Every trace shows its markers and table (set directly: the setter waits for a parent).
    view->OneMeasurementMarkers = false;
    canvas = std::make_unique<ui::ImageCanvas>(1280, 800);
    chart = view->DrawingPlane;
    if (options.PaintedOnce) {
      chart->SetBounds(0, 0, canvas->Width(), canvas->Height());
      chart->PaintNow();
    }
  }
  ~TBusyWindow() {
    canvas.reset();
    view.reset();
    ::ViewProperties = nullptr;
    ::ScannerModule = nullptr;
  }
  TBusyWindow(const TBusyWindow&) = delete;
  TBusyWindow& operator=(const TBusyWindow&) = delete;

  TDevice device{4};
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TScopedServices scope;
  TQuietCalibration calibration;
  TScannerModule scanner;
  std::unique_ptr<TViewProperties> look;
  std::unique_ptr<TRangeView> view;
  std::unique_ptr<ui::ImageCanvas> canvas;
  TDrawingPlane* chart = nullptr;
};

}  // namespace benchrig
