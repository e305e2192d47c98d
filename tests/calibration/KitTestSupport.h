#pragma once
// Shared pieces of the kit tests: a kit folder of each test's own, a recorder of the kit
// module's change events, and a stand-in language module.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "common/TestEnv.h"
#include "model/ITranslation.h"
#include "model/RunMode.h"

namespace kittest {

// A fresh folder for the running test's kit files.
inline std::string TestFolder(const std::string& what = "kits") {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path dir = testenv::Root() / what / (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

// The senders of the module's change events, in order.
struct ChangeRecorder {
  explicit ChangeRecorder(TCalKitsModule& module) : module_(module) {
    module.OnChange = [this](TFObject* sender) { Senders.push_back(sender); };
  }
  ~ChangeRecorder() { module_.OnChange = nullptr; }
  ChangeRecorder(const ChangeRecorder&) = delete;
  ChangeRecorder& operator=(const ChangeRecorder&) = delete;

  std::vector<TFObject*> Senders;

 private:
  TCalKitsModule& module_;
};

// Marks every translated text, so a test sees which names went through the language module.
class MarkingTranslation : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override { return "<" + english + ">"; }
  std::string TranslateAnsi(const std::string& english) const override { return Translate(english); }
  bool IsEnglish() const override { return false; }
};

// Every test starts and ends without run-mode switches.
class KitTest : public testing::Test {
 protected:
  void SetUp() override { ResetRunMode(); }
  void TearDown() override { ResetRunMode(); }
};

}  // namespace kittest
