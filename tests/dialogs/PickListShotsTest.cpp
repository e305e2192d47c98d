// Every pick list over the running program on a real display: the Measurement list from its
// soft key, every other list through its opening function. Each picture is the whole screen,
// composed from each window's own grab at its place, saved into the build folder; the title
// bar shows the look's panel colour and the selected row its dark background. CTest runs it
// under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/PickListFrm.h"
#include "dialogs/PickLists.h"
#include "dialogs/RegisterDialogs.h"
#include "display/ViewProperties.h"
#include "platform/ui/Color.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
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

struct TShot {
  std::string name;
  bool saved = false;
  QRgb title = 0;
  QRgb selected = 0;
};

TEST(PickListShots, EveryListOverTheRunningProgram) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);
  RegisterDialogs();

  std::vector<TShot> shots;
  int sweeps = 0;
  bool timedOut = false;
  ui::TColor panelColor = 0;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<ui::TestDriver> driver;

  auto shoot = [&](const std::string& name, TPickListFrm& list) {
    QCoreApplication::processEvents();
    const QImage screen = ComposeScreen({MainFrm, &list});
    const std::string file = std::string(TERVAN_BINARY_DIR) + "/PickListShots-" + name + ".png";
    TShot shot{name, screen.save(QString::fromStdString(file))};
    const QPoint origin = list.mapToGlobal(QPoint(0, 0));
    const ui::Rect bar = list.TopPanel->BoundsRect();
    shot.title = screen.pixel(origin + QPoint(bar.Right - 1 - 3, (bar.Top + bar.Bottom) / 2));
    const ui::Rect cell = list.sgList->CellRect(list.sgList->ColCount() - 1, list.GetSelectedIndex());
    const ui::Rect grid = list.sgList->BoundsRect();
    shot.selected = screen.pixel(origin + QPoint(grid.Left + cell.Right - 3, grid.Top + cell.Top + 2));
    shots.push_back(shot);
  };

  int state = 2, characterization = 1, orientation = 1, model = 1, limit = 1, ripple = 1, method = 0, gate = 1,
      shape = 2;
  const std::vector<std::pair<std::string, std::function<int(ui::Form&)>>> modal = {
      {"Points", RunPointsList},
      {"IFBW", RunIFBWList},
      {"SweepType", RunSweepTypeList},
      {"PowerMode", RunPowerModeList},
      {"Trigger", RunTriggerList},
      {"TriggerSource", RunTriggerSourceList},
      {"ClockSource", RunClockSourceList},
      {"MeasMode", RunMeasModeList},
      {"PowerMeter", [&](ui::Form& o) { return RunPowerMeterList(o, model); }},
      {"SaveType", RunSaveTypeList},
      {"PrintColor", RunPrintColorList},
      {"TouchStone", RunTouchStoneList},
      {"LoadTouchstoneTo", RunLoadTouchstoneTo},
      {"CalKit", RunCalKitList},
      {"State", [&](ui::Form& o) { return RunStateList(o, state); }},
      {"CharType", [&](ui::Form& o) { return RunCharTypeList(o, characterization); }},
      {"Orient", [&](ui::Form& o) { return RunOrientList(o, orientation); }},
      {"DataMath", RunDataMathList},
      {"Conversion", RunConversionList},
      {"MarkerNum", [](ui::Form& o) { return RunMarkerNumList(o, [](double) {}, [] { return 3.0; }); }},
      {"PeakPolarity", RunPeakPolarityList},
      {"TargetTransition", RunTargetTransitionList},
      {"Allign", RunAllignList},
      {"Limit", [&](ui::Form& o) { return RunLimitList(o, limit); }},
      {"Ripple", [&](ui::Form& o) { return RunRippleList(o, ripple); }},
      {"Method", [&](ui::Form& o) { return RunMethodList(o, method); }},
      {"GatingType", [&](ui::Form& o) { return RunGatingTypeList(o, gate); }},
      {"GatingShape", [&](ui::Form& o) { return RunGatingShapeList(o, shape); }},
      {"DTFWindow", RunDTFWindowList},
      {"Metric", RunMetricList},
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
      panelColor = ViewProperties->PanelColor;

      // The soft key, as a user opens the list.
      TLeftPanel& keys = *MainFrm->LeftPanel;
      keys.GetPaintBox().PaintNow();
      const ui::Rect key = keys.Button(TLeftPanel::kMeasurement).Rect;
      driver->Click(keys.GetPaintBox(), (key.Left + key.Right) / 2, (key.Top + key.Bottom) / 2);
      QPointer<TPickListFrm> measure;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* list = qobject_cast<TPickListFrm*>(w); list != nullptr && list->isVisible()) measure = list;
      }
      if (measure.isNull()) {
        ADD_FAILURE() << "the soft key opened no list";
      } else {
        shoot("Measurement", *measure);
        driver->Press(*measure->btCancel);
        driver->ProcessEvents();
      }

      for (const auto& [name, run] : modal) {
        driver->OnNextModal([&, name = name](ui::Form& form) {
          auto* list = qobject_cast<TPickListFrm*>(&form);
          if (list == nullptr) {
            ADD_FAILURE() << name << " is not a pick list";
            form.SetModalResult(ui::mrCancel);
            return;
          }
          shoot(name, *list);
          list->SetModalResult(ui::mrCancel);
        });
        run(*MainFrm);
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
  ASSERT_EQ(shots.size(), 31u);
  for (const TShot& s : shots) {
    EXPECT_TRUE(s.saved) << s.name << " not saved";
    EXPECT_EQ(s.title & 0xFFFFFFu, ui::ToQRgb(panelColor) & 0xFFFFFFu) << s.name << ": title bar";
    EXPECT_EQ(s.selected & 0xFFFFFFu, 0x2F2F2Fu) << s.name << ": selected row";
  }
}

}  // namespace
