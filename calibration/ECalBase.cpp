#include "calibration/ECalBase.h"

#include <algorithm>
#include <vector>

#include "instrument/UsbDeviceFinder.h"
#include "model/Crc32.h"
#include "model/LittleEndian.h"

TECalBase::TECalBase() : Backend(&platform::UsbBackend::get()) {
  Subscription = Backend->subscribe([this] { CheckConnection(); });
}

TECalBase::~TECalBase() {
  Backend->unsubscribe(Subscription);
  if (Connected) Close();
}

void TECalBase::Hold() { ++HoldDepth; }

void TECalBase::Release() {
  if (HoldDepth > 0) --HoldDepth;
  if (HoldDepth == 0 && CheckPending) {
    CheckPending = false;
    CheckConnection();
  }
}

void TECalBase::CheckConnection() {
  if (HoldDepth > 0) {
    CheckPending = true;
    return;
  }
  if (Connected) {
    if (IsModulePresent()) return;
    Close();
    Connected = false;
    if (OnChange) OnChange();
  } else if (Connect()) {
    Connected = true;
    if (OnChange) OnChange();
  }
}

bool TECalBase::Connect() {
  Close();
  std::vector<std::string> problems;
  std::optional<TFoundUsbDevice> found = TUsbDeviceFinder::Find(
      [](const platform::UsbDeviceIds& ids) { return ids.vendor == VendorId && ids.product == ProductId; }, problems);
  if (!found) return false;
  DeviceName = found->Name;
  DeviceHandle = found->Handle;
  Lock.emplace(std::move(found->Lock));
  return true;
}

bool TECalBase::IsModulePresent() const {
  platform::UsbDeviceIds ids;
  if (!TUsbDeviceFinder::Check(DeviceHandle, ids)) return false;
  return ids.vendor == VendorId && ids.product == ProductId;
}

void TECalBase::Close() {
  platform::CloseEzusbDevice(DeviceHandle);
  Lock.reset();
}

bool TECalBase::SetSwitchState(int state) {
  if (!Connected) return false;
  const int i = std::clamp(state, 0, StateCount - 1);
  return platform::EzusbVendorRequest(DeviceHandle, 5, SwitchCodes[i], nullptr, 0, nullptr,
                                      platform::kEzusbHostToDevice, 0);
}

bool TECalBase::ReadTemperature(double& degrees) {
  if (!Connected) return false;
  uint8_t reply[2] = {};
  size_t count = 0;
  if (!platform::EzusbVendorRequest(DeviceHandle, 1, 0, &count, 2, reply, platform::kEzusbDeviceToHost, 0) ||
      count != 2)
    return false;
  degrees = static_cast<int8_t>(reply[1]) + reply[0] / 256.0;
  return true;
}

bool TECalBase::SendRequest7() {
  if (!Connected) return false;
  return platform::EzusbVendorRequest(DeviceHandle, 7, 0, nullptr, 0, nullptr, platform::kEzusbHostToDevice, 0);
}

bool TECalBase::ReadMemory(uint32_t& address, uint8_t* buffer, size_t length) {
  if (!Connected) return false;
  while (length > 0) {
    const size_t chunk = std::min<size_t>(length, PageSize - address % PageSize);
    size_t count = 0;
    if (!platform::EzusbVendorRequest(DeviceHandle, 2, static_cast<uint16_t>(address >> 16), &count,
                                      static_cast<uint16_t>(chunk), buffer, platform::kEzusbDeviceToHost,
                                      static_cast<uint16_t>(address & 0xFFFF)) ||
        count != chunk)
      return false;
    address += static_cast<uint32_t>(chunk);
    buffer += chunk;
    length -= chunk;
  }
  return true;
}

bool TECalBase::ReadBlockChecked(uint32_t& address, uint8_t* buffer, size_t length) {
  if (!ReadMemory(address, buffer, length)) return false;
  uint8_t stored[4];
  if (!ReadMemory(address, stored, 4)) return false;
  return le::GetU32(stored) == UpdateCrc32(0, buffer, length);
}
