#pragma once
// The fixed frequency grids of the system calibration (sweep type 3), one per model row: runs
// of evenly spaced frequencies, and around every synthesizer band edge four close frequencies
// (two just below the edge, two at and just above it). Stored calibrations map a grid index to
// its frequency, so the grids stay as they are; on the 14 GHz grid index 42 (169 MHz) lies above
// indices 43 to 46, and every search over a grid copes with that step back.

class TSystemCalGrid {
 public:
  // Points of a sweep over the grid of the model row (3: 893, 4: 848); 0 for other rows.
  static int PointCount(int modelRow);
  // True for the rows that have a grid (3 and 4).
  static bool HasGrid(int modelRow);
  // Frequency (MHz) of grid index i; the last run continues beyond the table. 0 for other rows.
  static double Frequency(int modelRow, int i);
  // A first guess of the grid index at frequency x (MHz) for a search: the index of a listed
  // close frequency equal to x (relative tolerance), else the position of x within the first
  // run that encloses it, else the last index of the highest run ending at or below x; 0 below
  // the grid. The caller refines the guess against real point frequencies.
  static double EstimateIndex(int modelRow, double x);
};
