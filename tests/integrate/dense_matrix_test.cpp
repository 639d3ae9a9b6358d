// LU decomposition and back-substitution: solutions of small systems, the
// choice of pivot by scaled magnitude, the zero pivot and the singular row.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "integrate/dense_matrix.hpp"
#include "integrate/step_matrix.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Rows = std::vector<std::vector<double>>;

// Work arrays of one decomposition, for a matrix of capacity `cap`.
struct Lu {
  explicit Lu(int cap) : a(cap), pivot(cap), scale(cap) {}
  void Load(const Rows& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
      for (std::size_t j = 0; j < rows.size(); ++j) a(int(i), int(j)) = rows[i][j];
  }
  Matrix a;
  std::vector<int> pivot;
  std::vector<double> scale;
};

std::vector<double> Multiply(const Rows& rows, const std::vector<double>& x) {
  std::vector<double> b(rows.size(), 0.0);
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < x.size(); ++j) b[i] += rows[i][j] * x[j];
  return b;
}

struct SolveCase {
  const char* name;
  Rows a;
  std::vector<double> x;
};

TEST(LuSolve, ReproducesKnownSolutions) {
  const std::vector<SolveCase> cases = {
      {"two by two", {{4, 3}, {6, 3}}, {1, 2}},
      {"zero in the first pivot position", {{0, 2, 1}, {1, 1, 1}, {2, 1, 0}}, {1, -1, 2}},
      {"right-hand side with leading zeros",
       {{2, 0, 0, 0}, {1, 3, 0, 0}, {0, 1, 4, 0}, {1, 0, 1, 5}},
       {0, 0, 1, 2}},
      {"rows of very different size",
       {{1e-6, 2e-6, 0, 1e-6}, {3, 1, 4, 1}, {5e8, 9e8, 2e8, 6e8}, {5, 3, 5, 8}},
       {1.5, -2.25, 0.125, 4}},
      {"one equation", {{-7}}, {3}},
  };
  for (const SolveCase& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedRun run;
    const int n = static_cast<int>(c.x.size());
    Lu lu(6);  // capacity larger than the system, as in a run
    lu.Load(c.a);
    LuDecompose(run.run, lu.a, n, lu.pivot.data(), lu.scale.data());
    std::vector<double> b = Multiply(c.a, c.x);
    LuBackSubstitute(lu.a, n, lu.pivot.data(), b.data());
    for (int i = 0; i < n; ++i) EXPECT_NEAR(b[i], c.x[i], 1e-12 * (1.0 + std::fabs(c.x[i]))) << i;
    EXPECT_EQ(run.Text(), "");
  }
}

TEST(LuSolve, FactorsServeSeveralRightHandSides) {
  CapturedRun run;
  const Rows a = {{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}};
  Lu lu(3);
  lu.Load(a);
  LuDecompose(run.run, lu.a, 3, lu.pivot.data(), lu.scale.data());
  for (const std::vector<double>& x : {std::vector<double>{1, 0, 0}, {0, 0, 1}, {-3, 2, 7}}) {
    std::vector<double> b = Multiply(a, x);
    LuBackSubstitute(lu.a, 3, lu.pivot.data(), b.data());
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(b[i], x[i], 1e-13);
  }
}

TEST(LuDecompose, ChoosesThePivotByMagnitudeRelativeToItsRow) {
  // Row 0 has the larger entry in column 0 but is dominated by its 1e10;
  // relative to their rows, row 1 holds the better pivot.
  CapturedRun run;
  const Rows a = {{2, 1e10}, {1, 1}};
  Lu lu(2);
  lu.Load(a);
  LuDecompose(run.run, lu.a, 2, lu.pivot.data(), lu.scale.data());
  EXPECT_EQ(lu.pivot[0], 1);
  EXPECT_EQ(lu.a(0, 0), 1.0);  // row 1 moved up
  std::vector<double> b = Multiply(a, {3, -1});
  LuBackSubstitute(lu.a, 2, lu.pivot.data(), b.data());
  EXPECT_NEAR(b[0], 3.0, 1e-9);
  EXPECT_NEAR(b[1], -1.0, 1e-15);
}

// Crout's method written out column by column, as a reference for the
// factors: the sums run over increasing k.
void CroutReference(Rows& a, std::vector<int>& pivot) {
  const int n = static_cast<int>(a.size());
  std::vector<double> scale(n);
  for (int i = 0; i < n; ++i) {
    double big = 0.0;
    for (double v : a[i]) big = std::max(big, std::fabs(v));
    scale[i] = 1.0 / big;
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i)
      for (int k = 0; k < i; ++k) a[i][j] -= a[i][k] * a[k][j];
    double big = 0.0;
    int imax = j;
    for (int i = j; i < n; ++i) {
      for (int k = 0; k < j; ++k) a[i][j] -= a[i][k] * a[k][j];
      if (scale[i] * std::fabs(a[i][j]) >= big) {
        big = scale[i] * std::fabs(a[i][j]);
        imax = i;
      }
    }
    if (imax != j) {
      std::swap(a[imax], a[j]);
      scale[imax] = scale[j];
    }
    pivot[j] = imax;
    for (int i = j + 1; i < n; ++i) a[i][j] *= 1.0 / a[j][j];
  }
}

TEST(LuDecompose, GivesCroutsFactorsExactly) {
  std::mt19937_64 gen(271828);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n : {2, 5, 13, 40}) {
    SCOPED_TRACE(n);
    Rows rows(n, std::vector<double>(n));
    for (int i = 0; i < n; ++i) {
      for (double& v : rows[i]) v = u(gen) > 0.4 ? 0.0 : u(gen) * std::pow(10.0, 5.0 * u(gen));
      rows[i][i] += 1.0;  // no zero row
    }
    CapturedRun run;
    Lu lu(n + 2);
    lu.Load(rows);
    LuDecompose(run.run, lu.a, n, lu.pivot.data(), lu.scale.data());
    std::vector<int> pivot(n);
    CroutReference(rows, pivot);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(lu.pivot[i], pivot[i]);
      for (int j = 0; j < n; ++j) EXPECT_EQ(lu.a(i, j), rows[i][j]) << i << "," << j;
    }
  }
}

TEST(LuDecompose, ReplacesAZeroPivotWithoutComplaint) {
  CapturedRun run;
  Lu lu(2);
  lu.Load({{1, 2}, {2, 4}});
  LuDecompose(run.run, lu.a, 2, lu.pivot.data(), lu.scale.data());
  EXPECT_EQ(lu.a(1, 1), kZeroPivot);
  std::vector<double> b = {3, 6};
  LuBackSubstitute(lu.a, 2, lu.pivot.data(), b.data());
  EXPECT_TRUE(std::isfinite(b[0]) && std::isfinite(b[1]));
  EXPECT_EQ(run.Text(), "");
}

TEST(StepMatrix, ASingularRowIsReportedWaitsForEnterAndStaysFinite) {
  // M = I - dfdy has an all-zero first row.
  CapturedRun run(kStandardCapacity, "\nnot read\n");
  Matrix dfdy(4);
  dfdy(0, 0) = 1.0;
  dfdy(1, 0) = 0.5;
  dfdy(1, 1) = -1.0;
  DenseStepMatrix m(4);
  m.Form(1.0, 1.0, dfdy, 2);
  m.Factor(run.run);
  EXPECT_EQ(run.Lines(), (std::vector<std::string>{
                             " singular matrix in ludcmp",
                             "  ***  Please press the <ENTER> key to continue.  *** "}));
  std::string rest;
  std::getline(run.in, rest);
  EXPECT_EQ(rest, "not read");  // exactly one line was taken by the pause

  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) EXPECT_TRUE(std::isfinite(m.Factors()(i, j)));
  double b[2] = {1.0, 1.0};
  m.Solve(b);
  EXPECT_TRUE(std::isfinite(b[0]) && std::isfinite(b[1]));
}

TEST(StepMatrix, FormsDiagonalMinusScaledJacobian) {
  // Solving (d*I - s*J) x = b for a diagonal J gives x_i = b_i / (d - s*J_ii).
  CapturedRun run;
  Matrix dfdy(3);
  dfdy(0, 0) = -2.0;
  dfdy(1, 1) = 5.0;
  dfdy(2, 2) = 0.0;
  DenseStepMatrix m(3);
  m.Form(3.0, 0.5, dfdy, 3);
  m.Factor(run.run);
  double b[3] = {4.0, 1.0, 6.0};
  m.Solve(b);
  EXPECT_DOUBLE_EQ(b[0], 1.0);
  EXPECT_DOUBLE_EQ(b[1], 2.0);
  EXPECT_DOUBLE_EQ(b[2], 2.0);
}

}  // namespace
}  // namespace tarnavel
