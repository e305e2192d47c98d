// The language module: the choice of the language, the lookup, the texts made at creation and
// the private fonts.
#include "shell/LangModule.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/ResourceRegistry.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/SettingsStore.h"
#include "platform/ui/Application.h"

namespace fs = std::filesystem;

namespace {

// A settings store as the module sees it: a value, none, or a failing read.
struct FakeStore {
  enum Kind { kNone, kValue, kFails } kind = kNone;
  std::string value;

  TLangModule::TLanguageReader Reader() const {
    const FakeStore copy = *this;
    return [copy]() -> std::optional<std::string> {
      if (copy.kind == kFails) throw std::runtime_error("the store cannot be read");
      if (copy.kind == kValue) return copy.value;
      return std::nullopt;
    };
  }
};

FakeStore None() { return {}; }
FakeStore Value(const std::string& v) { return {FakeStore::kValue, v}; }
FakeStore Fails() { return {FakeStore::kFails, {}}; }

TLangModule::TSetup StoresSetup(const FakeStore& system, const FakeStore& user, bool english = false) {
  TLangModule::TSetup setup;
  setup.SystemLanguage = system.Reader();
  setup.UserLanguage = user.Reader();
  setup.English = english;
  return setup;
}

std::string Utf16BeResource(const std::u16string& text) {
  std::string bytes("\xFE\xFF", 2);
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u >> 8));
    bytes.push_back(static_cast<char>(u & 0xFF));
  }
  return bytes;
}

TEST(LangModule, TheSystemValueDecidesThenTheUserValueThenTheSwitch) {
  const struct {
    const char* what;
    FakeStore system;
    FakeStore user;
    bool englishSwitch;
    bool english;
  } cases[] = {
      {"system EN wins over user RU", Value("EN"), Value("RU"), false, true},
      {"system RU wins over user EN", Value("RU"), Value("EN"), false, false},
      {"no system value, user EN", None(), Value("EN"), false, true},
      {"lower case is not EN", None(), Value("en"), false, false},
      {"a trailing blank is not EN", None(), Value("EN "), false, false},
      {"a leading blank is not EN", Value(" EN"), None(), false, false},
      {"an empty value is a value", Value(""), Value("EN"), false, false},
      {"no value anywhere", None(), None(), false, false},
      {"a failing system read ends the asking", Fails(), Value("EN"), false, false},
      {"a failing user read keeps Russian", None(), Fails(), false, false},
      {"the switch alone", None(), None(), true, true},
      {"the switch wins over RU", Value("RU"), Value("RU"), true, true},
  };
  for (const auto& c : cases) {
    const TLangModule lang(StoresSetup(c.system, c.user, c.englishSwitch));
    EXPECT_EQ(lang.NoTranslation(), c.english) << c.what;
    EXPECT_EQ(lang.IsEnglish(), c.english) << c.what;
    // Russian loads the built-in table; English does not even read it.
    EXPECT_EQ(lang.Translate("Ok"), c.english ? "Ok" : "ОК") << c.what;
    EXPECT_EQ(lang.Keys().empty(), c.english) << c.what;
  }
}

TEST(LangModule, ALookupIsExactAndTheFirstDuplicateWins) {
  RegisterResourceCopy("LangModuleTest_Table",
                       Utf16BeResource(u"\"Marker Properties\"=\"Свойства маркеров\"\r\n"
                                       u"\"Scale\"=\"Масштаб\"\r\n"
                                       u"\"Marker Properties\"=\"Второе значение\"\r\n"));
  TLangModule::TSetup setup = StoresSetup(None(), None());
  setup.TableResource = "LangModuleTest_Table";
  const TLangModule lang(std::move(setup));
  EXPECT_EQ(lang.Translate("Marker Properties"), "Свойства маркеров");
  EXPECT_EQ(lang.TranslateAnsi("Marker Properties"), "Свойства маркеров");
  EXPECT_EQ(lang.Translate("Scale"), "Масштаб");
  EXPECT_EQ(lang.Translate("scale"), "scale");    // letter case counts
  EXPECT_EQ(lang.Translate("Scale "), "Scale ");  // so does a blank
  EXPECT_EQ(lang.Translate(""), "");
  EXPECT_EQ(lang.Translate("Not in the table"), "Not in the table");
  // Keys and values keep the file's lines, the second "Marker Properties" too.
  EXPECT_EQ(lang.Keys(), (std::vector<std::string>{"Marker Properties", "Scale", "Marker Properties"}));
  EXPECT_EQ(lang.Values().size(), lang.Keys().size());
  EXPECT_EQ(lang.Values()[2], "Второе значение");
}

TEST(LangModule, AMissingTableLeavesEveryTextEnglish) {
  TLangModule::TSetup setup = StoresSetup(None(), None());
  setup.TableResource = "LangModuleTest_NoSuchTable";
  const TLangModule lang(std::move(setup));
  EXPECT_FALSE(lang.NoTranslation());
  EXPECT_TRUE(lang.Keys().empty());
  EXPECT_EQ(lang.Translate("Ok"), "Ok");
  EXPECT_EQ(lang.OnOffText(true), "ON");
}

TEST(LangModule, TextsMadeAtCreation) {
  const TLangModule russian(StoresSetup(None(), None()));
  EXPECT_EQ(russian.OnOffText(true), "Вкл.");
  EXPECT_EQ(russian.OnOffText(false), "Выкл.");
  EXPECT_EQ(russian.BlankText(), " ");
  EXPECT_EQ(russian.UnitTexts(), (std::array<std::string, 7>{"дБм", "дБ", "нс", "мВт", "Ом", "См", "°"}));

  const TLangModule english(StoresSetup(None(), None(), true));
  EXPECT_EQ(english.OnOffText(true), "ON");
  EXPECT_EQ(english.OnOffText(false), "OFF");
  EXPECT_EQ(english.BlankText(), " ");
  EXPECT_EQ(english.UnitTexts(), (std::array<std::string, 7>{"dBm", "dB", "ns", "mW", "Ohm", "S", "°"}));
  EXPECT_EQ(TLangModule::GetRegistryKey(), "tervan");
}

TEST(LangModule, EngineCodeTranslatesThroughTheServiceRegistry) {
  TScopedServices services;
  services->LangModule = nullptr;
  EXPECT_EQ(TranslateText("Not Ready"), "Not Ready");  // no module installed
  {
    TLangModule lang(StoresSetup(None(), None()));
    services->LangModule = &lang;
    LangModule = &lang;
    EXPECT_EQ(TranslateText("Not Ready"), "Не готов");
    EXPECT_FALSE(services->LangModule->IsEnglish());
  }
  // A destroyed module is reachable no more.
  EXPECT_EQ(services->LangModule, nullptr);
  EXPECT_EQ(LangModule, nullptr);
  EXPECT_EQ(TranslateText("Not Ready"), "Not Ready");
}

// The program's own module reads real settings files: the system-wide one under
// $XDG_CONFIG_DIRS and the user's under $XDG_CONFIG_HOME.
class LangModuleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    savedDirs_ = dirs ? std::optional<std::string>(dirs) : std::nullopt;
    root_ = testenv::Root() / "langfiles";
    fs::remove_all(root_);
    fs::create_directories(root_ / "empty");
    ResetRunMode();
  }
  void TearDown() override {
    if (savedDirs_) {
      setenv("XDG_CONFIG_DIRS", savedDirs_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_DIRS");
    }
    platform::SettingsStore().remove(platform::SettingsStore::kLanguage);
    ResetRunMode();
    fs::remove_all(root_);
  }
  // Writes <dir>/tervan/tervan.ini with the given text.
  void WriteSystemFile(const fs::path& dir, const std::string& text) {
    fs::create_directories(dir / "tervan");
    std::ofstream(dir / "tervan" / "tervan.ini", std::ios::binary) << text;
  }

  fs::path root_;
  std::optional<std::string> savedDirs_;
};

TEST_F(LangModuleFiles, TheSystemFileIsTheFirstUnderXdgConfigDirs) {
  WriteSystemFile(root_ / "second", "Language=EN\n");
  WriteSystemFile(root_ / "third", "Language=RU\n");
  // A relative entry is ignored even when it holds a file; folders without one are passed.
  const std::string dirs = "relative/dir:" + (root_ / "empty").string() + "::" + (root_ / "second").string() + ":" +
                           (root_ / "third").string();
  setenv("XDG_CONFIG_DIRS", dirs.c_str(), 1);
  EXPECT_EQ(TLangModule::SystemSettingsFile(), (root_ / "second" / "tervan" / "tervan.ini").string());
  setenv("XDG_CONFIG_DIRS", (root_ / "empty").c_str(), 1);
  EXPECT_EQ(TLangModule::SystemSettingsFile(), "");
}

TEST_F(LangModuleFiles, TheProgramsModuleReadsBothStores) {
  WriteSystemFile(root_ / "system", "# written by the administrator\nLanguage=EN\n");
  setenv("XDG_CONFIG_DIRS", (root_ / "system").c_str(), 1);
  ASSERT_TRUE(platform::SettingsStore().writeString(platform::SettingsStore::kLanguage, "RU").ok);
  EXPECT_TRUE(TLangModule().NoTranslation());  // the system-wide value wins

  setenv("XDG_CONFIG_DIRS", (root_ / "empty").c_str(), 1);
  EXPECT_FALSE(TLangModule().NoTranslation());  // now the user's RU counts
  ASSERT_TRUE(platform::SettingsStore().writeString(platform::SettingsStore::kLanguage, "EN ").ok);
  EXPECT_FALSE(TLangModule().NoTranslation());  // the store keeps the blank: not "EN"
  ASSERT_TRUE(platform::SettingsStore().writeString(platform::SettingsStore::kLanguage, "EN").ok);
  EXPECT_TRUE(TLangModule().NoTranslation());

  ASSERT_TRUE(platform::SettingsStore().remove(platform::SettingsStore::kLanguage).ok);
  EXPECT_FALSE(TLangModule().NoTranslation());
  SetRunModeFromText("English");
  EXPECT_TRUE(TLangModule().NoTranslation());
}

// The private fonts need the application's font list, so these tests run a QApplication on
// the offscreen platform.
class LangModuleFonts : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::ForTests();
    folder_ = testenv::Root() / "fonts" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string SystemFont(const char* name) {
    for (const char* dir : {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/TTF/"}) {
      const fs::path p = fs::path(dir) / name;
      if (fs::exists(p)) return p.string();
    }
    return {};
  }
  TLangModule::TSetup FontSetup() {
    TLangModule::TSetup setup = StoresSetup(None(), None(), true);
    setup.FontFolder = folder_.string();
    return setup;
  }

  fs::path folder_;
};

TEST_F(LangModuleFonts, FontsAreInstalledForTheSessionAndTheFilesStay) {
  const std::string source = SystemFont("DejaVuSans.ttf");
  if (source.empty()) GTEST_SKIP() << "DejaVu Sans is not installed";
  fs::create_directories(folder_);
  const fs::path tahoma = folder_ / "PelmoTahoma.ttf";
  fs::copy_file(source, tahoma);
  const auto sizeBefore = fs::file_size(tahoma);

  int id = -1;
  {
    const TLangModule lang(FontSetup());
    ASSERT_TRUE(lang.FontId("PelmoTahoma").has_value());
    id = *lang.FontId("PelmoTahoma");
    EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).contains(QStringLiteral("DejaVu Sans")));
    // No file and no resource: nothing is installed and nothing written.
    EXPECT_FALSE(lang.FontId("PelmoLucida").has_value());
    EXPECT_FALSE(fs::exists(folder_ / "PelmoLucida.ttf"));
  }
  // The font left the application's list; the user's file is still there, unchanged.
  EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).isEmpty());
  ASSERT_TRUE(fs::exists(tahoma));
  EXPECT_EQ(fs::file_size(tahoma), sizeBefore);

  // The next start finds the file again.
  const TLangModule again(FontSetup());
  EXPECT_TRUE(again.FontId("PelmoTahoma").has_value());
}

TEST_F(LangModuleFonts, AMissingFontFileIsWrittenFromAResourceOfItsName) {
  const std::string source = SystemFont("DejaVuSansMono.ttf");
  if (source.empty()) GTEST_SKIP() << "DejaVu Sans Mono is not installed";
  std::ifstream in(source, std::ios::binary);
  RegisterResourceCopy("LangModuleTest_Font", std::string(std::istreambuf_iterator<char>(in), {}));

  TLangModule lang(FontSetup());  // creates the folder
  EXPECT_TRUE(fs::is_directory(folder_));
  lang.InstallFont("LangModuleTest_Font");
  EXPECT_TRUE(fs::exists(folder_ / "LangModuleTest_Font.ttf"));
  ASSERT_TRUE(lang.FontId("LangModuleTest_Font").has_value());
  const int id = *lang.FontId("LangModuleTest_Font");
  EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).contains(QStringLiteral("DejaVu Sans Mono")));
  lang.InstallFont("LangModuleTest_Font");  // once in the list is enough
  EXPECT_EQ(lang.FontId("LangModuleTest_Font"), id);
  lang.RemoveFont("LangModuleTest_Font");
  EXPECT_FALSE(lang.FontId("LangModuleTest_Font").has_value());
  EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).isEmpty());
  EXPECT_TRUE(fs::exists(folder_ / "LangModuleTest_Font.ttf"));
}

TEST_F(LangModuleFonts, AFileThatIsNoFontIsLeftAlone) {
  fs::create_directories(folder_);
  std::ofstream(folder_ / "PelmoLucida.ttf", std::ios::binary) << "not a font";
  {
    const TLangModule lang(FontSetup());
    EXPECT_FALSE(lang.FontId("PelmoLucida").has_value());
  }
  EXPECT_TRUE(fs::exists(folder_ / "PelmoLucida.ttf"));
}

}  // namespace
