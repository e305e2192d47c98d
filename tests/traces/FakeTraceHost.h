#pragma once
// The channel window as the traces see it: a real channel (child of a real scanner module's
// scanner) and a real trace list with one S11 Return Loss trace, redraw and change events
// counted with their senders, and, as the window does, every trace resized on the channel's
// change event, given each point on the point event and finished on the end of a sweep. Installs the real device model (row 4), the synthesizer settings and the
// scanner module for its lifetime.
#include <functional>
#include <vector>

#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/Segment.h"
#include "model/Services.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/TimeDomainSettings.h"
#include "traces/TraceHost.h"

namespace tracetest {

// The services a channel needs, installed before the channel exists.
struct TraceServices {
  TraceServices() {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    saved = ::ScannerModule;
    ::ScannerModule = &scanner;
  }
  ~TraceServices() { ::ScannerModule = saved; }
  TDevice device{4};
  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TScopedServices scope;
  TScannerModule scanner;
  TScannerModule* saved = nullptr;
};

class FakeTraceHost : public TTraceHost, public TraceServices {
 public:
  // A channel of points points, start..stop MHz, linear; one S11 trace in Return Loss.
  explicit FakeTraceHost(int points = 201, double start = 100.0, double stop = 1100.0) {
    range = new TRange(&scanner.GetScanner());
    SetStimulus(points, start, stop);
    range->SetChangeNotify(true);
    range->OnChange = [this](TFObject*) {
      ++channelChanges;
      for (int i = 0; i < list.GetCount(); ++i) list.GetMeasurement(i)->ResizeToChannel();
    };
    // Point and end-of-sweep events reach every trace, as the window passes them on.
    range->OnPointData = [this](TFObject*) {
      for (int i = 0; i < list.GetCount(); ++i) list.GetMeasurement(i)->ProcessSweepPoint();
    };
    range->OnSweepDone = [this](TFObject*) {
      for (int i = 0; i < list.GetCount(); ++i) list.GetMeasurement(i)->FinishSweep();
    };
    list.AddMeasurement(0, 16);
    ResetCounts();
  }
  ~FakeTraceHost() override {
    list.Clear();
    range->OnChange = nullptr;
    range->OnPointData = nullptr;
    range->OnSweepDone = nullptr;
    delete range;
  }

  // Applies a linear stimulus without going through the change event.
  void SetStimulus(int points, double start, double stop) {
    TRangeSettings settings;
    TSegments segments;
    range->GetSettings(settings, segments);
    settings.SweepMode = 0;
    settings.NPoints = points;
    settings.MinFrequency = start;
    settings.MaxFrequency = stop;
    const bool notify = range->ChangeNotify;
    range->ChangeNotify = false;
    range->ApplySettings(segments, settings);
    range->ChangeNotify = notify;
  }

  TRange* GetRange() const override { return range; }
  void RequestRedraw() override { ++redraws; }
  void Changed(TFObject* sender) override {
    senders.push_back(sender);
    if (onChanged) onChanged(sender);
  }
  int GetDivisions() const override { return divisions; }
  int GetMarkerAlign() const override { return markerAlign; }
  void SetMarkerAlign(int align) override { markerAlign = align; }
  const TTimeDomainSettings& GetTimeDomain() const override { return timeDomain; }

  TMeasurement& Trace(int i = 0) { return *list.GetMeasurement(i); }
  void ResetCounts() {
    redraws = 0;
    senders.clear();
    channelChanges = 0;
  }
  int Changes() const { return static_cast<int>(senders.size()); }

  TRange* range = nullptr;
  TMeasureList list{nullptr, this};
  int redraws = 0;
  int channelChanges = 0;
  std::vector<TFObject*> senders;
  std::function<void(TFObject*)> onChanged;
  int divisions = 10;
  int markerAlign = 2;
  TTimeDomainSettings timeDomain;
};

}  // namespace tracetest
