// Smoothing on the paths a user meets, with the direct weighted sum (2w + 1 taps per point, the
// smoother's reference) beside the running sums in the same run.
//
//   BM_ChainSmoothed/aperture   one sweep of a 16001-point channel through the point path and the
//                               end of sweep of four traces (Return Loss with phase offset,
//                               electrical delay and D/M against a memory; Phase; Smith chart;
//                               Group Delay), every trace smoothed at the aperture in percent.
//                               Counter ns_per_point_trace. Target: under 100 ns at 1, 5, 20 %;
//                               aperture 0 (smoothing off) shows the rest of the chain.
//   BM_ChainSmoothedPoints/N    the same at 20 % for N points: the complexity report must say
//                               O(N) (the width grows with N, the cost per point must not).
//   BM_Recalculate/aperture     the full recalculation of the Return Loss trace at 16001 points.
//                               Target at 20 %: under 1 ms.
//   BM_SmoothAll/N, BM_SmoothDirect/N
//                               the smoother alone on N points at 20 %: running sums against the
//                               direct sum, with their complexity reports (O(N) against O(N^2)).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "TraceChainBenchRig.h"
#include "traces/Smoother.h"

namespace {

constexpr int kPoints = 16001;

using benchrig::FillChannel;

// Four traces on one channel of n points, each smoothed at the aperture.
struct TChain {
  std::unique_ptr<tracetest::FakeTraceHost> Host;

  TChain(int n, double aperture) : Host(benchrig::FilledHost(n)) {
    TMeasureList& list = Host->list;
    benchrig::AddFourTraces(list);
    for (int t = 0; t < list.GetCount(); ++t) {
      list.GetMeasurement(t)->SetSmoothing(aperture > 0);
      if (aperture > 0) list.GetMeasurement(t)->SetSmoothingAperture(aperture);
    }
    FillChannel(*Host->range, 2);
  }

  void Sweep() {
    TMeasureList& list = Host->list;
    TRange& range = *Host->range;
    const int n = range.GetCount();
    for (int k = 0; k < n; ++k) {
      range.LastPointIndex = k;
      for (int t = 0; t < list.GetCount(); ++t) list.GetMeasurement(t)->ProcessSweepPoint();
    }
    for (int t = 0; t < list.GetCount(); ++t) list.GetMeasurement(t)->FinishSweep();
  }
};

void RunChain(benchmark::State& state, int n, double aperture) {
  TChain chain(n, aperture);
  for (auto _ : state) {
    chain.Sweep();
    benchmark::ClobberMemory();
  }
  if (chain.Host->list.GetMeasurement(0)->DataMath != 0) state.SkipWithError("data math did not stay on");
  const int traces = chain.Host->list.GetCount();
  state.counters["ns_per_point_trace"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n * traces,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetComplexityN(n);
}

void BM_ChainSmoothed(benchmark::State& state) { RunChain(state, kPoints, static_cast<double>(state.range(0))); }
BENCHMARK(BM_ChainSmoothed)->Arg(0)->Arg(1)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_ChainSmoothedPoints(benchmark::State& state) { RunChain(state, static_cast<int>(state.range(0)), 20.0); }
BENCHMARK(BM_ChainSmoothedPoints)
    ->Arg(1001)
    ->Arg(2001)
    ->Arg(4001)
    ->Arg(8001)
    ->Arg(16001)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

void BM_Recalculate(benchmark::State& state) {
  tracetest::FakeTraceHost host(kPoints, 85.0, 14000.0);
  FillChannel(*host.range, 1);
  TMeasurement& t = host.Trace();
  const double aperture = static_cast<double>(state.range(0));
  t.SetSmoothing(aperture > 0);
  if (aperture > 0) t.SetSmoothingAperture(aperture);
  for (auto _ : state) {
    t.Recalculate();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Recalculate)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond);

// A curve on n points with a "no data" point now and then.
struct TCurve {
  std::vector<TComplex> Values;
  std::vector<double> Mask;
  std::vector<TComplex> Out;
  TSmoother Smoother;

  explicit TCurve(int n) : Values(static_cast<size_t>(n)), Mask(static_cast<size_t>(n)), Out(static_cast<size_t>(n)) {
    for (int i = 0; i < n; ++i) {
      Values[static_cast<size_t>(i)] = i % 101 == 7 ? TComplex{} : TComplex{-20.0 + std::sin(0.01 * i), std::cos(0.003 * i)};
      Mask[static_cast<size_t>(i)] = TSmoother::MaskOf(Values[static_cast<size_t>(i)]);
    }
    Smoother.Prepare(TSmoother::HalfWidth(n, 20.0));
  }
};

void BM_SmoothAll(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TCurve c(n);
  for (auto _ : state) {
    c.Smoother.SmoothAll(c.Values.data(), c.Mask.data(), n, c.Out.data());
    benchmark::ClobberMemory();
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_SmoothAll)->RangeMultiplier(2)->Range(1000, 16000)->Complexity()->Unit(benchmark::kMicrosecond);

void BM_SmoothDirect(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TCurve c(n);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) c.Out[static_cast<size_t>(i)] = c.Smoother.Smooth(c.Values.data(), c.Mask.data(), n, i);
    benchmark::ClobberMemory();
  }
  state.SetComplexityN(n);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_SmoothDirect)->RangeMultiplier(2)->Range(1000, 16000)->Complexity()->Unit(benchmark::kMicrosecond);

}  // namespace
