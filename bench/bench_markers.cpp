// The marker searches, the analysis function's lists and the analysis readouts on a
// 16001-point trace with noise and a few narrow peaks; every figure against its target
// (0.2 ms), and the bandwidth and filter readouts both computed afresh and from the cache.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/SampledTrace.h"
#include "traces/TraceAnalysis.h"
#include "traces/TraceSearch.h"
#include "tests/traces/MarkerTestTrace.h"

namespace {

constexpr int kPoints = 16001;
constexpr double kTargetMicroseconds = 200.0;
constexpr double kCachedTargetMicroseconds = 1.0;

// Noise of +-0.1 dB around -30 dB with peaks of 20 dB, three points wide, at 20, 50 and 90 %.
TSampledTrace NoisyTrace() {
  std::vector<double> v(kPoints);
  std::uint32_t s = 12345;
  for (double& x : v) {
    s = (s * 1103515245u + 12345u) & 0x7FFFFFFFu;
    x = -30.0 + 0.2 * ((s >> 8) % 1001) / 1000.0 - 0.1;
  }
  for (double at : {0.2, 0.5, 0.9}) {
    const int c = static_cast<int>(at * (kPoints - 1));
    v[c - 1] += 10;
    v[c] += 20;
    v[c + 1] += 10;
  }
  return TSampledTrace::Linear(100.0, 1100.0, v);
}

// A band-pass of Q 50 at 600 MHz.
TSampledTrace BandPass() {
  std::vector<double> v(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const double f = 100.0 + 1000.0 * i / (kPoints - 1);
    const double x = 2 * 50 * (f - 600.0) / 600.0;
    v[i] = -10 * std::log10(1 + x * x);
  }
  return TSampledTrace::Linear(100.0, 1100.0, v);
}

const TSampledTrace& Noisy() {
  static const TSampledTrace t = NoisyTrace();
  return t;
}

void FindExtremum(benchmark::State& state) {
  double p = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::FindExtremum(Noisy(), true, 100, 1100, p));
}

void PeakRight(benchmark::State& state) {
  double p = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::PeakRight(Noisy(), 0, 100, 1100, 0.55, 5, p));
}

void PeakLeft(benchmark::State& state) {
  double p = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::PeakLeft(Noisy(), 2, 100, 1100, 0.45, 5, p));
}

void SearchPeak(benchmark::State& state) {
  double p = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::SearchPeak(Noisy(), 2, 100, 1100, 0.7, 5, p));
}

void MaxPeak(benchmark::State& state) {
  double p = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::MaxPeak(Noisy(), 0, 100, 1100, 0.0, 5, p));
}

void TargetRight(benchmark::State& state) {
  double x = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::TargetRight(Noisy(), 100, 1100, 100, -20, 2, x));
}

void TargetLeft(benchmark::State& state) {
  double x = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TTraceSearch::TargetLeft(Noisy(), 100, 1100, 1100, -20, 2, x));
}

void Function(benchmark::State& state, const char* type) {
  TAnalysisSettings s;
  s.Type = type;
  s.Excursion = 5;
  s.Polarity = 2;
  s.Target = -20;
  s.Transition = 2;
  std::vector<TComplex> r;
  for (auto _ : state) {
    TTraceAnalysis::Execute(Noisy(), s, r);
    benchmark::DoNotOptimize(r.data());
  }
  state.counters["entries"] = static_cast<double>(r.size());
}

void Ape(benchmark::State& state) { Function(state, "APE"); }
void Atar(benchmark::State& state) { Function(state, "ATAR"); }

// A marker list with two markers at 10 % and 90 % of the noisy trace.
struct TListFixture {
  explicit TListFixture(const TSampledTrace& samples) : t(samples) {
    t.trace.FastData = true;
    t.list->AddMarker();
    t.list->AddMarker();
    t.list->FindMarker(0)->SetRelativeX(0.1);
    t.list->FindMarker(1)->SetRelativeX(0.9);
  }
  markertest::TTracedList t;
};

void Statistics(benchmark::State& state) {
  TListFixture f(Noisy());
  f.t.list->SetStatistics(true);
  for (auto _ : state) {
    f.t.list->ComputeStatistics();
    benchmark::DoNotOptimize(f.t.list->StatDeviation);
  }
}

void RangeStatistics(benchmark::State& state) {
  TListFixture f(Noisy());
  f.t.list->SetStatistics(true);
  f.t.list->SetStatRange(true);
  for (auto _ : state) {
    f.t.list->ComputeStatistics();
    benchmark::DoNotOptimize(f.t.list->StatDeviation);
  }
}

void Flatness(benchmark::State& state) {
  TListFixture f(Noisy());
  f.t.list->SetFlatness(true);
  for (auto _ : state) {
    f.t.list->ComputeFlatness();
    benchmark::DoNotOptimize(f.t.list->FlatnessPosDeviation);
  }
}

void Bandwidth(benchmark::State& state, bool cached) {
  static const TSampledTrace band = BandPass();
  TListFixture f(band);
  f.t.list->SetBandwidthSearch(true);
  for (auto _ : state) {
    if (!cached) f.t.list->UpdateMarkers();
    benchmark::DoNotOptimize(f.t.list->SearchBandwidth().Low);
  }
}

void Filter(benchmark::State& state, bool cached) {
  TListFixture f(Noisy());
  f.t.list->SetRFFilterStats(true);
  for (auto _ : state) {
    if (!cached) f.t.list->UpdateMarkers();
    benchmark::DoNotOptimize(f.t.list->ComputeFilterStatistics().PassbandMinimum);
  }
}

void BandwidthFirst(benchmark::State& state) { Bandwidth(state, false); }
void BandwidthCached(benchmark::State& state) { Bandwidth(state, true); }
void FilterFirst(benchmark::State& state) { Filter(state, false); }
void FilterCached(benchmark::State& state) { Filter(state, true); }

struct TEntry {
  const char* Name;
  void (*Function)(benchmark::State&);
  double Target;  // microseconds
};

const TEntry kEntries[] = {
    {"FindExtremum", FindExtremum, kTargetMicroseconds},
    {"PeakRight", PeakRight, kTargetMicroseconds},
    {"PeakLeft", PeakLeft, kTargetMicroseconds},
    {"SearchPeak", SearchPeak, kTargetMicroseconds},
    {"MaxPeak", MaxPeak, kTargetMicroseconds},
    {"TargetRight", TargetRight, kTargetMicroseconds},
    {"TargetLeft", TargetLeft, kTargetMicroseconds},
    {"APE", Ape, kTargetMicroseconds},
    {"ATAR", Atar, kTargetMicroseconds},
    {"ComputeStatistics", Statistics, kTargetMicroseconds},
    {"ComputeStatisticsRange", RangeStatistics, kTargetMicroseconds},
    {"ComputeFlatness", Flatness, kTargetMicroseconds},
    {"BandwidthFirst", BandwidthFirst, kTargetMicroseconds},
    {"BandwidthCached", BandwidthCached, kCachedTargetMicroseconds},
    {"FilterFirst", FilterFirst, kTargetMicroseconds},
    {"FilterCached", FilterCached, kCachedTargetMicroseconds},
};

// The console report, with the fastest real time of every benchmark kept by name.
class TCollectingReporter : public benchmark::ConsoleReporter {
 public:
  TCollectingReporter() : ConsoleReporter(OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double us = run.GetAdjustedRealTime() * Scale(run.time_unit);
      const auto [it, inserted] = times_.emplace(run.run_name.function_name, us);
      if (!inserted && us < it->second) it->second = us;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  bool Summary(std::ostream& out) const {
    bool all = true;
    out << "\n" << std::left << std::setw(24) << "operation" << std::right << std::setw(12) << "time, us"
        << std::setw(12) << "target, us" << "\n"
        << std::fixed << std::setprecision(3);
    for (const TEntry& e : kEntries) {
      const auto it = times_.find(e.Name);
      if (it == times_.end()) continue;
      const bool ok = it->second <= e.Target;
      all = all && ok;
      out << std::left << std::setw(24) << e.Name << std::right << std::setw(12) << it->second << std::setw(12)
          << e.Target << (ok ? "" : "  OVER TARGET") << "\n";
    }
    out << (all ? "every figure is within its target\n" : "NOT every figure is within its target\n");
    return all;
  }

 private:
  static double Scale(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond: return 1e-3;
      case benchmark::kMicrosecond: return 1.0;
      case benchmark::kMillisecond: return 1e3;
      default: return 1e6;
    }
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const TEntry& e : kEntries) benchmark::RegisterBenchmark(e.Name, e.Function)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TCollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool ok = reporter.Summary(std::cout);
  benchmark::Shutdown();
  return ok ? 0 : 1;
}
