// The trace list and a trace's setters: construction, codes and keywords, clamps, events, and
// the list's add, delete, reset and coupling rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "instrument/Scanner.h"
#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/Range.h"
#include "traces/FakeTraceHost.h"
#include "traces/MarkerList.h"
#include "traces/MemoryList.h"

namespace {

using tracetest::FakeTraceHost;

// The real device model with the B receiver taken away.
class NoReceiverB : public IDeviceModel {
 public:
  explicit NoReceiverB(const IDeviceModel& real) : real_(real) {}
  int GetModelIndex() const override { return real_.GetModelIndex(); }
  bool GetDemoMode() const override { return false; }
  int GetReflectionIndex() const override { return 0; }
  int GetTransmissionIndex() const override { return -1; }
  int GetReferenceIndex() const override { return 2; }
  bool HasReceiver(int index) const override { return index == 0 || index == 2; }
  std::string GetMakerName() const override { return real_.GetMakerName(); }
  std::string GetModelName() const override { return real_.GetModelName(); }
  std::string GetLongDescription() const override { return real_.GetLongDescription(); }
  std::string GetDescription() const override { return real_.GetDescription(); }
  std::string GetFirmwareVersion() const override { return real_.GetFirmwareVersion(); }
  std::string GetSoftwareVersion() const override { return real_.GetSoftwareVersion(); }
  std::string GetIdentification() const override { return real_.GetIdentification(); }

 private:
  const IDeviceModel& real_;
};

}  // namespace

TEST(TraceList, NewListHoldsOneReturnLossTrace) {
  FakeTraceHost host;
  ASSERT_EQ(1, host.list.GetCount());
  const TMeasurement& t = host.Trace();
  EXPECT_EQ(0, t.MeasMode);
  EXPECT_EQ(16, t.TraceFormat);
  EXPECT_EQ(4, t.DataMath);
  EXPECT_DOUBLE_EQ(1.0, t.SmoAperture);
  EXPECT_EQ(201, t.GetPointCount());
  EXPECT_EQ(201u, t.MaxHoldData.size());
  EXPECT_EQ(0, t.TraceIndex);
  EXPECT_EQ(&t, host.list.GetActive());
  EXPECT_EQ(host.range, t.Range);
  EXPECT_EQ("S11", t.GetMeasModeName());
  EXPECT_EQ("", t.GetDataMathCaption());
}

TEST(TraceList, MeasModeSwitchesTheFormatWhenItIsNotAllowed) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  struct Case {
    int fromMode;
    int fromFormat;
    bool conversion;
    int toMode;
    int wantFormat;
    bool wantConversion;
  };
  const Case cases[] = {
      {0, 11, false, 2, 0, false},  // Smith chart to Abs A: Log Mag, conversion off
      {0, 4, true, 2, 0, false},    // SWR with conversion to Abs A
      {2, 7, false, 0, 7, false},   // Lin Magnitude is allowed for both
      {2, 0, false, 0, 16, false},  // Log Mag is never S11's
      {4, 0, false, 6, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.fromMode) + " -> " + std::to_string(c.toMode));
    t.SetMeasMode(c.fromMode);
    t.SetConversionOn(c.conversion);
    t.SetFormat(c.fromFormat);
    ASSERT_EQ(c.fromFormat, t.TraceFormat);
    t.SetMeasMode(c.toMode);
    EXPECT_EQ(c.wantFormat, t.TraceFormat);
    EXPECT_EQ(c.wantConversion, t.ConversionOn);
  }
  // Port follows the device model's receivers.
  t.SetMeasMode(3);
  EXPECT_EQ(1, t.Port);
  t.SetMeasMode(6);
  EXPECT_EQ(2, t.Port);
  // The channel reads the power meter while a Power trace exists.
  t.SetMeasMode(4);
  EXPECT_TRUE(host.range->PowerMeterMode);
  t.SetMeasMode(0);
  EXPECT_FALSE(host.range->PowerMeterMode);
}

TEST(TraceList, AbsBWithoutReceiverBIsS11) {
  FakeTraceHost host;
  NoReceiverB device(host.device);
  host.scope->Device = &device;
  TMeasurement& t = host.Trace();
  t.SetMeasMode(2);
  t.SetMeasMode(3);
  EXPECT_EQ(0, t.MeasMode);
}

TEST(TraceList, MeasModeTextMatchesWholeNamesOnly) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  t.SetMeasModeText("Abs R");
  EXPECT_EQ(6, t.MeasMode);
  for (const char* text : {"abs a", "Abs A ", "Abs", "S11x", "", "POWER"}) {
    t.SetMeasModeText(text);
    EXPECT_EQ(6, t.MeasMode) << text;
  }
  t.SetMeasModeText("Power");
  EXPECT_EQ(4, t.MeasMode);
}

TEST(TraceList, KeywordSetters) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  struct Case {
    const char* text;
    int want;
  };
  const Case conversions[] = {{"admittance", 1}, {"IMP", 0}, {"inv", 2}, {"CONJUGATE", 3}, {"Adm", 1}};
  for (const Case& c : conversions) {
    t.SetConversionText(c.text);
    EXPECT_EQ(c.want, t.ConversionType) << c.text;
  }
  for (const char* bad : {"Z", "", "AD", " IMP", "CON"}) {
    try {
      t.SetConversionText(bad);
      ADD_FAILURE() << bad;
    } catch (const EAbort& e) {
      EXPECT_EQ(217, e.HelpContext);
      EXPECT_STREQ("Invalid conversion specifier", e.what());
    }
    EXPECT_EQ(1, t.ConversionType);
  }
  ASSERT_TRUE(t.Memories->StoreData());
  const Case maths[] = {{"subtract", 2}, {"NORMAL", 4}, {"div", 0}, {"MULTIPLY", 1}, {"add", 3}};
  for (const Case& c : maths) {
    t.SetDataMathText(c.text);
    EXPECT_EQ(c.want, t.DataMath) << c.text;
  }
  for (const char* bad : {"D/M", "", "SUB", "MUL"}) {
    try {
      t.SetDataMathText(bad);
      ADD_FAILURE() << bad;
    } catch (const EAbort& e) {
      EXPECT_EQ(210, e.HelpContext);
      EXPECT_STREQ("Invalid data math specifier", e.what());
    }
    EXPECT_EQ(3, t.DataMath);
  }
  EXPECT_EQ("ADD", t.GetDataMathText());
  EXPECT_EQ("D+M", t.GetDataMathCaption());
  EXPECT_EQ("ADM", t.GetConversionText());
  EXPECT_EQ("", t.GetConversionLabel());
  t.SetConversionOn(true);
  EXPECT_EQ("Yr", t.GetConversionLabel());
}

TEST(TraceList, RandomTextRaisesOrIsIgnored) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  std::mt19937 rng(9);
  for (int n = 0; n < 500; ++n) {
    std::string text(rng() % 12, ' ');
    for (char& c : text) c = static_cast<char>(rng() % 256);
    const int before = t.MeasMode;
    t.SetMeasModeText(text);
    EXPECT_EQ(before, t.MeasMode);
    for (auto setter : {&TMeasurement::SetConversionText, &TMeasurement::SetDataMathText, &TMeasurement::SetFormatText}) {
      try {
        (t.*setter)(text);
      } catch (const EAbort& e) {
        EXPECT_TRUE(e.HelpContext == 209 || e.HelpContext == 210 || e.HelpContext == 217) << e.HelpContext;
      }
    }
  }
}

TEST(TraceList, NumberSettersClampAndIgnoreNonFinite) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  struct Case {
    void (TMeasurement::*setter)(double);
    double TMeasurement::*field;
    double in;
    double want;
  };
  const Case cases[] = {
      {&TMeasurement::SetSmoothingAperture, &TMeasurement::SmoAperture, 0, 0.01},
      {&TMeasurement::SetSmoothingAperture, &TMeasurement::SmoAperture, 50, 20},
      {&TMeasurement::SetPhaseOffset, &TMeasurement::PhaseOffset, 400, 360},
      {&TMeasurement::SetPhaseOffset, &TMeasurement::PhaseOffset, -1000, -360},
      {&TMeasurement::SetElectricalDelay, &TMeasurement::ElectricalDelay, 20, 10},
      {&TMeasurement::SetElectricalDelay, &TMeasurement::ElectricalDelay, -20, -10},
  };
  for (const Case& c : cases) {
    (t.*c.setter)(c.in);
    EXPECT_DOUBLE_EQ(c.want, t.*c.field);
    host.ResetCounts();
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
      (t.*c.setter)(bad);
    }
    EXPECT_DOUBLE_EQ(c.want, t.*c.field);
    EXPECT_EQ(0, host.Changes());
  }
  // A delay step of 1e-15 s or less is no change.
  t.SetElectricalDelay(1e-9);
  host.ResetCounts();
  t.SetElectricalDelay(1e-9 + 1e-15);
  EXPECT_EQ(0, host.Changes());
  t.SetElectricalDelay(1e-9 + 1e-14);
  EXPECT_EQ(1, host.Changes());
}

TEST(TraceList, SettersNotifyWithTheTraceAsSender) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  t.SetSmoothing(true);
  ASSERT_EQ(1, host.Changes());
  EXPECT_EQ(&t, host.senders.back());
  EXPECT_GE(host.redraws, 1);
  host.ResetCounts();
  t.SetSmoothing(true);
  EXPECT_EQ(0, host.Changes());
  t.SetMaxHold(true);  // notify only
  EXPECT_EQ(1, host.Changes());
  EXPECT_EQ(0, host.redraws);
  host.ResetCounts();
  t.SetShowLimit(true);
  t.SetShowFailSign(true);
  t.SetShowRippleLimit(true);
  t.SetShowRippleFailSign(true);
  t.SetLimitTest(true);
  t.SetRippleTest(true);
  EXPECT_EQ(6, host.Changes());
  EXPECT_EQ(6, host.redraws);
  host.ResetCounts();
  t.SetConversionType(9);  // no such code
  EXPECT_EQ(0, host.Changes());
}

TEST(TraceList, AddActivateDelete) {
  FakeTraceHost host;
  TMeasureList& list = host.list;
  list.AddMeasurement(2, 0);
  list.AddMeasurement(4, 7);
  ASSERT_EQ(3, list.GetCount());
  EXPECT_EQ(2, list.ActiveMeasurement);
  EXPECT_TRUE(list.HasPowerTrace());
  EXPECT_TRUE(host.range->PowerMeterMode);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(i, list.GetMeasurement(i)->TraceIndex);
  EXPECT_EQ(&list, host.senders.back());

  // Deleting trace 2 makes trace 1 active; deleting trace 0 keeps 0 active (the former 1).
  list.DeleteActiveMeasurement();
  EXPECT_EQ(1, list.ActiveMeasurement);
  EXPECT_FALSE(host.range->PowerMeterMode);
  list.AddMeasurement(6, 0);
  list.SetActive(0);
  TMeasurement* second = list.GetMeasurement(1);
  list.DeleteActiveMeasurement();
  EXPECT_EQ(0, list.ActiveMeasurement);
  EXPECT_EQ(second, list.GetActive());
  for (int i = 0; i < list.GetCount(); ++i) EXPECT_EQ(i, list.GetMeasurement(i)->TraceIndex);

  // At most four; never the last one.
  while (list.GetCount() < 4) list.AddMeasurement(0, 16);
  list.AddMeasurement(0, 16);
  EXPECT_EQ(4, list.GetCount());
  while (list.GetCount() > 1) list.DeleteActiveMeasurement();
  list.DeleteActiveMeasurement();
  EXPECT_EQ(1, list.GetCount());

  host.ResetCounts();
  list.SetActive(0);
  list.SetActive(7);
  EXPECT_EQ(0, host.Changes());
}

TEST(TraceList, ResetGivesOneReturnLossTraceWithCouplingsOff) {
  FakeTraceHost host;
  host.list.AddMeasurement(2, 0);
  host.list.SetMarkerCouple(true);
  host.list.SetFunctionDomainCouple(true);
  host.list.Reset();
  ASSERT_EQ(1, host.list.GetCount());
  EXPECT_EQ(16, host.Trace().TraceFormat);
  EXPECT_EQ(0, host.Trace().MeasMode);
  EXPECT_FALSE(host.list.MarkerCouple);
  EXPECT_FALSE(host.list.FunctionDomainCouple);
  EXPECT_EQ(0, host.list.ActiveMeasurement);
}

TEST(TraceList, DistanceToFaultTraceMakesTheSweepLinearOnceListed) {
  FakeTraceHost host;
  host.range->SetSweepType(1);
  host.ResetCounts();
  int tracesSeen = 0;
  host.onChanged = [&](TFObject*) { tracesSeen = host.list.GetCount(); };
  host.range->OnChange = [&](TFObject*) {
    // The window resizes every trace; the new one must be whole and listed by now.
    ASSERT_EQ(2, host.list.GetCount());
    for (int i = 0; i < host.list.GetCount(); ++i) host.list.GetMeasurement(i)->ResizeToChannel();
  };
  host.list.AddMeasurement(0, 18);
  EXPECT_EQ(0, host.range->SweepMode);
  EXPECT_EQ(18, host.list.GetMeasurement(1)->TraceFormat);
  EXPECT_EQ(2, tracesSeen);
}

TEST(TraceList, MarkerCoupleOffDropsHorizontalAlignment) {
  FakeTraceHost host;
  host.list.SetMarkerCouple(true);
  host.markerAlign = 1;
  host.list.SetMarkerCouple(false);
  EXPECT_EQ(2, host.markerAlign);
  host.markerAlign = 0;
  host.list.SetMarkerCouple(true);
  host.list.SetMarkerCouple(false);
  EXPECT_EQ(0, host.markerAlign);
}

TEST(TraceList, DeleteInHoldModeRestartsOnlyARunningSweep) {
  FakeTraceHost host;
  TScanner& scanner = host.scanner.GetScanner();
  scanner.ScanList.push_back(TScanItem{host.range, {}});
  host.scanner.TriggerSource = TScannerModule::SourceBus;
  host.scanner.TriggerMode = TScannerModule::Hold;
  host.list.AddMeasurement(0, 16);
  host.list.AddMeasurement(0, 16);

  // Held: nothing runs, and nothing is started.
  ASSERT_EQ(TScanner::STOP, scanner.GetState());
  host.list.DeleteActiveMeasurement();
  EXPECT_EQ(2, host.list.GetCount());
  EXPECT_EQ(TScanner::STOP, scanner.GetState());

  // Running: stopped around the deletion; the start after it is refused here only because the
  // scanner is not connected (standby).
  std::vector<int> states;
  scanner.SetState(TScanner::WAIT);
  scanner.OnChange = [&](TFObject*, int) { states.push_back(scanner.GetState()); };
  host.list.DeleteActiveMeasurement();
  EXPECT_EQ(1, host.list.GetCount());
  EXPECT_EQ((std::vector<int>{TScanner::STOP}), states);
  scanner.OnChange = nullptr;
  scanner.ScanList.clear();
}

TEST(TraceList, FunctionDomainCoupleTakesTheActiveDomainSilently) {
  FakeTraceHost host;
  host.list.AddMeasurement(0, 16);
  TMeasurement& active = *host.list.GetActive();
  active.FunctionStart = 200;
  active.FunctionStop = 300;
  active.FunctionDomainOn = true;
  host.ResetCounts();
  host.list.SetFunctionDomainCouple(true);
  EXPECT_EQ(0, host.Changes());
  EXPECT_EQ(0, host.redraws);
  const TMeasurement& other = host.Trace(0);
  EXPECT_DOUBLE_EQ(200, other.FunctionStart);
  EXPECT_DOUBLE_EQ(300, other.FunctionStop);
  EXPECT_TRUE(other.FunctionDomainOn);
}

TEST(TraceList, TransformWindowChoiceOfTheChannelWindow) {
  FakeTraceHost host;
  const struct {
    double beta;
    int want;
  } cases[] = {{0, 0}, {0.0009, 0}, {0.002, 3}, {6, 1}, {5.9995, 1}, {13, 2}, {12.5, 3}};
  for (const auto& c : cases) {
    host.timeDomain.Beta = c.beta;
    EXPECT_EQ(c.want, GetChannelTransformWindow(host.Trace())) << c.beta;
  }
}
