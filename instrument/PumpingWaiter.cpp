#include "instrument/PumpingWaiter.h"

#include <chrono>
#include <thread>

#include "platform/Clock.h"
#include "platform/UiDispatcher.h"

namespace {

// Drains the manual dispatcher and sleeps 10 ms per pass, on the clock in force.
class TSleepingWaiter : public TPumpingWaiter {
 public:
  void Wait(int64_t ms, const TStop& stop) override {
    platform::Clock& clock = platform::Clock::get();
    const int64_t end = clock.steadyMs() + (ms > 0 ? ms : 0);
    for (;;) {
      if (auto* manual = dynamic_cast<platform::ManualUiDispatcher*>(&platform::UiDispatcher::get())) {
        manual->runPending();
      }
      if (stop && stop()) return;
      if (platform::Clock::get().steadyMs() >= end) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
};

TPumpingWaiter*& Installed() {
  static TPumpingWaiter* installed = nullptr;
  return installed;
}

}  // namespace

TPumpingWaiter& TPumpingWaiter::get() {
  static TSleepingWaiter builtIn;
  TPumpingWaiter* installed = Installed();
  return installed ? *installed : builtIn;
}

TPumpingWaiter* TPumpingWaiter::install(TPumpingWaiter* waiter) {
  TPumpingWaiter* previous = Installed();
  Installed() = waiter;
  return previous;
}
