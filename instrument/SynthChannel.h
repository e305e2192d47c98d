#pragma once
// Divider plan of one RFFC507x synthesizer: turns a wanted frequency into the register fields
// of a TPllSettings, computes what those fields really produce, and accepts the plan when that
// lies strictly within the channel's tolerance of the wanted frequency.
#include <cstdint>

#include "model/SynthRecords.h"

// The owner's settings a plan reads, taken afresh at every plan.
struct TSynthPlanParams {
  double ReferenceFreq = 32;      // MHz
  double IntermediateFreq = 0.18; // MHz
  double Freq2x = 4800;           // MHz; 14 GHz model only: signal doubler above this
  double Freq3x = 9600;           // MHz; 14 GHz model only: signal tripler above this
  bool Model14GHz = false;        // bands (doubler, tripler) and the 14 GHz heterodyne rules
};

class TSynthChannel {
 public:
  // The point record keeps three bits of the output-divider exponent: a plan that needs more
  // would reach the instrument masked and tune a wrong frequency.
  static constexpr int32_t kMaxLoDiv = 7;
  // The lowest output frequency (MHz) whose divider fits those bits: just above 5400 / 2^8,
  // where the exponent would become 8.
  static constexpr double kLowestFrequency = 21.1;

  TSynthChannel(double tolerance, bool heterodyne) : Tolerance(tolerance), Heterodyne(heterodyne) {}

  // Plans f (MHz). The record is always filled; a frequency that is not positive and finite, or
  // whose dividers do not fit the register fields (an output divider above 2^kMaxLoDiv
  // included), leaves it all zeros and returns false.
  bool CalcPll(TPllSettings& pll, double f, const TSynthPlanParams& params) const;

  // The output frequency of a plan, MHz: fc x (N + fraction / 2^24) x Prescaler / 2^LoDiv with
  // fc = ReferenceFreq / R, times 2 for band 50 and 3 for band 28 on the 14 GHz model. A record
  // without a reference divider (R <= 0) produces nothing: 0.
  static double CalcFrequency(const TPllSettings& pll, const TSynthPlanParams& params);

  double Tolerance;  // MHz: the largest accepted planning error (strictly below)
  bool Heterodyne;   // false: signal synthesizer; true: heterodyne synthesizer
};
