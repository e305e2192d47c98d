#pragma once
// The Scale dialog: the vertical scale of the active trace of a channel window in its display
// format (scale per division or full scale, reference value and position), the window's
// divisions, the trace's electrical delay and phase offset with press-and-hold steps, and the
// automatic scale and reference.
//
// It keeps the channel window that was active when it was made; the trace is that window's
// active trace, looked up at every refresh, closure call and repeat step.
#include "widgets/TouchDialogFrm.h"

class TMeasurement;
class TRangeView;
class TLbButton;
namespace ui {
class Panel;
}

class TMeasViewFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  // The held button: 0 none, 1 delay minus, 2 delay plus, 3 phase minus, 4 phase plus.
  enum { hbNone, hbDelayMinus, hbDelayPlus, hbPhaseMinus, hbPhasePlus };

  explicit TMeasViewFrm(QWidget* owner);
  ~TMeasViewFrm() override;

  void RefreshValues() override;
  void ArrangeControls();

  void pnMouseDown(ui::Control& sender);
  void btAutoScaleMouseDown();
  void btAutoRefMouseDown();
  // One step of a +/- button (its code).
  void Step(int button);
  // The repeat of the button that is held, or null.
  bool Repeating() const;

  TLbButton* btAutoScale = nullptr;
  TLbButton* btAutoRef = nullptr;
  ui::Panel* pnScale = nullptr;
  ui::Panel* pnScaleValue = nullptr;
  ui::Panel* pnReference = nullptr;
  ui::Panel* pnRefValue = nullptr;
  ui::Panel* pnDivisions = nullptr;
  ui::Panel* pnDivisionsValue = nullptr;
  ui::Panel* pnRefPos = nullptr;
  ui::Panel* pnRefPosValue = nullptr;
  ui::Panel* pnEDelay = nullptr;
  ui::Panel* pnEDelayValue = nullptr;
  ui::Panel* pnPhaseOffset = nullptr;
  ui::Panel* pnPhaseOffsetValue = nullptr;
  TLbButton* btDelayMinus = nullptr;
  TLbButton* btDelayPlus = nullptr;
  TLbButton* btPhaseMinus = nullptr;
  TLbButton* btPhasePlus = nullptr;
  TLbButton* btOk = nullptr;

 private:
  TRangeView* View() const;
  TMeasurement* Trace() const;
  bool IsPolar() const;

  TRangeView* view_ = nullptr;
  TAutoRepeat* repeats_[4] = {};
};
