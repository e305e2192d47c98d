#include "calibration/ui/CalibrationDialogs.h"

#include "calibration/ui/AutoCalFrm.h"
#include "calibration/ui/AutoExtensionFrm.h"
#include "calibration/ui/CalKitFrm.h"
#include "calibration/ui/CalibrationFrm.h"
#include "calibration/ui/CharInfoFrm.h"
#include "calibration/ui/PortExtensionFrm.h"
#include "calibration/ui/SystemCalFrm.h"
#include "dialogs/DialogOpener.h"
#include "shell/MainFrm.h"

void RegisterCalibrationDialogs() {
  TMainFrm::RegisterDialog("TCalibrationFrm", OwnerModalOpener<TCalibrationFrm>());
  TMainFrm::RegisterDialog("TCalKitFrm", [](ui::Form& owner, bool, int kit) {
    TCalKitFrm dialog(&owner, kit);
    return dialog.ShowModal();
  });
  TMainFrm::RegisterDialog("TPortExtensionFrm", OwnerModalOpener<TPortExtensionFrm>());
  TMainFrm::RegisterDialog("TAutoExtensionFrm", OwnerModalOpener<TAutoExtensionFrm>());
  // The argument 1 runs the module into the system calibration.
  TMainFrm::RegisterDialog("TAutoCalFrm", [](ui::Form& owner, bool, int system) {
    TAutoCalFrm dialog(&owner, system == 1);
    return dialog.ShowModal();
  });
  TMainFrm::RegisterDialog("TCharInfoFrm", OwnerModalOpener<TCharInfoFrm>());
  TMainFrm::RegisterDialog("TSystemCalFrm", OwnerModalOpener<TSystemCalFrm>());
  TMainFrm::RegisterDialog("TFactoryCalFrm", OwnerModalOpener<TFactoryCalFrm>());
}
