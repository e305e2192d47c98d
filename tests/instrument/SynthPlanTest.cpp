// Divider plans of both models: exact register fields at the documented frequencies, the band
// and prescaler edges, the strict tolerance test, bad frequencies, and planning of whole sweeps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/CalGrid.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

enum class Model { K12, K30 };
enum class Synth { Signal, Heterodyne };

struct PllCase {
  const char* name;
  Model model;
  Synth synth;
  double f;          // wanted MHz
  double tolerance;  // signal tolerance, 0 = the model's default
  TPllSettings expected;
  bool accepted;
  double planned;  // expected planned frequency
  double plannedSlack;
};

// R, N, LoDiv, Prescaler, Frac16, Frac8, Band
const PllCase kPllCases[] = {
    {"K12 signal 1000", Model::K12, Synth::Signal, 1000, 0, {1, 31, 2, 4, 16384, 0, 0}, true, 1000, 0},
    {"K12 heterodyne 1000.18", Model::K12, Synth::Heterodyne, 1000.18, 0, {1, 31, 2, 4, 16752, 164, 0}, true,
     1000.1800003, 1e-7},
    {"K12 signal 85", Model::K12, Synth::Signal, 85, 0, {1, 42, 5, 2, 32768, 0, 0}, true, 85, 0},
    {"K12 signal 5400", Model::K12, Synth::Signal, 5400, 0, {1, 42, 0, 4, 12288, 0, 0}, true, 5400, 0},
    {"K30 signal 12000 tripler", Model::K30, Synth::Signal, 12000, 0, {1, 31, 0, 4, 16384, 0, 28}, true, 12000, 0},
    {"K30 heterodyne of 12000", Model::K30, Synth::Heterodyne, (12000 + 0.24) / 3, 0,
     {1, 31, 0, 4, 16424, 246, 46}, true, 4000.0800018, 1e-7},
    {"K30 signal 6000 doubler", Model::K30, Synth::Signal, 6000, 0, {1, 46, 0, 2, 57344, 0, 50}, true, 6000, 0},
    {"K30 signal 10000 default tolerance", Model::K30, Synth::Signal, 10000, 0, {1, 26, 0, 4, 2730, 170, 28}, true,
     9999.9999847, 1e-7},
    {"K30 signal 10000 tolerance 1e-5", Model::K30, Synth::Signal, 10000, 1e-5, {1, 26, 0, 4, 2730, 170, 28}, false,
     9999.9999847, 1e-7},
    {"K30 heterodyne 3000.24 raised twice", Model::K30, Synth::Heterodyne, 3000.24, 0,
     {1, 46, 0, 2, 57589, 195, 46}, true, 3000.2400017, 1e-7},
    {"K30 signal at Freq2x stays fundamental", Model::K30, Synth::Signal, 4800, 0, {1, 37, 0, 4, 32768, 0, 46}, true,
     4800, 0},
    {"K30 signal above Freq2x doubles", Model::K30, Synth::Signal, 4800.5, 0, {1, 37, 1, 4, 33024, 0, 50}, true,
     4800.5, 0},
    {"K30 signal at Freq3x stays doubled", Model::K30, Synth::Signal, 9600, 0, {1, 37, 0, 4, 32768, 0, 50}, true, 9600,
     0},
    {"K30 signal 14000 tripler", Model::K30, Synth::Signal, 14000, 0, {1, 36, 0, 4, 30037, 85, 28}, true,
     13999.9999924, 1e-7},
    // Above the VCO range the output divider stays off, also beyond twice the range.
    {"K12 signal 12000 no divider", Model::K12, Synth::Signal, 12000, 0, {1, 93, 0, 4, 49152, 0, 0}, true, 12000, 0},
    {"K30 heterodyne 12000 no divider", Model::K30, Synth::Heterodyne, 12000, 0, {1, 93, 0, 4, 49152, 0, 46}, true,
     12000, 0},
    // Bad frequencies stop before any conversion and leave an empty record.
    {"K12 signal 0", Model::K12, Synth::Signal, 0, 0, {}, false, 0, 0},
    {"K12 signal negative", Model::K12, Synth::Signal, -0.5, 0, {}, false, 0, 0},
    {"K30 signal NaN", Model::K30, Synth::Signal, kNaN, 0, {}, false, 0, 0},
    {"K30 signal inf", Model::K30, Synth::Signal, kInf, 0, {}, false, 0, 0},
    {"K30 heterodyne -inf", Model::K30, Synth::Heterodyne, -kInf, 0, {}, false, 0, 0},
    {"K12 heterodyne subnormal", Model::K12, Synth::Heterodyne, 4.9e-324, 0, {}, false, 0, 0},
    {"K12 signal -1e308", Model::K12, Synth::Signal, -1e308, 0, {}, false, 0, 0},
};

ISynthPlan& PlanOf(Model model, TSynthesizerTV& tv, TSynthesizerTV30& tv30) {
  return model == Model::K12 ? static_cast<ISynthPlan&>(tv) : static_cast<ISynthPlan&>(tv30);
}

TEST(SynthPlan, PlansGiveTheDocumentedRegisterFields) {
  for (const PllCase& c : kPllCases) {
    SCOPED_TRACE(c.name);
    TSynthesizerTV tv;
    TSynthesizerTV30 tv30;
    ISynthPlan& plan = PlanOf(c.model, tv, tv30);
    if (c.tolerance > 0) plan.SetSignalTolerance(c.tolerance);
    TPllSettings pll{9, 9, 9, 9, 9, 9, 9};
    const bool ok = c.synth == Synth::Signal ? plan.CalcSignalPll(pll, c.f) : plan.CalcHeterodynePll(pll, c.f);
    EXPECT_EQ(ok, c.accepted);
    EXPECT_EQ(pll.R, c.expected.R);
    EXPECT_EQ(pll.N, c.expected.N);
    EXPECT_EQ(pll.LoDiv, c.expected.LoDiv);
    EXPECT_EQ(pll.Prescaler, c.expected.Prescaler);
    EXPECT_EQ(pll.Frac16, c.expected.Frac16);
    EXPECT_EQ(pll.Frac8, c.expected.Frac8);
    EXPECT_EQ(pll.Band, c.expected.Band);
    EXPECT_NEAR(plan.CalcFrequency(pll), c.planned, c.plannedSlack);
  }
}

TEST(SynthPlan, ErrorEqualToTheToleranceFails) {
  TSynthesizerTV30 tv30;
  TPllSettings pll;
  // 10000 MHz plans 2^-16 MHz low.
  const double error = 1.0 / 65536.0;
  tv30.SetSignalTolerance(error);
  EXPECT_FALSE(tv30.CalcSignalPll(pll, 10000));
  EXPECT_EQ(pll, (TPllSettings{1, 26, 0, 4, 2730, 170, 28}));
  EXPECT_EQ(10000 - tv30.CalcFrequency(pll), error);
  tv30.SetSignalTolerance(std::nextafter(error, 1.0));
  EXPECT_TRUE(tv30.CalcSignalPll(pll, 10000));
}

TEST(SynthPlan, PrescalerEdges) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  TPllSettings pll;
  struct Edge {
    const char* name;
    ISynthPlan* plan;
    Synth synth;
    double f;
    int prescaler;
  };
  const double sigEdgeK12 = 3200.0 - tv.IntermediateFreq;
  const double sigEdgeK30 = 3200.0 - tv30.IntermediateFreq;
  const Edge edges[] = {
      {"K12 signal VCO at 3200 - IF", &tv, Synth::Signal, sigEdgeK12, 2},
      {"K12 signal VCO above 3200 - IF", &tv, Synth::Signal, std::nextafter(sigEdgeK12, kInf), 4},
      {"K12 signal VCO at 3200 - IF, divided by 2", &tv, Synth::Signal, sigEdgeK12 / 2, 2},
      {"K30 signal VCO at 3200 - IF", &tv30, Synth::Signal, sigEdgeK30, 2},
      {"K30 doubled signal at 2 x (3200 - IF)", &tv30, Synth::Signal, 2 * sigEdgeK30, 2},
      {"K30 doubled signal above", &tv30, Synth::Signal, std::nextafter(2 * sigEdgeK30, kInf), 4},
      {"K12 heterodyne VCO at 3200", &tv, Synth::Heterodyne, 3200, 2},
      {"K12 heterodyne VCO above 3200", &tv, Synth::Heterodyne, std::nextafter(3200.0, kInf), 4},
      {"K12 heterodyne between 3200 - IF and 3200", &tv, Synth::Heterodyne, 3199.9, 2},
      {"K30 heterodyne VCO at 3200", &tv30, Synth::Heterodyne, 3200, 2},
  };
  for (const Edge& e : edges) {
    SCOPED_TRACE(e.name);
    if (e.synth == Synth::Signal)
      e.plan->CalcSignalPll(pll, e.f);
    else
      e.plan->CalcHeterodynePll(pll, e.f);
    EXPECT_EQ(pll.Prescaler, e.prescaler);
  }
}

// The 14 GHz heterodyne VCO goes one fraction step up within (6400 - IF) / 3 ... 3200 - IF / 3,
// on top of the step of prescaler 4; the 5.4 GHz heterodyne and the signal never do that.
TEST(SynthPlan, HeterodyneRaiseWindowOfTheK30) {
  TSynthesizerTV30 tv30;
  const double ifreq = tv30.IntermediateFreq;
  const double lowEdge = (6400.0 - ifreq) / 3.0;
  const double highEdge = 3200.0 - ifreq / 3.0;
  const double fc = tv30.ReferenceFreq;
  // Fraction of the ratio in units of 2^-24, as the VCO v gives it with prescaler p.
  auto frac24 = [&](double v, int p) {
    const double x = v / p / fc;
    const double frac = (x - std::trunc(x)) * 65536.0;
    return static_cast<int64_t>(std::trunc(frac)) * 256 +
           static_cast<int64_t>(std::trunc((frac - std::trunc(frac)) * 256.0));
  };
  const double step = fc / 16777216.0;
  struct Row {
    double f;
    bool inWindow;
  };
  const Row rows[] = {{std::nextafter(lowEdge, 0.0), false},
                      {lowEdge, true},
                      {3000.24, true},
                      {highEdge, true},
                      {std::nextafter(highEdge, kInf), false},
                      {3300, false},
                      {2200, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.f);
    TPllSettings pll;
    tv30.CalcHeterodynePll(pll, r.f);
    const int raises = (r.inWindow ? 1 : 0) + (pll.Prescaler == 4 ? 1 : 0);
    const double v = std::ldexp(r.f, pll.LoDiv) + raises * step;
    EXPECT_EQ(int64_t{pll.Frac16} * 256 + pll.Frac8, frac24(v, pll.Prescaler));
  }
}

TEST(SynthPlan, CalcFrequencyTakesTheBandOnlyOnTheK30) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  // 32 x (31 + 0.25) x 4 / 4 = 1000
  EXPECT_EQ(tv.CalcFrequency(1, 31, 2, 4, 16384, 0, 28), 1000);
  EXPECT_EQ(tv30.CalcFrequency(1, 31, 2, 4, 16384, 0, 46), 1000);
  EXPECT_EQ(tv30.CalcFrequency(1, 31, 2, 4, 16384, 0, 50), 2000);
  EXPECT_EQ(tv30.CalcFrequency(1, 31, 2, 4, 16384, 0, 28), 3000);
  EXPECT_EQ(tv30.CalcFrequency(1, 31, 2, 4, 16384, 0, 0), 1000);
  EXPECT_EQ(tv30.CalcFrequency(2, 31, 2, 4, 16384, 0, 46), 500);
  // The empty record of a failed plan produces nothing rather than 0 / 0.
  EXPECT_EQ(tv.CalcFrequency(TPllSettings{}), 0);
  EXPECT_EQ(tv30.CalcFrequency(TPllSettings{}), 0);
}

TEST(SynthPlan, SignalToleranceLeavesTheHeterodyneAlone) {
  TSynthesizerTV30 tv30;
  TPllSettings pll;
  tv30.SetSignalTolerance(1e-9);
  EXPECT_FALSE(tv30.CalcSignalPll(pll, 10000));
  EXPECT_TRUE(tv30.CalcHeterodynePll(pll, 3000.24));
  EXPECT_EQ(tv30.HeterodyneChannel.Tolerance, TSynthesizerTV30::kDefaultIFAccuracy);
}

TEST(SynthPlan, HeterodyneHarmonicRules) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  const double ifK12 = tv.IntermediateFreq;
  const double ifK30 = tv30.IntermediateFreq;
  // K12: off, Heter3x, Signal3x, both (Heter3x wins).
  EXPECT_EQ(tv.HeterodyneFrequency(1000.18, 1000), 1000.18);
  tv.Heter3x = true;
  EXPECT_EQ(tv.HeterodyneFrequency(1000.18, 1000), (1000 - ifK12) / 3);
  tv.Signal3x = true;
  EXPECT_EQ(tv.HeterodyneFrequency(1000.18, 1000), (1000 - ifK12) / 3);
  tv.Heter3x = false;
  EXPECT_EQ(tv.HeterodyneFrequency(1000.18, 1000), 1000 + ifK12 / 3);
  // K30: a third above IF + Freq2x (strictly), whatever Freq3x says.
  EXPECT_EQ(tv30.HeterodyneFrequency(ifK30 + 4800, 4800), ifK30 + 4800);
  EXPECT_EQ(tv30.HeterodyneFrequency(12000 + ifK30, 12000), (12000 + ifK30) / 3);
  EXPECT_EQ(tv30.HeterodyneFrequency(6000 + ifK30, 6000), (6000 + ifK30) / 3);
  tv30.Freq2x = 16000;
  EXPECT_EQ(tv30.HeterodyneFrequency(9700, 9699.76), 9700 / 3.0);
  tv30.Freq3x = 16000;
  EXPECT_EQ(tv30.HeterodyneFrequency(9700, 9699.76), 9700);
}

// The point plan of a channel with the frequency offset mode off: signal at f, heterodyne at
// the model's harmonic of IF + the planned signal frequency.
bool PlanPoint(ISynthPlan& plan, double f, double tolerance, TPointSynthSettings& out) {
  plan.SetSignalTolerance(std::min(tolerance, f * 0.5));
  if (!plan.CalcSignalPll(out.Signal, f)) return false;
  const double fsa = plan.CalcFrequency(out.Signal);
  const double lo = plan.HeterodyneFrequency(plan.GetIntermediateFreq() + fsa, fsa);
  return plan.CalcHeterodynePll(out.Heterodyne, lo);
}

std::vector<double> FailingFrequencies(ISynthPlan& plan, const std::vector<double>& freqs) {
  std::vector<double> failed;
  TPointSynthSettings s;
  for (double f : freqs)
    if (!PlanPoint(plan, f, plan.GetIFAccuracy(), s)) failed.push_back(f);
  return failed;
}

std::vector<double> LinSweep(double start, double stop, int n) {
  std::vector<double> f;
  for (int i = 0; i < n; ++i) f.push_back(std::min(stop, start + i * (stop - start) / (n - 1)));
  return f;
}

TEST(SynthPlan, EveryPointOfALinearSweepOverTheBandPlans) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  for (ISynthPlan* plan : {static_cast<ISynthPlan*>(&tv), static_cast<ISynthPlan*>(&tv30)}) {
    for (int n : {201, 1601, 16001}) {
      SCOPED_TRACE(plan->GetMaxFrequency());
      SCOPED_TRACE(n);
      const auto failed = FailingFrequencies(*plan, LinSweep(plan->GetMinFrequency(), plan->GetMaxFrequency(), n));
      EXPECT_TRUE(failed.empty()) << failed.size() << " failures, first at " << failed.front();
    }
  }
}

// The system-calibration grids of both models, as a grid sweep plans them: every grid index up
// to the second-last point, then the last point at the top of the band.
TEST(SynthPlan, EveryPointOfTheCalibrationGridsPlans) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  const struct {
    int row;
    ISynthPlan* plan;
    int points;
  } grids[] = {{3, &tv, 893}, {4, &tv30, 848}};
  for (const auto& g : grids) {
    SCOPED_TRACE(g.row);
    ASSERT_EQ(TSystemCalGrid::PointCount(g.row), g.points);
    std::vector<double> freqs;
    for (int i = 0; i < g.points - 1; ++i) freqs.push_back(TSystemCalGrid::Frequency(g.row, i));
    freqs.push_back(g.plan->GetMaxFrequency());
    EXPECT_EQ(freqs.front(), 85);
    const auto failed = FailingFrequencies(*g.plan, freqs);
    EXPECT_TRUE(failed.empty()) << failed.size() << " failures, first at " << failed.front();
  }
}

// Frequencies around every divider and band edge, in steps far finer than any sweep uses.
TEST(SynthPlan, DenseFrequenciesAroundEveryEdgePlan) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  const double edgesK12[] = {85, 168.75, 337.5, 675, 800, 1350, 2700, 3200, 5400};
  const double edgesK30[] = {85, 168.75, 337.5, 675, 800, 1350, 2700, 3200, 4800, 5400, 6400, 8100, 9600, 14000};
  auto around = [](ISynthPlan& plan, const double* edges, size_t count) {
    std::vector<double> f;
    for (size_t e = 0; e < count; ++e)
      for (int k = -300; k <= 300; ++k) {
        const double x = edges[e] + k * 0.00001 * 3.7;
        if (x >= plan.GetMinFrequency() && x <= plan.GetMaxFrequency()) f.push_back(x);
      }
    return f;
  };
  auto failed = FailingFrequencies(tv, around(tv, edgesK12, std::size(edgesK12)));
  EXPECT_TRUE(failed.empty()) << failed.size() << " failures, first at " << failed.front();
  failed = FailingFrequencies(tv30, around(tv30, edgesK30, std::size(edgesK30)));
  EXPECT_TRUE(failed.empty()) << failed.size() << " failures, first at " << failed.front();
}

// Random frequencies, sensible or not: a plan is either refused with an empty record or its
// fields fit the registers and it really lies within the tolerance.
TEST(SynthPlan, RandomFrequenciesNeverGiveNonsense) {
  TSynthesizerTV tv;
  TSynthesizerTV30 tv30;
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> band(-100, 20000);
  std::uniform_real_distribution<double> exponent(-320, 308);
  for (int i = 0; i < 20000; ++i) {
    const double f = (i % 4 == 0) ? std::pow(10.0, exponent(rng)) : band(rng);
    for (ISynthPlan* plan : {static_cast<ISynthPlan*>(&tv), static_cast<ISynthPlan*>(&tv30)}) {
      TPllSettings pll;
      const bool ok = (i % 2) ? plan->CalcSignalPll(pll, f) : plan->CalcHeterodynePll(pll, f);
      if (!(f > 0)) {
        ASSERT_FALSE(ok) << f;
        ASSERT_EQ(pll, TPllSettings{}) << f;
      }
      if (ok) {
        ASSERT_EQ(pll.R, 1);
        ASSERT_GE(pll.LoDiv, 0);
        ASSERT_TRUE(pll.Prescaler == 2 || pll.Prescaler == 4);
        ASSERT_GE(pll.Frac16, 0);
        ASSERT_LT(pll.Frac16, 65536);
        ASSERT_GE(pll.Frac8, 0);
        ASSERT_LT(pll.Frac8, 256);
        ASSERT_LT(std::fabs(plan->CalcFrequency(pll) - f), plan->GetIFAccuracy()) << f;
      }
    }
  }
}

}  // namespace
