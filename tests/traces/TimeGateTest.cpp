// The time gate's response: kernel length and beta per shape, unit gain at the centre, the
// fraction of samples it passes, and the degenerate gates that stay zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>

#include "model/Complex.h"
#include "traces/TimeGate.h"

namespace {

// The response at signed index k (negative indices wrap round the end).
double Gain(const TTimeGate& gate, long long k) {
  const long long m = static_cast<long long>(gate.GetLength());
  return Abs(gate.GetResponse(static_cast<std::size_t>((k % m + m) % m)));
}

bool AllZero(const TTimeGate& gate) {
  for (const TComplex& g : gate.GetResponses()) {
    if (!(g == TComplex{})) {
      return false;
    }
  }
  return true;
}

TEST(TimeGate, NormalShapeOf400HasThreeHundredTapsAndUnitCentre) {
  TTimeGate gate;
  gate.Build(400, 1, 0.25);
  ASSERT_EQ(gate.GetLength(), 400u);
  EXPECT_EQ(gate.GetShape(), 1);
  EXPECT_EQ(gate.GetSpan(), 0.25);
  EXPECT_EQ(gate.GetWindow().GetLength(), 300u);
  EXPECT_EQ(gate.GetWindow().GetBeta(), 6.53);
  EXPECT_NEAR(Abs(gate.GetResponse(0)), 1.0, 1e-15);
}

// A width of 0.25 passes the quarter of the 400 samples round index 0 (-50 .. 50), with edges
// a few samples wide.
TEST(TimeGate, PassesTheFractionSpanAroundIndexZero) {
  TTimeGate gate;
  gate.Build(400, 1, 0.25);
  for (long long k = -40; k <= 40; ++k) {
    EXPECT_NEAR(Gain(gate, k), 1.0, 1e-3) << k;
  }
  for (long long k = 60; k <= 200; ++k) {
    EXPECT_LT(Gain(gate, k), 1e-3) << k;
    EXPECT_LT(Gain(gate, -k), 1e-3) << -k;
  }
  int passed = 0;
  for (long long k = 0; k < 400; ++k) {
    passed += Gain(gate, k) > 0.5 ? 1 : 0;
  }
  EXPECT_NEAR(passed, 100, 2);
}

TEST(TimeGate, ShapesSetTapsAndBeta) {
  struct Case {
    std::size_t M;
    int shape;
    std::size_t taps;
    double beta;
  } cases[] = {
      {400, 0, 400, 4.3},  {400, 1, 300, 6.53}, {400, 2, 150, 5.32}, {400, 3, 74, 6.75},
      {401, 0, 400, 4.3},  {401, 1, 300, 6.53}, {402, 2, 150, 5.32}, {3202, 3, 600, 6.75},
  };
  for (const Case& c : cases) {
    TTimeGate gate;
    gate.Build(c.M, c.shape, 0.1);
    EXPECT_EQ(gate.GetWindow().GetLength(), c.taps) << c.M << " shape " << c.shape;
    EXPECT_EQ(gate.GetWindow().GetBeta(), c.beta) << c.M << " shape " << c.shape;
    EXPECT_NEAR(Abs(gate.GetResponse(0)), 1.0, 1e-14) << c.M << " shape " << c.shape;
  }
}

// Shape 3 of 10 samples: 1.875 taps, made even: none. The response stays zero, unnormalised.
TEST(TimeGate, NoTapsLeaveTheResponseZero) {
  TTimeGate gate;
  gate.Build(10, 3, 0.5);
  ASSERT_EQ(gate.GetLength(), 10u);
  EXPECT_EQ(gate.GetWindow().GetLength(), 0u);
  EXPECT_TRUE(AllZero(gate));
}

TEST(TimeGate, ZeroOrNonFiniteWidthGivesAZeroGate) {
  for (double span : {0.0, std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity()}) {
    TTimeGate gate;
    gate.Build(64, 1, span);
    ASSERT_EQ(gate.GetLength(), 64u);
    EXPECT_TRUE(AllZero(gate)) << span;
  }
}

// A width of one period passes every sample (the kernel is a single tap).
TEST(TimeGate, FullWidthPassesEverything) {
  TTimeGate gate;
  gate.Build(402, 0, 1.0);
  for (long long k = 0; k < 402; ++k) {
    EXPECT_NEAR(Gain(gate, k), 1.0, 1e-12) << k;
  }
}

TEST(TimeGate, ShapeOutsideTheTableTakesTheNearest) {
  TTimeGate high;
  high.Build(400, 7, 0.25);
  TTimeGate three;
  three.Build(400, 3, 0.25);
  EXPECT_EQ(high.GetShape(), 7);
  EXPECT_EQ(high.GetResponses(), three.GetResponses());
  TTimeGate low;
  low.Build(400, -2, 0.25);
  TTimeGate zero;
  zero.Build(400, 0, 0.25);
  EXPECT_EQ(low.GetResponses(), zero.GetResponses());
}

// Each parameter alone rebuilds the response.
TEST(TimeGate, RebuildsWhenLengthShapeOrWidthChanges) {
  TTimeGate gate;
  gate.Build(400, 1, 0.25);
  gate.Build(400, 1, 0.5);
  EXPECT_NEAR(Gain(gate, 90), 1.0, 1e-3);  // inside the wider pass band
  gate.Build(400, 2, 0.5);
  EXPECT_EQ(gate.GetWindow().GetLength(), 150u);
  gate.Build(800, 2, 0.5);
  EXPECT_EQ(gate.GetLength(), 800u);
  EXPECT_EQ(gate.GetWindow().GetLength(), 300u);
  EXPECT_NEAR(Gain(gate, 180), 1.0, 1e-3);
  EXPECT_LT(Gain(gate, 300), 1e-3);
  gate.Build(10, 3, 0.5);
  EXPECT_TRUE(AllZero(gate));
  gate.Build(0, 1, 0.5);
  EXPECT_EQ(gate.GetLength(), 0u);
}

}  // namespace
