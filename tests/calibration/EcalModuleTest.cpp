// The module object: identity, switch state, port map and the temporary kit built from a
// characterisation (per port map, temperature-corrected on request), what an unplug does to the
// kit list, and loads that fail or meet a second operation part way.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

#include "calibration/CalKit.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ECal.h"
#include "calibration/KitTestSupport.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "model/EAbort.h"
#include "model/EcalFlashSample.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/UiDispatcher.h"

namespace {

using kittest::TestFolder;

constexpr uint32_t kPoints = 9;

// Runs a closure at every block boundary of a load, as the main window's message pump would.
class HookWindow : public IMainWindowHook {
 public:
  void SetMainWindowEnabled(bool) override {}
  void ProcessPendingMessages() override {
    ++Calls;
    if (OnPump) OnPump();
  }
  std::function<void()> OnPump;
  int Calls = 0;
};

class EcalModule : public kittest::KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    previousDispatcher = platform::UiDispatcher::install(&dispatcher);
    savedKits = ::CalKitsModule;
    ::CalKitsModule = &kits;
    savedCalibrator = ::CalibratorModule;
    calibrator = std::make_unique<TCalibratorModule>(TestFolder("settings") + "/tervan.ini");
    calibrator->MainWindowHook = &hook;
    ::CalibratorModule = calibrator.get();
  }
  void TearDown() override {
    ecalObject.reset();
    emulator.AttachEcal(nullptr);
    ::CalibratorModule = savedCalibrator;
    ::CalKitsModule = savedKits;
    platform::UiDispatcher::install(previousDispatcher);
    KitTest::TearDown();
  }

  // A module from spec, attached and connected.
  TECal& Plug(const ecal::TImageSpec& spec) {
    module = std::make_unique<TEmulatedEcal>(ecal::WriteImage(spec));
    ecalObject = std::make_unique<TECal>();
    ecalObject->OnChange = [this] { ++changes; };
    emulator.AttachEcal(module.get());
    dispatcher.runPending();
    return *ecalObject;
  }
  TCalKits& List() { return kits.GetKits(); }
  TCalKit& Temporary() { return *List().GetItem(List().GetCount() - 1); }

  platform::ManualUiDispatcher dispatcher;
  platform::UiDispatcher* previousDispatcher = nullptr;
  EmulatorBackend emulator{4};
  platform::ScopedUsbBackend scoped{emulator};
  TCalKitsModule kits{TestFolder()};
  TCalKitsModule* savedKits = nullptr;
  std::unique_ptr<TCalibratorModule> calibrator;
  TCalibratorModule* savedCalibrator = nullptr;
  HookWindow hook;
  std::unique_ptr<TEmulatedEcal> module;
  std::unique_ptr<TECal> ecalObject;
  int changes = 0;
};

void ExpectSame(const std::vector<TComplex>& a, const std::vector<TComplex>& b, const char* what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].Re, b[i].Re) << what << " " << i;
    EXPECT_EQ(a[i].Im, b[i].Im) << what << " " << i;
  }
}

TEST_F(EcalModule, IdentityFollowsTheConnection) {
  TECal& e = Plug(ecal::SampleSpec(1, kPoints, 0));
  EXPECT_TRUE(e.IsConnected());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(e.GetModelName(), "QM2290");
  EXPECT_EQ(e.GetSerial(), "TEST0042");
  // Connecting sent the stored state, then request 7.
  EXPECT_EQ(module->GetSwitchCodes(), std::vector<uint16_t>({0x0009}));
  module->Unplug();
  dispatcher.runPending();
  EXPECT_FALSE(e.IsConnected());
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(e.GetModelName(), "");
  EXPECT_EQ(e.GetSerial(), "00000000");
}

TEST_F(EcalModule, SerialWithABlankKeepsTheModel) {
  ecal::TImageSpec spec = ecal::SampleSpec(1, kPoints, 0);
  spec.Serial = "DEMO 001";
  TECal& e = Plug(spec);
  EXPECT_EQ(e.GetSerial(), "00000000");
  EXPECT_EQ(e.GetModelName(), "QM2290");
}

TEST_F(EcalModule, SettersClampAndFireOnChange) {
  TECal& e = Plug(ecal::SampleSpec(0, kPoints, 0));
  const int before = changes;
  e.SetState(7);
  EXPECT_EQ(e.SwitchState, 6) << "model 0 has states 0..6";
  EXPECT_EQ(module->GetSwitchCodes().back(), 0x0080);
  e.SetState(-1);
  EXPECT_EQ(e.SwitchState, 0);
  e.SetState(0);  // unchanged: nothing sent, nothing fired
  EXPECT_EQ(module->GetSwitchCodes().size(), 3u);
  e.SetPortMap(0, 5);
  EXPECT_EQ(e.GetPortMap(0), 1);
  EXPECT_THROW(e.GetPortMap(2), EAbort);
  EXPECT_THROW(e.SetPortMap(-1, 0), EAbort);
  e.SetCharacterization(9);
  EXPECT_EQ(e.Characterization, 3);
  e.SetAutoOrientation(false);
  e.SetThermoCompensation(true);
  e.SetThermoCompensation(true);
  EXPECT_EQ(changes - before, 6);
  EXPECT_EQ(TECal::GetConnectorName(12), "APC-7");
  EXPECT_THROW(TECal::GetConnectorName(13), EAbort);
  EXPECT_THROW(TECal::GetConnectorName(-1), EAbort);
  kittest::MarkingTranslation marking;
  TScopedServices services;
  services->LangModule = &marking;
  EXPECT_EQ(TECal::GetCharacterizationName(2), "<User>2");
  EXPECT_EQ(TECal::GetCharacterizationName(0), "<Factory>");
  // A module that does not take the state: "Execution error", the state stays.
  module->SetFault(module->GetRequestCount(), TEmulatedEcal::TFaultKind::Fail);
  try {
    e.SetState(3);
    ADD_FAILURE() << "no exception";
  } catch (const EAbort& error) {
    EXPECT_EQ(error.HelpContext, 200);
  }
  EXPECT_EQ(e.SwitchState, 0);
}

// Each port map fills the temporary kit from its slots; the Thru's four parameters with four
// distinct values.
TEST_F(EcalModule, PortMapTable) {
  struct Case {
    int map0, map1;
    int shortSlot, openSlot, loadSlot, open2Slot, load2Slot;
    int thru[4];  // S11, S21, S12, S22; -1 none
  };
  const Case cases[] = {{0, 1, 0, 2, 4, 16, 14, {8, 6, 7, 9}},
                        {1, 0, 1, 3, 5, 17, 15, {9, 7, 6, 8}},
                        {0, 0, 0, 2, 4, 16, 14, {-1, -1, -1, -1}},
                        {1, 1, 1, 3, 5, 17, 15, {-1, -1, -1, -1}}};
  TECal& e = Plug(ecal::SampleSpec(1, kPoints, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.map0 << "," << c.map1);
    // A fresh temporary kit for each map.
    module->Unplug();
    dispatcher.runPending();
    module->Replug();
    dispatcher.runPending();
    ASSERT_FALSE(List().GetHasTemporaryKit());
    e.SetPortMap(0, c.map0);
    e.SetPortMap(1, c.map1);
    ASSERT_TRUE(e.LoadCharacterization());
    TCalKit& kit = Temporary();
    EXPECT_EQ(kit.Name, "QM2290 NoTEST0042");
    EXPECT_EQ(List().GetSelectedIndex(), List().GetCount() - 1);
    const std::pair<int, int> one[] = {{0, c.shortSlot}, {1, c.openSlot}, {2, c.loadSlot}, {4, c.open2Slot},
                                       {5, c.load2Slot}};
    for (auto [standard, slot] : one) {
      const TCalStd& s = *kit.GetStandard(standard);
      EXPECT_TRUE(s.GetUseModuleData()) << standard;
      ExpectSame(s.ModuleData.S11, e.Data[static_cast<size_t>(slot)], "one-port");
      EXPECT_EQ(s.ModuleData.GetFrequency(0), 100.0);
      EXPECT_EQ(s.ModuleData.GetFrequency(kPoints - 1), 8000.0);
    }
    const TCalStd& thru = *kit.GetStandard(3);
    if (c.thru[0] < 0) {
      EXPECT_FALSE(thru.GetUseModuleData());
      EXPECT_EQ(thru.ModuleData.GetCount(), 0);
    } else {
      EXPECT_TRUE(thru.GetUseModuleData());
      ExpectSame(thru.ModuleData.S11, e.Data[static_cast<size_t>(c.thru[0])], "S11");
      ExpectSame(thru.ModuleData.S21, e.Data[static_cast<size_t>(c.thru[1])], "S21");
      ExpectSame(thru.ModuleData.S12, e.Data[static_cast<size_t>(c.thru[2])], "S12");
      ExpectSame(thru.ModuleData.S22, e.Data[static_cast<size_t>(c.thru[3])], "S22");
    }
  }
}

TEST_F(EcalModule, ModelZeroFillsNoSecondStandards) {
  TECal& e = Plug(ecal::SampleSpec(0, kPoints, 0));
  ASSERT_TRUE(e.LoadCharacterization());
  EXPECT_EQ(Temporary().Name, "QM2270 NoTEST0042");
  EXPECT_FALSE(Temporary().GetStandard(4)->GetUseModuleData());
  EXPECT_FALSE(Temporary().GetStandard(5)->GetUseModuleData());
  EXPECT_TRUE(e.Data[14].empty());
  EXPECT_EQ(hook.Calls, 14) << "messages run before every block";
}

TEST_F(EcalModule, NoPointsLoadWithoutModuleData) {
  TECal& e = Plug(ecal::SampleSpec(1, 0, 0));
  ASSERT_TRUE(e.LoadCharacterization());
  for (int s : {0, 1, 2, 4, 5}) {
    EXPECT_FALSE(Temporary().GetStandard(s)->GetUseModuleData()) << s;
    EXPECT_EQ(Temporary().GetStandard(s)->ModuleData.GetCount(), 0);
  }
}

TEST_F(EcalModule, SecondLoadReusesTheKit) {
  ecal::TImageSpec spec = ecal::SampleSpec(1, kPoints, 0);
  const ecal::TImageSpec other = ecal::SampleSpec(1, kPoints, 3);
  spec.Present[2] = true;
  spec.Characterizations[2] = other.Characterizations[0];
  TECal& e = Plug(spec);
  List().SelectKit(3);
  ASSERT_TRUE(e.LoadCharacterization());
  const int count = List().GetCount();
  const std::vector<TComplex> first = Temporary().GetStandard(0)->ModuleData.S11;
  // While the temporary kit is selected, the user's kit stays the one to go back to.
  e.SetCharacterization(2);
  ASSERT_TRUE(e.LoadCharacterization());
  EXPECT_EQ(List().GetCount(), count);
  EXPECT_EQ(Temporary().Name, "QM2290 NoTEST0042");
  EXPECT_NE(Temporary().GetStandard(0)->ModuleData.S11[0].Re, first[0].Re);
  ExpectSame(Temporary().GetStandard(0)->ModuleData.S11, e.Data[0], "second load");
  EXPECT_EQ(e.SavedKit, 3);
  // An unplug removes the temporary kit and selects the user's kit again.
  module->Unplug();
  dispatcher.runPending();
  EXPECT_FALSE(List().GetHasTemporaryKit());
  EXPECT_EQ(List().GetCount(), count - 1);
  EXPECT_EQ(List().GetSelectedIndex(), 3);
  EXPECT_FALSE(e.KitReplaced);
}

TEST_F(EcalModule, ThermalCorrectionMovesByTheTables) {
  const ecal::TImageSpec spec = ecal::SampleSpec(1, kPoints, 0);
  TECal& e = Plug(spec);
  module->SetTemperature(35.5);  // bytes 0x80, 0x23; the descriptor says 25.0
  ASSERT_TRUE(e.LoadCharacterization());
  const TFixtParam cold = Temporary().GetStandard(0)->ModuleData;
  const TFixtParam thruCold = Temporary().GetStandard(3)->ModuleData;
  e.SetThermoCompensation(true);
  ASSERT_TRUE(e.LoadCharacterization());
  const TFixtParam& hot = Temporary().GetStandard(0)->ModuleData;
  const TFixtParam& thruHot = Temporary().GetStandard(3)->ModuleData;
  std::vector<std::vector<double>> tables;
  for (const auto& t : spec.ThermalTables) tables.push_back(ecal::DecodeThermal(t));
  for (int i = 0; i < static_cast<int>(kPoints); ++i) {
    const double f = hot.GetFrequency(i);
    const double tm = InterpolateTable(tables[0], f, 9000.0, 10.0);
    const double tp = InterpolateTable(tables[1], f, 9000.0, 10.0);
    EXPECT_NEAR(20 * std::log10(Abs(hot.GetS11(i))) - 20 * std::log10(Abs(cold.GetS11(i))), 10.5 * tm, 1e-9);
    EXPECT_NEAR(std::remainder(Arg(hot.GetS11(i)) - Arg(cold.GetS11(i)) - 10.5 * tp * std::numbers::pi / 180,
                               2 * std::numbers::pi),
                0.0, 1e-9);
    // The Thru's S21 by its own pair of tables (8 and 9).
    const double sm = InterpolateTable(tables[8], f, 9000.0, 10.0);
    EXPECT_NEAR(20 * std::log10(Abs(thruHot.GetS21(i))) - 20 * std::log10(Abs(thruCold.GetS21(i))), 10.5 * sm, 1e-9);
  }
  // Open2 (tables 14, 15) is corrected as well on model 1.
  const double f0 = hot.GetFrequency(0);
  const double o2 = InterpolateTable(tables[14], f0, 9000.0, 10.0);
  const TComplex open2 = Temporary().GetStandard(4)->ModuleData.GetS11(0);
  EXPECT_NEAR(20 * std::log10(Abs(open2)) - 20 * std::log10(Abs(e.Data[16][0])), 10.5 * o2, 1e-9);
}

TEST_F(EcalModule, BadThermalDataStillLoads) {
  ecal::TImageSpec spec = ecal::SampleSpec(1, kPoints, 0);
  spec.Thermal.Points = 0;  // k < 1: no correction, the load goes on
  spec.ThermalTables.clear();
  TECal& e = Plug(spec);
  module->SetTemperature(40.0);
  e.SetThermoCompensation(true);
  ASSERT_TRUE(e.LoadCharacterization());
  ExpectSame(Temporary().GetStandard(0)->ModuleData.S11, e.Data[0], "uncorrected");
}

// A fault at any request of a load: the load fails (or, past the blocks, the correction ends),
// nothing is read past a buffer, and before the kit is touched the kit list stays as it was.
TEST_F(EcalModule, FaultAtEveryRequestOfALoad) {
  TECal& e = Plug(ecal::SampleSpec(1, kPoints, 0));
  e.SetThermoCompensation(true);
  module->SetTemperature(30.0);
  const int start = module->GetRequestCount();
  ASSERT_TRUE(e.LoadCharacterization());
  const int total = module->GetRequestCount() - start;
  // Requests of the blocks: header 2, descriptor 2, 18 blocks of 2; then the temperature.
  const int blockRequests = 2 + 2 + 18 * 2;
  const std::array<std::vector<TComplex>, 18> good = e.Data;
  for (auto kind : {TEmulatedEcal::TFaultKind::Fail, TEmulatedEcal::TFaultKind::Short, TEmulatedEcal::TFaultKind::Long,
                    TEmulatedEcal::TFaultKind::Unplug}) {
    for (int at = 0; at < total; ++at) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(kind) << " at " << at);
      if (!module->IsPlugged()) {
        module->Replug();
        dispatcher.runPending();
      }
      // Start from the user's kit, without a temporary one.
      module->Unplug();
      dispatcher.runPending();
      module->Replug();
      dispatcher.runPending();
      ASSERT_TRUE(e.IsConnected());
      List().SelectKit(2);
      const int count = List().GetCount();
      module->SetFault(module->GetRequestCount() + at, kind);
      const bool ok = e.LoadCharacterization();
      if (at < blockRequests) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(List().GetCount(), count);
        EXPECT_EQ(List().GetSelectedIndex(), 2);
        for (size_t s = 0; s < good.size(); ++s) ExpectSame(e.Data[s], good[s], "kept");
      } else {
        EXPECT_TRUE(ok) << "the thermal correction failing does not fail the load";
      }
      dispatcher.runPending();
      if (kind == TEmulatedEcal::TFaultKind::Unplug) {
        EXPECT_FALSE(e.IsConnected());
        EXPECT_FALSE(List().GetHasTemporaryKit());
        EXPECT_EQ(List().GetSelectedIndex(), 2);
      }
      module->SetFault(-1, TEmulatedEcal::TFaultKind::None);
    }
  }
}

// A notice arriving while a load runs waits for its end; a second load or a state change from
// the window meanwhile is refused.
TEST_F(EcalModule, SecondOperationDuringALoadIsRefused) {
  TECal& e = Plug(ecal::SampleSpec(1, kPoints, 0));
  List().SelectKit(1);
  int refused = 0;
  bool unplugged = false;
  hook.OnPump = [&] {
    for (auto attempt : {std::function<void()>([&] { e.SetState(2); }),
                         std::function<void()>([&] { e.LoadCharacterization(); }),
                         std::function<void()>([&] { e.RunAutoCal(false); }),
                         std::function<void()>([&] { calibrator->Calibrate(ckShort, -1, false); })}) {
      try {
        attempt();
      } catch (const EAbort& error) {
        if (error.HelpContext == 200) ++refused;
      }
    }
    if (hook.Calls == 5 && !unplugged) {
      unplugged = true;
      module->Unplug();
      dispatcher.runPending();  // the notice arrives mid-load
      EXPECT_TRUE(e.IsConnected()) << "held until the load ends";
    }
  };
  EXPECT_FALSE(e.LoadCharacterization()) << "the next request finds the module gone";
  hook.OnPump = nullptr;
  EXPECT_GE(refused, 5 * 3) << "each pump refused the state, the load and the sweep";
  EXPECT_FALSE(e.IsConnected()) << "the held notice ran once the load ended";
  EXPECT_FALSE(List().GetHasTemporaryKit());
  EXPECT_EQ(List().GetSelectedIndex(), 1);
  EXPECT_EQ(e.SwitchState, 0);
}

}  // namespace
