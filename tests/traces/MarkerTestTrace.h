#pragma once
// A trace for the marker tests: sampled values on a linear sweep, a settable format, value
// bounds, unit texts and impedance; every channel, transform and reference-level call and
// every redraw and change event recorded. Traces put into one TMarkerTestGroup couple their
// markers as a trace list does.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/FObject.h"
#include "traces/MarkerList.h"
#include "traces/MarkerTrace.h"
#include "traces/SampledTrace.h"

namespace markertest {

class TMarkerTestGroup;

class TMarkerTestTrace : public IMarkerTrace {
 public:
  TSampledTrace Samples;
  int Format = 0;
  double Min = -1000.0;
  double Max = 1000.0;
  std::string ResponseUnit = "dB";
  std::string StimulusUnit = "MHz";
  bool Transform = false;
  double Z0 = 50.0;
  TScreenRect Area{100, 40, 700, 440};
  std::vector<std::pair<std::string, double>> Calls;
  int Redraws = 0;
  mutable long Reads = 0;  // displayed values read point by point
  bool FastData = false;   // hand the values out as one array (then Reads stays 0)
  int Notifies = 0;
  std::vector<TFObject*> Senders;
  TMarkerTestGroup* Group = nullptr;
  TMarkerList* List = nullptr;

  int PointCount() const override { return Samples.PointCount(); }
  double PointStimulus(int i) const override { return Samples.PointStimulus(i); }
  double DisplayValue(int i) const override {
    ++Reads;
    return Samples.DisplayValue(i);
  }
  TComplex DisplayPoint(int i) const override { return Samples.DisplayPoint(i); }
  const TComplex* DisplayData() const override { return FastData ? Samples.DisplayData() : nullptr; }
  int FindPointIndex(double x) const override { return Samples.FindPointIndex(x); }
  double ValueAtStimulus(double x) const override { return Samples.ValueAtStimulus(x); }
  TComplex PointAtStimulus(double x) const override { return Samples.PointAtStimulus(x); }
  double StimulusAtPosition(double p) const override { return Samples.StimulusAtPosition(p); }
  double PositionAtStimulus(double x) const override { return Samples.PositionAtStimulus(x); }

  int TraceFormat() const override { return Format; }
  double MinValue() const override { return Min; }
  double MaxValue() const override { return Max; }
  std::string ResponseUnitText() const override { return ResponseUnit; }
  std::string StimulusUnitText() const override { return StimulusUnit; }
  bool IsTransformActive() const override { return Transform; }
  double ReferenceImpedance() const override { return Z0; }

  void SetRefValue(double v) override { Calls.push_back({"RefValue", v}); }
  void SetStartFrequency(double v) override { Calls.push_back({"Start", v}); }
  void SetStopFrequency(double v) override { Calls.push_back({"Stop", v}); }
  void SetCenterFrequency(double v) override { Calls.push_back({"Center", v}); }
  void SetTransformStartInUnit(double v) override { Calls.push_back({"TransformStart", v}); }
  void SetTransformStopInUnit(double v) override { Calls.push_back({"TransformStop", v}); }
  void SetTransformCenterInUnit(double v) override { Calls.push_back({"TransformCenter", v}); }
  TScreenRect GetMarkerTableArea() const override { return Area; }

  void RedrawAndNotify(TFObject* sender) override {
    ++Redraws;
    Notify(sender);
  }
  void Notify(TFObject* sender) override {
    ++Notifies;
    Senders.push_back(sender);
  }

  bool MarkerCouple() const override;
  void SetMarkerCouple(bool on) override;
  void CoupleMarkers() override;
  void DeleteCoupledMarker(int tag) override;
};

// Traces of one channel window: coupling in three passes through the active trace, deletion
// of a tag from the other traces.
class TMarkerTestGroup {
 public:
  bool Couple = false;
  int Active = 0;
  std::vector<TMarkerTestTrace*> Traces;

  void Add(TMarkerTestTrace& t) {
    t.Group = this;
    Traces.push_back(&t);
  }
  void CoupleMarkers() {
    if (!Couple || Traces.empty()) return;
    TMarkerList& a = *Traces[static_cast<size_t>(Active)]->List;
    for (auto* t : Traces) t->List->CopyMarkersFrom(a);
    for (auto* t : Traces) a.CopyMarkersFrom(*t->List);
    for (auto* t : Traces) t->List->CopyMarkersFrom(a);
  }
  void DeleteCoupled(TMarkerTestTrace& from, int tag) {
    if (!Couple) return;
    for (auto* t : Traces)
      if (t != &from) t->List->DeleteMarkerTag(*from.List, tag);
  }
};

inline bool TMarkerTestTrace::MarkerCouple() const { return Group && Group->Couple; }
inline void TMarkerTestTrace::SetMarkerCouple(bool on) {
  if (Group) Group->Couple = on;
}
inline void TMarkerTestTrace::CoupleMarkers() {
  if (Group) Group->CoupleMarkers();
}
inline void TMarkerTestTrace::DeleteCoupledMarker(int tag) {
  if (Group) Group->DeleteCoupled(*this, tag);
}

// A trace with its marker list.
struct TTracedList {
  explicit TTracedList(TSampledTrace samples = TSampledTrace::Linear(100.0, 1100.0, std::vector<double>(101, 0.0))) {
    trace.Samples = std::move(samples);
    list = std::make_unique<TMarkerList>(nullptr, &trace);
    trace.List = list.get();
  }
  TMarkerTestTrace trace;
  std::unique_ptr<TMarkerList> list;
};

}  // namespace markertest
