#pragma once
// An emulated electronic calibration module: one module answering the four vendor requests from
// a flash image, for the demonstration emulator and the tests.
//
//   1 (in)  the temperature: 2 bytes, a signed 16-bit number in 1/256 degree
//   2 (in)  flash read: address = value << 16 | index; bytes past the image read 0xFF
//   5 (out) the switch state: the code is recorded, and the state it names kept
//   7 (out) accepted, nothing else
//
// Tests make a chosen request fail or move fewer or more bytes than asked (never writing past
// the buffer), or unplug the module at a chosen request. Unplugging and plugging in again tell
// the listener (the back end it is attached to), which posts a device-change notice.
// Thread-safe: the emulator's port model reads the state from the writer thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/UsbBackend.h"

class TEmulatedEcal {
 public:
  static constexpr uint16_t VendorId = 0x2226;
  static constexpr uint16_t ProductId = 0x000C;

  enum class TFaultKind { None, Fail, Short, Long, Unplug };

  // The temperature starts as the factory descriptor's (0 when it cannot be read).
  explicit TEmulatedEcal(std::vector<uint8_t> image);
  // A module from an embedded resource ("EcalFlash"); null when there is none.
  static std::unique_ptr<TEmulatedEcal> FromResource(const std::string& name);

  platform::UsbResult Request(const platform::UsbVendorRequest& request, uint8_t* data);

  void SetTemperature(double degrees);
  double GetTemperature() const;
  // The state index of the last switch code received (-1 before the first, or for a code that
  // names no state) and every code received, in order.
  int GetSwitchState() const;
  std::vector<uint16_t> GetSwitchCodes() const;
  // Requests answered so far (the fault counter's clock), of all numbers or of one.
  int GetRequestCount() const;
  int GetRequestCount(uint8_t request) const;
  // Every flash read asked for: (address, length).
  std::vector<std::pair<uint32_t, uint16_t>> GetReads() const;

  // The request numbered `at` (GetRequestCount() when it arrives) fails, moves `delta` bytes
  // fewer (Short) or more (Long) than asked, or finds the module unplugged.
  void SetFault(int at, TFaultKind kind, int delta = 1);
  // Faults for requests of one number only (0: any); `at` then counts those requests alone.
  void SetFaultRequest(uint8_t request);

  void Unplug();
  void Replug();
  bool IsPlugged() const;
  // Bumped by every replug: handles opened before it are stale.
  int GetGeneration() const;
  // Told after Unplug and Replug (outside the module's lock).
  std::function<void()> OnPlugChange;

  const std::vector<uint8_t>& GetImage() const { return Image; }

 private:
  const std::vector<uint8_t> Image;
  mutable std::mutex Mutex;
  int16_t RawTemperature = 0;
  int SwitchState = -1;
  std::vector<uint16_t> SwitchCodes;
  std::vector<std::pair<uint32_t, uint16_t>> Reads;
  int Requests = 0;
  int RequestsOf[256] = {};
  int FaultAt = -1;
  TFaultKind Fault = TFaultKind::None;
  int FaultDelta = 1;
  uint8_t FaultRequest = 0;
  bool Plugged = true;
  int Generation = 0;
};
