// The segment table editor on the running main window's active channel, driven by clicks, double
// clicks and typed keys: its layout, the cell editors with the channel's rules shown back, Add
// and Delete, the list switches, saving and restoring ".seg" files (also hostile ones), and a
// table that shrinks under an open keypad.
#include "dialogs/SegmentListFrm.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ChannelDialogRig.h"
#include "common/FileBytes.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Utils.h"
#include "platform/Paths.h"
#include "platform/ui/Shape.h"
#include "platform/ui/MessageBox.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/DriveListFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace fs = std::filesystem;

namespace {

class SegmentEditor : public ChannelDialogRig {
 protected:
  // n segments of `points` points, 10 MHz apart, in segment sweep.
  void MakeTable(int n, int points) {
    TRangeSettings settings;
    TSegments segments;
    Channel().GetSettings(settings, segments);
    segments.clear();
    for (int i = 0; i < n; ++i) {
      TSegment s;
      s.Start = 100 + 10.0 * i;
      s.Stop = 105 + 10.0 * i;
      s.Points = points;
      segments.push_back(s);
    }
    Channel().ApplySettings(segments, settings);
    Channel().SetSweepType(TRange::Segm);
  }
  TSegments Table() {
    TRangeSettings settings;
    TSegments segments;
    Channel().GetSettings(settings, segments);
    return segments;
  }
  // Double-clicks a cell (it becomes the current one) and answers the keypad.
  void EditCell(TSegmentListFrm& editor, int column, int row, const std::string& text,
                TDigitalKeyboardFrm* seen = nullptr) {
    editor.sgList->SetCurrent(column, row);
    driver.OnNextModal([this, text, seen](ui::Form& form) {
      auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
      if (seen) {
        seen->Title = keypad.Title;
        seen->UnitKind = keypad.UnitKind;
        seen->UnitIndex = keypad.UnitIndex;
      }
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
    const ui::Rect cell = editor.sgList->CellRect(column, row);
    ASSERT_FALSE(cell.IsEmpty()) << "cell " << column << "," << row << " not in view";
    driver.DoubleClick(*editor.sgList, cell.Left + 3, cell.Top + 3);
  }
  static fs::path SegmentFolder() { return fs::path(platform::Paths::dataRoot()) / "Segment"; }
  // The browser's answer: the name typed on its keyboard, then Ok.
  void AnswerBrowser(const std::string& name, const std::string& folder = {}) {
    driver.OnNextModal([this, name, folder](ui::Form& form) {
      auto& browser = static_cast<TDriveListFrm&>(form);
      if (!folder.empty()) browser.Folder = folder;
      driver.OnNextModal([this, name](ui::Form& keyboard) {
        auto& edit = driver.Get<ui::Edit>("CommonEdit", &keyboard);
        edit.SetText(name);
        driver.Key(edit, ui::vk::Return);
      });
      driver.Press(driver.Get("pnFileValue", &browser));
      driver.Press(driver.Get("btOk", &browser));
    });
  }
};

TEST_F(SegmentEditor, LayoutFollowsTheMetrics) {
  Start();
  MakeTable(3, 11);
  TSegmentListFrm editor(frm.get());
  EXPECT_EQ(297, editor.Width());
  EXPECT_EQ(287, editor.Height());
  EXPECT_EQ(ui::Rect(6, 38, 279, 173), editor.sgList->BoundsRect());
  EXPECT_EQ(20, editor.sgList->ColWidth(0));
  EXPECT_EQ(83, editor.sgList->ColWidth(1));
  EXPECT_EQ(26, editor.sgList->RowHeight(3));
  EXPECT_EQ(ui::Rect(6, 191, 97, 217), editor.btAdd->BoundsRect());
  EXPECT_EQ(ui::Rect(200, 255, 291, 281), editor.btOk->BoundsRect());
  EXPECT_EQ("Segment Table", editor.TopPanel->Caption());
  EXPECT_EQ((std::vector<std::string>{"", "Start", "Stop", "Points"}),
            (std::vector<std::string>{editor.sgList->Cell(0, 0), editor.sgList->Cell(1, 0), editor.sgList->Cell(2, 0),
                                      editor.sgList->Cell(3, 0)}));
  EXPECT_EQ("3", editor.sgList->Cell(0, 3));
  EXPECT_EQ("120 MHz", editor.sgList->Cell(1, 3));
  EXPECT_EQ("125 MHz", editor.sgList->Cell(2, 3));
  EXPECT_EQ("11", editor.sgList->Cell(3, 3));
  EXPECT_EQ(" OFF", editor.pnListIFBWValue->Caption());
  // Rows added later are one field high too; six columns scroll sideways.
  Channel().SetSegmentListIFBW(true);
  Channel().SetSegmentListDelay(true);
  MakeTable(9, 11);
  editor.RefreshGrid();
  EXPECT_EQ(26, editor.sgList->RowHeight(9));
  EXPECT_EQ(6, editor.sgList->ColCount());
  EXPECT_LT(editor.sgList->VisibleColCount(), 5);
  EXPECT_LT(editor.HScrollShape->Width(), editor.sgList->Width());
}

TEST_F(SegmentEditor, CellEntriesShowWhatTheChannelKept) {
  Start();
  MakeTable(3, 11);
  Channel().SetSegmentListIFBW(true);
  TSegmentListFrm editor(frm.get());
  editor.Show();
  ASSERT_EQ("IFBW", editor.sgList->Cell(4, 0));
  struct Case {
    const char* typed;
    const char* shown;
  };
  for (const Case& c : {Case{"60000", "30 kHz"}, Case{"200", "100 Hz"}, Case{"250", "300 Hz"}}) {
    TDigitalKeyboardFrm seen(nullptr, "", 0, 0, nullptr, nullptr);
    EditCell(editor, 4, 1, c.typed, &seen);
    EXPECT_EQ(c.shown, editor.sgList->Cell(4, 1)) << c.typed;
    EXPECT_EQ("IFBW", seen.Title);
    EXPECT_EQ(ukFrequency, seen.UnitKind);
    EXPECT_EQ(3, seen.UnitIndex);
  }
  // List Delay alone: the delay stands in column 4, in milliseconds.
  driver.Press(*editor.pnListIFBWValue);
  driver.Press(*editor.pnListDelayValue);
  ASSERT_EQ(5, editor.sgList->ColCount());
  EXPECT_EQ("Delay", editor.sgList->Cell(4, 0));
  for (const Case& c : {Case{"0.0126", "0.015 ms"}, Case{"-1", "0 ms"}, Case{"1e300", "320 ms"}}) {
    TDigitalKeyboardFrm seen(nullptr, "", 0, 0, nullptr, nullptr);
    EditCell(editor, 4, 2, c.typed, &seen);
    EXPECT_EQ(c.shown, editor.sgList->Cell(4, 2)) << c.typed;
    EXPECT_EQ("Delay", seen.Title);
    EXPECT_EQ(ukTime, seen.UnitKind);
    EXPECT_EQ(1, seen.UnitIndex);
  }
  // Points truncate; a start past the next segment is held by it; a centre switches the titles.
  EditCell(editor, 3, 1, "20.9");
  EXPECT_EQ("20", editor.sgList->Cell(3, 1));
  EditCell(editor, 1, 1, "1e300");
  EXPECT_EQ("110 MHz", editor.sgList->Cell(1, 1));
  Channel().SegmentCenterPriority = true;
  editor.RefreshGrid();
  EXPECT_EQ("Center", editor.sgList->Cell(1, 0));
  EXPECT_EQ("Span", editor.sgList->Cell(2, 0));
  EditCell(editor, 1, 1, "0");
  EXPECT_EQ("Center", editor.sgList->Cell(1, 0));
  EXPECT_TRUE(Channel().SegmentCenterPriority);
  editor.Hide();
}

TEST_F(SegmentEditor, EveryColumnShowsWhatTheChannelKeptForHostileEntries) {
  Start();
  MakeTable(3, 11);
  Channel().SetSegmentListIFBW(true);
  Channel().SetSegmentListDelay(true);
  TSegmentListFrm editor(frm.get());
  editor.Show();
  for (int column = 1; column <= 5; ++column) {
    for (const char* typed : {"0", "-5", "1e300", "-1e300", "2.9"}) {
      // Columns 4 and 5 lie right of the view: scroll them in as a drag would.
      editor.sgList->SetCurrent(column, 2);
      const ui::Rect cell = editor.sgList->CellRect(column, 2);
      driver.OnNextModal([this, typed](ui::Form& form) {
        auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
        keypad.CommonEdit->SetText(typed);
        driver.Key(*keypad.CommonEdit, ui::vk::Return);
      });
      driver.DoubleClick(*editor.sgList, cell.Left + 3, cell.Top + 3);
      const std::string shown = editor.sgList->Cell(column, 2);
      TRange& ch = Channel();
      std::string kept;
      switch (column) {
        case 1: kept = FormatKindValue(ch.GetSegmentStart(1) * 1e6, ukFrequency); break;
        case 2: kept = FormatKindValue(ch.GetSegmentStop(1) * 1e6, ukFrequency); break;
        case 3: kept = std::to_string(ch.GetSegmentPoints(1)); break;
        case 4: kept = FormatKindValue(ch.GetSegmentIFBW(1), ukFrequency); break;
        default: kept = FloatToText(RoundToSignificantDigits(6, ch.GetSegmentDelay(1))) + " ms"; break;
      }
      EXPECT_EQ(kept, shown) << "column " << column << " " << typed;
      ASSERT_EQ(3, ch.GetSegmentCount());
      EXPECT_LE(ch.GetSegmentStop(0), ch.GetSegmentStart(1));
      EXPECT_LE(ch.GetSegmentStart(1), ch.GetSegmentStop(1));
      EXPECT_LE(ch.GetSegmentStop(1), ch.GetSegmentStart(2));
      EXPECT_LE(ch.GetTotalSegmentPoints(), 16001);
    }
  }
  editor.Hide();
}

TEST_F(SegmentEditor, TheSelectionMovesDownAfterAnEditExceptOnTheLastRow) {
  Start();
  MakeTable(3, 11);
  TSegmentListFrm editor(frm.get());
  editor.Show();
  EditCell(editor, 3, 1, "12");
  EXPECT_EQ(2, editor.sgList->Row());
  EditCell(editor, 3, 3, "13");
  EXPECT_EQ(3, editor.sgList->Row());
  EXPECT_EQ(13, Channel().GetSegmentPoints(2));
  editor.Hide();
}

TEST_F(SegmentEditor, AddAndDeleteKeepTheTablesRules) {
  Start();
  MakeTable(2, 8000);
  Channel().SetSegmentPoints(1, 8001);
  ASSERT_EQ(16001, Channel().GetTotalSegmentPoints());
  TSegmentListFrm editor(frm.get());
  editor.Show();
  driver.Press(*editor.btAdd);
  EXPECT_EQ(2, Channel().GetSegmentCount()) << "no point is free";
  EXPECT_EQ(3, editor.sgList->RowCount());
  Channel().SetSegmentPoints(1, 100);
  editor.sgList->SetRow(1);
  driver.Press(*editor.btAdd);
  ASSERT_EQ(3, Channel().GetSegmentCount());
  EXPECT_EQ(Channel().GetSegmentStop(0), Channel().GetSegmentStart(1));
  EXPECT_EQ(4, editor.sgList->RowCount());
  for (int i = 0; i < 4; ++i) driver.Press(*editor.btDelete);
  EXPECT_EQ(1, Channel().GetSegmentCount()) << "the last segment stays";
  EXPECT_EQ(2, editor.sgList->RowCount());
  editor.Hide();
}

TEST_F(SegmentEditor, SavingAsksBeforeReplacingAndRecallGivesTheSameSegments) {
  Start();
  MakeTable(3, 11);
  fs::remove(SegmentFolder() / "tbl.seg");
  TSegmentListFrm editor(frm.get());
  editor.Show();
  AnswerBrowser("tbl");
  driver.Press(*editor.btSave);
  const fs::path file = SegmentFolder() / "tbl.seg";
  ASSERT_TRUE(fs::is_regular_file(file));
  EXPECT_TRUE(driver.Box().Log().empty());
  const TSegments saved = Table();
  const std::string bytes = testenv::ReadBytes(file);

  // No keeps the file, Yes replaces it; the question names the file as typed.
  Channel().SetSegmentPoints(0, 50);
  for (int answer : {ui::mrNo, ui::mrYes}) {
    driver.Box().ClearLog();
    driver.Box().Answer(answer);
    AnswerBrowser("tbl");
    driver.Press(*editor.btSave);
    ASSERT_EQ(1u, driver.Box().Log().size());
    EXPECT_EQ("tbl already exist.\n\rDo you want to replace it?", driver.Box().Log()[0].text);
    EXPECT_EQ(answer == ui::mrYes, testenv::ReadBytes(file) != bytes);
  }
  // Recall gives the table that was saved last.
  MakeTable(5, 3);
  AnswerBrowser("tbl.seg");
  driver.Press(*editor.btRecall);
  const TSegments recalled = Table();
  ASSERT_EQ(3u, recalled.size());
  EXPECT_EQ(50, recalled[0].Points);
  EXPECT_EQ(saved[2], recalled[2]);
  EXPECT_EQ("50", editor.sgList->Cell(3, 1));
  EXPECT_EQ(4, editor.sgList->RowCount());
  EXPECT_TRUE(editor.Visible());
  editor.Hide();
}

TEST_F(SegmentEditor, AFailedSaveShowsTheMessageAndKeepsTheOldFile) {
  Start();
  MakeTable(2, 11);
  fs::create_directories(SegmentFolder() / "held.seg");
  TSegmentListFrm editor(frm.get());
  editor.Show();
  // A path held by a folder.
  driver.Box().Answer(ui::mrYes);
  AnswerBrowser("held");
  driver.Press(*editor.btSave);
  EXPECT_EQ(1u, driver.Box().Shown().size());
  EXPECT_TRUE(fs::is_directory(SegmentFolder() / "held.seg"));
  // A folder that does not exist.
  const fs::path missing = SegmentFolder() / "missing";
  fs::remove_all(missing);
  AnswerBrowser("x", missing.string());
  driver.Press(*editor.btSave);
  EXPECT_EQ(2u, driver.Box().Shown().size());
  EXPECT_FALSE(fs::exists(missing));
  for (const auto& entry : fs::directory_iterator(SegmentFolder())) {
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp")) << entry.path();
  }
  EXPECT_TRUE(editor.Visible());
  EXPECT_EQ(2, Channel().GetSegmentCount());
  editor.Hide();
}

TEST_F(SegmentEditor, AHostileFileIsRefusedOrReadWithinTheRules) {
  Start();
  MakeTable(3, 11);
  fs::create_directories(SegmentFolder());
  TSegmentListFrm editor(frm.get());
  editor.Show();
  // A good file to cut.
  AnswerBrowser("good");
  driver.Box().Answer(ui::mrYes);
  driver.Press(*editor.btSave);
  const std::string good = testenv::ReadBytes(SegmentFolder() / "good.seg");
  std::mt19937 random(42);
  std::string noise(3000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string tooMany = "[SegmentSweepData]\nSegmentCount=3\n";
  for (int i = 0; i < 3; ++i) {
    tooMany += "SegmentStart" + std::to_string(i) + "=" + std::to_string(100 + 10 * i) + "\n";
    tooMany += "SegmentStop" + std::to_string(i) + "=" + std::to_string(105 + 10 * i) + "\n";
    tooMany += "SegmentPoints" + std::to_string(i) + "=6000\n";
  }
  struct Case {
    const char* name;
    std::string bytes;
    bool refused;  // else: read, kept within the rules
  };
  const Case cases[] = {
      {"count.seg", "[SegmentSweepData]\nSegmentCount=1000000000\n", true},
      {"points.seg", tooMany, true},
      {"cut.seg", good.substr(0, good.size() / 2), false},
      {"noise.seg", noise, false},
  };
  for (const Case& c : cases) {
    MakeTable(3, 11);
    editor.RefreshGrid();
    const TSegments before = Table();
    testenv::WriteBytes(SegmentFolder() / c.name, c.bytes);
    driver.Box().ClearLog();
    AnswerBrowser(c.name);
    driver.Press(*editor.btRecall);
    EXPECT_TRUE(editor.Visible()) << c.name;
    if (c.refused) {
      EXPECT_EQ(1u, driver.Box().Shown().size()) << c.name;
      EXPECT_EQ(before, Table()) << c.name;
    } else {
      EXPECT_LE(Channel().GetTotalSegmentPoints(), 16001) << c.name;
    }
    EXPECT_EQ(Channel().GetSegmentCount() + 1, editor.sgList->RowCount()) << c.name;
  }
  editor.Hide();
}

TEST_F(SegmentEditor, ATableThatShrinksUnderTheKeypadIsLeftAlone) {
  Start();
  MakeTable(3, 11);
  TSegmentListFrm editor(frm.get());
  editor.Show();
  editor.sgList->SetCurrent(3, 3);
  driver.OnNextModal([&](ui::Form& form) {
    auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
    // Automation deletes two segments meanwhile.
    Channel().DeleteSegment(2);
    Channel().DeleteSegment(1);
    keypad.CommonEdit->SetText("7");
    driver.Key(*keypad.CommonEdit, ui::vk::Return);
  });
  const ui::Rect cell = editor.sgList->CellRect(3, 3);
  driver.DoubleClick(*editor.sgList, cell.Left + 3, cell.Top + 3);
  ASSERT_EQ(1, Channel().GetSegmentCount());
  EXPECT_EQ(11, Channel().GetSegmentPoints(0));
  EXPECT_EQ(2, editor.sgList->RowCount());
  // Add and Delete on a stale row do nothing either.
  editor.Hide();
}

TEST_F(SegmentEditor, TheFactoryOpensItModally) {
  Start();
  MakeTable(2, 11);
  bool shown = false;
  driver.OnNextModal([&](ui::Form& form) {
    shown = form.Name() == "SegmentListFrm";
    driver.Key(form, ui::vk::Return);
  });
  EXPECT_EQ(ui::mrOk, frm->OpenDialog("TSegmentListFrm", true));
  EXPECT_TRUE(shown);
}

}  // namespace
