// Where the cable list that a state file names is read from and written to: only the file's
// name counts, inside the cable folder, so a state file cannot make the program overwrite a
// file elsewhere; and what is refused in the list's place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "instrument/CableStds.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "common/FileBytes.h"

namespace fs = std::filesystem;

namespace {

using testenv::ReadBytes;
using testenv::WriteBytes;
using testenv::Snapshot;

const char* const kSection = "ScannerModule";
const std::string kPrecious = "a user's document, not a cable list\n";
const std::string kTwoCables =
    "[CableList]\r\nVersion=1\r\nCableCount=2\r\nCableName0=A\r\nVelocity0=0.5\r\nCableLoss0=1\r\n"
    "CableName1=B\r\nVelocity1=0.25\r\nCableLoss1=2\r\n";

class CableListPath : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(Cable());
    fs::remove_all(Outside());
    fs::create_directories(Outside() / "cwd");
    module.Log = [this](const std::string& m) { logged.push_back(m); };
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(Cable(), ec);
    fs::remove_all(Outside(), ec);
  }

  static fs::path Root() { return testenv::Root() / "home"; }
  static fs::path Cable() { return Root() / "Cable"; }
  static fs::path Outside() { return testenv::Root() / "outside"; }
  static std::string Default() { return (Cable() / "noname.cbl").string(); }

  TScannerModule module;
  std::vector<std::string> logged;
};

TEST_F(CableListPath, AStateNamesAListOnlyByItsFileNameInTheCableFolder) {
  struct Case {
    std::string stored;
    std::function<void()> setUp;
    std::string remembered;  // where the next state save writes the table
    int entries;             // of the table after the load
    size_t messages;
  };
  const std::string victim = (Outside() / "victim.cbl").string();
  const std::vector<Case> cases = {
      // A file outside the data root, a document or even a real list, is never taken.
      {victim, [&] { WriteBytes(victim, kPrecious); }, Default(), 14, 1},
      {victim, [&] { WriteBytes(victim, kTwoCables); }, Default(), 14, 1},
      // The same file name inside the cable folder is.
      {victim, [&] { WriteBytes(victim, kPrecious); WriteBytes(Cable() / "victim.cbl", kTwoCables); },
       (Cable() / "victim.cbl").string(), 2, 1},
      {"../victim.cbl", [&] { WriteBytes(victim, kPrecious); }, Default(), 14, 1},
      {"../../outside/victim", [&] { WriteBytes(victim, kPrecious); }, Default(), 14, 1},
      {"C:\\x\\y.cbl", [&] { WriteBytes(Cable() / "y.cbl", kTwoCables); }, (Cable() / "y.cbl").string(), 2, 1},
      {"C:\\x\\y.cbl", [] {}, Default(), 14, 1},
      // Names the program writes itself come back unchanged and without a word.
      {"mylist", [&] { WriteBytes(Cable() / "mylist.cbl", kTwoCables); }, (Cable() / "mylist.cbl").string(), 2, 0},
      {(Cable() / "mylist.cbl").string(), [&] { WriteBytes(Cable() / "mylist.cbl", kTwoCables); },
       (Cable() / "mylist.cbl").string(), 2, 0},
      {"no-such-list", [] {}, Default(), 14, 0},
      // No usable file name at all.
      {"x/..", [] {}, Default(), 14, 1},
      {"C:\\", [] {}, Default(), 14, 1},
      {std::string("list\0.cbl", 9), [] {}, Default(), 14, 1},
      {std::string(5000, 'n'), [] {}, Default(), 14, 1},
  };
  const fs::path previous = fs::current_path();
  fs::current_path(Outside() / "cwd");  // where "../" names used to lead
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.substr(0, 60));
    fs::remove_all(Cable());
    fs::remove(victim);
    c.setUp();
    const auto outsideBefore = Snapshot(Outside());
    TMemIniFile state;
    state.WriteString(kSection, "CableListFile", c.stored);
    TScannerModule m;
    logged.clear();
    m.Log = [this](const std::string& s) { logged.push_back(s); };
    m.LoadState(state);
    EXPECT_EQ(m.CableListFile, c.remembered);
    EXPECT_EQ(m.CableStds.Count(), c.entries);
    EXPECT_EQ(logged.size(), c.messages) << (logged.empty() ? "" : logged[0]);
    for (const std::string& message : logged) EXPECT_EQ(message.find('\0'), std::string::npos);

    TMemIniFile saved;
    ASSERT_TRUE(m.SaveState(saved).ok);
    EXPECT_EQ(saved.ReadString(kSection, "CableListFile", ""), c.remembered);
    EXPECT_TRUE(fs::is_regular_file(c.remembered));
    EXPECT_EQ(Snapshot(Outside()), outsideBefore) << "nothing outside the data root was written";
  }
  fs::current_path(previous);
}

TEST_F(CableListPath, WhatIsNoCableListFileIsRefusedWithoutWaiting) {
  fs::create_directories(Cable() / "folder.cbl");
  ASSERT_EQ(::mkfifo((Cable() / "pipe.cbl").c_str(), 0600), 0);
  {
    int fd = ::open((Cable() / "huge.cbl").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 300ll << 20), 0);  // sparse: no disk used
    ::close(fd);
  }
  struct Case {
    const char* name;
    const char* why;
  };
  for (const Case& c : {Case{"folder", "folder"}, Case{"pipe", "not a regular file"}, Case{"huge", "larger than 64 MB"}}) {
    SCOPED_TRACE(c.name);
    const TCableStds before = module.CableStds;
    try {
      module.LoadCableList(c.name);
      ADD_FAILURE() << "no error";
    } catch (const EAbort& e) {
      EXPECT_NE(std::string(e.what()).find(std::string(c.name) + ".cbl"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
    }
    EXPECT_EQ(module.CableStds, before);

    // Named in a state: one message, and the save goes to the default name, not over it.
    TMemIniFile state;
    state.WriteString(kSection, "CableListFile", c.name);
    TScannerModule m;
    logged.clear();
    m.Log = [this](const std::string& s) { logged.push_back(s); };
    m.LoadState(state);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find(c.why), std::string::npos) << logged[0];
    EXPECT_EQ(m.CableListFile, Default());
  }
  EXPECT_EQ(fs::file_size(Cable() / "huge.cbl"), 300ull << 20);
  EXPECT_TRUE(fs::is_fifo(Cable() / "pipe.cbl"));
}

}  // namespace
