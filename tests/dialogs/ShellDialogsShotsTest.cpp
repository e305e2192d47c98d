// The shell's dialogs over the running program on a real display: the demonstration program
// opens each of them by clicks on its soft key or button, and the screen with the dialog is
// saved into the build folder, one picture per dialog. Every picture is composed from each
// window's own grab at its place (a virtual display shows later top-level windows black in a
// grab of the screen). CTest runs it under xvfb-run with the real platform (TERVAN_DEMO_RUN
// names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/RegisterDialogs.h"
#include "instrument/ScannerModule.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/LbButton.h"
#include "widgets/RightPanel.h"
#include "widgets/LeftPanel.h"
#include "widgets/SoftKeyPanel.h"

namespace {

QImage ComposeScreen(const std::vector<QWidget*>& windows) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QImage image(screen.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  for (QWidget* w : windows) p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - screen.topLeft(), w->grab());
  return image;
}

// The share of the window's place that differs from the main window alone there.
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

struct TShot {
  std::string name;
  double painted = 0;
  bool saved = false;
};

// One demonstration run with these switches: once the instrument has swept, script opens the
// dialogs (by clicks) and shoots them; then the program closes.
bool RunAndShoot(const std::vector<std::string>& switches, ui::TestDriver*& driverOut,
                 const std::function<void(ui::TestDriver&)>& script) {
  int sweeps = 0;
  bool timedOut = false;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<ui::TestDriver> driver;
  QObject context;
  TProgramStart::OnRunning = [&] {
    driver = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
    driverOut = driver.get();
    CountSweeps(sweeps);
    auto* poll = new QTimer(&context);
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(30);
      if (sweeps < 1 && !timedOut) return;
      poll->stop();
      if (!timedOut) script(*driver);
      MainFrm->Close();
    });
    poll->start(50);
  };
  std::vector<std::string> texts = {"tervan"};
  texts.insert(texts.end(), switches.begin(), switches.end());
  std::vector<char*> argv;
  for (std::string& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  EXPECT_EQ(TProgramStart::Run(static_cast<int>(texts.size()), argv.data()), 0);
  TProgramStart::OnRunning = nullptr;
  driverOut = nullptr;
  return !timedOut;
}

TEST(ShellDialogsShots, EachDialogOverTheRunningProgram) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);
  RegisterDialogs();

  std::vector<TShot> shots;
  ui::TestDriver* driver = nullptr;
  auto shoot = [&](const std::string& name, ui::Form& w) {
    QCoreApplication::processEvents();
    const QImage mainOnly = ComposeScreen({MainFrm});
    const QImage screen = ComposeScreen({MainFrm, &w});
    const std::string file = std::string(TERVAN_BINARY_DIR) + "/ShellDialogsShots-" + name + ".png";
    shots.push_back({name, PaintedShare(screen, mainOnly, w), screen.save(QString::fromStdString(file))});
  };
  auto clickKey = [&](TSoftKeyPanel& panel, int index) {
    panel.GetPaintBox().PaintNow();
    const ui::Rect r = panel.Button(index).Rect;
    driver->Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  };
  auto press = [&](ui::Form& form, const char* name) { driver->Press(driver->Get(name, &form)); };

  const bool serviceRun = RunAndShoot({"DemoMode", "English", "EnableService", "VorlaMode"}, driver, [&](ui::TestDriver& d) {
    d.OnNextModal([&](ui::Form& form) {
      shoot("system", form);
      press(form, "btOk");
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kSystem);
    d.OnNextModal([&](ui::Form& form) {
      shoot("files", form);
      press(form, "btOk");
    });
    clickKey(*MainFrm->LeftPanel, TLeftPanel::kFiles);
    d.OnNextModal([&](ui::Form& form) {
      shoot("channels", form);
      d.OnNextModal([&](ui::Form& save) {
        press(save, "btStateB");
        shoot("save-channel", save);
        press(save, "btOk");
      });
      press(form, "btSaveChannel");
      d.OnNextModal([&](ui::Form& recall) {
        shoot("recall-channel", recall);
        press(recall, "btOk");
      });
      press(form, "btRecallChannel");
      press(form, "btOk");
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kChannels);
    d.OnNextModal([&](ui::Form& form) {
      shoot("service", form);
      d.OnNextModal([&](ui::Form& offset) {
        shoot("frequency-offset", offset);
        press(offset, "btOk");
      });
      press(form, "btFreqOffset");
      press(form, "btOk");
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kService);
  });
  EXPECT_TRUE(serviceRun) << "no sweep within 30 s";
  const bool factoryRun = RunAndShoot({"DemoMode", "English", "FactoryMode"}, driver, [&](ui::TestDriver& d) {
    d.OnNextModal([&](ui::Form& form) {
      shoot("factory", form);
      form.SetModalResult(ui::mrCancel);
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kService);
  });
  EXPECT_TRUE(factoryRun) << "no sweep within 30 s";

  std::vector<std::string> names;
  for (const TShot& s : shots) {
    names.push_back(s.name);
    EXPECT_TRUE(s.saved) << s.name << " not saved";
    EXPECT_GT(s.painted, 0.5) << s.name << " is not painted over the main window";
  }
  EXPECT_EQ((std::vector<std::string>{"system", "files", "channels", "save-channel", "recall-channel", "service",
                                      "frequency-offset", "factory"}),
            names);
}

}  // namespace
