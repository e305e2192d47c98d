#pragma once
// The main window offscreen with its real modules (MainFrmRig), its delayed start run, and the
// globals that automation members reach set to them.
#include "automation/AutomationCore.h"
#include "shell/MainFrmRig.h"
#include "shell/ProgramStart.h"

class AutomationRig : public MainFrmRig {
 protected:
  void SetUp() override {
    Build("");
    MainFrm = frm.get();
    ::Device = device.get();
    RunDelayedStart();
    savedPostClose = automation::TAutomationServer::PostClose;
    automation::TAutomationServer::PostClose = [this] { ++closes; };
  }
  void TearDown() override {
    automation::TAutomationServer::PostClose = savedPostClose;
    automation::TAutomationServer::AutomationSwitch = false;
    ::Device = nullptr;
    MainFrm = nullptr;
    MainFrmRig::TearDown();
  }

  int closes = 0;
  std::function<void()> savedPostClose;
};
