#include "model/CalGrid.h"

#include <cstddef>
#include <iterator>

#include "model/Utils.h"

namespace {

// A run of the grid: an even run {first, last, base, step}, or, with close set, the four close
// frequencies at first ... first + 3. The last even run of a grid is open-ended.
struct Row {
  int first;
  int last;
  double base;
  double step;
  bool close;
  double values[4];
};

constexpr Row Even(int first, int last, double base, double step) {
  return {first, last, base, step, false, {0, 0, 0, 0}};
}

constexpr Row Close(int first, double a, double b, double c, double d) {
  return {first, first + 3, a, 0.0, true, {a, b, c, d}};
}

constexpr Row kGridK12[] = {
    Even(0, 83, 85, 1),
    Close(84, 168.57, 168.57001, 168.75, 168.75001),
    Even(88, 172, 169, 2),
    Close(173, 337.32, 337.32001, 337.5, 337.50001),
    Even(177, 311, 339, 2.5),
    Close(312, 674.82, 674.82001, 675, 675.00001),
    Even(316, 365, 676.5, 2.5),
    Close(366, 799.82, 799.82001, 800, 800.00001),
    Even(370, 479, 804, 5),
    Close(480, 1349.82, 1349.82001, 1350, 1350.00001),
    Even(484, 618, 1355, 10),
    Close(619, 2699.82, 2699.82001, 2700, 2700.00001),
    Even(623, 891, 2710, 10),
};

constexpr Row kGridK30[] = {
    Even(0, 42, 85, 2),
    Close(43, 168.51, 168.51002, 168.75, 168.75002),
    Even(47, 80, 172, 5),
    Close(81, 337.26, 337.26002, 337.5, 337.50002),
    Even(85, 126, 342, 8),
    Close(127, 674.76, 674.76002, 675, 675.00002),
    Even(131, 145, 682, 8),
    Close(146, 799.76, 799.76002, 800, 800.00002),
    Even(150, 195, 808, 12),
    Close(196, 1349.76, 1349.76002, 1350, 1350.00002),
    Even(200, 266, 1360, 20),
    Close(267, 2699.76, 2699.76002, 2700, 2700.00002),
    Even(271, 374, 2720, 20),
    Close(375, 4799.76, 4799.76002, 4800, 4800.00002),
    Even(379, 407, 4820, 20),
    Close(408, 5399.76, 5399.76002, 5400, 5400.00002),
    Even(412, 544, 5410, 20),
    Close(545, 8099.76, 8099.76002, 8100, 8100.00002),
    Even(549, 622, 8120, 20),
    Close(623, 9599.76, 9599.76002, 9600, 9600.00002),
    Even(627, 846, 9620, 20),
};

struct Grid {
  const Row* rows;
  size_t count;
};

Grid GridOf(int modelRow) {
  if (modelRow == 3) return {kGridK12, std::size(kGridK12)};
  if (modelRow == 4) return {kGridK30, std::size(kGridK30)};
  return {nullptr, 0};
}

double RowFrequency(const Row& row, int i) {
  if (row.close) return row.values[i - row.first];
  return row.base + row.step * (i - row.first);
}

double RowEnd(const Row& row) { return RowFrequency(row, row.last); }

}  // namespace

int TSystemCalGrid::PointCount(int modelRow) {
  if (modelRow == 3) return 893;
  if (modelRow == 4) return 848;
  return 0;
}

bool TSystemCalGrid::HasGrid(int modelRow) { return GridOf(modelRow).count != 0; }

double TSystemCalGrid::Frequency(int modelRow, int i) {
  const Grid g = GridOf(modelRow);
  if (g.count == 0) return 0.0;
  if (i < 0) return RowFrequency(g.rows[0], i);
  for (size_t k = 0; k < g.count; ++k) {
    const Row& row = g.rows[k];
    if (i <= row.last || k + 1 == g.count) return RowFrequency(row, i);
  }
  return 0.0;  // not reached
}

double TSystemCalGrid::EstimateIndex(int modelRow, double x) {
  const Grid g = GridOf(modelRow);
  if (g.count == 0) return 0.0;
  // A listed close frequency gives its own index.
  for (size_t k = 0; k < g.count; ++k) {
    const Row& row = g.rows[k];
    if (!row.close) continue;
    for (int j = 0; j < 4; ++j)
      if (NearlyEqual(x, row.values[j])) return row.first + j;
  }
  // The first even run that encloses x.
  for (size_t k = 0; k < g.count; ++k) {
    const Row& row = g.rows[k];
    if (!row.close && x >= row.base && x <= RowEnd(row)) return row.first + (x - row.base) / row.step;
  }
  // Between the close frequencies of an edge: the highest one at or below x.
  for (size_t k = 0; k < g.count; ++k) {
    const Row& row = g.rows[k];
    if (!row.close || x < row.values[0] || x > row.values[3]) continue;
    int j = 3;
    while (j > 0 && row.values[j] > x) --j;
    return row.first + j;
  }
  // In a hole between runs, or above the table: the end of the highest run below x.
  double best = 0.0;
  for (size_t k = 0; k < g.count; ++k) {
    const Row& row = g.rows[k];
    if (RowEnd(row) <= x && row.last > best) best = row.last;
  }
  return best;
}
