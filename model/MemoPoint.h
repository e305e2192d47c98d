#pragma once
// One point of a memory trace. The frequency is kept in single precision, as memories store it.
#include "model/Complex.h"
#include "model/FObject.h"

class TMemoPoint : public TFObject {
 public:
  TMemoPoint(TFObject* owner, const TComplex& value, double frequency)
      : TFObject(owner), Frequency(static_cast<float>(frequency)), Value(value) {}

  float Frequency;  // MHz
  TComplex Value;
};
