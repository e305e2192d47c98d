#pragma once
// The main window on its own, offscreen, with the modules it reaches real and the clock, the
// timers and the user-interface queue fake. Tests name their suite after what they test:
// `class ChannelLayout : public MainFrmRig {};`.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "calibration/CalibratorModule.h"
#include "common/TestEnv.h"
#include "display/ViewProperties.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/ManualWaiter.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Timer.h"
#include "shell/MainFrm.h"

// The modules the window reaches, on a fake clock and a manual user-interface queue; the
// run-mode switches as the test gives them.
class MainFrmRig : public ::testing::Test {
 protected:
  void Build(const std::string& switches) {
    ui::Application::ForTests();
    SetRunModeFromText(switches);
    previousDispatcher = platform::UiDispatcher::install(&queue);
    device = std::make_unique<TDevice>();
    services->Device = device.get();
    services->SynthesizerTV30 = &synth30;
    emulator = EmulatorBackend::InstallForDemoMode();
    ScannerModule = new TScannerModule();
    ViewProperties = new TViewProperties();
    CalibratorModule = new TCalibratorModule((testenv::Root() / "calkit.ini").string());
    services->CalibratorModule = CalibratorModule;
    frm = std::make_unique<TMainFrm>();
  }

  void TearDown() override {
    if (ScannerModule) {
      // Nothing here sweeps for real: no link traffic at the shut-down.
      scanner().SetState(TScanner::STOP);
      scanner().Connected = false;
    }
    frm.reset();
    delete CalibratorModule;
    CalibratorModule = nullptr;
    delete ViewProperties;
    ViewProperties = nullptr;
    delete ScannerModule;
    ScannerModule = nullptr;
    if (emulator) platform::UsbBackend::install(nullptr);
    emulator.reset();
    platform::UiDispatcher::install(previousDispatcher);
    TMainFrm::DialogOpener = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(platform::Paths::dataRoot()) / "State", ec);
    ResetRunMode();
  }

  TScanner& scanner() { return ScannerModule->GetScanner(); }

  // Runs the delayed start the way its timer does, 10 ms after the window was made.
  void RunDelayedStart() {
    clock.advanceMs(TMainFrm::kDelayCreateMs);
    ui::Timer::Fake::RunDue();
  }

  // Pretends the instrument answered: connected, out of standby, trigger hold (so nothing is
  // sent), then the window's connected handler.
  void PretendConnected() {
    scanner().Connected = true;
    ScannerModule->TriggerMode = TScannerModule::Hold;
    frm->DeviceConnected(nullptr);
  }

  platform::ManualClock clock;
  platform::ScopedClock scopedClock{clock};
  ui::Timer::Fake fakeTimers;
  platform::ManualUiDispatcher queue;
  TManualWaiter waiter{clock, queue};
  platform::UiDispatcher* previousDispatcher = nullptr;
  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
  TScopedServices services;
  TSynthesizerTV30 synth30;
  std::unique_ptr<TDevice> device;
  std::unique_ptr<EmulatorBackend> emulator;
  std::unique_ptr<TMainFrm> frm;
};

