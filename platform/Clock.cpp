#include "platform/Clock.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// The installed clock; nullptr means the real one. Atomic because the USB threads read the
// time while a test may install its clock.
std::atomic<Clock*> g_installed{nullptr};

std::atomic<SystemTimeSetter*> g_setter{nullptr};

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

SystemTimeSetter& SystemTimeSetter::get() {
  static RealSystemTimeSetter real;
  SystemTimeSetter* s = g_setter.load(std::memory_order_acquire);
  return s ? *s : real;
}

SystemTimeSetter* SystemTimeSetter::install(SystemTimeSetter* setter) {
  return g_setter.exchange(setter, std::memory_order_acq_rel);
}

bool IsValidDate(int year, int month, int day) {
  if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last;
}

bool IsValidTimeOfDay(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

bool RealSystemTimeSetter::EpochOfLocal(const LocalTime& t, int64_t& seconds) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  errno = 0;
  const std::time_t r = std::mktime(&tm);
  if (r == static_cast<std::time_t>(-1) && errno != 0) return false;
  seconds = static_cast<int64_t>(r);
  return true;
}

namespace {

bool SetLocal(const LocalTime& t, std::string& reason) {
  int64_t seconds = 0;
  if (!RealSystemTimeSetter::EpochOfLocal(t, seconds)) {
    reason = "the time cannot be represented";
    return false;
  }
  struct timespec ts {};
  ts.tv_sec = static_cast<time_t>(seconds);
  if (::clock_settime(CLOCK_REALTIME, &ts) != 0) {
    reason = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool RealSystemTimeSetter::setDate(int year, int month, int day, std::string& reason) {
  LocalTime t = Clock::get().localTime();
  t.year = year;
  t.month = month;
  t.day = day;
  return SetLocal(t, reason);
}

bool RealSystemTimeSetter::setTime(int hour, int minute, int second, std::string& reason) {
  LocalTime t = Clock::get().localTime();
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return SetLocal(t, reason);
}

}  // namespace platform
