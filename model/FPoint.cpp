#include "model/FPoint.h"

TComplex TFPoint::Average(TComplex& average, const TComplex& value, bool enabled, int n) {
  if (Abs(average) < AverageThreshold || Abs(value) < AverageThreshold || !enabled) {
    average = value;
  } else {
    average = (average * static_cast<double>(n) + value) / static_cast<double>(n + 1);
  }
  return average;
}
