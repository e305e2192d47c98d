// One sweep's replies decoded by the sweep engine and stored through the measured-point path,
// with the corrections a user stacks: a user calibration, averaging factor 16, port extension
// with loss, conversion to 75 ohm; the system correction is the calibration stand-in (an
// identity) and the point handler is empty.
//
//   BM_DecodeSweep/points   DecodeReply for every point reply of a 14 GHz channel
//
// The counter ns_per_point is the time of one sweep divided by its points (aim: under 300).
//
//   BM_DemoSweep            continuous demonstration sweeping of four 201-point channels at
//                           10 kHz on the emulator (its real measurement sleeps) for 10 s of
//                           real time: cpu_percent is the process CPU time (every thread) per
//                           second of sweeping, in % of one core (aim: under 10), and
//                           sweeps_per_s the sweeps per second of each channel (nominally 5)
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <thread>
#include <random>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/Scanner.h"
#include "model/CalRange.h"
#include "model/Range.h"
#include "platform/UsbBackend.h"
#include "tests/instrument/ScannerSupport.h"

namespace {

TComplex RandomComplex(std::mt19937& random, double lo, double hi) {
  std::uniform_real_distribution<double> magnitude(lo, hi);
  std::uniform_real_distribution<double> phase(-3.14, 3.14);
  return Polar(magnitude(random), phase(random));
}

struct Bench {
  scannertest::TEngineServices services{4, false};
  TScanner scanner;
  TRange* range = nullptr;
  std::unique_ptr<TCalRange> calibration;
  std::vector<TCmdReply> replies;

  explicit Bench(int points) {
    std::mt19937 random(3);
    range = new TRange(&scanner);
    range->SetChangeNotify(true);
    scannertest::Sweep(*range, 100, 13000, points);
    std::vector<double> f(1601);
    for (size_t i = 0; i < f.size(); ++i) f[i] = 85 + (14000 - 85) * static_cast<double>(i) / 1600;
    calibration = std::make_unique<TCalRange>(1, 1, f);
    for (int i = 0; i < calibration->GetCount(); ++i) {
      calibration->SetErrorTermA(0, i, RandomComplex(random, 0.8, 1.0));
      calibration->SetErrorTermB(0, i, RandomComplex(random, 0.0, 0.1));
      calibration->SetErrorTermC(0, i, RandomComplex(random, 0.0, 0.2));
      calibration->SetErrorTermD(1, i, RandomComplex(random, 0.8, 1.0));
    }
    range->AttachCalibration(calibration.get());
    range->AverageEnabled = true;
    range->AverageFactor = 16;
    range->PortExtensionsEnabled = true;
    range->Extension[0] = 0.35e-9;
    range->ExtLossAtDC = 0.05;
    range->ExtLoss1Enabled = true;
    range->ExtLoss1 = 0.4;
    range->ExtFreq1 = 1000;
    range->SetZConversionValue(0, 75);
    range->SetZConversionValue(1, 75);
    range->SetZConversionEnabled(true);
    range->AttachCalibration(calibration.get());
    range->OnPointData = [](TFObject*) {};
    scanner.Connected = true;  // builds the scan list; nothing is sent without a link
    scanner.RebuildScanList();
    for (int i = 0; i < range->GetCount(); ++i) {
      replies.push_back(TCmdReply::Point(static_cast<uint16_t>(i), RandomComplex(random, 0.01, 1.0), {1.0, 0.0}));
    }
  }

  void Sweep() {
    for (const TCmdReply& reply : replies) scanner.DecodeReply(reply);
    range->AverageCount = 8;  // a sweep in the middle of the average
  }
};

void BM_DecodeSweep(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)));
  if (b.range->GetCount() != state.range(0) || b.scanner.CurrentRange() != b.range || b.range->ZConvActive == 0 ||
      !b.range->GetCalTable()) {
    state.SkipWithError("the channel is not set up as intended");
    return;
  }
  b.Sweep();
  for (auto _ : state) {
    b.Sweep();
    benchmark::ClobberMemory();
  }
  const double points = b.range->GetCount();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
  state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * points,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DecodeSweep)->Arg(201)->Arg(16001)->Unit(benchmark::kMicrosecond);

void BM_DemoSweep(benchmark::State& state) {
  scannertest::TEngineServices services{4, true};
  scannertest::TFakeUi fake;  // the connect waits on a fake clock; sweeping in real time
  EmulatorBackend emulator(4);
  platform::ScopedUsbBackend backend(emulator);
  TScanner scanner;
  constexpr int kChannels = 4;
  int sweeps = 0;
  for (int k = 0; k < kChannels; ++k) {
    auto* range = new TRange(&scanner);
    range->SetChangeNotify(true);
    range->OnSweepDone = [&sweeps](TFObject*) { ++sweeps; };
  }
  scanner.OnSweepDone = [&scanner](TFObject*) { scanner.StartScanItem(0); };
  scanner.Connect();
  fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
  fake.ui.runPending();
  if (!scanner.Connected || scanner.ScanList.size() != kChannels) {
    state.SkipWithError("the emulator did not connect");
    return;
  }
  double cpuSeconds = 0, realSeconds = 0;
  for (auto _ : state) {
    sweeps = 0;
    scanner.StartScanItem(0);
    const std::clock_t cpu0 = std::clock();
    const auto t0 = std::chrono::steady_clock::now();
    const auto end = t0 + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      fake.ui.runPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    cpuSeconds = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    scanner.StopSweep();
  }
  state.counters["cpu_percent"] = 100.0 * cpuSeconds / realSeconds;
  state.counters["sweeps_per_s"] = sweeps / realSeconds / kChannels;
  scanner.Disconnect();
}
BENCHMARK(BM_DemoSweep)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
