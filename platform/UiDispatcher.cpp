#include "platform/UiDispatcher.h"

#include "platform/Clock.h"

#include <algorithm>
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

void ManualUiDispatcher::postDelayed(std::function<void()> task, int64_t delayMs) {
  if (!task) return;
  int64_t due = Clock::get().steadyMs() + std::max<int64_t>(delayMs, 0);
  std::lock_guard<std::mutex> lock(mutex_);
  Delayed entry{due, sequence_++, std::move(task)};
  auto at = std::upper_bound(delayed_.begin(), delayed_.end(), entry, [](const Delayed& a, const Delayed& b) {
    return a.dueMs < b.dueMs || (a.dueMs == b.dueMs && a.sequence < b.sequence);
  });
  delayed_.insert(at, std::move(entry));
}

void ManualUiDispatcher::moveDueLocked() {
  if (delayed_.empty()) return;
  int64_t now = Clock::get().steadyMs();
  while (!delayed_.empty() && delayed_.front().dueMs <= now) {
    queue_.push_back(std::move(delayed_.front().task));
    delayed_.pop_front();
  }
}

size_t ManualUiDispatcher::runPending() {
  size_t ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      moveDueLocked();
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
  moveDueLocked();
  return queue_.size();
}

size_t ManualUiDispatcher::delayedCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  moveDueLocked();
  return delayed_.size();
}

}  // namespace platform
