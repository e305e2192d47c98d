// The Print dialog as a user reaches it: the left soft key "Print" of the running program.
#include <filesystem>
#include <fstream>

#include "dialogs/PrintFrm.h"
#include "dialogs/ProgramRig.h"
#include "platform/ui/DesktopOpener.h"
#include "widgets/LeftPanel.h"

namespace {

class PrintDialog : public ProgramRig {
 protected:
  void TearDown() override {
    ui::OpenWithDesktopHook = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(platform::Paths::dataRoot()) / "Image", ec);
    ProgramRig::TearDown();
  }
  void InPrint(const std::function<void(ui::Form&)>& action) {
    OnNextDialog("TPrintFrm", [this, action](ui::Form& form) {
      action(form);
      if (form.ModalResult() == ui::mrNone) Press("btOk", form);
    });
    ClickLeft(TLeftPanel::kPrint);
  }
  // Empties the image folder and records in opened what is handed to the desktop from now on.
  std::filesystem::path WatchImageFolder() {
    namespace fs = std::filesystem;
    const fs::path dir = platform::Paths::folder("Image");
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
    ui::OpenWithDesktopHook = [this](const std::string& path) {
      opened.push_back(path);
      return true;
    };
    return dir;
  }
  // Presses the buttons in turn in the Print dialog; true when it is still open after them.
  bool PressKeepsPrintOpen(std::initializer_list<const char*> buttons) {
    bool open = false;
    InPrint([&](ui::Form& form) {
      for (const char* button : buttons) Press(button, form);
      open = form.ModalResult() == ui::mrNone && form.isVisible();
    });
    return open;
  }
  std::vector<std::string> opened;
};

TEST_F(PrintDialog, SwitchesAndColourList) {
  std::vector<std::string> inverted;
  std::string colour;
  bool before = false, after = true;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    InPrint([&](ui::Form& form) {
      before = MainFrm->PrintInverted;
      inverted.push_back(Value(form, "pnInvertImageValue"));
      Press("pnInvertImage", form);
      inverted.push_back(Value(form, "pnInvertImageValue"));
      Press("pnInvertImageValue", form);
      inverted.push_back(Value(form, "pnInvertImageValue"));
      after = MainFrm->PrintInverted;
      PickRow(1);
      Press("pnPrintColor", form);
      colour = Value(form, "pnPrintColorValue");
    });
  }));
  EXPECT_EQ(before, after);
  ASSERT_EQ(inverted.size(), 3u);
  EXPECT_NE(inverted[0], inverted[1]);
  EXPECT_EQ(inverted[0], inverted[2]);
  EXPECT_NE(colour.find("Gray Scale"), std::string::npos) << colour;
}

TEST_F(PrintDialog, EnterDoesNothingAndEscapeCloses) {
  std::vector<int> results;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    InPrint([&](ui::Form& form) {
      driver.Key(form, ui::vk::Return);
      results.push_back(form.ModalResult());
      driver.Key(form, ui::vk::Escape);
      results.push_back(form.ModalResult());
    });
  }));
  EXPECT_EQ((std::vector<int>{ui::mrNone, ui::mrCancel}), results);
}

TEST_F(PrintDialog, ScreenShotsAndTheDesktopPictureKeepTheDialogOpen) {
  namespace fs = std::filesystem;
  const fs::path dir = WatchImageFolder();
  bool open = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
    open = PressKeepsPrintOpen({"btSaveScreenShot", "btSaveScreenShot", "btPrintWithWindows"});
  }));
  EXPECT_TRUE(open);
  EXPECT_TRUE(fs::is_regular_file(dir / "scr00000.png"));
  EXPECT_TRUE(fs::is_regular_file(dir / "scr00001.png"));
  EXPECT_EQ(opened, std::vector<std::string>{(dir / "$temp.png").string()});
}

TEST_F(PrintDialog, PrintReportWritesADocxAndHandsItToTheDesktop) {
  namespace fs = std::filesystem;
  const fs::path dir = WatchImageFolder();
  bool open = false;
  ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] { open = PressKeepsPrintOpen({"btPrintWithWord"}); }));
  EXPECT_TRUE(open);
  ASSERT_EQ(opened.size(), 1u);
  const fs::path report = opened[0];
  EXPECT_EQ(report.parent_path(), dir);
  EXPECT_EQ(report.extension(), ".docx");
  EXPECT_EQ(report.filename().string().rfind("Report_", 0), 0u) << report;
  ASSERT_TRUE(fs::is_regular_file(report));
  std::ifstream in(report, std::ios::binary);
  char magic[2] = {};
  in.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "PK");
}

}  // namespace
