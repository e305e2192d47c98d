#pragma once
// The whole program in-process, offscreen, with the program's dialogs registered: a test body
// runs from the event loop once the main window has its channel windows, and the program is
// closed after it. Soft keys are clicked where a user clicks them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/PickListFrm.h"
#include "dialogs/RegisterDialogs.h"
#include "model/RunMode.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/Edit.h"
#include "platform/ui/Panel.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"
#include "widgets/SoftKeyPanel.h"

// The browser of a save or open: the name typed on its keyboard, then Ok.
inline void AnswerBrowser(ui::TestDriver& driver, const std::string& name) {
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

// Runs the event loop until the condition holds or 10 s have passed.
inline bool WaitFor(const std::function<bool()>& condition) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// The text of a panel of a form.
inline std::string Value(ui::Form& form, const char* panel) {
  auto* p = form.findChild<ui::Panel*>(panel);
  return p != nullptr ? p->Caption() : std::string("<no panel ") + panel + ">";
}

class ProgramRig : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::ForTests();
    RegisterDialogs();
  }
  void TearDown() override {
    TProgramStart::OnRunning = nullptr;
    TMainFrm::DialogOpener = nullptr;
    ResetRunMode();
    std::error_code ec;
    for (const char* folder : {"State", "Touchstone", "CSV"}) {
      std::filesystem::remove_all(std::filesystem::path(platform::Paths::dataRoot()) / folder, ec);
    }
  }

  // Runs the program with these switches; body runs once the channel windows exist. False
  // when the program did not come that far within 20 s.
  bool RunProgram(const std::vector<std::string>& switches, const std::function<void()>& body) {
    bool ran = false;
    const auto started = std::chrono::steady_clock::now();
    QObject context;
    TProgramStart::OnRunning = [&] {
      auto* poll = new QTimer(&context);
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        const bool late = std::chrono::steady_clock::now() - started > std::chrono::seconds(20);
        if (!late && (MainFrm == nullptr || MainFrm->GetActiveView() == nullptr)) return;
        poll->stop();
        if (!late) {
          ran = true;
          body();
        }
        if (MainFrm != nullptr && !MainFrm->IsShutDown()) MainFrm->Close();
      });
      poll->start(10);
    };
    std::vector<std::string> texts = {"tervan"};
    texts.insert(texts.end(), switches.begin(), switches.end());
    std::vector<char*> argv;
    for (std::string& t : texts) argv.push_back(t.data());
    argv.push_back(nullptr);
    EXPECT_EQ(TProgramStart::Run(static_cast<int>(texts.size()), argv.data()), 0);
    TProgramStart::OnRunning = nullptr;
    return ran;
  }

  // A click on a soft key of the left or right column, where it is drawn.
  void ClickSoftKey(TSoftKeyPanel& panel, int index) {
    panel.GetPaintBox().PaintNow();
    const ui::Rect r = panel.Button(index).Rect;
    driver.Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void ClickLeft(int index) { ClickSoftKey(*MainFrm->LeftPanel, index); }
  void ClickRight(int index) { ClickSoftKey(*MainFrm->RightPanel, index); }

  // The named control of a form (a failure when missing).
  template <class T = ui::Control>
  T& Get(const std::string& name, ui::Form& form) {
    return driver.Get<T>(name, &form);
  }
  void Press(const std::string& name, ui::Form& form) { driver.Press(driver.Get(name, &form)); }

  // The action for the next modal form whose class is dialogClass (a failure for another).
  void OnNextDialog(const char* dialogClass, std::function<void(ui::Form&)> action) {
    driver.OnNextModal([this, dialogClass, action = std::move(action)](ui::Form& form) {
      EXPECT_STREQ(form.metaObject()->className(), dialogClass);
      if (std::string(form.metaObject()->className()) != dialogClass) {
        form.SetModalResult(ui::mrCancel);
        return;
      }
      action(form);
    });
  }

  // The next pick list: a click on the row, then Ok; owner gets the list's owner.
  void PickRow(int row, QWidget** owner = nullptr) {
    driver.OnNextModal([this, row, owner](ui::Form& form) {
      auto* list = qobject_cast<TPickListFrm*>(&form);
      if (list == nullptr) {
        ADD_FAILURE() << "no pick list but " << form.metaObject()->className();
        form.SetModalResult(ui::mrCancel);
        return;
      }
      if (owner != nullptr) *owner = list->parentWidget();
      TEmiStringGrid& grid = *list->sgList;
      if (grid.CellRect(0, row).IsEmpty() || grid.CellRect(0, row).Bottom > grid.Height()) grid.SetTopRow(row);
      const ui::Rect r = grid.CellRect(0, row);
      driver.Click(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
      driver.Press(*list->btApply);
    });
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};
