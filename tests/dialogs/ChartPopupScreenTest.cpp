// A picture of the running program with the chart's hint box over a marker flag and the
// reference keypad the chart opened, composed from each window's own grab at its place and
// saved into the build folder. CTest runs it under xvfb-run with the real platform
// (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogs/RegisterDialogs.h"
#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

QImage ComposeScreen(const std::vector<QWidget*>& windows) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QImage image(screen.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  for (QWidget* w : windows) p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - screen.topLeft(), w->grab());
  return image;
}

TScreenPoint Mid(const TScreenRect& r) { return TScreenPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

TEST(ChartPopupScreen, HintOverAFlagAndTheReferenceKeypad) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);
  RegisterDialogs();

  bool saved = false;
  bool ran = false;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<ui::TestDriver> driver;
  TProgramStart::OnRunning = [&] {
    driver = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      const bool timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(30);
      if (!timedOut && (MainFrm == nullptr || MainFrm->GetView(0) == nullptr)) return;
      poll->stop();
      poll->deleteLater();
      if (!timedOut) {
        ran = true;
        TRangeView& view = *MainFrm->GetView(0);
        TDrawingPlane& chart = *view.DrawingPlane;
        TMeasurement& trace = *view.Measurements->GetActive();
        trace.Markers->AddMarker();
        chart.PaintNow();
        const TScreenPoint ref = Mid(trace.TitleHotAreas[4].Rect);
        driver->Move(chart, ref.X, ref.Y);
        driver->Click(chart, ref.X, ref.Y);
        QWidget* keypad = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
          if (qobject_cast<TDigitalKeyboardFrm*>(w) != nullptr && w->isVisible()) keypad = w;
        EXPECT_NE(keypad, nullptr) << "no reference keypad";
        chart.PaintNow();
        TMarker* marker = trace.Markers->GetActiveMarker();
        const TScreenPoint flag = Mid(marker->FlagRect);
        driver->Move(chart, flag.X, flag.Y);
        EXPECT_EQ(chart.HintKind, 28);
        // The virtual display's own pointer is elsewhere: its leave notices would hide the hint,
        // so the picture is taken at once.
        std::vector<QWidget*> windows{MainFrm};
        if (keypad != nullptr) windows.push_back(keypad);
        const QImage screen = ComposeScreen(windows);
        saved = screen.save(QString::fromStdString(std::string(TERVAN_BINARY_DIR) + "/ChartPopupScreen.png"));
      }
      MainFrm->Close();
    });
    poll->start(20);
  };
  const char* argv[] = {"tervan", "DemoMode", "English", nullptr};
  EXPECT_EQ(TProgramStart::Run(3, const_cast<char**>(argv)), 0);
  TProgramStart::OnRunning = nullptr;
  EXPECT_TRUE(ran) << "the program did not make its channel windows within 30 s";
  EXPECT_TRUE(saved);
}

}  // namespace
