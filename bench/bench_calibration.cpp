// Solving a full one-port calibration over 16001 points with the kit at position 11: the method
// choice, the kit's values of the standards (kept by the kit for the grid after the first call,
// as when a user applies a calibration again), the closed-form solution and a new error-term
// table each time (the old one deleted). It should stay under 1 ms. bench/skrf_oneport.py times
// a vectorised numpy solve of the same kit models and closed form beside it (at least 2x), and
// checks the numbers with scikit-rf.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>

#include "calibration/AutoExtensionFit.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "tests/model/ChannelFakes.h"

// Every allocation of the program is counted, so a benchmark can report how many its step made.
namespace {
std::atomic<long> Allocations{0};
}
void* operator new(std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// The pair is malloc and free; the compiler cannot see that operator new is ours.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

TComplex Forward(const TComplex& er, const TComplex& ed, const TComplex& es, const TComplex& g) {
  return ed + er * g / (TComplex{1, 0} - es * g);
}

void BM_CalculateF1(benchmark::State& state) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tervan-bench-calibration";
  std::filesystem::create_directories(folder);
  {
    TCalKitsModule module(folder.string());
    TCalKitsModule* previous = CalKitsModule;
    CalKitsModule = &module;
    module.GetKits().SelectKit(10);
    TCalKit& kit = *module.GetKits().GetSelected();

    const int n = static_cast<int>(state.range(0));
    TCalibr calibr;
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-0.2, 0.2);
    for (int i = 0; i < n; ++i) {
      const double f = 0.1 + (14000.0 - 0.1) * i / (n - 1);
      calibr.Frequencies.push_back(f);
      const TComplex er{0.9 + u(rng), u(rng)}, ed{u(rng) / 4, u(rng) / 4}, es{u(rng) / 2, u(rng) / 2};
      SxData s{}, o{}, l{};
      s.Data0 = Forward(er, ed, es, kit.GetShortGamma(f * 1e6));
      o.Data0 = Forward(er, ed, es, kit.GetOpenGamma(f * 1e6));
      l.Data0 = Forward(er, ed, es, kit.GetLoadGamma(f * 1e6));
      calibr.Standards[ckShort][0].push_back(s);
      calibr.Standards[ckOpen][0].push_back(o);
      calibr.Standards[ckLoad][0].push_back(l);
    }
    for (int kind : {ckShort, ckOpen, ckLoad}) calibr.Measured[kind][0] = true;

    for (auto _ : state) {
      calibr.Calculate(0, -1, cmF1);
      benchmark::DoNotOptimize(calibr.Terms);
    }
    state.SetItemsProcessed(state.iterations() * n);
    CalKitsModule = previous;
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_CalculateF1)->Arg(16001)->Unit(benchmark::kMillisecond);

// The automatic port extension fit over an Open and a Short copy of 16001 points each (100 MHz
// to 6 GHz, a 100 ps line with some loss), the whole span, losses and loss at DC included. It
// should stay under 1 ms and allocate nothing per point ("allocs" is per fit).
// bench/numpy_autoext.py times a vectorised numpy fit of the same data beside it and compares
// the delays.
void BM_AutoExtensionFit(benchmark::State& state) {
  fakes::ChannelServices services;
  const int n = static_cast<int>(state.range(0));
  TRange open(nullptr);
  TRange shrt(nullptr);
  for (TRange* ch : {&open, &shrt}) {
    TRangeSettings settings;
    TSegments segments;
    ch->GetSettings(settings, segments);
    settings.NPoints = n;
    settings.MinFrequency = 100.0;
    settings.MaxFrequency = 6000.0;
    ch->ApplySettings(segments, settings);
    const double sign = ch == &open ? 1.0 : -1.0;
    for (int i = 0; i < ch->GetCount(); ++i) {
      const double f = ch->GetPointFrequency(i) * 1e6;
      const double a = -4 * 3.14159265358979 * f * 100e-12;
      const double m = sign * std::pow(10.0, -0.05 * std::sqrt(f / 1e9) / 20.0);
      ch->SetPointData(0, i, TComplex{m * std::cos(a), m * std::sin(a)});
    }
  }
  TAutoExtensionInput in;
  in.Open = &open;
  in.Short = &shrt;
  in.IncludeLoss = true;
  in.AdjustMismatch = true;
  const long before = Allocations.load();
  double delay = 0.0;
  for (auto _ : state) {
    auto v = FitAutoExtension(in);
    benchmark::DoNotOptimize(v);
    if (v) delay = v->Delay;
  }
  // The fitted delay, for bench/numpy_autoext.py to compare with its own.
  state.counters["delay_ps"] = delay * 1e12;
  state.counters["allocs"] =
      static_cast<double>(Allocations.load() - before) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * 2 * n);
}
BENCHMARK(BM_AutoExtensionFit)->Arg(16001)->Unit(benchmark::kMillisecond);

}  // namespace
