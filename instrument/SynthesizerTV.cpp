#include "instrument/SynthesizerTV.h"

#include "instrument/SynthIni.h"
#include "model/CustomIniFile.h"
#include "model/RunMode.h"
#include "model/ICalibrationFacade.h"
#include "model/Services.h"

namespace {

const char* const kSection = "SynthTV";

constexpr double kMaxIntermediateFreq = 0.2;
constexpr double kMaxDeviceFrequency = 6000;

}  // namespace

const TSynthesizerTV::TWords TSynthesizerTV::kDefaultSignalWords = {
    0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x80A8, 0x7000, 0x2A80, 0x0202};
const TSynthesizerTV::TWords TSynthesizerTV::kDefaultHeterodyneWords = {
    0xFF83, 0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x80A8, 0x9200, 0x2A80, 0x6202};

TSynthesizerTV::TSynthesizerTV() : TSynthesizerBase(kDefaultIFAccuracy) {
  LoadDefaults();
  ResetTolerances();
}

void TSynthesizerTV::LoadDefaults() {
  IFAccuracy = kDefaultIFAccuracy;
  ReferenceFreq = kDefaultReferenceFreq;
  IntermediateFreq = kDefaultIntermediateFreq;
  MeasureDelay = kDefaultMeasureDelay;
  BackScanDelay = kDefaultBackScanDelay;
  Heter3x = false;
  Signal3x = false;
  MinFrequency = kDefaultMinFrequency;
  MaxFrequency = kDefaultMaxFrequency;
  SignalWords = kDefaultSignalWords;
  HeterodyneWords = kDefaultHeterodyneWords;
  LoMixCountRev1 = kDefaultLoMixCountRev1;
  LoMixCountRev2 = kDefaultLoMixCountRev2;
  HeterodyneWords[wMIX_COUNT] = MixCountOfRevision();
}

void TSynthesizerTV::ClampSettings() {
  ClampCommonSettings(kMaxIntermediateFreq, kMaxDeviceFrequency);
}

int TSynthesizerTV::GetHardwareRevision() const {
  const ICalibrationFacade* cal = Services().CalibratorModule;
  return cal ? cal->GetHardwareRevision() : 1;
}

int32_t& TSynthesizerTV::MixCountOfRevision() {
  return GetHardwareRevision() == 2 ? LoMixCountRev2 : LoMixCountRev1;
}

void TSynthesizerTV::GetHeterodyneWords(TWords& words) {
  HeterodyneWords[wMIX_COUNT] = MixCountOfRevision();
  words = HeterodyneWords;
}

bool TSynthesizerTV::SaveSettings(TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return false;
  ini.WriteFloat(kSection, "IFAccuracy", IFAccuracy);
  ini.WriteFloat(kSection, "ReferenceFreq", ReferenceFreq);
  ini.WriteFloat(kSection, "IntermediateFreq", IntermediateFreq);
  ini.WriteInteger(kSection, "MeasureDelay", MeasureDelay);
  ini.WriteInteger(kSection, "BackScanDelay", BackScanDelay);
  ini.WriteBool(kSection, "Heter3x", Heter3x);
  ini.WriteBool(kSection, "Signal3x", Signal3x);
  ini.WriteFloat(kSection, "MinFrequency", MinFrequency);
  ini.WriteFloat(kSection, "MaxFrequency", MaxFrequency);
  synthini::WriteWords(ini, kSection, synthini::kSignalPrefix, SignalWords);
  TWords heterodyne;
  GetHeterodyneWords(heterodyne);
  synthini::WriteWords(ini, kSection, synthini::kHeterodynePrefix, heterodyne);
  return true;
}

bool TSynthesizerTV::LoadSettings(const TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return false;
  using namespace synthini;
  IFAccuracy = ReadLimitedFloat(ini, kSection, "IFAccuracy", IFAccuracy, kMinIFAccuracy, kMaxIFAccuracy);
  ReferenceFreq =
      ReadLimitedFloat(ini, kSection, "ReferenceFreq", ReferenceFreq, kMinReferenceFreq, kMaxReferenceFreq);
  IntermediateFreq = ReadLimitedFloat(ini, kSection, "IntermediateFreq", IntermediateFreq,
                                      kMinIntermediateFreq, kMaxIntermediateFreq);
  MeasureDelay = ReadLimitedInteger(ini, kSection, "MeasureDelay", MeasureDelay, 0, kMaxDelay);
  BackScanDelay = ReadLimitedInteger(ini, kSection, "BackScanDelay", BackScanDelay, 0, kMaxDelay);
  Heter3x = ini.ReadBool(kSection, "Heter3x", false);
  Signal3x = ini.ReadBool(kSection, "Signal3x", false);
  MinFrequency =
      ReadLimitedFloat(ini, kSection, "MinFrequency", MinFrequency, kMinStimulusFrequency, kMaxDeviceFrequency);
  MaxFrequency =
      ReadLimitedFloat(ini, kSection, "MaxFrequency", MaxFrequency, kMinStimulusFrequency, kMaxDeviceFrequency);
  for (size_t i = 0; i < SignalWords.size(); ++i) {
    SignalWords[i] = ReadWord(ini, kSection, std::string(kSignalPrefix) + kRegisterNames[i], kDefaultSignalWords[i]);
    HeterodyneWords[i] =
        ReadWord(ini, kSection, std::string(kHeterodynePrefix) + kRegisterNames[i], kDefaultHeterodyneWords[i]);
  }
  // The MIX_COUNT read lands in the slot that the words sent to the instrument use, so a loaded
  // value is the one that gets sent.
  const bool rev2 = GetHardwareRevision() == 2;
  int32_t& mixCount = rev2 ? LoMixCountRev2 : LoMixCountRev1;
  mixCount = ReadWord(ini, kSection, std::string(kHeterodynePrefix) + kRegisterNames[wMIX_COUNT],
                      rev2 ? kDefaultLoMixCountRev2 : kDefaultLoMixCountRev1);
  HeterodyneWords[wMIX_COUNT] = mixCount;

  ClampSettings();
  ResetTolerances();
  if (OnRestartSweep) OnRestartSweep();
  return true;
}

TSynthPlanParams TSynthesizerTV::Params() const {
  return TSynthPlanParams{ReferenceFreq, IntermediateFreq, 0, 0, false};
}

double TSynthesizerTV::HeterodyneFrequency(double lo, double fr) const {
  if (Heter3x) return (fr - IntermediateFreq) / 3.0;
  if (Signal3x) return fr + IntermediateFreq / 3.0;
  return lo;
}
