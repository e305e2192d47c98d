#pragma once
// Plain records of the synthesizer programming. The channel keeps one TPointSynthSettings per
// sweep point; the planner in instrument/ fills them and the scan lists copy them into the
// point commands.
#include <cstdint>

// The plan of one RFFC507x synthesizer for one frequency.
struct TPllSettings {
  int32_t R = 0;          // reference divider; the planner always uses 1
  int32_t N = 0;          // integer part of the division ratio
  int32_t LoDiv = 0;      // exponent of the output divider: VCO = 2^LoDiv x output
  int32_t Prescaler = 0;  // feedback prescaler, 2 or 4
  int32_t Frac16 = 0;     // upper 16 bits of the 24-bit fraction
  int32_t Frac8 = 0;      // lower 8 bits of the 24-bit fraction
  int32_t Band = 0;       // 14 GHz signal: 46 fundamental, 50 doubler, 28 tripler; else 46 or 0

  friend bool operator==(const TPllSettings&, const TPllSettings&) = default;
};

// The programming of both synthesizers at one sweep point.
struct TPointSynthSettings {
  TPllSettings Signal;
  TPllSettings Heterodyne;

  friend bool operator==(const TPointSynthSettings&, const TPointSynthSettings&) = default;
};
