// The program's own transforms beside FFTW 3 on the same lengths, in the same run: powers of two
// (FftRadix2), lengths made of small primes (the mixed-radix passes) and lengths with a large
// prime factor (Bluestein's chirp method), among them the gate lengths 2N of the usual channel
// point counts. Ours always goes through DftBluestein, the entry the time domain calls, which
// picks the path by the length. FFTW plans are made in FFTW_ESTIMATE mode outside the timed loop;
// both sides transform in place, forward. At the end a table gives every length's ratio, the
// geometric mean, and whether every length is within 2x and the mean within 1.3x.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "model/Complex.h"
#include "traces/Fft.h"

namespace {

constexpr std::size_t kLengths[] = {
    256,   512,   1024,  2048,  4096,  8192,  16384, 32768, 65536,                 // powers of two
    1000,  2000,  2002,  3200,  20000, 40000, 50000, 60000,                        // small primes
    402,   802,   1602,  3202,  6402,  12802, 20002, 32002, 10007, 65521,          // a large prime
};
constexpr double kTargetRatio = 2.0;
constexpr double kTargetMean = 1.3;

// Integers from -1000 to 1000, the same for both sides.
std::vector<TComplex> Input(std::size_t n) {
  std::vector<TComplex> x(n);
  std::uint32_t s = static_cast<std::uint32_t>(n);
  auto next = [&s] {
    s = (s * 1103515245u + 12345u) & 0x7FFFFFFFu;
    return static_cast<double>((s >> 8) % 2001) - 1000.0;
  };
  for (TComplex& v : x) {
    v.Re = next();
    v.Im = next();
  }
  return x;
}

// Runs transform() in the timed loop. An unscaled forward transform raises the norm of the data
// by sqrt(n), so after as many runs as grow it by about 2^900 the data are scaled back, outside
// the timing (rarely enough that pausing the clock costs next to nothing).
template <typename Transform, typename Rescale>
void TimeTransform(benchmark::State& state, std::size_t n, Transform transform, Rescale rescale) {
  const double bitsPerRun = std::log2(static_cast<double>(n)) / 2.0;
  const std::size_t period = static_cast<std::size_t>(900.0 / bitsPerRun);
  const double factor = std::pow(static_cast<double>(n), -0.5 * static_cast<double>(period));
  std::size_t runs = 0;
  for (auto _ : state) {
    transform();
    benchmark::ClobberMemory();
    if (++runs == period) {
      runs = 0;
      state.PauseTiming();
      rescale(factor);
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(n));
}

void Ours(benchmark::State& state, std::size_t n) {
  std::vector<TComplex> x = Input(n);
  // Warm the caches the program keeps between calls (tables of the length).
  DftBluestein(x.data(), n, true);
  x = Input(n);
  TimeTransform(
      state, n, [&] { DftBluestein(x.data(), n, true); },
      [&](double f) {
        for (TComplex& v : x) {
          v *= f;
        }
      });
}

void Fftw(benchmark::State& state, std::size_t n) {
  const std::vector<TComplex> input = Input(n);
  fftw_complex* a = fftw_alloc_complex(n);
  const fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(n), a, a, FFTW_FORWARD, FFTW_ESTIMATE);
  for (std::size_t i = 0; i < n; ++i) {
    a[i][0] = input[i].Re;
    a[i][1] = input[i].Im;
  }
  TimeTransform(
      state, n, [&] { fftw_execute(plan); },
      [&](double f) {
        for (std::size_t i = 0; i < n; ++i) {
          a[i][0] *= f;
          a[i][1] *= f;
        }
      });
  fftw_destroy_plan(plan);
  fftw_free(a);
}

std::string OursName(std::size_t n) {
  const bool power = (n & (n - 1)) == 0;
  const char* path = power ? "FftRadix2/" : IsMixedRadixLength(n) ? "DftMixedRadix/" : "DftBluestein/";
  return path + std::to_string(n);
}

std::string FftwName(std::size_t n) { return "FFTW3/" + std::to_string(n); }

// The console report, with the mean real time of every run kept by name.
class TCollectingReporter : public benchmark::ConsoleReporter {
 public:
  TCollectingReporter() : ConsoleReporter(OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // The fastest of repeated runs (--benchmark_repetitions) stands for the length, in CPU
        // time: on a shared machine the time spent waiting for a core is neither side's.
        const double t = run.GetAdjustedCPUTime();
        const auto [it, inserted] = times_.emplace(run.run_name.function_name, t);
        if (!inserted && t < it->second) {
          it->second = t;
        }
        unit_ = benchmark::GetTimeUnitString(run.time_unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The ratio table; true when every length that ran on both sides is within the target and
  // the geometric mean within its own.
  bool Summary(std::ostream& out) const {
    bool all = true;
    std::size_t compared = 0;
    double logSum = 0.0;
    out << "\n" << std::setw(24) << "length" << std::setw(14) << ("ours, " + unit_) << std::setw(14)
        << ("FFTW 3, " + unit_) << std::setw(9) << "ratio\n";
    out << std::fixed << std::setprecision(2);
    for (std::size_t n : kLengths) {
      const auto ours = times_.find(OursName(n));
      const auto fftw = times_.find(FftwName(n));
      if (ours == times_.end() || fftw == times_.end() || fftw->second <= 0.0) {
        continue;
      }
      const double ratio = ours->second / fftw->second;
      ++compared;
      logSum += std::log(ratio);
      all = all && ratio <= kTargetRatio;
      out << std::setw(24) << OursName(n) << std::setw(14) << ours->second << std::setw(14)
          << fftw->second << std::setw(9) << ratio << (ratio <= kTargetRatio ? "" : "  over 2x") << "\n";
    }
    if (compared == 0) {
      out << "no length ran on both sides\n";
      return false;
    }
    const double mean = std::exp(logSum / static_cast<double>(compared));
    out << "geometric mean of the ratios: " << mean << " (target " << kTargetMean << ")\n";
    out << (all ? "every length is within 2x of FFTW 3\n" : "NOT every length is within 2x of FFTW 3\n");
    return all && mean <= kTargetMean;
  }

 private:
  std::map<std::string, double> times_;
  std::string unit_ = "ns";
};

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t n : kLengths) {
    benchmark::RegisterBenchmark(OursName(n).c_str(), Ours, n)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(FftwName(n).c_str(), Fftw, n)->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  TCollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary(std::cout);
  benchmark::Shutdown();
  return 0;
}
