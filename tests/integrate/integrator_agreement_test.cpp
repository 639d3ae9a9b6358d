// Whole integrations with each of the three step routines, driven the way
// the main loop drives them: every integrator must follow the analytic
// solutions, the stiff ones Robertson's reference solution, and all of them
// must agree with each other.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "integrate/cash_karp.hpp"
#include "integrate/extrapolation.hpp"
#include "integrate/rosenbrock.hpp"
#include "integrate/test_systems.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TestSystem;

enum class Method { kExtrapolation, kCashKarp, kRosenbrock };

std::string Name(Method m) {
  switch (m) {
    case Method::kExtrapolation:
      return "Extrapolation";
    case Method::kCashKarp:
      return "CashKarp";
    default:
      return "Rosenbrock";
  }
}

struct Solution {
  std::vector<double> y;
  int steps = 0;
};

// Integrates from t = 0 to t_end: rates at the start of each step, error
// scale max(|y|, 1e-25), the trial step cut at the end time, the proposed
// step taken as the next trial step.
Solution Solve(Method method, TestSystem& sys, std::vector<double> y, double t_end, double h0, double eps) {
  CapturedRun c;
  const int n = sys.Size();
  ExtrapolationState st;
  ExtrapolationWork ework(16);
  CashKarpWork cwork(16);
  RosenbrockWork rwork;
  std::vector<double> dydx(n), yscal(n);
  double x = 0.0, h = h0, hdid = 0.0, hnext = 0.0;
  bool reset = true;
  Solution out;
  while (t_end - x > 1e-12 * t_end) {
    if (x + h > t_end) h = t_end - x;
    sys.Derivs(y.data(), dydx.data());
    for (int i = 0; i < n; ++i) yscal[i] = std::max(std::fabs(y[i]), 1.0e-25);
    switch (method) {
      case Method::kExtrapolation:
        ExtrapolationStep(c.run, st, ework, sys, y.data(), dydx.data(), n, x, h, eps, yscal.data(), false,
                          reset, hdid, hnext);
        break;
      case Method::kCashKarp:
        CashKarpStep(c.run, cwork, sys, y.data(), dydx.data(), n, x, h, eps, yscal.data(), hdid, hnext);
        break;
      case Method::kRosenbrock:
        RosenbrockStep(c.run, rwork, sys, y.data(), dydx.data(), n, x, h, eps, yscal.data(), hdid, hnext);
        break;
    }
    h = hnext;
    ++out.steps;
  }
  EXPECT_EQ(c.Text(), "");  // nothing to report on a healthy run
  out.y = y;
  return out;
}

void ExpectRelative(const std::vector<double>& got, const std::vector<double>& want, double tol,
                    const std::string& what) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i] / want[i], 1.0, tol) << what << " component " << i;
}

class EveryIntegrator : public ::testing::TestWithParam<Method> {};

TEST_P(EveryIntegrator, FirstOrderDecayFollowsTheExponential) {
  const double k = 2.5;
  TestSystem sys = testing::FirstOrderDecay(2, k);
  for (double t_end : {0.1, 1.0, 4.0}) {
    const Solution s = Solve(GetParam(), sys, {3.0, 1.0e-6}, t_end, 1e-6, 1e-8);
    const double decay = std::exp(-k * t_end);
    ExpectRelative(s.y, {3.0 * decay, 1.0e-6 * decay}, 1e-6, "t " + std::to_string(t_end));
  }
}

TEST_P(EveryIntegrator, ConsecutiveReactionFollowsItsAnalyticSolution) {
  const double k1 = 1.0, k2 = 0.25;
  TestSystem sys = testing::Consecutive(k1, k2);
  for (double t : {0.5, 4.0, 10.0}) {
    const Solution s = Solve(GetParam(), sys, {1.0, 0.0, 0.0}, t, 1e-4, 1e-8);
    ExpectRelative(s.y, testing::ConsecutiveSolution(k1, k2, t), 1e-6, "t " + std::to_string(t));
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, EveryIntegrator,
                         ::testing::Values(Method::kExtrapolation, Method::kCashKarp, Method::kRosenbrock),
                         [](const ::testing::TestParamInfo<Method>& info) { return Name(info.param); });

TEST(StiffIntegrators, RosenbrockMatchesRobertsonsReferenceAtForty) {
  TestSystem sys = testing::Robertson();
  const Solution s = Solve(Method::kRosenbrock, sys, {1.0, 0.0, 0.0}, 40.0, 1e-6, 1e-8);
  ExpectRelative(s.y, testing::kRobertsonAtForty, 1e-5, "Robertson");
  // A stiff method crosses the fast transient in far fewer steps than the
  // explicit one, whose step stays bounded by stability.
  const Solution ck = Solve(Method::kCashKarp, sys, {1.0, 0.0, 0.0}, 40.0, 1e-6, 1e-8);
  EXPECT_LT(3 * s.steps, ck.steps);
}

TEST(StiffIntegrators, AgreeWithEachOtherOnRobertson) {
  TestSystem sys = testing::Robertson();
  for (double t : {0.4, 4.0, 40.0}) {
    const Solution bd = Solve(Method::kExtrapolation, sys, {1.0, 0.0, 0.0}, t, 1e-6, 1e-8);
    const Solution ros = Solve(Method::kRosenbrock, sys, {1.0, 0.0, 0.0}, t, 1e-6, 1e-8);
    ExpectRelative(ros.y, bd.y, 1e-5, "t " + std::to_string(t));
  }
}

TEST(AllIntegrators, AgreeWithEachOtherOnANonStiffNonlinearModel) {
  // A + B -> C (k1), C -> A + B (k2), a reversible second-order pair with no
  // simple closed form: the three methods must land on the same point.
  TestSystem sys(3, [](const double* y, double* f) {
    const double forward = 0.8 * y[0] * y[1];
    const double back = 0.3 * y[2];
    f[0] = f[1] = back - forward;
    f[2] = forward - back;
  });
  const std::vector<double> y0 = {1.0, 0.6, 0.05};
  const Solution ck = Solve(Method::kCashKarp, sys, y0, 5.0, 1e-4, 1e-9);
  const Solution bd = Solve(Method::kExtrapolation, sys, y0, 5.0, 1e-4, 1e-9);
  const Solution ros = Solve(Method::kRosenbrock, sys, y0, 5.0, 1e-4, 1e-9);
  ExpectRelative(bd.y, ck.y, 1e-7, "extrapolation against Cash-Karp");
  ExpectRelative(ros.y, ck.y, 1e-7, "Rosenbrock against Cash-Karp");
  // Mass is conserved exactly by the linear invariants of every method.
  EXPECT_NEAR(ck.y[0] + ck.y[2], 1.05, 1e-12);
  EXPECT_NEAR(ros.y[1] + ros.y[2], 0.65, 1e-12);
}

}  // namespace
}  // namespace tarnavel
