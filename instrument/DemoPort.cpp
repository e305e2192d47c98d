#include "instrument/DemoPort.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "model/EcalFlash.h"

namespace {

TComplex Term(double db, double phase) { return Polar(std::pow(10.0, db / 20), phase); }

// The slot a port shows in a state; -1 for none.
int SlotOf(int state, int port) {
  const bool a = port == 0;
  switch (state) {
    case 0: return a ? 0 : 1;
    case 1: return a ? 2 : 3;
    case 2: return a ? 4 : 5;
    case 3: return a ? 8 : 9;
    case 4: return a ? 4 : 1;
    case 5: return a ? 0 : 5;
    case 6: return a ? 12 : 13;
    case 7: return a ? 14 : 15;
    case 8: return a ? 16 : 17;
    default: return -1;
  }
}

// The magnitude table of a slot (its phase table follows); -1 when it has none.
int ThermalTableOf(int slot) {
  switch (slot) {
    case 0: case 1: return 0;
    case 2: case 3: return 2;
    case 4: case 5: return 4;
    case 8: return 6;
    case 6: return 8;
    case 7: return 10;
    case 9: return 12;
    case 16: case 17: return 14;
    case 14: case 15: return 16;
    default: return -1;
  }
}

}  // namespace

int TDemoPort::TModuleScope::Depth = 0;

TDemoPort::TTerms TDemoPort::RealisticTerms(double frequencyMHz) {
  const double ghz = std::max(frequencyMHz, 0.0) * 1e-3;
  const double x = std::clamp(ghz / 14.0, 0.0, 1.0);
  const double w = 2 * std::numbers::pi * ghz * 1e-3;  // radians per picosecond
  TTerms t;
  t.Ed = Term(-45 + 15 * x, -w * 35 + 0.4);
  t.Es = Term(-30 + 12 * x, -w * 60 + 1.1);
  t.Er = Term(-(0.2 + 0.6 * std::sqrt(ghz)), -w * 90);
  return t;
}

TDemoPort::TDemoPort() = default;
TDemoPort::~TDemoPort() = default;

void TDemoPort::ConnectCable() {
  Load = TLoad::Cable;
  Table.Clear();
}

void TDemoPort::ConnectReflection(const TFixtParam& table) {
  Load = TLoad::Reflection;
  Table = table;
}

void TDemoPort::ConnectModule(const TEmulatedEcal* module, int port) {
  if (!module) return;
  if (Module != module || !ModuleValues) ModuleValues = TModuleData::FromImage(module->GetImage());
  Module = module;
  ModulePort = std::clamp(port, 0, 1);
  Load = TLoad::Module;
}

std::shared_ptr<const TDemoPort::TModuleData> TDemoPort::TModuleData::FromImage(const std::vector<uint8_t>& image) {
  auto data = std::make_shared<TModuleData>();
  ecal::THeader header;
  ecal::TCharacterizationImage c;
  std::string why;
  if (!ecal::ReadCharacterization(image, 0, header, c, why)) return data;
  data->Valid = true;
  data->Temperature = c.Descriptor.Temperature;
  const double f1 = c.Descriptor.FirstFrequency * 1e-6;
  const double f2 = c.Descriptor.LastFrequency * 1e-6;
  for (size_t s = 0; s < data->Slots.size(); ++s) data->Slots[s].SetOnePortData(ecal::DecodeBlock(c.Blocks[s]), f2, f1);
  ecal::TThermalHeader th;
  std::vector<ecal::TThermalCodes> tables;
  if (ecal::ReadThermal(image, header.Model, th, tables, why)) {
    data->HasThermal = true;
    data->ThermalF1 = th.FirstFrequency * 1e-6;
    data->ThermalF2 = th.LastFrequency * 1e-6;
    for (const ecal::TThermalCodes& t : tables) data->Thermal.push_back(ecal::DecodeThermal(t));
  }
  return data;
}

TComplex TDemoPort::ModuleGamma(const TModuleData& data, int state, int port, double f, double temperature) {
  const int slot = SlotOf(state, port);
  if (!data.Valid || slot < 0) return {};
  const TComplex g = data.Slots[static_cast<size_t>(slot)].InterpolateAt(f).S11;
  const int t = ThermalTableOf(slot);
  const double dT = temperature - data.Temperature;
  if (dT == 0 || t < 0 || !data.HasThermal || static_cast<size_t>(t + 1) >= data.Thermal.size()) return g;
  return ecal::ThermalCorrect(g, dT, data.Thermal[static_cast<size_t>(t)], data.Thermal[static_cast<size_t>(t + 1)], f,
                              data.ThermalF1, data.ThermalF2);
}

TComplex TDemoPort::Gamma(double f, const TComplex& cable) const {
  switch (Load) {
    case TLoad::Reflection:
      return Table.HoldsData() ? Table.InterpolateAt(f).S11 : TComplex{};
    case TLoad::Module:
      if (Module && ModuleValues && Module->IsPlugged())
        return ModuleGamma(*ModuleValues, Module->GetSwitchState(), ModulePort, f, Module->GetTemperature());
      return cable;
    default:
      return cable;
  }
}

TComplex TDemoPort::Reading(double f, const TComplex& cable) const {
  if (TestSource) return TestSource(f);
  if (!Realistic && Load == TLoad::Cable) return cable;
  const TComplex g = Gamma(f, cable);
  const TTerms t = TermsAt(f);
  return t.Ed + t.Er * g / (TComplex{1, 0} - t.Es * g);
}

TDemoPort::TModuleScope::TModuleScope(int port) {
  auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get());
  if (!emulator || !emulator->GetEcal()) return;
  Engaged = true;
  if (Depth++ == 0) emulator->ConnectModulePort(port);
}

TDemoPort::TModuleScope::~TModuleScope() {
  if (!Engaged) return;
  if (--Depth > 0) return;
  if (auto* emulator = dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get())) emulator->ConnectCable();
}
