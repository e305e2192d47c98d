// The limit and ripple lines' view of the trace that owns them.
#include <algorithm>

#include "model/Range.h"
#include "traces/LineTrace.h"
#include "traces/Measurement.h"

namespace {

class TTraceLineLink : public ILineTrace {
 public:
  explicit TTraceLineLink(TMeasurement& trace) : trace_(trace) {}

  // Points beyond the channel (before the trace follows a smaller point count) have no stimulus.
  int PointCount() const override {
    return std::min(trace_.GetPointCount(), trace_.Range ? trace_.Range->GetCount() : 0);
  }
  double PointStimulus(int i) const override { return trace_.GetPointStimulus(i); }
  double DisplayValue(int i) const override { return trace_.GetDisplayValue(i); }
  TComplex DisplayPoint(int i) const override { return trace_.GetDisplayPoint(i); }
  int FindPointIndex(double x) const override { return trace_.FindPointIndex(x); }
  double ValueAtStimulus(double x) const override { return trace_.GetValueAtStimulus(x); }
  TComplex PointAtStimulus(double x) const override { return trace_.GetPointAtStimulus(x); }
  double StimulusAtPosition(double p) const override { return trace_.GetStimulusAtPosition(p); }
  double PositionAtStimulus(double x) const override { return trace_.GetPositionAtStimulus(x); }

  double MinValue() const override { return trace_.GetMinValue(); }
  double MaxValue() const override { return trace_.GetMaxValue(); }
  bool LimitTestOn() const override { return trace_.LimitTest; }
  bool RippleTestOn() const override { return trace_.RippleTest; }
  void LineChanged(TFObject* sender) override {
    trace_.Redraw();
    trace_.Notify(sender);
  }

 private:
  TMeasurement& trace_;
};

}  // namespace

ILineTrace* MakeOwnerLineTrace(TFObject* owner) {
  TMeasurement* trace = dynamic_cast<TMeasurement*>(owner);
  return trace ? new TTraceLineLink(*trace) : nullptr;
}
