#include "traces/TraceAnalysis.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/Utils.h"
#include "traces/KeywordPrefix.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MeasurementMarkerTrace.h"
#include "traces/TraceSearch.h"
#include "traces/TraceStatistics.h"

namespace {

const char* const kKeywords[] = {"PTP", "STDEV", "MEAN", "MAX", "MIN", "PEAK", "APE", "ATAR"};

// Peaks of the analysis function are found this far (relative) past the last one.
constexpr double kPeakAdvance = 1e-6;

struct TDomain {
  double Start = 0.0;
  double Stop = 0.0;
};

TDomain DomainOf(const ITraceSamples& t, const TAnalysisSettings& s) {
  TDomain d{t.FirstStimulus(), t.LastStimulus()};
  if (s.DomainOn) {
    d = {s.Start, s.Stop};
    if (d.Stop < d.Start) std::swap(d.Start, d.Stop);
  }
  return d;
}

void Statistic(TTraceAnalysis::TFunction f, const ITraceSamples& t, const TAnalysisSettings& s,
               std::vector<TComplex>& results) {
  TStatisticsResult r;
  if (s.DomainOn)
    TTraceStatistics::Range(t, s.Start, s.Stop, r);
  else
    TTraceStatistics::WholeTrace(t, r);
  double v = 0.0;
  switch (f) {
    case TTraceAnalysis::Ptp: v = r.PeakToPeak(); break;
    case TTraceAnalysis::Stdev: v = r.Deviation; break;
    case TTraceAnalysis::Mean: v = r.Mean; break;
    case TTraceAnalysis::Max: v = r.Maximum; break;
    default: v = r.Minimum; break;
  }
  results.assign(1, TComplex{v, 0.0});
}

// The point index where the next search starts: past the point at or below the stimulus at
// position, and never at or before the last peak taken, so every step moves on.
int NextFrom(const ITraceSamples& t, const TDomain& d, double position, int last) {
  const int from = t.FindPointIndex(std::max(d.Start, t.StimulusAtPosition(position))) + 1;
  return std::max(from, last + 1);
}

void Peaks(const ITraceSamples& t, const TAnalysisSettings& s, std::vector<TComplex>& results) {
  results.clear();
  const int n = t.PointCount();
  if (n == 0 || s.Polarity < 0 || s.Polarity > 2) return;
  const TDomain d = DomainOf(t, s);
  if (!(d.Start < d.Stop) || NearlyEqual(d.Start, d.Stop)) return;
  const int end = std::min(t.FindPointIndex(d.Stop), n - 1);
  int from = NextFrom(t, d, 0.0, -1);
  // The next peak of each sign, kept while it lies ahead of the search.
  int pos = -2;
  int neg = -2;
  while (from < n && static_cast<int>(results.size()) < n) {
    if (s.Polarity != 1 && (pos == -2 || (pos >= 0 && pos < from)))
      pos = TTraceSearch::NextPeakIndexRight(t, +1, from, end, s.Excursion);
    if (s.Polarity != 0 && (neg == -2 || (neg >= 0 && neg < from)))
      neg = TTraceSearch::NextPeakIndexRight(t, -1, from, end, s.Excursion);
    int k = s.Polarity != 1 ? pos : -1;
    const int kn = s.Polarity != 0 ? neg : -1;
    if (kn >= 0 && (k < 0 || kn <= k)) k = kn;
    if (k < 0) break;
    results.push_back({t.DisplayValue(k), t.PointStimulus(k)});
    const double position = t.PositionAtStimulus(t.PointStimulus(k));
    from = NextFrom(t, d, position + kPeakAdvance, k);
  }
}

void HighestPeak(const ITraceSamples& t, const TAnalysisSettings& s, std::vector<TComplex>& results) {
  Peaks(t, s, results);
  if (results.empty()) return;
  const double sign = s.Polarity == 1 ? -1.0 : 1.0;
  TComplex best = results.front();
  for (const TComplex& e : results)
    if (e.Re * sign > best.Re * sign) best = e;
  results.assign(1, best);
}

void Targets(const ITraceSamples& t, const TAnalysisSettings& s, std::vector<TComplex>& results) {
  results.clear();
  const int n = t.PointCount();
  if (n == 0) return;
  const TDomain d = DomainOf(t, s);
  const double advance = (t.LastStimulus() - t.FirstStimulus()) * 1e-6;
  double x = d.Start;
  bool any = false;
  double last = 0.0;
  while (static_cast<int>(results.size()) < n) {
    double c = 0.0;
    if (!TTraceSearch::TargetRight(t, d.Start, d.Stop, x, s.Target, s.Transition, c)) break;
    // A crossing that does not lie beyond the last one (the step vanished in rounding) ends
    // the list instead of repeating it.
    if (any && !(c > last)) break;
    results.push_back({s.Target, c});
    any = true;
    last = c;
    x = c + advance;
  }
}

}  // namespace

const char* TTraceAnalysis::Keyword(TFunction f) {
  return f >= 0 && f < FunctionCount ? kKeywords[f] : "";
}

void TTraceAnalysis::Run(TFunction f, const ITraceSamples& t, const TAnalysisSettings& s,
                         std::vector<TComplex>& results) {
  switch (f) {
    case Ptp:
    case Stdev:
    case Mean:
    case Max:
    case Min:
      Statistic(f, t, s, results);
      break;
    case Peak:
      HighestPeak(t, s, results);
      break;
    case AllPeaks:
      Peaks(t, s, results);
      break;
    case AllTargets:
      Targets(t, s, results);
      break;
    default:
      break;
  }
}

bool TTraceAnalysis::Execute(const ITraceSamples& t, const TAnalysisSettings& s, std::vector<TComplex>& results) {
  bool ran = false;
  for (int f = 0; f < FunctionCount; ++f) {
    if (!StartsWithKeyword(s.Type, kKeywords[f])) continue;
    Run(static_cast<TFunction>(f), t, s, results);
    ran = true;
  }
  return ran;
}

// ---------------------------------------------------------------------------------------------
// On a trace

void TTraceAnalysis::SyncFunctionDomain(TMeasureList& list) {
  if (!list.FunctionDomainCouple) return;
  const TMeasurement* active = list.GetActive();
  if (!active) return;
  for (int i = 0; i < list.GetCount(); ++i) {
    TMeasurement* m = list.GetMeasurement(i);
    if (!m || m == active) continue;
    m->FunctionStart = active->FunctionStart;
    m->FunctionStop = active->FunctionStop;
    m->FunctionDomainOn = active->FunctionDomainOn;
  }
}

namespace {

void Sync(TMeasurement& m) {
  if (m.GetList()) TTraceAnalysis::SyncFunctionDomain(*m.GetList());
}

void SetNearly(TMeasurement& m, double& field, double value) {
  if (!std::isfinite(value) || NearlyEqual(value, field)) return;
  field = value;
  Sync(m);
}

}  // namespace

void TTraceAnalysis::SetFunctionStart(TMeasurement& m, double hz) {
  if (std::isfinite(hz)) SetNearly(m, m.FunctionStart, m.StimulusFromHz(hz));
}

void TTraceAnalysis::SetFunctionStop(TMeasurement& m, double hz) {
  if (std::isfinite(hz)) SetNearly(m, m.FunctionStop, m.StimulusFromHz(hz));
}

void TTraceAnalysis::SetFunctionDomainOn(TMeasurement& m, bool on) {
  if (on == m.FunctionDomainOn) return;
  m.FunctionDomainOn = on;
  Sync(m);
}

void TTraceAnalysis::SetFunctionPeakExcursion(TMeasurement& m, double si) {
  if (std::isfinite(si)) SetNearly(m, m.FunctionPeakExcursion, m.ResponseFromSI(si));
}

void TTraceAnalysis::SetFunctionPeakPolarity(TMeasurement& m, int code) {
  if (code < 0 || code > 2 || code == m.FunctionPeakPolarity) return;
  m.FunctionPeakPolarity = code;
  Sync(m);
}

void TTraceAnalysis::SetFunctionTarget(TMeasurement& m, double si) {
  if (std::isfinite(si)) SetNearly(m, m.FunctionTarget, m.ResponseFromSI(si));
}

void TTraceAnalysis::SetFunctionTargetTransition(TMeasurement& m, int code) {
  if (code < 0 || code > 2 || code == m.FunctionTargetTransition) return;
  m.FunctionTargetTransition = code;
  Sync(m);
}

void TTraceAnalysis::SetFunctionType(TMeasurement& m, const std::string& type) {
  if (type == m.FunctionType) return;
  m.FunctionType = type;
  Sync(m);
}

double TTraceAnalysis::GetFunctionStart(const TMeasurement& m) { return m.StimulusToHz(m.FunctionStart); }

double TTraceAnalysis::GetFunctionStop(const TMeasurement& m) { return m.StimulusToHz(m.FunctionStop); }

double TTraceAnalysis::GetFunctionPeakExcursion(const TMeasurement& m) {
  return m.ResponseToSI(m.FunctionPeakExcursion);
}

double TTraceAnalysis::GetFunctionTarget(const TMeasurement& m) { return m.ResponseToSI(m.FunctionTarget); }

int TTraceAnalysis::GetFunctionPointCount(const TMeasurement& m) {
  return static_cast<int>(m.FunctionResults.size());
}

void TTraceAnalysis::ExecuteFunction(TMeasurement& m) {
  const TMeasurementMarkerTrace samples(&m);
  TAnalysisSettings s;
  s.Start = m.FunctionStart;
  s.Stop = m.FunctionStop;
  s.DomainOn = m.FunctionDomainOn;
  s.Excursion = m.FunctionPeakExcursion;
  s.Polarity = m.FunctionPeakPolarity;
  s.Target = m.FunctionTarget;
  s.Transition = m.FunctionTargetTransition;
  s.Type = m.FunctionType;
  std::vector<TComplex> results;
  if (!Execute(samples, s, results)) return;
  bool statistic = false;
  for (int f = Ptp; f <= Min; ++f) statistic = statistic || StartsWithKeyword(s.Type, kKeywords[f]);
  for (TComplex& e : results) {
    e.Re = m.ResponseToSI(e.Re);
    e.Im = statistic ? 0.0 : m.StimulusToHz(e.Im);
  }
  m.FunctionResults = std::move(results);
}
