#pragma once
// The twelve unit tables of the program (frequency, time, lengths, levels, component values),
// filled once with translated unit texts. The main window owns one set; the keypad and every
// formatted value read it. The keypad names a table by its unit-kind code, which differs from
// the storage order for kinds 5 and 10.
#include <array>
#include <functional>
#include <string>

#include "model/MeasureUnits.h"

// Unit-kind codes as the dialogs pass them to the keypad.
enum TValueUnitKind : int {
  ukFrequency = 0,
  ukTime = 1,
  ukMetricLength = 2,
  ukImperialLength = 3,
  ukDecibel = 4,
  ukNone = 5,
  ukDbm = 6,
  ukMilliwatt = 7,
  ukInductance = 8,
  ukCapacitance = 9,
  ukDecibelPerMetre = 10,
  ukDegree = 11,
};

class TMeasureUnitTables {
 public:
  static constexpr int TableCount = 12;
  using TTranslate = std::function<std::string(const std::string&)>;

  // Fills the tables in storage order. Every unit text but the empty one of the table without
  // a unit passes through translate; without one the texts stay English.
  explicit TMeasureUnitTables(const TTranslate& translate = {});

  // The table at a storage position 0..11; EAbort for any other.
  const TMeasureUnits& Table(int storage) const;
  // The table of a unit-kind code 0..11; EAbort for any other.
  const TMeasureUnits& OfKind(int kind) const;
  // The storage position of a unit-kind code, or -1 outside 0..11.
  static int StorageOfKind(int kind);

 private:
  std::array<TMeasureUnits, TableCount> tables_;
};
