#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

using platform::Clock;
using platform::LocalTime;
using platform::ManualClock;
using platform::ScopedClock;
using platform::SystemClock;

TEST(Clock, ManualClockMovesOnlyWhenTold) {
  ManualClock clock;
  EXPECT_EQ(clock.steadyMs(), 0);
  clock.setMs(1000);
  EXPECT_EQ(clock.steadyMs(), 1000);
  EXPECT_EQ(clock.steadyNs(), 1'000'000'000);
  clock.advanceMs(5);
  EXPECT_EQ(clock.steadyMs(), 1005);
  clock.advanceNs(1'500'000);
  EXPECT_EQ(clock.steadyMs(), 1006) << "whole milliseconds, rounded down";
  EXPECT_EQ(clock.steadyNs(), 1'006'500'000);
  // 64-bit: well past the 49.7 days where 32-bit milliseconds wrap.
  clock.setMs(int64_t{1} << 40);
  clock.advanceMs(1);
  EXPECT_EQ(clock.steadyMs(), (int64_t{1} << 40) + 1);

  LocalTime t;
  t.year = 2024;
  t.month = 2;
  t.day = 29;
  t.hour = 23;
  t.minute = 59;
  t.second = 58;
  t.millisecond = 999;
  clock.setLocalTime(t);
  LocalTime back = clock.localTime();
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 59);
  EXPECT_EQ(back.second, 58);
  EXPECT_EQ(back.millisecond, 999);
}

TEST(Clock, ScopedClockInstallsAndRestores) {
  Clock& real = Clock::get();
  ASSERT_NE(dynamic_cast<SystemClock*>(&real), nullptr);
  ManualClock outer;
  ManualClock inner;
  outer.setMs(10);
  inner.setMs(20);
  {
    ScopedClock useOuter(outer);
    EXPECT_EQ(&Clock::get(), &outer);
    EXPECT_EQ(Clock::get().steadyMs(), 10);
    {
      ScopedClock useInner(inner);
      EXPECT_EQ(Clock::get().steadyMs(), 20);
    }
    EXPECT_EQ(&Clock::get(), &outer);
    outer.advanceMs(5);
    EXPECT_EQ(Clock::get().steadyMs(), 15);
  }
  EXPECT_EQ(&Clock::get(), &real);

  EXPECT_EQ(Clock::install(&outer), nullptr);
  EXPECT_EQ(Clock::install(nullptr), &outer);
  EXPECT_EQ(&Clock::get(), &real);
}

TEST(Clock, SystemClockIsSteadyAndLocal) {
  SystemClock clock;
  int64_t ms0 = clock.steadyMs();
  int64_t ns = clock.steadyNs();
  int64_t ms1 = clock.steadyMs();
  EXPECT_LE(ms0, ns / 1'000'000);
  EXPECT_LE(ns / 1'000'000, ms1);
  int64_t prev = clock.steadyNs();
  for (int i = 0; i < 1000; ++i) {
    int64_t now = clock.steadyNs();
    ASSERT_GE(now, prev);
    prev = now;
  }

  // Compare with the C library's local time of the same second (retry across a second's edge).
  for (int attempt = 0; attempt < 10; ++attempt) {
    std::time_t before = std::time(nullptr);
    LocalTime t = clock.localTime();
    std::time_t after = std::time(nullptr);
    if (before != after) continue;
    std::tm tm{};
    ASSERT_NE(localtime_r(&before, &tm), nullptr);
    EXPECT_EQ(t.year, tm.tm_year + 1900);
    EXPECT_EQ(t.month, tm.tm_mon + 1);
    EXPECT_EQ(t.day, tm.tm_mday);
    EXPECT_EQ(t.hour, tm.tm_hour);
    EXPECT_EQ(t.minute, tm.tm_min);
    EXPECT_EQ(t.second, tm.tm_sec);
    EXPECT_GE(t.millisecond, 0);
    EXPECT_LE(t.millisecond, 999);
    return;
  }
  FAIL() << "never read the time within one second";
}

// Dates and times a client may set: the calendar decides, not 8-bit storage.
TEST(Clock, OnlyDatesOfTheCalendarAndTimesOfTheDayAreValid) {
  struct DateCase {
    int y, m, d;
    bool ok;
  };
  const DateCase dates[] = {
      {2013, 12, 5, true},  {2024, 2, 29, true},  {2023, 2, 29, false}, {2000, 2, 29, true},
      {1900 + 200, 2, 29, false}, {2013, 2, 30, false}, {2013, 4, 31, false}, {2013, 12, 31, true},
      {2013, 13, 1, false}, {2013, 0, 1, false},   {2013, 257, 1, false}, {2013, 1, 0, false},
      {1969, 12, 31, false}, {1970, 1, 1, true},  {9999, 12, 31, true},  {10000, 1, 1, false},
  };
  for (const DateCase& c : dates)
    EXPECT_EQ(platform::IsValidDate(c.y, c.m, c.d), c.ok) << c.y << "-" << c.m << "-" << c.d;
  EXPECT_TRUE(platform::IsValidTimeOfDay(0, 0, 0));
  EXPECT_TRUE(platform::IsValidTimeOfDay(23, 59, 59));
  EXPECT_FALSE(platform::IsValidTimeOfDay(24, 0, 0));
  EXPECT_FALSE(platform::IsValidTimeOfDay(12, 60, 0));
  EXPECT_FALSE(platform::IsValidTimeOfDay(12, 0, 60));
  EXPECT_FALSE(platform::IsValidTimeOfDay(-1, 0, 0));
}

// The real setter's conversion: a local time and back gives the same fields. (The setter itself
// is never called here: it would move the machine's clock.)
TEST(Clock, EpochOfLocalReadsBackThroughLocaltime) {
  const LocalTime cases[] = {{2013, 12, 5, 12, 30, 5, 0}, {1970, 1, 2, 0, 0, 0, 0}, {2038, 1, 19, 3, 14, 8, 0},
                             {2099, 7, 1, 23, 59, 59, 0}};
  for (const LocalTime& t : cases) {
    int64_t seconds = 0;
    ASSERT_TRUE(platform::RealSystemTimeSetter::EpochOfLocal(t, seconds));
    std::time_t tt = static_cast<std::time_t>(seconds);
    std::tm tm{};
    ASSERT_NE(::localtime_r(&tt, &tm), nullptr);
    EXPECT_EQ(tm.tm_year + 1900, t.year);
    EXPECT_EQ(tm.tm_mon + 1, t.month);
    EXPECT_EQ(tm.tm_mday, t.day);
    EXPECT_EQ(tm.tm_hour, t.hour);
    EXPECT_EQ(tm.tm_min, t.minute);
    EXPECT_EQ(tm.tm_sec, t.second);
  }
}

namespace {
struct CountingSetter : platform::SystemTimeSetter {
  int calls = 0;
  bool setDate(int, int, int, std::string&) override { return ++calls, true; }
  bool setTime(int, int, int, std::string&) override { return ++calls, true; }
};
}  // namespace

TEST(Clock, ScopedTimeSetterInstallsAndRestores) {
  platform::SystemTimeSetter& before = platform::SystemTimeSetter::get();
  CountingSetter fake;
  {
    platform::ScopedTimeSetter scoped(fake);
    std::string reason;
    EXPECT_TRUE(platform::SystemTimeSetter::get().setTime(1, 2, 3, reason));
    EXPECT_EQ(fake.calls, 1);
  }
  EXPECT_EQ(&platform::SystemTimeSetter::get(), &before);
  EXPECT_NE(dynamic_cast<platform::RealSystemTimeSetter*>(&before), nullptr);
}
