#pragma once
// The SENSe:CORRection:COLLect:CKIT family: the selected calibration kit and its standards.
#include <vector>

#include "automation/NodeTable.h"

namespace automation {

constexpr const char* kKitFamily = "SENSe:CORRection:COLLect:CKIT";

void AddSenseKitRows(std::vector<NodeRow>& rows);

}  // namespace automation
