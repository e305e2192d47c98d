// Calibration runs on the emulator: the wait box sweeps the notifying channels through the
// sweep-control module and pumps the user-interface queue until that sweep ends, as the main
// window does. Open, Short and Load on a user channel then solve to finite terms; losing the
// device mid-sweep stores nothing and restores the channels and the end-of-sweep closure; the
// system sweep of either model covers its grid at its IF bandwidth, uncorrected.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../instrument/ScannerSupport.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/EmulatorRunSupport.h"
#include "calibration/KitTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "calibration/RunTestSupport.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"

namespace {

// Starts the sweep from entry 0 and pumps the queue until the module reports its end or the
// link is gone. With LoseAtStart the link is dropped right after the sweep starts.
class PumpingWaitBox : public ISweepWaitBox {
 public:
  PumpingWaitBox(TScannerModule& module, platform::ManualUiDispatcher& ui) : Module(module), Ui(ui) {}
  bool Run(const std::string&) override {
    ++Runs;
    bool done = false;
    Module.OnSweepDone = [&](TFObject*) { done = true; };
    Module.StartSweep(0);
    // Losing the link right after the start is the one moment that does not depend on how
    // the replies happen to be batched.
    if (LoseAtStart && Module.GetScanner().Connected) {
      Lost = true;
      Module.GetScanner().Disconnect();
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && Module.GetScanner().Connected && std::chrono::steady_clock::now() < end) {
      Ui.runPending();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    Module.OnSweepDone = nullptr;
    if (done && AtSweepEnd) AtSweepEnd();
    return done && Module.GetScanner().Connected;
  }

  TScannerModule& Module;
  platform::ManualUiDispatcher& Ui;
  bool LoseAtStart = false;
  // Called when the run's sweep has ended, before the run restores the channels.
  std::function<void()> AtSweepEnd;
  bool Lost = false;
  int Runs = 0;
};

// The emulator of a model row, connected, with a 31-point user channel from 100 to 1100 MHz.
// The calibration module stays the test's own: the program's is not replaced.
class EmulatorRun : public runtest::EmulatorRunTest {
 protected:
  explicit EmulatorRun(int row) : EmulatorRunTest(row) {}
  void SetUp() override {
    EmulatorRunTest::SetUp();
    emulator.SetNoiseSeed(5);
    InstallModules(/*calibrator=*/false);
    UseChannel(runtest::NewUserChannel(scanner, 31), box);
    CountSweepsDone();
    ConnectEmulator();
  }

  TRange* Temporary() const { return runtest::TemporaryChannel(scanner, user); }
  void ExpectRestored() {
    ExpectChannelsRestored();
    EXPECT_FALSE(module.SystemCorrectionOff);
    ExpectSweepDoneClosureBack();
  }

  PumpingWaitBox box{scanner, fake.ui};
};

class CalibrationRunEmulator : public EmulatorRun {
 protected:
  CalibrationRunEmulator() : EmulatorRun(4) {}
};

TEST_F(CalibrationRunEmulator, OpenShortLoadThenF1GiveFiniteTermsAtEveryPoint) {
  ASSERT_TRUE(scanner.GetScanner().Connected);
  const int r = services.device.GetReflectionIndex();
  for (int kind : {ckOpen, ckShort, ckLoad}) {
    module.Calibrate(kind, -1, false);
    ASSERT_TRUE(userCal.HasStandard(kind, r)) << kind;
    EXPECT_EQ(31u, userCal.Standards[kind][r].size());
  }
  EXPECT_EQ(3, box.Runs);
  ExpectRestored();

  userCal.Calculate(r, -1, cmF1);
  ASSERT_NE(nullptr, userCal.Terms);
  ASSERT_EQ(31, userCal.Terms->GetCount());
  for (int i = 0; i < userCal.Terms->GetCount(); ++i) {
    for (const TComplex& term : {userCal.Terms->GetErrorTermA(0, i), userCal.Terms->GetErrorTermB(0, i),
                                 userCal.Terms->GetErrorTermC(0, i)}) {
      EXPECT_TRUE(std::isfinite(term.Re) && std::isfinite(term.Im)) << "point " << i;
    }
  }
}

// The link dropped during the run's sweep: the standard is not stored, the calibration in force and its
// selection stay, and the channels and the closure come back.
TEST_F(CalibrationRunEmulator, DeviceLossMidSweepRestoresEverything) {
  const int r = services.device.GetReflectionIndex();
  for (int kind : {ckOpen, ckShort, ckLoad}) module.Calibrate(kind, -1, false);
  userCal.Calculate(r, -1, cmF1);
  ASSERT_NE(nullptr, userCal.Terms);
  const int method = userCal.GetPortMethod(r);
  const TComplex er = userCal.Terms->GetErrorTermA(0, 3);
  const std::vector<SxData> load = userCal.Standards[ckLoad][r];
  userCal.SetStandardSelected(ckOpen, r, false);
  userCal.SetStandardSelected(ckShort, r, true);
  const std::string dataTime = userCal.DataTime;

  box.LoseAtStart = true;
  module.Calibrate(ckLoad, -1, false);
  EXPECT_TRUE(box.Lost);
  EXPECT_FALSE(scanner.GetScanner().Connected);
  ASSERT_TRUE(userCal.HasStandard(ckLoad, r));
  ASSERT_EQ(load.size(), userCal.Standards[ckLoad][r].size());
  for (size_t i = 0; i < load.size(); ++i) {
    EXPECT_EQ(load[i].Data0, userCal.Standards[ckLoad][r][i].Data0) << i;
  }
  EXPECT_FALSE(userCal.IsStandardSelected(ckOpen, r));
  EXPECT_TRUE(userCal.IsStandardSelected(ckShort, r));
  EXPECT_FALSE(userCal.IsStandardSelected(ckLoad, r));
  EXPECT_EQ(dataTime, userCal.DataTime);
  EXPECT_EQ(method, userCal.GetPortMethod(r));
  ASSERT_NE(nullptr, userCal.Terms);
  EXPECT_EQ(er, userCal.Terms->GetErrorTermA(0, 3));
  ExpectRestored();
}

// The system sweep on the emulator of either model: the system grid of the row, swept whole at
// the row's IF bandwidth, and stored uncorrected although a system calibration is in force (one
// that doubles every reflection reading, as a user run beforehand shows).
class CalibrationRunEmulatorSystem : public testing::WithParamInterface<int>, public EmulatorRun {
 protected:
  CalibrationRunEmulatorSystem() : EmulatorRun(GetParam()) {}
};

// |Data0| over |RawLevel0| / |RefLevel| of every stored point lies within 1e-12 of `factor`.
void ExpectReadingsScaledBy(const std::vector<SxData>& data, double factor, const std::string& what) {
  ASSERT_FALSE(data.empty()) << what;
  for (size_t i = 0; i < data.size(); ++i) {
    const double raw = Abs(data[i].RawLevel0) / Abs(data[i].RefLevel);
    EXPECT_NEAR(factor, Abs(data[i].Data0) / raw, 1e-12) << what << " point " << i;
  }
}

TEST_P(CalibrationRunEmulatorSystem, SweepsTheRowsGridUncorrected) {
  const int row = GetParam();
  const int points = row == 3 ? 893 : 848;
  const int bandwidth = row == 3 ? 300 : 100;
  ASSERT_TRUE(scanner.GetScanner().Connected);
  ASSERT_EQ(points, TSystemCalGrid::PointCount(row));
  TScopedServices scope;
  scope->CalibratorModule = &module;
  // Er 0.5, Ed and Es 0 at every frequency: the correction doubles the reflection reading.
  auto* terms = new TCalRange(cmF1, 0, std::vector<double>{1000.0});
  terms->SetErrorTermA(0, 0, {0.5, 0.0});
  module.GetSystemCal().Terms = terms;

  const int r = services.device.GetReflectionIndex();
  int sweptBandwidth = 0;
  box.AtSweepEnd = [&] { sweptBandwidth = emulator.GetIFBandwidth(); };
  module.Calibrate(ckShort, -1, false);
  ExpectReadingsScaledBy(userCal.Standards[ckShort][r], 2.0, "user run, corrected");
  EXPECT_NE(bandwidth, sweptBandwidth);

  module.Calibrate(ckShort, -1, true);
  TCalibr& system = module.GetSystemCal();
  ASSERT_TRUE(system.HasStandard(ckShort, r));
  ASSERT_EQ(static_cast<size_t>(points), system.Standards[ckShort][r].size());
  ASSERT_EQ(static_cast<size_t>(points), system.Frequencies.size());
  // From the device minimum to its maximum, the grid in between.
  EXPECT_DOUBLE_EQ(user->GetDeviceMinFrequency(), system.Frequencies.front());
  EXPECT_DOUBLE_EQ(user->GetDeviceMaxFrequency(), system.Frequencies.back());
  for (int i = 1; i + 1 < points; ++i) {
    EXPECT_DOUBLE_EQ(TSystemCalGrid::Frequency(row, i), system.Frequencies[static_cast<size_t>(i)]) << i;
  }
  EXPECT_EQ(bandwidth, sweptBandwidth);
  EXPECT_EQ(3, system.Settings.SweepMode);
  EXPECT_DOUBLE_EQ(-10.0, system.Settings.OutputPower);
  ExpectReadingsScaledBy(system.Standards[ckShort][r], 1.0, "system run, uncorrected");
  // The system calibration in force is still the one that was there.
  EXPECT_EQ(terms, system.Terms);
  EXPECT_EQ(2, box.Runs);
  ExpectRestored();
}

INSTANTIATE_TEST_SUITE_P(Rows, CalibrationRunEmulatorSystem, testing::Values(3, 4),
                         [](const testing::TestParamInfo<int>& info) { return info.param == 3 ? "K12" : "K30"; });

}  // namespace
