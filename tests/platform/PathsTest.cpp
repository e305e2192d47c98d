#include "platform/Paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"


using namespace platformtest;

namespace {

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::lstat(p.c_str(), &st), 0);
  return st.st_mode & 07777;
}

// Every test here changes the folder variables; the fixture puts them back.
class Paths : public testing::Test {
 protected:
  EnvGuard env_{{"TERVAN_HOME", "XDG_DATA_HOME", "HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR",
                 "TERVAN_SHARE_DIR"}};
};

// /tmp/tervan-<uid> is the fallback runtime folder shared with real runs; a test that makes
// it removes it again when it was not there before.
class TmpRuntimeFolderGuard {
 public:
  TmpRuntimeFolderGuard() : path_("/tmp/tervan-" + std::to_string(::geteuid())), existed_(fs::exists(path_)) {}
  ~TmpRuntimeFolderGuard() {
    std::error_code ec;
    if (!existed_) fs::remove(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool existed_;
};

}  // namespace

TEST_F(Paths, DataRootVariablesTakePrecedenceInOrder) {
  fs::path base = FreshFolder();
  const std::string home = (base / "home").string();
  const std::string xdg = (base / "xdg").string();
  const std::string own = (base / "own").string();
  struct Case {
    const char* what;
    std::optional<std::string> tervanHome, xdgDataHome, homeVar;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"all three", own, xdg, home, own},
      {"no TERVAN_HOME", std::nullopt, xdg, home, xdg + "/tervan"},
      {"HOME only", std::nullopt, std::nullopt, home, home + "/.local/share/tervan"},
      {"empty TERVAN_HOME counts as unset", std::string(), xdg, home, xdg + "/tervan"},
      {"empty XDG_DATA_HOME counts as unset", std::nullopt, std::string(), home, home + "/.local/share/tervan"},
      {"relative XDG_DATA_HOME is ignored", std::nullopt, std::string("rel/data"), home,
       home + "/.local/share/tervan"},
      {"trailing slashes dropped", own + "//", xdg, home, own},
      {"XDG_DATA_HOME with a trailing slash", std::nullopt, xdg + "/", home, xdg + "/tervan"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(base);
    SetEnv("TERVAN_HOME", c.tervanHome);
    SetEnv("XDG_DATA_HOME", c.xdgDataHome);
    SetEnv("HOME", c.homeVar);
    EXPECT_EQ(platform::Paths::dataRoot(), c.expected);
    EXPECT_TRUE(fs::is_directory(c.expected)) << "created on first need";
  }
}

TEST_F(Paths, SubfoldersAreCreatedWhenFirstNeeded) {
  fs::path root = FreshFolder();
  setenv("TERVAN_HOME", root.c_str(), 1);
  for (const char* name : {"State", "CalKit", "FixtureSim", "Touchstone"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(fs::exists(root / name));
    EXPECT_EQ(platform::Paths::folder(name), (root / name).string());
    EXPECT_TRUE(fs::is_directory(root / name));
    EXPECT_EQ(platform::Paths::folder(name), (root / name).string()) << "a second call finds it";
  }
  EXPECT_EQ(platform::Paths::folder("Image/Shots"), (root / "Image" / "Shots").string());
  EXPECT_TRUE(fs::is_directory(root / "Image" / "Shots"));
}

TEST_F(Paths, ConfigFileFollowsXdgConfigHomeElseHome) {
  fs::path base = FreshFolder();
  setenv("XDG_CONFIG_HOME", (base / "cfg").c_str(), 1);
  setenv("HOME", (base / "home").c_str(), 1);
  EXPECT_EQ(platform::Paths::configFile(), (base / "cfg" / "tervan" / "tervan.ini").string());
  EXPECT_TRUE(fs::is_directory(base / "cfg" / "tervan"));
  EXPECT_FALSE(fs::exists(base / "cfg" / "tervan" / "tervan.ini")) << "the file itself is left to its writer";

  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(platform::Paths::configFile(), (base / "home" / ".config" / "tervan" / "tervan.ini").string());
  EXPECT_TRUE(fs::is_directory(base / "home" / ".config" / "tervan"));
}

TEST_F(Paths, RuntimeFolderIsPrivate) {
  fs::path base = FreshFolder();
  setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  EXPECT_EQ(platform::Paths::runtimeFolder(), (base / "tervan").string());
  EXPECT_EQ(ModeOf(base / "tervan"), 0700u);

  // A folder someone opened up is closed again.
  ASSERT_EQ(::chmod((base / "tervan").c_str(), 0777), 0);
  EXPECT_EQ(platform::Paths::runtimeFolder(), (base / "tervan").string());
  EXPECT_EQ(ModeOf(base / "tervan"), 0700u);
}

TEST_F(Paths, RuntimeFolderFallsBackToTmp) {
  TmpRuntimeFolderGuard tmp;
  fs::path base = FreshFolder();

  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(platform::Paths::runtimeFolder(), tmp.path());
  EXPECT_EQ(ModeOf(tmp.path()), 0700u);

  // A link in place of the folder is not followed: locks there could be redirected anywhere.
  fs::create_directories(base / "elsewhere");
  fs::create_directory_symlink(base / "elsewhere", base / "tervan");
  setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  EXPECT_EQ(platform::Paths::runtimeFolder(), tmp.path());

  // Nor is a regular file in its place taken for a folder.
  fs::path other = FreshFolder("-file");
  WriteRaw(other / "tervan", "not a folder");
  setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
  EXPECT_EQ(platform::Paths::runtimeFolder(), tmp.path());
}

TEST_F(Paths, ShippedFileIsCopiedOnceIntoTheDataRoot) {
  fs::path base = FreshFolder();
  fs::path share = base / "share";
  fs::path root = base / "root";
  fs::create_directories(share / "CalKit");
  WriteRaw(share / "CalKit" / "CalKit00.dat", std::string("kit\0zero\r\n", 10));
  WriteRaw(share / "CalKit" / "CalKit01.dat", "kit one");
  WriteRaw(share / "Report.dotx", "template");
  setenv("TERVAN_SHARE_DIR", share.c_str(), 1);
  setenv("TERVAN_HOME", root.c_str(), 1);

  EXPECT_EQ(platform::Paths::shippedFolder(), share.string());
  EXPECT_EQ(platform::Paths::shippedNames("CalKit"), (std::vector<std::string>{"CalKit00.dat", "CalKit01.dat"}));
  EXPECT_EQ(platform::Paths::shippedNames(""), (std::vector<std::string>{"Report.dotx"}));
  EXPECT_TRUE(platform::Paths::shippedNames("Missing").empty());
  EXPECT_TRUE(platform::Paths::shippedNames("../share").empty());

  std::string copy = platform::Paths::shippedFile("CalKit/CalKit00.dat");
  EXPECT_EQ(copy, (root / "CalKit" / "CalKit00.dat").string());
  EXPECT_EQ(ReadRaw(copy), std::string("kit\0zero\r\n", 10));
  EXPECT_EQ(platform::Paths::shippedFile("Report.dotx"), (root / "Report.dotx").string());

  // The user's copy is the one that counts from now on.
  WriteRaw(copy, "edited by the user");
  EXPECT_EQ(platform::Paths::shippedFile("CalKit/CalKit00.dat"), copy);
  EXPECT_EQ(ReadRaw(copy), "edited by the user");
  EXPECT_EQ(ReadRaw(share / "CalKit" / "CalKit00.dat"), std::string("kit\0zero\r\n", 10));

  // A file only in the data root is found too; one in neither place is not.
  WriteRaw(root / "CalKit" / "CalKit07.dat", "own kit");
  EXPECT_EQ(platform::Paths::shippedFile("CalKit/CalKit07.dat"), (root / "CalKit" / "CalKit07.dat").string());
  EXPECT_EQ(platform::Paths::shippedFile("CalKit/CalKit09.dat"), "");

  // When the copy cannot be written the shipped file is still offered for reading.
  fs::create_directories(root / "CalKit" / "CalKit01.dat");
  EXPECT_EQ(platform::Paths::shippedFile("CalKit/CalKit01.dat"), (share / "CalKit" / "CalKit01.dat").string());
}

TEST_F(Paths, ShippedFileRefusesPathsLeavingItsFolders) {
  fs::path base = FreshFolder();
  WriteRaw(base / "secret", "outside");
  fs::create_directories(base / "share" / "sub");
  setenv("TERVAN_SHARE_DIR", (base / "share").c_str(), 1);
  setenv("TERVAN_HOME", (base / "root").c_str(), 1);
  for (const std::string rel : {"../secret", "sub/../../secret", "/etc/hostname", "", "./secret", "sub/."}) {
    SCOPED_TRACE(rel);
    EXPECT_EQ(platform::Paths::shippedFile(rel), "");
  }
  EXPECT_EQ(platform::Paths::shippedFile(std::string("a\0b", 3)), "");
}

TEST_F(Paths, ShippedFolderFallsBackToTheSourceTree) {
  unsetenv("TERVAN_SHARE_DIR");
  fs::path installed = fs::read_symlink("/proc/self/exe").parent_path() / ".." / "share" / "tervan";
  if (fs::is_directory(installed)) GTEST_SKIP() << "an installed copy sits beside this binary";
  EXPECT_EQ(platform::Paths::shippedFolder(), std::string(TERVAN_SOURCE_DIR) + "/resources/share");
}

namespace {

// A file name read from a file keeps only its last part and lands in the kind's folder.
TEST_F(Paths, StoredNameKeepsOnlyTheFileNameInsideTheDataRoot) {
  const fs::path root = FreshFolder();
  SetEnv("TERVAN_HOME", root.string());
  const std::string cable = (root / "Cable").string();
  struct Case {
    std::string name;
    std::string expected;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"list.cbl", cable + "/list.cbl"},
      {"list", cable + "/list"},
      {"/etc/passwd", cable + "/passwd"},
      {"../../victim.cbl", cable + "/victim.cbl"},
      {"C:\\x\\y.cbl", cable + "/y.cbl"},
      {"a/b\\c/d.cbl", cable + "/d.cbl"},
      {cable + "/mine.cbl", cable + "/mine.cbl"},
      {"..", ""},
      {"x/..", ""},
      {"C:\\x\\", ""},
      {"/", ""},
      {"", ""},
      {".", ""},
      {std::string("list\0.cbl", 9), ""},
      {std::string("/tmp/a\0b/c.cbl", 14), ""},
      {std::string(5000, 'n'), ""},
      {"dir/" + std::string(255, 'n'), cable + "/" + std::string(255, 'n')},
      {"dir/" + std::string(256, 'n'), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Paths::storedName(c.name, "Cable"), c.expected) << c.name.substr(0, 80);
  }
  EXPECT_TRUE(fs::is_directory(root / "Cable"));
}

}  // namespace

namespace {

// A client's name lies in the kind folder (one part) or below the data root (several parts);
// everything that could leave the root is refused with a reason.
TEST_F(Paths, ClientPathConfinesClientNamesToTheDataRoot) {
  const fs::path root = FreshFolder();
  SetEnv("TERVAN_HOME", root.string());
  const std::string r = root.string();
  struct Case {
    std::string name;
    std::string kind;
    std::string expected;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"abc.cfg", "State", r + "/State/abc.cfg"},
      {"abc", "State", r + "/State/abc"},
      {"x", "", r + "/x"},
      {"sub/x", "State", r + "/sub/x"},
      {"State\\y", "State", r + "/State/y"},
      {"./a", "Limit", r + "/Limit/a"},
      {"a//b/", "Limit", r + "/a/b"},
      {"caf\xc3\xa9.cfg", "State", r + "/State/caf\xc3\xa9.cfg"},
      {"dir/" + std::string(255, 'n'), "State", r + "/dir/" + std::string(255, 'n')},
      {"", "State", ""},
      {".", "State", ""},
      {"./", "", ""},
      {"/etc/x", "State", ""},
      {"../x", "State", ""},
      {"..", "", ""},
      {"State/../../x", "State", ""},
      {"a/..", "State", ""},
      {"a\\..\\..\\x", "State", ""},
      {"C:\\x.cfg", "State", ""},
      {"c:x", "State", ""},
      {"\\\\srv\\x", "State", ""},
      {"\\x", "State", ""},
      {std::string("a\0b", 3), "State", ""},
      {"a\nb", "State", ""},
      {"a\x7f", "State", ""},
      {"a\tb", "State", ""},
      {std::string(4096, 'a'), "State", ""},
      {std::string(256, 'n'), "State", ""},
      {"d/" + std::string(256, 'n'), "State", ""},
      {std::string(4097, '/'), "State", ""},
  };
  for (const Case& c : cases) {
    std::string reason;
    const std::string got = platform::Paths::clientPath(c.name, c.kind, &reason);
    EXPECT_EQ(got, c.expected) << c.name.substr(0, 80);
    EXPECT_EQ(reason.empty(), !c.expected.empty()) << c.name.substr(0, 80) << ": " << reason;
  }
  EXPECT_TRUE(fs::is_directory(root / "State"));
  EXPECT_FALSE(fs::exists(root / "sub")) << "only the kind folder is created";
}

// A link inside the data root that points outside it (to a folder or a file) never lets a name
// through; links that stay inside do.
TEST_F(Paths, ClientPathRefusesLinksLeadingOutOfTheDataRoot) {
  const fs::path base = FreshFolder();
  const fs::path root = base / "root";
  const fs::path outside = base / "outside";
  fs::create_directories(root / "State");
  fs::create_directories(outside);
  WriteRaw(outside / "victim", "keep");
  SetEnv("TERVAN_HOME", root.string());

  fs::create_directory_symlink(outside, root / "out");
  fs::create_symlink(outside / "victim", root / "State" / "v.cfg");
  fs::create_symlink(outside / "missing", root / "State" / "dangling");
  fs::create_directory_symlink(outside / "missingdir", root / "ghost");
  fs::create_directory_symlink(root / "State", root / "inner");
  fs::create_directory_symlink(root, root / "self");

  std::string reason;
  EXPECT_EQ(platform::Paths::clientPath("out/x", "State", &reason), "");
  EXPECT_NE(reason.find("outside"), std::string::npos) << reason;
  EXPECT_EQ(platform::Paths::clientPath("out/victim", "", nullptr), "");
  EXPECT_EQ(platform::Paths::clientPath("out", "", nullptr), "");
  EXPECT_EQ(platform::Paths::clientPath("v.cfg", "State", nullptr), "");
  EXPECT_EQ(platform::Paths::clientPath("State/v.cfg", "State", nullptr), "");
  EXPECT_EQ(platform::Paths::clientPath("dangling", "State", nullptr), "");
  EXPECT_EQ(platform::Paths::clientPath("ghost/x", "State", nullptr), "") << "a writer would make the folder outside";
  EXPECT_EQ(platform::Paths::clientPath("self", "", nullptr), "") << "the root itself is no file";
  EXPECT_EQ(platform::Paths::clientPath("inner/a.cfg", "State", nullptr), (root / "inner/a.cfg").string());
  EXPECT_EQ(platform::Paths::clientPath("self/State/a", "", nullptr), (root / "self/State/a").string());

  // The kind folder itself turned into a link out of the root.
  fs::create_directory_symlink(outside, root / "Limit");
  EXPECT_EQ(platform::Paths::clientPath("l", "Limit", nullptr), "");
  EXPECT_EQ(ReadRaw(outside / "victim"), "keep");
  EXPECT_EQ(Entries(outside), (std::set<std::string>{"victim"}));
}

// A data root that is itself reached through a link still accepts names inside it.
TEST_F(Paths, ClientPathAcceptsADataRootBehindALink) {
  const fs::path base = FreshFolder();
  fs::create_directories(base / "real");
  fs::create_directory_symlink(base / "real", base / "root");
  SetEnv("TERVAN_HOME", (base / "root").string());
  EXPECT_EQ(platform::Paths::clientPath("a", "State", nullptr), (base / "root/State/a").string());
}

// Random names built from the characters that matter: each one is either refused with a
// reason or lies inside the data root, and nothing but kind folders appears anywhere.
TEST_F(Paths, ClientPathFuzzedNamesNeverLeaveTheDataRoot) {
  const fs::path base = FreshFolder();
  const fs::path root = base / "root";
  fs::create_directories(root);
  fs::create_directories(base / "outside");
  fs::create_directory_symlink(base / "outside", root / "out");
  SetEnv("TERVAN_HOME", root.string());
  const std::string canonicalRoot = fs::canonical(root).string();

  const std::string alphabet[] = {"a", "b", "/", "\\", ".", "..", ":", "C:", "out", std::string(1, '\0'),
                                  "\n", "\xff", " ", "State", "~", "*"};
  std::mt19937 rng(1234);
  for (int i = 0; i < 5000; ++i) {
    std::string name;
    const int pieces = static_cast<int>(rng() % 9);
    for (int k = 0; k < pieces; ++k) name += alphabet[rng() % std::size(alphabet)];
    if (rng() % 50 == 0) name += std::string(rng() % 5000, 'z');
    std::string reason;
    const std::string path = platform::Paths::clientPath(name, "Kind", &reason);
    if (path.empty()) {
      EXPECT_FALSE(reason.empty()) << name;
      continue;
    }
    EXPECT_TRUE(reason.empty());
    const std::string resolved = fs::weakly_canonical(path).string();
    ASSERT_EQ(resolved.rfind(canonicalRoot + "/", 0), 0u) << name << " -> " << resolved;
    EXPECT_EQ(path.find(std::string(1, '\0')), std::string::npos);
    EXPECT_EQ(path.find("/../"), std::string::npos);
  }
  EXPECT_TRUE(Entries(base / "outside").empty());
  EXPECT_EQ(Entries(root), (std::set<std::string>{"Kind", "out"}));
}

}  // namespace
