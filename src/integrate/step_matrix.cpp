#include "integrate/step_matrix.hpp"

namespace tarnavel {

void DenseStepMatrix::Form(double diagonal, double s, const Matrix& dfdy, int n) {
  n_ = n;
  for (int i = 0; i < n; ++i) {
    const double* from = dfdy.Row(i);
    double* to = m_.Row(i);
    for (int j = 0; j < n; ++j) to[j] = -s * from[j];
    to[i] += diagonal;
  }
}

// After the factorisation the non-zero entries of L (left of the diagonal)
// and U (right of it) are listed row by row, so that the many solves of a
// step visit only them. The sums run in the same order as the full loops;
// the skipped terms are products with zero.
void DenseStepMatrix::Factor(Run& run) {
  LuDecompose(run, m_, n_, pivot_.data(), scale_.data(), columns_.data());
  lower_nz_.clear();
  upper_nz_.clear();
  lower_start_[0] = upper_start_[0] = 0;
  for (int i = 0; i < n_; ++i) {
    const double* row = m_.Row(i);
    for (int j = 0; j < i; ++j)
      if (row[j] != 0.0) lower_nz_.push_back(j);
    for (int j = i + 1; j < n_; ++j)
      if (row[j] != 0.0) upper_nz_.push_back(j);
    lower_start_[i + 1] = static_cast<int>(lower_nz_.size());
    upper_start_[i + 1] = static_cast<int>(upper_nz_.size());
  }
}

void DenseStepMatrix::Solve(double* b) const {
  for (int i = 0; i < n_; ++i) {
    const int ip = pivot_[i];
    double sum = b[ip];
    b[ip] = b[i];
    const double* row = m_.Row(i);
    for (int k = lower_start_[i]; k < lower_start_[i + 1]; ++k) sum -= row[lower_nz_[k]] * b[lower_nz_[k]];
    b[i] = sum;
  }
  for (int i = n_ - 1; i >= 0; --i) {
    const double* row = m_.Row(i);
    double sum = b[i];
    for (int k = upper_start_[i]; k < upper_start_[i + 1]; ++k) sum -= row[upper_nz_[k]] * b[upper_nz_[k]];
    b[i] = sum / row[i];
  }
}

}  // namespace tarnavel
