#include "traces/Format.h"

TFormat::TFormat(TFObject* owner, double scaleDiv, double minValue, double maxValue, double refValue,
                 int32_t refPosition)
    : TFObject(owner),
      ScaleDiv(scaleDiv),
      MaxValue(maxValue),
      MinValue(minValue),
      RefValue(refValue),
      RefPosition(refPosition) {}
