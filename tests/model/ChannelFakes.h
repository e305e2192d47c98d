#pragma once
// Fakes of the services a channel reaches through the registry, and a fixture that installs
// them: a device of a chosen model row and a synthesizer plan that plans exactly (24-bit
// fraction) except where a test makes it fail, recording every frequency it was asked for.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/BusyCursor.h"
#include "model/FObject.h"
#include "model/ICalibrationFacade.h"
#include "model/IDeviceModel.h"
#include "model/IReferenceImpedance.h"
#include "model/ISynthPlan.h"
#include "model/Services.h"

namespace fakes {

class FakeDevice : public IDeviceModel {
 public:
  int row = 4;
  bool demo = false;
  int GetModelIndex() const override { return row; }
  bool GetDemoMode() const override { return demo; }
  int GetReflectionIndex() const override { return 0; }
  int GetTransmissionIndex() const override { return 1; }
  int GetReferenceIndex() const override { return 2; }
  bool HasReceiver(int index) const override { return index == 0 || index == 2; }
  std::string GetMakerName() const override { return "OSTRAK"; }
  std::string GetModelName() const override { return " TEST"; }
  std::string GetLongDescription() const override { return " TEST"; }
  std::string GetDescription() const override { return " TEST"; }
  std::string GetFirmwareVersion() const override { return "1.0"; }
  std::string GetSoftwareVersion() const override { return "0.1.0"; }
  std::string GetIdentification() const override { return "test"; }
};

class FakeSynthPlan : public ISynthPlan {
 public:
  double minFrequency = 85;
  double maxFrequency = 14000;
  double ifAccuracy = 0.000025;
  double intermediateFreq = 0.24;
  int32_t backScanDelay = 1000;
  double heterodyneTolerance = 0.000025;

  // A plan fails where these say so (frequency asked for, tolerance in force).
  std::function<bool(double f, double tolerance)> signalFails;
  std::function<bool(double f)> heterodyneFails;
  // Harmonic rule for the heterodyne; identity by default.
  std::function<double(double lo, double fr)> heterodyneRule;

  // What the plan was asked for, in call order.
  std::vector<double> signalRequests;
  std::vector<double> signalTolerances;
  std::vector<double> heterodyneRequests;

  double tolerance = 0.000025;

  double GetMinFrequency() const override { return minFrequency; }
  double GetMaxFrequency() const override { return maxFrequency; }
  double GetIFAccuracy() const override { return ifAccuracy; }
  double GetIntermediateFreq() const override { return intermediateFreq; }
  int32_t GetBackScanDelay() const override { return backScanDelay; }
  void SetSignalTolerance(double t) override { tolerance = t; }

  bool CalcSignalPll(TPllSettings& pll, double f) override {
    signalRequests.push_back(f);
    signalTolerances.push_back(tolerance);
    Encode(pll, f, 46);
    if (signalFails && signalFails(f, tolerance)) return false;
    return std::fabs(CalcFrequency(pll) - f) < tolerance;
  }
  bool CalcHeterodynePll(TPllSettings& pll, double f) override {
    heterodyneRequests.push_back(f);
    Encode(pll, f, 46);
    if (heterodyneFails && heterodyneFails(f)) return false;
    return std::fabs(CalcFrequency(pll) - f) < heterodyneTolerance;
  }
  double CalcFrequency(const TPllSettings& pll) const override {
    return pll.N + (pll.Frac16 * 256.0 + pll.Frac8) / 16777216.0;
  }
  double HeterodyneFrequency(double lo, double fr) const override {
    return heterodyneRule ? heterodyneRule(lo, fr) : lo;
  }

  void ClearRecords() {
    signalRequests.clear();
    signalTolerances.clear();
    heterodyneRequests.clear();
  }

 private:
  static void Encode(TPllSettings& pll, double f, int32_t band) {
    pll = TPllSettings{};
    if (!(f > 0) || !std::isfinite(f) || f > 1e9) return;
    const double n = std::floor(f);
    const double frac = std::round((f - n) * 16777216.0);
    const int64_t fraction = static_cast<int64_t>(frac);
    pll.R = 1;
    pll.N = static_cast<int32_t>(n) + static_cast<int32_t>(fraction >> 24);
    pll.Frac16 = static_cast<int32_t>((fraction & 0xFFFFFF) >> 8);
    pll.Frac8 = static_cast<int32_t>(fraction & 0xFF);
    pll.Prescaler = 2;
    pll.Band = band;
  }
};

class FakeCalibrator : public ICalibrationFacade {
 public:
  bool running = false;
  int adjustments = 0;
  std::function<void()> onAdjust;
  bool IsUserCorrectionDisabled() const override { return false; }
  bool IsOffsetAdjustRunning() const override { return running; }
  void AdjustFrequencyOffset() override {
    ++adjustments;
    if (onAdjust) onAdjust();
  }
  uint32_t GetSerialNumber() const override { return 1234; }
  int GetHardwareRevision() const override { return 1; }
};

class FakeKits : public IReferenceImpedance {
 public:
  double z0 = 50;
  double GetReferenceImpedance() const override { return z0; }
};

class FakeBusyCursor : public IBusyCursorHook {
 public:
  int shown = 0;
  int restored = 0;
  void Show() override { ++shown; }
  void Restore() override { ++restored; }
};

// Installs a device of row 4 (K30 band 85 ... 14000 MHz) with the fake plan for rows 3 and 4.
// Set device.row = 3 and the plan's band to 85 ... 5400 for the K12 branches.
struct ChannelServices {
  FakeDevice device;
  FakeSynthPlan plan;
  FakeCalibrator calibrator;
  FakeKits kits;
  FakeBusyCursor cursor;
  TScopedServices scope;

  ChannelServices() {
    scope->Device = &device;
    scope->SynthesizerTV = &plan;
    scope->SynthesizerTV30 = &plan;
    scope->CalibratorModule = &calibrator;
    scope->CalKitsModule = &kits;
    scope->BusyCursor = &cursor;
  }
  void UseK12() {
    device.row = 3;
    plan.maxFrequency = 5400;
    plan.ifAccuracy = 0.00001;
    plan.intermediateFreq = 0.18;
    plan.heterodyneTolerance = 0.00001;
  }
};

// Counts a channel's events and remembers whether Changing was set during OnChange.
struct EventCounter {
  int change = 0;
  int settings = 0;
  std::vector<bool> changingDuringChange;
  template <typename Range>
  void Attach(Range& r) {
    r.OnChange = [this, &r](TFObject*) {
      ++change;
      changingDuringChange.push_back(r.Changing);
    };
    r.OnSettingsChange = [this](TFObject*) { ++settings; };
  }
  void Reset() {
    change = 0;
    settings = 0;
    changingDuringChange.clear();
  }
};

}  // namespace fakes
