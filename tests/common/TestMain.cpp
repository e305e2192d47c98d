// Every test binary starts here: it points the data root, the configuration folder and the
// runtime folder into a fresh temporary folder, so no test reads or writes a user's files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/TestEnv.h"

namespace {
std::filesystem::path g_root;
}

namespace testenv {
const std::filesystem::path& Root() { return g_root; }
}  // namespace testenv

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tervan-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    return 2;
  }
  g_root = pattern;
  std::filesystem::create_directories(g_root / "home");
  std::filesystem::create_directories(g_root / "config");
  std::filesystem::create_directories(g_root / "run");
  // Qt and the lock files expect a private runtime folder.
  std::filesystem::permissions(g_root / "run", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  setenv("TERVAN_HOME", (g_root / "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (g_root / "config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (g_root / "run").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);

  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();

  std::error_code ec;
  std::filesystem::remove_all(g_root, ec);
  return rc;
}
