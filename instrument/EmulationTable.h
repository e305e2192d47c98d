#pragma once
// The demonstration emulator's table of stored readings: per frequency (MHz, ascending) the
// level in dB and the unwrapped phase in radians of two waves, A (the measured one) and B.
// Readings between rows are interpolated: levels linearly, phases along the shorter way round.
//
// The text form has one row per line, five numbers (frequency, level A, level B, phase A, phase
// B) with '.' or ',' as decimal point. A line that does not give exactly five numbers, a row
// with a non-finite number and a row whose frequency is not above the previous row's are
// skipped; an empty table is valid (the emulator then answers points with their code only).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TEmulationTable {
 public:
  struct TReading {
    double LevelA = 0;  // dB
    double LevelB = 0;  // dB
    double PhaseA = 0;  // radians, in [-pi, pi] after interpolation
    double PhaseB = 0;
  };

  static TEmulationTable Parse(std::string_view text);
  // The built-in resource of that name ("Emulation"); empty when it is missing.
  static TEmulationTable FromResource(const std::string& name);

  size_t Size() const { return Freq.size(); }
  bool Empty() const { return Freq.empty(); }
  // Lines that were skipped while parsing (blank lines not counted).
  size_t SkippedLines() const { return Skipped; }

  // The reading at f MHz: the first row below the table, the last row above it, interpolated
  // between the two rows around f (found by binary search). None for an empty table.
  std::optional<TReading> Lookup(double f) const;

  std::vector<double> Freq, LevelA, LevelB, PhaseA, PhaseB;

 private:
  size_t Skipped = 0;
};
