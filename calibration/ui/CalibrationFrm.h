#pragma once
// The user calibration dialog: the user correction switch, the selected kit, one press per
// standard (Open, Short, Load) on the reflection port with a square that turns light green once
// the standard is measured, the port extension and the electronic module, and Apply, which
// solves the terms with the best method the measured standards allow.
//
// While it exists it holds the kit module's OnChange and the main window's
// OnActiveViewChanged; it hands both back on Apply and Cancel, and on any other end in its
// destructor.
#include "calibration/ui/DialogHook.h"
#include "calibration/ui/StandardPresses.h"
#include "widgets/TouchDialogFrm.h"

class TFObject;
class TLbButton;
class TCalibr;
namespace ui {
class Panel;
}

class TCalibrationFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  static constexpr ui::TColor kMeasuredColor = kStandardMeasuredColor;
  static constexpr ui::TColor kNotMeasuredColor = kStandardNotMeasuredColor;

  explicit TCalibrationFrm(QWidget* owner);
  ~TCalibrationFrm() override;

  void ArrangeControls();
  void RefreshValues() override { UpdateStatus(); }
  void UpdateStatus();

  // The method Apply uses for the standards measured on slot `reflection`: cmF1, cmRO, cmRS
  // or cmNone.
  static int ApplyMethod(const TCalibr& calibration, int reflection);

  void CorrectionMouseDown();
  void CalKitMouseDown();
  void MeasureStandard(int kind);
  void btPortExtensionMouseDown();
  void btAutoCalMouseDown();
  void btCancelMouseDown();
  void btApplyMouseDown();

  ui::Panel* pnCorrection = nullptr;
  ui::Panel* pnCorrectionValue = nullptr;
  ui::Panel* pnCalKit = nullptr;
  ui::Panel* pnCalKitValue = nullptr;
  TLbButton* btOpen = nullptr;
  TLbButton* btShort = nullptr;
  TLbButton* btLoad = nullptr;
  ui::Panel* pnOpen = nullptr;
  ui::Panel* pnShort = nullptr;
  ui::Panel* pnLoad = nullptr;
  TLbButton* btPortExtension = nullptr;
  TLbButton* btAutoCal = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btApply = nullptr;

 private:
  void ReleaseHooks();

  TDialogHook KitHook;
  TDialogHook ViewHook;
};

// Whether the electronic calibration module of the main window is there and connected.
bool IsEcalConnected();
