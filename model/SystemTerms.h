#pragma once
// The system calibration's error terms at every point of one channel, interpolated once for the
// whole point list instead of at every decoded point. The channel keeps them; the calibration
// module fills them and tells when they no longer fit (another table, a changed table, other
// ports, another point list).
#include <cstdint>
#include <vector>

#include "model/Complex.h"

struct TPointTerms {
  double Frequency = 0.0;  // MHz, the point's frequency the terms were interpolated at
  TComplex Er, Ed, Es, Et;
};

struct TSystemTerms {
  uint64_t Serial = 0;    // the table's serial and revision; serial 0: nothing kept
  uint64_t Revision = 0;
  int TableCount = 0;
  int PortA = -1;
  int PortB = -1;
  std::vector<TPointTerms> Points;

  void Clear() {
    Serial = 0;
    std::vector<TPointTerms>().swap(Points);
  }
};
