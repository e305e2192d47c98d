#pragma once
// Time for the whole program: steady milliseconds and nanoseconds for intervals, and the local
// wall time for file names and reports. Tests install a ManualClock.
#include <atomic>
#include <cstdint>
#include <string>

namespace platform {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t steadyMs() = 0;
  virtual int64_t steadyNs() = 0;
  virtual LocalTime localTime() = 0;

  // The clock in force: the installed one, else the real clock.
  static Clock& get();
  // Installs a clock (nullptr = the real clock again); returns the one it replaces.
  static Clock* install(Clock* clock);
};

// The real clock, on std::chrono::steady_clock and the system's local time.
class SystemClock : public Clock {
 public:
  int64_t steadyMs() override;
  int64_t steadyNs() override;
  LocalTime localTime() override;
};

// A clock that moves only when told; for tests. The steady time may be read by other threads
// (USB reader and writer) while the test thread moves it; set the wall time before they start.
class ManualClock : public Clock {
 public:
  int64_t steadyMs() override { return ns_.load() / 1000000; }
  int64_t steadyNs() override { return ns_.load(); }
  LocalTime localTime() override { return local_; }
  void setMs(int64_t ms) { ns_.store(ms * 1000000); }
  void advanceMs(int64_t ms) { ns_.fetch_add(ms * 1000000); }
  void advanceNs(int64_t ns) { ns_.fetch_add(ns); }
  void setLocalTime(const LocalTime& t) { local_ = t; }

 private:
  std::atomic<int64_t> ns_{0};
  LocalTime local_{};
};

// Installs a clock for the lifetime of this object and puts the previous one back.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(Clock::install(&clock)) {}
  ~ScopedClock() { Clock::install(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// Sets the computer's clock for another process (an automation client). Tests always install
// a fake: the real one moves the machine's clock, which needs CAP_SYS_TIME.
class SystemTimeSetter {
 public:
  virtual ~SystemTimeSetter() = default;
  // Sets the local date, keeping the present local time of day. False with the system's
  // reason when the clock could not be set.
  virtual bool setDate(int year, int month, int day, std::string& reason) = 0;
  // Sets the local time of day (whole seconds), keeping the present local date.
  virtual bool setTime(int hour, int minute, int second, std::string& reason) = 0;

  // The setter in force: the installed one, else the real one.
  static SystemTimeSetter& get();
  // Installs a setter (nullptr = the real one again); returns the one it replaces.
  static SystemTimeSetter* install(SystemTimeSetter* setter);
};

// The real setter: joins the new half with the other half of the present local time
// (Clock::get().localTime()), converts with mktime and calls clock_settime(CLOCK_REALTIME).
class RealSystemTimeSetter : public SystemTimeSetter {
 public:
  bool setDate(int year, int month, int day, std::string& reason) override;
  bool setTime(int hour, int minute, int second, std::string& reason) override;
  // The seconds since the epoch of a local time, the daylight-saving state found by the
  // system; false when the time cannot be represented.
  static bool EpochOfLocal(const LocalTime& t, int64_t& seconds);
};

// True for a date that exists in the calendar (years 1970..9999, leap years counted).
bool IsValidDate(int year, int month, int day);
// True for 0..23, 0..59, 0..59.
bool IsValidTimeOfDay(int hour, int minute, int second);

// Installs a time setter for the lifetime of this object and puts the previous one back.
class ScopedTimeSetter {
 public:
  explicit ScopedTimeSetter(SystemTimeSetter& setter) : previous_(SystemTimeSetter::install(&setter)) {}
  ~ScopedTimeSetter() { SystemTimeSetter::install(previous_); }
  ScopedTimeSetter(const ScopedTimeSetter&) = delete;
  ScopedTimeSetter& operator=(const ScopedTimeSetter&) = delete;

 private:
  SystemTimeSetter* previous_;
};

}  // namespace platform
