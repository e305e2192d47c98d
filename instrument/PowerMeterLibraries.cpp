#include <string>

#include "instrument/PowerMeter.h"

// The driver libraries are not bound yet: without an installed driver source no meter connects.
bool LoadPowerMeterDrivers(int /*model*/, TPowerMeter::TDrivers& /*drivers*/, std::string& error) {
  error = "Power meter driver libraries are not available";
  return false;
}
