// What the two soft-key columns of the main window do: the dialog behind each key, the box of
// a dialog that the program does not have yet, the System dialog's abort, the service and
// factory menus, and the run / standby key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/MainFrmRig.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

namespace {

class SoftKeyDispatch : public MainFrmRig {
 protected:
  struct TOpened {
    std::string Dialog;
    bool Modal;
    bool operator==(const TOpened&) const = default;
  };
  void RecordDialogs(int result = 0) {
    TMainFrm::DialogOpener = [this, result](TMainFrm& owner, const std::string& dialog, bool modal) {
      EXPECT_EQ(&owner, frm.get());
      opened.push_back({dialog, modal});
      return result;
    };
  }
  std::vector<TOpened> opened;
};

TEST_F(SoftKeyDispatch, EveryKeyOpensItsDialog) {
  Build("DemoMode");
  RunDelayedStart();
  RecordDialogs();
  struct Case {
    bool left;
    int index;
    TOpened dialog;
  };
  const Case cases[] = {
      {true, TLeftPanel::kMeasurement, {"TMeasureListFrm", false}},
      {true, TLeftPanel::kCalibration, {"TCalibrationFrm", true}},
      {true, TLeftPanel::kAverage, {"TAveragingFrm", true}},
      {true, TLeftPanel::kMarker, {"TMarkerListFrm", true}},
      {true, TLeftPanel::kAnalysis, {"TAnalysisFrm", true}},
      {true, TLeftPanel::kFiles, {"TSaveRecallFrm", true}},
      {true, TLeftPanel::kPrint, {"TPrintFrm", true}},
      {false, TRightPanel::kStimulus, {"TStimulusFrm", true}},
      {false, TRightPanel::kScale, {"TMeasViewFrm", true}},
      {false, TRightPanel::kChannels, {"TChannelListFrm", true}},
      {false, TRightPanel::kTrace, {"TTraceListFrm", true}},
      {false, TRightPanel::kDtfSettings, {"TDTFSettingsFrm", true}},
      {false, TRightPanel::kSystem, {"TSystem30Frm", true}},
  };
  for (const Case& c : cases) {
    opened.clear();
    if (c.left) {
      frm->LeftPanel->OnItemClick(*frm->LeftPanel, c.index);
    } else {
      frm->RightPanel->OnItemClick(*frm->RightPanel, c.index);
    }
    EXPECT_EQ(opened, std::vector<TOpened>{c.dialog}) << c.dialog.Dialog;
  }
  // Keys beyond the tables, and the service key without a switch, open nothing.
  opened.clear();
  frm->LeftPanelClick(7);
  frm->RightPanelClick(8);
  frm->RightPanelClick(TRightPanel::kService);
  EXPECT_TRUE(opened.empty());
  EXPECT_FALSE(frm->IsShutDown());
}

TEST_F(SoftKeyDispatch, ADialogThatIsNotThereYetSaysSo) {
  Build("DemoMode");
  RunDelayedStart();
  frm->RightPanelClick(TRightPanel::kStimulus);
  frm->LeftPanelClick(TLeftPanel::kMeasurement);
  EXPECT_EQ(driver.Box().Shown(), (std::vector<std::string>{"Not available yet", "Not available yet"}));
  EXPECT_FALSE(frm->IsShutDown());
}

TEST_F(SoftKeyDispatch, ServiceKeyOpensTheMenuOfTheSwitch) {
  struct Case {
    const char* switches;
    const char* dialog;
  };
  const Case cases[] = {{"EnableService", "TServiceFrm"}, {"FactoryMode", "TFactoryFrm"}};
  for (const Case& c : cases) {
    Build(c.switches);
    RecordDialogs();
    opened.clear();
    frm->RightPanelClick(TRightPanel::kService);
    EXPECT_EQ(opened, (std::vector<TOpened>{{c.dialog, true}})) << c.switches;
    TearDown();
  }
}

TEST_F(SoftKeyDispatch, TheSystemDialogsAbortEndsTheProgram) {
  Build("DemoMode");
  RunDelayedStart();
  int closed = 0;
  frm->OnClosed = [&] { ++closed; };
  RecordDialogs(1);
  frm->RightPanelClick(TRightPanel::kSystem);
  EXPECT_FALSE(frm->IsShutDown());
  EXPECT_EQ(closed, 0);
  RecordDialogs(TMainFrm::kAbortResult);
  frm->RightPanelClick(TRightPanel::kSystem);
  EXPECT_TRUE(frm->IsShutDown());
  EXPECT_EQ(closed, 1);
}

TEST_F(SoftKeyDispatch, ARemovedColumnWidthIsTakenAtOnce) {
  Build("DemoMode");
  RunDelayedStart();
  frm->RightPanel->SetExpanded(false);
  EXPECT_EQ(frm->KeyBarRight->Width(), frm->RightPanel->GetWidth());
  EXPECT_EQ(frm->plGraphArea->Left() + frm->plGraphArea->Width(), frm->KeyBarRight->Left());
}

TEST_F(SoftKeyDispatch, RunStandbyFromStandbyWithHoldTakesOneSingleSweep) {
  Build("DemoMode");
  RunDelayedStart();
  ScannerModule->TriggerMode = TScannerModule::Hold;
  scanner().Connected = true;  // the emulator's link is open; its answer is not awaited
  ASSERT_TRUE(scanner().GetStandby());
  frm->RightPanelClick(TRightPanel::kRunStandby);
  EXPECT_FALSE(scanner().GetStandby());
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Single);
  // Running: the key stops and puts the instrument into standby; the trigger mode stays.
  frm->RightPanelClick(TRightPanel::kRunStandby);
  EXPECT_TRUE(scanner().GetStandby());
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Single);
  // From standby in continuous mode the key starts sweeping and keeps the mode.
  ScannerModule->TriggerMode = TScannerModule::Continuous;
  frm->RightPanelClick(TRightPanel::kRunStandby);
  EXPECT_FALSE(scanner().GetStandby());
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Continuous);
}

}  // namespace

namespace {

// The factory by class name: the test hook first, then the registered openers with the owner,
// the modal flag and the argument, then the box; a removed or unknown class gets the box.
class DialogFactory : public MainFrmRig {
 protected:
  void TearDown() override {
    TMainFrm::RegisterDialog("TRecordedFrm", nullptr);
    MainFrmRig::TearDown();
  }
};

TEST_F(DialogFactory, RegisteredOpenersGetOwnerModalAndArgument) {
  Build("DemoMode");
  RunDelayedStart();
  struct Call {
    ui::Form* Owner;
    bool Modal;
    int Arg;
  };
  std::vector<Call> calls;
  TMainFrm::RegisterDialog("TRecordedFrm", [&](ui::Form& owner, bool modal, int arg) {
    calls.push_back({&owner, modal, arg});
    return 7;
  });
  EXPECT_TRUE(TMainFrm::IsDialogRegistered("TRecordedFrm"));
  ui::Form other;
  EXPECT_EQ(frm->OpenDialog("TRecordedFrm", true), 7);
  EXPECT_EQ(frm->OpenDialog(other, "TRecordedFrm", false, 4), 7);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Owner, frm.get());
  EXPECT_TRUE(calls[0].Modal);
  EXPECT_EQ(calls[0].Arg, -1);
  EXPECT_EQ(calls[1].Owner, &other);
  EXPECT_FALSE(calls[1].Modal);
  EXPECT_EQ(calls[1].Arg, 4);
  EXPECT_TRUE(driver.Box().Shown().empty());

  // The test hook stands before the table.
  bool hooked = false;
  TMainFrm::DialogOpener = [&](TMainFrm&, const std::string&, bool) {
    hooked = true;
    return 3;
  };
  EXPECT_EQ(frm->OpenDialog("TRecordedFrm", true), 3);
  EXPECT_TRUE(hooked);
  EXPECT_EQ(calls.size(), 2u);
  TMainFrm::DialogOpener = nullptr;

  // Removed, unknown and empty names get the box and 0.
  TMainFrm::RegisterDialog("TRecordedFrm", nullptr);
  EXPECT_FALSE(TMainFrm::IsDialogRegistered("TRecordedFrm"));
  EXPECT_EQ(frm->OpenDialog("TRecordedFrm", true), 0);
  EXPECT_EQ(frm->OpenDialog(*frm, "", true, 99), 0);
  EXPECT_EQ(driver.Box().Shown(), (std::vector<std::string>{"Not available yet", "Not available yet"}));
}

TEST_F(DialogFactory, AnOpenerMayReplaceItselfWhileItRuns) {
  Build("DemoMode");
  RunDelayedStart();
  int runs = 0;
  TMainFrm::RegisterDialog("TRecordedFrm", [&](ui::Form&, bool, int) {
    ++runs;
    TMainFrm::RegisterDialog("TRecordedFrm", nullptr);
    return 1;
  });
  EXPECT_EQ(frm->OpenDialog("TRecordedFrm", true), 1);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(TMainFrm::IsDialogRegistered("TRecordedFrm"));
}

}  // namespace
