#include "instrument/InThread.h"

#include <algorithm>
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
  // Whatever was cut so far belongs to the old stream and may be misaligned.
  Cutter.Clear();
  Hunt.clear();
  EchoRest = 0;
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

void TInThread::HuntForEcho(const uint8_t* data, size_t size) {
  // The first bytes of the echo: its code and the counter.
  const TCmdReply echo = TCmdReply::SyncEcho(SyncCounter);
  constexpr size_t kKey = 4;
  const uint8_t* key = echo.Bytes().data();
  Hunt.insert(Hunt.end(), data, data + size);
  size_t at = 0;
  for (; at + kKey <= Hunt.size(); ++at) {
    if (std::equal(key, key + kKey, Hunt.begin() + static_cast<std::ptrdiff_t>(at))) break;
  }
  if (at + kKey > Hunt.size()) {
    // Not here; the last bytes may begin an echo that the next read completes.
    const size_t keep = std::min(Hunt.size(), kKey - 1);
    Hunt.erase(Hunt.begin(), Hunt.end() - static_cast<std::ptrdiff_t>(keep));
    return;
  }
  Discard = false;  // the echo of the current marker: what follows is new
  const size_t after = at + TCmdReply::Size;
  if (after >= Hunt.size()) {
    EchoRest = after - Hunt.size();
    Hunt.clear();
    return;
  }
  std::vector<uint8_t> rest(Hunt.begin() + static_cast<std::ptrdiff_t>(after), Hunt.end());
  Hunt.clear();
  Cutter.Feed(rest.data(), rest.size(), Cut);
}

bool TInThread::TakeBytes(const uint8_t* data, size_t size) {
  std::lock_guard<std::mutex> lock(Lock);
  Cut.clear();
  if (!data) size = 0;
  if (EchoRest > 0) {
    const size_t skip = std::min(EchoRest, size);
    EchoRest -= skip;
    data += skip;
    size -= skip;
  }
  if (size > 0) {
    if (Discard) {
      HuntForEcho(data, size);
    } else {
      Cutter.Feed(data, size, Cut);
    }
  }
  Replies.insert(Replies.end(), Cut.begin(), Cut.end());
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
