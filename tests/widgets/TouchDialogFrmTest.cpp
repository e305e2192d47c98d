// The touch dialog frame driven as a user would: its rows and cells, the title-bar drag, the
// three ways it can take Enter and Escape, the sub-dialog run on every way out (an exception
// included), the keypad behind the look's switch, integer entry, and the auto-repeat.
#include "widgets/TouchDialogFrm.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "WidgetTest.h"
#include "model/EAbort.h"
#include "model/MeasureUnitTables.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/ui/Edit.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Timer.h"
#include "widgets/DialogSkin.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/LbButton.h"

namespace fs = std::filesystem;

namespace {

// Three rows: the title, one setting, the Ok button.
class TThreeRowDialog : public TTouchDialogFrm {
 public:
  explicit TThreeRowDialog(QWidget* owner = nullptr) : TTouchDialogFrm(owner, "System") {
    SetName("ThreeRowDialog");
    pnCount = MakeCaptionPanel("pnCount", "Count");
    pnCountValue = MakeValuePanel("pnCountValue");
    btOk = MakeButton(this, "btOk", "Ok");
    btAction = MakeButton(this, "btAction", "Action");
    BindButton(*btOk, [this] { OkAction(); });
    RefreshValues();
    ArrangeFrame(3);
    PlaceCaptionPanels(*pnCount, *pnCountValue, RowRect(2, Width()));
    btAction->SetBoundsRect(CellRect(3, Width(), 1, 2));
    btOk->SetBoundsRect(CellRect(3, Width(), 2, 2));
  }
  void RefreshValues() override {
    ++Refreshes;
    SetValueText(*pnCountValue, std::to_string(Count));
  }
  ui::Panel* pnCount;
  ui::Panel* pnCountValue;
  TLbButton* btOk;
  TLbButton* btAction;
  int Refreshes = 0;
  int Count = 7;
};

class TouchFrame : public WidgetTest {
 protected:
  TouchFrame() : WidgetTest(12, 7) {}
  void SetUp() override {
    WidgetTest::SetUp();
    ASSERT_EQ(26, Look().FieldHeight);
    ASSERT_EQ(6, Look().Margin);
  }
};

TEST_F(TouchFrame, RowsAndCellsFollowTheMarginAndTheFieldHeight) {
  EXPECT_EQ(222, TTouchDialogFrm::FrameWidth());
  EXPECT_EQ(4 * 6 + 3 * 26, TTouchDialogFrm::FrameHeight(3));
  // Row r from rm + (r - 1)h to r(m + h).
  EXPECT_EQ(ui::Rect(6, 6, 216, 32), TTouchDialogFrm::RowRect(1, 222));
  EXPECT_EQ(ui::Rect(6, 38, 216, 64), TTouchDialogFrm::RowRect(2, 222));
  EXPECT_EQ(ui::Rect(6, 134, 216, 160), TTouchDialogFrm::RowRect(5, 222));
  // W 320: two cells of (320 - 3m) / 2 = 151.
  EXPECT_EQ(ui::Rect(6, 38, 157, 64), TTouchDialogFrm::CellRect(2, 320, 1, 2));
  EXPECT_EQ(ui::Rect(163, 38, 314, 64), TTouchDialogFrm::CellRect(2, 320, 2, 2));

  TThreeRowDialog dialog;
  EXPECT_EQ(222, dialog.Width());
  EXPECT_EQ(102, dialog.Height());
  EXPECT_EQ(ui::Rect(6, 6, 216, 32), dialog.TopPanel->BoundsRect());
  EXPECT_EQ("System", dialog.TopPanel->Caption());
  EXPECT_EQ(ui::Rect(6, 38, 216, 51), dialog.pnCount->BoundsRect());
  EXPECT_EQ(ui::Rect(6, 51, 216, 64), dialog.pnCountValue->BoundsRect());
  EXPECT_EQ(" Count", dialog.pnCount->Caption());
  EXPECT_EQ(" 7", dialog.pnCountValue->Caption());
  EXPECT_EQ(ui::Rect(6, 70, 108, 96), dialog.btAction->BoundsRect());
  EXPECT_EQ(ui::Rect(114, 70, 216, 96), dialog.btOk->BoundsRect());
  TTouchDialogFrm::Omit(*dialog.btAction);
  EXPECT_EQ(ui::Rect(0, 0, 0, 0), dialog.btAction->BoundsRect());
}

TEST_F(TouchFrame, TheTitleBarDragsTheFormByThePointersMovement) {
  TThreeRowDialog dialog;
  dialog.Show();
  dialog.move(100, 100);
  // A move without a press moves nothing.
  Driver().Move(*dialog.TopPanel, 40, 10);
  EXPECT_EQ(QPoint(100, 100), dialog.pos());
  Driver().Drag(*dialog.TopPanel, 20, 5, 30, 0, 1);
  EXPECT_EQ(QPoint(130, 100), dialog.pos());
  EXPECT_FALSE(dialog.Dragging);
  // Any button drags.
  Driver().Press(*dialog.TopPanel, 20, 5, ui::MouseButton::Right);
  Driver().Move(*dialog.TopPanel, 10, 25);
  Driver().Release(*dialog.TopPanel, 10, 25, ui::MouseButton::Right);
  EXPECT_EQ(QPoint(120, 120), dialog.pos());
  // The form's own background drags only when asked to.
  Driver().Drag(dialog, 3, 50, 30, 0, 1);
  EXPECT_EQ(QPoint(120, 120), dialog.pos());
  dialog.SetBackgroundDrags(true);
  Driver().Drag(dialog, 3, 50, 30, 0, 1);
  EXPECT_EQ(QPoint(150, 120), dialog.pos());
  dialog.Hide();
}

TEST_F(TouchFrame, EnterEscapeAndCancelFollowTheKeyOptions) {
  struct Case {
    bool keyHandler, escapeCloses;
    int key, result;  // result 0: the key did nothing
  };
  const Case cases[] = {
      {true, false, ui::vk::Return, ui::mrOk},     {true, false, ui::vk::Escape, ui::mrOk},
      {true, false, ui::vk::Cancel, ui::mrOk},     {true, true, ui::vk::Escape, ui::mrOk},
      {false, true, ui::vk::Escape, ui::mrCancel}, {false, true, ui::vk::Return, 0},
      {false, false, ui::vk::Escape, 0},           {false, false, ui::vk::Return, 0},
      {false, false, ui::vk::Cancel, 0},
  };
  for (const Case& c : cases) {
    TThreeRowDialog dialog;
    dialog.SetKeyHandler(c.keyHandler);
    dialog.SetEscapeCloses(c.escapeCloses);
    Driver().OnNextModal([&](ui::Form& form) {
      Driver().Key(form, c.key);
      if (form.ModalResult() == ui::mrNone) form.SetModalResult(99);
    });
    const int result = dialog.ShowModal();
    EXPECT_EQ(c.result == 0 ? 99 : c.result, result) << c.keyHandler << c.escapeCloses << " key " << c.key;
  }
}

TEST_F(TouchFrame, TheCloseRuleAndTheDeactivationOption) {
  // Modal: Ok sets the result.
  TThreeRowDialog modal;
  modal.SetReleaseOnDeactivate(true);
  Driver().OnNextModal([&](ui::Form& form) {
    Driver().Deactivate(form);  // a modal form stays
    EXPECT_FALSE(form.ReleasePending());
    Driver().Press(*modal.btOk);
  });
  EXPECT_EQ(ui::mrOk, modal.ShowModal());

  // Modeless: Ok releases; so does a loss of the activation with the option.
  QPointer<TThreeRowDialog> okd = new TThreeRowDialog();
  okd->Show();
  Driver().Press(*okd->btOk);
  Driver().ProcessEvents();
  EXPECT_TRUE(okd.isNull());

  QPointer<TThreeRowDialog> kept = new TThreeRowDialog();
  kept->Show();
  Driver().Deactivate(*kept);
  Driver().ProcessEvents();
  ASSERT_FALSE(kept.isNull()) << "no release without the option";
  kept->SetReleaseOnDeactivate(true);
  Driver().Deactivate(*kept);
  Driver().ProcessEvents();
  EXPECT_TRUE(kept.isNull());
}

TEST_F(TouchFrame, AFixedPlaceIsMovedJustInsideTheWorkArea) {
  const ui::Rect area = ui::Screen::WorkArea();
  TThreeRowDialog inside;
  inside.SetPlacement(TTouchForm::Placement::Fixed, QPoint(area.Left + 10, area.Top + 20));
  inside.Show();
  EXPECT_EQ(QPoint(area.Left + 10, area.Top + 20), inside.pos());
  inside.Hide();

  TThreeRowDialog outside;
  outside.SetPlacement(TTouchForm::Placement::Fixed, QPoint(area.Right + 500, area.Bottom - 10));
  outside.Show();
  EXPECT_EQ(QPoint(area.Right - outside.Width(), area.Bottom - outside.Height()), outside.pos());
  outside.Hide();
}

TEST_F(TouchFrame, ASubDialogHidesTheDialogAndBringsItBackRefreshed) {
  TThreeRowDialog dialog;
  dialog.Show();
  const int before = dialog.Refreshes;
  QPointer<ui::Form> sub;
  bool hiddenMeanwhile = false;
  Driver().OnNextModal([&](ui::Form& form) {
    hiddenMeanwhile = !dialog.Visible();
    dialog.Count = 3;  // what the pick list sets
    form.SetModalResult(ui::mrOk);
  });
  const int result = dialog.RunSubDialog(
      [&](QWidget* owner) -> ui::Form* {
        sub = new TTouchForm(owner, "Pick");
        return sub.data();
      },
      &dialog);
  EXPECT_EQ(ui::mrOk, result);
  EXPECT_TRUE(hiddenMeanwhile);
  EXPECT_TRUE(sub.isNull()) << "the sub-window is deleted";
  EXPECT_TRUE(dialog.Visible());
  EXPECT_EQ(before + 1, dialog.Refreshes);
  EXPECT_EQ(" 3", dialog.pnCountValue->Caption());

  // A run that ends without a result (the application quit in it) counts as Cancel.
  EXPECT_EQ(ui::mrCancel, dialog.RunSubDialog([] { return ui::mrNone; }));
  EXPECT_EQ(before + 1, dialog.Refreshes);
  EXPECT_TRUE(dialog.Visible());
  dialog.Hide();
}

TEST_F(TouchFrame, AThrowingSubDialogLeavesTheDialogShownAndTheMessageShownOnce) {
  TThreeRowDialog dialog;
  dialog.Show();
  QPointer<ui::Form> sub;
  TTouchDialogFrm::BindButton(*dialog.btAction, [&] {
    dialog.RunSubDialog([&]() -> int {
      std::unique_ptr<TTouchForm> form(new TTouchForm(&dialog, "Pick"));
      sub = form.get();
      form->ShowModal();
      throw EAbort("The setter refused it");
    });
  });
  bool hiddenMeanwhile = false;
  Driver().OnNextModal([&](ui::Form& form) {
    hiddenMeanwhile = !dialog.Visible();
    form.SetModalResult(ui::mrOk);
  });
  const int before = dialog.Refreshes;
  Driver().Press(*dialog.btAction);
  Driver().Release(*dialog.btAction);
  EXPECT_TRUE(hiddenMeanwhile);
  EXPECT_TRUE(sub.isNull());
  EXPECT_TRUE(dialog.Visible());
  EXPECT_EQ(before + 1, dialog.Refreshes);
  EXPECT_EQ(std::vector<std::string>{"The setter refused it"}, Driver().Box().Shown());
  dialog.Hide();
}

TEST_F(TouchFrame, TheKeypadOpensOnlyWithTheDigitalPanelAndIntegersTruncate) {
  TThreeRowDialog dialog;
  dialog.Show();
  const auto setter = dialog.IntSetter([&](int v) { dialog.Count = v; });
  const auto getter = [&] { return static_cast<double>(dialog.Count); };

  Look().UseDigitalPanel = false;
  dialog.OpenKeypad("Count", 0, ukNone, setter, getter);  // no modal run is scripted
  EXPECT_EQ(7, dialog.Count);

  Look().UseDigitalPanel = true;
  bool dialogShown = false;
  Driver().OnNextModal([&](ui::Form& form) {
    dialogShown = dialog.Visible();
    auto& edit = Driver().Get<ui::Edit>("CommonEdit", &form);
    Driver().Type(edit, "2.9");
    Driver().Key(edit, ui::vk::Return);
  });
  const int before = dialog.Refreshes;
  dialog.OpenKeypad("Count", 0, ukNone, setter, getter);
  EXPECT_TRUE(dialogShown) << "the dialog stays under the keypad";
  EXPECT_EQ(2, dialog.Count);
  EXPECT_EQ(" 2", dialog.pnCountValue->Caption());
  EXPECT_EQ(before + 1, dialog.Refreshes);

  // Saturating, and nothing for a value that is no number.
  setter(1e12);
  EXPECT_EQ(1 << 30, dialog.Count);
  setter(-2.9);
  EXPECT_EQ(-2, dialog.Count);
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    const int refreshes = dialog.Refreshes;
    setter(bad);
    EXPECT_EQ(-2, dialog.Count);
    EXPECT_EQ(refreshes, dialog.Refreshes);
  }
  dialog.Hide();
}

TEST_F(TouchFrame, AutoRepeatStepsAtThePressThenAfterASecondThenEveryTenth) {
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  ui::Timer::Fake fake;
  TThreeRowDialog dialog;
  int steps = 0;
  auto* repeat = new TAutoRepeat(*dialog.btAction, [&] { ++steps; });
  Driver().Press(*dialog.btAction);
  EXPECT_EQ(1, steps);
  for (int ms = 0; ms < 1250; ms += 10) {
    clock.advanceMs(10);
    ui::Timer::Fake::RunDue();
  }
  EXPECT_EQ(4, steps);  // at 0, 1000, 1100 and 1200 ms
  Driver().Release(*dialog.btAction);
  EXPECT_FALSE(repeat->Running());
  clock.advanceMs(2000);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(4, steps);

  // Leaving the button stops it too.
  Driver().Press(*dialog.btAction);
  Driver().Leave(*dialog.btAction);
  clock.advanceMs(2000);
  ui::Timer::Fake::RunDue();
  EXPECT_EQ(5, steps);
  Driver().Release(*dialog.btAction);
}

// The browser's answer for a save or a load: the name typed on its keyboard, then Ok.
void AnswerBrowser(ui::TestDriver& driver, const std::string& name) {
  driver.OnNextModal([&driver, name](ui::Form& browser) {
    driver.OnNextModal([&driver, name](ui::Form& keyboard) {
      auto& edit = driver.Get<ui::Edit>("CommonEdit", &keyboard);
      edit.SetText(name);
      driver.Key(edit, ui::vk::Return);
    });
    driver.Press(driver.Get("pnFileValue", &browser));
    driver.Press(driver.Get("btOk", &browser));
  });
}

TEST_F(TouchFrame, SavingAddsTheExtensionAndAsksBeforeReplacing) {
  const fs::path folder = fs::path(platform::Paths::folder("State"));
  for (const char* f : {"frame-a.b", "frame-trace.cfg", "frame-up.cfg"}) fs::remove(folder / f);
  TThreeRowDialog dialog;
  dialog.Show();
  std::vector<std::string> written;
  const auto write = [&](const std::string& path) {
    written.push_back(path);
    std::ofstream(path) << "state";
  };

  AnswerBrowser(Driver(), "frame-a.b");
  EXPECT_TRUE(dialog.RunSaveFile("Save State", 2, ".cfg", false, write));
  AnswerBrowser(Driver(), "frame-trace");
  EXPECT_TRUE(dialog.RunSaveFile("Save State", 2, ".cfg", false, write));
  EXPECT_EQ((std::vector<std::string>{(folder / "frame-a.b").string(), (folder / "frame-trace.cfg").string()}),
            written);
  EXPECT_TRUE(Driver().Box().Log().empty()) << "nothing asked for new files";

  // An existing file: the exact question; No writes nothing, Yes writes.
  for (int answer : {ui::mrNo, ui::mrYes}) {
    written.clear();
    Driver().Box().ClearLog();
    Driver().Box().Answer(answer);
    AnswerBrowser(Driver(), "frame-trace");
    EXPECT_EQ(answer == ui::mrYes, dialog.RunSaveFile("Save State", 2, ".cfg", false, write));
    ASSERT_EQ(1u, Driver().Box().Log().size());
    const auto& asked = Driver().Box().Log()[0];
    EXPECT_TRUE(asked.asked);
    EXPECT_EQ("frame-trace already exist.\n\rDo you want to replace it?", asked.text);
    EXPECT_EQ("", asked.caption);
    EXPECT_EQ(ui::MessageBox::Buttons::YesNo, asked.buttons);
    EXPECT_EQ(answer == ui::mrYes ? 1u : 0u, written.size());
  }

  // Capitals only in the question where a dialog asks for them: the file keeps the typed name.
  written.clear();
  AnswerBrowser(Driver(), "frame-up");
  EXPECT_TRUE(dialog.RunSaveFile("Save State", 2, ".cfg", true, write));
  EXPECT_EQ(std::vector<std::string>{(folder / "frame-up.cfg").string()}, written);
  Driver().Box().ClearLog();
  Driver().Box().Answer(ui::mrNo);
  AnswerBrowser(Driver(), "frame-up");
  EXPECT_FALSE(dialog.RunSaveFile("Save State", 2, ".cfg", true, write));
  ASSERT_EQ(1u, Driver().Box().Log().size());
  EXPECT_EQ("FRAME-UP already exist.\n\rDo you want to replace it?", Driver().Box().Log()[0].text);
  written.clear();
  Driver().OnNextModal([&](ui::Form& browser) { Driver().Press(Driver().Get("btCancel", &browser)); });
  EXPECT_FALSE(dialog.RunSaveFile("Save State", 2, ".cfg", false, write));
  EXPECT_TRUE(written.empty());

  // Loading reads only a file that exists.
  std::vector<std::string> read;
  const auto reader = [&](const std::string& path) { read.push_back(path); };
  AnswerBrowser(Driver(), "frame-trace.cfg");
  EXPECT_TRUE(dialog.RunOpenFile("Recall State", 2, reader));
  AnswerBrowser(Driver(), "frame-none.cfg");
  EXPECT_FALSE(dialog.RunOpenFile("Recall State", 2, reader));
  EXPECT_EQ(std::vector<std::string>{(folder / "frame-trace.cfg").string()}, read);
  EXPECT_TRUE(dialog.Visible());
  dialog.Hide();
}

}  // namespace
