#include "calibration/ErrorTermSolver.h"

#include "calibration/Quotient.h"

TOnePortTerms TErrorTermSolver::ResponseWithLoad(const TComplex& ml, const TComplex& mx, const TComplex& gl,
                                                 const TComplex& gx) {
  TOnePortTerms r;
  r.Ed = (ml * gx - mx * gl) / (gx - gl);
  r.Er = (mx - r.Ed) / gx;
  return r;
}

TOnePortTerms TErrorTermSolver::OnePort(const TComplex& ml, const TComplex& mo, const TComplex& ms,
                                        const TComplex& gl, const TComplex& go, const TComplex& gs) {
  // The closed form of Ed = N / D, Er = (go - gs)(ms - Ed)(mo - Ed) / (gs go (mo - ms)) and
  // Es = 1 / go - Er / (mo - Ed), with the common factors drawn out so that two divisions serve.
  const TComplex dm = mo - ms;
  const TComplex p = gs * go * dm;
  const TComplex d = p + gl * (ml * (go - gs) + ms * gs - mo * go);
  const TComplex n = ml * (p + gl * (ms * go - mo * gs)) + mo * ms * gl * (gs - go);
  TOnePortTerms r;
  r.Ed = Quotient(n, d);
  const TComplex inv = Quotient(TComplex{1.0, 0.0}, p);
  const TComplex k = (go - gs) * (ms - r.Ed);
  r.Er = k * (mo - r.Ed) * inv;
  r.Es = (gs * dm - k) * inv;
  return r;
}

TOnePortTerms TErrorTermSolver::OpenShort(const TComplex& mo, const TComplex& ms, const TComplex& go,
                                          const TComplex& gs) {
  TOnePortTerms r;
  r.Es = (mo * gs - ms * go) / (gs * go * (mo - ms));
  r.Er = mo * (TComplex{1.0, 0.0} - go * r.Es) / go;
  return r;
}

TComplex TErrorTermSolver::OnePathThru(const TComplex& m11, const TComplex& m21, const TOnePortTerms& r,
                                       const TComplex& t) {
  return m21 / ((TComplex{1.0, 0.0} + r.Es * (m11 - r.Ed) / r.Er) * t);
}

TOnePortTerms TErrorTermSolver::WeightedOnePort(const TComplex* m, const TComplex* g, int n) {
  // Normal equations (A^H W A) x = A^H W y with rows A[j] = (1, g m, -g), y[j] = m, solved in
  // fixed 3 x 3 arrays by cofactors.
  TComplex n3[3][3] = {};
  TComplex b3[3] = {};
  // The distances between readings, each pair once (|a - b| is |b - a| exactly); up to the
  // module's five standards kept on the stack.
  constexpr int kKept = 8;
  double pair[kKept][kKept] = {};
  const bool kept = n <= kKept;
  if (kept) {
    for (int j = 0; j < n; ++j) {
      for (int q = j + 1; q < n; ++q) pair[j][q] = pair[q][j] = Abs(m[j] - m[q]);
    }
  }
  for (int j = 0; j < n; ++j) {
    double distance = 0.0;
    for (int q = 0; q < n; ++q) distance += kept ? pair[j][q] : Abs(m[j] - m[q]);
    const double mag = Abs(m[j]);
    const double w = distance / (0.001 * mag * mag + 0.001);
    const TComplex row[3] = {TComplex{1.0, 0.0}, g[j] * m[j], -g[j]};
    for (int a = 0; a < 3; ++a) {
      const TComplex ca = Conj(row[a]) * w;
      for (int b = 0; b < 3; ++b) n3[a][b] += ca * row[b];
      b3[a] += ca * m[j];
    }
  }
  const TComplex c00 = n3[1][1] * n3[2][2] - n3[1][2] * n3[2][1];
  const TComplex c01 = n3[1][2] * n3[2][0] - n3[1][0] * n3[2][2];
  const TComplex c02 = n3[1][0] * n3[2][1] - n3[1][1] * n3[2][0];
  const TComplex det = n3[0][0] * c00 + n3[0][1] * c01 + n3[0][2] * c02;
  // Inverse = adjugate / det; adjugate is the transposed cofactor matrix.
  TComplex inv[3][3];
  inv[0][0] = c00;
  inv[1][0] = c01;
  inv[2][0] = c02;
  inv[0][1] = n3[0][2] * n3[2][1] - n3[0][1] * n3[2][2];
  inv[1][1] = n3[0][0] * n3[2][2] - n3[0][2] * n3[2][0];
  inv[2][1] = n3[0][1] * n3[2][0] - n3[0][0] * n3[2][1];
  inv[0][2] = n3[0][1] * n3[1][2] - n3[0][2] * n3[1][1];
  inv[1][2] = n3[0][2] * n3[1][0] - n3[0][0] * n3[1][2];
  inv[2][2] = n3[0][0] * n3[1][1] - n3[0][1] * n3[1][0];
  TComplex x[3];
  for (int a = 0; a < 3; ++a) x[a] = (inv[a][0] * b3[0] + inv[a][1] * b3[1] + inv[a][2] * b3[2]) / det;
  TOnePortTerms r;
  r.Ed = x[0];
  r.Es = x[1];
  r.Er = x[0] * x[1] - x[2];
  return r;
}
