#pragma once
// The About box: the instrument model on the title bar, the program's version, and while the
// instrument is connected its hardware revision and serial number. One Ok button (result 2);
// Enter, Escape and Cancel act as Ok.
#include "widgets/TouchDialogFrm.h"

class TLbButton;

class TAboutFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TAboutFrm(QWidget* owner);

  void OkAction() override { CloseWith(ui::mrCancel); }

  ui::Panel* pnSoftware = nullptr;
  ui::Panel* pnSoftwareValue = nullptr;
  ui::Panel* pnHardware = nullptr;
  ui::Panel* pnHardwareValue = nullptr;
  ui::Panel* pnSerial = nullptr;
  ui::Panel* pnSerialValue = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void ArrangeControls();
};
