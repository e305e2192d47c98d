// Markers on real traces of a channel window: readings from the displayed data, the window's
// events, coupling through the trace list, the marker functions on the channel and the trace,
// and the marker keys inside a trace's state section.
#include <gtest/gtest.h>

#include "model/MemIniFile.h"
#include "model/Range.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "tests/traces/FakeTraceHost.h"

namespace {

void Ramp(TMeasurement& m) {
  for (size_t i = 0; i < m.SmoothedData.size(); ++i) m.SmoothedData[i] = {-static_cast<double>(i), 0.0};
}

}  // namespace

TEST(MarkerTrace, MarkersReadTheDisplayedData) {
  tracetest::FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& m = host.Trace();
  Ramp(m);
  host.ResetCounts();
  TMarkerList& l = *m.Markers;
  ASSERT_TRUE(l.AddMarker());
  EXPECT_GE(host.redraws, 1);
  ASSERT_FALSE(host.senders.empty());
  EXPECT_EQ(host.senders.back(), &l);
  TMarker& k = *l.FindMarker(0);
  EXPECT_DOUBLE_EQ(k.Argument, 150.0);
  EXPECT_DOUBLE_EQ(k.Value, -5.0);
  k.SetArgument(134.0);
  EXPECT_NEAR(k.Value, -3.4, 1e-12);
  EXPECT_TRUE(k.SearchWith(0));
  EXPECT_DOUBLE_EQ(k.Argument, 100.0);
  EXPECT_TRUE(k.SearchWith(1));
  EXPECT_DOUBLE_EQ(k.Argument, 200.0);  // the lowest value is the last point
  l.SetStatistics(true);
  l.UpdateMarkers();
  EXPECT_DOUBLE_EQ(l.StatMean, -5.0);
}

TEST(MarkerTrace, MarkerFunctionsReachTheChannelAndTheTrace) {
  tracetest::FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& m = host.Trace();
  Ramp(m);
  TMarkerList& l = *m.Markers;
  l.AddMarker();
  TMarker& k = *l.FindMarker(0);
  k.SetArgument(130.0);
  k.SetMarkerToText("STAR");
  EXPECT_DOUBLE_EQ(host.range->MinFrequency, 130.0);
  k.SetArgument(120.0);  // clamped into the new sweep
  EXPECT_DOUBLE_EQ(k.Argument, 130.0);
  k.SetMarkerToText("RLEV");
  EXPECT_DOUBLE_EQ(m.GetRefValue(), k.Value);
}

TEST(MarkerTrace, CouplingThroughTheTraceList) {
  tracetest::FakeTraceHost host(11, 100.0, 200.0);
  host.list.AddMeasurement(0, 16);
  TMeasurement& a = host.Trace(0);
  TMeasurement& b = host.Trace(1);
  host.list.SetActive(0);
  a.Markers->AddMarker();
  a.Markers->AddMarker();
  b.Markers->AddMarker();
  host.list.SetMarkerCouple(true);
  EXPECT_EQ(b.Markers->GetMarkerCount(), 2);
  a.Markers->FindMarker(1)->SetArgument(180.0);
  EXPECT_DOUBLE_EQ(b.Markers->FindMarker(1)->Argument, 180.0);
  a.Markers->SetActiveMarker(0);
  a.Markers->DeleteActiveMarker();
  EXPECT_EQ(b.Markers->GetMarkerCount(), 1);
  EXPECT_DOUBLE_EQ(b.Markers->FindMarker(0)->Argument, 180.0);
  a.Markers->DeleteAllMarkers();
  EXPECT_FALSE(host.list.MarkerCouple);
}

TEST(MarkerTrace, MarkerKeysRideInTheTraceSection) {
  tracetest::FakeTraceHost host(11, 100.0, 200.0);
  TMeasurement& m = host.Trace();
  m.Markers->AddMarker();
  m.Markers->AddMarker();
  m.Markers->FindMarker(1)->SetArgument(170.0);
  m.Markers->SetReferenceEnabled(true);
  TMemIniFile ini;
  host.list.SaveToIni(ini, "Channel1");
  tracetest::FakeTraceHost other(11, 100.0, 200.0);
  other.list.LoadFromIni(ini, "Channel1");
  TMarkerList& l = *other.Trace().Markers;
  l.UpdateMarkers();
  EXPECT_EQ(l.GetMarkerCount(), 2);
  EXPECT_TRUE(l.EnableReference);
  EXPECT_DOUBLE_EQ(l.FindMarker(1)->Argument, 170.0);
  EXPECT_EQ(l.ActiveMarker, 15);
}
