#include "model/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "model/EAbort.h"

namespace {

// The power of ten of the first non-zero digit of a checked number text without sign
// ("123.4e5" -> 7, "0.00012" -> -4); the exponent saturates far beyond the double range.
long long DecimalMagnitude(std::string_view s) {
  const size_t e = s.find('e');
  const std::string_view mantissa = s.substr(0, e);
  long long exponent = 0;
  if (e != std::string_view::npos) {
    size_t i = e + 1;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    for (; i < s.size(); ++i) exponent = std::min(exponent * 10 + (s[i] - '0'), 1000000000LL);
    if (negativeExponent) exponent = -exponent;
  }
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_not_of("0.");
  if (first == std::string_view::npos) return 0;  // all zeros: never out of range
  const long long position = first < point ? static_cast<long long>(point - first) - 1
                                           : -static_cast<long long>(first - point);
  return position + exponent;
}

}  // namespace

std::string FloatToText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  std::array<char, 64> buf;
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  return std::string(buf.data(), res.ptr);
}

std::string FloatToGeneralText(double value) {
  if (!std::isfinite(value)) return FloatToText(value);
  std::array<char, 64> buf;
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general, 15);
  return std::string(buf.data(), res.ptr);
}

std::string IntToText(long long value) {
  std::array<char, 32> buf;
  auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  return std::string(buf.data(), res.ptr);
}

std::string_view TrimText(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return text.substr(b, e - b);
}

std::optional<double> TryTextToFloat(std::string_view text) {
  text = TrimText(text);
  if (text.empty() || text.size() > 4096) return std::nullopt;
  // Copy with ',' turned into '.', checking the shape: sign, digits, point, digits, exponent.
  std::string s;
  s.reserve(text.size());
  size_t i = 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
  }
  size_t mantissaDigits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      ++mantissaDigits;
      s.push_back(c);
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
      s.push_back('.');
    } else {
      break;
    }
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    s.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) s.push_back(text[i++]);
    size_t expDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits) s.push_back(text[i]);
    if (expDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (res.ptr != s.data() + s.size()) return std::nullopt;
  if (res.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on range errors: underflow reads as zero, overflow is
    // refused. Which one it was follows from the decimal magnitude of the text.
    if (DecimalMagnitude(s) < 0) return negative ? -0.0 : 0.0;
    return std::nullopt;
  }
  if (res.ec != std::errc()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::optional<long long> TryTextToInt(std::string_view text) {
  text = TrimText(text);
  if (text.empty()) return std::nullopt;
  size_t start = 0;
  if (text[0] == '+') start = 1;
  if (start == text.size()) return std::nullopt;
  long long value = 0;
  auto res = std::from_chars(text.data() + start, text.data() + text.size(), value, 10);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
  if (start == 1 && text.size() > 1 && text[1] == '-') return std::nullopt;
  return value;
}

double StrToFloatAnySeparator(std::string_view text) {
  auto v = TryTextToFloat(text);
  if (!v) {
    // A message box or an SCPI error text has no use for megabytes of bad input.
    constexpr size_t kShown = 64;
    std::string shown(text.substr(0, kShown));
    if (text.size() > kShown) shown += "...";
    throw EAbort("'" + shown + "' is not a valid floating point value");
  }
  return *v;
}
