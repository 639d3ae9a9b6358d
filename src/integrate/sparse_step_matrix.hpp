#pragma once
// The step matrix M = d*I - s*J of a large kinetic network, stored over the
// pattern of its LU factors only. The elimination order (minimum degree) and
// the fill-in are worked out once from the Jacobian pattern; forming,
// factoring and solving then run over stored index lists.
//
// The pivots are the diagonal entries, taken in that order, as long as each
// is at least a hundredth of every entry below it in its column, each row
// measured plainly or against its own largest entry (threshold pivoting: no
// multiplier of the rows so scaled exceeds 100). The step matrices of kinetic systems
// are close to diagonally dominant, so this almost always holds; where it
// does not, or a pivot or a whole row is zero, that matrix goes to the dense
// path, which pivots partially, reports a singular matrix and gives the
// dense result.

#include <memory>
#include <vector>

#include "integrate/step_matrix.hpp"

namespace tarnavel {

class SparseStepMatrix final : public StepMatrix {
 public:
  SparseStepMatrix() = default;

  void SetPattern(const std::vector<std::vector<int>>& columns_of_row) override;
  void Form(double diagonal, double s, const Matrix& dfdy, int n) override;
  void Factor(Run& run) override;
  void Solve(double* b) const override;

  // Stored entries of M with its fill-in.
  long PatternEntries() const { return static_cast<long>(col_.size()); }
  // Factorisations handed to the dense path so far.
  long DenseFallbacks() const { return fallbacks_; }

 private:
  bool SparseFactor();

  int n_ = 0;
  std::vector<int> order_;  // order_[i]: equation eliminated i-th
  // Rows of M with their fill-in in elimination order, columns ascending:
  // row i holds entries row_start_[i] .. row_start_[i+1], its diagonal at diag_[i].
  std::vector<int> row_start_, col_, diag_;
  std::vector<int> source_col_;  // Jacobian column of each entry; -1 for fill-in
  std::vector<int> jacobian_entry_;  // of a Jacobian stored over its pattern: each entry's index, or -1
  std::vector<double> formed_;   // M as formed, before the factorisation
  std::vector<double> pivot_, inverse_;
  std::vector<double> work_;          // one row during the elimination
  std::vector<double> row_size_;      // each row's largest entry as formed
  mutable std::vector<double> rhs_;   // the right-hand side in elimination order
  // Non-zero factors row by row: L left of the diagonal, U right of it.
  std::vector<int> lower_start_, lower_col_, upper_start_, upper_col_;
  std::vector<double> lower_val_, upper_val_;

  // The dense path, created at the first matrix it has to take.
  std::unique_ptr<DenseStepMatrix> dense_;
  bool dense_active_ = false;
  long fallbacks_ = 0;
  double diagonal_ = 0.0, s_ = 0.0;
  const Matrix* dfdy_ = nullptr;
};

// The step matrix for a network with this Jacobian pattern: the dense form
// for small or densely coupled systems, where it is the faster one, else the
// sparse one.
std::unique_ptr<StepMatrix> MakeStepMatrix(const std::vector<std::vector<int>>& columns_of_row);

}  // namespace tarnavel
