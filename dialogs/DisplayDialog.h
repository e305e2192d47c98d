#pragma once
// The Display dialog: the font size of the charts and the dialogs, the data line width, the
// caption line of the channel window that was active when it was made, full screen and inverse
// colours; Preset restores the look's defaults and the main window's 800 x 600 client area.
#include "widgets/TouchDialogFrm.h"

class TRangeView;
class TLbButton;
namespace ui {
class Panel;
}

class TDisplayFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TDisplayFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  void pnValueMouseDown(ui::Control& sender);
  void btPresetMouseDown();
  // The keypad setter of the font size: both fonts get the truncated size, unless it equals
  // the data font's size.
  void SetFontSizeValue(double value);

  ui::Panel* pnFontSize = nullptr;
  ui::Panel* pnFontSizeValue = nullptr;
  ui::Panel* pnLineWidth = nullptr;
  ui::Panel* pnLineWidthValue = nullptr;
  ui::Panel* pnCaption = nullptr;
  ui::Panel* pnCaptionValue = nullptr;
  ui::Panel* pnFullScreen = nullptr;
  ui::Panel* pnFullScreenValue = nullptr;
  ui::Panel* pnInverseColor = nullptr;
  ui::Panel* pnInverseColorValue = nullptr;
  TLbButton* btPreset = nullptr;
  TLbButton* btOk = nullptr;

 private:
  TRangeView* View() const;

  TRangeView* view_ = nullptr;
};
