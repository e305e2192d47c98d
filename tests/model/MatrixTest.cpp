// TComplex and the 2 x 2 and n x n complex matrix helpers; results checked against numpy and
// scikit-rf through tests/peer/golden/foundation_matrix.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/Utils.h"

namespace {

constexpr double kPi = std::numbers::pi;

void ExpectComplexNear(const TComplex& a, const TComplex& b, double relTol = 1e-12) {
  const double tol = relTol * std::max({1.0, Abs(a), Abs(b)});
  EXPECT_NEAR(a.Re, b.Re, tol);
  EXPECT_NEAR(a.Im, b.Im, tol);
}

TEST(Complex, Arithmetic) {
  const TComplex a{1, 2};
  const TComplex b{3, -4};
  EXPECT_EQ(a + b, (TComplex{4, -2}));
  EXPECT_EQ(a - b, (TComplex{-2, 6}));
  EXPECT_EQ(a * b, (TComplex{11, 2}));
  ExpectComplexNear(a / b, {-0.2, 0.4});
  ExpectComplexNear((a / b) * b, a);
  EXPECT_EQ(-a, (TComplex{-1, -2}));
  EXPECT_EQ(Conj(a), (TComplex{1, -2}));
  EXPECT_EQ(a * 2.0, (TComplex{2, 4}));
  EXPECT_EQ(2.0 * a, (TComplex{2, 4}));
  EXPECT_EQ(b / 2.0, (TComplex{1.5, -2}));
  ExpectComplexNear(1.0 / TComplex{0, 2}, {0, -0.5});
  EXPECT_EQ(Abs(b), 5.0);
  EXPECT_DOUBLE_EQ(Arg({0, 1}), kPi / 2);
  EXPECT_DOUBLE_EQ(Arg({-1, 0}), kPi);
  EXPECT_DOUBLE_EQ(Arg({-1, -0.0}), -kPi);
  ExpectComplexNear(Polar(2, kPi / 2), {0, 2});
  ExpectComplexNear(Polar(Abs(b), Arg(b)), b);
}

TEST(Complex, QuotientByExactZeroIsNaNInBothParts) {
  for (const TComplex& z : {TComplex{1, 1}, TComplex{0, 0}, TComplex{-3, 0}}) {
    const TComplex q = z / TComplex{0, 0};
    EXPECT_TRUE(std::isnan(q.Re) && std::isnan(q.Im));
    const TComplex s = z / 0.0;
    EXPECT_TRUE(std::isnan(s.Re) && std::isnan(s.Im));
    const TComplex n = z / TComplex{-0.0, -0.0};
    EXPECT_TRUE(std::isnan(n.Re) && std::isnan(n.Im));
  }
  // A tiny divisor is no zero.
  const TComplex q = TComplex{1, 0} / TComplex{1e-200, 0};
  EXPECT_DOUBLE_EQ(q.Re, 1e200);
  EXPECT_EQ(q.Im, 0.0);
}

TEST(Complex, ExtremeMagnitudesNeitherOverflowNorUnderflow) {
  ExpectComplexNear(TComplex{1e300, 1e300} / TComplex{1e300, 1e300}, {1, 0});
  ExpectComplexNear(TComplex{1e-300, 1e-300} / TComplex{1e-300, -1e-300}, {0, 1});
  EXPECT_DOUBLE_EQ(Abs({3e300, 4e300}), 5e300);
  EXPECT_DOUBLE_EQ(Abs({3e-300, 4e-300}), 5e-300);
  EXPECT_EQ(sizeof(TComplex), 16u);
}

TEST(Matrix, TwoByTwoProductsAndInverse) {
  const TMatrix2x2 a{TComplex{1, 1}, TComplex{2, 0}, TComplex{0, -1}, TComplex{3, 2}};
  const TMatrix2x2 b{TComplex{0, 1}, TComplex{1, 0}, TComplex{2, 2}, TComplex{-1, 1}};
  const TMatrix2x2 ab = MultiplyMatrix2x2(a, b);
  // Element by element from the definition.
  ExpectComplexNear(ab[0], a[0] * b[0] + a[1] * b[2]);
  ExpectComplexNear(ab[1], a[0] * b[1] + a[1] * b[3]);
  ExpectComplexNear(ab[2], a[2] * b[0] + a[3] * b[2]);
  ExpectComplexNear(ab[3], a[2] * b[1] + a[3] * b[3]);
  const TMatrix2x2 d = SubtractMatrix2x2(a, b);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d[i], a[i] - b[i]);
  const TMatrix2x2 identity = MultiplyMatrix2x2(a, InvertMatrix2x2(a));
  ExpectComplexNear(identity[0], {1, 0});
  ExpectComplexNear(identity[1], {0, 0});
  ExpectComplexNear(identity[2], {0, 0});
  ExpectComplexNear(identity[3], {1, 0});
}

TEST(Matrix, NearSingularInverseStaysFinite) {
  // Determinant 1e-13: within 1e-12 of zero, so (1e-9, 0) stands in for it.
  const TMatrix2x2 a{TComplex{1, 0}, TComplex{2, 0}, TComplex{2, 0}, TComplex{4 + 1e-13, 0}};
  const TMatrix2x2 inv = InvertMatrix2x2(a);
  for (const TComplex& z : inv) EXPECT_TRUE(std::isfinite(z.Re) && std::isfinite(z.Im));
  ExpectComplexNear(inv[0], a[3] * 1e9, 1e-9);
  ExpectComplexNear(inv[1], -a[1] * 1e9, 1e-9);
  ExpectComplexNear(inv[2], -a[2] * 1e9, 1e-9);
  ExpectComplexNear(inv[3], a[0] * 1e9, 1e-9);
  const TMatrix2x2 zero{};
  for (const TComplex& z : InvertMatrix2x2(zero)) EXPECT_EQ(z, (TComplex{0, 0}));
}

TEST(Matrix, SAndTParametersConvertBothWays) {
  std::mt19937 rng(1);
  std::normal_distribution<double> n(0, 0.5);
  for (int k = 0; k < 100; ++k) {
    TMatrix2x2 s;
    for (TComplex& z : s) z = {n(rng), n(rng)};
    if (Abs(s[2]) < 0.05) continue;
    const TMatrix2x2 back = TParamsToSParams(SParamsToTParams(s));
    for (int i = 0; i < 4; ++i) ExpectComplexNear(back[i], s[i], 1e-10);
  }
  // A matched thru has the identity as transfer matrix.
  const TMatrix2x2 thru{TComplex{0, 0}, TComplex{1, 0}, TComplex{1, 0}, TComplex{0, 0}};
  const TMatrix2x2 t = SParamsToTParams(thru);
  EXPECT_EQ(t[0], (TComplex{1, 0}));
  EXPECT_EQ(t[1], (TComplex{0, 0}));
  EXPECT_EQ(t[2], (TComplex{0, 0}));
  EXPECT_EQ(t[3], (TComplex{1, 0}));
  // No transmission: (1e-9, 0) stands in for S21, the result stays finite.
  const TMatrix2x2 open{TComplex{1, 0}, TComplex{0, 0}, TComplex{0, 0}, TComplex{1, 0}};
  const TMatrix2x2 to = SParamsToTParams(open);
  ExpectComplexNear(to[0], {1e9, 0});
  ExpectComplexNear(to[3], {-1e9, 0});
  const TMatrix2x2 so = TParamsToSParams(TMatrix2x2{});
  ExpectComplexNear(so[2], {1e9, 0});
}

TEST(Matrix, AllocatesZeroedMatricesAndMinors) {
  TComplexMatrix m = AllocComplexMatrix(3, 4);
  ASSERT_EQ(m.Rows(), 3u);
  ASSERT_EQ(m.Columns(), 4u);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(m[i][j], (TComplex{0, 0}));
  FreeComplexMatrix(m);
  EXPECT_TRUE(m.Empty());
  EXPECT_THROW(AllocComplexMatrix(-1, 2), EAbort);

  TComplexMatrix src = AllocComplexMatrix(3, 3);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) src[i][j] = {static_cast<double>(10 * i + j), 0};
  TComplexMatrix dst;
  EXPECT_TRUE(CopyComplexMinor(src, dst, 1, 0, 3));
  ASSERT_EQ(dst.Rows(), 2u);
  EXPECT_EQ(dst[0][0].Re, 1);
  EXPECT_EQ(dst[0][1].Re, 2);
  EXPECT_EQ(dst[1][0].Re, 21);
  EXPECT_EQ(dst[1][1].Re, 22);
  EXPECT_THROW(CopyComplexMinor(src, dst, 3, 0, 3), EAbort);
  EXPECT_THROW(CopyComplexMinor(src, dst, 0, 0, 4), EAbort);
  EXPECT_THROW(ComplexMatrixDeterminant(src, 4), EAbort);
}

TEST(Matrix, DeterminantInverseTransposeProduct) {
  // Triangular: the determinant is the product of the diagonal.
  TComplexMatrix t = AllocComplexMatrix(3, 3);
  t[0][0] = {2, 0};
  t[0][1] = {5, 5};
  t[0][2] = {-1, 7};
  t[1][1] = {0, 3};
  t[1][2] = {4, 4};
  t[2][2] = {1, -1};
  ExpectComplexNear(ComplexMatrixDeterminant(t, 3), TComplex{2, 0} * TComplex{0, 3} * TComplex{1, -1});
  TComplexMatrix inv;
  InvertComplexMatrix(t, 3, inv);
  TComplexMatrix product;
  MultiplyComplexMatrices(t, 3, 3, inv, 3, product);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) ExpectComplexNear(product[i][j], {i == j ? 1.0 : 0.0, 0});
  // In place.
  TComplexMatrix same = t;
  InvertComplexMatrix(same, 3, same);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(same[i][j], inv[i][j]);

  TComplexMatrix h;
  TComplexMatrix a = AllocComplexMatrix(2, 3);
  a[0][2] = {1, 2};
  a[1][0] = {-3, 4};
  TransposeComplexMatrix(a, 2, 3, h);
  ASSERT_EQ(h.Rows(), 3u);
  ASSERT_EQ(h.Columns(), 2u);
  EXPECT_EQ(h[2][0], (TComplex{1, -2}));
  EXPECT_EQ(h[0][1], (TComplex{-3, -4}));
  EXPECT_EQ(h[1][1], (TComplex{0, 0}));

  // Singular: no test, NaN elements.
  TComplexMatrix s = AllocComplexMatrix(2, 2);
  s[0][0] = {1, 0};
  s[0][1] = {2, 0};
  s[1][0] = {2, 0};
  s[1][1] = {4, 0};
  EXPECT_EQ(ComplexMatrixDeterminant(s, 2), (TComplex{0, 0}));
  TComplexMatrix sinv;
  InvertComplexMatrix(s, 2, sinv);
  EXPECT_TRUE(std::isnan(sinv[0][0].Re) && std::isnan(sinv[0][0].Im));
}

// ---------------------------------------------------------------------------------------------
// Against numpy and scikit-rf.

std::vector<TComplex> ReadComplex(std::istringstream& in, size_t count) {
  std::vector<TComplex> out(count);
  for (TComplex& z : out) {
    std::string Re;
    std::string Im;
    in >> Re >> Im;
    z = {StrToFloatAnySeparator(Re), StrToFloatAnySeparator(Im)};
  }
  return out;
}

TComplexMatrix ToMatrix(const std::vector<TComplex>& v, int rows, int cols) {
  TComplexMatrix m = AllocComplexMatrix(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) m[i][j] = v[static_cast<size_t>(i * cols + j)];
  return m;
}

TMatrix2x2 To2x2(const std::vector<TComplex>& v, size_t first) {
  return {v[first], v[first + 1], v[first + 2], v[first + 3]};
}

TEST(Matrix, MatchesNumpyAndScikitRf) {
  std::ifstream file(std::string(TERVAN_SOURCE_DIR) + "/tests/peer/golden/foundation_matrix.txt");
  ASSERT_TRUE(file) << "golden file missing";
  std::string line;
  int cascades = 0;
  int dets = 0;
  int invs = 0;
  int muls = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream in(line);
    std::string kind;
    in >> kind;
    SCOPED_TRACE(line.substr(0, 40));
    if (kind == "cascade") {
      const std::vector<TComplex> v = ReadComplex(in, 12);
      // Cascading is the product of the transfer matrices.
      const TMatrix2x2 c = TParamsToSParams(
          MultiplyMatrix2x2(SParamsToTParams(To2x2(v, 0)), SParamsToTParams(To2x2(v, 4))));
      for (int i = 0; i < 4; ++i) ExpectComplexNear(c[i], v[8 + i], 1e-11);
      ++cascades;
    } else if (kind == "det") {
      int n = 0;
      in >> n;
      const std::vector<TComplex> v = ReadComplex(in, static_cast<size_t>(n * n + 1));
      ExpectComplexNear(ComplexMatrixDeterminant(ToMatrix(v, n, n), n), v.back(), 1e-12);
      ++dets;
    } else if (kind == "inv") {
      int n = 0;
      in >> n;
      const std::vector<TComplex> v = ReadComplex(in, static_cast<size_t>(2 * n * n));
      TComplexMatrix out;
      InvertComplexMatrix(ToMatrix(v, n, n), n, out);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) ExpectComplexNear(out[i][j], v[static_cast<size_t>(n * n + i * n + j)], 1e-11);
      ++invs;
    } else if (kind == "mul") {
      int m = 0;
      int n = 0;
      int p = 0;
      in >> m >> n >> p;
      const std::vector<TComplex> v = ReadComplex(in, static_cast<size_t>(m * n + n * p + m * p));
      const std::vector<TComplex> av(v.begin(), v.begin() + m * n);
      const std::vector<TComplex> bv(v.begin() + m * n, v.begin() + m * n + n * p);
      TComplexMatrix c;
      MultiplyComplexMatrices(ToMatrix(av, m, n), m, n, ToMatrix(bv, n, p), p, c);
      for (int i = 0; i < m; ++i)
        for (int k = 0; k < p; ++k) ExpectComplexNear(c[i][k], v[static_cast<size_t>(m * n + n * p + i * p + k)]);
      ++muls;
    } else {
      ADD_FAILURE() << "unknown line " << kind;
    }
  }
  EXPECT_EQ(cascades, 6);
  EXPECT_EQ(dets, 6);
  EXPECT_EQ(invs, 5);
  EXPECT_EQ(muls, 4);
}

}  // namespace
