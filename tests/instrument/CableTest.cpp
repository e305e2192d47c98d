// The cable table of the distance-to-fault settings and its cable-list files: the built-in
// entries, picking an entry, entry 0 kept by the velocity and loss setters, exact round trips,
// where bare names go, and what hostile files and failed writes do.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "instrument/CableStd.h"
#include "instrument/CableStds.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/ITranslation.h"
#include "model/MemIniFile.h"
#include "model/Services.h"
#include "model/TextCodec.h"
#include "common/FileBytes.h"

namespace fs = std::filesystem;

namespace {

using testenv::ReadBytes;
using testenv::WriteBytes;

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

size_t Utf16Length(const std::string& s) { return Utf8ToUtf16(s).size(); }

// Every entry of the table is one the settings could hold.
void ExpectUsable(const TCableStds& t) {
  ASSERT_GE(t.Count(), 1);
  ASSERT_LE(t.Count(), TCableStds::MaxCount);
  for (const TCableStd& c : t) {
    EXPECT_GE(c.Velocity, 0.001);
    EXPECT_LE(c.Velocity, 1.0);
    EXPECT_GE(c.Loss, 0.0);
    EXPECT_LE(c.Loss, 1000.0);
    EXPECT_TRUE(std::isfinite(c.Frequency));
    EXPECT_LE(Utf16Length(c.GetName()), 39u);
  }
}

// A module in a fresh test data root, with its settings changes counted.
class CableFiles : public ::testing::Test {
 protected:
  CableFiles() {
    module.OnSettingsChange = [this](TFObject*, int) { ++changes; };
    module.Log = [this](const std::string& m) { logged.push_back(m); };
  }

  static fs::path CableFolder() { return testenv::Root() / "home" / "Cable"; }

  // Loads a cable list made of these UTF-8 lines (written as UTF-8 without BOM).
  void LoadText(const std::string& name, const std::string& text) {
    WriteBytes(CableFolder() / name, text);
    ASSERT_TRUE(module.LoadCableList(name));
  }

  TScannerModule module;
  int changes = 0;
  std::vector<std::string> logged;
};

TEST(Cable, BuiltInTableInOrder) {
  struct Row {
    const char* name;
    double velocity, loss;
  };
  const Row rows[] = {
      {"User Defined", 1.0, 0},      {"RG142", 0.69, 0.443},      {"RG17, 17A", 0.659, 0.18},
      {"RG174", 0.66, 0.984},        {"RG178B", 0.69, 1.509},     {"RG187, 188", 0.69, 1.017},
      {"RG213/U", 0.66, 0.292},      {"RG214", 0.659, 0.292},     {"RG223", 0.659, 0.165},
      {"RG55, 55A, 55B", 0.659, 0.541}, {"RG58, 58B", 0.659, 1.574}, {"RG58A, 58C", 0.659, 0.787},
      {"RG8, 8A, 10, 10A", 0.659, 0.262}, {"RG9, 9A", 0.659, 0.289},
  };
  TScannerModule module;
  ASSERT_EQ(module.CableStds.Count(), 14);
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(module.CableStds[i].GetName(), rows[i].name) << i;
    EXPECT_EQ(module.CableStds[i].Velocity, rows[i].velocity) << i;
    EXPECT_EQ(module.CableStds[i].Loss, rows[i].loss) << i;
    EXPECT_EQ(module.CableStds[i].Frequency, 1000.0) << i;
  }
  EXPECT_EQ(module.GetCableStdIndex(), 0);
}

TEST(Cable, EntryZeroIsNamedByTheLanguageModule) {
  class Russian : public ITranslation {
   public:
    std::string Translate(const std::string& t) const override {
      return t == "User Defined" ? "Пользовательский" : t;
    }
    std::string TranslateAnsi(const std::string& t) const override { return Translate(t); }
    bool IsEnglish() const override { return false; }
  } russian;
  TScopedServices scope;
  scope->LangModule = &russian;
  TScannerModule module;
  EXPECT_EQ(module.CableStds[0].GetName(), "Пользовательский");
  // The entry recreated in an emptied table is named the same way.
  module.CableStds.Clear();
  module.SetCableLoss(3);
  ASSERT_EQ(module.CableStds.Count(), 1);
  EXPECT_EQ(module.CableStds[0].GetName(), "Пользовательский");
}

TEST(Cable, NamesAreCutToThirtyNineUtf16UnitsWithoutSplittingACharacter) {
  EXPECT_EQ(TCableStd::FitName(std::string(200, 'x')), std::string(39, 'x'));
  // Cyrillic letters are one unit each (two bytes in UTF-8): 39 of them fit.
  std::string cyr;
  for (int i = 0; i < 39; ++i) cyr += "Ж";
  EXPECT_EQ(TCableStd::FitName(cyr), cyr);
  EXPECT_EQ(TCableStd::FitName(cyr + "Ж"), cyr);
  // A character outside the basic plane takes two units; one that would be cut in half goes.
  const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
  EXPECT_EQ(TCableStd::FitName(std::string(38, 'a') + clef), std::string(38, 'a'));
  EXPECT_EQ(TCableStd::FitName(std::string(37, 'a') + clef + "b"), std::string(37, 'a') + clef);
  TCableStd c(std::string(100, 'y'), 0.5, 1);
  EXPECT_EQ(c.GetName().size(), 39u);
}

TEST_F(CableFiles, IndexPastTheTableSelectsTheLastEntry) {
  module.SelectCableStd(99);
  EXPECT_EQ(module.CableStdIndex, 13);
  EXPECT_EQ(module.CableStds[13].GetName(), "RG9, 9A");
  EXPECT_EQ(module.VelocityFactor, 0.659);
  EXPECT_EQ(module.CableLoss, 0.289);
  EXPECT_EQ(changes, 1);
  module.SelectCableStd(13);
  EXPECT_EQ(changes, 1) << "the same entry with the same values changes nothing";
  module.SelectCableStd(-4);
  EXPECT_EQ(module.CableStdIndex, 0);
  EXPECT_EQ(module.VelocityFactor, 1.0);
  EXPECT_EQ(changes, 2);
}

TEST_F(CableFiles, VelocityAndLossSettersKeepEntryZero) {
  module.SelectCableStd(5);
  module.SetVelocityFactor(0);
  EXPECT_EQ(module.VelocityFactor, 0.001);
  EXPECT_EQ(module.CableStdIndex, 0);
  EXPECT_EQ(module.CableStds[0].Velocity, 0.001);
  EXPECT_EQ(module.CableStds[0].Loss, 1.017) << "entry 0 takes the loss in force";
  EXPECT_EQ(module.CableStds[5].Velocity, 0.69) << "the picked entry itself is untouched";
  EXPECT_EQ(changes, 2);

  module.SetCableLoss(5000);
  EXPECT_EQ(module.CableLoss, 1000.0);
  EXPECT_EQ(module.CableStds[0].Loss, 1000.0);
  EXPECT_EQ(changes, 3);
  // Compared before the limit: the same out-of-range value counts as a change again.
  module.SetCableLoss(5000);
  EXPECT_EQ(changes, 4);
  module.SetCableLoss(1000);
  EXPECT_EQ(changes, 4);

  for (double bad : {NAN, INFINITY, -INFINITY}) {
    module.SetVelocityFactor(bad);
    module.SetCableLoss(bad);
  }
  EXPECT_EQ(module.VelocityFactor, 0.001);
  EXPECT_EQ(module.CableLoss, 1000.0);
  EXPECT_EQ(changes, 4) << "non-finite values are ignored";
}

TEST_F(CableFiles, AnEmptiedTableGetsEntryZeroBack) {
  module.SetVelocityFactor(0.8);
  module.SetCableLoss(2.5);
  // What an editor that deleted every row leaves.
  module.CableStds.Clear();
  EXPECT_EQ(module.GetCableStdIndex(), 0);
  ASSERT_EQ(module.CableStds.Count(), 1);
  EXPECT_EQ(module.CableStds[0].GetName(), "User Defined");
  EXPECT_EQ(module.CableStds[0].Velocity, 0.8);
  EXPECT_EQ(module.CableStds[0].Loss, 2.5);

  module.CableStds.Clear();
  module.SelectCableStd(7);
  ASSERT_EQ(module.CableStds.Count(), 1);
  EXPECT_EQ(module.CableStdIndex, 0);

  module.CableStds.Clear();
  module.SetVelocityFactor(0.5);
  ASSERT_EQ(module.CableStds.Count(), 1);
  EXPECT_EQ(module.CableStds[0].Velocity, 0.5);
  EXPECT_EQ(module.CableStds[0].Loss, 2.5);
}

TEST_F(CableFiles, SaveThenLoadGivesTheSameTableBitForBit) {
  // Values whose shortest text is long, tiny, or needs an exponent.
  module.CableStds.Add(TCableStd("Kabel \"7/8\" = Ж; [x]", 0.1 + 0.2, 1.0 / 3.0, 2.0 / 3.0 * 1e-300));
  module.CableStds.Add(TCableStd("Σ loss", std::nextafter(1.0, 0.0), 999.9999999999999, -0.0));
  module.CableStds.Add(TCableStd("", 0.001, 4.9406564584124654e-324, 1e308));
  module.CableStds.Add(TCableStd("\xF0\x9D\x84\x9E clef", 0.7071067811865476, 0, 123456789.123456789));
  const TCableStds saved = module.CableStds;
  module.SaveCableList("exact");

  module.CableStds = TCableStds::BuiltIn("other");
  ASSERT_TRUE(module.LoadCableList("exact"));
  ASSERT_EQ(module.CableStds.Count(), saved.Count());
  for (int i = 0; i < saved.Count(); ++i) {
    EXPECT_EQ(module.CableStds[i].GetName(), saved[i].GetName()) << i;
    EXPECT_EQ(Bits(module.CableStds[i].Velocity), Bits(saved[i].Velocity)) << i;
    EXPECT_EQ(Bits(module.CableStds[i].Loss), Bits(saved[i].Loss)) << i;
    EXPECT_EQ(Bits(module.CableStds[i].Frequency), Bits(saved[i].Frequency)) << i;
  }
  EXPECT_EQ(changes, 0) << "loading a list fires nothing";
}

TEST_F(CableFiles, TheFileLayout) {
  module.CableStds = TCableStds();
  module.CableStds.Add(TCableStd("A", 0.5, 0.25, 900));
  module.CableStds.Add(TCableStd("B", 0.1, 3, 1000));
  module.SaveCableList("layout");
  const std::string bytes = ReadBytes(CableFolder() / "layout.cbl");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "UTF-16LE with BOM";
  EXPECT_EQ(DecodeTextFile(bytes),
            "[CableList]\r\nVersion=1\r\nCableCount=2\r\n"
            "CableName0=A\r\nVelocity0=0.5\r\nCableLoss0=0.25\r\nFrequency0=900\r\n"
            "CableName1=B\r\nVelocity1=0.1\r\nCableLoss1=3\r\nFrequency1=1000\r\n\r\n");
}

TEST_F(CableFiles, FileNamesAreCompleted) {
  const fs::path root = testenv::Root() / "home";
  fs::remove_all(CableFolder());  // other tests of this process may have made it
  ASSERT_FALSE(fs::exists(CableFolder())) << "the folder is made when first needed";
  // A missing list changes nothing and does not make the folder.
  EXPECT_FALSE(module.LoadCableList("nothing"));
  EXPECT_FALSE(fs::exists(CableFolder()));
  EXPECT_EQ(module.CableStds.Count(), 14);

  module.SaveCableList("mylist");
  EXPECT_TRUE(fs::is_regular_file(root / "Cable" / "mylist.cbl"));
  EXPECT_EQ(module.CableListFile, (root / "Cable" / "mylist.cbl").string());

  module.SaveCableList("other.txt");
  EXPECT_TRUE(fs::is_regular_file(root / "Cable" / "other.txt")) << "an extension is kept";
  EXPECT_EQ(module.CableListFile, (root / "Cable" / "other.txt").string());

  const fs::path elsewhere = testenv::Root() / "elsewhere";
  fs::create_directories(elsewhere);
  module.SaveCableList((elsewhere / "list").string());
  EXPECT_TRUE(fs::is_regular_file(elsewhere / "list.cbl")) << "a name with a folder stays there";
  EXPECT_EQ(module.CableListFile, (elsewhere / "list.cbl").string());

  module.CableListFile.clear();
  ASSERT_TRUE(module.LoadCableList("mylist"));
  EXPECT_EQ(module.CableListFile, (root / "Cable" / "mylist.cbl").string());

  EXPECT_THROW(module.SaveCableList(""), EAbort);
  EXPECT_FALSE(module.LoadCableList(""));
}

TEST_F(CableFiles, HostileCounts) {
  struct Case {
    const char* count;  // nullptr: no "CableCount" key
    int entries;        // after load (entry 0 recreated when the file gives none)
  };
  const Case cases[] = {
      {nullptr, 1}, {"0", 1}, {"-3", 1}, {"abc", 1}, {"", 1}, {"2", 2}, {"1000000000", 1000}, {"0x7FFFFFFF", 1000},
  };
  module.SetVelocityFactor(0.75);
  module.SetCableLoss(0.5);
  for (const Case& c : cases) {
    std::string text = "[CableList]\nVersion=1\n";
    if (c.count) text += std::string("CableCount=") + c.count + "\n";
    text += "CableName0=First\nVelocity0=0.6\nCableLoss0=0.2\nFrequency0=500\nCableName1=Second\n";
    LoadText("count.cbl", text);
    ASSERT_EQ(module.CableStds.Count(), c.entries) << (c.count ? c.count : "(missing)");
    ExpectUsable(module.CableStds);
    if (c.entries == 1) {
      EXPECT_EQ(module.CableStds[0].GetName(), "User Defined");
      EXPECT_EQ(module.CableStds[0].Velocity, 0.75);
      EXPECT_EQ(module.CableStds[0].Loss, 0.5);
    } else {
      EXPECT_EQ(module.CableStds[0].GetName(), "First");
      EXPECT_EQ(module.CableStds[0].Frequency, 500.0);
      // Missing keys take their defaults.
      EXPECT_EQ(module.CableStds[1].GetName(), "Second");
      EXPECT_EQ(module.CableStds[1].Velocity, 1.0);
      EXPECT_EQ(module.CableStds[1].Loss, 0.0);
      EXPECT_EQ(module.CableStds[1].Frequency, 1000.0);
    }
  }
  EXPECT_EQ(changes, 2);
}

TEST_F(CableFiles, HostileNumbersAndNames) {
  struct Case {
    const char* velocity;
    const char* loss;
    const char* frequency;
    double wantVelocity, wantLoss, wantFrequency;
  };
  const Case cases[] = {
      {"nan", "nan", "nan", 1.0, 0.0, 1000.0},
      {"inf", "-inf", "inf", 1.0, 0.0, 1000.0},
      {"", "", "", 1.0, 0.0, 1000.0},
      {"1,5", "2,5", "1,5e3", 1.0, 2.5, 1500.0},
      {"0,25", "1e9", "-7", 0.25, 1000.0, -7.0},
      {"0", "-1", "abc", 0.001, 0.0, 1000.0},
      {"-1e308", "1e400", "0x10", 0.001, 0.0, 1000.0},
  };
  for (const Case& c : cases) {
    LoadText("numbers.cbl", std::string("[CableList]\nCableCount=1\nCableName0=X\nVelocity0=") + c.velocity +
                                "\nCableLoss0=" + c.loss + "\nFrequency0=" + c.frequency + "\n");
    ASSERT_EQ(module.CableStds.Count(), 1);
    EXPECT_EQ(module.CableStds[0].Velocity, c.wantVelocity) << c.velocity;
    EXPECT_EQ(module.CableStds[0].Loss, c.wantLoss) << c.loss;
    EXPECT_EQ(module.CableStds[0].Frequency, c.wantFrequency) << c.frequency;
  }

  // A 200-character name is cut; a UTF-8 file without BOM reads its Cyrillic name.
  LoadText("names.cbl", "[CableList]\nCableCount=2\nCableName0=" + std::string(200, 'n') +
                            "\nCableName1=Кабель РК-50\n");
  ASSERT_EQ(module.CableStds.Count(), 2);
  EXPECT_EQ(module.CableStds[0].GetName(), std::string(39, 'n'));
  EXPECT_EQ(module.CableStds[1].GetName(), "Кабель РК-50");
}

TEST_F(CableFiles, AFileWithoutTheSectionIsRefusedAndChangesNothing) {
  module.SaveCableList("good");
  const std::string goodPath = module.CableListFile;
  module.CableStds.Add(TCableStd("Extra", 0.9, 0.1));
  const TCableStds before = module.CableStds;

  WriteBytes(CableFolder() / "foreign.cbl", "[Other]\nCableCount=3\nCableName0=Z\n");
  try {
    module.LoadCableList("foreign");
    FAIL() << "no error";
  } catch (const EAbort& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("foreign.cbl"), std::string::npos) << what;
    EXPECT_NE(what.find("CableList"), std::string::npos) << what;
  }
  EXPECT_EQ(module.CableStds, before);
  EXPECT_EQ(module.CableListFile, goodPath);

  // A folder in the name's place is no list either: refused, and said so.
  fs::create_directories(CableFolder() / "dir.cbl");
  EXPECT_THROW(module.LoadCableList("dir"), EAbort);
  EXPECT_EQ(module.CableStds, before);
  EXPECT_EQ(module.CableListFile, goodPath);
}

// Truncated, mangled, oversized and random files: each is refused with EAbort (and nothing
// changes) or gives a usable table.
TEST_F(CableFiles, FuzzedFilesGiveAUsableTableOrAreRefused) {
  module.SaveCableList("seed");
  const std::string seed = ReadBytes(CableFolder() / "seed.cbl");
  const std::string seedText = DecodeTextFile(seed);
  std::mt19937 rng(20261210);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };

  std::vector<std::string> inputs;
  for (size_t cut = 0; cut <= seed.size(); cut += 7) inputs.push_back(seed.substr(0, cut));
  for (int i = 0; i < 150; ++i) {
    std::string m = i % 2 ? seed : seedText;
    for (int k = 0; k < 1 + static_cast<int>(pick(8)); ++k) {
      m[pick(m.size())] = static_cast<char>(pick(256));
    }
    inputs.push_back(m);
  }
  for (int i = 0; i < 30; ++i) {
    std::string r(pick(4096), '\0');
    for (char& ch : r) ch = static_cast<char>(pick(256));
    inputs.push_back(r);
    inputs.push_back("[CableList]\n" + r);
  }
  // Oversized: a count far beyond the entries, a huge name, a megabyte line.
  inputs.push_back("[CableList]\nCableCount=2147483647\nCableName999=" + std::string(100000, 'q') + "\n");
  inputs.push_back("[CableList]\nCableCount=3\nVelocity1=" + std::string(1 << 20, '9') + "\n");

  for (size_t i = 0; i < inputs.size(); ++i) {
    WriteBytes(CableFolder() / "fuzz.cbl", inputs[i]);
    const TCableStds before = module.CableStds;
    try {
      module.LoadCableList("fuzz");
    } catch (const EAbort&) {
      EXPECT_EQ(module.CableStds, before) << i;
    }
    ExpectUsable(module.CableStds);
    EXPECT_GE(module.GetCableStdIndex(), 0);
    EXPECT_LT(module.GetCableStdIndex(), module.CableStds.Count());
  }
}

TEST_F(CableFiles, AFailedSaveReportsAndKeepsWhatWasThere) {
  module.SaveCableList("kept");
  const std::string keptPath = module.CableListFile;
  const std::string keptBytes = ReadBytes(keptPath);
  const TCableStds table = module.CableStds;

  // A folder where the file should go, and a file where its folder should be.
  fs::create_directories(CableFolder() / "blocked.cbl" / "inside");
  WriteBytes(CableFolder() / "plain", "not a folder");
  const std::string targets[] = {"blocked", (CableFolder() / "plain" / "list.cbl").string()};
  for (const std::string& target : targets) {
    try {
      module.SaveCableList(target);
      FAIL() << target << ": no error";
    } catch (const EAbort& e) {
      EXPECT_NE(std::string(e.what()).find(target == "blocked" ? "blocked.cbl" : "list.cbl"), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(module.CableListFile, keptPath) << target;
    EXPECT_EQ(module.CableStds, table) << target;
  }
  EXPECT_TRUE(fs::is_directory(CableFolder() / "blocked.cbl" / "inside"));
  EXPECT_EQ(ReadBytes(CableFolder() / "plain"), "not a folder");
  EXPECT_EQ(ReadBytes(keptPath), keptBytes);
  for (const auto& entry : fs::directory_iterator(CableFolder())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  }

  // At a state save the section is written all the same and the failure is reported.
  module.CableListFile = (CableFolder() / "blocked.cbl").string();
  TMemIniFile state;
  const platform::FileResult r = module.SaveState(state);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("blocked.cbl"), std::string::npos) << r.message;
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0], r.message);
  EXPECT_EQ(state.ReadString("ScannerModule", "CableListFile", ""), module.CableListFile);
  EXPECT_TRUE(state.ValueExists("ScannerModule", "VelocityFactor"));
}

}  // namespace
