#pragma once
// Services of the display layer that the marker readouts use: the digits of the readouts and
// the unit choice for the equivalent component. The display layer installs its own; until then
// (and in tests) the defaults give 8 and 5 digits and the henry and farad tables in English.
#include <functional>
#include <string>

struct TMarkerHooks {
  std::function<int()> ArgumentDigits;
  std::function<int()> ValueDigits;
  // Scales value (henry or farad) into the unit chosen for it and returns that unit's text.
  std::function<std::string(double& value, bool inductance)> ScaleComponent;

  // The defaults described above.
  static TMarkerHooks Defaults();
};

// The installed hooks; empty members fall back to the defaults.
TMarkerHooks& MarkerHooks();
int MarkerArgumentDigits();
int MarkerValueDigits();
std::string ScaleMarkerComponent(double& value, bool inductance);
