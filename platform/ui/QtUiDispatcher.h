#pragma once
// The program's dispatcher: closures posted from any thread run on the UI thread, in the order
// posted; delayed ones after a Qt timer. Posts are coalesced: a post wakes the UI thread only
// when no wake-up is pending, and the UI thread then runs everything queued. A closure that
// throws is reported like any handler's exception. Create it on the UI thread, install it with
// platform::UiDispatcher::install, and keep it until the threads that post have stopped.
#include <QObject>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/UiDispatcher.h"

namespace ui {

class QtUiDispatcher : public platform::UiDispatcher {
 public:
  QtUiDispatcher();
  ~QtUiDispatcher() override;

  void post(std::function<void()> task) override;
  void postDelayed(std::function<void()> task, int64_t delayMs) override;

 private:
  // On the UI thread: runs the queued closures one by one until none is left.
  void Drain();
  // Asks Qt for a Drain on the UI thread.
  void PostDrain();

  std::unique_ptr<QObject> context_;  // lives on the UI thread; its deletion drops what is queued
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  bool drainPosted_ = false;  // a Drain is on its way to the UI thread
};

}  // namespace ui
