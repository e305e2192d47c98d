#pragma once
// One point of a fixture two-port: frequency (MHz) and the S-parameters in the order S11, S21,
// S12, S22, all (0, 0) until filled.
#include "model/Complex.h"
#include "model/FObject.h"

class TFixtPoint : public TFObject {
 public:
  TFixtPoint(TFObject* owner, double frequency) : TFObject(owner), Frequency(frequency) {}

  double Frequency;
  TComplex S11{};
  TComplex S21{};
  TComplex S12{};
  TComplex S22{};
};
