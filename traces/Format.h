#pragma once
// The vertical scale of one display format of one trace. A trace keeps twenty of them in its
// format list, one per format code, so going back to a format shows its last scale.
#include <cstdint>

#include "model/FObject.h"

class TFormat : public TFObject {
 public:
  // Registers with its owner (the format list); the fields take the given defaults.
  TFormat(TFObject* owner, double scaleDiv, double minValue, double maxValue, double refValue,
          int32_t refPosition);
  explicit TFormat(TFObject* owner) : TFObject(owner) {}

  double ScaleDiv = 10.0;   // value per grid division
  double MaxValue = 1000.0;  // largest value of the scale: bound of the reference and searches
  double MinValue = -1000.0;
  double RefValue = 0.0;     // value of the reference line
  int32_t RefPosition = 5;   // grid line of the reference, in divisions down from the top
};
