#include "calibration/SystemCorrection.h"

#include "calibration/Quotient.h"
#include <bit>
#include <cstdint>

#include "model/CalRange.h"
#include "model/Range.h"

namespace {

// Magnitudes are compared squared: |z| > 1e-18 is |z|^2 > 1e-36.
constexpr double kThresholdSquared = TSystemCorrection::kThreshold * TSystemCorrection::kThreshold;

double Norm(const TComplex& z) { return z.Re * z.Re + z.Im * z.Im; }

// Frequencies are compared bit for bit: a point at a not-a-number frequency still matches the
// terms made for it.
bool Same(double u, double v) { return std::bit_cast<uint64_t>(u) == std::bit_cast<uint64_t>(v); }

}  // namespace

void TSystemCorrection::Apply(const TCalRange* terms, bool portMatchA, int a, TComplex& x, int b, TComplex& y,
                              double frequencyMHz) {
  if (terms == nullptr || terms->GetCount() == 0) return;
  if (a < 0 && b < 0) return;
  TComplex er;
  TComplex ed;
  TComplex es;
  TComplex et;
  terms->InterpolateTerms(a, b, frequencyMHz, er, ed, es, et);
  ApplyTerms(er, ed, es, et, portMatchA, a, x, b, y);
}

void TSystemCorrection::ApplyTerms(const TComplex& er, const TComplex& ed, const TComplex& es, const TComplex& et,
                                   bool portMatchA, int a, TComplex& x, int b, TComplex& y) {
  // d = (m - Ed) Es + Er with the uncorrected m. The enhanced-response divisor
  // 1 + Es (m - Ed) / Er is d / Er, so one reciprocal of d serves both corrections.
  const TComplex md = x - ed;
  const TComplex d = md * es + er;
  const bool dUsable = Norm(d) > kThresholdSquared;
  const TComplex rd = dUsable ? Quotient(TComplex{1.0, 0.0}, d) : TComplex{};
  if (a >= 0 && dUsable) {
    const TComplex g = md * rd;
    if (Norm(g) > kThresholdSquared) x = g;
  }
  if (b < 0 || !(Norm(et) > kThresholdSquared)) return;
  TComplex t = Quotient(y, et);
  if (portMatchA && a >= 0 && Norm(er) > kThresholdSquared) {
    // A (nearly) zero divisor d / Er leaves the raw value.
    if (!(Norm(d) > kThresholdSquared * Norm(er))) return;
    t = t * er * rd;
  }
  if (Norm(t) > kThresholdSquared) y = t;
}

const TPointTerms* TSystemCorrection::TermsAt(TSystemTerms& kept, const TCalRange& table, const TRange& channel, int i,
                                              int a, int b) {
  const int n = channel.GetCount();
  if (i < 0 || i >= n) return nullptr;
  const bool fits = kept.Serial == table.GetSerial() && kept.Revision == table.GetRevision() &&
                    kept.TableCount == table.GetCount() && kept.PortA == a && kept.PortB == b &&
                    kept.Points.size() == static_cast<size_t>(n) &&
                    Same(kept.Points[static_cast<size_t>(i)].Frequency, channel.GetPointFrequency(i));
  if (!fits) {
    kept.Points.resize(static_cast<size_t>(n));
    TCalRange::TTermInterpolator terms(table, a, b);
    for (int k = 0; k < n; ++k) {
      TPointTerms& p = kept.Points[static_cast<size_t>(k)];
      p.Frequency = channel.GetPointFrequency(k);
      terms.At(p.Frequency, p.Er, p.Ed, p.Es, p.Et);
    }
    kept.Serial = table.GetSerial();
    kept.Revision = table.GetRevision();
    kept.TableCount = table.GetCount();
    kept.PortA = a;
    kept.PortB = b;
  }
  return &kept.Points[static_cast<size_t>(i)];
}
