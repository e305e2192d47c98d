// The power meter dialog and the synthesizer form over the running program on a real display,
// reached as a user reaches them: the service key of the service mode (Power Meter, Synthesizer)
// and the System key of the VorlaMode switch (Power Meter). The meter runs on the scripted
// drivers, so a press on the status row connects it. Every picture is the whole screen,
// composed from each window's own grab at its place, saved into the build folder. CTest runs it
// under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/RegisterDialogs.h"
#include "dialogs/ScreenShotRig.h"
#include "display/ViewProperties.h"
#include "instrument/FakePowerDrivers.h"
#include "instrument/PowerMeter.h"
#include "instrument/ui/InstrumentDialogs.h"
#include "instrument/ui/PowerMeterFrm.h"
#include "instrument/ui/SynthesizerFrm.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/ui/Button.h"
#include "platform/ui/Color.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/Panel.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/LbButton.h"
#include "widgets/RightPanel.h"

namespace {

using shots::ClickSoftKey;
using shots::ComposeScreen;

struct TShot {
  std::string name;
  bool saved = false;
};

// Runs the program with the switches; once it has swept twice, script runs with the driver.
// False when it did not sweep within 30 s.
bool RunProgram(const std::vector<std::string>& texts, const std::function<void(ui::TestDriver&)>& script,
                std::vector<std::string>& boxes) {
  TRunningProgram program;
  const bool swept = program.Run(texts, 2, [&] {
    script(*program.driver);
    boxes = program.driver->Box().Shown();
  });
  ResetRunMode();
  return swept;
}

TEST(ServiceDialogsShots, PowerMeterAndSynthesizerOverTheRunningProgram) {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone: the application must start on " << platformName;
  qputenv("QT_QPA_PLATFORM", platformName);

  FakePowerDrivers drivers;
  TPowerMeter::DriverSource = [&](int, TPowerMeter::TDrivers& d, std::string&) {
    d.Sensor = &drivers;
    d.Gpib = &drivers;
    return true;
  };
  RegisterDialogs();
  RegisterInstrumentDialogs();

  std::vector<TShot> shots;
  std::vector<std::string> titleColours;  // windows whose title bar is not in the PanelColor
  std::vector<std::string> statusAfterPress;
  const auto shoot = [&](const std::string& name, ui::Form& form, ui::Panel* titleBar) {
    QCoreApplication::processEvents();
    const QImage screen = ComposeScreen({MainFrm, &form});
    const std::string file = std::string(TERVAN_BINARY_DIR) + "/ServiceDialogsShots-" + name + ".png";
    shots.push_back({name, screen.save(QString::fromStdString(file))});
    if (titleBar != nullptr) {
      const QRect bar(titleBar->mapToGlobal(QPoint(0, 0)), titleBar->size());
      const QPoint probe(bar.right() - 3, bar.center().y());
      const QRgb expected = ui::ToQRgb(ViewProperties->PanelColor);
      if (!screen.valid(probe) || (screen.pixel(probe) & 0xFFFFFF) != (expected & 0xFFFFFF)) titleColours.push_back(name);
    }
  };
  // The power meter dialog: a picture, a press on the status row, a picture, Ok.
  const auto powerMeter = [&](ui::TestDriver& driver, const std::string& name) {
    driver.OnNextModal([&, name](ui::Form& form) {
      auto& dialog = static_cast<TPowerMeterFrm&>(form);
      shoot(name, dialog, dialog.TopPanel);
      driver.Press(*dialog.pnStatusValue);
      // The program speaks its language: "Ready" as the user reads it.
      statusAfterPress.push_back(dialog.pnStatusValue->Caption() == " " + TranslateText("Ready") ? "Ready"
                                                                                                : dialog.pnStatusValue->Caption());
      shoot(name + "-ready", dialog, dialog.TopPanel);
      driver.Press(*dialog.pnStatusValue);
      driver.Press(*dialog.btOk);
    });
  };

  std::vector<std::string> serviceBoxes;
  ASSERT_TRUE(RunProgram({"EnableService", "DemoMode"}, [&](ui::TestDriver& driver) {
    driver.OnNextModal([&](ui::Form& menu) {
      powerMeter(driver, "service-power-meter");
      driver.Press(driver.Get("btPowerMeter", &menu));
      driver.OnNextModal([&](ui::Form& form) {
        shoot("synthesizer-14GHz", form, nullptr);
        driver.Click(*static_cast<TSynthesizerFrm&>(form).btCancel);
      });
      driver.Press(driver.Get("btSynthesizer", &menu));
      driver.Press(driver.Get("btOk", &menu));
    });
    ClickSoftKey(driver, *MainFrm->RightPanel, TRightPanel::kService);
  }, serviceBoxes)) << "no two sweeps within 30 s";

  std::vector<std::string> systemBoxes;
  ASSERT_TRUE(RunProgram({"VorlaMode", "DemoMode"}, [&](ui::TestDriver& driver) {
    driver.OnNextModal([&](ui::Form& system) {
      powerMeter(driver, "system-power-meter");
      driver.Press(driver.Get("btPowerMeter", &system));
      driver.Press(driver.Get("btOk", &system));
    });
    ClickSoftKey(driver, *MainFrm->RightPanel, TRightPanel::kSystem);
  }, systemBoxes)) << "no two sweeps within 30 s";
  TPowerMeter::DriverSource = nullptr;

  std::vector<std::string> names;
  for (const TShot& s : shots) {
    names.push_back(s.name);
    EXPECT_TRUE(s.saved) << s.name << " not saved";
  }
  EXPECT_EQ((std::vector<std::string>{"service-power-meter", "service-power-meter-ready", "synthesizer-14GHz",
                                      "system-power-meter", "system-power-meter-ready"}),
            names);
  EXPECT_EQ(std::vector<std::string>{}, titleColours);
  EXPECT_EQ((std::vector<std::string>{"Ready", "Ready"}), statusAfterPress);
  EXPECT_EQ(std::vector<std::string>{}, serviceBoxes) << "no \"Not available yet\" is left";
  EXPECT_EQ(std::vector<std::string>{}, systemBoxes);
  EXPECT_TRUE(drivers.OpenHandles.empty());
}

}  // namespace
