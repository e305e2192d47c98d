#pragma once
// The USB back end on libusb-1.0.
//
// Devices whose vendor id is one of ours are listed sorted by bus number and port path, so an
// index keeps meaning the same socket while nothing is plugged; the first eight are "Ezusb-0"
// .. "Ezusb-7". Each opened device has one libusb handle with interface 0 claimed (a kernel
// driver on it is detached); every open() of the same device shares it. Pipe n is the n-th
// endpoint of interface 0, as the instrument's firmware numbers them (pipe 0 bulk in, pipe 1
// bulk out).
//
// An event thread inside the back end watches for devices coming and going: libusb hot-plug
// callbacks, or a 1 s poll of the device list where the platform has no hot-plug support. It
// touches only libusb and posts the notice through platform::UiDispatcher.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/UsbBackend.h"

struct libusb_context;
struct libusb_device;

namespace platform {

class LibusbBackend : public UsbBackend {
 public:
  // The vendor ids of the instrument model table and of the calibration module.
  static const std::vector<uint16_t>& DefaultVendorIds();

  explicit LibusbBackend(std::vector<uint16_t> vendorIds = DefaultVendorIds());
  ~LibusbBackend() override;

  std::vector<UsbDeviceInfo> enumerate() override;
  std::string reason() const override;
  std::string lockName(int index) override;
  Handle open(int index) override;
  void close(Handle handle) override;
  bool readIds(Handle handle, UsbDeviceIds& ids) override;
  bool readDescriptor(Handle handle, uint8_t* buffer, size_t size, size_t& count) override;
  bool check(Handle handle) override;
  UsbResult bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) override;
  UsbResult bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) override;
  void abortPipe(Handle handle, int pipe) override;
  UsbResult vendorRequest(Handle handle, const UsbVendorRequest& request, uint8_t* data) override;
  UsbResult anchorDownload(Handle handle, uint16_t address, const uint8_t* data, size_t length) override;

  // Pieces with no device behind them, open for tests.
  struct Candidate {
    int bus = 0;
    std::vector<int> ports;  // port path from the root hub
    UsbDeviceIds ids;
    int tag = 0;  // the caller's own number, carried along by the sorting
  };
  // Sorts by bus, then port path, keeps the first kMaxDevices.
  static void OrderCandidates(std::vector<Candidate>& candidates);
  // "tervan-usb-<bus>-<port>.<port>..." (only digits, '-' and '.', a valid lock-file name).
  static std::string LockNameFor(int bus, const std::vector<int>& ports);
  // What the user is told when opening or claiming fails with a libusb error code.
  static std::string OpenProblem(int libusbError, bool whileClaiming, const std::string& device);

 private:
  struct OpenDevice;
  struct Listed {
    libusb_device* device = nullptr;  // referenced while listed
    Candidate where;
  };

  bool ensureContext();  // caller holds mutex_
  void startEvents();    // caller holds mutex_
  void eventLoop();
  void releaseListLocked();
  std::shared_ptr<OpenDevice> find(Handle handle);
  UsbResult bulk(Handle handle, int pipe, uint8_t* buffer, size_t size, int sliceMs, bool in);
  UsbResult control(OpenDevice& device, uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                    uint8_t* data, uint16_t length);
  void setReason(std::string why);
  // The bus and port path of every device of ours now on the bus, for the poll.
  std::string busSignature();

  const std::vector<uint16_t> vendorIds_;
  mutable std::mutex mutex_;
  libusb_context* context_ = nullptr;
  std::string contextProblem_;
  std::string reason_;
  std::vector<Listed> listed_;
  std::vector<std::weak_ptr<OpenDevice>> openDevices_;
  std::vector<std::pair<Handle, std::shared_ptr<OpenDevice>>> handles_;
  Handle nextHandle_ = 1;

  std::thread events_;
  std::mutex eventsMutex_;
  std::condition_variable eventsWake_;
  std::atomic<bool> stopEvents_{false};
  bool hotplug_ = false;
  std::vector<int> hotplugHandles_;
};

}  // namespace platform
