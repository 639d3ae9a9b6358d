#pragma once
// The step matrix of a Jacobian that carries a rank-one term u g^T besides
// its entries (the dependence of every rate on the gas total):
//   M = d*I - s*(J + u g^T) = A - s u g^T,  A = d*I - s*J.
// Only A is factored, over the sparse pattern of J; the rank-one term is
// solved by the Sherman-Morrison formula with one more solve per
// factorisation:
//   M^-1 b = A^-1 b + z (s g^T A^-1 b) / (1 - s g^T z),  z = A^-1 u.
// A Jacobian without the term passes straight through to the inner matrix.

#include <memory>
#include <vector>

#include "integrate/step_matrix.hpp"

namespace tarnavel {

class RankOneStepMatrix final : public StepMatrix {
 public:
  RankOneStepMatrix(std::unique_ptr<StepMatrix> inner, int capacity)
      : inner_(std::move(inner)), u_(capacity, 0.0), g_(capacity, 0.0), z_(capacity, 0.0) {}

  void Form(double diagonal, double s, const Matrix& dfdy, int n) override;
  void Factor(Run& run) override;
  void Solve(double* b) const override;
  void SetPattern(const std::vector<std::vector<int>>& columns_of_row) override { inner_->SetPattern(columns_of_row); }

 private:
  std::unique_ptr<StepMatrix> inner_;
  int n_ = 0;
  bool active_ = false;
  double s_ = 0.0;
  double denominator_ = 1.0;  // 1 - s g^T z
  std::vector<double> u_, g_, z_;
};

}  // namespace tarnavel
