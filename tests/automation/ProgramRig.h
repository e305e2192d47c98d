#pragma once
// The whole program in-process in demonstration mode, with an SCPI server that no socket
// reaches: tests talk to it through in-memory clients from inside the running event loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "automation/ScpiServer.h"
#include "automation/ScpiTestClient.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/RunMode.h"
#include "platform/ui/Application.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/QtTcp.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"

class ProgramRig : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::ForTests();
    ui::InstallQtTcp();
  }
  void TearDown() override {
    TProgramStart::OnRunning = nullptr;
    TProgramStart::AutomationStop = nullptr;
    ResetRunMode();
  }

  static bool InstrumentReady() {
    return MainFrm != nullptr && MainFrm->GetView(0) != nullptr && ScannerModule != nullptr &&
           ScannerModule->GetScanner().Connected && !ScannerModule->GetScanner().GetStandby();
  }

  // Runs the program in demonstration mode; body runs inside its event loop once the emulator is
  // connected, then the main window closes. The server goes in the program's stop hook.
  void RunProgram(const std::function<void(automation::TScpiServer& server)>& body) {
    std::unique_ptr<automation::TScpiServer> server;
    bool reached = false;
    TProgramStart::AutomationStop = [&] { server.reset(); };
    TProgramStart::OnRunning = [&] {
      server = std::make_unique<automation::TScpiServer>();
      reached = ui::EventLoop::WaitUntil(InstrumentReady, 60000);
      if (reached) body(*server);
      TProgramStart::RequestClose();
    };
    EXPECT_EQ(RunWithSwitches({"DemoMode"}), 0);
    EXPECT_TRUE(reached) << "the emulator did not connect";
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};
