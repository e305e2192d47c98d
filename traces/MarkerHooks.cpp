#include "traces/MarkerHooks.h"

#include "model/MeasureUnitTables.h"
#include "model/MeasureUnits.h"

namespace {

const TMeasureUnitTables& EnglishTables() {
  static const TMeasureUnitTables tables;
  return tables;
}

std::string DefaultScaleComponent(double& value, bool inductance) {
  const TMeasureUnits& units = EnglishTables().OfKind(inductance ? ukInductance : ukCapacitance);
  unsigned index = 0;
  FormatWithUnit(value, index, units);
  return index < units.size() ? units[index].Text : std::string();
}

}  // namespace

TMarkerHooks TMarkerHooks::Defaults() {
  TMarkerHooks h;
  h.ArgumentDigits = [] { return 8; };
  h.ValueDigits = [] { return 5; };
  h.ScaleComponent = DefaultScaleComponent;
  return h;
}

TMarkerHooks& MarkerHooks() {
  static TMarkerHooks hooks = TMarkerHooks::Defaults();
  return hooks;
}

int MarkerArgumentDigits() { return MarkerHooks().ArgumentDigits ? MarkerHooks().ArgumentDigits() : 8; }

int MarkerValueDigits() { return MarkerHooks().ValueDigits ? MarkerHooks().ValueDigits() : 5; }

std::string ScaleMarkerComponent(double& value, bool inductance) {
  if (MarkerHooks().ScaleComponent) return MarkerHooks().ScaleComponent(value, inductance);
  return DefaultScaleComponent(value, inductance);
}
