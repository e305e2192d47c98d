#include "model/CustomIniFile.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "model/NumberText.h"

namespace {

// Value of a hex digit, or -1.
constexpr std::array<signed char, 256> MakeHexTable() {
  std::array<signed char, 256> t{};
  for (auto& v : t) v = -1;
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = static_cast<signed char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<size_t>(c)] = static_cast<signed char>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) t[static_cast<size_t>(c)] = static_cast<signed char>(c - 'a' + 10);
  return t;
}
constexpr std::array<signed char, 256> kHexValue = MakeHexTable();
constexpr char kHexDigits[] = "0123456789ABCDEF";

// The two digits of every byte, for writing megabytes of hex a byte at a time.
constexpr std::array<std::array<char, 2>, 256> MakeHexPairs() {
  std::array<std::array<char, 2>, 256> pairs{};
  for (int b = 0; b < 256; ++b) pairs[static_cast<size_t>(b)] = {kHexDigits[b >> 4], kHexDigits[b & 0x0F]};
  return pairs;
}
constexpr std::array<std::array<char, 2>, 256> kHexPairs = MakeHexPairs();

// '0x'/'0X' followed by up to eight hex digits; the 32 bits are taken as a signed int, as the
// files of the old program hold colours with the high bit set that way.
std::optional<int> ParseHexInt(std::string_view digits) {
  uint64_t value = 0;
  auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (res.ec != std::errc() || res.ptr != digits.data() + digits.size()) return std::nullopt;
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<int>(static_cast<uint32_t>(value));
}

}  // namespace

std::string_view TCustomIniFile::StripLeadingMarks(std::string_view line) {
  while (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
  return line;
}

bool TCustomIniFile::HoldsLineBreakOrNul(std::string_view text) {
  // Values of several megabytes pass here: three vectorised scans beat one byte-by-byte one.
  for (const int c : {'\0', '\r', '\n'}) {
    if (!text.empty() && std::memchr(text.data(), c, text.size()) != nullptr) return true;
  }
  return false;
}

std::string TCustomIniFile::MendLoaded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendLineSafe(out, text);
  return out;
}

void TCustomIniFile::AppendLineSafe(std::string& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      out.append(text.data() + start, i - start);
      out.push_back(' ');
      start = i + 1;
    }
  }
  out.append(text.data() + start, text.size() - start);
}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
  const std::string raw = ReadString(section, key, std::string());
  const std::string_view text = TrimText(raw);
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseHexInt(text.substr(2)).value_or(defaultValue);
  }
  const auto value = TryTextToInt(text);
  if (!value || *value < INT_MIN || *value > INT_MAX) return defaultValue;
  return static_cast<int>(*value);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
  WriteString(section, key, IntToText(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& key, double defaultValue) const {
  const std::string text = ReadString(section, key, std::string());
  if (text.empty()) return defaultValue;
  return TryTextToFloat(text).value_or(defaultValue);
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FloatToText(value));
}

bool TCustomIniFile::ReadValueView(const std::string& section, const std::string& key, std::string& scratch,
                                   std::string_view& value) const {
  value = std::string_view();
  if (PeekValue(section, key, value)) return true;
  if (!ValueExists(section, key)) return false;
  scratch = ReadString(section, key, std::string());
  value = scratch;
  return true;
}

size_t TCustomIniFile::ReadBinaryStream(const std::string& section, const std::string& key,
                                        std::vector<uint8_t>& out) const {
  std::string copy;
  std::string_view text;
  if (!PeekValue(section, key, text)) {
    copy = ReadString(section, key, std::string());
    text = copy;
  }
  const size_t pairs = text.size() / 2;
  const size_t before = out.size();
  out.resize(before + pairs);
  uint8_t* dst = out.data() + before;
  const auto* src = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = 0;
  for (; n < pairs; ++n) {
    const int hi = kHexValue[src[2 * n]];
    const int lo = kHexValue[src[2 * n + 1]];
    if (hi < 0 || lo < 0) break;
    dst[n] = static_cast<uint8_t>((hi << 4) | lo);
  }
  out.resize(before + n);
  return n;
}

void TCustomIniFile::WriteBinaryStream(const std::string& section, const std::string& key, const uint8_t* data,
                                       size_t size) {
  std::string text(size * 2, '0');
  char* out = text.data();
  for (size_t i = 0; i < size; ++i, out += 2) std::memcpy(out, kHexPairs[data[i]].data(), 2);
  TakeString(section, key, std::move(text));
}
