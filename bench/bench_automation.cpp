// The SCPI path in the running program (in-process, demonstration mode, offscreen): a query
// parsed, bound, run and formatted; the reply of 32002 doubles formatted; a line of 64004
// numbers parsed; and loopback round trips of a client thread against the server and, in the same
// run, against a plain echo server on the same transport classes and event loop.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "automation/ScpiParser.h"
#include "automation/ScpiServer.h"
#include "automation/ScpiSession.h"
#include "display/RangeView.h"
#include "instrument/ScannerModule.h"
#include "model/NumberText.h"
#include "platform/Tcp.h"
#include "platform/ui/Application.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/QtTcp.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "traces/MeasureList.h"

namespace {

namespace fs = std::filesystem;

// The program, started once for every benchmark of this run, in a private data root.
void Program() {
  static bool started = false;
  if (started) return;
  started = true;
  std::string pattern = (fs::temp_directory_path() / "tervan-bench-XXXXXX").string();
  const fs::path root = mkdtemp(pattern.data());
  fs::create_directories(root / "home");
  fs::create_directories(root / "config");
  fs::create_directories(root / "run");
  fs::permissions(root / "run", fs::perms::owner_all, fs::perm_options::replace);
  setenv("TERVAN_HOME", (root / "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "bench_automation";
  static char* argv[] = {name, nullptr};
  static ui::Application app(argc, argv);
  static const char* const args[] = {"tervan", "DemoMode", nullptr};
  TProgramStart::Start(2, args);
  ui::InstallQtTcp();
  ui::EventLoop::WaitUntil([] { return MainFrm != nullptr && MainFrm->GetView(0) != nullptr; }, 60000);
}

void BM_IdnQueryInProcess(benchmark::State& state) {
  Program();
  automation::TScpiSession session;
  if (session.Execute("*IDN?").value_or("").rfind("Ostrak,", 0) != 0) state.SkipWithError("*IDN? failed");
  for (auto _ : state) benchmark::DoNotOptimize(session.Execute("*IDN?"));
}
BENCHMARK(BM_IdnQueryInProcess)->Unit(benchmark::kMicrosecond);

void BM_TriggerSourceQueryInProcess(benchmark::State& state) {
  Program();
  automation::TScpiSession session;
  if (session.Execute("TRIG:SEQ:SOUR?").value_or("") != "INT") state.SkipWithError("TRIG:SEQ:SOUR? failed");
  for (auto _ : state) benchmark::DoNotOptimize(session.Execute("TRIG:SEQ:SOUR?"));
}
BENCHMARK(BM_TriggerSourceQueryInProcess)->Unit(benchmark::kMicrosecond);

std::vector<double> Values(size_t n) {
  std::vector<double> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = -40.0 + 1e-3 * static_cast<double>(i) + 1.0 / (static_cast<double>(i) + 3.0);
  return v;
}

// Ours: the reply formatter; the peer: std::to_chars straight into one buffer.
void BM_Format32002Doubles(benchmark::State& state) {
  const automation::Variant v(Values(32002));
  for (auto _ : state) benchmark::DoNotOptimize(automation::FormatReply(v, automation::ValueType::Array));
}
BENCHMARK(BM_Format32002Doubles)->Unit(benchmark::kMillisecond);

void BM_Format32002DoublesPeerToChars(benchmark::State& state) {
  const std::vector<double> v = Values(32002);
  for (auto _ : state) {
    std::string out(v.size() * 26, '\0');
    char* p = out.data();
    for (size_t i = 0; i < v.size(); ++i) {
      if (i != 0) *p++ = ',';
      p = std::to_chars(p, out.data() + out.size(), v[i]).ptr;
    }
    out.resize(static_cast<size_t>(p - out.data()));
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Format32002DoublesPeerToChars)->Unit(benchmark::kMillisecond);

std::string NumberLine() {
  std::string line = "CALC:DATA:SDAT ";
  const std::vector<double> v = Values(64004);
  for (size_t i = 0; i < v.size(); ++i) {
    if (i != 0) line += ',';
    line += FloatToText(v[i]);
  }
  return line;
}

// Ours: the line taken apart and every parameter read as the binder reads it.
void BM_Parse64004Numbers(benchmark::State& state) {
  const std::string line = NumberLine();
  for (auto _ : state) {
    const std::vector<automation::scpi::Command> commands = automation::scpi::ParseLine(line);
    std::vector<double> values;
    values.reserve(commands[0].Params.size());
    for (const automation::scpi::Parameter& p : commands[0].Params) values.push_back(automation::scpi::NumberValue(p.Text).value_or(0));
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(BM_Parse64004Numbers)->Unit(benchmark::kMillisecond);

void BM_Parse64004NumbersPeerFromChars(benchmark::State& state) {
  const std::string line = NumberLine();
  for (auto _ : state) {
    std::vector<double> values;
    values.reserve(64004);
    const char* p = line.data() + line.find(' ') + 1;
    const char* end = line.data() + line.size();
    while (p < end) {
      double d = 0;
      p = std::from_chars(p, end, d).ptr;
      values.push_back(d);
      if (p < end && *p == ',') ++p;
    }
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(BM_Parse64004NumbersPeerFromChars)->Unit(benchmark::kMillisecond);

// A plain echo server on the same transport and event loop: each line back in a later turn.
class TEchoServer {
 public:
  TEchoServer() {
    Listener = platform::Tcp::MakeListener();
    Listener->onConnection = [this](std::unique_ptr<platform::TcpConnection> c) {
      platform::TcpConnection* raw = c.get();
      raw->onReadable = [this, raw] {
        Input += raw->read(1 << 16);
        size_t lf;
        while ((lf = Input.find('\n')) != std::string::npos) {
          std::string line = Input.substr(0, lf + 1);
          Input.erase(0, lf + 1);
          platform::Tcp::NextTurn([raw, line] { raw->write(line); }, 0);
        }
      };
      Connections.push_back(std::move(c));
    };
    std::string error;
    Listener->listen("127.0.0.1", 0, error);
  }
  uint16_t Port() const { return Listener->port(); }

 private:
  std::unique_ptr<platform::TcpListener> Listener;
  std::vector<std::unique_ptr<platform::TcpConnection>> Connections;
  std::string Input;
};

// Queries per second of a client thread that sends each query and waits for its reply.
double RoundTrips(uint16_t port, int count) {
  std::atomic<bool> done{false};
  double qps = 0;
  std::thread client([&] {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      const char* queries[] = {"*IDN?\n", "TRIG:SEQ:SOUR?\n"};
      char buf[4096];
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < count; ++i) {
        const char* q = queries[i % 2];
        send(fd, q, std::char_traits<char>::length(q), 0);
        for (;;) {
          const ssize_t n = recv(fd, buf, sizeof buf, 0);
          if (n <= 0 || buf[n - 1] == '\n') break;
        }
      }
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      qps = count / s;
    }
    close(fd);
    done = true;
  });
  ui::EventLoop::WaitUntil([&] { return done.load(); }, 120000);
  client.join();
  return qps;
}

void BM_LoopbackRoundTrips(benchmark::State& state) {
  Program();
  automation::TScpiServer server;
  server.Log = nullptr;
  server.Listen("127.0.0.1", 0);
  TEchoServer echo;
  double scpi = 0, plain = 0;
  for (auto _ : state) {
    scpi = RoundTrips(server.Port(), 2000);
    plain = RoundTrips(echo.Port(), 2000);
  }
  state.counters["scpi_qps"] = scpi;
  state.counters["echo_qps"] = plain;
  state.counters["scpi_to_echo"] = plain > 0 ? scpi / plain : 0;
}
BENCHMARK(BM_LoopbackRoundTrips)->Unit(benchmark::kMillisecond)->Iterations(3);

// The wait of TRIG:SEQ:SING: the event loop runs for 200 ms with nothing to do. The CPU time the
// thread used per wall second shows whether the wait sleeps (near 0) or spins (near 1).
void BM_SingleWaitCpuPerWallSecond(benchmark::State& state) {
  Program();
  double ratio = 0;
  for (auto _ : state) {
    timespec c0{}, c1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
    const auto w0 = std::chrono::steady_clock::now();
    ui::EventLoop::WaitUntil([] { return false; }, 200);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
    const double cpu = static_cast<double>(c1.tv_sec - c0.tv_sec) + static_cast<double>(c1.tv_nsec - c0.tv_nsec) * 1e-9;
    ratio = cpu / wall;
  }
  state.counters["cpu_per_wall"] = ratio;
}
BENCHMARK(BM_SingleWaitCpuPerWallSecond)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// ---- Display nodes -------------------------------------------------------------------------------
namespace {

// Round-trip times in microseconds of a client thread that sends the queries in turn, each after
// the reply of the one before.
std::vector<double> RoundTripTimes(uint16_t port, const std::vector<std::string>& queries, int count) {
  std::atomic<bool> done{false};
  std::vector<double> times;
  times.reserve(static_cast<size_t>(count));
  std::thread client([&] {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      char buf[4096];
      for (int i = 0; i < count; ++i) {
        const std::string& q = queries[static_cast<size_t>(i) % queries.size()];
        const auto start = std::chrono::steady_clock::now();
        send(fd, q.data(), q.size(), 0);
        for (;;) {
          const ssize_t n = recv(fd, buf, sizeof buf, 0);
          if (n <= 0 || buf[n - 1] == '\n') break;
        }
        times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
      }
    }
    close(fd);
    done = true;
  });
  ui::EventLoop::WaitUntil([&] { return done.load(); }, 120000);
  client.join();
  return times;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// 1000 alternating DISP:SPL? and DISP:COL:TRAC1:DATA? over loopback; the echo server on the same
// transport and event loop answers the same lines beside it. Target: median under 1 ms.
void BM_DisplayQueriesLoopback(benchmark::State& state) {
  Program();
  automation::TScpiServer server;
  server.Log = nullptr;
  server.Listen("127.0.0.1", 0);
  TEchoServer echo;
  const std::vector<std::string> queries = {"DISP:SPL?\n", "DISP:COL:TRAC1:DATA?\n"};
  automation::TScpiSession check;
  if (check.Execute("DISP:COL:TRAC1:DATA?").value_or("").find(',') == std::string::npos) {
    state.SkipWithError("DISP:COL:TRAC1:DATA? failed");
  }
  double ours = 0, peer = 0;
  for (auto _ : state) {
    ours = Median(RoundTripTimes(server.Port(), queries, 1000));
    peer = Median(RoundTripTimes(echo.Port(), queries, 1000));
  }
  state.counters["median_us"] = ours;
  state.counters["echo_median_us"] = peer;
  state.counters["to_echo"] = peer > 0 ? ours / peer : 0;
  state.counters["target_us"] = 1000;
}
BENCHMARK(BM_DisplayQueriesLoopback)->Unit(benchmark::kMillisecond)->Iterations(3);

// FSIG ON and OFF in turn on four shown windows of four traces each, the sweep held: each switch
// asks every window eight times for a redraw (two signs of four traces). The chart lets at most
// one invalidation through per window within its 40 ms, and one more when the interval ends.
void BM_FailSignRedrawCoalescing(benchmark::State& state) {
  Program();
  automation::TScpiSession session;
  session.Execute("INIT:CONT OFF;:ABOR;:DISP:SPL 6");
  for (int i = 0; i < TMainFrm::kViewCount; ++i) {
    TMeasureList* list = MainFrm->GetView(i)->GetTraces();
    while (list->GetCount() < TMeasureList::MaxTraces) list->AddMeasurement(0, 16);
  }
  ui::EventLoop::WaitUntil([] { return false; }, 200);
  int64_t within = 0, after = 0;
  bool on = false;
  for (auto _ : state) {
    on = !on;
    std::array<int64_t, TMainFrm::kViewCount> before{};
    for (int i = 0; i < TMainFrm::kViewCount; ++i) before[static_cast<size_t>(i)] = MainFrm->GetView(i)->InvalidationCount;
    session.Execute(on ? "DISP:FSIG ON" : "DISP:FSIG OFF");
    ui::EventLoop::WaitUntil([] { return false; }, 35);
    for (int i = 0; i < TMainFrm::kViewCount; ++i) {
      within = std::max(within, MainFrm->GetView(i)->InvalidationCount - before[static_cast<size_t>(i)]);
    }
    ui::EventLoop::WaitUntil([] { return false; }, 100);
    for (int i = 0; i < TMainFrm::kViewCount; ++i) {
      after = std::max(after, MainFrm->GetView(i)->InvalidationCount - before[static_cast<size_t>(i)]);
    }
  }
  state.counters["requests_per_window"] = 2 * TMeasureList::MaxTraces;
  state.counters["max_invalidations_per_window_40ms"] = static_cast<double>(within);
  state.counters["max_invalidations_per_window_135ms"] = static_cast<double>(after);
  state.counters["target_40ms"] = 1;
}
BENCHMARK(BM_FailSignRedrawCoalescing)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
