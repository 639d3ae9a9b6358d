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

void DenseStepMatrix::Factor(Run& run) {
  LuDecompose(run, m_, n_, pivot_.data(), scale_.data());
}

void DenseStepMatrix::Solve(double* b) const { LuBackSubstitute(m_, n_, pivot_.data(), b); }

}  // namespace tarnavel
