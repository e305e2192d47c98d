// The limit and ripple tests of a 16001-point trace against lines of 10, 1,000 and 10,000
// segments, beside a plain pass over the points' values (the least any test costs) and beside
// the walk over every point for every segment. The summary gives each test's ratio to the plain
// pass and holds the 10,000-segment limit test to 2 ms.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <iomanip>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "model/MemIniFile.h"
#include "traces/LimitLine.h"
#include "traces/LineTrace.h"
#include "traces/RippleLine.h"
#include "traces/SampledTrace.h"

namespace {

constexpr int kPoints = 16001;
constexpr double kStart = 100.0;
constexpr double kStop = 1100.0;
constexpr double kTargetMicroseconds = 2000.0;

// Noise of +-0.1 dB around -30 dB.
std::vector<double> Noise() {
  std::vector<double> v(kPoints);
  std::uint32_t s = 4242;
  for (double& x : v) {
    s = (s * 1103515245u + 12345u) & 0x7FFFFFFFu;
    x = -30.0 + 0.2 * ((s >> 8) % 1001) / 1000.0 - 0.1;
  }
  return v;
}

class TBenchLineTrace : public ILineTrace {
 public:
  TBenchLineTrace() : samples_(TSampledTrace::Linear(kStart, kStop, Noise())) {}
  int PointCount() const override { return samples_.PointCount(); }
  double PointStimulus(int i) const override { return samples_.PointStimulus(i); }
  double DisplayValue(int i) const override { return samples_.DisplayValue(i); }
  TComplex DisplayPoint(int i) const override { return samples_.DisplayPoint(i); }
  int FindPointIndex(double x) const override { return samples_.FindPointIndex(x); }
  double ValueAtStimulus(double x) const override { return samples_.ValueAtStimulus(x); }
  TComplex PointAtStimulus(double x) const override { return samples_.PointAtStimulus(x); }
  double StimulusAtPosition(double p) const override { return samples_.StimulusAtPosition(p); }
  double PositionAtStimulus(double x) const override { return samples_.PositionAtStimulus(x); }
  const TComplex* DisplayData() const override { return samples_.DisplayData(); }
  double MinValue() const override { return -500; }
  double MaxValue() const override { return 500; }
  bool LimitTestOn() const override { return false; }
  bool RippleTestOn() const override { return false; }
  void LineChanged(TFObject*) override {}

 private:
  TSampledTrace samples_;
};

TBenchLineTrace& Trace() {
  static TBenchLineTrace t;
  return t;
}

// Segments side by side over the whole sweep, upper limits that the noise crosses now and then.
void LoadLimit(TLimitLine& line, int segments) {
  TMemIniFile ini;
  ini.WriteInteger("L", "SegmentCount", segments);
  const double width = (kStop - kStart) / segments;
  for (int s = 0; s < segments; ++s) {
    const std::string k = std::to_string(s);
    ini.WriteFloat("L", "BegArgument" + k, kStart + width * s);
    ini.WriteFloat("L", "EndArgument" + k, kStart + width * (s + 1));
    ini.WriteFloat("L", "BegValue" + k, -29.92);
    ini.WriteFloat("L", "EndValue" + k, -29.95);
    ini.WriteInteger("L", "LimitType" + k, 2);
  }
  line.SetTraceLink(&Trace());
  line.LoadFromIni(ini, "L");
}

void LoadRipple(TRippleLine& line, int segments) {
  TMemIniFile ini;
  ini.WriteInteger("R", "RippleSegmentCount", segments);
  const double width = (kStop - kStart) / segments;
  for (int s = 0; s < segments; ++s) {
    const std::string k = std::to_string(s);
    ini.WriteFloat("R", "RippleBegArgument" + k, kStart + width * s);
    ini.WriteFloat("R", "RippleEndArgument" + k, kStart + width * (s + 1));
    ini.WriteFloat("R", "RippleLimit" + k, 0.15);
    ini.WriteInteger("R", "RippleType" + k, 1);
  }
  line.SetTraceLink(&Trace());
  line.LoadFromIni(ini, "R");
}

// The peer: one pass over the values against one limit.
void BM_PlainPass(benchmark::State& state) {
  const ILineTrace& t = Trace();
  for (auto _ : state) {
    int over = 0;
    for (int i = 0; i < t.PointCount(); ++i) over += t.DisplayValue(i) > -29.95 ? 1 : 0;
    benchmark::DoNotOptimize(over);
  }
}

void BM_LimitTest(benchmark::State& state) {
  TLimitLine line(nullptr);
  LoadLimit(line, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    line.Test();
    benchmark::DoNotOptimize(line.GetFailRuns().data());
  }
  state.counters["fail_runs"] = static_cast<double>(line.GetFailRuns().size());
}

void BM_RippleTest(benchmark::State& state) {
  TRippleLine line(nullptr);
  LoadRipple(line, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    line.Test();
    benchmark::DoNotOptimize(line.GetFailedPoints().data());
  }
  state.counters["failed_points"] = static_cast<double>(line.GetFailedPoints().size());
}

// What every segment cost before: a look at every point.
void BM_WalkEveryPoint(benchmark::State& state) {
  TLimitLine line(nullptr);
  LoadLimit(line, static_cast<int>(state.range(0)));
  const ILineTrace& t = Trace();
  for (auto _ : state) {
    int inside = 0;
    for (int s = 0; s < line.GetSegmentCount(); ++s) {
      const double beg = line.GetAbsBegArgument(s);
      const double end = line.GetAbsEndArgument(s);
      for (int k = 0; k < t.PointCount(); ++k) {
        const double x = t.PointStimulus(k);
        if (x < beg || x > end) continue;
        inside += t.DisplayValue(k) > line.LimitAt(s, x) ? 1 : 0;
      }
    }
    benchmark::DoNotOptimize(inside);
  }
}

BENCHMARK(BM_PlainPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LimitTest)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RippleTest)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkEveryPoint)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The console report, and the fastest real time of every run kept by its name.
class TCollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double us = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1e3 : 1.0);
      const auto [it, inserted] = times_.emplace(run.benchmark_name(), us);
      if (!inserted && us < it->second) it->second = us;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  bool Summary(std::ostream& out) const {
    const auto plain = times_.find("BM_PlainPass");
    if (plain == times_.end()) return true;
    out << "\n" << std::left << std::setw(26) << "run" << std::right << std::setw(12) << "time, us" << std::setw(16)
        << "x plain pass" << "\n"
        << std::fixed << std::setprecision(2);
    for (const auto& [name, us] : times_)
      out << std::left << std::setw(26) << name << std::right << std::setw(12) << us << std::setw(16)
          << us / plain->second << "\n";
    const auto big = times_.find("BM_LimitTest/10000");
    const auto middle = times_.find("BM_LimitTest/1000");
    const auto small = times_.find("BM_LimitTest/10");
    bool ok = true;
    if (big != times_.end()) {
      ok = big->second <= kTargetMicroseconds;
      out << "limit test at 10,000 segments: " << big->second << " us, target " << kTargetMicroseconds << " us"
          << (ok ? "" : "  OVER TARGET") << "\n";
    }
    // Linear in points + segments: each added segment costs about the same.
    if (big != times_.end() && middle != times_.end() && small != times_.end())
      out << "cost of one more segment: " << (middle->second - small->second) / 990.0 * 1e3 << " ns up to 1,000, "
          << (big->second - middle->second) / 9000.0 * 1e3 << " ns from 1,000 to 10,000; one point of the plain pass: "
          << plain->second / kPoints * 1e3 << " ns\n";
    return ok;
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TCollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool ok = reporter.Summary(std::cout);
  benchmark::Shutdown();
  return ok ? 0 : 1;
}
