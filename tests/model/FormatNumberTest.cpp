// FormatNumberWithUnit (table values, marker readouts, status labels) and FormatFloatWithUnit
// (limit and ripple table editors).
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "model/Utils.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct NumberCase {
  int digits;
  const char* unit;
  double value;
  const char* text;
};

TEST(FormatNumber, CutsTheNineDecimalPrint) {
  const NumberCase cases[] = {
      {5, "", 3.14159, " 3.1415"},
      {5, "", -12.5, "-12.500"},
      {5, "", 123456.7, " 123456"},
      {3, "", 1.99999, " 1.99"},  // cut, not rounded
      {3, "", 0.9999999999, " 1.000"},  // the nine-decimal print rounds first
      {5, "GHz", 1.5, " 1.5000 GHz"},
      {5, "", 1.5, " 1.5000"},  // no unit, no blank
      {5, "dB", 1.0, " 1.0000 dB"},
      {4, "ms", 999.0, " 999.0 ms"},
      {5, "s", 1.234, " 1.2340 s"},
      {5, "", 99999.5, " 99999"},
      {3, "", 9.9999999999, " 10.00"},  // rounding carries into a new digit
      {0, "", 3.7, " 3"},
      {-4, "", 3.7, " 3"},
      {30, "", 1.0 / 3, " 0.333333333"},  // never more than the nine decimals
      {2, "", -0.0, "-0.00"},
      {5, "", kNaN, " nan"},
      {5, "dB", -kInf, "-inf dB"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(FormatNumberWithUnit(c.digits, c.unit, c.value), c.text) << c.digits << " " << c.value;
  }
}

// Mend: cutting to digits + 2 characters used to cut integer digits (12345678.9 with 5 digits
// showed " 123456", a hundred times too small). The cut never falls before the decimal point.
TEST(FormatNumber, NeverCutsIntegerDigits) {
  const NumberCase cases[] = {
      {5, "", 12345678.9, " 12345678"},
      {5, "", -12345678.9, "-12345678"},
      {5, "Hz", 1e9, " 1000000000 Hz"},
      {4, "ms", 123456.0, " 123456 ms"},
      {1, "", 99.9, " 99"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(FormatNumberWithUnit(c.digits, c.unit, c.value), c.text) << c.digits << " " << c.value;
  }
  const std::string huge = FormatNumberWithUnit(5, "", 1e300);
  EXPECT_EQ(huge.size(), 302u);
  EXPECT_EQ(huge.substr(0, 2), " 1");
  EXPECT_EQ(huge.find('.'), std::string::npos);
}

// Values below 1 have no integer digit: all `digits` places go to the decimals, as the rounded
// 0.9999999999 above shows.
TEST(FormatNumber, ValuesBelowOneKeepTheirDecimals) {
  const NumberCase cases[] = {
      {4, "ms", 0.0, " 0.0000 ms"},
      {5, "", 0.5, " 0.50000"},
      {3, "dB", -0.0001, "-0.000 dB"},
      {5, "U", 0.123456789, " 0.12345 U"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(FormatNumberWithUnit(c.digits, c.unit, c.value), c.text) << c.digits << " " << c.value;
  }
}

struct FloatCase {
  const char* pattern;
  double value;
  const char* text;
};

TEST(FormatFloat, FormatsTheTableEditorPatterns) {
  const FloatCase cases[] = {
      {"####0.0#####", 2.5, "2.5"},
      {"####0.0#####", 100.0, "100.0"},
      {"####0.0#####", 0.0, "0.0"},
      {"####0.0#####", 1e-7, "0.0"},
      {"####0.0#####", 1234.5678912, "1234.567891"},
      {"####0.0#####", -3.25, "-3.25"},
      {"####0.0#####", 0.1 + 0.2, "0.3"},
      {"####0.0#####", -1e-9, "0.0"},  // a negative value shown as zero has no sign
      {"####0.0#####", 999.99999995, "1000.0"},
      {"####0.0#####", 14000.0, "14000.0"},
      {"####0.0#####", 1234567.5, "1234567.5"},  // more integer digits than placeholders
      {"###0.######", 100.0, "100"},
      {"###0.######", 0.5, "0.5"},
      {"###0.######", -0.000001, "-0.000001"},
      {"###0.######", 1.0000004, "1"},
      {"###0.######", 2.0000005, "2.000001"},  // halves away from zero on the decimal text
      {"###0.######", 12345678.123456789, "12345678.123457"},
      {"###0.######", 0.0, "0"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0.0", 0.25, "0.3"},
      {"#.##", 0.5, ".5"},
      {"00000", 42.0, "00042"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(FormatFloatWithUnit(c.pattern, "", c.value), c.text) << c.pattern << " " << c.value;
  }
}

TEST(FormatFloat, ThousandsExponentSectionsAndLiterals) {
  const FloatCase cases[] = {
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"#,##0.00", 999.995, "1,000.00"},
      {"#,##0.00", 12.0, "12.00"},
      {"0.00E+00", 12345.0, "1.23E+04"},
      {"0.00E+00", 0.00012345, "1.23E-04"},
      {"0.00E+00", 0.0, "0.00E+00"},
      {"0.00E+00", -9.995, "-1.00E+01"},
      {"0.00E+00", 1e300, "1.00E+300"},
      {"0.###E-0", 12345.0, "1.235E4"},
      {"0.###E-0", 0.5, "5E-1"},
      {"00.0e+000", 12345.0, "12.3e+003"},
      {"0.0;(0.0);zero", -2.5, "(2.5)"},
      {"0.0;(0.0);zero", 0.0, "zero"},
      {"0.0;(0.0);zero", 2.5, "2.5"},
      {"0.0' dB'", 1.0, "1.0 dB"},
      {"\"f=\"0.0", 1.0, "f=1.0"},
      {"####0.0#####", kNaN, "NAN"},
      {"####0.0#####", -kInf, "-INF"},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(FormatFloatWithUnit(c.pattern, "", c.value), c.text) << c.pattern << " " << c.value;
  }
}

TEST(FormatFloat, AppendsTheUnit) {
  EXPECT_EQ(FormatFloatWithUnit("####0.0#####", "MHz", 2.5), "2.5 MHz");
  EXPECT_EQ(FormatFloatWithUnit("###0.######", "dB", -3.0), "-3 dB");
  EXPECT_EQ(FormatFloatWithUnit("###0.######", "", -3.0), "-3");
  EXPECT_EQ(FormatFloatWithUnit("", "V", 0.125), "0.125 V");  // no pattern: the shortest text
}

}  // namespace
