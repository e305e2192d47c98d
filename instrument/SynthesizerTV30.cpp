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
  IFAccuracy = kDefaultIFAccuracy;
  ReferenceFreq = kDefaultReferenceFreq;
  IntermediateFreq = kDefaultIntermediateFreq;
  MeasureDelay = kDefaultMeasureDelay;
  BackScanDelay = kDefaultBackScanDelay;
  SwitchDelay = kDefaultSwitchDelay;
  MinFrequency = kDefaultMinFrequency;
  MaxFrequency = kDefaultMaxFrequency;
  Freq2x = kDefaultFreq2x;
  Freq3x = kDefaultFreq3x;
  SignalWords = kDefaultSignalWords;
  HeterodyneWords = kDefaultHeterodyneWords;
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
  ini.WriteFloat(kSection, "IFAccuracy", IFAccuracy);
  ini.WriteFloat(kSection, "ReferenceFreq", ReferenceFreq);
  ini.WriteFloat(kSection, "IntermediateFreq", IntermediateFreq);
  ini.WriteInteger(kSection, "MeasureDelay", MeasureDelay);
  ini.WriteInteger(kSection, "BackScanDelay", BackScanDelay);
  ini.WriteInteger(kSection, "SwitchDelay", SwitchDelay);
  ini.WriteFloat(kSection, "MinFrequency", MinFrequency);
  ini.WriteFloat(kSection, "MaxFrequency", MaxFrequency);
  ini.WriteFloat(kSection, "Freq2x", Freq2x);
  ini.WriteFloat(kSection, "Freq3x", Freq3x);
  synthini::WriteWords(ini, kSection, synthini::kSignalPrefix, SignalWords);
  synthini::WriteWords(ini, kSection, synthini::kHeterodynePrefix, HeterodyneWords);
  return true;
}

bool TSynthesizerTV30::LoadSettings(const TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return false;
  using namespace synthini;
  IFAccuracy = ReadLimitedFloat(ini, kSection, "IFAccuracy", IFAccuracy, kMinIFAccuracy, kMaxIFAccuracy);
  ReferenceFreq =
      ReadLimitedFloat(ini, kSection, "ReferenceFreq", ReferenceFreq, kMinReferenceFreq, kMaxReferenceFreq);
  IntermediateFreq = ReadLimitedFloat(ini, kSection, "IntermediateFreq", IntermediateFreq,
                                      kMinIntermediateFreq, kMaxIntermediateFreq);
  MeasureDelay = ReadLimitedInteger(ini, kSection, "MeasureDelay", MeasureDelay, 0, kMaxDelay);
  BackScanDelay = ReadLimitedInteger(ini, kSection, "BackScanDelay", BackScanDelay, 0, kMaxDelay);
  SwitchDelay = ReadLimitedInteger(ini, kSection, "SwitchDelay", SwitchDelay, 0, kMaxDelay);
  MinFrequency =
      ReadLimitedFloat(ini, kSection, "MinFrequency", MinFrequency, kMinStimulusFrequency, kMaxDeviceFrequency);
  MaxFrequency =
      ReadLimitedFloat(ini, kSection, "MaxFrequency", MaxFrequency, kMinStimulusFrequency, kMaxDeviceFrequency);
  Freq2x = ReadLimitedFloat(ini, kSection, "Freq2x", Freq2x, kMinDeviceFrequency, kMaxDeviceFrequency);
  Freq3x = ReadLimitedFloat(ini, kSection, "Freq3x", Freq3x, kMinDeviceFrequency, kMaxDeviceFrequency);
  for (size_t i = 0; i < SignalWords.size(); ++i) {
    SignalWords[i] = ReadWord(ini, kSection, std::string(kSignalPrefix) + kRegisterNames[i], kDefaultSignalWords[i]);
    HeterodyneWords[i] =
        ReadWord(ini, kSection, std::string(kHeterodynePrefix) + kRegisterNames[i], kDefaultHeterodyneWords[i]);
  }

  ClampSettings();
  ResetTolerances();
  if (OnRestartSweep) OnRestartSweep();
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
