#include "model/RunMode.h"

#include <string>

namespace {
// Set at start before any other thread exists, read-only afterwards.
bool g_service = false;
bool g_factory = false;
bool g_vorla = false;
bool g_demo = false;
bool g_english = false;

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }
}  // namespace

void SetRunModeFromArguments(int argc, const char* const* argv) {
  std::string joined;
  for (int i = 1; i < argc && argv != nullptr; ++i) {
    if (i > 1) joined.push_back(' ');
    if (argv[i] != nullptr) joined += argv[i];
  }
  SetRunModeFromText(joined);
}

void SetRunModeFromText(std::string_view arguments) {
  g_service = Contains(arguments, "EnableService");
  g_factory = !g_service && Contains(arguments, "FactoryMode");
  g_vorla = Contains(arguments, "VorlaMode");
  g_demo = Contains(arguments, "DemoMode");
  g_english = Contains(arguments, "English");
}

void ResetRunMode() { SetRunModeFromText({}); }

bool IsServiceEnabled() { return g_service; }
bool IsFactoryMode() { return g_factory; }
bool IsVorlaMode() { return g_vorla; }
bool IsMainWindowHidden() { return false; }
bool IsDemoMode() { return g_demo; }
bool IsEnglishMode() { return g_english; }
