// From the start of the program (in-process, offscreen, a fresh data root, one channel) to the
// first completed sweep in demonstration mode. The figure includes the emulator's rediscovery
// after the firmware upload and the connect sequence's settling time of the instrument. Beside
// the wall time it reports the CPU seconds the whole process (every thread) spent per start: the
// start is mostly waiting, so that figure shows whether the waits sleep or spin.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "instrument/ScannerModule.h"
#include "platform/ui/Application.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"

namespace {

namespace fs = std::filesystem;

// CPU seconds used so far by every thread of this process.
double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A private data root, runtime and configuration folder for one start.
class TFreshRoot {
 public:
  TFreshRoot() {
    std::string pattern = (fs::temp_directory_path() / "tervan-bench-XXXXXX").string();
    Root = mkdtemp(pattern.data());
    fs::create_directories(Root / "home");
    fs::create_directories(Root / "config");
    fs::create_directories(Root / "run");
    fs::permissions(Root / "run", fs::perms::owner_all, fs::perm_options::replace);
    setenv("TERVAN_HOME", (Root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (Root / "run").c_str(), 1);
  }
  ~TFreshRoot() {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  fs::path Root;
};

ui::Application& App() {
  static std::unique_ptr<ui::Application> app;
  if (!app) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "bench_startup";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<ui::Application>(argc, argv);
  }
  return *app;
}

void BM_StartToFirstSweep(benchmark::State& state) {
  App();
  double cpu = 0;
  double wall = 0;
  int64_t starts = 0;
  for (auto _ : state) {
    TFreshRoot root;
    std::vector<std::string> texts = {"tervan", "DemoMode"};
    std::vector<char*> argv;
    for (std::string& t : texts) argv.push_back(t.data());
    argv.push_back(nullptr);

    const auto started = std::chrono::steady_clock::now();
    const double cpuStarted = ProcessCpuSeconds();
    TProgramStart::Start(static_cast<int>(texts.size()), argv.data());
    QEventLoop loop;
    bool swept = false;
    auto original = ScannerModule->OnSweepDone;
    ScannerModule->OnSweepDone = [&](TFObject* sender) {
      if (!swept) {
        swept = true;
        loop.quit();
      }
      if (original) original(sender);
    };
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);  // a hang ends the measurement
    loop.exec();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    TProgramStart::Stop();
    const double cpuSeconds = ProcessCpuSeconds() - cpuStarted;
    if (!swept) {
      state.SkipWithError("no sweep within 30 s");
      break;
    }
    state.SetIterationTime(seconds);
    cpu += cpuSeconds;
    wall += seconds;
    ++starts;
  }
  if (starts > 0) {
    state.counters["cpu_s_per_start"] = cpu / static_cast<double>(starts);
    state.counters["wall_s_per_start"] = wall / static_cast<double>(starts);
    state.counters["cpu_target_s"] = 0.2;
  }
}

}  // namespace

BENCHMARK(BM_StartToFirstSweep)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
