#pragma once
// Ours against a peer run as a separate benchmark under the same name: ours keeps its mean time
// per iteration, and the peer's run, registered after it, reports "ratio" = ours / the peer's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace benchrig {

// The mean seconds of ours, by name.
inline std::map<std::string, double>& OursByName() {
  static std::map<std::string, double> ours;
  return ours;
}

// Runs the body per iteration and returns its mean seconds; ours keeps it under name, a peer
// reports the ratio to ours of the same name.
template <class F>
double MeasureBesidePeer(benchmark::State& state, const std::string& name, bool peer, F&& body) {
  double total = 0;
  long long n = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ++n;
  }
  const double mean = n > 0 ? total / static_cast<double>(n) : 0;
  std::map<std::string, double>& ours = OursByName();
  if (!peer) {
    ours[name] = mean;
  } else if (ours.count(name) && mean > 0) {
    state.counters["ratio"] = ours[name] / mean;
  }
  return mean;
}

}  // namespace benchrig
