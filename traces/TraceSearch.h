#pragma once
// The searches of markers and of the analysis function over a trace's displayed values:
// extremes, peaks and target crossings. Positions are relative sweep positions 0..1, stimuli
// are display units. Every search fails on an empty trace and on a range whose start is at or
// beyond its stop.
#include "traces/TraceSamples.h"

class TTraceSearch {
 public:
  // Polarity and transition codes.
  static constexpr int Positive = 0;
  static constexpr int Negative = 1;
  static constexpr int Both = 2;

  // The highest (lowest) point from the point at or below start to the point at or below stop,
  // both examined; the first of equal extremes wins.
  static bool FindExtremum(const ITraceSamples& t, bool maximum, double start, double stop, double& position);

  // The next local maximum of d * value scanning right (left) from index a; N-1 (0) when none.
  static int ScanRight(const ITraceSamples& t, int a, int d);
  static int ScanLeft(const ITraceSamples& t, int a, int d);
  // Point f is a local maximum of d * value that stands more than excursion above the valleys
  // on both sides (looked for over the whole trace).
  static bool IsPeak(const ITraceSamples& t, int f, int d, double excursion);

  // Index of the next peak of sign d whose scan starts at index from, below index end; -1 none.
  static int NextPeakIndexRight(const ITraceSamples& t, int d, int from, int end, double excursion);
  // The next peak of sign d right (left) of position p within start..stop.
  static bool NextPeakRight(const ITraceSamples& t, int d, double start, double stop, double p, double excursion,
                            double& position);
  static bool NextPeakLeft(const ITraceSamples& t, int d, double start, double stop, double p, double excursion,
                           double& position);
  // Peak Right / Peak Left with a polarity code (Both: the closer to p wins, the negative on a tie).
  static bool PeakRight(const ITraceSamples& t, int polarity, double start, double stop, double p, double excursion,
                        double& position);
  static bool PeakLeft(const ITraceSamples& t, int polarity, double start, double stop, double p, double excursion,
                       double& position);
  // The nearer of Peak Left and Peak Right from p; the right one on equal distance.
  static bool SearchPeak(const ITraceSamples& t, int polarity, double start, double stop, double p, double excursion,
                         double& position);
  // The best peak right of p: highest, lowest (polarity 1) or largest in magnitude (2).
  static bool MaxPeak(const ITraceSamples& t, int polarity, double start, double stop, double p, double excursion,
                      double& position);

  // The next crossing of target right (left) of stimulus from within start..stop, as a stimulus.
  static bool TargetRight(const ITraceSamples& t, double start, double stop, double from, double target,
                          int transition, double& stimulus);
  static bool TargetLeft(const ITraceSamples& t, double start, double stop, double from, double target,
                         int transition, double& stimulus);
  // The nearer of both from stimulus from; the right one on equal distance.
  static bool SearchTarget(const ITraceSamples& t, double start, double stop, double from, double target,
                           int transition, double& stimulus);
};
