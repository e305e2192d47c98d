#pragma once
// The reader: reads the in pipe, cuts the bytes into reply records and queues them for the
// user-interface thread, which it tells through one "replies waiting" notice at a time.
//
// Resynchronisation: BeginDiscard() (from Sync on the UI thread) counts the sync counter up,
// empties the queue, forgets any unfinished record and drops every byte from then on until the
// echo of a sync marker with that counter comes back; the echo itself is dropped too. The echo
// is looked for at every byte offset, not only where a record would begin, so stray bytes from
// the device (a slip of the record boundaries) are repaired by the next resynchronisation: the
// record after the echo starts right behind it. Counters are 16-bit and wrap.
//
// A read that fails is tried once more after a pause; when that fails too the reader reports
// the broken link and ends. A slice that runs out or an aborted read is no failure.
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/CustomThread.h"
#include "instrument/ReplyCutter.h"

class TInThread : public TCustomThread {
 public:
  // Bytes asked for per read.
  static constexpr size_t kReadSize = 32768;

  TInThread(std::string deviceName, TLinkPost post);
  ~TInThread() override;

  // Under the lock: counts the sync counter up, starts dropping replies and empties the queue.
  // Returns the new counter.
  uint16_t BeginDiscard();
  // The queue; only with GetLock() held.
  std::deque<TCmdReply>& GetReplyQueue() { return Replies; }
  // Called by the notice's closure on the UI thread before it hands the replies on: the next
  // read that queues something posts a new notice.
  void NoticeTaken() { NoticePending = false; }

  // Takes the bytes of one read (the thread's own step, open for tests): cuts them into
  // records, queues or drops them. True when the queue holds replies afterwards.
  bool TakeBytes(const uint8_t* data, size_t size);

  uint16_t GetSyncCounter();
  bool IsDiscarding();

 protected:
  void Execute() override;

 private:
  // While discarding: hunts for the echo of the current marker in the bytes of one read; the
  // bytes behind the echo (if found) go through the cutter.
  void HuntForEcho(const uint8_t* data, size_t size);

  std::deque<TCmdReply> Replies;
  uint16_t SyncCounter = 0;
  bool Discard = false;
  TReplyCutter Cutter;
  std::vector<uint8_t> Hunt;  // unmatched tail of the last read while discarding (< 4 bytes)
  size_t EchoRest = 0;        // bytes of a found echo still to come and be dropped
  std::vector<TCmdReply> Cut;  // scratch of TakeBytes
  std::atomic<bool> NoticePending{false};
};
