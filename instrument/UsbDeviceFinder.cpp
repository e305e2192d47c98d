#include "instrument/UsbDeviceFinder.h"

#include <utility>

bool TUsbDeviceFinder::Check(platform::EzusbHandle handle, platform::UsbDeviceIds& ids) {
  if (!platform::CheckEzusbDriver(handle)) return false;
  return platform::ReadEzusbDeviceIds(handle, ids.vendor, ids.product, ids.release);
}

std::optional<TFoundUsbDevice> TUsbDeviceFinder::Find(const TAccept& accept, std::vector<std::string>& problems) {
  platform::UsbBackend& backend = platform::UsbBackend::get();
  std::vector<platform::UsbDeviceInfo> devices = backend.enumerate();
  if (devices.empty()) {
    std::string why = backend.reason();
    problems.push_back(why.empty() ? "No USB device of this maker is attached" : why);
    return std::nullopt;
  }
  for (const platform::UsbDeviceInfo& device : devices) {
    // The listing already knows the ids: a device of another kind is neither locked nor opened,
    // so its interface is never claimed and its kernel driver stays attached.
    if (!accept(device.ids)) continue;
    platform::LockFile lock(device.lockName);
    if (!lock.tryLock()) {
      problems.push_back(lock.error().empty()
                             ? device.name + " is in use by another copy of the program or by the other USB link"
                             : device.name + ": " + lock.error());
      continue;
    }
    platform::EzusbHandle handle = platform::UsbBackend::kInvalidHandle;
    if (!platform::OpenEzusbDevice(handle, device.name)) {
      std::string why = backend.reason();
      problems.push_back(why.empty() ? "Cannot open " + device.name : why);
      continue;
    }
    platform::UsbDeviceIds ids;
    if (!Check(handle, ids)) {
      problems.push_back(device.name + " does not answer");
      platform::CloseEzusbDevice(handle);
      continue;
    }
    if (!accept(ids)) {
      // The ids changed between the listing and the open (the device re-enumerated).
      platform::CloseEzusbDevice(handle);
      continue;
    }
    return TFoundUsbDevice{device.name, std::move(lock), handle, ids};
  }
  return std::nullopt;
}
