#include "instrument/AutoResetEvent.h"

#include <chrono>

void TAutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(Mutex);
    Signalled = true;
  }
  Cond.notify_one();
}

void TAutoResetEvent::Wait() {
  std::unique_lock<std::mutex> lock(Mutex);
  Cond.wait(lock, [this] { return Signalled; });
  Signalled = false;
}

bool TAutoResetEvent::WaitFor(int ms) {
  std::unique_lock<std::mutex> lock(Mutex);
  if (!Cond.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms), [this] { return Signalled; })) return false;
  Signalled = false;
  return true;
}
