#pragma once
// The Trace List dialog: the traces of the active channel with their formats; adds and deletes
// traces, chooses the active one, opens the Measurement list for a trace's format, switches
// max hold and the memory trace of the active trace and opens the Data Math list. Every click
// acts on the engine at once; there is no cancel.
#include <memory>

#include "widgets/TouchDialogFrm.h"

class TEmiStringGrid;
class TGridDragScroller;
class TLbButton;
class TMeasureList;
class TMeasurement;
namespace ui {
class Panel;
class Shape;
}

class TTraceListFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TTraceListFrm(QWidget* owner);
  ~TTraceListFrm() override;

  void RefreshValues() override;
  void ArrangeControls();

  void sgListClick();
  void sgListDblClick();
  void UpdateScrollThumb();

  TLbButton* btAddTrace = nullptr;
  TLbButton* btDeleteTrace = nullptr;
  TEmiStringGrid* sgList = nullptr;
  ui::Shape* VScrollShape = nullptr;
  ui::Panel* pnMaxHold = nullptr;
  ui::Panel* pnMaxHoldValue = nullptr;
  ui::Panel* pnMemoryTrace = nullptr;
  ui::Panel* pnMemoryTraceValue = nullptr;
  ui::Panel* pnDataMath = nullptr;
  ui::Panel* pnDataMathValue = nullptr;
  TLbButton* btOk = nullptr;

 private:
  // Looked up at every use: automation runs inside the modal loops and may change the active
  // window or delete traces meanwhile.
  static TMeasureList* Traces();
  static TMeasurement* ActiveTrace();

  std::unique_ptr<TGridDragScroller> scroller_;
};
