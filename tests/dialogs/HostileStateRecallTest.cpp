// States from elsewhere whose stored file names lead out of the data root, recalled through the
// Files dialog as a user would, saved again, and the program ended with autosave on: nothing
// outside the data root is written, touched or created, and the user hears of each refusal.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/FileBytes.h"
#include "common/TestEnv.h"
#include "dialogs/ProgramRig.h"
#include "instrument/ScannerModule.h"
#include "platform/AtomicFile.h"

namespace fs = std::filesystem;
using testenv::WriteBytes;

namespace {

class HostileStateRecall : public ProgramRig {
 protected:
  static fs::path Root() { return platform::Paths::dataRoot(); }
  // Beside the data root and below it: where names with "..", absolute names and names of
  // another system would lead.
  static fs::path Outside() { return testenv::Root() / "outside"; }

  // Every entry outside the data root that a hostile name could reach: bytes and time.
  static std::map<std::string, std::string> Outer() {
    std::map<std::string, std::string> seen;
    for (const auto& e : fs::recursive_directory_iterator(testenv::Root())) {
      const fs::path p = e.path();
      if (p.string().rfind(Root().string(), 0) == 0) continue;  // the data root itself
      if (p.string().rfind((testenv::Root() / "config").string(), 0) == 0) continue;
      if (p.string().rfind((testenv::Root() / "run").string(), 0) == 0) continue;
      std::string what = e.is_regular_file() ? testenv::ReadBytes(p) : std::string("<folder>");
      what += "@" + std::to_string(fs::last_write_time(p).time_since_epoch().count());
      seen[p.string()] = what;
    }
    return seen;
  }
};

TEST_F(HostileStateRecall, NothingOutsideTheDataRootIsWrittenOrCreated) {
  fs::remove_all(Outside());
  WriteBytes(Outside() / "victim.cbl", "a user's cable list\n");
  WriteBytes(Outside() / "network.s2p", "# MHz S RI R 50\n1 0.1 0 0.2 0 0.3 0 0.4 0\n50000 0.1 0 0.2 0 0.3 0 0.4 0\n");
  WriteBytes(testenv::Root() / "victim.cbl", "beside the data root\n");
  struct Key {
    const char* section;
    const char* key;
  };
  const Key keys[] = {{"ScannerModule", "CableListFile"}, {"RangeView0Range", "DeembFile0"},
                      {"RangeView1Range", "EmbFile1"}};
  const std::vector<std::string> values = {(Outside() / "victim.cbl").string(),
                                           "../victim.cbl",
                                           "../../victim.cbl",
                                           "C:\\x\\y.cbl",
                                           (Outside() / "network.s2p").string(),
                                           std::string(5000, 'n'),
                                           std::string("vic\0tim.cbl", 11)};
  const auto before = Outer();
  for (const Key& k : keys) {
    for (const std::string& v : values) {
      SCOPED_TRACE(std::string(k.key) + "=" + v.substr(0, 60));
      std::error_code ec;
      fs::remove(TMainFrm::AutosavePath(), ec);
      fs::remove(Root() / "State" / "after.cfg", ec);
      const std::string state = "[Network analyzer]\r\nChannelCount=4\r\n[" + std::string(k.section) + "]\r\n" + k.key +
                                "=" + v + "\r\n";
      ASSERT_TRUE(platform::AtomicFile::write((Root() / "State" / "hostile.cfg").string(), state));
      std::vector<std::string> shown;
      std::string cableList;
      bool autosaveOn = false;
      ASSERT_TRUE(RunProgram({"DemoMode", "English"}, [&] {
        MainFrm->SetAutosave(true);
        OnNextDialog("TSaveRecallFrm", [&](ui::Form& form) {
          AnswerBrowser(driver, "hostile.cfg");
          Press("btRecallState", form);
          AnswerBrowser(driver, "after");
          Press("btSaveState", form);
          EXPECT_TRUE(form.Visible());
          Press("btOk", form);
        });
        ClickLeft(TLeftPanel::kFiles);
        cableList = ScannerModule->CableListFile;
        autosaveOn = MainFrm->AutosaveEnabled;
        shown = driver.Box().Shown();
      }));
      EXPECT_TRUE(autosaveOn);
      EXPECT_TRUE(fs::exists(TMainFrm::AutosavePath())) << "the exit wrote the autosave";
      EXPECT_EQ(before, Outer()) << "nothing outside the data root changed or appeared";
      const bool listInside = !cableList.empty() && cableList.rfind((Root() / "Cable").string() + "/", 0) == 0;
      if (!cableList.empty()) {
        EXPECT_TRUE(listInside) << cableList;
      }
      if (std::string(k.key) == "CableListFile") {
        EXPECT_TRUE(!shown.empty() || listInside) << "a clear message, or a list inside the data root";
      }
    }
  }
  fs::remove_all(Outside());
  fs::remove(testenv::Root() / "victim.cbl");
  fs::remove_all(Root() / "Cable");
}

}  // namespace
