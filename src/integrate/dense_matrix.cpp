#include "integrate/dense_matrix.hpp"

#include <algorithm>
#include <cmath>

#include "core/run.hpp"

namespace tarnavel {

void Matrix::UsePattern(const std::vector<std::vector<int>>& columns_of_row) {
  const int n = static_cast<int>(columns_of_row.size());
  row_start_.assign(1, 0);
  columns_.clear();
  for (const auto& cols : columns_of_row) {
    columns_.insert(columns_.end(), cols.begin(), cols.end());
    row_start_.push_back(static_cast<int>(columns_.size()));
  }
  // The dense block is released before the entries are allocated.
  std::vector<double>().swap(data_);
  data_.assign(columns_.size() + 1, 0.0);
  capacity_ = n;
  sparse_ = true;
}

int Matrix::Find(int i, int j) const {
  const int* first = columns_.data() + row_start_[i];
  const int* last = columns_.data() + row_start_[i + 1];
  const int* at = std::lower_bound(first, last, j);
  return at != last && *at == j ? static_cast<int>(at - columns_.data()) : -1;
}

void LuDecompose(Run& run, Matrix& a, int n, int* pivot, double* scale, int* columns) {
  for (int i = 0; i < n; ++i) {
    const double* row = a.Row(i);
    double big = 0.0;
    for (int j = 0; j < n; ++j) {
      const double v = std::fabs(row[j]);
      if (v > big) big = v;  // a NaN entry is passed over
    }
    if (big == 0.0) {
      run.console.Line("singular matrix in ludcmp");
      run.console.Pause();
      big = 1.0;
    }
    scale[i] = 1.0 / big;
  }

  // Elimination column by column. Every entry receives its updates
  // a(i,c) -= a(i,k)*a(k,c) in increasing k, exactly the sums of the Crout
  // form, but the updates of a row run along contiguous memory.
  for (int j = 0; j < n; ++j) {
    double big = 0.0;
    int imax = j;
    for (int i = j; i < n; ++i) {
      const double weight = scale[i] * std::fabs(a(i, j));
      if (weight >= big) {
        big = weight;
        imax = i;
      }
    }
    if (imax != j) {
      double* r1 = a.Row(imax);
      double* r2 = a.Row(j);
      for (int k = 0; k < n; ++k) {
        const double t = r1[k];
        r1[k] = r2[k];
        r2[k] = t;
      }
      scale[imax] = scale[j];
    }
    pivot[j] = imax;
    if (a(j, j) == 0.0) a(j, j) = kZeroPivot;
    if (j == n - 1) break;
    const double inverse = 1.0 / a(j, j);
    const double* upper = a.Row(j);
    // Kinetic step matrices are sparse: with a work array, only the columns
    // where the pivot row is non-zero are updated (the others would receive
    // factor * 0).
    int count = 0;
    if (columns != nullptr)
      for (int c = j + 1; c < n; ++c)
        if (upper[c] != 0.0) columns[count++] = c;
    for (int i = j + 1; i < n; ++i) {
      double* row = a.Row(i);
      const double factor = row[j] * inverse;
      row[j] = factor;
      if (factor == 0.0) continue;  // nothing to subtract
      if (columns != nullptr) {
        for (int k = 0; k < count; ++k) row[columns[k]] -= factor * upper[columns[k]];
      } else {
        for (int c = j + 1; c < n; ++c) row[c] -= factor * upper[c];
      }
    }
  }
}

void LuBackSubstitute(const Matrix& a, int n, const int* pivot, double* b) {
  int first = -1;  // first non-zero element of the permuted right-hand side
  for (int i = 0; i < n; ++i) {
    const int ip = pivot[i];
    double sum = b[ip];
    b[ip] = b[i];
    if (first >= 0) {
      const double* row = a.Row(i);
      for (int j = first; j < i; ++j) sum -= row[j] * b[j];
    } else if (sum != 0.0) {
      first = i;
    }
    b[i] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    const double* row = a.Row(i);
    double sum = b[i];
    for (int j = i + 1; j < n; ++j) sum -= row[j] * b[j];
    b[i] = sum / row[i];
  }
}

}  // namespace tarnavel
