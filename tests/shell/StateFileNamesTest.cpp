// A state file that names a file elsewhere, loaded by the whole program at its start: the
// program sweeps, shuts down and writes its autosave, and nothing outside the data root is
// touched. Also the start-time sweep of temporary files that earlier runs left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "instrument/ScannerModule.h"
#include "model/MemIniFile.h"
#include "model/RunMode.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "shell/ProgramRunSupport.h"
#include "common/FileBytes.h"

namespace fs = std::filesystem;

namespace {

using testenv::ReadBytes;
using testenv::WriteBytes;
using testenv::Snapshot;

const std::string kPrecious = "a user's document, not a cable list\n";
const std::string kTwoCables =
    "[CableList]\r\nVersion=1\r\nCableCount=2\r\nCableName0=A\r\nVelocity0=0.5\r\nCableLoss0=1\r\n"
    "CableName1=B\r\nVelocity1=0.25\r\nCableLoss1=2\r\n";

// argv as main() gets it.
struct TArgs {
  explicit TArgs(std::vector<std::string> texts) : Texts(std::move(texts)) {
    for (std::string& t : Texts) Pointers.push_back(t.data());
    Pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(Texts.size()); }
  char** argv() { return Pointers.data(); }
  std::vector<std::string> Texts;
  std::vector<char*> Pointers;
};

fs::path Root() { return platform::Paths::dataRoot(); }
fs::path Outside() { return testenv::Root() / "outside-of-the-data-root"; }

void RemoveTestFolders() {
  std::error_code ec;
  fs::remove_all(Root() / "State", ec);
  fs::remove_all(Root() / "Cable", ec);
  fs::remove_all(Outside(), ec);
}

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::ForTests();
    RemoveTestFolders();
    fs::create_directories(Outside() / "cwd");
  }
  void TearDown() override {
    TProgramStart::Stop();
    TProgramStart::OnRunning = nullptr;
    ResetRunMode();
    RemoveTestFolders();
  }

  // The program in demonstration mode, from its start through one sweep to its shut-down.
  void RunThroughOneSweep() {
    int sweeps = 0;
    bool timedOut = false;
    const auto started = std::chrono::steady_clock::now();
    TProgramStart::OnRunning = [&] {
      CountSweeps(sweeps);
      auto* poll = new QTimer(QCoreApplication::instance());
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        timedOut = std::chrono::steady_clock::now() - started > std::chrono::seconds(40);
        if (sweeps < 1 && !timedOut) return;
        poll->stop();
        poll->deleteLater();
        QCoreApplication::quit();
      });
      poll->start(20);
    };
    TArgs args({"tervan", "DemoMode"});
    EXPECT_EQ(TProgramStart::Run(args.argc(), args.argv()), 0);
    EXPECT_FALSE(timedOut) << "no sweep within 40 s";
  }

  ui::TestDriver driver{[](const std::string& m) { ADD_FAILURE() << m; }};
};

class StateFileNames : public ProgramRun {};

TEST_F(StateFileNames, AStateNamingAFileElsewhereNeverWritesIt) {
  const fs::path victim = Outside() / "victim.cbl";
  struct Case {
    std::string stored;
    fs::path listInCableFolder;  // a real list of that file name, when not empty
    fs::path savedTo;
  };
  const std::vector<Case> cases = {
      {victim.string(), {}, Root() / "Cable" / "noname.cbl"},
      {"../victim.cbl", {}, Root() / "Cable" / "noname.cbl"},
      {"C:\\x\\y.cbl", Root() / "Cable" / "y.cbl", Root() / "Cable" / "y.cbl"},
  };
  const fs::path previous = fs::current_path();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    RemoveTestFolders();
    fs::create_directories(Outside() / "cwd");
    fs::current_path(Outside() / "cwd");  // where the "../" name used to lead
    WriteBytes(victim, kPrecious);
    if (!c.listInCableFolder.empty()) WriteBytes(c.listInCableFolder, kTwoCables);
    // A state of a few bytes, as users send each other.
    const std::string state = "[Network analyzer]\r\n[ScannerModule]\r\nCableListFile=" + c.stored + "\r\n";
    WriteBytes(TMainFrm::AutosavePath(), state);
    const auto outsideBefore = Snapshot(Outside());
    const size_t shownBefore = driver.Box().Shown().size();

    RunThroughOneSweep();
    fs::current_path(previous);

    EXPECT_EQ(ReadBytes(victim), kPrecious);
    EXPECT_EQ(Snapshot(Outside()), outsideBefore) << "nothing was made or changed outside the data root";
    TMemIniFile saved;
    saved.LoadFromBytes(ReadBytes(TMainFrm::AutosavePath()));
    ASSERT_TRUE(saved.SectionExists("Network analyzer")) << "the autosave was written";
    const std::string named = saved.ReadString("ScannerModule", "CableListFile", "");
    EXPECT_EQ(named, c.savedTo.string());
    EXPECT_TRUE(fs::is_regular_file(c.savedTo));
    EXPECT_EQ(driver.Box().Shown().size(), shownBefore + 1) << "one message about the name";
  }
}

class AtomicFileLeftovers : public ProgramRun {};

TEST_F(AtomicFileLeftovers, TheProgramStartRemovesWhatEarlierRunsLeft) {
  const std::vector<fs::path> old = {Root() / "State" / "Autosave.cfg.tmp-Ab12Cd",
                                     Root() / "Cable" / "noname.cbl.tmp-000000"};
  const fs::path young = Root() / "State" / "other.cfg.tmp-YOUNG0";  // a writer of this run
  const fs::path notOurs = Root() / "State" / "notes.tmp-x";
  for (const fs::path& p : old) {
    WriteBytes(p, std::string(1000, 'x'));
    struct timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
  }
  WriteBytes(young, "young");
  WriteBytes(notOurs, "notes");

  RunThroughOneSweep();
  for (const fs::path& p : old) EXPECT_FALSE(fs::exists(p)) << p;
  EXPECT_TRUE(fs::exists(young));
  EXPECT_TRUE(fs::exists(notOurs));
}

}  // namespace
