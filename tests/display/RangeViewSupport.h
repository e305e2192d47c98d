#pragma once
// A channel window in a test: the services a channel needs (device model row 4, both
// synthesizer settings, the scanner module), the display look, and a parent widget, so the
// window can be made placed (it repaints) or unplaced (it never does).
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/CalRange.h"
#include "model/ICalibrationFacade.h"
#include "model/ITranslation.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"
#include "model/Services.h"
#include "platform/ui/Application.h"

namespace rangeview {

// The calibration module as the window asks it: only the user-correction switch matters.
class FakeCalibration : public ICalibrationFacade {
 public:
  bool IsUserCorrectionDisabled() const override { return CorrectionOff; }
  bool IsOffsetAdjustRunning() const override { return false; }
  void AdjustFrequencyOffset() override {}
  uint32_t GetSerialNumber() const override { return 0; }
  int GetHardwareRevision() const override { return 3; }
  bool CorrectionOff = false;
};

// A language module that shows Russian (or English).
class FakeLanguage : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override { return english; }
  std::string TranslateAnsi(const std::string& english) const override { return english; }
  bool IsEnglish() const override { return English; }
  bool English = false;
};

struct Services {
  Services() {
    ui::Application::ForTests();
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    scope->CalibratorModule = &calibration;
    savedScanner = ::ScannerModule;
    ::ScannerModule = &scanner;
    look = std::make_unique<TViewProperties>();
    savedLook = ::ViewProperties;
    ::ViewProperties = look.get();
    parent = std::make_unique<QWidget>();
    parent->resize(600, 400);
  }
  ~Services() {
    parent.reset();
    ::ViewProperties = savedLook;
    ::ScannerModule = savedScanner;
  }

  TDevice device{4};
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TScopedServices scope;
  FakeCalibration calibration;
  TScannerModule scanner;
  TScannerModule* savedScanner = nullptr;
  std::unique_ptr<TViewProperties> look;
  TViewProperties* savedLook = nullptr;
  std::unique_ptr<QWidget> parent;
};

// A linear (or other) sweep of points points over start..stop MHz, through the channel's
// change event when the channel notifies.
inline void SetStimulus(TRange& range, int points, double start, double stop, int sweepMode = TRange::Lin) {
  TRangeSettings settings;
  TSegments segments;
  range.GetSettings(settings, segments);
  settings.SweepMode = sweepMode;
  settings.NPoints = points;
  settings.MinFrequency = start;
  settings.MaxFrequency = stop;
  range.ApplySettings(segments, settings);
}

// A calibration solved at n frequencies evenly over start..stop MHz, with error terms that differ
// from point to point, given to the window's calibration as its change event would.
inline void SetCalibration(TRangeView& view, int n, double start, double stop) {
  TCalibr& cal = *view.UserCalibration;
  std::vector<double> f(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)] = n > 1 ? start + (stop - start) * i / (n - 1) : start;
  delete cal.Terms;
  cal.Terms = new TCalRange(4, 0, f);
  for (int i = 0; i < n; ++i) {
    cal.Terms->SetErrorTermA(0, i, TComplex{1.0 - i * 1e-4, 0.01 * i});
    cal.Terms->SetErrorTermB(0, i, TComplex{0.001 * i, -0.002});
    cal.Terms->SetErrorTermC(0, i, TComplex{0.05, 0.001 * i});
  }
  cal.Method[0] = 4;
  cal.Settings.SweepMode = 0;
  cal.Settings.NPoints = n;
  cal.Settings.MinFrequency = start;
  cal.Settings.MaxFrequency = stop;
  cal.Segments = {TSegment{}};
  view.CalibrationChanged(view.UserCalibration);
}

}  // namespace rangeview
