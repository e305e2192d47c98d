#pragma once
// The USB devices the program talks to (the instrument, the calibration module), behind one
// interface so that discovery, firmware upload and the link threads run the same code on real
// hardware (LibusbBackend), on the demonstration emulator and on the fakes of the tests.
//
// Devices are addressed by index ("Ezusb-0" .. "Ezusb-7"). Opening an index gives a handle;
// opening it again while it is open gives another handle on the same open device, so the
// control path, the reader and the writer share one claim on the interface. Closing the last
// handle releases the device.
//
// Bulk transfers run in time slices: one call waits at most sliceMs and then returns TimedOut
// with the bytes moved so far. A slice running out is no failure (the instrument paces its
// transfers); the caller calls again when it still wants the data and has not been told to
// stop. abortPipe() makes the transfer in progress on that pipe return Aborted; an abort when
// none is in progress has no effect. Control transfers carry their own time-out.
//
// Device-change notices reach subscribers on the UI thread through platform::UiDispatcher.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

enum class UsbStatus {
  Ok,        // completed
  TimedOut,  // the slice (or the control time-out) ran out; count holds what was moved
  Aborted,   // abortPipe() or closing the device ended it
  Error,     // the device failed or is gone; error says why
};

struct UsbResult {
  UsbStatus status = UsbStatus::Error;
  size_t count = 0;   // bytes transferred, also when the transfer did not complete
  std::string error;  // why it failed, for UsbStatus::Error

  bool ok() const { return status == UsbStatus::Ok; }
  static UsbResult Ok(size_t count) { return {UsbStatus::Ok, count, {}}; }
  static UsbResult Fail(std::string why) { return {UsbStatus::Error, 0, std::move(why)}; }
};

struct UsbDeviceIds {
  uint16_t vendor = 0;
  uint16_t product = 0;
  uint16_t release = 0;  // bcdDevice
};

struct UsbDeviceInfo {
  std::string name;      // "Ezusb-<index>"
  std::string lockName;  // lock-file name that keeps other links away from this device
  UsbDeviceIds ids;
};

// A vendor request on the default control pipe.
struct UsbVendorRequest {
  bool deviceToHost = false;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
  uint16_t length = 0;  // bytes of the data stage (0 = none)
};

class UsbBackend {
 public:
  using Handle = int;
  static constexpr Handle kInvalidHandle = -1;
  static constexpr int kMaxDevices = 8;
  static constexpr int kReadPipe = 0;   // bulk in: replies
  static constexpr int kWritePipe = 1;  // bulk out: commands
  static constexpr int kControlTimeoutMs = 2000;
  static constexpr int kMaxSliceMs = 100;
  static constexpr size_t kMaxControlData = 4096;

  UsbBackend();
  virtual ~UsbBackend();
  UsbBackend(const UsbBackend&) = delete;
  UsbBackend& operator=(const UsbBackend&) = delete;

  // The devices that may be ours, at most kMaxDevices, in a fixed order; index i of the list
  // is the index that open() takes. When the list is empty, reason() tells why.
  virtual std::vector<UsbDeviceInfo> enumerate() = 0;
  // Why the last enumerate() or open() found or opened nothing (empty after success).
  virtual std::string reason() const = 0;
  // The lock-file name of the device at an index of the last enumerate(); empty when none.
  virtual std::string lockName(int index) = 0;

  // kInvalidHandle when the index is not there or cannot be opened (reason() tells why).
  virtual Handle open(int index) = 0;
  // Closing kInvalidHandle or a closed handle does nothing.
  virtual void close(Handle handle) = 0;

  // The device descriptor's idVendor, idProduct and bcdDevice.
  virtual bool readIds(Handle handle, UsbDeviceIds& ids) = 0;
  // The 18-byte device descriptor; false when it cannot be had.
  virtual bool readDescriptor(Handle handle, uint8_t* buffer, size_t size, size_t& count) = 0;
  // True when the handle is open and the device answers a standard request.
  virtual bool check(Handle handle) = 0;

  virtual UsbResult bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) = 0;
  virtual UsbResult bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) = 0;
  virtual void abortPipe(Handle handle, int pipe) = 0;
  // data holds request.length bytes (read into or written from); may be null when length is 0.
  virtual UsbResult vendorRequest(Handle handle, const UsbVendorRequest& request, uint8_t* data) = 0;
  // Writes bytes into the 8051's memory at an address (the loader's own request 0xA0).
  virtual UsbResult anchorDownload(Handle handle, uint16_t address, const uint8_t* data, size_t length) = 0;

  // True for the demonstration emulator, the one back end that takes firmware stand-ins.
  virtual bool isEmulator() const { return false; }

  // Device-change notices. The callback runs on the UI thread; an id of 0 is never given.
  // After unsubscribe() returns, the callback is not called again, also not by a notice
  // posted earlier.
  int subscribe(std::function<void()> callback);
  void unsubscribe(int id);
  // From any thread: posts one notice to every subscriber through the UI dispatcher.
  void postDeviceChange();
  // On the UI thread: calls the subscribers now.
  void deliverDeviceChange();

  // The back end in force: the installed one, else a process-wide LibusbBackend.
  static UsbBackend& get();
  // Installs a back end (nullptr = the libusb one again); returns the one it replaces.
  static UsbBackend* install(UsbBackend* backend);

 private:
  struct Subscribers {
    std::mutex mutex;
    std::map<int, std::shared_ptr<std::function<void()>>> callbacks;
    int nextId = 1;
  };
  static void Deliver(Subscribers& subscribers);
  std::shared_ptr<Subscribers> subscribers_;
};

// Installs a back end for the lifetime of this object and puts the previous one back.
class ScopedUsbBackend {
 public:
  explicit ScopedUsbBackend(UsbBackend& backend) : previous_(UsbBackend::install(&backend)) {}
  ~ScopedUsbBackend() { UsbBackend::install(previous_); }
  ScopedUsbBackend(const ScopedUsbBackend&) = delete;
  ScopedUsbBackend& operator=(const ScopedUsbBackend&) = delete;

 private:
  UsbBackend* previous_;
};

}  // namespace platform
