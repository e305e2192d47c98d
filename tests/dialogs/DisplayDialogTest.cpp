// The Display dialog, opened through the main window's factory as the System dialog opens it:
// the font size and line width entries with the look's limits, the switches, Preset, and the
// caption switch that stays with the window kept at creation.
#include "dialogs/DisplayDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ChannelDialogRig.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LbButton.h"

namespace {

// Metrics that grow with the font: the character height and 0.6 of it as the width.
class TScaledMetrics : public ui::FontMetrics {
 public:
  int TextWidth(const ui::Font& font, std::string_view utf8) override {
    return static_cast<int>(utf8.size()) * font.PixelSize() * 6 / 10;
  }
  int LineHeight(const ui::Font& font) override { return font.PixelSize(); }
  int Ascent(const ui::Font& font) override { return font.PixelSize(); }
};

class DisplayDialog : public ChannelDialogRig {
 protected:
  void WithDialog(const std::function<void(TDisplayFrm&)>& checks) {
    WithModalDialog<TDisplayFrm>([this] { EXPECT_EQ(ui::mrOk, frm->OpenDialog("TDisplayFrm", true)); }, checks);
  }
};

TEST_F(DisplayDialog, FontSizeSetsBothFontsWithinTheLimitsAndTheDialogGrows) {
  TScaledMetrics scaled;
  lookMetrics = &scaled;
  Start();
  WithDialog([&](TDisplayFrm& d) {
    const int width = d.Width();
    const int height = d.Height();
    std::string title;
    Keypad("30", &title);
    driver.Press(*d.pnFontSizeValue);
    EXPECT_EQ("Font Size", title);
    EXPECT_EQ(24, Look().GetFontSize());
    EXPECT_EQ(24, Look().GetButtonFontSize());
    EXPECT_EQ(" 24", d.pnFontSizeValue->Caption());
    EXPECT_GT(d.Width(), width);
    EXPECT_GT(d.Height(), height);
    EXPECT_EQ(d.Height(), 7 * Look().FieldHeight + 8 * Look().Margin);
    Keypad("7");
    driver.Press(*d.pnFontSize);
    EXPECT_EQ(8, Look().GetFontSize());
    EXPECT_EQ(8, Look().GetButtonFontSize());
    // A size equal to the data font's does nothing, even with another button font.
    Look().SetButtonFontSize(12);
    Keypad("8.9");
    driver.Press(*d.pnFontSize);
    EXPECT_EQ(8, Look().GetFontSize());
    EXPECT_EQ(12, Look().GetButtonFontSize());
  });
}

TEST_F(DisplayDialog, LineWidthIsTruncatedAndLimited) {
  Start();
  WithDialog([&](TDisplayFrm& d) {
    EXPECT_EQ(222, d.Width());
    EXPECT_EQ(7 * 26 + 8 * 6, d.Height());
    EXPECT_EQ(ui::Rect(6, 198, 108, 224), d.btPreset->BoundsRect());
    EXPECT_EQ(ui::Rect(114, 198, 216, 224), d.btOk->BoundsRect());
    struct Case {
      const char* typed;
      double width;
      const char* shown;
    };
    for (const Case& c : {Case{"0", 1, " 1"}, Case{"9", 4, " 4"}, Case{"2.9", 2, " 2"}, Case{"-1e300", 1, " 1"},
                          Case{"1e300", 4, " 4"}}) {
      std::string title;
      Keypad(c.typed, &title);
      driver.Press(*d.pnLineWidth);
      EXPECT_EQ(" Line Width", title);
      EXPECT_EQ(c.width, Look().GetDataWidth()) << c.typed;
      EXPECT_EQ(c.shown, d.pnLineWidthValue->Caption()) << c.typed;
    }
  });
}

TEST_F(DisplayDialog, PresetRestoresTheLookButKeepsTheCaption) {
  Start();
  WithDialog([&](TDisplayFrm& d) {
    driver.Press(*d.pnFullScreen);
    EXPECT_TRUE(Look().FullScreen);
    EXPECT_EQ(" ON", d.pnFullScreenValue->Caption());
    driver.Press(*d.pnInverseColorValue);
    EXPECT_TRUE(Look().InverseColor);
    driver.Press(*d.pnCaption);
    const bool caption = View().GetShowCaption();
    Keypad("3");
    driver.Press(*d.pnLineWidth);
    Look().SetFontSize(14);
    driver.Press(*d.btPreset);
    EXPECT_FALSE(Look().FullScreen);
    EXPECT_FALSE(Look().InverseColor);
    EXPECT_EQ(9, Look().GetFontSize());
    EXPECT_EQ(9, Look().GetButtonFontSize());
    EXPECT_EQ(1, Look().GetDataWidth());
    EXPECT_TRUE(Look().UseDigitalPanel);
    EXPECT_EQ(800, frm->ClientWidth());
    EXPECT_EQ(600, frm->ClientHeight());
    EXPECT_EQ(caption, View().GetShowCaption());
    EXPECT_EQ(" OFF", d.pnFullScreenValue->Caption());
    EXPECT_EQ(" OFF", d.pnInverseColorValue->Caption());
    EXPECT_EQ(" 1", d.pnLineWidthValue->Caption());
  });
}

TEST_F(DisplayDialog, CaptionSwitchesTheKeptWindowAfterAnotherBecameActive) {
  Start();
  frm->SetChannelLayout(1);
  frm->SetChannelCount(2);
  TRangeView& kept = View();
  WithDialog([&](TDisplayFrm& d) {
    frm->SetActiveView(1);
    ASSERT_NE(&kept, frm->GetActiveView());
    const bool keptBefore = kept.GetShowCaption();
    const bool otherBefore = frm->GetActiveView()->GetShowCaption();
    driver.Press(*d.pnCaptionValue);
    EXPECT_NE(keptBefore, kept.GetShowCaption());
    EXPECT_EQ(otherBefore, frm->GetActiveView()->GetShowCaption());
    EXPECT_EQ(kept.GetShowCaption() ? " ON" : " OFF", d.pnCaptionValue->Caption());
  });
}

TEST_F(DisplayDialog, WithoutTheDigitalPanelTheNumberRowsOpenNothing) {
  Start();
  Look().UseDigitalPanel = false;
  WithDialog([&](TDisplayFrm& d) {
    for (ui::Panel* p : {d.pnFontSize, d.pnFontSizeValue, d.pnLineWidth, d.pnLineWidthValue}) driver.Press(*p);
    EXPECT_EQ(0u, driver.PendingModalActions());
  });
  EXPECT_FALSE(Look().UseDigitalPanel);
}

TEST_F(DisplayDialog, AfterTheMainWindowsShutDownNothingActs) {
  Start();
  WithDialog([&](TDisplayFrm& d) {
    frm->Shutdown();
    const int size = Look().GetFontSize();
    for (ui::Panel* p : {d.pnFontSize, d.pnLineWidthValue, d.pnCaption, d.pnFullScreen, d.pnInverseColor}) {
      driver.Press(*p);
    }
    driver.Press(*d.btPreset);
    EXPECT_EQ(0u, driver.PendingModalActions());
    EXPECT_FALSE(Look().FullScreen);
    EXPECT_EQ(size, Look().GetFontSize());
  });
}

}  // namespace
