// Marker Properties and Marker Math driven by presses: the digit keypads, the switches, the
// alignment list, the group buttons, the bandwidth keypad and the marker-number list.
#include "dialogs/MarkerPropertiesFrm.h"

#include <string>

#include "MarkerDialogRig.h"
#include "dialogs/GroupSwitch.h"
#include "dialogs/MarkerMathFrm.h"
#include "platform/ui/Panel.h"
#include "widgets/EmiStringGrid.h"

namespace {

class MarkerPropertiesDialog : public MarkerDialogRig {};
class MarkerMathDialog : public MarkerDialogRig {};

TEST_F(MarkerPropertiesDialog, DigitsTruncateAndStayInRange) {
  TMarkerPropertiesFrm dialog(frm.get());
  EXPECT_EQ(230, dialog.Height());
  struct Case {
    const char* row;
    const char* typed;
    int stimulus, response;
  };
  const Case cases[] = {{"pnStimDigValue", "12", 10, 5}, {"pnRespDigValue", "2", 10, 3}, {"pnStimDigValue", "7.9", 7, 3}};
  for (const Case& c : cases) {
    bool hidden = false;
    driver.OnNextModal([&](ui::Form& k) {
      hidden = !dialog.Visible();
      TypeIntoKeypad(k, c.typed);
    });
    dialog.Show();
    Press(dialog, c.row);
    EXPECT_TRUE(hidden) << "the digit keypads hide the dialog";
    EXPECT_EQ(c.stimulus, ViewProperties->ArgumentDigits) << c.typed;
    EXPECT_EQ(c.response, ViewProperties->ValueDigits) << c.typed;
  }
  EXPECT_EQ(" 7", dialog.pnStimDigValue->Caption());
  // Caption panels do nothing; without the digital panel the values only refresh.
  Press(dialog, "pnStimDig");
  Press(dialog, "pnMarkerCouple");
  EXPECT_FALSE(Traces().MarkerCouple);
  ViewProperties->UseDigitalPanel = false;
  Press(dialog, "pnStimDigValue");
  Press(dialog, "pnMarkerCoupleValue");
  EXPECT_TRUE(Traces().MarkerCouple);
  EXPECT_EQ(" ON", dialog.pnMarkerCoupleValue->Caption());
  dialog.Hide();
}

TEST_F(MarkerPropertiesDialog, AnAlignmentWithoutANameLeavesTheText) {
  TMarkerPropertiesFrm dialog(frm.get());
  const std::string before = dialog.pnAllignValue->Caption();
  View().MarkerAlign = 7;
  dialog.RefreshValues();
  EXPECT_EQ(before, dialog.pnAllignValue->Caption());
  View().MarkerAlign = 0;
  dialog.RefreshValues();
  EXPECT_EQ(" Vertical", dialog.pnAllignValue->Caption());
}

TEST_F(MarkerPropertiesDialog, HorizontalWithoutCouplingKeepsTheAlignment) {
  TMarkerPropertiesFrm dialog(frm.get());
  View().SetMarkerAlign(0);
  dialog.RefreshValues();
  driver.OnNextModal([&](ui::Form& list) {
    auto& grid = driver.Get<TEmiStringGrid>("sgList", &list);
    const ui::Rect r = grid.CellRect(0, 1);  // "Horizontal"
    driver.DoubleClick(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
  });
  Press(dialog, "pnAllignValue");
  EXPECT_EQ(0, View().MarkerAlign);
  EXPECT_EQ(" Vertical", dialog.pnAllignValue->Caption());
}

TEST_F(MarkerMathDialog, SwitchesGroupsAndMarkers) {
  LoadPeaks();
  Markers().AddMarker();
  TMarkerMathFrm dialog(frm.get());
  EXPECT_EQ(294, dialog.Height());
  EXPECT_EQ(0, dialog.Groups.Selected());
  EXPECT_EQ(TGroupSwitch::kChosenColor, dialog.bt1Statistic->Color());
  Press(dialog, "bt1BandwidthSearch");
  EXPECT_EQ(2, dialog.Groups.Selected());
  EXPECT_EQ(TGroupSwitch::kChosenColor, dialog.bt1BandwidthSearch->Color());
  EXPECT_EQ(TGroupSwitch::kOtherColor, dialog.bt1Statistic->Color());

  // One marker: a range or flatness cannot be switched on.
  Press(dialog, "pnStatisticRangeValue");
  Press(dialog, "pnFlatnessValue");
  EXPECT_EQ(" OFF", dialog.pnStatisticRangeValue->Caption());
  EXPECT_EQ(" OFF", dialog.pnFlatnessValue->Caption());
  // Type Search alternates.
  EXPECT_EQ(" BandPass", dialog.pnTypeSearchValue->Caption());
  Press(dialog, "pnTypeSearchValue");
  EXPECT_EQ(" Notch", dialog.pnTypeSearchValue->Caption());
  Press(dialog, "pnTypeSearch");
  EXPECT_EQ(" BandPass", dialog.pnTypeSearchValue->Caption());
  Markers().BandwidthType = 3;
  dialog.RefreshValues();
  EXPECT_EQ("", dialog.pnTypeSearchValue->Caption());
  // RF filter statistics read OFF while a passband marker is missing, also when stored on.
  Markers().RFFilterStats = true;
  dialog.RefreshValues();
  EXPECT_EQ(" OFF", dialog.pnRFFiltesStatsValue->Caption());
  // Bandwidth level: without the digital panel the row only refreshes.
  ViewProperties->UseDigitalPanel = false;
  Press(dialog, "pnBandwidthValue");
  EXPECT_DOUBLE_EQ(-3, Markers().BandwidthValue);
  ViewProperties->UseDigitalPanel = true;
  driver.OnNextModal([&](ui::Form& k) { TypeIntoKeypad(k, "0"); });
  Press(dialog, "pnBandwidthValue");
  EXPECT_DOUBLE_EQ(0, Markers().BandwidthValue) << "stored as typed";

  // "Marker 3" from the marker-number list: tag 2.
  driver.OnNextModal([&](ui::Form& list) {
    auto& grid = driver.Get<TEmiStringGrid>("sgList", &list);
    grid.SetRow(3);
    Press(list, "btApply");
  });
  Press(dialog, "pnStatisticStartValue");
  EXPECT_EQ(2, Markers().StatStart);
  EXPECT_EQ(" Marker 3", dialog.pnStatisticStartValue->Caption());
  EXPECT_EQ(" Reference Marker", std::string(" ") + TMarkerMathFrm::MarkerText(15));
}

TEST_F(MarkerMathDialog, TheSameMarkerForStartAndStopSwitchesTheRangeOff) {
  LoadPeaks();
  Markers().AddMarker();
  Markers().AddMarker();
  Markers().SetStatStart(0);
  Markers().SetStatStop(1);
  Markers().SetStatRange(true);
  ASSERT_TRUE(Markers().StatRange);
  TMarkerMathFrm dialog(frm.get());
  driver.OnNextModal([&](ui::Form& list) {
    auto& grid = driver.Get<TEmiStringGrid>("sgList", &list);
    grid.SetRow(1);  // "Marker 1": tag 0
    Press(list, "btApply");
  });
  Press(dialog, "pnStatisticStopValue");
  EXPECT_EQ(0, Markers().StatStop);
  EXPECT_FALSE(Markers().StatRange);
  EXPECT_EQ(" OFF", dialog.pnStatisticRangeValue->Caption());
}

}  // namespace
