#include "integrate/step_matrix.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "integrate/rank_one_step_matrix.hpp"
#include "integrate/sparse_step_matrix.hpp"
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

// A kinetic-looking Jacobian: losses on the diagonal, a few production
// terms per row, and one hub species (like OH) coupled to every other.
struct SparseCase {
  const char* name;
  double hub_gain;        // production of every species by the hub
  bool zero_row;          // one row of the step matrix is all zero
  bool expect_fallback;   // the sparse elimination hands the matrix over
  bool weak_pivot = false;  // one diagonal of the step matrix nearly vanishes
};

TEST(SparseStepMatrix, SolvesAsTheDensePathAndHandsOverWhatNeedsPivoting) {
  const SparseCase cases[] = {
      {"diagonally dominant", 0.5, false, false},
      // The hub's row, eliminated last, dwarfs every other pivot in its
      // column, but only as a row in other units does (a temperature's row):
      // measured against its own largest entry it needs no pivoting.
      {"a row in other units", 5.0e4, false, false},
      {"a weak pivot needs pivoting", 0.5, false, true, true},
      {"singular row", 0.5, true, true},
  };
  for (const SparseCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::CapturedRun cr;
    const int n = 60, hub = 17;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> value(0.1, 1.0);
    Matrix jac(n);
    std::vector<std::vector<int>> pattern(n);
    for (int i = 0; i < n; ++i) {
      for (int j : {(i * 7 + 3) % n, (i * 13 + 5) % n}) {
        if (j == i) continue;
        jac(i, j) = value(rng);
        pattern[i].push_back(j);
      }
      jac(i, i) = -2.0 - value(rng) * 3.0;
      pattern[i].push_back(i);
      if (i != hub) {
        jac(hub, i) = c.hub_gain * value(rng);
        pattern[hub].push_back(i);
        pattern[i].push_back(hub);
        jac(i, hub) = 0.01;
      }
    }
    if (c.weak_pivot) jac(8, 8) = 1.0 - 1.0e-7;  // with d = 1 and s = 1, M(8, 8) = 1e-7
    if (c.zero_row) {
      // With d = 1 and s = 1, row 5 of I - J vanishes.
      for (int j = 0; j < n; ++j) jac(5, j) = 0.0;
      jac(5, 5) = 1.0;
    }
    std::vector<double> rhs(n);
    for (double& v : rhs) v = value(rng) - 0.5;

    DenseStepMatrix dense(n);
    dense.SetPattern(pattern);
    SparseStepMatrix sparse;
    sparse.SetPattern(pattern);
    EXPECT_LT(sparse.PatternEntries(), n * n / 4);  // the factors stay sparse
    std::vector<double> x_dense = rhs, x_sparse = rhs;
    dense.Form(1.0, 1.0, jac, n);
    dense.Factor(cr.run);
    const std::string dense_console = cr.Text();
    EXPECT_EQ(dense_console.find("singular matrix in ludcmp") != std::string::npos, c.zero_row);
    sparse.Form(1.0, 1.0, jac, n);
    sparse.Factor(cr.run);
    // The dense path's report of a singular matrix comes once more, no other.
    EXPECT_EQ(cr.Text(), dense_console + dense_console);
    EXPECT_EQ(sparse.DenseFallbacks(), c.expect_fallback ? 1 : 0);
    dense.Solve(x_dense.data());
    sparse.Solve(x_sparse.data());
    for (int i = 0; i < n; ++i) {
      if (c.expect_fallback) {
        EXPECT_EQ(x_sparse[i], x_dense[i]) << i;  // the dense result itself
      } else {
        EXPECT_NEAR(x_sparse[i], x_dense[i], 1e-12 * (1.0 + std::fabs(x_dense[i]))) << i;
      }
    }
    // The same Jacobian stored over its pattern only gives the same factors
    // and solutions, to the bit, on either path.
    std::vector<std::vector<int>> sorted = pattern;
    for (auto& cols : sorted) {
      std::sort(cols.begin(), cols.end());
      cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
    }
    Matrix stored(n);
    stored.UsePattern(sorted);
    for (int i = 0; i < n; ++i)
      for (int j : sorted[i]) stored(i, j) = jac(i, j);
    // An entry outside the pattern reads 0, and a write to it is dropped.
    int free_column = 0;
    while (std::binary_search(sorted[0].begin(), sorted[0].end(), free_column)) ++free_column;
    stored(0, free_column) = 5.0;
    EXPECT_EQ(static_cast<const Matrix&>(stored)(0, free_column), 0.0);
    DenseStepMatrix dense_from_stored(n);
    dense_from_stored.SetPattern(pattern);
    dense_from_stored.Form(1.0, 1.0, stored, n);
    dense_from_stored.Factor(cr.run);
    std::vector<double> x_dense_stored = rhs;
    dense_from_stored.Solve(x_dense_stored.data());
    for (int i = 0; i < n; ++i) EXPECT_EQ(x_dense_stored[i], x_dense[i]) << i;
    SparseStepMatrix from_stored;
    from_stored.SetPattern(pattern);
    from_stored.Form(1.0, 1.0, stored, n);
    from_stored.Factor(cr.run);
    EXPECT_EQ(from_stored.DenseFallbacks(), sparse.DenseFallbacks());
    std::vector<double> x_stored = rhs;
    from_stored.Solve(x_stored.data());
    for (int i = 0; i < n; ++i) EXPECT_EQ(x_stored[i], x_sparse[i]) << i;

    // A second matrix with the same pattern reuses the set-up.
    sparse.Form(1.0, 0.5, jac, n);
    sparse.Factor(cr.run);
    dense.Form(1.0, 0.5, jac, n);
    dense.Factor(cr.run);
    std::vector<double> y_dense = rhs, y_sparse = rhs;
    dense.Solve(y_dense.data());
    sparse.Solve(y_sparse.data());
    for (int i = 0; i < n; ++i) EXPECT_NEAR(y_sparse[i], y_dense[i], 1e-12 * (1.0 + std::fabs(y_dense[i]))) << i;
  }
}

// A sparse kinetic Jacobian plus rank-one terms u g^T (every rate's
// dependence on the gas total, and on species sums): solving with the sparse
// factors of the rest and the Sherman-Morrison (one term) or Woodbury
// (several) correction gives the solution of the whole step matrix, and a
// Jacobian without active terms passes through untouched.
TEST(RankOneStepMatrix, SolvesTheWholeStepMatrixFromTheSparseRest) {
  const int n = 120;
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> value(0.1, 1.0);
  Matrix jac(n), whole(n);
  std::vector<std::vector<int>> pattern(n);
  for (int i = 0; i < n; ++i) {
    for (int j : {(i * 7 + 3) % n, (i * 11 + 1) % n}) {
      if (j == i) continue;
      jac(i, j) = value(rng);
      pattern[i].push_back(j);
    }
    jac(i, i) = -1.0 - 4.0 * value(rng);
    pattern[i].push_back(i);
  }
  jac.rank_one.u.assign(n, 0.0);
  jac.rank_one.g.assign(n, 0.0);
  for (int i = 0; i < n; ++i) {
    jac.rank_one.u[i] = i % 5 == 0 ? 3.0 * (value(rng) - 0.5) : 0.0;  // the balances [M] enters
    jac.rank_one.g[i] = i == n - 1 ? 0.0 : 1.0;                         // a temperature counts no gas
  }
  // Two species sums: the balances their readers enter, and their members.
  jac.sum_terms.resize(2);
  for (int m = 0; m < 2; ++m) {
    jac.sum_terms[m].u.assign(n, 0.0);
    jac.sum_terms[m].g.assign(n, 0.0);
    for (int i = 0; i < n; ++i) {
      jac.sum_terms[m].u[i] = i % (3 + m) == 1 ? 2.0 * (value(rng) - 0.5) : 0.0;
      jac.sum_terms[m].g[i] = i % (2 + m) == 0 ? 1.0 : 0.0;
    }
  }
  std::vector<double> rhs(n);
  for (double& v : rhs) v = value(rng) - 0.5;

  // Which terms are active: none, the total alone (Sherman-Morrison), a sum
  // alone, and all three (the Woodbury form).
  const std::array<std::array<bool, 3>, 4> cases{{{false, false, false}, {true, false, false},
                                                   {false, true, false}, {true, true, true}}};
  for (const auto& active : cases) {
    SCOPED_TRACE(::testing::Message() << "terms " << active[0] << active[1] << active[2]);
    testing::CapturedRun cr;
    jac.rank_one.active = active[0];
    jac.sum_terms[0].active = active[1];
    jac.sum_terms[1].active = active[2];
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        whole(i, j) = jac(i, j);
        if (active[0]) whole(i, j) += jac.rank_one.u[i] * jac.rank_one.g[j];
        for (int m = 0; m < 2; ++m)
          if (active[1 + m]) whole(i, j) += jac.sum_terms[m].u[i] * jac.sum_terms[m].g[j];
      }
    auto inner = MakeStepMatrix(pattern);
    ASSERT_NE(dynamic_cast<SparseStepMatrix*>(inner.get()), nullptr);
    RankOneStepMatrix m(std::move(inner), n);
    m.Form(1.0, 0.7, jac, n);
    m.Factor(cr.run);
    DenseStepMatrix reference(n);
    reference.Form(1.0, 0.7, whole, n);
    reference.Factor(cr.run);
    std::vector<double> x = rhs, expected = rhs;
    m.Solve(x.data());
    reference.Solve(expected.data());
    for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], expected[i], 1e-12 * (1.0 + std::fabs(expected[i]))) << i;
  }
}

TEST(MakeStepMatrix, SmallOrDenselyCoupledSystemsStayDense) {
  auto chain = [](int n, int width) {
    std::vector<std::vector<int>> pattern(n);
    for (int i = 0; i < n; ++i)
      for (int j = std::max(0, i - width); j <= std::min(n - 1, i + width); ++j) pattern[i].push_back(j);
    return pattern;
  };
  EXPECT_NE(dynamic_cast<DenseStepMatrix*>(MakeStepMatrix(chain(10, 1)).get()), nullptr);
  EXPECT_NE(dynamic_cast<SparseStepMatrix*>(MakeStepMatrix(chain(200, 2)).get()), nullptr);
  EXPECT_NE(dynamic_cast<DenseStepMatrix*>(MakeStepMatrix(chain(60, 59)).get()), nullptr);
}

}  // namespace
}  // namespace tarnavel
