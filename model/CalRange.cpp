#include "model/CalRange.h"

#include "model/Range.h"
#include "model/Utils.h"

std::string TCalRange::MethodName(int code) {
  switch (code) {
    case 1: return "RT";
    case 2: return "RO";
    case 3: return "RS";
    case 4: return "F1";
    case 5: return "OP";
    default: return "";
  }
}

TCalRange::TCalRange(int methodCode0, int methodCode1, const TRange& channel) : TFContainer(nullptr) {
  MethodCode[0] = methodCode0;
  MethodCode[1] = methodCode1;
  const int n = channel.GetCount();
  Items.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) new TCalPoint(this, channel.GetPointFrequency(i));
}

TCalRange::TCalRange(int methodCode0, int methodCode1, const std::vector<double>& frequencies)
    : TFContainer(nullptr) {
  MethodCode[0] = methodCode0;
  MethodCode[1] = methodCode1;
  Items.reserve(frequencies.size());
  for (double f : frequencies) new TCalPoint(this, f);
}

int TCalRange::FindInterval(double f) const {
  const int n = GetCount();
  if (n < 2) return 0;
  if (f < GetFrequency(0)) return 0;
  if (f > GetFrequency(n - 1)) return n - 2;
  // The bisection keeps f(lo) < f <= f(hi) (or lo = 0) whatever the order of the points, so
  // the interval found rises through f even where the frequencies step back.
  int lo = 0;
  int hi = n - 1;
  while (hi - lo >= 2) {
    const int mid = (lo + hi) / 2;
    if (f <= GetFrequency(mid)) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  int i = lo;
  if (f <= GetFrequency(i)) {
    while (f < GetFrequency(i) && i > 0) --i;
  } else {
    while (i < n - 2 && f >= GetFrequency(i + 1)) ++i;
  }
  return i;
}

void TCalRange::InterpolateTerms(int a, int b, double f, TComplex& A, TComplex& B, TComplex& C,
                                 TComplex& D) const {
  A = B = C = D = TComplex{};
  const int n = GetCount();
  if (n == 0) return;
  if (n == 1) {
    const TCalPoint* p = GetPoint(0);
    if (a >= 0) {
      A = p->A[a];
      B = p->B[a];
      C = p->C[a];
    }
    if (b >= 0) D = p->D[b];
    return;
  }
  const int i = FindInterval(f);
  const TCalPoint* p0 = GetPoint(i);
  const TCalPoint* p1 = GetPoint(i + 1);
  const double t = NearlyEqual(p1->Frequency, p0->Frequency) ? 0.0 : (f - p0->Frequency) / (p1->Frequency - p0->Frequency);
  if (a >= 0) {
    A = InterpolatePolar(p0->A[a], p1->A[a], t);
    B = InterpolatePolar(p0->B[a], p1->B[a], t);
    C = InterpolatePolar(p0->C[a], p1->C[a], t);
  }
  if (b >= 0) D = InterpolatePolar(p0->D[b], p1->D[b], t);
}
