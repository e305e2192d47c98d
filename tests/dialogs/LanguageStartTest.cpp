// The language the program starts in: Russian unless the "English" switch or the user's
// "Language=EN" says otherwise, seen on the soft keys, the status bar and the System dialog.
#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "dialogs/ProgramRig.h"
#include "platform/ui/Label.h"
#include "platform/ui/Panel.h"
#include "widgets/PaintButton.h"

namespace fs = std::filesystem;

namespace {

class LanguageStart : public ProgramRig {
 protected:
  void TearDown() override {
    std::error_code ec;
    fs::remove(platform::Paths::configFile(), ec);
    ProgramRig::TearDown();
  }

  struct TSeen {
    std::string systemKey;
    std::string filesKey;
    std::string ready;
    std::string title;
  };
  TSeen Start(const std::vector<std::string>& switches) {
    TSeen seen;
    EXPECT_TRUE(RunProgram(switches, [&] {
      MainFrm->RightPanel->GetPaintBox().PaintNow();
      MainFrm->LeftPanel->GetPaintBox().PaintNow();
      seen.systemKey = MainFrm->RightPanel->Button(TRightPanel::kSystem).Caption;
      seen.filesKey = MainFrm->LeftPanel->Button(TLeftPanel::kFiles).Caption;
      OnNextDialog("TSystem30Frm", [&](ui::Form& form) {
        seen.title = Get<ui::Panel>("TopPanel", form).Caption();
        Press("btOk", form);
      });
      ClickRight(TRightPanel::kSystem);
      // The demonstration instrument answers within moments.
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (std::chrono::steady_clock::now() < until) {
        seen.ready = MainFrm->lbReady->Caption();
        if (seen.ready == "Ready" || seen.ready == "Готов") break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      }
    }));
    return seen;
  }
};

TEST_F(LanguageStart, RussianUnlessTheUserAsksForEnglish) {
  std::error_code ec;
  fs::remove(platform::Paths::configFile(), ec);
  const TSeen russian = Start({"DemoMode"});
  EXPECT_EQ("Система", russian.systemKey);
  EXPECT_EQ("Система", russian.title);
  EXPECT_EQ("Файлы", russian.filesKey);

  const TSeen bySwitch = Start({"DemoMode", "English"});
  EXPECT_EQ("System", bySwitch.systemKey);
  EXPECT_EQ("Files", bySwitch.filesKey);
  EXPECT_EQ("Ready", bySwitch.ready);
  EXPECT_EQ("System", bySwitch.title);

  std::ofstream(platform::Paths::configFile()) << "Language=EN\n";
  const TSeen bySetting = Start({"DemoMode"});
  EXPECT_EQ("System", bySetting.systemKey);
  EXPECT_EQ("Files", bySetting.filesKey);
  EXPECT_EQ("Ready", bySetting.ready);
  EXPECT_EQ("System", bySetting.title);
}

}  // namespace
