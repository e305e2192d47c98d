#include "calibration/ui/CalibrationDialogs.h"

#include "calibration/ui/AutoCalFrm.h"
#include "calibration/ui/AutoExtensionFrm.h"
#include "calibration/ui/CalKitFrm.h"
#include "calibration/ui/CalibrationFrm.h"
#include "calibration/ui/CharInfoFrm.h"
#include "calibration/ui/PortExtensionFrm.h"
#include "calibration/ui/SystemCalFrm.h"
#include "shell/MainFrm.h"

namespace {

template <class TForm>
TMainFrm::TDialogFactoryOpener Modal() {
  return [](ui::Form& owner, bool, int) {
    TForm dialog(&owner);
    return dialog.ShowModal();
  };
}

}  // namespace

void RegisterCalibrationDialogs() {
  TMainFrm::RegisterDialog("TCalibrationFrm", Modal<TCalibrationFrm>());
  TMainFrm::RegisterDialog("TCalKitFrm", [](ui::Form& owner, bool, int kit) {
    TCalKitFrm dialog(&owner, kit);
    return dialog.ShowModal();
  });
  TMainFrm::RegisterDialog("TPortExtensionFrm", Modal<TPortExtensionFrm>());
  TMainFrm::RegisterDialog("TAutoExtensionFrm", Modal<TAutoExtensionFrm>());
  // The argument 1 runs the module into the system calibration.
  TMainFrm::RegisterDialog("TAutoCalFrm", [](ui::Form& owner, bool, int system) {
    TAutoCalFrm dialog(&owner, system == 1);
    return dialog.ShowModal();
  });
  TMainFrm::RegisterDialog("TCharInfoFrm", Modal<TCharInfoFrm>());
  TMainFrm::RegisterDialog("TSystemCalFrm", Modal<TSystemCalFrm>());
  TMainFrm::RegisterDialog("TFactoryCalFrm", Modal<TFactoryCalFrm>());
}
