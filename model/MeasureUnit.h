#pragma once
// One unit of a unit table: the size of one such unit in the table's base unit, and its text as
// shown (already translated).
#include <cstddef>
#include <string>
#include <string_view>

struct TMeasureUnit {
  // A unit text holds at most this many UTF-16 code units (seven characters of any script but
  // the rare ones outside the basic plane); the keypad lays its unit buttons out for that.
  static constexpr size_t MaxTextUnits = 7;

  TMeasureUnit() = default;
  // text is cut to MaxTextUnits at a character boundary: a longer translation would overflow
  // the keypad's unit buttons, and a cut text still tells the units apart.
  TMeasureUnit(double multiplier, std::string_view text);

  double Multiplier = 1.0;
  std::string Text;
};
