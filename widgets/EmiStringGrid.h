#pragma once
// The string grid of every list and table: an owner-drawn grid of text cells with fixed
// (title) rows and columns at the top and left, a current cell, line scrolling and no scroll
// bars. Lists and table editors draw their cells themselves (OnDrawCell with DefaultDrawing
// off); with DefaultDrawing on the grid draws each cell by its alignment and wrapping rules.
//
// Geometry: every column has a width and every row a height; a line of GridLineWidth pixels
// follows each column (VertLines) and each row (HorzLines). Fixed rows stay at the top and fixed
// columns at the left; the others scroll, starting at TopRow and LeftCol. A row or column counts
// as fully visible when it fits up to the line after it, which may be cut off.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/Canvas.h"
#include "platform/ui/Control.h"

// The state of a cell being drawn: a set of these flags.
using TGridDrawState = unsigned;
inline constexpr TGridDrawState gdSelected = 0x1;
inline constexpr TGridDrawState gdFocused = 0x2;
inline constexpr TGridDrawState gdFixed = 0x4;

enum class TCellAlignment {
  caTopLeft,
  caTopCenter,
  caTopRight,
  caMiddleLeft,
  caCenter,
  caMiddleRight,
  caBottomLeft,
  caBottomCenter,
  caBottomRight,
};

class TEmiStringGrid : public ui::Control {
  Q_OBJECT

 public:
  using TDrawCellEvent =
      std::function<void(TEmiStringGrid& sender, int column, int row, const ui::Rect& rect, TGridDrawState state)>;
  // Lets the owner change a cell's brush, font, alignment and wrapping before the grid draws it.
  using TGetCellColorEvent =
      std::function<void(TEmiStringGrid& sender, int row, int column, TGridDrawState state,
                         TCellAlignment& alignment, bool& multiLine, ui::Brush& brush, ui::Font& font)>;

  explicit TEmiStringGrid(QWidget* parent = nullptr);

  // --- size ---------------------------------------------------------------------------------
  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  int RowCount() const { return static_cast<int>(rowHeights_.size()); }
  // At least one column and one row; cells keep their texts where they remain.
  void SetColCount(int count);
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  // Limited to 0..count - 1. A change puts the view and the current cell back to the first
  // scrolling column (row).
  void SetFixedCols(int count);
  void SetFixedRows(int count);

  int DefaultColWidth() const { return defaultColWidth_; }
  int DefaultRowHeight() const { return defaultRowHeight_; }
  // Every column (row) takes the new default.
  void SetDefaultColWidth(int width);
  void SetDefaultRowHeight(int height);
  // 0 for an index outside the grid; setting one does nothing there.
  int ColWidth(int column) const;
  int RowHeight(int row) const;
  void SetColWidth(int column, int width);
  void SetRowHeight(int row, int height);
  int GridLineWidth() const { return lineWidth_; }
  void SetGridLineWidth(int width);
  bool HorzLines() const { return horzLines_; }
  bool VertLines() const { return vertLines_; }
  void SetHorzLines(bool on);
  void SetVertLines(bool on);
  // The whole current row is selected, not only the current cell.
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool on);

  // --- texts --------------------------------------------------------------------------------
  // Empty text outside the grid; setting a cell outside the grid does nothing.
  const std::string& Cell(int column, int row) const;
  void SetCell(int column, int row, const std::string& text);
  // Copied into column 0 (row titles) or row 0 (column titles) as far as the grid reaches.
  const std::vector<std::string>& RowTitles() const { return rowTitles_; }
  const std::vector<std::string>& ColTitles() const { return colTitles_; }
  void SetRowTitles(const std::vector<std::string>& titles);
  void SetColTitles(const std::vector<std::string>& titles);

  // --- current cell and scrolling ----------------------------------------------------------
  int Col() const { return col_; }
  int Row() const { return row_; }
  // Limited to the scrolling cells; scrolls the cell into view.
  void SetCol(int column) { SetCurrent(column, row_); }
  void SetRow(int row) { SetCurrent(col_, row); }
  void SetCurrent(int column, int row);
  int TopRow() const;
  int LeftCol() const;
  // Limited so that the last row (column) is not scrolled further up (left) than needed.
  void SetTopRow(int row);
  void SetLeftCol(int column);
  // Rows (columns) from TopRow (LeftCol) that are fully visible.
  int VisibleRowCount() const;
  int VisibleColCount() const;
  // One line of scrolling, as a scroll bar's arrows would; the current cell stays.
  void ScrollLineUp() { SetTopRow(TopRow() - 1); }
  void ScrollLineDown() { SetTopRow(TopRow() + 1); }
  void ScrollLineLeft() { SetLeftCol(LeftCol() - 1); }
  void ScrollLineRight() { SetLeftCol(LeftCol() + 1); }

  // The cell's rectangle in client coordinates; empty when it is not in view.
  ui::Rect CellRect(int column, int row) const;
  // The cell under a client point; false when there is none.
  bool MouseToCell(int x, int y, int& column, int& row) const;

  // --- look ---------------------------------------------------------------------------------
  ui::TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(ui::TColor color);
  // Background of the cells outside row 0 and column 0 in the grid's own drawing.
  ui::TColor CellsColor() const { return cellsColor_; }
  void SetCellsColor(ui::TColor color);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool on);
  TCellAlignment DefaultCellsAlignment() const { return alignment_; }
  // A middle or bottom alignment switches multi-line cells off.
  void SetDefaultCellsAlignment(TCellAlignment alignment);
  bool DefaultMultiLineCells() const { return multiLine_; }
  // Switching on moves a middle or bottom alignment to the top of the same side.
  void SetDefaultMultiLineCells(bool on);

  TDrawCellEvent OnDrawCell;
  TGetCellColorEvent OnGetCellColor;

 protected:
  void Paint(ui::Canvas& canvas) override;
  void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
  void KeyDown(int& key, ui::ShiftState shift) override;
  bool WantsKey(int key) const override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Where each column (row) of the axis starts on the screen, -1 when not in view.
  struct Axis {
    std::vector<int> start;
    int fullVisible = 0;  // scrolling cells fully in view
  };
  Axis HorzAxis() const;
  Axis VertAxis() const;
  Axis CalcAxis(const std::vector<int>& extents, int fixed, int first, int lineWidth, int clientExtent) const;
  int MaxTopRow() const;
  int MaxLeftCol() const;
  int MaxFirst(const std::vector<int>& extents, int fixed, int lineWidth, int clientExtent) const;
  int HorzLineWidth() const { return horzLines_ ? lineWidth_ : 0; }  // between rows
  int VertLineWidth() const { return vertLines_ ? lineWidth_ : 0; }  // between columns
  void ClampView();
  void ScrollIntoView();
  void DrawOwnCell(ui::Canvas& canvas, int column, int row, const ui::Rect& rect, TGridDrawState state);
  void Changed() { update(); }

  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  std::vector<std::vector<std::string>> cells_;  // [column][row]
  std::vector<std::string> rowTitles_;
  std::vector<std::string> colTitles_;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int lineWidth_ = 1;
  bool horzLines_ = true;
  bool vertLines_ = true;
  bool rowSelect_ = false;
  int col_ = 1;
  int row_ = 1;
  // As last set; read through TopRow() and LeftCol(), which keep them in range also while a
  // hidden grid has not yet had its resize event.
  int topRow_ = 1;
  int leftCol_ = 1;
  ui::TColor fixedColor_ = ui::clBtnFace;
  ui::TColor cellsColor_ = ui::clWhite;
  bool defaultDrawing_ = true;
  TCellAlignment alignment_ = TCellAlignment::caTopLeft;
  bool multiLine_ = false;
};
