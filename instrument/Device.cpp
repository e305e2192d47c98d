#include "instrument/Device.h"

#include "model/ICalibrationFacade.h"
#include "model/ITranslation.h"
#include "model/NumberText.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "model/Utils.h"

namespace {

// Texts of rows 3 and 4 (the 5.4 GHz and the 14 GHz model).
struct TModelTexts {
  const char* ModelName;
  const char* LongEnglish;
  const char* LongRussian;
  const char* DescriptionEnglish;
  const char* DescriptionRussian;
};

const TModelTexts kTextsK12 = {
    "TERVAN K12",
    "Ostrak TERVAN K12 Vector Reflectometer 85-5400 MHz",
    "Острак TERVAN K12 Векторный рефлектометр 85-5400 МГц",
    "TERVAN K12 Vector Reflectometer",
    "TERVAN K12 Векторный рефлектометр",
};
const TModelTexts kTextsK30 = {
    "TERVAN K30",
    "Ostrak TERVAN K30 Vector Reflectometer 85-14000 MHz",
    "Острак TERVAN K30 Векторный рефлектометр 85-14000 МГц",
    "TERVAN K30 Vector Reflectometer",
    "TERVAN K30 Векторный рефлектометр",
};

const TModelTexts* TextsOfRow(int row) {
  switch (row) {
    case 3: return &kTextsK12;
    case 4: return &kTextsK30;
    default: return nullptr;
  }
}

// The caption prefix of the language module: one blank.
const char* const kCaptionPrefix = " ";

}  // namespace

// Rows 0 to 2 belong to other instruments and are never selected; their product ids only fill
// the table.
const std::array<TDevice::TModelRow, 5> TDevice::kModelTable = {{
    {"K03", 0x0547, 0x1002, 0x0000, 0x0547, 0x1002, 0x0001, "EZFirmwareK03", "DSPFirmwareK03"},
    {"K16", 0x2226, 0x0010, 0x0100, 0x2226, 0x0010, 0x0101, "", "DSPFirmwareK16"},
    {"KT40", 0x2226, 0x0012, 0x0100, 0x2226, 0x0012, 0x0101, "", "DSPFirmwareKT40"},
    {"K12", 0x2226, 0x0014, 0x0100, 0x2226, 0x0014, 0x0101, "", "DSPFirmwareTV"},
    {"K30", 0x2226, 0x0018, 0x0100, 0x2226, 0x0018, 0x0101, "", "DSPFirmwareTV30"},
}};

TDevice::TDevice(int modelIndex) : VersionText([] { return GetFileVersionText(); }), ModelIndex(modelIndex) {
  DemoMode = IsDemoMode();
  LoadModelRow();
}

const TDevice::TModelRow* TDevice::Row() const {
  if (ModelIndex < 0 || ModelIndex >= static_cast<int>(kModelTable.size())) return nullptr;
  return &kModelTable[static_cast<size_t>(ModelIndex)];
}

void TDevice::LoadModelRow() {
  const TModelRow* row = Row();
  EZFirmwareName = row ? row->EZFirmware : "";
  DSPFirmwareName = row ? row->DSPFirmware : "";
  CmdRecordSize = 32;
  ReplyRecordSize = 32;
  ReferenceIndex = 2;
  ReflectionIndex = 0;
  TransmissionIndex = 1;
}

uint16_t TDevice::GetLoaderVid() const { return Row() ? Row()->LoaderVid : 0; }
uint16_t TDevice::GetLoaderPid() const { return Row() ? Row()->LoaderPid : 0; }
uint16_t TDevice::GetLoaderRelease() const { return Row() ? Row()->LoaderRelease : 0; }
uint16_t TDevice::GetRunningVid() const { return Row() ? Row()->RunningVid : 0; }
uint16_t TDevice::GetRunningPid() const { return Row() ? Row()->RunningPid : 0; }
uint16_t TDevice::GetRunningRelease() const { return Row() ? Row()->RunningRelease : 0; }

bool TDevice::HasReceiver(int index) const { return IsProgramModel() && (index == 0 || index == 2); }

bool TDevice::IsEnglish() const {
  const ITranslation* lang = Services().LangModule;
  return lang ? lang->IsEnglish() : true;
}

std::string TDevice::GetMakerName() const { return "OSTRAK"; }

std::string TDevice::GetModelName() const {
  const TModelTexts* texts = TextsOfRow(ModelIndex);
  return texts ? std::string(kCaptionPrefix) + texts->ModelName : std::string();
}

std::string TDevice::GetLongDescription() const {
  const TModelTexts* texts = TextsOfRow(ModelIndex);
  if (!texts) return {};
  return std::string(kCaptionPrefix) + (IsEnglish() ? texts->LongEnglish : texts->LongRussian);
}

std::string TDevice::GetDescription() const {
  const TModelTexts* texts = TextsOfRow(ModelIndex);
  if (!texts) return {};
  return std::string(kCaptionPrefix) + (IsEnglish() ? texts->DescriptionEnglish : texts->DescriptionRussian);
}

std::string TDevice::GetFirmwareVersion() const {
  if (!IsProgramModel()) return {};
  const ICalibrationFacade* cal = Services().CalibratorModule;
  const int revision = cal ? cal->GetHardwareRevision() : 1;
  return "1." + IntToText(static_cast<long long>(revision) - 1);
}

std::string TDevice::GetSoftwareVersion() const {
  const std::string version = VersionText ? VersionText() : std::string();
  const size_t dot = version.rfind('.');
  return dot == std::string::npos ? std::string() : version.substr(0, dot);
}

std::string TDevice::GetIdentification() const {
  if (!IsProgramModel()) return {};
  const ICalibrationFacade* cal = Services().CalibratorModule;
  const uint32_t serial = cal ? cal->GetSerialNumber() : 0;
  return "Ostrak, " + GetModelName() + ", " + IntToText(serial) + ", " + GetSoftwareVersion() + "/ " +
         GetFirmwareVersion();
}
