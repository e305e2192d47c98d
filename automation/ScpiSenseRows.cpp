#include "automation/ScpiSenseRows.h"

#include "automation/NodeRowHelpers.h"
#include "automation/ScpiCalibrationRun.h"
#include "automation/ScpiCorrectionNodes.h"
#include "automation/ScpiErrorTermNodes.h"
#include "automation/ScpiKitNodes.h"
#include "automation/ScpiStimulusNodes.h"

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "shell/MainFrm.h"

namespace automation {

void AddSenseRows(std::vector<NodeRow>& rows) {
  AddSenseStimulusRows(rows);
  AddSenseCorrectionRows(rows);
  AddSenseCalibrationRunRows(rows);
  AddSenseKitRows(rows);
  AddSenseErrorTermRows(rows);
}

}  // namespace automation

namespace automation::sense {

MemberRow Property(const char* name, ValueType type, Handler get, Handler put, std::vector<ValueType> args) {
  MemberRow m = rows::Property(name, type, get, put);
  m.Args = std::move(args);
  return m;
}

Variant Nothing(const TCall&) { return Variant(); }

TRange& Channel(const TCall& c) {
  TRangeView* view = c.T().Main.GetView(c.Channel());
  if (view == nullptr || view->GetRange() == nullptr) Raise(200);
  return *view->GetRange();
}

TRange& ActiveChannel(const TCall& c) {
  TRangeView* view = c.T().Main.GetActiveView();
  if (view == nullptr || view->GetRange() == nullptr) Raise(200);
  return *view->GetRange();
}

TCalibr& ActiveCalibration(const TCall& c) {
  (void)c.T();
  TCalibr* cal = CalibratorModule != nullptr ? CalibratorModule->GetUserCalibr() : nullptr;
  if (cal == nullptr) Raise(200);
  return *cal;
}

const char* MethodText(int code) {
  switch (code) {
    case cmRT: return "RESPT";
    case cmRO: return "RESPO";
    case cmRS: return "RESPS";
    case cmF1: return "SOLT1";
    case cmOP: return "1PATH";
    default: return "NONE";
  }
}

void RequirePortOne(const Variant& port) {
  if (port.asInt() != 1) Raise(222);
}

std::array<int, 2> PortPair(const Variant& value) {
  if (value.kind() != Variant::Kind::Array && value.kind() != Variant::Kind::Doubles) Raise(220);
  const std::vector<double> v = DoubleVectorFromVariant(value);
  if (v.size() != 2) Raise(220);
  return {RoundedInt32(v[0]), RoundedInt32(v[1])};
}

void RecordMethod(const TCall& c, int code, int slot) { ActiveCalibration(c).SetPortMethod(code, slot); }

Variant RecordEnhancedResponse(const TCall& c) {
  const std::array<int, 2> pair = PortPair(c.Args.back());
  if (pair[0] != 2) Raise(222);
  if (pair[1] == 2) Raise(220);
  // Only the reflection port can take the one-path method's first half.
  if (pair[1] != 1) Raise(222);
  TCalibr& cal = ActiveCalibration(c);
  cal.SetPortMethod(cmOP, pair[1] - 1);
  cal.SetPortMethod(cmOP, 1);
  return Variant();
}

Variant RecordReflectionMethod(const TCall& c, int code) {
  RequirePortOne(c.Args.back());
  RecordMethod(c, code, 0);
  return Variant();
}

Variant SaveCalibration(const TCall& c) {
  TCalibr& cal = ActiveCalibration(c);
  const int method = cal.GetSelectedMethod(cal.RequestedSlot);
  cal.Calculate(0, 1, method);
  // The main window shows the new state through the module's closure; it ignores the sender.
  if (CalibratorModule != nullptr && CalibratorModule->OnChange) CalibratorModule->OnChange(CalibratorModule);
  return Variant();
}

}  // namespace automation::sense
