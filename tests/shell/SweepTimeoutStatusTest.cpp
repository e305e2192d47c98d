// The main window when the instrument falls silent while USB stays up: the status bar names it
// ("No reply from the instrument") from the end of the link on, through the new connection,
// until the instrument answers again.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "instrument/FaultyEmulator.h"
#include "platform/ui/Label.h"
#include "shell/MainFrmRig.h"

namespace {

class SweepTimeoutStatus : public MainFrmRig {
 protected:
  // Runs the queue until pred holds; false after 20 s of real time.
  bool PumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      queue.runPending();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
};

TEST_F(SweepTimeoutStatus, ASilentInstrumentIsNamedUntilItAnswersAgain) {
  Build("DemoMode");
  scannertest::TFaultyEmulator instrument(4);
  platform::ScopedUsbBackend scoped(instrument);
  RunDelayedStart();
  clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
  queue.runPending();
  ASSERT_TRUE(scanner().Connected);
  ASSERT_EQ(ScannerModule->TriggerMode, TScannerModule::Continuous);
  EXPECT_EQ(frm->lbReady->Caption(), "Ready");

  instrument.Stall = true;
  int disconnects = 0;
  const auto disconnected = scanner().OnDisconnect;
  scanner().OnDisconnect = [&](TFObject* sender) {
    ++disconnects;
    if (disconnected) disconnected(sender);
  };
  // Whatever was still on its way is taken; then the silences run out on the fake clock.
  for (int i = 0; i < 20 && disconnects == 0; ++i) {
    queue.runPending();
    clock.advanceMs(scanner().GetReplyTimeoutMs());
    queue.runPending();
  }
  ASSERT_EQ(disconnects, 1);
  EXPECT_TRUE(scanner().Connected) << "found again at once";
  EXPECT_EQ(frm->lbReady->Caption(), "No reply from the instrument");
  EXPECT_EQ(frm->lbReady->GetFont().Color, 0x686FB0);

  instrument.Stall = false;
  ASSERT_TRUE(PumpUntil([&] { return frm->lbReady->Caption() == "Ready"; }));
  EXPECT_TRUE(scanner().GetLinkProblem().empty());
  scanner().Disconnect();  // before the instrument goes
}

}  // namespace
