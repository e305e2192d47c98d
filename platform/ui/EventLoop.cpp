#include "platform/ui/EventLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace ui {

void EventLoop::ProcessPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void EventLoop::WaitMs(int ms) {
  if (ms <= 0) {
    ProcessPending();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool EventLoop::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs < 0 ? 0 : timeoutMs);
  QTimer tick;
  tick.start(10);  // wakes the loop even when nothing else happens
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  return true;
}

}  // namespace ui
