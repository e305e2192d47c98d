// The electronic calibration module's two heavy steps, each beside a plain yardstick:
//
//   BM_LoadCharacterization  a 1601-point model-1 characterisation (18 blocks, 173 KB) read
//                            through the emulated module's vendor requests page by page, CRC
//                            checked, decoded into the temporary kit and thermally corrected.
//                            Target: under 10 ms. Yardstick: copying and CRC-checking the same
//                            bytes straight from the image (counter "copy_crc_ms").
//   BM_CalculateWeighted     the full one-port solve with the weighted five-standard fit over
//                            16001 points against that kit. Target: under 10 ms. Yardstick: the
//                            closed three-standard solve of the same points (BM_CalculateF1 of
//                            bench_calibration), counter "closed_form_ms".
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "calibration/CalKit.h"
#include "calibration/CalKitsModule.h"
#include "calibration/Calibr.h"
#include "calibration/ECal.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/EmulatorBackend.h"
#include "model/Crc32.h"
#include "model/EcalFlash.h"
#include "platform/UiDispatcher.h"

namespace {

ecal::TImageSpec Spec(uint32_t n) {
  ecal::TImageSpec spec;
  spec.Serial = "BENCH001";
  spec.Model = 1;
  spec.Present[0] = true;
  ecal::TCharacterizationImage& c = spec.Characterizations[0];
  c.Descriptor = ecal::ClearedDescriptor();
  c.Descriptor.FirstFrequency = 10e6;
  c.Descriptor.LastFrequency = 14000e6;
  c.Descriptor.Points = n;
  c.Descriptor.Temperature = 25.0;
  const double base[18] = {-1, -1, 1, 1, 0.02, 0.025, 0.9, 0.9, 0.02, 0.02, 0.3, 0.3, 0.03, 0.03, 0.3, 0.31, 0.8, 0.79};
  for (int s = 0; s < ecal::kSlotCount; ++s) {
    std::vector<TComplex> v;
    for (uint32_t i = 0; i < n; ++i) {
      const double x = static_cast<double>(i) / (n - 1);
      v.push_back(Polar(std::abs(base[s]), (base[s] < 0 ? std::numbers::pi : 0.0) - 3 * x * (1 + s % 3)));
    }
    c.Blocks[static_cast<size_t>(s)] = ecal::EncodeBlock(v);
  }
  spec.HasThermal = true;
  spec.Thermal = {10e6, 14000e6, 141};
  for (int t = 0; t < 18; ++t) spec.ThermalTables.push_back(ecal::EncodeThermal(std::vector<double>(141, -0.001 * (t + 1))));
  return spec;
}

// The program's modules for a module run: kits in a folder of their own, the emulator with the
// module attached, the module object connected.
struct TRig {
  explicit TRig(uint32_t n)
      : folder(std::filesystem::temp_directory_path() / "tervan-bench-ecal"),
        previousUi(platform::UiDispatcher::install(&ui)),
        image(ecal::WriteImage(Spec(n))),
        module(image) {
    std::filesystem::create_directories(folder);
    kits = std::make_unique<TCalKitsModule>(folder.string());
    previousKits = CalKitsModule;
    CalKitsModule = kits.get();
    platform::UsbBackend::install(&emulator);
    object = std::make_unique<TECal>();
    emulator.AttachEcal(&module);
    ui.runPending();
    module.SetTemperature(31.0);
    object->SetThermoCompensation(true);
  }
  ~TRig() {
    object.reset();
    emulator.AttachEcal(nullptr);
    platform::UsbBackend::install(nullptr);
    CalKitsModule = previousKits;
    kits.reset();
    platform::UiDispatcher::install(previousUi);
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
  platform::ManualUiDispatcher ui;
  platform::UiDispatcher* previousUi;
  std::vector<uint8_t> image;
  TEmulatedEcal module;
  EmulatorBackend emulator{4};
  std::unique_ptr<TCalKitsModule> kits;
  TCalKitsModule* previousKits = nullptr;
  std::unique_ptr<TECal> object;
};

void BM_LoadCharacterization(benchmark::State& state) {
  TRig rig(static_cast<uint32_t>(state.range(0)));
  if (!rig.object->IsConnected()) {
    state.SkipWithError("the module was not found");
    return;
  }
  for (auto _ : state) {
    if (!rig.object->LoadCharacterization()) state.SkipWithError("load failed");
  }
  // The yardstick: the same bytes copied and CRC-checked block by block.
  const size_t n = static_cast<size_t>(state.range(0));
  const size_t block = 6 * n + 4;
  std::vector<uint8_t> copy(block + 4);
  const int rounds = 50;
  const auto start = std::chrono::steady_clock::now();
  uint32_t sink = 0;
  for (int r = 0; r < rounds; ++r) {
    size_t at = ecal::kFactoryAddress + ecal::kDescriptorSize + 4;
    for (int b = 0; b < 18; ++b) {
      std::copy(rig.image.begin() + static_cast<std::ptrdiff_t>(at),
                rig.image.begin() + static_cast<std::ptrdiff_t>(at + block + 4), copy.begin());
      sink ^= UpdateCrc32(0, copy.data(), block);
      at += block + 4;
    }
  }
  benchmark::DoNotOptimize(sink);
  state.counters["copy_crc_ms"] =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
  state.counters["bytes"] = static_cast<double>(18 * (block + 4));
}
BENCHMARK(BM_LoadCharacterization)->Arg(1601)->Unit(benchmark::kMillisecond);

TComplex Forward(const TComplex& er, const TComplex& ed, const TComplex& es, const TComplex& g) {
  return ed + er * g / (TComplex{1, 0} - es * g);
}

void BM_CalculateWeighted(benchmark::State& state) {
  TRig rig(1601);
  if (!rig.object->LoadCharacterization()) {
    state.SkipWithError("load failed");
    return;
  }
  TCalKits& list = rig.kits->GetKits();
  TCalKit& kit = *list.GetItem(list.GetCount() - 1);
  const int n = static_cast<int>(state.range(0));
  TCalibr weighted, closed;
  const int kinds[5] = {ckShort, ckOpen, ckLoad, ckOpen2, ckLoad2};
  const int standards[5] = {0, 1, 2, 4, 5};
  for (int i = 0; i < n; ++i) {
    const double f = 10.0 + (14000.0 - 10.0) * i / (n - 1);
    weighted.Frequencies.push_back(f);
    const TComplex er{0.9, -0.1}, ed{0.01, 0.02}, es{0.05, -0.03};
    for (int k = 0; k < 5; ++k) {
      SxData x{};
      x.Data0 = Forward(er, ed, es, kit.GetStandard(standards[k])->ModuleData.InterpolateAt(f).S11);
      weighted.Standards[kinds[k]][0].push_back(x);
    }
  }
  for (int k : kinds) weighted.Measured[k][0] = true;
  closed.Frequencies = weighted.Frequencies;
  for (int k : {ckShort, ckOpen, ckLoad}) {
    closed.Standards[k][0] = weighted.Standards[k][0];
    closed.Measured[k][0] = true;
  }
  for (auto _ : state) {
    weighted.ModuleStandards = true;
    weighted.Calculate(0, -1, cmF1);
    benchmark::DoNotOptimize(weighted.Terms);
  }
  const int rounds = 10;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) closed.Calculate(0, -1, cmF1);
  state.counters["closed_form_ms"] =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CalculateWeighted)->Arg(16001)->Unit(benchmark::kMillisecond);

}  // namespace
