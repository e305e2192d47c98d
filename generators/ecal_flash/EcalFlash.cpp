// Writes the demonstration module's flash image: tervan_ecal_flash_gen <output file>
// The model is described in EcalFlash.h.
#include "EcalFlash.h"

#include <cmath>
#include <complex>
#include <fstream>
#include <iostream>
#include <numbers>

#include "model/EcalFlash.h"

namespace ecalflash {

namespace {

using cd = std::complex<double>;
constexpr double kZ0 = 50.0;

cd Line(double f, double ps) { return std::exp(cd(0, -2 * std::numbers::pi * f * ps * 1e-12)); }
double Loss(double f) { return 1 - 0.004 * std::sqrt(f / 1e9); }
cd FromZ(cd z) { return (z - kZ0) / (z + kZ0); }
cd Open(double f, double fringe) {
  const cd y(0, 2 * std::numbers::pi * f * fringe * kZ0);
  return (1.0 - y) / (1.0 + y);
}

// Slot s at f (Hz); b for the slots of port B (their reflections, S22).
cd Value(int s, double f, bool b) {
  const double extra = b ? 1.5 : 0.0;
  const double scale = b ? 0.998 : 1.0;
  const double w = 2 * std::numbers::pi * f;
  cd g;
  switch (s) {
    case 0: case 1: g = -Loss(f) * Line(f, 2 * (31 + extra)); break;
    case 2: case 3: g = Loss(f) * Open(f, 18e-15) * Line(f, 2 * (27 + extra)); break;
    case 4: case 5: g = FromZ(cd(51.0, w * 25e-12)); break;
    case 14: case 15: g = FromZ(1.0 / (1.0 / 75.0 + cd(0, w * 40e-15))); break;
    case 16: case 17: g = Loss(f) * Open(f, 12e-15) * Line(f, 2 * (58 + extra)); break;
    case 6: case 7: g = std::pow(10.0, -(0.15 + 0.45 * std::sqrt(f / 1e9)) / 20) * Line(f, 95); break;
    case 8: case 9: g = 0.02 * Line(f, 40 + extra) * std::exp(cd(0, 0.7)); break;
    case 10: case 11: g = 0.316 * Line(f, 120); break;
    default: g = 0.03 * Line(f, 35 + extra); break;
  }
  return g * scale;
}

}  // namespace

std::vector<uint8_t> Image() {
  ecal::TImageSpec spec;
  spec.Serial = "DEMO0001";
  spec.Model = 1;
  spec.Present[0] = true;
  ecal::TCharacterizationImage& c = spec.Characterizations[0];
  c.Descriptor = ecal::ClearedDescriptor();
  c.Descriptor.Date = "2026-12-01";
  c.Descriptor.Time = "12:00:00";
  c.Descriptor.Location = "Demonstration";
  c.Descriptor.Operator = "Generator";
  c.Descriptor.Analyser = "Model";
  c.Descriptor.FirstFrequency = kFirstMHz * 1e6;
  c.Descriptor.LastFrequency = kLastMHz * 1e6;
  c.Descriptor.Points = kPoints;
  c.Descriptor.Temperature = 25.0;
  c.Descriptor.ConnectorA = 3;
  c.Descriptor.ConnectorB = 3;
  for (int s = 0; s < ecal::kSlotCount; ++s) {
    // Slots of port B: the odd one-port slots and the S22 blocks.
    const bool b = (s <= 5 || s >= 14) ? (s % 2 == 1) : (s == 9 || s == 13);
    std::vector<TComplex> v;
    for (int i = 0; i < kPoints; ++i) {
      const double f = (kFirstMHz + (kLastMHz - kFirstMHz) * i / (kPoints - 1)) * 1e6;
      const cd g = Value(s, f, b);
      v.push_back({g.real(), g.imag()});
    }
    c.Blocks[static_cast<size_t>(s)] = ecal::EncodeBlock(v);
  }
  spec.HasThermal = true;
  spec.Thermal = {kFirstMHz * 1e6, kLastMHz * 1e6, kThermalPoints};
  for (int t = 0; t < ecal::ThermalTableCount(1); ++t) {
    const bool phase = t % 2 == 1;
    const bool transmission = t >= 8 && t <= 11;
    std::vector<double> table;
    for (int j = 0; j < kThermalPoints; ++j) {
      const double ghz = (kFirstMHz + (kLastMHz - kFirstMHz) * j / (kThermalPoints - 1)) * 1e-3;
      table.push_back(phase ? -0.012 * ghz : (transmission ? 2 : 1) * (-0.0004 - 0.0002 * ghz));
    }
    spec.ThermalTables.push_back(ecal::EncodeThermal(table));
  }
  return ecal::WriteImage(spec);
}

}  // namespace ecalflash

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tervan_ecal_flash_gen <output file>\n";
    return 2;
  }
  const std::vector<uint8_t> image = ecalflash::Image();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::cerr << "tervan_ecal_flash_gen: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
