// The program's wait box, in the running program (in-process, demonstration mode): a
// calibration run sweeps through the real box and stores its standard while sweeping goes on;
// a run started while the instrument still settles after connecting returns at once and
// stores nothing; the automatic frequency offset adjustment tells the user that it cannot
// work at this frequency instead of giving up silently.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "widgets/WaitFrm.h"

namespace fs = std::filesystem;

namespace {

class WaitBoxInProgram : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
  void TearDown() override {
    TProgramStart::Stop();
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    std::error_code ec;
    fs::remove_all(fs::path(platform::Paths::dataRoot()) / "State", ec);
  }

  // Runs the program in demonstration mode and calls `step` every 5 ms from its event loop
  // (never inside itself) until it returns true or `limit` passes; then the program quits.
  // Full sweeps are counted in `sweeps`. False when the time ran out.
  bool RunProgram(const std::function<bool()>& step, std::chrono::seconds limit = std::chrono::seconds(60)) {
    bool timedOut = false;
    bool busy = false;
    const auto started = std::chrono::steady_clock::now();
    TProgramStart::OnRunning = [&] {
      auto* poll = new QTimer(QCoreApplication::instance());
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        if (busy) return;
        if (ScannerModule != nullptr && !counting) {
          counting = true;
          auto original = ScannerModule->OnSweepDone;
          ScannerModule->OnSweepDone = [this, original](TFObject* sender) {
            ++sweeps;
            if (original) original(sender);
          };
        }
        busy = true;
        bool done = false;
        try {
          done = step();
        } catch (const std::exception& e) {
          ADD_FAILURE() << "raised: " << e.what();
          done = true;
        }
        busy = false;
        timedOut = std::chrono::steady_clock::now() - started > limit;
        if (!done && !timedOut) return;
        poll->stop();
        poll->deleteLater();
        QCoreApplication::quit();
      });
      poll->start(5);
    };
    std::string program = "tervan";
    std::string demo = "DemoMode";
    char* argv[] = {program.data(), demo.data(), nullptr};
    EXPECT_EQ(0, TProgramStart::Run(2, argv));
    return !timedOut;
  }

  // The active channel's user calibration holds the standard.
  static bool HasUserStandard(int kind) {
    TRangeView* view = MainFrm != nullptr ? MainFrm->GetActiveView() : nullptr;
    if (view == nullptr || view->UserCalibration == nullptr || Device == nullptr) return false;
    return view->UserCalibration->HasStandard(kind, Device->GetReflectionIndex());
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
  int sweeps = 0;
  bool counting = false;
};

TEST_F(WaitBoxInProgram, ACalibrationRunSweepsThroughTheBoxAndSweepingGoesOn) {
  int stage = 0;
  int sweepsAfterRun = 0;
  bool boxRan = false;
  bool hadBefore = true;
  const bool inTime = RunProgram([&] {
    if (stage == 0) {
      if (sweeps < 1) return false;
      hadBefore = HasUserStandard(ckOpen);
      driver.OnNextModal([&](ui::Form& form) {
        boxRan = form.Name() == "WaitFrm" && driver.Find<TWaitFrm>("WaitFrm") == &form;
      });
      CalibratorModule->Calibrate(ckOpen, -1, false);
      sweepsAfterRun = sweeps;
      stage = 1;
      return false;
    }
    return sweeps >= sweepsAfterRun + 2;
  });
  EXPECT_TRUE(inTime) << "sweeps " << sweeps << " at stage " << stage;
  EXPECT_FALSE(hadBefore);
  EXPECT_TRUE(boxRan) << "the run waited in the program's box";
  EXPECT_EQ(0u, driver.PendingModalActions());
  EXPECT_EQ(1, stage);
  EXPECT_TRUE(driver.Box().Shown().empty());
}

TEST_F(WaitBoxInProgram, ARunDuringTheSettleAfterConnectingReturnsAtOnce) {
  int stage = 0;
  bool stored = true;
  bool boxRan = false;
  const bool inTime = RunProgram([&] {
    if (stage == 0) {
      TScanner& scanner = ScannerModule->GetScanner();
      // Connected, but the connect event (which starts sweeping) has not come yet.
      if (!scanner.Connected || sweeps > 0 || scanner.GetState() != TScanner::STOP) return false;
      driver.OnNextModal([&](ui::Form& form) { boxRan = form.Name() == "WaitFrm"; });
      const auto before = std::chrono::steady_clock::now();
      CalibratorModule->Calibrate(ckOpen, -1, false);
      EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
      stored = HasUserStandard(ckOpen);
      stage = 1;
      return false;
    }
    return sweeps >= 2;
  });
  EXPECT_TRUE(inTime) << "sweeps " << sweeps;
  EXPECT_TRUE(boxRan);
  EXPECT_FALSE(stored);
  EXPECT_GE(sweeps, 2) << "sweeping starts afterwards";
}

TEST_F(WaitBoxInProgram, TheAutomaticOffsetAdjustmentTellsOnceThatItCannotWork) {
  int stage = 0;
  int sweepsAtSwitch = 0;
  std::chrono::steady_clock::time_point switched;
  double toldAfter = -1;
  std::string message;
  const bool inTime = RunProgram([&] {
    if (stage == 0) {
      if (sweeps < 1) return false;
      TRange* r = MainFrm->GetActiveChannel();
      r->FOMState = true;
      r->FOMAdjust = true;
      r->FOMAutoAdjust = true;
      r->FOMAdjPeriod = 0;
      sweepsAtSwitch = sweeps;
      // In the language the program runs in.
      message = TranslateText("The frequency offset cannot be adjusted at this frequency");
      switched = std::chrono::steady_clock::now();
      stage = 1;
      return false;
    }
    const auto elapsed = std::chrono::steady_clock::now() - switched;
    if (toldAfter < 0 && !driver.Box().Shown().empty()) {
      toldAfter = std::chrono::duration<double>(elapsed).count();
    }
    return toldAfter >= 0 && elapsed > std::chrono::seconds(2) && sweeps >= sweepsAtSwitch + 3;
  });
  EXPECT_TRUE(inTime) << "sweeps " << sweeps << " since " << sweepsAtSwitch;
  ASSERT_GE(toldAfter, 0) << "nothing told";
  EXPECT_LT(toldAfter, 10.0);
  EXPECT_EQ(std::vector<std::string>{message}, driver.Box().Shown());
  EXPECT_GE(sweeps, sweepsAtSwitch + 3) << "full sweeps keep ending";
}

}  // namespace
