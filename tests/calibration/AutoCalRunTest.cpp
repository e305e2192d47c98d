// The automatic calibration with the module on a connected emulator, its sweeps answered by a
// wait box that fills the run's channel from the module's state through seeded error terms: the
// orientation finds the port, the standards solve back to the seeded terms, and every way a run
// can fail leaves the user's calibration, kit, closures and channels as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

#include "../instrument/ScannerSupport.h"
#include "calibration/CalKit.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ECal.h"
#include "calibration/EmulatorRunSupport.h"
#include "calibration/KitTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "calibration/RunTestSupport.h"
#include "instrument/DemoPort.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/CalRange.h"
#include "model/EAbort.h"
#include "model/EcalFlash.h"
#include "model/Range.h"

namespace {

// A module of plausible standards: port B a little unlike port A.
ecal::TImageSpec ModuleSpec(int model) {
  const uint32_t n = 41;
  ecal::TImageSpec spec;
  spec.Serial = "RUN00001";
  spec.Model = static_cast<uint16_t>(model);
  spec.Present[0] = true;
  ecal::TCharacterizationImage& c = spec.Characterizations[0];
  c.Descriptor = ecal::ClearedDescriptor();
  c.Descriptor.FirstFrequency = 50e6;
  c.Descriptor.LastFrequency = 2050e6;
  c.Descriptor.Points = n;
  c.Descriptor.Temperature = 25.0;
  for (int s = 0; s < ecal::kSlotCount; ++s) {
    const double b = s % 2 ? 0.01 : 0.0;
    std::vector<TComplex> v;
    for (uint32_t i = 0; i < n; ++i) {
      const double x = static_cast<double>(i) / (n - 1);
      TComplex g;
      switch (s) {
        case 0: case 1: g = Polar(0.98 - b, std::numbers::pi - 1.2 * x - b); break;
        case 2: case 3: g = Polar(0.97 - b, -0.9 * x + b); break;
        case 4: case 5: g = Polar(0.02 + b, 0.5 + 2 * x); break;
        case 14: case 15: g = Polar(0.3 + b, -1.0 - x); break;
        case 16: case 17: g = Polar(0.8 - b, 1.5 - 1.1 * x); break;
        default: g = Polar(0.1 + 0.02 * s, 0.2 * s - x); break;
      }
      v.push_back(g);
    }
    c.Blocks[static_cast<size_t>(s)] = ecal::EncodeBlock(v);
  }
  return spec;
}

TDemoPort::TTerms Seeded(double f) {
  return {Polar(0.04, 0.3 + f / 700), Polar(0.12, 1.0 - f / 900), Polar(0.85, -f / 300)};
}

TComplex Measured(const TDemoPort::TTerms& t, const TComplex& g) {
  return t.Ed + t.Er * g / (TComplex{1, 0} - t.Es * g);
}

// Fills the run's channel from what the module's port shows in its state.
class ModuleSweepBox : public ISweepWaitBox {
 public:
  bool Run(const std::string& caption) override {
    Captions.push_back(caption);
    ++Runs;
    if (Inside) Inside();
    if (CancelAt == Runs) return false;
    TRange* channel = runtest::TemporaryChannel(*::ScannerModule, User);
    if (!channel) return false;
    const int state = Module->GetSwitchState();
    States.push_back(state);
    for (int i = 0; i < channel->GetCount(); ++i) {
      TFPoint* p = channel->GetPoint(i);
      TComplex m;
      if (Levels) {
        m = {std::pow(10.0, Levels(state) / 20), 0};
      } else {
        const TComplex g =
            TDemoPort::ModuleGamma(*Data, state, Port, p->Frequency, Module->GetTemperature());
        m = Measured(Seeded(p->Frequency), g);
      }
      if (PoisonAt == Runs && i == 3) m = {std::numeric_limits<double>::quiet_NaN(), 0};
      p->RawLevel[0] = m;
      p->Data[0] = m;
    }
    return true;
  }

  const TEmulatedEcal* Module = nullptr;
  std::shared_ptr<const TDemoPort::TModuleData> Data;
  TRange* User = nullptr;
  int Port = 0;
  int CancelAt = -1;
  int PoisonAt = -1;
  std::function<double(int state)> Levels;  // dB by state, instead of the module's values
  std::function<void()> Inside;
  std::vector<std::string> Captions;
  std::vector<int> States;
  int Runs = 0;
};

class AutoCalRun : public runtest::EmulatorRunTest {
 protected:
  AutoCalRun() : EmulatorRunTest(4) {}
  void SetUp() override {
    EmulatorRunTest::SetUp();
    emulator.SetNoiseSeed(5);
    InstallModules(/*calibrator=*/true);
    UseChannel(runtest::NewUserChannel(scanner, 31), box);
    CountSweepsDone();
    ConnectEmulator();
  }
  void TearDown() override {
    ecalObject.reset();
    emulator.AttachEcal(nullptr);
    EmulatorRunTest::TearDown();
  }

  TECal& Plug(int model) {
    emulator.AttachEcal(nullptr);
    ecalObject.reset();
    ecalModule = std::make_unique<TEmulatedEcal>(ecal::WriteImage(ModuleSpec(model)));
    ecalObject = std::make_unique<TECal>();
    emulator.AttachEcal(ecalModule.get());
    fake.ui.runPending();
    box.Module = ecalModule.get();
    box.Data = TDemoPort::TModuleData::FromImage(ecalModule->GetImage());
    box.User = user;
    waitsBefore = fake.waiter.GetRequests().size();
    return *ecalObject;
  }

  // A user calibration in force before the run, to be found again after a failed one.
  void SeedUserCalibration() {
    userCal.Terms = new TCalRange(cmF1, 0, std::vector<double>{100, 200, 300});
    userCal.Terms->SetErrorTermA(0, 1, {0.5, 0.25});
    userCal.Method[0] = cmF1;
    userCal.KitLabel = "before";
    userCal.Frequencies = {100, 200, 300};
    userCal.Selected[ckShort][0] = true;
  }
  void ExpectUserCalibrationAsSeeded() {
    ASSERT_NE(userCal.Terms, nullptr);
    EXPECT_EQ(userCal.Terms->GetCount(), 3);
    EXPECT_EQ(userCal.Terms->GetErrorTermA(0, 1), (TComplex{0.5, 0.25}));
    EXPECT_EQ(userCal.Method[0], cmF1);
    EXPECT_EQ(userCal.KitLabel, "before");
    EXPECT_TRUE(userCal.Selected[ckShort][0]);
    EXPECT_FALSE(userCal.Selected[ckOpen][0]);
    EXPECT_FALSE(userCal.ModuleStandards);
  }
  void ExpectRestored(int kit) {
    ExpectChannelsRestored();
    EXPECT_EQ(kits.GetKits().GetSelectedIndex(), kit);
    EXPECT_FALSE(scanner.Attenuator20dB);
    EXPECT_FALSE(ecalObject->IsBusy());
    EXPECT_EQ(module.ModuleOperationDepth, 0);
    ExpectSweepDoneClosureBack();
  }
  // The waits since the module was plugged in, without the scanner's own (3000 ms after a start).
  std::vector<int64_t> ModuleWaits() const {
    std::vector<int64_t> out;
    const std::vector<int64_t>& all = fake.waiter.GetRequests();
    for (size_t i = waitsBefore; i < all.size(); ++i) {
      if (all[i] != 3000) out.push_back(all[i]);
    }
    return out;
  }
  void ExpectSeededTerms() {
    ASSERT_NE(userCal.Terms, nullptr);
    ASSERT_EQ(userCal.Terms->GetCount(), 31);
    for (int i = 0; i < 31; ++i) {
      const TDemoPort::TTerms t = Seeded(userCal.Terms->GetFrequency(i));
      EXPECT_LT(Abs(userCal.Terms->GetErrorTermA(0, i) - t.Er), 1e-5) << i;
      EXPECT_LT(Abs(userCal.Terms->GetErrorTermB(0, i) - t.Ed), 1e-5) << i;
      EXPECT_LT(Abs(userCal.Terms->GetErrorTermC(0, i) - t.Es), 1e-5) << i;
    }
  }

  ModuleSweepBox box;
  std::unique_ptr<TEmulatedEcal> ecalModule;
  std::unique_ptr<TECal> ecalObject;
  size_t waitsBefore = 0;
};

TEST_F(AutoCalRun, SevenStateModuleMeasuresThreeStandards) {
  TECal& e = Plug(0);
  ASSERT_TRUE(e.IsConnected());
  ASSERT_TRUE(scanner.GetScanner().Connected);
  kits.GetKits().SelectKit(2);
  ASSERT_TRUE(e.RunAutoCal(false));
  ExpectSeededTerms();
  EXPECT_EQ(userCal.GetPortMethod(0), cmF1);
  EXPECT_EQ(box.States, std::vector<int>({0, 4, 5, 0, 1, 2}));
  EXPECT_EQ(box.Captions.front(), "Auto-Orientation");
  EXPECT_EQ(box.Captions.back(), "Calibration");
  EXPECT_EQ(ModuleWaits(), std::vector<int64_t>({100, 100, 100, 500, 500, 500}));
  EXPECT_EQ(e.PortMap[0], 0);
  EXPECT_EQ(e.SwitchState, 2);
  EXPECT_TRUE(kits.GetKits().GetHasTemporaryKit());
  ExpectRestored(2);
}

TEST_F(AutoCalRun, NineStateModuleUsesFiveStandardsAndTheWeightedFit) {
  TECal& e = Plug(1);
  e.SetAutoOrientation(false);
  ASSERT_TRUE(e.RunAutoCal(false));
  ExpectSeededTerms();
  EXPECT_EQ(box.States, std::vector<int>({0, 1, 2, 7, 8}));
  EXPECT_EQ(ModuleWaits(), std::vector<int64_t>({2000, 2000, 2000, 2000, 2000}));
  EXPECT_FALSE(userCal.ModuleStandards) << "set around the calculation only";
  ExpectRestored(0);
}

TEST_F(AutoCalRun, PortBGivesTheBSideData) {
  TECal& e = Plug(1);
  box.Port = 1;
  ASSERT_TRUE(e.RunAutoCal(false));
  EXPECT_EQ(e.PortMap[0], 1);
  EXPECT_EQ(e.PortMap[1], 1);
  const TCalKit& kit = *kits.GetKits().GetItem(kits.GetKits().GetCount() - 1);
  EXPECT_EQ(kit.GetStandard(0)->ModuleData.S11, e.Data[1]);
  EXPECT_FALSE(kit.GetStandard(3)->GetUseModuleData()) << "no Thru data on (1, 1)";
  ExpectSeededTerms();
}

TEST_F(AutoCalRun, OrientationDecisions) {
  struct Case {
    double a, b;  // change of the reading in states 4 and 5, dB
    bool ok;
    int port;
  };
  const Case cases[] = {{0.0, 10.0, true, 1},  {10.0, 0.1, true, 0},  {10.0, 10.0, false, -1},
                        {3.0, 0.0, false, -1}, {0.0, 3.0, false, -1}, {0.0, 0.0, false, -1},
                        {0.2, 6.5, true, 1},   {5.9, 20, false, -1}};
  TECal& e = Plug(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
    e.SetPortMap(0, 1 - std::max(c.port, 0));  // the other port, so a change shows
    const int mapBefore = e.PortMap[0];
    box.Levels = [&](int state) { return state == 4 ? -20 - c.a : state == 5 ? -20 + c.b : -20.0; };
    EXPECT_EQ(e.AutoOrient(), c.ok);
    EXPECT_EQ(e.PortMap[0], c.ok ? c.port : mapBefore);
    EXPECT_EQ(e.SwitchState, 0) << "the starting state comes back";
    EXPECT_EQ(nullptr, runtest::TemporaryChannel(scanner, user));
    EXPECT_FALSE(scanner.Attenuator20dB);
  }
}

TEST_F(AutoCalRun, CancelKeepsEverything) {
  for (int cancelAt : {1, 2, 4, 6}) {
    SCOPED_TRACE(cancelAt);
    TECal& e = Plug(0);
    SeedUserCalibration();
    kits.GetKits().SelectKit(1);
    box.Runs = 0;
    box.CancelAt = cancelAt;
    EXPECT_FALSE(e.RunAutoCal(false));
    ExpectUserCalibrationAsSeeded();
    ExpectRestored(1);
    userCal.Clear();
  }
}

TEST_F(AutoCalRun, NonFiniteSolveKeepsEverything) {
  TECal& e = Plug(0);
  SeedUserCalibration();
  e.SetAutoOrientation(false);
  box.PoisonAt = 2;
  EXPECT_FALSE(e.RunAutoCal(false));
  ExpectUserCalibrationAsSeeded();
  ExpectRestored(0);
}

TEST_F(AutoCalRun, ThrowingSetStateAndUnplugKeepEverything) {
  TECal& e = Plug(1);
  SeedUserCalibration();
  e.SetAutoOrientation(false);
  // The second switch request fails: "Execution error" leaves the run.
  ecalModule->SetFaultRequest(5);
  ecalModule->SetFault(ecalModule->GetRequestCount(5) + 1, TEmulatedEcal::TFaultKind::Fail);
  int fails = 0;
  int steps = 0;
  for (int round = 0; round < 2; ++round) {
    try {
      e.RunAutoCal(false);
    } catch (const EAbort& error) {
      EXPECT_EQ(error.HelpContext, 200);
      ++fails;
    }
    ExpectUserCalibrationAsSeeded();
    ExpectRestored(0);
    // Then unplugged in the middle of a settling wait.
    ecalModule->SetFault(-1, TEmulatedEcal::TFaultKind::None);
    fake.waiter.OnStep = [&] {
      if (++steps == 250) ecalModule->Unplug();
    };
  }
  fake.waiter.OnStep = nullptr;
  EXPECT_GE(fails, 1);
  fake.ui.runPending();
  EXPECT_FALSE(e.IsConnected()) << "the held notice ran when the run ended";
  EXPECT_FALSE(kits.GetKits().GetHasTemporaryKit());
  EXPECT_FALSE(e.RunAutoCal(false)) << "no module, no run";
}

// An unplug in every wait and in every sweep of a run: false or "Execution error", and
// everything as before.
TEST_F(AutoCalRun, UnplugAnywhereKeepsEverything) {
  struct Case {
    int step;   // waiter step (10 ms) at which the module goes, or -1
    int sweep;  // sweep during which it goes, or -1
  };
  const Case cases[] = {{5, -1}, {15, -1}, {25, -1}, {40, -1}, {90, -1}, {140, -1},
                        {-1, 1}, {-1, 2}, {-1, 3}, {-1, 4}, {-1, 5}, {-1, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.step << " " << c.sweep);
    TECal& e = Plug(0);
    SeedUserCalibration();
    kits.GetKits().SelectKit(1);
    int steps = 0;
    fake.waiter.OnStep = [&] {
      if (++steps == c.step) ecalModule->Unplug();
    };
    box.Runs = 0;
    box.Inside = [&] {
      if (box.Runs == c.sweep) ecalModule->Unplug();
    };
    bool ok = true;
    try {
      ok = e.RunAutoCal(false);
    } catch (const EAbort& error) {
      EXPECT_EQ(error.HelpContext, 200);
      ok = false;
    }
    fake.waiter.OnStep = nullptr;
    box.Inside = nullptr;
    fake.ui.runPending();
    EXPECT_FALSE(e.IsConnected());
    if (ok) {
      // Gone in the last wait or sweep, with no request left to notice: the calibration stands.
      EXPECT_TRUE(c.sweep == 6 || c.step > 130);
    } else {
      ExpectUserCalibrationAsSeeded();
    }
    ExpectRestored(1);
    EXPECT_FALSE(kits.GetKits().GetHasTemporaryKit());
    userCal.Clear();
  }
}

TEST_F(AutoCalRun, NestedRunIsRefused) {
  TECal& e = Plug(0);
  e.SetAutoOrientation(false);
  int refused = 0;
  box.Inside = [&] {
    try {
      e.RunAutoCal(false);
    } catch (const EAbort& error) {
      if (error.HelpContext == 200) ++refused;
    }
    try {
      e.SetState(1);
    } catch (const EAbort& error) {
      if (error.HelpContext == 200) ++refused;
    }
  };
  EXPECT_TRUE(e.RunAutoCal(false));
  EXPECT_EQ(refused, 6);
  ExpectSeededTerms();
}

TEST_F(AutoCalRun, SystemRunKeepsWhatWasStored) {
  TECal& e = Plug(0);
  e.SetAutoOrientation(false);
  box.CancelAt = 3;
  EXPECT_FALSE(e.RunAutoCal(true));
  TCalibr& system = module.GetSystemCalibr();
  EXPECT_TRUE(system.IsStandardSelected(ckShort, 0));
  EXPECT_TRUE(system.IsStandardSelected(ckOpen, 0));
  EXPECT_FALSE(system.IsStandardSelected(ckLoad, 0));
  EXPECT_EQ(userCal.Terms, nullptr);
}

}  // namespace
