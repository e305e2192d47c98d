// The time domain at the end of a sweep, on a 16001-point channel of the 14 GHz model.
//
//   BM_FinishTimeDomain        FinishTimeDomain of one DTF Return Loss trace: gating on (normal
//                              gate), band-pass transform over 0..100 ns, beta 6, smoothing off,
//                              tables, window and gate warm. Target: under 10 ms.
//   BM_FinishTimeDomainMemory  the same and then the memory's processing chain (its own gate,
//                              window and transform) (no target).
//   BM_FinishTimeDomainSmoothed the same trace with smoothing at 20 % (no target).
//   BM_KaiserRebuild           a Kaiser window of 32003 weights built afresh (no target).
//   BM_Gate, BM_Transform      the two steps alone on the trace (no target).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "model/Range.h"
#include "tests/traces/FakeTraceHost.h"
#include "traces/KaiserWindow.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/TimeDomainSettings.h"

namespace {

constexpr int kPoints = 16001;

std::unique_ptr<tracetest::FakeTraceHost> MakeHost() {
  auto host = std::make_unique<tracetest::FakeTraceHost>(kPoints, 85.0, 14000.0);
  TRange& range = *host->range;
  for (int i = 0; i < range.GetCount(); ++i) {
    const double f = range.GetPointFrequency(i) * 1e6;
    range.SetPointData(0, i, Polar(0.5, -2 * std::numbers::pi * f * 12e-9) + Polar(0.2, -2 * std::numbers::pi * f * 40e-9));
  }
  TTimeDomainSettings& td = host->timeDomain;
  td.EnableGating = true;
  td.GatingStart = 5e-9;
  td.GatingStop = 20e-9;
  td.GatingShape = 1;
  td.TransformStart = 0.0;
  td.TransformStop = 100e-9;
  td.Beta = 6.0;
  TMeasurement& t = host->Trace();
  t.SetFormat(19);
  return host;
}

void BM_FinishTimeDomain(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  t.FinishTimeDomain();  // warm
  for (auto _ : state) {
    t.FinishTimeDomain();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FinishTimeDomain)->Unit(benchmark::kMillisecond);

void BM_FinishTimeDomainMemory(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  t.Memories->StoreData();
  TMemoryTrace& memory = *t.Memories->GetActiveMemory();
  t.FinishTimeDomain();
  memory.Update();
  for (auto _ : state) {
    t.FinishTimeDomain();
    memory.Update();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FinishTimeDomainMemory)->Unit(benchmark::kMillisecond);

void BM_FinishTimeDomainSmoothed(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  t.SetSmoothingAperture(20);
  t.SetSmoothing(true);
  t.FinishTimeDomain();
  for (auto _ : state) {
    t.FinishTimeDomain();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FinishTimeDomainSmoothed)->Unit(benchmark::kMillisecond);

void BM_Gate(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  std::vector<TComplex> out;
  t.Gate(t.Data, out);
  for (auto _ : state) {
    t.Gate(t.Data, out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Gate)->Unit(benchmark::kMillisecond);

void BM_Transform(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  std::vector<TComplex> out;
  t.Transform(t.Data, out);
  for (auto _ : state) {
    t.Transform(t.Data, out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Transform)->Unit(benchmark::kMillisecond);

void BM_KaiserRebuild(benchmark::State& state) {
  TKaiserWindow window;
  double beta = 6.0;
  for (auto _ : state) {
    beta = beta == 6.0 ? 6.001 : 6.0;  // a new beta rebuilds every weight
    window.Build(32003, beta);
    benchmark::DoNotOptimize(window.GetSum());
  }
}
BENCHMARK(BM_KaiserRebuild)->Unit(benchmark::kMillisecond);

}  // namespace
