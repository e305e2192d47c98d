#include "platform/ui/QtUiDispatcher.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>

#include "platform/ui/Application.h"

namespace ui {

QtUiDispatcher::QtUiDispatcher() : context_(std::make_unique<QObject>()) {}

QtUiDispatcher::~QtUiDispatcher() = default;

void QtUiDispatcher::post(std::function<void()> task) {
  if (!task) return;
  QMetaObject::invokeMethod(
      context_.get(), [task = std::move(task)] { Application::Guard(task); }, Qt::QueuedConnection);
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
