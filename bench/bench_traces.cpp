// The trace processing chain on a 16001-point channel of the 14 GHz model.
//
//   BM_ProcessSweepPoint   one sweep through the point path of four traces (Return Loss with
//                          phase offset, electrical delay and D/M against a memory; Phase;
//                          Smith chart; Group Delay), smoothing off. Counter ns_per_point_trace:
//                          the sweep's time / (points x traces). Target: under 100 ns.
//   BM_FinishSweep         the end of a sweep of one Return Loss trace, aperture 20 % (the last
//                          w = 1600 points are smoothed here), one limit segment tested; the
//                          point path before it is not timed. Target: under 5 ms.
//   BM_Recalculate/aperture the full recalculation of that trace (no target), with smoothing
//                          off (0) and at 20 %.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "TraceChainBenchRig.h"
#include "model/Range.h"
#include "traces/LimitLine.h"
#include "traces/MemoryList.h"

namespace {

constexpr int kPoints = 16001;

using benchrig::FillChannel;

std::unique_ptr<tracetest::FakeTraceHost> MakeHost() { return benchrig::FilledHost(kPoints); }

void RunSweep(TMeasurement& trace, int points) {
  for (int k = 0; k < points; ++k) trace.ProcessSweepPoint(k);
}

void BM_ProcessSweepPoint(benchmark::State& state) {
  auto host = MakeHost();
  TMeasureList& list = host->list;
  TMeasurement& rl = benchrig::AddFourTraces(list);
  FillChannel(*host->range, 2);
  TRange& range = *host->range;
  for (auto _ : state) {
    for (int k = 0; k < kPoints; ++k) {
      range.LastPointIndex = k;
      for (int t = 0; t < list.GetCount(); ++t) list.GetMeasurement(t)->ProcessSweepPoint();
    }
    benchmark::ClobberMemory();
  }
  if (rl.DataMath != 0) state.SkipWithError("data math did not stay on");
  state.counters["ns_per_point_trace"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kPoints * list.GetCount(),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ProcessSweepPoint)->Unit(benchmark::kMillisecond);

void BM_FinishSweep(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  t.SetSmoothing(true);
  t.SetSmoothingAperture(20);
  t.LimitLine->InsertSegment(0);
  t.LimitLine->SetBegArgument(0, 1000);
  t.LimitLine->SetEndArgument(0, 13000);
  t.LimitLine->SetBegValue(0, -5);
  t.LimitLine->SetEndValue(0, -5);
  t.LimitLine->SetLimitType(0, 2);
  t.SetLimitTest(true);
  for (auto _ : state) {
    state.PauseTiming();
    RunSweep(t, kPoints);
    state.ResumeTiming();
    t.FinishSweep();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FinishSweep)->Unit(benchmark::kMillisecond);

void BM_Recalculate(benchmark::State& state) {
  auto host = MakeHost();
  TMeasurement& t = host->Trace();
  const double aperture = static_cast<double>(state.range(0));
  t.SetSmoothing(aperture > 0);
  if (aperture > 0) t.SetSmoothingAperture(aperture);
  for (auto _ : state) {
    t.Recalculate();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Recalculate)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
