#include "dialogs/System30Frm.h"

#include <memory>
#include <string>

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "dialogs/ShellDialogs.h"
#include "instrument/ScannerModule.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/ui/MessageBox.h"
#include "shell/AboutFrm.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

const char* const kTriggerWords[] = {"Hold", "Single", "Continuous"};
const char* const kTriggerSourceWords[] = {"Internal", "External", "Bus"};
const char* const kClockSourceWords[] = {"Internal", "External"};

void ShowWord(ui::Panel& panel, const char* english) {
  if (*english != '\0') TTouchForm::SetValueText(panel, TranslateText(english));
}

}  // namespace

TSystem30Frm::TSystem30Frm(QWidget* owner) : TTouchDialogFrm(owner, "System") {
  SetName("System30Frm");
  SetKeyHandler(true);
  SetEscapeCloses(true);
  SetRefocusOwner(true);
  if (MainFrm != nullptr) {
    MainFrm->OnStatusChanged = [this](TFObject* sender) { StatusChanged(sender); };
    hooked_ = true;
  }

  pnFactoryOff = MakeCaptionPanel("pnFactoryOff", "System Correction");
  pnFactoryOffValue = MakeValuePanel("pnFactoryOffValue");
  pnTrigger = MakeCaptionPanel("pnTrigger", "Trigger");
  pnTriggerValue = MakeValuePanel("pnTriggerValue");
  pnTriggerSource = MakeCaptionPanel("pnTriggerSource", "Trigger Source");
  pnTriggerSourceValue = MakeValuePanel("pnTriggerSourceValue");
  pnClockSource = MakeCaptionPanel("pnClockSource", "Reference Source");
  pnClockSourceValue = MakeValuePanel("pnClockSourceValue");
  btDisplay = MakeButton(this, "btDisplay", TranslateText("Display"));
  btPreset = MakeButton(this, "btPreset", TranslateText("Preset"));
  btAbout = MakeButton(this, "btAbout", TranslateText("About"));
  btExit = MakeButton(this, "btExit", TranslateText("Program Exit"));
  btExportUser = MakeButton(this, "btExportUser", TranslateText("Export User Calibration"));
  btExportSystem = MakeButton(this, "btExportSystem", TranslateText("Export System Calibration"));
  btImportUser = MakeButton(this, "btImportUser", TranslateText("Import User Calibration"));
  btPowerMeter = MakeButton(this, "btPowerMeter", TranslateText("Power Meter"));
  btOk = MakeButton(this, "btOk", TranslateText("Ok"));

  BindRow(*pnFactoryOff, *pnFactoryOffValue, [this] {
    if (CalibratorModule != nullptr) {
      CalibratorModule->SetSystemCorrectionOff(!CalibratorModule->GetSystemCorrectionOff());
    }
    BringToFront();
    Repaint();
    RefreshValues();
  });
  BindRow(*pnTrigger, *pnTriggerValue, [this] { RunList("TTriggerListFrm"); });
  BindRow(*pnTriggerSource, *pnTriggerSourceValue, [this] { RunList("TTriggerSourceListFrm"); });
  BindRow(*pnClockSource, *pnClockSourceValue, [this] { RunList("TClockSourceListFrm"); });
  BindButton(*btDisplay, [this] {
    if (MainFrm == nullptr) return;
    RunFactoryDialog(*this, *MainFrm, "TDisplayFrm");
    // The look dialog can change the fonts and the metrics.
    RefreshValues();
    ArrangeControls();
  });
  BindButton(*btPreset, [this] {
    if (MainFrm != nullptr) MainFrm->Preset();
    RefreshValues();
  });
  BindButton(*btAbout, [this] {
    RunSubDialog([](QWidget* owner) -> ui::Form* { return new TAboutFrm(owner); }, MainOwner());
  });
  BindButton(*btExit, [this] { Close(TMainFrm::kAbortResult); });
  BindButton(*btExportUser, [this] { ExportCalibration(true); });
  BindButton(*btExportSystem, [this] { ExportCalibration(false); });
  BindButton(*btImportUser, [this] { ImportUserCalibration(); });
  BindButton(*btPowerMeter, [this] {
    if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, "TPowerMeterFrm");
  });
  BindButton(*btOk, [this] { OkAction(); });

  RefreshValues();
  ArrangeControls();
}

TSystem30Frm::~TSystem30Frm() { RemoveStatusHook(); }

void TSystem30Frm::RemoveStatusHook() {
  if (!hooked_) return;
  hooked_ = false;
  if (MainFrm != nullptr) MainFrm->OnStatusChanged = nullptr;
}

void TSystem30Frm::StatusChanged(TFObject*) { RefreshValues(); }

void TSystem30Frm::OkAction() { Close(ui::mrOk); }

void TSystem30Frm::Close(int result) {
  RemoveStatusHook();
  CloseWith(result);
}

int TSystem30Frm::RowCount() const { return IsVorlaMode() ? 10 : 8; }

void TSystem30Frm::RefreshValues() {
  if (CalibratorModule != nullptr) {
    SetValueText(*pnFactoryOffValue, TranslateText(CalibratorModule->GetSystemCorrectionOff() ? "OFF" : "ON"));
  }
  if (ScannerModule != nullptr) {
    ShowWord(*pnTriggerValue, WordOf(kTriggerWords, ScannerModule->TriggerMode));
    ShowWord(*pnTriggerSourceValue, WordOf(kTriggerSourceWords, ScannerModule->TriggerSource));
    ShowWord(*pnClockSourceValue, WordOf(kClockSourceWords, ScannerModule->ClockSource));
  }
}

void TSystem30Frm::ArrangeControls() {
  const int rows = RowCount();
  ArrangeFrame(rows);
  const int w = Width();
  PlaceCaptionPanels(*pnFactoryOff, *pnFactoryOffValue, RowRect(2, w));
  PlaceCaptionPanels(*pnTrigger, *pnTriggerValue, RowRect(3, w));
  PlaceCaptionPanels(*pnTriggerSource, *pnTriggerSourceValue, RowRect(4, w));
  PlaceCaptionPanels(*pnClockSource, *pnClockSourceValue, RowRect(5, w));
  btDisplay->SetBoundsRect(CellRect(6, w, 1, 2));
  btPreset->SetBoundsRect(CellRect(6, w, 2, 2));
  btAbout->SetBoundsRect(CellRect(7, w, 1, 2));
  btExit->SetBoundsRect(CellRect(7, w, 2, 2));
  if (IsVorlaMode()) {
    btExportUser->SetBoundsRect(CellRect(8, w, 1, 2));
    btExportSystem->SetBoundsRect(CellRect(8, w, 2, 2));
    btImportUser->SetBoundsRect(CellRect(9, w, 1, 2));
    btPowerMeter->SetBoundsRect(CellRect(9, w, 2, 2));
  } else {
    for (TLbButton* b : {btExportUser, btExportSystem, btImportUser, btPowerMeter}) Omit(*b);
  }
  btOk->SetBoundsRect(RowRect(rows, w));
}

void TSystem30Frm::RunList(const char* dialogClass) {
  if (MainFrm != nullptr) RunFactoryDialog(*this, *MainFrm, dialogClass);
  BringToFront();
  Repaint();
  RefreshValues();
}

void TSystem30Frm::ExportCalibration(bool user) {
  if (CalibratorModule == nullptr || MainFrm == nullptr) return;
  if (user && CalibratorModule->GetUserCalibr() == nullptr) {
    ui::MessageBox::Get().Show("The active channel has no user calibration.");
    return;
  }
  const std::string power = ScannerModule != nullptr && ScannerModule->Attenuator20dB ? "Low" : "High";
  const std::string section =
      user ? "Channel" + std::to_string(MainFrm->ActiveViewIndex) + "\\Correction\\11" : "System\\Correction\\11";
  const char* title = user ? "Export User Calibration" : "Export System Calibration";
  RunSaveFile(title, 10, ".cal", true, [user, &section, &power](const std::string& path) {
    if (CalibratorModule == nullptr) return;
    // Looked up again: the channel can have changed while the browser was open.
    TCalibr* calibration = user ? CalibratorModule->GetUserCalibr() : &CalibratorModule->GetSystemCalibr();
    if (calibration == nullptr) {
      ui::MessageBox::Get().Show("The active channel has no user calibration.");
      return;
    }
    calibration->ExportToIni(path, section, power);
  });
}

void TSystem30Frm::ImportUserCalibration() {
  if (CalibratorModule == nullptr) return;
  if (CalibratorModule->GetUserCalibr() == nullptr) {
    ui::MessageBox::Get().Show("The active channel has no user calibration.");
    return;
  }
  RunOpenFile("Import User Calibration", 10, [](const std::string& path) {
    TCalibr* calibration = CalibratorModule != nullptr ? CalibratorModule->GetUserCalibr() : nullptr;
    if (calibration == nullptr) return;
    const TCalibrationForm::TResult result = calibration->ImportFromIni(path);
    if (!result) ui::MessageBox::Get().Show(result.Reason);
  });
}
