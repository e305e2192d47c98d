// The whole program in demonstration mode with the demonstration calibration module attached to
// the emulator: the main window finds the module once the instrument is there, the module's
// changes refresh the open dialog, an automatic calibration through the program's own sweep-wait
// box calibrates the active channel and the sweeping goes on, and an unplug removes the
// temporary kit.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>

#include "calibration/CalKitsModule.h"
#include "calibration/CalibratorModule.h"
#include "calibration/ECal.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/RunMode.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"

namespace {

class EcalInProgram : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
  void TearDown() override {
    TProgramStart::Stop();
    TProgramStart::OnModuleCreated = nullptr;
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(platform::Paths::dataRoot()) / "State", ec);
  }
  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(EcalInProgram, ModuleFoundCalibratesAndGoesAway) {
  std::unique_ptr<TEmulatedEcal> module = TEmulatedEcal::FromResource("EcalFlash");
  ASSERT_NE(module, nullptr);
  EmulatorBackend* emulator = nullptr;
  TProgramStart::OnModuleCreated = [&](const std::string& name) {
    if (name != "Device") return;
    emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get());
    if (emulator) emulator->AttachEcal(module.get());
  };

  std::string model, serial;
  int viewChanges = 0;
  bool ran = false, calibrated = false, cableAfter = false, temporaryAfterUnplug = true, timedOut = false;
  int method = 0;
  int sweepsAfter = 0;
  int boxes = 0;
  int sweeps = 0;
  const auto started = std::chrono::steady_clock::now();
  int phase = 0;
  TProgramStart::OnRunning = [&] {
    CountSweeps(sweeps);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(90);
      TECal* ecal = MainFrm ? MainFrm->ECal : nullptr;
      if (phase == 0 && !timedOut) {
        if (!ecal || !ScannerModule->GetScanner().Connected || !ecal->IsConnected() || sweeps < 1) return;
        phase = 1;
        poll->stop();
        model = ecal->GetModelName();
        serial = ecal->GetSerial();
        auto previous = MainFrm->OnActiveViewChanged;
        MainFrm->OnActiveViewChanged = [&, previous](TFObject* sender) {
          ++viewChanges;
          if (previous) previous(sender);
        };
        ecal->SetThermoCompensation(!ecal->ThermoCompensation);
        MainFrm->OnActiveViewChanged = previous;
        ran = true;
        // Three sweeps of the orientation, five standards: each in the program's wait box.
        for (int i = 0; i < 8; ++i) driver.OnNextModal([&](ui::Form& form) { boxes += form.Name() == "WaitFrm"; });
        calibrated = ecal->RunAutoCal(false);
        if (TCalibr* user = CalibratorModule->GetUserCalibr()) method = user->GetPortMethod(0);
        cableAfter = emulator && emulator->GetPortLoad() == TDemoPort::TLoad::Cable;
        sweepsAfter = sweeps;
        poll->start(20);
        return;
      }
      if (phase == 1 && !timedOut) {
        if (sweeps < sweepsAfter + 2) return;
        sweepsAfter = sweeps - sweepsAfter;
        phase = 2;
        module->Unplug();
        return;
      }
      if (phase == 2 && !timedOut) {
        if (ecal && ecal->IsConnected()) return;
        temporaryAfterUnplug = CalKitsModule->GetKits().GetHasTemporaryKit();
      }
      poll->stop();
      poll->deleteLater();
      std::raise(SIGTERM);
    });
    poll->start(20);
  };
  const char* argv[] = {"tervan", "DemoMode", nullptr};
  EXPECT_EQ(TProgramStart::Run(2, const_cast<char**>(argv)), 0);
  EXPECT_FALSE(timedOut) << "phase " << phase;
  EXPECT_EQ(model, "QM2290");
  EXPECT_EQ(serial, "DEMO0001");
  EXPECT_EQ(viewChanges, 1);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(calibrated);
  EXPECT_EQ(boxes, 8);
  EXPECT_EQ(driver.PendingModalActions(), 0u);
  EXPECT_EQ(method, cmF1);
  EXPECT_TRUE(cableAfter);
  EXPECT_GE(sweepsAfter, 2) << "sweeping resumed";
  EXPECT_FALSE(temporaryAfterUnplug);
}

}  // namespace
