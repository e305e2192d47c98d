// Saving and loading an instrument state through the main window (TMainFrm::SaveState, then
// LoadState) for each of the four save types, with four channels of 16,001 points, each with four
// traces, a memory, a marker and a 16,001-point calibration. Beside it, in the same iterations,
// the raw cost of the same number of bytes: written to a file with fsync, then read back.
// "ratio" is save + load over that raw cost; "save_ms" and "load_ms" split it, and "parse_ms" is
// the same file read into a document alone, outside the timed part.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "DialogBenchRig.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/Timer.h"
#include "shell/MainFrm.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 16001;

// The main window with the modules it reaches, in demonstration mode with the sweep on hold, on
// a private data root.
struct TBusyState : benchrig::TProgram {
  TBusyState() : TProgram({"tervan-statebench", "DemoMode", false}) { Configure(); }

  void Configure() {
    frm->SetChannelLayout(5);
    frm->SetChannelCount(4);
    for (int v = 0; v < 4; ++v) {
      TRangeView& view = *frm->GetView(v);
      benchrig::SetPoints(*view.Range, kPoints, 100.0 + v, 1100.0 + 10 * v);
      benchrig::FillView(view, 4, true, 0.01 * v);
      benchrig::CalibrateOnOwnPoints(view, kPoints);
    }
  }

  // A loaded state without a calibration takes it away, so every round calibrates again.
  void CalibrateAll() {
    for (int v = 0; v < 4; ++v) benchrig::CalibrateOnOwnPoints(*frm->GetView(v), kPoints);
  }
};

TBusyState& State() { return benchrig::KeptToTheEnd<TBusyState>(); }

using benchrig::RawWriteAndRead;
using benchrig::Seconds;

void BM_StateSaveLoad(benchmark::State& bench) {
  TBusyState& s = State();
  const int saveType = static_cast<int>(bench.range(0));
  s.frm->SetSaveType(saveType);
  const std::string name = "bench";
  const std::string rawPath = (s.Root / "raw.bin").string();
  double ours = 0;
  double saving = 0;
  double raw = 0;
  double parse = 0;
  size_t bytes = 0;
  std::string back;
  for (auto _ : bench) {
    bench.PauseTiming();
    s.CalibrateAll();
    bench.ResumeTiming();
    auto started = std::chrono::steady_clock::now();
    s.frm->SaveState(name);
    saving += Seconds(started);
    s.frm->LoadState(name);
    const double oursSeconds = Seconds(started);
    bench.SetIterationTime(oursSeconds);
    ours += oursSeconds;

    bench.PauseTiming();
    const std::string file = (fs::path(platform::Paths::dataRoot()) / "State" / (name + ".cfg")).string();
    std::error_code ec;
    bytes = static_cast<size_t>(fs::file_size(file, ec));
    const std::string same(bytes, 'x');
    bench.ResumeTiming();
    started = std::chrono::steady_clock::now();
    RawWriteAndRead(rawPath, same, back);
    benchmark::DoNotOptimize(back.data());
    raw += Seconds(started);

    // The text layer alone: the state file read into a document, nothing applied. What the
    // load costs beyond it is the instrument state being rebuilt from the document.
    bench.PauseTiming();
    started = std::chrono::steady_clock::now();
    {
      TMemIniFile ini;
      ini.LoadFromFile(file);
    }
    parse += Seconds(started);
    bench.ResumeTiming();
  }
  const double n = static_cast<double>(bench.iterations());
  if (n > 0 && raw > 0) {
    bench.counters["MB"] = static_cast<double>(bytes) / 1e6;
    bench.counters["raw_ms"] = 1e3 * raw / n;
    bench.counters["save_ms"] = 1e3 * saving / n;
    bench.counters["load_ms"] = 1e3 * (ours - saving) / n;
    bench.counters["parse_ms"] = 1e3 * parse / n;
    bench.counters["ratio"] = ours / raw;
  }
}
// Settings only, settings and calibration (the default), settings and data, all.
BENCHMARK(BM_StateSaveLoad)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
