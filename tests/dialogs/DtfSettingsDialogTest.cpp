// The DTF Settings dialog opened by the right soft key "DTF Settings" of the running main
// window: what the keypads store through the scanner module's limits, the switch, the unit and
// window lists, and the rows a refresh cannot name.
#include "dialogs/DtfSettingsDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ChannelDialogRig.h"
#include "dialogs/TraceDialogs.h"
#include "instrument/ScannerModule.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/RightPanel.h"

namespace {

class DtfSettingsDialog : public ChannelDialogRig {
 protected:
  void StartDtf() {
    Start();
    RegisterTraceDialogs();
  }
  void WithDialog(const std::function<void(TDTFSettingsFrm&)>& checks) {
    WithModalDialog<TDTFSettingsFrm>([this] { frm->RightPanelClick(TRightPanel::kDtfSettings); }, checks);
  }
};

TEST_F(DtfSettingsDialog, KeypadsStoreThroughTheModuleLimits) {
  StartDtf();
  WithDialog([&](TDTFSettingsFrm& d) {
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(8 * 26 + 9 * 6, d.Height());
    struct Case {
      ui::Panel* row;
      const char* typed;
      ui::Panel* value;
      const char* shown;
      const char* title;
    };
    const Case cases[] = {
        {d.pnVelocity, "1.5", d.pnVelocityValue, " 1", "Velocity"},
        {d.pnVelocityValue, "0", d.pnVelocityValue, " 0.001", "Velocity"},
        {d.pnVelocity, "-1", d.pnVelocityValue, " 0.001", "Velocity"},
        {d.pnVelocity, "1e300", d.pnVelocityValue, " 1", "Velocity"},
        {d.pnVelocity, "0.6591234", d.pnVelocityValue, " 0.659", "Velocity"},
        {d.pnCableLoss, "2000", d.pnCableLossValue, " 1000 dB/m", "Cable Loss"},
        {d.pnCableLossValue, "-1", d.pnCableLossValue, " 0 dB/m", "Cable Loss"},
        {d.pnCableLoss, "0.157", d.pnCableLossValue, " 0.157 dB/m", "Cable Loss"},
    };
    for (const Case& c : cases) {
      std::string title;
      Keypad(c.typed, &title);
      driver.Press(*c.row);
      EXPECT_EQ(c.shown, c.value->Caption()) << c.row->Name() << " " << c.typed;
      EXPECT_EQ(c.title, title);
      EXPECT_TRUE(d.Visible());
    }
    EXPECT_DOUBLE_EQ(0.6591234, ScannerModule->VelocityFactor);
    EXPECT_DOUBLE_EQ(0.157, ScannerModule->CableLoss);
    EXPECT_EQ(0, ScannerModule->GetCableStdIndex());
    EXPECT_EQ(" User Defined", d.pnCableValue->Caption());

    const bool loss = ScannerModule->EnableCableLoss;
    driver.Press(*d.pnEnableCL);
    EXPECT_EQ(!loss, ScannerModule->EnableCableLoss);
    EXPECT_EQ(!loss ? " ON" : " OFF", d.pnEnableCLValue->Caption());
    driver.Press(*d.pnEnableCLValue);
    EXPECT_EQ(loss, ScannerModule->EnableCableLoss);
    EXPECT_EQ(loss ? " ON" : " OFF", d.pnEnableCLValue->Caption());
  });
}

TEST_F(DtfSettingsDialog, WithoutTheDigitalPanelTheNumberRowsOpenNothing) {
  StartDtf();
  Look().SetUseDigitalPanel(false);
  WithDialog([&](TDTFSettingsFrm& d) {
    const double velocity = ScannerModule->VelocityFactor;
    bool opened = false;
    driver.OnNextModal([&](ui::Form& form) {
      opened = true;
      form.SetModalResult(ui::mrCancel);
    });
    driver.Press(*d.pnVelocity);
    driver.Press(*d.pnCableLossValue);
    EXPECT_FALSE(opened);
    EXPECT_EQ(velocity, ScannerModule->VelocityFactor);
    // With the panel back on, the same row opens the keypad (which takes the waiting action).
    Look().SetUseDigitalPanel(true);
    driver.Press(*d.pnVelocity);
    EXPECT_TRUE(opened);
  });
}

TEST_F(DtfSettingsDialog, ListsShowTheirChoiceOnReturnAndAnUnnamedWindowKeepsItsText) {
  StartDtf();
  View().SetTransformBeta(4);
  WithDialog([&](TDTFSettingsFrm& d) {
    EXPECT_EQ(" Normal", d.pnDTFWindowValue->Caption());
    std::string list;
    ChooseInList("Imperial, ft", &list);
    driver.Press(*d.pnDTFUnitValue);
    EXPECT_EQ(2, ScannerModule->MetricSystem);
    EXPECT_EQ(" Imperial, ft", d.pnDTFUnitValue->Caption());
    EXPECT_TRUE(d.Visible());
    ChooseInList("Minimum", &list);
    driver.Press(*d.pnDTFWindow);
    EXPECT_EQ(" Minimum", d.pnDTFWindowValue->Caption());
    // The engine moves the beta off the three named windows: the row keeps its text.
    View().SetTransformBeta(4);
    driver.Press(*d.pnEnableCL);
    EXPECT_EQ(" Minimum", d.pnDTFWindowValue->Caption());
  });
}

}  // namespace
