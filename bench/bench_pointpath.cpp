// The measured-point path of a 14 GHz channel with every correction that can stack: the
// factory (system) correction with the 848-point system calibration, a user calibration,
// averaging, port extension with a delay and two loss points, conversion to 75 ohm, and
// de-embedding and embedding of 1601-point fixture networks on port 0.
//
//   BM_PointPath/16001          from the decoded reply's two waves to the stored point, as the
//                               sweep engine decodes it: the ratios, the system correction
//                               through the calibration module, StoreRawLevels, StorePointData
//                               and ProcessPoint, with the fixture tables and the system terms
//                               at the points already made (the steady sweep); under 150 ns
//                               per point
//   BM_FirstSweep/points/net    the first sweep after a rebuild: the fixture tables of networks
//                               of `net` points and the system terms at the points are made at
//                               the first point (the rebuild itself is not timed)
//   BM_AttachCalibration/points the user calibration interpolated at every point: one walk
//                               along both grids into a table allocated at once
//   BM_AttachBySearch/points    the same table made the plain way, as the yardstick of the one
//                               above (at least 3x slower): one object allocated per point and
//                               a search of the calibration's grid for each
//
// The counter ns_per_point is the time of one sweep divided by its points. The steady sweep
// reads the port extension's per-point factors and the fixture's inverse transfer matrices,
// both worked out during the first sweep after a rebuild, which BM_FirstSweep includes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <memory>
#include <random>
#include <vector>

#include "calibration/CalibratorModule.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"
#include "model/Range.h"
#include "tests/model/PointPathFakes.h"

namespace {

TComplex RandomComplex(std::mt19937& random, double lo, double hi) {
  std::uniform_real_distribution<double> magnitude(lo, hi);
  std::uniform_real_distribution<double> phase(-3.14, 3.14);
  return Polar(magnitude(random), phase(random));
}

struct Bench {
  pathfakes::PathChannel c;
  TCalibratorModule module{std::string{}};
  std::unique_ptr<TCalRange> calibration;
  std::vector<TComplex> a, b;  // the measured and reference waves of each point's reply

  Bench(int points, int networkPoints) : c(points, 85, 14000) {
    std::mt19937 random(1);
    TRange& r = *c.range;
    // The factory correction: the system calibration on the 14 GHz model's grid, with port match.
    std::vector<double> grid;
    for (int i = 0; i < TSystemCalGrid::PointCount(4); ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
    TCalibr& system = module.GetSystemCal();
    system.Terms = new TCalRange(4, 5, grid);
    for (int i = 0; i < system.Terms->GetCount(); ++i) {
      system.Terms->SetErrorTermA(0, i, RandomComplex(random, 0.8, 1.0));
      system.Terms->SetErrorTermB(0, i, RandomComplex(random, 0.0, 0.1));
      system.Terms->SetErrorTermC(0, i, RandomComplex(random, 0.0, 0.2));
      system.Terms->SetErrorTermD(1, i, RandomComplex(random, 0.8, 1.0));
    }
    system.PortMatch[0] = true;
    // A user calibration at 1601 frequencies over the band.
    std::vector<double> f(1601);
    for (size_t i = 0; i < f.size(); ++i) f[i] = 85 + (14000 - 85) * static_cast<double>(i) / 1600;
    calibration = std::make_unique<TCalRange>(1, 1, f);
    for (int i = 0; i < calibration->GetCount(); ++i) {
      calibration->SetErrorTermA(0, i, RandomComplex(random, 0.8, 1.0));
      calibration->SetErrorTermB(0, i, RandomComplex(random, 0.0, 0.1));
      calibration->SetErrorTermC(0, i, RandomComplex(random, 0.0, 0.2));
      calibration->SetErrorTermD(1, i, RandomComplex(random, 0.8, 1.0));
    }
    r.AverageEnabled = true;
    r.AverageFactor = 10;
    r.PortExtensionsEnabled = true;
    r.Extension[0] = 0.35e-9;
    r.ExtLossAtDC = 0.05;
    r.ExtLoss1Enabled = true;
    r.ExtLoss1 = 0.4;
    r.ExtFreq1 = 1000;
    r.ExtLoss2Enabled = true;
    r.ExtLoss2 = 1.3;
    r.ExtFreq2 = 8000;
    r.ZConvEnabled = true;
    r.ZConvValue[0] = r.ZConvValue[1] = 75;
    std::vector<TComplex> s11, s21, s22, s12;
    for (int i = 0; i < networkPoints; ++i) {
      s11.push_back(RandomComplex(random, 0.0, 0.1));
      s21.push_back(RandomComplex(random, 0.7, 0.95));
      s22.push_back(RandomComplex(random, 0.0, 0.1));
      s12.push_back(RandomComplex(random, 0.7, 0.95));
    }
    r.DeembNetwork[0].SetTwoPortData(s11, s21, s22, s12, 14000, 85);
    r.DeembEnabled[0] = true;
    std::reverse(s11.begin(), s11.end());
    std::reverse(s21.begin(), s21.end());
    r.EmbNetwork[0].SetTwoPortData(s11, s21, s22, s12, 14000, 85);
    r.EmbEnabled[0] = true;
    r.RebuildPoints();
    r.AttachCalibration(calibration.get());
    for (int i = 0; i < r.GetCount(); ++i) {
      a.push_back(RandomComplex(random, 0.01, 0.5));
      b.push_back(RandomComplex(random, 0.3, 0.6));
    }
  }

  // One sweep's replies, decoded as the sweep engine decodes a point: the ratios to the
  // reference wave (the second receiver is the placeholder), the system correction, then the
  // channel's three calls.
  void Sweep() {
    TRange& r = *c.range;
    const TComplex placeholder{1e-9, 1e-9};
    for (int i = 0, n = r.GetCount(); i < n; ++i) {
      const TComplex& measured = a[static_cast<size_t>(i)];
      const TComplex& reference = b[static_cast<size_t>(i)];
      TComplex x = measured / reference;
      TComplex y = placeholder / reference;
      module.ApplySystemCorrectionAt(r, i, r.GetPointFrequency(i), 0, x, 1, y);
      r.StoreRawLevels(i, measured, placeholder, reference);
      r.StorePointData(i, x, y);
      r.ProcessPoint(i);
    }
    r.AverageCount = 5;  // a sweep in the middle of the average
  }
};

void BM_PointPath(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)), 1601);
  if (b.c.range->ZConvActive != 1 || b.c.range->DeembActive != 1 || b.c.range->EmbActive != 1) {
    state.SkipWithError("corrections not active");
  }
  b.Sweep();  // builds the fixture table
  for (auto _ : state) {
    b.Sweep();
    benchmark::ClobberMemory();
  }
  const double points = b.c.range->GetCount();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
  state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * points,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PointPath)->Arg(16001)->Unit(benchmark::kMillisecond);

void BM_FirstSweep(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    state.PauseTiming();
    b.c.range->RebuildPoints();
    b.c.range->AttachCalibration(b.calibration.get());
    state.ResumeTiming();
    b.Sweep();
    benchmark::ClobberMemory();
  }
  const double points = b.c.range->GetCount();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
  state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * points,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FirstSweep)
    ->Args({1601, 1601})
    ->Args({16001, 201})
    ->Args({16001, 1601})
    ->Args({16001, 16001})
    ->Unit(benchmark::kMillisecond);

void BM_AttachCalibration(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)), 201);
  for (auto _ : state) {
    b.c.range->AttachCalibration(b.calibration.get());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * b.c.range->GetCount());
}
BENCHMARK(BM_AttachCalibration)->Arg(1601)->Arg(16001)->Unit(benchmark::kMillisecond);

void BM_AttachBySearch(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)), 201);
  const TRange& r = *b.c.range;
  const TCalRange& table = *b.calibration;
  for (auto _ : state) {
    TFContainer built(nullptr);
    for (int i = 0, n = r.GetCount(); i < n; ++i) {
      auto* p = new TCalPoint(&built, r.GetPointFrequency(i));
      table.InterpolateTerms(0, 1, p->Frequency, p->A[0], p->B[0], p->C[0], p->D[1]);
    }
    benchmark::DoNotOptimize(built.GetItem(r.GetCount() - 1));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * r.GetCount());
}
BENCHMARK(BM_AttachBySearch)->Arg(1601)->Arg(16001)->Unit(benchmark::kMillisecond);

}  // namespace
