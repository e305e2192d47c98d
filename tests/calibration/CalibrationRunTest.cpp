// The calibration sweep on a temporary channel with fake windows: what the run measures with
// (user stimulus, or the system grid at -10 dBm uncorrected), what it stores only on a normal
// end, and that a cancel or a throw leaves the target calibration, the channels, the sweep-done
// closure and the correction switches exactly as they were. A nested run is refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/KitTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "calibration/RunTestSupport.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"
#include "platform/SettingsStore.h"

namespace {

using kittest::TestFolder;

class FakeWaitBox : public ISweepWaitBox {
 public:
  bool Run(const std::string& caption) override {
    Caption = caption;
    ++Runs;
    return Body ? Body() : true;
  }
  std::function<bool()> Body;
  std::string Caption;
  int Runs = 0;
};

class CalibrationRun : public runtest::ScannerTest {
 protected:
  CalibrationRun() : ScannerTest(4) {}
  void SetUp() override {
    ScannerTest::SetUp();
    user = runtest::NewUserChannel(scanner, 51);
    window.Range = user;
    window.Calibr = &userCal;
    module.ActiveWindow = &window;
    module.WaitBox = &box;
    scanner.OnSweepDone = [this](TFObject*) { ++sweepDone; };
  }
  void TearDown() override {
    delete user;
    ScannerTest::TearDown();
  }

  // The channel the run made: the scanner's child that is not the user's channel.
  TRange* Temporary() const { return runtest::TemporaryChannel(scanner, user); }
  // Checks the state inside the run.
  void ExpectInsideRun() {
    EXPECT_FALSE(user->ChangeNotify);
    EXPECT_FALSE(static_cast<bool>(scanner.OnSweepDone));
    ASSERT_NE(nullptr, Temporary());
    EXPECT_TRUE(Temporary()->ChangeNotify);
  }
  void ExpectRestored() {
    EXPECT_TRUE(user->ChangeNotify);
    EXPECT_EQ(nullptr, Temporary());
    ASSERT_TRUE(static_cast<bool>(scanner.OnSweepDone));
    EXPECT_FALSE(TMeasurementRun::IsRunning());
  }

  TRange* user = nullptr;
  TCalibr userCal;
  runtest::FakeChannelWindow window;
  FakeWaitBox box;
  TCalibratorModule module{TestFolder("settings") + "/tervan.ini"};
  int sweepDone = 0;
};

TEST_F(CalibrationRun, UserRunStoresTheRequestedStandardsOnNormalEnd) {
  box.Body = [this] {
    ExpectInsideRun();
    TRangeSettings s;
    TSegments seg;
    Temporary()->GetSettings(s, seg);
    EXPECT_EQ(51, s.NPoints);
    EXPECT_DOUBLE_EQ(100.0, s.MinFrequency);
    return true;
  };
  const int r = device.GetReflectionIndex();
  for (int kind : {ckOpen, ckShort, ckLoad}) {
    module.Calibrate(kind, -1, false);
    EXPECT_TRUE(userCal.HasStandard(kind, r)) << kind;
    EXPECT_TRUE(userCal.IsStandardSelected(kind, r));
  }
  EXPECT_EQ("Calibration", box.Caption);
  EXPECT_EQ(3, box.Runs);
  EXPECT_EQ(51u, userCal.Standards[ckLoad][r].size());
  ExpectRestored();
  EXPECT_FALSE(module.SystemCorrectionOff);
}

TEST_F(CalibrationRun, ThruIsRequestedOnTheTransmissionSlotOnly) {
  module.Calibrate(ckThru, ckThru, false);
  EXPECT_FALSE(userCal.HasStandard(ckThru, 0));
  EXPECT_TRUE(userCal.HasStandard(ckThru, 1));
}

TEST_F(CalibrationRun, K30SystemSweepIsTheGridUncorrected) {
  bool checked = false;
  box.Body = [&] {
    ExpectInsideRun();
    TRangeSettings s;
    TSegments seg;
    Temporary()->GetSettings(s, seg);
    EXPECT_EQ(848, s.NPoints);
    EXPECT_EQ(100, s.CommonIFBW);
    EXPECT_EQ(3, s.SweepMode);
    EXPECT_DOUBLE_EQ(-10.0, s.OutputPower);
    EXPECT_DOUBLE_EQ(0.0, s.PowerSlope);
    EXPECT_TRUE(module.SystemCorrectionOff);
    checked = true;
    return true;
  };
  module.Calibrate(ckShort, -1, true);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(module.GetSystemCal().HasStandard(ckShort, 0));
  EXPECT_FALSE(module.SystemCorrectionOff);
  EXPECT_FALSE(userCal.HasStandard(ckShort, 0));
  ExpectRestored();
}

// A cancelled sweep or a throw from inside the run stores nothing and restores everything.
TEST_F(CalibrationRun, CancelAndThrowRestoreEverything) {
  module.Calibrate(ckOpen, -1, false);
  const std::vector<SxData> open = userCal.Standards[ckOpen][0];
  userCal.SetStandardSelected(ckOpen, 0, false);
  for (const char* how : {"cancel", "throw"}) {
    SCOPED_TRACE(how);
    const bool thrower = std::string(how) == "throw";
    box.Body = [&]() -> bool {
      if (thrower) throw EAbort("Device lost");
      return false;
    };
    for (bool system : {false, true}) {
      if (thrower) {
        EXPECT_THROW(module.Calibrate(ckShort, -1, system), EAbort);
      } else {
        module.Calibrate(ckShort, -1, system);
      }
      EXPECT_FALSE(userCal.HasStandard(ckShort, 0));
      EXPECT_FALSE(module.GetSystemCal().HasStandard(ckShort, 0));
      EXPECT_TRUE(userCal.HasStandard(ckOpen, 0));
      EXPECT_EQ(open.size(), userCal.Standards[ckOpen][0].size());
      EXPECT_FALSE(userCal.IsStandardSelected(ckOpen, 0));
      EXPECT_FALSE(module.SystemCorrectionOff);
      ExpectRestored();
    }
  }
  scanner.OnSweepDone(nullptr);
  EXPECT_EQ(1, sweepDone);
}

TEST_F(CalibrationRun, NestedRunIsRefused) {
  bool refused = false;
  box.Body = [&] {
    try {
      module.Calibrate(ckShort, -1, false);
    } catch (const EAbort& e) {
      refused = std::string(e.what()) == "Execution error";
    }
    return true;
  };
  module.Calibrate(ckOpen, -1, false);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(userCal.HasStandard(ckOpen, 0));
  EXPECT_FALSE(userCal.HasStandard(ckShort, 0));
  ExpectRestored();

  module.EepromBusy = true;
  EXPECT_THROW(module.Calibrate(ckOpen, -1, false), EAbort);
}

TEST_F(CalibrationRun, CalKitNumberIsWrittenAfterTheSweep) {
  const std::string settings = TestFolder("settings2") + "/tervan.ini";
  TCalKitsModule kits(TestFolder());
  TCalKitsModule* const saved = ::CalKitsModule;
  ::CalKitsModule = &kits;
  {
    TCalibratorModule own(settings);
    own.ActiveWindow = &window;
    own.WaitBox = &box;
    kits.GetKits().SelectKit(7);
    own.Calibrate(ckOpen, -1, false);
  }
  EXPECT_EQ(7, platform::SettingsStore(settings).readInteger(platform::SettingsStore::kCalKitNumber, -1));
  // The next start selects it again.
  {
    TCalKitsModule restarted(TestFolder("kits2"));
    ::CalKitsModule = &restarted;
    EXPECT_EQ(0, restarted.GetKits().GetSelectedIndex());
    TCalibratorModule again(settings);
    EXPECT_EQ(7, restarted.GetKits().GetSelectedIndex());
  }
  ::CalKitsModule = saved;
}

}  // namespace
