#include "instrument/ManualWaiter.h"

#include "platform/Clock.h"
#include "platform/UiDispatcher.h"

TManualWaiter::TManualWaiter(platform::ManualClock& clock, platform::ManualUiDispatcher& ui)
    : Clock(clock), Ui(ui), Previous(TPumpingWaiter::install(this)) {}

TManualWaiter::~TManualWaiter() { TPumpingWaiter::install(Previous); }

void TManualWaiter::Wait(int64_t ms, const TStop& stop) {
  ++WaitCount;
  Requests.push_back(ms);
  int64_t left = ms > 0 ? ms : 0;
  for (;;) {
    Ui.runPending();
    if (OnStep) OnStep();
    if (stop && stop()) return;
    if (left <= 0) return;
    const int64_t step = left < StepMs ? left : StepMs;
    Clock.advanceMs(step);
    WaitedMs += step;
    left -= step;
  }
}
