// Statistics and flatness against numpy (tests/peer/analysis.py wrote the golden file, with
// the 401-point trace it used).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/NumberText.h"
#include "traces/SampledTrace.h"
#include "traces/TraceStatistics.h"

namespace {

struct TGolden {
  std::vector<double> Stimuli;
  std::vector<double> Values;
  std::vector<double> Whole;
  std::vector<std::vector<double>> Ranges;
  std::vector<std::vector<double>> Flats;
};

const TGolden& Golden() {
  static const TGolden golden = [] {
    TGolden g;
    std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/analysis.txt");
    EXPECT_TRUE(in.good()) << "tests/peer/golden/analysis.txt is missing";
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string kind;
      std::string word;
      words >> kind;
      std::vector<double> numbers;
      while (words >> word) {
        const auto v = TryTextToFloat(word);
        EXPECT_TRUE(v.has_value()) << line;
        numbers.push_back(v.value_or(0.0));
      }
      if (kind == "trace" && numbers.size() == 3) {
        g.Stimuli.push_back(numbers[1]);
        g.Values.push_back(numbers[2]);
      } else if (kind == "whole") {
        g.Whole = numbers;
      } else if (kind == "range") {
        g.Ranges.push_back(numbers);
      } else if (kind == "flat") {
        g.Flats.push_back(numbers);
      }
    }
    return g;
  }();
  return golden;
}

}  // namespace

TEST(TraceAnalysisPeer, StatisticsMatchNumpy) {
  const TGolden& g = Golden();
  ASSERT_EQ(g.Values.size(), 401u);
  const TSampledTrace t(g.Stimuli, g.Values);
  TStatisticsResult r;
  ASSERT_TRUE(TTraceStatistics::WholeTrace(t, r));
  ASSERT_EQ(g.Whole.size(), 3u);
  EXPECT_NEAR(r.Mean, g.Whole[0], 1e-12);
  EXPECT_NEAR(r.Deviation, g.Whole[1], 1e-12);
  EXPECT_NEAR(r.PeakToPeak(), g.Whole[2], 1e-12);
  ASSERT_EQ(g.Ranges.size(), 10u);
  for (const auto& c : g.Ranges) {
    ASSERT_EQ(c.size(), 5u);
    ASSERT_TRUE(TTraceStatistics::Range(t, c[0], c[1], r));
    EXPECT_NEAR(r.Mean, c[2], 1e-12) << c[0] << ".." << c[1];
    EXPECT_NEAR(r.Deviation, c[3], 1e-12) << c[0] << ".." << c[1];
    EXPECT_NEAR(r.PeakToPeak(), c[4], 1e-12) << c[0] << ".." << c[1];
  }
}

TEST(TraceAnalysisPeer, FlatnessMatchesNumpy) {
  const TGolden& g = Golden();
  const TSampledTrace t(g.Stimuli, g.Values);
  ASSERT_EQ(g.Flats.size(), 10u);
  for (const auto& c : g.Flats) {
    ASSERT_EQ(c.size(), 6u);
    TFlatnessResult r;
    ASSERT_TRUE(TTraceStatistics::Flatness(t, c[0], c[1], r));
    EXPECT_NEAR(r.Gain, c[2], 1e-12) << c[0] << ".." << c[1];
    EXPECT_NEAR(r.Slope, c[3], 1e-12) << c[0] << ".." << c[1];
    EXPECT_NEAR(r.PosDeviation, c[4], 1e-12) << c[0] << ".." << c[1];
    EXPECT_NEAR(r.NegDeviation, c[5], 1e-12) << c[0] << ".." << c[1];
  }
}
