#pragma once
// The only road from another thread (USB reader, writer, hot-plug events) to the user-interface
// thread: post() queues a closure from any thread; the UI thread runs them in FIFO order.
// The program installs a Qt-backed dispatcher; tests use ManualUiDispatcher and runPending().
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace platform {

class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  virtual void post(std::function<void()> task) = 0;

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
  // Runs every closure posted before the call (and those they post, until the queue is empty);
  // returns how many ran. Closures are taken one at a time, so a closure that runs a nested
  // runPending() (a modal wait) still sees the queue in FIFO order. When a closure throws, the
  // exception leaves runPending() and the closures behind it stay queued.
  size_t runPending();
  size_t pendingCount();

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace platform
