// Continuous sweeping in demonstration mode, headless: four channels on the emulator, the
// connect sequence on a fake clock, the end-of-sweep reaction of the main window played by the
// test (continuous: start again at entry 0; single: one pass, then hold). Once against the
// engine itself, once through the sweep-control module as the program drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "instrument/EmulationTable.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/ScannerThreads.h"
#include "model/Range.h"
#include "ScannerSupport.h"

namespace {

using scannertest::TEngineServices;
using scannertest::TFakeUi;
using scannertest::TLoggingEmulator;

constexpr int kChannels = 4;
constexpr int kAveraged = 1;  // the channel with averaging factor 4

// The emulator on a fake clock and what the channels report: sweeps and points per channel and
// the channels' end-of-sweep order within each pass.
class SweepDemoRig : public ::testing::Test {
 protected:
  SweepDemoRig() { emulator.SetNoiseSeed(11); }

  // The program's four channels under owner, change notification on, one of them averaging.
  void AddChannels(TFObject* owner) {
    for (int k = 0; k < kChannels; ++k) {
      TRange* range = new TRange(owner);
      range->SetChangeNotify(true);
      range->OnSweepDone = [this, k](TFObject*) {
        ++sweeps[k];
        pass.push_back(k);
      };
      range->OnPointData = [this, k](TFObject*) { ++points[k]; };
      channels[k] = range;
    }
    channels[kAveraged]->SetAverageEnabled(true);
    channels[kAveraged]->SetAverageFactor(4);
  }

  void Connect(TScanner& scanner) {
    scanner.Connect();
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

  // The averaging channel just restarted: the first pass sends its list four times before
  // moving on; once full, every pass sends each list once.
  void ExpectPassOrder() const {
    ASSERT_GE(passes.size(), 19u);
    EXPECT_EQ(passes[0], (std::vector<int>{0, 1, 1, 1, 1, 2, 3}));
    for (size_t p = 1; p < passes.size(); ++p) EXPECT_EQ(passes[p], (std::vector<int>{0, 1, 2, 3})) << "pass " << p;
  }

  // Every point holds the table's reflection at its frequency.
  void ExpectTheTablesReflection() {
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
  }

  TEngineServices services{4, true};
  TFakeUi fake;
  TLoggingEmulator emulator{4};
  platform::ScopedUsbBackend scopedBackend{emulator};
  TRange* channels[kChannels] = {};
  int sweeps[kChannels] = {};
  int points[kChannels] = {};
  std::vector<int> pass;
  std::vector<std::vector<int>> passes;
  int connects = 0, disconnects = 0, batches = 0;
};

// The engine on its own, the end-of-sweep reaction installed on it.
class SweepDemo : public SweepDemoRig {
 protected:
  enum TMode { Hold, Single, Continuous };

  SweepDemo() {
    AddChannels(scanner.get());
    for (TRange* range : channels) {
      range->OnRedraw = [this](TFObject* sender) { redrawSenderIsScanner &= sender == scanner.get(); };
    }
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

  void Connect() { SweepDemoRig::Connect(*scanner); }

  std::unique_ptr<TScanner> scanner = std::make_unique<TScanner>();
  TMode mode = Continuous;
  bool redrawSenderIsScanner = true;
};

// The program's way: the sweep-control module owns the engine and is the only one to start,
// stop and trigger sweeps; the main window's reaction to the module's end of a sweep is
// installed by the test (continuous: StartSweep (0); single: hold).
class SweepDemoModule : public SweepDemoRig {
 protected:
  SweepDemoModule() {
    AddChannels(&scanner());
    scanner().OnConnect = [this](TFObject*) { ++connects; };
    scanner().OnDisconnect = [this](TFObject*) { ++disconnects; };
    module->OnNewData = [this](TFObject* sender) {
      sendersAreTheModule &= sender == module.get();
      ++batches;
    };
    module->OnSweepDone = [this](TFObject* sender) {
      sendersAreTheModule &= sender == module.get();
      passes.push_back(pass);
      pass.clear();
      if (module->TriggerMode == TScannerModule::Continuous) {
        module->StartSweep(0);
      } else if (module->TriggerMode == TScannerModule::Single) {
        module->SetTriggerMode(TScannerModule::Hold);
      }
    };
  }

  TScanner& scanner() { return module->GetScanner(); }

  std::unique_ptr<TScannerModule> module = std::make_unique<TScannerModule>();
  bool sendersAreTheModule = true;
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

  // Averaging factor 4 just restarted: the first pass repeats that channel's list. One end of a
  // pass per pass.
  ASSERT_NO_FATAL_FAILURE(ExpectPassOrder());
  EXPECT_GT(batches, 0);
  EXPECT_TRUE(redrawSenderIsScanner);
  ASSERT_NO_FATAL_FAILURE(ExpectTheTablesReflection());

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

TEST_F(SweepDemoModule, ContinuousSweepingThroughTheModuleThenSingleHoldAndStop) {
  Connect(scanner());
  ASSERT_TRUE(scanner().Connected);
  ASSERT_EQ(connects, 1);
  ASSERT_FALSE(scanner().GetStandby());
  ASSERT_EQ(scanner().ScanList.size(), static_cast<size_t>(kChannels));
  ASSERT_EQ(module->TriggerMode, TScannerModule::Continuous);
  ASSERT_EQ(module->TriggerSource, TScannerModule::SourceInternal);

  module->StartSweep(0);
  ASSERT_TRUE(PumpUntil([&] { return MinSweeps() >= 20; })) << "sweeps " << sweeps[0] << " " << sweeps[1] << " "
                                                            << sweeps[2] << " " << sweeps[3];
  // Hold through the trigger mode stops the sweep.
  module->SetTriggerMode(TScannerModule::Hold);
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);

  // One module end of sweep per pass, each after every channel's own: the averaging channel's
  // list four times in the first pass, then every list once per pass.
  ASSERT_NO_FATAL_FAILURE(ExpectPassOrder());
  EXPECT_TRUE(sendersAreTheModule);
  EXPECT_GT(batches, 0);
  const int full = static_cast<int>(passes.size());
  for (int k = 0; k < kChannels; ++k) {
    const int perPass = k == kAveraged ? full + 3 : full;  // the three repeats of the first pass
    EXPECT_GE(sweeps[k], perPass) << k;
    EXPECT_LE(sweeps[k], perPass + 1) << k << ": at most the pass cut short by hold";
  }
  ASSERT_NO_FATAL_FAILURE(ExpectTheTablesReflection());

  // Hold: nothing more is stored and no pass ends.
  const int held = TotalPoints();
  PumpFor(100);
  EXPECT_EQ(TotalPoints(), held);
  EXPECT_EQ(static_cast<int>(passes.size()), full);

  // Single: exactly one more pass, every channel once, and the reaction puts the module back in
  // hold.
  pass.clear();  // what the pass cut short by hold had stored
  int sweepsBefore[kChannels];
  std::copy(std::begin(sweeps), std::end(sweeps), sweepsBefore);
  module->SetTriggerMode(TScannerModule::Single);
  EXPECT_EQ(scanner().GetState(), TScanner::MEAS);
  ASSERT_TRUE(PumpUntil([&] { return module->TriggerMode == TScannerModule::Hold; }));
  ASSERT_EQ(static_cast<int>(passes.size()), full + 1);
  EXPECT_EQ(passes.back(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
  const int afterSingle = TotalPoints();
  EXPECT_EQ(afterSingle - held, kChannels * channels[0]->GetCount());
  for (int k = 0; k < kChannels; ++k) EXPECT_EQ(sweeps[k], sweepsBefore[k] + 1) << k;
  PumpFor(100);
  EXPECT_EQ(static_cast<int>(passes.size()), full + 1);
  EXPECT_EQ(TotalPoints(), afterSingle);

  // Continuous again through the trigger mode, then the module's stop: nothing more is stored.
  module->SetTriggerMode(TScannerModule::Continuous);
  ASSERT_TRUE(PumpUntil([&] { return static_cast<int>(passes.size()) >= full + 3; }));
  module->StopSweep();
  EXPECT_EQ(scanner().GetState(), TScanner::STOP);
  const int stopped = TotalPoints();
  const size_t stoppedPasses = passes.size();
  PumpFor(50);
  EXPECT_EQ(TotalPoints(), stopped);
  EXPECT_EQ(passes.size(), stoppedPasses);
  EXPECT_TRUE(sendersAreTheModule);
  ASSERT_NO_FATAL_FAILURE(ExpectTheTablesReflection());
}

TEST_F(SweepDemoModule, DestructionMidSweepJoinsTheThreadsAndRunsNoClosureAfter) {
  Connect(scanner());
  ASSERT_TRUE(scanner().Connected);
  module->StartSweep(0);
  ASSERT_TRUE(PumpUntil([&] { return TotalPoints() > 500; }));
  // Let replies pile up unhandled, then destroy the module (its engine and channels) with them
  // queued.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const int points0 = TotalPoints();
  const int batches0 = batches;
  const size_t passes0 = passes.size();
  module.reset();
  EXPECT_EQ(disconnects, 1) << "the module disconnects a connected engine";
  PumpFor(50);
  EXPECT_EQ(TotalPoints(), points0);
  EXPECT_EQ(batches, batches0);
  EXPECT_EQ(passes.size(), passes0);
}

}  // namespace
