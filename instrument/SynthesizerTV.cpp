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
  LoadCommonDefaults<TSynthesizerTV>();
  Heter3x = false;
  Signal3x = false;
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
  WritePlanKeys(ini, kSection);
  ini.WriteBool(kSection, "Heter3x", Heter3x);
  ini.WriteBool(kSection, "Signal3x", Signal3x);
  WriteBandKeys(ini, kSection);
  TWords heterodyne;
  GetHeterodyneWords(heterodyne);
  WriteWordKeys(ini, kSection, heterodyne);
  return true;
}

bool TSynthesizerTV::LoadSettings(const TCustomIniFile& ini) {
  if (!IsServiceEnabled()) return false;
  using namespace synthini;
  ReadPlanKeys(ini, kSection, kMaxIntermediateFreq);
  Heter3x = ini.ReadBool(kSection, "Heter3x", false);
  Signal3x = ini.ReadBool(kSection, "Signal3x", false);
  ReadBandKeys(ini, kSection, kMaxDeviceFrequency);
  ReadWordKeys(ini, kSection, kDefaultSignalWords, kDefaultHeterodyneWords);
  // The MIX_COUNT read lands in the slot that the words sent to the instrument use, so a loaded
  // value is the one that gets sent.
  const bool rev2 = GetHardwareRevision() == 2;
  int32_t& mixCount = rev2 ? LoMixCountRev2 : LoMixCountRev1;
  mixCount = ReadWord(ini, kSection, std::string(kHeterodynePrefix) + kRegisterNames[wMIX_COUNT],
                      rev2 ? kDefaultLoMixCountRev2 : kDefaultLoMixCountRev1);
  HeterodyneWords[wMIX_COUNT] = mixCount;

  ClampSettings();
  ApplyLoadedSettings();
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
