#pragma once
// The flash image of the demonstration's calibration module ("EcalFlash"), a model-1 (9-state)
// module made from a small physical model. Ours: no real module's data.
//
// Factory characterisation: 1400 points from 10 to 14000 MHz, at 25.0 degrees C; serial
// "DEMO0001"; connectors 3.5 mm female on both ports. The user areas stay erased.
//
// Standards at port A (f in Hz, w = 2 pi f, Z0 = 50 ohm):
//   Short   offset short: -(1 - 0.004 sqrt(f / 1 GHz)) exp(-j w 2 x 31 ps)
//   Open    offset open with 18 fF fringe: (1 - j w C Z0) / (1 + j w C Z0), offset 2 x 27 ps,
//           loss as the short
//   Load    51 ohm in series with 25 pH
//   Load2   a mismatched load: 75 ohm in parallel with 40 fF
//   Open2   a second open behind 2 x 58 ps of line, fringe 12 fF
//   Thru    lossy line: S21 = S12 = 10^(-(0.15 + 0.45 sqrt(f / 1 GHz)) / 20) exp(-j w 95 ps);
//           S11 = S22 = 0.02 exp(-j w 40 ps + 0.7)
//   Attenuator 10 dB: S21 = S12 = 0.316 exp(-j w 120 ps), S11 = S22 = 0.03 exp(-j w 35 ps)
// Port B: each value's line 1.5 ps longer each way and its magnitude 0.998 of A's.
// Thermal tables: 141 points from 10 to 14000 MHz; every magnitude coefficient
// -0.0004 - 0.0002 f / 1 GHz dB per degree, every phase coefficient -0.012 f / 1 GHz degree per
// degree (the lines grow with temperature); the transmissions' magnitudes twice that.
#include <cstdint>
#include <vector>

namespace ecalflash {

constexpr int kPoints = 1400;
constexpr double kFirstMHz = 10.0;
constexpr double kLastMHz = 14000.0;
constexpr int kThermalPoints = 141;

std::vector<uint8_t> Image();

}  // namespace ecalflash
