// The program's pumped wait: it sleeps between events, yet timers and posted work run while it
// waits, the stop condition set by them ends it, and with nothing happening it still ends on time.
#include "shell/EventPumpingWaiter.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>

#include "platform/Clock.h"
#include "platform/ui/Application.h"

namespace {

using Clock = std::chrono::steady_clock;

class EventPumpingWaiterTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
};

TEST_F(EventPumpingWaiterTest, EndsAtItsTimeWhenNothingHappens) {
  TEventPumpingWaiter waiter;
  // On the program's clock, whose whole milliseconds the wait counts in.
  platform::Clock& clock = platform::Clock::get();
  const int64_t started = clock.steadyMs();
  waiter.Wait(60, nullptr);
  EXPECT_GE(clock.steadyMs() - started, 60);
}

TEST_F(EventPumpingWaiterTest, TimersRunAndTheirStopEndsTheWait) {
  TEventPumpingWaiter waiter;
  bool stop = false;
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks == 3) stop = true;
  });
  timer.start(5);
  // A long wait that only the timer's stop can end in time; the guard bounds a failure.
  const auto started = Clock::now();
  waiter.Wait(60000, [&] { return stop || Clock::now() - started > std::chrono::seconds(20); });
  EXPECT_TRUE(stop);
  EXPECT_EQ(ticks, 3);
}

TEST_F(EventPumpingWaiterTest, AStopThatHoldsAlreadyWaitsNotAtAll) {
  TEventPumpingWaiter waiter;
  bool ran = false;
  QObject owner;  // drops the timer with the test
  QTimer::singleShot(0, &owner, [&] { ran = true; });
  waiter.Wait(60000, [] { return true; });
  EXPECT_FALSE(ran);
}

}  // namespace
