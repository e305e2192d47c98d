#pragma once
// The SENSe:CORRection family: the correction switch, the trace calibration type, the
// reference impedance, the receiver stubs and the port extension.
#include <vector>

#include "automation/NodeTable.h"

namespace automation {

constexpr const char* kCorrectionFamily = "SENSe:CORRection";

void AddSenseCorrectionRows(std::vector<NodeRow>& rows);

}  // namespace automation
