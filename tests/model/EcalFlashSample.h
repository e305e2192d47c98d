#pragma once
// A small deterministic module image for the tests: every slot a distinct smooth curve, so a
// value found in the wrong slot or at the wrong point shows.
#include <array>
#include <cmath>
#include <vector>

#include "model/EcalFlash.h"

namespace ecal {

// Slot s, point i of n: magnitude 0.05 + 0.05 s falling a little with i, phase turning with i.
inline std::array<std::vector<TComplex>, kSlotCount> SampleValues(uint32_t n, int seed) {
  std::array<std::vector<TComplex>, kSlotCount> values;
  for (int s = 0; s < kSlotCount; ++s) {
    for (uint32_t i = 0; i < n; ++i) {
      const double magnitude = (0.05 + 0.05 * s) * (1.0 - 0.1 * i / (n > 1 ? n - 1 : 1)) * (1 + 0.01 * seed);
      const double phase = std::remainder(0.3 * s + 0.17 * i + 0.05 * seed, 2 * 3.141592653589793);
      values[static_cast<size_t>(s)].push_back(Polar(magnitude, phase));
    }
  }
  return values;
}

// Thermal table t of k points: a coefficient linear in frequency.
inline std::vector<double> SampleThermal(int k, int t) {
  std::vector<double> out;
  for (int j = 0; j < k; ++j) out.push_back((t % 2 ? 0.05 : -0.002) * (1 + t) * (1.0 + j / std::max(1.0, k - 1.0)));
  return out;
}

// An image of a model with the factory characterisation of n points (100 to 8000 MHz, 25.0
// degrees), serial "TEST0042", and thermal tables of 11 points from 10 to 9000 MHz.
inline TImageSpec SampleSpec(int model, uint32_t n, int seed) {
  TImageSpec spec;
  spec.Serial = "TEST0042";
  spec.Model = static_cast<uint16_t>(model);
  spec.Present[0] = true;
  TCharacterizationImage& c = spec.Characterizations[0];
  c.Descriptor = ClearedDescriptor();
  c.Descriptor.Date = "2026-12-11";
  c.Descriptor.Time = "04:00:00";
  c.Descriptor.FirstFrequency = 100e6;
  c.Descriptor.LastFrequency = 8000e6;
  c.Descriptor.Points = n;
  c.Descriptor.Temperature = 25.0;
  c.Descriptor.ConnectorA = 3;
  c.Descriptor.ConnectorB = 3;
  const auto values = SampleValues(n, seed);
  for (int s = 0; s < kSlotCount; ++s) c.Blocks[static_cast<size_t>(s)] = EncodeBlock(values[static_cast<size_t>(s)]);
  spec.HasThermal = true;
  spec.Thermal = {10e6, 9000e6, 11};
  for (int t = 0; t < ThermalTableCount(model); ++t) spec.ThermalTables.push_back(EncodeThermal(SampleThermal(11, t)));
  return spec;
}

}  // namespace ecal
