#pragma once
// The error-term table of one calibration: one TCalPoint per calibration frequency, normally
// ascending, and the calibration method of each of the two ports. A calibration owns one; a
// channel keeps a copy interpolated at its own points. A table has no owner: whoever creates it
// deletes it.
#include <string>
#include <vector>

#include "model/CalPoint.h"
#include "model/Complex.h"
#include "model/FContainer.h"

class TRange;

class TCalRange : public TFContainer {
 public:
  // Method codes: 0 none, 1 "RT", 2 "RO", 3 "RS", 4 "F1", 5 "OP"; any other code has no name here.
  static std::string MethodName(int code);

  // One zeroed TCalPoint per point of the channel, at that point's frequency.
  TCalRange(int methodCode0, int methodCode1, const TRange& channel);
  // One zeroed TCalPoint per entry of the vector (MHz), in vector order.
  TCalRange(int methodCode0, int methodCode1, const std::vector<double>& frequencies);
  static TCalRange* CreateFromFrequencies(int methodCode0, int methodCode1, const std::vector<double>& frequencies) {
    return new TCalRange(methodCode0, methodCode1, frequencies);
  }

  // Indices are not validated: p is 0 or 1, i within the table.
  TCalPoint* GetPoint(int i) const { return static_cast<TCalPoint*>(Items[static_cast<size_t>(i)]); }
  double GetFrequency(int i) const { return GetPoint(i)->Frequency; }
  TComplex GetErrorTermA(int p, int i) const { return GetPoint(i)->A[p]; }
  TComplex GetErrorTermB(int p, int i) const { return GetPoint(i)->B[p]; }
  TComplex GetErrorTermC(int p, int i) const { return GetPoint(i)->C[p]; }
  TComplex GetErrorTermD(int p, int i) const { return GetPoint(i)->D[p]; }
  void SetErrorTermA(int p, int i, const TComplex& v) { GetPoint(i)->A[p] = v; }
  void SetErrorTermB(int p, int i, const TComplex& v) { GetPoint(i)->B[p] = v; }
  void SetErrorTermC(int p, int i, const TComplex& v) { GetPoint(i)->C[p] = v; }
  void SetErrorTermD(int p, int i, const TComplex& v) { GetPoint(i)->D[p] = v; }

  int GetMethodCode(int p) const { return MethodCode[p]; }
  std::string GetMethodName(int p) const { return MethodName(MethodCode[p]); }

  // Index i of the interval [point i, point i + 1] used for f: bisection, then a walk past
  // equal frequencies. Below the first point 0, above the last n - 2; 0 for tables of fewer
  // than two points. A table with a step back in frequency (the 14 GHz system-calibration grid)
  // still gives an interval that rises through f.
  int FindInterval(double f) const;

  // The error terms at f, magnitude and phase interpolated on the interval of FindInterval and
  // extrapolated outside the table. When a >= 0, A, B and C are port a's terms; when b >= 0, D
  // is port b's transmission tracking; a negative port leaves its outputs (0, 0). A table of one
  // point gives its terms at every frequency, an empty one (0, 0).
  void InterpolateTerms(int a, int b, double f, TComplex& A, TComplex& B, TComplex& C, TComplex& D) const;

  int MethodCode[2] = {0, 0};
};
