#pragma once
// Reading and writing of the synthesizer settings sections: values read from a state file are
// limited to their ranges, register words keep their low 16 bits.
#include <array>
#include <cstdint>
#include <string>

class TCustomIniFile;

namespace synthini {

// Register names of the ten words, in word order ("LF" ... "PLL_BIAS").
extern const std::array<const char*, 10> kRegisterNames;
// Key prefixes of the signal (RFFC5072) and heterodyne (RFFC5071) words.
inline constexpr const char* kSignalPrefix = "RF_5072Preset";
inline constexpr const char* kHeterodynePrefix = "LO_5071Preset";

// max(lo, min(x, hi)): defined for inverted bounds (gives lo), and a NaN gives lo.
double Limit(double x, double lo, double hi);
int32_t Limit(long long x, int32_t lo, int32_t hi);

// A float read with the current value as default, limited to lo .. hi.
double ReadLimitedFloat(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                        double current, double lo, double hi);
// An integer read with the current value as default, limited to lo .. hi; decimal text beyond
// the 32-bit range is limited too, not dropped.
int32_t ReadLimitedInteger(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                           int32_t current, int32_t lo, int32_t hi);
// A register word (decimal or 0x hex) read with its factory default; the low 16 bits.
int32_t ReadWord(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                 int32_t factoryDefault);

void WriteWords(TCustomIniFile& ini, const std::string& section, const char* prefix,
                const std::array<int32_t, 10>& words);

}  // namespace synthini
