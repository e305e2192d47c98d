#pragma once
// The markers of the active trace behind the soft key "Marker": a list of their numbers and
// stimuli with the reference marker last, adding and deleting, the reference switch, choosing
// the active marker (click) and typing its stimulus (double click), and the ways to the
// search, properties and math dialogs. The marker list is looked up at every refresh and
// action, so a marker that automation removed meanwhile is never read.
#include <memory>

#include "dialogs/GridDragScroller.h"
#include "widgets/TouchDialogFrm.h"

class TEmiStringGrid;
class TLbButton;
namespace ui {
class Shape;
}

class TMarkerListFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TMarkerListFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  TLbButton* btAddMarker = nullptr;
  TLbButton* btDeleteMarker = nullptr;
  TEmiStringGrid* sgList = nullptr;
  ui::Shape* VScrollShape = nullptr;
  ui::Panel* pnReference = nullptr;
  ui::Panel* pnReferenceValue = nullptr;
  TLbButton* btSearch = nullptr;
  TLbButton* btProperties = nullptr;
  TLbButton* btMath = nullptr;
  TLbButton* btOk = nullptr;

  void sgListClick();
  void sgListDblClick();

 private:
  // The row's marker made active; false for a row that holds no marker (now).
  bool ActivateRow(int row);
  void OpenStimulusKeypad();
  void UpdateThumb();

  std::unique_ptr<TGridDragScroller> scroller_;
};
