// Modal runs, their nesting, and the deferred release of modeless forms.
#include <gtest/gtest.h>

#include <QPointer>
#include <string>
#include <vector>

#include "UiTest.h"
#include "platform/ui/Button.h"
#include "platform/ui/Edit.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/Panel.h"

namespace {

using ui::Form;

class ModalRun : public UiTest {};

TEST_F(ModalRun, ReturnsTheModalResultOnceOneIsSet) {
  Form form;
  form.SetName("dlg");
  form.SetBounds(0, 0, 100, 100);
  bool modalInside = false;
  Driver().OnNextModal([&](Form& f) {
    modalInside = f.IsModal();
    EXPECT_TRUE(f.Showing());
    f.SetModalResult(ui::mrNone);  // zero keeps the loop going
    f.SetModalResult(ui::mrAbort);
  });
  EXPECT_EQ(form.ShowModal(), ui::mrAbort);
  EXPECT_TRUE(modalInside);
  EXPECT_FALSE(form.IsModal());
  EXPECT_FALSE(form.Showing());
}

TEST_F(ModalRun, NestedRunReturnsToItsOpener) {
  Form outer;
  outer.SetBounds(0, 0, 200, 200);
  std::vector<std::string> steps;
  Driver().OnNextModal([&](Form& f) {
    Form inner(&f);
    inner.SetBounds(0, 0, 50, 50);
    steps.push_back("inner returned " + std::to_string(inner.ShowModal()));
    steps.push_back(std::string("outer still modal ") + (f.IsModal() ? "yes" : "no"));
    f.SetModalResult(ui::mrOk);
  });
  Driver().OnNextModal([&](Form& f) {
    steps.push_back("inner runs");
    f.SetModalResult(ui::mrCancel);
  });
  EXPECT_EQ(outer.ShowModal(), ui::mrOk);
  EXPECT_EQ(steps, (std::vector<std::string>{"inner runs", "inner returned 2", "outer still modal yes"}));
}

TEST_F(ModalRun, ButtonsAndTheCancelKeyEndTheRun) {
  Form form;
  form.SetBounds(0, 0, 200, 100);
  auto* ok = new ui::Button(&form);
  ok->SetName("btOk");
  ok->SetModalResult(ui::mrOk);
  ok->SetBounds(0, 0, 80, 25);
  auto* cancel = new ui::Button(&form);
  cancel->SetCancel(true);
  cancel->SetModalResult(ui::mrCancel);
  cancel->SetBounds(90, 0, 80, 25);
  Driver().OnNextModal([&](Form& f) { Driver().Click(Driver().Get<ui::Button>("btOk", &f)); });
  EXPECT_EQ(form.ShowModal(), ui::mrOk);
  Driver().OnNextModal([&](Form& f) { Driver().Key(f, ui::vk::Escape); });
  EXPECT_EQ(form.ShowModal(), ui::mrCancel);
}

TEST_F(ModalRun, HideHandlerHasTheLastWordAndAResultSetOnShowEndsAtOnce) {
  Form form;
  form.SetBounds(0, 0, 100, 100);
  form.OnHide = [](ui::Control& f) {
    auto& self = static_cast<Form&>(f);
    if (self.ModalResult() == ui::mrCancel) self.SetModalResult(ui::mrAbort);
  };
  Driver().OnNextModal([](Form& f) { f.SetModalResult(ui::mrCancel); });
  EXPECT_EQ(form.ShowModal(), ui::mrAbort);

  Form quick;
  quick.OnShow = [](ui::Control& f) { static_cast<Form&>(f).SetModalResult(ui::mrOk); };
  Driver().OnNextModal([](Form&) {});
  EXPECT_EQ(quick.ShowModal(), ui::mrOk);
}

TEST_F(ModalRun, UnscriptedRunIsReportedAndCancelled) {
  std::vector<std::string> failures;
  ui::TestDriver strict([&](const std::string& m) { failures.push_back(m); });
  Form form;
  form.SetName("TPointsListFrm");
  EXPECT_EQ(form.ShowModal(), ui::mrCancel);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("TPointsListFrm"), std::string::npos);
}

TEST_F(ModalRun, ReleaseInsideANestedRunWaitsForTheHandlerToReturn) {
  auto* list = new Form();
  list->SetName("pickList");
  list->SetBounds(0, 0, 100, 100);
  auto* row = new ui::Panel(list);
  row->SetBounds(0, 0, 100, 30);
  QPointer<Form> alive(list);
  bool aliveAfterNestedRun = false;
  row->OnMouseDown = [&](ui::Control& sender, ui::MouseButton, ui::ShiftState, int, int) {
    Form editor(sender.ParentForm());
    editor.SetBounds(0, 0, 50, 50);
    Driver().OnNextModal([&](Form& e) {
      alive->Release();            // e.g. the list lost the activation to the editor
      ui::EventLoop::ProcessPending();  // the release is handled inside the nested loop
      e.SetModalResult(ui::mrOk);
    });
    editor.ShowModal();
    ui::EventLoop::ProcessPending();
    aliveAfterNestedRun = !alive.isNull();
    static_cast<ui::Panel&>(sender).SetCaption("still here");  // the handler goes on using its form
  };
  list->Show();
  Driver().Press(*row);
  EXPECT_TRUE(aliveAfterNestedRun);
  ASSERT_FALSE(alive.isNull());  // the release runs after the handler, at the next events
  EXPECT_TRUE(alive->ReleasePending());
  Driver().ProcessEvents();
  EXPECT_TRUE(alive.isNull());
}

TEST_F(ModalRun, ReleaseOfAnIdleFormAndDeactivation) {
  auto* keypad = new Form();
  keypad->SetBounds(0, 0, 100, 100);
  QPointer<Form> alive(keypad);
  keypad->OnDeactivate = [](ui::Control& f) {
    auto& self = static_cast<Form&>(f);
    if (!self.IsModal()) self.Release();
  };
  keypad->Show();
  Driver().Deactivate(*keypad);
  EXPECT_FALSE(alive.isNull());  // never inside the handler that asked for it
  Driver().ProcessEvents();
  EXPECT_TRUE(alive.isNull());

  // A form is not released while its own modal run is on the stack.
  auto* modal = new Form();
  QPointer<Form> modalAlive(modal);
  Driver().OnNextModal([&](Form& f) {
    f.Release();
    ui::EventLoop::ProcessPending();
    EXPECT_FALSE(modalAlive.isNull());
    f.SetModalResult(ui::mrOk);
  });
  EXPECT_EQ(modal->ShowModal(), ui::mrOk);
  ASSERT_FALSE(modalAlive.isNull());
  Driver().ProcessEvents();
  EXPECT_TRUE(modalAlive.isNull());
}

TEST_F(ModalRun, CloseOfAModalFormCancelsAndOfAModelessOneAsksOnClose) {
  Form form;
  Driver().OnNextModal([](Form& f) { f.Close(); });
  EXPECT_EQ(form.ShowModal(), ui::mrCancel);

  auto* modeless = new Form();
  QPointer<Form> alive(modeless);
  modeless->OnClose = [](Form&, ui::CloseAction& action) { action = ui::CloseAction::Free; };
  modeless->Show();
  modeless->Close();
  Driver().ProcessEvents();
  EXPECT_TRUE(alive.isNull());
}

TEST_F(ModalRun, APostedKeyReachesTheFocusedControlOfTheFormThatOpensNext) {
  Form grid;
  grid.SetBounds(0, 0, 200, 100);
  auto* gridEdit = new ui::Edit(&grid);
  grid.Show();
  gridEdit->SetFocus();

  Form keypad(&grid);
  keypad.SetBounds(0, 0, 100, 50);
  auto* value = new ui::Edit(&keypad);
  value->SetBounds(0, 0, 100, 20);
  keypad.OnShow = [&](ui::Control&) {
    value->SetText("1500");
    value->SetFocus();
    value->SelectAll();
  };
  std::string typed;
  Driver().OnNextModal([&](Form& f) {
    ui::EventLoop::ProcessPending();
    typed = value->Text();
    f.SetModalResult(ui::mrOk);
  });
  ui::PostKey('7');
  keypad.ShowModal();
  EXPECT_EQ(typed, "7");
  EXPECT_EQ(gridEdit->Text(), "");
}

}  // namespace
