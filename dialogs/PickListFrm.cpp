#include "dialogs/PickListFrm.h"

#include <algorithm>
#include <utility>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/Services.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Shape.h"
#include "widgets/DialogSkin.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"

namespace {

TViewProperties& Look() {
  if (ViewProperties == nullptr) throw EAbort("The display look has not been created");
  return *ViewProperties;
}

}  // namespace

TPickListFrm::TPickListFrm(QWidget* owner, TPickListDescriptor descriptor)
    : TTouchForm(owner, descriptor.Title), desc_(std::move(descriptor)) {
  SetName("PickListFrm");
  SetPlacement(desc_.Placement);
  SetRefocusOwner(desc_.RefocusOwner);
  SetReleaseOnDeactivate(desc_.ReleaseOnDeactivate);

  sgList = MakeListGrid(this, desc_.SecondColumn.empty() ? 1 : 2, 0, true, [this] { UpdateScrollThumb(); });
  sgList->OnDblClick = [this](ui::Control&) { sgListDblClick(); };
  scroller_ = std::make_unique<TGridDragScroller>(*sgList);
  if (desc_.DragScroll) {
    sgList->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int x, int y) {
      scroller_->Press(x, y);
    };
    sgList->OnMouseMove = [this](ui::Control&, ui::ShiftState, int x, int y) { scroller_->Move(x, y); };
    sgList->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { scroller_->Release(); };
  }
  if (desc_.Thumb) {
    VScrollShape = MakeGridThumb(this, "VScrollShape");
  }
  if (!desc_.Command.empty()) {
    btCommand = MakeButton(this, desc_.Form == TPickListDescriptor::Layout::CalKits ? "btEditKit" : "btMore",
                           TranslateText(desc_.Command));
    btCommand->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
      btCommandMouseDown();
    };
  }
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btCancel->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btCancelMouseDown(); };
  btApply = MakeButton(this, "btApply", TranslateText("Ok"));
  btApply->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btApplyMouseDown(); };
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) { FormKeyDown(key); };

  FillList();
  ArrangeControls();
}

TPickListFrm::~TPickListFrm() = default;

int TPickListFrm::GetSelectedIndex() const { return sgList->Row(); }

void TPickListFrm::FillList() {
  if (desc_.Refill) desc_.Refill(desc_);
  const int rows = std::max<int>(1, static_cast<int>(desc_.Rows.size()));
  sgList->SetRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    sgList->SetCell(0, r, r < static_cast<int>(desc_.Rows.size()) ? desc_.Rows[static_cast<size_t>(r)] : "");
    if (sgList->ColCount() > 1) {
      const auto& second = desc_.SecondColumn;
      sgList->SetCell(1, r, r < static_cast<int>(second.size()) ? second[static_cast<size_t>(r)] : "");
    }
  }
  SelectCurrent();
}

void TPickListFrm::SelectCurrent() {
  int row = desc_.Current ? desc_.Current() : desc_.DefaultRow;
  if (row < 0 || row >= static_cast<int>(desc_.Rows.size())) row = desc_.DefaultRow;
  row = std::clamp(row, 0, sgList->RowCount() - 1);
  sgList->SetRow(row);
  UpdateScrollThumb();
}

void TPickListFrm::ArrangeControls() {
  using L = TPickListDescriptor::Layout;
  TViewProperties& look = Look();
  ApplyButtonFont();
  const int f = look.FieldHeight;
  const int m = look.Margin;
  const int n = std::max(desc_.Visible, 1);

  if (desc_.Form == L::CalKits) {
    const int t30 = ButtonTextWidth(std::string(30, 'H'));
    const int t4 = ButtonTextWidth("HHHH");
    const int w = 2 * m + t30;
    TopPanel->SetBounds(m, m, w - 2 * m, f);
    const int listTop = f + 2 * m;
    const int listWidth = w - 4 * m;
    const int listBottom = listTop + n * (f + 1);
    sgList->SetDefaultRowHeight(f);
    sgList->SetBounds(m, listTop, listWidth, listBottom - listTop);
    sgList->SetColWidth(0, t4);
    sgList->SetColWidth(1, listWidth - t4 - 2);
    if (btCommand) btCommand->SetBounds(m, listBottom + m, w - 2 * m, f);
    const int h = (t30 - m) / 2;
    const int top = listBottom + 2 * m + f;
    btCancel->SetBounds(m, top, h, f);
    btApply->SetBounds(2 * m + h, top, h, f);
    SetClientSize(w, n * (f + 1) + 5 * m + 3 * f);
  } else {
    const int t = ButtonTextWidth("HHHHHHHHHH");
    const int w = 2 * t + 3 * m;
    const int listRight = desc_.Thumb ? w - 3 * m : w - m;
    int listBottom = 0;
    if (desc_.Form == L::ListGrid) {
      TopPanel->SetBoundsRect(GetButtonGridRect(1, w, 1, 1, 0));
      int rowCounter = 2;
      const ui::Rect list = PlaceListGrid(*sgList, rowCounter, n, desc_.Thumb, w);
      sgList->SetBoundsRect(list);
      listBottom = list.Bottom;
    } else {
      TopPanel->SetBounds(m, m, w - 2 * m, f);
      const int listTop = f + 2 * m;
      sgList->SetDefaultRowHeight(f);
      sgList->SetBounds(m, listTop, listRight - m, n * (f + 1));
      listBottom = listTop + n * (f + 1);
    }
    const int listWidth = sgList->Width();
    if (sgList->ColCount() == 1) sgList->SetColWidth(0, listWidth - 1);
    int top = listBottom + m;
    if (btCommand) {
      btCommand->SetBounds(m, top, w - 2 * m, f);
      top += f + m;
    }
    if (desc_.Form == L::ListGrid) {
      const ui::Rect cancel = GetButtonGridRectBelow(top - m, 1, w, 1, 2, 0);
      const ui::Rect ok = GetButtonGridRectBelow(top - m, 1, w, 2, 2, 0);
      btCancel->SetBoundsRect(cancel);
      btApply->SetBoundsRect(ok);
    } else {
      btCancel->SetBounds(m, top, t, f);
      btApply->SetBounds(2 * m + t, top, t, f);
    }
    SetClientSize(w, top + f + m);
  }
  // The layout may have changed how many rows show: the list shows its first rows unless the
  // selected one lies further down.
  const int row = sgList->Row();
  sgList->SetTopRow(0);
  sgList->SetRow(row);
  UpdateScrollThumb();
}

void TPickListFrm::UpdateScrollThumb() {
  if (VScrollShape == nullptr) return;
  const int m = Look().Margin;
  const ui::Rect list = sgList->BoundsRect();
  const std::optional<TThumb> thumb = GetGridRowThumb(*sgList);
  if (!thumb || thumb->Length <= 0) {
    VScrollShape->SetBounds(list.Right + m, list.Top, m, 0);
    return;
  }
  VScrollShape->SetBounds(list.Right + m, thumb->Position, m, thumb->Length);
}

void TPickListFrm::Close(int result) {
  closed_ = true;
  if (desc_.CloseRule) {
    CloseWith(result);
  } else if (IsModal()) {
    SetModalResult(result);
  }
}

void TPickListFrm::btApplyMouseDown() {
  if (closed_) return;
  const int row = GetSelectedIndex();
  closed_ = true;
  if (row >= 0 && row < static_cast<int>(desc_.Rows.size()) && desc_.Apply) {
    ++applied_;
    try {
      desc_.Apply(row);
    } catch (...) {
      // The error goes on to the handler's edge; the list does not stay behind.
      Close(ui::mrCancel);
      throw;
    }
  }
  Close(ui::mrOk);
}

void TPickListFrm::btCancelMouseDown() {
  if (closed_) return;
  Close(ui::mrCancel);
}

void TPickListFrm::btCommandMouseDown() {
  if (closed_ || !desc_.CommandAction) return;
  desc_.CommandAction(*this);
}

void TPickListFrm::CancelAfterCommand() {
  closed_ = true;
  if (IsModal()) SetModalResult(ui::mrCancel);
}

void TPickListFrm::FormKeyDown(int& key) {
  if (!desc_.KeyHandling) return;
  if (key == ui::vk::Return) {
    key = 0;
    btApplyMouseDown();
  } else if (key == ui::vk::Escape || key == ui::vk::Cancel) {
    key = 0;
    btCancelMouseDown();
  }
}
