// Rounding, stepping and the tolerant comparisons of settings values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/Utils.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Rounding, RoundToStepGoesHalfUp) {
  struct Case {
    double step, x, result;
  } cases[] = {
      {0.5, 0.25, 0.5}, {1, -2.5, -2}, {1, 2.5, 3}, {1, -2.4, -2}, {1, -2.6, -3},
      {0.1, 0.26, 0.30000000000000004}, {10, 1234, 1230}, {100, 1350, 1400}, {0.005, 0.175, 0.17500000000000002},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundToStep(c.step, c.x), c.result) << c.step << " " << c.x;
}

TEST(Rounding, RoundSaturatedStaysInRange) {
  struct Case {
    double x;
    int result;
  } cases[] = {
      {2.5, 3},
      {-2.5, -3},
      {1e12, 2147483647},
      {-1e12, -2147483647},  // not -2147483648
      {0.49999999999999994, 0},
      {-0.5, -1},
      {2147483646.5, 2147483647},
      {-2147483648.0, -2147483647},
      {kInf, 2147483647},
      {-kInf, -2147483647},
      {kNaN, 0},  // mend: converting NaN to an integer is undefined
      {0.0, 0},
      {-0.4, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundSaturated(c.x), c.result) << c.x;
}

TEST(Rounding, RoundToSignificantDigits) {
  struct Case {
    int n;
    double x, result;
  } cases[] = {
      {3, 0, 0},          {3, 0.012345, 0.0123}, {2, 1234, 1200},  {3, -98765, -98800},
      {3, 1e-12, 0},      {3, -1e-12, 0},        {1, 2e-12, 2e-12}, {4, 3.14159265, 3.142},
      {3, 999.6, 1000},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(RoundToSignificantDigits(c.n, c.x), c.result) << c.n << " " << c.x;
}

TEST(Rounding, IncrementBySignificantStep) {
  struct Case {
    double x;
    int n;
    double minStep, result;
  } cases[] = {
      {1234, 1, 1, 1300},       // step 100; 1334 rounded to the step
      {0.5, -1, 1, 0},          // |x| <= minStep: step 1; -0.5 rounds up to 0
      {-1234, 1, 1, -1100},     // step 100 from |x|
      {0.05, 1, 0.01, 0.06},    // step 0.001 is below minStep 0.01
      {99, 1, 0.001, 100},      // step 1, the second digit of 99
      {99.5, 1, 0.001, 101},    // 100.5 rounds up to 101
      {100, -1, 0.001, 90},     // step 10
      {2.5, 3, 0.01, 2.8},      // step 0.1
      {0, 1, 0.01, 0.01},
      {0, -2, 0.001, -0.002},
  };
  for (const Case& c : cases) {
    double x = c.x;
    IncrementBySignificantStep(x, c.n, c.minStep);
    EXPECT_NEAR(x, c.result, 1e-12) << c.x << " " << c.n << " " << c.minStep;
  }
}

TEST(Rounding, ComplexZeroAndNearlyEqual) {
  EXPECT_TRUE(IsComplexZero({0, 0}));
  EXPECT_TRUE(IsComplexZero({1e-12, -1e-12}));
  EXPECT_FALSE(IsComplexZero({2e-12, 0}));
  EXPECT_FALSE(IsComplexZero({0, -2e-12}));
  EXPECT_FALSE(IsComplexZero({kNaN, 0}));

  struct Case {
    double a, b;
    bool equal;
  } cases[] = {
      {1, 1 + 1e-13, true},    {0, 1e-12, true},          {0, 2e-12, false},
      {1e6, 1e6 + 1e-7, true},  // relative: 1e6 * 1e-12 = 1e-6
      {1e6, 1e6 + 1e-5, false}, {-5, -5, true},           {1, -1, false},
      {kNaN, kNaN, false},      {kInf, kInf, false},       {1e-300, -1e-300, true},
  };
  for (const Case& c : cases) EXPECT_EQ(NearlyEqual(c.a, c.b), c.equal) << c.a << " " << c.b;
  EXPECT_TRUE(NearlyEqual(1, 1.05, 0.1));
  EXPECT_FALSE(NearlyEqual(1, 1.2, 0.1));
  EXPECT_TRUE(NearlyZero(-1e-12));
  EXPECT_FALSE(NearlyZero(1.1e-12));
  EXPECT_FALSE(NearlyZero(kNaN));
}

TEST(Rounding, ClampToRange) {
  EXPECT_EQ(ClampToRange(5.0, 0.0, 3.0), 3.0);
  EXPECT_EQ(ClampToRange(-1.0, 0.0, 3.0), 0.0);
  EXPECT_EQ(ClampToRange(2.0, 0.0, 3.0), 2.0);
  EXPECT_EQ(ClampToRange(5000, -1000, 1000), 1000);
  EXPECT_EQ(ClampToRange(0, 1, 1000), 1);
  EXPECT_EQ(ClampToRange(7, 5, 1), 5);  // an empty range gives its lower bound
  EXPECT_TRUE(std::isnan(ClampToRange(kNaN, 0.0, 1.0)));
  EXPECT_EQ(Sqr(-3.0), 9.0);
}

}  // namespace
