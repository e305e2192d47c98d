#include "calibration/ui/SystemCalFrm.h"

#include <cstdio>

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ui/CalibrationFrm.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/IDeviceModel.h"
#include "model/MeasureUnitTables.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "platform/ui/Keys.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

TCalibr* SystemCalibr() { return CalibratorModule != nullptr ? &CalibratorModule->GetSystemCalibr() : nullptr; }

bool LowPower() { return ScannerModule != nullptr && ScannerModule->GetScanner().LowPower; }

}  // namespace

// ==== common ground ============================================================================

TSystemCalBaseFrm::TSystemCalBaseFrm(QWidget* owner)
    : TStandardsDialogFrm(owner, TranslationKey("System Calibration"), /*intoSystem=*/true) {
  KitHook.Install(TDialogHook::KitsChanged(), [this] { KitsChanged(); });
  ViewHook.Install(TDialogHook::ActiveViewChanged(), [this] { UpdateControls(); });

  pnInfo = MakeCaptionPanel("pnInfo", TranslationKey("EEPROM Info"));
  pnInfoValue = MakeValuePanel("pnInfoValue");
  MakeKitRow();
  pnPower = MakeCaptionPanel("pnPower", TranslationKey("Output Power"));
  pnPowerValue = MakeValuePanel("pnPowerValue");
  MakeStandards();
  btApply = MakeButton(this, "btApply", TranslateText("Apply"));
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnInfo, *pnInfoValue, [] {});
  BindRow(*pnCalKit, *pnCalKitValue, [this] { pnCalKitMouseDown(); });
  BindRow(*pnPower, *pnPowerValue, [this] { pnPowerMouseDown(); });
  BindButton(*btApply, [this] { btApplyMouseDown(); });
  BindButton(*btCancel, [this] { btCancelMouseDown(); });
  BindButton(*btOk, [this] { btOkMouseDown(); });
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Escape) {
      key = 0;
      EscapeButtonClick();
    }
  };
}

void TSystemCalBaseFrm::KitsChanged() {
  const TCalKit* kit = CalKitsModule != nullptr ? CalKitsModule->GetKits().GetSelected() : nullptr;
  SetValueText(*pnCalKitValue, kit != nullptr ? kit->Name : std::string());
}

void TSystemCalBaseFrm::UpdateControls() {
  SetValueText(*pnInfoValue, InfoText());
  KitsChanged();
  SetValueText(*pnPowerValue, TranslateText(LowPower() ? "Low" : "High"));
  const TCalibr* calibration = SystemCalibr();
  ShowMeasuredStandards(calibration, *pnOpen, *pnShort, *pnLoad);
}

void TSystemCalBaseFrm::pnCalKitMouseDown() {
  if (LiveMainFrm() == nullptr) return;
  ui::Form& owner = *MainFrm;
  RunSubDialog([&owner] { return RunCalKitList(owner); });
  UpdateControls();
}

void TSystemCalBaseFrm::pnPowerMouseDown() {
  if (ScannerModule != nullptr) ScannerModule->SetLowPower(!LowPower());
  UpdateControls();
}

bool TSystemCalBaseFrm::Solve() {
  TCalibr* calibration = SystemCalibr();
  if (calibration == nullptr) return false;
  const int method = TCalibrationFrm::ApplyMethod(*calibration, ReflectionIndex());
  if (method == cmNone) return false;
  // A failing solve raises before anything is committed: the old terms stay.
  calibration->Calculate(ReflectionIndex(), TransmissionIndex(), method);
  return true;
}

void TSystemCalBaseFrm::btApplyMouseDown() {
  Solve();
  UpdateControls();
}

void TSystemCalBaseFrm::btCancelMouseDown() {
  if (TCalibr* calibration = SystemCalibr()) calibration->ClearSelection();
  UpdateControls();
}

void TSystemCalBaseFrm::CloseAs(int result) {
  ReleaseHooks();
  CloseWith(result);
}

void TSystemCalBaseFrm::btOkMouseDown() { CloseAs(ui::mrOk); }

void TSystemCalBaseFrm::EscapeButtonClick() { CloseAs(ui::mrCancel); }

// ==== service form ============================================================================

TSystemCalFrm::TSystemCalFrm(QWidget* owner) : TSystemCalBaseFrm(owner) {
  SetName("SystemCalFrm");
  pnSerial = MakeCaptionPanel("pnSerial", TranslationKey("Serial No"));
  pnSerialValue = MakeValuePanel("pnSerialValue");
  pnRevision = MakeCaptionPanel("pnRevision", TranslationKey("Hardware Rev."));
  pnRevisionValue = MakeValuePanel("pnRevisionValue");
  btAutoCal = MakeButton(this, "btAutoCal", TranslateText("Autocalibration"));
  btSaveEEPROM = MakeButton(this, "btSaveEEPROM", TranslateText("Save to EEPROM"));
  btLoadEEPROM = MakeButton(this, "btLoadEEPROM", TranslateText("Load from EEPROM"));
  BindRow(*pnSerial, *pnSerialValue, [this] { pnSerialMouseDown(); });
  BindRow(*pnRevision, *pnRevisionValue, [this] { pnRevisionMouseDown(); });
  BindButton(*btAutoCal, [this] { btAutoCalMouseDown(); });
  BindButton(*btSaveEEPROM, [this] { btSaveEEPROMMouseDown(); });
  BindButton(*btLoadEEPROM, [this] { btLoadEEPROMMouseDown(); });
  ArrangeControls();
  UpdateControls();
}

void TSystemCalFrm::ArrangeControls() {
  ArrangeFrame(12);
  const int w = Width();
  PlaceCaptionPanels(*pnInfo, *pnInfoValue, GetButtonGridRect(2, w, 1, 1, 0));
  PlaceCaptionPanels(*pnSerial, *pnSerialValue, GetButtonGridRect(3, w, 1, 2, 0));
  PlaceCaptionPanels(*pnRevision, *pnRevisionValue, GetButtonGridRect(3, w, 2, 2, 0));
  PlaceCaptionPanels(*pnCalKit, *pnCalKitValue, GetButtonGridRect(4, w, 1, 1, 0));
  PlaceCaptionPanels(*pnPower, *pnPowerValue, GetButtonGridRect(5, w, 1, 1, 0));
  PlaceStandards(6);
  btAutoCal->SetBoundsRect(GetButtonGridRect(9, w, 1, 1, 0));
  btApply->SetBoundsRect(GetButtonGridRect(10, w, 1, 2, 0));
  btCancel->SetBoundsRect(GetButtonGridRect(10, w, 2, 2, 0));
  btSaveEEPROM->SetBoundsRect(GetButtonGridRect(11, w, 1, 2, 0));
  btLoadEEPROM->SetBoundsRect(GetButtonGridRect(11, w, 2, 2, 0));
  btOk->SetBoundsRect(GetButtonGridRect(12, w, 1, 1, 0));
}

std::string TSystemCalFrm::InfoText() const {
  if (CalibratorModule == nullptr) return {};
  return CalibratorModule->CalDateText + " " + FormatFloat("#0.0#", CalibratorModule->CalTemperature);
}

void TSystemCalFrm::UpdateControls() {
  TSystemCalBaseFrm::UpdateControls();
  if (CalibratorModule != nullptr) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08lu", static_cast<unsigned long>(CalibratorModule->SerialNumber));
    SetValueText(*pnSerialValue, serial);
    SetValueText(*pnRevisionValue, std::to_string(CalibratorModule->GetHardwareRevision()));
  }
  btAutoCal->SetEnabled(IsEcalConnected());
}

void TSystemCalFrm::pnSerialMouseDown() {
  OpenKeypad(
      TranslateText("Serial No"), 0, ukNone,
      IntSetter([](int n) {
        if (CalibratorModule != nullptr) CalibratorModule->SetSerialNumber(n);
      }),
      [] { return CalibratorModule != nullptr ? static_cast<double>(CalibratorModule->SerialNumber) : 0.0; });
  UpdateControls();
}

void TSystemCalFrm::pnRevisionMouseDown() {
  OpenKeypad(
      TranslateText("Hardware Rev."), 0, ukNone,
      IntSetter([](int n) {
        if (CalibratorModule != nullptr) CalibratorModule->SetHardwareRevision(n);
      }),
      [] { return CalibratorModule != nullptr ? static_cast<double>(CalibratorModule->GetHardwareRevision()) : 0.0; });
  UpdateControls();
}

void TSystemCalFrm::btAutoCalMouseDown() {
  if (LiveMainFrm() == nullptr || !IsEcalConnected()) return;
  RunFactoryDialog(*this, *MainFrm, "TAutoCalFrm", 1);
  UpdateControls();
}

void TSystemCalFrm::btSaveEEPROMMouseDown() {
  const int answer = ui::MessageBox::Get().Ask(
      "EEPROM contain a Factory Calibration or Calibration Header.\n\rRewrite anyway?", "",
      ui::MessageBox::Buttons::YesNo);
  if (answer != ui::mrYes || ScannerModule == nullptr || CalibratorModule == nullptr) return;
  ScannerModule->StopSweep();
  CalibratorModule->WriteEeprom();
  UpdateControls();
  ScannerModule->StartSweep(0);
}

void TSystemCalFrm::btLoadEEPROMMouseDown() {
  if (ScannerModule == nullptr || CalibratorModule == nullptr) return;
  ScannerModule->StopSweep();
  CalibratorModule->ReadEeprom();
  UpdateControls();
  ScannerModule->RebuildScanList();
  ScannerModule->StartSweep(0);
}

// ==== factory form ============================================================================

TFactoryCalFrm::TFactoryCalFrm(QWidget* owner) : TSystemCalBaseFrm(owner) {
  SetName("FactoryCalFrm");
  ArrangeControls();
  UpdateControls();
}

void TFactoryCalFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnInfo, *pnInfoValue, GetButtonGridRect(2, w, 1, 1, 0));
  PlaceCaptionPanels(*pnCalKit, *pnCalKitValue, GetButtonGridRect(3, w, 1, 1, 0));
  PlaceCaptionPanels(*pnPower, *pnPowerValue, GetButtonGridRect(4, w, 1, 1, 0));
  PlaceStandards(5);
  btApply->SetBoundsRect(GetButtonGridRect(8, w, 1, 2, 0));
  btCancel->SetBoundsRect(GetButtonGridRect(8, w, 2, 2, 0));
  btOk->SetBoundsRect(GetButtonGridRect(9, w, 1, 1, 0));
}

std::string TFactoryCalFrm::InfoText() const {
  if (CalibratorModule == nullptr) return {};
  return CalibratorModule->CalDateText + " " + FormatFloat("#0.0", CalibratorModule->CalTemperature) +
         "\xC2\xB0" "C ver." + std::to_string(CalibratorModule->GetHardwareRevision());
}

void TFactoryCalFrm::btApplyMouseDown() {
  if (Solve() && ScannerModule != nullptr && CalibratorModule != nullptr) {
    ScannerModule->StopSweep();
    CalibratorModule->WriteEeprom();
    ScannerModule->StartSweep(0);
  }
  UpdateControls();
}
