// The program's folders, fixture file lookup, version text and the stopwatch.
#include <gtest/gtest.h>

#include <string>

#include "common/TestEnv.h"
#include "model/Utils.h"
#include "platform/Clock.h"

namespace {

TEST(AppFiles, FoldersLieInTheDataRoot) {
  const std::string root = (testenv::Root() / "home").string();
  EXPECT_EQ(GetExeDirectory(), root + "/");
  EXPECT_EQ(GetAppDirectory(), GetExeDirectory());
  EXPECT_EQ(GetFixtureSimDirectory(), root + "/FixtureSim/");
}

TEST(AppFiles, DefaultExtension) {
  struct Case {
    const char* path;
    const char* result;
  } cases[] = {
      {"fixture", "fixture.s2p"},
      {"fixture.s1p", "fixture.s1p"},
      {"dir/fixture", "dir/fixture.s2p"},
      {"dir.d/fixture", "dir.d/fixture.s2p"},  // a point in a folder name is no extension
      {"dir/", "dir/"},                       // no file name
      {"", ""},
      {"a.", "a."},
  };
  for (const Case& c : cases) EXPECT_EQ(SetDefaultExtension(c.path, ".s2p"), c.result) << c.path;
}

TEST(AppFiles, FixtureFilePath) {
  const std::string sim = GetFixtureSimDirectory();
  struct Case {
    std::string name;
    std::string path;
  } cases[] = {
      {"cable", sim + "cable.s2p"},
      {"cable.s1p", sim + "cable.s1p"},
      {"/data/fixtures/adapter", "/data/fixtures/adapter.s2p"},
      {"sub/adapter.s2p", "sub/adapter.s2p"},
      // Names written on Windows keep only their last part.
      {"C:\\Program Files\\Tervan\\FixtureSim\\adapter.s2p", sim + "adapter.s2p"},
      {"..\\FixtureSim\\adapter", sim + "adapter.s2p"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetFixtureFilePath(c.name), c.path) << c.name;
}

TEST(AppFiles, VersionTextHasFourNumbers) { EXPECT_EQ(GetFileVersionText(), "0.1.0.1"); }

TEST(Stopwatch, CountsNanosecondsOfTheProgramClock) {
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  clock.setMs(5000);
  int64_t counter = 0;
  StartStopwatch(counter);
  EXPECT_EQ(counter, 5000000000LL);
  clock.advanceMs(1500);
  clock.advanceNs(7);
  double seconds = 0;
  EXPECT_EQ(ReadStopwatch(counter, seconds), 1500000007LL);
  EXPECT_DOUBLE_EQ(seconds, 1.500000007);
}

}  // namespace
