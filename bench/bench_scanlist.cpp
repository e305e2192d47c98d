// The scan list of one K30 channel with the real synthesizer settings, at 201, 1601 and 16001
// points: each build empties the list and writes one synthesizer record, the timing records and
// one record per point. At 16001 points a build should stay under 5 ms (the time column, in ms).
// Then the cost of one record, in ns: a point record encoded from a plan, a reply record cut from
// a byte stream and decoded, and a command record decoded as the emulator reads it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "K30Plans.h"
#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/Services.h"

namespace {

using benchrig::K30;

void BM_BuildScanList(benchmark::State& state) {
  K30 plans;
  TScanner scanner;
  scanner.Connected = true;
  auto* range = new TRange(&scanner);
  range->NPoints = static_cast<int>(state.range(0));
  range->RebuildPoints();
  range->SetChangeNotify(true);
  for (auto _ : state) {
    scanner.RebuildScanList();
    benchmark::DoNotOptimize(scanner.ScanList.data());
  }
  if (range->GetCount() != state.range(0) || scanner.ScanList.size() != 1 ||
      scanner.ScanList[0].Commands.size() != static_cast<size_t>(state.range(0)) + 4) {
    state.SkipWithError("unexpected list");
  }
  state.counters["records"] = static_cast<double>(scanner.ScanList[0].Commands.size());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildScanList)->Arg(201)->Arg(1601)->Arg(16001)->Unit(benchmark::kMillisecond);

void BM_EncodePointRecord(benchmark::State& state) {
  const TPllSettings signal{1, 300, 2, 4, 0xABCD, 0xEF, 50};
  const TPllSettings heterodyne{1, 31, 0, 2, 16424, 246, 46};
  uint16_t code = 0;
  for (auto _ : state) {
    TCmdRequest r = TCmdRequest::Point(code++);
    r.SetSynthFields(TCmdRequest::Signal, 0xFF83, 0x80A8, signal);
    r.SetSynthFields(TCmdRequest::Heterodyne, 0xFF83, 0x80A8, heterodyne);
    r.SetBand(50);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodePointRecord)->Unit(benchmark::kNanosecond);

// A stream of replies as the reader receives it; each iteration cuts the next record from it and
// decodes it (every 64th is a temperature record).
void BM_DecodeReply(benchmark::State& state) {
  constexpr size_t kRecords = 1024;
  std::vector<uint8_t> stream(kRecords * TCmdReply::Size);
  for (size_t k = 0; k < kRecords; ++k) {
    const TCmdReply r = k % 64 == 63 ? TCmdReply::Temperature(180)
                                     : TCmdReply::Point(static_cast<uint16_t>(k), TComplex{0.5, -0.25},
                                                        TComplex{0.125, 1.0});
    r.WriteTo(stream.data() + k * TCmdReply::Size);
  }
  size_t offset = 0;
  double sum = 0;
  for (auto _ : state) {
    const std::optional<TCmdReply> r = TCmdReply::FromBytes(stream.data() + offset, stream.size() - offset);
    switch (r->Classify(16001)) {
      case TCmdReply::TKind::Point: sum += r->GetMeasuredWave().Re + r->GetReferenceWave().Im; break;
      case TCmdReply::TKind::Temperature: sum += r->GetTemperature(); break;
      default: break;
    }
    offset += TCmdReply::Size;
    if (offset == stream.size()) offset = 0;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeReply)->Unit(benchmark::kNanosecond);

void BM_DecodePointRecord(benchmark::State& state) {
  TCmdRequest r = TCmdRequest::Point(7);
  r.SetSynthFields(TCmdRequest::Signal, 0xFF83, 0x80A8, TPllSettings{1, 300, 2, 4, 0xABCD, 0xEF, 50});
  r.SetSynthFields(TCmdRequest::Heterodyne, 0xFF83, 0x80A8, TPllSettings{1, 31, 0, 2, 16424, 246, 46});
  uint8_t wire[TCmdRequest::Size];
  r.WriteTo(wire);
  for (auto _ : state) {
    benchmark::DoNotOptimize(wire);
    const TCmdRequest in = TCmdRequest::ReadFrom(wire);
    const TCmdRequest::TSynthFields s = in.GetSynthFields(TCmdRequest::Signal);
    const TCmdRequest::TSynthFields h = in.GetSynthFields(TCmdRequest::Heterodyne);
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(h);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodePointRecord)->Unit(benchmark::kNanosecond);

}  // namespace
