#include "calibration/CalibratorModule.h"

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/MeasurementRun.h"
#include "calibration/SystemCorrection.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/IDeviceModel.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"
#include "platform/SettingsStore.h"

TCalibratorModule* CalibratorModule = nullptr;

namespace {

int DeviceRow() {
  const IDeviceModel* device = Services().Device;
  return device ? device->GetModelIndex() : 0;
}

}  // namespace

TCalibratorModule::TCalibratorModule(std::string settingsPath)
    : TFObject(nullptr),
      SettingsPath(std::move(settingsPath)),
      SystemCal(std::make_unique<TCalibr>()),
      SystemCalLowPower(std::make_unique<TCalibr>()) {
  const int row = DeviceRow();
  HardwareRevision = row == 3 ? 2 : row == 4 ? 3 : 1;
  LoadCalKitNumber();
  LoadFactoryFiles();
}

TCalibratorModule::~TCalibratorModule() = default;

void TCalibratorModule::ApplySystemCorrection(int a, TComplex& x, int b, TComplex& y, double frequencyMHz) const {
  if (SystemCorrectionOff) return;
  const TCalibr& cal = GetSystemCalibr();
  if (cal.Terms == nullptr) return;
  const bool portMatch = a >= 0 && a < TCalibr::SlotCount && cal.HasPortMatch(a);
  TSystemCorrection::Apply(cal.Terms, portMatch, a, x, b, y, frequencyMHz);
}

void TCalibratorModule::ApplySystemCorrectionAt(TRange& channel, int i, double frequencyMHz, int a, TComplex& x, int b,
                                                TComplex& y) const {
  if (SystemCorrectionOff) return;
  const TCalibr& cal = GetSystemCalibr();
  if (cal.Terms == nullptr || cal.Terms->GetCount() == 0) return;
  if (a < 0 && b < 0) return;
  const bool portMatch = a >= 0 && a < TCalibr::SlotCount && cal.HasPortMatch(a);
  // The frequency given is the point's own; one that is not (a caller's choice) takes the search.
  const TPointTerms* terms = i >= 0 && i < channel.GetCount() && channel.GetPointFrequency(i) == frequencyMHz
                                 ? TSystemCorrection::TermsAt(channel.SystemTerms, *cal.Terms, channel, i, a, b)
                                 : nullptr;
  if (terms == nullptr) {
    TSystemCorrection::Apply(cal.Terms, portMatch, a, x, b, y, frequencyMHz);
    return;
  }
  TSystemCorrection::ApplyTerms(terms->Er, terms->Ed, terms->Es, terms->Et, portMatch, a, x, b, y);
}

TCalibr& TCalibratorModule::GetSystemCalibr() const {
  const int row = DeviceRow();
  if ((row == 3 || row == 4) && ScannerModule != nullptr && ScannerModule->GetScanner().LowPower) {
    return *SystemCalLowPower;
  }
  return *SystemCal;
}

void TCalibratorModule::ClearSystemCalibrations() {
  SystemCal->Clear();
  SystemCalLowPower->Clear();
  NotifyChange();
}

bool TCalibratorModule::IsSystemCalibrationEmpty() const {
  return SystemCal->Terms == nullptr && SystemCalLowPower->Terms == nullptr;
}

bool TCalibratorModule::IsStandardValid(int kind, int port) {
  const IDeviceModel* device = Services().Device;
  if (device == nullptr) return false;
  switch (kind) {
    case ckThru:
      return port == device->GetTransmissionIndex();
    case ckShort:
    case ckOpen:
    case ckOpen2:
      return port == device->GetReflectionIndex() || port == device->GetReferenceIndex();
    case ckLoad:
    case ckLoad2:
      return port == device->GetReflectionIndex() && device->HasReceiver(port);
    default:
      return false;
  }
}

void TCalibratorModule::SetStandardRequest(int kind, int slot, bool value) {
  if (kind < 0 || kind >= TCalibr::KindCount) return;
  if (value && !IsStandardValid(kind, slot)) throw EAbort("Invalid argument in method Calibrate");
  if (slot < 0 || slot >= TCalibr::SlotCount) return;
  Requests[kind][slot] = value;
}

bool TCalibratorModule::IsStandardRequested(int kind, int slot) const {
  if (kind < 0 || kind >= TCalibr::KindCount || slot < 0 || slot >= TCalibr::SlotCount) return false;
  return Requests[kind][slot];
}

void TCalibratorModule::ClearStandardRequests() {
  for (auto& kind : Requests) {
    for (bool& flag : kind) flag = false;
  }
}

TCalibr* TCalibratorModule::GetUserCalibr() const { return ActiveWindow ? ActiveWindow->GetActiveCalibr() : nullptr; }

void TCalibratorModule::Calibrate(int kind0, int kind1, bool system) {
  if (TMeasurementRun::IsRunning() || EepromBusy || (ModuleOperationDepth > 0 && !ModuleCalibrating))
    throw EAbort("Execution error", 200);
  ClearStandardRequests();
  if (IsStandardValid(kind0, 0)) SetStandardRequest(kind0, 0, true);
  if (IsStandardValid(kind1, 1)) SetStandardRequest(kind1, 1, true);
  SystemMode = system;
  // The standards of a system calibration are measured uncorrected; the switch comes back
  // however the run ends.
  const bool savedCorrectionOff = SystemCorrectionOff;
  if (system) SystemCorrectionOff = true;
  try {
    RunCalibrationSweep();
  } catch (...) {
    if (system) SystemCorrectionOff = savedCorrectionOff;
    throw;
  }
  if (system) SystemCorrectionOff = false;
  NotifyChange();
}

namespace {

// On the demonstration's emulated port (realistic terms), with no module port connected to it, the sweep of a
// standard sees the selected kit's standard of that kind at the run's points; the cable again
// afterwards.
class TDemoStandardScope {
 public:
  TDemoStandardScope(const TRange& channel, const TCalibratorModule& module) {
    auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get());
    if (!emulator || !emulator->IsRealisticPort() || emulator->GetPortLoad() == TDemoPort::TLoad::Module) return;
    TCalKit* kit = CalKitsModule ? CalKitsModule->GetKits().GetSelected() : nullptr;
    if (!kit) return;
    int standard = -1;
    for (int kind : {ckShort, ckOpen, ckLoad}) {
      if (module.IsStandardRequested(kind, 0)) standard = kind == ckShort ? 0 : kind == ckOpen ? 1 : 2;
    }
    const int n = channel.GetCount();
    if (standard < 0 || n < 1) return;
    std::vector<double> f(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)] = channel.GetPointFrequency(i);
    std::vector<TComplex> g(f.size());
    kit->GetStandardValues(standard, f.data(), f.size(), g.data());
    TFixtParam table;
    table.Frequencies = f;
    table.S11 = g;
    table.S21.assign(f.size(), TComplex{});
    table.S12.assign(f.size(), TComplex{});
    table.S22.assign(f.size(), TComplex{});
    if (f.size() == 1) {
      // One point: a flat table around it.
      table.Frequencies.push_back(f[0] + 1.0);
      for (auto* v : {&table.S11, &table.S21, &table.S12, &table.S22}) v->push_back(v->front());
    }
    emulator->ConnectReflection(table);
    Emulator = emulator;
  }
  ~TDemoStandardScope() {
    if (Emulator) Emulator->ConnectCable();
  }
  TDemoStandardScope(const TDemoStandardScope&) = delete;
  TDemoStandardScope& operator=(const TDemoStandardScope&) = delete;

 private:
  EmulatorBackend* Emulator = nullptr;
};

}  // namespace

void TCalibratorModule::RunCalibrationSweep() {
  TCalibr* target = SystemMode ? &GetSystemCalibr() : GetUserCalibr();
  TRange* active = ActiveWindow ? ActiveWindow->GetActiveRange() : nullptr;
  if (ScannerModule == nullptr || WaitBox == nullptr || active == nullptr || target == nullptr) {
    throw EAbort("Execution error", 200);
  }
  {
    TMeasurementRun run(*ScannerModule);
    TRange& channel = run.GetChannel();
    TRangeSettings settings;
    TSegments segments;
    active->GetSettings(settings, segments);
    if (SystemMode) {
      const int row = DeviceRow();
      settings.MinFrequency = channel.GetDeviceMinFrequency();
      settings.MaxFrequency = channel.GetDeviceMaxFrequency();
      if (row == 3) {
        settings.NPoints = 893;
        settings.CommonIFBW = 300;
      } else if (row == 4) {
        settings.NPoints = 848;
        settings.CommonIFBW = 100;
      }
      settings.SweepMode = 3;
      settings.OutputPower = -10.0;
      settings.PowerSlope = 0.0;
    }
    channel.ApplySettings(std::move(segments), settings);
    channel.SetPointCorrection(false);
    channel.SetChangeNotify(true);
    ScannerModule->RebuildScanList();
    TDemoStandardScope standard(channel, *this);
    if (WaitBox->Run(TranslateText("Calibration"))) {
      for (int kind = 0; kind < TCalibr::KindCount; ++kind) {
        for (int slot = 0; slot < TCalibr::SlotCount; ++slot) {
          if (!IsStandardRequested(kind, slot)) continue;
          target->StoreStandard(kind, slot, channel);
          target->SetStandardSelected(kind, slot, true);
        }
      }
    }
  }
  SaveCalKitNumber();
}

void TCalibratorModule::SetSystemCorrectionOff(bool value) {
  if (SystemCorrectionOff == value) return;
  SystemCorrectionOff = value;
  NotifyChange();
}

void TCalibratorModule::SetCorrection(bool off) {
  if (UserCorrectionOff == off) return;
  UserCorrectionOff = off;
  NotifyCorrectionChange();
  NotifyChange();
}

void TCalibratorModule::SetSerialNumber(int64_t n) {
  const auto value = static_cast<uint32_t>(n);
  SerialNumber = value < MaxSerialNumber ? value : MaxSerialNumber;
  NotifyChange();
}

void TCalibratorModule::SetHardwareRevision(int n) {
  const int value = n < 1 ? 1 : n > 9 ? 9 : n;
  if (value == HardwareRevision) return;
  HardwareRevision = value;
  NotifyChange();
  if (ScannerModule != nullptr) {
    ScannerModule->StopSweep();
    ScannerModule->RebuildScanList();
    ScannerModule->StartSweep(0);
  }
}

void TCalibratorModule::Reset() {
  SystemCorrectionOff = false;
  UserCorrectionOff = false;
  OffsetAdjustRunning = false;
  AutoExtMethod = 0;
  AutoExtFreq1 = 1000.0;
  AutoExtFreq2 = 1000.0;
  AutoExtIncludeLoss = false;
  AutoExtAdjustMismatch = false;
  NotifyCorrectionChange();
  NotifyChange();
}

void TCalibratorModule::LoadCalKitNumber() {
  if (CalKitsModule == nullptr) return;
  const platform::SettingsStore store = SettingsPath.empty() ? platform::SettingsStore() : platform::SettingsStore(SettingsPath);
  if (!store.contains(platform::SettingsStore::kCalKitNumber)) return;
  const int index = store.readInteger(platform::SettingsStore::kCalKitNumber, -1);
  // Only a built-in kit can be stored; the temporary kit does not outlive the run.
  if (index < 0 || index >= TCalKitsModule::BuiltInKitCount) return;
  CalKitsModule->GetKits().SelectKit(index);
}

void TCalibratorModule::SaveCalKitNumber() {
  if (CalKitsModule == nullptr) return;
  const TCalKits& kits = CalKitsModule->GetKits();
  const int index = kits.GetSelectedIndex();
  if (index < 0 || index >= TCalKitsModule::BuiltInKitCount) return;
  if (kits.GetHasTemporaryKit() && index == kits.GetCount() - 1) return;
  platform::SettingsStore store = SettingsPath.empty() ? platform::SettingsStore() : platform::SettingsStore(SettingsPath);
  (void)store.writeInteger(platform::SettingsStore::kCalKitNumber, index);
}

void TCalibratorModule::NotifyChange() {
  if (OnChange) OnChange(this);
}

void TCalibratorModule::NotifyCorrectionChange() {
  if (OnCorrectionChange) OnCorrectionChange(this);
}
