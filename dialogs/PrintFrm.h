#pragma once
// The Print dialog: the print colours, inversion and the date-and-time header of the pictures,
// and the outputs (the report, the desktop's image program, numbered screen shots) that leave it
// open.
#include "widgets/TouchDialogFrm.h"

class TLbButton;
namespace ui {
class Panel;
}

class TPrintFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TPrintFrm(QWidget* owner);

  void RefreshValues() override;
  void ArrangeControls();

  ui::Panel* pnPrintColor = nullptr;
  ui::Panel* pnPrintColorValue = nullptr;
  ui::Panel* pnInvertImage = nullptr;
  ui::Panel* pnInvertImageValue = nullptr;
  ui::Panel* pnPrintDate = nullptr;
  ui::Panel* pnPrintDateValue = nullptr;
  TLbButton* btPrintWithWord = nullptr;
  TLbButton* btPrintWithWindows = nullptr;
  TLbButton* btSaveScreenShot = nullptr;
  TLbButton* btOk = nullptr;
};

// Registers "TPrintFrm" with the main window's dialog factory.
void RegisterPrintDialogs();
