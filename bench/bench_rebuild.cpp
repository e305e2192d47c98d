// The point list rebuild of a K30 channel with the real synthesizer plan: a LIN sweep over the
// whole band and a segment sweep of 10 equal segments, at 1001, 4001 and 16001 points. Each
// rebuild deletes the old points, plans both synthesizers for every frequency and creates the new
// points; at 16001 points each should stay under 20 ms, and the complexity report should show
// O(N).
//
// SynthApply: the Apply of the 14 GHz synthesizer service form on the main window in
// demonstration mode, with all four channels at 16001 points: the form's edits and grids into
// the settings, then the sweep stopped, every channel and scan list rebuilt and the sweep
// started. Beside it the engine's RebuildAll alone; "ratio" = ours / that. Target: under 120 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "DialogBenchRig.h"
#include "K30Plans.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "instrument/ui/SynthesizerFrm.h"
#include "model/Range.h"
#include "model/Segment.h"
#include "model/Services.h"
#include "shell/MainFrm.h"

namespace {

using benchrig::K30;

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

using benchrig::Clock;
using benchrig::Seconds;

// The main window with its modules in demonstration mode, on a private data root, with the
// 14 GHz model's settings as the program's own.
constexpr benchrig::TProgramOptions kServiceProgram{
    .rootName = "tervan-synthbench", .runMode = "DemoMode EnableService", .synthesizerGlobal = true};

void SynthApply(benchmark::State& state) {
  benchrig::TProgram program(kServiceProgram);
  TScanner& scanner = ScannerModule->GetScanner();
  // Marked connected, the engine builds every point and scan list; without a link nothing is
  // sent, which leaves the rebuild itself to be timed.
  scanner.Connected = true;
  MainFrm->SetChannelCount(4);
  for (int i = 0; i < 4; ++i) {
    TRange* ch = MainFrm->GetChannel(i);
    if (ch == nullptr) continue;
    ch->NPoints = 16001;
    ch->RebuildPoints();
  }
  TSynthesizerFrm form(MainFrm, TSynthesizerFrm::kRowK30);
  form.Show();
  double ours = 0;
  double alone = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (!form.ApplyControls()) {
      state.SkipWithError("the form's values were refused");
      break;
    }
    ScannerModule->StopSweep();
    scanner.RebuildAll();
    ScannerModule->StartSweep(0);
    const auto t1 = Clock::now();
    scanner.RebuildAll();
    const auto t2 = Clock::now();
    ours += Seconds(t1 - t0);
    alone += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t1 - t0));
  }
  int points = 0;
  for (int i = 0; i < 4; ++i) {
    if (TRange* ch = MainFrm->GetChannel(i)) points += ch->GetCount();
  }
  state.counters["points"] = points;
  state.counters["ms"] = 1e3 * ours / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["rebuild_ms"] = 1e3 * alone / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["ratio"] = alone > 0 ? ours / alone : 0;
  form.Hide();
}

BENCHMARK(BM_RebuildLin)->Arg(1001)->Arg(4001)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_RebuildSegments)->Arg(1001)->Arg(4001)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(SynthApply)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
