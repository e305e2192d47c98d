#pragma once
// What the benchmarks on the main window share: the window with its modules in-process, in
// demonstration mode with the sweep on hold, on a private data root; channels and traces filled
// with data; and the timing of ours beside a peer in the same iterations.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/CalRange.h"
#include "model/ChannelStore.h"
#include "model/Complex.h"
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
#include "shell/ProgramStart.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

namespace benchrig {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
inline double Seconds(Clock::time_point from) { return Seconds(Clock::now() - from); }

struct TProgramOptions {
  const char* rootName = "tervan-dialogbench";  // the data root's folder name, before its random end
  const char* runMode = "DemoMode";
  bool mainForm = true;       // the window is the program's main form, as dialogs expect
  bool channelStore = false;  // the channel slots of Save and Recall Channel
  bool synthesizerGlobal = false;  // the K30 synthesizer in the program's global too (the service forms)
};

// The main window with the modules it reaches, in demonstration mode with the sweep on hold, on
// a private data root.
struct TProgram {
  explicit TProgram(const TProgramOptions& options = {}) : Options(options) {
    std::string pattern = (fs::temp_directory_path() / (std::string(options.rootName) + "-XXXXXX")).string();
    Root = mkdtemp(pattern.data());
    for (const char* sub : {"home", "config", "run"}) fs::create_directories(Root / sub);
    fs::permissions(Root / "run", fs::perms::owner_all, fs::perm_options::replace);
    setenv("TERVAN_HOME", (Root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (Root / "run").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ui::Application::ForTests();
    SetRunModeFromText(options.runMode);
    previousDispatcher = platform::UiDispatcher::install(&queue);
    device = std::make_unique<TDevice>();
    services->Device = device.get();
    services->SynthesizerTV30 = &synth30;
    if (options.synthesizerGlobal) SynthesizerTV30 = &synth30;
    emulator = EmulatorBackend::InstallForDemoMode();
    ScannerModule = new TScannerModule();
    ViewProperties = new TViewProperties();
    CalibratorModule = new TCalibratorModule((Root / "calkit.ini").string());
    services->CalibratorModule = CalibratorModule;
    if (options.channelStore) ChannelStore = new TChannelStore();
    frm = std::make_unique<TMainFrm>();
    if (options.mainForm) {
      MainFrm = frm.get();
      ui::Form::SetMainForm(frm.get());
    }
    clock.advanceMs(TMainFrm::kDelayCreateMs);
    ui::Timer::Fake::RunDue();
    ScannerModule->TriggerMode = TScannerModule::Hold;
  }
  ~TProgram() {
    if (Options.mainForm) ui::Form::SetMainForm(nullptr);
    ScannerModule->GetScanner().SetState(TScanner::STOP);
    ScannerModule->GetScanner().Connected = false;
    frm.reset();
    if (Options.mainForm) MainFrm = nullptr;
    if (Options.synthesizerGlobal) SynthesizerTV30 = nullptr;
    if (Options.channelStore) {
      delete ChannelStore;
      ChannelStore = nullptr;
    }
    delete CalibratorModule;
    CalibratorModule = nullptr;
    delete ViewProperties;
    ViewProperties = nullptr;
    delete ScannerModule;
    ScannerModule = nullptr;
    platform::UsbBackend::install(nullptr);
    emulator.reset();
    platform::UiDispatcher::install(previousDispatcher);
    ResetRunMode();
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  TRange& Channel() { return *frm->GetActiveChannel(); }

  // The channel on `points` points from 100 to 6000 MHz of data; its active trace
  // recalculated, with a memory.
  TMeasurement& TraceOn(int points);

  TProgramOptions Options;
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

// One program of type T kept to the end of the run (the window is never torn down under a
// running benchmark); only its data root is removed at exit.
template <class T>
T& KeptToTheEnd() {
  static T* program = [] {
    auto* made = new T();
    static fs::path root = made->Root;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(root, ec);
    });
    return made;
  }();
  return *program;
}

// The channel on `points` points; on this span too where one is given (MHz).
inline void SetPoints(TRange& range, int points) {
  TRangeSettings settings;
  TSegments segments;
  range.GetSettings(settings, segments);
  settings.NPoints = points;
  range.ApplySettings(segments, settings);
}
inline void SetPoints(TRange& range, int points, double minFrequency, double maxFrequency) {
  TRangeSettings settings;
  TSegments segments;
  range.GetSettings(settings, segments);
  settings.NPoints = points;
  settings.MinFrequency = minFrequency;
  settings.MaxFrequency = maxFrequency;
  range.ApplySettings(segments, settings);
}

// Every point of the channel on a slowly turning reflection, `offset` added to its real part.
inline void FillData(TRange& range, double offset = 0) {
  for (int i = 0; i < range.GetCount(); ++i) {
    range.SetPointData(0, i, TComplex{0.25 + 1e-5 * i + offset, -0.125 + 3e-6 * i});
  }
}

// The trace on its channel's points, recalculated, with a memory (and a marker where asked).
inline void Recalculate(TMeasurement& trace, bool marker = false) {
  trace.ResizeToChannel();
  trace.Recalculate();
  if (marker) trace.Markers->AddMarker();
  trace.Memories->StoreData();
}

// `traces` traces on the view, its channel's data filled, each recalculated with a memory.
inline void FillView(TRangeView& view, int traces, bool markers = false, double offset = 0) {
  while (view.Measurements->GetCount() < traces) view.Measurements->AddMeasurement(0, 0);
  FillData(*view.Range, offset);
  for (int t = 0; t < traces; ++t) Recalculate(*view.Measurements->GetMeasurement(t), markers);
}

inline TMeasurement& TProgram::TraceOn(int points) {
  TRange& ch = Channel();
  SetPoints(ch, points, 100, 6000);
  TMeasurement& trace = *frm->GetActiveView()->Measurements->GetActive();
  FillData(ch);
  Recalculate(trace);
  return trace;
}

// A one-port calibration on the channel's own `points` points, with terms that differ from point
// to point.
inline void CalibrateOnOwnPoints(TRangeView& view, int points) {
  const TRange& range = *view.Range;
  TCalibr& cal = *view.UserCalibration;
  std::vector<double> f(static_cast<size_t>(points));
  for (int i = 0; i < points; ++i) f[static_cast<size_t>(i)] = range.GetPointFrequency(i);
  delete cal.Terms;
  cal.Terms = new TCalRange(4, 0, f);
  for (int i = 0; i < points; ++i) {
    cal.Terms->SetErrorTermA(0, i, TComplex{1.0 - i * 1e-5, 0.001 * i});
    cal.Terms->SetErrorTermB(0, i, TComplex{0.0001 * i, -0.002});
    cal.Terms->SetErrorTermC(0, i, TComplex{0.05, 0.0001 * i});
  }
  cal.Method[0] = 4;
  cal.Settings.SweepMode = 0;
  cal.Settings.NPoints = points;
  cal.Settings.MinFrequency = range.GetPointFrequency(0);
  cal.Settings.MaxFrequency = range.GetPointFrequency(points - 1);
  cal.Segments = {TSegment{}};
  view.CalibrationChanged(view.UserCalibration);
}

// A table editor with its cell editors in reach.
template <class TEditor>
class TCellEditors : public TEditor {
 public:
  using TEditor::TEditor;
  typename TEditor::TCellEditor Editor(int column) {
    typename TEditor::TCellEditor editor;
    this->CellEditor(column, this->RecordIndex(), editor);
    return editor;
  }
};

inline void Untimed() {}

// Ours and the peer in turns over the benchmark's iterations, `untimed` before each; the
// iteration's time is ours alone. Counters: "ms" ours and `peerCounter` the peer, each per
// iteration, and "ratio" ours over the peer.
template <class Ours, class Peer, class Before = void (*)()>
void TimeBeside(benchmark::State& state, const char* peerCounter, Ours&& ours, Peer&& peer,
                Before&& untimed = Untimed) {
  double oursSeconds = 0;
  double peerSeconds = 0;
  for (auto _ : state) {
    untimed();
    const auto t0 = Clock::now();
    ours();
    const auto t1 = Clock::now();
    untimed();
    const auto t2 = Clock::now();
    peer();
    const auto t3 = Clock::now();
    oursSeconds += Seconds(t1 - t0);
    peerSeconds += Seconds(t3 - t2);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ms"] = 1e3 * oursSeconds / n;
  state.counters[peerCounter] = 1e3 * peerSeconds / n;
  state.counters["ratio"] = peerSeconds > 0 ? oursSeconds / peerSeconds : 0;
}

// A peer of saving: the bytes written to a fresh file with fsync, then read back whole.
inline void RawWriteAndRead(const std::string& path, const std::string& bytes, std::string& back) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::fsync(fd);
  ::close(fd);
  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return;
  back.resize(bytes.size());
  size_t got = 0;
  while (got < back.size()) {
    const ssize_t n = ::read(in, back.data() + got, back.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(in);
}

}  // namespace benchrig
