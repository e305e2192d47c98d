// The electronic module's dialog and its characterisation information in the running program
// (demonstration mode with the demonstration module attached): the switch-state row only in
// service mode, the orientation list, the closing when the module goes, the handler it hands
// back, and what the information dialog shows with and without the module.
#include "calibration/ui/AutoCalFrm.h"

#include <memory>

#include "calibration/ECal.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "calibration/ui/CharInfoFrm.h"
#include "dialogs/ProgramRig.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "model/EcalFlash.h"
#include "platform/UsbBackend.h"

namespace {

class ModuleRig : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterCalibrationDialogs();
    module = TEmulatedEcal::FromResource("EcalFlash");
    ASSERT_NE(nullptr, module);
    TProgramStart::OnModuleCreated = [this](const std::string& name) {
      if (name != "Device") return;
      if (auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get()))
        emulator->AttachEcal(module.get());
    };
  }
  void TearDown() override {
    TProgramStart::OnModuleCreated = nullptr;
    ProgramRig::TearDown();
  }
  static bool Connected() {
    return WaitFor([] { return MainFrm->ECal != nullptr && MainFrm->ECal->IsConnected(); });
  }
  void Unplug() {
    module->Unplug();
    WaitFor([] { return !MainFrm->ECal->IsConnected(); });
  }
  // Opens the module's dialog from the calibration dialog's button; the calibration dialog is
  // cancelled afterwards. The result of the module's dialog goes to result.
  void FromCalibrationDialog(const std::function<void(TAutoCalFrm&)>& body, int* result = nullptr) {
    bool ran = false;
    OnNextDialog("TCalibrationFrm", [&](ui::Form& calibration) {
      OnNextDialog("TAutoCalFrm", [&](ui::Form& form) {
        ran = true;
        body(static_cast<TAutoCalFrm&>(form));
        if (form.ModalResult() == ui::mrNone) driver.Key(form, ui::vk::Escape);
        if (result != nullptr) *result = form.ModalResult();
      });
      Press("btAutoCal", calibration);
      Press("btCancel", calibration);
    });
    ClickLeft(TLeftPanel::kCalibration);
    EXPECT_TRUE(ran);
  }

  std::unique_ptr<TEmulatedEcal> module;
};

class EcalDialog : public ModuleRig {};

TEST_F(EcalDialog, SwitchStateRowOnlyInServiceMode) {
  for (bool service : {false, true}) {
    std::vector<std::string> switches = {"DemoMode", "English"};
    if (service) switches.insert(switches.begin(), "EnableService");
    ASSERT_TRUE(RunProgram(switches, [&] {
      ASSERT_TRUE(Connected());
      FromCalibrationDialog([&](TAutoCalFrm& d) {
        EXPECT_EQ(TTouchDialogFrm::FrameHeight(service ? 9 : 8), d.ClientHeight()) << service;
        EXPECT_EQ(service, d.pnSwitchState->Width() > 0) << service;
        EXPECT_FALSE(d.btConfidence->Enabled());
        EXPECT_EQ(" " + MainFrm->ECal->GetModelName() + " No" + MainFrm->ECal->GetSerial(),
                  d.pnCalModuleValue->Caption());
        if (service) {
          PickRow(1);  // "Open All Ports"
          Press("pnSwitchStateValue", d);
          EXPECT_EQ(1, MainFrm->ECal->SwitchState);
          EXPECT_EQ(" Open All Ports", d.pnSwitchStateValue->Caption());
        }
      });
    })) << service;
    ResetRunMode();
  }
}

TEST_F(EcalDialog, OrientationAndCharacterizationLists) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(Connected());
    FromCalibrationDialog([&](TAutoCalFrm& d) {
      PickRow(2);  // "Port B"
      Press("pnOrientation", d);
      EXPECT_FALSE(MainFrm->ECal->AutoOrientation);
      EXPECT_EQ(1, MainFrm->ECal->GetPortMap(0));
      EXPECT_EQ(" Port B", d.pnOrientationValue->Caption());
      PickRow(0);  // "AUTO"
      Press("pnOrientationValue", d);
      EXPECT_TRUE(MainFrm->ECal->AutoOrientation);
      EXPECT_EQ(1, MainFrm->ECal->GetPortMap(0));
      EXPECT_EQ(" AUTO", d.pnOrientationValue->Caption());
      PickRow(1);  // "User 1"
      Press("pnCharacterization", d);
      EXPECT_EQ(1, MainFrm->ECal->Characterization);
      EXPECT_EQ(" User1", d.pnCharacterizationValue->Caption());
      const bool thermal = MainFrm->ECal->ThermoCompensation;
      Press("pnTermocompensationValue", d);
      EXPECT_EQ(!thermal, MainFrm->ECal->ThermoCompensation);
    });
  }));
}

TEST_F(EcalDialog, UnpluggingClosesAsCancelAndHandsBackTheOpenersHandler) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(Connected());
    int calls = 0;
    MainFrm->OnActiveViewChanged = [&](TFObject*) { ++calls; };
    int result = -1;
    bool openerHandlerBack = false;
    OnNextDialog("TCalibrationFrm", [&](ui::Form& calibration) {
      OnNextDialog("TAutoCalFrm", [&](ui::Form& form) {
        Unplug();
        EXPECT_EQ(ui::mrCancel, form.ModalResult());
      });
      result = MainFrm->OpenDialog(calibration, "TAutoCalFrm", true);
      // The calibration dialog's own refresh is in force again.
      const int before = calls;
      MainFrm->OnActiveViewChanged(nullptr);
      openerHandlerBack = calls == before;
      Press("btCancel", calibration);
    });
    ClickLeft(TLeftPanel::kCalibration);
    EXPECT_EQ(ui::mrCancel, result);
    EXPECT_TRUE(openerHandlerBack);
    const int before = calls;
    MainFrm->OnActiveViewChanged(nullptr);
    EXPECT_EQ(before + 1, calls) << "the test's handler is back after both dialogs";
    // Made without a module, the dialog closes as soon as it runs.
    EXPECT_EQ(ui::mrCancel, MainFrm->OpenDialog(*MainFrm, "TAutoCalFrm", true));
    EXPECT_EQ(0u, driver.PendingModalActions());
  }));
}

class CharInfo : public ModuleRig {};

TEST_F(CharInfo, ShowsTheModuleAndItsDescriptor) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(Connected());
    ecal::TDescriptor d;
    ASSERT_TRUE(MainFrm->ECal->ReadDescriptor(d));
    FromCalibrationDialog([&](TAutoCalFrm& autoCal) {
      for (int key : {int(ui::vk::Return), int(ui::vk::Escape), int(ui::vk::Cancel)}) {
        bool shown = false;
        OnNextDialog("TCharInfoFrm", [&](ui::Form& form) {
          shown = true;
          auto& info = static_cast<TCharInfoFrm&>(form);
          const int m = TTouchDialogFrm::Margin();
          const int f = TTouchDialogFrm::FieldHeight();
          const int h = TTouchForm::ButtonTextHeight("H");
          EXPECT_EQ(4 * m + 2 * f + 17 * h, info.ClientHeight());
          EXPECT_EQ(2 * m + 2 * TTouchForm::ButtonTextWidth(std::string(20, 'H')), info.ClientWidth());
          EXPECT_EQ(MainFrm->ECal->GetModelName(), info.sgList->Cell(1, 0));
          EXPECT_EQ(MainFrm->ECal->GetSerial(), info.sgList->Cell(1, 1));
          EXPECT_EQ(std::to_string(d.Points), info.sgList->Cell(1, 8));
          EXPECT_EQ(d.Date + " " + d.Time, info.sgList->Cell(1, 5));
          EXPECT_EQ(TCharInfoFrm::ConnectorText(d.ConnectorA), info.sgList->Cell(1, 10));
          EXPECT_EQ(d.Operator, info.sgList->Cell(1, 16));
          EXPECT_EQ("Data && Time", info.sgList->Cell(0, 5)) << "drawn with one '&'";
          driver.Key(form, key);
          EXPECT_EQ(ui::mrCancel, form.ModalResult()) << key;
        });
        Press("btCharInfo", autoCal);
        EXPECT_TRUE(shown) << key;
        EXPECT_TRUE(autoCal.Visible());
      }
    });
  }));
}

TEST_F(CharInfo, ConnectorCodesOutsideTheTableShowNothing) {
  EXPECT_EQ(TECal::GetConnectorName(12), TCharInfoFrm::ConnectorText(12));
  EXPECT_EQ("APC-7", TCharInfoFrm::ConnectorText(12));
  for (int code : {-1, 13, 32767, -32768}) EXPECT_EQ("", TCharInfoFrm::ConnectorText(code)) << code;
}

TEST_F(CharInfo, UnpluggedShowsTheClearedDescriptor) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(Connected());
    Unplug();
    TCharInfoFrm info(MainFrm);
    EXPECT_EQ("", info.sgList->Cell(1, 0));
    EXPECT_EQ("00000000", info.sgList->Cell(1, 1));
    EXPECT_EQ("0", info.sgList->Cell(1, 8));
    EXPECT_EQ("", info.sgList->Cell(1, 10));
    EXPECT_EQ("", info.sgList->Cell(1, 11));
    EXPECT_EQ("", info.sgList->Cell(1, 16));
  }));
}

}  // namespace
