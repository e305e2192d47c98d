#include "platform/UiDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using platform::ManualUiDispatcher;
using platform::UiDispatcher;

TEST(UiDispatcher, RunsInPostOrderIncludingClosuresPostedWhileRunning) {
  ManualUiDispatcher ui;
  std::string order;
  ui.post([&] { order += 'a'; });
  ui.post([&] {
    order += 'b';
    ui.post([&] {
      order += 'd';
      ui.post([&] { order += 'e'; });
    });
  });
  ui.post([&] { order += 'c'; });
  ui.post(nullptr);  // dropped
  EXPECT_EQ(ui.pendingCount(), 3u);
  EXPECT_EQ(order, "") << "nothing runs before runPending";
  EXPECT_EQ(ui.runPending(), 5u);
  EXPECT_EQ(order, "abcde");
  EXPECT_EQ(ui.pendingCount(), 0u);
  EXPECT_EQ(ui.runPending(), 0u);
}

// A closure that waits in a nested loop (a modal run) must not overtake what was queued before
// the closures it posts.
TEST(UiDispatcher, NestedRunKeepsFifoOrder) {
  ManualUiDispatcher ui;
  std::string order;
  ui.post([&] {
    order += 'a';
    ui.post([&] { order += 'c'; });
    ui.runPending();
    order += '|';
  });
  ui.post([&] { order += 'b'; });
  ui.runPending();
  EXPECT_EQ(order, "abc|");
}

TEST(UiDispatcher, ThrowingClosureLeavesTheRestQueued) {
  ManualUiDispatcher ui;
  std::string order;
  ui.post([&] { order += 'a'; });
  ui.post([] { throw std::runtime_error("boom"); });
  ui.post([&] { order += 'c'; });
  EXPECT_THROW(ui.runPending(), std::runtime_error);
  EXPECT_EQ(order, "a");
  EXPECT_EQ(ui.pendingCount(), 1u);
  EXPECT_EQ(ui.runPending(), 1u);
  EXPECT_EQ(order, "ac");
}

// Two threads post 10,000 closures each while the UI thread keeps draining: every closure runs
// exactly once, on the UI thread, and each thread's closures run in the order it posted them.
TEST(UiDispatcher, TwoThreadsPostingTenThousandEachRunOnceInOrder) {
  constexpr int kPerThread = 10000;
  ManualUiDispatcher ui;
  const std::thread::id uiThread = std::this_thread::get_id();
  std::vector<int> seen[2];
  std::atomic<int> wrongThread{0};
  std::atomic<int> started{0};
  std::atomic<int> done{0};

  auto poster = [&](int t) {
    started.fetch_add(1);
    while (started.load() < 2) {
    }
    for (int i = 0; i < kPerThread; ++i) {
      ui.post([&, t, i] {
        if (std::this_thread::get_id() != uiThread) wrongThread.fetch_add(1);
        seen[t].push_back(i);
      });
    }
    done.fetch_add(1);
  };
  std::thread a(poster, 0);
  std::thread b(poster, 1);
  size_t ran = 0;
  while (done.load() < 2) ran += ui.runPending();
  a.join();
  b.join();
  ran += ui.runPending();

  EXPECT_EQ(ran, 2u * kPerThread);
  EXPECT_EQ(wrongThread.load(), 0);
  for (int t = 0; t < 2; ++t) {
    SCOPED_TRACE(t);
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kPerThread));
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i);
  }
}

TEST(UiDispatcher, InstallReplacesTheDispatcherInForce) {
  UiDispatcher& fallback = UiDispatcher::get();
  EXPECT_NE(dynamic_cast<ManualUiDispatcher*>(&fallback), nullptr);

  ManualUiDispatcher mine;
  EXPECT_EQ(UiDispatcher::install(&mine), nullptr);
  EXPECT_EQ(&UiDispatcher::get(), &mine);
  bool ran = false;
  UiDispatcher::get().post([&] { ran = true; });
  EXPECT_EQ(mine.pendingCount(), 1u);
  EXPECT_EQ(mine.runPending(), 1u);
  EXPECT_TRUE(ran);

  EXPECT_EQ(UiDispatcher::install(nullptr), &mine);
  EXPECT_EQ(&UiDispatcher::get(), &fallback);
}
