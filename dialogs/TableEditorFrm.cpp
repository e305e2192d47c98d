#include "dialogs/TableEditorFrm.h"

#include <QPointer>

#include "display/ViewProperties.h"
#include "platform/ui/Shape.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"

namespace {

// A pointer move further than this from the stored point scrolls one line.
constexpr int kDragStep = 10;

ui::Shape* MakeThumb(QWidget* parent, const std::string& name) {
  auto* shape = new ui::Shape(parent);
  shape->SetName(name);
  shape->SetPen(ui::Pen{ui::clGray, 1, ui::PenStyle::Solid});
  shape->SetBrush(ui::Brush{ui::clSilver, ui::BrushStyle::Solid});
  return shape;
}

}  // namespace

TTableEditorFrm::TTableEditorFrm(QWidget* owner, const std::string& title, bool horizontalThumb)
    : TTouchDialogFrm(owner, title) {
  SetKeyHandler(true);
  SetReleaseOnDeactivate(true);
  SetRefocusOwner(true);
  SetPlacement(Placement::MainForm);

  sgList = new TEmiStringGrid(this);
  sgList->SetName("sgList");
  sgList->SetFixedCols(0);
  sgList->SetFixedRows(1);
  sgList->SetDefaultDrawing(false);
  sgList->SetHorzLines(true);
  sgList->SetVertLines(true);
  sgList->OnDrawCell = [this](TEmiStringGrid& grid, int column, int row, const ui::Rect& rect,
                              TGridDrawState state) {
    DrawGridCell(grid, column, row, rect, state);
    UpdateScrollThumbs();
  };
  sgList->OnDblClick = [this](ui::Control&) { sgListDblClick(); };
  sgList->OnKeyPress = [this](ui::Control&, char32_t& key) { sgListKeyPress(key); };
  sgList->OnMouseDown = [this](ui::Control&, ui::MouseButton button, ui::ShiftState, int x, int y) {
    sgListMouseDown(button, x, y);
  };
  sgList->OnMouseMove = [this](ui::Control&, ui::ShiftState shift, int x, int y) { sgListMouseMove(shift, x, y); };
  sgList->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { sgListMouseUp(); };

  VScrollShape = MakeThumb(this, "VScrollShape");
  if (horizontalThumb) HScrollShape = MakeThumb(this, "HScrollShape");
}

int TTableEditorFrm::RecordIndex() const { return sgList->Row() - sgList->FixedRows(); }

void TTableEditorFrm::PlaceGrid(const ui::Rect& rect, int firstColumnWidth, int columnWidth) {
  sgList->SetBoundsRect(rect);
  sgList->SetDefaultRowHeight(FieldHeight());
  sgList->SetDefaultColWidth(columnWidth);
  sgList->SetColWidth(0, firstColumnWidth);
  const int m = Margin();
  VScrollShape->SetBounds(rect.Right + m, rect.Top, m, rect.Height());
  if (HScrollShape) HScrollShape->SetBounds(rect.Left, rect.Bottom + m, rect.Width(), m);
  UpdateScrollThumbs();
}

void TTableEditorFrm::UpdateScrollThumbs() {
  if (const auto thumb = GetGridRowThumb(*sgList)) {
    VScrollShape->SetBounds(VScrollShape->Left(), thumb->Position, VScrollShape->Width(), thumb->Length);
  }
  if (HScrollShape) {
    if (const auto thumb = GetGridColThumb(*sgList)) {
      HScrollShape->SetBounds(thumb->Position, HScrollShape->Top(), thumb->Length, HScrollShape->Height());
    }
  }
}

void TTableEditorFrm::sgListDblClick() {
  GridDragging = false;
  Dragging = false;
  EditCell(0);
}

void TTableEditorFrm::sgListKeyPress(char32_t& key) {
  const char32_t c = key;
  const bool opens = (c >= U'0' && c <= U'9') || c == U'-' || c == U'.' || c == U',';
  if (!opens) return;
  key = 0;
  EditCell(c);
}

void TTableEditorFrm::EditCell(char32_t firstChar) {
  const int column = sgList->Col();
  const int row = sgList->Row();
  if (column == 0 || row == 0) return;
  TCellEditor editor;
  if (!CellEditor(column, row - sgList->FixedRows(), editor)) return;
  QPointer<TTableEditorFrm> self(this);
  if (editor.Open) {
    editor.Open();
  } else {
    if (ViewProperties == nullptr || !ViewProperties->UseDigitalPanel) return;
    OpenKeypad(editor.Caption, editor.UnitIndex, editor.UnitKind, std::move(editor.Setter),
               std::move(editor.Getter), firstChar);
  }
  if (!self) return;
  GridDragging = false;
  AfterCellEdit();
  RefreshGrid();
}

void TTableEditorFrm::sgListMouseDown(ui::MouseButton, int x, int y) {
  dragX_ = x;
  dragY_ = y;
  GridDragging = true;
}

void TTableEditorFrm::sgListMouseMove(ui::ShiftState shift, int x, int y) {
  if (!GridDragging || (shift & (ui::ssLeft | ui::ssRight)) == 0) return;
  bool moved = false;
  if (y < dragY_ - kDragStep) {
    sgList->ScrollLineUp();
    moved = true;
  } else if (y > dragY_ + kDragStep) {
    sgList->ScrollLineDown();
    moved = true;
  }
  if (moved) {
    dragX_ = x;
    dragY_ = y;
    moved = false;
  }
  if (x < dragX_ - kDragStep) {
    sgList->ScrollLineLeft();
    moved = true;
  } else if (x > dragX_ + kDragStep) {
    sgList->ScrollLineRight();
    moved = true;
  }
  if (moved) {
    dragX_ = x;
    dragY_ = y;
  }
  UpdateScrollThumbs();
}

void TTableEditorFrm::sgListMouseUp() { GridDragging = false; }

bool TTableEditorFrm::SaveTable(const std::string& title, int kind, const std::string& extension,
                                const std::function<void(const std::string& path)>& write) {
  QPointer<TTableEditorFrm> self(this);
  bool written = false;
  try {
    written = RunSaveFile(title, kind, extension, false, write);
  } catch (...) {
    if (self) RefreshGrid();
    throw;
  }
  if (self) RefreshGrid();
  return written;
}

bool TTableEditorFrm::RecallTable(const std::string& title, int kind,
                                  const std::function<void(const std::string& path)>& read) {
  QPointer<TTableEditorFrm> self(this);
  bool done = false;
  try {
    done = RunOpenFile(title, kind, read);
  } catch (...) {
    if (self) RefreshGrid();
    throw;
  }
  if (self) RefreshGrid();
  return done;
}
