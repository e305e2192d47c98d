#pragma once
// The external power meter's dialog: the sensor model, the GPIB address and board of the GPIB
// meter, the connection (a press on the status row connects or disconnects) and the zeroing of
// the sensor with the source switched off meanwhile. It works on the program's meter, looked up
// at every press; while open it is the meter's change handler, and the handler it found is put
// back on every way out, its destruction included.
#include <functional>
#include <string>

#include "widgets/TouchDialogFrm.h"

class TLbButton;
class TPowerMeter;

class TPowerMeterFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TPowerMeterFrm(QWidget* owner);
  ~TPowerMeterFrm() override;

  void RefreshValues() override;
  void OkAction() override;
  void ArrangeControls();

  ui::Panel* pnModel = nullptr;
  ui::Panel* pnModelValue = nullptr;
  ui::Panel* pnGPIBAddress = nullptr;
  ui::Panel* pnGPIBAddressValue = nullptr;
  ui::Panel* pnGPIBBoard = nullptr;
  ui::Panel* pnGPIBBoardValue = nullptr;
  ui::Panel* pnStatus = nullptr;
  ui::Panel* pnStatusValue = nullptr;
  TLbButton* btZeroing = nullptr;
  TLbButton* btOk = nullptr;

 private:
  static TPowerMeter* Meter();
  void ChooseModel();
  void ToggleConnection();
  void Zeroing();
  // Gives the meter its own change handler back (once).
  void GiveBackOnChange();

  // The meter whose handler was taken over, and that handler.
  TPowerMeter* meter_ = nullptr;
  std::function<void(TPowerMeter*)> savedOnChange_;
  bool handlerTaken_ = false;
  bool zeroing_ = false;
};
