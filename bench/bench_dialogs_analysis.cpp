// The trace dialogs on the main window in demonstration mode (sweep on hold):
//   LimitCellEdit: one Begin Response entry through the limit editor's keypad setter on a
//     16,001-point trace whose limit line has 50 segments, all tested (the line's setter, its
//     test, the grid refresh); beside it the line's setter alone. Target under 5 ms.
//   TraceListRefresh: the Trace List's refresh with four traces; beside it the four format
//     captions alone. Target under 1 ms.
//   GateStartEntry/N: one gate start through the Analysis dialog's keypad setter (distance
//     conversion, the window's setter that recalculates the gated traces and updates their
//     memories, the dialog's refresh) with four distance traces of N points, each with a memory
//     and the gate on; beside it the window's setter alone. Target under 20 ms for 1601 points;
//     16001 points printed without a target.
#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "dialogs/AnalysisDialog.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/LimitEditor.h"
#include "dialogs/TraceListDialog.h"
#include "traces/LimitLine.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/RunMode.h"
#include "model/Segment.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/Timer.h"
#include "shell/MainFrm.h"
#include "traces/MeasureList.h"
#include "traces/FormatMath.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "widgets/EmiStringGrid.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSegments = 50;
constexpr int kTracePoints = 16001;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The main window with its modules, on a private data root.
struct TProgram {
  TProgram() {
    std::string pattern = (fs::temp_directory_path() / "tervan-analysisbench-XXXXXX").string();
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

  // The active trace on 16,001 points of data, with a memory.
  TMeasurement& LongTrace() { return TraceOn(kTracePoints); }

  // The channel on `points` points of data; its active trace recalculated, with a memory.
  TMeasurement& TraceOn(int points) {
    TRange& ch = Channel();
    TRangeSettings settings;
    TSegments segments;
    ch.GetSettings(settings, segments);
    settings.NPoints = points;
    settings.MinFrequency = 100;
    settings.MaxFrequency = 6000;
    ch.ApplySettings(segments, settings);
    TMeasurement& trace = *frm->GetActiveView()->Measurements->GetActive();
    for (int i = 0; i < ch.GetCount(); ++i) ch.SetPointData(0, i, TComplex{0.25 + 1e-5 * i, -0.125 + 3e-6 * i});
    trace.ResizeToChannel();
    trace.Recalculate();
    trace.Memories->StoreData();
    return trace;
  }

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

// The editor with its cell editors in reach.
class TBenchLimitEditor : public TLimitEditFrm {
 public:
  using TLimitEditFrm::TLimitEditFrm;
  TCellEditor Editor(int column) {
    TCellEditor editor;
    CellEditor(column, RecordIndex(), editor);
    return editor;
  }
};

void LimitCellEdit(benchmark::State& state) {
  TProgram program;
  TMeasurement& trace = program.LongTrace();
  TLimitLine& line = *trace.LimitLine;
  for (int i = 0; i < kSegments; ++i) {
    line.InsertSegment(i);
    line.SetBegArgument(i, 100 + i * 100);
    line.SetEndArgument(i, 190 + i * 100);
    line.SetLimitType(i, 2);
  }
  trace.SetLimitTest(true);
  TBenchLimitEditor editor(program.frm.get());
  editor.sgList->SetCurrent(3, kSegments / 2);
  const TTableEditorFrm::TCellEditor begValue = editor.Editor(3);
  const int record = kSegments / 2 - 1;
  double ours = 0;
  double raw = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    begValue.Setter(-3);
    const auto t1 = Clock::now();
    line.SetBegValue(record, -4);
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["setter_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}

void TraceListRefresh(benchmark::State& state) {
  TProgram program;
  TMeasureList& traces = *program.frm->GetActiveView()->Measurements;
  for (int i = 0; i < 3; ++i) traces.AddMeasurement(0, 16);
  TTraceListFrm dialog(program.frm.get());
  double ours = 0;
  double raw = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    dialog.RefreshValues();
    const auto t1 = Clock::now();
    size_t n = 0;
    for (int i = 0; i < 4; ++i) n += traces.GetMeasurement(i)->GetFormatCaption().size();
    benchmark::DoNotOptimize(n);
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["captions_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}

void GateStartEntry(benchmark::State& state) {
  TProgram program;
  TRangeView& view = *program.frm->GetActiveView();
  TMeasureList& traces = *view.Measurements;
  for (int i = 0; i < 3; ++i) traces.AddMeasurement(0, fmtDtfReturnLoss);
  for (int i = 0; i < 4; ++i) {
    traces.SetActive(i);
    traces.GetActive()->SetFormat(fmtDtfReturnLoss);
  }
  view.SetGatingEnabled(true);
  for (int i = 0; i < 4; ++i) {
    traces.SetActive(i);
    program.TraceOn(static_cast<int>(state.range(0)));
  }
  ScannerModule->MetricSystem = TScannerModule::UnitMetres;
  TAnalysisFrm dialog(program.frm.get());
  const TTouchDialogFrm::TSetter start = dialog.GateSetter(false);
  // Ours and the bare setter take turns with two distances, so every call moves the gate.
  double ours = 0;
  double raw = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    start(-0.5);
    const auto t1 = Clock::now();
    view.SetGatingStart(TTimeDomainSettings::UnitToTime(-0.25));
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  if (view.TimeDomain.GatingStart == 0) state.SkipWithError("the gate did not move");
  state.counters["points"] = program.Channel().GetCount();
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["setter_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}

}  // namespace

BENCHMARK(GateStartEntry)->Arg(1601)->Arg(16001)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LimitCellEdit)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(TraceListRefresh)->UseManualTime()->Unit(benchmark::kMillisecond);
