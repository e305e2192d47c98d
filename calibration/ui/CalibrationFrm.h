#pragma once
// The user calibration dialog: the user correction switch, the selected kit, one press per
// standard (Open, Short, Load) on the reflection port with a square that turns light green once
// the standard is measured, the port extension and the electronic module, and Apply, which
// solves the terms with the best method the measured standards allow.
//
// While it exists it holds the kit module's OnChange and the main window's
// OnActiveViewChanged; it hands both back on Apply and Cancel, and on any other end in its
// destructor.
#include "calibration/ui/StandardsDialogFrm.h"

class TFObject;
class TLbButton;
class TCalibr;
namespace ui {
class Panel;
}

class TCalibrationFrm : public TStandardsDialogFrm {
  Q_OBJECT

 public:
  explicit TCalibrationFrm(QWidget* owner);

  void ArrangeControls();
  void RefreshValues() override { UpdateStatus(); }
  void UpdateStatus();

  // The method Apply uses for the standards measured on slot `reflection`: cmF1, cmRO, cmRS
  // or cmNone.
  static int ApplyMethod(const TCalibr& calibration, int reflection);

  void CorrectionMouseDown();
  void CalKitMouseDown();
  void btPortExtensionMouseDown();
  void btAutoCalMouseDown();
  void btCancelMouseDown();
  void btApplyMouseDown();

  ui::Panel* pnCorrection = nullptr;
  ui::Panel* pnCorrectionValue = nullptr;
  TLbButton* btPortExtension = nullptr;
  TLbButton* btAutoCal = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btApply = nullptr;
};

// Whether the electronic calibration module of the main window is there and connected.
bool IsEcalConnected();
