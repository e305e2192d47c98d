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
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QPrinter>

#include "automation/AutomationCore.h"
#include "automation/ClientFiles.h"
#include "automation/ScpiParser.h"
#include "automation/ScpiServer.h"
#include "automation/ScpiSession.h"
#include "automation/ScpiStimulusNodes.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "display/RangeView.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/CalRange.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "platform/Paths.h"
#include "platform/Tcp.h"
#include "platform/ui/Application.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/QtTcp.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"

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
  // Stopped at exit as the program stops, before the application and the start's own statics
  // go (registered after both were made, so it runs first): left running, the scanner's reading
  // thread would go on reading through the demonstration back end that the start's statics
  // delete at exit.
  static fs::path dataRoot = root;
  std::atexit([] {
    TProgramStart::Stop();
    std::error_code ec;
    fs::remove_all(dataRoot, ec);
  });
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

// ---- CALCulate: the large arrays of a 16001-point trace -----------------------------------------
// The sweep held, channel 1 at 16001 points with a memory stored, its trace shaped so that the
// limit and analysis runs find work; each "peer" beside ours does the least the reply needs: the
// same numbers formatted straight from the trace's vectors with std::to_chars, or a bare loop.
constexpr int kCalcPoints = 16001;

TMeasurement& CalcTrace() { return *MainFrm->GetView(0)->GetTraces()->GetActive(); }

automation::TScpiSession& CalcSession() {
  static automation::TScpiSession* session = [] {
    Program();
    auto* s = new automation::TScpiSession;
    s->Execute("INIT:CONT OFF");
    ui::EventLoop::WaitUntil([] { return ScannerModule->GetScanner().GetState() == TScanner::STOP; }, 20000);
    TRange& r = *MainFrm->GetView(0)->Range;
    r.SetSweepTypeText("LIN");
    r.SetPointCount(kCalcPoints);
    r.SetStartFrequency(100);
    r.SetStopFrequency(1100);
    TMeasurement& t = CalcTrace();
    t.ResizeToChannel();
    s->Execute("CALC:SEL:MATH:MEM");
    for (int i = 0; i < t.GetPointCount(); ++i) {
      t.SmoothedData[size_t(i)] = {-20 + 3 * std::sin(i * 0.05) + 1e-3 * (i % 7), 0.0};
      t.TimeData[size_t(i)] = {0.3 * std::cos(i * 1e-3), 0.3 * std::sin(i * 1e-3)};
    }
    t.DisplayedDataChanged();
    return s;
  }();
  return *session;
}

std::string ToChars(const std::vector<double>& v) {
  std::string out(v.size() * 26, '\0');
  char* p = out.data();
  for (size_t i = 0; i < v.size(); ++i) {
    if (i != 0) *p++ = ',';
    p = std::to_chars(p, out.data() + out.size(), v[i]).ptr;
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

void CalcQuery(benchmark::State& state, const char* query, size_t values) {
  automation::TScpiSession& s = CalcSession();
  const std::string reply = s.Execute(query).value_or("");
  if (static_cast<size_t>(std::count(reply.begin(), reply.end(), ',')) + 1 != values) {
    state.SkipWithError(query);
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(s.Execute(query));
}

void BM_CalcFdat16001(benchmark::State& state) { CalcQuery(state, "CALC:SEL:DATA:FDAT?", 2 * kCalcPoints); }
BENCHMARK(BM_CalcFdat16001)->Unit(benchmark::kMillisecond);
void BM_CalcSdat16001(benchmark::State& state) { CalcQuery(state, "CALC:SEL:DATA:SDAT?", 2 * kCalcPoints); }
BENCHMARK(BM_CalcSdat16001)->Unit(benchmark::kMillisecond);
void BM_CalcFmem16001(benchmark::State& state) { CalcQuery(state, "CALC:SEL:DATA:FMEM?", 2 * kCalcPoints); }
BENCHMARK(BM_CalcFmem16001)->Unit(benchmark::kMillisecond);
void BM_CalcSmem16001(benchmark::State& state) { CalcQuery(state, "CALC:SEL:DATA:SMEM?", 2 * kCalcPoints); }
BENCHMARK(BM_CalcSmem16001)->Unit(benchmark::kMillisecond);

void BM_CalcFdat16001PeerToChars(benchmark::State& state) {
  CalcSession();
  const TMeasurement& t = CalcTrace();
  for (auto _ : state) {
    std::vector<double> v(t.SmoothedData.size() * 2);
    for (size_t i = 0; i < t.SmoothedData.size(); ++i) {
      v[2 * i] = t.SmoothedData[i].Re;
      v[2 * i + 1] = t.SmoothedData[i].Im;
    }
    benchmark::DoNotOptimize(ToChars(v));
  }
}
BENCHMARK(BM_CalcFdat16001PeerToChars)->Unit(benchmark::kMillisecond);

// 1000 upper segments of 16 points each over the trace, the test on.
void BM_CalcLimitReportAll1000Segments(benchmark::State& state) {
  automation::TScpiSession& s = CalcSession();
  std::string line = "CALC:SEL:LIM:DATA 1000";
  for (int i = 0; i < 1000; ++i) {
    const double beg = 100e6 + i * 1e6;
    line += ",1," + FloatToText(beg) + "," + FloatToText(beg + 0.9e6) + ",-18,-18";
  }
  s.Execute(line);
  s.Execute("CALC:SEL:LIM:STAT ON");
  if (CalcTrace().LimitLine->GetSegmentCount() != 1000) state.SkipWithError("LIM:DATA failed");
  for (auto _ : state) benchmark::DoNotOptimize(s.Execute("CALC:SEL:LIM:REP:ALL?"));
  s.Execute("CALC:SEL:LIM:STAT OFF");
}
BENCHMARK(BM_CalcLimitReportAll1000Segments)->Unit(benchmark::kMillisecond);

void BM_CalcLimitReportAllPeerToChars(benchmark::State& state) {
  CalcSession();
  const TMeasurement& t = CalcTrace();
  for (auto _ : state) {
    std::vector<double> v(size_t(t.GetPointCount()) * 4);
    for (int p = 0; p < t.GetPointCount(); ++p) {
      v[4 * size_t(p)] = t.GetPointStimulus(p) * 1e6;
      v[4 * size_t(p) + 1] = t.GetDisplayValue(p) > -18 ? 0 : 1;
      v[4 * size_t(p) + 2] = -18;
    }
    benchmark::DoNotOptimize(ToChars(v));
  }
}
BENCHMARK(BM_CalcLimitReportAllPeerToChars)->Unit(benchmark::kMillisecond);

// LIM:DATA of 10000 segments over SCPI, parse and one test included.
void BM_CalcLimitData10000Segments(benchmark::State& state) {
  automation::TScpiSession& s = CalcSession();
  std::string line = "CALC:SEL:LIM:DATA 10000";
  for (int i = 0; i < 10000; ++i) {
    const double beg = 100e6 + i * 1e5;
    line += ",1," + FloatToText(beg) + "," + FloatToText(beg + 0.9e5) + ",-18,-18";
  }
  s.Execute("CALC:SEL:LIM:STAT ON");
  for (auto _ : state) {
    s.Execute("CALC:SEL:LIM:DATA 0");
    s.Execute(line);
  }
  if (CalcTrace().LimitLine->GetSegmentCount() != 10000) state.SkipWithError("LIM:DATA failed");
  s.Execute("CALC:SEL:LIM:STAT OFF");
}
BENCHMARK(BM_CalcLimitData10000Segments)->Unit(benchmark::kMillisecond);

// The same table built the way the setters would build it, each setter testing the line again:
// 1000 segments (10000 take minutes), beside ReplaceSegments of the same 1000.
std::vector<TLimitSegment> CalcSegments(int n) {
  std::vector<TLimitSegment> segs(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) segs[size_t(i)] = {100.0 + i * 0.1, 100.09 + i * 0.1, -18, -18, TLimitLine::kLimitUpper};
  return segs;
}

void BM_CalcLimitSetterBySetter1000(benchmark::State& state) {
  CalcSession();
  TLimitLine& line = *CalcTrace().LimitLine;
  const std::vector<TLimitSegment> segs = CalcSegments(1000);
  for (auto _ : state) {
    line.Clear();
    for (int i = 0; i < 1000; ++i) {
      const TLimitSegment& g = segs[size_t(i)];
      line.InsertSegment(i);
      line.SetLimitType(i, g.LimitType);
      line.SetBegArgument(i, g.BegArgument);
      line.SetEndArgument(i, g.EndArgument);
      line.SetBegValue(i, g.BegValue);
      line.SetEndValue(i, g.EndValue);
    }
  }
}
BENCHMARK(BM_CalcLimitSetterBySetter1000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CalcLimitReplaceSegments1000(benchmark::State& state) {
  CalcSession();
  TLimitLine& line = *CalcTrace().LimitLine;
  const std::vector<TLimitSegment> segs = CalcSegments(1000);
  for (auto _ : state) line.ReplaceSegments(segs);
}
BENCHMARK(BM_CalcLimitReplaceSegments1000)->Unit(benchmark::kMillisecond);

// APE over the 16001 points (about 127 peaks); the peer a bare scan for local maxima.
void BM_CalcFunctionExecuteApe(benchmark::State& state) {
  automation::TScpiSession& s = CalcSession();
  s.Execute("CALC:SEL:FUNC:TYPE APE;PEXC 1;DOM:STAT OFF");
  s.Execute("CALC:SEL:FUNC:EXEC");
  if (CalcTrace().GetFunctionPointCount() < 10) state.SkipWithError("APE found no peaks");
  for (auto _ : state) s.Execute("CALC:SEL:FUNC:EXEC");
  state.counters["peaks"] = CalcTrace().GetFunctionPointCount();
}
BENCHMARK(BM_CalcFunctionExecuteApe)->Unit(benchmark::kMillisecond);

void BM_CalcFunctionApePeerLocalMaxima(benchmark::State& state) {
  CalcSession();
  const TMeasurement& t = CalcTrace();
  for (auto _ : state) {
    std::vector<std::pair<double, double>> peaks;
    const std::vector<TComplex>& d = t.SmoothedData;
    for (size_t i = 1; i + 1 < d.size(); ++i) {
      if (d[i].Re > d[i - 1].Re && d[i].Re >= d[i + 1].Re) peaks.emplace_back(d[i].Re, t.GetPointStimulus(int(i)) * 1e6);
    }
    benchmark::DoNotOptimize(peaks);
  }
}
BENCHMARK(BM_CalcFunctionApePeerLocalMaxima)->Unit(benchmark::kMillisecond);

// ---- SENSe ------------------------------------------------------------------------------------------
// The segment put of 201 segments with all three per-segment values and the extra value (1414
// numbers), 16001 points in segment sweep: one rebuild in its batch, beside the same records
// applied setter by setter (a rebuild per setter). Two tables alternate so every put changes the
// table. Then FREQ:DATA? and COEF:DATA? ES,1,1 at 16001 points, in-process, each beside a plain
// copy loop over the same values.
TRange& SenseChannel() {
  TRange& r = *MainFrm->GetView(0)->GetRange();
  ScannerModule->SetTriggerMode(TScannerModule::Hold);
  ScannerModule->StopSweep();
  return r;
}

std::vector<double> SegmentArray(const TRange& r, double shiftMHz) {
  const double lo = r.GetDeviceMinFrequency() + 1, hi = r.GetDeviceMaxFrequency() - 1;
  const double slot = (hi - lo) / 201;
  std::vector<double> v = {5, 0, 1, 1, 1, 1, 201};
  for (int i = 0; i < 201; ++i) {
    const double start = lo + i * slot + shiftMHz;
    v.insert(v.end(), {start * 1e6, (start + slot / 2) * 1e6, i == 0 ? 201.0 : 79.0, 1000, 0, 0.001, 0});
  }
  return v;
}

void SegmentPut(benchmark::State& state, bool batched) {
  Program();
  TRange& r = SenseChannel();
  r.SetSweepType(TRange::Segm);
  const std::vector<double> a = SegmentArray(r, 0), b = SegmentArray(r, 0.25);
  automation::PutSegmentTable(r, a);
  if (r.GetCount() != 16001) state.SkipWithError("the table does not hold 16001 points");
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    automation::PutSegmentTable(r, flip ? b : a, batched);
  }
  state.counters["points"] = r.GetCount();
}

void BM_SegmentPut201Batched(benchmark::State& state) { SegmentPut(state, true); }
BENCHMARK(BM_SegmentPut201Batched)->Unit(benchmark::kMillisecond);

void BM_SegmentPut201SetterBySetterPeer(benchmark::State& state) { SegmentPut(state, false); }
BENCHMARK(BM_SegmentPut201SetterBySetterPeer)->Unit(benchmark::kMillisecond)->Iterations(2);

// The whole SCPI path of the same put: parse, bind, check, apply.
void BM_SegmentPut201Scpi(benchmark::State& state) {
  Program();
  TRange& r = SenseChannel();
  r.SetSweepType(TRange::Segm);
  std::string lines[2];
  for (int k = 0; k < 2; ++k) {
    const std::vector<double> v = SegmentArray(r, 0.25 * k);
    lines[k] = "SENS:SEGM:DATA ";
    for (size_t i = 0; i < v.size(); ++i) lines[k] += (i != 0 ? "," : "") + FloatToText(v[i]);
  }
  automation::TScpiSession session;
  int k = 0;
  for (auto _ : state) session.Execute(lines[k ^= 1]);
  if (session.PopError() != "0,\"No error\"") state.SkipWithError("the put failed");
}
BENCHMARK(BM_SegmentPut201Scpi)->Unit(benchmark::kMillisecond);

automation::Node SenseNode(const std::vector<const char*>& path) {
  automation::Node node = automation::child(automation::createApplication(), "SCPI").Value.asNode();
  node = automation::child(node, "SENSe", {1}).Value.asNode();
  for (const char* step : path) node = automation::child(node, step).Value.asNode();
  return node;
}

void BM_FrequencyData16001InProcess(benchmark::State& state) {
  Program();
  TRange& r = SenseChannel();
  r.SetSweepType(TRange::Lin);
  r.SetPointCount(16001);
  const automation::Node freq = SenseNode({"FREQuency"});
  for (auto _ : state) {
    automation::CallResult out = automation::invoke(freq, "DATA", automation::CallKind::Get);
    benchmark::DoNotOptimize(out);
  }
  state.counters["points"] = r.GetCount();
}
BENCHMARK(BM_FrequencyData16001InProcess)->Unit(benchmark::kMillisecond);

void BM_FrequencyData16001PeerCopy(benchmark::State& state) {
  Program();
  TRange& r = SenseChannel();
  r.SetSweepType(TRange::Lin);
  r.SetPointCount(16001);
  for (auto _ : state) {
    std::vector<double> v(static_cast<size_t>(r.GetCount()));
    for (int i = 0; i < r.GetCount(); ++i) v[static_cast<size_t>(i)] = r.GetPointFrequency(i) * 1e6;
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_FrequencyData16001PeerCopy)->Unit(benchmark::kMillisecond);

// An error-term table of 16001 points in the active calibration.
TCalibr& TermsOf16001() {
  TCalibr& cal = *CalibratorModule->GetUserCalibr();
  if (cal.Terms == nullptr || cal.Terms->GetCount() != 16001) {
    std::vector<double> f(16001);
    for (size_t i = 0; i < f.size(); ++i) f[i] = 100.0 + 0.1 * static_cast<double>(i);
    delete cal.Terms;
    cal.Terms = TCalRange::CreateFromFrequencies(cmF1, cmNone, f);
    for (int i = 0; i < 16001; ++i) cal.Terms->SetErrorTermC(0, i, TComplex{1e-3 * i, -1e-3 * i});
  }
  return cal;
}

void BM_ErrorTermData16001InProcess(benchmark::State& state) {
  Program();
  TermsOf16001();
  const automation::Node coef = SenseNode({"CORRection", "COEFficient"});
  for (auto _ : state) {
    automation::CallResult out = automation::invoke(coef, "DATA", automation::CallKind::Get, {"ES", 1, 1});
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_ErrorTermData16001InProcess)->Unit(benchmark::kMillisecond);

void BM_ErrorTermData16001PeerCopy(benchmark::State& state) {
  Program();
  const TCalRange& terms = *TermsOf16001().Terms;
  for (auto _ : state) {
    std::vector<double> v(2 * static_cast<size_t>(terms.GetCount()));
    for (int i = 0; i < terms.GetCount(); ++i) {
      const TComplex t = terms.GetErrorTermC(0, i);
      v[2 * static_cast<size_t>(i)] = t.Re;
      v[2 * static_cast<size_t>(i) + 1] = t.Im;
    }
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_ErrorTermData16001PeerCopy)->Unit(benchmark::kMillisecond);


// ---- MMEMory and HCOPy ------------------------------------------------------------------------
// Four channels of 16001 points, save type CDST: the state files are as large as they get.
void LargeState() {
  static bool done = false;
  if (done) return;
  done = true;
  MainFrm->SetChannelLayout(5);
  MainFrm->SetChannelCount(4);
  for (int i = 0; i < 4; ++i) MainFrm->GetChannel(i)->SetPointCount(16001);
  MainFrm->SetSaveTypeText("CDST");
}

double Seconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// MMEM:STOR:STAT and MMEM:LOAD:STAT through an in-process connection beside the direct
// SaveState/LoadState calls, alternating; the automation share (parse, bind, name check) is
// timed on its own, since it is far below the file time's spread.
void BM_MmemStoreLoadStateVsDirect(benchmark::State& state) {
  Program();
  LargeState();
  automation::TScpiSession session;
  const std::string path = platform::Paths::folder("State") + "/bench-direct.cfg";
  if (!session.Execute("MMEM:STOR:STAT \"bench\";:SYST:ERR?").value_or("").starts_with("0,"))
    state.SkipWithError("MMEM:STOR:STAT failed");
  double storeScpi = 0, storeDirect = 0, loadScpi = 0, loadDirect = 0;
  int round = 0;
  for (auto _ : state) {
    // The order alternates: whichever write comes first after a load pays for what the load
    // left to do.
    if (round++ % 2 == 0) {
      storeScpi += Seconds([&] { session.Execute("MMEM:STOR:STAT \"bench\""); });
      storeDirect += Seconds([&] { MainFrm->SaveState(path); });
    } else {
      storeDirect += Seconds([&] { MainFrm->SaveState(path); });
      storeScpi += Seconds([&] { session.Execute("MMEM:STOR:STAT \"bench\""); });
    }
    loadScpi += Seconds([&] { session.Execute("MMEM:LOAD:STAT \"bench\""); });
    loadDirect += Seconds([&] { MainFrm->LoadState(path); });
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["store_scpi_ms"] = storeScpi / n * 1e3;
  state.counters["store_direct_ms"] = storeDirect / n * 1e3;
  state.counters["load_scpi_ms"] = loadScpi / n * 1e3;
  state.counters["load_direct_ms"] = loadDirect / n * 1e3;
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(path));
  if (!session.Execute("SYST:ERR?").value_or("").starts_with("0,")) state.SkipWithError("an MMEM command failed");
}
BENCHMARK(BM_MmemStoreLoadStateVsDirect)->Unit(benchmark::kMillisecond)->Iterations(6);

// The automation share of one MMEM:STOR:STAT: a command of the same node parsed, bound and run
// (a setting with no file behind it), plus the client-name check.
void BM_MmemAutomationShare(benchmark::State& state) {
  Program();
  automation::TScpiSession session;
  for (auto _ : state) {
    session.Execute("MMEM:STOR:STYP CDST");
    benchmark::DoNotOptimize(automation::ClientFilePath("bench", "State", ".cfg"));
  }
  state.counters["target_us"] = 50;
}
BENCHMARK(BM_MmemAutomationShare)->Unit(benchmark::kMicrosecond);

// The two parts of that share on their own.
void BM_MmemCommandWithoutFile(benchmark::State& state) {
  Program();
  automation::TScpiSession session;
  for (auto _ : state) session.Execute("MMEM:STOR:STYP CDST");
}
BENCHMARK(BM_MmemCommandWithoutFile)->Unit(benchmark::kMicrosecond);

void BM_MmemClientNameCheck(benchmark::State& state) {
  Program();
  for (auto _ : state) benchmark::DoNotOptimize(automation::ClientFilePath("bench", "State", ".cfg"));
}
BENCHMARK(BM_MmemClientNameCheck)->Unit(benchmark::kMicrosecond);

// HCOP:IMM into a PDF file.
void BM_HcopyImmediateIntoPdf(benchmark::State& state) {
  Program();
  const std::string pdf = platform::Paths::folder("Image") + "/bench-print.pdf";
  TMainFrm::PrinterHook = [pdf] {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
    return printer;
  };
  automation::TScpiSession session;
  for (auto _ : state) session.Execute("HCOP:IMM");
  if (!session.Execute("SYST:ERR?").value_or("").starts_with("0,")) state.SkipWithError("HCOP:IMM failed");
  state.counters["pdf_bytes"] = static_cast<double>(fs::file_size(pdf));
  TMainFrm::PrinterHook = nullptr;
}
BENCHMARK(BM_HcopyImmediateIntoPdf)->Unit(benchmark::kMillisecond)->Iterations(5);

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
