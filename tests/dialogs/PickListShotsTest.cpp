// Every pick list over the running program on a real display: the Measurement list from its
// soft key, every other list through its opening function. Each picture is the whole screen,
// composed from each window's own grab at its place, saved into the build folder; the title
// bar shows the look's panel colour and the selected row its dark background. CTest runs it
// under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ScreenShotRig.h"
#include "dialogs/PickListFrm.h"
#include "dialogs/PickLists.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"

namespace {

struct TShot {
  std::string name;
  bool saved = false;
  QRgb title = 0;
  QRgb selected = 0;
};

TEST(PickListShots, EveryListOverTheRunningProgram) {
  START_ON_REAL_DISPLAY_OR_SKIP();

  std::vector<TShot> pictures;
  ui::TColor panelColor = 0;
  shots::TRunningProgram program;
  auto& driver = program.driver;

  auto shoot = [&](const std::string& name, TPickListFrm& list) {
    QCoreApplication::processEvents();
    const QImage screen = shots::ComposeScreen({MainFrm, &list});
    TShot shot{name, shots::SavePicture(screen, "PickListShots-" + name)};
    const QPoint origin = list.mapToGlobal(QPoint(0, 0));
    const ui::Rect bar = list.TopPanel->BoundsRect();
    shot.title = screen.pixel(origin + QPoint(bar.Right - 1 - 3, (bar.Top + bar.Bottom) / 2));
    const ui::Rect cell = list.sgList->CellRect(list.sgList->ColCount() - 1, list.GetSelectedIndex());
    const ui::Rect grid = list.sgList->BoundsRect();
    shot.selected = screen.pixel(origin + QPoint(grid.Left + cell.Right - 3, grid.Top + cell.Top + 2));
    pictures.push_back(shot);
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

  const bool swept = program.Run({"DemoMode"}, 2, [&] {
    panelColor = ViewProperties->PanelColor;

    // The soft key, as a user opens the list.
    TLeftPanel& keys = *MainFrm->LeftPanel;
    keys.GetPaintBox().PaintNow();
    shots::ClickSoftKey(*driver, keys, TLeftPanel::kMeasurement);
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
  });

  EXPECT_TRUE(swept) << "no two sweeps within 30 s";
  ASSERT_EQ(pictures.size(), 31u);
  for (const TShot& s : pictures) {
    EXPECT_TRUE(s.saved) << s.name << " not saved";
    EXPECT_EQ(s.title & 0xFFFFFFu, ui::ToQRgb(panelColor) & 0xFFFFFFu) << s.name << ": title bar";
    EXPECT_EQ(s.selected & 0xFFFFFFu, 0x2F2F2Fu) << s.name << ": selected row";
  }
}

}  // namespace
