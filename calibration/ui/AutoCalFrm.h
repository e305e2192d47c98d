#pragma once
// The electronic calibration module's dialog: the connected module, its characterisation,
// orientation, thermal compensation and (in service mode) switch state, the characterisation
// information, and Calibrate, which runs the module into the user calibration or, opened from
// the system calibration dialog, into the system calibration.
//
// While it exists it holds the main window's OnActiveViewChanged (the module's changes arrive
// there): each refresh rewrites the rows and a refresh that finds the module gone closes the
// dialog as Cancel. The handler it found goes back on every end.
#include "calibration/ui/DialogHook.h"
#include "widgets/TouchDialogFrm.h"

class TLbButton;
namespace ui {
class Panel;
}

class TAutoCalFrm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  TAutoCalFrm(QWidget* owner, bool system);
  ~TAutoCalFrm() override;

  void ArrangeControls();
  void RefreshValues() override { UpdateControls(); }
  void UpdateControls();

  void pnCharacterizationMouseDown();
  void pnOrientationMouseDown();
  void pnSwitchStateMouseDown();
  void btCharInfoMouseDown();
  void btCancelMouseDown();
  void btAutoCalMouseDown();

  bool IsSystemTarget() const { return System; }

  ui::Panel* pnCalModule = nullptr;
  ui::Panel* pnCalModuleValue = nullptr;
  ui::Panel* pnCharacterization = nullptr;
  ui::Panel* pnCharacterizationValue = nullptr;
  ui::Panel* pnOrientation = nullptr;
  ui::Panel* pnOrientationValue = nullptr;
  ui::Panel* pnTermocompensation = nullptr;
  ui::Panel* pnTermocompensationValue = nullptr;
  ui::Panel* pnSwitchState = nullptr;
  ui::Panel* pnSwitchStateValue = nullptr;
  TLbButton* btConfidence = nullptr;
  TLbButton* btCharInfo = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btAutoCal = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CloseAs(int result);

  bool System = false;
  TDialogHook ViewHook;
};
