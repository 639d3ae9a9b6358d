#include "integrate/rank_one_step_matrix.hpp"

#include <algorithm>
#include <cmath>

namespace tarnavel {

void RankOneStepMatrix::Form(double diagonal, double s, const Matrix& dfdy, int n) {
  inner_->Form(diagonal, s, dfdy, n);
  n_ = n;
  s_ = s;
  terms_ = 0;
  if (n > capacity_) return;
  auto take = [&](const Matrix::RankOne& t) {
    if (!t.active || static_cast<int>(t.u.size()) < n || static_cast<int>(t.g.size()) < n) return;
    const size_t need = static_cast<size_t>(terms_ + 1) * capacity_;
    if (u_.size() < need) {  // grows once, at the first Jacobian with this many terms
      u_.resize(need, 0.0);
      g_.resize(need, 0.0);
      z_.resize(need, 0.0);
    }
    const size_t at = static_cast<size_t>(terms_) * capacity_;
    std::copy(t.u.begin(), t.u.begin() + n, u_.begin() + at);
    std::copy(t.g.begin(), t.g.begin() + n, g_.begin() + at);
    ++terms_;
  };
  take(dfdy.rank_one);
  for (const Matrix::RankOne& t : dfdy.sum_terms) take(t);
}

void RankOneStepMatrix::Factor(Run& run) {
  inner_->Factor(run);
  if (terms_ == 0) return;
  const int k = terms_;
  for (int m = 0; m < k; ++m) {
    double* z = z_.data() + static_cast<size_t>(m) * capacity_;
    std::copy(u_.begin() + static_cast<size_t>(m) * capacity_, u_.begin() + static_cast<size_t>(m) * capacity_ + n_, z);
    inner_->Solve(z);
  }
  if (k == 1) {
    double gz = 0.0;
    for (int i = 0; i < n_; ++i) gz += g_[i] * z_[i];
    denominator_ = 1.0 - s_ * gz;
    // A vanishing denominator is a singular step matrix; like an exact zero
    // pivot it is replaced by a tiny number rather than divided by.
    if (denominator_ == 0.0 || !std::isfinite(denominator_)) denominator_ = kZeroPivot;
    return;
  }
  // C = I - s G^T Z, factored with partial pivoting.
  if (static_cast<int>(small_pivot_.size()) < k) {
    small_.assign(static_cast<size_t>(k) * k, 0.0);
    small_pivot_.assign(k, 0);
    small_rhs_.assign(k, 0.0);
  }
  double* c = small_.data();
  for (int a = 0; a < k; ++a) {
    const double* g = g_.data() + static_cast<size_t>(a) * capacity_;
    for (int b = 0; b < k; ++b) {
      const double* z = z_.data() + static_cast<size_t>(b) * capacity_;
      double gz = 0.0;
      for (int i = 0; i < n_; ++i) gz += g[i] * z[i];
      c[a * k + b] = (a == b ? 1.0 : 0.0) - s_ * gz;
    }
  }
  for (int col = 0; col < k; ++col) {
    int p = col;
    for (int r = col + 1; r < k; ++r)
      if (std::fabs(c[r * k + col]) > std::fabs(c[p * k + col])) p = r;
    small_pivot_[col] = p;
    if (p != col)
      for (int b = 0; b < k; ++b) std::swap(c[col * k + b], c[p * k + b]);
    if (c[col * k + col] == 0.0 || !std::isfinite(c[col * k + col])) c[col * k + col] = kZeroPivot;
    for (int r = col + 1; r < k; ++r) {
      const double f = c[r * k + col] / c[col * k + col];
      c[r * k + col] = f;
      for (int b = col + 1; b < k; ++b) c[r * k + b] -= f * c[col * k + b];
    }
  }
}

void RankOneStepMatrix::Solve(double* b) const {
  inner_->Solve(b);
  if (terms_ == 0) return;
  if (terms_ == 1) {
    double gb = 0.0;
    for (int i = 0; i < n_; ++i) gb += g_[i] * b[i];
    const double f = s_ * gb / denominator_;
    for (int i = 0; i < n_; ++i) b[i] += f * z_[i];
    return;
  }
  const int k = terms_;
  double* t = small_rhs_.data();
  for (int a = 0; a < k; ++a) {
    const double* g = g_.data() + static_cast<size_t>(a) * capacity_;
    double gb = 0.0;
    for (int i = 0; i < n_; ++i) gb += g[i] * b[i];
    t[a] = gb;
  }
  const double* c = small_.data();
  for (int col = 0; col < k; ++col) {
    std::swap(t[col], t[small_pivot_[col]]);
    for (int r = col + 1; r < k; ++r) t[r] -= c[r * k + col] * t[col];
  }
  for (int r = k - 1; r >= 0; --r) {
    double v = t[r];
    for (int b = r + 1; b < k; ++b) v -= c[r * k + b] * t[b];
    t[r] = v / c[r * k + r];
  }
  for (int m = 0; m < k; ++m) {
    const double f = s_ * t[m];
    const double* z = z_.data() + static_cast<size_t>(m) * capacity_;
    for (int i = 0; i < n_; ++i) b[i] += f * z[i];
  }
}

}  // namespace tarnavel
