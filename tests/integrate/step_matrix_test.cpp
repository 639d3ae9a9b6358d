#include "integrate/step_matrix.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

TEST(MinimumDegreeOrder, EliminatesLeavesBeforeTheirHub) {
  // An arrow: row 0 couples to every other row, the others only to row 0.
  const int n = 6;
  std::vector<std::vector<int>> pattern(n);
  for (int i = 1; i < n; ++i) {
    pattern[0].push_back(i);
    pattern[i].push_back(0);
  }
  const std::vector<int> order = MinimumDegreeOrder(pattern);
  ASSERT_EQ(order.size(), static_cast<size_t>(n));
  // Eliminating the hub while it has two or more neighbours would fill the
  // matrix; it goes when at most one leaf is left.
  const auto hub = std::find(order.begin(), order.end(), 0) - order.begin();
  EXPECT_GE(hub, n - 2);
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < n; ++i) EXPECT_EQ(sorted[i], i);  // a permutation
}

TEST(DenseStepMatrix, AnEliminationOrderLeavesTheSolutionUnchanged) {
  testing::CapturedRun cr;
  const int n = 40;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  Matrix jac(n);
  std::vector<std::vector<int>> pattern(n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) jac(i, j) = 0.0;
    for (int j : {i, (i * 7 + 3) % n, (i * 13 + 5) % n, 0}) {
      jac(i, j) = value(rng) * 50.0;
      pattern[i].push_back(j);
    }
  }
  std::vector<double> rhs(n);
  for (double& v : rhs) v = value(rng);

  DenseStepMatrix natural(n), ordered(n);
  ordered.SetPattern(pattern);
  std::vector<double> x1 = rhs, x2 = rhs;
  for (DenseStepMatrix* m : {&natural, &ordered}) {
    m->Form(1.0, 0.3, jac, n);
    m->Factor(cr.run);
  }
  natural.Solve(x1.data());
  ordered.Solve(x2.data());
  for (int i = 0; i < n; ++i) EXPECT_NEAR(x2[i], x1[i], 1e-10 * (1 + std::fabs(x1[i]))) << i;
  // And the solution really solves (I - 0.3 J) x = b.
  for (int i = 0; i < n; ++i) {
    double lhs = x2[i];
    for (int j = 0; j < n; ++j) lhs -= 0.3 * jac(i, j) * x2[j];
    EXPECT_NEAR(lhs, rhs[i], 1e-10) << i;
  }
}

}  // namespace
}  // namespace tarnavel
