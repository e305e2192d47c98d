#pragma once
// Shared by the tests of the two ini documents: the typed reads and writes of their common
// base, checked on each of them, generators of hostile ini-like input, and the load-save-load
// checks both documents must pass, each saving in its own way.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/TestEnv.h"
#include "model/CustomIniFile.h"
#include "model/EAbort.h"

namespace initest {

inline std::string ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The text in UTF-16, either byte order, with or without a leading mark.
inline std::string Utf16Bytes(std::u16string_view text, bool bigEndian, bool bom) {
  std::string out;
  auto put = [&](char16_t u) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  if (bom) put(0xFEFF);
  for (char16_t u : text) put(u);
  return out;
}

// The names in a folder, sorted.
inline std::vector<std::string> Entries(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// `act` raises EAbort, with a message naming `path`.
template <class Act>
void ExpectAbortNaming(const std::string& path, Act&& act) {
  try {
    act();
    ADD_FAILURE() << "no error for " << path;
  } catch (const EAbort& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

inline std::vector<std::string> Sections(const TCustomIniFile& ini) {
  std::vector<std::string> names;
  ini.ReadSections(names);
  return names;
}

inline std::vector<std::string> Values(const TCustomIniFile& ini, const std::string& section) {
  std::vector<std::string> lines;
  ini.ReadSectionValues(section, lines);
  return lines;
}

// A fresh folder per test under the test run's private root.
class IniFolderTest : public ::testing::Test {
 protected:
  explicit IniFolderTest(const char* group) : group_(group) {}
  void SetUp() override {
    dir_ = testenv::Root() / group_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  const char* group_;
  std::filesystem::path dir_;
};

inline uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Stored text -> what the typed readers make of it.
inline void CheckTypedReads(TCustomIniFile& ini) {
  struct IntCase {
    const char* text;
    int expected;
  };
  const IntCase ints[] = {
      {"42", 42},          {"-5", -5},          {"+5", 5},          {" 12 ", 12},
      {"0x1F", 31},        {"0X1f", 31},        {"0x", 7},          {"0X", 7},
      {"0x0", 0},          {"0x-1", 7},         {"0x+1", 7},        {"0xG", 7},
      {"0xFFFFFFFF", -1},  {"0x7FFFFFFF", INT_MAX}, {"0x100000000", 7}, {"x1F", 7},
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"2147483648", 7}, {"-2147483649", 7},
      {"99999999999999999999999", 7}, {"1.5", 7}, {"1e3", 7}, {"abc", 7},
      {"", 7},             {"12abc", 7},        {"--1", 7},         {"+-1", 7},
      {"$1F", 7},          {"1 2", 7},
  };
  for (const auto& c : ints) {
    ini.WriteString("T", "K", c.text);
    EXPECT_EQ(ini.ReadInteger("T", "K", 7), c.expected) << "'" << c.text << "'";
  }
  EXPECT_EQ(ini.ReadInteger("T", "Missing", 7), 7);
  EXPECT_EQ(ini.ReadInteger("NoSection", "K", 7), 7);

  struct BoolCase {
    const char* text;
    bool whenDefaultFalse;
    bool whenDefaultTrue;
  };
  const BoolCase bools[] = {
      {"0", false, false}, {"1", true, true},   {"-3", true, true},   {"0x0", false, false},
      {"0x10", true, true}, {"yes", false, true}, {"true", false, true}, {"", false, true},
      {"0.0", false, true},
  };
  for (const auto& c : bools) {
    ini.WriteString("T", "B", c.text);
    EXPECT_EQ(ini.ReadBool("T", "B", false), c.whenDefaultFalse) << "'" << c.text << "'";
    EXPECT_EQ(ini.ReadBool("T", "B", true), c.whenDefaultTrue) << "'" << c.text << "'";
  }
  ini.WriteBool("T", "B", true);
  EXPECT_EQ(ini.ReadString("T", "B", ""), "1");
  ini.WriteBool("T", "B", false);
  EXPECT_EQ(ini.ReadString("T", "B", ""), "0");
  ini.WriteInteger("T", "I", -1234567890123LL);
  EXPECT_EQ(ini.ReadString("T", "I", ""), "-1234567890123");

  struct FloatCase {
    const char* text;
    double expected;
  };
  const FloatCase floats[] = {
      {"1,5", 1.5},     {"1.5", 1.5},   {"-2.5e-3", -0.0025}, {"1E3", 1000.0}, {",5", 0.5},
      {"", 9.5},        {"abc", 9.5},   {"1.2.3", 9.5},       {"1,234.5", 9.5}, {"inf", 9.5},
      {"nan", 9.5},     {"1e999", 9.5}, {"0x10", 9.5},        {"1.5x", 9.5},   {" 2.25 ", 2.25},
  };
  for (const auto& c : floats) {
    ini.WriteString("T", "F", c.text);
    EXPECT_EQ(ini.ReadFloat("T", "F", 9.5), c.expected) << "'" << c.text << "'";
  }
  EXPECT_EQ(ini.ReadFloat("T", "Missing", 9.5), 9.5);

  // The shortest text reads back to the very same double. The first value is the 0.175 step
  // of a 0.005 grid as a rounding to that step computes it, which 15 significant digits
  // would turn into a different number.
  const double step = 0.005;
  const double onGrid = step * std::floor(0.175 / step + 0.5);
  ASSERT_NE(onGrid, 0.175);
  const double values[] = {onGrid, 0.1, 1.0 / 3.0, -0.0, 5e-324, 1.7976931348623157e308, 123456789.123, -1e-300, 16001.0};
  for (double v : values) {
    ini.WriteFloat("T", "F", v);
    EXPECT_EQ(Bits(ini.ReadFloat("T", "F", 9.5)), Bits(v)) << ini.ReadString("T", "F", "");
  }
  ini.WriteFloat("T", "F", onGrid);
  EXPECT_EQ(ini.ReadString("T", "F", ""), "0.17500000000000002");
  ini.WriteFloat("T", "F", 1500.0);
  EXPECT_EQ(ini.ReadString("T", "F", ""), "1500");
}

inline void CheckBinaryStreams(TCustomIniFile& ini) {
  const std::vector<uint8_t> bytes = {0x00, 0x01, 0x7F, 0x80, 0xAB, 0xFF};
  ini.WriteBinaryStream("B", "Data", bytes);
  EXPECT_EQ(ini.ReadString("B", "Data", ""), "00017F80ABFF");
  std::vector<uint8_t> out = {0x55};
  EXPECT_EQ(ini.ReadBinaryStream("B", "Data", out), bytes.size());
  std::vector<uint8_t> expected = {0x55};
  expected.insert(expected.end(), bytes.begin(), bytes.end());
  EXPECT_EQ(out, expected);

  struct HexCase {
    const char* text;
    std::vector<uint8_t> expected;
  };
  const HexCase cases[] = {
      {"", {}},
      {"abcdef", {0xAB, 0xCD, 0xEF}},
      {"0G11", {}},
      {"11G022", {0x11}},
      {"ABC", {0xAB}},
      {"A", {}},
      {"12 34", {0x12}},
      {"-1", {}},
  };
  for (const auto& c : cases) {
    ini.WriteString("B", "Hex", c.text);
    std::vector<uint8_t> got = {0x99};
    EXPECT_EQ(ini.ReadBinaryStream("B", "Hex", got), c.expected.size()) << "'" << c.text << "'";
    std::vector<uint8_t> want = {0x99};
    want.insert(want.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(got, want) << "'" << c.text << "'";
  }
  std::vector<uint8_t> none;
  EXPECT_EQ(ini.ReadBinaryStream("B", "Missing", none), 0u);
  EXPECT_TRUE(none.empty());
  ini.WriteBinaryStream("B", "Empty", nullptr, 0);
  EXPECT_EQ(ini.ReadString("B", "Empty", "x"), "");
}

// The hex reader never reads or writes out of bounds, whatever the text: random texts over
// an alphabet of hex digits and near misses.
inline void FuzzBinaryReader(TCustomIniFile& ini) {
  std::mt19937 rng(1234);
  const std::string alphabet = "0123456789abcdefABCDEFgGxX \t-\xFF\xD0";
  for (int round = 0; round < 300; ++round) {
    std::string text(rng() % 64, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    ini.WriteString("Fuzz", "Hex", text);
    std::vector<uint8_t> out(3, 0xEE);
    const size_t n = ini.ReadBinaryStream("Fuzz", "Hex", out);
    ASSERT_LE(n, text.size() / 2);
    ASSERT_EQ(out.size(), 3 + n);
    EXPECT_EQ(out[0], 0xEE);
    // The bytes read are the text's leading valid pairs; reading stopped at a bad one.
    auto digit = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    for (size_t i = 0; i < n; ++i) {
      ASSERT_GE(digit(text[2 * i]), 0);
      ASSERT_GE(digit(text[2 * i + 1]), 0);
      EXPECT_EQ(out[3 + i], digit(text[2 * i]) * 16 + digit(text[2 * i + 1]));
    }
    if (n < text.size() / 2) {
      EXPECT_TRUE(digit(text[2 * n]) < 0 || digit(text[2 * n + 1]) < 0) << text;
    }
  }
}

// Everything of the common base a document must answer alike: typed reads and writes, hex
// streams and their fuzzing.
inline void CheckTypedReadsAndWrites(TCustomIniFile& ini) {
  CheckTypedReads(ini);
  CheckBinaryStreams(ini);
  FuzzBinaryReader(ini);
}

// Input that looks enough like an ini file to reach every branch of a loader: brackets,
// '=', ';', line breaks of every kind, blanks, NUL, BOM bytes, bytes of Cyrillic UTF-8 and
// Windows-1251.
inline std::string HostileIniBytes(std::mt19937& rng, size_t maxSize) {
  static const std::string pieces[] = {"[",  "]",  "=",  ";",  "\r", "\n", "\r\n", " ",  "\t", std::string(1, '\0'),
                                       "\xFF", "\xFE", "\xEF\xBB\xBF", "\xD0\x9F", "\xCF", "a", "A", "key", "Sec", "0x1F"};
  std::string out;
  const size_t size = rng() % (maxSize + 1);
  while (out.size() < size) out += pieces[rng() % std::size(pieces)];
  if (rng() % 4 == 0) out.insert(0, (rng() % 2) ? "\xFF\xFE" : "\xFE\xFF");
  return out;
}

// Everything a reader of the document can see: every section's name, its lines, and the value
// every key reads as.
inline std::vector<std::string> Content(const TCustomIniFile& ini) {
  std::vector<std::string> out;
  for (const std::string& section : Sections(ini)) {
    out.push_back("[" + section + "]");
    for (const std::string& line : Values(ini, section)) out.push_back(line);
    std::vector<std::string> keys;
    ini.ReadSection(section, keys);
    for (const std::string& key : keys) {
      if (!key.empty()) out.push_back(key + " -> " + ini.ReadString(section, key, "(none)"));
    }
  }
  return out;
}

// Ini documents whose names and values hold what a file cannot give back as it is (NUL, stray
// marks), beside names a save could merge them with; in UTF-8 (with any number of leading
// marks) or UTF-16LE.
inline std::string RoundTripBytes(std::mt19937& rng) {
  static const std::string lines[] = {
      "[S]",       "[s]",      std::string("[S\0]", 4), "[S ]",           "[T]",     std::string("A\0B=1", 5),
      "A B=2",     "a b=3",    std::string("K=\0v", 4),   std::string("\0K=4", 4), "K=5",     std::string("raw\0line", 8),
      "raw line",  "=6",       "; note",                 "\xEF\xBB\xBF[S]",   "C = 7 ",  "\xEF\xBB\xBFK=8",
      "[\xD0\x9F]", "\xD0\x9F=9", "D=x=y",                  "",                "[",       "]",
  };
  std::string text;
  const int marks = static_cast<int>(rng() % 4);
  for (int i = 0; i < marks; ++i) text += "\xEF\xBB\xBF";
  const int count = static_cast<int>(rng() % 16);
  for (int i = 0; i < count; ++i) text += lines[rng() % std::size(lines)] + (rng() % 2 ? "\r\n" : "\n");
  if (rng() % 3 != 0) return text;
  // The same in UTF-16LE with its mark (ASCII and the two-byte letters of the list only).
  std::string wide = "\xFF\xFE";
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0xEF && i + 2 < text.size()) {  // a mark: U+FEFF
      wide += "\xFF\xFE";
      i += 2;
    } else if (c == 0xD0 && i + 1 < text.size()) {  // U+041F
      wide += "\x1F\x04";
      i += 1;
    } else {
      wide.push_back(static_cast<char>(c));
      wide.push_back('\0');
    }
  }
  return wide;
}

// Whatever the bytes, loading returns (no crash, no hang, nothing read out of bounds) and the
// result is a fixed point: saved and loaded again it is the same document. The inputs are the
// document's own cases, every truncation of `real` (a saved document), 400 hostile ini-like
// texts and 100 strings of random bytes, all drawn from `seed`.
template <class Ini>
void CheckHostileInputLoadsToAStableDocument(std::vector<std::string> inputs, const std::string& real, uint32_t seed,
                                             std::string (Ini::*saved)() const) {
  for (size_t n = 0; n <= real.size(); ++n) inputs.push_back(real.substr(0, n));
  std::mt19937 rng(seed);
  for (int i = 0; i < 400; ++i) inputs.push_back(HostileIniBytes(rng, 600));
  for (int i = 0; i < 100; ++i) {
    std::string bytes(rng() % 300, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    inputs.push_back(bytes);
  }
  for (const std::string& bytes : inputs) {
    Ini ini;
    ini.LoadFromBytes(bytes);
    Ini again;
    again.LoadFromBytes((ini.*saved)());
    ASSERT_EQ(again.GetText(), ini.GetText());
  }
}

// Load, save and load again: every section, line and value reads as after the first load, for
// 600 round-trip documents and 300 hostile texts drawn from `seed`.
template <class Ini>
void CheckLoadSaveLoadKeepsTheContent(uint32_t seed, std::string (Ini::*saved)() const) {
  std::mt19937 rng(seed);
  std::vector<std::string> inputs;
  for (int i = 0; i < 600; ++i) inputs.push_back(RoundTripBytes(rng));
  for (int i = 0; i < 300; ++i) inputs.push_back(HostileIniBytes(rng, 400));
  for (const std::string& bytes : inputs) {
    Ini ini;
    ini.LoadFromBytes(bytes);
    Ini again;
    again.LoadFromBytes((ini.*saved)());
    ASSERT_EQ(Content(again), Content(ini)) << testing::PrintToString(bytes);
  }
}

}  // namespace initest
