#pragma once
// The only road from another thread (USB reader, writer, hot-plug events) to the user-interface
// thread: post() queues a closure from any thread; the UI thread runs them in FIFO order.
// The program installs a Qt-backed dispatcher; tests use ManualUiDispatcher and runPending().
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace platform {

class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  virtual void post(std::function<void()> task) = 0;
  // Queues a closure to run on the UI thread once delayMs milliseconds of platform::Clock time
  // have passed (a negative delay counts as 0). Safe from any thread.
  virtual void postDelayed(std::function<void()> task, int64_t delayMs) = 0;

  // The dispatcher in force: the installed one, else a process-wide ManualUiDispatcher.
  static UiDispatcher& get();
  // Installs a dispatcher (nullptr = the default manual one); returns the one it replaces.
  static UiDispatcher* install(UiDispatcher* dispatcher);
};

// Keeps posted closures until runPending() runs them on the calling thread.
class ManualUiDispatcher : public UiDispatcher {
 public:
  // Safe from any thread. An empty closure is dropped.
  void post(std::function<void()> task) override;
  // Kept aside until platform::Clock::get() reaches its due time; runPending() then queues it
  // behind what is already pending (due closures in order of due time, then of posting).
  void postDelayed(std::function<void()> task, int64_t delayMs) override;
  // Runs every closure posted before the call (and those they post, until the queue is empty);
  // returns how many ran. Closures are taken one at a time, so a closure that runs a nested
  // runPending() (a modal wait) still sees the queue in FIFO order. When a closure throws, the
  // exception leaves runPending() and the closures behind it stay queued.
  size_t runPending();
  // Closures that runPending() would run now (delayed ones whose time has come included).
  size_t pendingCount();
  // Delayed closures whose time has not come yet.
  size_t delayedCount();

 private:
  struct Delayed {
    int64_t dueMs;
    uint64_t sequence;
    std::function<void()> task;
  };
  // Moves the delayed closures that are due into the queue; the caller holds mutex_.
  void moveDueLocked();

  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::deque<Delayed> delayed_;  // sorted by due time, then by posting order
  uint64_t sequence_ = 0;
};

}  // namespace platform
