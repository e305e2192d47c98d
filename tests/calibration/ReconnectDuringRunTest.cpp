// The instrument drops off the bus and comes back while a calibration run, an EEPROM transfer or
// an offset adjustment holds it: the connect sequence completes (replies are taken, OnConnect
// fires), the factory data is read once the run has ended, and sweeping goes on.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "calibration/EepromTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "calibration/RunTestSupport.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerThreads.h"
#include "model/Range.h"
#include "platform/UsbBackend.h"

namespace {

class ReconnectDuringRun : public eepromtest::EepromFixture {
 protected:
  void SetUp() override {
    EepromFixture::SetUp();
    // The real module answers the engine's identity read, as at program start.
    services.scope->CalibratorModule = module.get();
    emulator.StandbyAnswer = 0;  // the instrument is awake
    // An identity in the instrument's memory, and none in the program.
    module->SetSerialNumber(4711);
    module->HardwareRevision = 2;
    module->WriteEeprom();
    module->SetSerialNumber(1);
    module->HardwareRevision = 1;
    module->ClearSystemCalibrations();
    user = runtest::NewUserChannel(scanner, 21);
    scanner.GetScanner().OnConnect = [this](TFObject*) { ++connects; };
    scanner.OnSweepDone = [this](TFObject*) {
      ++sweeps;
      // Continuous sweeping, as the main window does, until one sweep ends after the read.
      if (module->GetSerialNumber() == 4711u) {
        ++sweepsAfterRead;
      } else {
        scanner.StartSweep(0);
      }
    };
  }
  void TearDown() override {
    delete user;
    EepromFixture::TearDown();
  }

  bool PumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      fake.ui.runPending();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
  // The instrument leaves the bus and comes back; the notice of its return is handled.
  void Replug() {
    TScanner& s = scanner.GetScanner();
    ASSERT_NE(s.GetLink(), nullptr);
    s.GetLink()->LinkError("unplugged");
    ASSERT_FALSE(s.Connected);
    platform::UsbBackend::get().postDeviceChange();
    fake.ui.runPending();
  }
  size_t MemoryReads() { return emulator.MemoryRequests(TScanner::kReadMemoryRequest).size(); }

  TRange* user = nullptr;
  int connects = 0;
  int sweeps = 0;
  int sweepsAfterRead = 0;  // sweeps that ended with the instrument's identity known
};

TEST_F(ReconnectDuringRun, TheLinkComesBackWholeAndTheIdentityIsReadAfterTheRun) {
  TScanner& s = scanner.GetScanner();
  ASSERT_TRUE(s.Connected);
  emulator.ClearLog();
  {
    TMeasurementRun run(scanner);
    Replug();
    EXPECT_TRUE(s.Connected);
    EXPECT_EQ(connects, 1) << "the connect sequence ran to its end";
    EXPECT_TRUE(s.GetLink()->IsConnected());
    EXPECT_TRUE(s.IsIdentityReadDeferred());
    EXPECT_EQ(MemoryReads(), 0u) << "nothing is read while the run holds the instrument";
    EXPECT_EQ(module->GetSerialNumber(), 1u);
    fake.clock.advanceMs(TScanner::IdentityRetryMs * 4);
    fake.ui.runPending();
    EXPECT_EQ(MemoryReads(), 0u) << "still held";
  }
  // The run has ended and restarted the sweep; the deferred read follows.
  fake.clock.advanceMs(TScanner::IdentityRetryMs);
  ASSERT_TRUE(PumpUntil([&] { return !s.IsIdentityReadDeferred(); }));
  EXPECT_GT(MemoryReads(), 0u);
  EXPECT_EQ(module->GetSerialNumber(), 4711u);
  EXPECT_EQ(module->HardwareRevision, 2);
  EXPECT_TRUE(s.Connected);
  // And the user's channel sweeps.
  ASSERT_TRUE(PumpUntil([&] { return sweepsAfterRead > 0; }));
  EXPECT_EQ(s.GetState(), TScanner::STOP);
  // The identity is read once: later sweeps read nothing more.
  const size_t reads = MemoryReads();
  fake.clock.advanceMs(TScanner::IdentityRetryMs * 4);
  fake.ui.runPending();
  EXPECT_EQ(MemoryReads(), reads);
}

TEST_F(ReconnectDuringRun, AReturnInsideAnEepromTransferWaitsForItsEnd) {
  TScanner& s = scanner.GetScanner();
  bool replugged = false;
  window.OnPump = [&] {
    if (replugged) return;
    replugged = true;
    Replug();
    EXPECT_TRUE(s.Connected);
    EXPECT_TRUE(s.IsIdentityReadDeferred());
  };
  module->SetSerialNumber(99);
  module->WriteEeprom();  // the link goes mid-write: the write stops at the next page
  ASSERT_TRUE(replugged);
  EXPECT_EQ(connects, 1);
  fake.clock.advanceMs(TScanner::IdentityRetryMs);
  ASSERT_TRUE(PumpUntil([&] { return !s.IsIdentityReadDeferred(); }));
  EXPECT_TRUE(s.Connected);
  EXPECT_NE(module->GetSerialNumber(), 0u) << "the identity read ran after the transfer";
}

}  // namespace
