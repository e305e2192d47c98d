#include "instrument/ScannerModule.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <iostream>

#include "instrument/Scanner.h"
#include "instrument/SynthesizerBase.h"
#include "model/CustomIniFile.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

TScannerModule* ScannerModule = nullptr;

namespace {

const char* const kMetricSystemKey = "MetricSystem";
const char* const kAttenuatorKey = "Attenuator20dB";
const char* const kEnableCableLossKey = "EnableCableLoss";
const char* const kTriggerModeKey = "TriggerMode";
const char* const kTriggerSourceKey = "TriggerSource";
const char* const kClockSourceKey = "ClockSource";
const char* const kVelocityFactorKey = "VelocityFactor";
const char* const kCableLossKey = "CableLoss";
const char* const kCableStdIndexKey = "CableStdIndex";
const char* const kCableListFileKey = "CableListFile";

constexpr int kInvalidTriggerSource = 205;
constexpr int kIllegalParameterValue = 224;

// True when text begins with keyword (an upper-case ASCII word), letter case ignored.
bool BeginsWith(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

struct TKeyword {
  std::string_view word;
  int code;
};

template <size_t N>
int MatchKeyword(std::string_view text, const TKeyword (&table)[N], const char* message, int error) {
  for (const TKeyword& k : table) {
    if (BeginsWith(text, k.word)) return k.code;
  }
  throw EAbort(message, error);
}

// A name from a file as a message shows it: quoted, control characters as '?', cut short.
std::string Shown(std::string_view name) {
  constexpr size_t kMax = 120;
  std::string s;
  for (char c : name.substr(0, kMax)) s += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
  if (name.size() > kMax) s += "...";
  return "\"" + s + "\"";
}

// A code of 0..count-1 as read; anything else the default.
int CodeOrDefault(int value, int count, int defaultValue) {
  return value >= 0 && value < count ? value : defaultValue;
}

}  // namespace

TScannerModule::TScannerModule()
    : TFObject(nullptr),
      CableStds(TCableStds::BuiltIn(TranslateText("User Defined"))),
      Log([](const std::string& message) { std::cerr << "tervan: " << message << std::endl; }),
      Scanner(std::make_unique<TScanner>(this)) {
  Scanner->LowPower = Attenuator20dB;
  Scanner->OnSweepDone = [this](TFObject*) {
    if (OnSweepDone) OnSweepDone(this);
  };
  Scanner->OnNewData = [this](TFObject*) {
    if (OnNewData) OnNewData(this);
  };
}

TScannerModule::~TScannerModule() {
  Scanner->OnSweepDone = nullptr;
  Scanner->OnNewData = nullptr;
  if (Scanner->Connected) Scanner->Disconnect();
  Scanner.reset();
}

void TScannerModule::FireSettingsChange(int previous) {
  if (OnSettingsChange) OnSettingsChange(this, previous);
}

// ---- Sweep control ------------------------------------------------------------------------------

void TScannerModule::StartSweep(int n) {
  const int count = static_cast<int>(Scanner->ScanList.size());
  if (count == 0 || Scanner->GetStandby()) {
    StopSweep();
    return;
  }
  // Marked sent only once it can reach the instrument: a record dropped while disconnected
  // would otherwise never be sent.
  if (!ClockSent && Scanner->Connected) {
    ClockSent = true;
    Scanner->SendClockSource(ClockSource == ClockExternal);
  }
  // The index can be stale after a channel left sweeping.
  if (n < 0 || n >= count) n = 0;
  switch (TriggerSource) {
    case SourceInternal:
      Scanner->StartScanItem(n);
      break;
    case SourceExternal:
      Scanner->ArmExternalTrigger();
      break;
    case SourceBus:
      Scanner->SetState(TScanner::WAIT);
      break;
    default:
      break;
  }
}

void TScannerModule::StopSweep() { Scanner->StopSweep(); }

void TScannerModule::Trigger() {
  if (Scanner->Connected && !Scanner->ScanList.empty() && !Scanner->GetStandby() &&
      Scanner->GetState() == TScanner::WAIT) {
    Scanner->StartScanItem(0);
  }
}

void TScannerModule::RebuildScanList() {
  StopSweep();
  Scanner->RebuildScanList();
}

void TScannerModule::RestartAveraging() { Scanner->RestartAveraging(); }

void TScannerModule::RestartOnNewSynthSettings() {
  StopSweep();
  Scanner->RebuildAll();
  StartSweep(0);
}

void TScannerModule::HookSynthesizers(TSynthesizerBase* k12, TSynthesizerBase* k30) {
  for (TSynthesizerBase* synth : {k12, k30}) {
    if (synth != nullptr) synth->OnRestartSweep = [this] { RestartOnNewSynthSettings(); };
  }
}

// ---- Setters ------------------------------------------------------------------------------------

void TScannerModule::SetTriggerMode(int mode) {
  if (mode == TriggerMode || mode < Hold || mode > Continuous) return;
  const int previous = TriggerMode;
  TriggerMode = mode;
  FireSettingsChange(previous);
  StopSweep();
  if (mode != Hold) StartSweep(0);
}

void TScannerModule::SetTriggerSource(int source) {
  if (!Scanner->Connected || source < SourceInternal || source > SourceBus) return;
  const int previous = TriggerSource;
  if (source != previous) {
    if (previous == SourceExternal) {
      Scanner->AbortSweep();
    } else {
      StopSweep();
    }
    TriggerSource = source;
    StartSweep(0);
  }
  FireSettingsChange(previous);
}

void TScannerModule::SetClockSource(int source) {
  if (!Scanner->Connected || source < ClockInternal || source > ClockExternal) return;
  if (source == ClockSource) return;
  const int previous = ClockSource;
  ClockSource = source;
  FireSettingsChange(previous);
  StopSweep();
  Scanner->SendClockSource(source == ClockExternal);
  ClockSent = true;
  StartSweep(0);
}

void TScannerModule::SetLowPower(bool on) {
  if (on == Attenuator20dB) return;
  const bool previous = Attenuator20dB;
  Attenuator20dB = on;
  Scanner->LowPower = on;
  FireSettingsChange(previous ? 1 : 0);
  RebuildScanList();
  StartSweep(0);
}

void TScannerModule::SetDistanceUnits(int unit) {
  if (unit == MetricSystem) return;
  const int previous = MetricSystem;
  MetricSystem = unit;
  FireSettingsChange(previous);
}

void TScannerModule::SetCableLossEnabled(bool on) {
  if (on == EnableCableLoss) return;
  const bool previous = EnableCableLoss;
  EnableCableLoss = on;
  FireSettingsChange(previous ? 1 : 0);
}

void TScannerModule::SetVelocityFactor(double v) {
  if (!std::isfinite(v) || NearlyEqual(v, VelocityFactor)) return;
  VelocityFactor = TCableStd::ClampVelocity(v);
  StoreUserDefined();
  FireSettingsChange(0);
}

void TScannerModule::SetCableLoss(double loss) {
  if (!std::isfinite(loss) || NearlyEqual(loss, CableLoss)) return;
  CableLoss = TCableStd::ClampLoss(loss);
  StoreUserDefined();
  FireSettingsChange(0);
}

// ---- Cable table --------------------------------------------------------------------------------

void TScannerModule::EnsureCableTable() {
  if (CableStds.Empty()) CableStds.Add(TCableStd(TranslateText("User Defined"), VelocityFactor, CableLoss));
}

void TScannerModule::StoreUserDefined() {
  EnsureCableTable();
  CableStdIndex = 0;
  CableStds[0].Velocity = VelocityFactor;
  CableStds[0].Loss = CableLoss;
}

void TScannerModule::SelectCableStd(int index) {
  EnsureCableTable();
  index = std::clamp(index, 0, CableStds.Count() - 1);
  const TCableStd& cable = CableStds[index];
  if (index == CableStdIndex && NearlyEqual(cable.Velocity, VelocityFactor) && NearlyEqual(cable.Loss, CableLoss)) {
    return;
  }
  const int previous = CableStdIndex;
  CableStdIndex = index;
  VelocityFactor = cable.Velocity;
  CableLoss = cable.Loss;
  FireSettingsChange(previous);
}

int TScannerModule::GetCableStdIndex() {
  EnsureCableTable();
  CableStdIndex = std::clamp(CableStdIndex, 0, CableStds.Count() - 1);
  return CableStdIndex;
}

bool TScannerModule::LoadCableList(const std::string& name) {
  if (name.empty()) return false;
  const std::string path = TCableStds::CompleteFileName(name, false);
  // Only a name that leads nowhere passes in silence; a folder, a FIFO or a huge file in its
  // place is refused, and never waited on.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  std::string bytes;
  const platform::FileResult read = platform::AtomicFile::read(path, bytes, platform::kMaxNamedFileBytes);
  if (!read) throw EAbort(read.message);
  TMemIniFile ini;
  ini.FileName = path;
  ini.LoadFromBytes(bytes);
  TCableStds table = TCableStds::LoadFromIni(ini);
  CableStds = std::move(table);
  CableListFile = path;
  EnsureCableTable();
  return true;
}

void TScannerModule::SaveCableList(const std::string& name) {
  if (name.empty()) throw EAbort("No name given for the cable list");
  EnsureCableTable();
  TMemIniFile ini;
  ini.FileName = TCableStds::CompleteFileName(name, true);
  CableStds.SaveToIni(ini);
  ini.UpdateFile();
  CableListFile = ini.FileName;
}

std::string TScannerModule::DefaultCableListPath() {
  return TCableStds::CompleteFileName(TCableStds::DefaultName, true);
}

void TScannerModule::RestoreCableList(const std::string& stored) {
  // A state file may come from anyone: its name never leads a later save out of the cable
  // folder. Only the file-name part counts, and a name the program wrote itself (a path in
  // that folder) comes back unchanged.
  const std::string path = platform::Paths::storedName(stored, TCableStds::Folder);
  bool loaded = false;
  if (path.empty()) {
    if (Log) Log("The cable list named in the state (" + Shown(stored) + ") is no usable file name; it is not loaded");
  } else {
    const std::string completed = TCableStds::CompleteFileName(path, false);
    if (Log && completed != TCableStds::CompleteFileName(stored, false)) {
      Log("The cable list " + Shown(stored) + " named in the state is taken from the cable folder as \"" + completed +
          "\"");
    }
    try {
      loaded = LoadCableList(path);
    } catch (const std::exception& e) {
      if (Log) Log(std::string("Cable list not loaded: ") + e.what());
    }
  }
  // A table that did not come from the named file is never written back under its name.
  if (!loaded) CableListFile = DefaultCableListPath();
}

// ---- Automation texts ---------------------------------------------------------------------------

int TScannerModule::TriggerSourceFromText(std::string_view text) {
  static const TKeyword table[] = {{"INT", SourceInternal}, {"BUS", SourceBus}, {"EXT", SourceExternal}};
  return MatchKeyword(text, table, "Invalid trigger source specifier", kInvalidTriggerSource);
}

int TScannerModule::ClockSourceFromText(std::string_view text) {
  static const TKeyword table[] = {{"INT", ClockInternal}, {"EXT", ClockExternal}};
  return MatchKeyword(text, table, "Illegal parameter value", kIllegalParameterValue);
}

int TScannerModule::DistanceUnitsFromText(std::string_view text) {
  static const TKeyword table[] = {{"SEC", UnitSeconds}, {"METR", UnitMetres}, {"FT", UnitFeet}};
  return MatchKeyword(text, table, "Illegal parameter value", kIllegalParameterValue);
}

bool TScannerModule::LowPowerFromText(std::string_view text) {
  static const TKeyword table[] = {{"LOW", 1}, {"HIGH", 0}};
  return MatchKeyword(text, table, "Illegal parameter value", kIllegalParameterValue) != 0;
}

std::string TScannerModule::GetTriggerSourceText() const {
  switch (TriggerSource) {
    case SourceInternal: return "INT";
    case SourceExternal: return "EXT";
    case SourceBus: return "BUS";
    default: return std::string();
  }
}

void TScannerModule::SetTriggerSourceText(std::string_view text) { SetTriggerSource(TriggerSourceFromText(text)); }

std::string TScannerModule::GetClockSourceText() const { return ClockSource == ClockExternal ? "EXT" : "INT"; }

void TScannerModule::SetClockSourceText(std::string_view text) { SetClockSource(ClockSourceFromText(text)); }

std::string TScannerModule::GetDistanceUnitsText() const {
  switch (MetricSystem) {
    case UnitSeconds: return "SEC";
    case UnitMetres: return "METR";
    case UnitFeet: return "FT";
    default: return std::string();
  }
}

void TScannerModule::SetDistanceUnitsText(std::string_view text) { SetDistanceUnits(DistanceUnitsFromText(text)); }

std::string TScannerModule::GetPowerLevelText() const { return Attenuator20dB ? "LOW" : "HIGH"; }

void TScannerModule::SetPowerLevelText(std::string_view text) { SetLowPower(LowPowerFromText(text)); }

// ---- Preset and state ---------------------------------------------------------------------------

void TScannerModule::Preset() {
  StopSweep();
  TriggerMode = Continuous;
  TriggerSource = SourceInternal;
  if (ClockSource != ClockInternal) {
    ClockSource = ClockInternal;
    ClockSent = false;
  } else {
    ClockSent = true;
  }
  VelocityFactor = TCableStd::DefaultVelocity;
  CableLoss = TCableStd::DefaultLoss;
  CableStdIndex = 0;
  CableListFile.clear();
  MetricSystem = UnitMetres;
  EnableCableLoss = false;
  if (Attenuator20dB) {
    Attenuator20dB = false;
    Scanner->LowPower = false;
    RebuildScanList();
  }
}

platform::FileResult TScannerModule::SaveState(TCustomIniFile& ini) {
  ini.WriteInteger(Section, kMetricSystemKey, MetricSystem);
  ini.WriteBool(Section, kAttenuatorKey, Attenuator20dB);
  ini.WriteBool(Section, kEnableCableLossKey, EnableCableLoss);
  // A state never comes back in hold: it loads as single, which sweeps once.
  ini.WriteInteger(Section, kTriggerModeKey, TriggerMode == Hold ? Single : TriggerMode);
  ini.WriteInteger(Section, kTriggerSourceKey, TriggerSource);
  ini.WriteInteger(Section, kClockSourceKey, ClockSource);
  ini.WriteFloat(Section, kVelocityFactorKey, VelocityFactor);
  ini.WriteFloat(Section, kCableLossKey, CableLoss);
  ini.WriteInteger(Section, kCableStdIndexKey, CableStdIndex);
  ini.WriteString(Section, kCableListFileKey, CableListFile);

  platform::FileResult result;
  if (!CableListFile.empty()) {
    try {
      SaveCableList(CableListFile);
    } catch (const std::exception& e) {
      result.ok = false;
      result.message = std::string("Cable list not saved: ") + e.what();
      if (Log) Log(result.message);
    }
  }
  return result;
}

void TScannerModule::LoadState(const TCustomIniFile& ini) {
  MetricSystem = CodeOrDefault(ini.ReadInteger(Section, kMetricSystemKey, UnitMetres), 3, UnitMetres);
  const bool lowPower = ini.ReadBool(Section, kAttenuatorKey, false);
  EnableCableLoss = ini.ReadBool(Section, kEnableCableLossKey, false);
  TriggerMode = CodeOrDefault(ini.ReadInteger(Section, kTriggerModeKey, Continuous), 3, Continuous);
  TriggerSource = CodeOrDefault(ini.ReadInteger(Section, kTriggerSourceKey, SourceInternal), 3, SourceInternal);
  ClockSource = CodeOrDefault(ini.ReadInteger(Section, kClockSourceKey, ClockInternal), 2, ClockInternal);
  ClockSent = false;

  const std::string storedList = ini.ReadString(Section, kCableListFileKey, std::string());
  CableListFile.clear();
  CableStdIndex = ini.ReadInteger(Section, kCableStdIndexKey, 0);
  // ReadFloat gives the default for text that is no finite number.
  VelocityFactor = TCableStd::ClampVelocity(ini.ReadFloat(Section, kVelocityFactorKey, TCableStd::DefaultVelocity));
  CableLoss = TCableStd::ClampLoss(ini.ReadFloat(Section, kCableLossKey, TCableStd::DefaultLoss));
  EnsureCableTable();
  CableStds[0].Velocity = VelocityFactor;
  CableStds[0].Loss = CableLoss;
  if (!storedList.empty()) RestoreCableList(storedList);
  CableStdIndex = std::clamp(CableStdIndex, 0, CableStds.Count() - 1);

  // The power level travels in the command lists: they must carry the loaded one before the
  // caller restarts the sweep.
  if (lowPower != Attenuator20dB) {
    Attenuator20dB = lowPower;
    Scanner->LowPower = lowPower;
    RebuildScanList();
  }
}
