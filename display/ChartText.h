#pragma once
// Text helpers of the chart's label rows and marker table: values with the unit that reads
// best, and cutting and padding by characters (UTF-8 code points, so Cyrillic words count as
// they show).
#include <string>
#include <string_view>

class ChartText {
 public:
  // The value (in the table's base unit) in the first unit of the unit table of the kind
  // (TValueUnitKind) whose magnitude reaches 1: "150 MHz". The tables carry the unit texts of
  // the language in force.
  static std::string WithUnit(double value, int unitKind);
  // Number of characters.
  static int Length(std::string_view text);
  // The first count characters (all of them when the text is shorter; none for count <= 0).
  static std::string Cut(std::string_view text, int count);
  // Blanks added on the right up to count characters.
  static std::string PadRight(std::string_view text, int count);
};
