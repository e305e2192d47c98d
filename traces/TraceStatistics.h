#pragma once
// The analysis readouts of a trace's displayed values: statistics over the whole trace or a
// stimulus range, flatness against a line, the bandwidth of a pass band or a notch, and the
// loss, ripple and rejection of a filter. Stimuli are display units.
#include "traces/TraceSamples.h"

struct TStatisticsResult {
  double Mean = 0.0;
  double Deviation = 0.0;
  double Minimum = 0.0;
  double Maximum = 0.0;
  double PeakToPeak() const { return Maximum - Minimum; }
};

struct TFlatnessResult {
  double Gain = 0.0;
  double Slope = 0.0;
  double PosDeviation = 0.0;
  double NegDeviation = 0.0;
};

struct TBandResult {
  bool Found = false;
  double Low = 0.0;
  double High = 0.0;
  double RefLevel = 0.0;
  double Bandwidth() const { return Found ? High - Low : 0.0; }
  double Center() const { return Found ? (High + Low) * 0.5 : 0.0; }
  double Q() const { return Found && High != Low ? Center() / (High - Low) : 0.0; }
};

struct TFilterResult {
  double PassbandMinimum = 0.0;
  double PassbandPeakToPeak = 0.0;
  double Rejection = 0.0;
};

class TTraceStatistics {
 public:
  // Every point, the first and the last counted twice. False (result zero) on an empty trace.
  static bool WholeTrace(const ITraceSamples& t, TStatisticsResult& r);
  // Between stimuli a and b (any order, clamped to the trace), the values interpolated at both
  // ends counted with the points after a up to the point at or below b.
  static bool Range(const ITraceSamples& t, double a, double b, TStatisticsResult& r);
  // Deviations from the line through the points at or below a and b.
  static bool Flatness(const ITraceSamples& t, double a, double b, TFlatnessResult& r);
  // The band around stimulus x where the trace stays above (value at x - |level|).
  static TBandResult Passband(const ITraceSamples& t, double x, double level);
  // The dip below (value at x - |level|) nearest to the left of x, else to its right.
  static TBandResult Notch(const ITraceSamples& t, double x, double level);
  // Passband p1..p2 and, with stopband, q1..q2 (each ascending).
  static TFilterResult Filter(const ITraceSamples& t, double p1, double p2, double q1, double q2, bool stopband);
};
