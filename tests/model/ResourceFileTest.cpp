#include "model/ResourceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/ResourceRegistry.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines8(TResourceFile& r) {
  std::vector<std::string> lines;
  std::string line;
  while (r.ReadLine(line) > 0) lines.push_back(line);
  return lines;
}

std::vector<std::u16string> Lines16(TResourceFile& r) {
  std::vector<std::u16string> lines;
  std::u16string line;
  while (r.ReadLineUtf16(line) > 0) lines.push_back(line);
  return lines;
}

std::string Utf16Be(std::u16string_view text) {
  std::string out;
  for (char16_t u : text) {
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
  }
  return out;
}

// Registers bytes under a name of this test's own.
std::string Register(const std::string& bytes) {
  static int counter = 0;
  const std::string name = "test/" + std::to_string(++counter);
  RegisterResourceCopy(name, bytes);
  return name;
}

}  // namespace

TEST(ResourceFile, EightBitLines) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"A\r\n\r\nB", {"A", "B"}},
      {"A\nB\rC\r\n", {"A", "B", "C"}},
      {"\r\nA\r\nB", {}},  // an empty first line ends the reading
      {"", {}},
      {"single", {"single"}},
      {std::string("N\0L\n\0", 5), {std::string("N\0L", 3), std::string("\0", 1)}},
      {"\xFE\xFFraw", {"\xFE\xFFraw"}},
  };
  for (const auto& c : cases) {
    TResourceFile r(Register(c.bytes));
    EXPECT_EQ(Lines8(r), c.lines);
  }
}

TEST(ResourceFile, LengthsAndTheEnd) {
  TResourceFile r(Register("Abc\r\nDe"));
  std::string line = "keep";
  EXPECT_EQ(r.ReadLine(line), 3);
  EXPECT_EQ(line, "Abc");
  EXPECT_EQ(r.ReadLine(line), 2);
  EXPECT_EQ(line, "De");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.ReadLine(line), 0);
    EXPECT_EQ(line, "De");
  }
  r.Rewind();
  EXPECT_EQ(r.ReadLine(line), 3);
  EXPECT_EQ(line, "Abc");

  TResourceFile leading(Register("\nLater"));
  line = "keep";
  EXPECT_EQ(leading.ReadLine(line), 0);
}

TEST(ResourceFile, Utf16BigEndianLines) {
  const std::string body = Utf16Be(u"Привет\r\n\r\nWorld 😀\nEnd");
  const std::vector<std::u16string> expected = {u"Привет", u"World 😀", u"End"};
  TResourceFile withMark(Register("\xFE\xFF" + body));
  EXPECT_EQ(Lines16(withMark), expected);
  TResourceFile withoutMark(Register(body));
  EXPECT_EQ(Lines16(withoutMark), expected);
  // An odd last byte is not read as text.
  TResourceFile odd(Register(body + "\x41"));
  EXPECT_EQ(Lines16(odd), expected);
  TResourceFile oneByte(Register("\x41"));
  std::u16string line = u"keep";
  EXPECT_EQ(oneByte.ReadLineUtf16(line), 0);
  EXPECT_EQ(line, u"keep");
  // A lone mark reads as nothing.
  TResourceFile mark(Register("\xFE\xFF"));
  EXPECT_TRUE(Lines16(mark).empty());
  // The line length counts code units (a surrogate pair is two).
  TResourceFile emoji(Register(Utf16Be(u"a😀")));
  EXPECT_EQ(emoji.ReadLineUtf16(line), 3);
}

TEST(ResourceFile, TheTwoCursorsAreIndependent) {
  // As 8-bit text two lines; as UTF-16BE the units 0x4142 0x0A43 0x440A, none a line break.
  TResourceFile r(Register("AB\nCD\n"));
  std::string line;
  std::u16string wide;
  EXPECT_EQ(r.ReadLine(line), 2);
  EXPECT_EQ(r.ReadLineUtf16(wide), 3);
  EXPECT_EQ(wide, (std::u16string{0x4142, 0x0A43, 0x440A}));
  EXPECT_EQ(r.ReadLine(line), 2);
  EXPECT_EQ(line, "CD");
  EXPECT_EQ(r.ReadLineUtf16(wide), 0);
  r.Rewind();
  EXPECT_EQ(r.ReadLineUtf16(wide), 3);
  EXPECT_EQ(r.ReadLine(line), 2);
  EXPECT_EQ(line, "AB");
}

TEST(ResourceFile, MissingResourceIsEmpty) {
  TResourceFile r("NoSuchResource");
  EXPECT_EQ(r.Size(), 0u);
  EXPECT_EQ(r.Data(), nullptr);
  std::string line = "keep";
  std::u16string wide = u"keep";
  EXPECT_EQ(r.ReadLine(line), 0);
  EXPECT_EQ(r.ReadLineUtf16(wide), 0);
  EXPECT_EQ(line, "keep");
  EXPECT_EQ(wide, u"keep");
  // Names are exact.
  RegisterResourceCopy("CaseName", "x");
  EXPECT_EQ(TResourceFile("casename").Size(), 0u);
  EXPECT_EQ(TResourceFile("CaseName").Size(), 1u);
}

TEST(ResourceFile, SaveToFile) {
  const fs::path dir = testenv::Root() / "resources-save";
  fs::create_directories(dir);
  const std::string bytes("bin\0\xFF\r\n", 7);
  TResourceFile r(Register(bytes));
  const std::string path = (dir / "font.ttf").string();
  EXPECT_TRUE(r.SaveToFile(path));
  EXPECT_EQ(ReadFileBytes(path), bytes);
  {
    std::ofstream(path, std::ios::trunc) << "old and longer contents";
  }
  EXPECT_TRUE(r.SaveToFile(path));
  EXPECT_EQ(ReadFileBytes(path), bytes);

  // An empty or missing resource deletes the file.
  EXPECT_TRUE(TResourceFile(Register("")).SaveToFile(path));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(TResourceFile("NoSuchResource").SaveToFile(path));

  // Failures are reported and change nothing.
  EXPECT_FALSE(r.SaveToFile((dir / "missing" / "font.ttf").string()));
  EXPECT_FALSE(fs::exists(dir / "missing"));
  fs::create_directories(dir / "folder");
  EXPECT_FALSE(r.SaveToFile((dir / "folder").string()));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_FALSE(TResourceFile("NoSuchResource").SaveToFile((dir / "folder").string()));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, (std::vector<std::string>{"folder"}));
}

// The files under tests/model/resources/ are compiled into this test binary by the build.
TEST(ResourceFile, CompiledInResources) {
  const std::string source = TERVAN_SOURCE_DIR "/tests/model/resources/";
  for (const char* name : {"ResourceSample.txt", "ResourceSampleUtf16.txt"}) {
    TResourceFile r(name);
    EXPECT_EQ(std::string(r.Bytes()), ReadFileBytes(source + name)) << name;
    EXPECT_GT(r.Size(), 0u) << name;
  }
  TResourceFile text("ResourceSample.txt");
  EXPECT_EQ(Lines8(text), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  TResourceFile wide("ResourceSampleUtf16.txt");
  EXPECT_EQ(Lines16(wide), (std::vector<std::u16string>{u"Привет", u"World 😀"}));
  const auto names = ResourceNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "ResourceSample.txt"), names.end());
}

// Whatever the bytes, both readers end (the number of lines is bounded by the size), return
// lines made of the resource's own bytes and never read past its end.
TEST(ResourceFile, HostileBytes) {
  std::vector<std::string> inputs = {"\r", "\n\n\n", "\xFE", "\xFE\xFF", "\xFE\xFF\xFE\xFF\xFE\xFF",
                                     std::string(3, '\0'), std::string("\0\r\0\n\0", 5)};
  std::mt19937 rng(99);
  const char alphabet[] = {'\r', '\n', '\0', '\xFE', '\xFF', 'a', ' '};
  for (int i = 0; i < 300; ++i) {
    std::string bytes(rng() % 200, '\0');
    for (char& c : bytes) c = (rng() % 2) ? alphabet[rng() % sizeof alphabet] : static_cast<char>(rng());
    inputs.push_back(bytes);
  }
  std::string huge(50u * 1024 * 1024, 'x');
  huge += "\r\nlast";
  inputs.push_back(huge);
  for (const std::string& bytes : inputs) {
    TResourceFile r(Register(bytes));
    size_t total = 0;
    size_t calls = 0;
    std::string line;
    for (int n; (n = r.ReadLine(line)) > 0; ++calls) {
      ASSERT_EQ(static_cast<size_t>(n), line.size());
      ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos);
      total += line.size();
      ASSERT_LE(calls, bytes.size());
    }
    ASSERT_LE(total, bytes.size());
    total = calls = 0;
    std::u16string wide;
    for (int n; (n = r.ReadLineUtf16(wide)) > 0; ++calls) {
      ASSERT_EQ(static_cast<size_t>(n), wide.size());
      ASSERT_EQ(wide.find_first_of(u"\r\n"), std::u16string::npos);
      total += wide.size();
      ASSERT_LE(calls, bytes.size() / 2);
    }
    ASSERT_LE(total, bytes.size() / 2);
  }
}
