#pragma once
// The running program (ProgramRig) with the sweep held and the channel's traces within reach,
// so that a test can give a trace the values it needs and then read it through SCPI.
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ProgramRig.h"
#include "automation/AutomationCore.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

class CalcRig : public ProgramRig {
 public:
  static TRangeView& View(int ch = 0) { return *MainFrm->GetView(ch); }
  static TMeasureList& Traces(int ch = 0) { return *View(ch).GetTraces(); }
  static TMeasurement& Active(int ch = 0) { return *Traces(ch).GetActive(); }

  // The selected trace's node of the first channel.
  static automation::Node Selected() {
    using namespace automation;
    Node scpi = child(createApplication(), "SCPI").Value.asNode();
    Node calc = child(scpi, "CALCulate", {Variant(int32_t(1))}).Value.asNode();
    return child(calc, "SELected").Value.asNode();
  }

  // The comma-separated numbers of a reply; a text that is not one throws.
  static std::vector<double> Numbers(const std::string& text) {
    std::vector<double> out;
    size_t at = 0;
    while (!text.empty()) {
      const size_t comma = text.find(',', at);
      out.push_back(std::stod(text.substr(at, comma - at)));
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
    return out;
  }

  // The one number a query answers, NaN for anything else.
  static double Number(automation::ScpiTestClient& c, const std::string& query) {
    const std::vector<double> v = Numbers(c.Query(query).value_or(""));
    return v.size() == 1 ? v[0] : std::numeric_limits<double>::quiet_NaN();
  }

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
