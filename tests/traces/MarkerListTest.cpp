// The marker list: numbering, deletion and renumbering, the reference marker, the analysis
// range rules, coupling across traces, the table position and the state sections.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/MemIniFile.h"
#include "model/NumberText.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "tests/traces/MarkerTestTrace.h"

using markertest::TMarkerTestGroup;
using markertest::TTracedList;

namespace {

std::vector<int> Tags(const TMarkerList& l) {
  std::vector<int> tags;
  for (int i = 0; i < l.GetCount(); ++i) tags.push_back(l.GetMarker(i)->Tag);
  return tags;
}

}  // namespace

TEST(MarkerList, AddNumbersFromZeroActivatesAndStopsAtFifteen) {
  TTracedList t;
  TMarkerList& l = *t.list;
  EXPECT_EQ(l.FindMarker(0), nullptr);
  EXPECT_EQ(l.GetActiveMarker(), nullptr);
  for (int i = 0; i < 15; ++i) {
    ASSERT_TRUE(l.AddMarker());
    EXPECT_EQ(l.ActiveMarker, i);
    EXPECT_EQ(l.GetActiveMarker()->Tag, i);
    EXPECT_DOUBLE_EQ(l.GetActiveMarker()->RelativeX, 0.5);
    EXPECT_DOUBLE_EQ(l.GetActiveMarker()->Argument, 600.0);
  }
  const int redraws = t.trace.Redraws;
  EXPECT_FALSE(l.AddMarker());
  EXPECT_EQ(l.GetMarkerCount(), 15);
  EXPECT_EQ(t.trace.Redraws, redraws);
  // An unknown tag falls back to the last marker.
  EXPECT_EQ(l.FindMarker(40)->Tag, 14);
  EXPECT_TRUE(l.MarkerExists(14));
  EXPECT_FALSE(l.MarkerExists(15));
  EXPECT_EQ(t.trace.Senders.back(), &l);
}

TEST(MarkerList, DeletingRenumbersAndSwitchesBrokenRangesOff) {
  struct Case {
    int active;
    std::vector<int> statRange;  // start, stop
    bool statOnAfter;
    int activeAfter;
  };
  const Case cases[] = {
      {1, {1, 2}, false, 0},  // the range's stop no longer exists
      {1, {0, 1}, true, 0},   // 0 and 1 still exist (renumbered)
      {0, {0, 2}, false, 0},  // active 0 stays 0
      {2, {0, 1}, true, 1},
  };
  for (const Case& c : cases) {
    TTracedList t;
    TMarkerList& l = *t.list;
    for (int i = 0; i < 3; ++i) l.AddMarker();
    l.GetMarker(0)->SetArgument(200);
    l.GetMarker(1)->SetArgument(300);
    l.GetMarker(2)->SetArgument(400);
    l.SetStatStart(c.statRange[0]);
    l.SetStatStop(c.statRange[1]);
    l.SetStatRange(true);
    ASSERT_TRUE(l.StatRange);
    l.SetActiveMarker(c.active);
    const double survivor = l.FindMarker(c.active == 0 ? 1 : 0)->Argument;
    l.DeleteActiveMarker();
    EXPECT_EQ(Tags(l), (std::vector<int>{0, 1})) << c.active;
    EXPECT_EQ(l.StatRange, c.statOnAfter) << c.active;
    EXPECT_EQ(l.ActiveMarker, c.activeAfter) << c.active;
    bool kept = false;
    for (int i = 0; i < l.GetCount(); ++i) kept = kept || l.GetMarker(i)->Argument == survivor;
    EXPECT_TRUE(kept);
  }
}

TEST(MarkerList, ReferenceMarkerOnAndOff) {
  TTracedList t;
  TMarkerList& l = *t.list;
  l.SetReferenceEnabled(true);
  EXPECT_EQ(l.ActiveMarker, 15);
  EXPECT_EQ(l.GetActiveMarker()->Tag, 15);
  EXPECT_EQ(l.GetMarkerCount(), 0);
  EXPECT_TRUE(l.MarkerExists(15));
  // Off with no numbered marker leaves no active marker.
  l.SetReferenceEnabled(false);
  EXPECT_EQ(l.ActiveMarker, -1);
  EXPECT_EQ(l.GetCount(), 0);

  l.AddMarker();
  l.AddMarker();
  l.SetReferenceEnabled(true);
  EXPECT_EQ(l.GetMarkerCount(), 2);
  l.DeleteActiveMarker();  // the reference
  EXPECT_FALSE(l.EnableReference);
  EXPECT_EQ(l.ActiveMarker, 1);
  EXPECT_EQ(Tags(l), (std::vector<int>{0, 1}));
}

TEST(MarkerList, DeleteWithAnActiveTagThatNamesNoMarkerChangesNothing) {
  // SetActiveMarker stores any tag; a stale one (markers deleted behind a list's back) deletes
  // nothing, not the last marker the lookup falls back to.
  for (int stale : {3, 7, 15, -1}) {
    TTracedList t;
    TMarkerList& l = *t.list;
    l.AddMarker();
    l.AddMarker();
    l.SetActiveMarker(stale);
    l.DeleteActiveMarker();
    EXPECT_EQ(Tags(l), (std::vector<int>{0, 1})) << stale;
    EXPECT_EQ(l.ActiveMarker, stale);
  }
}

TEST(MarkerList, DeleteAllClearsEverythingAndTheCoupling) {
  TMarkerTestGroup g;
  TTracedList a, b;
  g.Add(a.trace);
  g.Add(b.trace);
  g.Couple = true;
  TMarkerList& l = *a.list;
  for (int i = 0; i < 4; ++i) l.AddMarker();
  l.SetReferenceEnabled(true);
  l.SetStatRange(true);
  l.SetFlatness(true);
  l.SetRFFilterStats(true);
  ASSERT_TRUE(l.StatRange && l.Flatness && l.RFFilterStats);
  l.DeleteAllMarkers();
  EXPECT_EQ(l.GetCount(), 0);
  EXPECT_FALSE(l.EnableReference || l.StatRange || l.Flatness || l.RFFilterStats);
  EXPECT_EQ(l.ActiveMarker, 0);
  EXPECT_FALSE(g.Couple);
  // The other trace keeps its copies.
  EXPECT_EQ(b.list->GetMarkerCount(), 4);
}

TEST(MarkerList, RangeSettersFollowTheirValidityRules) {
  TTracedList t;
  TMarkerList& l = *t.list;
  l.SetStatRange(true);  // no markers
  EXPECT_FALSE(l.StatRange);
  l.AddMarker();
  l.AddMarker();
  l.SetStatStop(0);  // start == stop
  l.SetStatRange(true);
  EXPECT_FALSE(l.StatRange);
  l.SetStatStop(1);
  l.SetStatRange(true);
  EXPECT_TRUE(l.StatRange);
  l.SetStatStop(7);
  EXPECT_FALSE(l.StatRange);

  l.SetFlatnessStop(1);
  l.SetFlatness(true);
  EXPECT_TRUE(l.Flatness);
  l.SetFlatnessStart(1);
  EXPECT_FALSE(l.Flatness);

  // The filter statistics need both passband markers; the stopband is optional.
  l.SetPassbandStop(5);
  l.SetRFFilterStats(true);
  EXPECT_FALSE(l.RFFilterStats);
  l.SetPassbandStop(1);
  l.SetRFFilterStats(true);
  EXPECT_TRUE(l.IsPassbandValid());
  EXPECT_FALSE(l.IsStopbandValid());
  l.SetPassbandStart(9);
  EXPECT_FALSE(l.RFFilterStats);

  // The reference marker can bound a range.
  l.SetReferenceEnabled(true);
  l.SetStatStart(15);
  l.SetStatStop(0);
  l.SetStatRange(true);
  EXPECT_TRUE(l.StatRange);
  l.SetReferenceEnabled(false);
  l.SetActiveMarker(1);
  l.DeleteActiveMarker();
  EXPECT_FALSE(l.StatRange);
}

TEST(MarkerList, KeywordTextsMapEveryTextToATypeOrReference) {
  TTracedList t;
  TMarkerList& l = *t.list;
  const std::pair<const char*, int> types[] = {{"BPAS", 0}, {"bpass", 0}, {"NOTC", 1}, {"", 1}, {"xyz", 1}, {"BPA", 1}};
  for (const auto& [text, type] : types) {
    l.SetBandwidthTypeText(text);
    EXPECT_EQ(l.BandwidthType, type) << text;
  }
  const std::pair<const char*, int> refs[] = {{"MAX", 0}, {"maximum", 0}, {"MARK", 1}, {"MA", 1}, {"\xff\x01", 1}};
  for (const auto& [text, ref] : refs) {
    l.SetBandwidthRefText(text);
    EXPECT_EQ(l.BandwidthRef, ref) << text;
  }
  l.SetBandwidthRefText("MAX");
  l.SetBandwidthTypeText("BPAS");
  EXPECT_EQ(l.GetBandwidthRefText(), "MAX");
  EXPECT_EQ(l.GetBandwidthTypeText(), "BPAS");
  l.SetBandwidthValue(NAN);
  l.SetBandwidthValue(INFINITY);
  EXPECT_EQ(l.BandwidthValue, -3.0);
  l.SetBandwidthValue(6.0);
  EXPECT_EQ(l.BandwidthValue, 6.0);
}

TEST(MarkerList, CouplingGivesTheUnionAndLeavesDistanceToFaultAlone) {
  TMarkerTestGroup g;
  TTracedList a, b, dtf;
  dtf.trace.Format = 19;
  g.Add(a.trace);
  g.Add(b.trace);
  g.Add(dtf.trace);
  a.list->AddMarker();
  a.list->GetMarker(0)->SetRelativeX(0.2);
  b.list->AddMarker();
  b.list->AddMarker();
  b.list->GetMarker(1)->SetRelativeX(0.9);
  b.list->SetReferenceEnabled(true);
  dtf.list->AddMarker();
  dtf.list->GetMarker(0)->SetRelativeX(0.7);

  g.Couple = true;
  g.CoupleMarkers();
  for (TTracedList* t : {&a, &b}) {
    EXPECT_EQ(t->list->GetMarkerCount(), 2);
    EXPECT_TRUE(t->list->EnableReference);
    EXPECT_DOUBLE_EQ(t->list->FindMarker(0)->RelativeX, 0.2);  // the active trace's position
    EXPECT_DOUBLE_EQ(t->list->FindMarker(1)->RelativeX, 0.9);
    EXPECT_DOUBLE_EQ(t->list->FindMarker(1)->Argument, 1000.0);
  }
  EXPECT_EQ(dtf.list->GetMarkerCount(), 1);
  EXPECT_FALSE(dtf.list->EnableReference);
  EXPECT_DOUBLE_EQ(dtf.list->FindMarker(0)->RelativeX, 0.7);

  // A moved marker follows on the coupled trace, with one notification per list change.
  const int before = b.trace.Notifies;
  a.list->FindMarker(0)->SetRelativeX(0.4);
  EXPECT_DOUBLE_EQ(b.list->FindMarker(0)->RelativeX, 0.4);
  EXPECT_EQ(b.trace.Notifies, before);
  EXPECT_DOUBLE_EQ(dtf.list->FindMarker(0)->RelativeX, 0.7);

  // Deleting a marker deletes the same tag on the coupled traces, not on the DTF one.
  a.list->SetActiveMarker(0);
  a.list->DeleteActiveMarker();
  EXPECT_EQ(b.list->GetMarkerCount(), 1);
  EXPECT_DOUBLE_EQ(b.list->FindMarker(0)->RelativeX, 0.9);
  EXPECT_EQ(dtf.list->GetMarkerCount(), 1);
  a.list->SetReferenceEnabled(false);
  EXPECT_FALSE(b.list->EnableReference);
}

TEST(MarkerList, TablePositionFromPercentAndBack) {
  TTracedList t;  // free area left 100, width 600; top 40, height 400
  TMarkerList& l = *t.list;
  l.TableRect = {0, 0, 200, 100};
  l.SetBoundsLeft(50);
  EXPECT_EQ(l.TableRect.Left, 300);  // trunc(0.5 * 400 + 100 + 0.5)
  EXPECT_EQ(l.TableRect.Width(), 200);
  l.SetBoundsTop(150);
  EXPECT_EQ(l.BoundsTop, 100);
  EXPECT_EQ(l.TableRect.Top, 340);
  EXPECT_EQ(l.TableRect.Height(), 100);
  EXPECT_EQ(l.GetBoundsLeftFromTable(), 50);
  EXPECT_EQ(l.GetBoundsTopFromTable(), 100);
  l.SetBoundsLeft(33);
  EXPECT_EQ(l.TableRect.Left, 232);  // trunc(132 + 100 + 0.5)
  EXPECT_EQ(l.GetBoundsLeftFromTable(), 33);

  // Dragging the table tells the window only when the percentages move.
  const int notifies = t.trace.Notifies;
  l.CheckTableMoved();
  EXPECT_EQ(t.trace.Notifies, notifies);
  l.TableRect.Left = 500;
  l.TableRect.Right = 700;
  l.CheckTableMoved();
  EXPECT_EQ(t.trace.Notifies, notifies + 1);
  EXPECT_EQ(l.GetBoundsLeftFromTable(), 100);
  // A table as wide as the area has no room to move.
  l.TableRect = {100, 40, 700, 90};
  EXPECT_EQ(l.GetBoundsLeftFromTable(), 0);
}

TEST(MarkerList, StateRoundTrip) {
  TTracedList t;
  TMarkerList& l = *t.list;
  for (int i = 0; i < 3; ++i) l.AddMarker();
  l.GetMarker(0)->SetArgument(250.5);
  l.GetMarker(1)->SetArgument(700.25);
  l.GetMarker(2)->SetSearchRangeOn(true);
  l.GetMarker(2)->SetSearchStart(300);
  l.GetMarker(2)->SetSearchStop(800);
  l.GetMarker(2)->SetSearchFunction(5);
  l.GetMarker(2)->SetPeakPolarity(2);
  l.GetMarker(2)->SetPeakExcursion(2.5);
  l.GetMarker(2)->SetTargetValue(-6);
  l.GetMarker(2)->SetTargetTransition(1);
  l.GetMarker(2)->SetTracking(true);
  l.SetReferenceEnabled(true);
  l.GetReferenceMarker()->SetArgument(150);
  l.SetActiveMarker(1);
  l.SetStatistics(true);
  l.SetStatStart(0);
  l.SetStatStop(2);
  l.SetStatRange(true);
  l.SetFlatness(true);
  l.SetBandwidthSearch(true);
  l.SetBandwidthType(1);
  l.SetBandwidthRef(1);
  l.SetBandwidthValue(-6.5);
  l.SetPassbandStart(1);
  l.SetPassbandStop(15);
  l.SetRFFilterStats(true);
  l.TableRect = {120, 60, 320, 160};

  TMemIniFile ini;
  l.SaveToIni(ini, "Channel0Measurement0");
  EXPECT_EQ(ini.ReadInteger("Channel0Measurement0", "BoundsLeft", -1), 120);
  EXPECT_EQ(ini.ReadInteger("Channel0Measurement0", "CountMarker", -1), 3);
  EXPECT_TRUE(ini.SectionExists("Channel0Measurement0Marker15"));
  EXPECT_EQ(ini.ReadInteger("Channel0Measurement0Marker2", "Tag", -1), 2);

  TTracedList u;
  u.list->TableRect = {0, 0, 200, 100};
  u.list->LoadFromIni(ini, "Channel0Measurement0");
  TMarkerList& m = *u.list;
  m.UpdateMarkers();
  EXPECT_EQ(Tags(m), (std::vector<int>{0, 1, 2, 15}));
  EXPECT_DOUBLE_EQ(m.FindMarker(0)->Argument, 250.5);
  EXPECT_DOUBLE_EQ(m.FindMarker(1)->Argument, 700.25);
  EXPECT_DOUBLE_EQ(m.FindMarker(15)->Argument, 150.0);
  const TMarker& k = *m.FindMarker(2);
  EXPECT_TRUE(k.SearchRangeOn && k.Tracking);
  EXPECT_EQ(k.SearchStart, 300.0);
  EXPECT_EQ(k.SearchStop, 800.0);
  EXPECT_EQ(k.MarkerSearch, 5);
  EXPECT_EQ(k.PeakPolarity, 2);
  EXPECT_EQ(k.PeakExcursion, 2.5);
  EXPECT_EQ(k.TargetValue, -6.0);
  EXPECT_EQ(k.TargetTrans, 1);
  EXPECT_EQ(m.ActiveMarker, 1);
  EXPECT_TRUE(m.EnableReference && m.Statistics && m.StatRange && m.Flatness && m.BandwidthSearch);
  EXPECT_EQ(m.StatStop, 2);
  EXPECT_EQ(m.BandwidthType, 1);
  EXPECT_EQ(m.BandwidthRef, 1);
  EXPECT_EQ(m.BandwidthValue, -6.5);
  EXPECT_TRUE(m.RFFilterStats);
  EXPECT_EQ(m.PassbandStop, 15);
  EXPECT_EQ(m.TableRect, (TScreenRect{120, 60, 320, 160}));

  // Saving the loaded list writes the same document.
  TMemIniFile again;
  m.SaveToIni(again, "Channel0Measurement0");
  EXPECT_EQ(again.GetText(), ini.GetText());
}

TEST(MarkerList, HostileSectionsLoadClamped) {
  TMemIniFile ini;
  const std::string s = "T";
  ini.WriteString(s, "CountMarker", "20");
  ini.WriteString(s, "ActiveMarker", "15");  // the reference is off
  ini.WriteString(s, "StatRange", "1");
  ini.WriteString(s, "StatStart", "3");
  ini.WriteString(s, "StatStop", "40");
  ini.WriteString(s, "Flatness", "1");
  ini.WriteString(s, "FlatnessStart", "2");
  ini.WriteString(s, "FlatnessStop", "2");
  ini.WriteString(s, "RFFilterStats", "1");
  ini.WriteString(s, "PassbandStart", "-4");
  ini.WriteString(s, "BandwidthType", "9");
  ini.WriteString(s, "BandwidthRef", "-9");
  ini.WriteString(s, "BandwidthValue", "nan");
  ini.WriteString(s, "BoundsLeft", "2147483647");
  ini.WriteString(s, "BoundsTop", "-2147483648");
  ini.WriteString(s + "Marker0", "Tag", "9");
  ini.WriteString(s + "Marker0", "RelativeX", "7");
  ini.WriteString(s + "Marker0", "Argument", "inf");
  ini.WriteString(s + "Marker0", "MarkerSearch", "77");
  ini.WriteString(s + "Marker0", "PeakPolarity", "-1");
  ini.WriteString(s + "Marker0", "TargetTrans", "3");
  ini.WriteString(s + "Marker0", "PeakExcursion", "1e300");
  ini.WriteString(s + "Marker0", "TargetValue", "-1e300");
  ini.WriteString(s + "Marker0", "SearchStart", "-1e300");
  ini.WriteString(s + "Marker0", "SearchStop", "nan");

  TTracedList t;
  t.list->TableRect = {0, 0, 50, 50};
  t.list->LoadFromIni(ini, s);
  TMarkerList& l = *t.list;
  EXPECT_EQ(l.GetMarkerCount(), 15);
  EXPECT_EQ(Tags(l).front(), 0);
  EXPECT_EQ(l.ActiveMarker, 0);
  EXPECT_FALSE(l.StatRange);
  EXPECT_FALSE(l.Flatness);
  EXPECT_FALSE(l.RFFilterStats);
  EXPECT_EQ(l.BandwidthType, 1);
  EXPECT_EQ(l.BandwidthRef, 0);
  EXPECT_EQ(l.BandwidthValue, -3.0);
  EXPECT_EQ(l.TableRect.Width(), 50);
  const TMarker& m = *l.FindMarker(0);
  EXPECT_EQ(m.RelativeX, 1.0);
  EXPECT_EQ(m.Argument, 0.0);
  EXPECT_EQ(m.MarkerSearch, 8);
  EXPECT_EQ(m.PeakPolarity, 0);
  EXPECT_EQ(m.TargetTrans, 2);
  EXPECT_EQ(m.PeakExcursion, 2000.0);
  EXPECT_EQ(m.TargetValue, -1000.0);
  EXPECT_EQ(m.SearchStart, 100.0);
  l.UpdateMarkers();
  EXPECT_EQ(m.Argument, 100.0);
  EXPECT_EQ(m.RelativeX, 0.0);
}

TEST(MarkerList, LoaderSurvivesTruncatedOversizedAndRandomValues) {
  const char* keys[] = {"CountMarker", "ActiveMarker", "EnableReference", "BoundsLeft", "BoundsTop", "Statistics",
                        "StatRange", "StatStart", "StatStop", "Flatness", "FlatnessStart", "FlatnessStop",
                        "BandwidthSearch", "BandwidthType", "BandwidthRef", "BandwidthValue", "RFFilterStats",
                        "PassbandStart", "PassbandStop", "StopbandStart", "StopbandStop"};
  const char* markerKeys[] = {"RelativeX", "Argument", "Tag", "SearchRangeOn", "Tracking", "SearchStart",
                              "SearchStop", "MarkerSearch", "PeakPolarity", "PeakExcursion", "TargetValue",
                              "TargetTrans"};
  std::mt19937 rng(12345);
  auto randomText = [&] {
    static const std::string pool[] = {"", "1", "-1", "15", "16", "99999999999999999999", "1e308", "-1e308", "nan",
                                       "inf", "0,5", "0.25", "\xff\xfe", "true", std::string(5000, '9'), "1e-320"};
    std::string s = pool[rng() % std::size(pool)];
    if (rng() % 4 == 0) s = s.substr(0, s.size() / 2);  // truncated
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    TMemIniFile ini;
    for (const char* k : keys)
      if (rng() % 3) ini.WriteString("S", k, randomText());
    for (int i : {0, 1, 5, 14, 15})
      for (const char* k : markerKeys)
        if (rng() % 2) ini.WriteString("SMarker" + IntToText(i), k, randomText());
    TTracedList t;
    ASSERT_NO_THROW(t.list->LoadFromIni(ini, "S"));
    TMarkerList& l = *t.list;
    ASSERT_LE(l.GetMarkerCount(), 15);
    ASSERT_TRUE(l.MarkerExists(l.ActiveMarker) || l.GetCount() == 0);
    for (int i = 0; i < l.GetCount(); ++i) {
      const TMarker& m = *l.GetMarker(i);
      ASSERT_TRUE(std::isfinite(m.RelativeX) && std::isfinite(m.Argument) && std::isfinite(m.PeakExcursion));
      ASSERT_TRUE(m.MarkerSearch >= 0 && m.MarkerSearch <= 8);
    }
    l.UpdateMarkers();
    for (int i = 0; i < l.GetCount(); ++i) {
      ASSERT_GE(l.GetMarker(i)->Argument, 100.0);
      ASSERT_LE(l.GetMarker(i)->Argument, 1100.0);
      l.GetMarker(i)->GetValueText();
    }
    (void)l.SearchBandwidth();
    (void)l.ComputeFilterStatistics();
  }
}
