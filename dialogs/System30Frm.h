#pragma once
// The System dialog: system correction, trigger mode, trigger source and reference clock, the
// display look dialog, Preset, the About box and program exit; with the "VorlaMode" switch also
// the text export of the user and the system calibration, the import of a user calibration and
// the power meter settings. Modal results: 1 Ok, 2 Escape, 3 program exit.
//
// While it exists it holds the main window's status hook, so a trigger or ready change made
// elsewhere shows at once; the hook is cleared on every way out, the destructor included.
#include "widgets/TouchDialogFrm.h"

class TFObject;
class TLbButton;

class TSystem30Frm : public TTouchDialogFrm {
  Q_OBJECT

 public:
  explicit TSystem30Frm(QWidget* owner);
  ~TSystem30Frm() override;

  void RefreshValues() override;
  void ArrangeControls();
  void StatusChanged(TFObject* sender);
  void OkAction() override;
  int RowCount() const;

  ui::Panel* pnFactoryOff = nullptr;
  ui::Panel* pnFactoryOffValue = nullptr;
  ui::Panel* pnTrigger = nullptr;
  ui::Panel* pnTriggerValue = nullptr;
  ui::Panel* pnTriggerSource = nullptr;
  ui::Panel* pnTriggerSourceValue = nullptr;
  ui::Panel* pnClockSource = nullptr;
  ui::Panel* pnClockSourceValue = nullptr;
  TLbButton* btDisplay = nullptr;
  TLbButton* btPreset = nullptr;
  TLbButton* btAbout = nullptr;
  TLbButton* btExit = nullptr;
  TLbButton* btExportUser = nullptr;
  TLbButton* btExportSystem = nullptr;
  TLbButton* btImportUser = nullptr;
  TLbButton* btPowerMeter = nullptr;
  TLbButton* btOk = nullptr;

 private:
  void RemoveStatusHook();
  // A pick list of the main window's, opened with the main window as owner.
  void RunList(const char* dialogClass);
  void ExportCalibration(bool user);
  void ImportUserCalibration();
  void Close(int result);
  bool hooked_ = false;
};
