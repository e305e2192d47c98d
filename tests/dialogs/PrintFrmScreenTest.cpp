// The Print dialog over the running program on a real display, opened from the left soft key
// "Print": the whole screen composed from each window's own grab at its place, saved into the
// build folder. CTest runs it under xvfb-run (TERVAN_DEMO_RUN names the platform); elsewhere
// it is skipped.
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
#include <memory>
#include <string>
#include <vector>

#include "dialogs/PrintFrm.h"
#include "dialogs/RegisterDialogs.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/LeftPanel.h"

namespace {

QImage ComposeScreen(const std::vector<QWidget*>& windows) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QImage image(screen.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  for (QWidget* w : windows) p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - screen.topLeft(), w->grab());
  return image;
}

TEST(PrintFrmScreen, ThePrintDialogOverTheRunningProgram) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);

  bool saved = false, opened = false, timedOut = false;
  int sweeps = 0;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<ui::TestDriver> driver;
  RegisterDialogs();
  TProgramStart::OnRunning = [&] {
    driver = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
    CountSweeps(sweeps);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(30);
      if (sweeps < 2 && !timedOut) return;
      poll->stop();
      poll->deleteLater();
      if (!timedOut) {
        driver->OnNextModal([&](ui::Form& form) {
          opened = qobject_cast<TPrintFrm*>(&form) != nullptr;
          QCoreApplication::processEvents();
          const QImage screen = ComposeScreen({MainFrm, &form});
          saved = screen.save(QString::fromStdString(std::string(TERVAN_BINARY_DIR) + "/PrintFrmScreen.png"));
          driver->Press(driver->Get("btOk", &form));
        });
        TSoftKeyPanel& panel = *MainFrm->LeftPanel;
        const ui::Rect r = panel.Button(TLeftPanel::kPrint).Rect;
        driver->Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
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
  EXPECT_TRUE(opened) << "the soft key did not open the Print dialog";
  EXPECT_TRUE(saved);
}

}  // namespace
