#pragma once
// The instrument memory for the transfer tests: the emulator, connected as an instrument (not
// in demonstration mode), with a 256 KiB memory that answers the read (3) and write (5)
// requests. A switch makes the read of one page come back with a wrong byte or one byte short.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "../instrument/ScannerSupport.h"
#include "calibration/CalibratorModule.h"
#include "calibration/KitTestSupport.h"
#include "instrument/ScannerModule.h"

namespace eepromtest {

class TMemoryEmulator : public scannertest::TLoggingEmulator {
 public:
  static constexpr size_t MemorySize = 256 * 1024;

  explicit TMemoryEmulator(int row) : TLoggingEmulator(row), Memory(MemorySize, 0xFF) {}

  platform::UsbResult vendorRequest(Handle handle, const platform::UsbVendorRequest& r, uint8_t* data) override {
    const bool read = r.request == TScanner::kReadMemoryRequest && r.deviceToHost;
    const bool write = r.request == TScanner::kWriteMemoryRequest && !r.deviceToHost;
    if (!read && !write) return TLoggingEmulator::vendorRequest(handle, r, data);
    {
      std::lock_guard<std::mutex> lock(LogMutex);
      Requests.push_back(r);
    }
    std::lock_guard<std::mutex> lock(MemoryMutex);
    const size_t address = static_cast<size_t>(r.value) | (static_cast<size_t>(r.index) << 16);
    const size_t n = address >= MemorySize ? 0 : std::min<size_t>(r.length, MemorySize - address);
    if (data == nullptr) return platform::UsbResult::Fail("no buffer");
    if (write) {
      std::copy(data, data + n, Memory.begin() + static_cast<ptrdiff_t>(address));
      return platform::UsbResult::Ok(n);
    }
    std::copy(Memory.begin() + static_cast<ptrdiff_t>(address), Memory.begin() + static_cast<ptrdiff_t>(address + n), data);
    if (address == WrongPage && n > 0) data[n / 2] ^= 0x01;
    if (address == ShortPage && n > 0) return platform::UsbResult::Ok(n - 1);
    return platform::UsbResult::Ok(n);
  }

  // Writes or reads the memory directly, as a test sees it.
  void Poke(size_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(MemoryMutex);
    std::copy(bytes.begin(), bytes.end(), Memory.begin() + static_cast<ptrdiff_t>(address));
  }
  std::vector<uint8_t> Peek(size_t address, size_t n) {
    std::lock_guard<std::mutex> lock(MemoryMutex);
    return std::vector<uint8_t>(Memory.begin() + static_cast<ptrdiff_t>(address),
                                Memory.begin() + static_cast<ptrdiff_t>(address + n));
  }
  // The memory requests of one kind, in order.
  std::vector<platform::UsbVendorRequest> MemoryRequests(uint8_t request) {
    std::lock_guard<std::mutex> lock(LogMutex);
    std::vector<platform::UsbVendorRequest> out;
    for (const platform::UsbVendorRequest& r : Requests) {
      if (r.request == request) out.push_back(r);
    }
    return out;
  }
  void ClearLog() {
    std::lock_guard<std::mutex> lock(LogMutex);
    Requests.clear();
  }

  size_t WrongPage = SIZE_MAX;  // a read at this address comes back with one byte changed
  size_t ShortPage = SIZE_MAX;  // a read at this address comes back one byte short

 private:
  std::mutex MemoryMutex;
  std::vector<uint8_t> Memory;
};

class TRecordingMessages : public IUserMessageHook {
 public:
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  std::vector<std::string> Messages;
};

class TRecordingMainWindow : public IMainWindowHook {
 public:
  void SetMainWindowEnabled(bool enabled) override { States.push_back(enabled); }
  void ProcessPendingMessages() override {
    ++Pumps;
    if (OnPump) OnPump();
  }
  std::vector<bool> States;
  int Pumps = 0;
  std::function<void()> OnPump;
};

// A K12 (row 3) connected to the memory emulator, with the module's hooks recorded.
class EepromFixture : public kittest::KitTest {
 protected:
  explicit EepromFixture(int row = 3) : services(row, false), emulator(row) {}
  void SetUp() override {
    KitTest::SetUp();
    savedScanner = ::ScannerModule;
    ::ScannerModule = &scanner;
    module = std::make_unique<TCalibratorModule>(kittest::TestFolder("settings") + "/tervan.ini");
    module->MessageHook = &messages;
    module->MainWindowHook = &window;
    module->OnChange = [this](TFObject*) {
      ++changes;
      Percents.push_back(module->EepromPercent);
    };
    module->OnSystemCalLoaded = [this](TFObject*) { ++loaded; };
    scanner.GetScanner().Connect();
    fake.clock.advanceMs(EmulatorBackend::kNoticeDelayMs);
    fake.ui.runPending();
    emulator.ClearLog();
  }
  void TearDown() override {
    if (scanner.GetScanner().Connected) scanner.GetScanner().Disconnect();
    module.reset();
    ::ScannerModule = savedScanner;
    KitTest::TearDown();
  }

  scannertest::TEngineServices services;
  scannertest::TFakeUi fake;
  TMemoryEmulator emulator;
  platform::ScopedUsbBackend scopedBackend{emulator};
  TScannerModule scanner;
  TScannerModule* savedScanner = nullptr;
  std::unique_ptr<TCalibratorModule> module;
  TRecordingMessages messages;
  TRecordingMainWindow window;
  int changes = 0;
  int loaded = 0;
  std::vector<int> Percents;
};

}  // namespace eepromtest
