#include "traces/LineFiles.h"

#include "model/EAbort.h"
#include "traces/LimitLine.h"
#include "traces/Measurement.h"
#include "traces/RippleLine.h"

namespace {

// Takes the switches a line's file brought in, then shows the loaded line.
void TakeSwitches(TMeasurement& trace, const TLineFileFlags& flags, bool& test, bool& show, bool& showFailSign) {
  test = flags.Test;
  show = flags.Show;
  showFailSign = flags.ShowFailSign;
  trace.Redraw();
  trace.Notify();
}

}  // namespace

void SaveLimitFile(const TMeasurement& trace, const std::string& path) {
  if (trace.LimitLine == nullptr) throw EAbort("The trace has no limit line");
  trace.LimitLine->SaveFile(path, {trace.LimitTest, trace.ShowLimit, trace.ShowFailSign});
}

void LoadLimitFile(TMeasurement& trace, const std::string& path) {
  if (trace.LimitLine == nullptr) throw EAbort("The trace has no limit line");
  TakeSwitches(trace, trace.LimitLine->LoadFile(path), trace.LimitTest, trace.ShowLimit, trace.ShowFailSign);
}

void SaveRippleFile(const TMeasurement& trace, const std::string& path) {
  if (trace.RippleLine == nullptr) throw EAbort("The trace has no ripple line");
  trace.RippleLine->SaveFile(path, {trace.RippleTest, trace.ShowRippleLimit, trace.ShowRippleFailSign});
}

void LoadRippleFile(TMeasurement& trace, const std::string& path) {
  if (trace.RippleLine == nullptr) throw EAbort("The trace has no ripple line");
  TakeSwitches(trace, trace.RippleLine->LoadFile(path), trace.RippleTest, trace.ShowRippleLimit,
               trace.ShowRippleFailSign);
}
