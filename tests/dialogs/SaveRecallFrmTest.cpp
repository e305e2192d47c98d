// The Files dialog in the running program, opened by its soft key: the reserved autosave name,
// the replace questions, the Touchstone type, recalls into trace memories and into the
// channel, files that hold nothing usable, the autosave switch and a damaged state.
#include "dialogs/SaveRecallFrm.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/FileBytes.h"
#include "dialogs/ProgramRig.h"
#include "display/RangeView.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "platform/ui/ModalWatchdog.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "traces/TraceCodes.h"
#include "widgets/DriveListFrm.h"

namespace fs = std::filesystem;
using testenv::ReadBytes;
using testenv::WriteBytes;

namespace {

fs::path KindFolder(int kind) { return fs::path(platform::Paths::folder(TDriveListFrm::KindFolder(kind))); }

const char* const kReservedQuestion =
    "Name \"Autosave.cfg\" is reserved. It is needed for \"AutoSave\" programm feature.\n\rSave anyway?";

// A one-port network of one constant value over the whole band.
const char* const kConstantS1p = "! constant\n# MHz S RI R 50\n1 0.5 0.25\n50000 0.5 0.25\n";

class FilesDialog : public ProgramRig {
 protected:
  // Opens the Files dialog by its soft key, runs the action in it and closes it with Ok.
  void InFiles(const std::function<void(ui::Form&)>& action) {
    OnNextDialog("TSaveRecallFrm", [this, action](ui::Form& form) {
      action(form);
      Press("btOk", form);
    });
    ClickLeft(TLeftPanel::kFiles);
  }
};

TEST_F(FilesDialog, TheReservedNameIsAskedForBeforeAnythingElse) {
  const fs::path state = KindFolder(2);
  std::vector<ui::ScriptedMessageBox::Entry> log;
  std::string autosave;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    WriteBytes(state / "Autosave.cfg", "old");
    InFiles([&](ui::Form& form) {
      driver.Box().Answer(ui::mrNo);
      AnswerBrowser(driver, "autosave.CFG");
      Press("btSaveState", form);
      AnswerBrowser(driver, "autosave");
      Press("btSaveState", form);
      driver.Box().Answer(ui::mrYes);
      AnswerBrowser(driver, "Autosave.cfg");
      Press("btSaveState", form);
      autosave = ReadBytes(state / "Autosave.cfg");
    });
    log = driver.Box().Log();
  }));
  ASSERT_EQ(2u, log.size());
  for (const auto& entry : log) {
    EXPECT_EQ(kReservedQuestion, entry.text);
    EXPECT_EQ("", entry.caption);
    EXPECT_EQ(ui::MessageBox::Buttons::YesNo, entry.buttons);
  }
  EXPECT_FALSE(fs::exists(state / "autosave.CFG")) << "No writes nothing";
  EXPECT_TRUE(fs::exists(state / "autosave.cfg")) << "not the reserved name: written at once";
  EXPECT_NE("old", autosave);
  EXPECT_GT(autosave.size(), 100u) << "a whole state";
}

TEST_F(FilesDialog, TheReplaceQuestionsNameTheFile) {
  struct Case {
    const char* button;
    int kind;
    const char* existing;
    const char* typed;
    const char* question;
  };
  const Case cases[] = {
      {"btSaveState", 2, "mystate.cfg", "mystate.cfg", "MYSTATE.CFG already exist."},
      {"btSaveState", 2, "mystate.cfg", "mystate", "MYSTATE already exist."},
      {"btSaveCalibration", 10, "MyCal.cal", "MyCal", "MyCal already exist."},
      {"btSaveTouchstone", 0, "MyTs.s1p", "MyTs", "MyTs already exist."},
      {"btSaveData", 1, "MyData.csv", "MyData", "MyData already exist."},
  };
  std::vector<ui::ScriptedMessageBox::Entry> log;
  bool unchanged = true;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    for (const Case& c : cases) WriteBytes(KindFolder(c.kind) / c.existing, "kept");
    InFiles([&](ui::Form& form) {
      for (const Case& c : cases) {
        driver.Box().Answer(ui::mrNo);
        AnswerBrowser(driver, c.typed);
        Press(c.button, form);
        unchanged = unchanged && ReadBytes(KindFolder(c.kind) / c.existing) == "kept";
      }
    });
    log = driver.Box().Log();
  }));
  EXPECT_TRUE(unchanged);
  ASSERT_EQ(std::size(cases), log.size());
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(std::string(cases[i].question) + "\n\rDo you want to replace it?", log[i].text);
  }
}

TEST_F(FilesDialog, TheTypeTogglesAndDecidesTheTouchstoneFile) {
  std::vector<std::string> values;
  int typeAfter = -1;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    InFiles([&](ui::Form& form) {
      values.push_back(Value(form, "pnTypeValue"));
      Press("pnType", form);
      values.push_back(Value(form, "pnTypeValue"));
      AnswerBrowser(driver, "x");
      Press("btSaveTouchstone", form);
      Press("pnTypeValue", form);
      values.push_back(Value(form, "pnTypeValue"));
      typeAfter = MainFrm->TouchType;
    });
  }));
  EXPECT_EQ((std::vector<std::string>{" S1P", " S2P", " S1P"}), values);
  EXPECT_EQ(0, typeAfter);
  const std::string file = ReadBytes(KindFolder(4) / "x.s2p");
  EXPECT_NE(std::string::npos, file.find("# ")) << "a two-port Touchstone file";
  EXPECT_FALSE(fs::exists(KindFolder(0) / "x.s1p"));
}

TEST_F(FilesDialog, RecallIntoEveryTraceMemoryAndIntoTheChannel) {
  int memories[3] = {};
  TComplex values[3];
  bool replaced = false;
  int triggerAfter = -1;
  TComplex pointAfter;
  std::vector<std::string> shown;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    WriteBytes(KindFolder(0) / "flat.s1p", kConstantS1p);
    TRangeView* view = MainFrm->GetActiveView();
    TMeasureList* traces = view->GetTraces();
    while (traces->GetCount() < 3) traces->AddMeasurement(tracecodes::S11, 0);
    ASSERT_EQ(3, traces->GetCount());
    // The first trace has a memory of its own data already.
    ASSERT_TRUE(traces->GetMeasurement(0)->Memories->StoreData());
    const TComplex old = traces->GetMeasurement(0)->Memories->GetMemory(0)->GetDataPoint(0);
    replaced = std::abs(old.Re - 0.5) > 1e-6 || std::abs(old.Im - 0.25) > 1e-6;
    InFiles([&](ui::Form& form) {
      MainFrm->TouchstoneRecallTo = 1;
      AnswerBrowser(driver, "flat.s1p");
      Press("btRecallTouchstone", form);
      for (int i = 0; i < 3; ++i) {
        TMemoryList* list = traces->GetMeasurement(i)->Memories;
        memories[i] = list->GetCount();
        if (list->GetCount() > 0) values[i] = list->GetMemory(0)->GetDataPoint(0);
      }
      // Into the channel: the continuous sweep is put on hold first.
      ASSERT_EQ(TScannerModule::Continuous, ScannerModule->TriggerMode);
      MainFrm->TouchstoneRecallTo = 2;
      AnswerBrowser(driver, "flat.s1p");
      Press("btRecallTouchstone", form);
      triggerAfter = ScannerModule->TriggerMode;
      pointAfter = view->GetRange()->GetPointData(0, 0);
    });
    shown = driver.Box().Shown();
  }));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(1, memories[i]) << i;
    EXPECT_NEAR(0.5, values[i].Re, 1e-9) << i;
    EXPECT_NEAR(0.25, values[i].Im, 1e-9) << i;
  }
  EXPECT_TRUE(replaced) << "the measured memory differed from the file";
  EXPECT_EQ(TScannerModule::Hold, triggerAfter);
  EXPECT_NEAR(0.5, pointAfter.Re, 1e-6);
  EXPECT_NEAR(0.25, pointAfter.Im, 1e-6);
  EXPECT_TRUE(shown.empty());
}

TEST_F(FilesDialog, TheListsSetTypeFormatAndTarget) {
  std::vector<std::string> shown;
  std::vector<QWidget*> owners(3, nullptr);
  QWidget* dialog = nullptr;
  int saveType = -1;
  int format = -1;
  int target = -1;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    InFiles([&](ui::Form& form) {
      dialog = &form;
      PickRow(3, &owners[0]);
      Press("pnSaveType", form);
      shown.push_back(Value(form, "pnSaveTypeValue"));
      PickRow(2, &owners[1]);
      Press("pnFormatValue", form);
      shown.push_back(Value(form, "pnFormatValue"));
      PickRow(1, &owners[2]);
      Press("pnRecallTo", form);
      shown.push_back(Value(form, "pnRecallToValue"));
      saveType = MainFrm->SaveType;
      format = MainFrm->TouchFormat;
      target = MainFrm->TouchstoneRecallTo;
    });
  }));
  EXPECT_EQ((std::vector<std::string>{" All", " dB-Angle", " All Traces Memory"}), shown);
  EXPECT_EQ(3, saveType);
  EXPECT_EQ(2, format);
  EXPECT_EQ(1, target);
  EXPECT_EQ(std::vector<QWidget*>(3, dialog), owners) << "the Files dialog owns its lists";
}

TEST_F(FilesDialog, AFileWithoutDataChangesNothingAndSaysSo) {
  const char* const bad[] = {"garbage\n", "# MHz S RI R 50\n100 0.5 0.25\n", ""};
  std::vector<std::string> shown;
  bool memoryKept = true;
  bool sweepKept = true;
  int pointsKept = 0;
  std::string path;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    TRangeView* view = MainFrm->GetActiveView();
    TMeasureList* traces = view->GetTraces();
    ASSERT_TRUE(traces->GetActive()->Memories->StoreData());
    const TMemoryTrace* memory = traces->GetActive()->Memories->GetMemory(0);
    const int points = view->GetRange()->GetCount();
    path = (KindFolder(0) / "bad.s1p").string();
    InFiles([&](ui::Form& form) {
      for (const char* bytes : bad) {
        WriteBytes(path, bytes);
        for (int target : {0, 1, 2}) {
          MainFrm->TouchstoneRecallTo = target;
          AnswerBrowser(driver, "bad.s1p");
          Press("btRecallTouchstone", form);
          memoryKept = memoryKept && traces->GetActive()->Memories->GetMemory(0) == memory;
          sweepKept = sweepKept && ScannerModule->TriggerMode == TScannerModule::Continuous;
          pointsKept += view->GetRange()->GetCount() == points ? 1 : 0;
        }
      }
      EXPECT_TRUE(form.Visible());
    });
    shown = driver.Box().Shown();
  }));
  EXPECT_TRUE(memoryKept);
  EXPECT_TRUE(sweepKept);
  EXPECT_EQ(9, pointsKept);
  EXPECT_EQ(std::vector<std::string>(9, "No usable data in " + path), shown);
}

TEST_F(FilesDialog, BadFilesGiveAMessageAndChangeNothing) {
  std::vector<std::string> shown;
  bool visible = true;
  bool memoryKept = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    // A calibration text where the binary form is expected.
    WriteBytes(KindFolder(10) / "text.cal", "[Channel0\\Correction\\11]\nCorName=\n");
    // A Touchstone file beyond the size any network can have.
    const fs::path huge = KindFolder(0) / "huge.s1p";
    WriteBytes(huge, "# MHz S RI R 50\n");
    fs::resize_file(huge, 65ull << 20);
    // A target whose folder is a file.
    WriteBytes(KindFolder(2) / "plain", "a file, not a folder");
    TMeasureList* traces = MainFrm->GetActiveView()->GetTraces();
    ASSERT_TRUE(traces->GetActive()->Memories->StoreData());
    const TComplex before = traces->GetActive()->Memories->GetMemory(0)->GetDataPoint(0);
    InFiles([&](ui::Form& form) {
      AnswerBrowser(driver, "text.cal");
      Press("btRecallCalibration", form);
      visible = visible && form.Visible();
      MainFrm->TouchstoneRecallTo = 0;
      AnswerBrowser(driver, "huge.s1p");
      Press("btRecallTouchstone", form);
      visible = visible && form.Visible();
      AnswerBrowser(driver, "plain/inside");
      Press("btSaveState", form);
      visible = visible && form.Visible();
    });
    const TComplex after = traces->GetActive()->Memories->GetMemory(0)->GetDataPoint(0);
    memoryKept = after.Re == before.Re && after.Im == before.Im;
    shown = driver.Box().Shown();
  }));
  EXPECT_TRUE(visible);
  EXPECT_TRUE(memoryKept);
  ASSERT_EQ(3u, shown.size()) << ::testing::PrintToString(shown);
  EXPECT_NE(std::string::npos, shown[0].find("text.cal")) << shown[0];
  EXPECT_EQ("No usable data in " + (KindFolder(0) / "huge.s1p").string(), shown[1]);
  EXPECT_NE(std::string::npos, shown[2].find("inside")) << shown[2];
  EXPECT_FALSE(fs::exists(KindFolder(2) / "plain" / "inside.cfg"));
  EXPECT_EQ("a file, not a folder", ReadBytes(KindFolder(2) / "plain"));
}

TEST_F(FilesDialog, AutosaveOffDeletesTheFileAtOnce) {
  const fs::path autosave = TMainFrm::AutosavePath();
  std::vector<std::string> values;
  std::vector<bool> exists;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    MainFrm->SetAutosave(true);
    WriteBytes(autosave, "[Network analyzer]\n");
    InFiles([&](ui::Form& form) {
      values.push_back(Value(form, "pnAutosaveValue"));
      Press("pnAutosave", form);
      values.push_back(Value(form, "pnAutosaveValue"));
      exists.push_back(fs::exists(autosave));
      Press("pnAutosaveValue", form);
      values.push_back(Value(form, "pnAutosaveValue"));
      exists.push_back(fs::exists(autosave));
    });
  }));
  EXPECT_EQ((std::vector<std::string>{" ON", " OFF", " ON"}), values);
  EXPECT_EQ((std::vector<bool>{false, false}), exists) << "deleted at once; written only at the shut-down";
}

TEST_F(FilesDialog, ADamagedStateChangesNothing) {
  const std::string damaged[] = {"just some text\n", std::string("\0\x01[Network\xff\xfe", 12)};
  std::vector<std::string> shown;
  int countBefore = 0;
  int countAfter = 0;
  bool visible = true;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    countBefore = MainFrm->ChannelCount;
    InFiles([&](ui::Form& form) {
      for (const std::string& bytes : damaged) {
        WriteBytes(KindFolder(2) / "damaged.cfg", bytes);
        AnswerBrowser(driver, "damaged.cfg");
        Press("btRecallState", form);
        visible = visible && form.Visible();
      }
    });
    countAfter = MainFrm->ChannelCount;
    shown = driver.Box().Shown();
  }));
  EXPECT_TRUE(visible);
  EXPECT_EQ(countBefore, countAfter);
  ASSERT_EQ(std::size(damaged), shown.size());
  for (const std::string& text : shown) EXPECT_NE(std::string::npos, text.find("damaged.cfg")) << text;
}

}  // namespace

namespace {

TEST_F(FilesDialog, TwoThousandRandomPresses) {
  TFuzzReport report;
  // A hundred presses with their sub-windows make one modal run; under the sanitizers on a busy
  // machine that run can outlast the driver's usual 10 s without hanging.
  const int watchdogBefore = ui::ModalWatchdogMs();
  ui::SetModalWatchdogMs(std::max(watchdogBefore, 60000));
  struct TRestore {
    int Ms;
    ~TRestore() { ui::SetModalWatchdogMs(Ms); }
  } restoreWatchdog{watchdogBefore};
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    const std::string state = PrepareFuzzFiles();
    for (unsigned round = 0; round < 20; ++round) {
      InFiles([&](ui::Form& form) { PressAtRandom(form, 100, 117 + round, state, report); });
    }
  }));
  EXPECT_EQ(2000, report.presses) << ::testing::PrintToString(report.messages);
  EXPECT_GT(report.subWindows, 300);
  EXPECT_EQ(std::vector<std::string>{}, report.problems);
}

}  // namespace
