#pragma once
// A trace held as plain vectors: stimuli in ascending order (a linear sweep) and displayed
// points, whose real parts are the displayed values. The lookups follow those of a trace on a
// linear sweep, so the searches and readouts can run on generated data.
#include <vector>

#include "traces/TraceSamples.h"

class TSampledTrace : public ITraceSamples {
 public:
  TSampledTrace() = default;
  // Real values at the given stimuli.
  TSampledTrace(std::vector<double> stimuli, const std::vector<double>& values);
  // Values at n stimuli spaced evenly from start to stop.
  static TSampledTrace Linear(double start, double stop, const std::vector<double>& values);

  std::vector<double> Stimuli;
  std::vector<TComplex> Points;

  int PointCount() const override { return static_cast<int>(Points.size()); }
  double PointStimulus(int i) const override;
  double DisplayValue(int i) const override;
  TComplex DisplayPoint(int i) const override;
  int FindPointIndex(double x) const override;
  double ValueAtStimulus(double x) const override;
  TComplex PointAtStimulus(double x) const override;
  double StimulusAtPosition(double p) const override;
  double PositionAtStimulus(double x) const override;
  const TComplex* DisplayData() const override { return Points.data(); }
};
