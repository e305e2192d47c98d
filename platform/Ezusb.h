#pragma once
// The thin layer of free functions over the installed USB back end (UsbBackend::get()) that
// the instrument link and the calibration-module link call. Devices are named "Ezusb-" and a
// decimal index; every function reports failure only through its result and never raises.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/UsbBackend.h"

namespace platform {

using EzusbHandle = UsbBackend::Handle;

// Direction codes of a vendor request.
constexpr int kEzusbHostToDevice = 0;
constexpr int kEzusbDeviceToHost = 1;

// The index of a device name ("Ezusb-3" -> 3); -1 for anything else.
int EzusbIndexOfName(std::string_view name);

// Opens the device of that name; true with a valid handle. Opening a name this process already
// holds gives another handle on the same open device.
bool OpenEzusbDevice(EzusbHandle& handle, std::string_view name);
// Closes the handle (an invalid one is left alone) and makes it invalid.
void CloseEzusbDevice(EzusbHandle& handle);
// The handle is open and the device answers a standard request.
bool CheckEzusbDriver(EzusbHandle handle);
// The 18-byte device descriptor.
bool EzusbGetDeviceDescriptor(EzusbHandle handle, uint8_t* buffer, size_t size, size_t& count);
// idVendor, idProduct and bcdDevice of the device descriptor.
bool ReadEzusbDeviceIds(EzusbHandle handle, uint16_t& vendor, uint16_t& product, uint16_t& release);
// One time slice of a bulk read from pipe 0 or a bulk write to pipe 1 (see UsbBackend).
UsbResult EzusbBulkRead(EzusbHandle handle, uint8_t* buffer, size_t size, int sliceMs = UsbBackend::kMaxSliceMs);
UsbResult EzusbBulkWrite(EzusbHandle handle, const uint8_t* data, size_t size,
                         int sliceMs = UsbBackend::kMaxSliceMs);
// Makes the transfer in progress on a pipe return.
void EzusbAbortPipe(EzusbHandle handle, int pipe);
// Writes bytes into the 8051's memory at an address.
bool EzusbAnchorDownload(EzusbHandle handle, const uint8_t* data, size_t length, uint16_t address);
// One byte into the 8051's CPU control register (0xE600): 1 holds it in reset, 0 lets it run.
bool EzusbWriteCpucs(EzusbHandle handle, uint8_t value);
// A vendor request with a data stage of length bytes in buffer (none when length is 0);
// direction kEzusbHostToDevice or kEzusbDeviceToHost. The bytes moved go to *count when count
// is given (0 when the request fails).
bool EzusbVendorRequest(EzusbHandle handle, uint8_t request, uint16_t value, size_t* count, uint16_t length,
                        uint8_t* buffer, int direction, uint16_t index);
// The same, with the back end's whole result.
UsbResult EzusbVendorTransfer(EzusbHandle handle, uint8_t request, uint16_t value, uint16_t length,
                              uint8_t* buffer, int direction, uint16_t index);

}  // namespace platform
