#pragma once
// The USB link to the electronic calibration module: finds it among the devices of the USB back
// end in force (its lock file held until Close), follows plugging and unplugging through the
// back end's device-change notices, and offers the module's vendor requests: the switch state
// (5), the temperature (1), flash reads (2) and request 7. Every failure is a false result;
// only CheckConnection decides whether the module is there.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Ezusb.h"
#include "platform/LockFile.h"

class TECalBase {
 public:
  static constexpr uint16_t VendorId = 0x2226;
  static constexpr uint16_t ProductId = 0x000C;
  static constexpr int StateCount = 9;
  static constexpr uint16_t SwitchCodes[StateCount] = {0x0009, 0x0012, 0x0024, 0x0040, 0x000C,
                                                       0x0021, 0x0080, 0x0900, 0x1200};
  // No flash read crosses a boundary of this many bytes.
  static constexpr uint32_t PageSize = 4096;

  // Subscribes to the device-change notices of the back end in force.
  TECalBase();
  // Unsubscribes; closes an open module without firing OnChange.
  ~TECalBase();
  TECalBase(const TECalBase&) = delete;
  TECalBase& operator=(const TECalBase&) = delete;

  bool Connected = false;
  std::function<void()> OnChange;
  std::string DeviceName;

  // Connected: a module that no longer answers with its ids is closed and OnChange fires.
  // Not connected: a module found is opened and OnChange fires. Nothing else fires.
  void CheckConnection();
  // The search: the first device with the module's ids whose lock file is free.
  bool Connect();
  bool IsModulePresent() const;
  // Closes the device and lets the lock go; Connected is left alone.
  void Close();

  // Request 5 with the code of the state (index limited to 0..8).
  bool SetSwitchState(int state);
  // Request 1: exactly 2 bytes, a signed 16-bit number in 1/256 degree.
  bool ReadTemperature(double& degrees);
  bool SendRequest7();
  // length bytes of flash from address on, in requests that stay inside one page; address is
  // advanced past what was read.
  bool ReadMemory(uint32_t& address, uint8_t* buffer, size_t length);
  // length bytes and the CRC-32 stored behind them; true only when it matches. The address ends
  // past the CRC.
  bool ReadBlockChecked(uint32_t& address, uint8_t* buffer, size_t length);

  // When set, CheckConnection waits for Release() instead of running (operations that must not
  // lose the module under their feet hold it); Release runs the check once when one came.
  void Hold();
  void Release();

 private:
  platform::UsbBackend* Backend;
  int Subscription = 0;
  platform::EzusbHandle DeviceHandle = platform::UsbBackend::kInvalidHandle;
  std::optional<platform::LockFile> Lock;
  int HoldDepth = 0;
  bool CheckPending = false;
};
