// The Average dialog opened by the left soft key "Average" of the running main window: the
// keypad rows with what the channel and the trace kept, the IF bandwidth text, which targets
// it keeps and which it looks up, and its close rule without a modal loop.
#include "dialogs/AverageDialog.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <functional>
#include <string>

#include "ChannelDialogRig.h"
#include "traces/FormatMath.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"

namespace {

class AverageDialog : public ChannelDialogRig {
 protected:
  void WithDialog(const std::function<void(TAveragingFrm&)>& checks) {
    WithModalDialog<TAveragingFrm>([this] { frm->LeftPanelClick(TLeftPanel::kAverage); }, checks);
  }
};

TEST_F(AverageDialog, KeypadRowsShowWhatTheEngineKept) {
  Start();
  Channel().CommonIFBW = 500;  // as a state file may hold it
  WithDialog([&](TAveragingFrm& d) {
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(7 * 26 + 8 * 6, d.Height());
    EXPECT_EQ(ui::Rect(6, 6 * 26 + 7 * 6, 216, 7 * 26 + 7 * 6), d.btOk->BoundsRect());
    EXPECT_EQ(" 500 Hz", d.pnIFBWValue->Caption());
    EXPECT_EQ(" OFF", d.pnAverageValue->Caption());
    struct Case {
      ui::Panel* row;
      const char* typed;
      ui::Panel* value;
      const char* shown;
    };
    const Case cases[] = {
        {d.pnAverageFactor, "0", d.pnAverageFactorValue, " 1"},
        {d.pnAverageFactorValue, "1500", d.pnAverageFactorValue, " 999"},
        {d.pnAverageFactor, "12.7", d.pnAverageFactorValue, " 12"},
        {d.pnAverageFactor, "-1e300", d.pnAverageFactorValue, " 1"},
        {d.pnSmoAperture, "25", d.pnSmoApertureValue, " 20 %"},
        {d.pnSmoApertureValue, "0.001", d.pnSmoApertureValue, " 0.01 %"},
        {d.pnSmoAperture, "2.5", d.pnSmoApertureValue, " 2.5 %"},
        {d.pnSmoAperture, "1e300", d.pnSmoApertureValue, " 20 %"},
        {d.pnSmoAperture, "0", d.pnSmoApertureValue, " 0.01 %"},
    };
    for (const Case& c : cases) {
      std::string title;
      Keypad(c.typed, &title);
      driver.Press(*c.row);
      EXPECT_EQ(c.shown, c.value->Caption()) << c.row->Name() << " " << c.typed;
      EXPECT_EQ(c.row == d.pnSmoAperture || c.row == d.pnSmoApertureValue ? "Smoothing Aperture" : "Averaging Factor",
                title);
    }
    // Averaging stays off while its factor changes; the switch rows flip.
    EXPECT_FALSE(Channel().AverageEnabled);
    driver.Press(*d.pnAverage);
    EXPECT_TRUE(Channel().AverageEnabled);
    EXPECT_EQ(" ON", d.pnAverageValue->Caption());
    driver.Press(*d.pnSmoothingValue);
    EXPECT_TRUE(Trace().Smoothing);
    EXPECT_EQ(" ON", d.pnSmoothingValue->Caption());
    // The IF bandwidth row opens its list and comes back with what it applied.
    std::string list;
    ChooseInList("1 kHz", &list);
    driver.Press(*d.pnIFBWValue);
    EXPECT_EQ("IFBWListFrm", list);
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(1000, Channel().CommonIFBW);
    EXPECT_EQ(" 1 kHz", d.pnIFBWValue->Caption());
  });
}

TEST_F(AverageDialog, SmoothingFollowsTheActiveTraceWhileAveragingStaysOnTheKeptChannel) {
  Start();
  frm->SetChannelLayout(1);
  frm->SetChannelCount(2);
  ASSERT_EQ(2, frm->ChannelCount);
  TRange& kept = Channel();
  WithDialog([&](TAveragingFrm& d) {
    // Automation makes another trace active in the same window and another window active.
    View().GetTraces()->AddMeasurement(0, fmtLogMag);
    TMeasurement& second = Trace();
    ASSERT_NE(nullptr, &second);
    frm->SetActiveView(1);
    ASSERT_NE(&kept, frm->GetActiveChannel());
    TMeasurement* first = frm->GetView(0)->GetTraces()->GetMeasurement(0);
    ASSERT_NE(first, &second);
    driver.Press(*d.pnSmoothing);
    EXPECT_TRUE(second.Smoothing);
    EXPECT_FALSE(first->Smoothing);
    Keypad("5");
    driver.Press(*d.pnSmoAperture);
    EXPECT_EQ(5, second.SmoAperture);
    Keypad("7");
    driver.Press(*d.pnAverageFactor);
    EXPECT_EQ(7, kept.AverageFactor);
    EXPECT_NE(7, frm->GetActiveChannel()->AverageFactor);
    driver.Press(*d.pnAverageValue);
    EXPECT_TRUE(kept.AverageEnabled);
    EXPECT_FALSE(frm->GetActiveChannel()->AverageEnabled);
  });
}

TEST_F(AverageDialog, WithoutAModalLoopItClosesOnOkAndOnDeactivation) {
  Start();
  frm->OpenDialog("TAveragingFrm", false);
  QPointer<TAveragingFrm> shown = driver.Find<TAveragingFrm>("AveragingFrm");
  ASSERT_FALSE(shown.isNull());
  // Its background drags it.
  const QPoint before = shown->pos();
  driver.Drag(*shown, 3, 60, 20, 10, 1);
  EXPECT_EQ(before + QPoint(20, 10), shown->pos());
  driver.Press(*shown->btOk);
  driver.ProcessEvents();
  EXPECT_TRUE(shown.isNull());

  frm->OpenDialog("TAveragingFrm", false);
  shown = driver.Find<TAveragingFrm>("AveragingFrm");
  ASSERT_FALSE(shown.isNull());
  driver.Deactivate(*shown);
  driver.ProcessEvents();
  EXPECT_TRUE(shown.isNull());
}

TEST_F(AverageDialog, AfterTheMainWindowsShutDownNothingActs) {
  Start();
  WithDialog([&](TAveragingFrm& d) {
    frm->Shutdown();
    // The kept channel and window may be gone: nothing opens and nothing is reached.
    for (ui::Panel* p : {d.pnIFBW, d.pnAverage, d.pnAverageFactorValue, d.pnSmoothing, d.pnSmoAperture}) {
      driver.Press(*p);
    }
    d.RefreshValues();
    EXPECT_EQ(0u, driver.PendingModalActions());
  });
}

}  // namespace
