#pragma once
// The automation server's part of program start and stop: the "/REGSERVER", "/UNREGSERVER" and
// "/AUTOMATION" switches, its registration in the settings store, and the SCPI server that
// listens at every normal start.
#include <optional>
#include <string>
#include <vector>

namespace platform {
class SettingsStore;
}

namespace automation {

class TScpiServer;

struct TAutomationSwitches {
  bool Register = false;
  bool Unregister = false;
  bool Automation = false;
};

// Each argument that is "/" or "-" followed by the switch's name in any case, the whole argument.
TAutomationSwitches ParseAutomationSwitches(const std::vector<std::string>& arguments);

// Writes the registration keys (and ScpiPort 5025 when absent); false when the store failed.
bool RegisterServer(platform::SettingsStore& store, const std::string& executable);
// Removes the registration keys.
void UnregisterServer(platform::SettingsStore& store);

// What program start runs before any module: registration ends the program with exit code 0
// (1 when it failed, its warning shown), unregistration with 0; otherwise the AUTOMATION switch
// is noted, the SCPI server starts and the start goes on (no value).
std::optional<int> AutomationStartup(const std::vector<std::string>& arguments, platform::SettingsStore& store);
// Closes the SCPI server (program stop).
void AutomationShutdown();
// The SCPI server of the running program, or null.
TScpiServer* RunningScpiServer();

}  // namespace automation

// Installs the automation server's start and stop hooks into program start. main() calls it
// before TProgramStart::Run.
void InstallAutomation();
