#include "model/FastIni.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "IniTestSupport.h"
#include "common/TestEnv.h"
#include "model/EAbort.h"

namespace fs = std::filesystem;

namespace {

using initest::ExpectAbortNaming;
using initest::ReadFileBytes;
using initest::Sections;
using initest::Values;
using initest::WriteFileBytes;

class FastIniFiles : public initest::IniFolderTest {
 protected:
  FastIniFiles() : IniFolderTest("fastini") {}
};

}  // namespace

TEST_F(FastIniFiles, WritesAppendAndReadsFindTheLastLine) {
  const std::string path = Path("cal.txt");
  TFastIni ini(path);
  ini.WriteString("A", "K", "1");
  EXPECT_EQ(ini.ReadString("A", "K", ""), "1");
  ini.WriteString("A", "K", "2");
  EXPECT_EQ(ini.ReadString("A", "K", ""), "2");
  ini.UpdateFile();
  EXPECT_EQ(ReadFileBytes(path), "[A]\r\nK=1\r\nK=2\r\n\r\n");
  // Deleting the last line of a key uncovers the earlier one.
  ini.DeleteKey("A", "K");
  EXPECT_EQ(ini.ReadString("A", "K", ""), "1");
}

TEST(FastIni, NamesAreCaseSensitive) {
  TFastIni ini;
  ini.WriteString("Data", "Power", "1");
  ini.WriteString("data", "power", "2");
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Data", "data"}));
  EXPECT_EQ(ini.ReadString("Data", "Power", ""), "1");
  EXPECT_EQ(ini.ReadString("Data", "power", "none"), "none");
  EXPECT_EQ(ini.ReadString("data", "Power", "none"), "none");
  EXPECT_EQ(ini.ReadString("DATA", "Power", "none"), "none");
  EXPECT_TRUE(ini.ValueExists("data", "power"));
  EXPECT_FALSE(ini.ValueExists("data", "Power"));
  EXPECT_FALSE(ini.SectionExists("DATA"));
}

TEST(FastIni, TypedReadsAndWrites) {
  TFastIni ini;
  initest::CheckTypedReadsAndWrites(ini);
}

TEST_F(FastIniFiles, RawLinesComeBackUnchanged) {
  const std::string path = Path("raw.txt");
  TFastIni ini(path);
  ini.WriteString("Cal", "Points", "2");
  ini.WriteRawString("Cal", "  100.5 0.1 -0.2  ");
  ini.WriteRawString("Cal", "200=5");
  EXPECT_EQ(Values(ini, "Cal"), (std::vector<std::string>{"Points=2", "  100.5 0.1 -0.2  ", "200=5"}));
  std::vector<std::string> names;
  ini.ReadSection("Cal", names);
  EXPECT_EQ(names, (std::vector<std::string>{"Points", "", "200"}));
  ini.UpdateFile();
  TFastIni again(path);
  EXPECT_EQ(Values(again, "Cal"), (std::vector<std::string>{"Points=2", "100.5 0.1 -0.2", "200=5"}));
}

TEST(FastIni, LoadTrimsKeysValuesAndDropsCommentsAndOrphans) {
  TFastIni ini;
  ini.LoadFromBytes(
      "before=1\r\n"
      "; comment\r\n"
      "[ S ]\r\n"
      " key = value \r\n"
      ";K=hidden\r\n"
      "\t row  of  numbers \t\n"
      "a = b = c\r"
      "[Unpaired\n"
      "[S]\n"
      "key=second section\n");
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"S", "S"}));
  // A repeated header makes a second section; reads and writes go to the last one.
  EXPECT_EQ(ini.ReadString("S", "key", ""), "second section");
  ini.WriteString("S", "new", "1");
  std::vector<std::string> lines;
  ini.GetStrings(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"[S]", "key=value", "row  of  numbers", "a=b = c", "[Unpaired", "",
                                             "[S]", "key=second section", "new=1", ""}));
  EXPECT_FALSE(ini.ValueExists("S", "before"));
  // The whole section goes, not just the last one.
  ini.EraseSection("S");
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"S"}));
  EXPECT_EQ(ini.ReadString("S", "key", ""), "value");
}

TEST(FastIni, SetStringsAndGetStrings) {
  TFastIni ini;
  ini.WriteString("Old", "K", "gone");
  ini.SetStrings({"x=1", "[A]", " k = v ", ";c", "", "raw", "[B]"});
  std::vector<std::string> lines;
  ini.GetStrings(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"[A]", "k=v", "raw", "", "[B]", ""}));
  ini.AddSection("A");
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"A", "B", "A"}));
  EXPECT_EQ(ini.ReadString("A", "k", "newest section is empty"), "newest section is empty");
  ini.Clear();
  EXPECT_TRUE(Sections(ini).empty());
}

TEST_F(FastIniFiles, DeleteKeyOfTheOnlyKeyRemovesTheSection) {
  const std::string path = Path("del.txt");
  TFastIni ini(path);
  ini.WriteString("A", "K", "1");
  ini.WriteString("B", "K", "1");
  ini.DeleteKey("A", "K");
  EXPECT_FALSE(ini.SectionExists("A"));
  ini.DeleteKey("B", "Missing");
  EXPECT_TRUE(ini.SectionExists("B"));
  ini.UpdateFile();
  EXPECT_EQ(ReadFileBytes(path), "[B]\r\nK=1\r\n\r\n");
}

TEST_F(FastIniFiles, UpdateFileOfAnEmptyDocumentDeletesTheFile) {
  const std::string path = Path("empty.txt");
  WriteFileBytes(path, "[A]\r\nK=1\r\n");
  TFastIni ini(path);
  ini.EraseSection("A");
  ini.UpdateFile();
  EXPECT_FALSE(fs::exists(path));
  EXPECT_NO_THROW(ini.UpdateFile());  // missing file: nothing happens
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(FastIniFiles, CommentsAndOrphansDisappearAfterReloadAndUpdate) {
  const std::string path = Path("c.txt");
  WriteFileBytes(path, "orphan=1\r\n;note\r\n[A]\r\n;K=2\r\nK=1\r\n");
  {
    TFastIni ini(path);
    ini.UpdateFile();
  }
  EXPECT_EQ(ReadFileBytes(path), "[A]\r\nK=1\r\n\r\n");
}

TEST(FastIni, ReadsEveryEncodingAndWritesUtf8WithoutBom) {
  const std::string utf8 = "[Калибровка]\r\nИмя=Значение 😀\r\n";
  const std::u16string u16 = u"[Калибровка]\r\nИмя=Значение 😀\r\n";
  for (const std::string& bytes :
       {utf8, "\xEF\xBB\xBF" + utf8, initest::Utf16Bytes(u16, false, true), initest::Utf16Bytes(u16, true, true)}) {
    TFastIni ini;
    ini.LoadFromBytes(bytes);
    EXPECT_EQ(ini.ReadString("Калибровка", "Имя", ""), "Значение 😀");
    EXPECT_EQ(ini.GetText(), "[Калибровка]\r\nИмя=Значение 😀\r\n\r\n");
  }
  TFastIni cp1251;
  cp1251.LoadFromBytes("[S]\nName=\xCF\xF0\xE8\xE2\xE5\xF2\n");
  EXPECT_EQ(cp1251.ReadString("S", "Name", ""), "Привет");
}

TEST(FastIni, LineBreaksAndNulInsideAreWrittenAsBlanks) {
  TFastIni ini;
  ini.WriteString("A", "Label", "x\r\n[Forged]\r\nK=evil");
  ini.WriteRawString("A", std::string("1 2\n3\0 4", 8));
  ini.WriteString("A", "K", "good");
  TFastIni again;
  again.LoadFromBytes(ini.GetText());
  EXPECT_EQ(Sections(again), (std::vector<std::string>{"A"}));
  EXPECT_EQ(again.ReadString("A", "K", ""), "good");
  EXPECT_EQ(Values(again, "A"), (std::vector<std::string>{"Label=x  [Forged]  K=evil", "1 2 3  4", "K=good"}));
}

TEST_F(FastIniFiles, FailuresRaiseNamingTheFileAndChangeNothing) {
  const std::string folder = Path("folder.txt");
  fs::create_directories(folder);
  WriteFileBytes(fs::path(folder) / "inside", "keep");
  ExpectAbortNaming(folder, [&] { TFastIni ini(folder); });

  const std::string good = Path("good.txt");
  WriteFileBytes(good, "[S]\r\nK=file\r\n");
  TFastIni ini(good);
  ini.WriteString("S", "Extra", "1");
  EXPECT_THROW(ini.Rename(folder, true), EAbort);
  EXPECT_EQ(ini.FileName, good);
  EXPECT_EQ(Values(ini, "S"), (std::vector<std::string>{"K=file", "Extra=1"}));

  for (const std::string& target : {folder, Path("missing/cal.txt")}) {
    ini.Rename(target, false);
    ExpectAbortNaming(target, [&] { ini.UpdateFile(); });
  }
  // Deleting a folder in place of the file fails too, and says so.
  ini.Rename(folder, false);
  ini.Clear();
  EXPECT_THROW(ini.UpdateFile(), EAbort);
  EXPECT_EQ(ReadFileBytes(fs::path(folder) / "inside"), "keep");
  EXPECT_EQ(ReadFileBytes(good), "[S]\r\nK=file\r\n");
  EXPECT_FALSE(fs::exists(Path("missing")));
  EXPECT_EQ(initest::Entries(dir_), (std::vector<std::string>{"folder.txt", "good.txt"}));
}

TEST(FastIni, ReadsBetweenAppendsOfManyRows) {
  // A calibration form: 64001 rows, with reads of a key between the appends, which the
  // lazily rebuilt indexes must answer right at every step.
  TFastIni ini;
  ini.WriteString("Data", "Count", "64001");
  for (int i = 0; i < 64001; ++i) {
    ini.WriteRawString("Data", "1.5 2.5 3.5 4.5");
    if (i % 1000 == 0) {
      ASSERT_EQ(ini.ReadString("Data", "Count", ""), "64001");
    }
  }
  std::vector<std::string> lines;
  ini.ReadSectionValues("Data", lines);
  EXPECT_EQ(lines.size(), 64002u);
}

TEST(FastIni, HostileInputLoadsToAStableDocument) {
  std::vector<std::string> inputs = {
      "",          "\xFF\xFE",  "\xFE\xFF", "\xEF\xBB\xBF", "\xFF\xFE[\0",
      std::string("\xFE\xFF\0[\0S\0]\0\n\0K", 11),
      std::string("[S]\0\nK\0=\0V\0\n", 12),
      "[S\n[[[\n]]]\n[\n]\n[S]]\nK=[V]\n",
  };
  TFastIni real;
  real.WriteString("Калибровка", "Имя", "Значение");
  real.WriteRawString("Калибровка", "1 2 3");
  ASSERT_NO_FATAL_FAILURE(
      initest::CheckHostileInputLoadsToAStableDocument(std::move(inputs), real.GetText(), 7, &TFastIni::GetText));
  std::string huge = "[S]\nK=";
  huge.append(50u * 1024 * 1024, 'x');
  TFastIni ini;
  ini.LoadFromBytes(huge);
  EXPECT_EQ(ini.ReadString("S", "K", "").size(), 50u * 1024 * 1024);
}

// Load, save and load again: every section, line and value reads as after the first load.
TEST(FastIni, IniRoundTripLoadSaveLoadKeepsTheContent) {
  initest::CheckLoadSaveLoadKeepsTheContent(2027, &TFastIni::GetText);
}

// A key or section name holding NUL (from a file, or a line handed to SetStrings holding CR or
// LF) is dropped, the rest kept; in a value or raw line they read as the blank a save writes.
TEST(FastIni, IniRoundTripNulInANameDropsOnlyThatName) {
  static const char kText[] = "[S]\r\nA\0B=1\r\nA B=2\r\nC=3\r\n[T\0x]\r\nX=1\r\n[U]\r\nV=a\0b\r\nr\0w\r\n";
  const std::string text(kText, sizeof kText - 1);
  TFastIni ini;
  ini.LoadFromBytes(text);
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"S", "U"}));
  EXPECT_EQ(Values(ini, "S"), (std::vector<std::string>{"A B=2", "C=3"}));
  EXPECT_EQ(Values(ini, "U"), (std::vector<std::string>{"V=a b", "r w"}));
  TFastIni lines;
  lines.SetStrings({"[S]", "A\nB=1", "A B=2", "[T\rx]", "X=1", "[U]", "V=a\r\nb"});
  EXPECT_EQ(Sections(lines), (std::vector<std::string>{"S", "U"}));
  EXPECT_EQ(Values(lines, "S"), std::vector<std::string>{"A B=2"});
  EXPECT_EQ(lines.ReadString("U", "V", ""), "a  b");
}

// Several marks at the start of a file are all skipped.
TEST(FastIni, IniRoundTripEveryLeadingMarkIsSkipped) {
  const std::string mark = "\xEF\xBB\xBF";
  for (int marks = 1; marks <= 3; ++marks) {
    std::string bytes;
    for (int i = 0; i < marks; ++i) bytes += mark;
    bytes += "[S]\r\nK=V\r\n";
    TFastIni ini;
    ini.LoadFromBytes(bytes);
    EXPECT_EQ(Sections(ini), std::vector<std::string>{"S"}) << marks;
    EXPECT_EQ(ini.ReadString("S", "K", ""), "V") << marks;
  }
}
