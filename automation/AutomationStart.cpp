#include "automation/AutomationStart.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "automation/AutomationCore.h"
#include "automation/ScpiServer.h"
#include "platform/SettingsStore.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtTcp.h"
#include "shell/ProgramStart.h"

namespace automation {

namespace {

std::unique_ptr<TScpiServer> g_server;

bool SameText(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    char x = a[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (x != b[i]) return false;
  }
  return i == a.size() && b[i] == 0;
}

const char* const kKeys[] = {platform::SettingsStore::kAutomationProgID,
                             platform::SettingsStore::kAutomationDescription,
                             platform::SettingsStore::kAutomationCommand,
                             platform::SettingsStore::kAutomationVersion};

void Tell(const std::string& text, bool ok) {
  const std::string caption = "COM server registration";
  if (ui::Application::IsOffscreen()) {
    std::cerr << caption << ": " << text << std::endl;
    return;
  }
  ui::MessageBox::Get().Ask(text, caption, ui::MessageBox::Buttons::Ok,
                            ok ? ui::MessageBox::Icon::Information : ui::MessageBox::Icon::Warning);
}

std::string ExecutablePath() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "tervan";
  return p.string();
}

bool IsLoopback(const std::string& address) {
  return address == "::1" || address.rfind("127.", 0) == 0 || address == "localhost";
}

}  // namespace

TAutomationSwitches ParseAutomationSwitches(const std::vector<std::string>& arguments) {
  TAutomationSwitches s;
  for (const std::string& a : arguments) {
    if (a.size() < 2 || (a[0] != '/' && a[0] != '-')) continue;
    const std::string name = a.substr(1);
    if (SameText(name, "REGSERVER")) s.Register = true;
    if (SameText(name, "UNREGSERVER")) s.Unregister = true;
    if (SameText(name, "AUTOMATION")) s.Automation = true;
  }
  return s;
}

bool RegisterServer(platform::SettingsStore& store, const std::string& executable) {
  bool ok = store.writeString(platform::SettingsStore::kAutomationProgID, kProgId).ok;
  ok = ok && store.writeString(platform::SettingsStore::kAutomationDescription, "K30 Object").ok;
  ok = ok && store.writeString(platform::SettingsStore::kAutomationCommand, executable + " /Automation").ok;
  ok = ok && store.writeString(platform::SettingsStore::kAutomationVersion, "1.0").ok;
  if (ok && !store.contains(platform::SettingsStore::kScpiPort)) {
    ok = store.writeInteger(platform::SettingsStore::kScpiPort, TScpiServer::kDefaultPort).ok;
  }
  return ok;
}

void UnregisterServer(platform::SettingsStore& store) {
  for (const char* key : kKeys) store.remove(key);
}

std::optional<int> AutomationStartup(const std::vector<std::string>& arguments, platform::SettingsStore& store) {
  const TAutomationSwitches s = ParseAutomationSwitches(arguments);
  if (s.Register) {
    const bool ok = RegisterServer(store, ExecutablePath());
    Tell(ok ? "COM server registered successfully" : "COM server registration failed", ok);
    return ok ? 0 : 1;
  }
  if (s.Unregister) {
    UnregisterServer(store);
    return 0;
  }
  TAutomationServer::AutomationSwitch = s.Automation;
  TAutomationServer::Stopping = false;
  int port = store.readInteger(platform::SettingsStore::kScpiPort, TScpiServer::kDefaultPort);
  if (port < 0 || port > 65535) port = TScpiServer::kDefaultPort;
  const std::string address = store.readString(platform::SettingsStore::kScpiAddress, "127.0.0.1");
  if (!IsLoopback(address)) {
    std::cerr << "Warning: the SCPI server listens on " << address
              << ", beyond this computer; it has no authentication: anyone who reaches it drives the instrument"
              << std::endl;
  }
  ui::InstallQtTcp();
  g_server = std::make_unique<TScpiServer>();
  if (!g_server->Listen(address, static_cast<uint16_t>(port))) g_server.reset();
  return std::nullopt;
}

void AutomationShutdown() {
  if (g_server) g_server->Close();
  g_server.reset();
  TAutomationServer::AutomationSwitch = false;
}

TScpiServer* RunningScpiServer() { return g_server.get(); }

}  // namespace automation

void InstallAutomation() {
  TProgramStart::AutomationStart = [](const std::vector<std::string>& arguments) {
    platform::SettingsStore store;
    return automation::AutomationStartup(arguments, store);
  };
  TProgramStart::AutomationStop = [] { automation::AutomationShutdown(); };
}
