// The analysis function: keyword dispatch, statistics over the trace or a domain, all peaks,
// the highest peak, all target crossings, their ends on degenerate traces, the SI results and
// the domain coupling of a real trace list.
#include <gtest/gtest.h>

#include <cmath>

#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/SampledTrace.h"
#include "traces/TraceAnalysis.h"
#include "tests/traces/FakeTraceHost.h"

namespace {

TSampledTrace Steps(const std::vector<double>& v) {
  return TSampledTrace::Linear(0.0, static_cast<double>(v.size() - 1), v);
}

std::vector<TComplex> Analyse(const ITraceSamples& t, TAnalysisSettings s) {
  std::vector<TComplex> r;
  TTraceAnalysis::Execute(t, s, r);
  return r;
}

TAnalysisSettings Type(const char* type) {
  TAnalysisSettings s;
  s.Type = type;
  return s;
}

}  // namespace

TEST(TraceAnalysis, KeywordsRunByPrefixAndCaseIgnored) {
  const TSampledTrace t = Steps({-20, -3, -10, -8});
  struct Case {
    const char* type;
    double value;
  };
  const Case cases[] = {{"PTP", 17},      {"ptp", 17},   {"MAX", -3},      {"max", -3}, {"MAXIMUM", -3},
                        {"MIN", -20},     {"MINIMUM", -20}, {"MEAN", (-20 - 3 - 10 - 8 - 20 - 8) / 6.0}};
  for (const Case& c : cases) {
    const auto r = Analyse(t, Type(c.type));
    ASSERT_EQ(r.size(), 1u) << c.type;
    EXPECT_DOUBLE_EQ(r[0].Re, c.value) << c.type;
    EXPECT_EQ(r[0].Im, 0.0) << c.type;
  }
  // Nothing runs for an empty type or one that begins with no keyword: the results stay.
  for (const char* type : {"", "MA", "XPTP", " MAX", "\xff"}) {
    std::vector<TComplex> r = {{1, 2}};
    EXPECT_FALSE(TTraceAnalysis::Execute(t, Type(type), r)) << type;
    EXPECT_EQ(r, (std::vector<TComplex>{{1, 2}})) << type;
  }
}

TEST(TraceAnalysis, DomainStatisticsInEitherOrder) {
  const TSampledTrace t = Steps({1, 4, 2, 8, 5, 7, 3});
  TAnalysisSettings s = Type("STDEV");
  s.DomainOn = true;
  s.Start = 5;
  s.Stop = 2;
  const auto reversed = Analyse(t, s);
  std::swap(s.Start, s.Stop);
  const auto ordered = Analyse(t, s);
  ASSERT_EQ(reversed.size(), 1u);
  EXPECT_EQ(reversed, ordered);
  s.Type = "MEAN";
  EXPECT_DOUBLE_EQ(Analyse(t, s)[0].Re, (2 + 7 + 8 + 5 + 7) / 5.0);
  // A domain beyond the trace is clamped to it.
  s.Start = -100;
  s.Stop = 100;
  s.Type = "PTP";
  EXPECT_DOUBLE_EQ(Analyse(t, s)[0].Re, 7.0);
}

TEST(TraceAnalysis, AllPeaksAndTheHighest) {
  //                           0  1  2  3   4  5  6  7   8  9 10
  const TSampledTrace t = Steps({0, 3, 0, 7, 0, -4, 0, 6, -6, 0, 2});
  TAnalysisSettings s = Type("APE");
  s.Excursion = 1.0;
  EXPECT_EQ(Analyse(t, s), (std::vector<TComplex>{{3, 1}, {7, 3}, {6, 7}}));
  // Point 2 is a dip of 3 between 3 and 7: a negative peak.
  s.Polarity = 1;
  EXPECT_EQ(Analyse(t, s), (std::vector<TComplex>{{0, 2}, {-4, 5}, {-6, 8}}));
  s.Polarity = 2;
  EXPECT_EQ(Analyse(t, s), (std::vector<TComplex>{{3, 1}, {0, 2}, {7, 3}, {-4, 5}, {6, 7}, {-6, 8}}));
  s.Type = "PEAK";
  s.Polarity = 0;
  EXPECT_EQ(Analyse(t, s), (std::vector<TComplex>{{7, 3}}));
  s.Polarity = 1;
  EXPECT_EQ(Analyse(t, s), (std::vector<TComplex>{{-6, 8}}));
  // The domain limits the peaks.
  s.Type = "APE";
  s.Polarity = 0;
  s.DomainOn = true;
  s.Start = 2;
  s.Stop = 9;
  EXPECT_EQ(Analyse(t, s), (std::vector<TComplex>{{7, 3}, {6, 7}}));
  // No peak above the excursion: no entries, for the highest peak too.
  s.DomainOn = false;
  s.Excursion = 50;
  EXPECT_TRUE(Analyse(t, s).empty());
  s.Type = "PEAK";
  std::vector<TComplex> r = {{1, 1}};
  TTraceAnalysis::Execute(t, s, r);
  EXPECT_TRUE(r.empty());
  // Equal peaks: the first.
  const TSampledTrace twins = Steps({0, 5, 0, 5, 0});
  s.Excursion = 1;
  EXPECT_EQ(Analyse(twins, s), (std::vector<TComplex>{{5, 1}}));
}

TEST(TraceAnalysis, AllTargetCrossingsInOrder) {
  const TSampledTrace t = Steps({-10, -6, -2, -1, -5, -9, -8, -2});
  TAnalysisSettings s = Type("ATAR");
  s.Target = -4;
  s.Transition = 2;
  const auto both = Analyse(t, s);
  ASSERT_EQ(both.size(), 3u);
  EXPECT_NEAR(both[0].Im, 1.5, 1e-12);
  EXPECT_NEAR(both[1].Im, 3.75, 1e-12);
  EXPECT_NEAR(both[2].Im, 6 + 4.0 / 6, 1e-12);
  for (const TComplex& e : both) EXPECT_EQ(e.Re, -4.0);
  s.Transition = 1;
  ASSERT_EQ(Analyse(t, s).size(), 1u);
  EXPECT_NEAR(Analyse(t, s)[0].Im, 3.75, 1e-12);
  s.DomainOn = true;
  s.Start = 2;
  s.Stop = 7;
  s.Transition = 0;
  ASSERT_EQ(Analyse(t, s).size(), 1u);
  EXPECT_NEAR(Analyse(t, s)[0].Im, 6 + 4.0 / 6, 1e-12);
}

TEST(TraceAnalysis, RepeatedSearchesEndOnDegenerateTraces) {
  // Zero span.
  TSampledTrace flat({5, 5, 5, 5, 5, 5, 5}, {0, 4, 0, 4, 0, 4, 0});
  TAnalysisSettings s = Type("APE");
  s.Excursion = 1;
  EXPECT_TRUE(Analyse(flat, s).empty());
  s.Type = "ATAR";
  s.Target = 2;
  s.Transition = 2;
  EXPECT_TRUE(Analyse(flat, s).empty());
  // A domain around the lone stimulus: every step moves to a higher point.
  s.Type = "APE";
  s.DomainOn = true;
  s.Start = 4;
  s.Stop = 6;
  EXPECT_EQ(Analyse(flat, s).size(), 3u);
  // A domain outside the trace.
  s.Start = 100;
  s.Stop = 200;
  EXPECT_TRUE(Analyse(flat, s).empty());
  s.Type = "ATAR";
  EXPECT_TRUE(Analyse(flat, s).empty());
  // Stimuli so large that the advance after a crossing vanishes in rounding: a crossing on a
  // point is not found again and again.
  std::vector<double> stimuli;
  for (int i = 0; i < 5; ++i) stimuli.push_back(1e9 + i * 0.0025);
  const TSampledTrace far(stimuli, {0, 1, 2, 3, 4});
  s.DomainOn = false;
  s.Target = 2;
  s.Transition = 0;
  const auto r = Analyse(far, s);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].Im, stimuli[2]);
}

TEST(TraceAnalysis, TraceSettersConvertAndResultsAreSI) {
  tracetest::FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& m = host.Trace();
  TTraceAnalysis::SetFunctionStart(m, 120e6);
  TTraceAnalysis::SetFunctionStop(m, 170e6);
  EXPECT_DOUBLE_EQ(m.FunctionStart, 120.0);
  EXPECT_DOUBLE_EQ(TTraceAnalysis::GetFunctionStop(m), 170e6);
  TTraceAnalysis::SetFunctionStart(m, NAN);
  EXPECT_DOUBLE_EQ(m.FunctionStart, 120.0);
  TTraceAnalysis::SetFunctionPeakPolarity(m, 7);
  EXPECT_EQ(m.FunctionPeakPolarity, 0);
  TTraceAnalysis::SetFunctionType(m, "ATAR");
  EXPECT_EQ(m.FunctionType, "ATAR");

  // Group delay is read in nanoseconds and handed out in seconds.
  m.SetFormat(3);
  ASSERT_EQ(m.TraceFormat, 3);
  for (TComplex& p : m.SmoothedData) p = {5.0, 0.0};
  TTraceAnalysis::SetFunctionPeakExcursion(m, 2e-9);
  EXPECT_DOUBLE_EQ(m.FunctionPeakExcursion, 2.0);
  TTraceAnalysis::SetFunctionType(m, "MEAN");
  TTraceAnalysis::ExecuteFunction(m);
  ASSERT_EQ(TTraceAnalysis::GetFunctionPointCount(m), 1);
  EXPECT_NEAR(m.FunctionResults[0].Re, 5e-9, 1e-20);
  EXPECT_EQ(m.FunctionResults[0].Im, 0.0);
  // An unknown type leaves the results.
  TTraceAnalysis::SetFunctionType(m, "NONE");
  TTraceAnalysis::ExecuteFunction(m);
  EXPECT_EQ(TTraceAnalysis::GetFunctionPointCount(m), 1);

  // Peaks: stimulus in Hz.
  m.SetFormat(16);
  ASSERT_EQ(m.TraceFormat, 16);
  for (TComplex& p : m.SmoothedData) p = {-20.0, 0.0};
  m.SmoothedData[4] = {-3.0, 0.0};
  // The trace's own members drive the same function.
  m.SetFunctionPeakExcursion(1.0);
  m.SetFunctionType("PEAK");
  m.ExecuteFunction();
  ASSERT_EQ(m.GetFunctionPointCount(), 1);
  EXPECT_DOUBLE_EQ(m.FunctionResults[0].Re, -3.0);
  EXPECT_DOUBLE_EQ(m.FunctionResults[0].Im, 140e6);
}

TEST(TraceAnalysis, CoupledDomainFollowsTheActiveTrace) {
  tracetest::FakeTraceHost host(11, 100.0, 200.0);
  host.list.AddMeasurement(0, 16);
  host.list.AddMeasurement(0, 16);
  host.list.SetActive(1);
  TMeasurement& active = host.Trace(1);
  TTraceAnalysis::SetFunctionStart(active, 130e6);
  EXPECT_EQ(host.Trace(0).FunctionStart, 0.0);  // not coupled yet
  host.list.FunctionDomainCouple = true;
  TTraceAnalysis::SyncFunctionDomain(host.list);
  TTraceAnalysis::SetFunctionStart(active, 100e6);
  TTraceAnalysis::SetFunctionDomainOn(active, true);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(host.Trace(i).FunctionStart, 100.0) << i;
    EXPECT_TRUE(host.Trace(i).FunctionDomainOn) << i;
  }
  // A change through another trace is overwritten by the active trace's values.
  TTraceAnalysis::SetFunctionStop(host.Trace(2), 150e6);
  EXPECT_DOUBLE_EQ(host.Trace(2).FunctionStop, 0.0);
  // Excursion and type are never coupled.
  TTraceAnalysis::SetFunctionPeakExcursion(active, 3.0);
  EXPECT_EQ(host.Trace(0).FunctionPeakExcursion, 0.0);
}
