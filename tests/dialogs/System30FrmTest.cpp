// The System dialog in the running program, opened by its soft key: its rows with and without
// "VorlaMode", the system correction switch, the trigger value that follows the program, the
// calibration export and import, the ways out and the status hook that none of them leaves.
#include "dialogs/System30Frm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "calibration/CalibratorModule.h"
#include "common/FileBytes.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ModalWatchdog.h"
#include "dialogs/ProgramRig.h"
#include "widgets/LbButton.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SystemDialogRows : public ProgramRig {};

TEST_F(SystemDialogRows, EightRowsOrTenWithTheSwitch) {
  for (const bool vorla : {false, true}) {
    std::vector<std::string> switches = {"DemoMode", "English"};
    if (vorla) switches.push_back("VorlaMode");
    int height = 0;
    int expected = 0;
    ui::Rect exportRect;
    ui::Rect okRect;
    ui::Rect lastRow;
    ASSERT_TRUE(RunProgram(switches, [&] {
      OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
        auto& dialog = static_cast<TSystem30Frm&>(form);
        height = dialog.ClientHeight();
        expected = TTouchDialogFrm::FrameHeight(vorla ? 10 : 8);
        exportRect = dialog.btExportUser->BoundsRect();
        okRect = dialog.btOk->BoundsRect();
        lastRow = TTouchDialogFrm::RowRect(vorla ? 10 : 8, dialog.Width());
        Press("btOk", form);
      });
      ClickRight(TRightPanel::kSystem);
    }));
    EXPECT_EQ(expected, height) << vorla;
    EXPECT_EQ(lastRow, okRect) << vorla;
    if (vorla) {
      EXPECT_GT(exportRect.Width(), 0);
    } else {
      EXPECT_EQ(ui::Rect(0, 0, 0, 0), exportRect);
    }
  }
}

TEST_F(SystemDialogRows, SystemCorrectionTogglesTheStatusPanel) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
      EXPECT_EQ(" ON", Value(form, "pnFactoryOffValue"));
      EXPECT_FALSE(MainFrm->pnFactoryOff->Visible());
      Press("pnFactoryOff", form);
      EXPECT_TRUE(CalibratorModule->GetSystemCorrectionOff());
      EXPECT_EQ(" OFF", Value(form, "pnFactoryOffValue"));
      EXPECT_TRUE(MainFrm->pnFactoryOff->Visible());
      Press("pnFactoryOffValue", form);
      EXPECT_FALSE(CalibratorModule->GetSystemCorrectionOff());
      EXPECT_EQ(" ON", Value(form, "pnFactoryOffValue"));
      EXPECT_FALSE(MainFrm->pnFactoryOff->Visible());
      Press("btOk", form);
    });
    ClickRight(TRightPanel::kSystem);
  }));
}

TEST_F(SystemDialogRows, TriggerFollowsTheProgramWhileOpen) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
      EXPECT_EQ(" Continuous", Value(form, "pnTriggerValue"));
      EXPECT_EQ(" Internal", Value(form, "pnTriggerSourceValue"));
      EXPECT_EQ(" Internal", Value(form, "pnClockSourceValue"));
      // A single sweep falls back to hold by itself.
      ScannerModule->SetTriggerMode(TScannerModule::Single);
      EXPECT_EQ(" Single", Value(form, "pnTriggerValue"));
      EXPECT_TRUE(WaitFor([] { return ScannerModule->TriggerMode == TScannerModule::Hold; }));
      EXPECT_EQ(" Hold", Value(form, "pnTriggerValue"));
      // A mode outside the table keeps the text.
      ScannerModule->TriggerMode = 7;
      MainFrm->UpdateTriggerStatus();
      EXPECT_EQ(" Hold", Value(form, "pnTriggerValue"));
      ScannerModule->TriggerMode = TScannerModule::Hold;
      Press("btOk", form);
    });
    ClickRight(TRightPanel::kSystem);
  }));
}

TEST_F(SystemDialogRows, TheListsSetTheTriggerMode) {
  std::vector<std::string> shown;
  QWidget* owner = nullptr;
  QWidget* mainWindow = nullptr;
  bool visibleAfter = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    mainWindow = MainFrm;
    OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
      PickRow(1, &owner);
      Press("pnTrigger", form);
      shown.push_back(Value(form, "pnTriggerValue"));
      visibleAfter = form.Visible();
      ScannerModule->SetTriggerMode(TScannerModule::Hold);
      PickRow(2);
      Press("pnTriggerValue", form);
      shown.push_back(Value(form, "pnTriggerValue"));
      Press("btOk", form);
    });
    ClickRight(TRightPanel::kSystem);
  }));
  EXPECT_EQ((std::vector<std::string>{" Single", " Continuous"}), shown);
  EXPECT_EQ(mainWindow, owner) << "the main window owns the System dialog's lists";
  EXPECT_TRUE(visibleAfter);
}

TEST_F(SystemDialogRows, ExportAsksBeforeReplacingAndImportReadsItBack) {
  const fs::path file = fs::path(platform::Paths::dataRoot()) / "State" / "mycal.cal";
  std::string first;
  std::string afterNo;
  std::vector<ui::ScriptedMessageBox::Entry> boxes;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "VorlaMode"}, [&] {
    MainFrm->SetChannelLayout(1);
    MainFrm->SetChannelCount(2);
    MainFrm->SetActiveView(1);
    ASSERT_EQ(1, MainFrm->ActiveViewIndex);
    ScannerModule->SetLowPower(true);
    ASSERT_TRUE(ScannerModule->Attenuator20dB);
    OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
      AnswerBrowser(driver, "mycal");
      Press("btExportUser", form);
      first = ReadText(file);
      // Again: the question with the name in capitals; No leaves the file.
      driver.Box().Answer(ui::mrNo);
      AnswerBrowser(driver, "mycal");
      Press("btExportUser", form);
      afterNo = ReadText(file);
      AnswerBrowser(driver, "mycal.cal");
      Press("btImportUser", form);
      EXPECT_TRUE(form.Visible());
      // A file that is no calibration text says why and changes nothing.
      testenv::WriteBytes(file.parent_path() / "junk.cal", "no calibration here\n");
      AnswerBrowser(driver, "junk.cal");
      Press("btImportUser", form);
      EXPECT_TRUE(form.Visible());
      Press("btOk", form);
    });
    ClickRight(TRightPanel::kSystem);
    boxes = driver.Box().Log();
  }));
  EXPECT_NE(std::string::npos, first.find("[Channel1\\Correction\\11]")) << first.substr(0, 300);
  EXPECT_NE(std::string::npos, first.find("Power=Low")) << first.substr(0, 300);
  EXPECT_EQ(first, afterNo);
  ASSERT_EQ(2u, boxes.size()) << "the question and the rejected import";
  EXPECT_FALSE(boxes[1].asked);
  EXPECT_FALSE(boxes[1].text.empty());
  EXPECT_TRUE(boxes[0].asked);
  EXPECT_EQ("MYCAL already exist.\n\rDo you want to replace it?", boxes[0].text);
  EXPECT_EQ("", boxes[0].caption);
}

TEST_F(SystemDialogRows, ProgramExitEndsTheProgramOkAndEscapeOnlyClose) {
  struct Case {
    const char* way;
    bool ends;
  };
  for (const Case c : {Case{"btOk", false}, Case{"Escape", false}, Case{"Return", false}, Case{"btExit", true}}) {
    int closed = 0;
    bool hookWhileOpen = false;
    bool hookAfter = true;
    bool shutDown = false;
    ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
      auto original = MainFrm->OnClosed;
      MainFrm->OnClosed = [&closed, original] {
        ++closed;
        if (original) original();
      };
      OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
        hookWhileOpen = static_cast<bool>(MainFrm->OnStatusChanged);
        const std::string way = c.way;
        if (way == "Escape") {
          driver.Key(form, ui::vk::Escape);
        } else if (way == "Return") {
          driver.Key(form, ui::vk::Return);
        } else {
          Press(way, form);
        }
      });
      ClickRight(TRightPanel::kSystem);
      hookAfter = static_cast<bool>(MainFrm->OnStatusChanged);
      shutDown = MainFrm->IsShutDown();
    }));
    EXPECT_TRUE(hookWhileOpen) << c.way;
    EXPECT_FALSE(hookAfter) << c.way;
    EXPECT_EQ(c.ends, shutDown) << c.way;
    EXPECT_EQ(1, closed) << c.way << ": one shut-down, by the dialog or by the end of the test";
  }
}

TEST_F(SystemDialogRows, AThrowingSubDialogLeavesNoHook) {
  bool hookAfter = true;
  bool visibleAfterThrow = false;
  std::vector<std::string> shown;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    // The factory's own hook: the real System dialog, and a display dialog that fails.
    TMainFrm::DialogOpener = [](TMainFrm& owner, const std::string& dialogClass, bool) -> int {
      if (dialogClass == "TDisplayFrm") throw EAbort("The display dialog failed");
      if (dialogClass != "TSystem30Frm") return 0;
      TSystem30Frm dialog(&owner);
      return dialog.ShowModal();
    };
    OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
      Press("btDisplay", form);
      visibleAfterThrow = form.Visible();
      driver.Key(form, ui::vk::Escape);
    });
    ClickRight(TRightPanel::kSystem);
    TMainFrm::DialogOpener = nullptr;
    hookAfter = static_cast<bool>(MainFrm->OnStatusChanged);
    shown = driver.Box().Shown();
  }));
  EXPECT_TRUE(visibleAfterThrow);
  EXPECT_FALSE(hookAfter);
  EXPECT_EQ(std::vector<std::string>{"The display dialog failed"}, shown);
}

}  // namespace

namespace {

TEST_F(SystemDialogRows, TwoThousandRandomPresses) {
  TFuzzReport report;
  // A hundred presses with their sub-windows make one modal run; under the sanitizers on a busy
  // machine that run can outlast the driver's usual 10 s without hanging.
  const int watchdogBefore = ui::ModalWatchdogMs();
  ui::SetModalWatchdogMs(std::max(watchdogBefore, 60000));
  struct TRestore {
    int Ms;
    ~TRestore() { ui::SetModalWatchdogMs(Ms); }
  } restoreWatchdog{watchdogBefore};
  bool hookAfter = true;
  bool ended = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "VorlaMode"}, [&] {
    const std::string state = PrepareFuzzFiles();
    for (unsigned round = 0; round < 20; ++round) {
      OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
        PressAtRandom(form, 100, 116 + round, state, report);
        if (form.ModalResult() == ui::mrNone) Press("btOk", form);
      });
      ClickRight(TRightPanel::kSystem);
      if (MainFrm->OnStatusChanged) report.problems.push_back("a hook after the dialog");
    }
    ended = MainFrm->IsShutDown();
    hookAfter = static_cast<bool>(MainFrm->OnStatusChanged);
  }));
  EXPECT_FALSE(ended);
  EXPECT_FALSE(hookAfter);
  EXPECT_EQ(2000, report.presses);
  EXPECT_GT(report.subWindows, 100);
  EXPECT_EQ(std::vector<std::string>{}, report.problems);
}

}  // namespace
