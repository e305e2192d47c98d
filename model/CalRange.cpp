#include "model/CalRange.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>

#include "model/Range.h"
#include "model/Utils.h"

namespace {

uint64_t NextSerial() {
  static std::atomic<uint64_t> serial{0};
  return serial.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

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

TCalRange::TCalRange(int methodCode0, int methodCode1, const TRange& channel) : TFContainer(nullptr), Serial(NextSerial()) {
  MethodCode[0] = methodCode0;
  MethodCode[1] = methodCode1;
  MakePoints(static_cast<size_t>(std::max(channel.GetCount(), 0)),
             [&](size_t i) { return channel.GetPointFrequency(static_cast<int>(i)); });
}

TCalRange::TCalRange(int methodCode0, int methodCode1, const std::vector<double>& frequencies)
    : TFContainer(nullptr), Serial(NextSerial()) {
  MethodCode[0] = methodCode0;
  MethodCode[1] = methodCode1;
  MakePoints(frequencies.size(), [&](size_t i) { return frequencies[i]; });
}

TCalRange::~TCalRange() { TCalRange::Clear(); }

template <typename F>
void TCalRange::MakePoints(size_t n, F frequency) {
  Points.Make(Items, n, [&](void* place, size_t i) { return new (place) TCalPoint(nullptr, frequency(i)); });
}

void TCalRange::Clear() {
  ++Revision;
  Points.Release(Items);
  TFContainer::Clear();
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

TCalRange::TIntervalCursor::TIntervalCursor(const TCalRange& table) : Table(table), Count(table.GetCount()) {
  if (Count < 2) return;
  // A point is out of order when a later point lies below it or an earlier one above it. For
  // a frequency outside the band of such points every comparison with the table is monotone,
  // so the bisection of FindInterval and a walk agree.
  std::vector<double> suffixMin(static_cast<size_t>(Count));
  double low = INFINITY;
  for (int k = Count - 1; k >= 0; --k) {
    const double f = table.GetFrequency(k);
    if (!std::isfinite(f)) {
      Ordered = false;
      BandLow = -INFINITY;
      BandHigh = INFINITY;
      return;
    }
    low = std::min(low, f);
    suffixMin[static_cast<size_t>(k)] = low;
  }
  double prefixMax = -INFINITY;
  BandLow = INFINITY;
  BandHigh = -INFINITY;
  for (int k = 0; k < Count; ++k) {
    const double f = table.GetFrequency(k);
    const bool later = k + 1 < Count && suffixMin[static_cast<size_t>(k) + 1] < f;
    if (later || prefixMax > f) {
      Ordered = false;
      BandLow = std::min(BandLow, f);
      BandHigh = std::max(BandHigh, f);
    }
    prefixMax = std::max(prefixMax, f);
  }
}

int TCalRange::TIntervalCursor::Find(double f) {
  if (Count < 2) return 0;
  if (!std::isfinite(f) || (!Ordered && f >= BandLow && f <= BandHigh)) return Table.FindInterval(f);
  if (f <= Table.GetFrequency(0)) return 0;
  if (f > Table.GetFrequency(Count - 1)) return Count - 2;
  if (!Started || f < Last) {
    // The points at or below f form a prefix of the table here: bisect for its end.
    int lo = 0;
    int hi = Count;
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (Table.GetFrequency(mid) <= f) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    Next = lo;
  } else {
    while (Next < Count && Table.GetFrequency(Next) <= f) ++Next;
  }
  Started = true;
  Last = f;
  return std::min(Count - 2, Next - 1);
}

TCalRange::TTermInterpolator::TTermInterpolator(const TCalRange& table, int a, int b)
    : Table(table), PortA(a), PortB(b), Cursor(table) {}

void TCalRange::TTermInterpolator::At(double f, TComplex& A, TComplex& B, TComplex& C, TComplex& D) {
  if (Table.GetCount() < 2) {
    Table.InterpolateTermsOn(0, PortA, PortB, f, A, B, C, D);
    return;
  }
  const int i = Cursor.Find(f);
  if (i != Interval) {
    const TCalPoint* p0 = Table.GetPoint(i);
    const TCalPoint* p1 = Table.GetPoint(i + 1);
    Flat = NearlyEqual(p1->Frequency, p0->Frequency);
    Start = p0->Frequency;
    Width = p1->Frequency - p0->Frequency;
    // The next interval starts where the last one ended: its lower ends are at hand.
    auto ends = [&](const TCalPoint* p, TPolarStep::TEnd (&e)[4]) {
      if (PortA >= 0) {
        e[0] = TPolarStep::TEnd(p->A[PortA]);
        e[1] = TPolarStep::TEnd(p->B[PortA]);
        e[2] = TPolarStep::TEnd(p->C[PortA]);
      }
      if (PortB >= 0) e[3] = TPolarStep::TEnd(p->D[PortB]);
    };
    if (i == Interval + 1 && Interval >= 0) {
      for (int k = 0; k < 4; ++k) Ends[0][k] = Ends[1][k];
    } else {
      ends(p0, Ends[0]);
    }
    ends(p1, Ends[1]);
    Interval = i;
    for (int k = 0; k < 4; ++k) Steps[k] = TPolarStep(Ends[0][k], Ends[1][k]);
  }
  const double t = Flat ? 0.0 : (f - Start) / Width;
  A = B = C = D = TComplex{};
  if (PortA >= 0) {
    A = Steps[0].At(t);
    B = Steps[1].At(t);
    C = Steps[2].At(t);
  }
  if (PortB >= 0) D = Steps[3].At(t);
}

void TCalRange::InterpolateTerms(int a, int b, double f, TComplex& A, TComplex& B, TComplex& C,
                                 TComplex& D) const {
  InterpolateTermsOn(GetCount() >= 2 ? FindInterval(f) : 0, a, b, f, A, B, C, D);
}

void TCalRange::InterpolateTermsOn(int i, int a, int b, double f, TComplex& A, TComplex& B, TComplex& C,
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
