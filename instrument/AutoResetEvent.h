#pragma once
// An auto-reset event: Set() lets exactly one Wait() through (or the next one, when nobody
// waits yet); the event then resets itself. Setting it again before anyone waited changes nothing.
#include <condition_variable>
#include <mutex>

class TAutoResetEvent {
 public:
  explicit TAutoResetEvent(bool signalled = false) : Signalled(signalled) {}

  void Set();
  // Waits until the event is set, then resets it.
  void Wait();
  // Waits at most ms milliseconds; true when the event was set (and is reset again now).
  bool WaitFor(int ms);

 private:
  std::mutex Mutex;
  std::condition_variable Cond;
  bool Signalled;
};
