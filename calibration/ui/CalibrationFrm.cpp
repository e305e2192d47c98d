#include "calibration/ui/CalibrationFrm.h"

#include <QPointer>

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/ECal.h"
#include "calibration/CalibratorModule.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

bool IsEcalConnected() {
  return MainFrm != nullptr && MainFrm->ECal != nullptr && MainFrm->ECal->IsConnected();
}

TCalibrationFrm::TCalibrationFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Calibration")) {
  SetName("CalibrationFrm");
  KitHook.Install(TDialogHook::KitsChanged(), [this] { UpdateStatus(); });
  ViewHook.Install(TDialogHook::ActiveViewChanged(), [this] { UpdateStatus(); });

  pnCorrection = MakeCaptionPanel("pnCorrection", TranslationKey("Correction"));
  pnCorrectionValue = MakeValuePanel("pnCorrectionValue");
  pnCalKit = MakeCaptionPanel("pnCalKit", TranslationKey("Calibration Kit"));
  pnCalKitValue = MakeValuePanel("pnCalKitValue");
  MakeStandardPresses(*this, {{"Open", &btOpen, &pnOpen}, {"Short", &btShort, &pnShort}, {"Load", &btLoad, &pnLoad}});
  btPortExtension = MakeButton(this, "btPortExtension", TranslateText("Port Extension"));
  btAutoCal = MakeButton(this, "btAutoCal", TranslateText("Autocalibration"));
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btApply = MakeButton(this, "btApply", TranslateText("Apply"));

  BindRow(*pnCorrection, *pnCorrectionValue, [this] { CorrectionMouseDown(); });
  BindRow(*pnCalKit, *pnCalKitValue, [this] { CalKitMouseDown(); });
  BindButton(*btOpen, [this] { MeasureStandard(ckOpen); });
  BindButton(*btShort, [this] { MeasureStandard(ckShort); });
  BindButton(*btLoad, [this] { MeasureStandard(ckLoad); });
  BindButton(*btPortExtension, [this] { btPortExtensionMouseDown(); });
  BindButton(*btAutoCal, [this] { btAutoCalMouseDown(); });
  BindButton(*btCancel, [this] { btCancelMouseDown(); });
  BindButton(*btApply, [this] { btApplyMouseDown(); });
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Escape || key == ui::vk::Cancel) {
      key = 0;
      btCancelMouseDown();
    } else if (key == ui::vk::Return) {
      key = 0;
      btApplyMouseDown();
    }
  };

  ArrangeControls();
  UpdateStatus();
}

TCalibrationFrm::~TCalibrationFrm() { ReleaseHooks(); }

void TCalibrationFrm::ReleaseHooks() {
  KitHook.Restore();
  ViewHook.Restore();
}

void TCalibrationFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnCorrection, *pnCorrectionValue, GetButtonGridRect(2, w, 1, 1, 0));
  PlaceCaptionPanels(*pnCalKit, *pnCalKitValue, GetButtonGridRect(3, w, 1, 1, 0));
  PlaceStandards({{btOpen, pnOpen}, {btShort, pnShort}, {btLoad, pnLoad}}, 4, w);
  btPortExtension->SetBoundsRect(GetButtonGridRect(7, w, 1, 1, 0));
  btAutoCal->SetBoundsRect(GetButtonGridRect(8, w, 1, 1, 0));
  btCancel->SetBoundsRect(GetButtonGridRect(9, w, 1, 2, 0));
  btApply->SetBoundsRect(GetButtonGridRect(9, w, 2, 2, 0));
}

void TCalibrationFrm::UpdateStatus() {
  if (CalibratorModule != nullptr) {
    SetValueText(*pnCorrectionValue, OnOffWord(!CalibratorModule->IsUserCorrectionDisabled()));
  }
  if (CalKitsModule != nullptr) {
    const TCalKit* kit = CalKitsModule->GetKits().GetSelected();
    SetValueText(*pnCalKitValue, kit != nullptr ? kit->Name : std::string());
  }
  const TCalibr* calibration = CalibratorModule != nullptr ? CalibratorModule->GetUserCalibr() : nullptr;
  ShowMeasuredStandards(calibration, *pnOpen, *pnShort, *pnLoad);
  btAutoCal->SetEnabled(IsEcalConnected());
}

int TCalibrationFrm::ApplyMethod(const TCalibr& calibration, int reflection) {
  const bool open = calibration.IsStandardSelected(ckOpen, reflection);
  const bool shrt = calibration.IsStandardSelected(ckShort, reflection);
  const bool load = calibration.IsStandardSelected(ckLoad, reflection);
  if (open && shrt && load) return cmF1;
  if (open) return cmRO;
  if (shrt) return cmRS;
  return cmNone;
}

void TCalibrationFrm::CorrectionMouseDown() {
  if (CalibratorModule == nullptr) return;
  CalibratorModule->SetCorrection(!CalibratorModule->IsUserCorrectionDisabled());
  UpdateStatus();
}

void TCalibrationFrm::CalKitMouseDown() {
  if (MainFrm == nullptr) return;
  ui::Form& owner = *MainFrm;
  RunSubDialog([&owner] { return RunCalKitList(owner); });
  UpdateStatus();
}

void TCalibrationFrm::MeasureStandard(int kind) {
  if (CalibratorModule == nullptr) return;
  RunSubDialog([kind]() -> int {
    if (CalibratorModule != nullptr) CalibratorModule->Calibrate(kind, -1, false);
    return ui::mrOk;
  });
  UpdateStatus();
}

void TCalibrationFrm::btPortExtensionMouseDown() {
  if (MainFrm == nullptr) return;
  RunFactoryDialog(*this, *MainFrm, "TPortExtensionFrm");
  UpdateStatus();
}

void TCalibrationFrm::btAutoCalMouseDown() {
  if (MainFrm == nullptr || !IsEcalConnected()) return;
  RunFactoryDialog(*this, *MainFrm, "TAutoCalFrm");
  UpdateStatus();
}

void TCalibrationFrm::btCancelMouseDown() {
  if (CalibratorModule != nullptr) {
    if (TCalibr* calibration = CalibratorModule->GetUserCalibr()) calibration->ClearSelection();
  }
  ReleaseHooks();
  CloseWith(ui::mrCancel);
}

void TCalibrationFrm::btApplyMouseDown() {
  if (CalibratorModule != nullptr) {
    if (TCalibr* calibration = CalibratorModule->GetUserCalibr()) {
      const int method = ApplyMethod(*calibration, ReflectionIndex());
      // A failing solve raises before anything is released: the dialog stays with its standards.
      if (method != cmNone) calibration->Calculate(ReflectionIndex(), TransmissionIndex(), method);
    }
  }
  ReleaseHooks();
  CloseWith(ui::mrOk);
}
