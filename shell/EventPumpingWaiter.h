#pragma once
// The program's wait for the sweep engine: the event loop keeps running (windows repaint, timers
// tick, replies arrive) until the time on platform::Clock has passed or the stop condition
// holds.
#include <cstdint>

#include "instrument/PumpingWaiter.h"

class TEventPumpingWaiter : public TPumpingWaiter {
 public:
  void Wait(int64_t ms, const TStop& stop) override;
};
