// A whole limit or ripple table replaced at once ends exactly as the segment-by-segment build
// with the setters would, but with one test and one change notice.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "traces/LimitLine.h"
#include "traces/LineTraceFake.h"
#include "traces/RippleLine.h"

using linetest::FakeLineTrace;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Stimuli 100..300 MHz and values -80..80 around a trace 100..200 MHz in -40..40; begins are
// often above ends, one number in forty is not finite.
template <class Rng>
double Draw(Rng& rng, double low, double high) {
  if (rng() % 40 == 0) return rng() % 2 ? kNaN : std::numeric_limits<double>::infinity();
  return std::uniform_real_distribution<double>(low, high)(rng);
}

void ExpectSameLimit(const TLimitLine& a, const TLimitLine& b) {
  ASSERT_EQ(a.GetSegmentCount(), b.GetSegmentCount());
  for (int i = 0; i < a.GetSegmentCount(); ++i) {
    SCOPED_TRACE(i);
    const TLimitSegment& x = a.GetSegments()[size_t(i)];
    const TLimitSegment& y = b.GetSegments()[size_t(i)];
    EXPECT_EQ(x.BegArgument, y.BegArgument);
    EXPECT_EQ(x.EndArgument, y.EndArgument);
    EXPECT_EQ(x.BegValue, y.BegValue);
    EXPECT_EQ(x.EndValue, y.EndValue);
    EXPECT_EQ(x.LimitType, y.LimitType);
  }
  EXPECT_EQ(a.GetRelativeArgument(), b.GetRelativeArgument());
  EXPECT_EQ(a.GetRelativeValue(), b.GetRelativeValue());
  ASSERT_EQ(a.GetFailRuns().size(), b.GetFailRuns().size());
  for (size_t i = 0; i < a.GetFailRuns().size(); ++i) {
    EXPECT_EQ(a.GetFailRuns()[i].Segment, b.GetFailRuns()[i].Segment);
    EXPECT_EQ(a.GetFailRuns()[i].First, b.GetFailRuns()[i].First);
    EXPECT_EQ(a.GetFailRuns()[i].Last, b.GetFailRuns()[i].Last);
  }
  ASSERT_EQ(a.GetFailBounds().size(), b.GetFailBounds().size());
  for (size_t i = 0; i < a.GetFailBounds().size(); ++i) {
    EXPECT_EQ(a.GetFailBounds()[i].Segment, b.GetFailBounds()[i].Segment);
    EXPECT_EQ(a.GetFailBounds()[i].BegFailed, b.GetFailBounds()[i].BegFailed);
    EXPECT_EQ(a.GetFailBounds()[i].EndFailed, b.GetFailBounds()[i].EndFailed);
  }
}

TEST(LineReplaceSegments, LimitTableEndsAsTheSetterBuildWithOneNotice) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    FakeLineTrace trace(201, 100, 200, 0);
    trace.minValue = -40;
    trace.maxValue = 40;
    trace.limitOn = true;
    for (double& v : trace.y) v = std::uniform_real_distribution<double>(-30, 30)(rng);
    if (seed % 5 == 0) trace.y[size_t(rng() % trace.y.size())] = kNaN;

    std::vector<TLimitSegment> table(rng() % 12);
    for (TLimitSegment& s : table) {
      s.LimitType = static_cast<int>(rng() % 3);
      s.BegArgument = Draw(rng, 80, 220);
      s.EndArgument = Draw(rng, 80, 220);
      s.BegValue = Draw(rng, -80, 80);
      s.EndValue = Draw(rng, -80, 80);
    }

    TLimitLine bySetters(nullptr);
    bySetters.SetTraceLink(&trace);
    bySetters.Clear();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
      bySetters.InsertSegment(i);
      bySetters.SetLimitType(i, table[size_t(i)].LimitType);
      bySetters.SetBegArgument(i, table[size_t(i)].BegArgument);
      bySetters.SetEndArgument(i, table[size_t(i)].EndArgument);
      bySetters.SetBegValue(i, table[size_t(i)].BegValue);
      bySetters.SetEndValue(i, table[size_t(i)].EndValue);
    }

    // The line replaced held other segments and offsets.
    TLimitLine atOnce(nullptr);
    atOnce.SetTraceLink(&trace);
    atOnce.InsertSegment(0);
    atOnce.SetLimitType(0, TLimitLine::kLimitUpper);
    atOnce.SetRelativeArgument(3);
    atOnce.SetRelativeValue(-2);
    trace.senders.clear();
    atOnce.ReplaceSegments(table);
    EXPECT_EQ(trace.senders, std::vector<TFObject*>{&atOnce});
    ExpectSameLimit(bySetters, atOnce);
  }
}

TEST(LineReplaceSegments, RippleTableEndsAsTheSetterBuildWithOneNotice) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    FakeLineTrace trace(201, 100, 200, 0);
    trace.minValue = -40;
    trace.maxValue = 40;
    trace.rippleOn = true;
    for (double& v : trace.y) v = std::uniform_real_distribution<double>(-30, 30)(rng);

    std::vector<TRippleSegment> table(rng() % 12);
    for (TRippleSegment& s : table) {
      s.RippleType = static_cast<int>(rng() % 2);
      s.BegArgument = Draw(rng, 80, 220);
      s.EndArgument = Draw(rng, 80, 220);
      s.RippleLimit = Draw(rng, -20, 120);
    }

    TRippleLine bySetters(nullptr);
    bySetters.SetTraceLink(&trace);
    bySetters.Clear();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
      bySetters.InsertSegment(i);
      bySetters.SetRippleType(i, table[size_t(i)].RippleType);
      bySetters.SetBegArgument(i, table[size_t(i)].BegArgument);
      bySetters.SetEndArgument(i, table[size_t(i)].EndArgument);
      bySetters.SetRippleLimit(i, table[size_t(i)].RippleLimit);
    }

    TRippleLine atOnce(nullptr);
    atOnce.SetTraceLink(&trace);
    atOnce.InsertSegment(0);
    atOnce.SetRippleType(0, 1);
    trace.senders.clear();
    atOnce.ReplaceSegments(table);
    EXPECT_EQ(trace.senders, std::vector<TFObject*>{&atOnce});

    ASSERT_EQ(bySetters.GetSegmentCount(), atOnce.GetSegmentCount());
    for (int i = 0; i < atOnce.GetSegmentCount(); ++i) {
      SCOPED_TRACE(i);
      const TRippleSegment& x = bySetters.GetSegments()[size_t(i)];
      const TRippleSegment& y = atOnce.GetSegments()[size_t(i)];
      EXPECT_EQ(x.BegArgument, y.BegArgument);
      EXPECT_EQ(x.EndArgument, y.EndArgument);
      EXPECT_EQ(x.RippleLimit, y.RippleLimit);
      EXPECT_EQ(x.RippleType, y.RippleType);
      EXPECT_EQ(x.Mean, y.Mean);
      EXPECT_EQ(x.Min, y.Min);
      EXPECT_EQ(x.Max, y.Max);
    }
    EXPECT_EQ(bySetters.GetFailedPoints(), atOnce.GetFailedPoints());
    EXPECT_EQ(bySetters.GetFailBounds().size(), atOnce.GetFailBounds().size());
    EXPECT_EQ(bySetters.IsPassed(), atOnce.IsPassed());
  }
}

// With the trace's test switch off the fresh table is not tested: no stale verdicts remain.
TEST(LineReplaceSegments, SwitchOffClearsTheResultsOnce) {
  FakeLineTrace trace(11, 100, 200, 10);
  trace.limitOn = true;
  TLimitLine line(nullptr);
  line.SetTraceLink(&trace);
  line.ReplaceSegments({{100, 200, 0, 0, TLimitLine::kLimitUpper}});
  EXPECT_FALSE(line.IsPassed());
  trace.limitOn = false;
  trace.senders.clear();
  line.ReplaceSegments({{100, 200, -5, -5, TLimitLine::kLimitUpper}});
  EXPECT_TRUE(line.IsPassed());
  EXPECT_EQ(trace.senders.size(), 1u);
  EXPECT_EQ(line.GetSegments()[0].BegValue, -5);
}

}  // namespace
