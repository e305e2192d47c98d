#include "platform/LockFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/Paths.h"

using platform::LockFile;

namespace {

// Runs `body` in a forked child and returns its exit code (-1 when it did not exit normally).
template <typename F>
int InChild(F body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  if (pid < 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// 0 when a child process gets the lock, 1 when it is refused.
int ChildTry(const std::string& name) {
  return InChild([&] {
    LockFile lock(name);
    return lock.tryLock() ? 0 : 1;
  });
}

// Kills and reaps a child that a failed assertion would otherwise leave waiting.
struct ChildGuard {
  pid_t pid = -1;
  ~ChildGuard() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
};

}  // namespace

TEST(LockFile, SecondTryInTheSameProcessIsRefused) {
  LockFile first("PelmoRunningMutex-0");
  LockFile second("PelmoRunningMutex-0");
  LockFile other("PelmoRunningMutex-1");
  ASSERT_TRUE(first.tryLock()) << first.error();
  EXPECT_TRUE(first.isLocked());
  EXPECT_TRUE(first.tryLock());  // already ours
  EXPECT_FALSE(second.tryLock());
  EXPECT_TRUE(second.error().empty()) << "a held name is no error: " << second.error();
  EXPECT_FALSE(second.isLocked());
  EXPECT_TRUE(other.tryLock());

  first.release();
  EXPECT_FALSE(first.isLocked());
  EXPECT_TRUE(second.tryLock());
  EXPECT_FALSE(first.tryLock());
}

TEST(LockFile, DestructionFreesTheName) {
  {
    LockFile held("scope");
    ASSERT_TRUE(held.tryLock());
    LockFile again("scope");
    EXPECT_FALSE(again.tryLock());
  }
  LockFile later("scope");
  EXPECT_TRUE(later.tryLock());
}

TEST(LockFile, MovedLockStaysHeld) {
  LockFile a("moved");
  ASSERT_TRUE(a.tryLock());
  LockFile b(std::move(a));
  EXPECT_TRUE(b.isLocked());
  LockFile probe("moved");
  EXPECT_FALSE(probe.tryLock());
  LockFile c("other-name");
  c = std::move(b);
  EXPECT_EQ(c.name(), "moved");
  EXPECT_FALSE(probe.tryLock());
  c.release();
  EXPECT_TRUE(probe.tryLock());
}

TEST(LockFile, HeldLockIsRefusedToAChildProcess) {
  LockFile lock("PelmoRunningMutex-2");
  EXPECT_EQ(ChildTry("PelmoRunningMutex-2"), 0) << "free before anyone holds it";
  ASSERT_TRUE(lock.tryLock());
  EXPECT_EQ(ChildTry("PelmoRunningMutex-2"), 1);
  EXPECT_EQ(ChildTry("PelmoRunningMutex-3"), 0);
  lock.release();
  EXPECT_EQ(ChildTry("PelmoRunningMutex-2"), 0);
}

TEST(LockFile, LockOfAProcessThatDiesIsFreed) {
  int ready[2];
  int hold[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(hold), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  ChildGuard guard;
  if (pid == 0) {
    ::close(ready[0]);
    ::close(hold[1]);
    LockFile lock("PelmoRunningMutex-4");
    char c = lock.tryLock() ? 'y' : 'n';
    if (::write(ready[1], &c, 1) != 1) ::_exit(2);
    if (::read(hold[0], &c, 1) < 0) ::_exit(3);  // waits until killed
    ::_exit(0);
  }
  guard.pid = pid;
  ::close(ready[1]);
  ::close(hold[0]);
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  LockFile mine("PelmoRunningMutex-4");
  EXPECT_FALSE(mine.tryLock());

  ::kill(pid, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  guard.pid = -1;
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(mine.tryLock());
  ::close(ready[0]);
  ::close(hold[1]);
}

TEST(LockFile, LivesInThePrivateRuntimeFolder) {
  LockFile lock("PelmoRunningMutex-5");
  std::string folder = platform::Paths::runtimeFolder();
  EXPECT_EQ(folder, (testenv::Root() / "run" / "tervan").string());
  EXPECT_EQ(lock.path(), folder + "/PelmoRunningMutex-5.lock");
  ASSERT_TRUE(lock.tryLock());
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_TRUE(std::filesystem::exists(lock.path()));
}

TEST(LockFile, InvalidNamesAreRefusedWithAReason) {
  const std::vector<std::string> names = {"", ".", "..", "a/b", "../escape", std::string("a\0b", 3)};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    LockFile lock(name);
    EXPECT_FALSE(LockFile::isValidName(name));
    EXPECT_FALSE(lock.tryLock());
    EXPECT_FALSE(lock.error().empty());
    EXPECT_TRUE(lock.path().empty());
  }
}
