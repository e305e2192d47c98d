// What an interrupted write leaves behind, and the sweep that clears what earlier runs left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/AtomicFile.h"

using platform::AtomicFile;
using namespace platformtest;

namespace {

// Puts the test switches back whatever a test did with them.
class AtomicFileLeftovers : public testing::Test {
 protected:
  void TearDown() override {
    AtomicFile::testHookAfterTemporary = nullptr;
    AtomicFile::testForceNamedTemporary = false;
  }
};

bool UnnamedFilesWork(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Sets a file's modification time an hour back: a file left by an earlier run.
void MakeOld(const fs::path& p) {
  struct timespec times[2];
  ::clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= 3600;
  times[1] = times[0];
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << p;
}

std::vector<fs::path> Temporaries(const fs::path& folder) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().filename().string().find(".tmp-") != std::string::npos) found.push_back(e.path());
  }
  return found;
}

// Runs AtomicFile::write in a child that is killed with SIGKILL once the temporary file holds
// the new bytes.
void WriteAndDieHalfWay(const std::string& target, const std::string& bytes, bool named) {
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFile::testForceNamedTemporary = named;
    AtomicFile::testHookAfterTemporary = [] { ::raise(SIGKILL); };
    (void)AtomicFile::write(target, bytes);
    ::_exit(3);  // the hook was never reached
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended with status " << status;
  ASSERT_EQ(WTERMSIG(status), SIGKILL);
}

TEST_F(AtomicFileLeftovers, AKilledWriteKeepsTheOldFileAndLeavesNoTemporary) {
  struct Case {
    const char* path;
    bool named;
  };
  for (const Case& c : {Case{"unnamed temporary", false}, Case{"named temporary", true}}) {
    SCOPED_TRACE(c.path);
    const fs::path dir = FreshFolder(c.named ? "-named" : "-unnamed");
    if (!c.named && !UnnamedFilesWork(dir)) GTEST_SKIP() << "the test folder's file system has no O_TMPFILE";
    const fs::path target = dir / "Autosave.cfg";
    const std::string old = "old state\r\n";
    WriteRaw(target, old);
    const std::string big(3 * 1024 * 1024, 'n');

    WriteAndDieHalfWay(target.string(), big, c.named);
    EXPECT_EQ(ReadRaw(target), old);
    if (c.named) {
      // The named temporary outlives its writer; the start-time sweep of a later run removes it.
      const std::vector<fs::path> left = Temporaries(dir);
      ASSERT_EQ(left.size(), 1u) << "the kill came after the temporary file existed";
      EXPECT_EQ(ReadRaw(left[0]), big);
      MakeOld(left[0]);
      EXPECT_EQ(AtomicFile::sweepLeftovers(dir.string()), 1);
    }
    EXPECT_EQ(Entries(dir), std::set<std::string>{"Autosave.cfg"});

    // The next write goes through and leaves nothing either.
    AtomicFile::testForceNamedTemporary = c.named;
    ASSERT_TRUE(AtomicFile::write(target.string(), "new state"));
    EXPECT_EQ(ReadRaw(target), "new state");
    EXPECT_EQ(Entries(dir), std::set<std::string>{"Autosave.cfg"});
  }
}

TEST_F(AtomicFileLeftovers, TheSweepTakesOnlyDeadWritersLeftovers) {
  const fs::path dir = FreshFolder();
  fs::create_directories(dir / "State" / "Deep" / "Deeper");
  struct Case {
    fs::path path;
    bool old;
    bool removed;
  };
  const std::vector<Case> cases = {
      {dir / "a.cfg.tmp-Ab12Cd", true, true},
      {dir / "State" / "Autosave.cfg.tmp-zzzzzz", true, true},
      {dir / "State" / "Deep" / "x.cal.tmp-000000", true, true},
      {dir / "State" / "Deep" / "Deeper" / "y.tmp-AAAAAA", true, false},  // below the depth swept
      {dir / "young.cfg.tmp-Ab12Cd", false, false},                        // a writer of this run
      {dir / "short.tmp-Ab12C", true, false},
      {dir / "long.tmp-Ab12Cde", true, false},
      {dir / "odd.tmp-Ab-2Cd", true, false},
      {dir / "user notes.txt", true, false},
  };
  for (const Case& c : cases) {
    WriteRaw(c.path, "bytes");
    if (c.old) MakeOld(c.path);
  }
  // A live writer's file: locked through its own descriptor.
  const fs::path held = dir / "held.cfg.tmp-HELD00";
  WriteRaw(held, "being written");
  MakeOld(held);
  int heldFd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(heldFd, 0);
  ASSERT_EQ(::flock(heldFd, LOCK_EX | LOCK_NB), 0);
  // A link and a folder that look like leftovers, and the file the link points at.
  const fs::path outside = FreshFolder("-outside") / "precious";
  WriteRaw(outside, "precious");
  fs::create_symlink(outside, dir / "link.tmp-LINK00");
  fs::create_directories(dir / "folder.tmp-DIR000");

  EXPECT_EQ(AtomicFile::sweepLeftovers(dir.string(), 2), 3);
  for (const Case& c : cases) EXPECT_EQ(fs::exists(c.path), !c.removed) << c.path;
  EXPECT_TRUE(fs::exists(held));
  EXPECT_TRUE(fs::is_symlink(dir / "link.tmp-LINK00"));
  EXPECT_EQ(ReadRaw(outside), "precious");
  EXPECT_TRUE(fs::is_directory(dir / "folder.tmp-DIR000"));

  ::close(heldFd);
  EXPECT_EQ(AtomicFile::sweepLeftovers(dir.string(), 2), 1) << "the writer is gone";
  EXPECT_FALSE(fs::exists(held));
  EXPECT_EQ(AtomicFile::sweepLeftovers((dir / "missing").string()), 0);
}

TEST_F(AtomicFileLeftovers, ReadsRefuseWhatIsNoFileOrTooLarge) {
  const fs::path dir = FreshFolder();
  fs::create_directories(dir / "Folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  {
    // Sparse: the size is there, the disk blocks are not.
    int fd = ::open((dir / "huge.s2p").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 300ll << 20), 0);
    ::close(fd);
  }
  WriteRaw(dir / "small.s2p", "12345");
  struct Case {
    fs::path path;
    const char* why;
  };
  for (const Case& c : {Case{dir / "Folder", "folder"}, Case{dir / "pipe", "not a regular file"},
                        Case{dir / "huge.s2p", "larger than 64 MB"}, Case{dir / "small.s2p", "larger than 4 bytes"}}) {
    SCOPED_TRACE(c.path.string());
    std::string bytes = "unchanged";
    const uint64_t limit = c.path.filename() == "small.s2p" ? 4 : platform::kMaxNamedFileBytes;
    platform::FileResult r = AtomicFile::read(c.path.string(), bytes, limit);
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find(c.path.string()), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(c.why), std::string::npos) << r.message;
    EXPECT_EQ(bytes, "unchanged");
    platform::FileResult opened;
    EXPECT_EQ(AtomicFile::openForReading(c.path.string(), limit, opened), -1);
    EXPECT_EQ(opened.message, r.message);
  }
  std::string bytes;
  ASSERT_TRUE(AtomicFile::read((dir / "small.s2p").string(), bytes, 5));
  EXPECT_EQ(bytes, "12345");
}

}  // namespace
