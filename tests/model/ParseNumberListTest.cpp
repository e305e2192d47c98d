// ParseNumberList: the tolerant splitter of Touchstone, calibration-text and emulation lines.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model/Utils.h"

namespace {

using namespace std::string_literals;
using Numbers = std::vector<double>;

TEST(ParseNumberList, SplitsAndStopsAtTheFirstNonNumber) {
  struct Case {
    std::string text;
    Numbers numbers;
  } cases[] = {
      // The comma is a decimal point, not a separator: '0.5,3' is one item that does not convert.
      {"1e9 0.5,3 -0.25", {1e9}},
      // '!' separates like a blank; the word after the last number ends the list.
      {"100 1,5 2 ! 3 dB", {100, 1.5, 2, 3}},
      {"", {}},
      {" \t\r\n ", {}},
      {"1|2;3!4:5\t6\r\n7 8", {1, 2, 3, 4, 5, 6, 7, 8}},
      {"   1    2   ", {1, 2}},
      {"|||1;;;2", {1, 2}},
      {"-1.5E-3;+2", {-0.0015, 2}},
      {"1 2 x 3", {1, 2}},
      {"# comment 1 2", {}},
      {"1,,5 2", {}},
      {"1 inf 2", {1}},
      {"1 nan", {1}},
      {"1\v2", {}},
      {"1\0 2"s, {1, 2}},  // control characters around an item are trimmed
      // A quoted stretch is one item, kept with its quotes, so it does not convert.
      {"1 \"2 3\" 4", {1}},
      {"1 '2 3' 4", {1}},
      {"1 '2", {1}},
      {"1 \"2|3;4\"5 6", {1}},
      {"1 'a\"b' 2", {1}},
      // A double quote opens a quoted stretch; it does not also split.
      {"1\"2\"", {}},
      {"5 1\"2\" 3", {5}},
      {"'", {}},
  };
  for (const Case& c : cases) {
    Numbers numbers{9, 9, 9};  // emptied first
    ParseNumberList(c.text, numbers);
    EXPECT_EQ(numbers, c.numbers) << testing::PrintToString(c.text);
  }
}

TEST(ParseNumberList, ReadsATouchstoneDataLine) {
  Numbers numbers;
  ParseNumberList(
      "1.00000000E+08\t 5.00000000E-01\t-2.50000000E-01\t 1.00000000E-02\t 0.00000000E+00\t"
      " 0.00000000E+00\t 0.00000000E+00\t 0.00000000E+00\t 0.00000000E+00",
      numbers);
  EXPECT_EQ(numbers, (Numbers{1e8, 0.5, -0.25, 0.01, 0, 0, 0, 0, 0}));
}

TEST(ParseNumberList, SurvivesHostileText) {
  std::mt19937 rng(3);
  const std::string alphabet = "0123456789.,eE+- \t|;!:\"'x\r\n\0\x01"s;
  Numbers numbers;
  for (int i = 0; i < 20000; ++i) {
    std::string text(rng() % 40, '\0');
    for (char& ch : text) ch = (i % 3 == 0) ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    ParseNumberList(text, numbers);
    ASSERT_LE(numbers.size(), (text.size() + 1) / 2);
    for (double v : numbers) ASSERT_TRUE(std::isfinite(v)) << testing::PrintToString(text);
  }
  // Truncations of a data line read a prefix of its numbers.
  const std::string line = "1.5e9 -2,25 3e-3 | 4 ; 5";
  const Numbers all{1.5e9, -2.25, 3e-3, 4, 5};
  for (size_t n = 0; n <= line.size(); ++n) {
    ParseNumberList(line.substr(0, n), numbers);
    ASSERT_LE(numbers.size(), all.size());
    for (size_t k = 0; k + 1 < numbers.size(); ++k) ASSERT_EQ(numbers[k], all[k]) << n;
  }
}

TEST(ParseNumberList, HandlesFiftyMegabyteLines) {
  Numbers numbers;
  const std::string digits(50u << 20, '7');
  ParseNumberList(digits, numbers);
  EXPECT_TRUE(numbers.empty());
  std::string blanks(50u << 20, ' ');
  blanks.back() = '8';
  ParseNumberList(blanks, numbers);
  EXPECT_EQ(numbers, Numbers{8});
  std::string quoted(50u << 20, 'q');
  quoted[0] = '2';
  quoted[1] = ' ';
  quoted[2] = '"';
  ParseNumberList(quoted, numbers);  // an unclosed quote runs to the end
  EXPECT_EQ(numbers, Numbers{2});
  // Two million numbers on one line.
  std::string many;
  for (int i = 0; i < 2000000; ++i) many += "1.25 ";
  ParseNumberList(many, numbers);
  ASSERT_EQ(numbers.size(), 2000000u);
  EXPECT_EQ(numbers.back(), 1.25);
}

}  // namespace
