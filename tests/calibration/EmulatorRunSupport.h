#pragma once
// What the tests that run a calibration on a connected emulator share: the engine's services of
// one model row, the emulator behind the fake link, the test's own kit, sweep-control and
// calibration modules installed as the program's (the previous ones put back at the end), the
// user's channel in the stand-in active window with the user calibration, and a count of the
// end-of-sweep closure the runs must hand back.
#include <gtest/gtest.h>

#include "../instrument/ScannerSupport.h"
#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ISweepWaitBox.h"
#include "calibration/KitTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "calibration/RunTestSupport.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"

namespace runtest {

class EmulatorRunTest : public kittest::KitTest {
 protected:
  explicit EmulatorRunTest(int row) : services(row, true), emulator(row) {}

  // The kit and sweep-control modules become the program's, and the calibration module too
  // with `calibrator`.
  void InstallModules(bool calibrator) {
    savedKits = ::CalKitsModule;
    ::CalKitsModule = &kits;
    savedScanner = ::ScannerModule;
    ::ScannerModule = &scanner;
    if (calibrator) {
      savedCalibrator = ::CalibratorModule;
      ::CalibratorModule = &module;
      calibratorInstalled = true;
    }
  }
  // The user's channel (deleted at the end) in the active window with the user calibration;
  // the calibration module's sweeps are answered by the box.
  void UseChannel(TRange* channel, ISweepWaitBox& box) {
    user = channel;
    window.Range = user;
    window.Calibr = &userCal;
    module.ActiveWindow = &window;
    module.WaitBox = &box;
  }
  // Connects the emulator and lets its arrival notice through.
  void ConnectEmulator() {
    scanner.GetScanner().Connect();
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    fake.ui.runPending();
  }
  void TearDown() override {
    if (scanner.GetScanner().Connected) scanner.GetScanner().Disconnect();
    delete user;
    if (calibratorInstalled) ::CalibratorModule = savedCalibrator;
    ::ScannerModule = savedScanner;
    ::CalKitsModule = savedKits;
    KitTest::TearDown();
  }

  // The sweep-control module's end-of-sweep closure counts into sweepDone.
  void CountSweepsDone() {
    scanner.OnSweepDone = [this](TFObject*) { ++sweepDone; };
  }
  // After a run: the user's channel notifies again, the temporary channel is gone, no run is
  // going on.
  void ExpectChannelsRestored() {
    EXPECT_TRUE(user->ChangeNotify);
    EXPECT_EQ(nullptr, TemporaryChannel(scanner, user));
    EXPECT_FALSE(TMeasurementRun::IsRunning());
  }
  // After a run: the counting closure of CountSweepsDone is back and still counts.
  void ExpectSweepDoneClosureBack() {
    ASSERT_TRUE(static_cast<bool>(scanner.OnSweepDone));
    const int before = sweepDone;
    scanner.OnSweepDone(nullptr);
    EXPECT_EQ(before + 1, sweepDone);
  }

  scannertest::TEngineServices services;
  scannertest::TFakeUi fake;
  scannertest::TLoggingEmulator emulator;
  platform::ScopedUsbBackend scopedBackend{emulator};
  TCalKitsModule kits{kittest::TestFolder()};
  TCalKitsModule* savedKits = nullptr;
  TScannerModule scanner;
  TScannerModule* savedScanner = nullptr;
  TCalibratorModule module{kittest::TestFolder("settings") + "/tervan.ini"};
  TCalibratorModule* savedCalibrator = nullptr;
  bool calibratorInstalled = false;
  TRange* user = nullptr;
  TCalibr userCal;
  FakeChannelWindow window;
  int sweepDone = 0;
};

}  // namespace runtest
