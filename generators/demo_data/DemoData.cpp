// Writes the demonstration data into a folder: tervan_demo_data <folder>
// The model and the formats are described in DemoData.h.
#include "DemoData.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>

namespace demodata {

std::complex<double> Reflection(double fMHz) {
  const double f = fMHz * 1e6;
  const double beta = 2 * std::numbers::pi * f / (kVelocityFactor * kLightSpeed);
  const double alpha = kLossDbPerM * std::sqrt(f / 1e9) / (20.0 / std::numbers::ln10);  // dB -> Np
  const std::complex<double> gamma(alpha, beta);
  const std::complex<double> load = kLoadGamma * std::exp(-2.0 * gamma * kLineLengthM);
  const double c = kConnectorGamma;
  return c + (1 - c * c) * load / (1.0 + c * load);
}

std::vector<double> TableFrequencies() {
  std::vector<double> f{0.3};
  for (int mhz = 5; mhz <= 14000; mhz += 5) f.push_back(mhz);
  return f;
}

std::string TableField(double value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
  std::string s(buf, r.ptr);
  if (s == "-0.0000") s = "0.0000";
  for (char& c : s) {
    if (c == '.') c = ',';
  }
  if (s.size() < 12) s.insert(0, 12 - s.size(), ' ');
  return s;
}

std::string EmulationText() {
  std::string text;
  double previous = 0;
  bool first = true;
  for (double f : TableFrequencies()) {
    std::complex<double> g = Reflection(f);
    double phase = std::arg(g);
    if (!first) {
      // Unwrap: the step from the previous row's phase, taken the shorter way round.
      phase = previous + std::remainder(phase - previous, 2 * std::numbers::pi);
    }
    first = false;
    previous = phase;
    const double levelA = 20 * std::log10(std::abs(g));
    // The absent receiver: noise level with a slow wobble, and a slowly turning phase.
    const double levelB = -110.0 - 2.0 * std::sin(f / 700.0);
    const double phaseB = -0.75 - f * 0.0025;
    text += TableField(f) + TableField(levelA) + TableField(levelB) + TableField(phase) + TableField(phaseB) + "\r\n";
  }
  return text;
}

std::string StandInText(size_t n, uint32_t seed) {
  static const char digits[] = "0123456789ABCDEF";
  const std::string mark = "STAND-IN";
  std::string text;
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    uint8_t b;
    if (i < mark.size()) {
      b = static_cast<uint8_t>(mark[i]);
    } else {
      x = x * 1664525u + 1013904223u;  // a fixed filler, the same on every build
      b = static_cast<uint8_t>(x >> 24);
    }
    text += "0x";
    text += digits[b >> 4];
    text += digits[b & 15];
    text += "\r\n";
  }
  return text;
}

}  // namespace demodata

namespace {

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tervan_demo_data <output folder>\n";
    return 2;
  }
  std::filesystem::path folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  bool ok = WriteFile(folder / "Emulation", demodata::EmulationText()) &&
            WriteFile(folder / "DSPFirmwareTV", demodata::StandInText(demodata::kStandInSizeK12, 12)) &&
            WriteFile(folder / "DSPFirmwareTV30", demodata::StandInText(demodata::kStandInSizeK30, 30));
  if (!ok) {
    std::cerr << "tervan_demo_data: cannot write into " << folder << "\n";
    return 1;
  }
  return 0;
}
