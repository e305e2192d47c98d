#include "widgets/DialogSkin.h"

#include <algorithm>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/Utils.h"
#include "platform/ui/Form.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Shape.h"

namespace {

constexpr ui::TColor kSkinColor = 0x444444;
constexpr ui::TColor kSelectedCellColor = 0x2F2F2F;
constexpr ui::TColor kSelectedTextColor = 0xC0C0C0;

TViewProperties& Look() {
  if (!ViewProperties) throw EAbort("The display look has not been created");
  return *ViewProperties;
}

}  // namespace

void PlaceCaptionPanels(ui::Control& caption, ui::Control& value, const ui::Rect& rect) {
  const int half = rect.Height() / 2;
  const int width = rect.Width();
  if (auto* panel = qobject_cast<ui::Panel*>(&caption)) panel->SetBounds(rect.Left, rect.Top, width, half);
  if (auto* panel = qobject_cast<ui::Panel*>(&value)) {
    panel->SetBounds(rect.Left, rect.Top + half, width, half);
    panel->SetAlignment(ui::Alignment::Left);
  }
}

ui::Rect GetButtonGridRect(int row, int formWidth, int column, int columnCount, int square) {
  const TViewProperties& look = Look();
  const int m = look.Margin;
  const int h = look.FieldHeight;
  const int k = std::max(columnCount, 1);
  const int cw = (formWidth - m * (k + 1)) / k;
  const int top = row * m + (row - 1) * h;
  if (square < 2) return ui::Rect(column * m + (column - 1) * cw, top, column * (m + cw), row * (m + h));
  const int d = (h - square) / 2;
  const int right = column * (m + cw) - d;
  return ui::Rect(right - square, top + d, right, top + d + square);
}

ui::Rect GetButtonGridRectBelow(int top, int row, int formWidth, int column, int columnCount, int square) {
  ui::Rect r = GetButtonGridRect(row, formWidth, column, columnCount, square);
  r.Top += top;
  r.Bottom += top;
  return r;
}

ui::Rect PlaceListGrid(TEmiStringGrid& grid, int& rowCounter, int rowCount, bool narrow, int formWidth) {
  const TViewProperties& look = Look();
  const int m = look.Margin;
  const int h = look.FieldHeight;
  const int start = rowCounter;
  rowCounter = 1;
  grid.SetDefaultRowHeight(h - 1);
  const int top = h * (start - 1) + m * start;
  return ui::Rect(m, top, m + formWidth - (narrow ? 4 * m : 2 * m), top + rowCount * h);
}

void PaintFormSkin(ui::Control& control) {
  auto* form = qobject_cast<ui::Form*>(&control);
  if (!form) return;
  TViewProperties& look = Look();
  // Switching it on asks for a repaint; only the first paint may do that.
  if (!form->TransparentColor()) form->SetTransparentColor(true, ui::clFormKey);

  const ui::TColor dark = ScaleColor(kSkinColor, 0.5);
  const ui::TColor light = ScaleColor(kSkinColor, 2);
  const int w = form->Width();
  const int h = form->Height();
  if (w <= 0 || h <= 0) return;

  ui::ImageCanvas& bitmap = look.MeasureBitmap;
  bitmap.SetSize(w, h);
  auto solid = [&bitmap](ui::TColor color) {
    bitmap.SetPen(ui::Pen{color, 1, ui::PenStyle::Solid});
    bitmap.SetBrush(ui::Brush{color, ui::BrushStyle::Solid});
  };
  solid(ui::clFormKey);
  bitmap.FillRect(form->ClientRect());
  solid(light);
  bitmap.RoundRect(0, 0, w - 1, h - 1, 7, 7);
  solid(dark);
  bitmap.RoundRect(1, 1, w, h, 7, 7);
  solid(kSkinColor);
  bitmap.RoundRect(1, 1, w - 1, h - 1, 5, 5);
  bitmap.Flush();

  form->GetCanvas().CopyRect(ui::Rect(0, 0, w, h), bitmap.Image(), ui::Rect(0, 0, w, h));
}

TEmiStringGrid* MakeListGrid(QWidget* parent, int columns, int fixedRows, bool vertLines,
                             std::function<void()> afterCell) {
  auto* grid = new TEmiStringGrid(parent);
  grid->SetName("sgList");
  grid->SetColCount(columns);
  grid->SetFixedCols(0);
  grid->SetFixedRows(fixedRows);
  grid->SetRowSelect(true);
  grid->SetHorzLines(true);
  grid->SetVertLines(vertLines);
  grid->SetGridLineWidth(1);
  grid->SetDefaultDrawing(false);
  grid->SetColor(ui::clWhite);
  grid->SetCellsColor(ui::clWhite);
  grid->OnDrawCell = [afterCell = std::move(afterCell)](TEmiStringGrid& g, int c, int r, const ui::Rect& rect,
                                                        TGridDrawState state) {
    DrawGridCell(g, c, r, rect, state);
    afterCell();
  };
  return grid;
}

ui::Shape* MakeGridThumb(QWidget* parent, const std::string& name, ui::TColor edge) {
  auto* shape = new ui::Shape(parent);
  shape->SetName(name);
  shape->SetBrush(ui::Brush{ui::clSilver, ui::BrushStyle::Solid});
  shape->SetPen(ui::Pen{edge, 1, ui::PenStyle::Solid});
  return shape;
}

void DrawGridCell(TEmiStringGrid& grid, int column, int row, const ui::Rect& rect, TGridDrawState state) {
  const int m = Look().Margin;
  ui::Canvas& canvas = grid.GetCanvas();
  ui::Font font = grid.GetFont();
  const std::string& text = grid.Cell(column, row);

  ui::TColor background = grid.CellsColor();
  if (state & gdFixed) {
    background = grid.FixedColor();
  } else if (state & gdSelected) {
    background = kSelectedCellColor;
    font.Color = kSelectedTextColor;
  }
  canvas.SetFont(font);
  canvas.SetBrush(ui::Brush{background, ui::BrushStyle::Solid});
  canvas.FillRect(rect);

  if (rect.Width() - 2 * m >= canvas.TextWidth(text)) {
    const int inset = (rect.Height() - canvas.TextHeight(text)) / 2;
    ui::Rect box(rect.Left + m, rect.Top + inset, rect.Right - m, rect.Bottom - inset);
    canvas.DrawText(text, box, ui::TextFormat::SingleLine | ui::TextFormat::Left);
  } else {
    ui::Rect box(rect.Left + m, rect.Top, rect.Right - m, rect.Bottom);
    canvas.DrawText(text, box, ui::TextFormat::WordBreak | ui::TextFormat::Left);
  }
}

std::optional<TThumb> GetGridRowThumb(const ui::Control& control) {
  const auto* grid = qobject_cast<const TEmiStringGrid*>(&control);
  if (!grid) return std::nullopt;
  const int v = grid->VisibleRowCount();
  const int t = grid->TopRow();
  const int n = grid->RowCount();
  const ui::Rect bounds = grid->BoundsRect();
  if ((t == 1 && v + t >= n) || n <= 0) return TThumb{bounds.Top, bounds.Height()};
  const double x = static_cast<double>(t - grid->FixedRows()) / n;
  const double y = static_cast<double>(v + t) / n;
  return TThumb{static_cast<int>(bounds.Height() * x + bounds.Top), static_cast<int>((y - x) * bounds.Height())};
}

std::optional<TThumb> GetGridColThumb(const ui::Control& control) {
  const auto* grid = qobject_cast<const TEmiStringGrid*>(&control);
  if (!grid) return std::nullopt;
  const int v = grid->VisibleColCount();
  const int l = grid->LeftCol();
  const int n = grid->ColCount();
  const int e = v + l - grid->FixedCols();
  const ui::Rect bounds = grid->BoundsRect();
  if ((l == 1 && e >= n) || n <= 0) return TThumb{bounds.Left, bounds.Width()};
  const double x = static_cast<double>(l - grid->FixedCols()) / n;
  const double y = static_cast<double>(e) / n;
  return TThumb{static_cast<int>(bounds.Width() * x + bounds.Left), static_cast<int>((y - x) * bounds.Width())};
}
