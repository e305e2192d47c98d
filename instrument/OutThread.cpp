#include "instrument/OutThread.h"

#include <algorithm>
#include <mutex>

TOutThread::TOutThread(std::string deviceName, TLinkPost post) : TCustomThread(std::move(deviceName), std::move(post)) {}

TOutThread::~TOutThread() {
  Terminate();
  Join();
}

void TOutThread::Queue(const std::vector<TCmdRequest>& commands) {
  {
    std::lock_guard<std::mutex> lock(Lock);
    Commands.insert(Commands.end(), commands.begin(), commands.end());
  }
  Event.Set();
}

void TOutThread::AbortPipe() {
  Pending = 0;
  platform::EzusbAbortPipe(GetHandle(), platform::UsbBackend::kWritePipe);
}

void TOutThread::Written(size_t bytes) {
  int64_t now = Pending.load();
  while (!Pending.compare_exchange_weak(now, std::max<int64_t>(0, now - static_cast<int64_t>(bytes)))) {
  }
}

void TOutThread::Execute() {
  while (!IsTerminated()) {
    {
      std::lock_guard<std::mutex> lock(Lock);
      Buffer.clear();
      Pending = 0;
      Buffer.resize(Commands.size() * TCmdRequest::Size);
      size_t at = 0;
      for (const TCmdRequest& c : Commands) {
        c.WriteTo(Buffer.data() + at);
        at += TCmdRequest::Size;
      }
      Commands.clear();
      Pending = static_cast<int64_t>(Buffer.size());
    }
    if (IsTerminated()) break;
    if (Pending.load() == 0) {
      Event.Wait();
      continue;
    }
    size_t offset = 0;
    int failures = 0;
    while (!IsTerminated()) {
      int64_t pending = Pending.load();
      if (pending <= 0 || offset >= Buffer.size()) break;
      size_t chunk = std::min({static_cast<size_t>(pending), kMaxTransfer, Buffer.size() - offset});
      platform::UsbResult r = platform::EzusbBulkWrite(GetHandle(), Buffer.data() + offset, chunk, kSliceMs);
      offset += std::min(r.count, chunk);
      Written(std::min(r.count, chunk));
      if (r.status != platform::UsbStatus::Error) {
        failures = 0;
        continue;
      }
      if (Pending.load() == 0) break;  // Sync aborted the list: no retry
      if (++failures >= 2) {
        Post(TLinkMessage::WriterFailed, r.error.empty() ? "the instrument stopped taking commands" : r.error);
        break;
      }
      if (!PauseUnlessTerminated(kRetryPauseMs)) break;
    }
  }
}
