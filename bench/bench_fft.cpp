// The program's own transforms beside FFTW 3 on the same lengths: FftRadix2 on the powers of two
// the chirp-z transform uses, DftBluestein on the gate lengths 2N of 201, 1601 and 16001 points.
// FFTW plans are made in FFTW_ESTIMATE mode outside the timed loop; both sides transform in
// place, forward. At the end a table gives every length's ratio and whether all are within 2x.
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

constexpr std::size_t kPowerLengths[] = {512, 1024, 4096, 8192, 32768, 65536};
constexpr std::size_t kAnyLengths[] = {402, 3202, 32002};
constexpr double kTargetRatio = 2.0;

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
  int m = 0;
  while ((std::size_t{1} << m) < n) {
    ++m;
  }
  const bool power = (std::size_t{1} << m) == n;
  // Warm the caches the program keeps between calls (tables of the length).
  if (power) {
    FftRadix2(x.data(), m, false);
  } else {
    DftBluestein(x.data(), n, true);
  }
  x = Input(n);
  TimeTransform(
      state, n,
      [&] {
        if (power) {
          FftRadix2(x.data(), m, false);
        } else {
          DftBluestein(x.data(), n, true);
        }
      },
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
  bool power = (n & (n - 1)) == 0;
  return std::string(power ? "FftRadix2/" : "DftBluestein/") + std::to_string(n);
}

std::string FftwName(std::size_t n) { return "FFTW3/" + std::to_string(n); }

// The console report, with the mean real time of every run kept by name.
class TCollectingReporter : public benchmark::ConsoleReporter {
 public:
  TCollectingReporter() : ConsoleReporter(OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // The fastest of repeated runs (--benchmark_repetitions) stands for the length.
        const double t = run.GetAdjustedRealTime();
        const auto [it, inserted] = times_.emplace(run.run_name.function_name, t);
        if (!inserted && t < it->second) {
          it->second = t;
        }
        unit_ = benchmark::GetTimeUnitString(run.time_unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The ratio table; true when every length that ran on both sides is within the target.
  bool Summary(std::ostream& out) const {
    bool all = true;
    std::size_t compared = 0;
    out << "\n" << std::setw(8) << "length" << std::setw(14) << ("ours, " + unit_)
        << std::setw(14) << ("FFTW 3, " + unit_) << std::setw(9) << "ratio\n";
    out << std::fixed << std::setprecision(2);
    auto row = [&](std::size_t n) {
      const auto ours = times_.find(OursName(n));
      const auto fftw = times_.find(FftwName(n));
      if (ours == times_.end() || fftw == times_.end() || fftw->second <= 0.0) {
        return;
      }
      const double ratio = ours->second / fftw->second;
      ++compared;
      all = all && ratio <= kTargetRatio;
      out << std::setw(8) << n << std::setw(14) << ours->second << std::setw(14) << fftw->second
          << std::setw(9) << ratio << (ratio <= kTargetRatio ? "" : "  over 2x") << "\n";
    };
    for (std::size_t n : kPowerLengths) {
      row(n);
    }
    for (std::size_t n : kAnyLengths) {
      row(n);
    }
    if (compared == 0) {
      out << "no length ran on both sides\n";
      return false;
    }
    out << (all ? "every length is within 2x of FFTW 3\n"
                : "NOT every length is within 2x of FFTW 3\n");
    return all;
  }

 private:
  std::map<std::string, double> times_;
  std::string unit_ = "ns";
};

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t n : kPowerLengths) {
    benchmark::RegisterBenchmark(OursName(n).c_str(), Ours, n)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(FftwName(n).c_str(), Fftw, n)->Unit(benchmark::kMicrosecond);
  }
  for (std::size_t n : kAnyLengths) {
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
