#pragma once
// The emulator with the faults of a real link switched on by the test: reads that stall while
// USB stays up, end records that never arrive, and stray bytes slipped in once ahead of a
// reply. It counts the replies it hands out.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "ScannerSupport.h"

namespace scannertest {

class TFaultyEmulator : public TLoggingEmulator {
 public:
  explicit TFaultyEmulator(int row) : TLoggingEmulator(row) {}

  platform::UsbResult bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) override {
    if (Stall.load()) {
      // Nothing comes; the slice runs out (kept short so that tests stay quick).
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      return {platform::UsbStatus::TimedOut, 0, {}};
    }
    const size_t stray = static_cast<size_t>(std::max(0, StrayBytes.load()));
    if (stray == 0 || size < stray + TCmdReply::Size) {
      platform::UsbResult r = TLoggingEmulator::bulkRead(handle, buffer, size, sliceMs);
      return Filter(r, buffer);
    }
    platform::UsbResult r = TLoggingEmulator::bulkRead(handle, buffer + stray, size - stray, sliceMs);
    if (!r.ok() || r.count == 0) return r;
    StrayBytes = 0;
    std::fill(buffer, buffer + stray, static_cast<uint8_t>(0xA5));
    ++Replies;
    return platform::UsbResult::Ok(stray + r.count);
  }

  int RepliesGiven() const { return Replies.load(); }
  int GetEndsDropped() const { return EndsDropped.load(); }

  std::atomic<bool> Stall{false};
  std::atomic<bool> DropEnds{false};  // end records are swallowed
  std::atomic<int> StrayBytes{0};  // slipped in once, ahead of the next reply

 private:
  platform::UsbResult Filter(platform::UsbResult r, const uint8_t* buffer) {
    if (!r.ok() || r.count < TCmdReply::Size) return r;
    if (TCmdReply::ReadFrom(buffer).GetCode() == TCmdReply::EndCode && DropEnds.load()) {
      ++EndsDropped;
      return {platform::UsbStatus::TimedOut, 0, {}};
    }
    ++Replies;
    return r;
  }

  std::atomic<int> Replies{0};
  std::atomic<int> EndsDropped{0};
};

}  // namespace scannertest
