// The calibration windows over the running program on a real display, each reached as a user
// reaches it: the calibration dialog from left soft key 1, the kit editor from the kit list's
// "Edit Cal Kit", the port extension and its automatic fit, the electronic module's dialog and
// its characterisation information from the calibration dialog, the service system calibration
// from the service menu, and (in a second run) the factory one from the factory menu. Each is
// saved as a picture of the whole screen composed from each window's own grab, and sized by its
// formula. The module's dialog calibrates from the demonstration module (the port following the
// module's switch state) to the port's own terms, and closes as Cancel, handing back its
// opener's handler, when the module is unplugged.
//
// CTest runs each run under xvfb-run with the real platform (TERVAN_DEMO_RUN names it); elsewhere
// it is skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ECal.h"
#include "calibration/ui/AutoCalFrm.h"
#include "calibration/ui/CalibrationDialogs.h"
#include "calibration/ui/CharInfoFrm.h"
#include "dialogs/RegisterDialogs.h"
#include "display/ViewProperties.h"
#include "instrument/DemoPort.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "model/CalRange.h"
#include "model/Complex.h"
#include "model/Range.h"
#include "platform/UsbBackend.h"
#include "platform/ui/ModalWatchdog.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"
#include "widgets/TouchDialogFrm.h"

namespace {


QImage ComposeScreen(const std::vector<QWidget*>& windows) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QImage image(screen.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  for (QWidget* w : windows) {
    if (w->isVisible()) p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - screen.topLeft(), w->grab());
  }
  return image;
}

void ClickSoftKey(ui::TestDriver& driver, TSoftKeyPanel& panel, int index) {
  panel.GetPaintBox().PaintNow();
  const ui::Rect r = panel.Button(index).Rect;
  driver.Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}


class Walk : public TRunningProgram {
 public:
  // Runs the program with these switches; body runs after two sweeps. False on a time-out.
  bool Run(const std::vector<std::string>& switches, const std::function<void()>& body) {
    RegisterDialogs();
    RegisterCalibrationDialogs();
    // The module's calibration reads its characterisation and sweeps four times.
    ui::SetModalWatchdogMs(60000);
    return TRunningProgram::Run(switches, 2, body, std::chrono::seconds(40));
  }

  // The picture of the screen with the dialog over its openers; its size against the formula.
  void Shoot(const std::string& name, ui::Form& dialog, int width, int height) {
    QCoreApplication::processEvents();
    std::vector<QWidget*> windows{MainFrm};
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w != MainFrm && w != &dialog && w->isVisible()) windows.push_back(w);
    }
    windows.push_back(&dialog);
    const QImage screen = ComposeScreen(windows);
    const std::string file = std::string(TERVAN_BINARY_DIR) + "/CalDialogsWalk-" + name + ".png";
    EXPECT_TRUE(screen.save(QString::fromStdString(file))) << name;
    EXPECT_EQ(width, dialog.ClientWidth()) << name;
    EXPECT_EQ(height, dialog.ClientHeight()) << name;
    shots.push_back(name);
  }
  void ShootRows(const std::string& name, ui::Form& dialog, int rows) {
    Shoot(name, dialog, TTouchDialogFrm::FrameWidth(), TTouchDialogFrm::FrameHeight(rows));
  }
  void Press(const char* name, ui::Form& form) { driver->Press(driver->Get(name, &form)); }
  void OnNext(const char* dialogClass, std::function<void(ui::Form&)> action) {
    driver->OnNextModal([dialogClass, action = std::move(action)](ui::Form& form) {
      EXPECT_STREQ(dialogClass, form.metaObject()->className());
      if (std::string(dialogClass) != form.metaObject()->className()) {
        form.SetModalResult(ui::mrCancel);
        return;
      }
      action(form);
    });
  }

  std::vector<std::string> shots;
};

bool OnDisplay() {
  const char* platformName = std::getenv("TERVAN_DEMO_RUN");
  if (platformName == nullptr) return false;
  qputenv("QT_QPA_PLATFORM", platformName);
  return true;
}

TEST(CalDialogsWalk, ServiceRun) {
  if (!OnDisplay()) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone";
  std::unique_ptr<TEmulatedEcal> module = TEmulatedEcal::FromResource("EcalFlash");
  ASSERT_NE(nullptr, module);
  TProgramStart::OnModuleCreated = [&](const std::string& name) {
    if (name != "Device") return;
    if (auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get())) emulator->AttachEcal(module.get());
  };
  Walk walk;
  double termError = 1.0;
  int unpluggedResult = -1;
  bool openerHandlerBack = false;
  bool notAvailable = false;
  ASSERT_TRUE(walk.Run({"EnableService", "DemoMode", "English"}, [&] {
    const int m = TTouchDialogFrm::Margin();
    const int f = TTouchDialogFrm::FieldHeight();
    const int h = TTouchForm::ButtonTextHeight("H");
    ASSERT_TRUE(MainFrm->ECal != nullptr && MainFrm->ECal->IsConnected());
    ui::TestDriver& d = *walk.driver;

    // A short sweep keeps the module's calibration within a modal run's time.
    MainFrm->GetActiveChannel()->SetPointCount(51);
    const auto calibrationDialog = [&](const std::function<void(ui::Form&)>& body) {
      walk.OnNext("TCalibrationFrm", [&](ui::Form& calibration) {
        body(calibration);
        walk.Press("btCancel", calibration);
      });
      ClickSoftKey(d, *MainFrm->LeftPanel, TLeftPanel::kCalibration);
    };

    calibrationDialog([&](ui::Form& calibration) {
      walk.ShootRows("calibration", calibration, 9);
      // The kit list, and from it the kit editor.
      d.OnNextModal([&](ui::Form& list) {
        walk.OnNext("TCalKitFrm", [&](ui::Form& kit) {
          const int w1 = TTouchForm::ButtonTextWidth(std::string(10, 'H'));
          const int w2 = TTouchForm::ButtonTextWidth(std::string(20, 'H'));
          walk.Shoot("kit-editor", kit, 4 * w1 + w2 + 4 * m, 5 * m + 9 * f + 6);
          walk.Press("btOk", kit);
        });
        walk.Press("btEditKit", list);
        if (list.ModalResult() == ui::mrNone) walk.Press("btCancel", list);
      });
      walk.Press("pnCalKitValue", calibration);
      // Port extension, and the automatic one from it.
      walk.OnNext("TPortExtensionFrm", [&](ui::Form& extension) {
        walk.ShootRows("port-extension", extension, 9);
        walk.OnNext("TAutoExtensionFrm", [&](ui::Form& autoExtension) {
          walk.ShootRows("auto-extension", autoExtension, CalibratorModule->AutoExtMethod == 1 ? 8 : 7);
          walk.Press("btCancel", autoExtension);
        });
        walk.Press("btAutoExtension", extension);
        walk.Press("btOk", extension);
      });
      walk.Press("btPortExtension", calibration);
    });

    // The module's dialog and its information; then Calibrate, whose sweeps wait in the
    // program's wait boxes (orientation, then Short, Open, Load).
    calibrationDialog([&](ui::Form& calibration) {
      walk.OnNext("TAutoCalFrm", [&](ui::Form& autoCal) {
        walk.ShootRows("autocal", autoCal, 9);
        walk.OnNext("TCharInfoFrm", [&](ui::Form& info) {
          walk.Shoot("char-info", info, 2 * m + 2 * TTouchForm::ButtonTextWidth(std::string(20, 'H')),
                     4 * m + 2 * f + 17 * h);
          walk.Press("btOk", info);
        });
        walk.Press("btCharInfo", autoCal);
        int boxes = 0;
        for (int i = 0; i < 12; ++i) walk.OnNext("TWaitFrm", [&boxes](ui::Form&) { ++boxes; });
        walk.Press("btAutoCal", autoCal);
        d.ClearModalActions();
        EXPECT_EQ(ui::mrOk, autoCal.ModalResult()) << boxes << " wait boxes";
      });
      walk.Press("btAutoCal", calibration);
    });
    if (const TCalibr* user = CalibratorModule->GetUserCalibr(); user != nullptr && user->Terms != nullptr) {
      termError = 0.0;
      for (int i = 0; i < user->Terms->GetCount(); ++i) {
        const TDemoPort::TTerms t = TDemoPort::RealisticTerms(user->Terms->GetFrequency(i));
        termError = std::max({termError, Abs(user->Terms->GetErrorTermA(0, i) - t.Er),
                              Abs(user->Terms->GetErrorTermB(0, i) - t.Ed),
                              Abs(user->Terms->GetErrorTermC(0, i) - t.Es)});
      }
    }

    // Unplugged while open: Cancel, and a handler is in force again (which one: EcalDialog
    // checks it exactly, offscreen).
    calibrationDialog([&](ui::Form& calibration) {
      walk.OnNext("TAutoCalFrm", [&](ui::Form& autoCal) {
        module->Unplug();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(8);
        while (autoCal.ModalResult() == ui::mrNone && std::chrono::steady_clock::now() < until) {
          QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        unpluggedResult = autoCal.ModalResult();
      });
      walk.Press("btAutoCal", calibration);
      openerHandlerBack = static_cast<bool>(MainFrm->OnActiveViewChanged);
      if (openerHandlerBack) MainFrm->OnActiveViewChanged(nullptr);
    });

    // The service menu's system calibration.
    walk.OnNext("TServiceFrm", [&](ui::Form& service) {
      walk.OnNext("TSystemCalFrm", [&](ui::Form& system) {
        walk.ShootRows("system-calibration", system, 12);
        walk.Press("btOk", system);
      });
      walk.Press("btFactoryCal", service);
      walk.Press("btOk", service);
    });
    ClickSoftKey(d, *MainFrm->RightPanel, TRightPanel::kService);
    notAvailable = !d.Box().Shown().empty();
  }));
  TProgramStart::OnModuleCreated = nullptr;
  EXPECT_LT(termError, 5e-4);
  EXPECT_EQ(ui::mrCancel, unpluggedResult);
  EXPECT_TRUE(openerHandlerBack);
  EXPECT_FALSE(notAvailable) << "a message was shown";
  EXPECT_EQ((std::vector<std::string>{"calibration", "kit-editor", "port-extension", "auto-extension", "autocal",
                                      "char-info", "system-calibration"}),
            walk.shots);
}

TEST(CalDialogsWalk, FactoryRun) {
  if (!OnDisplay()) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";
  ASSERT_EQ(QCoreApplication::instance(), nullptr) << "run it alone";
  Walk walk;
  bool notAvailable = false;
  ASSERT_TRUE(walk.Run({"FactoryMode", "DemoMode", "English"}, [&] {
    walk.OnNext("TFactoryFrm", [&](ui::Form& factory) {
      walk.OnNext("TFactoryCalFrm", [&](ui::Form& system) {
        walk.ShootRows("factory-calibration", system, 9);
        walk.Press("btOk", system);
      });
      walk.Press("btFactoryCal", factory);
      walk.Press("btOk", factory);
    });
    ClickSoftKey(*walk.driver, *MainFrm->RightPanel, TRightPanel::kService);
    notAvailable = !walk.driver->Box().Shown().empty();
  }));
  EXPECT_FALSE(notAvailable) << "a message was shown";
  EXPECT_EQ((std::vector<std::string>{"factory-calibration"}), walk.shots);
}

}  // namespace
