#pragma once
// A rows x columns matrix of TComplex in one contiguous row-major block, every element (0, 0)
// at creation. m[i][j] is row i, column j. The calibration solver builds a handful of these per
// frequency (3 x 3 least-squares systems); the owning value type frees them on every path.
#include <cstddef>
#include <vector>

#include "model/Complex.h"

class TComplexMatrix {
 public:
  TComplexMatrix() = default;
  TComplexMatrix(size_t rows, size_t columns) : rows_(rows), columns_(columns), data_(rows * columns) {}

  size_t Rows() const { return rows_; }
  size_t Columns() const { return columns_; }
  bool Empty() const { return data_.empty(); }

  TComplex* operator[](size_t row) { return data_.data() + row * columns_; }
  const TComplex* operator[](size_t row) const { return data_.data() + row * columns_; }

  // Gives the matrix the shape rows x columns with every element (0, 0).
  void Reset(size_t rows, size_t columns) {
    rows_ = rows;
    columns_ = columns;
    data_.assign(rows * columns, TComplex{});
  }
  // Releases the storage; the matrix becomes 0 x 0.
  void Release() {
    rows_ = columns_ = 0;
    std::vector<TComplex>().swap(data_);
  }

 private:
  size_t rows_ = 0;
  size_t columns_ = 0;
  std::vector<TComplex> data_;
};
