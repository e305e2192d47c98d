// Number text: writing and reading one double (the reported time is nanoseconds per value), and
// splitting a nine-number Touchstone data line.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model/NumberText.h"
#include "model/Utils.h"

namespace {

std::vector<double> SampleValues() {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  std::vector<double> values(4096);
  for (double& v : values) v = mantissa(rng) * std::pow(10.0, exponent(rng));
  return values;
}

void BM_FloatToText(benchmark::State& state) {
  const std::vector<double> values = SampleValues();
  size_t i = 0;
  for (auto _ : state) {
    std::string text = FloatToText(values[i++ & 4095]);
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloatToText);

void BM_TryTextToFloat(benchmark::State& state) {
  std::vector<std::string> texts;
  for (double v : SampleValues()) texts.push_back(FloatToText(v));
  size_t i = 0;
  for (auto _ : state) {
    auto v = TryTextToFloat(texts[i++ & 4095]);
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TryTextToFloat);

void BM_TryTextToFloatComma(benchmark::State& state) {
  std::vector<std::string> texts;
  for (double v : SampleValues()) {
    std::string t = FloatToText(v);
    for (char& c : t) c = c == '.' ? ',' : c;
    texts.push_back(t);
  }
  size_t i = 0;
  for (auto _ : state) {
    auto v = TryTextToFloat(texts[i++ & 4095]);
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TryTextToFloatComma);

void BM_ParseNumberListDataLine(benchmark::State& state) {
  const std::string line =
      "1.00000000E+08\t 5.00000000E-01\t-2.50000000E-01\t 1.00000000E-02\t 0.00000000E+00\t"
      " 3.12500000E-02\t-7.50000000E-01\t 9.99999999E-01\t-1.23456789E-05";
  std::vector<double> numbers;
  for (auto _ : state) {
    ParseNumberList(line, numbers);
    benchmark::DoNotOptimize(numbers.data());
  }
  state.SetItemsProcessed(state.iterations() * 9);
}
BENCHMARK(BM_ParseNumberListDataLine);

}  // namespace
