// The correction of decoded points, over a 16001-point sweep of the 14 GHz model's whole range;
// nothing is allocated per point. The counter ns_per_point is the time of one sweep divided by
// its points.
//
//   BM_ApplySystemCorrection848  the system correction with the 848-point system calibration:
//                                one interpolation of four terms on the system grid, then the
//                                reflection and the enhanced-response transmission correction
//   BM_CorrectionTermsAtHand     the same two corrections with the terms of every point at hand
//                                (no interpolation): the one-port inverse and the enhanced
//                                response; it should stay under 50 ns per point
//   BM_SystemCorrectionAtPoints  the system correction as the sweep engine asks for it: through
//                                the calibration module, with the terms interpolated once for
//                                the channel's points and kept with the channel (the first
//                                sweep makes them; the timed sweeps read them)
//   BM_UserCorrection            a channel's user correction, which reads its own table at the
//                                point index, with the same terms
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "calibration/SystemCorrection.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"
#include "model/Range.h"
#include "tests/model/PointPathFakes.h"

namespace {

constexpr int kPoints = 16001;

struct PointTerms {
  TComplex Er, Ed, Es, Et;
};

// Smooth terms over the band (f in MHz).
PointTerms TermsAt(double f) {
  const double g = f / 1000.0;
  return {Polar(0.9 - 0.02 * g, -0.7 * g), Polar(0.05, 1.1 - 0.4 * g), Polar(0.12, 0.3 + 0.9 * g),
          Polar(0.8 - 0.015 * g, -0.65 * g)};
}

double SweepFrequency(int i, double first) { return first + (14000.0 - first) * i / (kPoints - 1); }

void SetPointsCounter(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ApplySystemCorrection848(benchmark::State& state) {
  const int n = TSystemCalGrid::PointCount(4);
  std::vector<double> grid;
  for (int i = 0; i < n; ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
  TCalRange table(4, 5, grid);
  for (int i = 0; i < n; ++i) {
    const PointTerms e = TermsAt(grid[static_cast<size_t>(i)]);
    table.SetErrorTermA(0, i, e.Er);
    table.SetErrorTermB(0, i, e.Ed);
    table.SetErrorTermC(0, i, e.Es);
    table.SetErrorTermD(1, i, e.Et);
  }
  std::vector<double> freqs(kPoints);
  for (int i = 0; i < kPoints; ++i) freqs[static_cast<size_t>(i)] = SweepFrequency(i, grid.front());
  for (auto _ : state) {
    for (double f : freqs) {
      TComplex x{0.3, -0.2};
      TComplex y{0.4, 0.1};
      TSystemCorrection::Apply(&table, true, 0, x, 1, y, f);
      benchmark::DoNotOptimize(x);
      benchmark::DoNotOptimize(y);
    }
  }
  SetPointsCounter(state);
}
BENCHMARK(BM_ApplySystemCorrection848)->Unit(benchmark::kMicrosecond);

void BM_SystemCorrectionAtPoints(benchmark::State& state) {
  pathfakes::PathChannel channel(kPoints, 0.3, 14000);
  TRange& r = *channel.range;
  TCalibratorModule module{std::string{}};
  const int n = TSystemCalGrid::PointCount(4);
  std::vector<double> grid;
  for (int i = 0; i < n; ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
  TCalibr& system = module.GetSystemCal();
  system.Terms = new TCalRange(4, 5, grid);
  for (int i = 0; i < n; ++i) {
    const PointTerms e = TermsAt(grid[static_cast<size_t>(i)]);
    system.Terms->SetErrorTermA(0, i, e.Er);
    system.Terms->SetErrorTermB(0, i, e.Ed);
    system.Terms->SetErrorTermC(0, i, e.Es);
    system.Terms->SetErrorTermD(1, i, e.Et);
  }
  system.PortMatch[0] = true;
  if (r.GetCount() != kPoints) state.SkipWithError("channel without its points");
  auto sweep = [&]() {
    for (int i = 0; i < r.GetCount(); ++i) {
      TComplex x{0.3, -0.2};
      TComplex y{0.4, 0.1};
      module.ApplySystemCorrectionAt(r, i, r.GetPointFrequency(i), 0, x, 1, y);
      benchmark::DoNotOptimize(x);
      benchmark::DoNotOptimize(y);
    }
  };
  sweep();
  for (auto _ : state) sweep();
  SetPointsCounter(state);
}
BENCHMARK(BM_SystemCorrectionAtPoints)->Unit(benchmark::kMicrosecond);

void BM_CorrectionTermsAtHand(benchmark::State& state) {
  std::vector<PointTerms> terms(kPoints);
  std::vector<TComplex> xs(kPoints), ys(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    const size_t k = static_cast<size_t>(i);
    terms[k] = TermsAt(SweepFrequency(i, 85.0));
    xs[k] = Polar(0.3 + 0.5 * (i % 7) / 7.0, 0.001 * i);
    ys[k] = Polar(0.01 + 0.4 * (i % 5) / 5.0, -0.002 * i);
  }
  for (auto _ : state) {
    for (size_t k = 0; k < terms.size(); ++k) {
      TComplex x = xs[k];
      TComplex y = ys[k];
      const PointTerms& e = terms[k];
      TSystemCorrection::ApplyTerms(e.Er, e.Ed, e.Es, e.Et, true, 0, x, 1, y);
      benchmark::DoNotOptimize(x);
      benchmark::DoNotOptimize(y);
    }
  }
  SetPointsCounter(state);
}
BENCHMARK(BM_CorrectionTermsAtHand)->Unit(benchmark::kMicrosecond);

void BM_UserCorrection(benchmark::State& state) {
  pathfakes::PathChannel channel(kPoints, 85, 14000);
  TRange& r = *channel.range;
  std::vector<double> freqs;
  for (int i = 0; i < r.GetCount(); ++i) freqs.push_back(r.GetPointFrequency(i));
  TCalRange table(4, 5, freqs);
  for (int i = 0; i < table.GetCount(); ++i) {
    const PointTerms e = TermsAt(freqs[static_cast<size_t>(i)]);
    table.SetErrorTermA(0, i, e.Er);
    table.SetErrorTermB(0, i, e.Ed);
    table.SetErrorTermC(0, i, e.Es);
    table.SetErrorTermD(1, i, e.Et);
  }
  r.AttachCalibration(&table);
  if (r.GetCalTable() == nullptr || r.GetCount() != kPoints) state.SkipWithError("no user calibration");
  std::vector<TComplex> xs, ys;
  for (int i = 0; i < r.GetCount(); ++i) {
    xs.push_back(Polar(0.3 + 0.5 * (i % 7) / 7.0, 0.001 * i));
    ys.push_back(Polar(0.01 + 0.4 * (i % 5) / 5.0, -0.002 * i));
  }
  for (auto _ : state) {
    for (int i = 0; i < r.GetCount(); ++i) {
      TComplex x = xs[static_cast<size_t>(i)];
      TComplex y = ys[static_cast<size_t>(i)];
      r.ApplyUserCorrection(i, 0, x, 1, y);
      benchmark::DoNotOptimize(x);
      benchmark::DoNotOptimize(y);
    }
  }
  SetPointsCounter(state);
}
BENCHMARK(BM_UserCorrection)->Unit(benchmark::kMicrosecond);

}  // namespace
