// The port extension dialog in the running program, reached from the calibration dialog: the
// keypad rows pass their values in the engine's units and show what the channel kept, the
// switches toggle, bad keypad values leave the panels showing what the engine holds, and with
// the keypad switched off a press only refreshes.
#include "calibration/ui/PortExtensionFrm.h"

#include "calibration/ui/CalibrationDialogs.h"
#include "dialogs/ProgramRig.h"
#include "display/ViewProperties.h"
#include <cmath>

#include "model/Range.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

class PortExtensionDialog : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterCalibrationDialogs();
  }
  // The next keypad: the text typed, then Enter.
  void Keypad(const std::string& text) {
    driver.OnNextModal([this, text](ui::Form& form) {
      auto* keypad = qobject_cast<TDigitalKeyboardFrm*>(&form);
      ASSERT_NE(nullptr, keypad);
      keypad->CommonEdit->SetText(text);
      driver.Key(*keypad->CommonEdit, ui::vk::Return);
    });
  }
  // Opens the calibration dialog by its soft key, then the port extension from it.
  void WithDialog(const std::function<void(TPortExtensionFrm&)>& checks) {
    bool ran = false;
    OnNextDialog("TCalibrationFrm", [&](ui::Form& calibration) {
      OnNextDialog("TPortExtensionFrm", [&](ui::Form& form) {
        ran = true;
        checks(static_cast<TPortExtensionFrm&>(form));
        driver.Key(form, ui::vk::Escape);
      });
      Press("btPortExtension", calibration);
      EXPECT_TRUE(calibration.Visible());
      Press("btCancel", calibration);
    });
    ClickLeft(TLeftPanel::kCalibration);
    EXPECT_TRUE(ran);
  }
};

TEST_F(PortExtensionDialog, KeypadRowsPassEngineUnitsAndShowWhatWasKept) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    WithDialog([&](TPortExtensionFrm& d) {
      EXPECT_EQ(TTouchDialogFrm::FrameHeight(9), d.ClientHeight());
      TRange& ch = *MainFrm->GetActiveChannel();
      Keypad("10");
      driver.Press(*d.pnExtension);
      EXPECT_DOUBLE_EQ(1e-11, ch.GetPortExtension(0));
      EXPECT_EQ(" 10 ps", d.pnExtensionValue->Caption());
      Keypad("2000");
      driver.Press(*d.pnFreq1Value);
      EXPECT_DOUBLE_EQ(2000, ch.GetExtFreq1());
      EXPECT_EQ(" 2 GHz", d.pnFreq1Value->Caption());
      Keypad("0.5");
      driver.Press(*d.pnLoss2);
      EXPECT_DOUBLE_EQ(0.5, ch.GetExtLoss2());
      // Bad values: whatever the setters keep is what the panels show.
      for (const char* typed : {"0", "-5"}) {
        for (ui::Panel* row : {d.pnExtension, d.pnLoss1, d.pnFreq2, d.pnLossAtDC}) {
          Keypad(typed);
          driver.Press(*row);
        }
        d.RefreshValues();
        const std::string extension = d.pnExtensionValue->Caption();
        const std::string freq2 = d.pnFreq2Value->Caption();
        TPortExtensionFrm fresh(MainFrm);
        EXPECT_EQ(fresh.pnExtensionValue->Caption(), extension) << typed;
        EXPECT_EQ(fresh.pnFreq2Value->Caption(), freq2) << typed;
        EXPECT_TRUE(std::isfinite(ch.GetPortExtension(0))) << typed;
      }
      // Switches.
      const bool on = ch.PortExtensionsEnabled;
      driver.Press(*d.pnPortExtensionValue);
      EXPECT_EQ(!on, ch.PortExtensionsEnabled);
      EXPECT_EQ(on ? " OFF" : " ON", d.pnPortExtensionValue->Caption());
      const bool loss1 = ch.GetExtLoss1Enabled();
      driver.Press(*d.pnLoss1On);
      EXPECT_EQ(!loss1, ch.GetExtLoss1Enabled());
    });
  }));
}

TEST_F(PortExtensionDialog, ExtremeKeypadValuesCloseTheKeypad) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    WithDialog([&](TPortExtensionFrm& d) {
      TRange& ch = *MainFrm->GetActiveChannel();
      for (const char* typed : {"1e308", "-1e308", "1e-308", "1e9"}) {
        for (ui::Panel* row : {d.pnExtension, d.pnLoss1, d.pnLoss2, d.pnFreq1, d.pnFreq2, d.pnLossAtDC}) {
          bool closed = false;
          driver.OnNextModal([&, typed](ui::Form& form) {
            auto* keypad = qobject_cast<TDigitalKeyboardFrm*>(&form);
            ASSERT_NE(nullptr, keypad);
            keypad->CommonEdit->SetText(typed);
            driver.Key(*keypad->CommonEdit, ui::vk::Return);
            closed = keypad->ModalResult() != ui::mrNone;
            if (!closed) keypad->SetModalResult(ui::mrCancel);
          });
          driver.Press(*row);
          EXPECT_TRUE(closed) << typed << " in " << row->Name();
          EXPECT_TRUE(std::isfinite(ch.GetPortExtension(0))) << typed;
        }
        // What the panels show is what the channel holds.
        const std::string shown = d.pnExtensionValue->Caption();
        TPortExtensionFrm fresh(MainFrm);
        EXPECT_EQ(fresh.pnExtensionValue->Caption(), shown) << typed;
      }
      ch.SetPortExtension(0, 0);
    });
  }));
}

TEST_F(PortExtensionDialog, WithoutTheKeypadAPressOnlyRefreshes) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    ViewProperties->SetUseDigitalPanel(false);
    WithDialog([&](TPortExtensionFrm& d) {
      TRange& ch = *MainFrm->GetActiveChannel();
      const double delay = ch.GetPortExtension(0);
      driver.Press(*d.pnExtension);
      driver.Press(*d.pnLossAtDCValue);
      EXPECT_EQ(delay, ch.GetPortExtension(0));
      EXPECT_EQ(0u, driver.PendingModalActions());
      const bool loss2 = ch.GetExtLoss2Enabled();
      driver.Press(*d.pnLoss2OnValue);
      EXPECT_EQ(!loss2, ch.GetExtLoss2Enabled());
    });
    ViewProperties->SetUseDigitalPanel(true);
  }));
}

}  // namespace
