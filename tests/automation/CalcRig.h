#pragma once
// The running program (ProgramRig) with the sweep held and the channel's traces within reach,
// so that a test can give a trace the values it needs and then read it through SCPI.
#include <functional>
#include <string>

#include "ProgramRig.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

class CalcRig : public ProgramRig {
 public:
  static TRangeView& View(int ch = 0) { return *MainFrm->GetView(ch); }
  static TMeasureList& Traces(int ch = 0) { return *View(ch).GetTraces(); }
  static TMeasurement& Active(int ch = 0) { return *Traces(ch).GetActive(); }

 protected:

  // Stops the sweep: nothing writes the traces afterwards but the test.
  static void Hold(automation::ScpiTestClient& c) {
    ASSERT_TRUE(c.Command("INIT:CONT OFF"));
    ASSERT_TRUE(ui::EventLoop::WaitUntil([] { return ScannerModule->GetScanner().GetState() == TScanner::STOP; },
                                         20000));
  }

  // A linear sweep of n points from start to stop MHz (the instrument's range starts at 85 MHz),
  // every trace sized to it.
  static void Grid(int n, double start, double stop, int ch = 0) {
    TRange& r = *View(ch).Range;
    r.SetSweepTypeText("LIN");
    r.SetPointCount(n);
    r.SetStartFrequency(start);
    r.SetStopFrequency(stop);
    // The channel rebuilds its traces in a later turn: let it, so that nothing overwrites
    // what the test writes afterwards.
    ui::EventLoop::WaitUntil([] { return false; }, 1000);
    for (int i = 0; i < Traces(ch).GetCount(); ++i) Traces(ch).GetMeasurement(i)->ResizeToChannel();
  }

  // The displayed values of a trace: value(stimulus) at every point.
  static void Shape(TMeasurement& t, const std::function<double(double)>& value) {
    for (int i = 0; i < t.GetPointCount(); ++i) t.SmoothedData[size_t(i)] = {value(t.GetPointStimulus(i)), 0.0};
    t.DisplayedDataChanged();
  }

  // Sends a line and checks its reply (a line with a query has one, empty or not) and the error
  // it left.
  static void Step(automation::ScpiTestClient& c, const std::string& line, const std::string& reply,
                   const std::string& error = kNone) {
    SCOPED_TRACE(line);
    // A failing query sends no reply.
    if (line.find('?') != std::string::npos && (error == kNone || !reply.empty())) {
      EXPECT_EQ(c.Query(line).value_or("<none>"), reply);
    } else {
      EXPECT_TRUE(c.Command(line));
    }
    EXPECT_EQ(c.Query("SYST:ERR?").value_or("<none>"), error);
  }

  static inline const std::string kNone = "0,\"No error\"";
};
