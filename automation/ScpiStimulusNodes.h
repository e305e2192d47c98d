#pragma once
// The SENSe stimulus family's rows, and the segment-table and frequency-list forms its members
// exchange (also used by the benchmark).
#include <vector>

#include "automation/NodeTable.h"

class TRange;

namespace automation {

constexpr const char* kStimulusFamily = "SENSe";

void AddSenseStimulusRows(std::vector<NodeRow>& rows);

// Every point's frequency in Hz: the segment total in segment sweep, else NPoints.
std::vector<double> FrequencyList(const TRange& r);
// The segment table as 7 + N x r doubles: 5, 0, the three per-segment flags, 0, N, then per
// segment start and stop (Hz), points and the values of the flags that are on (IF bandwidth,
// power, delay in seconds).
std::vector<double> SegmentTable(const TRange& r);
// Replaces the segment table from that form (index 1 non-zero: centre and span; index 5
// non-zero: one more, ignored value per record). The three flags are applied first and stay;
// the array is then checked whole (215 "Invalid segment data") before any segment changes, and
// the records are applied in one segment edit batch (batched false: setter by setter, for
// comparison).
void PutSegmentTable(TRange& r, const std::vector<double>& values, bool batched = true);

}  // namespace automation
