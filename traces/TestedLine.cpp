#include "traces/TestedLine.h"

#include "traces/LineTrace.h"

TTestedLine::TTestedLine(TFObject* owner) : TFObject(owner) {}

TTestedLine::~TTestedLine() { delete ownerLink_; }

void TTestedLine::SetTraceLink(ILineTrace* link) { link_ = link; }

ILineTrace* TTestedLine::Link() const {
  if (link_ != nullptr) return link_;
  if (ownerLink_ == nullptr) ownerLink_ = MakeOwnerLineTrace(GetOwner());
  return ownerLink_;
}

void TTestedLine::Notify() {
  if (ILineTrace* t = Link()) t->LineChanged(this);
}

void TTestedLine::TestAndNotify() {
  Test();
  Notify();
}

void TTestedLine::TestOrClear(bool on) {
  if (on) {
    Test();
  } else {
    ClearResults();
  }
}

void TTestedLine::Refresh() {
  const ILineTrace* t = Link();
  TestOrClear(t != nullptr && TestSwitchOn(*t));
}
