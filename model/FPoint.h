#pragma once
// The sweep point of a channel: its stimulus, the programming of both synthesizers, and every
// value measured or derived there. Every complex value starts at (1e-10, 0), just above the
// threshold under which the running average takes a new value as it comes.
#include <cstdint>

#include "model/BasePoint.h"
#include "model/Complex.h"
#include "model/SynthRecords.h"

class TFPoint : public TBasePoint {
 public:
  static constexpr TComplex Floor{1e-10, 0.0};
  static constexpr double NoPowerReading = -100.0;
  // Below this magnitude (strictly) a stored average or a new value is taken as empty.
  static constexpr double AverageThreshold = 1e-10;

  TFPoint(TFObject* owner, double frequency, double power, int32_t ifbw,
          const TPointSynthSettings& synthSettings)
      : TBasePoint(owner, frequency, power, ifbw), SynthSettings(synthSettings) {}

  TComplex GetData(int port) const { return Data[port]; }
  TComplex GetRawLevel(int receiver) const { return RawLevel[receiver]; }
  TComplex GetRefLevel() const { return RefLevel; }

  // One step of a running average: the result replaces average and is returned. A stored
  // average or a new value of magnitude below 1e-10 gives the new value; with averaging on the
  // result is (average x n + value) / (n + 1), n being the sweeps averaged so far; else value.
  // Inline: the point path runs five of them at every point of every sweep.
  static TComplex Average(TComplex& average, const TComplex& value, bool enabled, int n) {
    if (BelowAverageThreshold(average) || BelowAverageThreshold(value) || !enabled) {
      average = value;
    } else {
      average = (average * static_cast<double>(n) + value) / static_cast<double>(n + 1);
    }
    return average;
  }

  TPointSynthSettings SynthSettings;
  TComplex RawLevel[2] = {Floor, Floor};     // averaged magnitude of each measuring receiver
  TComplex Data[2] = {Floor, Floor};         // measured value of each port, then corrected
  TComplex RefLevel = Floor;                 // averaged magnitude of the reference receiver
  double PowerReading = NoPowerReading;      // external power meter, dBm
  TComplex RawLevelAverage[2] = {Floor, Floor};
  TComplex DataAverage[2] = {Floor, Floor};
  TComplex RefLevelAverage = Floor;
  // Index of the segment a segment sweep built the point from; -1 for other sweeps.
  int32_t SegmentIndex = -1;

 private:
  // |z| < 1e-10. A squared magnitude clearly above the threshold's square decides without a
  // square root; values near the threshold are decided by the exact magnitude.
  static bool BelowAverageThreshold(const TComplex& z) {
    if (z.Re * z.Re + z.Im * z.Im > 1.01e-20) return false;
    return Abs(z) < AverageThreshold;
  }
};
