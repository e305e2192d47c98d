#pragma once
// The SENSe:CORRection:COLLect family: method choice, standard acquisition, selection clear,
// solve, and the data nodes that only check their ports.
#include <vector>

#include "automation/NodeTable.h"

namespace automation {

constexpr const char* kCalibrationRunFamily = "SENSe:CORRection:COLLect";

void AddSenseCalibrationRunRows(std::vector<NodeRow>& rows);

}  // namespace automation
