// The bandwidth search that automation reads runs whatever the readout switch says and without
// the cache, yet gives what the chart's readout shows while that is on.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/SampledTrace.h"
#include "tests/traces/MarkerTestTrace.h"

using markertest::TTracedList;

namespace {

TSampledTrace Peak(double centre, double width, int n) {
  std::vector<double> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double f = 900.0 + 200.0 * i / (n - 1);
    const double x = (f - centre) / width;
    v[size_t(i)] = -10 * std::log10(1 + x * x);
  }
  return TSampledTrace::Linear(900.0, 1100.0, v);
}

void ExpectSame(const TBandResult& a, const TBandResult& b) {
  EXPECT_EQ(a.Found, b.Found);
  EXPECT_EQ(a.Low, b.Low);
  EXPECT_EQ(a.High, b.High);
  EXPECT_EQ(a.RefLevel, b.RefLevel);
}

TEST(BandwidthCompute, EqualsTheChartsReadoutForEverySetting) {
  TTracedList t(Peak(1003.0, 4.0, 2001));
  TMarkerList& l = *t.list;
  l.AddMarker();
  l.FindMarker(0)->SetArgument(1001.0);
  // Off: the chart shows nothing, the direct search still finds the band.
  EXPECT_FALSE(l.SearchBandwidth().Found);
  const TBandResult off = l.ComputeBandwidth();
  ASSERT_TRUE(off.Found);
  EXPECT_NEAR(off.Center(), 1003.0, 1e-3);
  l.SetBandwidthSearch(true);
  for (int type : {0, 1}) {
    for (int ref : {0, 1}) {
      for (double level : {-3.0, 6.0, 0.5}) {
        SCOPED_TRACE(testing::Message() << type << " " << ref << " " << level);
        l.SetBandwidthType(type);
        l.SetBandwidthRef(ref);
        l.SetBandwidthValue(level);
        ExpectSame(l.ComputeBandwidth(), l.SearchBandwidth());
      }
    }
  }
  // New data: the cache follows and so does the direct search.
  l.SetBandwidthType(0);
  l.SetBandwidthRef(0);
  l.SetBandwidthValue(-3);
  t.trace.Samples = Peak(950.0, 2.0, 2001);
  l.UpdateMarkers();
  ExpectSame(l.ComputeBandwidth(), l.SearchBandwidth());
  EXPECT_NEAR(l.ComputeBandwidth().Center(), 950.0, 1e-3);
}

TEST(BandwidthCompute, MarkerReferenceWithoutMarkersFindsNothing) {
  TTracedList t(Peak(1000.0, 4.0, 201));
  t.list->SetBandwidthRef(1);
  EXPECT_FALSE(t.list->ComputeBandwidth().Found);
}

}  // namespace
