// Forward-difference Jacobian: agreement with the analytic Jacobian of a
// small nonlinear mechanism, the increment actually represented, the
// increment of a species at zero, and the restored state vector.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "integrate/numerical_jacobian.hpp"
#include "integrate/test_systems.hpp"

namespace tarnavel {
namespace {

using testing::TestSystem;

// 2A -> B (k1 = 2), B + C -> A (k2 = 1), C -> (k3 = 0.5), written out.
void Mechanism(const double* y, double* f) {
  f[0] = -2.0 * 2.0 * y[0] * y[0] + y[1] * y[2];
  f[1] = 2.0 * y[0] * y[0] - y[1] * y[2];
  f[2] = -y[1] * y[2] - 0.5 * y[2];
}

TEST(NumJacobian, AgreesWithTheAnalyticJacobian) {
  TestSystem sys(3, Mechanism);
  std::vector<double> y = {0.8, 1.3, 0.4};
  const std::vector<double> y0 = y;
  std::vector<double> f0(3), work(3);
  sys.Derivs(y.data(), f0.data());
  Matrix dfdy(5);
  NumJacobian(sys, y.data(), f0.data(), 3, dfdy, work.data());

  const double analytic[3][3] = {
      {-8.0 * y0[0], y0[2], y0[1]},
      {4.0 * y0[0], -y0[2], -y0[1]},
      {0.0, -y0[2], -y0[1] - 0.5},
  };
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(dfdy(i, j), analytic[i][j], 1e-6 * (1.0 + std::fabs(analytic[i][j]))) << i << "," << j;
  EXPECT_EQ(y, y0);  // every perturbed value restored exactly
  EXPECT_EQ(sys.derivs_calls, 1 + 3);
}

TEST(NumJacobian, DividesByTheIncrementActuallyRepresented) {
  // For dydx = y the difference quotient is exactly 1 only when the divisor
  // is the increment the perturbed value really carries.
  const std::vector<double> values = {0.7, 3.0, 123.456, 1.0e-3, 6.02e23, 0.1};
  int inexact = 0;
  for (double v : values) {
    const double d = std::fabs(v) * 1.0e-8;
    if ((v + d) - v != d) ++inexact;
  }
  ASSERT_GT(inexact, 0) << "no value exercises the represented increment";

  const int n = static_cast<int>(values.size());
  TestSystem identity(n, [n](const double* y, double* f) {
    for (int i = 0; i < n; ++i) f[i] = y[i];
  });
  std::vector<double> y = values, f0(n), work(n);
  identity.Derivs(y.data(), f0.data());
  Matrix dfdy(n);
  NumJacobian(identity, y.data(), f0.data(), n, dfdy, work.data());
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) EXPECT_EQ(dfdy(i, j), i == j ? 1.0 : 0.0) << i << "," << j;
}

TEST(NumJacobian, PerturbsASpeciesAtZeroByOneEMinusEight) {
  std::vector<double> seen;
  TestSystem sys(2, [&seen](const double* y, double* f) {
    seen.push_back(y[0]);
    f[0] = -3.0 * y[0];
    f[1] = 3.0 * y[0];
  });
  std::vector<double> y = {0.0, 2.0}, f0(2), work(2);
  sys.Derivs(y.data(), f0.data());
  Matrix dfdy(2);
  NumJacobian(sys, y.data(), f0.data(), 2, dfdy, work.data());
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1], 1.0e-8);  // column 0 perturbed from 0
  EXPECT_EQ(seen[2], 0.0);     // and restored before column 1
  EXPECT_NEAR(dfdy(0, 0), -3.0, 1e-9);
  EXPECT_NEAR(dfdy(1, 0), 3.0, 1e-9);
  EXPECT_EQ(y[0], 0.0);
}

}  // namespace
}  // namespace tarnavel
