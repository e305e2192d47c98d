#pragma once
// The SENSe:CORRection:COEFficient family: error terms of the calibration in force, and the
// method record and solve once more.
#include <vector>

#include "automation/NodeTable.h"

namespace automation {

constexpr const char* kErrorTermFamily = "SENSe:CORRection:COEFficient";

void AddSenseErrorTermRows(std::vector<NodeRow>& rows);

}  // namespace automation
