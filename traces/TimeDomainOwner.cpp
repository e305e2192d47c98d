#include "traces/TimeDomainOwner.h"

#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/TraceHost.h"

namespace {

template <typename Fn>
void ForEachTrace(TMeasureList* list, Fn&& fn) {
  if (list == nullptr) return;
  for (int i = 0; i < list->GetCount(); ++i) {
    if (TMeasurement* t = list->GetMeasurement(i)) fn(*t);
  }
}

void UpdateMemories(TMeasureList* list) {
  ForEachTrace(list, [](TMeasurement& t) {
    if (t.Memories) t.Memories->UpdateAll();
  });
}

}  // namespace

TRange* TTimeDomainOwner::GetRange() const { return traces_ ? traces_->GetRange() : nullptr; }

void TTimeDomainOwner::RecalculateAllTraces() {
  ForEachTrace(traces_, [](TMeasurement& t) { t.Recalculate(); });
  UpdateMemories(traces_);
}

void TTimeDomainOwner::RecalculateTimeDomainTraces() {
  ForEachTrace(traces_, [](TMeasurement& t) {
    if (t.IsTransformActive() || t.IsGatingActive()) t.Recalculate();
  });
  UpdateMemories(traces_);
}

void TTimeDomainOwner::RefreshTimeDomain() {
  ForEachTrace(traces_, [](TMeasurement& t) {
    t.FinishTimeDomain();
    t.ResetMaxHold();
    t.UpdateReadouts();
  });
  UpdateMemories(traces_);
}

void TTimeDomainOwner::RequestRedraw() {
  if (traces_ && traces_->GetHost()) traces_->GetHost()->RequestRedraw();
}

void TTimeDomainOwner::Changed() {
  if (traces_ && traces_->GetHost()) traces_->GetHost()->Changed(sender_);
}
