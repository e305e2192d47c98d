#include "platform/ui/QtUiDispatcher.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "platform/ui/Application.h"

namespace ui {

QtUiDispatcher::QtUiDispatcher() : context_(std::make_unique<QObject>()) {}

QtUiDispatcher::~QtUiDispatcher() {
  context_.reset();  // no Drain runs after this
}

void QtUiDispatcher::post(std::function<void()> task) {
  if (!task) return;
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(task));
    wake = !drainPosted_;
    drainPosted_ = true;
  }
  if (wake) PostDrain();
}

void QtUiDispatcher::PostDrain() {
  QMetaObject::invokeMethod(context_.get(), [this] { Drain(); }, Qt::QueuedConnection);
}

void QtUiDispatcher::Drain() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    drainPosted_ = false;
  }
  for (;;) {
    std::function<void()> task;
    bool wake = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) return;
      task = std::move(queue_.front());
      queue_.pop_front();
      // A closure may wait in a nested event loop (a modal run, a pumped wait); what is still
      // queued behind it must run in that loop, so a Drain is on its way while anything waits.
      if (!queue_.empty() && !drainPosted_) {
        drainPosted_ = true;
        wake = true;
      }
    }
    if (wake) PostDrain();
    Application::Guard(task);
  }
}

void QtUiDispatcher::postDelayed(std::function<void()> task, int64_t delayMs) {
  if (!task) return;
  const int ms = static_cast<int>(std::clamp<int64_t>(delayMs, 0, INT32_MAX));
  QObject* context = context_.get();
  // The timer must start on the UI thread, so the call goes there first.
  QMetaObject::invokeMethod(
      context,
      [context, ms, task = std::move(task)]() mutable {
        QTimer::singleShot(ms, context, [task = std::move(task)] { Application::Guard(task); });
      },
      Qt::QueuedConnection);
}

}  // namespace ui
