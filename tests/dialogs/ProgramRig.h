#pragma once
// The whole program in-process, offscreen, with the program's dialogs registered: a test body
// runs from the event loop once the main window has its channel windows, and the program is
// closed after it. Soft keys are clicked where a user clicks them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <random>
#include <set>
#include <filesystem>
#include <fstream>
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
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/DriveListFrm.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/TouchDialogFrm.h"
#include "widgets/VirtualKeyboardFrm.h"
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
    EXPECT_EQ(RunWithSwitches(switches), 0);
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

  // The files random presses may name: the running program's own state (and a copy only the
  // remote changes load), a calibration text
  // that is none, a usable and an unusable Touchstone file. Gives the state's path.
  static std::string PrepareFuzzFiles() {
    const std::string state = platform::Paths::folder("State") + "/remote.cfg";
    MainFrm->SaveState(state);
    MainFrm->SaveState(platform::Paths::folder("State") + "/fuzz.cfg");
    const auto write = [](const std::string& path, const std::string& bytes) {
      std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    };
    write(platform::Paths::folder("State") + "/junk.cal", "no calibration\n");
    for (int kind : {0, 4}) {
      const std::string folder = platform::Paths::folder(TDriveListFrm::KindFolder(kind));
      write(folder + "/flat.s1p", "# MHz S RI R 50\n1 0.5 0.25\n50000 0.5 0.25\n");
      write(folder + "/bad.s1p", "garbage\n");
    }
    return state;
  }

  // What a run of random presses found.
  struct TFuzzReport {
    int presses = 0;
    int subWindows = 0;
    int remoteChanges = 0;
    std::vector<std::string> problems;
    std::vector<std::string> messages;  // what reached the user from the handlers' edge
  };

  // Presses `count` named controls of the open dialog at random (a test splits its presses
  // over several openings: a modal run of a test ends after 10 s) (closing buttons aside),
  // answering every window and question that opens with a random choice, and every 25 presses
  // changes what a remote client could: the channel count, the active channel, or a whole
  // state loaded from statePath. The dialog must be visible after every press; an exception
  // that reaches the event loop with a library's message (not one for the user) is a problem.
  void PressAtRandom(ui::Form& dialog, int count, unsigned seed, const std::string& statePath, TFuzzReport& report) {
    rng_.seed(seed);
    report_ = &report;
    for (int i = 0; i < 4 * count; ++i) driver.Box().Answer(rng_() % 2 ? ui::mrYes : ui::mrNo);
    auto* app = ui::Application::Instance();
    auto previousHandler = app != nullptr ? app->OnException : nullptr;
    if (app != nullptr) {
      app->OnException = [&report](const std::string& message) {
        report.messages.push_back(message);
        for (const char* sign : {"std::", "vector", "basic_string", "Unknown exception", "map::at", "stoi", "stod"}) {
          if (message.find(sign) != std::string::npos) report.problems.push_back("escaped: " + message);
        }
      };
    }
    const std::vector<ui::Control*> controls = Pressable(dialog);
    int pressed = 0;
    for (int i = 0; i < count && dialog.ModalResult() == ui::mrNone; ++i) {
      if (i % 25 == 24) RemoteChange(statePath, report);
      EnsureFuzzAction();
      ui::Control* target = controls[rng_() % controls.size()];
      last_ = target->objectName().toStdString();
      try {
        driver.Click(*target);
      } catch (const std::exception& e) {
        report.problems.push_back("thrown to the test: " + std::string(e.what()));
      }
      ++report.presses;
      ++pressed;
      if (dialog.ModalResult() == ui::mrNone && !dialog.Visible()) {
        report.problems.push_back("hidden after " + target->objectName().toStdString());
        dialog.SetVisible(true);
      }
    }
    if (pressed < count) {
      report.problems.push_back("closed with result " + std::to_string(dialog.ModalResult()) + " after " +
                                std::to_string(pressed) + " presses, the last on " + last_);
    }
    // The answer kept ready for a window that did not come would take the next one.
    driver.ClearModalActions();
    if (app != nullptr) app->OnException = previousHandler;
    report_ = nullptr;
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};

 private:
  // The named controls of a form that neither close it nor end the program.
  static std::vector<ui::Control*> Pressable(ui::Form& form) {
    static const std::set<std::string> closing = {"btOk", "btExit", "btCancel", "btApply", "EscapeButton", ""};
    std::vector<ui::Control*> out;
    for (ui::Control* c : form.findChildren<ui::Control*>()) {
      if (closing.count(c->objectName().toStdString()) == 0) out.push_back(c);
    }
    return out;
  }

  void EnsureFuzzAction() {
    if (driver.PendingModalActions() == 0) driver.OnNextModal([this](ui::Form& form) { AnswerAtRandom(form); });
  }

  std::string RandomText(const std::vector<std::string>& texts) { return texts[rng_() % texts.size()]; }

  // Whatever window opens: a random but sensible answer, and it always ends.
  void AnswerAtRandom(ui::Form& form) {
    if (report_ != nullptr) ++report_->subWindows;
    if (auto* list = qobject_cast<TPickListFrm*>(&form)) {
      if (rng_() % 3 != 0 && list->sgList->RowCount() > 0) {
        const int row = static_cast<int>(rng_() % static_cast<unsigned>(list->sgList->RowCount()));
        TEmiStringGrid& grid = *list->sgList;
        grid.SetTopRow(row);
        const ui::Rect r = grid.CellRect(0, row);
        driver.Click(grid, r.Left + 3, (r.Top + r.Bottom) / 2);
        driver.Press(*list->btApply);
      } else {
        driver.Press(*list->btCancel);
      }
    } else if (auto* browser = qobject_cast<TDriveListFrm*>(&form)) {
      if (rng_() % 4 == 0) {
        driver.Press(*browser->btCancel);
      } else {
        const std::string name = RandomText({"fz", "fz.cfg", "Autosave.cfg", "AUTOSAVE.CFG", "fuzz.cfg", "junk.cal",
                                             "flat.s1p", "bad.s1p", "x.s2p", "../up", "a b", "mycal"});
        driver.OnNextModal([this, name](ui::Form& keyboard) {
          if (auto* edit = driver.Find<ui::Edit>("CommonEdit", &keyboard)) {
            edit->SetText(name);
            driver.Key(*edit, ui::vk::Return);
          }
          if (keyboard.ModalResult() == ui::mrNone) keyboard.SetModalResult(ui::mrCancel);
        });
        driver.Press(*browser->pnFileValue);
        driver.Press(*browser->btOk);
      }
    } else if (auto* keypad = qobject_cast<TDigitalKeyboardFrm*>(&form)) {
      keypad->CommonEdit->SetText(RandomText({"2.9", "-3.7", "5000", "0", "1e12", "1e-9", "abc", "", "-0", "1e400"}));
      driver.Key(*keypad->CommonEdit, ui::vk::Return);
    } else if (qobject_cast<TTouchDialogFrm*>(&form) != nullptr) {
      const std::vector<ui::Control*> controls = Pressable(form);
      for (int i = 0; i < 4 && !controls.empty() && form.ModalResult() == ui::mrNone; ++i) {
        EnsureFuzzAction();
        driver.Click(*controls[rng_() % controls.size()]);
      }
    }
    if (form.ModalResult() == ui::mrNone) {
      if (auto* ok = driver.Find("btOk", &form); ok != nullptr && ok->Visible()) driver.Press(*ok);
    }
    if (form.ModalResult() == ui::mrNone) form.SetModalResult(ui::mrCancel);
  }

  void RemoteChange(const std::string& statePath, TFuzzReport& report) {
    if (MainFrm == nullptr) return;
    ++report.remoteChanges;
    switch (rng_() % 3) {
      case 0: {
        const int layout = static_cast<int>(rng_() % TMainFrm::kLayoutCount);
        MainFrm->SetChannelLayout(layout);
        MainFrm->SetChannelCount(TMainFrm::LayoutChannelCount(layout));
        break;
      }
      case 1: MainFrm->SetActiveView(static_cast<int>(rng_() % 4)); break;
      default:
        try {
          MainFrm->LoadState(statePath);
        } catch (const std::exception& e) {
          report.problems.push_back(std::string("state load: ") + e.what());
        }
        break;
    }
  }

  std::mt19937 rng_;
  TFuzzReport* report_ = nullptr;
  std::string last_;
};
