// The service and factory system calibration dialogs in the running program (demonstration
// mode), reached from the service and factory menus: the keypad rows and their limits, the
// power row and the squares of the calibration in force, the EEPROM question, Apply with and
// without standards, a solve that fails, and the two hooks every way out hands back.
#include "calibration/ui/SystemCalFrm.h"

#include <memory>

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ui/AutoCalFrm.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "calibration/EepromTestSupport.h"
#include "dialogs/ProgramRig.h"
#include "calibration/ui/SweepWait.h"
#include "display/ViewProperties.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/IDeviceModel.h"
#include "model/Services.h"
#include "platform/UsbBackend.h"
#include "platform/ui/ModalWatchdog.h"

namespace {

class CalDialogRulesSystem : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterCalibrationDialogs();
  }
  void Keypad(const std::string& text) {
    driver.OnNextModal([this, text](ui::Form& form) {
      auto* keypad = qobject_cast<TDigitalKeyboardFrm*>(&form);
      ASSERT_NE(nullptr, keypad);
      keypad->CommonEdit->SetText(text);
      driver.Key(*keypad->CommonEdit, ui::vk::Return);
    });
  }
  void Measure(const char* button, ui::Form& form) {
    driver.OnNextModal([](ui::Form& box) { EXPECT_STREQ("TWaitFrm", box.metaObject()->className()); });
    Press(button, form);
  }
  // The service menu's (or the factory menu's) system calibration.
  void FromMenu(const char* menu, const char* dialogClass, const std::function<void(TSystemCalBaseFrm&)>& body) {
    bool ran = false;
    OnNextDialog(menu, [&](ui::Form& service) {
      OnNextDialog(dialogClass, [&](ui::Form& form) {
        ran = true;
        body(static_cast<TSystemCalBaseFrm&>(form));
        if (form.ModalResult() == ui::mrNone) Press("btOk", form);
      });
      Press("btFactoryCal", service);
      Press("btOk", service);
    });
    ClickRight(TRightPanel::kService);
    EXPECT_TRUE(ran) << dialogClass;
  }
  void InstallSentinels() {
    viewCalls = 0;
    kitCalls = 0;
    MainFrm->OnActiveViewChanged = [this](TFObject*) { ++viewCalls; };
    CalKitsModule->OnChange = [this](TFObject*) { ++kitCalls; };
  }
  bool SentinelsBack() {
    const int v = viewCalls;
    const int k = kitCalls;
    if (MainFrm->OnActiveViewChanged) MainFrm->OnActiveViewChanged(nullptr);
    if (CalKitsModule->OnChange) CalKitsModule->OnChange(nullptr);
    return viewCalls == v + 1 && kitCalls == k + 1;
  }
  static int Reflection() { return Services().Device->GetReflectionIndex(); }

  int viewCalls = 0;
  int kitCalls = 0;
};

TEST_F(CalDialogRulesSystem, SerialAndRevisionThroughTheKeypad) {
  ASSERT_TRUE(RunProgram({"EnableService", "DemoMode", "English"}, [&] {
    FromMenu("TServiceFrm", "TSystemCalFrm", [&](TSystemCalBaseFrm& base) {
      auto& d = static_cast<TSystemCalFrm&>(base);
      EXPECT_EQ(TTouchDialogFrm::FrameHeight(12), d.ClientHeight());
      struct Case {
        ui::Panel* row;
        const char* typed;
        const char* shown;
      };
      const Case cases[] = {
          {d.pnSerial, "42", " 00000042"},      {d.pnSerialValue, "1e12", " 99999999"},
          {d.pnSerial, "-5", nullptr},          {d.pnRevision, "12.9", " 9"},
          {d.pnRevisionValue, "0", nullptr},    {d.pnRevision, "3", " 3"},
          {d.pnSerial, "1e308", nullptr},       {d.pnRevision, "-1e308", nullptr},
      };
      for (const Case& c : cases) {
        Keypad(c.typed);
        driver.Press(*c.row);
        EXPECT_EQ(0u, driver.PendingModalActions()) << c.typed;
        if (c.shown != nullptr) {
          EXPECT_EQ(c.shown, (c.row == d.pnSerial || c.row == d.pnSerialValue ? d.pnSerialValue : d.pnRevisionValue)
                                 ->Caption())
              << c.typed;
        }
        // Whatever the module kept is what the panels show.
        char serial[16];
        std::snprintf(serial, sizeof serial, " %08lu", static_cast<unsigned long>(CalibratorModule->SerialNumber));
        EXPECT_EQ(serial, d.pnSerialValue->Caption()) << c.typed;
        EXPECT_EQ(" " + std::to_string(CalibratorModule->GetHardwareRevision()), d.pnRevisionValue->Caption())
            << c.typed;
      }
      EXPECT_GE(CalibratorModule->GetHardwareRevision(), 1);
      EXPECT_LE(CalibratorModule->GetHardwareRevision(), 9);
      // With the keypad off, a press only refreshes.
      ViewProperties->SetUseDigitalPanel(false);
      const uint32_t serialBefore = CalibratorModule->SerialNumber;
      driver.Press(*d.pnSerial);
      driver.Press(*d.pnRevisionValue);
      EXPECT_EQ(serialBefore, CalibratorModule->SerialNumber);
      EXPECT_EQ(0u, driver.PendingModalActions());
      ViewProperties->SetUseDigitalPanel(true);
    });
  }));
}

TEST_F(CalDialogRulesSystem, PowerRowShowsTheSquaresOfTheCalibrationInForce) {
  ASSERT_TRUE(RunProgram({"EnableService", "DemoMode", "English"}, [&] {
    ASSERT_TRUE(WaitForSweep());
    FromMenu("TServiceFrm", "TSystemCalFrm", [&](TSystemCalBaseFrm& d) {
      EXPECT_EQ(" High", d.pnPowerValue->Caption());
      Measure("btOpen", d);
      EXPECT_EQ(TSystemCalBaseFrm::kMeasuredColor, d.pnOpen->Color());
      EXPECT_TRUE(CalibratorModule->GetSystemCalibr().IsStandardSelected(ckOpen, Reflection()));
      Press("pnPowerValue", d);
      EXPECT_EQ(" Low", d.pnPowerValue->Caption());
      EXPECT_TRUE(ScannerModule->GetScanner().LowPower);
      const bool separate = &CalibratorModule->GetSystemCalibr() == &CalibratorModule->GetSystemCalLowPower();
      EXPECT_EQ(separate ? TSystemCalBaseFrm::kNotMeasuredColor : TSystemCalBaseFrm::kMeasuredColor,
                d.pnOpen->Color());
      Press("pnPower", d);
      EXPECT_EQ(" High", d.pnPowerValue->Caption());
      EXPECT_EQ(TSystemCalBaseFrm::kMeasuredColor, d.pnOpen->Color());
      // Cancel clears what was measured and keeps the dialog open.
      Press("btCancel", d);
      EXPECT_EQ(TSystemCalBaseFrm::kNotMeasuredColor, d.pnOpen->Color());
      EXPECT_EQ(ui::mrNone, d.ModalResult());
    });
  }));
}

TEST_F(CalDialogRulesSystem, SaveToEepromAsksFirst) {
  ASSERT_TRUE(RunProgram({"EnableService", "DemoMode", "English"}, [&] {
    FromMenu("TServiceFrm", "TSystemCalFrm", [&](TSystemCalBaseFrm& d) {
      driver.Box().Answer(ui::mrNo);
      Press("btSaveEEPROM", d);
      const auto& log = driver.Box().Log();
      ASSERT_FALSE(log.empty());
      EXPECT_TRUE(log.back().asked);
      EXPECT_EQ("EEPROM contain a Factory Calibration or Calibration Header.\n\rRewrite anyway?", log.back().text);
      EXPECT_EQ("", log.back().caption);
      EXPECT_EQ(0u, driver.Box().PendingAnswers());
      EXPECT_EQ(ui::mrNone, d.ModalResult());
    });
  }));
}

// The standards of the system calibration in force, as a port with small terms would read the
// selected kit's models at 100 .. 1000 MHz; Open and Short alike when identical is set.
void StoreStandards(TCalibr& c, int slot, bool identical) {
  TCalKit& kit = *CalKitsModule->GetKits().GetSelected();
  c.Frequencies.clear();
  for (int kind : {ckShort, ckOpen, ckLoad}) c.Standards[kind][slot].clear();
  for (int i = 0; i < 10; ++i) {
    const double f = 100.0 * (i + 1);
    c.Frequencies.push_back(f);
    const TComplex ed{0.01, -0.02}, es{0.05, 0.03}, er{0.9, -0.1};
    const auto read = [&](const TComplex& g) { return ed + er * g / (TComplex{1, 0} - es * g); };
    SxData sd{}, od{}, ld{};
    sd.Data0 = read(kit.GetShortGamma(f * 1e6));
    od.Data0 = read(kit.GetOpenGamma(f * 1e6));
    ld.Data0 = read(kit.GetLoadGamma(f * 1e6));
    c.Standards[ckShort][slot].push_back(identical ? od : sd);
    c.Standards[ckOpen][slot].push_back(od);
    c.Standards[ckLoad][slot].push_back(ld);
  }
  for (int kind : {ckShort, ckOpen, ckLoad}) {
    c.Measured[kind][slot] = true;
    c.SetStandardSelected(kind, slot, true);
  }
}

TEST_F(CalDialogRulesSystem, ApplySolvesOnlyWithStandardsAndAFailedSolveKeepsTheOldTerms) {
  ASSERT_TRUE(RunProgram({"FactoryMode", "DemoMode", "English"}, [&] {
    FromMenu("TFactoryFrm", "TFactoryCalFrm", [&](TSystemCalBaseFrm& d) {
      EXPECT_EQ(TTouchDialogFrm::FrameHeight(9), d.ClientHeight());
      TCalibr& system = CalibratorModule->GetSystemCalibr();
      system.ClearSelection();
      const int methodBefore = system.GetPortMethod(Reflection());
      const TCalRange* termsBefore = system.Terms;
      Press("btApply", d);
      EXPECT_EQ(methodBefore, system.GetPortMethod(Reflection())) << "nothing measured, nothing solved";
      EXPECT_EQ(termsBefore, system.Terms);
      StoreStandards(system, Reflection(), false);
      d.UpdateControls();
      EXPECT_EQ(TSystemCalBaseFrm::kMeasuredColor, d.pnLoad->Color());
      Press("btApply", d);
      EXPECT_EQ(cmF1, system.GetPortMethod(Reflection()));
      ASSERT_NE(nullptr, system.Terms);
      EXPECT_EQ(ui::mrNone, d.ModalResult());
      // The same reading for Open and Short: the solve fails, told once; the terms stay, and
      // so does the dialog.
      const TCalRange* terms = system.Terms;
      StoreStandards(system, Reflection(), true);
      const size_t messages = driver.Box().Shown().size();
      Press("btApply", d);
      EXPECT_EQ(messages + 1, driver.Box().Shown().size()) << "the failure is told once";
      EXPECT_EQ(terms, system.Terms);
      EXPECT_EQ(cmF1, system.GetPortMethod(Reflection()));
      EXPECT_EQ(ui::mrNone, d.ModalResult());
      EXPECT_TRUE(d.Visible());
    });
  }));
}

TEST_F(CalDialogRulesSystem, EveryWayOutHandsBackBothHooks) {
  ASSERT_TRUE(RunProgram({"EnableService", "DemoMode", "English"}, [&] {
    for (const char* dialogClass : {"TSystemCalFrm", "TFactoryCalFrm"}) {
      for (int way = 0; way < 3; ++way) {
        InstallSentinels();
        OnNextDialog(dialogClass, [&](ui::Form& form) {
          // While it is open, the hooks are the dialog's.
          const int v = viewCalls;
          MainFrm->OnActiveViewChanged(nullptr);
          EXPECT_EQ(v, viewCalls);
          if (way == 0) Press("btOk", form);
          if (way == 1) driver.Key(form, ui::vk::Escape);
          if (way == 2) form.SetModalResult(ui::mrCancel);  // an end no close path saw
        });
        const int result = MainFrm->OpenDialog(*MainFrm, dialogClass, true);
        EXPECT_EQ(way == 0 ? ui::mrOk : ui::mrCancel, result) << dialogClass << way;
        EXPECT_TRUE(SentinelsBack()) << dialogClass << way;
      }
      // Destroyed from outside.
      InstallSentinels();
      {
        std::unique_ptr<TSystemCalBaseFrm> d;
        if (dialogClass == std::string("TSystemCalFrm")) {
          d = std::make_unique<TSystemCalFrm>(MainFrm);
        } else {
          d = std::make_unique<TFactoryCalFrm>(MainFrm);
        }
      }
      EXPECT_TRUE(SentinelsBack()) << dialogClass;
    }
    // A handler someone installed meanwhile is kept.
    InstallSentinels();
    {
      TSystemCalFrm d(MainFrm);
      MainFrm->OnActiveViewChanged = [this](TFObject*) { viewCalls += 100; };
    }
    const int v = viewCalls;
    MainFrm->OnActiveViewChanged(nullptr);
    EXPECT_EQ(v + 100, viewCalls);
  }));
}

}  // namespace


namespace {

// The program connected to an instrument whose memory answers (not the demonstration, where
// the transfers do nothing): the EEPROM buttons of the service dialog.
class CalDialogRulesEeprom : public CalDialogRulesSystem {
 protected:
  void TearDown() override {
    ui::SetModalWatchdogMs(10000);
    CalDialogRulesSystem::TearDown();
  }
  eepromtest::TMemoryEmulator emulator{-1};
  platform::ScopedUsbBackend scoped{emulator};
};

TEST_F(CalDialogRulesEeprom, SaveAsksThenWritesAndLoadBringsTheIdentityBack) {
  ASSERT_TRUE(RunProgram({"EnableService", "English"}, [&] {
    ASSERT_TRUE(WaitFor([] { return ScannerModule->GetScanner().Connected; }));
    ui::SetModalWatchdogMs(60000);
    FromMenu("TServiceFrm", "TSystemCalFrm", [&](TSystemCalBaseFrm& base) {
      auto& d = static_cast<TSystemCalFrm&>(base);
      Keypad("1234");
      driver.Press(*d.pnSerial);
      Keypad("5");
      driver.Press(*d.pnRevision);
      const std::vector<uint8_t> before = emulator.Peek(0, 64 * 1024);
      driver.Box().Answer(ui::mrNo);
      Press("btSaveEEPROM", d);
      EXPECT_EQ(before, emulator.Peek(0, 64 * 1024)) << "No writes nothing";
      driver.Box().Answer(ui::mrYes);
      Press("btSaveEEPROM", d);
      EXPECT_NE(before, emulator.Peek(0, 64 * 1024)) << "Yes writes";
      Keypad("99");
      driver.Press(*d.pnSerial);
      Keypad("2");
      driver.Press(*d.pnRevision);
      EXPECT_EQ(" 00000099", d.pnSerialValue->Caption());
      Press("btLoadEEPROM", d);
      EXPECT_EQ(1234u, CalibratorModule->SerialNumber);
      EXPECT_EQ(5, CalibratorModule->GetHardwareRevision());
      EXPECT_EQ(" 00001234", d.pnSerialValue->Caption());
      EXPECT_EQ(" 5", d.pnRevisionValue->Caption());
      EXPECT_EQ(ui::mrNone, d.ModalResult());
    });
  }));
}

TEST_F(CalDialogRulesEeprom, FactoryApplyWritesOnlyAfterASolve) {
  ASSERT_TRUE(RunProgram({"FactoryMode", "English"}, [&] {
    ASSERT_TRUE(WaitFor([] { return ScannerModule->GetScanner().Connected; }));
    ui::SetModalWatchdogMs(60000);
    FromMenu("TFactoryFrm", "TFactoryCalFrm", [&](TSystemCalBaseFrm& d) {
      TCalibr& system = CalibratorModule->GetSystemCalibr();
      system.ClearSelection();
      const std::vector<uint8_t> before = emulator.Peek(0, 64 * 1024);
      Press("btApply", d);
      EXPECT_EQ(before, emulator.Peek(0, 64 * 1024)) << "nothing measured: nothing written";
      // Open and Short alike: the solve fails and nothing is written.
      StoreStandards(system, Reflection(), true);
      Press("btApply", d);
      EXPECT_EQ(before, emulator.Peek(0, 64 * 1024)) << "a failed solve writes nothing";
      StoreStandards(system, Reflection(), false);
      Press("btApply", d);
      EXPECT_EQ(cmF1, system.GetPortMethod(Reflection()));
      EXPECT_NE(before, emulator.Peek(0, 64 * 1024)) << "written after the solve";
    });
  }));
}

}  // namespace
