#pragma once
// The step matrix of a Jacobian that carries rank-one terms u g^T besides
// its entries (the dependence of every rate on the gas total, and on each
// large species sum):
//   M = d*I - s*(J + U G^T) = A - s U G^T,  A = d*I - s*J.
// Only A is factored, over the sparse pattern of J; the terms are solved by
// the Sherman-Morrison formula, or for several terms its Woodbury form, with
// one more solve per term and factorisation:
//   M^-1 b = A^-1 b + s Z (I - s G^T Z)^-1 G^T A^-1 b,  Z = A^-1 U
// (for one term: A^-1 b + z (s g^T A^-1 b) / (1 - s g^T z)).
// A Jacobian without active terms passes straight through to the inner matrix.

#include <memory>
#include <vector>

#include "integrate/step_matrix.hpp"

namespace tarnavel {

class RankOneStepMatrix final : public StepMatrix {
 public:
  RankOneStepMatrix(std::unique_ptr<StepMatrix> inner, int capacity) : inner_(std::move(inner)), capacity_(capacity) {}

  void Form(double diagonal, double s, const Matrix& dfdy, int n) override;
  void Factor(Run& run) override;
  void Solve(double* b) const override;
  void SetPattern(const std::vector<std::vector<int>>& columns_of_row) override { inner_->SetPattern(columns_of_row); }

 private:
  std::unique_ptr<StepMatrix> inner_;
  int capacity_;
  int n_ = 0;
  int terms_ = 0;  // active terms of the matrix in hand
  double s_ = 0.0;
  // Per term (capacity_ values each): u, g and z = A^-1 u.
  std::vector<double> u_, g_, z_;
  // The k x k matrix I - s G^T Z with its LU factors (row pivoting), and
  // room for G^T A^-1 b.
  std::vector<double> small_;
  std::vector<int> small_pivot_;
  mutable std::vector<double> small_rhs_;
  double denominator_ = 1.0;  // one term: 1 - s g^T z
};

}  // namespace tarnavel
