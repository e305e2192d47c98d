// The touch file browser in a fresh data root, driven by clicks and keys: the kind's folder
// and name, the extension filter, hidden files and folders, walking up and into folders with
// the typed name, the drives, Cancel and its keys, and file systems that misbehave.
#include "widgets/DriveListFrm.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "WidgetTest.h"
#include "common/TestEnv.h"
#include "platform/ui/Edit.h"
#include "widgets/EmiStringGrid.h"
#include "widgets/LbButton.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace fs = std::filesystem;

namespace {

class DriveList : public WidgetTest {
 protected:
  DriveList() : WidgetTest(12, 7) {}
  void SetUp() override {
    WidgetTest::SetUp();
    static int counter = 0;
    const char* previous = std::getenv("TERVAN_HOME");
    savedHome = previous ? previous : "";
    root = testenv::Root() / ("drivelist-" + std::to_string(++counter));
    fs::create_directories(root);
    setenv("TERVAN_HOME", root.c_str(), 1);
  }
  void TearDown() override {
    setenv("TERVAN_HOME", savedHome.c_str(), 1);
    std::error_code ec;
    fs::remove_all(root, ec);
    WidgetTest::TearDown();
  }

  static void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  // Runs a browser on `text` modally with the action; a run it leaves open ends with 99.
  int Run(std::string& text, int kind, const std::function<void(TDriveListFrm&)>& action) {
    TDriveListFrm b(nullptr, "Save State", text, kind);
    Driver().OnNextModal([&](ui::Form&) {
      action(b);
      if (b.ModalResult() == ui::mrNone) b.SetModalResult(99);
    });
    return b.ShowModal();
  }
  void ClickRow(TDriveListFrm& b, int row, bool twice) {
    const ui::Rect r = b.sgList->CellRect(0, row);
    ASSERT_GT(r.Height(), 0) << "row " << row << " is not in view";
    const int x = (r.Left + r.Right) / 2;
    const int y = (r.Top + r.Bottom) / 2;
    if (twice) {
      Driver().DoubleClick(*b.sgList, x, y);
    } else {
      Driver().Click(*b.sgList, x, y);
    }
  }
  int RowOf(TDriveListFrm& b, const std::string& name) {
    for (size_t i = 0; i < b.Folders.size(); ++i) {
      if (b.Folders[i] == name) return static_cast<int>(i);
    }
    for (size_t i = 0; i < b.Files.size(); ++i) {
      if (b.Files[i] == name) return static_cast<int>(b.Folders.size() + i);
    }
    ADD_FAILURE() << name << " is not listed";
    return 0;
  }
  // Edits the name on the keyboard the file panel opens.
  void TypeName(TDriveListFrm& b, const std::string& name) {
    Driver().OnNextModal([&](ui::Form& form) {
      auto& edit = Driver().Get<ui::Edit>("CommonEdit", &form);
      edit.SetText(name);
      Driver().Key(edit, ui::vk::Return);
    });
    Driver().Press(*b.pnFileValue);
    Driver().Release(*b.pnFileValue);
  }

  fs::path root;
  std::string savedHome;
};

TEST_F(DriveList, AnEmptyTextOpensTheKindsFolderWithNoname) {
  ASSERT_FALSE(fs::exists(root / "State"));
  std::string text;
  EXPECT_EQ(ui::mrOk, Run(text, 2, [&](TDriveListFrm& b) {
              EXPECT_TRUE(fs::is_directory(root / "State"));
              EXPECT_EQ(298, b.Width());
              EXPECT_EQ(275, b.Height());
              EXPECT_EQ(ui::Rect(6, 70, 280, 205), b.sgList->BoundsRect());
              EXPECT_EQ(ui::Rect(6, 6, 216, 32), b.TopPanel->BoundsRect());
              EXPECT_EQ(ui::Rect(222, 6, 292, 32), b.btDrive->BoundsRect());
              EXPECT_EQ(ui::Rect(152, 243, 292, 269), b.btOk->BoundsRect());
              EXPECT_EQ("Save State", b.TopPanel->Caption());
              EXPECT_EQ(" noname.cfg ", b.pnFileValue->Caption());
              EXPECT_EQ(" " + (root / "State").string() + " ", b.pnPathValue->Caption());
              Driver().Press(*b.btOk);
            }));
  EXPECT_EQ((root / "State" / "noname.cfg").string(), text);
}

TEST_F(DriveList, KindsFilterTheirExtensionAndHideDotFiles) {
  for (const char* f : {"a.cal", "B.CAL", "c.cfg", ".hidden.cal", "zz.cal.bak"}) Touch(root / "State" / f);
  fs::create_directories(root / "State" / "Sub");
  fs::create_directories(root / "State" / ".kept");
  for (const char* f : {"r.rlm", "l.lim", "Q.RLM"}) Touch(root / "Limit" / f);
  std::string text;
  Run(text, 10, [&](TDriveListFrm& b) {
    EXPECT_EQ((std::vector<std::string>{"..", ".kept", "Sub"}), b.Folders);
    EXPECT_EQ((std::vector<std::string>{"a.cal", "B.CAL"}), b.Files);
    EXPECT_EQ(5, b.sgList->RowCount());
    EXPECT_EQ("a.cal", b.sgList->Cell(0, 3));
  });
  Run(text, 8, [&](TDriveListFrm& b) {
    EXPECT_EQ((std::vector<std::string>{"Q.RLM", "r.rlm"}), b.Files);
    EXPECT_EQ(".rlm", b.Extension);
  });
  Run(text, 7, [&](TDriveListFrm& b) { EXPECT_EQ(std::vector<std::string>{"l.lim"}, b.Files); });
  EXPECT_TRUE(text.empty());
}

TEST_F(DriveList, UpThenAFileRowKeepsTheBrowserOpenUntilOk) {
  Touch(root / "x.cfg");
  std::string text;
  EXPECT_EQ(ui::mrOk, Run(text, 2, [&](TDriveListFrm& b) {
              ClickRow(b, 0, true);  // ".."
              EXPECT_EQ(root.string(), b.Folder);
              EXPECT_EQ(" " + root.string() + " ", b.pnPathValue->Caption());
              EXPECT_EQ((root / "noname.cfg").string(), b.FileName);
              ClickRow(b, RowOf(b, "x.cfg"), true);
              EXPECT_EQ(" x.cfg ", b.pnFileValue->Caption());
              EXPECT_EQ(ui::mrNone, b.ModalResult());
              ClickRow(b, RowOf(b, "State"), false);  // a folder row: nothing
              EXPECT_EQ(" x.cfg ", b.pnFileValue->Caption());
              Driver().Key(b, ui::vk::Return);
            }));
  EXPECT_EQ((root / "x.cfg").string(), text);
}

TEST_F(DriveList, TheTypedNameTravelsIntoAnEnteredFolder) {
  fs::create_directories(root / "State" / "sub");
  std::string text;
  EXPECT_EQ(ui::mrOk, Run(text, 2, [&](TDriveListFrm& b) {
              TypeName(b, "trace");
              EXPECT_TRUE(b.Visible());
              EXPECT_EQ(" trace ", b.pnFileValue->Caption());
              ClickRow(b, RowOf(b, "sub"), true);
              EXPECT_EQ((root / "State" / "sub" / "trace").string(), b.FileName);
              Driver().Press(*b.btOk);
            }));
  EXPECT_EQ((root / "State" / "sub" / "trace").string(), text) << "a name without extension stays so";

  // A full path in another folder is shown there and comes back unchanged.
  Touch(root / "fixtures" / "f.s2p");
  std::string fixture = (root / "fixtures" / "f.s2p").string();
  EXPECT_EQ(ui::mrOk, Run(fixture, 4, [&](TDriveListFrm& b) {
              EXPECT_EQ((root / "fixtures").string(), b.Folder);
              EXPECT_EQ(std::vector<std::string>{"f.s2p"}, b.Files);
              Driver().Press(*b.btOk);
            }));
  EXPECT_EQ((root / "fixtures" / "f.s2p").string(), fixture);
}

TEST_F(DriveList, OkWithoutAUsableNameDoesNothing) {
  std::string text;
  Run(text, 2, [&](TDriveListFrm& b) {
    for (const char* bad : {"", ".", ".."}) {
      TypeName(b, bad);
      Driver().Press(*b.btOk);
      EXPECT_EQ(ui::mrNone, b.ModalResult()) << bad;
    }
    TypeName(b, "dir\\ok.cfg");
    EXPECT_EQ(" ok.cfg ", b.pnFileValue->Caption());
  });
  EXPECT_TRUE(text.empty());
}

TEST_F(DriveList, TheRootDriveGivesOneSeparator) {
  std::string text;
  EXPECT_EQ(ui::mrOk, Run(text, 2, [&](TDriveListFrm& b) {
              Driver().Press(*b.btDrive);
              ASSERT_TRUE(b.DriveMode);
              EXPECT_EQ(ui::TColor(0xC0FFFF), b.btDrive->Color());
              ASSERT_FALSE(b.Drives.empty());
              EXPECT_EQ("/", b.Drives[0]);
              EXPECT_NE(b.Drives.end(), std::find(b.Drives.begin(), b.Drives.end(), root.string()));
              ClickRow(b, 0, true);
              EXPECT_FALSE(b.DriveMode);
              EXPECT_EQ(ui::clGray, b.btDrive->Color());
              EXPECT_EQ("/", b.Folder);
              EXPECT_TRUE(b.Folders.empty() || b.Folders[0] != "..");
              Driver().Press(*b.btOk);
            }));
  EXPECT_EQ("/noname.cfg", text);
}

TEST_F(DriveList, CancelAndItsKeysLeaveTheTextEmpty) {
  // 0: the Cancel button.
  for (int key : {0, int(ui::vk::Escape), int(ui::vk::Cancel)}) {
    std::string text;
    EXPECT_EQ(ui::mrCancel, Run(text, 2, [&](TDriveListFrm& b) {
                if (key == 0) {
                  Driver().Press(*b.btCancel);
                } else {
                  Driver().Key(b, key);
                }
              }))
        << key;
    EXPECT_TRUE(text.empty()) << key;
  }
}

TEST_F(DriveList, FileSystemsThatMisbehaveLeaveAUsableListing) {
  const fs::path many = root / "many";
  fs::create_directories(many);
  for (int i = 0; i < 10000; ++i) std::ofstream(many / ("f" + std::to_string(i) + ".cfg"));
  Touch(root / "odd" / "line\nbreak.cfg");
  Touch(root / "odd" / std::string("bad\xff\xfe.cfg"));
  Touch(root / "odd" / (std::string(251, 'n') + ".cfg"));
  fs::create_symlink(root / "odd" / "loopB", root / "odd" / "loopA");
  fs::create_symlink(root / "odd" / "loopA", root / "odd" / "loopB");
  fs::create_symlink(root / "nowhere", root / "odd" / "dangling.cfg");
  fs::create_directories(root / "odd" / "gone");

  std::string text = (many / "x.cfg").string();
  Run(text, 2, [&](TDriveListFrm& b) {
    EXPECT_EQ(10000u, b.Files.size());
    EXPECT_EQ(10001, b.sgList->RowCount());
    EXPECT_EQ("f0.cfg", b.Files[0]);
  });
  std::string odd = (root / "odd" / "y.cfg").string();
  Run(odd, 2, [&](TDriveListFrm& b) {
    EXPECT_EQ((std::vector<std::string>{"..", "gone"}), b.Folders);
    EXPECT_EQ(3u, b.Files.size());
    for (int r = 0; r < b.sgList->RowCount(); ++r) {
      const std::string cell = b.sgList->Cell(0, r);
      EXPECT_TRUE(QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())).toStdString() == cell);
    }
    // A folder removed while listed: the browser stays where it can list.
    fs::remove(root / "odd" / "gone");
    ClickRow(b, 1, true);
    EXPECT_EQ((root / "odd").string(), b.Folder);
    // The folder shown removed too: up still works.
    fs::remove_all(root / "odd");
    ClickRow(b, 0, true);
    EXPECT_EQ(root.string(), b.Folder);
    Driver().Press(*b.btOk);
  });
  EXPECT_EQ((root / "y.cfg").string(), odd);

  // A file where the kind's folder should be, and a path into a missing folder.
  Touch(root / "Cable");
  std::string cable;
  Run(cable, 9, [&](TDriveListFrm& b) { EXPECT_EQ(root.string(), b.Folder); });
  std::string missing = "/no/such/folder/z.cfg";
  Run(missing, 2, [&](TDriveListFrm& b) {
    EXPECT_EQ((root / "State").string(), b.Folder);
    EXPECT_EQ(" z.cfg ", b.pnFileValue->Caption());
  });
  std::string windows = "C:\\Data\\w.cfg";
  Run(windows, 2, [&](TDriveListFrm& b) { EXPECT_EQ((root / "State" / "w.cfg").string(), b.FileName); });
}

}  // namespace
