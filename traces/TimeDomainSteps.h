#pragma once
// The two time-domain steps on a frequency response, shared by a trace (on its channel's
// stimulus) and its memories (on their own stored stimulus), and the time axis they give.
//
// Gating takes the response to the periodic time domain of its frequency step (period
// T = (N - 1) / span), keeps (band-pass) or removes (notch) the gate there, and brings it back:
// the result is again a frequency response. The transform gives the time response at N times
// over TransformStart..TransformStop: band-pass on the measured band, or low-pass (impulse or
// step) with the data taken as the harmonics (m + 1) fE / N of a spectrum made symmetric about
// 0 Hz. Both need a linear stimulus of at least two points with a span; on anything else they
// copy the response through.
#include <cstddef>
#include <functional>
#include <vector>

#include "model/Complex.h"

struct TTimeDomainSettings;
class TKaiserWindow;
class TMeasurement;
class TMemoryTrace;
class TTimeGate;

// The working storage a step runs in: the owner's work vector, window and gate, and the chirp-z
// vectors (a memory uses its trace's).
struct TTimeDomainWork {
  std::vector<TComplex>& TimeWork;
  std::vector<TComplex>& ChirpInput;
  std::vector<TComplex>& ChirpFilter;
  TKaiserWindow& Window;
  TTimeGate& Gate;
};

// The stimulus a step runs on: N points from StartMHz to StopMHz, point i at Frequency(i) MHz.
struct TTimeDomainStimulus {
  std::size_t Points = 0;
  double StartMHz = 0.0;
  double StopMHz = 0.0;
  std::function<double(std::size_t)> Frequency;

  // At least two points and a span: the steps can run.
  bool Serves() const;
};

// Gates source into target (both N values; they may be one vector).
void GateResponse(const TTimeDomainSettings& settings, const TTimeDomainStimulus& stimulus,
                  const std::vector<TComplex>& source, std::vector<TComplex>& target, TTimeDomainWork& work);
// The time response of source at N times into target (resized to N; they may be one vector).
void TransformResponse(const TTimeDomainSettings& settings, const TTimeDomainStimulus& stimulus,
                       const std::vector<TComplex>& source, std::vector<TComplex>& target, TTimeDomainWork& work);

// The memory's time-domain step, Data into TimeData, decided by its trace's gating and
// transform tests and run on the memory's own stimulus with the channel window's settings.
void ApplyMemoryTimeDomain(TMemoryTrace& memory);

// Stimulus of point i of a time axis from start to stop over count points (the end points are
// the first and last point: the transform computes its times that way).
double TimeAxisStimulus(double start, double stop, std::size_t count, int i);
// The cable loss a distance-to-fault point i of count adds, dB, when the scanner module's cable
// loss is on: at the time TransformStart + i span / (count - 1), nothing before the reference
// plane (t < 0).
double DtfCableLossAt(const TTimeDomainSettings& settings, std::size_t count, int i);
