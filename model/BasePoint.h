#pragma once
// What every stimulus point has: frequency (MHz), power (dBm) and IF bandwidth (Hz).
#include <cstdint>

#include "model/FObject.h"

class TBasePoint : public TFObject {
 public:
  double Frequency;
  double Power;
  int32_t IFBW;

 protected:
  TBasePoint(TFObject* owner, double frequency, double power, int32_t ifbw)
      : TFObject(owner), Frequency(frequency), Power(power), IFBW(ifbw) {}
};
