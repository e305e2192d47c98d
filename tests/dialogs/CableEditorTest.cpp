// The cable list editor reached from the DTF Settings dialog's Cable row: the layout, the row
// of the cable in use, Add and Delete around "User Defined", the values it keeps inside the
// settings' ranges, the keyboard for names, the ways it closes, and tables that change while
// its keypad is open.
#include "dialogs/CableEditor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "ChannelDialogRig.h"
#include "common/FileBytes.h"
#include "dialogs/DtfSettingsDialog.h"
#include "dialogs/TraceDialogs.h"
#include "instrument/ScannerModule.h"
#include "platform/Paths.h"
#include "platform/ui/MessageBox.h"
#include "widgets/DriveListFrm.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/RightPanel.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace {

class CableEditor : public ChannelDialogRig {
 protected:
  void StartCables() {
    Start();
    RegisterTraceDialogs();
  }
  TCableStds& Cables() { return ScannerModule->CableStds; }
  // The DTF dialog opens the editor from its Cable row; checks run in the editor, which they
  // close themselves (or Ok closes it afterwards).
  void WithEditor(const std::function<void(TCableEditFrm&)>& checks, int* result = nullptr) {
    bool ran = false;
    driver.OnNextModal([&](ui::Form& form) {
      auto& dtf = dynamic_cast<TDTFSettingsFrm&>(form);
      driver.OnNextModal([&](ui::Form& inner) {
        auto* editor = dynamic_cast<TCableEditFrm*>(&inner);
        ASSERT_NE(nullptr, editor);
        checks(*editor);
        ran = true;
        if (inner.ModalResult() == 0) driver.Press(*editor->btApply);
      });
      driver.Press(*dtf.pnCable);
      if (result) *result = 0;
      driver.Press(*dtf.btOk);
    });
    frm->RightPanelClick(TRightPanel::kDtfSettings);
    EXPECT_TRUE(ran);
  }
  void Keypad(const std::string& text, const std::function<void()>& meanwhile = {}) {
    driver.OnNextModal([this, text, meanwhile](ui::Form& form) {
      auto& keypad = dynamic_cast<TDigitalKeyboardFrm&>(form);
      if (meanwhile) meanwhile();
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
  }
  // The browser's answer: the name typed on its keyboard, then Ok.
  void AnswerBrowser(const std::string& name) {
    driver.OnNextModal([this, name](ui::Form& browser) {
      driver.OnNextModal([this, name](ui::Form& keyboard) {
        auto& edit = driver.Get<ui::Edit>("CommonEdit", &keyboard);
        edit.SetText(name);
        driver.Key(edit, ui::vk::Return);
      });
      driver.Press(driver.Get("pnFileValue", &browser));
      driver.Press(driver.Get("btOk", &browser));
    });
  }
  static std::filesystem::path CableFolder() { return std::filesystem::path(platform::Paths::dataRoot()) / "Cable"; }
  void EditCell(TCableEditFrm& e, int column, int row) {
    e.sgList->SetCurrent(column, row);
    const ui::Rect cell = e.sgList->CellRect(column, row);
    ASSERT_FALSE(cell.IsEmpty());
    driver.DoubleClick(*e.sgList, cell.Left + 3, cell.Top + 3);
  }
};

TEST_F(CableEditor, OpensOnTheCableInUseWithItsLayout) {
  StartCables();
  ASSERT_GE(Cables().Count(), 5);
  ScannerModule->SelectCableStd(3);
  WithEditor([&](TCableEditFrm& e) {
    EXPECT_EQ(366, e.Width());
    EXPECT_EQ(243, e.Height());
    EXPECT_EQ(ui::Rect(6, 38, 348, 173), e.sgList->BoundsRect());
    EXPECT_EQ(ui::Rect(6, 179, 6 + 114, 205), e.btAdd->BoundsRect());
    EXPECT_EQ(ui::Rect(246, 211, 360, 237), e.btCancel->BoundsRect());
    EXPECT_EQ(4, e.sgList->Row());
    EXPECT_EQ(Cables().Count() + 1, e.sgList->RowCount());
    EXPECT_EQ("User Defined", e.sgList->Cell(1, 1));
    EXPECT_EQ("Cable Name", e.sgList->Cell(1, 0));
    EXPECT_EQ(Cables()[3].GetName(), e.sgList->Cell(1, 4));
  });
}

TEST_F(CableEditor, AddAndDeleteKeepUserDefinedFirst) {
  StartCables();
  const int count = Cables().Count();
  WithEditor([&](TCableEditFrm& e) {
    // Add on row 3 inserts there and selects it.
    const std::string third = Cables()[2].GetName();
    e.sgList->SetRow(3);
    driver.Press(*e.btAdd);
    EXPECT_EQ(count + 1, Cables().Count());
    EXPECT_EQ("New cable", Cables()[2].GetName());
    EXPECT_EQ(third, Cables()[3].GetName());
    EXPECT_EQ(1.0, Cables()[2].Velocity);
    EXPECT_EQ(0.0, Cables()[2].Loss);
    EXPECT_EQ(1000.0, Cables()[2].Frequency);
    EXPECT_EQ(3, e.sgList->Row());
    EXPECT_EQ(2, ScannerModule->GetCableStdIndex());
    // Row 1: Delete does nothing, Add inserts after "User Defined".
    e.sgList->SetRow(1);
    driver.Press(*e.btDel);
    EXPECT_EQ(count + 1, Cables().Count());
    EXPECT_EQ("User Defined", Cables()[0].GetName());
    e.sgList->SetRow(1);
    driver.Press(*e.btAdd);
    EXPECT_EQ(count + 2, Cables().Count());
    EXPECT_EQ("User Defined", Cables()[0].GetName());
    EXPECT_EQ("New cable", Cables()[1].GetName());
    EXPECT_EQ(2, e.sgList->Row());
    // Delete on the last row selects the new last row.
    e.sgList->SetRow(Cables().Count());
    driver.Press(*e.btDel);
    EXPECT_EQ(count + 1, Cables().Count());
    EXPECT_EQ(Cables().Count(), e.sgList->Row());
    EXPECT_EQ(Cables().Count() + 1, e.sgList->RowCount());
  });
}

TEST_F(CableEditor, TypedValuesStayInsideTheSettingsRanges) {
  StartCables();
  WithEditor([&](TCableEditFrm& e) {
    struct Case {
      int column;
      const char* typed;
      double TCableStd::*field;
      double stored;
      const char* shown;
    };
    const Case cases[] = {
        {2, "0", &TCableStd::Velocity, 0.001, "0.001"},
        {2, "1.5", &TCableStd::Velocity, 1.0, "1.0"},
        {2, "-1", &TCableStd::Velocity, 0.001, "0.001"},
        {2, "1e300", &TCableStd::Velocity, 1.0, "1.0"},
        {2, "0.66", &TCableStd::Velocity, 0.66, "0.66"},
        {3, "2000", &TCableStd::Loss, 1000, "1000 dB/m"},
        {3, "-1", &TCableStd::Loss, 0, "0 dB/m"},
        {3, "0.5", &TCableStd::Loss, 0.5, "0.5 dB/m"},
        {4, "0", &TCableStd::Frequency, 0, "0 Hz"},
        {4, "-5", &TCableStd::Frequency, -5, "-5 MHz"},
        {4, "2000", &TCableStd::Frequency, 2000, "2 GHz"},
    };
    for (const Case& c : cases) {
      Keypad(c.typed);
      EditCell(e, c.column, 3);
      EXPECT_DOUBLE_EQ(c.stored, Cables()[2].*c.field) << c.column << " " << c.typed;
      EXPECT_EQ(c.shown, e.sgList->Cell(c.column, 3)) << c.column << " " << c.typed;
      EXPECT_EQ(2, ScannerModule->GetCableStdIndex());
    }
    EXPECT_DOUBLE_EQ(0.66, ScannerModule->VelocityFactor);
    EXPECT_DOUBLE_EQ(0.5, ScannerModule->CableLoss);
  });
}

TEST_F(CableEditor, NamesComeFromTheKeyboardCutToTheField) {
  StartCables();
  Look().SetUseDigitalPanel(false);
  WithEditor([&](TCableEditFrm& e) {
    const std::string cases[] = {std::string(200, 'x'), std::string("a\r\nb") + std::string(1, '\0') + "c",
                                 std::string(38, 'y') + "\xF0\x9F\x98\x80", ""};
    for (const std::string& typed : cases) {
      driver.OnNextModal([this, typed](ui::Form& form) {
        auto& keyboard = dynamic_cast<TVirtualKeyboardFrm&>(form);
        keyboard.CommonEdit->SetText(typed);
        driver.Press(*keyboard.btApply);
      });
      EditCell(e, 1, 4);
      EXPECT_EQ(TCableStd::FitName(typed), Cables()[3].GetName());
      EXPECT_EQ(Cables()[3].GetName(), e.sgList->Cell(1, 4));
      EXPECT_EQ(3, ScannerModule->GetCableStdIndex());
    }
    EXPECT_EQ(std::string(39, 'x'), TCableStd::FitName(std::string(200, 'x')));
    EXPECT_EQ(std::string(38, 'y'), TCableStd::FitName(cases[2]));
  });
}

TEST_F(CableEditor, CancelKeepsEditsEnterAppliesEscapeCancels) {
  StartCables();
  ScannerModule->SelectCableStd(1);
  int result = -1;
  WithEditor([&](TCableEditFrm& e) {
    Keypad("0.5");
    EditCell(e, 2, 4);
    EXPECT_EQ(0.5, Cables()[3].Velocity);
    e.sgList->SetRow(2);
    driver.Press(*e.btCancel);
    EXPECT_EQ(ui::mrCancel, e.ModalResult());
  }, &result);
  EXPECT_EQ(0.5, Cables()[3].Velocity);
  EXPECT_EQ(3, ScannerModule->GetCableStdIndex());
  EXPECT_EQ(0.5, ScannerModule->VelocityFactor);

  WithEditor([&](TCableEditFrm& e) {
    e.sgList->SetRow(6);
    driver.Key(e, ui::vk::Return);
    EXPECT_EQ(ui::mrOk, e.ModalResult());
  });
  EXPECT_EQ(5, ScannerModule->GetCableStdIndex());

  WithEditor([&](TCableEditFrm& e) {
    e.sgList->SetRow(2);
    driver.Key(e, ui::vk::Escape);
    EXPECT_EQ(ui::mrCancel, e.ModalResult());
  });
  EXPECT_EQ(5, ScannerModule->GetCableStdIndex());
}

TEST_F(CableEditor, CablesDeletedWhileTheKeypadIsOpenWriteNothingElse) {
  StartCables();
  WithEditor([&](TCableEditFrm& e) {
    // The last cable's row is edited; automation deletes that cable meanwhile.
    const int last = Cables().Count() - 1;
    const TCableStds before = [&] {
      TCableStds copy = Cables();
      copy.Delete(last);
      return copy;
    }();
    Keypad("0.5", [&] { Cables().Delete(last); });
    EditCell(e, 2, last + 1);
    EXPECT_EQ(before, Cables());
    // The whole table emptied under the keyboard.
    Look().SetUseDigitalPanel(false);
    driver.OnNextModal([this](ui::Form& form) {
      auto& keyboard = dynamic_cast<TVirtualKeyboardFrm&>(form);
      Cables().Clear();
      keyboard.CommonEdit->SetText("gone");
      driver.Press(*keyboard.btApply);
    });
    EditCell(e, 1, 2);
    EXPECT_EQ(0, Cables().Count());
    EXPECT_EQ(2, e.sgList->RowCount());
    driver.Press(*e.btDel);
    driver.Press(*e.btApply);
  });
}

TEST_F(CableEditor, SavedListsRestoreWholeAndBadFilesChangeNothing) {
  StartCables();
  WithEditor([&](TCableEditFrm& e) {
    e.sgList->SetRow(2);
    driver.Press(*e.btAdd);
    Cables()[0].Velocity = 0.7;
    const TCableStds saved = Cables();
    AnswerBrowser("mine");
    driver.Press(*e.btSave);
    ASSERT_TRUE(std::filesystem::exists(CableFolder() / "mine.cbl"));
    EXPECT_TRUE(e.Visible());
    // Restoring replaces every entry, the built-in ones too.
    Cables().Delete(3);
    Cables()[1].SetName("changed");
    AnswerBrowser("mine.cbl");
    driver.Press(*e.btRecall);
    EXPECT_EQ(saved, Cables());
    EXPECT_EQ(saved.Count() + 1, e.sgList->RowCount());

    std::mt19937 random(7);
    std::string noise(600, '\0');
    for (char& c : noise) c = static_cast<char>(random() & 0xFF);
    const std::string whole = testenv::ReadBytes(CableFolder() / "mine.cbl");
    struct Case {
      const char* name;
      std::string bytes;
    };
    const Case cases[] = {{"noise.cbl", noise}, {"cut.cbl", whole.substr(0, whole.size() / 2)}};
    for (const Case& c : cases) {
      testenv::WriteBytes(CableFolder() / c.name, c.bytes);
      const TCableStds before = Cables();
      driver.Box().ClearLog();
      AnswerBrowser(c.name);
      driver.Press(*e.btRecall);
      EXPECT_TRUE(e.Visible()) << c.name;
      if (!driver.Box().Shown().empty()) {
        EXPECT_EQ(1u, driver.Box().Shown().size()) << c.name;
        EXPECT_EQ(before, Cables()) << c.name;
      }
      ASSERT_GE(Cables().Count(), 1) << c.name;
      for (const TCableStd& cable : Cables()) {
        EXPECT_GE(cable.Velocity, TCableStd::MinVelocity) << c.name;
        EXPECT_LE(cable.Loss, TCableStd::MaxLoss) << c.name;
      }
      EXPECT_EQ(Cables().Count() + 1, e.sgList->RowCount()) << c.name;
    }
  });
}

}  // namespace
