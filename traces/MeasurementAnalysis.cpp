// The trace's analysis function: the members callers use, over TTraceAnalysis.
#include "traces/Measurement.h"
#include "traces/TraceAnalysis.h"

void TMeasurement::SetFunctionStart(double hz) { TTraceAnalysis::SetFunctionStart(*this, hz); }
void TMeasurement::SetFunctionStop(double hz) { TTraceAnalysis::SetFunctionStop(*this, hz); }
void TMeasurement::SetFunctionDomainOn(bool on) { TTraceAnalysis::SetFunctionDomainOn(*this, on); }
void TMeasurement::SetFunctionPeakExcursion(double si) { TTraceAnalysis::SetFunctionPeakExcursion(*this, si); }
void TMeasurement::SetFunctionPeakPolarity(int code) { TTraceAnalysis::SetFunctionPeakPolarity(*this, code); }
void TMeasurement::SetFunctionTarget(double si) { TTraceAnalysis::SetFunctionTarget(*this, si); }
void TMeasurement::SetFunctionTargetTransition(int code) { TTraceAnalysis::SetFunctionTargetTransition(*this, code); }
void TMeasurement::SetFunctionType(const std::string& type) { TTraceAnalysis::SetFunctionType(*this, type); }
double TMeasurement::GetFunctionStart() const { return TTraceAnalysis::GetFunctionStart(*this); }
double TMeasurement::GetFunctionStop() const { return TTraceAnalysis::GetFunctionStop(*this); }
double TMeasurement::GetFunctionPeakExcursion() const { return TTraceAnalysis::GetFunctionPeakExcursion(*this); }
double TMeasurement::GetFunctionTarget() const { return TTraceAnalysis::GetFunctionTarget(*this); }
int TMeasurement::GetFunctionPointCount() const { return TTraceAnalysis::GetFunctionPointCount(*this); }
void TMeasurement::ExecuteFunction() { TTraceAnalysis::ExecuteFunction(*this); }
