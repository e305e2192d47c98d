#include "instrument/SynthesizerTV30.h"

#include "instrument/SynthIni.h"
#include "model/CustomIniFile.h"
#include "model/RunMode.h"

namespace {

const char* const kSection = "SynthTV30";

constexpr double kMaxIntermediateFreq = 0.3;
constexpr double kMaxDeviceFrequency = 16200;

}  // namespace

const TSynthesizerTV30::TWords TSynthesizerTV30::kDefaultSignalWords = {
    0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x80A8, 0x7000, 0x2A80, 0x0202};
const TSynthesizerTV30::TWords TSynthesizerTV30::kDefaultHeterodyneWords = {
    0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x80A8, 0xB400, 0x2A80, 0x6202};

TSynthesizerTV30::TSynthesizerTV30() : TSynthesizerBase(kDefaultIFAccuracy) {
  LoadDefaults();
  ResetTolerances();
}

void TSynthesizerTV30::LoadDefaults() {
  LoadCommonDefaults<TSynthesizerTV30>();
  SwitchDelay = kDefaultSwitchDelay;
  Freq2x = kDefaultFreq2x;
  Freq3x = kDefaultFreq3x;
}

void TSynthesizerTV30::ClampSettings() {
  using synthini::Limit;
  ClampCommonSettings(kMaxIntermediateFreq, kMaxDeviceFrequency);
  SwitchDelay = Limit(static_cast<long long>(SwitchDelay), 0, kMaxDelay);
  Freq2x = Limit(Freq2x, kMinDeviceFrequency, kMaxDeviceFrequency);
  Freq3x = Limit(Freq3x, kMinDeviceFrequency, kMaxDeviceFrequency);
}

bool TSynthesizerTV30::SaveSettings(TCustomIniFile& ini) const {
  if (!IsServiceEnabled()) return false;
  WritePlanKeys(ini, kSection);
  ini.WriteInteger(kSection, "SwitchDelay", SwitchDelay);
  WriteBandKeys(ini, kSection);
  ini.WriteFloat(kSection, "Freq2x", Freq2x);
  ini.WriteFloat(kSection, "Freq3x", Freq3x);
  WriteWordKeys(ini, kSection, HeterodyneWords);
  return true;
}

bool TSynthesizerTV30::LoadSettings(const TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return false;
  using namespace synthini;
  ReadPlanKeys(ini, kSection, kMaxIntermediateFreq);
  SwitchDelay = ReadLimitedInteger(ini, kSection, "SwitchDelay", SwitchDelay, 0, kMaxDelay);
  ReadBandKeys(ini, kSection, kMaxDeviceFrequency);
  Freq2x = ReadLimitedFloat(ini, kSection, "Freq2x", Freq2x, kMinDeviceFrequency, kMaxDeviceFrequency);
  Freq3x = ReadLimitedFloat(ini, kSection, "Freq3x", Freq3x, kMinDeviceFrequency, kMaxDeviceFrequency);
  ReadWordKeys(ini, kSection, kDefaultSignalWords, kDefaultHeterodyneWords);

  ClampSettings();
  ApplyLoadedSettings();
  return true;
}

TSynthPlanParams TSynthesizerTV30::Params() const {
  return TSynthPlanParams{ReferenceFreq, IntermediateFreq, Freq2x, Freq3x, true};
}

double TSynthesizerTV30::HeterodyneFrequency(double lo, double /*fr*/) const {
  const double ifreq = IntermediateFreq;
  if (lo > ifreq + Freq3x || lo > ifreq + Freq2x) return lo / 3.0;
  return lo;
}
