// The signal pipe: each signal it takes reaches the handler on the user-interface thread, from
// the event loop; a signal the process inherited as ignored stays ignored; the previous
// dispositions come back afterwards.
#include "shell/SignalPipe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/EventLoop.h"

namespace {

class SignalPipe : public ::testing::Test {
 protected:
  void SetUp() override { ui::Application::ForTests(); }
};

TEST_F(SignalPipe, EachSignalReachesTheHandlerOnTheUiThreadInOrder) {
  // The test may run as a background job, which inherits SIGINT ignored.
  struct sigaction byDefault = {};
  byDefault.sa_handler = SIG_DFL;
  struct sigaction saved[3] = {};
  const int kinds[3] = {SIGTERM, SIGINT, SIGHUP};
  for (int i = 0; i < 3; ++i) sigaction(kinds[i], &byDefault, &saved[i]);
  std::vector<int> seen;
  std::vector<std::thread::id> threads;
  {
    TSignalPipe pipe([&](int signal) {
      seen.push_back(signal);
      threads.push_back(std::this_thread::get_id());
    });
    for (int s : {SIGTERM, SIGINT, SIGHUP}) std::raise(s);
    EXPECT_TRUE(seen.empty()) << "nothing runs inside the signal handler";
    ui::EventLoop::WaitUntil([&] { return seen.size() == 3; }, 5000);
  }
  for (int i = 0; i < 3; ++i) sigaction(kinds[i], &saved[i], nullptr);
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
  for (std::thread::id id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(SignalPipe, AnInheritedIgnoreStaysAndThePreviousHandlerComesBack) {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction saved = {};
  sigaction(SIGHUP, &ignore, &saved);
  struct sigaction termBefore = {};
  sigaction(SIGTERM, nullptr, &termBefore);
  int calls = 0;
  {
    TSignalPipe pipe([&](int) { ++calls; });
    std::raise(SIGHUP);  // ignored: the process goes on and nothing is reported
    ui::EventLoop::WaitMs(50);
    EXPECT_EQ(calls, 0);
    EXPECT_THROW(TSignalPipe([](int) {}), std::logic_error) << "one pipe at a time";
  }
  struct sigaction now = {};
  sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  sigaction(SIGHUP, &saved, nullptr);
  // SIGTERM has its disposition from before the pipe again.
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, termBefore.sa_handler);
}

}  // namespace
