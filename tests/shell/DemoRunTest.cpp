// The whole program in demonstration mode on a real display: an autosave asks for four channels
// in four quarters; once every channel has been swept the main window is grabbed as a picture,
// and each of the four plots must show the first trace. CTest runs it under xvfb-run with the
// real platform (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/DrawingPlane.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "shell/StateFileSample.h"

namespace {

// A window colour (blue in the high byte) as Qt's.
QRgb ToRgb(TColor c) { return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)); }

TEST(DemoRun, FourChannelsSweepAndShowTheirTraces) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);
  statefile::Write(TMainFrm::AutosavePath(), 5, 4);

  struct TSeen {
    int ChannelCount = 0;
    int FullSweeps = 0;
    bool TimedOut = false;
    std::vector<long long> TracePixels;
    std::vector<int> PlotWidths;
    std::string Picture;
  } seen;
  const auto started = std::chrono::steady_clock::now();
  TProgramStart::OnRunning = [&] {
    auto original = ScannerModule->OnSweepDone;
    ScannerModule->OnSweepDone = [&seen, original](TFObject* sender) {
      ++seen.FullSweeps;
      if (original) original(sender);
    };
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      seen.TimedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(15);
      // Two full sweeps: the charts have painted the first one by the end of the second.
      if (seen.FullSweeps < 2 && !seen.TimedOut) return;
      poll->stop();
      poll->deleteLater();
      seen.ChannelCount = MainFrm->ChannelCount;
      const QImage image = MainFrm->grab().toImage();
      seen.Picture = std::string(TERVAN_BINARY_DIR) + "/DemoRun.png";
      image.save(QString::fromStdString(seen.Picture));
      const QRgb trace = ToRgb(ViewProperties->GetMainColor(0));
      for (int i = 0; i < TMainFrm::kViewCount; ++i) {
        TRangeView* view = MainFrm->GetView(i);
        const ui::Rect plot = view->DrawingPlane->PlotRect;
        const QPoint origin = view->DrawingPlane->mapTo(MainFrm, QPoint(0, 0));
        long long count = 0;
        for (int y = plot.Top; y < plot.Bottom; ++y) {
          for (int x = plot.Left; x < plot.Right; ++x) {
            const QPoint p = origin + QPoint(x, y);
            if (image.valid(p) && (image.pixel(p) & 0xFFFFFF) == (trace & 0xFFFFFF)) ++count;
          }
        }
        seen.TracePixels.push_back(count);
        seen.PlotWidths.push_back(plot.Width());
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

  EXPECT_FALSE(seen.TimedOut) << "no sweep of every channel within 15 s (" << seen.FullSweeps << " sweeps)";
  EXPECT_EQ(seen.ChannelCount, 4);
  ASSERT_EQ(seen.TracePixels.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_GT(seen.PlotWidths[i], 0) << "plot " << i;
    EXPECT_GE(seen.TracePixels[i] * 2, seen.PlotWidths[i]) << "plot " << i << " in " << seen.Picture;
  }
}

}  // namespace
