// One step of the Cash-Karp integrator: the order of the tableau, the step
// control at its thresholds, NaN rates and the step-size underflow.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/stop.hpp"
#include "integrate/cash_karp.hpp"
#include "integrate/test_systems.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TestSystem;

// y' = -y^2 from y(0) = 1: y(t) = 1 / (1 + t).
TestSystem Quadratic() {
  return TestSystem(1, [](const double* y, double* f) { f[0] = -y[0] * y[0]; });
}

struct Stepper {
  explicit Stepper(TestSystem& s) : sys(s), work(4), dydx(s.Size()), yscal(s.Size(), 1.0) {}

  // One step from (x, y) with htry and scale 1; returns hdid.
  double Step(std::vector<double>& y, double& x, double htry, double eps) {
    sys.Derivs(y.data(), dydx.data());
    double hdid = 0.0;
    CashKarpStep(c.run, work, sys, y.data(), dydx.data(), sys.Size(), x, htry, eps, yscal.data(), hdid, hnext);
    return hdid;
  }
  // The error estimate of a single attempt of size h from y.
  double AttemptError(const std::vector<double>& y, double h) {
    sys.Derivs(y.data(), dydx.data());
    CashKarpAttempt(work, sys, y.data(), dydx.data(), sys.Size(), h);
    return std::fabs(work.y_error[0]);
  }

  TestSystem& sys;
  CapturedRun c;
  CashKarpWork work;
  std::vector<double> dydx, yscal;
  double hnext = 0.0;
};

struct OrderCase {
  std::string name;
  TestSystem sys;
  double (*exact)(double h);  // solution from y(0) = 1
  std::vector<double> steps;  // successive halvings
};

TEST(CashKarpAttempt, IsOfFifthOrderWithAFourthOrderErrorEstimate) {
  // Halving h divides the local error of the fifth-order result by about 2^6
  // and the error estimate (the local error of the fourth-order result) by
  // about 2^5. A wrong tableau entry lowers one of these rates; the
  // nonlinear case checks the conditions a linear problem cannot see.
  std::vector<OrderCase> cases;
  cases.push_back({"linear", testing::FirstOrderDecay(1, 1.0), [](double h) { return std::exp(-h); },
                   {0.1, 0.05, 0.025}});
  cases.push_back({"quadratic", Quadratic(), [](double h) { return 1.0 / (1.0 + h); }, {0.05, 0.025, 0.0125}});
  for (OrderCase& c : cases) {
    Stepper s(c.sys);
    double previous_error = 0.0, previous_estimate = 0.0;
    for (double h : c.steps) {
      const double estimate = s.AttemptError({1.0}, h);
      const double error = std::fabs(s.work.y_new[0] - c.exact(h));
      if (previous_error > 0.0) {
        EXPECT_GT(std::log2(previous_error / error), 5.5) << c.name << " h " << h;
        const double estimate_rate = std::log2(previous_estimate / estimate);
        EXPECT_GT(estimate_rate, 4.3) << c.name << " h " << h;
        EXPECT_LT(estimate_rate, 5.3) << c.name << " h " << h;
      }
      previous_error = error;
      previous_estimate = estimate;
    }
  }
}

TEST(CashKarpStepControl, GrowthAndShrinkFollowTheErrorMeasure) {
  struct Case {
    double errmax;
    double factor;  // of h
  };
  const Case next[] = {
      {1.0, 0.9},                               // the largest accepted error
      {1.0e-2, 0.9 * std::pow(10.0, 0.4)},      // 0.9 * errmax^-0.2
      {2.0e-4, 0.9 * std::pow(2.0e-4, -0.2)},   // just above the growth threshold: 4.98
      {1.89e-4, 5.0},                           // at the threshold: the largest growth
      {1.0e-4, 5.0},
      {0.0, 5.0},                               // an exact step
  };
  for (const Case& c : next) EXPECT_NEAR(CashKarpNextStep(2.0, c.errmax), 2.0 * c.factor, 1e-14) << c.errmax;
  const Case retry[] = {
      {16.0, 0.45},                             // 0.9 * 16^-0.25
      {1.0e8, 0.009},                           // no lower bound on the reduction
      {std::numeric_limits<double>::infinity(), 0.0},
  };
  for (const Case& c : retry) EXPECT_NEAR(CashKarpRetryStep(2.0, c.errmax), 2.0 * c.factor, 1e-14) << c.errmax;
}

TEST(CashKarpStep, AnErrorOfExactlyTheAccuracyIsAccepted) {
  TestSystem sys = testing::FirstOrderDecay(1, 1.0);
  Stepper s(sys);
  const double h = 0.3;
  const double eps = s.AttemptError({1.0}, h);  // errmax = 1 exactly
  const double expected = s.work.y_new[0];
  std::vector<double> y = {1.0};
  double x = 2.0;
  EXPECT_EQ(s.Step(y, x, h, eps), h);
  EXPECT_EQ(x, 2.0 + h);
  EXPECT_EQ(y[0], expected);
  EXPECT_DOUBLE_EQ(s.hnext, 0.9 * h);
}

TEST(CashKarpStep, ARejectedAttemptRetriesWithTheShrunkStep) {
  // errmax = 16 on the first attempt: the retry uses 0.45 h, where the
  // error (about 16 * 0.45^5 = 0.3) is accepted.
  TestSystem sys = testing::FirstOrderDecay(1, 1.0);
  Stepper s(sys);
  const double h = 0.3;
  const double eps = s.AttemptError({1.0}, h) / 16.0;
  std::vector<double> y = {1.0};
  double x = 0.0;
  const double hdid = s.Step(y, x, h, eps);
  EXPECT_DOUBLE_EQ(hdid, 0.45 * h);
  EXPECT_EQ(x, hdid);
  EXPECT_NEAR(y[0], std::exp(-hdid), 1e-9);
  EXPECT_GT(s.hnext, hdid);  // the accepted error is below 1: the step grows
}

TEST(CashKarpStep, AStepThatCannotBeTakenIsFatal95) {
  struct Case {
    std::string name;
    TestSystem sys;
    double x;
    double eps;
  };
  std::vector<Case> cases;
  // NaN rates away from the start: the error is infinite, the step shrinks
  // to nothing instead of accepting a NaN state.
  cases.push_back({"NaN rates", TestSystem(1, [](const double* y, double* f) {
                     f[0] = y[0] == 1.0 ? -1.0 : std::numeric_limits<double>::quiet_NaN();
                   }),
                   0.0, 1e-6});
  // An accuracy that cannot be met at a late time: the step shrinks below
  // the resolution of x.
  cases.push_back({"accuracy out of reach", testing::FirstOrderDecay(1, 1.0), 1.0e12, 1e-30});
  for (Case& c : cases) {
    Stepper s(c.sys);
    std::vector<double> y = {1.0};
    double x = c.x;
    try {
      s.Step(y, x, 0.1, c.eps);
      ADD_FAILURE() << c.name << ": the step returned";
    } catch (const ProgramStop& stop) {
      EXPECT_EQ(stop.fatal_number, 95) << c.name;
    }
    EXPECT_EQ(y[0], 1.0) << c.name;  // nothing was accepted
    EXPECT_EQ(x, c.x) << c.name;
    const std::vector<std::string> lines = s.c.Lines();
    ASSERT_FALSE(lines.empty()) << c.name;
    EXPECT_EQ(lines[0], " Internal Error:stepsize underflow in rkqs") << c.name;
    EXPECT_NE(s.c.Text().find("A Stepsize underflow error has happened"), std::string::npos) << c.name;
  }
}

}  // namespace
}  // namespace tarnavel
