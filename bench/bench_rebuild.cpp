// The point list rebuild of a K30 channel with the real synthesizer plan: a LIN sweep over the
// whole band and a segment sweep of 10 equal segments, at 1001, 4001 and 16001 points. Each
// rebuild deletes the old points, plans both synthesizers for every frequency and creates the new
// points; at 16001 points each should stay under 20 ms, and the complexity report should show
// O(N).
#include <benchmark/benchmark.h>

#include "instrument/Device.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/Services.h"

namespace {

struct K30 {
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TDevice device{4};
  TScopedServices scope;
  K30() {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
  }
};

void BM_RebuildLin(benchmark::State& state) {
  K30 plans;
  TRange range(nullptr);
  range.NPoints = static_cast<int>(state.range(0));
  for (auto _ : state) {
    range.RebuildPoints();
    benchmark::DoNotOptimize(range.GetCount());
  }
  if (range.GetCount() != state.range(0)) state.SkipWithError("points left out");
  state.SetComplexityN(state.range(0));
}

void BM_RebuildSegments(benchmark::State& state) {
  K30 plans;
  TRange range(nullptr);
  const int total = static_cast<int>(state.range(0));
  range.SweepMode = TRange::Segm;
  range.Segments.clear();
  for (int k = 0; k < 10; ++k) {
    TSegment s;
    s.Start = 100 + k * 1390;
    s.Stop = s.Start + 1200;
    s.Points = total / 10 + (k < total % 10 ? 1 : 0);
    range.Segments.push_back(s);
  }
  for (auto _ : state) {
    range.RebuildPoints();
    benchmark::DoNotOptimize(range.GetCount());
  }
  if (range.GetCount() != total) state.SkipWithError("points left out");
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_RebuildLin)->Arg(1001)->Arg(4001)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_RebuildSegments)->Arg(1001)->Arg(4001)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
