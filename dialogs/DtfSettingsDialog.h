#pragma once
// The DTF Settings dialog: the distance unit, the cable in use (through the cable list editor),
// the velocity factor, the cable loss and its correction switch of the scanner module, and the
// Kaiser window of the active channel's transform. Every change goes to the engine at once;
// the dialog keeps no copy and has no cancel.
#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TMeasurement;
class TRangeView;
namespace ui {
class Panel;
}

class TDTFSettingsFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TDTFSettingsFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnDTFUnit = nullptr;
  ui::Panel* pnDTFUnitValue = nullptr;
  ui::Panel* pnCable = nullptr;
  ui::Panel* pnCableValue = nullptr;
  ui::Panel* pnVelocity = nullptr;
  ui::Panel* pnVelocityValue = nullptr;
  ui::Panel* pnCableLoss = nullptr;
  ui::Panel* pnCableLossValue = nullptr;
  ui::Panel* pnEnableCL = nullptr;
  ui::Panel* pnEnableCLValue = nullptr;
  ui::Panel* pnDTFWindow = nullptr;
  ui::Panel* pnDTFWindowValue = nullptr;
  TLbButton* btOk = nullptr;

 private:
  // Looked up at every use: automation may change the active window or delete the trace
  // while a list or the keypad runs.
  static TMeasurement* ActiveTrace();
  static TRangeView* ActiveView();
};
