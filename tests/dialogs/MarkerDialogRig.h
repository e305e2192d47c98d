#pragma once
// The main window offscreen with the program's dialogs registered and the look on the fixed
// test metrics ("H" 12 high, 7 wide: FieldHeight 26, Margin 6, dialog width 222), and a
// synthetic 201-point trace with known peaks: channel 1 from 100 to 300 MHz in 1 MHz steps,
// shown in Log Mag. Suites derive from it: `class MarkerListDialog : public MarkerDialogRig {};`.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dialogs/RegisterDialogs.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "model/Range.h"
#include "platform/ui/Edit.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/Keys.h"
#include "shell/MainFrmRig.h"
#include "traces/FormatMath.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/LbButton.h"

class MarkerDialogRig : public MainFrmRig {
 protected:
  static constexpr int kPoints = 201;
  // The peaks of the synthetic trace (dB at point index) and its valleys between them.
  static constexpr int kPeak1 = 40, kPeak2 = 100, kPeak3 = 160;  // -6, -2 (the maximum), -9 dB
  static constexpr int kDip1 = 70, kDip2 = 130;                  // -32 (the minimum), -31 dB

  void SetUp() override {
    Build("DemoMode");
    RunDelayedStart();
    ScannerModule->TriggerMode = TScannerModule::Hold;
    // The fixed metrics: every dialog measures on the look's MeasureBitmap.
    delete ViewProperties;
    ViewProperties = new TViewProperties(&metrics);
    ::MainFrm = frm.get();
    RegisterDialogs();
  }
  void TearDown() override {
    driver.ProcessEvents();
    if (::MainFrm == frm.get()) ::MainFrm = nullptr;
    MainFrmRig::TearDown();
  }

  TRangeView& View() { return *frm->GetActiveView(); }
  TMeasureList& Traces() { return *View().GetTraces(); }
  TMeasurement& Trace() { return *Traces().GetActive(); }
  TMarkerList& Markers() { return *Trace().Markers; }

  // dB of the synthetic trace at point i: a base of -30 dB with three Gaussian peaks and two
  // extra dips.
  static double SyntheticDb(int i) {
    const auto bump = [i](int at, double height, double width) {
      const double d = (i - at) / width;
      return height * std::exp(-d * d);
    };
    return -30.0 + bump(kPeak1, 24, 6) + bump(kPeak2, 28, 8) + bump(kPeak3, 21, 6) - bump(kDip1, 2, 4) -
           bump(kDip2, 1, 4);
  }

  // 201 points from 100 to 300 MHz with the synthetic trace in Log Mag on every trace.
  void LoadPeaks(int format = fmtLogMag) {
    TRange& r = *View().Range;
    r.SetStartFrequency(100);  // MHz
    r.SetStopFrequency(300);
    r.SetPointCount(kPoints);
    for (int i = 0; i < r.GetCount(); ++i) {
      const double mag = std::pow(10.0, SyntheticDb(i) / 20.0);
      r.SetPointData(0, i, TComplex{mag, 0.0});
    }
    Trace().SetFormat(format);
    for (int i = 0; i < Traces().GetCount(); ++i) Traces().GetMeasurement(i)->Recalculate();
  }

  // The marker's point index on the synthetic sweep (1 MHz per point from 100 MHz).
  static double PointOf(const TMarker& m) { return m.Argument - 100.0; }

  // Types the text into the keypad of this modal run and confirms it.
  void TypeIntoKeypad(ui::Form& keypad, const std::string& text) {
    auto& edit = driver.Get<ui::Edit>("CommonEdit", &keypad);
    driver.Type(edit, text);
    driver.Key(edit, ui::vk::Return);
  }

  // A press on a named button or panel of a form.
  void Press(ui::Form& form, const std::string& name) { driver.Press(driver.Get(name, &form)); }

  ui::FakeFontMetrics metrics{12, 7};
};
