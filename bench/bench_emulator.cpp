// How fast the demonstration emulator answers, against the measurement time it imitates.
//
// A 201-point sweep list (synthesizer, timing, 201 points, timing, end: 205 records) goes
// through the emulator over and over, written by one thread and read by another as the link's
// writer and reader do, with the emulator's real sleeps. Reported per IF bandwidth:
//   replies_per_s   measured replies per second
//   nominal_per_s   205 / the nominal sweep time (1000 / IFBW + ticks x 0.005 ms per record)
//   percent         measured / nominal x 100 (the emulator sleeps 1 ms short of each gathered
//                   slice, so it runs a little ahead of nominal)
//
// BM_ReplyPoint: the reply to one point record from the table, through the port with ideal
// terms (0) and with the realistic ones (1), per point; the realistic port should cost under
// 200 ns more.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "instrument/CmdRequest.h"
#include "instrument/EmulatorBackend.h"
#include "model/ResourceRegistry.h"
#include "platform/UiDispatcher.h"

namespace {

std::vector<TCmdRequest> SweepList(int ifBandwidth) {
  std::vector<TCmdRequest> list;
  TCmdRequest::TSynthWords words{};
  list.push_back(TCmdRequest::Synth(words, words, true, true));
  list.push_back(TCmdRequest::Timing(DelayTicks(130, 0), IFBandwidthCode(ifBandwidth), false));
  for (int i = 0; i < 201; ++i) {
    TCmdRequest p = TCmdRequest::Point(static_cast<uint16_t>(i));
    p.SetU16(4, 1 << 12);                                      // R = 1
    p.SetU16(6, static_cast<uint16_t>((31 + i / 8) << 7));     // about 1000 to 1800 MHz
    list.push_back(p);
  }
  list.push_back(TCmdRequest::Timing(BackScanDelayTicks(130, 1000, 0), IFBandwidthCode(ifBandwidth), false));
  TCmdRequest end = list[2];
  end.SetCode(TCmdRequest::EndCode);
  list.push_back(end);
  return list;
}

double NominalMs(const std::vector<TCmdRequest>& list) {
  double ms = 0;
  int bandwidth = 0, ticks = 0;
  for (const TCmdRequest& r : list) {
    if (r.GetCode() == TCmdRequest::TimingCode) {
      ticks = r.GetTimingTicks();
      bandwidth = static_cast<int>(IFBandwidthFromCode(r.GetTimingIFCode()));
    }
    ms += (bandwidth < 1 ? 0.0 : 1000.0 / bandwidth) + ticks * 0.005;
  }
  return ms;
}

std::string TableText() {
  std::string text;
  for (int f = 5; f <= 14000; f += 5) text += std::to_string(f) + " -12,5 -110 " + std::to_string(-0.06 * f) + " 0\r\n";
  return text;
}

void BM_EmulatorSweep(benchmark::State& state) {
  const int bandwidth = static_cast<int>(state.range(0));
  platform::ManualUiDispatcher ui;  // takes the emulator's delayed notice
  platform::UiDispatcher* previous = platform::UiDispatcher::install(&ui);
  RegisterResourceCopy("Emulation", TableText());
  EmulatorBackend emulator(4);
  platform::UsbBackend::Handle h = emulator.open(0);

  const std::vector<TCmdRequest> list = SweepList(bandwidth);
  std::vector<uint8_t> bytes(list.size() * TCmdRequest::Size);
  for (size_t i = 0; i < list.size(); ++i) list[i].WriteTo(bytes.data() + i * TCmdRequest::Size);

  long long replies = 0;
  double seconds = 0;
  std::vector<uint8_t> in(32768);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    std::thread writer([&] {
      size_t done = 0;
      while (done < bytes.size()) done += emulator.bulkWrite(h, bytes.data() + done, bytes.size() - done, 100).count;
    });
    size_t got = 0;
    while (got < list.size()) got += emulator.bulkRead(h, in.data(), in.size(), 100).count / TCmdReply::Size;
    writer.join();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    replies += static_cast<long long>(got);
  }
  const double measured = replies / seconds;
  const double nominal = list.size() / (NominalMs(list) / 1000.0);
  state.counters["replies_per_s"] = measured;
  state.counters["nominal_per_s"] = nominal;
  state.counters["percent"] = 100.0 * measured / nominal;
  emulator.close(h);
  platform::UiDispatcher::install(previous);
}

void BM_ReplyPoint(benchmark::State& state) {
  RegisterResourceCopy("Emulation", TableText());
  const TEmulationTable table = TEmulationTable::FromResource("Emulation");
  TDemoPort port;
  port.SetRealistic(state.range(0) != 0);
  const std::vector<TCmdRequest> list = SweepList(1000);
  int r = 0;
  auto random = [&r] { return r = (r * 1103 + 12345) & 32767; };
  size_t i = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(EmulatorBackend::Reply(list[i], table, 4, 1000, random, &port));
    if (++i == 203) i = 2;
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_ReplyPoint)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EmulatorSweep)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
