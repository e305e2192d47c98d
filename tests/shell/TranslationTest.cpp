// The built-in Russian table, the table parser's handling of bad input, and the check that
// every key the sources hand to the lookup has a Russian value.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/MeasureUnitTables.h"
#include "model/ResourceFile.h"
#include "model/ResourceRegistry.h"
#include "model/TextCodec.h"
#include "shell/LangModule.h"

namespace fs = std::filesystem;

namespace {

TLangModule::TSetup RussianSetup(const std::string& table = "Translation_RU") {
  TLangModule::TSetup setup;
  setup.TableResource = table;
  return setup;
}

std::string Utf16Be(const std::u16string& text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<char>(u >> 8));
    bytes.push_back(static_cast<char>(u & 0xFF));
  }
  return bytes;
}
const std::string kBom("\xFE\xFF", 2);

bool HasCyrillicLetter(const std::string& utf8) {
  for (char16_t u : Utf8ToUtf16(utf8)) {
    if ((u >= 0x0410 && u <= 0x044F) || u == 0x0401 || u == 0x0451) return true;
  }
  return false;
}

size_t Utf16Length(const std::string& utf8) { return Utf8ToUtf16(utf8).size(); }

// The keys the program needs, kept beside the tests: the user-interface texts and the unit
// texts of the tables.
std::vector<std::string> RequiredKeys() {
  TResourceFile file("RequiredTranslationKeys.txt");
  std::vector<std::string> keys;
  std::string line;
  while (file.ReadLine(line) > 0) keys.push_back(line);
  return keys;
}

TEST(Translation, TheShippedTableHasEveryKeyOnceWithARussianValue) {
  const TLangModule lang(RussianSetup());
  const std::vector<std::string>& keys = lang.Keys();
  ASSERT_FALSE(keys.empty()) << "the resource Translation_RU is not built in";
  // Texts that read the same in Russian.
  const std::set<std::string> sameInRussian = {"°"};
  // Units go on the keypad's unit buttons and into seven-character unit fields.
  const std::set<std::string> units = {"GHz", "MHz", "kHz", "Hz", "s", "ms", "us", "ns", "ps", "m", "cm",
                                       "mm",  "mi",  "ft",  "in", "dB", "dB/m", "dBm", "mW", "H", "mH", "uH",
                                       "nH",  "pH",  "F",   "mF", "uF", "nF", "pF", "°", "Ohm", "S"};
  std::set<std::string> seen;
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string& key = keys[i];
    const std::string& value = lang.Values()[i];
    EXPECT_TRUE(seen.insert(key).second) << "\"" << key << "\" occurs twice";
    if (!sameInRussian.count(key)) {
      EXPECT_TRUE(HasCyrillicLetter(value)) << key << " = " << value;
    }
    EXPECT_LE(Utf16Length(value), units.count(key) ? 7u : 31u) << key << " = " << value;
  }
  const std::vector<std::string> required = RequiredKeys();
  ASSERT_GE(required.size(), 421u);
  for (const std::string& key : required) EXPECT_TRUE(seen.count(key)) << "no Russian value for \"" << key << "\"";
  for (const std::string& unit : units) EXPECT_TRUE(seen.count(unit)) << unit;
}

TEST(Translation, TellingRowsOfTheShippedTable) {
  const TLangModule lang(RussianSetup());
  const struct {
    const char* key;
    const char* value;
  } rows[] = {
      {"Measurement", "Тип измерения"},
      {"Not Ready", "Не готов"},
      {"System Cal Failure", "Сбой заводской калибровки"},
      {"ON", "Вкл."},
      {"Hold", "Стоп"},
      {"GHz", "ГГц"},
      {"MHz", "МГц"},
      {"kHz", "кГц"},
      {"Hz", "Гц"},
      {"dB", "дБ"},
      {"°", "°"},
  };
  for (const auto& row : rows) EXPECT_EQ(lang.Translate(row.key), row.value) << row.key;
}

TEST(Translation, UnitTablesFilledThroughTheModuleHoldRussianTexts) {
  const TLangModule lang(RussianSetup());
  const TMeasureUnitTables tables([&lang](const std::string& s) { return lang.Translate(s); });
  std::vector<std::string> frequency;
  for (const TMeasureUnit& u : tables.OfKind(ukFrequency)) frequency.push_back(u.Text);
  EXPECT_EQ(frequency, (std::vector<std::string>{"ГГц", "МГц", "кГц", "Гц"}));
  double value = 2.4e9;
  unsigned index = 0;
  EXPECT_EQ(FormatWithUnit(value, index, tables.OfKind(ukFrequency)), "2.4 ГГц");
  // Every translated unit fits its field uncut.
  for (int kind = 0; kind < TMeasureUnitTables::TableCount; ++kind) {
    const TMeasureUnitTables english;
    for (size_t i = 0; i < tables.OfKind(kind).size(); ++i) {
      EXPECT_EQ(tables.OfKind(kind)[i].Text, lang.Translate(english.OfKind(kind)[i].Text)) << kind << " " << i;
    }
  }
}

TEST(Translation, BadLinesAreSkippedAndGoodOnesKept) {
  const std::u16string lines[] = {
      u"\"Alpha\"=\"Альфа\"",
      u"\"Alpha\"=\"Другая\"",          // duplicate: the first value is used
      u"\"Beta\" \"Бета\"",             // no '='
      u"Gamma=Гамма",                   // no quotes
      u"\"Delta\"=\"Дельта",            // no closing quote
      u"Delta\"=\"Дельта\"",            // no opening quote
      u"\"Epsilon\"=\"\"",              // empty value
      u"\"\"=\"Пусто\"",                // empty key
      u"\"=\"",                         // the quotes around '=' are the outer ones
      u"\"\"",
      u"\"",
      u"=",
      u"\"a=b\"=\"x\"",                 // the first '=' is not between quotes
      u"\"Zeta\" = \"Зета\"",           // blanks around '='
      u"\"Eta\"=\"Э\tта\"",             // a control character
      u"\"Theta\"=\"\xD800\"",          // a broken surrogate pair
      u"\xFEFF",                        // a stray byte-order mark makes an empty line
      u"\"Iota\"=\"Йота \"=\" и \"\"",  // quotes and '=' inside the value are the value's
      u"\"Omega\"=\"Омега\"",
  };
  std::u16string text;
  for (const std::u16string& line : lines) text += line + u"\r\n\r\n";
  RegisterResourceCopy("TranslationTest_Bad", kBom + Utf16Be(text));
  const TLangModule lang(RussianSetup("TranslationTest_Bad"));
  EXPECT_EQ(lang.Keys(), (std::vector<std::string>{"Alpha", "Alpha", "Iota", "Omega"}));
  EXPECT_EQ(lang.Translate("Alpha"), "Альфа");
  EXPECT_EQ(lang.Translate("Iota"), "Йота \"=\" и \"");
  EXPECT_EQ(lang.Translate("Omega"), "Омега");
  for (const char* english : {"Beta", "Gamma", "Delta", "Epsilon", "", "a=b", "Zeta", "Eta", "Theta"}) {
    EXPECT_EQ(lang.Translate(english), english);
  }
}

TEST(Translation, CutAndEmptyResources) {
  const std::string good = Utf16Be(u"\"Alpha\"=\"Альфа\"\r\n\"Omega\"=\"Омега\"");
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> keys;
  } cases[] = {
      {"cut inside the last unit", kBom + good + "\x04", {"Alpha", "Omega"}},
      {"cut inside the last line", kBom + good.substr(0, good.size() - 4) + "\x04", {"Alpha"}},
      {"no byte-order mark", good, {"Alpha", "Omega"}},
      {"a byte-order mark alone", kBom, {}},
      {"half a byte-order mark", kBom.substr(0, 1), {}},
      {"empty", "", {}},
      {"starts with a line break", kBom + Utf16Be(u"\r\n") + good, {"Alpha", "Omega"}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "TranslationTest_Cut" + std::to_string(n++);
    RegisterResourceCopy(name, c.bytes);
    const TLangModule lang(RussianSetup(name));
    EXPECT_EQ(lang.Keys(), c.keys) << c.what;
  }
}

TEST(Translation, RandomBytesLoseNoGoodLine) {
  std::mt19937 random(20240611);
  std::string bytes(1 << 20, '\0');
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  bytes += Utf16Be(u"\r\n\"Alpha\"=\"Альфа\"\r\n");
  RegisterResourceCopy("TranslationTest_Random", bytes);
  const TLangModule lang(RussianSetup("TranslationTest_Random"));
  EXPECT_EQ(lang.Translate("Alpha"), "Альфа");
  ASSERT_EQ(lang.Keys().size(), lang.Values().size());
  for (size_t i = 0; i < lang.Keys().size(); ++i) {
    EXPECT_FALSE(lang.Keys()[i].empty());
    EXPECT_FALSE(lang.Values()[i].empty());
    EXPECT_TRUE(IsValidUtf8(lang.Keys()[i]) && IsValidUtf8(lang.Values()[i]));
  }
}

// Runs the key check on a small source tree of its own; gives the exit code and the output.
int RunKeyCheck(const fs::path& top, const fs::path& table, std::string& output) {
  const std::string command = "/usr/bin/python3 '" TERVAN_SOURCE_DIR "/tools/check_translations.py' '" +
                              top.string() + "' '" + table.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  output.clear();
  char buffer[512];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Translation, TheKeyCheckFailsOnAKeyWithoutARussianValue) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
  const fs::path top = testenv::Root() / "keycheck";
  fs::remove_all(top);
  fs::create_directories(top / "dialogs");
  fs::create_directories(top / "tests" / "dialogs");
  std::ofstream(top / "dialogs" / "SomeDialog.cpp")
      << "void f() {\n"
         "  Caption(LangModule->Translate(\"Known\"));\n"
         "  Caption(TranslateText( \"Say \\\"Hi\\\"\" ));\n"
         "  // Translate(\"In a comment\") is no call\n"
         "  /* TranslateAnsi(\"Nor here\") */\n"
         "  const char* key = TranslationKey(\"Marked\");\n"
         "  Caption(Translate(name));\n"
         "}\n";
  // Tests may look up texts that are no keys.
  std::ofstream(top / "tests" / "dialogs" / "SomeDialogTest.cpp") << "Translate(\"Not a key\");\n";
  const fs::path table = top / "table.txt";
  std::ofstream(table) << "# note\n\"Known\"=\"Известно\"\n\"Say \"Hi\"\"=\"Скажи\"\n";

  std::string output;
  EXPECT_EQ(RunKeyCheck(top, table, output), 1) << output;
  EXPECT_NE(output.find("dialogs/SomeDialog.cpp:6: \"Marked\""), std::string::npos) << output;
  EXPECT_EQ(output.find("Known"), std::string::npos) << output;
  EXPECT_EQ(output.find("comment"), std::string::npos) << output;
  EXPECT_EQ(output.find("Nor here"), std::string::npos) << output;
  EXPECT_EQ(output.find("Not a key"), std::string::npos) << output;

  std::ofstream(table, std::ios::app) << "\"Marked\"=\"Отмечено\"\n";
  EXPECT_EQ(RunKeyCheck(top, table, output), 0) << output;

  std::ofstream(table, std::ios::trunc) << "\"Known\"=\"\"\n\"Say \"Hi\"\"=\"Скажи\"\n\"Marked\"=\"Отмечено\"\n";
  EXPECT_EQ(RunKeyCheck(top, table, output), 1) << "an empty value is no value";
  fs::remove_all(top);
}

}  // namespace
