#pragma once
// The analysis function of a trace, driven by automation: one statistic, all peaks, the highest
// peak or all target crossings over the whole trace or a stimulus domain. The settings and
// results are fields of the trace; the operations here read and write them.
#include <string>
#include <vector>

#include "model/Complex.h"
#include "traces/TraceSamples.h"

class TMeasurement;
class TMeasureList;

// Settings in display units, as the trace stores them.
struct TAnalysisSettings {
  double Start = 0.0;
  double Stop = 0.0;
  bool DomainOn = false;
  double Excursion = 0.0;
  int Polarity = 0;
  double Target = 0.0;
  int Transition = 0;
  std::string Type;
};

class TTraceAnalysis {
 public:
  // The functions in the order their keywords are tried.
  enum TFunction { Ptp, Stdev, Mean, Max, Min, Peak, AllPeaks, AllTargets, FunctionCount };
  static const char* Keyword(TFunction f);

  // Runs every function whose keyword begins type (case ignored) into results, entries (value,
  // stimulus) in display units (stimulus 0 for a statistic). False, results untouched, when
  // the type begins with no keyword.
  static bool Execute(const ITraceSamples& t, const TAnalysisSettings& s, std::vector<TComplex>& results);
  static void Run(TFunction f, const ITraceSamples& t, const TAnalysisSettings& s, std::vector<TComplex>& results);

  // ---- On a trace: values in SI on the automation side ---------------------------------------
  static void SetFunctionStart(TMeasurement& m, double hz);
  static void SetFunctionStop(TMeasurement& m, double hz);
  static void SetFunctionDomainOn(TMeasurement& m, bool on);
  static void SetFunctionPeakExcursion(TMeasurement& m, double si);
  static void SetFunctionPeakPolarity(TMeasurement& m, int code);
  static void SetFunctionTarget(TMeasurement& m, double si);
  static void SetFunctionTargetTransition(TMeasurement& m, int code);
  static void SetFunctionType(TMeasurement& m, const std::string& type);
  static double GetFunctionStart(const TMeasurement& m);
  static double GetFunctionStop(const TMeasurement& m);
  static double GetFunctionPeakExcursion(const TMeasurement& m);
  static double GetFunctionTarget(const TMeasurement& m);
  static int GetFunctionPointCount(const TMeasurement& m);
  // FunctionResults from the trace's displayed values, (value SI, stimulus SI).
  static void ExecuteFunction(TMeasurement& m);
  // With the domain coupled, every trace takes the active trace's start, stop and on flag.
  static void SyncFunctionDomain(TMeasureList& list);
};
