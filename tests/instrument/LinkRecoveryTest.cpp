// The engine on an instrument that misbehaves while USB stays up: reads that stall, an end
// record that never comes, stray bytes that shift the record boundaries. Time runs on the fake
// clock: the sweep watch is checked by moving it, never by waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

#include "FaultyEmulator.h"
#include "instrument/EmulationTable.h"
#include "instrument/InThread.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerThreads.h"
#include "model/Range.h"
#include "ScannerSupport.h"

namespace {

using scannertest::Sweep;
using scannertest::TEngineServices;
using scannertest::TFakeUi;
using scannertest::TFaultyEmulator;

// A K30 emulator with the faults switched off, a scanner with one channel of 11 points from
// 1000 to 2000 MHz, connected.
class LinkRecoveryRig : public ::testing::Test {
 protected:
  LinkRecoveryRig() {
    emulator.SetNoiseSeed(3);
    range = new TRange(scanner.get());
    range->SetChangeNotify(true);
    Sweep(*range, 1000, 2000, 11);
    scanner->OnConnect = [this](TFObject*) { ++connects; };
    scanner->OnDisconnect = [this](TFObject*) { ++disconnects; };
    scanner->OnSweepDone = [this](TFObject*) { ++sweepsDone; };
    range->OnPointData = [this](TFObject*) { ++pointsStored; };
  }
  ~LinkRecoveryRig() override {
    if (scanner) scanner->Disconnect();
  }

  void Connect() {
    scanner->Connect();
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    fake.ui.runPending();
  }
  // Runs the user-interface queue until pred holds; false after 20 s of real time.
  bool PumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      fake.ui.runPending();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
  // Moves the fake clock and runs what came due.
  void Advance(int64_t ms) {
    fake.clock.advanceMs(ms);
    fake.ui.runPending();
  }
  int Syncs() { return emulator.Count(TScannerThreads::kSyncRequest); }
  size_t ListSize() const { return scanner->ScanList.at(0).Commands.size(); }

  // Every point holds the table's reflection at its frequency.
  void ExpectTheTablesReflection() {
    const TEmulationTable& table = emulator.GetTable();
    ASSERT_FALSE(table.Empty());
    for (int i = 0; i < range->GetCount(); ++i) {
      const auto reading = table.Lookup(range->GetPointFrequency(i));
      ASSERT_TRUE(reading.has_value());
      const TComplex expected = Polar(std::pow(10.0, reading->LevelA / 20.0), reading->PhaseA);
      EXPECT_LT(Abs(range->GetPointData(0, i) - expected), 1e-3) << "point " << i;
    }
  }

  TEngineServices services{4, true};
  TFakeUi fake;
  TFaultyEmulator emulator{4};
  platform::ScopedUsbBackend scopedBackend{emulator};
  std::unique_ptr<TScanner> scanner = std::make_unique<TScanner>();
  TRange* range = nullptr;
  int connects = 0, disconnects = 0, sweepsDone = 0, pointsStored = 0;
};

class SweepTimeout : public LinkRecoveryRig {};

TEST_F(SweepTimeout, StalledReadsRestartTheItemOnceThenEndTheLinkWhichIsFoundAgain) {
  Connect();
  ASSERT_TRUE(scanner->Connected);
  ASSERT_EQ(connects, 1);
  const int syncs = Syncs();
  emulator.Stall = true;
  scanner->StartScanItem(0);
  const int64_t limit = scanner->GetReplyTimeoutMs();
  EXPECT_EQ(limit, TScanner::MinReplyTimeoutMs) << "a short list waits the floor";

  Advance(limit - 10);
  EXPECT_EQ(Syncs(), syncs) << "nothing before the time-out";
  Advance(10);
  EXPECT_EQ(Syncs(), syncs + 1) << "the scan item is restarted";
  EXPECT_TRUE(scanner->Connected);
  EXPECT_EQ(scanner->GetState(), TScanner::MEAS);
  EXPECT_EQ(disconnects, 0);
  EXPECT_TRUE(scanner->GetLinkProblem().empty());

  Advance(limit - 10);
  EXPECT_EQ(disconnects, 0);
  Advance(10);
  EXPECT_EQ(disconnects, 1) << "a second silence ends the link";
  EXPECT_EQ(Syncs(), syncs + 2) << "restarted once only (the second is the new connection's own)";
  // Discovery runs again without a device-change notice from the system and finds it.
  EXPECT_EQ(connects, 2);
  EXPECT_TRUE(scanner->Connected);
  EXPECT_EQ(scanner->GetLinkProblem(), TScanner::NoReplyText) << "kept until a reply arrives";

  emulator.Stall = false;
  scanner->StartScanItem(0);
  ASSERT_TRUE(PumpUntil([&] { return sweepsDone == 1; }));
  EXPECT_TRUE(scanner->GetLinkProblem().empty());
  ExpectTheTablesReflection();
}

TEST_F(SweepTimeout, LostEndRecordRestartsTheItemOnceAndASecondLossEndsTheLink) {
  Connect();
  ASSERT_TRUE(scanner->Connected);
  const int count = range->GetCount();
  for (int lost : {1, 2}) {
    SCOPED_TRACE(lost);
    const int syncs = Syncs();
    const int done = sweepsDone;
    const int gone = disconnects;
    const int stored = pointsStored;
    emulator.DropEnds = true;
    const int dropped = emulator.GetEndsDropped();
    scanner->StartScanItem(0);
    const int64_t limit = scanner->GetReplyTimeoutMs();
    // Every point comes, the end does not.
    ASSERT_TRUE(PumpUntil([&] { return pointsStored == stored + count && emulator.GetEndsDropped() > dropped; }));
    if (lost == 1) emulator.DropEnds = false;  // the next one comes
    Advance(limit - 10);
    EXPECT_EQ(Syncs(), syncs);
    Advance(10);
    EXPECT_EQ(Syncs(), syncs + 1) << "the scan item is restarted";
    if (lost == 1) {
      ASSERT_TRUE(PumpUntil([&] { return sweepsDone == done + 1; })) << "the restarted item ends";
      EXPECT_EQ(disconnects, gone);
      EXPECT_EQ(scanner->GetState(), TScanner::STOP);
      EXPECT_EQ(pointsStored, stored + 2 * count);
      ExpectTheTablesReflection();
    } else {
      ASSERT_TRUE(PumpUntil([&] { return pointsStored == stored + 2 * count; }));
      // The points of the second pass count as replies: the silence starts after the last.
      Advance(limit - 10);
      EXPECT_EQ(disconnects, gone);
      Advance(10);
      EXPECT_EQ(disconnects, gone + 1) << "a second loss ends the link";
      EXPECT_EQ(sweepsDone, done);
      EXPECT_EQ(scanner->GetLinkProblem(), TScanner::NoReplyText);
      EXPECT_TRUE(scanner->Connected) << "and discovery found it again";
      emulator.DropEnds = false;
    }
  }
}

TEST_F(SweepTimeout, TriggerWaitsAreNotWatched) {
  Connect();
  ASSERT_TRUE(scanner->Connected);
  emulator.Stall = true;
  const int syncs = Syncs();
  scanner->ArmExternalTrigger();
  ASSERT_EQ(scanner->GetState(), TScanner::WAIT);
  for (int i = 0; i < 30; ++i) Advance(TScanner::MinReplyTimeoutMs);
  EXPECT_EQ(Syncs(), syncs);
  EXPECT_TRUE(scanner->Connected);
  EXPECT_EQ(disconnects, 0);
  // A stopped sweep is not watched either.
  scanner->StartScanItem(0);
  scanner->StopSweep();
  for (int i = 0; i < 10; ++i) Advance(TScanner::MinReplyTimeoutMs);
  EXPECT_EQ(Syncs(), syncs + 1) << "only the stop's own resynchronisation";
  EXPECT_TRUE(scanner->Connected);
}

// The slowest healthy sweep: 16,001 points at 10 Hz, the emulator's time running on the fake
// clock (its pauses move it), so the sweep takes its full 27 minutes of clock time.
TEST_F(SweepTimeout, TheSlowestHealthySweepNeverTrips) {
  Sweep(*range, 100, 5000, 16001);
  range->SetIFBW(10);
  Connect();
  ASSERT_TRUE(scanner->Connected);
  ASSERT_EQ(range->GetCount(), 16001);
  emulator.SetSleeper([this](int ms) { fake.clock.advanceMs(ms); });
  const int syncs = Syncs();
  const int64_t start = fake.clock.steadyMs();
  scanner->StartScanItem(0);
  EXPECT_GE(scanner->GetReplyTimeoutMs(), 3 * 1600 * 1000);
  ASSERT_TRUE(PumpUntil([&] { return sweepsDone == 1 || !scanner->Connected; }));
  EXPECT_EQ(sweepsDone, 1);
  EXPECT_GE(fake.clock.steadyMs() - start, 1500 * 1000) << "the emulated sweep took its time";
  EXPECT_EQ(Syncs(), syncs);
  EXPECT_EQ(disconnects, 0);
}

class ReplyResync : public LinkRecoveryRig {};

// 1 to 31 stray bytes shift every later record; the sweep they hit cannot end. A restart (stop,
// start) must bring the next sweep back with the right points.
TEST_F(ReplyResync, StrayBytesOnceThenARestartGiveACompleteCorrectSweep) {
  Connect();
  ASSERT_TRUE(scanner->Connected);
  for (int stray = 1; stray < static_cast<int>(TCmdReply::Size); ++stray) {
    SCOPED_TRACE(stray);
    // The stray bytes come in a sweep's replies, not in a resynchronisation's.
    ASSERT_TRUE(PumpUntil([&] { return !scanner->GetLink()->GetReader()->IsDiscarding(); }));
    const int done = sweepsDone;
    const int before = emulator.RepliesGiven();
    emulator.StrayBytes = stray;
    scanner->StartScanItem(0);
    ASSERT_TRUE(PumpUntil([&] { return emulator.RepliesGiven() - before >= static_cast<int>(ListSize()); }));
    for (int i = 0; i < 20; ++i) fake.ui.runPending();
    EXPECT_EQ(sweepsDone, done) << "the shifted end record is not recognised";

    scanner->StopSweep();
    scanner->StartScanItem(0);
    ASSERT_TRUE(PumpUntil([&] { return sweepsDone == done + 1; }));
    ExpectTheTablesReflection();
    EXPECT_TRUE(scanner->Connected);
  }
}

}  // namespace
