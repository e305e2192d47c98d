#pragma once
// The demonstration data the program embeds: the emulator's table of readings ("Emulation") and
// two firmware stand-ins ("DSPFirmwareTV", "DSPFirmwareTV30"). Generated at build time by the
// program in DemoData.cpp; nothing generated is kept in the repository.
//
// The table models a cable on the port, seen as a reflection coefficient:
//
//   Γ  = Γc + (1 − Γc²)·Γ′ / (1 + Γc·Γ′)        connector mismatch Γc = 0.05 in front of
//   Γ′ = ΓL·e^(−2γℓ)                            a line of length ℓ = 1.0 m ending in ΓL = 0.2
//   γ  = α + jβ,  β = 2πf / (0.66·c)            velocity factor 0.66
//   α  = (0.3 dB/m)·√(f / 1 GHz), in Np/m       one-way loss
//
// Rows: 0.3 MHz, then every 5 MHz from 5 to 14000 MHz (2801 rows; the phase turns by about
// 0.32 rad per row). Per row: frequency (MHz), level A = 20·log10|Γ| (dB), level B (the absent
// receiver: near −110 dB), phase A (arg Γ, unwrapped along the rows, rad), phase B (rad). Each
// number is right-aligned in 12 characters with four decimals and a decimal comma; rows end in
// CR LF; the text starts with the first row.
//
// A firmware stand-in is one byte per line written as "0x" and two hex digits, lines ending in
// CR LF; the bytes start with the ASCII text "STAND-IN", which the upload refuses to send to
// anything but the emulator. Sizes: 11724 bytes for the K12 (11 x 1024 + 460) and 8020 for the
// K30 (7 x 1024 + 852).
#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace demodata {

constexpr double kConnectorGamma = 0.05;
constexpr double kLoadGamma = 0.2;
constexpr double kLineLengthM = 1.0;
constexpr double kVelocityFactor = 0.66;
constexpr double kLossDbPerM = 0.3;  // at 1 GHz, growing with the square root of frequency
constexpr double kLightSpeed = 299792458.0;

constexpr size_t kStandInSizeK12 = 11724;
constexpr size_t kStandInSizeK30 = 8020;

// The model's reflection coefficient at f MHz.
std::complex<double> Reflection(double fMHz);
// The table's frequencies: 0.3, 5, 10, ..., 14000 MHz.
std::vector<double> TableFrequencies();
// The whole "Emulation" text.
std::string EmulationText();
// One number as the table writes it: 12 characters, right-aligned, four decimals, comma.
std::string TableField(double value);
// A stand-in image of n bytes, as text.
std::string StandInText(size_t n, uint32_t seed);

}  // namespace demodata
