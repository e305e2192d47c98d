// The on-screen keyboard driven by clicks and keys: its layout, typing over the selected text,
// the deletion keys at the ends of the text and over whole characters, Caps on both layouts,
// the ampersand key, and Ok, Enter, Cancel and Escape with the caller's text.
#include "widgets/VirtualKeyboardFrm.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "WidgetTest.h"
#include "platform/ui/Edit.h"
#include "widgets/LbButton.h"

namespace {

class VirtualKeyboard : public WidgetTest {
 protected:
  VirtualKeyboard() : WidgetTest(12, 7) {}

  // Runs a keyboard on `text` modally with the action; a run it leaves open ends with 99.
  int Run(std::string& text, const std::function<void(TVirtualKeyboardFrm&)>& action) {
    TVirtualKeyboardFrm k(nullptr, text);
    Driver().OnNextModal([&](ui::Form&) {
      action(k);
      if (k.ModalResult() == ui::mrNone) k.SetModalResult(99);
    });
    return k.ShowModal();
  }
  void Press(TVirtualKeyboardFrm& k, bool cyrillic, int tag) {
    TLbButton* key = k.KeyAt(cyrillic, tag);
    ASSERT_NE(nullptr, key) << tag;
    ASSERT_TRUE(key->Showing()) << "key " << tag << " is not in front";
    Driver().Click(*key);
  }
  std::string Text(TVirtualKeyboardFrm& k) { return k.CommonEdit->Text(); }
};

TEST_F(VirtualKeyboard, LaysBothLayoutsOutOnOneGrid) {
  std::string text = "Return Loss";
  TVirtualKeyboardFrm k(nullptr, text);
  EXPECT_EQ(488, k.Width());
  EXPECT_EQ(264, k.Height());
  EXPECT_EQ(ui::Rect(273, 230, 456, 256), k.btApply->BoundsRect());
  EXPECT_EQ(ui::Rect(32, 230, 215, 256), k.btCancel->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 6, 482, 32), k.CommonEdit->BoundsRect());
  EXPECT_EQ(ui::Rect(1, 33, 487, 230), k.pnEn->BoundsRect());
  EXPECT_EQ(k.pnEn->BoundsRect(), k.pnRu->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 70, 32, 96), k.KeyAt(false, 200)->BoundsRect());
  EXPECT_EQ("Q", k.KeyAt(false, 200)->Caption());
  EXPECT_EQ("\u0419", k.KeyAt(true, 200)->Caption());
  EXPECT_EQ(ui::Rect(390, 38, 448, 64), k.KeyAt(false, 112)->BoundsRect());  // Del, double
  EXPECT_EQ(ui::Rect(102, 166, 320, 192), k.KeyAt(true, 503)->BoundsRect());  // the blank
  EXPECT_EQ(nullptr, k.KeyAt(false, 401));
  EXPECT_EQ("Ru", k.KeyAt(true, 500)->Caption());
}

TEST_F(VirtualKeyboard, TypingReplacesTheSelectedTextAndOkApplies) {
  std::string text = "Return Loss";
  EXPECT_EQ(ui::mrOk, Run(text, [&](TVirtualKeyboardFrm& k) {
              Press(k, false, 300);  // A
              Press(k, false, 503);  // blank
              Press(k, false, 101);  // 1
              EXPECT_EQ("Return Loss", k.TextRef) << "nothing changes before Ok";
              Driver().Click(*k.btApply);
            }));
  EXPECT_EQ("A 1", text);

  // Enter in the edit applies too.
  std::string typed = "x";
  EXPECT_EQ(ui::mrOk, Run(typed, [&](TVirtualKeyboardFrm& k) {
              Driver().Type(*k.CommonEdit, "S21 & more");
              Driver().Key(*k.CommonEdit, ui::vk::Return);
            }));
  EXPECT_EQ("S21 & more", typed);
}

TEST_F(VirtualKeyboard, DeletionKeysStopAtTheEndsAndTakeWholeCharacters) {
  std::string text = "ab";
  Run(text, [&](TVirtualKeyboardFrm& k) {
    Driver().Key(*k.CommonEdit, ui::vk::End);
    Press(k, false, 112);  // Del at the end
    EXPECT_EQ("ab", Text(k));
    Driver().Key(*k.CommonEdit, ui::vk::Home);
    Press(k, false, 14);  // backspace at the start
    EXPECT_EQ("ab", Text(k));
    Press(k, false, 112);
    EXPECT_EQ("b", Text(k));
    Press(k, false, 14);
    EXPECT_EQ("b", Text(k));
  });
  std::string wide = "a\U0001F600b";
  Run(wide, [&](TVirtualKeyboardFrm& k) {
    Driver().Key(*k.CommonEdit, ui::vk::End);
    Press(k, false, 512);  // caret left: before b
    Press(k, false, 14);
    EXPECT_EQ("ab", Text(k));
    Press(k, false, 6);  // &
    EXPECT_EQ("a&b", Text(k));
  });
  std::string pair = "\U0001F600\U0001F601";
  Run(pair, [&](TVirtualKeyboardFrm& k) {
    Driver().Key(*k.CommonEdit, ui::vk::Home);
    Press(k, false, 513);  // caret right steps over the whole first character
    Press(k, false, 112);
    EXPECT_EQ("\U0001F600", Text(k));
  });
}

TEST_F(VirtualKeyboard, CapsChangesBothLayoutsAndTheLayoutKeysSwap) {
  std::string text;
  Run(text, [&](TVirtualKeyboardFrm& k) {
    EXPECT_FALSE(k.CyrillicInFront());
    Press(k, false, 500);  // "En" brings the Cyrillic layout
    EXPECT_TRUE(k.CyrillicInFront());
    Press(k, true, 400);  // Caps
    EXPECT_EQ("\u0439", k.KeyAt(true, 200)->Caption());
    EXPECT_EQ("\u0446", k.KeyAt(true, 201)->Caption());
    EXPECT_EQ("\u0443", k.KeyAt(true, 202)->Caption());
    EXPECT_EQ("\u0451", k.KeyAt(true, 100)->Caption());
    EXPECT_EQ("Caps", k.KeyAt(true, 400)->Caption());
    EXPECT_EQ("Ru", k.KeyAt(true, 500)->Caption());
    EXPECT_EQ("Del", k.KeyAt(true, 112)->Caption());
    Press(k, true, 200);
    Press(k, true, 100);
    EXPECT_EQ("\u0439\u0451", Text(k));
    Press(k, true, 500);  // "Ru" brings the Latin layout, in small letters too
    EXPECT_FALSE(k.CyrillicInFront());
    EXPECT_EQ("q", k.KeyAt(false, 200)->Caption());
    Press(k, false, 200);
    Press(k, false, 400);  // Caps back
    Press(k, false, 200);
    EXPECT_EQ("\u0439\u0451qQ", Text(k));
    EXPECT_EQ("\u0419", k.KeyAt(true, 200)->Caption());
    EXPECT_EQ("&&", k.KeyAt(false, 6)->Caption());
  });
}

TEST_F(VirtualKeyboard, CancelAndEscapeKeepTheCallersText) {
  std::string text = "Cable A";
  EXPECT_EQ(ui::mrCancel, Run(text, [&](TVirtualKeyboardFrm& k) {
              Press(k, false, 300);
              Driver().Key(*k.CommonEdit, ui::vk::Escape);
            }));
  EXPECT_EQ("Cable A", text);
  EXPECT_EQ(ui::mrCancel, Run(text, [&](TVirtualKeyboardFrm& k) {
              Press(k, false, 300);
              Driver().Click(*k.btCancel);
            }));
  EXPECT_EQ("Cable A", text);
}

}  // namespace
