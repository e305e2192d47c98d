#pragma once
// The mounted file systems that are valid and ready, by their root paths, in the system's order.
#include <string>
#include <vector>

namespace ui {

std::vector<std::string> MountedVolumeRoots();

}  // namespace ui
