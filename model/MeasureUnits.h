#pragma once
// A unit table and the value formatting that picks its most readable unit.
#include <string>
#include <vector>

#include "model/MeasureUnit.h"

// The units of one quantity, from the largest to the smallest; never empty when filled by
// TMeasureUnitTables.
using TMeasureUnits = std::vector<TMeasureUnit>;

// Shows a value given in the table's base unit in the first unit, from the largest down, in
// which its magnitude reaches 1 (equality within NearlyEqual's tolerance counts), or in the
// smallest unit when none does (zero among them). On return value holds the value in that
// unit and unitIndex its place in the table; the text is the value formatted "###0.######",
// a blank and the unit's text (a blank alone for a unit without text).
// An empty table leaves value as it is, sets unitIndex to 0 and gives the number alone.
std::string FormatWithUnit(double& value, unsigned& unitIndex, const TMeasureUnits& units);
