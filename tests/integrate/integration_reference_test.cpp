// Whole integrations with the extrapolation step, driven the way the main
// loop drives it, against analytic solutions and the published reference
// solution of Robertson's stiff problem.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "integrate/extrapolation.hpp"
#include "integrate/test_systems.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TestSystem;

struct Outcome {
  std::vector<double> y;
  int steps = 0;
};

// Integrates from t = 0 to t_end: rates at the start of each step, error
// scale max(|y|, 1e-25), the trial step cut at the end time, the proposed
// step taken as the next trial step.
Outcome Integrate(TestSystem& sys, std::vector<double> y, double t_end, double h0, double eps,
                  bool rational) {
  CapturedRun c;
  const int n = sys.Size();
  ExtrapolationState st;
  ExtrapolationWork work(c.run.store.cap.max_species);
  std::vector<double> dydx(n), yscal(n);
  double x = 0.0, h = h0, hdid = 0.0, hnext = 0.0;
  bool reset = true;  // a fresh simulation
  Outcome out;
  while (t_end - x > 1e-12 * t_end) {
    if (x + h > t_end) h = t_end - x;
    sys.Derivs(y.data(), dydx.data());
    for (int i = 0; i < n; ++i) yscal[i] = std::max(std::fabs(y[i]), 1.0e-25);
    ExtrapolationStep(c.run, st, work, sys, y.data(), dydx.data(), n, x, h, eps, yscal.data(),
                      rational, reset, hdid, hnext);
    h = hnext;
    ++out.steps;
  }
  EXPECT_EQ(c.Text(), "");
  out.y = y;
  return out;
}

class Integration : public ::testing::TestWithParam<bool> {};  // rational extrapolation?

TEST_P(Integration, FirstOrderDecayFollowsTheExponential) {
  const double k = 2.5;
  TestSystem sys(1, [k](const double* y, double* f) { f[0] = -k * y[0]; });
  for (double t_end : {0.1, 1.0, 2.0}) {
    const Outcome out = Integrate(sys, {3.0}, t_end, 1e-6, 1e-8, GetParam());
    EXPECT_NEAR(out.y[0] / (3.0 * std::exp(-k * t_end)), 1.0, 1e-6) << t_end;
  }
}

TEST_P(Integration, ConsecutiveReactionFollowsItsAnalyticSolution) {
  // A -> B (k1), B -> C (k2).
  const double k1 = 1.0, k2 = 0.25;
  TestSystem sys(3, [=](const double* y, double* f) {
    f[0] = -k1 * y[0];
    f[1] = k1 * y[0] - k2 * y[1];
    f[2] = k2 * y[1];
  });
  for (double t : {0.5, 4.0, 10.0}) {
    const Outcome out = Integrate(sys, {1.0, 0.0, 0.0}, t, 1e-4, 1e-8, GetParam());
    const double a = std::exp(-k1 * t);
    const double b = k1 / (k2 - k1) * (std::exp(-k1 * t) - std::exp(-k2 * t));
    const double c = 1.0 - a - b;
    EXPECT_NEAR(out.y[0] / a, 1.0, 1e-6) << t;
    EXPECT_NEAR(out.y[1] / b, 1.0, 1e-6) << t;
    EXPECT_NEAR(out.y[2] / c, 1.0, 1e-6) << t;
  }
}

TEST_P(Integration, RobertsonMatchesTheReferenceSolutionAtForty) {
  TestSystem sys = testing::Robertson();
  const Outcome out = Integrate(sys, {1.0, 0.0, 0.0}, 40.0, 1e-6, 1e-8, GetParam());
  EXPECT_NEAR(out.y[0] / 0.7158270687193941, 1.0, 1e-5);
  EXPECT_NEAR(out.y[1] / 9.185534764557338e-06, 1.0, 1e-5);
  EXPECT_NEAR(out.y[2] / 0.2841637457458413, 1.0, 1e-5);
  // A stiff integrator crosses the fast transient in a modest number of steps.
  EXPECT_LT(out.steps, 400);
}

INSTANTIATE_TEST_SUITE_P(Extrapolation, Integration, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Rational" : "Polynomial";
                         });

}  // namespace
}  // namespace tarnavel
