#pragma once
// A scripted USB back end for tests: a list of devices, logs of what was sent, replies to hand
// out, and switches that make reads, writes or vendor requests fail, or transfers never
// complete. Thread-safe: the link's reader and writer call it while the test thread steers it.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/UsbBackend.h"

namespace usbtest {

class FakeUsbBackend : public platform::UsbBackend {
 public:
  struct Device {
    platform::UsbDeviceIds ids;
    std::string lockName;
    bool openFails = false;
    bool checkFails = false;
  };
  struct VendorCall {
    int handle = 0;
    bool deviceToHost = false;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
    bool hadBuffer = false;
    std::vector<uint8_t> data;  // the data stage of a host-to-device request
  };
  struct AnchorCall {
    uint16_t address = 0;
    std::vector<uint8_t> data;
  };

  // ---- Script (set before use, or under lock() while the link runs) --------------------------
  std::vector<Device> devices;
  std::string reasonText = "no device";
  int failReads = 0;        // the next n reads fail with an error
  int failWrites = 0;       // the next n writes fail with an error
  int failVendor = 0;       // the next n vendor requests fail with an error
  bool vendorTimesOut = false;  // vendor requests time out (the control time-out ran out)
  bool failAnchor = false;
  bool hang = false;        // bulk transfers never complete: every slice runs out empty
  size_t writeSliceBytes = 0;  // > 0: a write call takes at most this many bytes, then times out
  bool abortedWritesFail = false;  // an aborted write reports an error (as some drivers do)
  std::vector<uint8_t> vendorInData;  // what a device-to-host request returns
  bool emulator = false;    // claims to be the demonstration emulator

  // ---- Log -----------------------------------------------------------------------------------
  std::vector<VendorCall> vendorCalls;
  std::vector<AnchorCall> anchorCalls;
  std::vector<uint8_t> written;  // every byte written to pipe 1, in order
  std::vector<int> openedIndices;
  int readCalls = 0;
  int writeCalls = 0;
  int aborts[2] = {0, 0};

  std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }

  // Bytes that the next reads return, one chunk per read call.
  void queueRead(std::vector<uint8_t> chunk) {
    {
      std::lock_guard<std::mutex> l(mutex_);
      reads_.push_back(std::move(chunk));
    }
    cv_.notify_all();
  }
  int openHandleCount() {
    std::lock_guard<std::mutex> l(mutex_);
    return static_cast<int>(handles_.size());
  }
  size_t writtenSize() {
    std::lock_guard<std::mutex> l(mutex_);
    return written.size();
  }
  int readCallCount() {
    std::lock_guard<std::mutex> l(mutex_);
    return readCalls;
  }
  int writeCallCount() {
    std::lock_guard<std::mutex> l(mutex_);
    return writeCalls;
  }

  // ---- UsbBackend ----------------------------------------------------------------------------
  std::vector<platform::UsbDeviceInfo> enumerate() override {
    std::lock_guard<std::mutex> l(mutex_);
    std::vector<platform::UsbDeviceInfo> out;
    for (size_t i = 0; i < devices.size() && i < static_cast<size_t>(kMaxDevices); ++i) {
      out.push_back({"Ezusb-" + std::string(1, static_cast<char>('0' + i)), devices[i].lockName, devices[i].ids});
    }
    return out;
  }
  std::string reason() const override { return reasonText; }
  bool isEmulator() const override { return emulator; }
  std::string lockName(int index) override {
    std::lock_guard<std::mutex> l(mutex_);
    return index >= 0 && static_cast<size_t>(index) < devices.size() ? devices[static_cast<size_t>(index)].lockName
                                                                       : std::string();
  }
  Handle open(int index) override {
    std::lock_guard<std::mutex> l(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= devices.size() || devices[static_cast<size_t>(index)].openFails) {
      return kInvalidHandle;
    }
    openedIndices.push_back(index);
    Handle h = next_++;
    handles_[h] = index;
    return h;
  }
  void close(Handle handle) override {
    {
      std::lock_guard<std::mutex> l(mutex_);
      handles_.erase(handle);
    }
    cv_.notify_all();
  }
  bool readIds(Handle handle, platform::UsbDeviceIds& ids) override {
    std::lock_guard<std::mutex> l(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    ids = devices[static_cast<size_t>(it->second)].ids;
    return true;
  }
  bool readDescriptor(Handle handle, uint8_t* buffer, size_t size, size_t& count) override {
    platform::UsbDeviceIds ids;
    count = 0;
    if (!readIds(handle, ids) || size < 18) return false;
    std::fill(buffer, buffer + 18, 0);
    buffer[0] = 18;
    buffer[1] = 1;
    buffer[8] = static_cast<uint8_t>(ids.vendor);
    buffer[9] = static_cast<uint8_t>(ids.vendor >> 8);
    buffer[10] = static_cast<uint8_t>(ids.product);
    buffer[11] = static_cast<uint8_t>(ids.product >> 8);
    buffer[12] = static_cast<uint8_t>(ids.release);
    buffer[13] = static_cast<uint8_t>(ids.release >> 8);
    count = 18;
    return true;
  }
  bool check(Handle handle) override {
    std::lock_guard<std::mutex> l(mutex_);
    auto it = handles_.find(handle);
    return it != handles_.end() && !devices[static_cast<size_t>(it->second)].checkFails;
  }
  platform::UsbResult bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) override {
    std::unique_lock<std::mutex> l(mutex_);
    ++readCalls;
    if (!handles_.count(handle)) return platform::UsbResult::Fail("not open");
    if (failReads > 0) {
      --failReads;
      return platform::UsbResult::Fail("read failed");
    }
    int abortsBefore = aborts[0];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(sliceMs);
    while (hang || reads_.empty()) {
      if (aborts[0] != abortsBefore || !handles_.count(handle)) return {platform::UsbStatus::Aborted, 0, {}};
      if (cv_.wait_until(l, deadline) == std::cv_status::timeout) return {platform::UsbStatus::TimedOut, 0, {}};
    }
    std::vector<uint8_t>& chunk = reads_.front();
    size_t n = std::min(size, chunk.size());
    std::copy(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    if (chunk.empty()) reads_.pop_front();
    return platform::UsbResult::Ok(n);
  }
  platform::UsbResult bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) override {
    std::unique_lock<std::mutex> l(mutex_);
    ++writeCalls;
    if (!handles_.count(handle)) return platform::UsbResult::Fail("not open");
    if (failWrites > 0) {
      --failWrites;
      return platform::UsbResult::Fail("write failed");
    }
    if (hang) {
      int abortsBefore = aborts[1];
      auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(sliceMs);
      for (;;) {
        if (aborts[1] != abortsBefore || !handles_.count(handle)) {
          if (abortedWritesFail) return platform::UsbResult::Fail("write aborted");
          return {platform::UsbStatus::Aborted, 0, {}};
        }
        if (cv_.wait_until(l, deadline) == std::cv_status::timeout) return {platform::UsbStatus::TimedOut, 0, {}};
      }
    }
    size_t n = writeSliceBytes ? std::min(size, writeSliceBytes) : size;
    written.insert(written.end(), data, data + n);
    cv_.notify_all();
    if (n < size) return {platform::UsbStatus::TimedOut, n, {}};
    return platform::UsbResult::Ok(n);
  }
  void abortPipe(Handle, int pipe) override {
    {
      std::lock_guard<std::mutex> l(mutex_);
      if (pipe == 0 || pipe == 1) ++aborts[pipe];
    }
    cv_.notify_all();
  }
  platform::UsbResult vendorRequest(Handle handle, const platform::UsbVendorRequest& r, uint8_t* data) override {
    std::lock_guard<std::mutex> l(mutex_);
    VendorCall call{handle, r.deviceToHost, r.request, r.value, r.index, r.length, data != nullptr, {}};
    if (!r.deviceToHost && data) call.data.assign(data, data + r.length);
    vendorCalls.push_back(call);
    if (!handles_.count(handle)) return platform::UsbResult::Fail("not open");
    if (vendorTimesOut) return {platform::UsbStatus::TimedOut, 0, "no answer"};
    if (failVendor > 0) {
      --failVendor;
      return platform::UsbResult::Fail("vendor request failed");
    }
    size_t n = r.length;
    if (r.deviceToHost && data) {
      n = std::min<size_t>(r.length, vendorInData.size());
      std::copy(vendorInData.begin(), vendorInData.begin() + static_cast<std::ptrdiff_t>(n), data);
    }
    return platform::UsbResult::Ok(n);
  }
  platform::UsbResult anchorDownload(Handle handle, uint16_t address, const uint8_t* data, size_t length) override {
    std::lock_guard<std::mutex> l(mutex_);
    anchorCalls.push_back({address, std::vector<uint8_t>(data, data + length)});
    if (!handles_.count(handle) || failAnchor) return platform::UsbResult::Fail("download failed");
    return platform::UsbResult::Ok(length);
  }

  // Waits (bounded only by the test's CTest time-out) until pred() holds, under the lock.
  void waitUntil(const std::function<bool()>& pred) {
    std::unique_lock<std::mutex> l(mutex_);
    while (!pred()) cv_.wait_for(l, std::chrono::milliseconds(5));
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::vector<uint8_t>> reads_;
  std::map<Handle, int> handles_;
  Handle next_ = 1;
};

}  // namespace usbtest
