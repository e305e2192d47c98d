// The marker dialogs on the main window in demonstration mode (sweep on hold), on a
// 16,001-point Log Mag trace:
//   MarkerListRefresh: the Marker List's refresh with 15 markers and the reference; beside it
//     the 16 stimulus readouts alone (GetArgumentText). "ratio" = ours / the readouts.
//   MarkerMathRefresh: the Marker Math refresh with the bandwidth and filter readouts on;
//     beside it the readouts' texts alone.
//   SearchPeakPress: a press on "Search Peak" (search, marker update, redraw request); beside
//     it the marker's search alone.
// The targets: refresh under 1 ms each, the press under 0.5 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/Timer.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "dialogs/MarkerListFrm.h"
#include "dialogs/MarkerMathFrm.h"
#include "dialogs/SearchPeakFrm.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "widgets/LbButton.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTracePoints = 16001;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The main window with its modules, on a private data root.
struct TProgram {
  TProgram() {
    std::string pattern = (fs::temp_directory_path() / "tervan-markerbench-XXXXXX").string();
    Root = mkdtemp(pattern.data());
    for (const char* sub : {"home", "config", "run"}) fs::create_directories(Root / sub);
    fs::permissions(Root / "run", fs::perms::owner_all, fs::perm_options::replace);
    setenv("TERVAN_HOME", (Root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (Root / "run").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ui::Application::ForTests();
    SetRunModeFromText("DemoMode");
    previousDispatcher = platform::UiDispatcher::install(&queue);
    device = std::make_unique<TDevice>();
    services->Device = device.get();
    services->SynthesizerTV30 = &synth30;
    emulator = EmulatorBackend::InstallForDemoMode();
    ScannerModule = new TScannerModule();
    ViewProperties = new TViewProperties();
    CalibratorModule = new TCalibratorModule((Root / "calkit.ini").string());
    services->CalibratorModule = CalibratorModule;
    frm = std::make_unique<TMainFrm>();
    MainFrm = frm.get();
    ui::Form::SetMainForm(frm.get());
    clock.advanceMs(TMainFrm::kDelayCreateMs);
    ui::Timer::Fake::RunDue();
    ScannerModule->TriggerMode = TScannerModule::Hold;
  }
  ~TProgram() {
    ui::Form::SetMainForm(nullptr);
    ScannerModule->GetScanner().SetState(TScanner::STOP);
    ScannerModule->GetScanner().Connected = false;
    frm.reset();
    delete CalibratorModule;
    CalibratorModule = nullptr;
    delete ViewProperties;
    ViewProperties = nullptr;
    delete ScannerModule;
    ScannerModule = nullptr;
    platform::UsbBackend::install(nullptr);
    emulator.reset();
    platform::UiDispatcher::install(previousDispatcher);
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  TRange& Channel() { return *frm->GetActiveChannel(); }

  fs::path Root;
  platform::ManualClock clock;
  platform::ScopedClock scopedClock{clock};
  ui::Timer::Fake fakeTimers;
  platform::ManualUiDispatcher queue;
  platform::UiDispatcher* previousDispatcher = nullptr;
  TScopedServices services;
  TSynthesizerTV30 synth30;
  std::unique_ptr<TDevice> device;
  std::unique_ptr<EmulatorBackend> emulator;
  std::unique_ptr<TMainFrm> frm;
};

TProgram& Program() {
  static TProgram program;
  return program;
}

// A wavy trace with many peaks, 15 markers and the reference.
TMarkerList& Loaded() {
  TProgram& p = Program();
  TRange& ch = p.Channel();
  if (ch.GetCount() != kTracePoints) {
    ch.SetStartFrequency(100);
    ch.SetStopFrequency(6000);
    ch.SetPointCount(kTracePoints);
    for (int i = 0; i < ch.GetCount(); ++i) {
      const double db = -20 + 10 * std::sin(i * 0.01) + 3 * std::sin(i * 0.13);
      ch.SetPointData(0, i, TComplex{std::pow(10.0, db / 20), 0.0});
    }
    TMeasurement& t = *p.frm->GetActiveView()->GetTraces()->GetActive();
    t.SetFormat(0);
    t.Recalculate();
    TMarkerList& l = *t.Markers;
    while (l.GetMarkerCount() < 15) l.AddMarker();
    for (int i = 0; i < 15; ++i) l.FindMarker(i)->SetArgument(200 + 350 * i);
    l.SetReferenceEnabled(true);
    l.SetBandwidthSearch(true);
    l.SetPassbandStart(0);
    l.SetPassbandStop(1);
    l.SetStopbandStart(2);
    l.SetStopbandStop(3);
    l.SetRFFilterStats(true);
  }
  return *p.frm->GetActiveView()->GetTraces()->GetActive()->Markers;
}

void MarkerListRefresh(benchmark::State& state) {
  TMarkerList& l = Loaded();
  TMarkerListFrm dialog(Program().frm.get());
  double ours = 0, raw = 0;
  size_t sink = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    dialog.RefreshValues();
    const auto t1 = Clock::now();
    for (int i = 0; i < l.GetCount(); ++i) sink += l.GetMarker(i)->GetArgumentText().size();
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  benchmark::DoNotOptimize(sink);
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["raw_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}
BENCHMARK(MarkerListRefresh)->UseManualTime()->Unit(benchmark::kMicrosecond);

void MarkerMathRefresh(benchmark::State& state) {
  TMarkerList& l = Loaded();
  TMarkerMathFrm dialog(Program().frm.get());
  double ours = 0, raw = 0;
  size_t sink = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    dialog.RefreshValues();
    const auto t1 = Clock::now();
    sink += TMarkerMathFrm::MarkerText(l.PassbandStart).size() + (l.IsPassbandValid() ? 1 : 0);
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  benchmark::DoNotOptimize(sink);
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["raw_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = raw > 0 ? ours / raw : 0;
}
BENCHMARK(MarkerMathRefresh)->UseManualTime()->Unit(benchmark::kMicrosecond);

void SearchPeakPress(benchmark::State& state) {
  TMarkerList& l = Loaded();
  l.SetActiveMarker(7);
  TMarker& m = *l.GetActiveMarker();
  TSearchPeakFrm dialog(Program().frm.get());
  double ours = 0, raw = 0;
  for (auto _ : state) {
    m.SetArgument(2500);
    const auto t0 = Clock::now();
    dialog.btSearchPeak->OnMouseDown(*dialog.btSearchPeak, ui::MouseButton::Left, 0, 1, 1);
    const auto t1 = Clock::now();
    m.SetArgument(2500);
    const auto t2 = Clock::now();
    m.SearchWith(2);
    const auto t3 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t3 - t2);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["raw_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}
BENCHMARK(SearchPeakPress)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
