#pragma once
// The UI thread's event loop seen from code that waits: handle what is pending, or wait while
// the windows keep repainting and taking input.
#include <functional>

namespace ui {

class EventLoop {
 public:
  // Handles every event that is pending now (input, paints, timers, posted calls).
  static void ProcessPending();
  // Waits ms milliseconds with the event loop running.
  static void WaitMs(int ms);
  // Runs the event loop until done() is true (checked after every event and at least every
  // 10 ms) or timeoutMs have passed; returns done().
  static bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
};

}  // namespace ui
