// The search dialogs on the synthetic trace: each button's stored search and where it moves
// the marker, the texts of the values, and the deletions that automation may make while one of
// their keypads or sub-dialogs is open.
#include "dialogs/MarkerSearchFrm.h"

#include <functional>
#include <string>

#include "MarkerDialogRig.h"
#include "dialogs/SearchPeakFrm.h"
#include "dialogs/SearchTargetFrm.h"
#include "dialogs/MarkerMathFrm.h"
#include "platform/ui/Panel.h"

namespace {

class MarkerSearchDialog : public MarkerDialogRig {};
class SearchPeakDialog : public MarkerDialogRig {};
class MarkerDialogRemote : public MarkerDialogRig {};

TEST_F(MarkerSearchDialog, EachButtonStoresItsSearchAndMovesTheMarker) {
  LoadPeaks();
  Markers().AddMarker();
  TMarker& m = *Markers().FindMarker(0);
  m.SetTargetValue(-20);
  m.SetTargetTransition(2);
  struct Case {
    std::string dialog, button;
    int from, polarity;
    int code;
    double at;  // expected point; -1: left of `from`, -2: right of it
  };
  const Case cases[] = {
      {"search", "btSearchMax", 10, 0, 0, kPeak2},   {"search", "btSearchMin", 10, 0, 1, kDip1},
      {"peak", "btSearchPeak", 60, 0, 2, kPeak1},    {"peak", "btMaxPeak", 10, 0, 3, kPeak2},
      {"peak", "btPeakLeft", 120, 0, 4, kPeak2},     {"peak", "btPeakRight", 120, 0, 5, kPeak3},
      {"peak", "btPeakRight", kPeak3, 0, 5, kPeak3}, {"peak", "btMaxPeak", 10, 1, 3, kDip1},
      {"target", "btTargetLeft", 100, 0, 7, -1},     {"target", "btTargetRight", 100, 0, 8, -2},
  };
  for (const Case& c : cases) {
    m.SetArgument(100 + c.from);
    m.SetPeakPolarity(c.polarity);
    std::unique_ptr<TTouchDialogFrm> dialog;
    if (c.dialog == "search") dialog = std::make_unique<TMarkerSearchFrm>(frm.get());
    if (c.dialog == "peak") dialog = std::make_unique<TSearchPeakFrm>(frm.get());
    if (c.dialog == "target") dialog = std::make_unique<TSearchTargetFrm>(frm.get());
    Press(*dialog, c.button);
    EXPECT_EQ(c.code, m.MarkerSearch) << c.button << " from " << c.from;
    if (c.at == -1) {
      EXPECT_LT(PointOf(m), c.from) << c.button;
      EXPECT_NEAR(-20, m.Value, 1.0) << c.button;
    } else if (c.at == -2) {
      EXPECT_GT(PointOf(m), c.from) << c.button;
      EXPECT_NEAR(-20, m.Value, 1.0) << c.button;
    } else {
      EXPECT_NEAR(c.at, PointOf(m), 0.5) << c.button << " from " << c.from;
    }
  }
}

TEST_F(MarkerSearchDialog, TheValuesReadTheActiveMarkerIncludingTheReference) {
  LoadPeaks();
  Markers().AddMarker();
  Markers().SetReferenceEnabled(true);
  TMarker& ref = *Markers().GetReferenceMarker();
  TMarkerSearchFrm dialog(frm.get());
  EXPECT_EQ(222, dialog.Width());
  EXPECT_EQ(294, dialog.Height());
  Press(dialog, "btSearchMin");
  EXPECT_EQ(" Minimum", dialog.pnSearchTypeValue->Caption());
  EXPECT_EQ(1, ref.MarkerSearch) << "the reference is the active marker";
  EXPECT_EQ(0, Markers().FindMarker(0)->MarkerSearch);
  Press(dialog, "btSearchMax");
  EXPECT_EQ(" Maximum", dialog.pnSearchTypeValue->Caption());
  Press(dialog, "pnTrackingValue");
  EXPECT_TRUE(ref.Tracking);
  EXPECT_EQ(" ON", dialog.pnTrackingValue->Caption());
  // A start typed below the sweep is stored as its first stimulus.
  driver.OnNextModal([&](ui::Form& k) { TypeIntoKeypad(k, "5"); });
  Press(dialog, "pnSearchStartValue");
  EXPECT_DOUBLE_EQ(100, ref.SearchStart);
  // A code without a name shows nothing.
  ref.MarkerSearch = 9;
  dialog.RefreshValues();
  EXPECT_EQ("", dialog.pnSearchTypeValue->Caption());
  for (int key : {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) {
    driver.OnNextModal([&](ui::Form& f) { driver.Key(f, key); });
    EXPECT_EQ(ui::mrOk, dialog.ShowModal()) << key;
  }
}

TEST_F(SearchPeakDialog, TheExcursionReadsInTheFormatsUnit) {
  LoadPeaks(fmtReturnLoss);
  Markers().AddMarker();
  TSearchPeakFrm dialog(frm.get());
  EXPECT_EQ(262, dialog.Height());
  EXPECT_EQ("  1.0000 dB", dialog.pnPeakExcursionValue->Caption());
  EXPECT_EQ(" Positive", dialog.pnPeakPolarityValue->Caption());
  Markers().FindMarker(0)->PeakPolarity = 5;
  Trace().SetFormat(fmtGroupDelay);
  dialog.RefreshValues();
  EXPECT_EQ(" ", dialog.pnPeakPolarityValue->Caption());
  const std::string text = dialog.pnPeakExcursionValue->Caption();
  EXPECT_EQ("ns", text.substr(text.size() - 2));
}

TEST_F(MarkerDialogRemote, DeletionsDuringAKeypadOrASubDialogAreNeverRead) {
  LoadPeaks();
  struct Case {
    std::string what;
    std::function<void()> remove;
  };
  const Case removals[] = {
      {"all markers", [&] { Markers().DeleteAllMarkers(); }},
      {"the reference", [&] { Markers().SetReferenceEnabled(false); }},
  };
  for (const Case& r : removals) {
    Markers().DeleteAllMarkers();
    Markers().SetReferenceEnabled(true);
    TMarkerSearchFrm search(frm.get());
    // The start keypad: removed while it is open, then confirmed.
    driver.OnNextModal([&](ui::Form& k) {
      r.remove();
      TypeIntoKeypad(k, "150");
    });
    Press(search, "pnSearchStartValue");
    EXPECT_EQ(" ", search.pnSearchStartValue->Caption()) << r.what;
    EXPECT_EQ(" ", search.pnSearchTypeValue->Caption()) << r.what;
    // Nothing acts without a marker.
    for (const char* b : {"btSearchMax", "pnTrackingValue", "btSearchReak", "btSearchTarget"}) Press(search, b);
    EXPECT_EQ(0, Markers().GetCount());

    // Inside the peak and target dialogs.
    Markers().SetReferenceEnabled(true);
    for (const char* button : {"btSearchReak", "btSearchTarget"}) {
      driver.OnNextModal([&](ui::Form& sub) {
        r.remove();
        for (const char* name : {"pnPeakExcursionValue", "btSearchPeak", "btMaxPeak", "pnTargetValueValue",
                                 "btSearchTarget", "btTargetLeft"}) {
          if (auto* c = driver.Find(name, &sub)) driver.Press(*c);
        }
        Press(sub, "btOk");
      });
      Press(search, button);
      Markers().SetReferenceEnabled(true);
    }
    Markers().DeleteAllMarkers();
  }
}

TEST_F(MarkerDialogRemote, AStaleRowFollowedByDeleteChangesNothingElse) {
  LoadPeaks();
  for (int i = 0; i < 3; ++i) Markers().AddMarker();
  Markers().FindMarker(2)->SetArgument(130);
  driver.OnNextModal([&](ui::Form& form) {
    auto& list = dynamic_cast<TTouchDialogFrm&>(form);
    auto& grid = driver.Get("sgList", &list);
    // Automation deletes two markers behind the list's back; row 2 is now stale.
    Markers().SetActiveMarker(0);
    Markers().DeleteActiveMarker();
    Markers().DeleteActiveMarker();
    ASSERT_EQ(1, Markers().GetMarkerCount());
    driver.Click(grid, 5, 2 * 27 + 10);
    EXPECT_EQ(0, Markers().ActiveMarker);
    Press(list, "btDeleteMarker");
    EXPECT_EQ(0, Markers().GetMarkerCount());
    Press(list, "btDeleteMarker");
    Press(list, "btOk");
  });
  frm->OpenDialog("TMarkerListFrm", true);
}

}  // namespace

namespace {

class MarkerDialogRemoteLists : public MarkerDialogRig {};

// Inside the polarity, transition and marker-number lists automation removes every marker or
// the active trace; the choice is then applied and the dialog reads no marker.
TEST_F(MarkerDialogRemoteLists, DeletionsWhileAListIsOpenAreNeverRead) {
  LoadPeaks();
  Traces().AddMeasurement(0, fmtLogMag);  // a second trace, so that the active one can go
  ASSERT_EQ(2, Traces().GetCount());
  struct Case {
    std::string what;
    std::function<void()> remove;
  };
  const Case removals[] = {
      {"all markers", [&] { Markers().DeleteAllMarkers(); }},
      {"the active trace", [&] { Traces().DeleteActiveMeasurement(); }},
  };
  for (const Case& r : removals) {
    Markers().DeleteAllMarkers();
    Markers().AddMarker();
    const auto applyAfterRemoval = [&](ui::Form& list) {
      r.remove();
      Press(list, "btApply");
    };
    {
      TSearchPeakFrm peak(frm.get());
      driver.OnNextModal(applyAfterRemoval);
      Press(peak, "pnPeakPolarityValue");
      if (Markers().GetCount() == 0) {
        EXPECT_EQ(" ", peak.pnPeakPolarityValue->Caption()) << r.what;
        EXPECT_EQ(" ", peak.pnPeakExcursionValue->Caption()) << r.what;
      }
    }
    if (Traces().GetCount() < 2) Traces().AddMeasurement(0, fmtLogMag);
    Markers().DeleteAllMarkers();
    Markers().AddMarker();
    {
      TSearchTargetFrm target(frm.get());
      driver.OnNextModal(applyAfterRemoval);
      Press(target, "pnTargetTransValue");
      if (Markers().GetCount() == 0) {
        EXPECT_EQ(" ", target.pnTargetTransValue->Caption()) << r.what;
      }
    }
    if (Traces().GetCount() < 2) Traces().AddMeasurement(0, fmtLogMag);
    Markers().AddMarker();
    {
      TMarkerMathFrm math(frm.get());
      driver.OnNextModal(applyAfterRemoval);
      Press(math, "pnFlatnessStartValue");
      EXPECT_FALSE(Markers().Flatness) << r.what;
    }
    if (Traces().GetCount() < 2) Traces().AddMeasurement(0, fmtLogMag);
  }
}

}  // namespace
