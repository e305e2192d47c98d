// The kit editor, reached as a user reaches it: the calibration dialog's kit row, the kit list's
// "Edit Cal Kit". Values go to the kit in its units and show as typed; any change enables
// Restore, which brings the built-in values and name back; the database switch stays off
// without a file; a missing file changes nothing; a typed digit opens the keypad holding it;
// a drag of more than ten pixels scrolls one line.
#include "calibration/ui/CalKitFrm.h"

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "dialogs/ProgramRig.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

class KitEditor : public ProgramRig {
 protected:
  void SetUp() override {
    ProgramRig::SetUp();
    RegisterCalibrationDialogs();
  }
  void Keypad(const std::string& text, std::string* shown = nullptr) {
    driver.OnNextModal([this, text, shown](ui::Form& form) {
      auto* keypad = qobject_cast<TDigitalKeyboardFrm*>(&form);
      ASSERT_NE(nullptr, keypad);
      if (shown != nullptr) *shown = keypad->CommonEdit->Text();
      if (!text.empty()) keypad->CommonEdit->SetText(text);
      driver.Key(*keypad->CommonEdit, ui::vk::Return);
    });
  }
  // Calibration dialog -> kit row -> kit list -> "Edit Cal Kit" on the selected kit.
  void WithEditor(const std::function<void(TCalKitFrm&)>& checks) {
    bool ran = false;
    OnNextDialog("TCalibrationFrm", [&](ui::Form& calibration) {
      driver.OnNextModal([&](ui::Form& list) {
        OnNextDialog("TCalKitFrm", [&](ui::Form& form) {
          ran = true;
          checks(static_cast<TCalKitFrm&>(form));
          driver.Key(form, ui::vk::Escape);
        });
        Press("btEditKit", list);
        EXPECT_TRUE(list.Visible()) << "the list comes back after the editor";
        driver.Key(list, ui::vk::Escape);
      });
      Press("pnCalKitValue", calibration);
      Press("btCancel", calibration);
    });
    ClickLeft(TLeftPanel::kCalibration);
    EXPECT_TRUE(ran);
  }
  static void Select(TCalKitFrm& d, int column, int row) { d.sgList->SetCurrent(column, row); }
};

TEST_F(KitEditor, ValuesRestoreDatabaseSwitchAndKeys) {
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    TCalKit& kit = *CalKitsModule->GetKits().GetSelected();
    const std::string builtInName = kit.Name;
    WithEditor([&](TCalKitFrm& d) {
      const int m = TTouchDialogFrm::Margin();
      const int f = TTouchDialogFrm::FieldHeight();
      EXPECT_EQ(5 * m + 9 * f + 6, d.ClientHeight());
      EXPECT_EQ(4 * TTouchForm::ButtonTextWidth("HHHHHHHHHH") + TTouchForm::ButtonTextWidth(std::string(20, 'H')) + 4 * m,
                d.Width());
      EXPECT_FALSE(d.btRestore->Enabled());
      // Open is standard 1 (column 2): C0 in row 1, offset loss in row 11.
      Select(d, 2, 1);
      Keypad("199.51");
      d.sgListDblClick();
      EXPECT_DOUBLE_EQ(1.9951e-13, kit.GetStandard(1)->GetC(0));
      EXPECT_EQ("199.51", d.sgList->Cell(2, 1));
      EXPECT_TRUE(d.btRestore->Enabled());
      Select(d, 2, 11);
      Keypad("0.7");
      d.sgListDblClick();
      EXPECT_DOUBLE_EQ(7e8, kit.GetStandard(1)->GetOffsetLoss());
      EXPECT_EQ("0.7", d.sgList->Cell(2, 11));
      // A typed digit opens the keypad holding it.
      Select(d, 1, 5);
      std::string shown;
      Keypad("", &shown);
      char32_t key = U'7';
      d.sgList->OnKeyPress(*d.sgList, key);
      EXPECT_EQ("7", shown);
      EXPECT_EQ(0u, key) << "the key is consumed";
      EXPECT_DOUBLE_EQ(7e-12, kit.GetStandard(0)->GetL(0));
      // Use Database Std without a file stays OFF.
      Select(d, 3, 13);
      d.sgListDblClick();
      EXPECT_FALSE(kit.GetStandard(2)->GetUseDatabaseStd());
      EXPECT_NE(std::string::npos, d.sgList->Cell(3, 13).find("OFF"));
      // Restore brings back the built-in values and name.
      kit.SetName("Mine");
      d.RefreshValues();
      driver.Press(*d.btRestore);
      EXPECT_EQ(builtInName, kit.Name);
      EXPECT_TRUE(kit.IsUnchanged());
      EXPECT_FALSE(d.btRestore->Enabled());
      // An 11 pixel drag downwards in the grid scrolls one line.
      d.sgList->SetTopRow(1);
      const int top = d.sgList->TopRow();
      driver.Drag(*d.sgList, 50, 40, 0, 11, 1);
      EXPECT_EQ(top + 1, d.sgList->TopRow());
    });
  }));
}

}  // namespace
