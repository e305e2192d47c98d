// The measured-point path of a 14 GHz channel with every correction the user can stack:
// a user calibration, averaging, port extension with a delay and two loss points, conversion
// to 75 ohm and de-embedding of a fixture on port 0.
//
//   BM_PointPath/16001          StoreRawLevels + StorePointData + ProcessPoint per point, with
//                               the fixture table already built (the steady sweep)
//   BM_FirstSweep/points/net    the first sweep after a rebuild: the fixture table of a network
//                               of `net` points is built at the first point (the rebuild itself
//                               is not timed)
//   BM_AttachCalibration/points the user calibration interpolated at every point
//
// The counter ns_per_point is the time of one sweep divided by its points. The steady sweep
// reads the port extension's per-point factors and the fixture's inverse transfer matrices,
// both worked out during the first sweep after a rebuild, which BM_FirstSweep includes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

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
  std::unique_ptr<TCalRange> calibration;
  std::vector<TComplex> x, y;

  Bench(int points, int networkPoints) : c(points, 85, 14000) {
    std::mt19937 random(1);
    TRange& r = *c.range;
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
    r.RebuildPoints();
    r.AttachCalibration(calibration.get());
    for (int i = 0; i < r.GetCount(); ++i) {
      x.push_back(RandomComplex(random, 0.0, 1.0));
      y.push_back(RandomComplex(random, 1e-3, 1e-2));
    }
  }

  void Sweep() {
    TRange& r = *c.range;
    const TComplex r1{1e-9, 1e-9};
    for (int i = 0, n = r.GetCount(); i < n; ++i) {
      r.StoreRawLevels(i, x[static_cast<size_t>(i)], r1, TComplex{0.7, 0.1});
      r.StorePointData(i, x[static_cast<size_t>(i)], y[static_cast<size_t>(i)]);
      r.ProcessPoint(i);
    }
    r.AverageCount = 5;  // a sweep in the middle of the average
  }
};

void BM_PointPath(benchmark::State& state) {
  Bench b(static_cast<int>(state.range(0)), 1601);
  if (b.c.range->ZConvActive != 1 || b.c.range->DeembActive != 1) state.SkipWithError("corrections not active");
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

}  // namespace
