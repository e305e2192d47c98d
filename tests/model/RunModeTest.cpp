// The command-line run-mode switches: case-sensitive substrings of the arguments after the
// program path, joined with blanks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/RunMode.h"

namespace {

struct Flags {
  bool service, factory, vorla, demo, english;
  bool operator==(const Flags&) const = default;
};

Flags Current() { return {IsServiceEnabled(), IsFactoryMode(), IsVorlaMode(), IsDemoMode(), IsEnglishMode()}; }

std::ostream& operator<<(std::ostream& os, const Flags& f) {
  return os << "service " << f.service << " factory " << f.factory << " vorla " << f.vorla << " demo " << f.demo
            << " english " << f.english;
}

class RunMode : public testing::Test {
 protected:
  void TearDown() override { ResetRunMode(); }

  static Flags Run(std::vector<std::string> args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    SetRunModeFromArguments(static_cast<int>(argv.size()), argv.data());
    return Current();
  }
};

TEST_F(RunMode, SwitchesFromTheArguments) {
  const std::string exe = "/usr/bin/tervan";
  struct Case {
    std::vector<std::string> argv;
    Flags flags;
  } cases[] = {
      {{exe}, {false, false, false, false, false}},
      {{exe, "EnableService"}, {true, false, false, false, false}},
      {{exe, "FactoryMode"}, {false, true, false, false, false}},
      // Service wins: the two are never both set, in any order.
      {{exe, "EnableService", "FactoryMode"}, {true, false, false, false, false}},
      {{exe, "FactoryMode", "x", "EnableService"}, {true, false, false, false, false}},
      {{exe, "VorlaMode"}, {false, false, true, false, false}},
      {{exe, "DemoMode"}, {false, false, false, true, false}},
      {{exe, "English"}, {false, false, false, false, true}},
      {{exe, "English", "DemoMode", "VorlaMode"}, {false, false, true, true, true}},
      // Other letter case sets nothing.
      {{exe, "enableservice", "DEMOMODE", "english", "Vorlamode"}, {false, false, false, false, false}},
      // A leading dash or slash, or a longer argument holding the word, sets the flag.
      {{exe, "-EnableService"}, {true, false, false, false, false}},
      {{exe, "/DemoMode"}, {false, false, false, true, false}},
      {{exe, "--startInVorlaModeNow"}, {false, false, true, false, false}},
      {{exe, "NotEnglishAtAll"}, {false, false, false, false, true}},
      // Arguments are joined with blanks: a word split over two arguments is not the switch.
      {{exe, "Demo", "Mode"}, {false, false, false, false, false}},
      {{exe, "Enable", "Service", "FactoryMode"}, {false, true, false, false, false}},
      // The program's own path is not searched.
      {{"/home/u/EnableService/DemoMode/English/tervan"}, {false, false, false, false, false}},
      {{"/opt/FactoryMode/tervan", "VorlaMode"}, {false, false, true, false, false}},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.argv) shown += "[" + a + "]";
    EXPECT_EQ(Run(c.argv), c.flags) << shown;
    EXPECT_FALSE(IsMainWindowHidden()) << shown;
  }
}

TEST_F(RunMode, StartsOffAndResets) {
  ResetRunMode();
  EXPECT_EQ(Current(), (Flags{false, false, false, false, false}));
  SetRunModeFromText("EnableService VorlaMode DemoMode English");
  EXPECT_EQ(Current(), (Flags{true, false, true, true, true}));
  EXPECT_FALSE(IsMainWindowHidden());
  ResetRunMode();
  EXPECT_EQ(Current(), (Flags{false, false, false, false, false}));
  SetRunModeFromArguments(0, nullptr);
  EXPECT_EQ(Current(), (Flags{false, false, false, false, false}));
  const char* withNull[] = {"tervan", nullptr, "DemoMode"};
  SetRunModeFromArguments(3, withNull);
  EXPECT_TRUE(IsDemoMode());
}

}  // namespace
