// The user calibration attached to a channel: the table is walked along the channel's points
// instead of searched for each, and must give what the search gives, on the 14 GHz system grid
// with its step back, on grids that do not overlap, and on points in any order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "PointPathFakes.h"
#include "model/CalGrid.h"
#include "model/CalRange.h"
#include "model/Range.h"

namespace {

using pathfakes::PathChannel;

std::vector<double> K30Grid() {
  std::vector<double> grid;
  for (int i = 0; i < TSystemCalGrid::PointCount(4); ++i) grid.push_back(TSystemCalGrid::Frequency(4, i));
  return grid;
}

std::vector<double> Linear(int n, double start, double stop) {
  std::vector<double> f(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)] = n == 1 ? start : start + (stop - start) * i / (n - 1);
  return f;
}

// Random terms on every slot; every seventh point has zero terms, which the interpolation
// takes linearly instead of in magnitude and phase.
void FillRandom(TCalRange& table, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> magnitude(0.01, 1.0);
  std::uniform_real_distribution<double> phase(-3.14159, 3.14159);
  auto term = [&](int i) { return i % 7 == 3 ? TComplex{} : Polar(magnitude(random), phase(random)); };
  for (int i = 0; i < table.GetCount(); ++i) {
    for (int p = 0; p < 2; ++p) {
      table.SetErrorTermA(p, i, term(i));
      table.SetErrorTermB(p, i, term(i));
      table.SetErrorTermC(p, i, term(i));
      table.SetErrorTermD(p, i, term(i));
    }
  }
}

struct TableCase {
  const char* name;
  std::vector<double> frequencies;
};

std::vector<TableCase> Tables() {
  std::vector<double> repeated = Linear(40, 100, 500);
  repeated.insert(repeated.begin() + 10, repeated[10]);  // a frequency twice
  repeated.insert(repeated.begin() + 20, 3, repeated[20]);
  repeated.insert(repeated.begin(), repeated.front());
  repeated.push_back(repeated.back());
  std::vector<double> twoSteps = Linear(60, 10, 1000);
  std::swap(twoSteps[5], twoSteps[6]);
  twoSteps[40] = twoSteps[30];  // a second step back far from the first
  return {
      {"k30 grid with its step back", K30Grid()},
      {"user grid 1601", Linear(1601, 85, 14000)},
      {"repeated frequencies", repeated},
      {"two steps back", twoSteps},
      {"two points", {300, 700}},
      {"one point", {450}},
      {"empty", {}},
  };
}

struct QueryCase {
  const char* name;
  std::vector<double> frequencies;
};

std::vector<QueryCase> Queries(const std::vector<double>& table) {
  const double lo = table.empty() ? 100 : *std::min_element(table.begin(), table.end());
  const double hi = table.empty() ? 500 : *std::max_element(table.begin(), table.end());
  std::vector<double> dense = Linear(16001, lo - 0.1 * (hi - lo), hi + 0.1 * (hi - lo));
  std::vector<double> descending(dense.rbegin(), dense.rend());
  std::vector<double> shuffled = dense;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
  std::vector<double> exact = table;  // every table frequency, rising
  std::sort(exact.begin(), exact.end());
  std::vector<double> around;  // every table frequency and its neighbours, in table order
  for (double f : table) {
    around.push_back(std::nextafter(f, -INFINITY));
    around.push_back(f);
    around.push_back(std::nextafter(f, INFINITY));
  }
  std::vector<double> segments = Linear(300, lo, hi);  // a second run starts lower again
  const std::vector<double> second = Linear(300, lo + 0.3 * (hi - lo), hi + 1);
  segments.insert(segments.end(), second.begin(), second.end());
  return {
      {"rising beyond both ends", dense},
      {"falling", descending},
      {"shuffled", shuffled},
      {"at the table frequencies", exact},
      {"next to the table frequencies", around},
      {"two overlapping segments", segments},
      {"wholly below", Linear(101, lo - 1000, lo - 1)},
      {"wholly above", Linear(101, hi + 1, hi + 1000)},
      {"not finite", {lo, NAN, hi, INFINITY, -INFINITY, lo}},
  };
}

TEST(AttachCalibrationMerge, CursorFindsWhatTheSearchFinds) {
  for (const TableCase& t : Tables()) {
    TCalRange table(0, 0, t.frequencies);
    for (const QueryCase& q : Queries(t.frequencies)) {
      TCalRange::TIntervalCursor cursor(table);
      int wrong = 0;
      for (double f : q.frequencies) {
        const int want = table.FindInterval(f);
        const int got = cursor.Find(f);
        if (got != want && ++wrong <= 3) ADD_FAILURE() << t.name << ", " << q.name << ": f=" << f << " got " << got << " want " << want;
      }
    }
  }
}

// The relative difference of two terms, 0 when both are exactly zero.
double Difference(const TComplex& got, const TComplex& want) {
  const double scale = std::max(Abs(want), 1e-300);
  return Abs(got - want) / scale;
}

void ExpectTermsOfSearch(const TCalRange& table, const std::vector<double>& frequencies, const std::string& what) {
  for (int a : {0, 1, -1}) {
    for (int b : {1, 0, -1}) {
      TCalRange::TTermInterpolator terms(table, a, b);
      double worst = 0;
      for (double f : frequencies) {
        TComplex A, B, C, D, wa, wb, wc, wd;
        terms.At(f, A, B, C, D);
        table.InterpolateTerms(a, b, f, wa, wb, wc, wd);
        worst = std::max({worst, Difference(A, wa), Difference(B, wb), Difference(C, wc), Difference(D, wd)});
      }
      EXPECT_LE(worst, 1e-12) << what << " a=" << a << " b=" << b;
    }
  }
}

TEST(AttachCalibrationMerge, InterpolatorGivesTheTermsOfTheSearch) {
  unsigned seed = 1;
  for (const TableCase& t : Tables()) {
    TCalRange table(0, 0, t.frequencies);
    FillRandom(table, seed++);
    for (const QueryCase& q : Queries(t.frequencies)) {
      std::vector<double> finite;
      for (double f : q.frequencies) {
        if (std::isfinite(f)) finite.push_back(f);
      }
      ExpectTermsOfSearch(table, finite, std::string(t.name) + ", " + q.name);
    }
  }
}

// The channel's own table after the attach against the table searched at each point's frequency
// (reflection port 0, transmission port 1 of the fake model).
void ExpectAttachedLikeSearch(const TRange& range, const TCalRange& table, const std::string& what) {
  const TCalRange* own = range.GetCalTable();
  ASSERT_NE(own, nullptr) << what;
  ASSERT_EQ(own->GetCount(), range.GetCount()) << what;
  EXPECT_EQ(own->GetMethodCode(0), table.GetMethodCode(0));
  EXPECT_EQ(own->GetMethodCode(1), table.GetMethodCode(1));
  double worst = 0;
  for (int i = 0; i < range.GetCount(); ++i) {
    const double f = range.GetPointFrequency(i);
    TComplex er, ed, es, et;
    table.InterpolateTerms(0, 1, f, er, ed, es, et);
    const TCalPoint* p = own->GetPoint(i);
    ASSERT_EQ(p->Frequency, f) << what;
    worst = std::max({worst, Difference(p->A[0], er), Difference(p->B[0], ed), Difference(p->C[0], es),
                      Difference(p->D[1], et)});
    // The slots the attach does not fill stay zero.
    EXPECT_EQ(p->A[1], TComplex{});
    EXPECT_EQ(p->D[0], TComplex{});
  }
  EXPECT_LE(worst, 1e-12) << what;
}

TEST(AttachCalibrationMerge, ChannelTableEqualsTheSearchAtEveryPoint) {
  struct Case {
    const char* name;
    std::vector<double> table;
    int points;
    double start, stop;
  };
  const std::vector<Case> cases = {
      {"k30 grid, whole band", K30Grid(), 16001, 0.3, 14000},
      {"k30 grid, across the step back", K30Grid(), 2001, 160, 180},
      {"user grid, finer channel", Linear(1601, 85, 14000), 16001, 85, 14000},
      {"user grid, coarser channel", Linear(1601, 85, 14000), 201, 85, 14000},
      {"table wholly above the channel", Linear(201, 5000, 8000), 401, 100, 3000},
      {"table wholly below the channel", Linear(201, 100, 3000), 401, 5000, 8000},
      {"one-point table", {1000}, 101, 500, 1500},
  };
  unsigned seed = 11;
  for (const Case& c : cases) {
    PathChannel channel(c.points, c.start, c.stop);
    ASSERT_EQ(channel.range->GetCount(), c.points) << c.name;
    TCalRange table(4, 1, c.table);
    FillRandom(table, seed++);
    channel.range->AttachCalibration(&table);
    ExpectAttachedLikeSearch(*channel.range, table, c.name);
  }
}

TEST(AttachCalibrationMerge, PointsInAnyOrderAndRebuiltListsAreCovered) {
  PathChannel channel(1001, 100, 500);
  TRange& range = *channel.range;
  TCalRange table(4, 1, K30Grid());
  FillRandom(table, 5);
  // Points falling, then shuffled, as a segment table may order them.
  std::vector<double> f = Linear(range.GetCount(), 14000, 0.3);
  for (int i = 0; i < range.GetCount(); ++i) range.GetPoint(i)->Frequency = f[static_cast<size_t>(i)];
  range.AttachCalibration(&table);
  ExpectAttachedLikeSearch(range, table, "falling");
  std::shuffle(f.begin(), f.end(), std::mt19937(9));
  for (int i = 0; i < range.GetCount(); ++i) range.GetPoint(i)->Frequency = f[static_cast<size_t>(i)];
  range.AttachCalibration(&table);
  ExpectAttachedLikeSearch(range, table, "shuffled");
  // A new point list, and a channel handed its own table.
  channel.Shape(333, 150, 190);
  range.AttachCalibration(&table);
  ExpectAttachedLikeSearch(range, table, "rebuilt");
  TCalRange before(4, 1, range);
  for (int i = 0; i < range.GetCount(); ++i) {
    const TCalPoint* p = range.GetCalTable()->GetPoint(i);
    before.SetErrorTermA(0, i, p->A[0]);
    before.SetErrorTermB(0, i, p->B[0]);
    before.SetErrorTermC(0, i, p->C[0]);
    before.SetErrorTermD(1, i, p->D[1]);
  }
  range.AttachCalibration(range.GetCalTable());
  ExpectAttachedLikeSearch(range, before, "its own table");
}

}  // namespace
