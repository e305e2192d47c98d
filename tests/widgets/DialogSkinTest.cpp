// The layout grid of the touch dialogs, the form skin, the list cells and the scroll thumbs,
// with Margin 6 and FieldHeight 30.
#include <gtest/gtest.h>

#include <vector>

#include "WidgetTest.h"
#include "model/EAbort.h"
#include "platform/ui/Form.h"
#include "platform/ui/Panel.h"
#include "platform/ui/RecordingCanvas.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

using ui::Rect;
using Rec = ui::RecordingCanvas;

class DialogSkin : public WidgetTest {};

TEST_F(DialogSkin, ButtonGridCellsAndSquares) {
  ASSERT_EQ(Look().Margin, 6);
  ASSERT_EQ(Look().FieldHeight, 30);
  struct Case {
    int row, width, column, columns, square;
    Rect expected;
  };
  const std::vector<Case> cases = {
      {2, 372, 2, 3, 0, Rect(128, 42, 244, 72)},   // cell width 116
      {2, 372, 2, 3, 20, Rect(219, 47, 239, 67)},  // a square at the cell's right end
      {2, 372, 2, 3, 1, Rect(128, 42, 244, 72)},   // below 2 is no square
      {1, 320, 1, 2, 0, Rect(6, 6, 157, 36)},      // two columns of 151
      {1, 320, 2, 2, 0, Rect(163, 6, 314, 36)},
      {3, 320, 1, 1, 0, Rect(6, 78, 314, 108)},    // one column: m .. W - m
      {1, 320, 1, 0, 0, Rect(6, 6, 314, 36)},      // no columns counts as one
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetButtonGridRect(c.row, c.width, c.column, c.columns, c.square), c.expected)
        << c.row << " " << c.width << " " << c.column << "/" << c.columns << " " << c.square;
  }
  EXPECT_EQ(GetButtonGridRectBelow(228, 1, 372, 2, 2, 0), Rect(189, 234, 366, 264));
  EXPECT_EQ(GetButtonGridRectBelow(228, 2, 372, 2, 3, 20), Rect(219, 275, 239, 295));
}

TEST_F(DialogSkin, CaptionPanelsShareTheRectangle) {
  ui::Form form;
  auto* caption = new ui::Panel(&form);
  auto* value = new ui::Panel(&form);
  value->SetAlignment(ui::Alignment::Right);
  PlaceCaptionPanels(*caption, *value, Rect(6, 42, 366, 73));  // 31 high
  EXPECT_EQ(caption->BoundsRect(), Rect(6, 42, 366, 57));
  EXPECT_EQ(value->BoundsRect(), Rect(6, 57, 366, 72));
  EXPECT_EQ(value->GetAlignment(), ui::Alignment::Left);

  // A control that is not a panel is left where it is.
  auto* button = new TLbButton(&form);
  button->SetBounds(1, 2, 3, 4);
  PlaceCaptionPanels(*button, *value, Rect(0, 0, 100, 60));
  EXPECT_EQ(button->BoundsRect(), Rect(1, 2, 4, 6));
  EXPECT_EQ(value->BoundsRect(), Rect(0, 30, 100, 60));
}

TEST_F(DialogSkin, ListGridPlaceAndRowCounter) {
  ui::Form form;
  auto* grid = new TEmiStringGrid(&form);
  grid->SetRowCount(5);
  int counter = 3;
  const Rect r = PlaceListGrid(*grid, counter, 5, false, 372);
  EXPECT_EQ(r, Rect(6, 78, 366, 228));
  EXPECT_EQ(counter, 1);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(grid->RowHeight(row), 29) << row;
  grid->SetRowCount(7);
  EXPECT_EQ(grid->RowHeight(6), 29) << "rows added later get the same height";

  // The rows of the grid with their lines fill it exactly.
  grid->SetFixedRows(0);
  grid->SetRowCount(5);
  grid->SetBoundsRect(r);
  EXPECT_EQ(grid->VisibleRowCount(), 5);

  counter = 1;
  EXPECT_EQ(PlaceListGrid(*grid, counter, 3, true, 372), Rect(6, 6, 354, 96));
}

TEST_F(DialogSkin, FormSkinPaintsARoundedFrameAndCutsTheCorners) {
  ui::Form form;
  form.SetBounds(0, 0, 200, 100);
  form.SetColor(0x444444);
  int paints = 0;
  form.OnPaint = [&paints](ui::Control& f) {
    ++paints;
    PaintFormSkin(f);
  };
  form.PaintNow();
  const ui::Canvas& c = form.KeptCanvas();
  EXPECT_EQ(c.Pixel(100, 0), 0x888888u);
  EXPECT_EQ(c.Pixel(0, 50), 0x888888u);
  EXPECT_EQ(c.Pixel(199, 50), 0x222222u);
  EXPECT_EQ(c.Pixel(100, 99), 0x222222u);
  EXPECT_EQ(c.Pixel(100, 50), 0x444444u);
  EXPECT_EQ(c.Pixel(0, 0), 0x800080u);
  EXPECT_EQ(c.Pixel(199, 99), 0x800080u);
  EXPECT_TRUE(form.TransparentColor());
  EXPECT_FALSE(form.InMask(0, 0));
  EXPECT_FALSE(form.InMask(199, 0));
  EXPECT_TRUE(form.InMask(100, 50));
  EXPECT_TRUE(form.InMask(100, 0));
  EXPECT_EQ(Look().MeasureBitmap.Width(), 200);
  EXPECT_EQ(Look().MeasureBitmap.Height(), 100);

  // Shown, the skin settles after a few paints instead of asking for more forever.
  form.Show();
  Driver().ProcessEvents();
  const int settled = paints;
  Driver().ProcessEvents();
  EXPECT_EQ(paints, settled);
  EXPECT_LE(settled, 4);
}

TEST_F(DialogSkin, FormSkinLeavesOtherControlsAlone) {
  ui::Form form;
  form.SetBounds(0, 0, 200, 100);
  auto* panel = new ui::Panel(&form);
  panel->SetBounds(0, 0, 50, 20);
  panel->SetColor(0x00FF00);
  panel->PaintNow();
  PaintFormSkin(*panel);
  EXPECT_EQ(panel->KeptCanvas().Pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(Look().MeasureBitmap.Width(), 100);
  EXPECT_FALSE(form.TransparentColor());
}

TEST_F(DialogSkin, GridCellFitsOnOneLineOrWraps) {
  ui::Form form;
  auto* grid = new TEmiStringGrid(&form);
  grid->SetBounds(0, 0, 101, 200);
  grid->SetColCount(1);
  grid->SetFixedCols(0);
  grid->SetRowCount(4);
  grid->SetFixedRows(1);
  grid->SetDefaultColWidth(100);
  grid->SetDefaultRowHeight(40);
  grid->SetFixedColor(0x00FFFF);
  grid->SetCellsColor(0xFFFFFF);
  grid->SetFont(ui::Font("Tahoma", 9, 0x112233));
  grid->SetDefaultDrawing(false);
  grid->OnDrawCell = [](TEmiStringGrid& g, int c, int r, const Rect& rect, TGridDrawState s) {
    DrawGridCell(g, c, r, rect, s);
  };
  grid->SetCell(0, 0, "Title");
  grid->SetCell(0, 1, "A&&B");                   // 28 px: fits in 100 - 12
  grid->SetCell(0, 2, "one two three four");     // 126 px: wraps within 88
  grid->SetCell(0, 3, "twelve chars");           // 84 px: fits
  grid->SetRow(2);

  Rec rec(101, 200, 12, 7);
  grid->PaintTo(rec);
  std::vector<Rec::Call> texts = rec.CallsOf(Rec::Op::Text);
  ASSERT_EQ(texts.size(), 5u);
  // Row 0 (fixed, 0..40): one line, 6 in, (40 - 12) / 2 down.
  EXPECT_EQ(texts[0].text, "Title");
  EXPECT_EQ(texts[0].points.at(0), ui::Point(6, 14));
  EXPECT_EQ(texts[0].font.Color, 0x112233u);
  EXPECT_EQ(texts[1].text, "A&B");
  EXPECT_EQ(texts[1].points.at(0), ui::Point(6, 41 + 14));
  // Row 2 (82..122) is selected: wrapped from its top, light grey.
  EXPECT_EQ(texts[2].text, "one two");
  EXPECT_EQ(texts[2].points.at(0), ui::Point(6, 82));
  EXPECT_EQ(texts[3].text, "three four");
  EXPECT_EQ(texts[3].points.at(0), ui::Point(6, 94));
  EXPECT_EQ(texts[3].font.Color, 0xC0C0C0u);
  EXPECT_EQ(texts[4].text, "twelve chars");
  EXPECT_EQ(texts[4].points.at(0), ui::Point(6, 123 + 14));

  // The backgrounds: fixed, plain, selected, plain.
  std::vector<ui::TColor> fills;
  for (const Rec::Call& call : rec.CallsOf(Rec::Op::FillRect)) {
    if (call.rect.Height() == 40) fills.push_back(call.brush.Color);
  }
  EXPECT_EQ(fills, (std::vector<ui::TColor>{0x00FFFF, 0xFFFFFF, 0x2F2F2F, 0xFFFFFF}));
}

TEST_F(DialogSkin, RowThumbFollowsTheTopRow) {
  ui::Form form;
  auto* grid = new TEmiStringGrid(&form);
  grid->SetColCount(1);
  grid->SetFixedCols(0);
  grid->SetDefaultRowHeight(29);  // 30 with its line
  grid->SetRowCount(10);
  grid->SetBounds(10, 20, 100, 330);  // the fixed row and ten more
  EXPECT_EQ(GetGridRowThumb(*grid), (TThumb{20, 330})) << "all rows visible";

  grid->SetRowCount(100);
  EXPECT_EQ(grid->VisibleRowCount(), 10);
  EXPECT_EQ(GetGridRowThumb(*grid), (TThumb{20, 36}));  // 11 / 100 of 330
  grid->SetTopRow(50);
  EXPECT_EQ(GetGridRowThumb(*grid), (TThumb{181, 36})) << "halfway down, near the middle";
  grid->SetTopRow(1000);
  EXPECT_EQ(grid->TopRow(), 90);
  EXPECT_EQ(GetGridRowThumb(*grid), (TThumb{313, 36}));

  ui::Panel panel(&form);
  EXPECT_FALSE(GetGridRowThumb(panel).has_value());
  EXPECT_FALSE(GetGridColThumb(panel).has_value());
}

TEST_F(DialogSkin, ColumnThumbFollowsTheLeftColumn) {
  // As in the table editors: no fixed column.
  ui::Form form;
  auto* grid = new TEmiStringGrid(&form);
  grid->SetFixedCols(0);
  grid->SetColCount(10);
  grid->SetDefaultColWidth(50);  // 51 with its line
  grid->SetBounds(5, 0, 200, 100);
  EXPECT_EQ(grid->VisibleColCount(), 3);
  EXPECT_EQ(GetGridColThumb(*grid), (TThumb{5, 60}));
  grid->SetLeftCol(5);
  EXPECT_EQ(GetGridColThumb(*grid), (TThumb{105, 60}));

  grid->SetColCount(3);
  EXPECT_EQ(grid->LeftCol(), 0);
  EXPECT_EQ(GetGridColThumb(*grid), (TThumb{5, 200})) << "all columns visible";
}

TEST_F(DialogSkin, RoutinesNeedTheDisplayLook) {
  ViewProperties = nullptr;
  EXPECT_THROW(GetButtonGridRect(1, 300, 1, 1, 0), EAbort);
  ui::Form form;
  form.SetBounds(0, 0, 50, 50);
  EXPECT_THROW(PaintFormSkin(form), EAbort);
}

}  // namespace
