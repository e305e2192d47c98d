#include "platform/UiDispatcher.h"

#include <atomic>
#include <utility>

namespace platform {

namespace {

std::atomic<UiDispatcher*> g_installed{nullptr};

ManualUiDispatcher& DefaultDispatcher() {
  static ManualUiDispatcher dispatcher;
  return dispatcher;
}

}  // namespace

UiDispatcher& UiDispatcher::get() {
  UiDispatcher* d = g_installed.load(std::memory_order_acquire);
  return d ? *d : DefaultDispatcher();
}

UiDispatcher* UiDispatcher::install(UiDispatcher* dispatcher) {
  return g_installed.exchange(dispatcher, std::memory_order_acq_rel);
}

void ManualUiDispatcher::post(std::function<void()> task) {
  if (!task) return;
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.push_back(std::move(task));
}

size_t ManualUiDispatcher::runPending() {
  size_t ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) break;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    // Run outside the lock: the closure may post again.
    ++ran;
    task();
  }
  return ran;
}

size_t ManualUiDispatcher::pendingCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

}  // namespace platform
