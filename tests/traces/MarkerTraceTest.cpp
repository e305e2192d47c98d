// Markers on real traces of a channel window: readings from the displayed data, the window's
// events, coupling through the trace list, the marker functions on the channel and the trace,
// and the marker keys inside a trace's state section.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "model/MemIniFile.h"
#include "model/Range.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasurementMarkerTrace.h"
#include "traces/MemoryList.h"
#include "traces/TimeDomainOwner.h"
#include "traces/TraceStatistics.h"
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

namespace {

// A reflection peak of width w MHz at 1000 MHz whose response arrives 20 ns late, outside the
// default gate.
TComplex DelayedResonance(double f, double w) {
  const double x = (f - 1000.0) / w;
  return Polar(0.05 + 0.9 / (1 + x * x), -2 * 3.14159265358979 * f * 1e6 * 20e-9);
}

// One sweep of the resonance through the trace's point path, as the window drives it.
void SweepResonance(tracetest::FakeTraceHost& host, double w) {
  TRange& range = *host.range;
  for (int i = 0; i < range.GetCount(); ++i) range.SetPointData(0, i, DelayedResonance(range.GetPointFrequency(i), w));
  for (int k = 0; k < range.GetCount(); ++k) {
    range.LastPointIndex = k;
    host.Trace().ProcessSweepPoint();
  }
  host.Trace().FinishSweep();
}

void ExpectSameBand(const TBandResult& a, const TBandResult& b, const std::string& what) {
  EXPECT_EQ(a.Found, b.Found) << what;
  EXPECT_EQ(a.Low, b.Low) << what;
  EXPECT_EQ(a.High, b.High) << what;
  EXPECT_EQ(a.RefLevel, b.RefLevel) << what;
}

}  // namespace

// In hold no sweep ends, so the readouts of the marker table must follow every other change of
// the displayed data: each change below is followed by a readout equal to one computed afresh
// (with a trace recalculated from the channel where no max-hold history is shown).
TEST(MarkerTrace, BandwidthReadoutInvalidationInHold) {
  tracetest::FakeTraceHost host(201, 900.0, 1100.0);
  TTimeDomainOwner owner(&host.list);
  TMeasurement& t = host.Trace();  // return loss
  TMarkerList& l = *t.Markers;
  l.SetBandwidthSearch(true);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(l.AddMarker());
  l.FindMarker(0)->SetArgument(990);
  l.FindMarker(1)->SetArgument(1010);
  l.SetRFFilterStats(true);
  ASSERT_TRUE(l.IsPassbandValid());

  SweepResonance(host, 40.0);
  t.SetMaxHold(true);
  t.Recalculate();            // max hold starts from the wide resonance
  SweepResonance(host, 8.0);  // and keeps it
  const double wide = l.SearchBandwidth().Bandwidth();
  ASSERT_GT(wide, 30.0);

  struct Step {
    const char* what;
    std::function<void()> change;
    bool recalculate;  // the oracle may start from the channel (no held history on screen)
  };
  const Step steps[] = {
      {"max hold off", [&] { t.SetMaxHold(false); }, false},
      {"max hold on", [&] { t.SetMaxHold(true); }, false},
      {"max hold off again", [&] { t.SetMaxHold(false); }, true},
      {"smoothing on", [&] { t.SetSmoothingAperture(15); t.SetSmoothing(true); }, true},
      {"smoothing off", [&] { t.SetSmoothing(false); }, true},
      {"linear magnitude", [&] { t.SetFormat(7); }, true},
      {"return loss", [&] { t.SetFormat(16); }, true},
      {"memory and data math",
       [&] {
         ASSERT_TRUE(t.Memories->StoreData());
         t.SetDataMath(0);
       },
       true},
      {"memory cleared under data math", [&] { t.Memories->Clear(); }, true},
      {"gating on", [&] { host.timeDomain.SetGatingEnabled(owner, true); }, true},
      {"gate type notch", [&] { host.timeDomain.SetGatingType(owner, 1); }, true},
      {"gating off", [&] { host.timeDomain.SetGatingEnabled(owner, false); }, true},
  };
  TBandResult before = l.SearchBandwidth();
  TFilterResult filterBefore = l.ComputeFilterStatistics();
  for (const Step& s : steps) {
    s.change();
    const TBandResult shown = l.SearchBandwidth();
    const TFilterResult filter = l.ComputeFilterStatistics();
    if (s.recalculate) t.Recalculate();
    TMeasurementMarkerTrace view(&t);
    TMarkerList fresh(nullptr, &view);
    fresh.SetBandwidthSearch(true);
    ExpectSameBand(shown, fresh.SearchBandwidth(), s.what);
    const TFilterResult want = TTraceStatistics::Filter(view, 990, 1010, 0, 0, false);
    EXPECT_EQ(filter.PassbandMinimum, want.PassbandMinimum) << s.what;
    EXPECT_EQ(filter.PassbandPeakToPeak, want.PassbandPeakToPeak) << s.what;
    // Every change moves a readout, so a stale one cannot pass for a fresh one.
    if (shown.Found == before.Found && shown.Low == before.Low && shown.High == before.High &&
        filter.PassbandMinimum == filterBefore.PassbandMinimum)
      ADD_FAILURE() << s.what << " left the readouts as they were ";
    before = shown;
    filterBefore = filter;
  }
  EXPECT_EQ(t.DataMath, 4);  // the cleared memory took data math with it
}
