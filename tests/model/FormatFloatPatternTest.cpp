// The value patterns of unit formatting, the keypad and the table editors, and the rules that
// hold for every pattern: ties away from zero, no minus sign on a zero, non-finite words, the
// exponent form from 1e15 on, and no locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "model/Utils.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct PatternCase {
  const char* pattern;
  double value;
  const char* text;
};

TEST(FormatFloat, UnitAndKeypadPatterns) {
  const PatternCase cases[] = {
      {"###0.######", 999.9999999, "1000"},
      {"###0.######", 0.0000005, "0.000001"},    // tie away from zero
      {"###0.######", -0.0000005, "-0.000001"},
      {"###0.######", 0.00000049, "0"},
      {"###0.######", -0.00000049, "0"},         // rounds to zero: no minus sign
      {"###0.######", -0.0, "0"},
      {"###0.######", 6.000000024, "6"},
      {"###0.0##", 2.0, "2.0"},
      {"###0.0##", 0.0005, "0.001"},
      {"###0.0##", -0.0004, "0.0"},
      {"###0.0##", 1234.56789, "1234.568"},
      {"###0.0##", 0.1, "0.1"},
      {"###0.0### ", 2.0, "2.0 "},               // the blank after the number is literal text
      {"###0.0### ", -1.23456, "-1.2346 "},
      {"###0.0### ", 0.00005, "0.0001 "},
      {"###0.0### ", 0.0, "0.0 "},
      {"#####0.######", 123456.1234565, "123456.123457"},
      {"#####0.######", 0.0, "0"},
      {"#####0.######", 1e-7, "0"},
      {"#####0.######", 1234567.0, "1234567"},
  };
  for (const PatternCase& c : cases) EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << c.value;
}

TEST(FormatFloat, NonFiniteAndHugeValues) {
  const PatternCase cases[] = {
      {"###0.0##", kNaN, "NAN"},
      {"###0.0##", kInf, "INF"},
      {"###0.0##", -kInf, "-INF"},
      {"###0.0### ", kNaN, "NAN"},
      {"###0.######", 999999999999999.9, "999999999999999.9"},  // just below the exponent form
      {"###0.######", 1e15, "1E15"},
      {"###0.######", -2.5e20, "-2.5E20"},
      {"###0.0##", 123456789012345680.0, "1.2345678901234568E17"},
      {"###0.######", 1.7976931348623157e308, "1.7976931348623157E308"},
      {"###0.0### ", 1e15, "1E15 "},             // literal text stays around it
      {"0.0;(0.0)", -3e16, "(3E16)"},            // the negative section keeps its own sign
      {"0.00E+00", 1e20, "1.00E+20"},            // a pattern with an exponent keeps it
  };
  for (const PatternCase& c : cases) EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << c.value;
  EXPECT_EQ(FormatFloatWithUnit("###0.######", "Hz", 1e18), "1E18 Hz");
}

TEST(FormatFloat, NoLocaleIsConsulted) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "ru_RU.UTF-8", "ru_RU.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
  bool comma = false;
  for (const char* name : names) {
    if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
      comma = true;
      break;
    }
  }
  if (!comma) {
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  const std::string text = FormatFloat("###0.0##", 1234.5);
  const std::string huge = FormatFloat("###0.######", 2.5e20);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(text, "1234.5");
  EXPECT_EQ(huge, "2.5E20");
}

}  // namespace
