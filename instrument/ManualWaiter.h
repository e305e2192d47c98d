#pragma once
// A pumping waiter for tests: instead of sleeping it moves a fake clock in 10 ms steps and runs
// the manual user-interface queue at every step, so a 3000 ms wait costs no real time and still
// lets posted work (replies, link errors, delayed notices) run in order. It installs itself for
// its lifetime and counts what it was asked to wait.
#include <cstdint>
#include <functional>
#include <vector>

#include "instrument/PumpingWaiter.h"

namespace platform {
class ManualClock;
class ManualUiDispatcher;
}  // namespace platform

class TManualWaiter : public TPumpingWaiter {
 public:
  static constexpr int64_t StepMs = 10;

  TManualWaiter(platform::ManualClock& clock, platform::ManualUiDispatcher& ui);
  ~TManualWaiter() override;
  TManualWaiter(const TManualWaiter&) = delete;
  TManualWaiter& operator=(const TManualWaiter&) = delete;

  void Wait(int64_t ms, const TStop& stop) override;

  // Waits begun, and the milliseconds the clock was moved by all of them.
  int GetWaitCount() const { return WaitCount; }
  int64_t GetWaitedMs() const { return WaitedMs; }
  // The durations asked for, in order.
  const std::vector<int64_t>& GetRequests() const { return Requests; }
  // Called at every step after the queue ran (a test's chance to act inside a wait).
  std::function<void()> OnStep;

 private:
  platform::ManualClock& Clock;
  platform::ManualUiDispatcher& Ui;
  TPumpingWaiter* Previous;
  int WaitCount = 0;
  int64_t WaitedMs = 0;
  std::vector<int64_t> Requests;
};
