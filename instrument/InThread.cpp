#include "instrument/InThread.h"

#include <mutex>

TInThread::TInThread(std::string deviceName, TLinkPost post) : TCustomThread(std::move(deviceName), std::move(post)) {}

TInThread::~TInThread() {
  Terminate();
  Join();
}

uint16_t TInThread::BeginDiscard() {
  std::lock_guard<std::mutex> lock(Lock);
  ++SyncCounter;
  Discard = true;
  Replies.clear();
  return SyncCounter;
}

uint16_t TInThread::GetSyncCounter() {
  std::lock_guard<std::mutex> lock(Lock);
  return SyncCounter;
}

bool TInThread::IsDiscarding() {
  std::lock_guard<std::mutex> lock(Lock);
  return Discard;
}

bool TInThread::TakeBytes(const uint8_t* data, size_t size) {
  std::lock_guard<std::mutex> lock(Lock);
  Cut.clear();
  Cutter.Feed(data, size, Cut);
  for (const TCmdReply& reply : Cut) {
    if (!Discard) {
      Replies.push_back(reply);
    } else if (reply.GetCode() == TCmdReply::SyncEchoCode && reply.GetSyncCounter() == SyncCounter) {
      Discard = false;  // the echo of the current marker: what follows is new
    }
  }
  return !Replies.empty();
}

void TInThread::Execute() {
  std::vector<uint8_t> buffer(kReadSize);
  int failures = 0;
  while (!IsTerminated()) {
    platform::UsbResult r = platform::EzusbBulkRead(GetHandle(), buffer.data(), buffer.size(), kSliceMs);
    if (IsTerminated()) break;
    bool waiting = r.count > 0 && TakeBytes(buffer.data(), r.count);
    if (waiting && !IsTerminated() && !NoticePending.exchange(true)) Post(TLinkMessage::RepliesWaiting, {});
    if (r.status != platform::UsbStatus::Error) {
      failures = 0;
      continue;
    }
    if (++failures >= 2) {
      Post(TLinkMessage::ReaderFailed, r.error.empty() ? "the instrument stopped answering" : r.error);
      break;
    }
    if (!PauseUnlessTerminated(kRetryPauseMs)) break;
  }
}
