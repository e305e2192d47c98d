#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/AutomationCore.h"
#include "automation/AutomationStart.h"
#include "common/TestEnv.h"
#include "platform/SettingsStore.h"
#include "platform/ui/Application.h"

using namespace automation;
using platform::SettingsStore;

namespace {

class ScpiRegistration : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
  std::string Path(const char* name) { return (testenv::Root() / name).string(); }
};

TEST_F(ScpiRegistration, SwitchesAreWholeArgumentsAfterSlashOrDashInAnyCase) {
  struct Case {
    std::vector<std::string> args;
    bool reg, unreg, automation;
  };
  const Case cases[] = {
      {{"/RegServer"}, true, false, false},
      {{"-REGSERVER"}, true, false, false},
      {{"/regserver", "/unregserver"}, true, true, false},
      {{"-UnRegServer"}, false, true, false},
      {{"/Automation", "DemoMode"}, false, false, true},
      {{"-automation"}, false, false, true},
      {{"REGSERVER", "AUTOMATION"}, false, false, false},
      {{"/REGSERVERX", "x/AUTOMATION", "//AUTOMATION"}, false, false, false},
  };
  for (const Case& c : cases) {
    const TAutomationSwitches s = ParseAutomationSwitches(c.args);
    EXPECT_EQ(s.Register, c.reg) << c.args[0];
    EXPECT_EQ(s.Unregister, c.unreg) << c.args[0];
    EXPECT_EQ(s.Automation, c.automation) << c.args[0];
  }
}

TEST_F(ScpiRegistration, RegistrationWritesTheKeysAndUnregistrationRemovesThem) {
  SettingsStore store(Path("reg.ini"));
  ASSERT_TRUE(store.writeString(SettingsStore::kLanguage, "RU"));
  EXPECT_EQ(AutomationStartup({"/regserver", "-UNREGSERVER"}, store), 0) << "registration goes first";
  SettingsStore read(Path("reg.ini"));
  EXPECT_EQ(read.readString(SettingsStore::kAutomationProgID), "K30.Application");
  EXPECT_EQ(read.readString(SettingsStore::kAutomationDescription), "K30 Object");
  const std::string command = read.readString(SettingsStore::kAutomationCommand);
  EXPECT_EQ(command.substr(0, 1), "/") << "an absolute path";
  EXPECT_EQ(command.substr(command.size() - 12), " /Automation");
  EXPECT_EQ(read.readString(SettingsStore::kAutomationVersion), "1.0");
  EXPECT_EQ(read.readInteger(SettingsStore::kScpiPort, -1), 5025);
  EXPECT_FALSE(read.contains(SettingsStore::kScpiAddress)) << "never an address";

  // A port of the user's own stays.
  ASSERT_TRUE(store.writeInteger(SettingsStore::kScpiPort, 6000));
  EXPECT_EQ(AutomationStartup({"-RegServer"}, store), 0);
  EXPECT_EQ(SettingsStore(Path("reg.ini")).readInteger(SettingsStore::kScpiPort, -1), 6000);

  EXPECT_EQ(AutomationStartup({"/UnRegServer"}, store), 0);
  SettingsStore after(Path("reg.ini"));
  for (const char* key : {SettingsStore::kAutomationProgID, SettingsStore::kAutomationDescription,
                          SettingsStore::kAutomationCommand, SettingsStore::kAutomationVersion}) {
    EXPECT_FALSE(after.contains(key)) << key;
  }
  EXPECT_EQ(after.readString(SettingsStore::kLanguage), "RU") << "the user's other settings stay";
}

TEST_F(ScpiRegistration, AFailingStoreEndsWithExitCodeOne) {
  // The store's folder is a file: nothing can be written there.
  std::ofstream(Path("blocker")) << "x";
  SettingsStore store((testenv::Root() / "blocker" / "tervan.ini").string());
  EXPECT_EQ(AutomationStartup({"/REGSERVER"}, store), 1);
}

TEST_F(ScpiRegistration, TheBareWordStartsNormallyWithoutTheKeys) {
  SettingsStore store(Path("bare.ini"));
  ASSERT_TRUE(store.writeInteger(SettingsStore::kScpiPort, 0));
  EXPECT_EQ(AutomationStartup({"REGSERVER", "UNREGSERVER"}, store), std::nullopt);
  EXPECT_FALSE(SettingsStore(Path("bare.ini")).contains(SettingsStore::kAutomationProgID));
  EXPECT_FALSE(TAutomationServer::AutomationSwitch);
  AutomationShutdown();
  EXPECT_EQ(AutomationStartup({"/AUTOMATION"}, store), std::nullopt);
  EXPECT_TRUE(TAutomationServer::AutomationSwitch);
  AutomationShutdown();
  EXPECT_FALSE(TAutomationServer::AutomationSwitch);
}

}  // namespace
