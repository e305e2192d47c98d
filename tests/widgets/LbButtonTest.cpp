// The owner-drawn button: the modern look read back pixel by pixel, caption and glyph
// placement, and its mouse and key input.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "WidgetTest.h"
#include "platform/ui/Form.h"
#include "platform/ui/Panel.h"
#include "platform/ui/RecordingCanvas.h"
#include "widgets/LbButton.h"

namespace {

using Rec = ui::RecordingCanvas;

class LbButton : public WidgetTest {
 protected:
  // A button as the forms set it up: modern, grey, silver light, white shadow.
  TLbButton* Make(int width = 100, int height = 40) {
    auto* b = new TLbButton(&form_);
    b->SetName("btTest");
    b->SetBounds(10, 10, width, height);
    b->SetStyle(TLbButtonStyle::bsModern);
    b->SetColor(ui::clGray);
    b->SetLightColor(ui::clSilver);
    b->SetShadowColor(ui::clWhite);
    return b;
  }
  // The text calls of one paint through fixed metrics (12 high, 7 wide).
  static std::vector<Rec::Call> Texts(TLbButton& b) {
    Rec rec(b.Width(), b.Height());
    b.PaintTo(rec);
    std::vector<Rec::Call> texts;
    for (const Rec::Call& c : rec.CallsOf(Rec::Op::Text)) {
      if (!c.text.empty()) texts.push_back(c);
    }
    return texts;
  }
  // Logs what the button reports.
  void Log(TLbButton& b) {
    b.OnMouseDown = [this](ui::Control&, ui::MouseButton button, ui::ShiftState, int, int) {
      log_.push_back(button == ui::MouseButton::Right ? "down right" : "down");
    };
    b.OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { log_.push_back("up"); };
    b.OnClick = [this](ui::Control&) { log_.push_back("click"); };
    b.OnMouseEnter = [this](ui::Control&) { log_.push_back("enter"); };
    b.OnMouseExit = [this](ui::Control&) { log_.push_back("exit"); };
  }

  // Hidden first, so no late paint reaches a handler that captured a test's locals.
  void TearDown() override {
    form_.Hide();
    WidgetTest::TearDown();
  }

  ui::Form form_;
  std::vector<std::string> log_;
};

TEST_F(LbButton, ModernFaceGradientsFrameAndBorder) {
  form_.SetColor(0x444444);
  TLbButton* b = Make();
  b->PaintNow();
  const ui::Canvas& c = b->KeptCanvas();
  EXPECT_EQ(c.Pixel(50, 0), ui::clWhite) << "rounded border in the shadow colour";
  EXPECT_EQ(c.Pixel(50, 39), ui::clWhite);
  EXPECT_EQ(c.Pixel(0, 0), 0x444444u) << "corners keep the parent's colour";
  EXPECT_EQ(c.Pixel(50, 1), ui::clSilver) << "inner frame, top: light";
  EXPECT_EQ(c.Pixel(1, 20), ui::clSilver) << "inner frame, left: light";
  EXPECT_EQ(c.Pixel(98, 20), 0xBFBFBFu) << "inner frame, right: halfway between white and grey";
  EXPECT_EQ(c.Pixel(50, 38), 0xBFBFBFu) << "inner frame, bottom";
  EXPECT_EQ(c.Pixel(50, 2), ui::clSilver) << "the first gradient starts in the light colour";
  EXPECT_EQ(c.Pixel(50, 10), ui::clGray) << "the face colour at H / 4";
  const auto red = [&c](int y) { return c.Pixel(50, y) & 0xFF; };
  EXPECT_LT(red(5), 0xC0u);
  EXPECT_GT(red(5), red(9)) << "darker towards H / 4";
  EXPECT_GT(red(37), red(20)) << "light again towards the bottom";
  EXPECT_EQ(c.Pixel(50, 37), 0xBBBBBBu);

  Driver().Press(*b);
  EXPECT_TRUE(b->Pressed());
  b->PaintNow();
  EXPECT_EQ(c.Pixel(50, 1), 0xBFBFBFu) << "pressed: the light and dark sides swap";
  EXPECT_EQ(c.Pixel(1, 20), 0xBFBFBFu);
  EXPECT_EQ(c.Pixel(98, 20), ui::clSilver);
  EXPECT_EQ(c.Pixel(50, 38), ui::clSilver);
  EXPECT_EQ(c.Pixel(50, 11), ui::clGray) << "the face moves down one pixel";
  EXPECT_EQ(c.Pixel(50, 0), ui::clWhite);
  Driver().Release(*b);
}

TEST_F(LbButton, CaptionMovesWhenPressedAndIsCutOrWrapped) {
  TLbButton* b = Make(100, 40);
  b->SetCaption("Ok");  // 14 wide in a box of 92
  std::vector<Rec::Call> t = Texts(*b);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].points.at(0), ui::Point(4 + (92 - 14) / 2, 14));
  Driver().Press(*b);
  t = Texts(*b);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].points.at(0), ui::Point(4 + (92 - 14) / 2 + 1, 15));
  Driver().Release(*b);

  b->SetAlignment(ui::Alignment::Left);
  b->SetCaption("Frequency Offset");  // 112 wide: loses its end
  t = Texts(*b);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].text, "Frequency Off");
  EXPECT_EQ(t[0].points.at(0), ui::Point(4, 14));

  b->SetWordWrap(true);
  b->SetCaption("Auto Ref. Value now");  // two lines of 12, centred vertically
  t = Texts(*b);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].text, "Auto Ref.");
  EXPECT_EQ(t[0].points.at(0), ui::Point(4, 8));
  EXPECT_EQ(t[1].text, "Value now");
  EXPECT_EQ(t[1].points.at(0), ui::Point(4, 20));

  b->SetCaption("Gr\xC3\xB6\xC3\x9F" "eneinheitenwahl");  // cut by whole characters
  b->SetWordWrap(false);
  b->SetWidth(50);
  t = Texts(*b);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].text, "Gr\xC3\xB6\xC3\x9F" "en");
}

TEST_F(LbButton, GlyphImageFollowsTheStateAndSitsBesideTheCaption) {
  TLbButton* b = Make(100, 40);
  // Four 10 x 10 pictures, each filled with its own colour but for its white bottom-left pixel.
  const std::vector<QRgb> colours = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF00FFFF};
  QImage strip(40, 10, QImage::Format_RGB32);
  for (int i = 0; i < 4; ++i) {
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) strip.setPixel(i * 10 + x, y, colours[i]);
    }
    strip.setPixel(i * 10, 9, 0xFFFFFFFF);
  }
  b->SetGlyph(strip);
  EXPECT_EQ(b->NumGlyphs(), 4);

  // Without a caption the picture sits at (43, 15), one pixel further while pressed.
  struct Case {
    const char* state;
    std::function<void()> set;
    std::function<void()> reset;
    int image;
    int shift;
  };
  const std::vector<Case> cases = {
      {"up", [] {}, [] {}, 0, 0},
      {"hot", [&] { Driver().Enter(*b); }, [&] { Driver().Leave(*b); }, 3, 0},
      {"pressed", [&] { Driver().Press(*b); }, [&] { Driver().Release(*b); }, 2, 1},
      {"disabled", [&] { b->SetEnabled(false); }, [&] { b->SetEnabled(true); }, 1, 0},
  };
  for (const Case& c : cases) {
    c.set();
    b->PaintNow();
    const ui::Canvas& k = b->KeptCanvas();
    EXPECT_EQ(k.Pixel(48, 20), ui::FromQRgb(colours[c.image])) << c.state;
    EXPECT_EQ(k.Pixel(43 + c.shift, 15 + c.shift), ui::FromQRgb(colours[c.image])) << c.state;
    EXPECT_NE(k.Pixel(43 + c.shift, 24 + c.shift), ui::clWhite) << c.state << ": the key colour is left out";
    c.reset();
  }

  auto drawn = [&b]() {
    Rec rec(b->Width(), b->Height());
    b->PaintTo(rec);
    return rec.CallsOf(Rec::Op::Draw);
  };
  b->SetCaption("Ok");  // 14 wide
  std::vector<Rec::Call> d = drawn();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].points.at(0), ui::Point((100 - 14 - 4 - 10) / 2, 15)) << "beside the centred caption";
  EXPECT_EQ(d[0].transparent, std::optional<ui::TColor>(ui::clWhite));
  b->SetLayout(TLbButtonLayout::blGlyphRight);
  b->SetAlignment(ui::Alignment::Left);
  d = drawn();
  EXPECT_EQ(d[0].points.at(0), ui::Point(14 + 4 + 4, 15)) << "right after the caption";
  b->SetWordWrap(true);
  d = drawn();
  EXPECT_EQ(d[0].points.at(0), ui::Point(100 - 4 - 10, 15)) << "at the right end";

  b->SetGlyph(QImage());
  EXPECT_EQ(b->NumGlyphs(), 0);
  EXPECT_TRUE(drawn().empty());
}

TEST_F(LbButton, DisabledButtonShowsAGreyCaptionAndNeitherPressesNorClicks) {
  TLbButton* b = Make();
  b->SetCaption("Apply");
  Log(*b);
  b->SetEnabled(false);
  Driver().Click(*b);
  EXPECT_FALSE(b->Pressed());
  EXPECT_TRUE(log_.empty());
  const std::vector<Rec::Call> t = Texts(*b);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].font.Color, 0x808080u);
  b->PerformClick();
  EXPECT_TRUE(log_.empty());
}

TEST_F(LbButton, ReleaseInsideClicksAndReleaseOutsideDoesNot) {
  TLbButton* b = Make();
  Log(*b);
  Driver().Press(*b);
  EXPECT_TRUE(b->Pressed());
  Driver().Release(*b, 150, 20);
  EXPECT_FALSE(b->Pressed());
  EXPECT_EQ(log_, (std::vector<std::string>{"down", "up"}));

  log_.clear();
  Driver().Click(*b);
  EXPECT_EQ(log_, (std::vector<std::string>{"down", "up", "click"})) << "the click follows the mouse-up";

  log_.clear();
  Driver().Click(*b, ui::MouseButton::Right);
  EXPECT_EQ(log_, (std::vector<std::string>{"down right", "up", "click"}));

  log_.clear();
  Driver().Enter(*b);
  EXPECT_TRUE(b->Hot());
  Driver().Leave(*b);
  EXPECT_FALSE(b->Hot());
  EXPECT_EQ(log_, (std::vector<std::string>{"enter", "exit"}));
}

TEST_F(LbButton, ClickHandsTheModalResultToTheForm) {
  TLbButton* b = Make();
  b->SetModalResult(ui::mrOk);
  Driver().Click(*b);
  EXPECT_EQ(form_.ModalResult(), ui::mrOk);

  // A handler that hides its dialog (to open another one) leaves the button up.
  form_.SetModalResult(ui::mrNone);
  b->SetModalResult(ui::mrNone);
  form_.Show();
  b->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    form_.Hide();
    form_.Show();
  };
  Driver().Press(*b);
  EXPECT_FALSE(b->Pressed());
  Driver().Release(*b);
}

TEST_F(LbButton, KindsSetModalResultAndCaption) {
  struct Case {
    TLbButtonKind kind;
    int result;
    const char* caption;
  };
  const std::vector<Case> cases = {
      {TLbButtonKind::bkOK, 1, "OK"},           {TLbButtonKind::bkCancel, 2, "Abbrechen"},
      {TLbButtonKind::bkHelp, 0, "Hilfe"},      {TLbButtonKind::bkYes, 6, "Ja"},
      {TLbButtonKind::bkNo, 7, "Nein"},         {TLbButtonKind::bkClose, 0, "Schlie\xC3\x9F" "en"},
      {TLbButtonKind::bkAbort, 3, "Abbrechen"}, {TLbButtonKind::bkRetry, 4, "Wiederholen"},
      {TLbButtonKind::bkIgnore, 5, "Ignorieren"}, {TLbButtonKind::bkAll, 8, "Alle"},
  };
  for (const Case& c : cases) {
    TLbButton b;
    b.SetKind(c.kind);
    EXPECT_EQ(b.ModalResult(), c.result) << c.caption;
    EXPECT_EQ(b.Caption(), c.caption);
    EXPECT_EQ(b.Kind(), c.kind);
  }
  TLbButton b;
  b.SetKind(TLbButtonKind::bkYes);
  b.SetModalResult(ui::mrNo);
  EXPECT_EQ(b.Kind(), TLbButtonKind::bkCustom);
  EXPECT_EQ(b.Caption(), "Ja");
  EXPECT_EQ(b.Width(), 100);
  EXPECT_EQ(b.Height(), 23);
}

TEST_F(LbButton, KeysClickFocusedDefaultCancelAndAcceleratedButtons) {
  TLbButton* focused = Make();
  Log(*focused);
  auto* other = new ui::Panel(&form_);
  other->SetBounds(0, 100, 50, 20);
  auto* def = new TLbButton(&form_);
  int defaults = 0;
  def->OnClick = [&defaults](ui::Control&) { ++defaults; };
  auto* cancel = new TLbButton(&form_);
  cancel->SetModalResult(ui::mrCancel);
  auto* accel = new TLbButton(&form_);
  accel->SetCaption("&Save");
  int saves = 0;
  accel->OnClick = [&saves](ui::Control&) { ++saves; };
  form_.SetBounds(0, 0, 300, 200);
  form_.Show();

  Driver().Key(*focused, ui::vk::Return);
  Driver().Key(*focused, ui::vk::Space);
  EXPECT_EQ(log_, (std::vector<std::string>{"click", "click"}));
  Driver().Key(*other, ui::vk::Return);
  Driver().Key(*other, ui::vk::Escape);
  EXPECT_EQ(log_.size(), 2u);
  EXPECT_EQ(defaults, 0);
  EXPECT_EQ(form_.ModalResult(), ui::mrNone);

  // Enter goes to a Default button first, also from the focused one.
  def->SetDefault(true);
  log_.clear();
  Driver().Key(*focused, ui::vk::Return);
  Driver().Key(*other, ui::vk::Return);
  EXPECT_EQ(defaults, 2);
  EXPECT_TRUE(log_.empty());

  cancel->SetCancel(true);
  Driver().Key(*other, ui::vk::Escape, ui::ssShift);
  EXPECT_EQ(form_.ModalResult(), ui::mrNone) << "Escape with a shift key is not the cancel key";
  Driver().Key(*other, ui::vk::Escape);
  EXPECT_EQ(form_.ModalResult(), ui::mrCancel);

  Driver().Type(*other, "S");
  Driver().Type(*other, "x");
  EXPECT_EQ(saves, 1);
  accel->SetVisible(false);
  Driver().Type(*other, "s");
  EXPECT_EQ(saves, 1) << "a hidden button takes no accelerator";
}

}  // namespace
