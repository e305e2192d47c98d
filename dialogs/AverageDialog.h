#pragma once
// The Average dialog: the channel's IF bandwidth (through its pick list), sweep averaging and
// its factor, and the active trace's smoothing and aperture.
//
// It keeps the channel window and its channel that were active when it was made (rows 2 and
// 3); the trace of rows 4 and 5 is that window's active trace at each action and refresh. Its
// background drags it like the title bar; shown without a modal loop it closes on Ok, Esc or
// when another window takes the activation.
#include "widgets/TouchDialogFrm.h"

class TMeasurement;
class TRange;
class TRangeView;
class TLbButton;
namespace ui {
class Panel;
}

class TAveragingFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TAveragingFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  void pnIFBWValueMouseDown();
  void pnValueMouseDown(ui::Control& sender);

  ui::Panel* pnIFBW = nullptr;
  ui::Panel* pnIFBWValue = nullptr;
  ui::Panel* pnAverage = nullptr;
  ui::Panel* pnAverageValue = nullptr;
  ui::Panel* pnAverageFactor = nullptr;
  ui::Panel* pnAverageFactorValue = nullptr;
  ui::Panel* pnSmoothing = nullptr;
  ui::Panel* pnSmoothingValue = nullptr;
  ui::Panel* pnSmoAperture = nullptr;
  ui::Panel* pnSmoApertureValue = nullptr;
  TLbButton* btOk = nullptr;

 private:
  TRange* Channel() const;
  TMeasurement* Trace() const;

  TRangeView* view_ = nullptr;
  TRange* channel_ = nullptr;
};
