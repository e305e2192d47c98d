#include "model/MemIniFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "IniTestSupport.h"
#include "common/TestEnv.h"
#include "model/EAbort.h"
#include "model/TextCodec.h"

namespace fs = std::filesystem;

namespace {

using initest::ExpectAbortNaming;
using initest::ReadFileBytes;
using initest::Sections;
using initest::Utf16Bytes;
using initest::Values;
using initest::WriteFileBytes;

class MemIniFileFiles : public initest::IniFolderTest {
 protected:
  MemIniFileFiles() : IniFolderTest("memini") {}
};

}  // namespace

TEST(MemIniFile, NamesMatchRegardlessOfAsciiCaseAndKeepFirstWrittenOrder) {
  TMemIniFile ini;
  ini.WriteString("Channel1", "StartFreq", "1");
  ini.WriteString("Main", "Title", "x");
  ini.WriteString("CHANNEL1", "StopFreq", "2");
  ini.WriteString("channel1", "STARTFREQ", "3");  // replaces in place, with the new spelling
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Channel1", "Main"}));
  EXPECT_EQ(Values(ini, "channel1"), (std::vector<std::string>{"STARTFREQ=3", "StopFreq=2"}));
  EXPECT_EQ(ini.ReadString("cHaNnEl1", "startfreq", "d"), "3");
  EXPECT_TRUE(ini.ValueExists("MAIN", "title"));
  EXPECT_FALSE(ini.ValueExists("Main", "Titles"));
  EXPECT_TRUE(ini.SectionExists("main"));
  // Only ASCII letters fold: Cyrillic names match exactly.
  ini.WriteString("Main", "Ключ", "a");
  EXPECT_EQ(ini.ReadString("Main", "ключ", "none"), "none");
  EXPECT_EQ(ini.ReadString("Main", "Ключ", "none"), "a");
}

TEST(MemIniFile, TypedReadsAndWrites) {
  TMemIniFile ini;
  initest::CheckTypedReadsAndWrites(ini);
}

TEST(MemIniFile, DeletesKeepTheIndexesRight) {
  TMemIniFile ini;
  for (const char* s : {"A", "B", "C"}) {
    for (const char* k : {"k1", "k2", "k3"}) ini.WriteString(s, k, std::string(s) + k);
  }
  ini.EraseSection("b");
  ini.EraseSection("Missing");
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(ini.ReadString("C", "k2", ""), "Ck2");
  ini.DeleteKey("a", "K1");
  ini.DeleteKey("A", "nothing");
  EXPECT_EQ(Values(ini, "A"), (std::vector<std::string>{"k2=Ak2", "k3=Ak3"}));
  EXPECT_EQ(ini.ReadString("A", "k3", ""), "Ak3");
  ini.WriteString("A", "K3", "new");
  EXPECT_EQ(Values(ini, "A"), (std::vector<std::string>{"k2=Ak2", "K3=new"}));
  // A section left without keys stays.
  ini.DeleteKey("A", "k2");
  ini.DeleteKey("A", "k3");
  EXPECT_TRUE(ini.SectionExists("A"));
  ini.WriteString("c", "k4", "x");
  EXPECT_EQ(Values(ini, "C").back(), "k4=x");
  ini.Clear();
  EXPECT_TRUE(Sections(ini).empty());
  EXPECT_EQ(ini.ReadString("C", "k4", "gone"), "gone");
}

TEST(MemIniFile, RawLinesAndSectionListings) {
  TMemIniFile ini;
  ini.WriteString("T", "Count", "2");
  ini.WriteRawString("T", "1.5 2.5 3.5");
  ini.WriteRawString("T", "4 5 6");
  std::vector<std::string> names;
  ini.ReadSection("T", names);
  EXPECT_EQ(names, (std::vector<std::string>{"Count", "", ""}));
  EXPECT_EQ(Values(ini, "T"), (std::vector<std::string>{"Count=2", "1.5 2.5 3.5", "4 5 6"}));
  ini.ReadSection("Missing", names);
  EXPECT_TRUE(names.empty());
  TMemIniFile again;
  again.LoadFromBytes(ini.SaveToBytes());
  EXPECT_EQ(Values(again, "T"), Values(ini, "T"));
}

TEST(MemIniFile, LoadTrimsAndDropsWhatIsNotAnEntry) {
  TMemIniFile ini;
  ini.LoadFromBytes(
      "orphan=1\r\n"
      "; comment before\r\n"
      "  [ Main ]  \r\n"
      "  key  =  value with = inside  \r\n"
      "; a comment\r\n"
      "\tTabbed\t=\tx\t\n"
      "=empty key\r"
      "novalue=\n"
      "[Unpaired\n"
      "   \n"
      "[main]\n"
      "KEY=last wins\n"
      "[Other]\n"
      "[]\n"
      "a=1\n");
  EXPECT_EQ(Sections(ini), (std::vector<std::string>{"Main", "Other", ""}));
  EXPECT_EQ(Values(ini, "Main"), (std::vector<std::string>{"KEY=last wins", "Tabbed=x", "=empty key", "novalue=",
                                                           "[Unpaired"}));
  EXPECT_EQ(ini.ReadString("", "a", ""), "1");
  EXPECT_FALSE(ini.ValueExists("Main", "orphan"));
  EXPECT_TRUE(Values(ini, "Other").empty());
}

TEST(MemIniFile, ReadsEveryEncoding) {
  const std::u16string doc = u"[Канал]\r\nИмя=Значение 😀\r\nK=V\r\n";
  const std::string utf8 = "[Канал]\r\nИмя=Значение 😀\r\nK=V\r\n";
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-16LE with BOM", Utf16Bytes(doc, false, true)},
      {"UTF-16BE with BOM", Utf16Bytes(doc, true, true)},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8},
      {"UTF-8", utf8},
  };
  for (const auto& c : cases) {
    TMemIniFile ini;
    ini.LoadFromBytes(c.bytes);
    EXPECT_EQ(ini.ReadString("Канал", "Имя", ""), "Значение 😀") << c.what;
    EXPECT_EQ(ini.ReadString("Канал", "k", ""), "V") << c.what;
  }
  // Not valid UTF-8: Windows-1251 ("Привет" = CF F0 E8 E2 E5 F2).
  TMemIniFile ini;
  ini.LoadFromBytes("[S]\r\nName=\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
  EXPECT_EQ(ini.ReadString("S", "Name", ""), "Привет");
}

TEST(MemIniFile, SavesUtf16LeWithBomAndCrLf) {
  TMemIniFile ini;
  ini.WriteString("A", "K", "Ж");
  ini.WriteString("B", "L", "😀");
  const std::string expected = Utf16Bytes(u"[A]\r\nK=Ж\r\n\r\n[B]\r\nL=😀\r\n\r\n", false, true);
  EXPECT_EQ(ini.SaveToBytes(), expected);
  EXPECT_EQ(ini.GetText(), "[A]\r\nK=Ж\r\n\r\n[B]\r\nL=😀\r\n\r\n");
  TMemIniFile empty;
  EXPECT_EQ(empty.SaveToBytes(), "\xFF\xFE");
}

// The file's bytes are exactly the document's text in UTF-16LE, whatever mix of ASCII, other
// scripts, characters outside the basic plane, bytes that are not UTF-8 and mended line breaks
// it holds, and however long its runs are.
TEST(MemIniFile, SavedBytesAreTheTextInUtf16) {
  const std::vector<std::string> values = {
      "", "plain", std::string(100000, 'F'), "Канал 1", "😀😀x😀", "a\xCF\xF0\xE8" "b", "\xF0\x9F", "x\r\ny\n[Z]",
      std::string(3, '\0') + "end", "\xE2\x82\xAC" + std::string(70000, '0') + "Ж"};
  TMemIniFile ini;
  for (size_t i = 0; i < values.size(); ++i) {
    ini.WriteString(i % 2 ? "Секция" : "S", "Key" + std::to_string(i), values[i]);
  }
  ini.WriteRawString("S", "raw \xC3\xA9\xFF");
  EXPECT_EQ(ini.SaveToBytes(), EncodeUtf16LE(ini.GetText(), true));

  // Handed on in pieces, the same bytes; a refused piece ends the writing at once.
  std::string joined;
  int pieces = 0;
  EXPECT_TRUE(ini.SaveTo([&](std::string_view piece) {
    joined.append(piece);
    ++pieces;
    return true;
  }));
  EXPECT_EQ(joined, ini.SaveToBytes());
  int calls = 0;
  EXPECT_FALSE(ini.SaveTo([&](std::string_view) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2);

  // A document larger than one piece, with a non-ASCII run across a piece's end.
  TMemIniFile big;
  big.WriteString("S", "Hex", std::string((1 << 19) - 7, 'A') + "Жж😀" + std::string(1 << 20, 'B'));
  joined.clear();
  pieces = 0;
  EXPECT_TRUE(big.SaveTo([&](std::string_view piece) {
    joined.append(piece);
    ++pieces;
    return true;
  }));
  EXPECT_GT(pieces, 3);
  EXPECT_EQ(joined, EncodeUtf16LE(big.GetText(), true));
}

TEST(MemIniFile, ValuesLoseOuterBlanksOnReload) {
  TMemIniFile ini;
  ini.WriteString("S", " Key ", "  padded value\t");
  EXPECT_EQ(ini.ReadString("S", " key ", ""), "  padded value\t");
  TMemIniFile again;
  again.LoadFromBytes(ini.SaveToBytes());
  EXPECT_EQ(again.ReadString("S", "Key", ""), "padded value");
}

// A label or a file name holding a line break must not turn into keys or sections of its own
// when the file is read back.
TEST(MemIniFile, LineBreaksAndNulInsideAreWrittenAsBlanks) {
  TMemIniFile ini;
  const char label[] = "a\r\n[Forged]\r\nInjected=1\nb\0c";
  ini.WriteString("Main", "Label", std::string(label, sizeof label - 1));
  ini.WriteRawString("Main", "row\n[Evil]");
  ini.WriteString("Sec\nX", "K\r=", "v");
  ini.WriteString("Main", "After", "ok");
  TMemIniFile again;
  again.LoadFromBytes(ini.SaveToBytes());
  EXPECT_EQ(Sections(again), (std::vector<std::string>{"Main", "Sec X"}));
  EXPECT_FALSE(again.SectionExists("Forged"));
  EXPECT_FALSE(again.SectionExists("Evil"));
  EXPECT_EQ(again.ReadString("Main", "Label", ""), "a  [Forged]  Injected=1 b c");
  EXPECT_EQ(Values(again, "Main"),
            (std::vector<std::string>{"Label=a  [Forged]  Injected=1 b c", "row [Evil]", "After=ok"}));
  EXPECT_EQ(again.ReadString("Sec X", "K", ""), "=v");
  // In memory the value is kept as written.
  EXPECT_EQ(ini.ReadString("Main", "Label", ""), std::string(label, sizeof label - 1));
}

TEST(MemIniFile, LongLinesSurviveAndLoadInLinearTime) {
  std::string blob(6 * 1024 * 1024, 'A');
  for (size_t i = 0; i < blob.size(); i += 7) blob[i] = '0' + static_cast<char>(i % 10);
  TMemIniFile ini;
  ini.WriteString("Channel1Range", "RangeData", blob);
  ini.WriteString("Channel1Range", "After", "1");
  TMemIniFile again;
  again.LoadFromBytes(ini.SaveToBytes());
  EXPECT_TRUE(again.ReadString("channel1range", "RangeData", "") == blob);
  EXPECT_EQ(again.ReadString("Channel1Range", "After", ""), "1");
}

TEST_F(MemIniFileFiles, UpdateFileAndReload) {
  const std::string path = Path("state.cfg");
  {
    TMemIniFile ini(path);  // missing file: empty, no error
    EXPECT_TRUE(Sections(ini).empty());
    initest::CheckTypedReads(ini);
    ini.WriteString("Main", "Name", "Канал 1");
    ini.WriteFloat("Main", "Step", 0.005 * std::floor(0.175 / 0.005 + 0.5));
    ini.WriteBinaryStream("Main", "Data", std::vector<uint8_t>{1, 2, 0xFE});
    ini.UpdateFile();
  }
  const std::string bytes = ReadFileBytes(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  TMemIniFile ini(path);
  EXPECT_EQ(ini.ReadString("main", "name", ""), "Канал 1");
  EXPECT_EQ(ini.ReadFloat("Main", "Step", 0), 0.005 * std::floor(0.175 / 0.005 + 0.5));
  std::vector<uint8_t> data;
  EXPECT_EQ(ini.ReadBinaryStream("Main", "Data", data), 3u);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 0xFE}));
  EXPECT_EQ(ini.SaveToBytes(), bytes);
}

// Files are decoded as they are read, a piece at a time: whatever falls on the border of two
// pieces (a surrogate pair, CR LF, an odd byte) must read as it does from one block of bytes.
TEST_F(MemIniFileFiles, LargeFilesReadLikeTheirBytes) {
  const std::u16string tricky = u"Ж😀\r\nKey2=Я\r\n";
  const size_t piece = 1 << 20;  // the size the reader takes at a time
  for (size_t shift = 0; shift < 12; ++shift) {
    for (bool oddEnd : {false, true}) {
      std::u16string doc = u"[S]\r\nKey1=";
      const size_t units = (piece - 8 + shift) / 2 - doc.size();
      doc.append(units, u'h');
      doc += tricky;
      doc += u"[T]\r\nLast=1";
      std::string bytes = Utf16Bytes(doc, false, true);
      if (shift % 2) bytes.insert(bytes.begin() + 2 * static_cast<std::ptrdiff_t>(units) + 10, '\x41');
      if (oddEnd) bytes += '\x42';
      const std::string path = Path("big.cfg");
      WriteFileBytes(path, bytes);
      TMemIniFile fromFile(path);
      TMemIniFile fromBytes;
      fromBytes.LoadFromBytes(bytes);
      ASSERT_EQ(fromFile.GetText(), fromBytes.GetText()) << "shift " << shift;
      if (shift % 2 == 0) {  // (an inserted byte garbles the rest, alike in both)
        EXPECT_EQ(fromFile.ReadString("T", "Last", ""), "1");
        EXPECT_EQ(fromFile.ReadString("S", "Key2", ""), "Я");
        EXPECT_EQ(fromFile.ReadString("S", "Key1", "").substr(units), "Ж😀");
      }
    }
  }
}

TEST_F(MemIniFileFiles, MemoryOnlyWithoutFileName) {
  TMemIniFile ini;
  ini.WriteString("Channel", "SaveType", "1");
  EXPECT_NO_THROW(ini.UpdateFile());
  EXPECT_TRUE(fs::is_empty(dir_));
  EXPECT_EQ(ini.ReadString("Channel", "SaveType", ""), "1");
}

TEST_F(MemIniFileFiles, FailedUpdateFileRaisesAndLeavesEverythingAsItWas) {
  const std::string folderTarget = Path("target");
  fs::create_directories(folderTarget);
  WriteFileBytes(fs::path(folderTarget) / "inside.txt", "keep");
  const std::string missingFolder = Path("missing/state.cfg");
  for (const std::string& path : {folderTarget, missingFolder}) {
    TMemIniFile ini;
    ini.WriteString("S", "K", "V");
    ini.Rename(path, false);
    ExpectAbortNaming(path, [&] { ini.UpdateFile(); });
    EXPECT_EQ(ini.ReadString("S", "K", ""), "V");
  }
  EXPECT_TRUE(fs::is_directory(folderTarget));
  EXPECT_EQ(ReadFileBytes(fs::path(folderTarget) / "inside.txt"), "keep");
  EXPECT_FALSE(fs::exists(Path("missing")));
  // No temporary file was left beside the folder target.
  EXPECT_EQ(initest::Entries(dir_), (std::vector<std::string>{"target"}));
}

TEST_F(MemIniFileFiles, UnreadableFileRaisesAndFailedLoadChangesNothing) {
  const std::string folder = Path("folder.cfg");
  fs::create_directories(folder);
  ExpectAbortNaming(folder, [&] { TMemIniFile ini(folder); });

  const std::string good = Path("good.cfg");
  WriteFileBytes(good, "[S]\r\nK=from file\r\n");
  TMemIniFile ini(good);
  ini.WriteString("S", "Extra", "1");
  EXPECT_THROW(ini.Rename(folder, true), EAbort);
  EXPECT_EQ(ini.FileName, good);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "from file");
  EXPECT_EQ(ini.ReadString("S", "Extra", ""), "1");
  // Renaming to a missing file with reload empties the document.
  ini.Rename(Path("new.cfg"), true);
  EXPECT_TRUE(Sections(ini).empty());
  ini.Rename(good, true);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "from file");
}

// Whatever the bytes, loading returns (no crash, no hang, nothing read out of bounds) and the
// result is a fixed point: saved and loaded again it is the same document.
TEST(MemIniFile, HostileInputLoadsToAStableDocument) {
  std::vector<std::string> inputs = {
      "",
      "\xFF\xFE",
      "\xFE\xFF",
      "\xEF\xBB\xBF",
      "\xFF\xFE[",
      std::string("\xFF\xFE[\0S\0]\0\n\0K\0=\0V", 15),  // odd length UTF-16LE
      std::string("\xFE\xFF\0[\0S\0]\0\n\0K\0=", 14),
      std::string("[S]\0\nK\0=\0V\0\n", 12),
      "[S\n[[[\n]]]\n[\n]\n[S]]\nK=[V]\n",
      "[S]\nK=\xED\xA0\x80\xC0\xAF",
  };
  // A real document, which the check also cuts at every length.
  TMemIniFile real;
  real.WriteString("Канал", "Имя", "Значение");
  real.WriteString("B", "K", "V");
  initest::CheckHostileInputLoadsToAStableDocument(std::move(inputs), real.SaveToBytes(), 42,
                                                   &TMemIniFile::SaveToBytes);
}

TEST(MemIniFile, FiftyMegabyteLine) {
  std::string bytes = "[S]\nK=";
  bytes.append(50u * 1024 * 1024, 'x');
  bytes += "\nL=1";
  TMemIniFile ini;
  ini.LoadFromBytes(bytes);
  EXPECT_EQ(ini.ReadString("S", "K", "").size(), 50u * 1024 * 1024);
  EXPECT_EQ(ini.ReadString("S", "L", ""), "1");
  std::string noBreak(50u * 1024 * 1024, '[');
  ini.LoadFromBytes(noBreak);
  EXPECT_TRUE(Sections(ini).empty());
}

// Load, save and load again: every section, line and value reads as after the first load.
TEST(MemIniFile, IniRoundTripLoadSaveLoadKeepsTheContent) {
  initest::CheckLoadSaveLoadKeepsTheContent(2026, &TMemIniFile::SaveToBytes);
}

// A key or section name holding NUL is dropped on load, the rest kept; NUL in a value reads as
// the blank a save would write.
TEST(MemIniFile, IniRoundTripNulInANameDropsOnlyThatName) {
  static const char kText[] = "[S]\r\nA\0B=1\r\nA B=2\r\nC=3\r\n[T\0x]\r\nX=1\r\n[U]\r\nV=a\0b\r\n";
  const std::string text(kText, sizeof kText - 1);
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "UTF-16LE" : "UTF-8");
    std::string bytes = text;
    if (wide) {
      bytes = "\xFF\xFE";
      for (char c : text) bytes += std::string{c, '\0'};
    }
    TMemIniFile ini;
    ini.LoadFromBytes(bytes);
    EXPECT_EQ(Sections(ini), (std::vector<std::string>{"S", "U"}));
    EXPECT_EQ(Values(ini, "S"), (std::vector<std::string>{"A B=2", "C=3"}));
    EXPECT_EQ(ini.ReadString("U", "V", ""), "a b");
    TMemIniFile again;
    again.LoadFromBytes(ini.SaveToBytes());
    EXPECT_EQ(initest::Content(again), initest::Content(ini));
  }
}

// A file may start with several marks; all of them are skipped, and a rewrite of the file
// (which writes one mark of its own) keeps its meaning.
TEST(MemIniFile, IniRoundTripEveryLeadingMarkIsSkipped) {
  const std::string mark = "\xEF\xBB\xBF";
  const std::string wideMark = "\xFF\xFE";
  static const char kWide[] = "[\0S\0]\0\r\0\n\0K\0=\0V\0";
  const std::string wideText(kWide, sizeof kWide - 1);
  const std::string cases[] = {
      mark + "[S]\r\nK=V\r\n",
      mark + mark + "[S]\r\nK=V\r\n",
      mark + mark + mark + "[S]\nK=V\n",
      wideMark + wideText,
      wideMark + wideMark + wideText,
      wideMark + wideMark + wideMark + wideText,
  };
  const fs::path dir = testenv::Root() / "ini-marks";
  fs::create_directories(dir);
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    const std::string file = (dir / "marks.ini").string();
    WriteFileBytes(file, bytes);
    TMemIniFile ini(file);
    EXPECT_EQ(Sections(ini), std::vector<std::string>{"S"});
    EXPECT_EQ(ini.ReadString("S", "K", ""), "V");
    ini.WriteString("Other", "X", "1");
    ini.UpdateFile();
    TMemIniFile reread(file);
    EXPECT_EQ(reread.ReadString("S", "K", ""), "V");
    EXPECT_EQ(reread.ReadString("Other", "X", ""), "1");
  }
}

// Text is turned between UTF-16 and UTF-8 many characters at a time: a character that is not
// plain ASCII, or a line break, must be found wherever it falls within such a block, both when
// reading and when writing.
TEST(MemIniFile, IniRoundTripEveryPositionOfAnOddCharacter) {
  const std::vector<std::u16string> odd = {u"\u0141", u"Ж", u"\u0080", u"\u00FF", u"😀", u"\r", u"\n", u"\r\nK2="};
  for (const std::u16string& c : odd) {
    for (size_t at = 0; at < 40; ++at) {
      std::u16string doc = u"[S]\r\nK=" + std::u16string(at, u'a') + c + std::u16string(40 - at, u'b') + u"\r\n";
      const std::string wide = Utf16Bytes(doc, false, true);
      TMemIniFile fromWide;
      fromWide.LoadFromBytes(wide);
      TMemIniFile fromNarrow;
      fromNarrow.LoadFromBytes("\xEF\xBB\xBF" + DecodeUtf16Bytes(wide.substr(2), false));
      SCOPED_TRACE(testing::Message() << "character " << static_cast<int>(c[0]) << " at " << at);
      ASSERT_EQ(fromWide.GetText(), fromNarrow.GetText());
      EXPECT_EQ(fromWide.SaveToBytes(), "\xFF\xFE" + EncodeUtf16LE(fromWide.GetText(), false));
    }
  }
}
