// The string grid: alignment rules, geometry and scrolling, input, owner drawing and its own
// drawing.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "WidgetTest.h"
#include "platform/ui/Form.h"
#include "platform/ui/RecordingCanvas.h"
#include "widgets/EmiStringGrid.h"

namespace {

using ui::Rect;
using Rec = ui::RecordingCanvas;
using A = TCellAlignment;

class EmiStringGrid : public WidgetTest {
 protected:
  // A grid of cols x rows cells of 50 x 20 (51 x 21 with the lines) on a form.
  TEmiStringGrid* Make(int cols, int rows, int width, int height) {
    auto* g = new TEmiStringGrid(&form_);
    g->SetColCount(cols);
    g->SetRowCount(rows);
    g->SetDefaultColWidth(50);
    g->SetDefaultRowHeight(20);
    g->SetBounds(0, 0, width, height);
    return g;
  }
  // Hidden first, so no late paint reaches a handler that captured a test's locals.
  void TearDown() override {
    form_.Hide();
    WidgetTest::TearDown();
  }

  ui::Form form_;
};

TEST_F(EmiStringGrid, AlignmentAndMultiLineRules) {
  struct Case {
    A alignment;
    A afterWrapOn;      // switching multi-line on moves it to the top of the same side
    bool keepsWrapping;  // choosing it while multi-line is on
  };
  const std::vector<Case> cases = {
      {A::caTopLeft, A::caTopLeft, true},          {A::caTopCenter, A::caTopCenter, true},
      {A::caTopRight, A::caTopRight, true},        {A::caMiddleLeft, A::caTopLeft, false},
      {A::caCenter, A::caTopCenter, false},        {A::caMiddleRight, A::caTopRight, false},
      {A::caBottomLeft, A::caTopLeft, false},      {A::caBottomCenter, A::caTopCenter, false},
      {A::caBottomRight, A::caTopRight, false},
  };
  for (const Case& c : cases) {
    TEmiStringGrid grid;
    grid.SetDefaultCellsAlignment(c.alignment);
    EXPECT_FALSE(grid.DefaultMultiLineCells());
    grid.SetDefaultMultiLineCells(true);
    EXPECT_EQ(grid.DefaultCellsAlignment(), c.afterWrapOn) << static_cast<int>(c.alignment);
    EXPECT_TRUE(grid.DefaultMultiLineCells());

    TEmiStringGrid wrapping;
    wrapping.SetDefaultMultiLineCells(true);
    wrapping.SetDefaultCellsAlignment(c.alignment);
    EXPECT_EQ(wrapping.DefaultCellsAlignment(), c.alignment);
    EXPECT_EQ(wrapping.DefaultMultiLineCells(), c.keepsWrapping) << static_cast<int>(c.alignment);
  }
  TEmiStringGrid grid;
  EXPECT_EQ(grid.DefaultCellsAlignment(), A::caTopLeft);
  grid.SetDefaultMultiLineCells(true);
  grid.SetDefaultMultiLineCells(false);
  EXPECT_EQ(grid.DefaultCellsAlignment(), A::caTopLeft);
}

TEST_F(EmiStringGrid, FullyVisibleRowsAndColumns) {
  struct Case {
    int height;
    int fixedRows;
    bool lines;
    int visible;
  };
  const std::vector<Case> cases = {
      {105, 0, true, 5},   // 5 x 21 exactly
      {104, 0, true, 5},   // the last line may be cut off
      {103, 0, true, 4},   // the last row itself may not
      {105, 1, true, 4},
      {100, 0, false, 5},  // no lines: rows of 20
      {10, 1, true, 0},
  };
  for (const Case& c : cases) {
    TEmiStringGrid* g = Make(1, 20, 51, c.height);
    g->SetFixedCols(0);
    g->SetFixedRows(c.fixedRows);
    g->SetHorzLines(c.lines);
    EXPECT_EQ(g->VisibleRowCount(), c.visible) << c.height << " " << c.fixedRows << " " << c.lines;
  }
  TEmiStringGrid* g = Make(6, 2, 160, 50);
  EXPECT_EQ(g->VisibleColCount(), 2) << "the fixed column takes 51 of 160";
  g->SetColWidth(1, 10);
  g->SetColWidth(2, 10);
  EXPECT_EQ(g->VisibleColCount(), 3);
}

TEST_F(EmiStringGrid, LineScrollingStopsAtTheEndsAndKeepsTheCurrentCell) {
  TEmiStringGrid* g = Make(2, 10, 102, 105);  // the fixed row and four more in view
  EXPECT_EQ(g->TopRow(), 1);
  EXPECT_EQ(g->VisibleRowCount(), 4);
  g->ScrollLineUp();
  EXPECT_EQ(g->TopRow(), 1);
  for (int i = 0; i < 10; ++i) g->ScrollLineDown();
  EXPECT_EQ(g->TopRow(), 6) << "rows 6..9 fill the view";
  EXPECT_EQ(g->Row(), 1);
  g->ScrollLineUp();
  EXPECT_EQ(g->TopRow(), 5);

  // Moving the current cell brings it into view.
  g->SetRow(2);
  EXPECT_EQ(g->TopRow(), 2);
  g->SetRow(9);
  EXPECT_EQ(g->TopRow(), 6);
  g->SetRow(0);
  EXPECT_EQ(g->Row(), 1) << "the fixed row cannot be current";
  EXPECT_EQ(g->TopRow(), 1);

  // A grid made taller shows more and scrolls back where it must.
  g->SetRow(9);
  g->SetBounds(0, 0, 102, 400);
  EXPECT_EQ(g->TopRow(), 1);

  // Columns.
  TEmiStringGrid* h = Make(8, 2, 160, 50);
  h->ScrollLineRight();
  h->ScrollLineRight();
  EXPECT_EQ(h->LeftCol(), 3);
  for (int i = 0; i < 10; ++i) h->ScrollLineRight();
  EXPECT_EQ(h->LeftCol(), 6);
  h->ScrollLineLeft();
  EXPECT_EQ(h->LeftCol(), 5);
  EXPECT_EQ(h->Col(), 1);
}

TEST_F(EmiStringGrid, CellsTitlesAndSizes) {
  TEmiStringGrid* g = Make(3, 3, 200, 200);
  g->SetCell(2, 2, "kept");
  g->SetRowTitles({"", " LF", " CAL", " extra", " more"});
  g->SetColTitles({"", "15", "14", "13"});
  EXPECT_EQ(g->Cell(0, 1), " LF");
  EXPECT_EQ(g->Cell(0, 2), " CAL");
  EXPECT_EQ(g->Cell(2, 0), "14");
  g->SetRowCount(5);
  g->SetColCount(4);
  EXPECT_EQ(g->Cell(2, 2), "kept");
  EXPECT_EQ(g->Cell(0, 3), "") << "titles are copied when set";
  g->SetRowTitles(g->RowTitles());
  g->SetColTitles(g->ColTitles());
  EXPECT_EQ(g->Cell(0, 4), " more");
  EXPECT_EQ(g->Cell(3, 0), "13");
  EXPECT_EQ(g->Cell(9, 9), "");
  g->SetCell(9, 9, "nowhere");
  EXPECT_EQ(g->RowHeight(4), 20);
  EXPECT_EQ(g->RowHeight(5), 0);
  g->SetRowCount(1);
  EXPECT_EQ(g->FixedRows(), 0) << "one row is left to scroll";
  EXPECT_EQ(g->Row(), 0);
  g->SetRowCount(0);
  EXPECT_EQ(g->RowCount(), 1);
}

TEST_F(EmiStringGrid, PressSelectsClickAndDoubleClickAndKeysArrive) {
  TEmiStringGrid* g = Make(3, 6, 153, 126);
  form_.SetBounds(0, 0, 200, 200);
  form_.Show();
  std::vector<std::string> log;
  g->OnMouseDown = [&](ui::Control&, ui::MouseButton, ui::ShiftState shift, int, int) {
    log.push_back("down " + std::to_string(g->Col()) + "," + std::to_string(g->Row()) +
                  ((shift & ui::ssDouble) ? " double" : ""));
  };
  g->OnClick = [&](ui::Control&) { log.push_back("click"); };
  g->OnDblClick = [&](ui::Control&) { log.push_back("dblclick"); };
  g->OnKeyPress = [&](ui::Control&, char32_t& ch) { log.push_back(std::string("key ") + static_cast<char>(ch)); };

  Driver().Click(*g, 60, 50);  // column 1, row 2: selected before the handler runs
  EXPECT_EQ(g->Col(), 1);
  EXPECT_EQ(g->Row(), 2);
  Driver().Click(*g, 110, 5);  // the fixed row selects nothing
  EXPECT_EQ(g->Row(), 2);
  Driver().DoubleClick(*g, 110, 70);
  EXPECT_EQ(g->Col(), 2);
  EXPECT_EQ(g->Row(), 3);
  Driver().Key(*g, '7');
  Driver().Key(*g, ui::vk::Down);
  EXPECT_EQ(g->Row(), 4);
  Driver().Key(*g, ui::vk::Left);
  EXPECT_EQ(g->Col(), 1);
  Driver().Key(*g, ui::vk::End);
  EXPECT_EQ(g->Row(), 5);
  EXPECT_EQ(log, (std::vector<std::string>{"down 1,2", "click", "down 1,2", "click", "down 2,3", "click", "dblclick",
                                           "down 2,3 double", "key 7"}));
  EXPECT_TRUE(g->Focused());
  int c = 0;
  int r = 0;
  EXPECT_FALSE(g->MouseToCell(153, 10, c, r)) << "outside the grid";
  EXPECT_TRUE(g->MouseToCell(50, 20, c, r)) << "a line belongs to the cell before it";
  EXPECT_EQ(std::make_pair(c, r), std::make_pair(0, 0));
}

TEST_F(EmiStringGrid, OwnerDrawingSeesEachCellInViewWithItsState) {
  TEmiStringGrid* g = Make(3, 10, 153, 84);  // the fixed row and three more
  form_.SetBounds(0, 0, 200, 200);
  form_.Show();
  g->SetDefaultDrawing(false);
  g->SetRowSelect(true);
  g->ScrollLineDown();
  g->SetRow(3);
  std::map<std::pair<int, int>, std::pair<TGridDrawState, Rect>> seen;
  g->OnDrawCell = [&](TEmiStringGrid&, int c, int r, const Rect& rect, TGridDrawState s) { seen[{c, r}] = {s, rect}; };
  g->SetFocus();
  Rec rec(153, 84);
  g->PaintTo(rec);
  EXPECT_EQ(seen.size(), 12u) << "rows 0, 2, 3, 4 of three columns";
  EXPECT_EQ(seen.count({0, 1}), 0u) << "scrolled out";
  EXPECT_EQ(seen.at({0, 0}).first, gdFixed);
  EXPECT_EQ(seen.at({0, 3}).first, gdFixed);
  EXPECT_EQ(seen.at({1, 3}).first, gdSelected | gdFocused);
  EXPECT_EQ(seen.at({2, 3}).first, gdSelected) << "the whole row, the focus only on the current cell";
  EXPECT_EQ(seen.at({2, 4}).first, 0u);
  EXPECT_EQ(seen.at({2, 2}).second, Rect(102, 21, 152, 41));
  EXPECT_EQ(g->CellRect(2, 2), Rect(102, 21, 152, 41));
  EXPECT_EQ(g->CellRect(2, 1), Rect());
}

TEST_F(EmiStringGrid, OwnDrawingColoursSelectionAndClosingLines) {
  TEmiStringGrid* g = Make(2, 3, 120, 80);
  g->SetFixedColor(0x00FFFF);
  g->SetCellsColor(0xEEEEEE);
  g->SetCell(1, 2, "x");
  int asked = 0;
  g->OnGetCellColor = [&asked](TEmiStringGrid&, int row, int col, TGridDrawState, A&, bool&, ui::Brush& brush,
                               ui::Font&) {
    ++asked;
    if (row == 2 && col == 1) brush.Color = 0x0000FF;
  };
  g->PaintNow();
  const ui::Canvas& c = g->KeptCanvas();
  EXPECT_EQ(c.Pixel(25, 10), 0x00FFFFu) << "fixed";
  EXPECT_EQ(c.Pixel(80, 52), 0x0000FFu) << "changed by the owner";
  EXPECT_EQ(c.Pixel(51, 21), 0x800000u) << "selected: outer frame";
  EXPECT_EQ(c.Pixel(52, 22), 0x800000u) << "selected: inner frame";
  EXPECT_EQ(c.Pixel(53, 23), 0xEEEEEEu);
  EXPECT_EQ(c.Pixel(101, 30), 0x000000u) << "after the last column";
  EXPECT_EQ(c.Pixel(30, 62), 0x000000u) << "after the last row";
  EXPECT_EQ(c.Pixel(50, 30), ui::clSilver) << "a line between columns";
  EXPECT_EQ(c.Pixel(110, 70), ui::clWhite) << "beyond the cells: the grid's colour";
  EXPECT_EQ(asked, 6);
}

TEST_F(EmiStringGrid, OwnDrawingPlacesTextByAlignment) {
  struct Case {
    A alignment;
    bool multiLine;
    std::vector<ui::Point> at;
  };
  // Cell (1, 1) is 51..101 x 21..61 (a 40-high row); its text box 53..99 x 23..59; "ab" is 14
  // wide and 12 high, "aaaa bbbb" 63 wide.
  const std::vector<Case> cases = {
      {A::caTopLeft, false, {{53, 23}}},  {A::caCenter, false, {{69, 35}}},
      {A::caBottomRight, false, {{85, 47}}}, {A::caTopCenter, true, {{62, 23}, {62, 35}}},
  };
  for (const Case& c : cases) {
    TEmiStringGrid* g = Make(2, 2, 102, 62);
    g->SetRowHeight(1, 40);
    g->SetDefaultCellsAlignment(c.alignment);
    g->SetDefaultMultiLineCells(c.multiLine);
    g->SetCell(1, 1, c.multiLine ? "aaaa bbbb" : "ab");
    Rec rec(102, 62);
    g->PaintTo(rec);
    std::vector<ui::Point> at;
    for (const Rec::Call& call : rec.CallsOf(Rec::Op::Text)) {
      if (!call.text.empty()) at.push_back(call.points.at(0));
    }
    EXPECT_EQ(at, c.at) << static_cast<int>(c.alignment);
  }
}

}  // namespace
