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

TCalibrationFrm::TCalibrationFrm(QWidget* owner)
    : TStandardsDialogFrm(owner, TranslationKey("Calibration"), /*intoSystem=*/false) {
  SetName("CalibrationFrm");
  KitHook.Install(TDialogHook::KitsChanged(), [this] { UpdateStatus(); });
  ViewHook.Install(TDialogHook::ActiveViewChanged(), [this] { UpdateStatus(); });

  pnCorrection = MakeCaptionPanel("pnCorrection", TranslationKey("Correction"));
  pnCorrectionValue = MakeValuePanel("pnCorrectionValue");
  MakeKitRow();
  MakeStandards();
  btPortExtension = MakeButton(this, "btPortExtension", TranslateText("Port Extension"));
  btAutoCal = MakeButton(this, "btAutoCal", TranslateText("Autocalibration"));
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btApply = MakeButton(this, "btApply", TranslateText("Apply"));

  BindRow(*pnCorrection, *pnCorrectionValue, [this] { CorrectionMouseDown(); });
  BindRow(*pnCalKit, *pnCalKitValue, [this] { CalKitMouseDown(); });
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

void TCalibrationFrm::ArrangeControls() {
  ArrangeFrame(9);
  const int w = Width();
  PlaceCaptionPanels(*pnCorrection, *pnCorrectionValue, GetButtonGridRect(2, w, 1, 1, 0));
  PlaceCaptionPanels(*pnCalKit, *pnCalKitValue, GetButtonGridRect(3, w, 1, 1, 0));
  PlaceStandards(4);
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
