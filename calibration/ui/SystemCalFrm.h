#pragma once
// The service and factory dialogs of the system calibration (the one in force for the output
// power level): the kit, the power level, one press per standard into the system calibration,
// Apply, which solves the terms, and Cancel, which clears the measured standards; both stay
// open. The service form adds the serial number and hardware revision, the electronic module
// and the EEPROM transfers; the factory form writes the EEPROM right after a solve.
//
// While one exists it holds the kit module's OnChange and the main window's
// OnActiveViewChanged and hands both back on every end.
#include "calibration/ui/StandardsDialogFrm.h"

class TCalibr;
class TLbButton;
namespace ui {
class Panel;
}

class TSystemCalBaseFrm : public TStandardsDialogFrm {
  Q_OBJECT

 public:
  virtual void ArrangeControls() = 0;
  void RefreshValues() override { UpdateControls(); }
  virtual void UpdateControls();
  void KitsChanged();

  void pnCalKitMouseDown();
  void pnPowerMouseDown();
  virtual void btApplyMouseDown();
  void btCancelMouseDown();
  void btOkMouseDown();
  void EscapeButtonClick();

  ui::Panel* pnInfo = nullptr;
  ui::Panel* pnInfoValue = nullptr;
  ui::Panel* pnPower = nullptr;
  ui::Panel* pnPowerValue = nullptr;
  TLbButton* btApply = nullptr;
  TLbButton* btCancel = nullptr;
  TLbButton* btOk = nullptr;

 protected:
  explicit TSystemCalBaseFrm(QWidget* owner);
  // The info row's text.
  virtual std::string InfoText() const = 0;
  // Solves the system calibration in force with the best method its standards allow; false
  // when no method applies.
  bool Solve();
  void CloseAs(int result);
};

class TSystemCalFrm : public TSystemCalBaseFrm {
  Q_OBJECT

 public:
  explicit TSystemCalFrm(QWidget* owner);

  void ArrangeControls() override;
  void UpdateControls() override;
  void pnSerialMouseDown();
  void pnRevisionMouseDown();
  void btAutoCalMouseDown();
  void btSaveEEPROMMouseDown();
  void btLoadEEPROMMouseDown();

  ui::Panel* pnSerial = nullptr;
  ui::Panel* pnSerialValue = nullptr;
  ui::Panel* pnRevision = nullptr;
  ui::Panel* pnRevisionValue = nullptr;
  TLbButton* btAutoCal = nullptr;
  TLbButton* btSaveEEPROM = nullptr;
  TLbButton* btLoadEEPROM = nullptr;

 protected:
  std::string InfoText() const override;
};

class TFactoryCalFrm : public TSystemCalBaseFrm {
  Q_OBJECT

 public:
  explicit TFactoryCalFrm(QWidget* owner);

  void ArrangeControls() override;
  void btApplyMouseDown() override;

 protected:
  std::string InfoText() const override;
};
