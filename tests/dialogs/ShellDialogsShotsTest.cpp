// The shell's dialogs over the running program on a real display: the demonstration program
// opens each of them by clicks on its soft key or button, and the screen with the dialog is
// saved into the build folder, one picture per dialog. Every picture is composed from each
// window's own grab at its place (a virtual display shows later top-level windows black in a
// grab of the screen). CTest runs it under xvfb-run with the real platform (TERVAN_DEMO_RUN
// names it); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "ScreenShotRig.h"
#include "instrument/ScannerModule.h"
#include "widgets/LbButton.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

namespace {

using shots::ComposeScreen;
using shots::PaintedShare;

struct TShot {
  std::string name;
  double painted = 0;
  bool saved = false;
};

TEST(ShellDialogsShots, EachDialogOverTheRunningProgram) {
  START_ON_REAL_DISPLAY_OR_SKIP();

  std::vector<TShot> pictures;
  shots::TRunningProgram program;
  auto& driver = program.driver;
  auto shoot = [&](const std::string& name, ui::Form& w) {
    QCoreApplication::processEvents();
    const QImage mainOnly = ComposeScreen({MainFrm});
    const QImage screen = ComposeScreen({MainFrm, &w});
    pictures.push_back(
        {name, PaintedShare(screen, mainOnly, w), shots::SavePicture(screen, "ShellDialogsShots-" + name)});
  };
  auto clickKey = [&](TSoftKeyPanel& panel, int index) {
    panel.GetPaintBox().PaintNow();
    shots::ClickSoftKey(*driver, panel, index);
  };
  auto press = [&](ui::Form& form, const char* name) { driver->Press(driver->Get(name, &form)); };

  const bool serviceRun = program.Run({"DemoMode", "English", "EnableService", "VorlaMode"}, 1, [&] {
    ui::TestDriver& d = *driver;
    d.OnNextModal([&](ui::Form& form) {
      shoot("system", form);
      press(form, "btOk");
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kSystem);
    d.OnNextModal([&](ui::Form& form) {
      shoot("files", form);
      press(form, "btOk");
    });
    clickKey(*MainFrm->LeftPanel, TLeftPanel::kFiles);
    d.OnNextModal([&](ui::Form& form) {
      shoot("channels", form);
      d.OnNextModal([&](ui::Form& save) {
        press(save, "btStateB");
        shoot("save-channel", save);
        press(save, "btOk");
      });
      press(form, "btSaveChannel");
      d.OnNextModal([&](ui::Form& recall) {
        shoot("recall-channel", recall);
        press(recall, "btOk");
      });
      press(form, "btRecallChannel");
      press(form, "btOk");
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kChannels);
    d.OnNextModal([&](ui::Form& form) {
      shoot("service", form);
      d.OnNextModal([&](ui::Form& offset) {
        shoot("frequency-offset", offset);
        press(offset, "btOk");
      });
      press(form, "btFreqOffset");
      press(form, "btOk");
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kService);
  });
  EXPECT_TRUE(serviceRun) << "no sweep within 30 s";
  const bool factoryRun = program.Run({"DemoMode", "English", "FactoryMode"}, 1, [&] {
    ui::TestDriver& d = *driver;
    d.OnNextModal([&](ui::Form& form) {
      shoot("factory", form);
      form.SetModalResult(ui::mrCancel);
    });
    clickKey(*MainFrm->RightPanel, TRightPanel::kService);
  });
  EXPECT_TRUE(factoryRun) << "no sweep within 30 s";

  std::vector<std::string> names;
  for (const TShot& s : pictures) {
    names.push_back(s.name);
    EXPECT_TRUE(s.saved) << s.name << " not saved";
    EXPECT_GT(s.painted, 0.5) << s.name << " is not painted over the main window";
  }
  EXPECT_EQ((std::vector<std::string>{"system", "files", "channels", "save-channel", "recall-channel", "service",
                                      "frequency-offset", "factory"}),
            names);
}

}  // namespace
