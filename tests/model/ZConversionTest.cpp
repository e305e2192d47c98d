#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "PointPathFakes.h"
#include "model/Range.h"

namespace {

using pathfakes::PathChannel;
using pathfakes::RelativeError;
using C = std::complex<double>;

struct M2 {
  C a, b, c, d;  // row-major
};
M2 Mul(const M2& x, const M2& y) {
  return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d};
}
M2 Inv(const M2& x) {
  const C k = 1.0 / (x.a * x.d - x.b * x.c);
  return {x.d * k, -x.b * k, -x.c * k, x.a * k};
}
M2 Add(const M2& x, const M2& y) { return {x.a + y.a, x.b + y.b, x.c + y.c, x.d + y.d}; }
M2 Sub(const M2& x, const M2& y) { return {x.a - y.a, x.b - y.b, x.c - y.c, x.d - y.d}; }
M2 Diag(double p, double q) { return {p, 0, 0, q}; }

// Renormalisation through the impedance matrix, a route independent of the channel's: the
// impedance matrix of S in z0 (both ports), then S' = F (Z - G)(Z + G)^-1 F^-1 with G the new
// references and F = diag(1 / (2 sqrt(Gk))).
M2 Renormalise(const M2& s, double z0, double z1, double z2) {
  const M2 one = Diag(1, 1);
  const double r = std::sqrt(z0);
  const M2 root = Diag(r, r);
  const M2 z = Mul(Mul(root, Mul(Add(one, s), Inv(Sub(one, s)))), root);
  const M2 g = Diag(z1, z2);
  const M2 f = Diag(1 / (2 * std::sqrt(z1)), 1 / (2 * std::sqrt(z2)));
  return Mul(Mul(f, Mul(Sub(z, g), Inv(Add(z, g)))), Inv(f));
}

TComplex T(const C& z) { return {z.real(), z.imag()}; }

PathChannel& Convert(PathChannel& c, double z1, double z2) {
  c.range->ZConvEnabled = true;
  c.range->ZConvValue[0] = z1;
  c.range->ZConvValue[1] = z2;
  c.range->RebuildPoints();
  return c;
}

TEST(ZConversion, MatchedLoadIn75OhmReflectsMinusPointTwo) {
  PathChannel c;
  Convert(c, 75, 75);
  ASSERT_EQ(c.range->ZConvActive, 1);
  c.Put(2, TComplex{0, 0}, TComplex{0, 0});
  c.range->ProcessPoint(2);
  EXPECT_NEAR(c.Data(0, 2).Re, -0.2, 1e-15);
  EXPECT_NEAR(c.Data(0, 2).Im, 0, 1e-15);
}

TEST(ZConversion, ReferenceImpedanceLeavesTheDataAndIsNotActivated) {
  PathChannel c;
  Convert(c, 50, 50);
  EXPECT_EQ(c.range->ZConvActive, 0);
  c.Put(1, TComplex{0.3, -0.4}, TComplex{0.6, 0.2});
  c.range->ApplyZConversion(1);
  EXPECT_EQ(c.Data(0, 1), (TComplex{0.3, -0.4}));
  EXPECT_EQ(c.Data(1, 1), (TComplex{0.6, 0.2}));
}

TEST(ZConversion, ReferenceImpedanceIsReadAtEveryPoint) {
  PathChannel c;
  Convert(c, 75, 75);
  c.kits.z0 = 75;  // the kit changes; no rebuild
  c.Put(0, TComplex{0.3, -0.4}, TComplex{0.6, 0.2});
  c.range->ProcessPoint(0);
  EXPECT_LT(RelativeError(c.Data(0, 0), TComplex{0.3, -0.4}), 1e-15);
  c.kits.z0 = 50;
  c.Put(0, TComplex{0, 0}, TComplex{0, 0});
  c.range->ProcessPoint(0);
  EXPECT_NEAR(c.Data(0, 0).Re, -0.2, 1e-15);
}

TEST(ZConversion, AgreesWithRenormalisationThroughImpedances) {
  std::mt19937 random(99);
  std::uniform_real_distribution<double> part(-0.6, 0.6);
  std::uniform_real_distribution<double> ohm(10, 200);
  PathChannel c;
  for (int trial = 0; trial < 200; ++trial) {
    const double z0 = 25 + trial % 4 * 25;
    const double z1 = ohm(random);
    const double z2 = ohm(random);
    c.kits.z0 = z0;
    c.range->ZConvValue[0] = z1;
    c.range->ZConvValue[1] = z2;
    const C s11{part(random), part(random)};
    const C s21{part(random), part(random)};
    c.Put(3, T(s11), T(s21));
    c.range->ApplyZConversion(3);
    const M2 want = Renormalise({s11, 1e-9, s21, 1e-9}, z0, z1, z2);
    ASSERT_LT(RelativeError(c.Data(0, 3), T(want.a)), 1e-12) << trial;
    ASSERT_LT(RelativeError(c.Data(1, 3), T(want.c)), 1e-12) << trial;
  }
}

}  // namespace
