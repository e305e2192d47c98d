#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "ChannelFakes.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"
#include "model/Range.h"

namespace {

// A term whose magnitude and phase both run linearly with frequency: polar interpolation and
// extrapolation reproduce it exactly (up to rounding) between and beyond table points. Each of
// the eight slots (term A ... D, port 0, 1) gets its own line, so a mixed-up slot shows.
TComplex Term(int slot, double f) {
  const double magnitude = 0.2 + 0.1 * slot + 0.0004 * (slot + 1) * f;
  const double phase = 0.3 * slot - 0.002 * (slot + 1) * f;
  return Polar(magnitude, phase);
}

enum { kA = 0, kB = 1, kC = 2, kD = 3 };
int Slot(int term, int port) { return term * 2 + port; }

void Fill(TCalRange& t) {
  for (int i = 0; i < t.GetCount(); ++i) {
    const double f = t.GetFrequency(i);
    for (int p = 0; p < 2; ++p) {
      t.SetErrorTermA(p, i, Term(Slot(kA, p), f));
      t.SetErrorTermB(p, i, Term(Slot(kB, p), f));
      t.SetErrorTermC(p, i, Term(Slot(kC, p), f));
      t.SetErrorTermD(p, i, Term(Slot(kD, p), f));
    }
  }
}

void ExpectNear(const TComplex& got, const TComplex& want, double tolerance, const char* what) {
  EXPECT_NEAR(got.Re, want.Re, tolerance) << what;
  EXPECT_NEAR(got.Im, want.Im, tolerance) << what;
}

TEST(CalRange, MethodNames) {
  const std::vector<std::pair<int, const char*>> cases = {{0, ""},   {1, "RT"}, {2, "RO"}, {3, "RS"}, {4, "F1"},
                                                          {5, "OP"}, {6, ""},   {7, ""},   {-1, ""}};
  for (const auto& [code, name] : cases) {
    TCalRange t(code, 5 - code, std::vector<double>{100, 200});
    EXPECT_EQ(t.GetMethodName(0), name) << code;
    EXPECT_EQ(t.GetMethodCode(0), code);
    EXPECT_EQ(t.GetMethodCode(1), 5 - code);
  }
}

TEST(CalRange, ConstructorsMakeZeroedPointsAtTheGivenFrequencies) {
  fakes::ChannelServices services;
  TRange channel(nullptr);
  channel.SetStopFrequency(500);
  channel.SetStartFrequency(100);
  channel.SetPointCount(5);
  TCalRange fromChannel(1, 4, channel);
  EXPECT_EQ(fromChannel.GetOwner(), nullptr);
  ASSERT_EQ(fromChannel.GetCount(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(fromChannel.GetFrequency(i), 100 + 100 * i);
    for (int p = 0; p < 2; ++p) {
      EXPECT_EQ(fromChannel.GetErrorTermA(p, i), TComplex{});
      EXPECT_EQ(fromChannel.GetErrorTermD(p, i), TComplex{});
    }
  }
  // Vector order is kept, not sorted.
  std::unique_ptr<TCalRange> fromVector(TCalRange::CreateFromFrequencies(2, 3, {300, 100, 200}));
  ASSERT_EQ(fromVector->GetCount(), 3);
  EXPECT_EQ(fromVector->GetFrequency(0), 300);
  EXPECT_EQ(fromVector->GetFrequency(2), 200);
  EXPECT_EQ(fromVector->GetMethodName(0), "RO");
  EXPECT_EQ(fromVector->GetMethodName(1), "RS");
}

TEST(CalRange, FindIntervalCases) {
  struct Case {
    std::vector<double> table;
    double f;
    int interval;
  };
  const std::vector<double> five = {100, 200, 300, 400, 500};
  const std::vector<Case> cases = {
      {five, 50, 0},   {five, 100, 0},   {five, 150, 0},  {five, 200, 1},  {five, 250, 1},
      {five, 300, 2},  {five, 499, 3},   {five, 500, 3},  {five, 600, 3},  {five, -1e300, 0},
      {{100, 200}, 150, 0},
      {{100, 200, 200, 300}, 200, 2},  // equal neighbours: the upper of the two starts it
      {{100, 100, 200}, 100, 0},
      // Tables without an interval never give a negative index.
      {{100}, 50, 0},  {{100}, 150, 0}, {{}, 150, 0},
  };
  for (const Case& c : cases) {
    TCalRange t(0, 0, c.table);
    EXPECT_EQ(t.FindInterval(c.f), c.interval) << "f=" << c.f << " n=" << c.table.size();
  }
  TCalRange t(0, 0, five);
  const int nan = t.FindInterval(std::nan(""));
  EXPECT_GE(nan, 0);
  EXPECT_LE(nan, 3);
}

// The 14 GHz system-calibration grid steps back after index 42 (169 MHz, then 168.51 MHz).
// Every frequency inside the grid must land in a rising interval that holds it, or the system
// correction interpolates across the step with a wrong slope.
TEST(CalRange, FindIntervalCopesWithTheStepBackOfTheGrid) {
  std::vector<double> grid;
  for (int i = 0; i < TSystemCalGrid::PointCount(4); ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
  ASSERT_GT(grid[42], grid[43]);
  TCalRange t(0, 0, grid);
  std::vector<double> probes;
  for (double f = 160; f <= 180; f += 0.005) probes.push_back(f);
  for (double f : {168.51, 168.51001, 168.51002, 168.6, 168.75, 168.75001, 168.75002, 168.9, 169.0}) probes.push_back(f);
  probes.insert(probes.end(), grid.begin(), grid.end());
  std::mt19937 random(7);
  std::uniform_real_distribution<double> anywhere(grid.front(), grid.back());
  for (int k = 0; k < 2000; ++k) probes.push_back(anywhere(random));
  for (double f : probes) {
    const int i = t.FindInterval(f);
    ASSERT_GE(i, 0);
    ASSERT_LE(i, t.GetCount() - 2);
    EXPECT_LE(t.GetFrequency(i), f) << "f=" << f << " i=" << i;
    EXPECT_GE(t.GetFrequency(i + 1), f) << "f=" << f << " i=" << i;
  }
}

TEST(CalRange, InterpolatesMagnitudeAndPhaseInsideAndBeyondTheTable) {
  TCalRange t(1, 1, std::vector<double>{100, 200, 300, 400, 500});
  Fill(t);
  // On a table point, between points, below the first (t < 0) and above the last (t > 1).
  for (double f : {100.0, 300.0, 500.0, 250.0, 137.5, 60.0, 20.0, 560.0, 700.0}) {
    for (int a = 0; a < 2; ++a) {
      const int b = 1 - a;
      TComplex A, B, C, D;
      t.InterpolateTerms(a, b, f, A, B, C, D);
      ExpectNear(A, Term(Slot(kA, a), f), 1e-12, "A");
      ExpectNear(B, Term(Slot(kB, a), f), 1e-12, "B");
      ExpectNear(C, Term(Slot(kC, a), f), 1e-12, "C");
      ExpectNear(D, Term(Slot(kD, b), f), 1e-12, "D");
    }
  }
  // A table frequency gives the stored terms exactly.
  TComplex A, B, C, D;
  t.InterpolateTerms(0, 1, 300, A, B, C, D);
  EXPECT_EQ(A, t.GetErrorTermA(0, 2));
  EXPECT_EQ(D, t.GetErrorTermD(1, 2));
}

TEST(CalRange, NegativePortsLeaveTheirTermsZero) {
  TCalRange t(1, 1, std::vector<double>{100, 200, 300});
  Fill(t);
  TComplex A{9, 9}, B{9, 9}, C{9, 9}, D{9, 9};
  t.InterpolateTerms(1, -1, 150, A, B, C, D);
  ExpectNear(A, Term(Slot(kA, 1), 150), 1e-12, "A from port 1");
  ExpectNear(C, Term(Slot(kC, 1), 150), 1e-12, "C from port 1");
  EXPECT_EQ(D, TComplex{});
  t.InterpolateTerms(-1, 0, 150, A, B, C, D);
  EXPECT_EQ(A, TComplex{});
  EXPECT_EQ(B, TComplex{});
  EXPECT_EQ(C, TComplex{});
  ExpectNear(D, Term(Slot(kD, 0), 150), 1e-12, "D from port 0");
}

TEST(CalRange, ZeroWidthIntervalGivesItsLowerPoint) {
  // {100, 100, 200} at 100, and {100, 200, 200} above the end: both intervals have no width.
  for (const auto& [table, f, lower] : {std::tuple{std::vector<double>{100, 100, 200}, 100.0, 0},
                                        std::tuple{std::vector<double>{100, 200, 200}, 250.0, 1}}) {
    TCalRange t(0, 0, table);
    for (int i = 0; i < 3; ++i) t.SetErrorTermA(0, i, TComplex{1.0 + i, -0.5 * i});
    TComplex A, B, C, D;
    t.InterpolateTerms(0, 0, f, A, B, C, D);
    EXPECT_EQ(A, t.GetErrorTermA(0, lower)) << f;
  }
}

TEST(CalRange, OnePointTableGivesItsTermsEverywhereAndEmptyGivesZero) {
  TCalRange one(0, 0, std::vector<double>{1000});
  Fill(one);
  for (double f : {10.0, 1000.0, 9000.0}) {
    TComplex A, B, C, D;
    one.InterpolateTerms(0, 1, f, A, B, C, D);
    EXPECT_EQ(A, one.GetErrorTermA(0, 0));
    EXPECT_EQ(B, one.GetErrorTermB(0, 0));
    EXPECT_EQ(C, one.GetErrorTermC(0, 0));
    EXPECT_EQ(D, one.GetErrorTermD(1, 0));
  }
  TCalRange empty(0, 0, std::vector<double>{});
  TComplex A{1, 1}, B{1, 1}, C{1, 1}, D{1, 1};
  empty.InterpolateTerms(0, 1, 500, A, B, C, D);
  EXPECT_EQ(A, TComplex{});
  EXPECT_EQ(D, TComplex{});
}

}  // namespace

namespace {

// The points made with a table share one block; a point added later is a child like any other.
// Deleting, clearing and destroying must take each exactly once (the sanitizer build shows a
// double or a missing delete).
TEST(CalRange, PointsMadeWithTheTableAndAddedLaterAreEachDeletedOnce) {
  auto t = std::make_unique<TCalRange>(0, 0, std::vector<double>{1, 2, 3});
  auto* extra = new TCalPoint(t.get(), 4);
  ASSERT_EQ(t->GetCount(), 4);
  EXPECT_EQ(t->GetPoint(3), extra);
  EXPECT_EQ(t->GetFrequency(2), 3);
  delete extra;
  EXPECT_EQ(t->GetCount(), 3);
  new TCalPoint(t.get(), 5);
  const uint64_t revision = t->GetRevision();
  t->Clear();
  EXPECT_EQ(t->GetCount(), 0);
  EXPECT_NE(t->GetRevision(), revision);
  new TCalPoint(t.get(), 6);
  EXPECT_EQ(t->GetCount(), 1);
  t.reset();
  // Every table has a serial of its own; a setter counts as a change.
  TCalRange a(0, 0, std::vector<double>{1, 2});
  TCalRange b(0, 0, std::vector<double>{1, 2});
  EXPECT_NE(a.GetSerial(), b.GetSerial());
  const uint64_t before = a.GetRevision();
  a.SetErrorTermB(0, 1, {0.5, 0});
  EXPECT_NE(a.GetRevision(), before);
}

}  // namespace
