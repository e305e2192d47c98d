// The table editor frame driven as a user would, on a small editor of plain numbers: which
// cells edit, typing into the grid, the keypad behind the look's switch, drag scrolling, and
// the save and restore flows with their refresh.
#include "dialogs/TableEditorFrm.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <random>
#include <string>
#include <vector>

#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "platform/ui/Edit.h"
#include "platform/ui/Shape.h"
#include "widgets/LbButton.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/WidgetTest.h"

namespace {

// One column of numbers, one row per value.
class TNumberTableFrm : public TTableEditorFrm {
 public:
  explicit TNumberTableFrm(std::vector<double>& values) : TTableEditorFrm(nullptr, "Table", true), values_(values) {
    // Shown without a modal loop from the stack here: a lost activation must not free it.
    SetReleaseOnDeactivate(false);
    RefreshGrid();
  }
  void RefreshGrid() override {
    ++Refreshes;
    sgList->SetRowCount(static_cast<int>(values_.size()) + 1);
    sgList->SetColCount(Columns);
    ArrangeFrame(8);
    PlaceGrid(ui::Rect(6, 38, 150, 38 + 5 * 27), 20, 60);
    for (size_t i = 0; i < values_.size(); ++i) {
      sgList->SetCell(0, static_cast<int>(i) + 1, IntToText(static_cast<long long>(i) + 1));
      for (int c = 1; c < Columns; ++c) sgList->SetCell(c, static_cast<int>(i) + 1, FloatToText(values_[i]));
    }
  }
  int Refreshes = 0;
  int Columns = 2;

 protected:
  bool CellEditor(int, int record, TCellEditor& editor) override {
    editor.Caption = "Value";
    editor.UnitKind = ukNone;
    editor.Getter = [this, record] { return values_[static_cast<size_t>(record)]; };
    editor.Setter = [this, record](double v) { values_[static_cast<size_t>(record)] = v; };
    return true;
  }

 private:
  std::vector<double>& values_;
};

class TableEditorFrame : public WidgetTest {
 protected:
  TableEditorFrame() : WidgetTest(12, 7) {}
};

TEST_F(TableEditorFrame, TheNumberColumnAndTheHeaderOpenNothing) {
  std::vector<double> values{1, 2, 3};
  TNumberTableFrm editor(values);
  editor.Show();
  // No modal run is scripted: a keypad here would be a failure of the test.
  for (auto [column, row] : {std::pair{0, 1}, std::pair{0, 2}}) {
    editor.sgList->SetCurrent(column, row);
    Driver().DoubleClick(*editor.sgList, 5, 27 * row + 5);
  }
  editor.sgListDblClick();  // column 0 is current
  EXPECT_EQ(0u, Driver().PendingModalActions());
  EXPECT_EQ((std::vector<double>{1, 2, 3}), values);
  editor.Hide();
}

TEST_F(TableEditorFrame, TypedCharactersOpenTheKeypadWithThemAsTheFirstKey) {
  std::vector<double> values{4.5, 2, 3};
  TNumberTableFrm editor(values);
  editor.Show();
  editor.sgList->SetCurrent(1, 1);
  struct Case {
    const char* typed;
    const char* shown;
  };
  for (const Case& c : {Case{"7", "7"}, Case{",", "0."}, Case{".", "0."}, Case{"-", "-4.5"}}) {
    std::string shown;
    std::string title;
    Driver().OnNextModal([&](ui::Form& form) {
      auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
      title = keypad.Title;
      shown = keypad.CommonEdit->Text();
      Driver().Press(*keypad.btCancel);
    });
    Driver().Type(*editor.sgList, c.typed);
    EXPECT_EQ(c.shown, shown) << c.typed;
    EXPECT_EQ("Value", title);
  }
  // The digit goes on as the value: Ok stores it.
  Driver().OnNextModal([&](ui::Form& form) {
    auto& keypad = static_cast<TDigitalKeyboardFrm&>(form);
    Driver().Key(*keypad.CommonEdit, ui::vk::Return);
  });
  Driver().Type(*editor.sgList, "7");
  EXPECT_EQ(7, values[0]);
  EXPECT_EQ("7", editor.sgList->Cell(1, 1));

  // Without the digital panel nothing opens, neither by typing nor by a double click.
  Look().UseDigitalPanel = false;
  Driver().Type(*editor.sgList, "5");
  editor.sgListDblClick();
  EXPECT_EQ(7, values[0]);
  editor.Hide();
}

TEST_F(TableEditorFrame, OnlyDigitsSignsAndDecimalPointsOpenTheKeypad) {
  std::vector<double> values{1};
  TNumberTableFrm editor(values);
  editor.Show();
  editor.sgList->SetCurrent(1, 1);
  const std::u32string opening = U"0123456789-.,";
  int opened = 0;
  const auto feed = [&](char32_t c) {
    const bool opens = opening.find(c) != std::u32string::npos;
    if (opens) {
      Driver().OnNextModal([&](ui::Form& form) {
        ++opened;
        form.SetModalResult(ui::mrCancel);
      });
    }
    char32_t key = c;
    editor.sgListKeyPress(key);
    EXPECT_EQ(0u, Driver().PendingModalActions()) << "character " << static_cast<unsigned>(c);
  };
  for (unsigned b = 0; b < 256; ++b) feed(static_cast<char32_t>(b));
  EXPECT_EQ(13, opened);
  std::mt19937 random(22);
  std::uniform_int_distribution<unsigned> any(0, 0x10FFFF);
  for (int i = 0; i < 2000; ++i) feed(static_cast<char32_t>(any(random)));
  EXPECT_EQ((std::vector<double>{1}), values);
  editor.Hide();
}

TEST_F(TableEditorFrame, ADragOfMoreThanTenPixelsScrollsOneLine) {
  std::vector<double> values(30, 1.0);
  TNumberTableFrm editor(values);
  editor.Columns = 6;
  editor.RefreshGrid();
  editor.Show();
  auto& grid = *editor.sgList;
  ASSERT_EQ(1, grid.TopRow());
  const int thumbTop = editor.VScrollShape->Top();
  // A line up when the pointer went more than 10 pixels up, down when it went down.
  Driver().Drag(grid, 50, 100, 0, 10, 1);
  EXPECT_EQ(1, grid.TopRow());
  Driver().Drag(grid, 50, 100, 0, -11, 1);
  EXPECT_EQ(1, grid.TopRow()) << "already at the top";
  Driver().Drag(grid, 50, 100, 0, 11, 1);
  EXPECT_EQ(2, grid.TopRow());
  EXPECT_GT(editor.VScrollShape->Top(), thumbTop);
  // Each line moves the stored point: 33 pixels in three steps of 11 are three lines.
  Driver().Drag(grid, 50, 60, 0, 33, 3);
  EXPECT_EQ(5, grid.TopRow());
  // Sideways the same.
  const int left = grid.LeftCol();
  Driver().Drag(grid, 60, 50, 10, 0, 1);
  EXPECT_EQ(left, grid.LeftCol());
  Driver().Drag(grid, 60, 50, 11, 0, 1);
  EXPECT_EQ(left + 1, grid.LeftCol());
  // A move with no button held scrolls nothing.
  Driver().Press(grid, 50, 100);
  Driver().Move(grid, 50, 50);
  EXPECT_EQ(5, grid.TopRow());
  editor.Hide();
}

TEST_F(TableEditorFrame, SaveAndRestoreRefreshTheGridWhateverTheBrowserAnswers) {
  std::vector<double> values{1};
  TNumberTableFrm editor(values);
  editor.Show();
  int writes = 0;
  int reads = 0;
  for (int i = 0; i < 2; ++i) {
    Driver().OnNextModal([&](ui::Form& browser) { Driver().Press(Driver().Get("btCancel", &browser)); });
  }
  const int before = editor.Refreshes;
  EXPECT_FALSE(editor.SaveTable("Save", 6, ".seg", [&](const std::string&) { ++writes; }));
  EXPECT_FALSE(editor.RecallTable("Recall", 6, [&](const std::string&) { ++reads; }));
  EXPECT_EQ(0, writes + reads);
  EXPECT_GE(editor.Refreshes, before + 2);
  EXPECT_TRUE(editor.Visible());
  editor.Hide();
}

}  // namespace
