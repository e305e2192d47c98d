#include "calibration/ui/CalibrationDialogs.h"

#include "calibration/ui/CalKitFrm.h"
#include "calibration/ui/CalibrationFrm.h"
#include "calibration/ui/PortExtensionFrm.h"
#include "shell/MainFrm.h"

void RegisterCalibrationDialogs() {
  TMainFrm::RegisterDialog("TCalibrationFrm", [](ui::Form& owner, bool, int) {
    TCalibrationFrm dialog(&owner);
    return dialog.ShowModal();
  });
  TMainFrm::RegisterDialog("TCalKitFrm", [](ui::Form& owner, bool, int kit) {
    TCalKitFrm dialog(&owner, kit);
    return dialog.ShowModal();
  });
  TMainFrm::RegisterDialog("TPortExtensionFrm", [](ui::Form& owner, bool, int) {
    TPortExtensionFrm dialog(&owner);
    return dialog.ShowModal();
  });
}
