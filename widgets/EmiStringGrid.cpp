#include "widgets/EmiStringGrid.h"

#include <QResizeEvent>
#include <algorithm>

namespace {

bool IsTopAlignment(TCellAlignment a) {
  return a == TCellAlignment::caTopLeft || a == TCellAlignment::caTopCenter || a == TCellAlignment::caTopRight;
}

// The top alignment of the same side.
TCellAlignment TopOf(TCellAlignment a) {
  switch (a) {
    case TCellAlignment::caMiddleLeft:
    case TCellAlignment::caBottomLeft: return TCellAlignment::caTopLeft;
    case TCellAlignment::caCenter:
    case TCellAlignment::caBottomCenter: return TCellAlignment::caTopCenter;
    case TCellAlignment::caMiddleRight:
    case TCellAlignment::caBottomRight: return TCellAlignment::caTopRight;
    default: return a;
  }
}

unsigned HorizontalFormat(TCellAlignment a) {
  switch (a) {
    case TCellAlignment::caTopCenter:
    case TCellAlignment::caCenter:
    case TCellAlignment::caBottomCenter: return ui::TextFormat::Center;
    case TCellAlignment::caTopRight:
    case TCellAlignment::caMiddleRight:
    case TCellAlignment::caBottomRight: return ui::TextFormat::Right;
    default: return ui::TextFormat::Left;
  }
}

unsigned VerticalFormat(TCellAlignment a) {
  switch (a) {
    case TCellAlignment::caMiddleLeft:
    case TCellAlignment::caCenter:
    case TCellAlignment::caMiddleRight: return ui::TextFormat::VCenter;
    case TCellAlignment::caBottomLeft:
    case TCellAlignment::caBottomCenter:
    case TCellAlignment::caBottomRight: return ui::TextFormat::Bottom;
    default: return ui::TextFormat::Top;
  }
}

constexpr ui::TColor kLineColor = ui::clSilver;
constexpr ui::TColor kClosingLineColor = ui::clBlack;
constexpr ui::TColor kSelectionFrameColor = 0x800000;

const std::string kNoText;

}  // namespace

TEmiStringGrid::TEmiStringGrid(QWidget* parent) : ui::Control(parent) {
  setFocusPolicy(Qt::StrongFocus);
  SetColor(ui::clWhite);
  colWidths_.assign(5, defaultColWidth_);
  rowHeights_.assign(5, defaultRowHeight_);
  cells_.assign(5, std::vector<std::string>(5));
}

// --- size ---------------------------------------------------------------------------------------

void TEmiStringGrid::SetColCount(int count) {
  count = std::max(count, 1);
  if (count == ColCount()) return;
  colWidths_.resize(static_cast<size_t>(count), defaultColWidth_);
  cells_.resize(static_cast<size_t>(count), std::vector<std::string>(rowHeights_.size()));
  if (fixedCols_ >= count) fixedCols_ = count - 1;
  ClampView();
  Changed();
}

void TEmiStringGrid::SetRowCount(int count) {
  count = std::max(count, 1);
  if (count == RowCount()) return;
  rowHeights_.resize(static_cast<size_t>(count), defaultRowHeight_);
  for (auto& column : cells_) column.resize(static_cast<size_t>(count));
  if (fixedRows_ >= count) fixedRows_ = count - 1;
  ClampView();
  Changed();
}

void TEmiStringGrid::SetFixedCols(int count) {
  count = std::clamp(count, 0, ColCount() - 1);
  if (count == fixedCols_) return;
  // The view and the current cell start again at the first scrolling column.
  fixedCols_ = count;
  leftCol_ = col_ = count;
  ClampView();
  Changed();
}

void TEmiStringGrid::SetFixedRows(int count) {
  count = std::clamp(count, 0, RowCount() - 1);
  if (count == fixedRows_) return;
  fixedRows_ = count;
  topRow_ = row_ = count;
  ClampView();
  Changed();
}

void TEmiStringGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::max(width, 0);
  std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
  ClampView();
  Changed();
}

void TEmiStringGrid::SetDefaultRowHeight(int height) {
  defaultRowHeight_ = std::max(height, 0);
  std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
  ClampView();
  Changed();
}

int TEmiStringGrid::ColWidth(int column) const {
  return column >= 0 && column < ColCount() ? colWidths_[static_cast<size_t>(column)] : 0;
}

int TEmiStringGrid::RowHeight(int row) const {
  return row >= 0 && row < RowCount() ? rowHeights_[static_cast<size_t>(row)] : 0;
}

void TEmiStringGrid::SetColWidth(int column, int width) {
  if (column < 0 || column >= ColCount()) return;
  colWidths_[static_cast<size_t>(column)] = std::max(width, 0);
  ClampView();
  Changed();
}

void TEmiStringGrid::SetRowHeight(int row, int height) {
  if (row < 0 || row >= RowCount()) return;
  rowHeights_[static_cast<size_t>(row)] = std::max(height, 0);
  ClampView();
  Changed();
}

void TEmiStringGrid::SetGridLineWidth(int width) {
  lineWidth_ = std::max(width, 0);
  ClampView();
  Changed();
}

void TEmiStringGrid::SetHorzLines(bool on) {
  horzLines_ = on;
  ClampView();
  Changed();
}

void TEmiStringGrid::SetVertLines(bool on) {
  vertLines_ = on;
  ClampView();
  Changed();
}

void TEmiStringGrid::SetRowSelect(bool on) {
  rowSelect_ = on;
  Changed();
}

// --- texts --------------------------------------------------------------------------------------

const std::string& TEmiStringGrid::Cell(int column, int row) const {
  if (column < 0 || column >= ColCount() || row < 0 || row >= RowCount()) return kNoText;
  return cells_[static_cast<size_t>(column)][static_cast<size_t>(row)];
}

void TEmiStringGrid::SetCell(int column, int row, const std::string& text) {
  if (column < 0 || column >= ColCount() || row < 0 || row >= RowCount()) return;
  cells_[static_cast<size_t>(column)][static_cast<size_t>(row)] = text;
  Changed();
}

void TEmiStringGrid::SetRowTitles(const std::vector<std::string>& titles) {
  rowTitles_ = titles;
  const size_t n = std::min(titles.size(), rowHeights_.size());
  for (size_t i = 0; i < n; ++i) cells_[0][i] = titles[i];
  Changed();
}

void TEmiStringGrid::SetColTitles(const std::vector<std::string>& titles) {
  colTitles_ = titles;
  const size_t n = std::min(titles.size(), colWidths_.size());
  for (size_t i = 0; i < n; ++i) cells_[i][0] = titles[i];
  Changed();
}

// --- geometry -----------------------------------------------------------------------------------

TEmiStringGrid::Axis TEmiStringGrid::CalcAxis(const std::vector<int>& extents, int fixed, int first, int lineWidth,
                                             int clientExtent) const {
  Axis axis;
  axis.start.assign(extents.size(), -1);
  int pos = 0;
  for (int i = 0; i < fixed; ++i) {
    if (pos < clientExtent) axis.start[static_cast<size_t>(i)] = pos;
    pos += extents[static_cast<size_t>(i)] + lineWidth;
  }
  bool full = true;
  for (int i = first; i < static_cast<int>(extents.size()) && pos < clientExtent; ++i) {
    axis.start[static_cast<size_t>(i)] = pos;
    pos += extents[static_cast<size_t>(i)] + lineWidth;
    // The line after the last cell may be cut off.
    if (full && pos <= clientExtent + lineWidth) {
      ++axis.fullVisible;
    } else {
      full = false;
    }
  }
  return axis;
}

TEmiStringGrid::Axis TEmiStringGrid::HorzAxis() const {
  return CalcAxis(colWidths_, fixedCols_, LeftCol(), VertLineWidth(), width());
}

TEmiStringGrid::Axis TEmiStringGrid::VertAxis() const {
  return CalcAxis(rowHeights_, fixedRows_, TopRow(), HorzLineWidth(), height());
}

int TEmiStringGrid::MaxFirst(const std::vector<int>& extents, int fixed, int lineWidth, int clientExtent) const {
  const int n = static_cast<int>(extents.size());
  if (n - 1 <= fixed) return fixed;
  int avail = clientExtent + lineWidth;
  for (int i = 0; i < fixed; ++i) avail -= extents[static_cast<size_t>(i)] + lineWidth;
  int first = n - 1;
  int used = 0;
  for (int i = n - 1; i >= fixed; --i) {
    used += extents[static_cast<size_t>(i)] + lineWidth;
    if (used > avail) break;
    first = i;
  }
  return first;
}

int TEmiStringGrid::MaxTopRow() const { return MaxFirst(rowHeights_, fixedRows_, HorzLineWidth(), height()); }

int TEmiStringGrid::MaxLeftCol() const { return MaxFirst(colWidths_, fixedCols_, VertLineWidth(), width()); }

int TEmiStringGrid::VisibleRowCount() const { return VertAxis().fullVisible; }

int TEmiStringGrid::VisibleColCount() const { return HorzAxis().fullVisible; }

void TEmiStringGrid::ClampView() {
  col_ = std::clamp(col_, fixedCols_, ColCount() - 1);
  row_ = std::clamp(row_, fixedRows_, RowCount() - 1);
  topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
}

int TEmiStringGrid::TopRow() const { return std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow())); }

int TEmiStringGrid::LeftCol() const {
  return std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
}

void TEmiStringGrid::SetTopRow(int row) {
  row = std::clamp(row, fixedRows_, std::max(fixedRows_, MaxTopRow()));
  if (row == topRow_) return;
  topRow_ = row;
  Changed();
}

void TEmiStringGrid::SetLeftCol(int column) {
  column = std::clamp(column, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
  if (column == leftCol_) return;
  leftCol_ = column;
  Changed();
}

void TEmiStringGrid::ScrollIntoView() {
  // The first scrolling row (column) from which the current one is still fully visible.
  auto firstShowing = [](const std::vector<int>& extents, int fixed, int lineWidth, int clientExtent, int target) {
    int avail = clientExtent + lineWidth;
    for (int i = 0; i < fixed; ++i) avail -= extents[static_cast<size_t>(i)] + lineWidth;
    int first = target;
    int used = extents[static_cast<size_t>(target)] + lineWidth;
    while (first - 1 >= fixed && used + extents[static_cast<size_t>(first - 1)] + lineWidth <= avail) {
      --first;
      used += extents[static_cast<size_t>(first)] + lineWidth;
    }
    return first;
  };
  const int top = TopRow();
  if (row_ < top) {
    SetTopRow(row_);
  } else {
    SetTopRow(std::max(top, firstShowing(rowHeights_, fixedRows_, HorzLineWidth(), height(), row_)));
  }
  const int left = LeftCol();
  if (col_ < left) {
    SetLeftCol(col_);
  } else {
    SetLeftCol(std::max(left, firstShowing(colWidths_, fixedCols_, VertLineWidth(), width(), col_)));
  }
}

void TEmiStringGrid::SetCurrent(int column, int row) {
  column = std::clamp(column, fixedCols_, ColCount() - 1);
  row = std::clamp(row, fixedRows_, RowCount() - 1);
  const bool changed = column != col_ || row != row_;
  col_ = column;
  row_ = row;
  ScrollIntoView();
  if (changed) Changed();
}

ui::Rect TEmiStringGrid::CellRect(int column, int row) const {
  if (column < 0 || column >= ColCount() || row < 0 || row >= RowCount()) return ui::Rect();
  const Axis h = HorzAxis();
  const Axis v = VertAxis();
  const int x = h.start[static_cast<size_t>(column)];
  const int y = v.start[static_cast<size_t>(row)];
  if (x < 0 || y < 0) return ui::Rect();
  return ui::Rect(x, y, x + colWidths_[static_cast<size_t>(column)], y + rowHeights_[static_cast<size_t>(row)]);
}

bool TEmiStringGrid::MouseToCell(int x, int y, int& column, int& row) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return false;
  auto find = [](const Axis& axis, const std::vector<int>& extents, int lineWidth, int p) {
    for (size_t i = 0; i < extents.size(); ++i) {
      const int s = axis.start[i];
      if (s >= 0 && p >= s && p < s + extents[i] + lineWidth) return static_cast<int>(i);
    }
    return -1;
  };
  const int c = find(HorzAxis(), colWidths_, VertLineWidth(), x);
  const int r = find(VertAxis(), rowHeights_, HorzLineWidth(), y);
  if (c < 0 || r < 0) return false;
  column = c;
  row = r;
  return true;
}

// --- look ---------------------------------------------------------------------------------------

void TEmiStringGrid::SetFixedColor(ui::TColor color) {
  fixedColor_ = color & 0xFFFFFFu;
  Changed();
}

void TEmiStringGrid::SetCellsColor(ui::TColor color) {
  cellsColor_ = color & 0xFFFFFFu;
  Changed();
}

void TEmiStringGrid::SetDefaultDrawing(bool on) {
  defaultDrawing_ = on;
  Changed();
}

void TEmiStringGrid::SetDefaultCellsAlignment(TCellAlignment alignment) {
  alignment_ = alignment;
  if (!IsTopAlignment(alignment)) multiLine_ = false;
  Changed();
}

void TEmiStringGrid::SetDefaultMultiLineCells(bool on) {
  multiLine_ = on;
  if (on) alignment_ = TopOf(alignment_);
  Changed();
}

// --- painting -----------------------------------------------------------------------------------

void TEmiStringGrid::Paint(ui::Canvas& canvas) {
  const ui::Rect client = ClientRect();
  canvas.SetPen(ui::Pen{kLineColor, 1, ui::PenStyle::Solid});
  canvas.SetBrush(ui::Brush{Color(), ui::BrushStyle::Solid});
  canvas.FillRect(client);

  const Axis h = HorzAxis();
  const Axis v = VertAxis();
  const int cols = ColCount();
  const int rows = RowCount();
  // The right and bottom ends of the drawn cells, lines included.
  int right = 0;
  int bottom = 0;
  for (int c = 0; c < cols; ++c) {
    const int s = h.start[static_cast<size_t>(c)];
    if (s >= 0) right = std::max(right, s + colWidths_[static_cast<size_t>(c)] + VertLineWidth());
  }
  for (int r = 0; r < rows; ++r) {
    const int s = v.start[static_cast<size_t>(r)];
    if (s >= 0) bottom = std::max(bottom, s + rowHeights_[static_cast<size_t>(r)] + HorzLineWidth());
  }

  canvas.SetBrush(ui::Brush{kLineColor, ui::BrushStyle::Solid});
  if (HorzLineWidth() > 0) {
    for (int r = 0; r < rows; ++r) {
      const int s = v.start[static_cast<size_t>(r)];
      if (s < 0) continue;
      const int y = s + rowHeights_[static_cast<size_t>(r)];
      canvas.FillRect(ui::Rect(0, y, right, y + HorzLineWidth()));
    }
  }
  if (VertLineWidth() > 0) {
    for (int c = 0; c < cols; ++c) {
      const int s = h.start[static_cast<size_t>(c)];
      if (s < 0) continue;
      const int x = s + colWidths_[static_cast<size_t>(c)];
      canvas.FillRect(ui::Rect(x, 0, x + VertLineWidth(), bottom));
    }
  }

  const std::optional<ui::Rect> outerClip = canvas.ClipRect();
  const bool focused = Focused();
  for (int r = 0; r < rows; ++r) {
    if (v.start[static_cast<size_t>(r)] < 0) continue;
    for (int c = 0; c < cols; ++c) {
      if (h.start[static_cast<size_t>(c)] < 0) continue;
      const ui::Rect rect = CellRect(c, r);
      TGridDrawState state = 0;
      if (r < fixedRows_ || c < fixedCols_) {
        state = gdFixed;
      } else if (r == row_ && (rowSelect_ || c == col_)) {
        state = gdSelected;
        if (c == col_ && focused) state |= gdFocused;
      }
      ui::Rect clip = rect;
      if (outerClip) {
        clip = ui::Rect(std::max(clip.Left, outerClip->Left), std::max(clip.Top, outerClip->Top),
                        std::min(clip.Right, outerClip->Right), std::min(clip.Bottom, outerClip->Bottom));
      }
      canvas.SetClipRect(clip);
      if (defaultDrawing_) DrawOwnCell(canvas, c, r, rect, state);
      if (OnDrawCell) OnDrawCell(*this, c, r, rect, state);
    }
  }
  if (outerClip) {
    canvas.SetClipRect(*outerClip);
  } else {
    canvas.ClearClip();
  }

  if (defaultDrawing_) {
    // Black lines close the grid after its last column and its last row.
    canvas.SetBrush(ui::Brush{kClosingLineColor, ui::BrushStyle::Solid});
    const int lastCol = h.start[static_cast<size_t>(cols - 1)];
    const int lastRow = v.start[static_cast<size_t>(rows - 1)];
    const int cellsBottom = bottom - HorzLineWidth();
    const int cellsRight = right - VertLineWidth();
    if (lastCol >= 0) {
      const int x = lastCol + colWidths_[static_cast<size_t>(cols - 1)];
      canvas.FillRect(ui::Rect(x, 0, x + 1, cellsBottom + 1));
    }
    if (lastRow >= 0) {
      const int y = lastRow + rowHeights_[static_cast<size_t>(rows - 1)];
      canvas.FillRect(ui::Rect(0, y, cellsRight + 1, y + 1));
    }
  }
}

void TEmiStringGrid::DrawOwnCell(ui::Canvas& canvas, int column, int row, const ui::Rect& rect,
                                 TGridDrawState state) {
  ui::Brush brush{(state & gdFixed) ? fixedColor_ : Color(), ui::BrushStyle::Solid};
  if (row >= 1 && column >= 1) brush.Color = cellsColor_;
  ui::Font font = GetFont();
  font.Color = ui::clBlack;
  TCellAlignment alignment = alignment_;
  bool multiLine = multiLine_;
  if (OnGetCellColor) OnGetCellColor(*this, row, column, state, alignment, multiLine, brush, font);
  if (!IsTopAlignment(alignment)) multiLine = false;

  canvas.SetBrush(brush);
  canvas.FillRect(rect);
  canvas.SetFont(font);
  ui::Rect box(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2);
  unsigned format = ui::TextFormat::NoPrefix | HorizontalFormat(alignment);
  format |= multiLine ? ui::TextFormat::WordBreak : (ui::TextFormat::SingleLine | VerticalFormat(alignment));
  canvas.DrawText(Cell(column, row), box, format);

  if (state & gdSelected) {
    canvas.SetPen(ui::Pen{kSelectionFrameColor, 1, ui::PenStyle::Solid});
    canvas.SetBrushStyle(ui::BrushStyle::Clear);
    canvas.Rectangle(rect);
    canvas.Rectangle(rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1);
  }
}

void TEmiStringGrid::resizeEvent(QResizeEvent* event) {
  ui::Control::resizeEvent(event);
  ClampView();
}

// --- input --------------------------------------------------------------------------------------

void TEmiStringGrid::MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
  if (button == ui::MouseButton::Left && !(shift & ui::ssDouble)) {
    int c = 0;
    int r = 0;
    if (MouseToCell(x, y, c, r) && c >= fixedCols_ && r >= fixedRows_) SetCurrent(c, r);
  }
  if (CanFocus()) SetFocus();
  ui::Control::MouseDown(button, shift, x, y);
}

bool TEmiStringGrid::WantsKey(int key) const {
  return key == ui::vk::Up || key == ui::vk::Down || key == ui::vk::Left || key == ui::vk::Right;
}

void TEmiStringGrid::KeyDown(int& key, ui::ShiftState shift) {
  ui::Control::KeyDown(key, shift);
  const int page = std::max(VisibleRowCount(), 1);
  switch (key) {
    case ui::vk::Up: SetRow(row_ - 1); break;
    case ui::vk::Down: SetRow(row_ + 1); break;
    case ui::vk::Prior: SetRow(row_ - page); break;
    case ui::vk::Next: SetRow(row_ + page); break;
    case ui::vk::Home: SetRow(fixedRows_); break;
    case ui::vk::End: SetRow(RowCount() - 1); break;
    case ui::vk::Left:
      if (rowSelect_) {
        ScrollLineLeft();
      } else {
        SetCol(col_ - 1);
      }
      break;
    case ui::vk::Right:
      if (rowSelect_) {
        ScrollLineRight();
      } else {
        SetCol(col_ + 1);
      }
      break;
    default: return;
  }
  key = 0;
}
