// Solving a full one-port calibration over 16001 points with the kit at position 11: the method
// choice, the kit's values of the standards (kept by the kit for the grid after the first call,
// as when a user applies a calibration again), the closed-form solution and a new error-term
// table each time (the old one deleted). It should stay under 1 ms. bench/skrf_oneport.py times
// a vectorised numpy solve of the same kit models and closed form beside it (at least 2x), and
// checks the numbers with scikit-rf.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"

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

}  // namespace
