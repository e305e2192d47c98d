#pragma once
// What the channel needs of a model's synthesizer settings: the device band, the planning
// tolerance, the IF, and the per-point plan of both synthesizers. The 5.4 GHz (row 3) and the
// 14 GHz (row 4) settings objects implement it; program start installs them, tests install fakes.
#include <cstdint>

#include "model/SynthRecords.h"

class ISynthPlan {
 public:
  virtual ~ISynthPlan() = default;

  // Device band, MHz.
  virtual double GetMinFrequency() const = 0;
  virtual double GetMaxFrequency() const = 0;
  // Planning tolerance, MHz: the smallest frequency step and the first tolerance of a rebuild.
  virtual double GetIFAccuracy() const = 0;
  // Intermediate frequency of the receivers, MHz.
  virtual double GetIntermediateFreq() const = 0;
  // Delay of the return to the start of a sweep, microseconds.
  virtual int32_t GetBackScanDelay() const = 0;

  // Tolerance of the next signal plans, MHz.
  virtual void SetSignalTolerance(double tolerance) = 0;
  // Plans one synthesizer for f (MHz). The record is always filled; true when the planned
  // frequency lies strictly within the channel's tolerance of f.
  virtual bool CalcSignalPll(TPllSettings& pll, double f) = 0;
  virtual bool CalcHeterodynePll(TPllSettings& pll, double f) = 0;
  // The frequency (MHz) that a plan really produces, band multiplier included.
  virtual double CalcFrequency(const TPllSettings& pll) const = 0;

  // The model's harmonic rule for the heterodyne of a point: lo is IF plus the receiver-port
  // frequency (plus the adjustment), fr the receiver frequency the lo was derived from. Returns
  // the frequency the heterodyne synthesizer is to be planned at.
  virtual double HeterodyneFrequency(double lo, double fr) const = 0;
};
