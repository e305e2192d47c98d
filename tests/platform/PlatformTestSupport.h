#pragma once
// Small helpers shared by the platform tests: private folders, raw file access that does not go
// through the code under test, and environment variables put back after each test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/TestEnv.h"

namespace platformtest {

namespace fs = std::filesystem;

// A fresh, empty folder below the test run's root, named after the running test.
inline fs::path FreshFolder(const std::string& tag = "") {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name() + tag;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  fs::path p = testenv::Root() / "cases" / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

inline std::string ReadRaw(const fs::path& p) {
  std::ifstream in(p, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string bytes(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

inline void WriteRaw(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Names of every entry in a folder, hidden ones included.
inline std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Remembers environment variables and puts them back (set or unset) on destruction.
class EnvGuard {
 public:
  explicit EnvGuard(std::vector<std::string> names) {
    for (auto& n : names) {
      const char* v = std::getenv(n.c_str());
      saved_.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
    }
  }
  ~EnvGuard() {
    for (auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Sets (value) or unsets (nullopt) a variable.
inline void SetEnv(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace platformtest
