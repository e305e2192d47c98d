// Marker searches on small synthetic traces: extremes, peaks with excursion and polarity,
// target crossings with their interpolation and tie rules, tracking, and the marker functions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/SampledTrace.h"
#include "traces/TraceSearch.h"
#include "tests/traces/MarkerTestTrace.h"

using markertest::TTracedList;

namespace {

// Values at stimuli 0, 1, 2, ... (positions i / (n - 1)).
TSampledTrace Steps(const std::vector<double>& v) {
  return TSampledTrace::Linear(0.0, static_cast<double>(v.size() - 1), v);
}

int IndexOf(const TSampledTrace& t, double position) {
  return static_cast<int>(std::lround(position * (t.PointCount() - 1)));
}

}  // namespace

TEST(MarkerSearch, ExtremumExaminesBothEnds) {
  struct Case {
    std::vector<double> v;
    bool maximum;
    int index;
  };
  const Case cases[] = {
      {{0, 1, 2, 3, 9}, true, 4},   // the highest value is the last point
      {{0, 5, 1, 5, 2}, true, 1},   // two equal maxima: the first
      {{3, -2, 0, -2, 1}, false, 1},
      {{9, 1, 2, 3, 4}, true, 0},
      {{1, 2, 3, 4, -5}, false, 4},
  };
  for (const Case& c : cases) {
    const TSampledTrace t = Steps(c.v);
    double p = -1;
    ASSERT_TRUE(TTraceSearch::FindExtremum(t, c.maximum, 0, c.v.size() - 1.0, p));
    EXPECT_EQ(IndexOf(t, p), c.index);
  }
  const TSampledTrace t = Steps({0, 1, 2});
  double p = 0;
  EXPECT_FALSE(TTraceSearch::FindExtremum(t, true, 1, 1, p));
  EXPECT_FALSE(TTraceSearch::FindExtremum(t, true, 2, 1, p));
  EXPECT_FALSE(TTraceSearch::FindExtremum(TSampledTrace{}, true, 0, 1, p));
}

TEST(MarkerSearch, PeakNeedsMoreThanTheExcursionOnBothSides) {
  const TSampledTrace t = Steps({0, 0, 0, 0.8, 0, 0, 0});
  double p = 0;
  EXPECT_FALSE(TTraceSearch::PeakRight(t, 0, 0, 6, 0, 1.0, p));
  ASSERT_TRUE(TTraceSearch::PeakRight(t, 0, 0, 6, 0, 0.5, p));
  EXPECT_EQ(IndexOf(t, p), 3);
  EXPECT_FALSE(TTraceSearch::PeakRight(t, 0, 0, 6, 0, 0.8, p));  // strict
  // One side deep enough is not enough; the valleys are looked for beyond the search range.
  const TSampledTrace u = Steps({5, 0, 3, 2.5, 4, 0, 5});
  EXPECT_FALSE(TTraceSearch::PeakRight(u, 0, 0, 6, 0, 2.0, p));
  ASSERT_TRUE(TTraceSearch::PeakRight(u, 0, 0, 6, 0, 1.0, p));
  EXPECT_EQ(IndexOf(u, p), 4);
  // The valleys are the nearest local minima: point 4 stands 1.5 above point 3.
  EXPECT_FALSE(TTraceSearch::PeakLeft(u, 0, 3, 6, 1, 1.5, p));
  ASSERT_TRUE(TTraceSearch::PeakLeft(u, 0, 3, 6, 1, 1.4, p));
  EXPECT_EQ(IndexOf(u, p), 4);
  // A flat top gives its last point.
  const TSampledTrace plateau = Steps({0, 0, 3, 3, 3, 0, 0});
  ASSERT_TRUE(TTraceSearch::PeakRight(plateau, 0, 0, 6, 0, 1.0, p));
  EXPECT_EQ(IndexOf(plateau, p), 4);
}

TEST(MarkerSearch, PeakLeftRightAndNearestWithPolarity) {
  //                           0  1  2  3   4  5  6  7   8  9 10
  const TSampledTrace t = Steps({0, 0, 4, 0, -3, 0, 0, 0, -5, 0, 0});
  const double p5 = 0.5;  // index 5
  struct Case {
    const char* what;
    int polarity;
    bool right;
    int index;  // -1: none
  };
  const Case cases[] = {
      {"pos left", 0, false, 2}, {"neg left", 1, false, 4}, {"both left: the closer", 2, false, 4},
      {"pos right", 0, true, -1}, {"neg right", 1, true, 8}, {"both right", 2, true, 8},
      {"bad polarity", 3, true, -1},
  };
  for (const Case& c : cases) {
    double p = -1;
    const bool found = c.right ? TTraceSearch::PeakRight(t, c.polarity, 0, 10, p5, 1.0, p)
                               : TTraceSearch::PeakLeft(t, c.polarity, 0, 10, p5, 1.0, p);
    EXPECT_EQ(found, c.index >= 0) << c.what;
    if (found) {
      EXPECT_EQ(IndexOf(t, p), c.index) << c.what;
    }
  }
  // Search Peak takes the nearer side; at equal distance the right one (nine points, so the
  // positions are exact).
  const TSampledTrace sym = Steps({0, 4, 0, 0, 0, 0, 0, 4, 0});
  double p = -1;
  ASSERT_TRUE(TTraceSearch::SearchPeak(sym, 0, 0, 8, 0.5, 1.0, p));
  EXPECT_EQ(IndexOf(sym, p), 7);
  ASSERT_TRUE(TTraceSearch::SearchPeak(sym, 0, 0, 8, 0.4, 1.0, p));
  EXPECT_EQ(IndexOf(sym, p), 1);
  // Both polarities: a positive peak left and a negative one right at the same distance.
  const TSampledTrace mixed = Steps({0, 4, 0, 0, 0, 0, 0, -4, 0});
  ASSERT_TRUE(TTraceSearch::SearchPeak(mixed, 2, 0, 8, 0.5, 1.0, p));
  EXPECT_EQ(IndexOf(mixed, p), 7);
  ASSERT_TRUE(TTraceSearch::PeakRight(mixed, 2, 0, 8, 0.1, 1.0, p));
  EXPECT_EQ(IndexOf(mixed, p), 1);
  ASSERT_TRUE(TTraceSearch::PeakLeft(mixed, 2, 0, 8, 1.0, 1.0, p));
  EXPECT_EQ(IndexOf(mixed, p), 7);
}

TEST(MarkerSearch, MaxPeakLooksOnlyRightOfTheMarker) {
  //                           0  1  2  3  4  5  6  7  8  9 10
  const TSampledTrace t = Steps({0, 3, 0, 7, 0, 5, 0, 6, 0, 2, 0});
  double p = -1;
  ASSERT_TRUE(TTraceSearch::MaxPeak(t, 0, 0, 10, 0.0, 1.0, p));
  EXPECT_EQ(IndexOf(t, p), 3);
  ASSERT_TRUE(TTraceSearch::MaxPeak(t, 0, 0, 10, 0.4, 1.0, p));
  EXPECT_EQ(IndexOf(t, p), 7);
  EXPECT_FALSE(TTraceSearch::MaxPeak(t, 0, 0, 10, 0.95, 1.0, p));
  // Negative polarity: the deepest valley; both: the largest magnitude.
  const TSampledTrace u = Steps({0, -3, 0, 2, 0, -6, 0, 5, 0});
  ASSERT_TRUE(TTraceSearch::MaxPeak(u, 1, 0, 8, 0.0, 1.0, p));
  EXPECT_EQ(IndexOf(u, p), 5);
  ASSERT_TRUE(TTraceSearch::MaxPeak(u, 2, 0, 8, 0.0, 1.0, p));
  EXPECT_EQ(IndexOf(u, p), 5);
}

TEST(MarkerSearch, SearchesEndOnAZeroSpanTrace) {
  TSampledTrace t({5, 5, 5, 5, 5, 5, 5}, {0, 4, 0, 4, 0, 4, 0});
  double p = 0;
  double x = 0;
  EXPECT_FALSE(TTraceSearch::MaxPeak(t, 2, 5, 5, 0.0, 1.0, p));
  EXPECT_FALSE(TTraceSearch::TargetRight(t, 5, 5, 5, 2, 2, x));
  // Even with a range around the lone stimulus, every peak step moves to a higher point.
  ASSERT_TRUE(TTraceSearch::MaxPeak(t, 0, 4, 6, 0.0, 1.0, p));
  EXPECT_DOUBLE_EQ(p, 0.5);
}

TEST(MarkerSearch, TargetCrossingsInterpolateAndHonourTheTransition) {
  // Falling from 0 to -10 dB over stimuli 0..10.
  const TSampledTrace fall = Steps({0, -1, -2, -3.5, -4, -5, -6, -7, -8, -9, -10});
  double x = -1;
  EXPECT_FALSE(TTraceSearch::TargetRight(fall, 0, 10, 0, -3, 0, x));
  ASSERT_TRUE(TTraceSearch::TargetRight(fall, 0, 10, 0, -3, 1, x));
  EXPECT_NEAR(x, 2 + 1.0 / 1.5, 1e-12);
  ASSERT_TRUE(TTraceSearch::TargetLeft(fall, 0, 10, 10, -3, 2, x));
  EXPECT_NEAR(x, 2 + 1.0 / 1.5, 1e-12);
  EXPECT_FALSE(TTraceSearch::TargetLeft(fall, 0, 10, 10, -3, 0, x));

  // A crossing exactly on a point value (point 3 = 1).
  const TSampledTrace rise = Steps({-2, -1, 0, 1, 2, 3});
  struct Case {
    bool right;
    double from;
    int transition;
    bool found;
    double at;
  };
  const Case cases[] = {
      {true, 0, 0, true, 3},      // right search: the segment ending on the point
      {true, 3, 0, true, 3},      // starting on it: y0 = T counts for a rising crossing
      {true, 2.5, 0, true, 3},
      {true, 3.5, 0, false, 0},
      {true, 3, 1, false, 0},
      {false, 5, 0, true, 3},     // left search: the segment whose right end is the point
      {false, 3, 0, true, 3},     // from the point itself (y0 = T at the right end)
      {false, 2.9, 0, false, 0},  // left of it: nothing
  };
  for (const Case& c : cases) {
    x = -1;
    const bool found = c.right ? TTraceSearch::TargetRight(rise, 0, 5, c.from, 1, c.transition, x)
                               : TTraceSearch::TargetLeft(rise, 0, 5, c.from, 1, c.transition, x);
    EXPECT_EQ(found, c.found) << c.right << " " << c.from;
    if (found) {
      EXPECT_NEAR(x, c.at, 1e-12) << c.right << " " << c.from;
    }
  }
  // Search Target: the nearer crossing, the right one at equal distance.
  const TSampledTrace vee = Steps({4, 2, 0, 2, 4});
  ASSERT_TRUE(TTraceSearch::SearchTarget(vee, 0, 4, 2, 1, 2, x));
  EXPECT_NEAR(x, 2.5, 1e-12);
  ASSERT_TRUE(TTraceSearch::SearchTarget(vee, 0, 4, 1.9, 1, 2, x));
  EXPECT_NEAR(x, 1.5, 1e-12);
  // A range whose start is at or beyond its stop finds nothing.
  EXPECT_FALSE(TTraceSearch::SearchTarget(vee, 3, 3, 3, 1, 2, x));
  EXPECT_FALSE(TTraceSearch::SearchTarget(vee, 4, 1, 3, 1, 2, x));
}

TEST(MarkerSearch, MarkerSearchMovesTheMarkerOrLeavesIt) {
  TTracedList t(Steps({0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 0}));
  TMarkerList& l = *t.list;
  l.AddMarker();
  TMarker& m = *l.FindMarker(0);
  m.SetRelativeX(0.2);  // on the first peak
  EXPECT_TRUE(m.SearchWith(5));
  EXPECT_DOUBLE_EQ(m.Argument, 6);
  EXPECT_FALSE(m.SearchWith(5));  // the last peak: the marker stays
  EXPECT_DOUBLE_EQ(m.Argument, 6);
  EXPECT_TRUE(m.SearchWith(4));
  EXPECT_DOUBLE_EQ(m.Argument, 2);
  EXPECT_TRUE(m.SearchWith(1));
  EXPECT_DOUBLE_EQ(m.Argument, 0);
  EXPECT_TRUE(m.SearchWith(0));
  EXPECT_DOUBLE_EQ(m.Argument, 2);
  // A search range keeps the search inside.
  m.SetSearchStart(4);
  m.SetSearchStop(10);
  m.SetSearchRangeOn(true);
  EXPECT_TRUE(m.SearchWith(0));
  EXPECT_DOUBLE_EQ(m.Argument, 6);
  m.SetSearchStop(4);
  EXPECT_FALSE(m.SearchWith(0));
  // Targets.
  m.SetSearchRangeOn(false);
  m.SetTargetValue(2.5);
  m.SetTargetTransition(0);
  m.SetArgument(4);
  EXPECT_TRUE(m.SearchWith(8));
  EXPECT_DOUBLE_EQ(m.Argument, 5 + 2.5 / 3);
  EXPECT_TRUE(m.SearchWith(7));
  EXPECT_DOUBLE_EQ(m.Argument, 1.5);
}

TEST(MarkerSearch, TrackingRepeatsTheSearchAtEveryUpdate) {
  TTracedList t(Steps({0, 3, 0, 4, 0, 5, 0, 0}));
  TMarkerList& l = *t.list;
  l.AddMarker();
  TMarker& m = *l.FindMarker(0);
  m.SetArgument(0);
  m.SetSearchFunction(0);
  m.SetTracking(true);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 5);
  t.trace.Samples.Points[1].Re = 9;
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 1);
  // A right search moves on by one feature per update.
  m.SetSearchFunction(5);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 3);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 5);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 5);
}

TEST(MarkerSearch, KeywordTexts) {
  TTracedList t;
  t.list->AddMarker();
  TMarker& m = *t.list->FindMarker(0);
  const std::pair<const char*, int> searches[] = {{"MAX", 0}, {"min", 1}, {"PEAK", 2}, {"lpeak", 4}, {"RPE", 5},
                                                  {"TARGET", 6}, {"ltar", 7}, {"RTAR", 8}, {"", 8}, {"PE", 8},
                                                  {"\x80zz", 8}};
  for (const auto& [text, code] : searches) {
    m.SetSearchText(text);
    EXPECT_EQ(m.MarkerSearch, code) << text;
  }
  m.SetSearchFunction(3);
  EXPECT_EQ(m.GetSearchText(), "PEAK");
  m.SetPeakPolarityText("both");
  EXPECT_EQ(m.PeakPolarity, 2);
  m.SetPeakPolarityText("BOT");
  EXPECT_EQ(m.PeakPolarity, 2);
  m.SetPeakPolarityText("negative");
  EXPECT_EQ(m.GetPeakPolarityText(), "NEG");
  m.SetTargetTransitionText("POSITIVE");
  EXPECT_EQ(m.GetTargetTransitionText(), "POS");
  m.SetTargetTransitionText("x");
  EXPECT_EQ(m.TargetTrans, 0);
}

TEST(MarkerSearch, MarkerFunctionsSetTheChannelOrTheTransformRange) {
  TTracedList t(TSampledTrace::Linear(100, 1100, {-5, -1, -9}));
  t.list->AddMarker();
  TMarker& m = *t.list->FindMarker(0);
  m.SetArgument(350);
  const double value = m.Value;
  using Calls = std::vector<std::pair<std::string, double>>;
  const std::pair<const char*, Calls> cases[] = {
      {"STAR", {{"Start", 350}}}, {"stop", {{"Stop", 350}}}, {"CENTER", {{"Center", 350}}},
      {"RLEV", {{"RefValue", value}}}, {"DEL", {}}, {"", {}}, {"STA", {}}, {"\xfe", {}},
  };
  for (const auto& [text, calls] : cases) {
    t.trace.Calls.clear();
    m.SetMarkerToText(text);
    EXPECT_EQ(t.trace.Calls, calls) << text;
  }
  t.trace.Transform = true;
  t.trace.Calls.clear();
  m.SetMarkerToText("STAR");
  m.SetMarkerToText("STOP");
  m.SetMarkerToText("CENT");
  EXPECT_EQ(t.trace.Calls, (Calls{{"TransformStart", 350}, {"TransformStop", 350}, {"TransformCenter", 350}}));
  EXPECT_DOUBLE_EQ(m.Argument, 350);
}

TEST(MarkerSearch, SettersClampCompareAndNotify) {
  TTracedList t(TSampledTrace::Linear(100, 500, {0, 1, 2, 3, 4}));
  TMarkerList& l = *t.list;
  l.AddMarker();
  TMarker& m = *l.FindMarker(0);
  m.SetArgument(300);
  int n = t.trace.Notifies;
  m.SetArgument(300 + 1e-16);
  m.SetRelativeX(0.5 + 1e-14);
  m.SetArgument(NAN);
  m.SetRelativeX(INFINITY);
  EXPECT_EQ(t.trace.Notifies, n);
  m.SetArgument(5000);
  EXPECT_EQ(m.Argument, 500);
  EXPECT_EQ(m.RelativeX, 1.0);
  EXPECT_EQ(t.trace.Notifies, n + 1);
  m.SetRelativeX(-3);
  EXPECT_EQ(m.Argument, 100);

  // Excursion is a difference of values: 0 up to the value span, never below 0.
  t.trace.Min = 1;
  t.trace.Max = 10001;
  m.SetPeakExcursion(0.5);
  EXPECT_EQ(m.PeakExcursion, 0.5);
  t.trace.Min = -1000;
  t.trace.Max = 1000;
  m.SetPeakExcursion(-2);
  EXPECT_EQ(m.PeakExcursion, 0.0);
  m.SetPeakExcursion(1e9);
  EXPECT_EQ(m.PeakExcursion, 2000.0);
  m.SetTargetValue(-5000);
  EXPECT_EQ(m.TargetValue, -1000.0);

  // A marker keeps its stimulus while the sweep contains it.
  m.SetArgument(300);
  t.trace.Samples = TSampledTrace::Linear(100, 1000, {0, 1, 2, 3, 4});
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 300);
  EXPECT_DOUBLE_EQ(m.RelativeX, 200.0 / 900.0);
  t.trace.Samples = TSampledTrace::Linear(100, 200, {0, 1, 2, 3, 4});
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(m.Argument, 200);
  EXPECT_DOUBLE_EQ(m.Value, 4);
}

TEST(MarkerSearch, RandomTextNeverFailsAndKeepsCodesInRange) {
  TTracedList t;
  t.list->AddMarker();
  TMarker& m = *t.list->FindMarker(0);
  std::mt19937 rng(7);
  const std::string words[] = {"MAX", "min", "PE", "RPE", "LTAR", "POS", "NEG", "BOTH", "STAR", "RLEV", "BPAS", "MARK"};
  for (int round = 0; round < 500; ++round) {
    std::string text;
    const int parts = static_cast<int>(rng() % 3);
    for (int i = 0; i < parts; ++i) text += words[rng() % std::size(words)];
    const int noise = static_cast<int>(rng() % 6);
    for (int i = 0; i < noise; ++i) text += static_cast<char>(rng() % 256);
    if (rng() % 2) text = text.substr(0, text.size() / 2);
    m.SetSearchText(text);
    m.SetPeakPolarityText(text);
    m.SetTargetTransitionText(text);
    m.SetMarkerToText(text);
    t.list->SetBandwidthTypeText(text);
    t.list->SetBandwidthRefText(text);
    ASSERT_TRUE(m.MarkerSearch >= 0 && m.MarkerSearch <= 8) << text;
    ASSERT_TRUE(m.PeakPolarity >= 0 && m.PeakPolarity <= 2) << text;
    ASSERT_TRUE(m.TargetTrans >= 0 && m.TargetTrans <= 2) << text;
    ASSERT_TRUE(t.list->BandwidthType == 0 || t.list->BandwidthType == 1) << text;
    ASSERT_TRUE(t.list->BandwidthRef == 0 || t.list->BandwidthRef == 1) << text;
  }
}
