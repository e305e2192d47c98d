#pragma once
// What the searches and the analysis readouts read from a trace: the displayed values, the
// stimulus of every point in display units, and the trace's own point lookup and interpolation.
// A trace hands itself over through an adapter; tests and benchmarks use a plain sampled trace.
#include "model/Complex.h"

class ITraceSamples {
 public:
  virtual ~ITraceSamples() = default;

  virtual int PointCount() const = 0;
  // Stimulus of point i in display units (MHz, or the time axis unit).
  virtual double PointStimulus(int i) const = 0;
  // Displayed value of point i (the max-hold data when max hold is on).
  virtual double DisplayValue(int i) const = 0;
  // Displayed complex point i.
  virtual TComplex DisplayPoint(int i) const = 0;
  // The last point at or below x; 0 below the first point, N-1 beyond the last; -1 when empty.
  virtual int FindPointIndex(double x) const = 0;
  // Displayed value and complex point interpolated at stimulus x.
  virtual double ValueAtStimulus(double x) const = 0;
  virtual TComplex PointAtStimulus(double x) const = 0;
  // Relative sweep position 0..1 to stimulus and back.
  virtual double StimulusAtPosition(double p) const = 0;
  virtual double PositionAtStimulus(double x) const = 0;

  // The displayed points as one array of PointCount() entries when the trace keeps them so,
  // else null; long scans read through it instead of one call per point.
  virtual const TComplex* DisplayData() const { return nullptr; }

  double FirstStimulus() const { return PointCount() > 0 ? PointStimulus(0) : 0.0; }
  double LastStimulus() const { return PointCount() > 0 ? PointStimulus(PointCount() - 1) : 0.0; }
};

// The displayed values of a trace for a long scan: straight from its array when it has one.
class TDisplayValues {
 public:
  explicit TDisplayValues(const ITraceSamples& t) : t_(t), data_(t.DisplayData()), count_(t.PointCount()) {}
  double operator()(int i) const { return data_ ? data_[i].Re : t_.DisplayValue(i); }
  int Count() const { return count_; }

 private:
  const ITraceSamples& t_;
  const TComplex* data_;
  int count_;
};
