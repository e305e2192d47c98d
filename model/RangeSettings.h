#pragma once
// The stimulus of a channel as one value record: what a calibration keeps as the stimulus it
// was measured with (byte for byte, 152 bytes), what a state section is read into and what the
// calibration and adjustment runs apply to their temporary channels. The segment table travels
// beside it; SegmentCount only records the table's size.
#include <cstddef>
#include <cstdint>

struct TRangeSettings {
  static constexpr size_t ByteSize = 152;

  int32_t SweepMode = 0;
  int32_t NPoints = 201;
  double MinFrequency = 0.0;  // start, MHz
  double MaxFrequency = 0.0;  // stop, MHz
  double MinPower = -55.0;    // dBm
  double MaxPower = 3.0;      // dBm
  double FixedFreq = 0.0;     // MHz
  bool FOMState = false;
  double FOMOffset[2] = {0.0, 0.0};
  int32_t FOMMultiplier[2] = {1, 1};
  int32_t FOMDivider[2] = {1, 1};
  bool FOMAdjust = false;
  int32_t FOMAdjPort = 0;
  double FOMAdjValue[2] = {0.0, 0.0};
  int32_t CommonIFBW = 10000;  // Hz
  double CommonDelay = 0.0;    // ms
  double OutputPower = -10.0;  // dBm
  double PowerSlope = 0.0;     // dB per GHz
  bool SegmentListIFBW = false;
  bool SegmentListPower = false;
  bool SegmentListDelay = false;
  int32_t SegmentCount = 0;

  // Little-endian at the record's fixed offsets; reserved bytes are written as 0 and ignored
  // when read; a flag byte reads as true when it is not 0.
  void WriteBytes(uint8_t* out) const;
  static TRangeSettings ReadBytes(const uint8_t* in);

  friend bool operator==(const TRangeSettings&, const TRangeSettings&) = default;
};

// Limits a record that comes from a file (state section, calibration) to the ranges of the
// channel's setters, keeping every value the program writes itself unchanged: sweep codes other
// than 0, 1, 3, 4 become 0; points 2 ... 16001; delay 0 ... 320 ms; multipliers -1000 ... 1000,
// dividers 1 ... 1000; offsets within plus and minus the device maximum frequency; adjustment
// values -0.5 ... 0.5; an adjustment port other than 0 or 1 becomes 0; slope 0 ... 2 dB/GHz.
// Output power and the power-sweep range are not limited (the program itself writes -10 dBm,
// and the rebuild limits the range). Non-finite numbers take the channel's defaults.
void SanitizeRangeSettings(TRangeSettings& settings, double deviceMinFrequency, double deviceMaxFrequency);
