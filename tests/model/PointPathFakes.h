#pragma once
// A channel for the measured-point tests: the channel fakes plus a calibration module whose
// user-correction switch a test sets, a scripted power meter, a manual clock, and helpers to
// shape the point list and to feed points through the sweep engine's three calls.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "ChannelFakes.h"
#include "model/IPowerMeter.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "platform/Clock.h"

namespace pathfakes {

class SwitchableCalibrator : public fakes::FakeCalibrator {
 public:
  bool disabled = false;
  bool IsUserCorrectionDisabled() const override { return disabled; }
};

class FakePowerMeter : public IPowerMeter {
 public:
  int state = NotReady;
  bool connectSucceeds = true;
  int connects = 0;
  int disconnects = 0;
  std::vector<double> asked;  // frequencies of the readings, MHz
  // The reading at a frequency; false makes the reading fail (the state is left as set).
  std::function<bool(double frequency, double& level)> reading;

  bool Connect() override {
    ++connects;
    if (connectSucceeds) state = Ready;
    return connectSucceeds;
  }
  void Disconnect() override {
    ++disconnects;
    state = NotReady;
  }
  bool MeasureDbm(double& level, double frequency) override {
    asked.push_back(frequency);
    return reading && reading(frequency, level);
  }
  int GetState() const override { return state; }
};

// Switches service mode on for its lifetime.
struct ServiceMode {
  ServiceMode() { SetRunModeFromText("EnableService"); }
  ~ServiceMode() { ResetRunMode(); }
};

// A LIN channel of the fake 14 GHz model with n points from start to stop (MHz), change
// notification on, and counters of its events.
struct PathChannel : fakes::ChannelServices {
  SwitchableCalibrator cal;
  FakePowerMeter meter;
  platform::ManualClock clock;
  platform::ScopedClock clockScope{clock};
  std::unique_ptr<TRange> owned;
  TRange* range = nullptr;
  fakes::EventCounter events;
  int pointData = 0;
  int resweeps = 0;
  int sweepsDone = 0;
  int missing = 0;

  explicit PathChannel(int n = 5, double start = 100, double stop = 500) {
    scope->CalibratorModule = &cal;
    scope->PowerMeter = &meter;
    owned = std::make_unique<TRange>(nullptr);
    range = owned.get();
    Shape(n, start, stop);
    range->ChangeNotify = true;
    events.Attach(*range);
    range->OnPointData = [this](TFObject*) { ++pointData; };
    range->OnResweep = [this](TFObject*) { ++resweeps; };
    range->OnSweepDone = [this](TFObject*) { ++sweepsDone; };
    range->OnPointsMissing = [this](TFObject*) { ++missing; };
  }

  void Shape(int n, double start, double stop) {
    range->SetStopFrequency(stop);
    range->SetStartFrequency(start);
    range->SetPointCount(n);
  }

  // The engine's three calls for one point, with receiver readings of no interest.
  void Feed(int i, const TComplex& x, const TComplex& y = TComplex{0.5, 0.25}) {
    range->StoreRawLevels(i, TComplex{0.3, 0.4}, TComplex{1e-9, 1e-9}, TComplex{0.6, 0.8});
    range->StorePointData(i, x, y);
    range->ProcessPoint(i);
  }
  // Stores data straight into a point, as the engine would have left it before processing.
  void Put(int i, const TComplex& s11, const TComplex& s21) {
    range->SetPointData(0, i, s11);
    range->SetPointData(1, i, s21);
  }
  TComplex Data(int port, int i) const { return range->GetPointData(port, i); }
};

inline double RelativeError(const TComplex& got, const TComplex& want) {
  return Abs(got - want) / std::max(Abs(want), 1e-300);
}

}  // namespace pathfakes
