#pragma once
// What the sweep-engine tests share: a device model whose demonstration flag the test chooses,
// an emulator that logs its vendor requests and answers the standby and memory requests, a
// calibration stand-in that records the system corrections asked of it, and a scanner connected
// to the emulator on a fake clock.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/ManualWaiter.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerThreads.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/ICalibrationFacade.h"
#include "model/IPowerMeter.h"
#include "model/Range.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"

namespace scannertest {

// The device of a model row with the demonstration flag set as the test wants.
class TDeviceAs : public TDevice {
 public:
  TDeviceAs(int row, bool demo) : TDevice(row), Demo(demo) {}
  bool GetDemoMode() const override { return Demo; }
  bool Demo;
};

// The emulator without its sleeps, logging every vendor request. The standby request answers
// with StandbyAnswer (one byte) when that is 0 or 1; the memory read fills the buffer with the
// low byte of the address, the memory write takes every byte.
class TLoggingEmulator : public EmulatorBackend {
 public:
  explicit TLoggingEmulator(int row) : EmulatorBackend(row) {
    SetSleeper([](int) {});
  }
  platform::UsbResult vendorRequest(Handle handle, const platform::UsbVendorRequest& r, uint8_t* data) override {
    {
      std::lock_guard<std::mutex> lock(LogMutex);
      Requests.push_back(r);
    }
    platform::UsbResult result = EmulatorBackend::vendorRequest(handle, r, data);
    if (!result.ok()) return result;
    if (r.request == TScanner::kStandbyRequest && r.deviceToHost && StandbyAnswer >= 0 && data) {
      data[0] = static_cast<uint8_t>(StandbyAnswer);
      return platform::UsbResult::Ok(1);
    }
    if (r.request == TScanner::kReadMemoryRequest && r.deviceToHost && data) {
      for (uint16_t k = 0; k < r.length; ++k) data[k] = static_cast<uint8_t>(r.value);
      return platform::UsbResult::Ok(r.length);
    }
    if (r.request == TScanner::kWriteMemoryRequest && !r.deviceToHost) return platform::UsbResult::Ok(r.length);
    return result;
  }
  // How many requests of that number were made.
  int Count(uint8_t request) {
    std::lock_guard<std::mutex> lock(LogMutex);
    int n = 0;
    for (const platform::UsbVendorRequest& r : Requests) n += r.request == request ? 1 : 0;
    return n;
  }
  std::vector<platform::UsbVendorRequest> Log() {
    std::lock_guard<std::mutex> lock(LogMutex);
    return Requests;
  }

  int StandbyAnswer = -1;
  std::mutex LogMutex;
  std::vector<platform::UsbVendorRequest> Requests;
};

// Records the system corrections asked of the calibration module and applies a known factor to
// the reflection ratio, so a test sees whether the correction ran.
class TRecordingCalibration : public ICalibrationFacade {
 public:
  bool IsUserCorrectionDisabled() const override { return false; }
  bool IsOffsetAdjustRunning() const override { return OffsetAdjustRunning; }
  bool IsInstrumentHeld() const override { return Held; }
  void AdjustFrequencyOffset() override {}
  uint32_t GetSerialNumber() const override { return 1; }
  int GetHardwareRevision() const override { return 1; }
  void ApplySystemCorrection(int a, TComplex& x, int b, TComplex& y, double frequencyMHz) const override {
    ++Corrections;
    LastA = a;
    LastB = b;
    LastFrequency = frequencyMHz;
    x = x * Factor;
    (void)y;
  }
  void ReadEeprom() override { ++EepromReads; }

  bool OffsetAdjustRunning = false;
  bool Held = false;
  double Factor = 1.0;
  mutable int Corrections = 0;
  mutable int LastA = -1, LastB = -1;
  mutable double LastFrequency = 0;
  int EepromReads = 0;
};

// A power sensor that reads -10 dBm - f / 1000 at f MHz and logs the frequencies asked.
class TFakePowerMeter : public IPowerMeter {
 public:
  bool Connect() override {
    State = Ready;
    return true;
  }
  void Disconnect() override { State = NotReady; }
  bool MeasureDbm(double& level, double frequencyMHz) override {
    Asked.push_back(frequencyMHz);
    level = -10.0 - frequencyMHz / 1000.0;
    return true;
  }
  int GetState() const override { return State; }

  int State = NotReady;
  std::vector<double> Asked;
};

// The services of a model row: real synthesizer settings, the device, the recording calibration.
struct TEngineServices {
  TEngineServices(int row, bool demo) : device(row, demo) {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    scope->CalibratorModule = &calibration;
    scope->PowerMeter = &meter;
  }
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TRecordingCalibration calibration;
  TFakePowerMeter meter;
  TDeviceAs device;
  TScopedServices scope;
};

// A fake clock and the manual user-interface queue, both installed, and the waiter on them.
struct TFakeUi {
  platform::ManualUiDispatcher ui;
  platform::UiDispatcher* previous = platform::UiDispatcher::install(&ui);
  platform::ManualClock clock;
  platform::ScopedClock scopedClock{clock};
  TManualWaiter waiter{clock, ui};
  ~TFakeUi() { platform::UiDispatcher::install(previous); }
};

// Sweep definition of a channel without a setter's side effects.
inline void Sweep(TRange& r, double start, double stop, int n) {
  r.SweepMode = TRange::Lin;
  r.MinFrequency = start;
  r.MaxFrequency = stop;
  r.NPoints = n;
  r.RebuildPoints();
}

}  // namespace scannertest
