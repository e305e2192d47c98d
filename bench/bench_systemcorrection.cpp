// The system correction of one decoded point with the 848-point system calibration of the
// 14 GHz model: one interpolation of four terms on the system grid plus the reflection and the
// enhanced-response transmission correction. Reported per point (ns), over a 16001-point sweep
// of the whole range; nothing is allocated per point.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "calibration/SystemCorrection.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"

namespace {

void BM_ApplySystemCorrection848(benchmark::State& state) {
  const int n = TSystemCalGrid::PointCount(4);
  std::vector<double> grid;
  for (int i = 0; i < n; ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
  TCalRange table(4, 5, grid);
  for (int i = 0; i < n; ++i) {
    const double g = grid[static_cast<size_t>(i)] / 1000.0;
    table.SetErrorTermA(0, i, Polar(0.9 - 0.02 * g, -0.7 * g));
    table.SetErrorTermB(0, i, Polar(0.05, 1.1 - 0.4 * g));
    table.SetErrorTermC(0, i, Polar(0.12, 0.3 + 0.9 * g));
    table.SetErrorTermD(1, i, Polar(0.8 - 0.015 * g, -0.65 * g));
  }
  const int points = 16001;
  std::vector<double> freqs(points);
  const double f0 = grid.front();
  const double f1 = 14000.0;
  for (int i = 0; i < points; ++i) freqs[static_cast<size_t>(i)] = f0 + (f1 - f0) * i / (points - 1);
  for (auto _ : state) {
    for (double f : freqs) {
      TComplex x{0.3, -0.2};
      TComplex y{0.4, 0.1};
      TSystemCorrection::Apply(&table, true, 0, x, 1, y, f);
      benchmark::DoNotOptimize(x);
      benchmark::DoNotOptimize(y);
    }
  }
  state.SetItemsProcessed(state.iterations() * points);
  state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * points,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ApplySystemCorrection848)->Unit(benchmark::kMicrosecond);

}  // namespace
