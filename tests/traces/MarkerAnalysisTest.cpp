// The analysis readouts of the marker table: statistics, flatness, bandwidth of a band-pass
// and a notch against their closed forms, RF filter statistics, and the per-sweep cache.
#include <gtest/gtest.h>

#include <cmath>

#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/SampledTrace.h"
#include "traces/TraceStatistics.h"
#include "tests/traces/MarkerTestTrace.h"

using markertest::TTracedList;

namespace {

TSampledTrace Steps(const std::vector<double>& v) {
  return TSampledTrace::Linear(0.0, static_cast<double>(v.size() - 1), v);
}

constexpr int kPoints = 16001;
constexpr double kQ = 50.0;

// |H|^2 of a band-pass (notch false) or a notch (true) in dB at f with centre f0.
double Response(double f, double f0, bool notch) {
  const double x = 2 * kQ * (f - f0) / f0;
  return notch ? 10 * std::log10(x * x / (1 + x * x)) : -10 * std::log10(1 + x * x);
}

TSampledTrace Resonance(double f0, bool notch) {
  std::vector<double> v(kPoints);
  for (int i = 0; i < kPoints; ++i) v[i] = Response(900.0 + 200.0 * i / (kPoints - 1), f0, notch);
  return TSampledTrace::Linear(900.0, 1100.0, v);
}

// The stimuli where the response of the centre f0 stands at level (dB, below 0).
void ClosedEdges(double f0, bool notch, double level, double& low, double& high) {
  const double g = std::pow(10.0, level / 10.0);
  const double x = notch ? std::sqrt(g / (1 - g)) : std::sqrt(1 / g - 1);
  low = f0 * (1 - x / (2 * kQ));
  high = f0 * (1 + x / (2 * kQ));
}

}  // namespace

TEST(MarkerAnalysis, WholeTraceStatisticsCountTheEndsTwice) {
  TTracedList t(Steps({1, 2, 3}));
  t.list->SetStatistics(true);
  t.list->UpdateMarkers();
  EXPECT_DOUBLE_EQ(t.list->StatMean, 2.0);
  EXPECT_DOUBLE_EQ(t.list->StatPeakToPeak, 2.0);
  EXPECT_NEAR(t.list->StatDeviation, std::sqrt(4.0 / 5.0), 1e-15);
  // Switched off, the last results stay.
  t.list->SetStatistics(false);
  t.trace.Samples = Steps({7, 7, 7});
  t.list->UpdateMarkers();
  EXPECT_DOUBLE_EQ(t.list->StatMean, 2.0);
}

TEST(MarkerAnalysis, RangeStatisticsBetweenTwoMarkers) {
  TTracedList t(Steps({1, 4, 2, 8, 5, 7, 3}));
  TMarkerList& l = *t.list;
  l.AddMarker();
  l.AddMarker();
  l.FindMarker(0)->SetArgument(5);  // order does not matter
  l.FindMarker(1)->SetArgument(2);
  l.SetStatistics(true);
  l.SetStatRange(true);
  l.UpdateMarkers();
  // The values at 2 and 5, then points 3, 4, 5: point 5 counts twice.
  const double mean = (2 + 7 + 8 + 5 + 7) / 5.0;
  EXPECT_DOUBLE_EQ(l.StatMean, mean);
  EXPECT_DOUBLE_EQ(l.StatPeakToPeak, 6.0);
  const double var = (std::pow(2 - mean, 2) + 2 * std::pow(7 - mean, 2) + std::pow(8 - mean, 2) + std::pow(5 - mean, 2)) / 5;
  EXPECT_NEAR(l.StatDeviation, std::sqrt(var), 1e-14);
  // Between points, the interpolated ends.
  l.FindMarker(0)->SetArgument(3.5);
  l.FindMarker(1)->SetArgument(3.5);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(l.StatMean, 6.5);
  EXPECT_DOUBLE_EQ(l.StatDeviation, 0.0);
  EXPECT_DOUBLE_EQ(l.StatPeakToPeak, 0.0);
}

TEST(MarkerAnalysis, FlatnessAgainstTheLineThroughTheEndPoints) {
  TTracedList t(Steps({0, 1, 2, 3, 4, 5, 6}));
  TMarkerList& l = *t.list;
  l.AddMarker();
  l.AddMarker();
  l.FindMarker(0)->SetArgument(1.5);
  l.FindMarker(1)->SetArgument(5.5);
  l.SetFlatness(true);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(l.FlatnessGain, 1.5);
  EXPECT_DOUBLE_EQ(l.FlatnessSlope, 4.0);  // from point 1 to point 5, not per unit
  EXPECT_DOUBLE_EQ(l.FlatnessPosDeviation, 0.0);
  EXPECT_DOUBLE_EQ(l.FlatnessNegDeviation, 0.0);

  t.trace.Samples = Steps({0, 1, 3, 1.5, 4, 5, 6});
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(l.FlatnessPosDeviation, 1.0);  // point 2 above the line 1..5
  EXPECT_DOUBLE_EQ(l.FlatnessNegDeviation, 1.5);  // point 3 below it
  // A range inside one point spacing.
  l.FindMarker(1)->SetArgument(1.9);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(l.FlatnessSlope, 0.0);
  EXPECT_DOUBLE_EQ(l.FlatnessPosDeviation, 0.0);
}

TEST(MarkerAnalysis, BandPassEdgesMatchTheClosedForm) {
  const double f0 = 1000.0;
  TTracedList t(Resonance(f0, false));
  TMarkerList& l = *t.list;
  l.SetBandwidthSearch(true);
  double low = 0, high = 0;
  ClosedEdges(f0, false, -3.0, low, high);
  const double bw = high - low;
  for (double level : {-3.0, 3.0}) {
    l.SetBandwidthValue(level);
    const TBandResult r = l.SearchBandwidth();
    ASSERT_TRUE(r.Found);
    EXPECT_NEAR(r.RefLevel, 0.0, 1e-12);
    EXPECT_NEAR(r.Low, low, 1e-5 * bw);
    EXPECT_NEAR(r.High, high, 1e-5 * bw);
    EXPECT_NEAR(r.Center(), f0, 1e-5 * bw);
    EXPECT_NEAR(r.Bandwidth(), bw, 1e-5 * bw);
    EXPECT_NEAR(r.Q(), f0 / bw, 1e-5 * f0 / bw);
  }
  // Referred to a marker at 1005 MHz: the level there less 6 dB.
  l.AddMarker();
  l.FindMarker(0)->SetArgument(1005.0);
  l.SetBandwidthRef(1);
  l.SetBandwidthValue(6);
  const TBandResult r = l.SearchBandwidth();
  ASSERT_TRUE(r.Found);
  const double ref = Response(1005.0, f0, false);
  EXPECT_NEAR(r.RefLevel, ref, 1e-6);
  ClosedEdges(f0, false, ref - 6, low, high);
  EXPECT_NEAR(r.Low, low, 1e-5 * (high - low));
  EXPECT_NEAR(r.High, high, 1e-5 * (high - low));
}

TEST(MarkerAnalysis, NotchEdgesMatchTheClosedForm) {
  const double f0 = 1000.00625;  // between two points: the notch's floor is never sampled
  TTracedList t(Resonance(f0, true));
  TMarkerList& l = *t.list;
  l.SetBandwidthSearch(true);
  l.SetBandwidthType(1);
  const TBandResult r = l.SearchBandwidth();
  ASSERT_TRUE(r.Found);
  double low = 0, high = 0;
  ClosedEdges(f0, true, r.RefLevel - 3, low, high);
  const double bw = high - low;
  EXPECT_NEAR(r.RefLevel, std::max(Response(900, f0, true), Response(1100, f0, true)), 1e-12);
  EXPECT_NEAR(r.Low, low, 1e-5 * bw);
  EXPECT_NEAR(r.High, high, 1e-5 * bw);
  EXPECT_NEAR(r.Center(), f0, 1e-5 * bw);
  l.SetBandwidthValue(3);
  const TBandResult same = l.SearchBandwidth();
  EXPECT_EQ(same.Low, r.Low);
  EXPECT_EQ(same.High, r.High);
}

TEST(MarkerAnalysis, NotchLooksLeftThenRight) {
  //                            0   1  2   3   4   5    6   7  8  9
  TTracedList right(Steps({-5, -2, 0, -1, -1, -9, -10, -9, -1, -1}));
  right.list->SetBandwidthSearch(true);
  right.list->SetBandwidthType(1);
  TBandResult r = right.list->SearchBandwidth();
  ASSERT_TRUE(r.Found);
  EXPECT_DOUBLE_EQ(r.RefLevel, 0.0);
  EXPECT_NEAR(r.Low, 4 + 2.0 / 8, 1e-12);
  EXPECT_NEAR(r.High, 7 + 6.0 / 8, 1e-12);

  TTracedList left(Steps({-1, -9, -1, -1, 0, -1, -1, -1, -1, -1}));
  left.list->SetBandwidthSearch(true);
  left.list->SetBandwidthType(1);
  r = left.list->SearchBandwidth();
  ASSERT_TRUE(r.Found);
  EXPECT_NEAR(r.Low, 0.25, 1e-12);
  EXPECT_NEAR(r.High, 1.75, 1e-12);

  // A band that does not close on one side is not found.
  TTracedList open(Steps({0, -1, -2, -4, -6}));
  open.list->SetBandwidthSearch(true);
  EXPECT_FALSE(open.list->SearchBandwidth().Found);
  // Referred to the active marker with no marker at all: not found.
  TTracedList none(Steps({-9, 0, -9}));
  none.list->SetBandwidthSearch(true);
  EXPECT_TRUE(none.list->SearchBandwidth().Found);
  none.list->SetBandwidthRef(1);
  EXPECT_FALSE(none.list->SearchBandwidth().Found);
  none.list->SetBandwidthRef(0);
  none.list->SetBandwidthSearch(false);
  EXPECT_FALSE(none.list->SearchBandwidth().Found);
}

TEST(MarkerAnalysis, FilterLossRippleAndRejection) {
  //                            0    1    2    3    4   5   6     7     8   9   10
  TTracedList t(Steps({-40, -35, -42, -38, -20, -1, -0.5, -1.2, -0.8, -1, -30}));
  TMarkerList& l = *t.list;
  for (int i = 0; i < 4; ++i) l.AddMarker();
  l.FindMarker(0)->SetArgument(9);  // passband 5..9, given in either order
  l.FindMarker(1)->SetArgument(5);
  l.FindMarker(2)->SetArgument(0);  // stopband 0..3
  l.FindMarker(3)->SetArgument(3);
  l.SetRFFilterStats(true);
  TFilterResult r = l.ComputeFilterStatistics();
  EXPECT_DOUBLE_EQ(r.PassbandMinimum, -1.2);
  EXPECT_DOUBLE_EQ(r.PassbandPeakToPeak, 0.7);
  EXPECT_DOUBLE_EQ(r.Rejection, -35 - -1.2);
  // Without a valid stopband the rejection is 0.
  l.SetStopbandStop(9);
  r = l.ComputeFilterStatistics();
  EXPECT_EQ(r.Rejection, 0.0);
  EXPECT_DOUBLE_EQ(r.PassbandMinimum, -1.2);
  // Passband ends between points: interpolated ends, and the point at or below the lower end.
  l.FindMarker(1)->SetArgument(4.5);
  l.FindMarker(0)->SetArgument(6.5);
  r = l.ComputeFilterStatistics();
  EXPECT_DOUBLE_EQ(r.PassbandMinimum, -20.0);
  EXPECT_DOUBLE_EQ(r.PassbandPeakToPeak, -0.85 - -20.0);  // point 6 (above 6.5) is left out
  l.SetRFFilterStats(false);
  r = l.ComputeFilterStatistics();
  EXPECT_EQ(r.PassbandMinimum, 0.0);
}

TEST(MarkerAnalysis, BandwidthAndFilterAreCachedPerSweep) {
  TTracedList t(Resonance(1000.0, false));
  TMarkerList& l = *t.list;
  l.SetBandwidthSearch(true);
  for (int i = 0; i < 2; ++i) l.AddMarker();
  l.FindMarker(0)->SetArgument(995);
  l.FindMarker(1)->SetArgument(1005);
  l.SetRFFilterStats(true);
  const TBandResult first = l.SearchBandwidth();
  const TFilterResult filter = l.ComputeFilterStatistics();
  const long reads = t.trace.Reads;
  l.RefreshMarkers();  // a repaint on the same data
  EXPECT_EQ(l.SearchBandwidth().Low, first.Low);
  EXPECT_EQ(l.ComputeFilterStatistics().PassbandMinimum, filter.PassbandMinimum);
  EXPECT_EQ(t.trace.Reads, reads);
  // New data, a changed setting or a moved marker compute again.
  for (double& s : t.trace.Samples.Stimuli) s += 1.0;
  l.UpdateMarkers();
  EXPECT_NEAR(l.SearchBandwidth().Low, first.Low + 1.0, 1e-9);
  l.SetBandwidthValue(-6);
  EXPECT_LT(l.SearchBandwidth().Low, first.Low);
  l.FindMarker(1)->SetArgument(1000.5);
  EXPECT_EQ(l.ComputeFilterStatistics().PassbandMinimum,
            TTraceStatistics::Filter(t.trace.Samples, 995, 1000.5, 0, 0, false).PassbandMinimum);
}
