#include "traces/LineFiles.h"

#include "model/EAbort.h"
#include "traces/LimitLine.h"
#include "traces/Measurement.h"
#include "traces/RippleLine.h"

void SaveLimitFile(const TMeasurement& trace, const std::string& path) {
  if (trace.LimitLine == nullptr) throw EAbort("The trace has no limit line");
  trace.LimitLine->SaveFile(path, {trace.LimitTest, trace.ShowLimit, trace.ShowFailSign});
}

void LoadLimitFile(TMeasurement& trace, const std::string& path) {
  if (trace.LimitLine == nullptr) throw EAbort("The trace has no limit line");
  const TLineFileFlags flags = trace.LimitLine->LoadFile(path);
  trace.LimitTest = flags.Test;
  trace.ShowLimit = flags.Show;
  trace.ShowFailSign = flags.ShowFailSign;
  trace.Redraw();
  trace.Notify();
}

void SaveRippleFile(const TMeasurement& trace, const std::string& path) {
  if (trace.RippleLine == nullptr) throw EAbort("The trace has no ripple line");
  trace.RippleLine->SaveFile(path, {trace.RippleTest, trace.ShowRippleLimit, trace.ShowRippleFailSign});
}

void LoadRippleFile(TMeasurement& trace, const std::string& path) {
  if (trace.RippleLine == nullptr) throw EAbort("The trace has no ripple line");
  const TLineFileFlags flags = trace.RippleLine->LoadFile(path);
  trace.RippleTest = flags.Test;
  trace.ShowRippleLimit = flags.Show;
  trace.ShowRippleFailSign = flags.ShowFailSign;
  trace.Redraw();
  trace.Notify();
}
