// The user calibration dialog in the running program (demonstration mode), opened by its soft
// key: the method Apply chooses from the measured standards, a measurement that turns its
// square light green, Escape and Enter, the correction switch, and the two hooks it holds,
// which every way out hands back to whoever had them before.
#include "calibration/ui/CalibrationFrm.h"

#include <memory>

#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "dialogs/ProgramRig.h"
#include "calibration/ui/SweepWait.h"
#include "calibration/ECal.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "platform/UsbBackend.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"

namespace {

class CalDialogRules : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterCalibrationDialogs();
  }


  // Sentinel handlers in both hooks; each counts its calls.
  void InstallSentinels() {
    viewCalls = 0;
    kitCalls = 0;
    MainFrm->OnActiveViewChanged = [this](TFObject*) { ++viewCalls; };
    CalKitsModule->OnChange = [this](TFObject*) { ++kitCalls; };
  }
  // True when both hooks hold the sentinels again.
  bool SentinelsBack() {
    const int v = viewCalls;
    const int k = kitCalls;
    if (MainFrm->OnActiveViewChanged) MainFrm->OnActiveViewChanged(nullptr);
    if (CalKitsModule->OnChange) CalKitsModule->OnChange(nullptr);
    return viewCalls == v + 1 && kitCalls == k + 1;
  }

  // A standard's press: its sweep runs in the program's wait box, which closes itself.
  void Measure(const char* button, ui::Form& form) {
    driver.OnNextModal([](ui::Form& box) { EXPECT_STREQ("TWaitFrm", box.metaObject()->className()); });
    Press(button, form);
  }

  static int Reflection() { return Services().Device->GetReflectionIndex(); }

  int viewCalls = 0;
  int kitCalls = 0;
};

TEST_F(CalDialogRules, ApplyMethodFollowsTheMeasuredStandards) {
  struct Case {
    bool open, shrt, load;
    int method;
  };
  const Case cases[] = {
      {false, false, false, cmNone}, {false, false, true, cmNone}, {true, false, true, cmRO},
      {false, true, true, cmRS},     {true, true, true, cmF1},     {true, true, false, cmRO},
      {true, false, false, cmRO},    {false, true, false, cmRS},
  };
  for (int slot : {0, 1}) {
    for (const Case& c : cases) {
      TCalibr calibration;
      calibration.SetStandardSelected(ckOpen, slot, c.open);
      calibration.SetStandardSelected(ckShort, slot, c.shrt);
      calibration.SetStandardSelected(ckLoad, slot, c.load);
      EXPECT_EQ(c.method, TCalibrationFrm::ApplyMethod(calibration, slot)) << c.open << c.shrt << c.load << slot;
      // Standards of the other slot never count.
      EXPECT_EQ(cmNone, TCalibrationFrm::ApplyMethod(calibration, 1 - slot));
    }
  }
}

TEST_F(CalDialogRules, OpenAndLoadMeasuredThenEnterAppliesRO) {
  ui::Rect openSquare;
  ui::Rect openButton;
  int height = 0;
  int expected = 0;
  int side = 0;
  int field = 0;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(WaitForSweep());
    InstallSentinels();
    OnNextDialog("TCalibrationFrm", [&](ui::Form& form) {
      auto& dialog = static_cast<TCalibrationFrm&>(form);
      height = dialog.ClientHeight();
      expected = TTouchDialogFrm::FrameHeight(9);
      side = TTouchForm::ButtonTextHeight("H");
      field = TTouchDialogFrm::FieldHeight();
      openSquare = dialog.pnOpen->BoundsRect();
      openButton = dialog.btOpen->BoundsRect();
      EXPECT_EQ(TCalibrationFrm::kNotMeasuredColor, dialog.pnOpen->Color());
      Measure("btOpen", form);
      EXPECT_TRUE(dialog.Visible()) << "shown again after the measurement";
      EXPECT_EQ(TCalibrationFrm::kMeasuredColor, dialog.pnOpen->Color());
      EXPECT_EQ(TCalibrationFrm::kNotMeasuredColor, dialog.pnShort->Color());
      Measure("btLoad", form);
      EXPECT_EQ(TCalibrationFrm::kMeasuredColor, dialog.pnLoad->Color());
      driver.Key(form, ui::vk::Return);
    });
    ClickLeft(TLeftPanel::kCalibration);
    TCalibr* calibration = CalibratorModule->GetUserCalibr();
    ASSERT_NE(nullptr, calibration);
    EXPECT_EQ(cmRO, calibration->GetPortMethod(Reflection()));
    EXPECT_NE(nullptr, calibration->Terms);
    EXPECT_TRUE(SentinelsBack());
  }));
  EXPECT_EQ(expected, height);
  EXPECT_GT(side, 0);
  EXPECT_EQ(side, openSquare.Width());
  EXPECT_EQ(side, openSquare.Height());
  EXPECT_EQ(openButton.Right - (field - side) / 2, openSquare.Right);
}

TEST_F(CalDialogRules, LoadAloneAppliesNothingAndEscapeClears) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(WaitForSweep());
    InstallSentinels();
    // Load alone: Apply closes with Ok and computes nothing.
    int result = -1;
    OnNextDialog("TCalibrationFrm", [&](ui::Form& form) {
      Measure("btLoad", form);
      Press("btApply", form);
    });
    ClickLeft(TLeftPanel::kCalibration);
    TCalibr* calibration = CalibratorModule->GetUserCalibr();
    ASSERT_NE(nullptr, calibration);
    EXPECT_EQ(cmNone, calibration->GetPortMethod(Reflection()));
    EXPECT_TRUE(calibration->IsStandardSelected(ckLoad, Reflection()));
    EXPECT_TRUE(SentinelsBack());
    // Escape, and the cancel key, clear what was measured.
    for (int key : {int(ui::vk::Escape), int(ui::vk::Cancel)}) {
      OnNextDialog("TCalibrationFrm", [&](ui::Form& form) {
        auto& dialog = static_cast<TCalibrationFrm&>(form);
        EXPECT_EQ(TCalibrationFrm::kMeasuredColor, dialog.pnLoad->Color());
        Measure("btShort", form);
        driver.Key(form, key);
      });
      result = MainFrm->OpenDialog(*MainFrm, "TCalibrationFrm", true);
      EXPECT_EQ(ui::mrCancel, result);
      EXPECT_FALSE(calibration->IsStandardSelected(ckLoad, Reflection())) << key;
      EXPECT_FALSE(calibration->IsStandardSelected(ckShort, Reflection())) << key;
      EXPECT_EQ(cmNone, calibration->GetPortMethod(Reflection()));
      EXPECT_TRUE(SentinelsBack()) << key;
      calibration->SetStandardSelected(ckLoad, Reflection(), true);
    }
  }));
}

TEST_F(CalDialogRules, CorrectionRowToggles) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    CalibratorModule->SetCorrection(true);
    OnNextDialog("TCalibrationFrm", [&](ui::Form& form) {
      EXPECT_EQ(" OFF", Value(form, "pnCorrectionValue"));
      Press("pnCorrection", form);
      EXPECT_FALSE(CalibratorModule->IsUserCorrectionDisabled());
      EXPECT_EQ(" ON", Value(form, "pnCorrectionValue"));
      Press("pnCorrectionValue", form);
      EXPECT_TRUE(CalibratorModule->IsUserCorrectionDisabled());
      EXPECT_FALSE(Get("btAutoCal", form).Enabled()) << "no electronic module";
      Press("btCancel", form);
    });
    ClickLeft(TLeftPanel::kCalibration);
  }));
}

TEST_F(CalDialogRules, DestroyedFromOutsideHandsBackBothHooks) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    InstallSentinels();
    auto dialog = std::make_unique<TCalibrationFrm>(MainFrm);
    // While it exists, the hooks are the dialog's.
    const int v = viewCalls;
    MainFrm->OnActiveViewChanged(nullptr);
    EXPECT_EQ(v, viewCalls);
    dialog.reset();
    EXPECT_TRUE(SentinelsBack());
  }));
}

TEST_F(CalDialogRules, AutocalibrationFollowsTheModule) {
  std::unique_ptr<TEmulatedEcal> module = TEmulatedEcal::FromResource("EcalFlash");
  ASSERT_NE(nullptr, module);
  TProgramStart::OnModuleCreated = [&](const std::string& name) {
    if (name != "Device") return;
    if (auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get())) emulator->AttachEcal(module.get());
  };
  bool enabledWithModule = false;
  bool enabledAfterUnplug = true;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ASSERT_TRUE(WaitFor([] { return MainFrm->ECal != nullptr && MainFrm->ECal->IsConnected(); }));
    OnNextDialog("TCalibrationFrm", [&](ui::Form& form) {
      enabledWithModule = Get("btAutoCal", form).Enabled();
      module->Unplug();
      WaitFor([] { return !MainFrm->ECal->IsConnected(); });
      static_cast<TCalibrationFrm&>(form).UpdateStatus();
      enabledAfterUnplug = Get("btAutoCal", form).Enabled();
      Press("btCancel", form);
    });
    ClickLeft(TLeftPanel::kCalibration);
  }));
  TProgramStart::OnModuleCreated = nullptr;
  EXPECT_TRUE(enabledWithModule);
  EXPECT_FALSE(enabledAfterUnplug);
}

}  // namespace
