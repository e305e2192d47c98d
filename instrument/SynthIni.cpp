#include "instrument/SynthIni.h"

#include <algorithm>

#include "model/CustomIniFile.h"
#include "model/NumberText.h"

namespace synthini {

const std::array<const char*, 10> kRegisterNames = {
    "LF", "CAL_TIME", "VCO_CTRL", "CT_CAL1", "PLL_CAL1", "VCO_AUTO", "PLL_CTRL", "MIX_COUNT", "N_CTRL", "PLL_BIAS"};

double Limit(double x, double lo, double hi) { return std::max(lo, std::min(x, hi)); }

int32_t Limit(long long x, int32_t lo, int32_t hi) {
  return static_cast<int32_t>(std::max<long long>(lo, std::min<long long>(x, hi)));
}

double ReadLimitedFloat(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                        double current, double lo, double hi) {
  return Limit(ini.ReadFloat(section, key, current), lo, hi);
}

int32_t ReadLimitedInteger(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                           int32_t current, int32_t lo, int32_t hi) {
  if (!ini.ValueExists(section, key)) return Limit(static_cast<long long>(current), lo, hi);
  if (auto v = TryTextToInt(ini.ReadString(section, key, ""))) return Limit(*v, lo, hi);
  return Limit(static_cast<long long>(ini.ReadInteger(section, key, current)), lo, hi);
}

int32_t ReadWord(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                 int32_t factoryDefault) {
  return ini.ReadInteger(section, key, factoryDefault) & 0xFFFF;
}

void WriteWords(TCustomIniFile& ini, const std::string& section, const char* prefix,
                const std::array<int32_t, 10>& words) {
  for (size_t i = 0; i < words.size(); ++i)
    ini.WriteInteger(section, std::string(prefix) + kRegisterNames[i], words[i]);
}

}  // namespace synthini
