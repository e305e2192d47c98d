#include "calibration/SystemCorrection.h"

#include "model/CalRange.h"

void TSystemCorrection::Apply(const TCalRange* terms, bool portMatchA, int a, TComplex& x, int b, TComplex& y,
                              double frequencyMHz) {
  if (terms == nullptr || terms->GetCount() == 0) return;
  if (a < 0 && b < 0) return;
  TComplex er;
  TComplex ed;
  TComplex es;
  TComplex et;
  terms->InterpolateTerms(a, b, frequencyMHz, er, ed, es, et);

  const TComplex m = x;
  const TComplex md = m - ed;
  if (a >= 0) {
    const TComplex d = md * es + er;
    if (Abs(d) > kThreshold) {
      const TComplex g = md / d;
      if (Abs(g) > kThreshold) x = g;
    }
  }
  if (b >= 0 && Abs(et) > kThreshold) {
    TComplex t = y / et;
    if (portMatchA && a >= 0 && Abs(er) > kThreshold) t = t / (TComplex{1.0, 0.0} + es * md / er);
    if (Abs(t) > kThreshold) y = t;
  }
}
