// The Channels dialog in the running program, opened by its soft key: the active channel, the
// three layouts, the four channel states through the Save Channel and Recall Channel dialogs,
// the keys that close only the Channels dialog and the place of Recall Channel.
#include "dialogs/ChannelListFrm.h"

#include "dialogs/ProgramRig.h"
#include "display/RangeView.h"
#include "model/ChannelStore.h"
#include "model/Range.h"
#include "platform/ui/Screen.h"
#include "widgets/LbButton.h"

namespace {

class ChannelsDialog : public ProgramRig {
 protected:
  void InChannels(const std::function<void(ui::Form&)>& action) {
    OnNextDialog("TChannelListFrm", [this, action](ui::Form& form) {
      action(form);
      if (form.ModalResult() == ui::mrNone) Press("btOk", form);
    });
    ClickRight(TRightPanel::kChannels);
  }
};

TEST_F(ChannelsDialog, ActiveChannelAndLayouts) {
  std::vector<std::string> active;
  int activeIndex = -1;
  int fourCount = 0;
  int fourLayout = -1;
  int oneCount = 0;
  std::vector<bool> shown;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    MainFrm->SetChannelLayout(3);
    MainFrm->SetChannelCount(3);
    MainFrm->SetActiveView(2);
    ASSERT_EQ(3, MainFrm->ChannelCount);
    InChannels([&](ui::Form& form) {
      active.push_back(Value(form, "pnActiveChannelValue"));
      Press("pnActiveChannel", form);
      active.push_back(Value(form, "pnActiveChannelValue"));
      activeIndex = MainFrm->ActiveViewIndex;
      Press("pnActiveChannelValue", form);
      active.push_back(Value(form, "pnActiveChannelValue"));
      Press("btThreeChannel", form);
      fourCount = MainFrm->ChannelCount;
      fourLayout = MainFrm->ChannelLayout;
      Press("btOneChannel", form);
      oneCount = MainFrm->ChannelCount;
      for (int i = 0; i < 4; ++i) shown.push_back(MainFrm->GetView(i)->Visible());
    });
  }));
  EXPECT_EQ((std::vector<std::string>{" 3", " 1", " 2"}), active);
  EXPECT_EQ(0, activeIndex);
  EXPECT_EQ(4, fourCount);
  EXPECT_EQ(5, fourLayout);
  EXPECT_EQ(1, oneCount);
  EXPECT_EQ((std::vector<bool>{true, false, false, false}), shown);
}

TEST_F(ChannelsDialog, StoredStatesLightTheirIndicatorAndRecall) {
  std::vector<ui::TColor> colours;
  std::vector<bool> clearEnabled;
  std::vector<bool> recallEnabled;
  int pointsBefore = 0;
  int pointsAfter = 0;
  std::vector<ui::TColor> afterClear;
  bool saveStayedOnKeys = false;
  ui::Rect recallPlace;
  ui::Rect workArea;
  // The smallest screen the program is made for.
  auto previousArea = ui::Screen::SetWorkAreaHook([] { return ui::Rect(0, 0, 800, 600); });
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ChannelStore->Clear();
    TRange* channel = MainFrm->GetActiveChannel();
    pointsBefore = channel->GetCount();
    InChannels([&](ui::Form& form) {
      OnNextDialog("TSaveChannelFrm", [&](ui::Form& save) {
        clearEnabled.push_back(Get("btClearStates", save).Enabled());
        Press("btStateB", save);
        for (const char* p : {"pnStateA", "pnStateB", "pnStateC", "pnStateD"}) colours.push_back(Get(p, save).Color());
        clearEnabled.push_back(Get("btClearStates", save).Enabled());
        // Neither a key handler nor a cancel button here.
        for (int key : {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) driver.Key(save, key);
        saveStayedOnKeys = save.ModalResult() == ui::mrNone;
        Press("btOk", save);
      });
      Press("btSaveChannel", form);
      channel->SetPointCount(pointsBefore == 51 ? 101 : 51);
      OnNextDialog("TRecallChannelFrm", [&](ui::Form& recall) {
        for (const char* b : {"btStateA", "btStateB", "btStateC", "btStateD"}) {
          recallEnabled.push_back(Get(b, recall).Enabled());
        }
        recallPlace = ui::Rect(recall.Left(), recall.Top(), recall.Left() + recall.Width(),
                               recall.Top() + recall.Height());
        Press("btStateB", recall);
        pointsAfter = MainFrm->GetActiveChannel()->GetCount();
        Press("btOk", recall);
      });
      Press("btRecallChannel", form);
      OnNextDialog("TSaveChannelFrm", [&](ui::Form& save) {
        Press("btClearStates", save);
        for (const char* p : {"pnStateA", "pnStateB", "pnStateC", "pnStateD"}) afterClear.push_back(Get(p, save).Color());
        clearEnabled.push_back(Get("btClearStates", save).Enabled());
        Press("btOk", save);
      });
      Press("btSaveChannel", form);
      EXPECT_TRUE(form.Visible());
    });
    workArea = ui::Screen::WorkArea();
  }));
  ui::Screen::SetWorkAreaHook(previousArea);
  const ui::TColor used = TChannelStateFrm::kUsedColor;
  const ui::TColor free = TChannelStateFrm::kFreeColor;
  EXPECT_EQ(0x80FF80, used);
  EXPECT_EQ(0xC0C0C0, free);
  EXPECT_EQ((std::vector<ui::TColor>{free, used, free, free}), colours);
  EXPECT_EQ((std::vector<bool>{false, true, false}), clearEnabled);
  EXPECT_EQ((std::vector<bool>{false, true, false, false}), recallEnabled);
  EXPECT_EQ(pointsBefore, pointsAfter) << "the stored settings came back into the active channel";
  EXPECT_EQ((std::vector<ui::TColor>(4, free)), afterClear);
  EXPECT_TRUE(saveStayedOnKeys);
  EXPECT_EQ(ui::Rect(0, 0, 800, 600), workArea);
  EXPECT_GE(recallPlace.Left, workArea.Left);
  EXPECT_GE(recallPlace.Top, workArea.Top);
  EXPECT_LE(recallPlace.Right, workArea.Right);
  EXPECT_LE(recallPlace.Bottom, workArea.Bottom);
  EXPECT_LT(recallPlace.Left, TRecallChannelFrm::kLeft) << "moved in from its stored place";
  EXPECT_LT(recallPlace.Top, TRecallChannelFrm::kTop);
}

TEST_F(ChannelsDialog, TheSaveTypeComesFromItsList) {
  std::vector<std::string> shown;
  QWidget* owner = nullptr;
  QWidget* dialog = nullptr;
  int saveType = -1;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    MainFrm->SetSaveType(1);
    InChannels([&](ui::Form& form) {
      dialog = &form;
      shown.push_back(Value(form, "pnSaveTypeValue"));
      PickRow(2, &owner);
      Press("pnSaveType", form);
      shown.push_back(Value(form, "pnSaveTypeValue"));
      saveType = MainFrm->SaveType;
    });
  }));
  EXPECT_EQ((std::vector<std::string>{" State and Cal", " State and Trace"}), shown);
  EXPECT_EQ(2, saveType);
  EXPECT_EQ(dialog, owner);
}

TEST_F(ChannelsDialog, EnterEscapeAndCancelCloseIt) {
  std::vector<int> results;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    for (int key : {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) {
      InChannels([&](ui::Form& form) {
        driver.Key(form, key);
        results.push_back(form.ModalResult());
      });
    }
  }));
  EXPECT_EQ((std::vector<int>{ui::mrOk, ui::mrOk, ui::mrOk}), results);
}

}  // namespace
