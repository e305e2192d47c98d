// The Print dialog over the running program on a real display, opened from the left soft key
// "Print": the whole screen composed from each window's own grab at its place, saved into the
// build folder. CTest runs it under xvfb-run (TERVAN_DEMO_RUN names the platform); elsewhere
// it is skipped.
#include <gtest/gtest.h>

#include "ScreenShotRig.h"
#include "dialogs/PrintFrm.h"
#include "widgets/LeftPanel.h"

namespace {

TEST(PrintFrmScreen, ThePrintDialogOverTheRunningProgram) {
  START_ON_REAL_DISPLAY_OR_SKIP();

  bool saved = false, opened = false;
  shots::TRunningProgram program;
  auto& driver = program.driver;
  const bool swept = program.Run({"DemoMode"}, 2, [&] {
    driver->OnNextModal([&](ui::Form& form) {
      opened = qobject_cast<TPrintFrm*>(&form) != nullptr;
      QCoreApplication::processEvents();
      saved = shots::SavePicture(shots::ComposeScreen({MainFrm, &form}), "PrintFrmScreen");
      driver->Press(driver->Get("btOk", &form));
    });
    shots::ClickSoftKey(*driver, *MainFrm->LeftPanel, TLeftPanel::kPrint);
  });
  EXPECT_TRUE(swept) << "no two sweeps within 30 s";
  EXPECT_TRUE(opened) << "the soft key did not open the Print dialog";
  EXPECT_TRUE(saved);
}

}  // namespace
