#include "shell/EventPumpingWaiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdint>

#include "platform/Clock.h"

void TEventPumpingWaiter::Wait(int64_t ms, const TStop& stop) {
  platform::Clock& clock = platform::Clock::get();
  const int64_t due = clock.steadyMs() + std::max<int64_t>(ms, 0);
  // Wakes the loop at least every 10 ms even when nothing else happens, so the stop predicate
  // and the due time are looked at often enough. The untimed overload is the one that really
  // sleeps until an event comes: the timed one drops WaitForMoreEvents and spins a core.
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  while (!(stop && stop())) {
    const int64_t left = due - clock.steadyMs();
    if (left <= 0) break;
    tick.start(static_cast<int>(std::min<int64_t>(left, 10)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}
