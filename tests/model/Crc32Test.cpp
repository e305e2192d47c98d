// CRC-32 of the binary calibration images: zlib's CRC, checked against Python's zlib.crc32
// through tests/peer/golden/foundation_crc.txt.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/Crc32.h"

namespace {

uint32_t Crc(std::string_view s, uint32_t start = 0) { return UpdateCrc32(start, s.data(), s.size()); }

TEST(Crc32, KnownValues) {
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc("abc"), 0x352441C2u);
  EXPECT_EQ(UpdateCrc32(0, nullptr, 0), 0u);  // the start value
}

TEST(Crc32, NullBufferAndEmptyBlock) {
  EXPECT_EQ(UpdateCrc32(12345, nullptr, 0), 0u);
  EXPECT_EQ(UpdateCrc32(0xFFFFFFFF, nullptr, 100), 0u);
  const char byte = 'x';
  EXPECT_EQ(UpdateCrc32(0x12345678, &byte, 0), 0x12345678u);
  EXPECT_EQ(UpdateCrc32(0, &byte, 0), 0u);
}

TEST(Crc32, PiecesGiveTheWholeBlock) {
  std::mt19937 rng(9);
  std::vector<uint8_t> data(1000);
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  const uint32_t whole = UpdateCrc32(0, data.data(), data.size());
  for (size_t split = 0; split <= data.size(); ++split) {
    const uint32_t first = UpdateCrc32(0, data.data(), split);
    ASSERT_EQ(UpdateCrc32(first, data.data() + split, data.size() - split), whole) << split;
  }
  // Three pieces, and byte by byte.
  uint32_t c = 0;
  for (uint8_t b : data) c = UpdateCrc32(c, &b, 1);
  EXPECT_EQ(c, whole);
}

TEST(Crc32, TableFromThePolynomialMatchesZlib) {
  const std::array<uint32_t, 256> table = BuildCrc32Table();
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[1], 0x77073096u);
  EXPECT_EQ(table[128], 0xEDB88320u);
  const auto* zlibTable = get_crc_table();
  for (size_t n = 0; n < 256; ++n) ASSERT_EQ(table[n], static_cast<uint32_t>(zlibTable[n])) << n;
  // The byte-wise algorithm over the table gives the same value as the update.
  const std::string text = "The quick brown fox jumps over the lazy dog";
  uint32_t c = ~0u;
  for (unsigned char b : text) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  EXPECT_EQ(~c, Crc(text));
}

std::vector<uint8_t> Ramp(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(7 * i + 3);
  return v;
}

std::vector<uint8_t> Lcg(uint64_t seed, size_t n) {
  std::vector<uint8_t> v(n);
  uint64_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = (1103515245 * x + 12345) & 0x7FFFFFFF;
    v[i] = static_cast<uint8_t>((x >> 16) & 0xFF);
  }
  return v;
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> v;
  if (hex == "-") return v;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) v.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return v;
}

// The same buffers through Python's zlib (tests/peer/foundation_crc.py).
TEST(Crc32, MatchesPeerValues) {
  std::ifstream file(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/foundation_crc.txt");
  ASSERT_TRUE(file) << "golden file missing";
  std::string line;
  int checked = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string kind;
    in >> kind;
    std::vector<uint8_t> data;
    uint64_t start = 0;
    std::string expectedHex;
    uint32_t actual = 0;
    if (kind == "hex") {
      std::string hex;
      in >> hex >> start >> expectedHex;
      data = FromHex(hex);
      // A non-null buffer even when empty, so that the start value carries through.
      const uint8_t dummy = 0;
      actual = UpdateCrc32(static_cast<uint32_t>(start), data.empty() ? &dummy : data.data(), data.size());
    } else if (kind == "ramp") {
      size_t n = 0;
      in >> n >> start >> expectedHex;
      data = Ramp(n);
      actual = UpdateCrc32(static_cast<uint32_t>(start), data.data(), data.size());
    } else if (kind == "lcg") {
      uint64_t seed = 0;
      size_t n = 0;
      in >> seed >> n >> start >> expectedHex;
      data = Lcg(seed, n);
      actual = UpdateCrc32(static_cast<uint32_t>(start), data.data(), data.size());
    } else if (kind == "chain") {
      size_t n = 0;
      size_t split = 0;
      in >> n >> split >> expectedHex;
      data = Lcg(1, n);
      const uint32_t first = UpdateCrc32(0, data.data(), split);
      actual = UpdateCrc32(first, data.data() + split, n - split);
    } else {
      ADD_FAILURE() << "unknown line " << line;
      continue;
    }
    EXPECT_EQ(actual, static_cast<uint32_t>(std::stoul(expectedHex, nullptr, 16))) << line.substr(0, 60);
    ++checked;
  }
  EXPECT_EQ(checked, 43);
}

}  // namespace
