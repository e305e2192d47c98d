// Hostile names in every file-name key of a loaded state, and what may sit where they lead:
// each is refused or reduced with one message, and nothing outside the data root is written
// or waited on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "display/RangeView.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "shell/MainFrmRig.h"
#include "common/FileBytes.h"

namespace fs = std::filesystem;

namespace {

using testenv::ReadBytes;
using testenv::WriteBytes;
using testenv::Snapshot;

void MakeSparse(const fs::path& path, uint64_t size) {
  fs::create_directories(path.parent_path());
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
}

class StateFileNamesHostile : public MainFrmRig {
 protected:
  static fs::path Root() { return platform::Paths::dataRoot(); }
  static fs::path Outside() { return testenv::Root() / "hostile-outside"; }

  // The outside world a hostile state points at: a user's document, a FIFO, a folder and a
  // huge file; and the same kinds of thing inside the data root under the names the program
  // looks for.
  void MakeTargets() {
    fs::remove_all(Outside());
    fs::remove_all(Root() / "Cable");
    WriteBytes(Outside() / "victim", "a user's document\n");
    fs::create_directories(Outside() / "cwd");
    ASSERT_EQ(::mkfifo((Outside() / "pipe.s2p").c_str(), 0600), 0);
    fs::create_directories(Outside() / "folder.s2p");
    MakeSparse(Outside() / "huge.s2p", 300ull << 20);
    fs::create_directories(Root() / "Cable");
    ASSERT_EQ(::mkfifo((Root() / "Cable" / "pipe.cbl").c_str(), 0600), 0);
    fs::create_directories(Root() / "Cable" / "folder.cbl");
    MakeSparse(Root() / "Cable" / "huge.cbl", 300ull << 20);
  }
};

TEST_F(StateFileNamesHostile, EveryNameKeyRefusesOrReducesWithOneMessage) {
  Build("DemoMode");
  RunDelayedStart();
  ScannerModule->TriggerMode = TScannerModule::Hold;
  std::vector<std::string> logged;
  ScannerModule->Log = [&](const std::string& m) { logged.push_back(m); };
  MakeTargets();
  const fs::path previous = fs::current_path();
  fs::current_path(Outside() / "cwd");

  struct Key {
    const char* section;
    const char* key;
    bool written;  // the program later writes to the file this key names
  };
  const std::vector<Key> keys = {{"ScannerModule", "CableListFile", true},
                                 {"RangeView0Range", "DeembFile0", false},
                                 {"RangeView0Range", "DeembFile1", false},
                                 {"RangeView1Range", "EmbFile0", false},
                                 {"RangeView3Range", "EmbFile1", false}};
  struct Value {
    std::string text;
    size_t messagesWritten;  // for a key the program writes to
    size_t messagesRead;     // for a key that is only read
  };
  const std::vector<Value> values = {
      {(Outside() / "victim").string(), 1, 0},   // reduced / read as no network
      {"../victim", 1, 0},
      {"C:\\Users\\x\\victim", 1, 0},
      {std::string(5000, 'n'), 1, 0},            // too long for a name: nothing is read
      {std::string("vic\0tim", 7), 0, 0},        // the reader makes the NUL a blank: a plain name
      {(Outside() / "pipe.s2p").string(), 1, 1},     // a FIFO is never opened to wait
      {(Outside() / "folder.s2p").string(), 1, 1},
      {(Outside() / "huge.s2p").string(), 1, 1},
      {"pipe.cbl", 1, 0},                        // the same things inside the cable folder
      {"folder.cbl", 1, 0},
      {"huge.cbl", 1, 0},
  };
  const auto outsideBefore = Snapshot(Outside());
  for (const Key& k : keys) {
    for (const Value& v : values) {
      SCOPED_TRACE(std::string(k.key) + "=" + v.text.substr(0, 60));
      // Written as raw UTF-8 text, so that a NUL reaches the reader.
      const std::string state = "[Network analyzer]\r\nChannelCount=4\r\n[" + std::string(k.section) + "]\r\n" +
                                k.key + "=" + v.text + "\r\n";
      const std::string path = (Root() / "State" / "hostile.cfg").string();
      ASSERT_TRUE(platform::AtomicFile::write(path, state));
      logged.clear();
      const size_t shownBefore = driver.Box().Shown().size();

      frm->LoadState("hostile");
      queue.runPending();
      frm->SaveState("after");  // writes the cable list the state named, if any

      const size_t messages = logged.size() + driver.Box().Shown().size() - shownBefore;
      EXPECT_EQ(messages, k.written ? v.messagesWritten : v.messagesRead)
          << (logged.empty() ? std::string() : logged[0]);
      EXPECT_EQ(Snapshot(Outside()), outsideBefore) << "nothing outside the data root changed";
      const std::string listFile = ScannerModule->CableListFile;
      if (!listFile.empty()) {
        EXPECT_EQ(listFile.rfind(Root().string() + "/Cable/", 0), 0u) << listFile;
        EXPECT_TRUE(fs::is_regular_file(listFile)) << listFile;
      }
      if (!k.written) {
        // A fixture network that was refused holds nothing.
        TRangeView* view = frm->GetView(k.section[9] - '0');
        ASSERT_NE(view, nullptr);
        const int port = k.key[std::string(k.key).size() - 1] - '0';
        const TFixtParam& network = k.key[0] == 'D' ? view->Range->DeembNetwork[port] : view->Range->EmbNetwork[port];
        EXPECT_FALSE(network.HoldsData());
      }
    }
  }
  fs::current_path(previous);
  EXPECT_EQ(fs::file_size(Root() / "Cable" / "huge.cbl"), 300ull << 20) << "a refused file is left as it was";
  EXPECT_TRUE(fs::is_fifo(Root() / "Cable" / "pipe.cbl"));
  fs::remove_all(Outside());
  fs::remove_all(Root() / "Cable");
}

}  // namespace
