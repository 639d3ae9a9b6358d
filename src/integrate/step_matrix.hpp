#pragma once
// The step matrix of the stiff integrators, M = d*I - s*J, behind one small
// interface: the integrators form it from the Jacobian, factor it once and
// solve with it several times, without knowing how it is stored. The dense
// form is declared below; large networks use the sparse form of
// sparse_step_matrix.hpp, which gives the same factors.

#include <utility>
#include <vector>

#include "integrate/dense_matrix.hpp"

namespace tarnavel {

struct Run;

class StepMatrix {
 public:
  virtual ~StepMatrix() = default;
  // M := diagonal*I - s*dfdy over the leading n rows and columns.
  virtual void Form(double diagonal, double s, const Matrix& dfdy, int n) = 0;
  // Factors M in place; a singular matrix is reported on the run's console.
  virtual void Factor(Run& run) = 0;
  // Solves M x = b with the factors; b is overwritten by x.
  virtual void Solve(double* b) const = 0;
  // Which entries of the Jacobian can be non-zero: the columns of each row.
  // A step matrix may use it to choose an elimination order; the solution
  // does not depend on it.
  virtual void SetPattern(const std::vector<std::vector<int>>& /*columns_of_row*/) {}
};

// An elimination order for a matrix with the given pattern (made symmetric):
// repeatedly the row with the fewest off-diagonal neighbours left is taken,
// and its neighbours become connected (minimum degree). order[k] is the
// row eliminated k-th.
std::vector<int> MinimumDegreeOrder(const std::vector<std::vector<int>>& columns_of_row);

// Dense step matrix with LU factors, sized once for `capacity` equations. It
// takes a Jacobian in either form.
class DenseStepMatrix final : public StepMatrix {
 public:
  explicit DenseStepMatrix(int capacity)
      : m_(capacity),
        pivot_(capacity, 0),
        scale_(capacity, 0.0),
        columns_(capacity, 0),
        lower_start_(capacity + 1, 0),
        upper_start_(capacity + 1, 0) {
    // Room for full factors, so that no factorisation allocates.
    lower_nz_.reserve(static_cast<size_t>(capacity) * capacity / 2);
    upper_nz_.reserve(static_cast<size_t>(capacity) * capacity / 2);
  }

  void Form(double diagonal, double s, const Matrix& dfdy, int n) override;
  void Factor(Run& run) override;
  void Solve(double* b) const override;
  // Rows and columns are then eliminated in minimum-degree order (a symmetric
  // permutation of M), which keeps the factors of a kinetic step matrix
  // sparse; partial pivoting still chooses the pivot within each column.
  void SetPattern(const std::vector<std::vector<int>>& columns_of_row) override;

  // An elimination order worked out elsewhere (empty: the natural order).
  void SetOrder(std::vector<int> order) {
    order_ = std::move(order);
    work_.assign(order_.size(), 0.0);
    position_.clear();
  }
  int Capacity() const { return m_.Capacity(); }
  // pivot[j]: the row exchanged with row j by the last factorisation.
  const int* Pivots() const { return pivot_.data(); }

  const Matrix& Factors() const { return m_; }

 private:
  Matrix m_;
  int n_ = 0;
  std::vector<int> pivot_;
  std::vector<double> scale_;
  std::vector<int> columns_;  // non-zero columns of the current pivot row
  // Column indices of the non-zero factor entries, row by row.
  std::vector<int> lower_start_, lower_nz_;
  std::vector<int> upper_start_, upper_nz_;
  std::vector<int> order_;            // elimination order; empty: natural order
  std::vector<int> position_;         // position_[order_[i]] = i, for a sparse Jacobian
  mutable std::vector<double> work_;  // the right-hand side in elimination order
};

}  // namespace tarnavel
