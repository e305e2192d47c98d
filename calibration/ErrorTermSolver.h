#pragma once
// The error-term solvers of one calibration frequency. Every function takes the measured values
// of the standards and the kit's values of those standards at that frequency and returns the
// terms of the one-port model m = Ed + Er G / (1 - Es G) (and Et for transmission). Nothing is
// guarded: degenerate input gives non-finite terms, which the caller rejects.
#include "model/Complex.h"

struct TOnePortTerms {
  TComplex Er;  // reflection tracking
  TComplex Ed;  // directivity
  TComplex Es;  // source match
};

class TErrorTermSolver {
 public:
  static TComplex ResponseOpen(const TComplex& mo, const TComplex& go) { return mo / go; }
  static TComplex ResponseShort(const TComplex& ms, const TComplex& gs) { return ms / gs; }
  static TComplex ResponseThru(const TComplex& mt, const TComplex& t) { return mt / t; }
  // Response with a Load for directivity: Er and Ed (Es 0). Serves Open and Short alike, with
  // the reflecting standard's reading and kit value.
  static TOnePortTerms ResponseWithLoad(const TComplex& ml, const TComplex& mx, const TComplex& gl,
                                        const TComplex& gx);
  // Closed form of the full one-port calibration from Short, Open and Load.
  static TOnePortTerms OnePort(const TComplex& ml, const TComplex& mo, const TComplex& ms, const TComplex& gl,
                               const TComplex& go, const TComplex& gs);
  // Open and Short with the directivity taken as 0: Er and Es.
  static TOnePortTerms OpenShort(const TComplex& mo, const TComplex& ms, const TComplex& go, const TComplex& gs);
  // Enhanced-response transmission tracking from the Thru's reflection m11 and transmission m21.
  static TComplex OnePathThru(const TComplex& m11, const TComplex& m21, const TOnePortTerms& r, const TComplex& t);
  // Weighted least squares over n (at most 5) reflection standards, rows of measured values m
  // and kit values g. Each row is weighted by its total distance to the others over its
  // magnitude, so that standards far apart count most.
  static TOnePortTerms WeightedOnePort(const TComplex* m, const TComplex* g, int n);
};
