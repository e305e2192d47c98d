// Continuous sweeping in demonstration mode, headless: four channels on the emulator, the
// connect sequence on a fake clock, the end-of-sweep reaction of the main window played by the
// test (continuous: start again at entry 0; single: one pass, then hold).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "instrument/EmulationTable.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerThreads.h"
#include "model/Range.h"
#include "ScannerSupport.h"

namespace {

using scannertest::TEngineServices;
using scannertest::TFakeUi;
using scannertest::TLoggingEmulator;

constexpr int kChannels = 4;
constexpr int kAveraged = 1;  // the channel with averaging factor 4

class SweepDemo : public ::testing::Test {
 protected:
  enum TMode { Hold, Single, Continuous };

  SweepDemo() {
    emulator.SetNoiseSeed(11);
    for (int k = 0; k < kChannels; ++k) {
      TRange* range = new TRange(scanner.get());
      range->SetChangeNotify(true);
      range->OnSweepDone = [this, k](TFObject*) {
        ++sweeps[k];
        pass.push_back(k);
      };
      range->OnPointData = [this, k](TFObject*) { ++points[k]; };
      range->OnRedraw = [this](TFObject* sender) { redrawSenderIsScanner &= sender == scanner.get(); };
      channels[k] = range;
    }
    channels[kAveraged]->SetAverageEnabled(true);
    channels[kAveraged]->SetAverageFactor(4);
    scanner->OnConnect = [this](TFObject*) { ++connects; };
    scanner->OnDisconnect = [this](TFObject*) { ++disconnects; };
    scanner->OnNewData = [this](TFObject*) { ++batches; };
    // The main window's reaction to the end of a sweep.
    scanner->OnSweepDone = [this](TFObject*) {
      passes.push_back(pass);
      pass.clear();
      if (mode == Continuous) scanner->StartScanItem(0);
      if (mode == Single) mode = Hold;
    };
  }
  ~SweepDemo() override {
    if (scanner) scanner->Disconnect();
  }

  void Connect() {
    scanner->Connect();
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    fake.ui.runPending();
  }

  // Runs the user-interface queue until pred holds; false after a minute of real time.
  bool PumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      fake.ui.runPending();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
  // Runs the queue for a while of real time.
  void PumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      fake.ui.runPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  int TotalPoints() const {
    int n = 0;
    for (int p : points) n += p;
    return n;
  }
  int MinSweeps() const {
    int n = sweeps[0];
    for (int s : sweeps) n = std::min(n, s);
    return n;
  }

  TEngineServices services{4, true};
  TFakeUi fake;
  TLoggingEmulator emulator{4};
  platform::ScopedUsbBackend scopedBackend{emulator};
  std::unique_ptr<TScanner> scanner = std::make_unique<TScanner>();
  TRange* channels[kChannels] = {};
  TMode mode = Continuous;
  int sweeps[kChannels] = {};
  int points[kChannels] = {};
  std::vector<int> pass;
  std::vector<std::vector<int>> passes;
  int connects = 0, disconnects = 0, batches = 0;
  bool redrawSenderIsScanner = true;
};

TEST_F(SweepDemo, ContinuousSweepingStoresTheEmulatorsReflectionThenSingleHoldAndStop) {
  Connect();
  ASSERT_TRUE(scanner->Connected);
  ASSERT_EQ(connects, 1);
  ASSERT_FALSE(scanner->GetStandby());
  ASSERT_EQ(scanner->ScanList.size(), static_cast<size_t>(kChannels));

  scanner->StartScanItem(0);
  ASSERT_TRUE(PumpUntil([&] { return MinSweeps() >= 20; })) << "sweeps " << sweeps[0] << " " << sweeps[1] << " "
                                                            << sweeps[2] << " " << sweeps[3];
  mode = Hold;
  scanner->StopSweep();
  EXPECT_EQ(scanner->GetState(), TScanner::STOP);

  // Averaging factor 4 just restarted: the first pass sends that channel's list four times
  // before moving on; once full, every pass sends each list once. One end of a pass per pass.
  ASSERT_GE(passes.size(), 19u);
  EXPECT_EQ(passes[0], (std::vector<int>{0, 1, 1, 1, 1, 2, 3}));
  for (size_t p = 1; p < passes.size(); ++p) EXPECT_EQ(passes[p], (std::vector<int>{0, 1, 2, 3})) << "pass " << p;
  EXPECT_GT(batches, 0);
  EXPECT_TRUE(redrawSenderIsScanner);

  // Every point holds the table's reflection at its frequency.
  const TEmulationTable& table = emulator.GetTable();
  ASSERT_FALSE(table.Empty());
  for (TRange* range : channels) {
    ASSERT_GT(range->GetCount(), 1);
    for (int i = 0; i < range->GetCount(); ++i) {
      const auto reading = table.Lookup(range->GetPointFrequency(i));
      ASSERT_TRUE(reading.has_value());
      const TComplex expected = Polar(std::pow(10.0, reading->LevelA / 20.0), reading->PhaseA);
      const TComplex got = range->GetPointData(0, i);
      ASSERT_LT(Abs(got - expected), 1e-3) << "point " << i << " at " << range->GetPointFrequency(i) << " MHz";
    }
  }

  // Hold: nothing more is stored.
  const int held = TotalPoints();
  PumpFor(100);
  EXPECT_EQ(TotalPoints(), held);

  // Single: one more pass, every channel once, then hold again.
  const size_t passesBefore = passes.size();
  int sweepsBefore[kChannels];
  std::copy(std::begin(sweeps), std::end(sweeps), sweepsBefore);
  mode = Single;
  scanner->StartScanItem(0);
  ASSERT_TRUE(PumpUntil([&] { return passes.size() == passesBefore + 1; }));
  EXPECT_EQ(mode, Hold);
  EXPECT_EQ(scanner->GetState(), TScanner::STOP);
  const int afterSingle = TotalPoints();
  EXPECT_EQ(afterSingle - held, kChannels * channels[0]->GetCount());
  PumpFor(100);
  EXPECT_EQ(passes.size(), passesBefore + 1);
  EXPECT_EQ(TotalPoints(), afterSingle);
  for (int k = 0; k < kChannels; ++k) EXPECT_EQ(sweeps[k], sweepsBefore[k] + 1) << k;

  // Continuous again, then the link is closed mid-sweep: both threads are joined and nothing
  // the threads posted runs afterwards.
  mode = Continuous;
  scanner->StartScanItem(0);
  ASSERT_TRUE(PumpUntil([&] { return TotalPoints() > afterSingle + 300; }));
  scanner->Disconnect();
  EXPECT_EQ(scanner->GetLink(), nullptr);
  EXPECT_FALSE(scanner->Connected);
  EXPECT_EQ(disconnects, 1);
  const int stopped = TotalPoints();
  const int stoppedBatches = batches;
  PumpFor(50);
  EXPECT_EQ(TotalPoints(), stopped);
  EXPECT_EQ(batches, stoppedBatches);
}

TEST_F(SweepDemo, DestructionMidSweepJoinsTheThreadsAndRunsNoClosureAfter) {
  Connect();
  ASSERT_TRUE(scanner->Connected);
  scanner->StartScanItem(0);
  ASSERT_TRUE(PumpUntil([&] { return TotalPoints() > 500; }));
  // Let replies pile up unhandled, then destroy the engine (and its channels) with them queued.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const int points0 = TotalPoints();
  const int batches0 = batches;
  const size_t passes0 = passes.size();
  scanner.reset();
  EXPECT_EQ(disconnects, 0) << "destruction reports nothing";
  PumpFor(50);
  EXPECT_EQ(TotalPoints(), points0);
  EXPECT_EQ(batches, batches0);
  EXPECT_EQ(passes.size(), passes0);
}

}  // namespace
