#pragma once
// What the CALCulate node families share: their row builders and the lookups every member
// makes anew at each call (the channel window, its traces, the trace a node names, the active
// trace and its markers). A lookup that finds nothing raises the number a client expects.
#include <string>
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/NodeRowHelpers.h"
#include "automation/NodeTable.h"

class TRangeView;
class TMeasureList;
class TMeasurement;
class TMarkerList;
class TMarker;

namespace automation {

// The families, in the order of the interfaces.
void AddCalcTraceRows(std::vector<NodeRow>& rows);
void AddCalcMarkerRows(std::vector<NodeRow>& rows);
void AddCalcAnalysisRows(std::vector<NodeRow>& rows);
void AddCalcLimitRows(std::vector<NodeRow>& rows);
void AddCalcTimeDomainRows(std::vector<NodeRow>& rows);
void AddCalcFixtureRows(std::vector<NodeRow>& rows);

namespace calc {

// The node's channel window; 201 when the channel is no longer shown.
TRangeView& View(const TCall& c);
TMeasureList& Traces(const TCall& c);
// The trace of the node's second index; 202 when the list no longer holds it.
TMeasurement& Trace(const TCall& c);
// The active trace of the node's channel.
TMeasurement& Active(const TCall& c);
TMarkerList& Markers(const TCall& c);
// The marker of the node's second index on the active trace (the list's last marker when no
// marker has that tag); 204 when the trace has no marker at all.
TMarker& Marker(const TCall& c);
// The active marker of the active trace; 204 when the trace has none.
TMarker& ActiveMarker(const TCall& c);

// Row builders.
using rows::Getter;
using rows::Method;
using rows::Property;
// A member that returns DISP_E_EXCEPTION instead of its numbered result.
MemberRow DispStyle(MemberRow m);

// An engine code as a keyword of three ("POS", "NEG", "BOTH"): "POS" for any other code.
const char* PolarityText(int code);
// The code of a text that begins with "POS", "NEG" or "BOTH" (any case), else -1.
int PolarityFromText(const std::string& text);

}  // namespace calc
}  // namespace automation
