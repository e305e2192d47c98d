#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace platform {

namespace {

// The installed clock; nullptr means the real one. Atomic because the USB threads read the
// time while a test may install its clock.
std::atomic<Clock*> g_installed{nullptr};

SystemClock& RealClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace

Clock& Clock::get() {
  Clock* c = g_installed.load(std::memory_order_acquire);
  return c ? *c : RealClock();
}

Clock* Clock::install(Clock* clock) {
  return g_installed.exchange(clock, std::memory_order_acq_rel);
}

int64_t SystemClock::steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SystemClock::steadyNs() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

LocalTime SystemClock::localTime() {
  using namespace std::chrono;
  auto now = system_clock::now();
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  // Whole seconds rounded down, so times before 1970 keep a millisecond part in 0..999.
  int64_t secs = ms / 1000;
  int64_t rest = ms % 1000;
  if (rest < 0) {
    rest += 1000;
    secs -= 1;
  }
  std::time_t t = static_cast<std::time_t>(secs);
  std::tm tm{};
  LocalTime out;
  if (::localtime_r(&t, &tm) == nullptr) return out;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  out.millisecond = static_cast<int>(rest);
  return out;
}

}  // namespace platform
