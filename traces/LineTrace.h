#pragma once
// What a limit or ripple line needs from its trace: the displayed points (ITraceSamples), the
// value range of the current format, the trace's test switches and its redraw-and-change
// notice. The trace hands itself over through an adapter; tests use a small fake.
#include "traces/TraceSamples.h"

class TFObject;

class ILineTrace : public ITraceSamples {
 public:
  // Value bounds of the trace's current display format.
  virtual double MinValue() const = 0;
  virtual double MaxValue() const = 0;
  // The trace's LimitTest and RippleTest switches.
  virtual bool LimitTestOn() const = 0;
  virtual bool RippleTestOn() const = 0;
  // Redraw request of the channel window, then its change event with sender.
  virtual void LineChanged(TFObject* sender) = 0;
};

// The adapter over the trace that owns a line (owner is the trace), or null when owner is not
// a trace. The caller owns the result.
ILineTrace* MakeOwnerLineTrace(TFObject* owner);
