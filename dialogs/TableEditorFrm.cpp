#include "dialogs/TableEditorFrm.h"

#include <QPointer>

#include "dialogs/GridDragScroller.h"
#include "display/ViewProperties.h"
#include "platform/ui/Shape.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"

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

  scroller_ = std::make_unique<TGridDragScroller>(*sgList);
  VScrollShape = MakeGridThumb(this, "VScrollShape", ui::clGray);
  if (horizontalThumb) HScrollShape = MakeGridThumb(this, "HScrollShape", ui::clGray);
}

TTableEditorFrm::~TTableEditorFrm() = default;

bool TTableEditorFrm::GridDragging() const { return scroller_->Dragging(); }

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
  scroller_->Release();
  Dragging = false;
  // The grid keeps a value row current when the header is clicked; the header edits nothing.
  if (pressOnHeader_) return;
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
  scroller_->Release();
  AfterCellEdit();
  RefreshGrid();
}

void TTableEditorFrm::sgListMouseDown(ui::MouseButton, int x, int y) {
  int column = 0;
  int row = 0;
  pressOnHeader_ = sgList->MouseToCell(x, y, column, row) && row < sgList->FixedRows();
  scroller_->Press(x, y);
}

void TTableEditorFrm::sgListMouseMove(ui::ShiftState shift, int x, int y) {
  if ((shift & (ui::ssLeft | ui::ssRight)) == 0) return;
  if (scroller_->Move(x, y) > 0) UpdateScrollThumbs();
}

void TTableEditorFrm::sgListMouseUp() { scroller_->Release(); }

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
