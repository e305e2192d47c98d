#include "shell/EventPumpingWaiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "platform/Clock.h"

void TEventPumpingWaiter::Wait(int64_t ms, const TStop& stop) {
  platform::Clock& clock = platform::Clock::get();
  const int64_t due = clock.steadyMs() + std::max<int64_t>(ms, 0);
  // Wakes the loop at least every 10 ms even when nothing else happens.
  QTimer tick;
  tick.start(10);
  while (!(stop && stop())) {
    const int64_t left = due - clock.steadyMs();
    if (left <= 0) break;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, static_cast<int>(std::min<int64_t>(left, 10)));
  }
}
