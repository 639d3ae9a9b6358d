#include "integrate/rank_one_step_matrix.hpp"

#include <algorithm>
#include <cmath>

namespace tarnavel {

void RankOneStepMatrix::Form(double diagonal, double s, const Matrix& dfdy, int n) {
  inner_->Form(diagonal, s, dfdy, n);
  n_ = n;
  s_ = s;
  active_ = dfdy.rank_one.active && static_cast<int>(dfdy.rank_one.u.size()) >= n &&
            static_cast<int>(u_.size()) >= n;
  if (!active_) return;
  std::copy(dfdy.rank_one.u.begin(), dfdy.rank_one.u.begin() + n, u_.begin());
  std::copy(dfdy.rank_one.g.begin(), dfdy.rank_one.g.begin() + n, g_.begin());
}

void RankOneStepMatrix::Factor(Run& run) {
  inner_->Factor(run);
  if (!active_) return;
  std::copy(u_.begin(), u_.begin() + n_, z_.begin());
  inner_->Solve(z_.data());
  double gz = 0.0;
  for (int i = 0; i < n_; ++i) gz += g_[i] * z_[i];
  denominator_ = 1.0 - s_ * gz;
  // A vanishing denominator is a singular step matrix; like an exact zero
  // pivot it is replaced by a tiny number rather than divided by.
  if (denominator_ == 0.0 || !std::isfinite(denominator_)) denominator_ = kZeroPivot;
}

void RankOneStepMatrix::Solve(double* b) const {
  inner_->Solve(b);
  if (!active_) return;
  double gb = 0.0;
  for (int i = 0; i < n_; ++i) gb += g_[i] * b[i];
  const double f = s_ * gb / denominator_;
  for (int i = 0; i < n_; ++i) b[i] += f * z_[i];
}

}  // namespace tarnavel
