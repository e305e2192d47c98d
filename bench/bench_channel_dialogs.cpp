// The channel dialogs on the main window in demonstration mode (sweep on hold):
//   SegmentGridRefresh: the segment editor rebuilding its grid for 8000 segments with the IF
//     bandwidth and delay columns; beside it, the same 48,000 cell values written as plain
//     numbers (std::to_chars) into strings. "ratio" = ours / that raw formatting.
//   SegmentCellEdit: one points entry through the editor's keypad setter (the channel's setter,
//     the rebuild of its 16,000 points, the grid refresh); beside it the channel's setter alone.
//   DelayStep: one "+" step of the Scale dialog's electrical delay on a 16,001-point Return
//     Loss trace with a memory and 20 % smoothing; beside it the trace's setter alone.
// The targets: refresh under 30 ms, the edit under 60 ms, the step under 20 ms.
#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/ScaleDialog.h"
#include "dialogs/SegmentListFrm.h"
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
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "widgets/EmiStringGrid.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSegments = 8000;
constexpr int kTracePoints = 16001;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The main window with its modules, on a private data root.
struct TProgram {
  TProgram() {
    std::string pattern = (fs::temp_directory_path() / "tervan-dialogbench-XXXXXX").string();
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

  // 8000 segments of two points, both optional columns shown, in segment sweep.
  void SegmentTable() {
    TRange& ch = Channel();
    TRangeSettings settings;
    TSegments segments;
    ch.GetSettings(settings, segments);
    segments.clear();
    for (int i = 0; i < kSegments; ++i) {
      TSegment s;
      s.Start = 100 + 1.0 * i;
      s.Stop = 100.5 + 1.0 * i;
      s.Points = 2;
      s.IFBW = i % 2 == 0 ? 1000 : 30000;
      s.Delay = 0.005 * (i % 100);
      segments.push_back(s);
    }
    ch.ApplySettings(segments, settings);
    ch.SetSegmentListIFBW(true);
    ch.SetSegmentListDelay(true);
    ch.SetSweepType(TRange::Segm);
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
class TBenchSegmentEditor : public TSegmentListFrm {
 public:
  using TSegmentListFrm::TSegmentListFrm;
  TCellEditor Editor(int column) {
    TCellEditor editor;
    CellEditor(column, RecordIndex(), editor);
    return editor;
  }
};

// The cell values of the table as plain numbers: the raw cost of writing them.
size_t FormatRaw(const TRange& ch, std::vector<std::string>& cells) {
  char buffer[32];
  size_t k = 0;
  for (int i = 0; i < ch.GetSegmentCount(); ++i) {
    const double values[] = {static_cast<double>(i + 1),    ch.GetSegmentStart(i) * 1e6, ch.GetSegmentStop(i) * 1e6,
                             double(ch.GetSegmentPoints(i)), double(ch.GetSegmentIFBW(i)), ch.GetSegmentDelay(i)};
    for (double v : values) {
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
      cells[k++].assign(buffer, end);
    }
  }
  return k;
}

void SegmentGridRefresh(benchmark::State& state) {
  TProgram program;
  program.SegmentTable();
  TSegmentListFrm editor(program.frm.get());
  std::vector<std::string> cells(static_cast<size_t>(kSegments) * 6);
  double ours = 0;
  double raw = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    editor.RefreshGrid();
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(FormatRaw(program.Channel(), cells));
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["raw_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}

void SegmentCellEdit(benchmark::State& state) {
  TProgram program;
  program.SegmentTable();
  TBenchSegmentEditor editor(program.frm.get());
  editor.sgList->SetCurrent(3, kSegments / 2);
  const TTableEditorFrm::TCellEditor points = editor.Editor(3);
  const int record = kSegments / 2 - 1;
  double ours = 0;
  double raw = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    // Ours takes the segment to three points, the setter alone back to two.
    points.Setter(3);
    const auto t1 = Clock::now();
    program.Channel().SetSegmentPoints(record, 2);
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["setter_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}

void DelayStep(benchmark::State& state) {
  TProgram program;
  TRange& ch = program.Channel();
  TRangeSettings settings;
  TSegments segments;
  ch.GetSettings(settings, segments);
  settings.NPoints = kTracePoints;
  settings.MinFrequency = 100;
  settings.MaxFrequency = 6000;
  ch.ApplySettings(segments, settings);
  TRangeView& view = *program.frm->GetActiveView();
  TMeasurement& trace = *view.Measurements->GetActive();
  for (int i = 0; i < ch.GetCount(); ++i) ch.SetPointData(0, i, TComplex{0.25 + 1e-5 * i, -0.125 + 3e-6 * i});
  trace.ResizeToChannel();
  trace.Recalculate();
  trace.Memories->StoreData();
  trace.SetSmoothing(true);
  trace.SetSmoothingAperture(20);
  TMeasViewFrm dialog(program.frm.get());
  double ours = 0;
  double raw = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    dialog.Step(TMeasViewFrm::hbDelayPlus);
    const auto t1 = Clock::now();
    trace.SetElectricalDelay(trace.ElectricalDelay * 0.5);
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    raw += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  state.counters["ms"] = 1e3 * ours / static_cast<double>(state.iterations());
  state.counters["setter_ms"] = 1e3 * raw / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / raw;
}

}  // namespace

BENCHMARK(SegmentGridRefresh)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SegmentCellEdit)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DelayStep)->UseManualTime()->Unit(benchmark::kMillisecond);
