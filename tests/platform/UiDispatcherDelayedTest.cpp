#include <gtest/gtest.h>

#include <string>

#include "platform/Clock.h"
#include "platform/UiDispatcher.h"

using platform::ManualClock;
using platform::ManualUiDispatcher;
using platform::ScopedClock;

TEST(UiDispatcher, DelayedPostRunsOnceTheClockHasPassedItsTime) {
  ManualClock clock;
  clock.setMs(5000);
  ScopedClock scoped(clock);
  ManualUiDispatcher ui;
  std::string order;
  ui.postDelayed([&] { order += 'L'; }, 1000);
  ui.postDelayed([&] { order += 'E'; }, 200);
  ui.postDelayed([&] { order += 'S'; }, 200);  // same due time: posting order
  ui.post([&] { order += 'i'; });
  EXPECT_EQ(ui.runPending(), 1u);
  EXPECT_EQ(order, "i");
  EXPECT_EQ(ui.delayedCount(), 3u);
  clock.advanceMs(199);
  EXPECT_EQ(ui.runPending(), 0u);
  clock.advanceMs(1);
  EXPECT_EQ(ui.pendingCount(), 2u);
  EXPECT_EQ(ui.runPending(), 2u);
  EXPECT_EQ(order, "iES");
  clock.advanceMs(799);
  EXPECT_EQ(ui.runPending(), 0u);
  clock.advanceMs(1);
  EXPECT_EQ(ui.runPending(), 1u);
  EXPECT_EQ(order, "iESL");
  EXPECT_EQ(ui.delayedCount(), 0u);
}

TEST(UiDispatcher, DelayedPostQueuesBehindWhatIsPendingAndDropsEmptyClosures) {
  ManualClock clock;
  ScopedClock scoped(clock);
  ManualUiDispatcher ui;
  std::string order;
  ui.post([&] { order += 'a'; });
  ui.postDelayed([&] { order += 'd'; }, -5);  // a negative delay is due at once
  ui.postDelayed(nullptr, 0);
  ui.post([&] { order += 'b'; });
  EXPECT_EQ(ui.runPending(), 3u);
  EXPECT_EQ(order, "abd");
  // A closure that posts a delayed one while running: it waits for the clock.
  ui.post([&] { ui.postDelayed([&] { order += 'x'; }, 10); });
  ui.runPending();
  EXPECT_EQ(order, "abd");
  clock.advanceMs(10);
  ui.runPending();
  EXPECT_EQ(order, "abdx");
}
