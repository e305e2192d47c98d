// A whole limit or ripple table replaced at once ends exactly as the segment-by-segment build
// with the setters would, but with one test and one change notice.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
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

void ExpectSameBounds(const std::vector<TLimitFailBound>& a, const std::vector<TLimitFailBound>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].Segment, b[i].Segment);
    EXPECT_EQ(a[i].BegFailed, b[i].BegFailed);
    EXPECT_EQ(a[i].EndFailed, b[i].EndFailed);
  }
}

// What the table test needs of each line: its switch, how a segment's own fields are drawn and
// set (type before the arguments, the rest after them), a line to replace, and its own results.
struct LimitKind {
  using Line = TLimitLine;
  using Segment = TLimitSegment;
  static constexpr bool kMissingValues = true;

  static void SwitchOn(FakeLineTrace& trace) { trace.limitOn = true; }
  static void DrawType(std::mt19937& rng, Segment& s) { s.LimitType = static_cast<int>(rng() % 3); }
  static void DrawFields(std::mt19937& rng, Segment& s) {
    s.BegValue = Draw(rng, -80, 80);
    s.EndValue = Draw(rng, -80, 80);
  }
  static void SetType(Line& line, int i, const Segment& s) { line.SetLimitType(i, s.LimitType); }
  static void SetFields(Line& line, int i, const Segment& s) {
    line.SetBegValue(i, s.BegValue);
    line.SetEndValue(i, s.EndValue);
  }
  // The line replaced held other segments and offsets.
  static void Prime(Line& line) {
    line.InsertSegment(0);
    line.SetLimitType(0, TLimitLine::kLimitUpper);
    line.SetRelativeArgument(3);
    line.SetRelativeValue(-2);
  }
  static void ExpectSameFields(const Segment& x, const Segment& y) {
    EXPECT_EQ(x.BegValue, y.BegValue);
    EXPECT_EQ(x.EndValue, y.EndValue);
    EXPECT_EQ(x.LimitType, y.LimitType);
  }
  static void ExpectSameResults(const Line& a, const Line& b) {
    EXPECT_EQ(a.GetRelativeArgument(), b.GetRelativeArgument());
    EXPECT_EQ(a.GetRelativeValue(), b.GetRelativeValue());
    ASSERT_EQ(a.GetFailRuns().size(), b.GetFailRuns().size());
    for (size_t i = 0; i < a.GetFailRuns().size(); ++i) {
      EXPECT_EQ(a.GetFailRuns()[i].Segment, b.GetFailRuns()[i].Segment);
      EXPECT_EQ(a.GetFailRuns()[i].First, b.GetFailRuns()[i].First);
      EXPECT_EQ(a.GetFailRuns()[i].Last, b.GetFailRuns()[i].Last);
    }
  }
};

struct RippleKind {
  using Line = TRippleLine;
  using Segment = TRippleSegment;
  static constexpr bool kMissingValues = false;

  static void SwitchOn(FakeLineTrace& trace) { trace.rippleOn = true; }
  static void DrawType(std::mt19937& rng, Segment& s) { s.RippleType = static_cast<int>(rng() % 2); }
  static void DrawFields(std::mt19937& rng, Segment& s) { s.RippleLimit = Draw(rng, -20, 120); }
  static void SetType(Line& line, int i, const Segment& s) { line.SetRippleType(i, s.RippleType); }
  static void SetFields(Line& line, int i, const Segment& s) { line.SetRippleLimit(i, s.RippleLimit); }
  static void Prime(Line& line) {
    line.InsertSegment(0);
    line.SetRippleType(0, 1);
  }
  static void ExpectSameFields(const Segment& x, const Segment& y) {
    EXPECT_EQ(x.RippleLimit, y.RippleLimit);
    EXPECT_EQ(x.RippleType, y.RippleType);
    EXPECT_EQ(x.Mean, y.Mean);
    EXPECT_EQ(x.Min, y.Min);
    EXPECT_EQ(x.Max, y.Max);
  }
  static void ExpectSameResults(const Line& a, const Line& b) {
    EXPECT_EQ(a.GetFailedPoints(), b.GetFailedPoints());
  }
};

template <class Kind>
class LineReplaceSegments : public testing::Test {};

struct KindNames {
  template <class Kind>
  static std::string GetName(int) {
    return std::is_same_v<Kind, LimitKind> ? "Limit" : "Ripple";
  }
};

using Kinds = testing::Types<LimitKind, RippleKind>;
TYPED_TEST_SUITE(LineReplaceSegments, Kinds, KindNames);

TYPED_TEST(LineReplaceSegments, TableEndsAsTheSetterBuildWithOneNotice) {
  using Kind = TypeParam;
  using Line = typename Kind::Line;
  using Segment = typename Kind::Segment;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    FakeLineTrace trace(201, 100, 200, 0);
    trace.minValue = -40;
    trace.maxValue = 40;
    Kind::SwitchOn(trace);
    for (double& v : trace.y) v = std::uniform_real_distribution<double>(-30, 30)(rng);
    if (Kind::kMissingValues && seed % 5 == 0) trace.y[size_t(rng() % trace.y.size())] = kNaN;

    std::vector<Segment> table(rng() % 12);
    for (Segment& s : table) {
      Kind::DrawType(rng, s);
      s.BegArgument = Draw(rng, 80, 220);
      s.EndArgument = Draw(rng, 80, 220);
      Kind::DrawFields(rng, s);
    }

    Line bySetters(nullptr);
    bySetters.SetTraceLink(&trace);
    bySetters.Clear();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
      const Segment& s = table[size_t(i)];
      bySetters.InsertSegment(i);
      Kind::SetType(bySetters, i, s);
      bySetters.SetBegArgument(i, s.BegArgument);
      bySetters.SetEndArgument(i, s.EndArgument);
      Kind::SetFields(bySetters, i, s);
    }

    Line atOnce(nullptr);
    atOnce.SetTraceLink(&trace);
    Kind::Prime(atOnce);
    trace.senders.clear();
    atOnce.ReplaceSegments(table);
    EXPECT_EQ(trace.senders, std::vector<TFObject*>{&atOnce});

    ASSERT_EQ(bySetters.GetSegmentCount(), atOnce.GetSegmentCount());
    for (int i = 0; i < atOnce.GetSegmentCount(); ++i) {
      SCOPED_TRACE(i);
      const Segment& x = bySetters.GetSegments()[size_t(i)];
      const Segment& y = atOnce.GetSegments()[size_t(i)];
      EXPECT_EQ(x.BegArgument, y.BegArgument);
      EXPECT_EQ(x.EndArgument, y.EndArgument);
      Kind::ExpectSameFields(x, y);
    }
    Kind::ExpectSameResults(bySetters, atOnce);
    ExpectSameBounds(bySetters.GetFailBounds(), atOnce.GetFailBounds());
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
