// Text codecs: UTF-8 <-> UTF-16, strict UTF-8 validation, Windows-1251, whole-file decoding.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "model/NumberText.h"
#include "model/TextCodec.h"

namespace {

using namespace std::string_literals;

const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

TEST(Codec, Utf8AndUtf16RoundTrip) {
  const std::string texts[] = {
      "",
      "plain ASCII",
      "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",  // Привет
      "\xC2\xB0\xD0\xA1",                                  // °С
      "\xF0\x9F\x98\x80",                                  // U+1F600, a surrogate pair
      "\xEF\xBF\xBF",                                      // U+FFFF
      "\xF4\x8F\xBF\xBF",                                  // U+10FFFF
      "a\0b"s,                                             // NUL inside
  };
  for (const std::string& t : texts) {
    const std::u16string u = Utf8ToUtf16(t);
    EXPECT_EQ(Utf16ToUtf8(u), t);
  }
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
  EXPECT_EQ(Utf8ToUtf16("\xD0\x9F"), std::u16string(1, 0x041F));
}

TEST(Codec, ValidatesUtf8Strictly) {
  struct Case {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"abc", true},
      {"\xC2\x80", true},
      {"\xED\x9F\xBF", true},       // U+D7FF, just below the surrogates
      {"\xEE\x80\x80", true},       // U+E000, just above them
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"a\0b"s, true},
      {"\xC0\xAF", false},          // overlong '/'
      {"\xC1\xBF", false},          // overlong
      {"\xE0\x80\xAF", false},      // overlong, three bytes
      {"\xF0\x80\x80\xAF", false},  // overlong, four bytes
      {"\xED\xA0\x80", false},      // U+D800
      {"\xED\xBF\xBF", false},      // U+DFFF
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xF8\x88\x80\x80\x80", false},
      {"\xE2\x82", false},          // truncated
      {"\x80", false},              // lone continuation byte
      {"\xFF", false},
      {"\xC3\x28", false},          // bad continuation
      {"\xCF\xF0\xE8", false},      // Windows-1251 "При"
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
}

TEST(Codec, LoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800}), kReplacementUtf8);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), kReplacementUtf8);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'a'}), kReplacementUtf8 + "a");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00, 0xD83D}), kReplacementUtf8 + kReplacementUtf8);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD83D, 0xDE00, 0xD83D}), "x\xF0\x9F\x98\x80" + kReplacementUtf8);
  // Invalid UTF-8 becomes U+FFFD on the way to UTF-16.
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), (std::u16string{u'a', 0xFFFD, u'b'}));
}

TEST(Codec, ReadsWindows1251) {
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8"), "\xD0\x9F\xD1\x80\xD0\xB8");  // При
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8"), "\xD0\x81\xD1\x91");              // Ёё
  EXPECT_EQ(Cp1251ToUtf8("\xB9"), "\xE2\x84\x96");                      // №
  EXPECT_EQ(Cp1251ToUtf8("\x88"), "\xE2\x82\xAC");                      // €
  EXPECT_EQ(Cp1251ToUtf8("\x98"), kReplacementUtf8);                    // unassigned
  EXPECT_EQ(Cp1251ToUtf8("a\0z"s), "a\0z"s);
}

// The whole table against Python's cp1251 codec (tests/peer/foundation_crc.py).
TEST(Codec, Windows1251TableMatchesPeer) {
  std::ifstream in(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/foundation_cp1251.txt");
  ASSERT_TRUE(in) << "golden file missing";
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string byteHex;
    std::string cpHex;
    fields >> byteHex >> cpHex;
    const int byte = std::stoi(byteHex, nullptr, 16);
    const char16_t cp = static_cast<char16_t>(std::stoi(cpHex, nullptr, 16));
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(byte))), Utf16ToUtf8(std::u16string(1, cp)))
        << "byte " << byteHex;
    ++rows;
  }
  EXPECT_EQ(rows, 256);
}

TEST(Codec, EightBitTextIsUtf8WhenValidElseWindows1251) {
  EXPECT_EQ(Decode8Bit("\xD0\x9F"), "\xD0\x9F");
  EXPECT_EQ(Decode8Bit("\xC0"), "\xD0\x90");  // Windows-1251 'А'
  // One invalid byte anywhere turns the whole text into Windows-1251.
  EXPECT_EQ(Decode8Bit("\xD0\x9F \xCF"), Cp1251ToUtf8("\xD0\x9F \xCF"));
  EXPECT_EQ(Decode8Bit(""), "");
}

TEST(Codec, DecodesTextFilesByTheirByteOrderMark) {
  struct Case {
    std::string bytes;
    std::string text;
  } cases[] = {
      {"\xEF\xBB\xBFk=v", "k=v"},
      {"\xFF\xFEk\0=\0v\0"s, "k=v"},
      {"\xFE\xFF\0k\0=\0v"s, "k=v"},
      {"\xFF\xFE\x1F\x04"s, "\xD0\x9F"},
      {"\xFE\xFF\x04\x1F"s, "\xD0\x9F"},
      {"\xFF\xFE", ""},                         // lone BOM
      {"\xFE\xFF", ""},
      {"\xEF\xBB\xBF", ""},
      {"\xFF\xFEk\0v"s, "k"},                   // odd length: the last byte is dropped
      {"\xFF\xFE\0\0a\0"s, "\0a"s},             // NUL unit kept
      {"\xFF\xFE\x00\xD8"s, kReplacementUtf8},  // lone surrogate
      {"\xEF\xBB\xBF\xFF", kReplacementUtf8},   // UTF-8 BOM, invalid text
      {"\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8"},
      {"plain", "plain"},
      {"", ""},
      {"\xFF", "\xD1\x8F"},                     // one byte, no BOM: Windows-1251 'я'
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeTextFile(c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST(Codec, EncodesUtf16LittleEndian) {
  EXPECT_EQ(EncodeUtf16LE("k\xD0\x9F", true), "\xFF\xFEk\0\x1F\x04"s);
  EXPECT_EQ(EncodeUtf16LE("k", false), "k\0"s);
  EXPECT_EQ(EncodeUtf16LE("", true), "\xFF\xFE");
  const std::string text = "[Section]\r\nName=\xD0\x9F\xF0\x9F\x98\x80\r\n";
  EXPECT_EQ(DecodeTextFile(EncodeUtf16LE(text, true)), text);
  EXPECT_EQ(DecodeUtf16Bytes(EncodeUtf16LE(text, false), false), text);
}

TEST(Codec, SurvivesHostileBytes) {
  std::mt19937 rng(5);
  for (int i = 0; i < 5000; ++i) {
    std::string bytes(rng() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    if (i % 4 == 0 && bytes.size() >= 2) bytes[0] = '\xFF', bytes[1] = '\xFE';
    if (i % 4 == 1 && bytes.size() >= 2) bytes[0] = '\xFE', bytes[1] = '\xFF';
    if (i % 4 == 2 && bytes.size() >= 3) bytes[0] = '\xEF', bytes[1] = '\xBB', bytes[2] = '\xBF';
    const std::string text = DecodeTextFile(bytes);
    ASSERT_TRUE(IsValidUtf8(text)) << testing::PrintToString(bytes);
    ASSERT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    ASSERT_TRUE(IsValidUtf8(Utf16ToUtf8(Utf8ToUtf16(bytes))));
    ASSERT_TRUE(IsValidUtf8(Decode8Bit(bytes)));
    std::u16string units(rng() % 16, u'\0');
    for (char16_t& u : units) u = static_cast<char16_t>(rng());
    ASSERT_TRUE(IsValidUtf8(Utf16ToUtf8(units)));
  }
  // Every truncation of a multi-byte text.
  const std::string full = EncodeUtf16LE("\xD0\x9F\xF0\x9F\x98\x80z", true);
  for (size_t n = 0; n <= full.size(); ++n) ASSERT_TRUE(IsValidUtf8(DecodeTextFile(full.substr(0, n))));
  const std::string utf8 = "\xD0\x9F\xF0\x9F\x98\x80z";
  for (size_t n = 0; n <= utf8.size(); ++n) ASSERT_TRUE(IsValidUtf8(Decode8Bit(utf8.substr(0, n))));
}

TEST(Codec, DecodesA50MegabyteLine) {
  // UTF-16LE with BOM and an odd byte at the end, which is dropped.
  std::string big((50u << 20) + 1, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('A' + i % 26);
  big[0] = '\xFF';
  big[1] = '\xFE';
  const std::string text = DecodeTextFile(big);
  const size_t units = (big.size() - 2) / 2;
  EXPECT_EQ(text.size(), units * 3);  // every unit is a three-byte ideograph
  EXPECT_TRUE(IsValidUtf8(text));
  std::string cp(50u << 20, '\xCF');
  EXPECT_EQ(DecodeTextFile(cp).size(), cp.size() * 2);
}

}  // namespace
