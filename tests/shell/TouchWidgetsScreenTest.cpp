// The touch widgets over the running program on a real display: the keypad with three unit
// keys, the Cyrillic keyboard, the browser on "State", the wait box in the middle of a sweep
// and the About box, each over the main window. Every picture is the whole screen, composed
// from each window's own grab at its place (a virtual display shows later top-level windows
// black in a grab of the screen), saved into the build folder. CTest runs it under xvfb-run
// with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/ScreenShotRig.h"
#include "model/MeasureUnitTables.h"
#include "platform/ui/TestDriver.h"
#include "shell/AboutFrm.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/DriveListFrm.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"
#include "widgets/WaitFrm.h"

namespace {

using shots::ComposeScreen;
using shots::PaintedShare;

TEST(TouchWidgetsScreen, EachWidgetOverTheRunningProgram) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);

  struct TShot {
    std::string name;
    double painted = 0;
    bool ok = false;
  };
  std::vector<TShot> shots;
  int unitKeys = -1;
  int waitProgress = -1;
  TRunningProgram program;
  std::unique_ptr<ui::TestDriver>& driver = program.driver;

  auto shoot = [&](const std::string& name, QWidget& w) {
    QCoreApplication::processEvents();
    const QImage mainOnly = ComposeScreen({MainFrm});
    const QImage screen = ComposeScreen({MainFrm, &w});
    const std::string file = std::string(TERVAN_BINARY_DIR) + "/TouchWidgetsScreen-" + name + ".png";
    TShot shot{name, PaintedShare(screen, mainOnly, w), screen.save(QString::fromStdString(file))};
    shots.push_back(shot);
  };

  const bool swept = program.Run({"DemoMode"}, 2, [&] {
    {
      TDigitalKeyboardFrm keypad(MainFrm, "Electrical Delay", 1, ukMetricLength, [](double) {}, [] { return 0.25; });
      keypad.Show();
      unitKeys = 0;
      for (int i = 0; i < 5; ++i) {
        if (driver->Get<TLbButton>("btM" + std::to_string(i), &keypad).Visible()) ++unitKeys;
      }
      shoot("keypad", keypad);
      keypad.Hide();
    }
    {
      std::string text = "Return Loss";
      TVirtualKeyboardFrm keyboard(MainFrm, text);
      keyboard.Show();
      driver->Click(*keyboard.KeyAt(false, 500));
      shoot("keyboard", keyboard);
      keyboard.Hide();
    }
    {
      std::string path;
      TDriveListFrm browser(MainFrm, "Recall State", path, 2);
      browser.Show();
      shoot("browser", browser);
      browser.Hide();
    }
    {
      TWaitFrm box(MainFrm, false, "Open");
      driver->OnNextModal([&](ui::Form&) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (box.ModalResult() == ui::mrNone && box.ProgressBar->Progress() == 0 &&
               std::chrono::steady_clock::now() < until) {
          QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        waitProgress = box.ProgressBar->Progress();
        shoot("waitbox", box);
      });
      box.ShowModal();
    }
    {
      TAboutFrm about(MainFrm);
      about.Show();
      shoot("about", about);
      about.Hide();
    }
  });

  EXPECT_TRUE(swept) << "no two sweeps within 30 s";
  EXPECT_EQ(3, unitKeys);
  EXPECT_GE(waitProgress, 0);
  ASSERT_EQ(5u, shots.size());
  for (const TShot& s : shots) {
    EXPECT_TRUE(s.ok) << s.name << " not saved";
    EXPECT_GT(s.painted, 0.5) << s.name << " is not painted over the main window";
  }
}

}  // namespace
