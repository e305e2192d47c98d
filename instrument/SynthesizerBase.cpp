#include "instrument/SynthesizerBase.h"

#include <string>

#include "instrument/SynthIni.h"
#include "model/CustomIniFile.h"

void TSynthesizerBase::SetDefaults() {
  LoadDefaults();
  if (OnSettingsShown) OnSettingsShown();
}

void TSynthesizerBase::ClampCommonSettings(double maxIntermediateFreq, double maxDeviceFrequency) {
  using synthini::Limit;
  IFAccuracy = Limit(IFAccuracy, kMinIFAccuracy, kMaxIFAccuracy);
  ReferenceFreq = Limit(ReferenceFreq, kMinReferenceFreq, kMaxReferenceFreq);
  IntermediateFreq = Limit(IntermediateFreq, kMinIntermediateFreq, maxIntermediateFreq);
  MeasureDelay = Limit(static_cast<long long>(MeasureDelay), 0, kMaxDelay);
  BackScanDelay = Limit(static_cast<long long>(BackScanDelay), 0, kMaxDelay);
  MinFrequency = Limit(MinFrequency, kMinStimulusFrequency, maxDeviceFrequency);
  MaxFrequency = Limit(MaxFrequency, kMinStimulusFrequency, maxDeviceFrequency);
}

void TSynthesizerBase::WritePlanKeys(TCustomIniFile& ini, const char* section) const {
  ini.WriteFloat(section, "IFAccuracy", IFAccuracy);
  ini.WriteFloat(section, "ReferenceFreq", ReferenceFreq);
  ini.WriteFloat(section, "IntermediateFreq", IntermediateFreq);
  ini.WriteInteger(section, "MeasureDelay", MeasureDelay);
  ini.WriteInteger(section, "BackScanDelay", BackScanDelay);
}

void TSynthesizerBase::ReadPlanKeys(const TCustomIniFile& ini, const char* section, double maxIntermediateFreq) {
  using namespace synthini;
  IFAccuracy = ReadLimitedFloat(ini, section, "IFAccuracy", IFAccuracy, kMinIFAccuracy, kMaxIFAccuracy);
  ReferenceFreq =
      ReadLimitedFloat(ini, section, "ReferenceFreq", ReferenceFreq, kMinReferenceFreq, kMaxReferenceFreq);
  IntermediateFreq = ReadLimitedFloat(ini, section, "IntermediateFreq", IntermediateFreq, kMinIntermediateFreq,
                                      maxIntermediateFreq);
  MeasureDelay = ReadLimitedInteger(ini, section, "MeasureDelay", MeasureDelay, 0, kMaxDelay);
  BackScanDelay = ReadLimitedInteger(ini, section, "BackScanDelay", BackScanDelay, 0, kMaxDelay);
}

void TSynthesizerBase::WriteBandKeys(TCustomIniFile& ini, const char* section) const {
  ini.WriteFloat(section, "MinFrequency", MinFrequency);
  ini.WriteFloat(section, "MaxFrequency", MaxFrequency);
}

void TSynthesizerBase::ReadBandKeys(const TCustomIniFile& ini, const char* section, double maxDeviceFrequency) {
  using synthini::ReadLimitedFloat;
  MinFrequency =
      ReadLimitedFloat(ini, section, "MinFrequency", MinFrequency, kMinStimulusFrequency, maxDeviceFrequency);
  MaxFrequency =
      ReadLimitedFloat(ini, section, "MaxFrequency", MaxFrequency, kMinStimulusFrequency, maxDeviceFrequency);
}

void TSynthesizerBase::WriteWordKeys(TCustomIniFile& ini, const char* section, const TWords& heterodyne) const {
  synthini::WriteWords(ini, section, synthini::kSignalPrefix, SignalWords);
  synthini::WriteWords(ini, section, synthini::kHeterodynePrefix, heterodyne);
}

void TSynthesizerBase::ReadWordKeys(const TCustomIniFile& ini, const char* section, const TWords& signalDefaults,
                                    const TWords& heterodyneDefaults) {
  using namespace synthini;
  for (size_t i = 0; i < SignalWords.size(); ++i) {
    SignalWords[i] = ReadWord(ini, section, std::string(kSignalPrefix) + kRegisterNames[i], signalDefaults[i]);
    HeterodyneWords[i] =
        ReadWord(ini, section, std::string(kHeterodynePrefix) + kRegisterNames[i], heterodyneDefaults[i]);
  }
}

bool TSynthesizerBase::CalcSignalPll(TPllSettings& pll, double f) { return SignalChannel.CalcPll(pll, f, Params()); }

bool TSynthesizerBase::CalcHeterodynePll(TPllSettings& pll, double f) {
  return HeterodyneChannel.CalcPll(pll, f, Params());
}

double TSynthesizerBase::CalcFrequency(const TPllSettings& pll) const {
  return TSynthChannel::CalcFrequency(pll, Params());
}
