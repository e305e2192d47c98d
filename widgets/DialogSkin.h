#pragma once
// The one look and layout grid of every touch dialog, from the display look's Margin (m) and
// FieldHeight (h): a caption panel over its value panel, the cells of a button grid, the
// place of a list grid, the rounded frame of a borderless form, the drawing of a list cell and
// the scroll thumbs beside a list, and the making of a list grid and its thumbs. Rows and
// columns count from 1; divisions truncate. Every routine that places or draws reads the
// global ViewProperties, which must exist (EAbort otherwise).
#include <functional>
#include <optional>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Geometry.h"
#include "widgets/EmiStringGrid.h"

namespace ui {
class Shape;
}

// The upper half of the rectangle to the caption panel, the lower half to the value panel,
// whose text becomes left-aligned. A control that is not a panel is left alone.
void PlaceCaptionPanels(ui::Control& caption, ui::Control& value, const ui::Rect& rect);

// Cell `column` of `columnCount` in row `row` of a dialog `formWidth` wide; with square >= 2 a
// square of that side at the cell's right end, centred vertically.
ui::Rect GetButtonGridRect(int row, int formWidth, int column, int columnCount, int square);
// The same, moved down by top (the rows under a list grid, top = the grid's bottom).
ui::Rect GetButtonGridRectBelow(int top, int row, int formWidth, int column, int columnCount, int square);

// The rectangle of a list grid of rowCount rows that starts at layout row rowCounter; every grid
// row becomes h - 1 high (its line makes it h). rowCounter becomes 1: the rows after the grid
// count again from 1 below it. narrow leaves 4m instead of 2m of the width (a scroll thumb).
ui::Rect PlaceListGrid(TEmiStringGrid& grid, int& rowCounter, int rowCount, bool narrow, int formWidth);

// The rounded dark frame of a borderless dialog, composed on the display look's MeasureBitmap
// and copied onto the form's canvas; the key colour 0x800080 outside the frame is cut out of
// the window. Nothing for a control that is not a form.
void PaintFormSkin(ui::Control& form);

// One cell of a list grid (its OnDrawCell): fixed, selected (light grey on dark grey) or plain
// (CellsColor); a text that fits stays on one line, centred vertically, else it is word-wrapped
// from the top, one margin in from the sides.
void DrawGridCell(TEmiStringGrid& grid, int column, int row, const ui::Rect& rect, TGridDrawState state);

// A list grid named "sgList" whose rows are picked whole, drawn by DrawGridCell on white, with
// afterCell run after each cell (where the form moves its scroll thumb); vertLines draws the
// lines between its columns too.
TEmiStringGrid* MakeListGrid(QWidget* parent, int columns, int fixedRows, bool vertLines,
                             std::function<void()> afterCell);
// A scroll thumb beside a list grid: a silver shape edged in the given colour.
ui::Shape* MakeGridThumb(QWidget* parent, const std::string& name, ui::TColor edge = ui::clSilver);

// The place of a scroll thumb beside a list grid, in the coordinates of the grid's parent.
struct TThumb {
  int Position = 0;
  int Length = 0;
  bool operator==(const TThumb&) const = default;
};
// Vertical (top and height) and horizontal (left and width); nothing unless the control is a
// TEmiStringGrid.
std::optional<TThumb> GetGridRowThumb(const ui::Control& grid);
std::optional<TThumb> GetGridColThumb(const ui::Control& grid);
