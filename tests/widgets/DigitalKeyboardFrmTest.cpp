// The numeric keypad driven by clicks and keys: its layout, the editing keys and typed
// characters on the value, the first typed character, units that say how to read the digits,
// Ok, Cancel and their keys, bad text that leaves the keypad open, and the modeless keypad that
// closes when it loses the activation.
#include "widgets/DigitalKeyboardFrm.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "WidgetTest.h"
#include "model/MeasureUnitTables.h"
#include "platform/ui/Edit.h"
#include "widgets/LbButton.h"

namespace {

class DigitalKeyboard : public WidgetTest {
 protected:
  DigitalKeyboard() : WidgetTest(12, 7) {}

  // A keypad on value, in unit `index` of table `kind`, recording what its setter gets.
  std::unique_ptr<TDigitalKeyboardFrm> Make(double value, int index = 0, int kind = ukNone,
                                            const std::string& title = "Power", char32_t first = 0) {
    return std::make_unique<TDigitalKeyboardFrm>(
        nullptr, title, index, kind, [this](double x) { delivered.push_back(x); }, [value] { return value; }, first);
  }
  ui::Edit& Edit(TDigitalKeyboardFrm& k) { return *k.CommonEdit; }
  std::string Text(TDigitalKeyboardFrm& k) { return k.CommonEdit->Text(); }
  bool WhollySelected(TDigitalKeyboardFrm& k) {
    return k.CommonEdit->SelStart() == 0 && k.CommonEdit->SelLength() == k.CommonEdit->LineEdit().text().size();
  }
  // Runs the keypad modally with the action; a run the action leaves open ends with 99.
  int RunModal(TDigitalKeyboardFrm& k, std::function<void(TDigitalKeyboardFrm&)> action) {
    Driver().OnNextModal([&](ui::Form&) {
      action(k);
      if (k.ModalResult() == ui::mrNone) k.SetModalResult(99);
    });
    return k.ShowModal();
  }

  std::vector<double> delivered;
};

TEST_F(DigitalKeyboard, LaysItsKeysOutOnAGridOfFieldHeightPlusTwo) {
  auto k = Make(1500.25, 1, ukFrequency);
  EXPECT_EQ(210, k->Width());
  EXPECT_EQ(244, k->Height());
  EXPECT_EQ(ui::Rect(6, 6, 204, 34), k->TopPanel->BoundsRect());
  EXPECT_EQ(ui::Rect(40, 108, 68, 136), Driver().Get("bt5", k.get()).BoundsRect());
  EXPECT_EQ(ui::Rect(74, 210, 136, 238), k->btApply->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 210, 68, 238), k->btCancel->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 40, 136, 68), k->CommonEdit->BoundsRect());
  EXPECT_EQ(ui::Rect(142, 40, 204, 68), k->UnitEdit->BoundsRect());
  EXPECT_EQ(ui::Rect(142, 74, 204, 102), Driver().Get("btM0", k.get()).BoundsRect());
  EXPECT_EQ("MHz", k->UnitEdit->Text());

  // Keys shown per table: four frequency units, three lengths, one dB, none for kind 5.
  struct Case {
    int kind;
    int shown;
    std::vector<std::string> captions;
  };
  const Case cases[] = {{ukFrequency, 4, {"GHz", "MHz", "kHz", "Hz"}},
                        {ukMetricLength, 3, {"m", "cm", "mm"}},
                        {ukDecibel, 1, {"dB"}},
                        {ukNone, 0, {}},
                        {12, 0, {}},
                        {-1, 0, {}}};
  for (const Case& c : cases) {
    auto pad = Make(1, 0, c.kind);
    for (int i = 0; i < 5; ++i) {
      auto& key = Driver().Get<TLbButton>("btM" + std::to_string(i), pad.get());
      EXPECT_EQ(i < c.shown, key.Visible()) << c.kind << " key " << i;
      if (i < c.shown) {
        EXPECT_EQ(c.captions[static_cast<size_t>(i)], key.Caption());
      }
    }
  }
  // Without a unit the unit column lies outside the form; without a title the rows move up.
  auto plain = Make(1, 0, ukNone, "");
  EXPECT_EQ(4 * 28 + 5 * 6, plain->Width());
  EXPECT_EQ(6 * 28 + 7 * 6, plain->Height());
  EXPECT_EQ(ui::Rect(40, 74, 68, 102), Driver().Get("bt5", plain.get()).BoundsRect());
  EXPECT_EQ(ui::Rect(6, 6, 136, 34), plain->CommonEdit->BoundsRect());
}

// Each case: the value shown, the steps ("bt..." a key pressed on the keypad, "<Home>",
// "<End>" and "<Back>" keys in the edit, anything else typed), then the text and whether it
// ends wholly selected.
TEST_F(DigitalKeyboard, EditsTheValueWithKeysAndTypedCharacters) {
  struct Case {
    double value;
    std::vector<std::string> steps;
    std::string text;
    bool selected;
  };
  const Case cases[] = {
      {1500.25, {"bt7"}, "7", false},
      {1500.25, {"7"}, "7", false},
      {0, {"bt5"}, "5", false},
      {0, {"btPoint", "bt5"}, "0.5", false},
      {12, {"btPoint"}, "0.", false},
      {12, {"<End>", "btPoint"}, "12.", false},
      {12.5, {"<End>", "btPoint"}, "12.5", false},
      {12, {"<Home>", "btPoint"}, "0.12", false},
      {12, {"<Home>", ","}, "0.12", false},
      {7, {"btBackSpace"}, "0", true},
      {7, {"<Back>"}, "0", true},
      {7, {"<Home>", "btBackSpace"}, "7", false},
      {75, {"<End>", "btBackSpace"}, "7", false},
      {1, {"0.50", "btMinus"}, "-0.5", false},
      {1500.25, {"-"}, "-1500.25", false},
      {-3, {"btMinus"}, "3", false},
      {1500.25, {"abc xyz"}, "1500.25", true},
      {12, {"<End>", "btLeft", "9"}, "192", false},
      {12, {"<Home>", "btRight", "9"}, "192", false},
      {85, {"bt1", "btPoint", "bt5"}, "1.5", false},
      {85, {"1", ".", "5"}, "1.5", false},
      {0, {"bt1", "btPoint", "bt5"}, "1.5", false},
  };
  for (const Case& c : cases) {
    auto k = Make(c.value);
    k->Show();
    EXPECT_TRUE(WhollySelected(*k));
    for (const std::string& step : c.steps) {
      if (step.rfind("bt", 0) == 0) {
        Driver().Click(Driver().Get(step, k.get()));
      } else if (step == "<Home>") {
        Driver().Key(Edit(*k), ui::vk::Home);
      } else if (step == "<End>") {
        Driver().Key(Edit(*k), ui::vk::End);
      } else if (step == "<Back>") {
        Driver().Key(Edit(*k), ui::vk::Back);
      } else {
        Driver().Type(Edit(*k), step);
      }
    }
    std::ostringstream what;
    for (const std::string& s : c.steps) what << s << ' ';
    EXPECT_EQ(c.text, Text(*k)) << c.value << ": " << what.str();
    if (c.selected) {
      EXPECT_TRUE(WhollySelected(*k)) << c.value << ": " << what.str();
    }
    EXPECT_TRUE(delivered.empty());
    k->Hide();
  }
}

TEST_F(DigitalKeyboard, TheFirstCharacterActsOnlyWhenItIsADigitAPointOrAMinus) {
  std::vector<char32_t> chars;
  for (char32_t c = 0; c < 256; ++c) chars.push_back(c);
  chars.push_back(0xD800);
  chars.push_back(0x1F600);
  for (char32_t c : chars) {
    auto k = Make(1500.25, 0, ukNone, "Power", c);
    k->Show();
    std::string expected = "1500.25";
    if (c >= U'0' && c <= U'9') expected = std::string(1, static_cast<char>(c));
    if (c == U'.' || c == U',') expected = "0.";
    if (c == U'-') expected = "-1500.25";
    EXPECT_EQ(expected, Text(*k)) << "character " << static_cast<unsigned>(c);
    if (expected == "1500.25") {
      EXPECT_TRUE(WhollySelected(*k)) << static_cast<unsigned>(c);
    }
    EXPECT_FALSE(k->ReleasePending()) << "Enter never applies: " << static_cast<unsigned>(c);
    k->Hide();
  }
  EXPECT_TRUE(delivered.empty());
}

TEST_F(DigitalKeyboard, TheChosenUnitSaysHowToReadTheDigits) {
  // MHz shown; 2 typed and kHz pressed: 2 kHz = 0.002 MHz.
  auto k = Make(1500, 1, ukFrequency);
  EXPECT_EQ(ui::mrOk, RunModal(*k, [&](TDigitalKeyboardFrm& pad) {
              Driver().Type(Edit(pad), "2");
              Driver().Press(Driver().Get("btM2", &pad));
              EXPECT_EQ("kHz", pad.UnitEdit->Text());
              Driver().Press(*pad.btApply);
            }));
  ASSERT_EQ(1u, delivered.size());
  EXPECT_DOUBLE_EQ(0.002, delivered[0]);
  EXPECT_EQ(1, k->CallerUnitIndex);

  // 1.5 GHz for a caller speaking MHz.
  delivered.clear();
  auto g = Make(1500, 1, ukFrequency);
  RunModal(*g, [&](TDigitalKeyboardFrm& pad) {
    Driver().Type(Edit(pad), "1.5");
    Driver().Press(Driver().Get("btM0", &pad));
    Driver().Key(Edit(pad), ui::vk::Return);
  });
  ASSERT_EQ(1u, delivered.size());
  EXPECT_DOUBLE_EQ(1500, delivered[0]);

  // Kind 5 passes the value through.
  delivered.clear();
  auto n = Make(1500.25);
  EXPECT_EQ(ui::mrOk, RunModal(*n, [&](TDigitalKeyboardFrm& pad) { Driver().Press(*pad.btApply); }));
  EXPECT_EQ(std::vector<double>{1500.25}, delivered);
}

TEST_F(DigitalKeyboard, EnterAppliesEscapeAndCtrlCCancelCtrlVPastes) {
  struct Case {
    int key;
    ui::ShiftState shift;
    int result;
    bool applied;
  };
  const Case cases[] = {{ui::vk::Return, 0, ui::mrOk, true},
                        {ui::vk::Escape, 0, ui::mrCancel, false},
                        {'C', ui::ssCtrl, ui::mrCancel, false}};
  for (const Case& c : cases) {
    delivered.clear();
    auto k = Make(4.5);
    const int result = RunModal(*k, [&](TDigitalKeyboardFrm& pad) { Driver().Key(Edit(pad), c.key, c.shift); });
    EXPECT_EQ(c.result, result) << c.key;
    EXPECT_EQ(c.applied ? std::vector<double>{4.5} : std::vector<double>{}, delivered) << c.key;
  }
  // Cancel on the key itself.
  delivered.clear();
  auto k = Make(4.5);
  EXPECT_EQ(ui::mrCancel, RunModal(*k, [&](TDigitalKeyboardFrm& pad) { Driver().Press(*pad.btCancel); }));
  EXPECT_TRUE(delivered.empty());

  QGuiApplication::clipboard()->setText("42.5");
  auto p = Make(4.5);
  RunModal(*p, [&](TDigitalKeyboardFrm& pad) {
    Driver().Key(Edit(pad), 'V', ui::ssCtrl);
    EXPECT_EQ("42.5", Text(pad));
    Driver().Key(Edit(pad), 'A', ui::ssCtrl);
    EXPECT_TRUE(WhollySelected(pad));
    Driver().Press(*pad.btApply);
  });
  EXPECT_EQ(std::vector<double>{42.5}, delivered);
}

// Pasted text then Ok: either one finite number is delivered and the keypad closes, or the
// conversion message shows once, nothing is applied and the keypad stays open.
TEST_F(DigitalKeyboard, BadTextShowsTheMessageOnceAndKeepsTheKeypadOpen) {
  struct Case {
    std::string text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"-", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"1e999", std::nullopt},
      {"1,5", 1.5},
      {"1.5.5", std::nullopt},
      {std::string(10000, '1'), std::nullopt},
      {std::string(10000, '0'), std::nullopt},  // longer than any number the reader takes
      {"\u0661\u0662", std::nullopt},
      {"1\U0001F600", std::nullopt},
      {" 2.5 ", 2.5},
      {"1e308", std::nullopt},  // in GHz for a caller in Hz: too large
  };
  for (const Case& c : cases) {
    delivered.clear();
    Driver().Box().ClearLog();
    const bool huge = c.text == "1e308";
    auto k = Make(1, huge ? 3 : 0, huge ? ukFrequency : ukNone);
    QGuiApplication::clipboard()->setText(QString::fromStdString(c.text));
    int openAfterOk = -1;
    RunModal(*k, [&](TDigitalKeyboardFrm& pad) {
      Driver().Key(Edit(pad), 'V', ui::ssCtrl);
      if (huge) Driver().Press(Driver().Get("btM0", &pad));
      Driver().Press(*pad.btApply);
      openAfterOk = pad.ModalResult() == ui::mrNone ? 1 : 0;
    });
    const std::string shown = c.text.substr(0, 12);
    if (c.value) {
      EXPECT_EQ(std::vector<double>{*c.value}, delivered) << shown;
      EXPECT_EQ(0, openAfterOk) << shown;
      EXPECT_TRUE(Driver().Box().Shown().empty()) << shown;
    } else {
      EXPECT_TRUE(delivered.empty()) << shown;
      EXPECT_EQ(1, openAfterOk) << shown;
      ASSERT_EQ(1u, Driver().Box().Shown().size()) << shown;
      EXPECT_NE(std::string::npos, Driver().Box().Shown()[0].find("is not a valid floating point value")) << shown;
    }
  }
}

TEST_F(DigitalKeyboard, AModelessKeypadClosesOnOkOrWhenItLosesTheActivation) {
  QPointer<TDigitalKeyboardFrm> k = Make(3.25).release();
  k->Show();
  Driver().Type(*k->CommonEdit, "9");
  Driver().Deactivate(*k);
  Driver().ProcessEvents();
  EXPECT_TRUE(k.isNull());
  EXPECT_TRUE(delivered.empty());

  QPointer<TDigitalKeyboardFrm> ok = Make(3.25).release();
  ok->Show();
  Driver().Press(*ok->btApply);
  Driver().ProcessEvents();
  EXPECT_TRUE(ok.isNull());
  EXPECT_EQ(std::vector<double>{3.25}, delivered);
}

}  // namespace
