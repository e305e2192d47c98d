#pragma once
// The writer: moves the queued command records into one contiguous buffer and writes it to the
// out pipe in transfers of up to 32768 bytes, walking the buffer by offset. A write that
// moves only part of a chunk (its slice ran out: the instrument paces the records) goes on
// from where it stopped. A failed write is tried once more after a pause; when that fails too
// the writer reports the broken link and waits for new work until it is stopped.
//
// AbortPipe() (under the lock, from Sync on the UI thread) zeroes the pending count and aborts
// the transfer in progress: the writer drops the rest of its buffer and does not retry.
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "instrument/AutoResetEvent.h"
#include "instrument/CmdRequest.h"
#include "instrument/CustomThread.h"

class TOutThread : public TCustomThread {
 public:
  static constexpr size_t kMaxTransfer = 32768;

  TOutThread(std::string deviceName, TLinkPost post);
  ~TOutThread() override;

  // The queue; only with GetLock() held.
  std::deque<TCmdRequest>& GetCommandQueue() { return Commands; }
  // Appends the records under the lock and wakes the writer.
  void Queue(const std::vector<TCmdRequest>& commands);
  // Wakes the writer.
  void Wake() { Event.Set(); }
  // With GetLock() held: zeroes the pending count and aborts the out pipe's transfer.
  void AbortPipe();
  // Bytes still to write of the buffer in hand.
  int64_t GetPending() const { return Pending.load(); }

 protected:
  void Execute() override;
  void WakeForTermination() override { Event.Set(); }

 private:
  // Subtracts the bytes written, never below 0 (an abort may have zeroed it meanwhile).
  void Written(size_t bytes);

  std::deque<TCmdRequest> Commands;
  std::vector<uint8_t> Buffer;  // the writer thread's own
  std::atomic<int64_t> Pending{0};
  TAutoResetEvent Event;
};
