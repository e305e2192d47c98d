#include "traces/TimeDomainSteps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "instrument/ScannerModule.h"
#include "model/MemoRange.h"
#include "model/Utils.h"
#include "traces/ChirpZ.h"
#include "traces/Fft.h"
#include "traces/KaiserWindow.h"
#include "traces/Measurement.h"
#include "traces/MemoryTrace.h"
#include "traces/TimeDomainSettings.h"
#include "traces/TimeGate.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

void CopyThrough(const std::vector<TComplex>& source, std::vector<TComplex>& target) {
  if (&source != &target) target = source;
}

// The rotations e^(+j 2 pi f tc) of the gate's centre shift, kept between calls (the steps run
// on the user-interface thread only).
std::vector<TComplex>& RotationScratch() {
  static std::vector<TComplex> rotations;
  return rotations;
}

}  // namespace

bool TTimeDomainStimulus::Serves() const {
  return Points >= 2 && std::isfinite(StopMHz - StartMHz) && !NearlyEqual(StopMHz - StartMHz, 0.0) && Frequency;
}

void GateResponse(const TTimeDomainSettings& settings, const TTimeDomainStimulus& stimulus,
                  const std::vector<TComplex>& source, std::vector<TComplex>& target, TTimeDomainWork& work) {
  const std::size_t n = std::min(stimulus.Points, source.size());
  if (n < 2 || !stimulus.Serves()) {
    CopyThrough(source, target);
    return;
  }
  // The period of the time domain of the frequency step, and the gate as a fraction of it. A
  // gate wider than the period passes everything (a notch then removes everything): the
  // fraction is limited to 0..1 before the notch takes its complement.
  const double period = static_cast<double>(n - 1) / ((stimulus.StopMHz - stimulus.StartMHz) * 1e6);
  double fraction = (settings.GatingStop - settings.GatingStart) / period;
  fraction = std::isfinite(fraction) ? ClampToRange(fraction, 0.0, 1.0) : 0.0;
  double centre = (settings.GatingStart + settings.GatingStop) / 2;
  if (settings.GatingType == TTimeDomainSettings::GateNotch) {
    fraction = 1.0 - fraction;
    centre += period / 2;
  }

  std::vector<TComplex>& rotations = RotationScratch();
  rotations.resize(n);
  std::vector<TComplex>& w = work.TimeWork;
  w.resize(2 * n);
  for (std::size_t i = 0; i < n; ++i) {
    rotations[i] = Polar(1.0, kTwoPi * stimulus.Frequency(i) * 1e6 * centre);
    w[i] = source[i] * rotations[i];
  }
  // The mirror image, a plain copy: the extended response of 2N values is even about its middle.
  for (std::size_t k = 0; k < n; ++k) w[n + k] = w[n - 1 - k];

  DftBluestein(w.data(), 2 * n, true);
  work.Gate.Build(2 * n, settings.GatingShape, fraction);
  const std::vector<TComplex>& gate = work.Gate.GetResponses();
  for (std::size_t k = 0; k < 2 * n; ++k) w[k] *= gate[k];
  DftBluestein(w.data(), 2 * n, false);

  target.resize(source.size());
  const double scale = 1.0 / static_cast<double>(2 * n);
  for (std::size_t i = 0; i < n; ++i) target[i] = w[i] * Conj(rotations[i]) * scale;
}

void TransformResponse(const TTimeDomainSettings& settings, const TTimeDomainStimulus& stimulus,
                       const std::vector<TComplex>& source, std::vector<TComplex>& target, TTimeDomainWork& work) {
  const std::size_t n = std::min(stimulus.Points, source.size());
  if (source.empty()) {
    target.clear();
    return;
  }
  const bool lowPass = settings.ResponseType == TTimeDomainSettings::LowPassImpulse ||
                       settings.ResponseType == TTimeDomainSettings::LowPassStep;
  if (n < 2 || !stimulus.Serves() || (lowPass && !(stimulus.StopMHz > 0.0))) {
    CopyThrough(source, target);
    return;
  }
  const double span = stimulus.StopMHz - stimulus.StartMHz;
  const double dn = static_cast<double>(n);
  const double r = source[0].Re;
  const bool step = settings.ResponseType == TTimeDomainSettings::LowPassStep;

  // The weighted input q in TimeWork, its period and the frequency index of its first sample.
  std::vector<TComplex>& q = work.TimeWork;
  double period;
  double k0;
  if (!lowPass) {
    work.Window.Build(n, settings.Beta);
    const double scale = 1.0 / work.Window.GetSum();
    q.resize(n);
    for (std::size_t i = 0; i < n; ++i) q[i] = source[i] * (work.Window.GetWeight(i) * scale);
    period = (dn - 1) / (span * 1e6);
    // N fS / s: N, not N - 1, as the band-pass grid has always been placed; it turns the phase of
    // the time data only, never a magnitude.
    k0 = (stimulus.StopMHz / span - 1) * dn;
  } else {
    const std::size_t L = 2 * n + 1;
    work.Window.Build(L, settings.Beta);
    const double scale = step ? 1.0 : 1.0 / work.Window.GetSum();
    q.resize(L);
    for (std::size_t i = 0; i < n; ++i) {
      const double wNeg = work.Window.GetWeight(i) * scale;
      const double wPos = work.Window.GetWeight(n + 1 + i) * scale;
      if (step) {
        // The harmonic h of the step is that of the impulse divided by j 2 pi h.
        const TComplex negDivisor{0.0, kTwoPi * static_cast<double>(n - i)};
        const TComplex posDivisor{0.0, kTwoPi * static_cast<double>(i + 1)};
        q[i] = (-Conj(source[n - 1 - i])) / negDivisor * wNeg;
        q[n + 1 + i] = source[i] / posDivisor * wPos;
      } else {
        q[i] = Conj(source[n - 1 - i]) * wNeg;
        q[n + 1 + i] = source[i] * wPos;
      }
    }
    q[n] = TComplex{r * work.Window.GetWeight(n) * (step ? 0.5 : scale), 0.0};
    period = static_cast<double>(L - 1) / (2 * stimulus.StopMHz) * 1e-6;
    k0 = -dn;
  }

  const double start = settings.TransformStart;
  const double stop = settings.TransformStop;
  const double omega = kTwoPi * (stop - start) / ((dn - 1) * period);
  const double alpha = kTwoPi * start / period;
  target.resize(source.size());
  ChirpZ(work.ChirpInput, work.ChirpFilter, q.data(), q.size(), target.data(), n, omega, alpha, k0);
  if (step) {
    for (std::size_t k = 0; k < n; ++k) {
      const double t = start + static_cast<double>(k) * (stop - start) / (dn - 1);
      target[k].Re += t * r / period;
    }
  }
}

void ApplyMemoryTimeDomain(TMemoryTrace& memory) {
  TMeasurement* trace = memory.Measurement;
  const bool gating = trace != nullptr && trace->IsGatingActive();
  const bool transform = trace != nullptr && trace->IsTransformActive();
  if (!gating && !transform) {
    memory.TimeData = memory.Data;
    return;
  }
  const std::vector<double>& frequencies = memory.GetFrequencies();
  TTimeDomainStimulus stimulus;
  stimulus.Points = std::min(frequencies.size(), memory.Data.size());
  if (memory.MemoRange != nullptr) {
    stimulus.StartMHz = memory.MemoRange->MinFrequency;
    stimulus.StopMHz = memory.MemoRange->MaxFrequency;
  }
  stimulus.Frequency = [&frequencies](std::size_t i) { return frequencies[i]; };
  TTimeDomainWork work{memory.TimeWork, trace->ChirpInput, trace->ChirpFilter, memory.KaiserWindow, memory.TimeGate};
  const TTimeDomainSettings& settings = trace->GetTimeDomain();
  if (gating) {
    GateResponse(settings, stimulus, memory.Data, memory.TimeData, work);
    if (transform) TransformResponse(settings, stimulus, memory.TimeData, memory.TimeData, work);
  } else {
    TransformResponse(settings, stimulus, memory.Data, memory.TimeData, work);
  }
}

double TimeAxisStimulus(double start, double stop, std::size_t count, int i) {
  if (count < 2) return start;
  return start + (stop - start) / static_cast<double>(count - 1) * i;
}

double DtfCableLossAt(const TTimeDomainSettings& settings, std::size_t count, int i) {
  if (ScannerModule == nullptr || !ScannerModule->EnableCableLoss) return 0.0;
  const double t = TimeAxisStimulus(settings.TransformStart, settings.TransformStop, count, i);
  // Nothing lies before the reference plane.
  if (!(t > 0.0)) return 0.0;
  return CableLossForTime(t);
}
