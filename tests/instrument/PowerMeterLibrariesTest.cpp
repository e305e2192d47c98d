#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "instrument/PowerMeter.h"
#include "platform/SettingsStore.h"

namespace {

// A user settings file of our own for the test's lifetime.
struct PowerMeterLoader : ::testing::Test {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("tervan-pm-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::string savedXdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  bool hadXdg = std::getenv("XDG_CONFIG_HOME") != nullptr;
  TPowerMeter::TDriverSource savedSource = TPowerMeter::DriverSource;

  PowerMeterLoader() {
    std::filesystem::create_directories(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    TPowerMeter::DriverSource = nullptr;
  }
  ~PowerMeterLoader() override {
    TPowerMeter::DriverSource = savedSource;
    if (hadXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
  }
  void Set(const char* key, const std::string& value) { platform::SettingsStore().writeString(key, value); }
};

TEST_F(PowerMeterLoader, ALibraryWithoutTheSymbolsNamesTheSymbolAndTheKey) {
  Set("PowerSensorLibrary", "libm.so.6");
  TPowerMeter meter;
  EXPECT_FALSE(meter.Connect());
  EXPECT_EQ(meter.StatusText, "Not Ready");
  EXPECT_NE(meter.LastError.find("rsnrpz_init"), std::string::npos) << meter.LastError;
  EXPECT_NE(meter.LastError.find("PowerSensorLibrary"), std::string::npos) << meter.LastError;
}

TEST_F(PowerMeterLoader, MissingFolderAndTextFileFailNotReadyWithTheLoadersMessage) {
  const std::string text = (dir / "notalib.so").string();
  platform::SettingsStore(text).writeString("Language", "English");
  for (const std::string& file : {std::string("/nonexistent/libvisa-none.so"), dir.string(), text}) {
    Set("VisaLibrary", file);
    TPowerMeter meter;
    meter.SetModel(1);
    EXPECT_FALSE(meter.Connect()) << file;
    EXPECT_EQ(meter.StatusText, "Not Ready");
    EXPECT_NE(meter.LastError.find(file), std::string::npos) << meter.LastError;
    EXPECT_NE(meter.LastError.find("VisaLibrary"), std::string::npos) << meter.LastError;
    EXPECT_GT(meter.LastError.size(), file.size() + 30) << meter.LastError;
  }
}

TEST_F(PowerMeterLoader, AnEmptyNameMeansTheDefaultLibrary) {
  Set("VisaLibrary", "");
  TPowerMeter meter;
  meter.SetModel(1);
  EXPECT_FALSE(meter.Connect());  // no VISA library is installed here
  EXPECT_NE(meter.LastError.find("libvisa.so"), std::string::npos) << meter.LastError;
}

}  // namespace
