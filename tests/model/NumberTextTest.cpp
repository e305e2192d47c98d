// Number text: shortest round-trip writing and the one validating reader, under the "C" locale
// and again under a comma-decimal locale when one is installed.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <random>
#include <string>

#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/Utils.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Runs each test once in the "C" locale and once in a comma-decimal locale, where printf-style
// or strtod-style conversions would write and expect ','.
class NumberText : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "C") return;
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "ru_RU.UTF-8", "ru_RU.utf8", "fr_FR.UTF-8",
                                "fr_FR.utf8", "de_DE", "ru_RU", "fr_FR", "nl_NL.UTF-8", "it_IT.UTF-8"};
    for (const char* name : candidates) {
      if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
        try {
          previousGlobal_ = std::locale::global(std::locale(name));
        } catch (const std::runtime_error&) {
          // The C library knows the locale but the C++ library does not: the C one suffices.
        }
        switched_ = true;
        return;
      }
    }
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  void TearDown() override {
    if (switched_) {
      std::locale::global(previousGlobal_);
      std::setlocale(LC_ALL, "C");
    }
  }

 private:
  bool switched_ = false;
  std::locale previousGlobal_ = std::locale::classic();
};

INSTANTIATE_TEST_SUITE_P(Locale, NumberText, testing::Values("C", "comma"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST_P(NumberText, WritesShortestText) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.1, "0.1"},          {-2.5, "-2.5"},      {100.0, "100"},       {1e-5, "1e-05"},
      {1e21, "1e+21"},       {0.0, "0"},          {-0.0, "-0"},         {1234.5678, "1234.5678"},
      {kNaN, "nan"},         {kInf, "inf"},       {-kInf, "-inf"},      {5e-324, "5e-324"},
      // The delay step that 15 significant digits turn into 0.175.
      {RoundToStep(0.005, 0.175), "0.17500000000000002"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << c.text;
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-42), "-42");
  EXPECT_EQ(IntToText(std::numeric_limits<long long>::min()), "-9223372036854775808");
}

TEST_P(NumberText, WritesGeneralTextOfFifteenDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.1 + 0.2, "0.3"},    {RoundToStep(0.005, 0.175), "0.175"}, {130.0, "130"},    {0.18, "0.18"},
      {1e-5, "1e-05"},       {5400.0, "5400"},                     {-2.5, "-2.5"},    {123456789012345678.0, "1.23456789012346e+17"},
      {kNaN, "nan"},         {-kInf, "-inf"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToGeneralText(c.value), c.text) << c.text;
}

TEST_P(NumberText, WrittenDoublesReadBackBitForBit) {
  std::mt19937_64 rng(7);
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const double v = std::bit_cast<double>(rng());
    if (!std::isfinite(v)) continue;
    const auto back = TryTextToFloat(FloatToText(v));
    ASSERT_TRUE(back.has_value()) << FloatToText(v);
    ASSERT_EQ(std::bit_cast<uint64_t>(*back), std::bit_cast<uint64_t>(v)) << FloatToText(v);
    ++checked;
  }
  EXPECT_GT(checked, 19000);
  // The delay steps of 0.005: 8600 of the 64001 do not survive 15 significant digits; every one
  // survives the shortest text.
  int lostAt15Digits = 0;
  for (int k = 0; k <= 64000; ++k) {
    const double v = RoundToStep(0.005, k * 0.005);
    ASSERT_EQ(*TryTextToFloat(FloatToText(v)), v) << k;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    if (*TryTextToFloat(std::string_view(buf, static_cast<size_t>(res.ptr - buf))) != v) ++lostAt15Digits;
  }
  EXPECT_EQ(lostAt15Digits, 8600);
}

TEST_P(NumberText, ReadsNumbers) {
  const std::string tinyWithoutExponent = "0." + std::string(400, '0') + "1";
  struct Case {
    std::string text;
    double value;
  } cases[] = {
      {"1.5", 1.5},
      {"1,5", 1.5},
      {"  -0.25\t", -0.25},
      {"+2", 2.0},
      {".5", 0.5},
      {"5.", 5.0},
      {",5", 0.5},
      {"1e3", 1000.0},
      {"1E-3", 0.001},
      {"1,5e+2", 150.0},
      {"\r\n\t 7 \x01\x1f", 7.0},
      {std::string("\0\0" "3", 3), 3.0},
      {"0012", 12.0},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"4.9e-324", 5e-324},
      // Underflow reads as zero, with or without an exponent.
      {"1e-400", 0.0},
      {"0e99999", 0.0},
      {tinyWithoutExponent, 0.0},
      {"1e-99999999999999999999999", 0.0},
  };
  for (const Case& c : cases) {
    const auto v = TryTextToFloat(c.text);
    ASSERT_TRUE(v.has_value()) << "'" << c.text << "'";
    EXPECT_EQ(*v, c.value) << "'" << c.text << "'";
    EXPECT_EQ(StrToFloatAnySeparator(c.text), c.value);
  }
  EXPECT_TRUE(std::signbit(*TryTextToFloat("-1e-400")));
  EXPECT_TRUE(std::signbit(*TryTextToFloat("-0")));
}

TEST_P(NumberText, RefusesWhatIsNotANumber) {
  const std::string overflowWithNegativeExponent = "1" + std::string(400, '0') + "e-5";
  const std::string cases[] = {
      "", "   ", "+", "-", ".", ",", "e5", "1e", "1e+", "1e-", "inf", "-inf", "INF", "infinity", "nan",
      "NaN", "-nan", "0x10", "0X1p3", "1.5x", "1 5", "1..5", "1.5.3", "1,5,3", "1.5,3", "--1", "+-1",
      "-+1", "1e5.5", "1e309", "-1e309", overflowWithNegativeExponent, "\xd9\xa1", "1_000", "1'000",
      "\"1\"", "1e 5", "- 1", "1-", std::string("1\0" "2", 3),
  };
  for (const std::string& text : cases) {
    EXPECT_FALSE(TryTextToFloat(text).has_value()) << "'" << text << "'";
  }
}

TEST_P(NumberText, ConversionErrorNamesTheText) {
  try {
    StrToFloatAnySeparator("12abc");
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_STREQ(e.what(), "'12abc' is not a valid floating point value");
    EXPECT_EQ(e.HelpContext, 0);
  }
  EXPECT_THROW(StrToFloatAnySeparator(""), EAbort);
  EXPECT_THROW(StrToFloatAnySeparator("nan"), EAbort);
  // A huge bad text is named by its start only.
  try {
    StrToFloatAnySeparator(std::string(1 << 20, 'x'));
    FAIL() << "no error";
  } catch (const EAbort& e) {
    EXPECT_EQ(std::string(e.what()), "'" + std::string(64, 'x') + "...' is not a valid floating point value");
  }
}

TEST_P(NumberText, ReadsIntegers) {
  struct Case {
    const char* text;
    std::optional<long long> value;
  } cases[] = {
      {"42", 42},
      {" -7 ", -7},
      {"+5", 5},
      {"9223372036854775807", 9223372036854775807LL},
      {"-9223372036854775808", std::numeric_limits<long long>::min()},
      {"9223372036854775808", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"1.0", std::nullopt},
      {"0x10", std::nullopt},
      {"1e3", std::nullopt},
      {"12 3", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(TryTextToInt(c.text), c.value) << "'" << c.text << "'";
}

TEST_P(NumberText, TrimsBlanksAndControlCharacters) {
  EXPECT_EQ(TrimText(" \t\r\n a b \x7f\x01"), "a b \x7f");
  EXPECT_EQ(TrimText("   "), "");
  EXPECT_EQ(TrimText(""), "");
}

// The helpers that write numbers for the display and read number lists behave the same in
// every locale.
TEST_P(NumberText, FormattersAndListsIgnoreTheLocale) {
  EXPECT_EQ(FormatNumberWithUnit(5, "GHz", 1.5), " 1.5000 GHz");
  EXPECT_EQ(FormatFloatWithUnit("####0.0#####", "", 2.25), "2.25");
  EXPECT_EQ(FormatFloatWithUnit("#,##0.00", "", 1234.5), "1,234.50");
  std::vector<double> numbers;
  ParseNumberList("1.5 2,5 3", numbers);
  EXPECT_EQ(numbers, (std::vector<double>{1.5, 2.5, 3.0}));
}

TEST_P(NumberText, SurvivesHostileText) {
  std::mt19937 rng(11);
  // Random bytes, and random texts over the characters a number is made of.
  const std::string alphabet = "0123456789+-.,eE \t\x01\x00xinfa";
  for (int i = 0; i < 20000; ++i) {
    std::string text(rng() % 24, '\0');
    for (char& ch : text) ch = (i % 2) ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    const auto v = TryTextToFloat(text);
    if (v) {
      ASSERT_TRUE(std::isfinite(*v)) << text;
      ASSERT_EQ(*TryTextToFloat(FloatToText(*v)), *v) << text;
    }
    (void)TryTextToInt(text);
  }
  // Every prefix of a valid number is read or refused, never more.
  const std::string full = "-1.234567890123e-67";
  for (size_t n = 0; n <= full.size(); ++n) (void)TryTextToFloat(full.substr(0, n));
  // A 50 MB line.
  const std::string digits(50u << 20, '7');
  EXPECT_FALSE(TryTextToFloat(digits).has_value());
  EXPECT_FALSE(TryTextToInt(digits).has_value());
  std::string padded(50u << 20, ' ');
  padded[padded.size() / 2] = '9';
  EXPECT_EQ(TryTextToFloat(padded), 9.0);
  std::string nuls(1u << 20, '\0');
  EXPECT_FALSE(TryTextToFloat(nuls).has_value());
}

}  // namespace
