#pragma once
// The one frame of every pick list: a touch window with a title bar, a list of the allowed
// values of one setting, Cancel and Ok, and optionally a command button above them and a scroll
// thumb beside the list. A member list is this frame with its descriptor: its rows, how many of
// them show, how the current value selects a row, how the chosen row is applied, and how the
// list closes.
//
// The list opens with the current value's row selected (a value without a row leaves the
// member's default row). Ok, a double click and Enter apply the selected row once and close;
// Cancel, Escape and Cancel (3) close without applying. Inside a modal run the list ends the run
// with result Ok or Cancel; otherwise (members that follow the close rule) it releases itself,
// also, where the member says so, when it loses the activation.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/GridDragScroller.h"
#include "widgets/TouchForm.h"

class TEmiStringGrid;
class TLbButton;
class TPickListFrm;
namespace ui {
class Shape;
}

struct TPickListDescriptor {
  enum class Layout {
    Rows,      // every row f high plus its line: the list N(f + 1) high
    ListGrid,  // rows f - 1 high plus their line: the list exactly Nf high
    CalKits,   // thirty "H" wide, two columns, the command button above Cancel and Ok
  };

  std::string Title;              // English; the frame translates it
  std::vector<std::string> Rows;  // as shown (translated or not by the member)
  std::vector<std::string> SecondColumn;  // two-column lists only
  int Visible = 1;                // N: rows the list shows
  Layout Form = Layout::Rows;
  bool Thumb = false;             // VScrollShape beside the list (the list ends 3m before the edge)
  bool DragScroll = false;
  // Off: Ok and Cancel set the modal result alone (members only ever shown modally).
  bool CloseRule = true;
  bool ReleaseOnDeactivate = false;
  bool KeyHandling = true;        // Enter, Escape and Cancel (3)
  bool RefocusOwner = true;       // on destruction outside a modal run
  TTouchForm::Placement Placement = TTouchForm::Placement::MainForm;

  // The row of the current value, or any number outside the rows when it has none.
  std::function<int()> Current;
  int DefaultRow = 0;
  // Hands the row's value to its target; a target that is gone by then gets nothing.
  std::function<void(int row)> Apply;

  // The button above Cancel and Ok ("More...", "Edit Cal Kit"): English caption and its action.
  std::string Command;
  std::function<void(TPickListFrm& list)> CommandAction;
  // Fills Rows (and SecondColumn) again before the list is refilled (the kit list).
  std::function<void(TPickListDescriptor& self)> Refill;
};

class TPickListFrm : public TTouchForm {
  Q_OBJECT

 public:
  TPickListFrm(QWidget* owner, TPickListDescriptor descriptor);
  ~TPickListFrm() override;

  TEmiStringGrid* sgList = nullptr;
  ui::Shape* VScrollShape = nullptr;  // only with a thumb
  TLbButton* btCancel = nullptr;
  TLbButton* btApply = nullptr;
  TLbButton* btCommand = nullptr;     // only with a command button ("btMore", "btEditKit")

  const TPickListDescriptor& Descriptor() const { return desc_; }
  int GetSelectedIndex() const;
  // Row texts and row count from the descriptor (after Refill), then the current row.
  void FillList();
  void SelectCurrent();
  // Fonts and geometry from the display look.
  void ArrangeControls();
  void UpdateScrollThumb();

  // Handlers, public so that members and owners route input to them.
  void btApplyMouseDown();
  void btCancelMouseDown();
  void sgListDblClick() { btApplyMouseDown(); }
  void btCommandMouseDown();
  // Closes as Cancel does, for a command that ends the list: the modal run's result, and
  // nothing outside it (a list shown without a modal loop has released itself by then).
  void CancelAfterCommand();

  // How often the list applied a row (at most once), and whether Ok or Cancel ended it.
  int AppliedCount() const { return applied_; }
  bool Closed() const { return closed_; }
  TGridDragScroller& DragScroller() { return *scroller_; }

 protected:
  void Close(int result);
  TPickListDescriptor desc_;

 private:
  void FormKeyDown(int& key);
  std::unique_ptr<TGridDragScroller> scroller_;
  int applied_ = 0;
  bool closed_ = false;
};
