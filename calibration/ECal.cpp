#include "calibration/ECal.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/CalibratorModule.h"
#include "calibration/MeasurementRun.h"
#include "instrument/DemoPort.h"
#include "instrument/PumpingWaiter.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Services.h"
#include "model/Utils.h"

namespace {

constexpr const char* kConnectorNames[13] = {"Type-N50 -M-", "Type-N50 -F-", "3.5mm -M-",  "3.5mm -F-", "2.4mm -M-",
                                             "2.4mm -F-",    "Type-N75 -M-", "Type-N75 -F-", "Type-F -M-", "Type-F -F-",
                                             "7/16 -M-",     "7/16 -F-",     "APC-7"};

// Kit standards of the temporary kit.
enum : int { kShort = 0, kOpen = 1, kLoad = 2, kThru = 3, kOpen2 = 4, kLoad2 = 5 };

TCalKits* Kits() { return CalKitsModule ? &CalKitsModule->GetKits() : nullptr; }

// Everything a calibration holds, to put back after a run that did not succeed.
class TCalibrSnapshot {
 public:
  explicit TCalibrSnapshot(TCalibr& c) : Target(c), Copy(std::make_unique<TCalibr>()) { CopyInto(*Copy, c); }
  void Restore() {
    CopyInto(Target, *Copy);
    if (Target.OnChange) Target.OnChange(&Target);
  }

 private:
  static void CopyInto(TCalibr& to, const TCalibr& from) {
    delete to.Terms;
    to.Terms = nullptr;
    if (from.Terms) {
      std::vector<double> f;
      for (int i = 0; i < from.Terms->GetCount(); ++i) f.push_back(from.Terms->GetFrequency(i));
      to.Terms = new TCalRange(from.Terms->GetMethodCode(0), from.Terms->GetMethodCode(1), f);
      for (int i = 0; i < from.Terms->GetCount(); ++i) {
        const TCalPoint* a = from.Terms->GetPoint(i);
        TCalPoint* b = to.Terms->GetPoint(i);
        for (int p = 0; p < 2; ++p) {
          b->A[p] = a->A[p];
          b->B[p] = a->B[p];
          b->C[p] = a->C[p];
          b->D[p] = a->D[p];
        }
      }
    }
    to.CalDate = from.CalDate;
    to.DataTime = from.DataTime;
    to.Settings = from.Settings;
    to.Segments = from.Segments;
    to.Frequencies = from.Frequencies;
    for (int k = 0; k < TCalibr::KindCount; ++k) {
      for (int s = 0; s < TCalibr::SlotCount; ++s) {
        to.Standards[k][s] = from.Standards[k][s];
        to.Selected[k][s] = from.Selected[k][s];
        to.Measured[k][s] = from.Measured[k][s];
        to.Requested[k][s] = from.Requested[k][s];
      }
    }
    to.ModuleStandards = from.ModuleStandards;
    to.KitLabel = from.KitLabel;
    for (int s = 0; s < TCalibr::SlotCount; ++s) {
      to.Method[s] = from.Method[s];
      to.RequestedMethod[s] = from.RequestedMethod[s];
      to.PortMatch[s] = from.PortMatch[s];
    }
    to.RequestedSlot = from.RequestedSlot;
  }

  TCalibr& Target;
  std::unique_ptr<TCalibr> Copy;
};

// Runs a closure when it goes out of scope.
template <class F>
class TOnExit {
 public:
  explicit TOnExit(F f) : Action(std::move(f)) {}
  ~TOnExit() {
    try {
      Action();
    } catch (...) {
    }
  }
  TOnExit(const TOnExit&) = delete;
  TOnExit& operator=(const TOnExit&) = delete;

 private:
  F Action;
};

}  // namespace

// One operation of the module: plug notices wait until the outermost one ends, and sweeps not
// issued by the module's own run are refused meanwhile. An exclusive operation is refused while
// another runs.
class TECal::TOperation {
 public:
  TOperation(TECal& owner, bool exclusive) : Owner(owner) {
    if (exclusive && Owner.Busy > 0) throw EAbort("Execution error", 200);
    ++Owner.Busy;
    Owner.Link->Hold();
    if (CalibratorModule) ++CalibratorModule->ModuleOperationDepth;
  }
  ~TOperation() {
    if (CalibratorModule && CalibratorModule->ModuleOperationDepth > 0) --CalibratorModule->ModuleOperationDepth;
    --Owner.Busy;
    try {
      Owner.Link->Release();
    } catch (...) {
    }
  }
  TOperation(const TOperation&) = delete;
  TOperation& operator=(const TOperation&) = delete;

 private:
  TECal& Owner;
};

TECal::TECal() : Link(std::make_unique<TECalBase>()) {
  Link->OnChange = [this] { LinkChanged(); };
}

TECal::~TECal() { Link->OnChange = nullptr; }

void TECal::Changed() {
  if (OnChange) OnChange();
}

void TECal::CheckConnection() { Link->CheckConnection(); }

int TECal::GetPortMap(int slot) const {
  if (slot < 0 || slot > 1) throw EAbort("Parameter error", 220);
  return PortMap[slot];
}

void TECal::SetPortMap(int slot, int port) {
  if (slot < 0 || slot > 1) throw EAbort("Parameter error", 220);
  port = std::clamp(port, 0, GetPortCount() - 1);
  if (PortMap[slot] == port) return;
  PortMap[slot] = port;
  Changed();
}

void TECal::SetAutoOrientation(bool on) {
  if (AutoOrientation == on) return;
  AutoOrientation = on;
  Changed();
}

void TECal::SetThermoCompensation(bool on) {
  if (ThermoCompensation == on) return;
  ThermoCompensation = on;
  Changed();
}

void TECal::SetCharacterization(int n) {
  n = std::clamp(n, 0, 3);
  if (Characterization == n) return;
  Characterization = n;
  Changed();
}

void TECal::SetState(int index) {
  if (Busy > 0) throw EAbort("Execution error", 200);
  SetStateNow(index);
}

void TECal::SetStateNow(int index) {
  if (Model == 0)
    index = std::clamp(index, 0, 6);
  else if (Model == 1)
    index = std::clamp(index, 0, 8);
  else
    index = std::clamp(index, 0, TECalBase::StateCount - 1);
  if (index == SwitchState) return;
  if (!Link->SetSwitchState(index)) throw EAbort("Execution error", 200);
  SwitchState = index;
  Changed();
}

std::string TECal::GetSerial() const { return IsConnected() ? Serial : std::string(ecal::kBlankSerial); }

std::string TECal::GetModelName() const {
  if (!IsConnected()) return {};
  if (Model == 0) return "QM2270";
  if (Model == 1) return "QM2290";
  return {};
}

std::string TECal::GetCharacterizationName(int n) {
  if (n == 0) return TranslateText("Factory");
  return TranslateText("User") + IntToText(n);
}

std::string TECal::GetConnectorName(int code) {
  if (code < 0 || code > 12) throw EAbort("Parameter error", 220);
  return kConnectorNames[code];
}

bool TECal::GetTemperature(double& degrees) { return Link->ReadTemperature(degrees); }

bool TECal::ReadHeader(std::string& serial, int& model) {
  serial = ecal::kBlankSerial;
  model = 0;
  uint8_t header[ecal::kHeaderSize];
  uint32_t address = ecal::kHeaderAddress;
  if (!Link->ReadBlockChecked(address, header, sizeof header)) return false;
  const ecal::THeader h = ecal::ParseHeader(header);
  serial = h.Serial;
  model = h.Model;
  return true;
}

bool TECal::ReadDescriptor(ecal::TDescriptor& descriptor) {
  TOperation operation(*this, false);
  uint32_t address = 0;
  uint8_t bytes[ecal::kDescriptorSize];
  if (!ecal::CharacterizationAddress(Characterization, address) ||
      !Link->ReadBlockChecked(address, bytes, sizeof bytes)) {
    descriptor = ecal::ClearedDescriptor();
    return false;
  }
  descriptor = ecal::ParseDescriptor(bytes);
  return true;
}

void TECal::LinkChanged() {
  if (Link->Connected) {
    std::string serial;
    int model = 0;
    ReadHeader(serial, model);
    Serial = serial;
    Model = model;
    Link->SetSwitchState(SwitchState);
    Link->SendRequest7();
  } else if (KitReplaced) {
    if (TCalKits* kits = Kits()) {
      kits->RemoveTemporaryKit();
      kits->SelectKit(SavedKit);
    }
    KitReplaced = false;
  }
  Changed();
}

void TECal::ProcessPendingMessages() {
  if (CalibratorModule && CalibratorModule->MainWindowHook) CalibratorModule->MainWindowHook->ProcessPendingMessages();
}

// ---- Characterisation ---------------------------------------------------------------------------

bool TECal::ReadDataBlock(uint32_t& address, uint32_t n, int slot) {
  ProcessPendingMessages();
  std::vector<TComplex>& out = Data[static_cast<size_t>(slot)];
  out.assign(n, TComplex{});
  const size_t size = static_cast<size_t>(ecal::BlockSize(n));
  std::vector<uint8_t> bytes(size);
  ecal::TBlockCodes codes;
  if (!Link->ReadBlockChecked(address, bytes.data(), size) || !ecal::ParseBlockCodes(bytes.data(), size, n, codes))
    return false;
  out = ecal::DecodeBlock(codes);
  return true;
}

bool TECal::ReadCharacterizationData(uint32_t& address, uint32_t n) {
  for (int b = 0; b < ecal::BlockCount(Model); ++b) {
    if (!ReadDataBlock(address, n, ecal::kBlockOrder[static_cast<size_t>(b)])) return false;
  }
  return true;
}

bool TECal::ReadThermoTable(uint32_t& address, uint32_t k, std::vector<double>& table) {
  ProcessPendingMessages();
  const size_t size = static_cast<size_t>(ecal::ThermalTableSize(k));
  std::vector<uint8_t> bytes(size);
  ecal::TThermalCodes codes;
  if (!Link->ReadBlockChecked(address, bytes.data(), size) || !ecal::ParseThermalCodes(bytes.data(), size, k, codes))
    return false;
  table = ecal::DecodeThermal(codes);
  return true;
}

bool TECal::LoadCharacterization() {
  TOperation operation(*this, true);
  return LoadNow();
}

bool TECal::LoadNow() {
  if (!IsConnected()) return false;
  TCalKits* kits = Kits();
  if (!kits) return false;
  uint8_t header[ecal::kHeaderSize];
  uint32_t address = ecal::kHeaderAddress;
  if (!Link->ReadBlockChecked(address, header, sizeof header)) return false;
  if (!ecal::CharacterizationAddress(Characterization, address)) return false;
  uint8_t bytes[ecal::kDescriptorSize];
  if (!Link->ReadBlockChecked(address, bytes, sizeof bytes)) return false;
  const ecal::TDescriptor d = ecal::ParseDescriptor(bytes);
  // A descriptor is hostile input: its blocks must end inside the area before any is read.
  if (!ecal::CheckExtent(d, Characterization, Model).empty()) return false;
  const double f1 = d.FirstFrequency * 1e-6;
  const double f2 = d.LastFrequency * 1e-6;
  const uint32_t n = d.Points;
  // Read into a copy: a failed read leaves the last characterisation in place.
  std::array<std::vector<TComplex>, SlotCount> previous = Data;
  if (!ReadCharacterizationData(address, n)) {
    Data = std::move(previous);
    return false;
  }
  const std::string name = GetModelName() + " No" + GetSerial();
  // While the temporary kit is selected, the user's kit is the one remembered before it.
  const bool temporarySelected = kits->GetHasTemporaryKit() && kits->GetSelectedIndex() == kits->GetCount() - 1;
  if (!temporarySelected) SavedKit = kits->GetSelectedIndex();
  KitReplaced = true;
  KitTouched = true;
  kits->AddTemporaryKit(name);
  FillKit(f1, f2, n);
  kits->SelectKit(kits->GetCount() - 1);
  double now = 0;
  if (ThermoCompensation && GetTemperature(now)) CorrectForTemperature(now, d.Temperature);
  return true;
}

void TECal::FillKit(double f1, double f2, uint32_t n) {
  (void)n;
  TCalKits* kits = Kits();
  TCalKit* kit = kits->GetItem(kits->GetCount() - 1);
  const bool b = PortMap[0] == 1;
  auto one = [&](int standard, int slot) {
    if (standard >= kit->GetStandardCount()) return;
    TCalStd* s = kit->GetStandard(standard);
    s->ModuleData.SetOnePortData(Data[static_cast<size_t>(slot)], f2, f1);
    s->SetUseModuleData(true);
  };
  one(kShort, b ? 1 : 0);
  one(kOpen, b ? 3 : 2);
  one(kLoad, b ? 5 : 4);
  if (PortMap[0] != PortMap[1] && kit->GetStandardCount() > kThru) {
    TCalStd* thru = kit->GetStandard(kThru);
    // Order S11, S21, S22, S12 with analyser port 1 on module port PortMap[0].
    if (!b)
      thru->ModuleData.SetTwoPortData(Data[8], Data[6], Data[9], Data[7], f2, f1);
    else
      thru->ModuleData.SetTwoPortData(Data[9], Data[7], Data[8], Data[6], f2, f1);
    thru->SetUseModuleData(true);
  }
  if (Model == 1) {
    one(kOpen2, b ? 17 : 16);
    one(kLoad2, b ? 15 : 14);
  }
}

void TECal::CorrectForTemperature(double temperature, double characterizationTemperature) {
  uint8_t bytes[ecal::kThermalHeaderSize];
  uint32_t address = ecal::kThermalAddress;
  if (!Link->ReadBlockChecked(address, bytes, sizeof bytes)) return;
  const ecal::TThermalHeader h = ecal::ParseThermalHeader(bytes);
  if (!ecal::CheckThermal(h, Model).empty()) return;
  const uint32_t k = static_cast<uint32_t>(h.Points);
  const double dT = temperature - characterizationTemperature;
  const double f1t = h.FirstFrequency * 1e-6;
  const double f2t = h.LastFrequency * 1e-6;
  TCalKits* kits = Kits();
  TCalKit* kit = kits->GetItem(kits->GetCount() - 1);
  using TGet = TComplex (TFixtParam::*)(int) const;
  using TSet = void (TFixtParam::*)(int, const TComplex&);
  // One parameter of a standard with the next two tables; false when a table cannot be read.
  auto correct = [&](int standard, TGet get, TSet set) {
    std::vector<double> tm, tp;
    if (!ReadThermoTable(address, k, tm) || !ReadThermoTable(address, k, tp)) return false;
    if (standard >= kit->GetStandardCount()) return true;
    TFixtParam& p = kit->GetStandard(standard)->ModuleData;
    for (int i = 0; i < p.GetCount(); ++i)
      (p.*set)(i, ecal::ThermalCorrect((p.*get)(i), dT, tm, tp, p.GetFrequency(i), f1t, f2t));
    return true;
  };
  const bool thruFilled = PortMap[0] != PortMap[1];
  // The Thru's tables are read in their turn, but a Thru this load did not fill keeps its values:
  // correcting it again would count the temperature twice.
  auto thru = [&](TGet get, TSet set) {
    if (thruFilled) return correct(kThru, get, set);
    std::vector<double> skip;
    return ReadThermoTable(address, k, skip) && ReadThermoTable(address, k, skip);
  };
  const bool ok = correct(kShort, &TFixtParam::GetS11, &TFixtParam::SetS11) &&
                  correct(kOpen, &TFixtParam::GetS11, &TFixtParam::SetS11) &&
                  correct(kLoad, &TFixtParam::GetS11, &TFixtParam::SetS11) &&
                  thru(&TFixtParam::GetS11, &TFixtParam::SetS11) && thru(&TFixtParam::GetS21, &TFixtParam::SetS21) &&
                  thru(&TFixtParam::GetS12, &TFixtParam::SetS12) && thru(&TFixtParam::GetS22, &TFixtParam::SetS22);
  if (ok && Model == 1) {
    correct(kOpen2, &TFixtParam::GetS11, &TFixtParam::SetS11) &&
        correct(kLoad2, &TFixtParam::GetS11, &TFixtParam::SetS11);
  }
}

// ---- Runs -------------------------------------------------------------------------------------------

bool TECal::Wait(int ms) {
  TPumpingWaiter::get().Wait(ms, nullptr);
  return true;
}

bool TECal::WaitSettle() {
  if (Model == 0) return Wait(500);
  if (Model == 1) return Wait(2000);
  return false;
}

bool TECal::AutoOrient() {
  TOperation operation(*this, true);
  TDemoPort::TModuleScope demo(EmulatedModulePort);
  return OrientNow();
}

bool TECal::OrientNow() {
  if (!ScannerModule || !CalibratorModule || !CalibratorModule->WaitBox || !CalibratorModule->ActiveWindow)
    return false;
  TRange* active = CalibratorModule->ActiveWindow->GetActiveRange();
  if (!active) return false;
  TScannerModule& scanner = *ScannerModule;
  const int savedState = SwitchState;
  const bool savedLowPower = scanner.Attenuator20dB;
  TMeasurementRun run(scanner);
  TOnExit restore([&] {
    try {
      SetStateNow(savedState);
    } catch (...) {
    }
    if (scanner.Attenuator20dB != savedLowPower) scanner.SetLowPower(savedLowPower);
  });
  TRange& channel = run.GetChannel();
  TRangeSettings settings;
  TSegments segments;
  active->GetSettings(settings, segments);
  settings.NPoints = 2;
  settings.MinFrequency = 100.0;
  settings.CommonIFBW = 1000;
  channel.ApplySettings(std::move(segments), settings);
  scanner.SetLowPower(true);
  channel.SetChangeNotify(true);
  scanner.RebuildScanList();
  const std::string caption = TranslateText("Auto-Orientation");
  double l0 = 0;
  auto level = [&](int state, double& out) {
    SetStateNow(state);
    Wait(100);
    if (!CalibratorModule->WaitBox->Run(caption) || channel.GetCount() < 1) return false;
    out = 20 * std::log10(Abs(channel.GetPointRawLevel(0, 0)));
    return true;
  };
  if (!level(0, l0)) return false;
  int found = -1;
  for (int port = 0; port < 2; ++port) {
    double l = 0;
    if (!level(port == 0 ? 4 : 5, l)) return false;
    const double d = std::abs(l0 - l);
    if (d > 0.2 && d < 6.0) return false;
    if (d > 6.0) {
      if (found >= 0) return false;
      found = port;
    }
    if (!std::isfinite(d)) return false;
  }
  if (found < 0) return false;
  SetPortMap(0, found);
  return true;
}

bool TECal::MeasureStandards() {
  TOperation operation(*this, true);
  TDemoPort::TModuleScope demo(EmulatedModulePort);
  return MeasureNow();
}

bool TECal::MeasureNow() {
  if (!CalibratorModule) return false;
  TCalibr* target = SystemRun ? &CalibratorModule->GetSystemCalibr() : CalibratorModule->GetUserCalibr();
  if (!target) return false;
  std::unique_ptr<TCalibrSnapshot> snapshot;
  if (!SystemRun) {
    snapshot = std::make_unique<TCalibrSnapshot>(*target);
    target->Clear();
  }
  bool done = false;
  TOnExit restore([&] {
    target->ModuleStandards = false;
    if (!done && snapshot) snapshot->Restore();
  });
  struct TStep {
    int State;
    int Kind;
  };
  const TStep steps[5] = {{0, ckShort}, {1, ckOpen}, {2, ckLoad}, {7, ckLoad2}, {8, ckOpen2}};
  const int count = Model == 1 ? 5 : 3;
  for (int i = 0; i < count; ++i) {
    SetStateNow(steps[i].State);
    WaitSettle();
    CalibratorModule->ModuleCalibrating = true;
    TOnExit own([&] { CalibratorModule->ModuleCalibrating = false; });
    CalibratorModule->Calibrate(steps[i].Kind, -1, SystemRun);
    if (!target->IsStandardSelected(steps[i].Kind, 0)) return false;
  }
  if (Model == 1) target->ModuleStandards = true;
  try {
    target->Calculate(0, 1, cmF1);
  } catch (const EAbort&) {
    return false;
  }
  if (!target->Terms) return false;
  done = true;
  return true;
}

bool TECal::RunAutoCal(bool system) {
  if (!ScannerModule || !ScannerModule->GetScanner().Connected || !IsConnected()) return false;
  TOperation operation(*this, true);
  SystemRun = system;
  TScannerModule& scanner = *ScannerModule;
  auto savedSweepDone = scanner.OnSweepDone;
  scanner.OnSweepDone = nullptr;
  const bool hold = scanner.TriggerMode == TScannerModule::Hold;
  KitTouched = false;
  TOnExit restore([&] {
    if (KitTouched) {
      if (TCalKits* kits = Kits()) kits->SelectKit(SavedKit);
    }
    scanner.OnSweepDone = savedSweepDone;
    if (!hold) scanner.StartSweep(0);
  });
  if (!hold) scanner.StopSweep();
  TDemoPort::TModuleScope demo(EmulatedModulePort);
  if (AutoOrientation && !OrientNow()) return false;
  if (!LoadNow()) return false;
  // A characterisation without usable data would calibrate against ideal standards under the
  // module's name.
  TCalKits* kits = Kits();
  TCalKit* kit = kits->GetItem(kits->GetCount() - 1);
  for (int s : {kShort, kOpen, kLoad}) {
    if (!kit->GetStandard(s)->GetUseModuleData()) return false;
  }
  return MeasureNow();
}
