#pragma once
// Square matrices of a fixed capacity and the LU decomposition of dense ones.
//
// A Matrix is sized once for the largest system the run may integrate
// (n_max x n_max, row-major) and then used for any leading n x n block, so
// nothing is allocated while the integrators step. The Jacobian of a large
// network instead stores only the entries of its pattern, row by row
// (compressed rows), so that its memory grows with the non-zeros.

#include <cstddef>
#include <vector>

namespace tarnavel {

struct Run;

class Matrix {
 public:
  explicit Matrix(int capacity)
      : capacity_(capacity), data_(static_cast<std::size_t>(capacity) * capacity, 0.0) {}

  int Capacity() const { return capacity_; }

  // A Jacobian may carry, besides its entries, a rank-one term u g^T: the
  // dependence of every rate on the gas total [M], with g the derivative of
  // [M] by each state variable. The matrix is then entries + u g^T. A large
  // species sum in the rate constants (the peroxy radicals) is carried the
  // same way, one more term per sum, with g its derivative.
  struct RankOne {
    bool active = false;
    std::vector<double> u, g;
  };
  RankOne rank_one;
  std::vector<RankOne> sum_terms;
  void ClearRankOneTerms() {
    rank_one.active = false;
    for (RankOne& t : sum_terms) t.active = false;
  }

  // From now on only the entries (i, j) with j among columns_of_row[i]
  // (each list ascending, without repeats) are stored, all 0; the capacity
  // becomes the number of rows. Entries outside the pattern read as 0, and
  // a value written to one is dropped: the pattern must hold every entry
  // that can be non-zero.
  void UsePattern(const std::vector<std::vector<int>>& columns_of_row);
  bool Sparse() const { return sparse_; }
  // The stored entries of row i are RowBegin(i) .. RowEnd(i) in Columns() and
  // Values() (compressed rows; only in the sparse form).
  int RowBegin(int i) const { return row_start_[i]; }
  int RowEnd(int i) const { return row_start_[i + 1]; }
  const int* Columns() const { return columns_.data(); }
  double* Values() { return data_.data(); }
  const double* Values() const { return data_.data(); }
  // Index of entry (i, j) in Values(), or -1 when the pattern leaves it out.
  int Find(int i, int j) const;
  // The number of stored entries; Values() has one slot more, a spare that
  // takes writes meant for entries outside the pattern.
  long StoredEntries() const { return static_cast<long>(sparse_ ? columns_.size() : data_.size()); }

  // Entry (i, j), both from 0.
  double& operator()(int i, int j) {
    if (!sparse_) return data_[Offset(i, j)];
    const int k = Find(i, j);
    return k >= 0 ? data_[k] : outside_;
  }
  double operator()(int i, int j) const {
    if (!sparse_) return data_[Offset(i, j)];
    const int k = Find(i, j);
    return k >= 0 ? data_[k] : 0.0;
  }
  // The whole row i (only in the dense form).
  double* Row(int i) { return data_.data() + Offset(i, 0); }
  const double* Row(int i) const { return data_.data() + Offset(i, 0); }

 private:
  std::size_t Offset(int i, int j) const {
    return static_cast<std::size_t>(i) * capacity_ + static_cast<std::size_t>(j);
  }

  int capacity_;
  std::vector<double> data_;
  bool sparse_ = false;
  std::vector<int> row_start_, columns_;
  double outside_ = 0.0;  // receives writes outside the pattern
};

// The pivot that replaces an exact zero on the diagonal of U.
inline constexpr double kZeroPivot = 1.0e-35;

// LU decomposition with implicit partial pivoting of the leading n x n
// block of `a`, in place: L (unit diagonal, below) and U (on and above the
// diagonal) of the row-permuted matrix, entry for entry the factors of
// Crout's method. Each row is scaled by its largest
// magnitude when the pivot is chosen. `pivot[j]` receives the row exchanged
// with row j. `scale` is a work array of at least n values.
//
// A row without any non-zero entry makes the matrix singular: the console
// shows "singular matrix in ludcmp" and waits for ENTER, then the row is
// taken with scale 1 and the decomposition goes on; a zero pivot is replaced
// by kZeroPivot, so the factors stay finite.
void LuDecompose(Run& run, Matrix& a, int n, int* pivot, double* scale, int* columns = nullptr);

// Solves A x = b with the factors of LuDecompose; b is overwritten by x.
// The forward pass starts at the first non-zero element of b, which saves
// most of the work when the right-hand side is sparse.
void LuBackSubstitute(const Matrix& a, int n, const int* pivot, double* b);

}  // namespace tarnavel
