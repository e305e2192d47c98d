#include "platform/Ezusb.h"

namespace platform {

int EzusbIndexOfName(std::string_view name) {
  constexpr std::string_view prefix = "Ezusb-";
  if (name.substr(0, prefix.size()) != prefix) return -1;
  std::string_view digits = name.substr(prefix.size());
  if (digits.empty() || digits.size() > 3) return -1;
  int index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    index = index * 10 + (c - '0');
  }
  return index;
}

bool OpenEzusbDevice(EzusbHandle& handle, std::string_view name) {
  handle = UsbBackend::kInvalidHandle;
  int index = EzusbIndexOfName(name);
  if (index < 0) return false;
  handle = UsbBackend::get().open(index);
  return handle != UsbBackend::kInvalidHandle;
}

void CloseEzusbDevice(EzusbHandle& handle) {
  if (handle == UsbBackend::kInvalidHandle) return;
  UsbBackend::get().close(handle);
  handle = UsbBackend::kInvalidHandle;
}

bool CheckEzusbDriver(EzusbHandle handle) {
  return handle != UsbBackend::kInvalidHandle && UsbBackend::get().check(handle);
}

bool EzusbGetDeviceDescriptor(EzusbHandle handle, uint8_t* buffer, size_t size, size_t& count) {
  count = 0;
  return UsbBackend::get().readDescriptor(handle, buffer, size, count);
}

bool ReadEzusbDeviceIds(EzusbHandle handle, uint16_t& vendor, uint16_t& product, uint16_t& release) {
  UsbDeviceIds ids;
  if (!UsbBackend::get().readIds(handle, ids)) return false;
  vendor = ids.vendor;
  product = ids.product;
  release = ids.release;
  return true;
}

UsbResult EzusbBulkRead(EzusbHandle handle, uint8_t* buffer, size_t size, int sliceMs) {
  return UsbBackend::get().bulkRead(handle, buffer, size, sliceMs);
}

UsbResult EzusbBulkWrite(EzusbHandle handle, const uint8_t* data, size_t size, int sliceMs) {
  return UsbBackend::get().bulkWrite(handle, data, size, sliceMs);
}

void EzusbAbortPipe(EzusbHandle handle, int pipe) { UsbBackend::get().abortPipe(handle, pipe); }

bool EzusbAnchorDownload(EzusbHandle handle, const uint8_t* data, size_t length, uint16_t address) {
  return UsbBackend::get().anchorDownload(handle, address, data, length).ok();
}

bool EzusbWriteCpucs(EzusbHandle handle, uint8_t value) { return EzusbAnchorDownload(handle, &value, 1, 0xE600); }

UsbResult EzusbVendorTransfer(EzusbHandle handle, uint8_t request, uint16_t value, uint16_t length,
                              uint8_t* buffer, int direction, uint16_t index) {
  UsbVendorRequest r;
  r.deviceToHost = direction == kEzusbDeviceToHost;
  r.request = request;
  r.value = value;
  r.index = index;
  r.length = length;
  return UsbBackend::get().vendorRequest(handle, r, length ? buffer : nullptr);
}

bool EzusbVendorRequest(EzusbHandle handle, uint8_t request, uint16_t value, size_t* count, uint16_t length,
                        uint8_t* buffer, int direction, uint16_t index) {
  UsbResult r = EzusbVendorTransfer(handle, request, value, length, buffer, direction, index);
  if (count) *count = r.ok() ? r.count : 0;
  return r.ok();
}

}  // namespace platform
