#pragma once
// What the shared test entry point offers to tests.
#include <filesystem>

namespace testenv {
// The private temporary folder of this test run; "home", "config" and "run" below it are
// TERVAN_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR.
const std::filesystem::path& Root();
}  // namespace testenv
