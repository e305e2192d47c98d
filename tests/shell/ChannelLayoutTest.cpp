// The six channel layouts: which windows show, where they sit, which one is active, and what
// the maximised view does; the main window on its own, offscreen.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "display/RangeView.h"
#include "model/Range.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrmRig.h"

namespace {

class ChannelLayout : public MainFrmRig {
 protected:
  void Start() {
    Build("DemoMode");
    RunDelayedStart();
    ScannerModule->TriggerMode = TScannerModule::Hold;
  }
  std::vector<int> Shown() const {
    std::vector<int> shown;
    for (int i = 0; i < TMainFrm::kViewCount; ++i) {
      if (frm->GetView(i)->Visible()) shown.push_back(i);
    }
    return shown;
  }
  std::vector<int> Swept() const {
    std::vector<int> swept;
    for (int i = 0; i < TMainFrm::kViewCount; ++i) {
      if (frm->GetChannel(i)->ChangeNotify) swept.push_back(i);
    }
    return swept;
  }
};

TEST_F(ChannelLayout, DelayedStartMakesFourNamedWindowsOnTheGraphArea) {
  Start();
  for (int i = 0; i < TMainFrm::kViewCount; ++i) {
    TRangeView* view = frm->GetView(i);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Name(), "View" + std::to_string(i));
    EXPECT_EQ(view->Tag(), i);
    EXPECT_EQ(view->parentWidget(), frm->plGraphArea);
    EXPECT_EQ(frm->GetChannel(i), view->Range);
  }
  EXPECT_EQ(frm->GetActiveView(), frm->GetView(0));
  EXPECT_EQ(Shown(), std::vector<int>{0});
  EXPECT_EQ(Swept(), std::vector<int>{0});
  EXPECT_EQ(frm->GetView(0)->BoundsRect(), frm->plGraphArea->ClientRect());
  EXPECT_EQ(frm->GetView(4), nullptr);
  EXPECT_EQ(frm->GetView(-1), nullptr);
  // The calibration module reaches the active window through the main window.
  ASSERT_NE(CalibratorModule->ActiveWindow, nullptr);
  EXPECT_EQ(CalibratorModule->ActiveWindow->GetActiveRange(), frm->GetView(0)->Range);
  EXPECT_EQ(CalibratorModule->ActiveWindow->GetActiveCalibr(), frm->GetView(0)->UserCalibration);
  ASSERT_NE(CalibratorModule->MainWindowHook, nullptr);
  CalibratorModule->MainWindowHook->SetMainWindowEnabled(false);
  EXPECT_FALSE(frm->Enabled());
  CalibratorModule->MainWindowHook->SetMainWindowEnabled(true);
  EXPECT_TRUE(frm->Enabled());
  frm->Shutdown();
  EXPECT_EQ(CalibratorModule->ActiveWindow, nullptr);
  EXPECT_EQ(CalibratorModule->MainWindowHook, nullptr);
}

TEST_F(ChannelLayout, MaximumCountsOfTheSixLayouts) {
  const int expected[] = {1, 2, 2, 3, 3, 4};
  for (int layout = 0; layout < TMainFrm::kLayoutCount; ++layout) {
    EXPECT_EQ(TMainFrm::LayoutChannelCount(layout), expected[layout]) << layout;
  }
  EXPECT_EQ(TMainFrm::LayoutChannelCount(-1), 1);
  EXPECT_EQ(TMainFrm::LayoutChannelCount(6), 1);
}

TEST_F(ChannelLayout, RectanglesShareTheirEdgesAndUseIntegerHalves) {
  Build("");
  using R = ui::Rect;
  const R area(0, 0, 801, 401);  // w = 400, h = 200
  const R none;
  struct Case {
    int layout;
    std::array<R, 4> rects;
  };
  const Case cases[] = {
      {0, {area, none, none, none}},
      {1, {R(0, 0, 801, 200), R(0, 200, 801, 401), none, none}},
      {2, {R(0, 0, 400, 401), R(400, 0, 801, 401), none, none}},
      {3, {R(0, 0, 801, 200), R(0, 200, 400, 401), R(400, 200, 801, 401), none}},
      {4, {R(0, 0, 400, 401), R(400, 0, 801, 200), R(400, 200, 801, 401), none}},
      {5, {R(0, 0, 400, 200), R(400, 0, 801, 200), R(0, 200, 400, 401), R(400, 200, 801, 401)}},
  };
  for (const Case& c : cases) {
    std::array<ui::Rect, TMainFrm::kViewCount> rects{};
    frm->CalcViewRects(c.layout, rects, area);
    for (size_t i = 0; i < rects.size(); ++i) {
      EXPECT_EQ(rects[i], c.rects[i]) << "layout " << c.layout << " window " << i;
    }
  }
}

TEST_F(ChannelLayout, TheWindowsCoverTheGraphAreaWithoutGap) {
  Start();
  frm->plGraphArea->SetBounds(frm->plGraphArea->Left(), 0, 601, 401);
  frm->SetChannelLayout(5);
  frm->SetChannelCount(4);
  long long covered = 0;
  for (int i = 0; i < 4; ++i) {
    const ui::Rect r = frm->GetView(i)->BoundsRect();
    covered += static_cast<long long>(r.Width()) * r.Height();
  }
  EXPECT_EQ(covered, 601LL * 401LL);
  EXPECT_EQ(frm->GetView(3)->BoundsRect(), ui::Rect(300, 200, 601, 401));
  // The area's own resize places the windows anew.
  frm->plGraphArea->SetBounds(frm->plGraphArea->Left(), 0, 500, 450);
  EXPECT_EQ(frm->GetView(3)->BoundsRect(), ui::Rect(250, 225, 500, 450));
}

TEST_F(ChannelLayout, FewerWindowsInTheNewLayoutMoveTheActiveOne) {
  Start();
  frm->SetChannelLayout(5);
  frm->SetChannelCount(4);
  frm->SetActiveView(3);
  EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3}));
  frm->SetChannelLayout(1);
  EXPECT_EQ(frm->ChannelCount, 2);
  EXPECT_EQ(frm->ActiveViewIndex, 1);
  EXPECT_EQ(Shown(), (std::vector<int>{0, 1}));
  EXPECT_EQ(Swept(), (std::vector<int>{0, 1}));
}

TEST_F(ChannelLayout, OneChannelInATwoWindowLayoutTakesOnlyItsHalf) {
  Start();
  frm->SetChannelLayout(1);
  EXPECT_EQ(frm->ChannelCount, 1);
  const ui::Rect area = frm->plGraphArea->ClientRect();
  EXPECT_EQ(frm->GetView(0)->BoundsRect(), ui::Rect(0, 0, area.Right, area.Height() / 2));
  EXPECT_EQ(Shown(), std::vector<int>{0});
}

TEST_F(ChannelLayout, ValuesOutOfRangeAreBroughtToTheNearestAllowed) {
  Start();
  frm->SetChannelLayout(9);
  EXPECT_EQ(frm->ChannelLayout, 5);
  frm->SetChannelCount(7);
  EXPECT_EQ(frm->ChannelCount, 4);
  frm->SetActiveView(10);
  EXPECT_EQ(frm->ActiveViewIndex, 3);
  frm->SetActiveView(-4);
  EXPECT_EQ(frm->ActiveViewIndex, 0);
  frm->SetChannelCount(0);
  EXPECT_EQ(frm->ChannelCount, 1);
  frm->SetChannelLayout(-3);
  EXPECT_EQ(frm->ChannelLayout, 0);
}

TEST_F(ChannelLayout, ActiveAndInactiveBackgrounds) {
  Start();
  frm->SetChannelLayout(3);
  frm->SetChannelCount(3);
  frm->SetActiveView(1);
  EXPECT_EQ(frm->GetView(0)->Color(), TMainFrm::kInactiveViewColor);
  EXPECT_EQ(frm->GetView(1)->Color(), TMainFrm::kActiveViewColor);
  EXPECT_EQ(frm->GetView(2)->Color(), TMainFrm::kInactiveViewColor);
  int events = 0;
  frm->OnActiveViewChanged = [&](TFObject*) { ++events; };
  // A press on a window makes it the active one.
  frm->GetView(2)->TranslateMouseDown(ui::MouseButton::Left, 0u, 5, 5);
  EXPECT_EQ(frm->ActiveViewIndex, 2);
  EXPECT_EQ(frm->GetView(2)->Color(), TMainFrm::kActiveViewColor);
  EXPECT_EQ(frm->GetView(1)->Color(), TMainFrm::kInactiveViewColor);
  EXPECT_EQ(events, 1);
}

TEST_F(ChannelLayout, MaximisedShowsAndSweepsOnlyTheActiveWindow) {
  Start();
  frm->SetChannelLayout(5);
  frm->SetChannelCount(4);
  frm->SetActiveView(2);
  frm->SetViewMaximized(true);
  EXPECT_EQ(Shown(), std::vector<int>{2});
  EXPECT_EQ(Swept(), std::vector<int>{2});
  EXPECT_EQ(frm->GetView(2)->BoundsRect(), frm->plGraphArea->ClientRect());
  frm->SetActiveView(0);
  EXPECT_EQ(Shown(), std::vector<int>{0});
  EXPECT_EQ(Swept(), std::vector<int>{0});
  EXPECT_EQ(frm->GetView(0)->BoundsRect(), frm->plGraphArea->ClientRect());
  frm->SetViewMaximized(false);
  EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ChannelLayout, DoubleClickTogglesTheMaximisedViewExceptInLayoutZero) {
  Start();
  frm->GetView(0)->TranslateDblClick();
  EXPECT_FALSE(frm->ViewMaximized);
  frm->SetChannelLayout(2);
  frm->SetChannelCount(2);
  frm->GetView(1)->TranslateDblClick();
  EXPECT_TRUE(frm->ViewMaximized);
  frm->GetView(1)->TranslateDblClick();
  EXPECT_FALSE(frm->ViewMaximized);
}

TEST_F(ChannelLayout, HoldStaysHoldWhenTheCountChanges) {
  Start();
  frm->SetChannelLayout(5);
  frm->SetChannelCount(3);
  frm->SetChannelCount(2);
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Hold);
  EXPECT_NE(scanner().GetState(), TScanner::MEAS);
}

}  // namespace
