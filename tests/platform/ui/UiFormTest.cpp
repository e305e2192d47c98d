// Forms and controls: mouse and key routing, key preview, masks, placement, timers, the
// exception edge of the event loop, the dispatcher and the locale.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <atomic>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "UiTest.h"
#include "common/TestEnv.h"
#include "platform/Clock.h"
#include "platform/ui/Button.h"
#include "platform/ui/CheckBox.h"
#include "platform/ui/Edit.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/Gauge.h"
#include "platform/ui/Label.h"
#include "platform/ui/Panel.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/QtUiDispatcher.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Timer.h"

namespace {

using ui::Form;
using ui::Panel;

class UiForm : public UiTest {};

struct MouseLog {
  std::vector<std::string> events;
  void Hook(ui::Control& c) {
    c.OnMouseDown = [this](ui::Control& s, ui::MouseButton b, ui::ShiftState sh, int x, int y) {
      events.push_back(s.Name() + " down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(sh) + " " +
                       std::to_string(x) + "," + std::to_string(y));
    };
    c.OnMouseUp = [this](ui::Control& s, ui::MouseButton b, ui::ShiftState, int x, int y) {
      events.push_back(s.Name() + " up " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnMouseMove = [this](ui::Control& s, ui::ShiftState sh, int x, int y) {
      events.push_back(s.Name() + " move " + std::to_string(sh) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    c.OnClick = [this](ui::Control& s) { events.push_back(s.Name() + " click"); };
    c.OnDblClick = [this](ui::Control& s) { events.push_back(s.Name() + " dblclick"); };
    c.OnMouseEnter = [this](ui::Control& s) { events.push_back(s.Name() + " enter"); };
    c.OnMouseLeave = [this](ui::Control& s) { events.push_back(s.Name() + " leave"); };
  }
};

// A shown 200 x 100 form holding one 50 x 20 panel whose mouse events are logged.
struct LoggedPanel {
  LoggedPanel(const char* name, int left, int top) {
    form.SetBounds(0, 0, 200, 100);
    panel = new Panel(&form);
    panel->SetName(name);
    panel->SetBounds(left, top, 50, 20);
    log.Hook(*panel);
    form.Show();
  }
  Form form;
  Panel* panel = nullptr;
  MouseLog log;
};

TEST_F(UiForm, MouseEventsCarryTheSenderButtonShiftAndPosition) {
  LoggedPanel shown("pnTriggerValue", 10, 10);
  Panel* panel = shown.panel;
  const MouseLog& log = shown.log;

  Driver().Click(*panel, 5, 6);
  Driver().Press(*panel, 7, 8, ui::MouseButton::Right, ui::ssShift);
  Driver().Release(*panel, 7, 8, ui::MouseButton::Right);
  EXPECT_EQ(log.events, (std::vector<std::string>{
                            "pnTriggerValue down 0 8 5,6",  // left: ssLeft held
                            "pnTriggerValue click", "pnTriggerValue up 0 5,6",
                            "pnTriggerValue down 1 17 7,8",  // right, ssShift | ssRight
                            "pnTriggerValue up 1 7,8"}));
  EXPECT_EQ(Driver().Find<Panel>("pnTriggerValue"), panel);
  EXPECT_EQ(Driver().Find<ui::Edit>("pnTriggerValue"), nullptr);
}

TEST_F(UiForm, AReleaseOutsideGivesMouseUpButNoClickAndMovesFollowThePress) {
  LoggedPanel shown("pn", 10, 10);
  Panel* panel = shown.panel;
  const MouseLog& log = shown.log;

  Driver().Drag(*panel, 5, 5, 100, 0, 2);  // ends at (105, 5), outside the panel
  EXPECT_EQ(log.events, (std::vector<std::string>{"pn down 0 8 5,5", "pn move 8 55,5", "pn move 8 105,5", "pn up 0 105,5"}));
}

TEST_F(UiForm, DoubleClickAndHover) {
  LoggedPanel shown("pn", 0, 0);
  Panel* panel = shown.panel;
  const MouseLog& log = shown.log;

  Driver().Enter(*panel);
  Driver().Move(*panel, 3, 4);
  Driver().DoubleClick(*panel, 1, 2);
  Driver().Leave(*panel);
  EXPECT_EQ(log.events, (std::vector<std::string>{"pn enter", "pn move 0 3,4", "pn down 0 8 1,2", "pn click", "pn up 0 1,2",
                                                  "pn dblclick", "pn down 0 72 1,2",  // ssDouble | ssLeft
                                                  "pn up 0 1,2", "pn leave"}));
}

TEST_F(UiForm, DisabledFormTakesNoInput) {
  Form form;
  form.SetBounds(0, 0, 100, 100);
  auto* panel = new Panel(&form);
  panel->SetBounds(0, 0, 50, 50);
  int downs = 0;
  panel->OnMouseDown = [&](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { ++downs; };
  form.Show();
  form.SetEnabled(false);
  Driver().Click(*panel);
  EXPECT_EQ(downs, 0);
  form.SetEnabled(true);
  Driver().Click(*panel);
  EXPECT_EQ(downs, 1);
}

TEST_F(UiForm, KeyPreviewSeesKeysFirstAndCanConsumeThem) {
  Form form;
  form.SetBounds(0, 0, 200, 100);
  form.SetKeyPreview(true);
  auto* edit = new ui::Edit(&form);
  edit->SetBounds(0, 0, 100, 20);
  std::vector<std::string> seen;
  form.OnKeyDown = [&](ui::Control&, int& key, ui::ShiftState) {
    seen.push_back("form down " + std::to_string(key));
    if (key == ui::vk::Return || key == ui::vk::Escape || key == ui::vk::Cancel) key = 0;
  };
  form.OnKeyPress = [&](ui::Control&, char32_t& key) {
    seen.push_back("form press " + std::to_string(key));
    if (key == U'x') key = 0;
  };
  edit->OnKeyDown = [&](ui::Control&, int& key, ui::ShiftState) { seen.push_back("edit down " + std::to_string(key)); };
  edit->OnKeyPress = [&](ui::Control&, char32_t& key) { seen.push_back("edit press " + std::to_string(key)); };
  form.Show();
  edit->SetFocus();

  for (int key : {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel}) Driver().Key(form, key);
  EXPECT_EQ(seen, (std::vector<std::string>{"form down 13", "form down 27", "form down 3"}));

  seen.clear();
  Driver().Type(form, "x7");
  EXPECT_EQ(seen, (std::vector<std::string>{"form down 88", "edit down 88", "form press 120",  // 'x' swallowed
                                            "form down 55", "edit down 55", "form press 55", "edit press 55"}));
  EXPECT_EQ(edit->Text(), "7");
}

TEST_F(UiForm, EditKeepsCaretSelectionAndLetsCtrlShortcutsThrough) {
  Form form;
  form.SetBounds(0, 0, 200, 100);
  auto* edit = new ui::Edit(&form);
  edit->SetBounds(0, 0, 100, 20);
  // A filter like the keypad's: digits pass, other characters are swallowed unless Ctrl is down.
  bool ctrl = false;
  edit->OnKeyDown = [&](ui::Control&, int&, ui::ShiftState shift) { ctrl = (shift & ui::ssCtrl) != 0; };
  edit->OnKeyPress = [&](ui::Control&, char32_t& key) {
    if ((key < U'0' || key > U'9') && !ctrl) key = 0;
  };
  int changes = 0;
  edit->OnChange = [&](ui::Control&) { ++changes; };
  form.Show();
  edit->SetFocus();
  EXPECT_TRUE(edit->Focused());

  edit->SetText("1500.25");
  EXPECT_EQ(changes, 1);
  edit->SelectAll();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 7);
  Driver().Type(*edit, "7a");
  EXPECT_EQ(edit->Text(), "7");
  EXPECT_EQ(edit->SelStart(), 1);

  edit->SetText("12");
  edit->SetSelStart(0);
  edit->SetSelText("0.");
  EXPECT_EQ(edit->Text(), "0.12");
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ(edit->SelText(), ".1");

  QGuiApplication::clipboard()->setText("99");
  edit->SetSelStart(4);
  Driver().Key(*edit, 'V', ui::ssCtrl);
  EXPECT_EQ(edit->Text(), "0.1299");
  Driver().Key(*edit, ui::vk::Left);  // caret keys reach the editor
  EXPECT_EQ(edit->SelStart(), 5);
}

TEST_F(UiForm, DialogKeysReachDefaultAndCancelButtonsAndAccelerators) {
  Form form;
  form.SetBounds(0, 0, 200, 100);
  auto* ok = new ui::Button(&form);
  ok->SetCaption("&Apply");
  ok->SetDefault(true);
  ok->SetBounds(0, 0, 80, 25);
  auto* cancel = new ui::Button(&form);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->SetBounds(90, 0, 80, 25);
  std::vector<std::string> clicks;
  ok->OnClick = [&](ui::Control&) { clicks.push_back("ok"); };
  cancel->OnClick = [&](ui::Control&) { clicks.push_back("cancel"); };
  form.Show();

  Driver().Key(form, ui::vk::Return);
  Driver().Key(form, ui::vk::Escape);
  Driver().Type(form, "a");
  Driver().Key(form, ui::vk::Escape, ui::ssShift);  // not a plain Escape
  EXPECT_EQ(clicks, (std::vector<std::string>{"ok", "cancel", "ok"}));
  EXPECT_EQ(ui::AcceleratorOf("&Ok"), U'o');
  EXPECT_EQ(ui::AcceleratorOf("A&&B"), 0u);
}

TEST_F(UiForm, TransparentColourCutsTheKeyColouredPixelsOut) {
  Form form;
  form.SetBounds(0, 0, 60, 40);
  form.SetColor(0x444444);
  form.SetTransparentColor(true);
  form.OnPaint = [](ui::Control& f) {
    ui::Canvas& c = f.GetCanvas();
    c.SetPen(ui::Pen{ui::clFormKey, 1, ui::PenStyle::Solid});
    c.SetBrush(ui::Brush{ui::clFormKey, ui::BrushStyle::Solid});
    c.Rectangle(0, 0, 3, 3);
  };
  form.PaintNow();
  EXPECT_FALSE(form.InMask(0, 0));
  EXPECT_FALSE(form.InMask(2, 2));
  EXPECT_TRUE(form.InMask(3, 0));
  EXPECT_TRUE(form.InMask(30, 20));
  EXPECT_EQ(form.KeptCanvas().Pixel(30, 20), 0x444444u);
}

TEST_F(UiForm, FormsCentreOnTheirOwnerTheMainFormOrTheScreen) {
  Form owner;
  owner.SetBounds(100, 100, 400, 300);
  owner.Show();
  auto* child = new Form(&owner);
  child->SetBounds(0, 0, 100, 50);
  child->SetPosition(ui::FormPosition::OwnerFormCenter);
  child->Show();
  EXPECT_EQ(child->BoundsRect(), ui::Rect(250, 225, 350, 275));
  EXPECT_EQ(child->OwnerForm(), &owner);

  Form lone;
  lone.SetBounds(0, 0, 100, 50);
  lone.SetPosition(ui::FormPosition::OwnerFormCenter);
  Form::SetMainForm(&owner);
  lone.Show();
  EXPECT_EQ(lone.BoundsRect(), ui::Rect(250, 225, 350, 275));
  Form::SetMainForm(nullptr);

  Form screen;
  screen.SetBounds(0, 0, 100, 50);
  screen.SetPosition(ui::FormPosition::ScreenCenter);
  screen.Show();
  const ui::Rect s = ui::Screen::Bounds();
  EXPECT_EQ(screen.Left(), s.Left + (s.Width() - 100) / 2);
  EXPECT_EQ(screen.Top(), s.Top + (s.Height() - 50) / 2);

  screen.FillWorkArea();
  EXPECT_EQ(screen.BoundsRect(), ui::Screen::WorkArea());
  screen.SetStayOnTop(true);
  EXPECT_TRUE(screen.Showing());
  EXPECT_TRUE(screen.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(UiForm, DestroyedFormGivesTheFocusBackToItsOwner) {
  Form owner;
  owner.SetBounds(0, 0, 300, 200);
  auto* ownerEdit = new ui::Edit(&owner);
  ownerEdit->SetBounds(0, 0, 100, 20);
  owner.Show();
  ownerEdit->SetFocus();
  auto* pad = new Form(&owner);
  pad->SetFocusOwnerOnDestroy(true);
  pad->SetBounds(0, 0, 100, 100);
  auto* padEdit = new ui::Edit(pad);
  pad->Show();
  padEdit->SetFocus();
  Driver().ProcessEvents();
  EXPECT_TRUE(padEdit->Focused());
  delete pad;
  Driver().ProcessEvents();
  EXPECT_TRUE(owner.isActiveWindow());
}

TEST_F(UiForm, CursorsMapToTheirShapes) {
  ui::PaintBox box;
  const std::vector<std::pair<ui::Cursor, Qt::CursorShape>> cases = {
      {ui::Cursor::Default, Qt::ArrowCursor},     {ui::Cursor::HandPoint, Qt::PointingHandCursor},
      {ui::Cursor::SizeWE, Qt::SizeHorCursor},    {ui::Cursor::SizeNS, Qt::SizeVerCursor},
      {ui::Cursor::VSplit, Qt::SplitVCursor},     {ui::Cursor::HSplit, Qt::SplitHCursor},
      {ui::Cursor::HourGlass, Qt::WaitCursor},
  };
  for (const auto& [cursor, shape] : cases) {
    box.SetCursor(cursor);
    EXPECT_EQ(box.cursor().shape(), shape);
    EXPECT_EQ(box.GetCursor(), cursor);
  }
}

TEST_F(UiForm, PaintBoxDrawsThroughItsCanvasAndPaintsIntoAnotherForPrinting) {
  ui::PaintBox box;
  box.SetBounds(0, 0, 30, 20);
  int paints = 0;
  box.OnPaint = [&](ui::Control& sender) {
    ++paints;
    ui::Canvas& c = sender.GetCanvas();
    c.SetBrush(ui::Brush{0x0000FF, ui::BrushStyle::Solid});
    c.FillRect(ui::Rect(0, 0, c.Width() / 2, 20));
  };
  box.PaintNow();
  EXPECT_EQ(box.KeptCanvas().Pixel(14, 10), 0x0000FFu);
  EXPECT_EQ(box.KeptCanvas().Pixel(15, 10), 0xFFFFFFu);

  ui::ImageCanvas print(60, 20);
  box.PaintTo(print);
  EXPECT_EQ(print.Pixel(29, 10), 0x0000FFu);
  EXPECT_EQ(&box.GetCanvas(), &box.KeptCanvas());
  EXPECT_EQ(paints, 2);
}

TEST_F(UiForm, PanelLabelCheckBoxAndGaugeKeepTheirState) {
  Form form;
  form.SetBounds(0, 0, 200, 100);
  auto* panel = new Panel(&form);
  panel->SetBounds(0, 0, 80, 30);
  panel->SetColor(0x00FFFF);
  panel->SetCaption(" Trigger");
  panel->SetAlignment(ui::Alignment::Left);
  panel->PaintNow();
  EXPECT_EQ(panel->KeptCanvas().Pixel(79, 0), 0x00FFFFu);

  auto* label = new ui::Label(&form);
  label->SetFont(ui::Font("Tahoma", 9));
  label->SetCaption("HHHH");
  ui::ImageCanvas measure(1, 1);
  measure.SetFont(ui::Font("Tahoma", 9));
  EXPECT_EQ(label->Width(), measure.TextWidth("HHHH"));
  EXPECT_EQ(label->Height(), measure.TextHeight("H"));

  auto* check = new ui::CheckBox(&form);
  check->SetBounds(0, 40, 100, 20);
  int clicks = 0;
  check->OnClick = [&](ui::Control&) { ++clicks; };
  form.Show();
  Driver().Click(*check);
  EXPECT_TRUE(check->Checked());
  check->SetChecked(false);  // from code: also a click
  check->SetChecked(false);  // unchanged: none
  EXPECT_FALSE(check->Checked());
  EXPECT_EQ(clicks, 2);

  ui::Gauge gauge;
  gauge.SetMaxValue(201);
  gauge.SetProgress(200);
  EXPECT_EQ(gauge.PercentDone(), 99);
  gauge.SetProgress(500);
  EXPECT_EQ(gauge.Progress(), 201);
  gauge.SetBounds(0, 0, 100, 10);
  gauge.SetForeColor(0x0000FF);
  gauge.SetProgress(100);
  gauge.SetShowText(false);
  gauge.PaintNow();
  EXPECT_EQ(gauge.KeptCanvas().Pixel(10, 5), 0x0000FFu);
  EXPECT_EQ(gauge.KeptCanvas().Pixel(90, 5), 0xFFFFFFu);
}

TEST_F(UiForm, TimersRunOnTheInstalledClockInTests) {
  platform::ManualClock clock;
  platform::ScopedClock useClock(clock);
  ui::Timer::Fake fake;
  ui::Timer timer;
  int ticks = 0;
  timer.OnTimer = [&](ui::Timer&) { ++ticks; };
  timer.SetInterval(20);
  EXPECT_FALSE(timer.Running());  // not enabled yet
  timer.SetEnabled(true);
  clock.advanceMs(19);
  EXPECT_EQ(ui::Timer::Fake::RunDue(), 0);
  clock.advanceMs(1);
  EXPECT_EQ(ui::Timer::Fake::RunDue(), 1);
  clock.advanceMs(100);  // five intervals late: one tick, as a window timer gives
  EXPECT_EQ(ui::Timer::Fake::RunDue(), 1);
  EXPECT_EQ(ticks, 2);
  timer.SetInterval(0);
  clock.advanceMs(100);
  EXPECT_EQ(ui::Timer::Fake::RunDue(), 0);
  timer.SetInterval(10);
  timer.SetEnabled(false);
  clock.advanceMs(100);
  EXPECT_EQ(ui::Timer::Fake::RunDue(), 0);
  EXPECT_EQ(ticks, 2);
}

TEST_F(UiForm, RealTimerFiresInTheEventLoop) {
  ui::Timer timer;
  int ticks = 0;
  timer.OnTimer = [&](ui::Timer& t) {
    ++ticks;
    t.SetEnabled(false);
  };
  timer.SetInterval(5);
  timer.SetEnabled(true);
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return ticks > 0; }, 5000));
  ui::EventLoop::WaitMs(20);
  EXPECT_EQ(ticks, 1);
}

TEST_F(UiForm, AThrowingHandlerIsShownAndTheNextEventIsHandled) {
  Form form;
  form.SetBounds(0, 0, 100, 100);
  auto* panel = new Panel(&form);
  panel->SetBounds(0, 0, 50, 50);
  int calls = 0;
  panel->OnMouseDown = [&](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    if (++calls == 1) throw std::runtime_error("'abc' is not a valid floating point value");
  };
  form.Show();
  Driver().Press(*panel);
  Driver().Release(*panel);
  EXPECT_EQ(Driver().Box().Shown(), std::vector<std::string>{"'abc' is not a valid floating point value"});
  Driver().Press(*panel);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Driver().Box().Shown().size(), 1u);
}

TEST_F(UiForm, UnscriptedQuestionFailsInsteadOfBlocking) {
  std::vector<std::string> failures;
  ui::ScriptedMessageBox box([&](const std::string& m) { failures.push_back(m); });
  box.Answer(ui::mrYes);
  EXPECT_EQ(ui::MessageBox::Get().Ask("a.cfg already exist.", "", ui::MessageBox::Buttons::YesNo), ui::mrYes);
  EXPECT_EQ(ui::MessageBox::Get().Ask("again?", "", ui::MessageBox::Buttons::YesNo), ui::mrNo);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("again?"), std::string::npos);
  EXPECT_EQ(box.Log().size(), 2u);
}

TEST_F(UiForm, DispatcherRunsPostsFromOtherThreadsInOrderOnTheUiThread) {
  ui::QtUiDispatcher dispatcher;
  std::vector<int> order;
  std::atomic<bool> wrongThread{false};
  const std::thread::id ui = std::this_thread::get_id();
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      dispatcher.post([&, i] {
        if (std::this_thread::get_id() != ui) wrongThread = true;
        order.push_back(i);
      });
    }
  });
  worker.join();
  bool delayed = false;
  dispatcher.postDelayed([&] { delayed = true; }, 10);
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return order.size() == 100 && delayed; }, 5000));
  EXPECT_FALSE(wrongThread);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);

  platform::UiDispatcher* previous = platform::UiDispatcher::install(&dispatcher);
  bool ran = false;
  platform::UiDispatcher::get().post([&] { ran = true; });
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return ran; }, 5000));
  platform::UiDispatcher::install(previous);
}

TEST_F(UiForm, DispatcherRunsWhatIsQueuedBehindAClosureThatWaits) {
  ui::QtUiDispatcher dispatcher;
  std::vector<std::string> order;
  bool sawSecond = false;
  bool sawThird = false;
  std::thread worker([&] {
    // Both queued before the UI thread looks: the first waits in a nested loop for the second.
    dispatcher.post([&] {
      order.push_back("first begins");
      sawSecond = ui::EventLoop::WaitUntil([&] { return order.size() >= 2; }, 5000);
      // Posted while it waits: must run inside the wait as well.
      dispatcher.post([&] { order.push_back("third"); });
      sawThird = ui::EventLoop::WaitUntil([&] { return order.size() >= 3; }, 5000);
      order.push_back("first ends");
    });
    dispatcher.post([&] { order.push_back("second"); });
  });
  worker.join();
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return order.size() == 4; }, 10000));
  EXPECT_TRUE(sawSecond);
  EXPECT_TRUE(sawThird);
  EXPECT_EQ(order, (std::vector<std::string>{"first begins", "second", "third", "first ends"}));
}

TEST_F(UiForm, BeepGoesToTheHookInTests) {
  std::vector<std::pair<int, int>> beeps;
  auto previous = ui::Screen::SetBeepHook([&](int hz, int ms) { beeps.push_back({hz, ms}); });
  ui::Screen::Beep(880, 100);
  ui::Screen::SetBeepHook(previous);
  EXPECT_EQ(beeps, (std::vector<std::pair<int, int>>{{880, 100}}));
  EXPECT_FALSE(ui::Screen::WorkArea().IsEmpty());
}

// The decimal point of the C library after the application has started, also when the
// environment asks for a locale with a decimal comma.
TEST(UiFormLocale, NumericLocaleIsCAfterStart) {
  std::string wanted;
  if (QCoreApplication::instance() == nullptr) {
    const std::filesystem::path dir = testenv::Root() / "locale";
    std::filesystem::create_directories(dir);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    const int rc = std::system(command.c_str());
    if (rc == 0 || std::filesystem::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC")) {
      setenv("LOCPATH", dir.c_str(), 1);
      setenv("LC_ALL", "de_DE.UTF-8", 1);
      wanted = "de_DE.UTF-8";
    }
  }
  ui::Application::ForTests();
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  if (!wanted.empty()) {
    // The environment did reach the C library, so the test saw a comma locale put back to "C".
    EXPECT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)), wanted);
  }
}

}  // namespace
