// TRange: reference impedance conversion and fixture de-embedding and embedding of measured
// points, the fixture network files and the fixture tables at the channel's points.
//
// A point is handled as a two-port S-matrix, row-major [S11, S12, S21, S22], whose first column
// holds the channel's data (S11 = port 0, S21 = port 1); S12 and S22, which a one-port
// instrument does not measure, are placeholders of (1e-9, 0). Only S11 and S21 are stored back.
#include <cmath>

#include "model/EAbort.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"

namespace {

constexpr TComplex kPlaceholder{1e-9, 0.0};
constexpr TComplex kOne{1.0, 0.0};

// The divisor guard of the shared matrix operations: a near-zero determinant, S21 or T11
// becomes (1e-9, 0), so every result stays finite.
inline TComplex SafeDivisor(const TComplex& d) {
  return std::fabs(d.Re) <= 1e-12 && std::fabs(d.Im) <= 1e-12 ? kPlaceholder : d;
}

// 1 / d for a divisor that passed SafeDivisor: through the reciprocal of |d|^2, one real
// division instead of two; a divisor too large for its square goes through the shared division.
inline TComplex Reciprocal(const TComplex& d) {
  const double n = d.Re * d.Re + d.Im * d.Im;
  if (!(n < 1e300)) return 1.0 / d;
  const double k = 1.0 / n;
  return {d.Re * k, -d.Im * k};
}

// The per-point steps run once per point of every sweep (up to 16001 points): they follow the
// matrix formulas element by element, skip the products with the exact zeros of diagonal and
// identity matrices, and compute only the elements that the stored S11 and S21 need.

// A channel point to transfer parameters, [T11, T12, T21, T22] (as SParamsToTParams, with one
// division by S21 instead of four), S12 and S22 being the real placeholder.
inline TMatrix2x2 PointToT(const TComplex& s11, const TComplex& s21) {
  const double e = kPlaceholder.Re;
  const TComplex r = Reciprocal(SafeDivisor(s21));
  return {r, -(r * e), s11 * r, TComplex{e, 0.0} - s11 * r * e};
}

}  // namespace

// ---- Networks and tables ------------------------------------------------------------------------

void TRange::LoadFixtureFile(int p, const std::string& fileName, TFixtParam* networks, bool* enabled,
                             std::string* files, std::unique_ptr<TFixtRange>* tables) {
  tables[p].reset();
  const bool had = networks[p].HoldsData();
  const bool wasOn = enabled[p];
  // A file refused outright (no regular file, far too large) changes nothing and is reported.
  TFixtParam loaded;
  loaded.LoadTwoPort(fileName);
  if (!loaded.LoadError.empty()) throw EAbort(loaded.LoadError);
  networks[p] = std::move(loaded);
  const bool has = networks[p].HoldsData();
  if (!had && !has) return;
  if (has) {
    files[p] = fileName;
  } else {
    enabled[p] = false;
    files[p].clear();
  }
  // A switch that was on must also be rebuilt when the load turned it off, so the correction
  // stops being reported as active.
  if (enabled[p] || wasOn) {
    CorrectionChanged(true);
  } else {
    Fire(OnSettingsChange);
  }
}

void TRange::LoadDeembeddingFile(int p, const std::string& fileName) {
  LoadFixtureFile(p, fileName, DeembNetwork, DeembEnabled, DeembFile, DeembTable);
}

void TRange::LoadEmbeddingFile(int p, const std::string& fileName) {
  LoadFixtureFile(p, fileName, EmbNetwork, EmbEnabled, EmbFile, EmbTable);
}

TFixtRange* TRange::FixtureTable(int p, TFixtParam* networks, std::unique_ptr<TFixtRange>* tables) {
  std::unique_ptr<TFixtRange>& table = tables[p];
  // A table belongs to the point list it was built for.
  if (table && table->GetCount() != GetCount()) table.reset();
  if (!table && networks[p].HoldsData()) {
    table = std::make_unique<TFixtRange>(nullptr, *this);
    table->Fill(networks[p]);
  }
  return table.get();
}

TFixtRange* TRange::GetDeembeddingTable(int p) {
  TFixtRange* table = FixtureTable(p, DeembNetwork, DeembTable);
  if (table && !table->HasInverseTransfer()) table->PrepareInverseTransfer();
  return table;
}

TFixtRange* TRange::GetEmbeddingTable(int p) { return FixtureTable(p, EmbNetwork, EmbTable); }

void TRange::DeleteFixtureTables() {
  for (int p = 0; p < 2; ++p) {
    DeembTable[p].reset();
    EmbTable[p].reset();
  }
}

// ---- Per-point corrections ----------------------------------------------------------------------

void TRange::ApplyZConversion(int i) {
  if (i < 0 || i >= GetCount()) return;
  TFPoint& point = *GetPoint(i);
  // The reference impedance is read at every point; the factors follow it.
  const double z0 = ReferenceImpedanceOhm();
  TZConversionFactors& k = zConversion_;
  if (k.z0 != z0 || k.z1 != ZConvValue[0] || k.z2 != ZConvValue[1]) {
    const double z1 = ZConvValue[0];
    const double z2 = ZConvValue[1];
    // R = diag(G1, G2), Q = diag(Q1, Q2): Gk = (Zk - Z0) / (Zk + Z0), Qk = 2 sqrt(Z0 Zk) / (Z0 + Zk).
    const double q1 = 2 * std::sqrt(z0 * z1) / (z0 + z1);
    const double q2 = 2 * std::sqrt(z0 * z2) / (z0 + z2);
    // Q^-1 = diag(Q2, Q1) / (Q1 Q2); S' = Q^-1 M3 Q scales the first column of M3 by these.
    const double inverse = 1.0 / (q1 * q2);
    k = TZConversionFactors{z0, z1, z2, (z1 - z0) / (z1 + z0), (z2 - z0) / (z2 + z0), q2 * inverse * q1,
                            q1 * inverse * q1};
  }
  // S = [S11, S12; S21, S22] with the real placeholder e in S12 and S22.
  const TComplex s11 = point.Data[0];
  const TComplex s21 = point.Data[1];
  const double e = kPlaceholder.Re;
  // S' = Q^-1 (S - R) (I - R S)^-1 Q:
  // M2 = I - R S = [1 - G1 S11, -G1 e; -G2 S21, 1 - G2 e];
  const TComplex m2a = kOne - s11 * k.g1;
  const double m2b = -(e * k.g1);
  const TComplex m2c = -(s21 * k.g2);
  const double m2d = 1.0 - e * k.g2;
  // M1 = M2^-1, first column (all that S'11 and S'21 need);
  const TComplex inverseDet = Reciprocal(SafeDivisor(m2a * m2d - m2c * m2b));
  const TComplex m1a = inverseDet * m2d;
  const TComplex m1c = -(m2c * inverseDet);
  // M3 = (S - R) M1, first column; then the scaling by Q^-1 and Q.
  point.Data[0] = ((s11 - TComplex{k.g1, 0.0}) * m1a + m1c * e) * k.scale11;
  point.Data[1] = (s21 * m1a + m1c * (e - k.g2)) * k.scale21;
}

void TRange::ApplyDeembedding(int i) {
  if (i < 0 || i >= GetCount()) return;
  TFPoint& point = *GetPoint(i);
  // The port-0 network is removed on the left of the cascade, the port-1 network on the right:
  // T' = (A T) B with A, B the inverse transfer matrices of the networks (identity without).
  const TFixtRange* port0 = DeembEnabled[0] ? GetDeembeddingTable(0) : nullptr;
  const TFixtRange* port1 = DeembEnabled[1] ? GetDeembeddingTable(1) : nullptr;
  TMatrix2x2 at = PointToT(point.Data[0], point.Data[1]);
  if (port0) {
    const TMatrix2x2& a = port0->GetInverseTransfer(i);
    const TComplex c0 = a[0] * at[0] + a[1] * at[2];
    const TComplex c2 = a[2] * at[0] + a[3] * at[2];
    // The second column only matters when the port-1 network follows.
    if (port1) {
      at = {c0, a[0] * at[1] + a[1] * at[3], c2, a[2] * at[1] + a[3] * at[3]};
    } else {
      at[0] = c0;
      at[2] = c2;
    }
  }
  // S'11 = T'21 / T'11 and S'21 = 1 / T'11 need only the first column of T'.
  TComplex t11 = at[0];
  TComplex t21 = at[2];
  if (port1) {
    const TMatrix2x2& b = port1->GetInverseTransfer(i);
    t11 = at[0] * b[0] + at[1] * b[2];
    t21 = at[2] * b[0] + at[3] * b[2];
  }
  // Back to S-parameters (as TParamsToSParams).
  const TComplex r = Reciprocal(SafeDivisor(t11));
  point.Data[0] = t21 * r;
  point.Data[1] = r;
}

void TRange::ApplyEmbedding(int i) {
  if (i < 0 || i >= GetCount()) return;
  TFPoint& point = *GetPoint(i);
  // A port without a network is a perfect through.
  TSParams a{TComplex{}, TComplex{1.0, 0.0}, TComplex{1.0, 0.0}, TComplex{}};
  TSParams b = a;
  if (EmbEnabled[0]) {
    if (const TFixtRange* table = GetEmbeddingTable(0)) {
      const TFixtPoint& f = *table->GetPoint(i);
      a = TSParams{f.S11, f.S21, f.S12, f.S22};
    }
  }
  if (EmbEnabled[1]) {
    if (const TFixtRange* table = GetEmbeddingTable(1)) {
      const TFixtPoint& f = *table->GetPoint(i);
      b = TSParams{f.S11, f.S21, f.S12, f.S22};
    }
  }
  // The cascade port-0 network, device, port-1 network (b's port 1 faces the device).
  const TComplex d11 = point.Data[0];
  const TComplex d21 = point.Data[1];
  const TComplex d12 = kPlaceholder;
  const TComplex d22 = kPlaceholder;
  const TComplex delta = d11 * d22 - d12 * d21;
  const TComplex det = TComplex{1.0, 0.0} - d11 * a.S22 - d22 * b.S11 + delta * a.S22 * b.S11;
  // One reciprocal serves both quotients.
  const TComplex r = Reciprocal(SafeDivisor(det));
  point.Data[0] = a.S11 + a.S12 * a.S21 * (d11 - delta * b.S11) * r;
  point.Data[1] = a.S21 * d21 * b.S21 * r;
}
