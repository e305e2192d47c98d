#include "model/MeasureUnits.h"

#include <cmath>

#include "model/Utils.h"

std::string FormatWithUnit(double& value, unsigned& unitIndex, const TMeasureUnits& units) {
  constexpr const char* kPattern = "###0.######";
  unitIndex = 0;
  if (units.empty()) return FormatFloat(kPattern, value);
  size_t i = 0;
  while (i < units.size()) {
    const double r = std::fabs(value / units[i].Multiplier);
    if (r > 1.0 || NearlyEqual(r, 1.0)) break;
    ++i;
  }
  if (i == units.size()) i = units.size() - 1;
  value /= units[i].Multiplier;
  unitIndex = static_cast<unsigned>(i);
  // The blank stays even when the unit has no text: callers line values up on it.
  return FormatFloat(kPattern, value) + ' ' + units[i].Text;
}
