// The touch widgets over the running program on a real display: the keypad with three unit
// keys, the Cyrillic keyboard, the browser on "State", the wait box in the middle of a sweep
// and the About box, each over the main window. Every picture is the whole screen, composed
// from each window's own grab at its place (a virtual display shows later top-level windows
// black in a grab of the screen), saved into the build folder. CTest runs it under xvfb-run
// with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "platform/ui/TestDriver.h"
#include "shell/AboutFrm.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/DriveListFrm.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"
#include "widgets/WaitFrm.h"
#include "shell/ProgramRunSupport.h"

namespace {

// The screen with the main window and then each window over it, at their places.
QImage ComposeScreen(const std::vector<QWidget*>& windows) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QImage image(screen.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  for (QWidget* w : windows) {
    p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - screen.topLeft(), w->grab());
  }
  return image;
}

// The share of pixels of a window's place in the picture that differ from the main window's
// own picture there: the window was painted over it.
double PaintedShare(const QImage& screen, const QImage& mainOnly, const QWidget& w) {
  const QRect r(w.mapToGlobal(QPoint(0, 0)), w.size());
  long long differ = 0;
  long long all = 0;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      if (!screen.valid(x, y)) continue;
      ++all;
      if (screen.pixel(x, y) != mainOnly.pixel(x, y)) ++differ;
    }
  }
  return all > 0 ? static_cast<double>(differ) / static_cast<double>(all) : 0.0;
}

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
  int sweeps = 0;
  bool timedOut = false;
  int unitKeys = -1;
  int waitProgress = -1;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<ui::TestDriver> driver;

  auto shoot = [&](const std::string& name, QWidget& w) {
    QCoreApplication::processEvents();
    const QImage mainOnly = ComposeScreen({MainFrm});
    const QImage screen = ComposeScreen({MainFrm, &w});
    const std::string file = std::string(TERVAN_BINARY_DIR) + "/TouchWidgetsScreen-" + name + ".png";
    TShot shot{name, PaintedShare(screen, mainOnly, w), screen.save(QString::fromStdString(file))};
    shots.push_back(shot);
  };

  TProgramStart::OnRunning = [&] {
    driver = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
    CountSweeps(sweeps);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(30);
      if (sweeps < 2 && !timedOut) return;
      poll->stop();
      poll->deleteLater();
      if (timedOut) {
        MainFrm->Close();
        return;
      }

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
      MainFrm->Close();
    });
    poll->start(50);
  };
  std::vector<std::string> texts = {"tervan", "DemoMode"};
  std::vector<char*> argv;
  for (std::string& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  EXPECT_EQ(TProgramStart::Run(static_cast<int>(texts.size()), argv.data()), 0);
  TProgramStart::OnRunning = nullptr;
  driver.reset();

  EXPECT_FALSE(timedOut) << "no two sweeps within 30 s";
  EXPECT_EQ(3, unitKeys);
  EXPECT_GE(waitProgress, 0);
  ASSERT_EQ(5u, shots.size());
  for (const TShot& s : shots) {
    EXPECT_TRUE(s.ok) << s.name << " not saved";
    EXPECT_GT(s.painted, 0.5) << s.name << " is not painted over the main window";
  }
}

}  // namespace
