// The shell's dialogs: each one from construction to its first paint (a grab renders every
// child), beside a plain Qt dialog with as many labels and push buttons built and grabbed in the
// same iterations; and a 16,001-point channel with its calibration, traces and memories stored
// into a channel state and recalled from it with save type 3 through the Save Channel and
// Recall Channel dialogs' handlers, beside the same number of bytes written to a file with
// fsync and read back. "ratio" is ours over the peer; "target_ms" the figure each must stay
// under.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "dialogs/ChannelListFrm.h"
#include "dialogs/FreqOffsetFrm.h"
#include "dialogs/SaveRecallFrm.h"
#include "dialogs/ServiceFrm.h"
#include "dialogs/System30Frm.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/CalRange.h"
#include "model/ChannelStore.h"
#include "model/MemIniFile.h"
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
#include "widgets/LbButton.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 16001;
constexpr double kPaintTargetMs = 30;
constexpr double kChannelTargetMs = 50;

// The main window with the modules the dialogs reach, in demonstration mode with the sweep on
// hold, on a private data root; channel 1 has 16,001 points, four traces with memories and a
// calibration.
struct TProgram {
  TProgram() {
    std::string pattern = (fs::temp_directory_path() / "tervan-dialogbench-XXXXXX").string();
    Root = mkdtemp(pattern.data());
    for (const char* f : {"home", "config", "run"}) fs::create_directories(Root / f);
    fs::permissions(Root / "run", fs::perms::owner_all, fs::perm_options::replace);
    setenv("TERVAN_HOME", (Root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (Root / "run").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ui::Application::ForTests();
    SetRunModeFromText("DemoMode EnableService VorlaMode");
    previousDispatcher = platform::UiDispatcher::install(&queue);
    device = std::make_unique<TDevice>();
    services->Device = device.get();
    services->SynthesizerTV30 = &synth30;
    emulator = EmulatorBackend::InstallForDemoMode();
    ScannerModule = new TScannerModule();
    ViewProperties = new TViewProperties();
    CalibratorModule = new TCalibratorModule((Root / "calkit.ini").string());
    services->CalibratorModule = CalibratorModule;
    ChannelStore = new TChannelStore();
    frm = std::make_unique<TMainFrm>();
    MainFrm = frm.get();
    ui::Form::SetMainForm(frm.get());
    clock.advanceMs(TMainFrm::kDelayCreateMs);
    ui::Timer::Fake::RunDue();
    ScannerModule->TriggerMode = TScannerModule::Hold;
    Configure(*frm->GetView(0));
  }

  static void Configure(TRangeView& view) {
    TRange& range = *view.Range;
    TRangeSettings settings;
    TSegments segments;
    range.GetSettings(settings, segments);
    settings.NPoints = kPoints;
    range.ApplySettings(segments, settings);
    while (view.Measurements->GetCount() < 4) view.Measurements->AddMeasurement(0, 0);
    for (int i = 0; i < range.GetCount(); ++i) range.SetPointData(0, i, TComplex{0.25 + 1e-5 * i, -0.125 + 3e-6 * i});
    for (int t = 0; t < 4; ++t) {
      TMeasurement* trace = view.Measurements->GetMeasurement(t);
      trace->ResizeToChannel();
      trace->Recalculate();
      trace->Memories->StoreData();
    }
    TCalibr& cal = *view.UserCalibration;
    std::vector<double> f(static_cast<size_t>(kPoints));
    for (int i = 0; i < kPoints; ++i) f[static_cast<size_t>(i)] = range.GetPointFrequency(i);
    delete cal.Terms;
    cal.Terms = new TCalRange(4, 0, f);
    for (int i = 0; i < kPoints; ++i) {
      cal.Terms->SetErrorTermA(0, i, TComplex{1.0 - i * 1e-5, 0.001 * i});
      cal.Terms->SetErrorTermB(0, i, TComplex{0.0001 * i, -0.002});
      cal.Terms->SetErrorTermC(0, i, TComplex{0.05, 0.0001 * i});
    }
    cal.Method[0] = 4;
    cal.Settings.SweepMode = 0;
    cal.Settings.NPoints = kPoints;
    cal.Settings.MinFrequency = range.GetPointFrequency(0);
    cal.Settings.MaxFrequency = range.GetPointFrequency(kPoints - 1);
    cal.Segments = {TSegment{}};
    view.CalibrationChanged(view.UserCalibration);
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

// Kept to the end of the program; only its data root is removed at exit.
TProgram& Program() {
  static TProgram* program = [] {
    auto* made = new TProgram();
    static fs::path root = made->Root;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(root, ec);
    });
    return made;
  }();
  return *program;
}

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The peer of a dialog: a plain Qt dialog of the same size with as many labels and push
// buttons, built and grabbed.
void PlainDialog(int labels, int buttons, const QSize& size) {
  QDialog dialog;
  dialog.resize(size);
  int y = 0;
  for (int i = 0; i < labels; ++i) {
    auto* l = new QLabel(QStringLiteral(" Caption %1").arg(i), &dialog);
    l->setGeometry(6, y, size.width() - 12, 16);
    y += 18;
  }
  for (int i = 0; i < buttons; ++i) {
    auto* b = new QPushButton(QStringLiteral("Button %1").arg(i), &dialog);
    b->setGeometry(6, y, size.width() - 12, 28);
    y += 30;
  }
  const QPixmap picture = dialog.grab();
  benchmark::DoNotOptimize(picture.cacheKey());
}

using TMaker = std::function<ui::Form*()>;

void FirstPaint(benchmark::State& bench, const TMaker& make) {
  Program();
  double ours = 0;
  double peer = 0;
  for (auto _ : bench) {
    auto started = std::chrono::steady_clock::now();
    QSize size;
    int labels = 0;
    int buttons = 0;
    {
      std::unique_ptr<ui::Form> dialog(make());
      const QPixmap picture = dialog->grab();
      benchmark::DoNotOptimize(picture.cacheKey());
      size = dialog->size();
      const double seconds = Seconds(started);
      bench.SetIterationTime(seconds);
      ours += seconds;
      labels = static_cast<int>(dialog->findChildren<ui::Panel*>().size());
      buttons = static_cast<int>(dialog->findChildren<TLbButton*>().size());
    }
    started = std::chrono::steady_clock::now();
    PlainDialog(labels, buttons, size);
    peer += Seconds(started);
  }
  const double n = static_cast<double>(bench.iterations());
  if (n > 0 && peer > 0) {
    bench.counters["peer_ms"] = 1e3 * peer / n;
    bench.counters["ratio"] = ours / peer;
    bench.counters["target_ms"] = kPaintTargetMs;
    bench.counters["within"] = 1e3 * ours / n < kPaintTargetMs ? 1 : 0;
  }
}

QWidget* Main() { return Program().frm.get(); }

void BM_FirstPaint_System(benchmark::State& s) { FirstPaint(s, [] { return new TSystem30Frm(Main()); }); }
void BM_FirstPaint_Files(benchmark::State& s) { FirstPaint(s, [] { return new TSaveRecallFrm(Main()); }); }
void BM_FirstPaint_Channels(benchmark::State& s) { FirstPaint(s, [] { return new TChannelListFrm(Main()); }); }
void BM_FirstPaint_SaveChannel(benchmark::State& s) { FirstPaint(s, [] { return new TSaveChannelFrm(Main()); }); }
void BM_FirstPaint_RecallChannel(benchmark::State& s) {
  FirstPaint(s, [] { return new TRecallChannelFrm(Main()); });
}
void BM_FirstPaint_Service(benchmark::State& s) { FirstPaint(s, [] { return new TServiceFrm(Main()); }); }
void BM_FirstPaint_Factory(benchmark::State& s) { FirstPaint(s, [] { return new TFactoryFrm(Main()); }); }
void BM_FirstPaint_FreqOffset(benchmark::State& s) { FirstPaint(s, [] { return new TFreqOffsetFrm(Main()); }); }
BENCHMARK(BM_FirstPaint_System)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Files)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Channels)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_SaveChannel)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_RecallChannel)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Service)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_Factory)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPaint_FreqOffset)->UseManualTime()->Unit(benchmark::kMillisecond);

// The peer: the bytes written to a fresh file with fsync, then read back whole.
void RawWriteAndRead(const std::string& path, const std::string& bytes, std::string& back) {
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

void Press(TLbButton& button) { button.OnMouseDown(button, ui::MouseButton::Left, 0, 0, 0); }

void BM_ChannelStoreRecall(benchmark::State& bench) {
  TProgram& p = Program();
  p.frm->SetSaveType(3);
  TSaveChannelFrm save(p.frm.get());
  TRecallChannelFrm recall(p.frm.get());
  const std::string rawPath = (p.Root / "raw.bin").string();
  double ours = 0;
  double store = 0;
  double raw = 0;
  size_t bytes = 0;
  std::string back;
  for (auto _ : bench) {
    auto started = std::chrono::steady_clock::now();
    Press(*save.btState[0]);
    store += Seconds(started);
    Press(*recall.btState[0]);
    const double seconds = Seconds(started);
    bench.SetIterationTime(seconds);
    ours += seconds;
    if (bytes == 0) {
      // What a slot holds: the channel window's section as a state file writes it.
      TMemIniFile ini;
      p.frm->GetActiveView()->SaveToIni(ini, "Channel", 3);
      bytes = ini.GetText().size();
    }
    const std::string same(bytes, 'x');
    started = std::chrono::steady_clock::now();
    RawWriteAndRead(rawPath, same, back);
    benchmark::DoNotOptimize(back.data());
    raw += Seconds(started);
  }
  const double n = static_cast<double>(bench.iterations());
  if (n > 0 && raw > 0) {
    bench.counters["MB"] = static_cast<double>(bytes) / 1e6;
    bench.counters["raw_ms"] = 1e3 * raw / n;
    bench.counters["store_ms"] = 1e3 * store / n;
    bench.counters["recall_ms"] = 1e3 * (ours - store) / n;
    bench.counters["ratio"] = ours / raw;
    bench.counters["target_ms"] = kChannelTargetMs;
    bench.counters["within"] = 1e3 * ours / n < kChannelTargetMs ? 1 : 0;
  }
}
BENCHMARK(BM_ChannelStoreRecall)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);

}  // namespace
