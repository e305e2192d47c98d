#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/Paths.h"

using platform::SettingsStore;
using namespace platformtest;

namespace {

std::string StoreFile(const fs::path& dir) { return (dir / "tervan.ini").string(); }

}  // namespace

TEST(SettingsStore, LivesInTheConfigFolder) {
  SettingsStore store;
  EXPECT_EQ(store.path(), (testenv::Root() / "config" / "tervan" / "tervan.ini").string());
}

TEST(SettingsStore, MissingFileGivesDefaults) {
  fs::path dir = FreshFolder();
  SettingsStore store(StoreFile(dir));
  EXPECT_TRUE(store.reload());
  EXPECT_FALSE(store.contains(SettingsStore::kLanguage));
  EXPECT_EQ(store.readString(SettingsStore::kLanguage, "RU"), "RU");
  EXPECT_EQ(store.readInteger(SettingsStore::kCalKitNumber, 4), 4);
  EXPECT_FALSE(fs::exists(StoreFile(dir))) << "reading never creates the file";
}

TEST(SettingsStore, WritesReadBackInANewStore) {
  fs::path dir = FreshFolder();
  {
    SettingsStore store(StoreFile(dir));
    ASSERT_TRUE(store.writeString(SettingsStore::kLanguage, "EN"));
    ASSERT_TRUE(store.writeInteger(SettingsStore::kCalKitNumber, 3));
    ASSERT_TRUE(store.writeInteger("ServerPort", INT_MIN));
    EXPECT_EQ(store.readString(SettingsStore::kLanguage), "EN");
    ASSERT_TRUE(store.writeInteger(SettingsStore::kCalKitNumber, 12));  // replaces in place
  }
  EXPECT_EQ(ReadRaw(StoreFile(dir)), "Language=EN\nCalKitNumber=12\nServerPort=-2147483648\n");
  SettingsStore again(StoreFile(dir));
  EXPECT_EQ(again.readString(SettingsStore::kLanguage), "EN");
  EXPECT_EQ(again.readInteger(SettingsStore::kCalKitNumber, 0), 12);
  EXPECT_EQ(again.readInteger("ServerPort", 0), INT_MIN);
}

TEST(SettingsStore, ReadsTheDocumentedLineFormat) {
  fs::path dir = FreshFolder();
  struct Case {
    std::string file;
    std::optional<std::string> language;  // nullopt: the default
  };
  const std::vector<Case> cases = {
      {"Language=EN\n", "EN"},
      {"Language=EN \n", "EN "},  // blanks in a value are its own: "EN " is not "EN"
      {"  Language\t =EN\r\n", "EN"},
      {"language=EN", "EN"},  // keys compare case-insensitively; no final LF needed
      {"Language=a=b\n", "a=b"},
      {"Language=\n", ""},
      {"Language=1\nOther=x\nLANGUAGE=2\n", "2"},  // the last occurrence counts
      {"\xEF\xBB\xBFLanguage=EN\n", "EN"},
      {"Language=EN\r\r\n", "EN\r"},
      {"#Language=EN\n", std::nullopt},
      {"  ;Language=EN\n", std::nullopt},
      {"Language\n", std::nullopt},
      {"=EN\n", std::nullopt},
      {std::string("Lang\0uage=EN\n", 13), std::nullopt},
      {std::string("Language=E\0N\n", 13), std::nullopt},
      {"Language=EN\n" + std::string("Language=X\0", 11), "EN"},
      {"[Section]\nLanguage=EN\n", "EN"},
      {"", std::nullopt},
      {"\n\n\r\n", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.file));
    WriteRaw(StoreFile(dir), c.file);
    SettingsStore store(StoreFile(dir));
    EXPECT_EQ(store.contains(SettingsStore::kLanguage), c.language.has_value());
    EXPECT_EQ(store.readString(SettingsStore::kLanguage, "default"), c.language.value_or("default"));
  }
}

TEST(SettingsStore, IntegersAreDecimalElseTheDefault) {
  fs::path dir = FreshFolder();
  struct Case {
    std::string text;
    int expected;
  };
  const std::vector<Case> cases = {
      {"3", 3},           {" -7 \t", -7},   {"+5", 5},           {"007", 7},
      {"2147483647", INT_MAX},               {"-2147483648", INT_MIN},
      {"2147483648", 99}, {"-2147483649", 99},                   {"0x10", 99},
      {"3.5", 99},        {"", 99},         {" ", 99},           {"+", 99},
      {"-", 99},          {"+-1", 99},      {"1 2", 99},         {"abc", 99},
      {"1e3", 99},        {"\xD9\xA3", 99},  // an Arabic-Indic digit is no digit here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteRaw(StoreFile(dir), "CalKitNumber=" + c.text + "\n");
    SettingsStore store(StoreFile(dir));
    EXPECT_EQ(store.readInteger(SettingsStore::kCalKitNumber, 99), c.expected);
  }
}

TEST(SettingsStore, UnknownLinesSurviveARewrite) {
  fs::path dir = FreshFolder();
  const std::string head =
      "# written by hand\r\n"
      "\n"
      "ServerAddress = 127.0.0.1\n"
      "garbage without equals\n"
      "[Section]\n"
      "calkitnumber=1\n";
  const std::string tail =
      "; comment=with equals\n" +
      std::string("nul\0line=x\n", 11) +
      "FutureKey=keep me\n"
      "CalKitNumber=2\r\n"
      "no final line end";
  WriteRaw(StoreFile(dir), head + tail);
  SettingsStore store(StoreFile(dir));
  EXPECT_EQ(store.readInteger(SettingsStore::kCalKitNumber, 0), 2);

  ASSERT_TRUE(store.writeInteger(SettingsStore::kCalKitNumber, 5));
  std::string expected = head + tail;
  expected.replace(expected.find("CalKitNumber=2\r\n"), 16, "CalKitNumber=5\n");  // a rewritten line ends in LF
  expected += "\n";
  EXPECT_EQ(ReadRaw(StoreFile(dir)), expected);

  ASSERT_TRUE(store.writeString(SettingsStore::kLanguage, "EN"));
  EXPECT_EQ(ReadRaw(StoreFile(dir)), expected + "Language=EN\n");

  // Removing a key drops every line of it and nothing else.
  ASSERT_TRUE(store.remove(SettingsStore::kCalKitNumber));
  std::string removed = expected + "Language=EN\n";
  removed.erase(removed.find("calkitnumber=1\n"), 15);
  removed.erase(removed.find("CalKitNumber=5\n"), 15);
  EXPECT_EQ(ReadRaw(StoreFile(dir)), removed);
  EXPECT_EQ(store.readInteger(SettingsStore::kCalKitNumber, -1), -1);
  EXPECT_TRUE(store.remove("NotThere"));
  EXPECT_EQ(ReadRaw(StoreFile(dir)), removed);
}

TEST(SettingsStore, AWriteKeepsWhatAnotherCopyWroteMeanwhile) {
  fs::path dir = FreshFolder();
  SettingsStore first(StoreFile(dir));
  SettingsStore second(StoreFile(dir));
  ASSERT_TRUE(second.writeInteger("ServerPort", 5025));
  ASSERT_TRUE(first.writeString(SettingsStore::kLanguage, "EN"));
  EXPECT_EQ(ReadRaw(StoreFile(dir)), "ServerPort=5025\nLanguage=EN\n");
  EXPECT_EQ(first.readInteger("ServerPort", 0), 5025);
}

TEST(SettingsStore, ValuesCannotForgeLines) {
  fs::path dir = FreshFolder();
  SettingsStore store(StoreFile(dir));
  ASSERT_TRUE(store.writeString(SettingsStore::kLanguage, std::string("EN\r\nCalKitNumber=7\0x", 20)));
  EXPECT_EQ(ReadRaw(StoreFile(dir)), "Language=EN  CalKitNumber=7 x\n");
  SettingsStore again(StoreFile(dir));
  EXPECT_FALSE(again.contains(SettingsStore::kCalKitNumber));
  EXPECT_EQ(again.readString(SettingsStore::kLanguage), "EN  CalKitNumber=7 x");
}

TEST(SettingsStore, InvalidKeysAreRefused) {
  fs::path dir = FreshFolder();
  SettingsStore store(StoreFile(dir));
  const std::vector<std::string> keys = {"", " Language", "Language ", "a=b", "#x", ";x", "a\nb", "a\rb",
                                         std::string("a\0b", 3)};
  for (const std::string& key : keys) {
    SCOPED_TRACE(testing::PrintToString(key));
    EXPECT_FALSE(SettingsStore::isValidKey(key));
    platform::FileResult r = store.writeString(key, "v");
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.message.empty());
    EXPECT_FALSE(store.remove(key));
  }
  EXPECT_FALSE(fs::exists(StoreFile(dir)));
}

TEST(SettingsStore, FailedWriteKeepsFileAndMemory) {
  fs::path dir = FreshFolder();
  // The folder of the file is missing.
  std::string lost = (dir / "Missing" / "tervan.ini").string();
  SettingsStore nowhere(lost);
  platform::FileResult r = nowhere.writeString(SettingsStore::kLanguage, "EN");
  EXPECT_FALSE(r);
  EXPECT_NE(r.message.find(lost), std::string::npos) << r.message;
  EXPECT_FALSE(nowhere.contains(SettingsStore::kLanguage));
  EXPECT_EQ(Entries(dir), std::set<std::string>{});

  // The file's place is taken by a folder: unreadable, so defaults, and never overwritten.
  fs::create_directories(dir / "tervan.ini");
  WriteRaw(dir / "tervan.ini" / "inside", "keep");
  SettingsStore blocked(StoreFile(dir));
  EXPECT_FALSE(blocked.reload());
  EXPECT_EQ(blocked.readString(SettingsStore::kLanguage, "RU"), "RU");
  r = blocked.writeString(SettingsStore::kLanguage, "EN");
  EXPECT_FALSE(r);
  EXPECT_NE(r.message.find(StoreFile(dir)), std::string::npos) << r.message;
  EXPECT_EQ(ReadRaw(dir / "tervan.ini" / "inside"), "keep");
  EXPECT_EQ(Entries(dir), std::set<std::string>{"tervan.ini"});
}

// Random, truncated and oversized files: reading never fails or crashes, and a write afterwards
// keeps every byte of what was there.
TEST(SettingsStore, SurvivesHostileFiles) {
  fs::path dir = FreshFolder();
  const std::string file = StoreFile(dir);
  std::mt19937 gen(20240611);
  static const char kAlphabet[] = "=\n\r\0 \t#;[]LanguageCalKitNumber0123456789-+\xEF\xBB\xBF\xFF";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<size_t> length(0, 600);

  auto checkRewrite = [&](const std::string& original) {
    WriteRaw(file, original);
    SettingsStore store(file);
    (void)store.readString(SettingsStore::kLanguage);
    (void)store.readInteger(SettingsStore::kCalKitNumber, 0);
    ASSERT_TRUE(store.writeInteger("ZzFuzzKey", 1));
    std::string kept = original;
    while (kept.rfind("\xEF\xBB\xBF", 0) == 0) kept.erase(0, 3);  // no mark is written back
    if (!kept.empty() && kept.back() != '\n') kept += '\n';
    ASSERT_EQ(ReadRaw(file), kept + "ZzFuzzKey=1\n");
    ASSERT_EQ(SettingsStore(file).readInteger("ZzFuzzKey", 0), 1);
  };

  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::string bytes(length(gen), '\0');
    for (char& c : bytes) c = round % 2 ? alphabet[pick(gen)] : static_cast<char>(anyByte(gen));
    checkRewrite(bytes);
  }

  // Every cut of a good file reads either the default or a beginning of the value.
  const std::string good = "# settings\nLanguage=EN-with-a-long-value\nCalKitNumber=12345\n";
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    SCOPED_TRACE(cut);
    WriteRaw(file, good.substr(0, cut));
    SettingsStore store(file);
    std::string language = store.readString(SettingsStore::kLanguage, "?");
    EXPECT_TRUE(language == "?" || std::string("EN-with-a-long-value").rfind(language, 0) == 0) << language;
    int kit = store.readInteger(SettingsStore::kCalKitNumber, -1);
    EXPECT_TRUE(kit == -1 || std::string("12345").rfind(std::to_string(kit), 0) == 0) << kit;
    checkRewrite(good.substr(0, cut));
  }

  // A 50 MB line, with and without '=', before a normal entry.
  const std::string huge(50u << 20, 'x');
  for (const std::string& line : {"Language=" + huge, huge}) {
    WriteRaw(file, line + "\nCalKitNumber=6\n");
    SettingsStore store(file);
    EXPECT_EQ(store.readInteger(SettingsStore::kCalKitNumber, 0), 6);
    EXPECT_EQ(store.readString(SettingsStore::kLanguage, "?").size(), line == huge ? 1u : huge.size());
    ASSERT_TRUE(store.writeInteger(SettingsStore::kCalKitNumber, 7));
    std::string after = ReadRaw(file);
    EXPECT_EQ(after.size(), line.size() + 16);
    EXPECT_TRUE(after == line + "\nCalKitNumber=7\n");
  }
}

// A settings file may start with several marks. All are skipped, so what its first line means
// does not change when a write of any key rewrites the file (which keeps no mark).
TEST(SettingsStore, IniRoundTripEveryLeadingMarkIsSkipped) {
  fs::path dir = FreshFolder();
  const std::string file = StoreFile(dir);
  const std::string mark = "\xEF\xBB\xBF";
  for (int marks = 0; marks <= 3; ++marks) {
    SCOPED_TRACE(marks);
    std::string bytes;
    for (int i = 0; i < marks; ++i) bytes += mark;
    WriteRaw(file, bytes + "Language=RU\nCalKitNumber=3\n");
    SettingsStore store(file);
    EXPECT_EQ(store.readString(SettingsStore::kLanguage, "?"), "RU");
    ASSERT_TRUE(store.writeInteger("Other", 1));
    SettingsStore reread(file);
    EXPECT_EQ(reread.readString(SettingsStore::kLanguage, "?"), "RU");
    EXPECT_EQ(reread.readInteger(SettingsStore::kCalKitNumber, 0), 3);
  }
}

// Load, write a key, load again: every other key reads as before, whatever the file held.
TEST(SettingsStore, IniRoundTripAWriteKeepsEveryOtherKey) {
  fs::path dir = FreshFolder();
  const std::string file = StoreFile(dir);
  static const std::string lines[] = {
      "Language=EN", "language = RU ", std::string("Lang\0uage=DE", 12), "CalKitNumber=4", "# CalKitNumber=5",
      "; Language=FR", "\xEF\xBB\xBFLanguage=UA", "CalKitNumber", "=7", " CalKitNumber = 8", "Language=a=b",
      "", "\r", "[Section]"};
  const std::string keys[] = {"Language", "CalKitNumber", "Other"};
  std::mt19937 rng(77);
  for (int round = 0; round < 150; ++round) {
    std::string bytes;
    for (int i = static_cast<int>(rng() % 3); i > 0; --i) bytes += "\xEF\xBB\xBF";
    for (int i = static_cast<int>(rng() % 8); i > 0; --i) bytes += lines[rng() % std::size(lines)] + "\n";
    WriteRaw(file, bytes);
    std::vector<std::string> before;
    {
      SettingsStore store(file);
      for (const std::string& k : keys) before.push_back(store.readString(k, "(none)"));
      ASSERT_TRUE(store.writeInteger("ZzWritten", 1));
    }
    SettingsStore reread(file);
    for (size_t k = 0; k < std::size(keys); ++k)
      ASSERT_EQ(reread.readString(keys[k], "(none)"), before[k]) << round << " " << testing::PrintToString(bytes);
  }
}
