// The frequency offset dialog, reached from the service menu: the keypad's numbers as the
// channel stores them, the offsets in the unit that suits them, the keypad switch, the offset
// mode that turns de-embedding off, and the active channel looked up afresh.
#include "dialogs/FreqOffsetFrm.h"

#include "common/FileBytes.h"
#include "dialogs/ProgramRig.h"
#include "display/ViewProperties.h"
#include "model/Range.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

class FreqOffsetDialog : public ProgramRig {
 protected:
  // Opens the service menu and the frequency offset dialog from it; action runs in the latter.
  void InFreqOffset(const std::function<void(ui::Form&)>& action) {
    OnNextDialog("TServiceFrm", [this, action](ui::Form& menu) {
      OnNextDialog("TFreqOffsetFrm", [this, action](ui::Form& form) {
        action(form);
        Press("btOk", form);
      });
      Press("btFreqOffset", menu);
      Press("btOk", menu);
    });
    ClickRight(TRightPanel::kService);
  }
  // Types text on the keypad that a press on the panel opens, and gives Enter; the keypad's
  // first text goes to shown.
  void Keypad(ui::Form& form, const char* panel, const std::string& text, std::string* shown = nullptr) {
    OnNextDialog("TDigitalKeyboardFrm", [this, text, shown](ui::Form& pad) {
      auto& keypad = static_cast<TDigitalKeyboardFrm&>(pad);
      if (shown != nullptr) *shown = keypad.CommonEdit->Text();
      keypad.CommonEdit->SetText(text);
      driver.Key(*keypad.CommonEdit, ui::vk::Return);
    });
    Press(panel, form);
  }
};

TEST_F(FreqOffsetDialog, KeypadNumbersAsTheChannelStoresThem) {
  struct Case {
    const char* panel;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"pnMultTxValue", "2.9", " 2"},     {"pnMultRxValue", "-3.7", " -3"},  {"pnMultTxValue", "5000", " 1000"},
      {"pnDivTxValue", "0", " 1"},        {"pnDivRxValue", "12.99", " 12"},  {"pnOffsetTxValue", "1.5", " 1.5 MHz"},
      {"pnOffsetRxValue", "0.0005", " 500 Hz"}, {"pnOffsetTxValue", "1e12", ""}, {"pnOffsetRxValue", "1e-9", " 0 Hz"},
  };
  std::vector<std::string> shown;
  std::string keypadText;
  int multiplier = 0;
  double offsetTx = 0;
  double maximumMHz = 0;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    InFreqOffset([&](ui::Form& form) {
      for (const Case& c : cases) {
        Keypad(form, c.panel, c.typed);
        shown.push_back(Value(form, c.panel));
      }
      Keypad(form, "pnOffsetRxValue", "0.0005");
      Keypad(form, "pnOffsetRxValue", "0.0005", &keypadText);
      TRange* channel = MainFrm->GetActiveChannel();
      multiplier = channel->GetOffsetMultiplier(0);
      offsetTx = channel->GetOffsetValue(0);
    });
    maximumMHz = MainFrm->GetActiveChannel()->GetOffsetValue(0);
  }));
  ASSERT_EQ(std::size(cases), shown.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    if (*cases[i].shown == '\0') continue;  // checked below
    EXPECT_EQ(cases[i].shown, shown[i]) << cases[i].panel << " " << cases[i].typed;
  }
  EXPECT_EQ("0.0005", keypadText);
  EXPECT_EQ(1000, multiplier);
  EXPECT_GT(offsetTx, 1.5) << "limited to the device's maximum, not kept";
  EXPECT_LT(offsetTx, 1e6);
  EXPECT_EQ(offsetTx, maximumMHz);
}

TEST_F(FreqOffsetDialog, WithoutTheKeypadSwitchOnlyTheModeToggles) {
  std::vector<std::string> fom;
  std::vector<std::string> multiplier;
  bool deembeddingBefore = false;
  bool deembeddingAfter = true;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    ViewProperties->UseDigitalPanel = false;
    TRange* channel = MainFrm->GetActiveChannel();
    const std::string network = platform::Paths::folder("FixtureSim") + "/fixture.s2p";
    testenv::WriteBytes(network, "# MHz S RI R 50\n1 0.1 0 0.9 0 0.9 0 0.1 0\n50000 0.1 0 0.9 0 0.9 0 0.1 0\n");
    channel->LoadDeembeddingFile(0, network);
    channel->SetDeembeddingEnabled(0, true);
    deembeddingBefore = channel->GetDeembeddingEnabled(0);
    InFreqOffset([&](ui::Form& form) {
      multiplier.push_back(Value(form, "pnMultTxValue"));
      Press("pnMultTxValue", form);  // no keypad: an unscripted one would fail the test
      Press("pnOffsetRxValue", form);
      multiplier.push_back(Value(form, "pnMultTxValue"));
      fom.push_back(Value(form, "pnFOMStateValue"));
      Press("pnFOMState", form);
      fom.push_back(Value(form, "pnFOMStateValue"));
      deembeddingAfter = MainFrm->GetActiveChannel()->GetDeembeddingEnabled(0);
      Press("pnFOMStateValue", form);
      fom.push_back(Value(form, "pnFOMStateValue"));
    });
    ViewProperties->UseDigitalPanel = true;
  }));
  EXPECT_EQ((std::vector<std::string>{" 1", " 1"}), multiplier);
  EXPECT_EQ((std::vector<std::string>{" OFF", " ON", " OFF"}), fom);
  EXPECT_TRUE(deembeddingBefore);
  EXPECT_FALSE(deembeddingAfter);
}

TEST_F(FreqOffsetDialog, FollowsARemoteChangeOfTheActiveChannel) {
  std::string shown;
  bool firstMode = true;
  bool secondMode = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English", "EnableService"}, [&] {
    MainFrm->SetChannelLayout(1);
    MainFrm->SetChannelCount(2);
    MainFrm->SetActiveView(0);
    MainFrm->GetChannel(1)->SetOffsetMultiplier(0, 7);
    InFreqOffset([&](ui::Form& form) {
      MainFrm->SetActiveView(1);  // as a remote client would
      Press("pnFOMState", form);
      shown = Value(form, "pnMultTxValue");
      firstMode = MainFrm->GetChannel(0)->FOMState;
      secondMode = MainFrm->GetChannel(1)->FOMState;
    });
  }));
  EXPECT_EQ(" 7", shown);
  EXPECT_FALSE(firstMode);
  EXPECT_TRUE(secondMode);
}

}  // namespace
