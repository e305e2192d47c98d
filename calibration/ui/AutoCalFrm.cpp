#include "calibration/ui/AutoCalFrm.h"

#include <QPointer>

#include "calibration/ECal.h"
#include "calibration/ui/CalibrationFrm.h"
#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "widgets/DialogSkin.h"
#include "widgets/LbButton.h"

namespace {

const char* const kStateNames[] = {"Short All Ports",  "Open All Ports",   "Load All Ports",
                                   "Thru A-B",         "Short All Load A", "Short All Load B",
                                   "Attenuator A-B",   "Load 2 All Ports", "Open 2 All Ports"};

TECal* Module() { return LiveMainFrm() != nullptr ? MainFrm->ECal : nullptr; }

bool ServiceMode() { return IsServiceEnabled(); }

}  // namespace

TAutoCalFrm::TAutoCalFrm(QWidget* owner, bool system)
    : TTouchDialogFrm(owner, TranslationKey("Autocalibration")), System(system) {
  SetName("AutoCalFrm");
  ViewHook.Install(TDialogHook::ActiveViewChanged(), [this] { UpdateControls(); });

  pnCalModule = MakeCaptionPanel("pnCalModule", TranslationKey("AutoCal Module"));
  pnCalModuleValue = MakeValuePanel("pnCalModuleValue");
  pnCharacterization = MakeCaptionPanel("pnCharacterization", TranslationKey("Characterization"));
  pnCharacterizationValue = MakeValuePanel("pnCharacterizationValue");
  pnOrientation = MakeCaptionPanel("pnOrientation", TranslationKey("Orientation"));
  pnOrientationValue = MakeValuePanel("pnOrientationValue");
  pnTermocompensation = MakeCaptionPanel("pnTermocompensation", TranslationKey("Termocompensation"));
  pnTermocompensationValue = MakeValuePanel("pnTermocompensationValue");
  pnSwitchState = MakeCaptionPanel("pnSwitchState", TranslationKey("Switch State"));
  pnSwitchStateValue = MakeValuePanel("pnSwitchStateValue");
  btConfidence = MakeButton(this, "btConfidence", TranslateText("Confidence Check"));
  btCharInfo = MakeButton(this, "btCharInfo", TranslateText("Characterization Info"));
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btAutoCal = MakeButton(this, "btAutoCal", TranslateText("Calibrate"));
  btConfidence->SetEnabled(false);

  BindRow(*pnCalModule, *pnCalModuleValue, [] {});
  BindRow(*pnCharacterization, *pnCharacterizationValue, [this] { pnCharacterizationMouseDown(); });
  BindRow(*pnOrientation, *pnOrientationValue, [this] { pnOrientationMouseDown(); });
  BindSwitchRow(
      *pnTermocompensation, *pnTermocompensationValue,
      [] { return Module() != nullptr && Module()->ThermoCompensation; },
      [](bool on) {
        if (TECal* m = Module()) m->SetThermoCompensation(on);
      });
  BindRow(*pnSwitchState, *pnSwitchStateValue, [this] { pnSwitchStateMouseDown(); });
  BindButton(*btCharInfo, [this] { btCharInfoMouseDown(); });
  BindButton(*btCancel, [this] { btCancelMouseDown(); });
  BindButton(*btAutoCal, [this] { btAutoCalMouseDown(); });
  OnKeyDown = [this](ui::Control&, int& key, ui::ShiftState) {
    if (key == ui::vk::Escape || key == ui::vk::Cancel) {
      key = 0;
      btCancelMouseDown();
    }
  };

  ArrangeControls();
  UpdateControls();
}

TAutoCalFrm::~TAutoCalFrm() { ViewHook.Restore(); }

void TAutoCalFrm::ArrangeControls() {
  const bool service = ServiceMode();
  ArrangeFrame(service ? 9 : 8);
  const int w = Width();
  int row = 2;
  PlaceCaptionPanels(*pnCalModule, *pnCalModuleValue, GetButtonGridRect(row++, w, 1, 1, 0));
  PlaceCaptionPanels(*pnCharacterization, *pnCharacterizationValue, GetButtonGridRect(row++, w, 1, 1, 0));
  PlaceCaptionPanels(*pnOrientation, *pnOrientationValue, GetButtonGridRect(row++, w, 1, 1, 0));
  PlaceCaptionPanels(*pnTermocompensation, *pnTermocompensationValue, GetButtonGridRect(row++, w, 1, 1, 0));
  if (service) {
    PlaceCaptionPanels(*pnSwitchState, *pnSwitchStateValue, GetButtonGridRect(row++, w, 1, 1, 0));
  } else {
    Omit(*pnSwitchState);
    Omit(*pnSwitchStateValue);
    pnSwitchState->SetVisible(false);
    pnSwitchStateValue->SetVisible(false);
  }
  btConfidence->SetBoundsRect(GetButtonGridRect(row++, w, 1, 1, 0));
  btCharInfo->SetBoundsRect(GetButtonGridRect(row++, w, 1, 1, 0));
  btCancel->SetBoundsRect(GetButtonGridRect(row, w, 1, 2, 0));
  btAutoCal->SetBoundsRect(GetButtonGridRect(row, w, 2, 2, 0));
}

void TAutoCalFrm::showEvent(QShowEvent* event) {
  TTouchDialogFrm::showEvent(event);
  // A dialog made without a module closes as soon as its modal run starts.
  UpdateControls();
}

void TAutoCalFrm::UpdateControls() {
  TECal* module = Module();
  if ((module == nullptr || !module->IsConnected()) && IsModal()) CloseAs(ui::mrCancel);
  if (module == nullptr) return;
  SetValueText(*pnCalModuleValue, module->GetModelName() + " No" + module->GetSerial());
  SetValueText(*pnCharacterizationValue, TECal::GetCharacterizationName(module->Characterization));
  std::string orientation;
  if (module->AutoOrientation) {
    orientation = TranslateText("AUTO");
  } else {
    const int port = module->GetPortMap(0);
    orientation = port == 0 ? TranslateText("Port A") : port == 1 ? TranslateText("Port B") : std::string();
  }
  SetValueText(*pnOrientationValue, orientation);
  SetValueText(*pnTermocompensationValue, OnOffWord(module->ThermoCompensation));
  SetValueText(*pnSwitchStateValue, TranslateText(WordOf(kStateNames, module->SwitchState)));
}

void TAutoCalFrm::CloseAs(int result) {
  ViewHook.Restore();
  CloseWith(result);
}

void TAutoCalFrm::pnCharacterizationMouseDown() {
  if (Module() == nullptr) return;
  int characterization = Module()->Characterization;
  ui::Form& owner = *MainFrm;
  const int result = RunSubDialog([&owner, &characterization] { return RunCharTypeList(owner, characterization); });
  if (result == ui::mrOk) {
    if (TECal* m = Module()) m->SetCharacterization(characterization);
  }
  UpdateControls();
}

void TAutoCalFrm::pnOrientationMouseDown() {
  TECal* module = Module();
  if (module == nullptr) return;
  int choice = module->AutoOrientation ? 0 : module->GetPortMap(0) == 0 ? 1 : 2;
  ui::Form& owner = *MainFrm;
  const int result = RunSubDialog([&owner, &choice] { return RunOrientList(owner, choice); });
  if (result == ui::mrOk) {
    if (TECal* m = Module()) {
      if (choice == 0) {
        m->SetAutoOrientation(true);
      } else if (choice == 1 || choice == 2) {
        m->SetAutoOrientation(false);
        m->SetPortMap(0, choice - 1);
      }
    }
  }
  UpdateControls();
}

void TAutoCalFrm::pnSwitchStateMouseDown() {
  TECal* module = Module();
  if (module == nullptr || !module->IsConnected() || !ServiceMode()) return;
  int state = module->SwitchState;
  ui::Form& owner = *MainFrm;
  const int result = RunSubDialog([&owner, &state] { return RunStateList(owner, state); });
  if (result == ui::mrOk) {
    if (TECal* m = Module(); m != nullptr && m->IsConnected()) m->SetState(state);
  }
  UpdateControls();
}

void TAutoCalFrm::btCharInfoMouseDown() {
  if (LiveMainFrm() == nullptr) return;
  RunFactoryDialog(*this, *MainFrm, "TCharInfoFrm");
  UpdateControls();
}

void TAutoCalFrm::btCancelMouseDown() { CloseAs(ui::mrCancel); }

void TAutoCalFrm::btAutoCalMouseDown() {
  TECal* module = Module();
  if (module == nullptr) return;
  // The run waits in modal boxes, during which the dialog may be deleted.
  QPointer<TAutoCalFrm> self(this);
  const bool done = module->RunAutoCal(System);
  if (done && self) CloseAs(ui::mrOk);
}
