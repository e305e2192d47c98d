#pragma once
// The correction of one decoded point with the error terms of a system calibration: the
// instrument's own errors come off before a channel's user calibration sees the point. It runs
// for every measured point, so it allocates nothing and takes no lock.
#include "model/Complex.h"
#include "model/SystemTerms.h"

class TCalRange;
class TRange;

class TSystemCorrection {
 public:
  // Below this magnitude a divisor or a corrected value counts as zero, everywhere.
  static constexpr double kThreshold = 1e-18;

  // Corrects the reflection ratio x of port a and the transmission ratio y of port b in place
  // with the terms interpolated at frequencyMHz; a negative port leaves its value alone, and so
  // does a null or empty table. portMatchA tells whether the calibration measured the source
  // match of port a: only then is the transmission corrected for it (enhanced response, with
  // the uncorrected reflection). A correction that would divide by (nearly) zero, or whose
  // result is (nearly) zero, keeps the raw value: a zero reading is never made up.
  static void Apply(const TCalRange* terms, bool portMatchA, int a, TComplex& x, int b, TComplex& y,
                    double frequencyMHz);
  // The same correction with the terms at hand: er, ed, es of port a and et of port b.
  static void ApplyTerms(const TComplex& er, const TComplex& ed, const TComplex& es, const TComplex& et,
                         bool portMatchA, int a, TComplex& x, int b, TComplex& y);

  // The terms of table at point i of channel (port a's Er, Ed, Es and port b's Et, as Apply
  // interpolates them), from the terms the channel keeps. They are interpolated again for the
  // whole point list when they were made from another table or another state of it, for other
  // ports, or for another point list (another count, or point i at another frequency). Null
  // when i is not a point of the channel.
  static const TPointTerms* TermsAt(TSystemTerms& kept, const TCalRange& table, const TRange& channel, int i, int a,
                                    int b);
};
