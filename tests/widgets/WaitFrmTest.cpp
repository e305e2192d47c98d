// The wait box on the emulator: it sweeps the channel that notifies changes once, runs its
// gauge over the points, and ends with Ok at the end of the sweep, Abort when cancelled
// mid-sweep, on a lost link or a start that leaves the scanner stopped; the end-of-sweep
// closure it found is back after every run.
#include "widgets/WaitFrm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "../instrument/ScannerSupport.h"
#include "WidgetTest.h"
#include "calibration/RunTestSupport.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "platform/ui/Timer.h"
#include "widgets/LbButton.h"

namespace {

class WaitFrm : public WidgetTest {
 protected:
  WaitFrm() : WidgetTest(12, 7), services(4, true), emulator(4) {}
  void SetUp() override {
    WidgetTest::SetUp();
    saved = ::ScannerModule;
    ::ScannerModule = &scanner;
    user = runtest::NewUserChannel(scanner, 201);
    scanner.OnSweepDone = [this](TFObject*) { ++outsideSweeps; };
    scanner.GetScanner().Connect();
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    fake.ui.runPending();
    ASSERT_TRUE(scanner.GetScanner().Connected);
    scanner.RebuildScanList();
  }
  void TearDown() override {
    if (scanner.GetScanner().Connected) scanner.GetScanner().Disconnect();
    delete user;
    ::ScannerModule = saved;
    WidgetTest::TearDown();
  }

  // Lets the link's replies in and the box's timer tick (every 20 ms of the fake clock) until
  // the box has a result or `limit` ticks have passed; `onTick` runs before each tick.
  void Pump(ui::Form& box, int limit = 2000, const std::function<void(int)>& onTick = {}) {
    for (int tick = 0; tick < limit && box.ModalResult() == ui::mrNone; ++tick) {
      for (int i = 0; i < 20 && box.ModalResult() == ui::mrNone; ++i) {
        fake.ui.runPending();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      if (box.ModalResult() != ui::mrNone) break;
      if (onTick) onTick(tick);
      fake.clock.advanceMs(20);
      ui::Timer::Fake::RunDue();
      if (auto* w = dynamic_cast<TWaitFrm*>(&box)) progress.push_back(w->ProgressBar->Progress());
    }
  }
  // The closure in the module after a run is the one it had before.
  void ExpectClosureBack() {
    ASSERT_TRUE(static_cast<bool>(scanner.OnSweepDone));
    const int before = outsideSweeps;
    scanner.OnSweepDone(nullptr);
    EXPECT_EQ(before + 1, outsideSweeps);
  }

  scannertest::TEngineServices services;
  scannertest::TFakeUi fake;
  ui::Timer::Fake fakeTimers;
  scannertest::TLoggingEmulator emulator;
  platform::ScopedUsbBackend scopedBackend{emulator};
  TScannerModule scanner;
  TScannerModule* saved = nullptr;
  TRange* user = nullptr;
  int outsideSweeps = 0;
  std::vector<int> progress;
};

TEST_F(WaitFrm, OneSweepRunsTheGaugeOverThePointsAndEndsWithOk) {
  TWaitFrm box(nullptr, false, "Open");
  EXPECT_EQ("Open", box.TopPanel->Caption());
  EXPECT_EQ(2 * 70 + 18, box.Width());
  EXPECT_EQ(3 * 26 + 24, box.Height());
  EXPECT_EQ(ui::Rect(6, 38, 152, 64), box.ProgressBar->BoundsRect());
  int maxAtStart = -1;
  Driver().OnNextModal([&](ui::Form& f) {
    maxAtStart = box.ProgressBar->MaxValue();
    EXPECT_EQ(0, box.ProgressBar->Progress());
    Pump(f);
  });
  EXPECT_EQ(ui::mrOk, box.ShowModal());
  EXPECT_EQ(201, maxAtStart);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1], progress[i]);
  EXPECT_EQ(200, user->LastPointIndex);
  box.IndicationTimerTimer();
  EXPECT_EQ(200, box.ProgressBar->Progress());
  EXPECT_EQ(201, box.ProgressBar->MaxValue());
  ExpectClosureBack();
}

TEST_F(WaitFrm, CancelMidSweepGivesAbort) {
  TWaitFrm box(nullptr, false, "Short");
  Driver().OnNextModal([&](ui::Form&) { Driver().Press(*box.btCancel); });
  EXPECT_EQ(ui::mrAbort, box.ShowModal());
  ExpectClosureBack();

  // Escape cancels too.
  TWaitFrm keyed(nullptr, false, "Short");
  Driver().OnNextModal([&](ui::Form& f) { Driver().Key(f, ui::vk::Escape); });
  EXPECT_EQ(ui::mrAbort, keyed.ShowModal());
}

TEST_F(WaitFrm, ALostLinkGivesAbortAtTheNextTick) {
  TWaitFrm box(nullptr, false, "Load");
  int lostAt = -1;
  int endedAfter = -1;
  Driver().OnNextModal([&](ui::Form& f) {
    // Lost before any reply came in, so the sweep cannot end first.
    scanner.GetScanner().Disconnect();
    lostAt = 0;
    Pump(f, 10, [&](int tick) { endedAfter = tick; });
  });
  EXPECT_EQ(ui::mrAbort, box.ShowModal());
  EXPECT_EQ(0, lostAt);
  EXPECT_EQ(0, endedAfter) << "the first tick after the loss ends it";
  ExpectClosureBack();
}

TEST_F(WaitFrm, ABusTriggerStillSweeps) {
  scanner.SetTriggerSource(TScannerModule::SourceBus);
  ASSERT_EQ(TScannerModule::SourceBus, scanner.TriggerSource);
  TWaitFrm box(nullptr, false, "Open");
  Driver().OnNextModal([&](ui::Form& f) { Pump(f); });
  EXPECT_EQ(ui::mrOk, box.ShowModal());
  EXPECT_EQ(200, user->LastPointIndex);
}

TEST_F(WaitFrm, AStartThatLeavesTheScannerStoppedAbortsAtTheFirstTick) {
  scanner.GetScanner().SetStandby(true);
  fake.ui.runPending();
  ASSERT_TRUE(scanner.GetScanner().GetStandby());
  TWaitFrm box(nullptr, false, "Open");
  int ticks = 0;
  Driver().OnNextModal([&](ui::Form& f) { Pump(f, 10, [&](int) { ++ticks; }); });
  EXPECT_EQ(ui::mrAbort, box.ShowModal());
  EXPECT_EQ(1, ticks);
  ExpectClosureBack();
}

TEST_F(WaitFrm, TheProgramsBoxRunsTwiceAndLeavesNoClosureBehind) {
  TSweepWaitBox waitBox;
  for (int run = 0; run < 2; ++run) {
    Driver().OnNextModal([&](ui::Form& f) {
      EXPECT_EQ("WaitFrm", f.Name());
      Pump(f);
    });
    EXPECT_TRUE(waitBox.Run("Open")) << "run " << run;
    ExpectClosureBack();
  }
  Driver().OnNextModal([&](ui::Form& f) { Driver().Press(Driver().Get("btCancel", &f)); });
  EXPECT_FALSE(waitBox.Run("Open"));
  ExpectClosureBack();
}

}  // namespace
