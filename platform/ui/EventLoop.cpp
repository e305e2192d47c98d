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
  // Wakes the loop at least every 10 ms even when nothing else happens. The untimed overload is
  // the one that really sleeps until an event comes: the timed one drops WaitForMoreEvents and
  // spins a core.
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  while (!done()) {
    const qint64 left = deadline.remainingTime();
    if (left == 0) return done();
    tick.start(static_cast<int>(left < 0 || left > 10 ? 10 : left));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

}  // namespace ui
