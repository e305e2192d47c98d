#pragma once
// What the limit and ripple lines share: the trace they read (the owning trace's adapter by
// default, or whatever SetTraceLink installs), their change notice, and keeping their results
// current: tested while the trace's switch for the line is on, cleared otherwise.
#include "model/FObject.h"

class ILineTrace;

class TTestedLine : public TFObject {
 public:
  ~TTestedLine() override;

  // Replaces the trace the line reads (null: back to the owning trace's adapter).
  void SetTraceLink(ILineTrace* link);

  virtual void Test() = 0;
  virtual void ClearResults() = 0;

 protected:
  explicit TTestedLine(TFObject* owner);

  // The trace the line reads, or null when it has none.
  ILineTrace* Link() const;
  // The trace's redraw-and-change notice, with the line as sender.
  void Notify();
  void TestAndNotify();
  // Tests when on, else clears the results.
  void TestOrClear(bool on);
  // Tests when the trace's switch for this line is on, else clears the results.
  void Refresh();
  virtual bool TestSwitchOn(const ILineTrace& trace) const = 0;

 private:
  ILineTrace* link_ = nullptr;
  mutable ILineTrace* ownerLink_ = nullptr;
};
