// One step of the Rosenbrock integrator: its order, the step control at its
// thresholds, the retries with the Jacobian of the start point, NaN rates,
// MAXTRY, the step-size underflow and the size of its step matrix.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/stop.hpp"
#include "integrate/rosenbrock.hpp"
#include "integrate/test_systems.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TestSystem;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A scalar system with the exact Jacobian -k that records the point of
// every rate evaluation. `poison` makes the rates NaN away from y = 1.
class RecordingDecay : public OdeSystem {
 public:
  explicit RecordingDecay(double k, bool poison = false) : k_(k), poison_(poison) {}
  void Derivs(const double* y, double* f) override {
    points.push_back(y[0]);
    f[0] = poison_ && y[0] != 1.0 ? kNaN : -k_ * y[0];
  }
  void Jacobian(const double*, const double*, Matrix& dfdy) override { dfdy(0, 0) = -k_; }

  // The step of each attempt, recovered from its first stage point
  // y = 1 + 2 g1 with g1 = -k / (2/h + k), when the step started at y = 1.
  std::vector<double> AttemptSteps() const {
    std::vector<double> h;
    for (size_t i = 0; i < points.size(); i += 2) {
      const double g1 = (points[i] - 1.0) / 2.0;
      h.push_back(2.0 / (-k_ / g1 - k_));
    }
    return h;
  }

  std::vector<double> points;

 private:
  double k_;
  bool poison_;
};

struct Stepper {
  explicit Stepper(OdeSystem& s, int n = 1, int capacity = kRosenbrockCapacity)
      : sys(s), n(n), work(capacity), dydx(n), yscal(n, 1.0) {}

  // One step from (x, y) with htry and scale 1; returns hdid. The rates at
  // the start are supplied, as the main loop supplies them.
  double Step(std::vector<double>& y, double& x, double htry, double eps, const std::vector<double>& rates) {
    dydx = rates;
    double hdid = -1.0;
    RosenbrockStep(c.run, work, sys, y.data(), dydx.data(), n, x, htry, eps, yscal.data(), hdid, hnext);
    return hdid;
  }

  OdeSystem& sys;
  int n;
  CapturedRun c;
  RosenbrockWork work;
  std::vector<double> dydx, yscal;
  double hnext = -1.0;
};

// Saves the start point (y, its rates and Jacobian) in work, as a step
// does before its first attempt.
void SaveStart(RosenbrockWork& work, OdeSystem& sys, const std::vector<double>& y) {
  std::copy(y.begin(), y.end(), work.y_start.begin());
  sys.Derivs(y.data(), work.dydx_start.data());
  sys.Jacobian(y.data(), work.dydx_start.data(), work.dfdy);
}

struct OrderCase {
  std::string name;
  TestSystem sys;
  double (*exact)(double h);  // solution from y(0) = 1
  std::vector<double> steps;  // successive halvings
};

TEST(RosenbrockAttempt, IsOfFourthOrderWithAThirdOrderErrorEstimate) {
  // Halving h divides the local error of the result by about 2^5 and the
  // error estimate (the local error of the third-order result) by about
  // 2^4. A wrong method coefficient lowers one of these rates.
  std::vector<OrderCase> cases;
  cases.push_back({"linear", testing::FirstOrderDecay(1, 1.0), [](double h) { return std::exp(-h); },
                   {0.1, 0.05, 0.025}});
  cases.push_back({"quadratic", TestSystem(1, [](const double* y, double* f) { f[0] = -y[0] * y[0]; }),
                   [](double h) { return 1.0 / (1.0 + h); }, {0.04, 0.02, 0.01}});
  for (OrderCase& c : cases) {
    CapturedRun run;
    RosenbrockWork work;
    SaveStart(work, c.sys, {1.0});
    double previous_error = 0.0, previous_estimate = 0.0;
    for (double h : c.steps) {
      double y = 0.0;
      RosenbrockAttempt(run.run, work, c.sys, 1, h, &y);
      const double error = std::fabs(y - c.exact(h));
      const double estimate = std::fabs(work.y_error[0]);
      if (previous_error > 0.0) {
        EXPECT_GT(std::log2(previous_error / error), 4.6) << c.name << " h " << h;
        EXPECT_NEAR(std::log2(previous_estimate / estimate), 4.0, 0.3) << c.name << " h " << h;
      }
      previous_error = error;
      previous_estimate = estimate;
    }
  }
}

TEST(RosenbrockStepControl, GrowthAndShrinkFollowTheErrorMeasure) {
  struct Case {
    double errmax;
    double factor;  // of h
  };
  const Case next[] = {
      {1.0, 0.9},
      {0.2, 0.9 * std::pow(0.2, -0.25)},
      {0.1296, 1.5},  // at the threshold both rules give 1.5
      {0.01, 1.5},    // below it the growth is capped
      {0.0, 1.5},
  };
  for (const Case& c : next) EXPECT_NEAR(RosenbrockNextStep(2.0, c.errmax), 2.0 * c.factor, 1e-14) << c.errmax;
  const Case retry[] = {
      {1000.0, 0.5},  // max(0.09, 0.5)
      {2.0, 0.9 * std::pow(2.0, -1.0 / 3.0)},
      {std::numeric_limits<double>::infinity(), 0.5},
      {kNaN, 0.5},
  };
  for (const Case& c : retry) EXPECT_NEAR(RosenbrockRetryStep(2.0, c.errmax), 2.0 * c.factor, 1e-14) << c.errmax;
}

TEST(RosenbrockStepControl, AnErrorThatDoesNotFallWithTheStepIsSaturated) {
  struct Case {
    double h, errmax, previous_h, previous_errmax;
    bool saturated;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.85, 1.19, 1.0, 1.2, true},    // the step fell by 15 %, the error by 1 %
      {0.5, 1.3, 1.0, 1.2, true},      // a smaller step with a larger error
      {0.5, 0.15, 1.0, 1.2, false},    // the error fell as the cube of the step
      {0.5, 0.6, 1.0, 1.2, false},     // in proportion to the step: not saturated
      {1.0, 1.2, 0.0, 0.0, false},     // the first attempt has nothing to compare with
      {0.5, inf, 1.0, 1.2, false},     // a non-finite error gives no evidence
      {0.5, 1.2, 1.0, kNaN, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RosenbrockErrorSaturated(c.h, c.errmax, c.previous_h, c.previous_errmax), c.saturated)
        << c.h << " " << c.errmax;
}

TEST(RosenbrockStep, AFastSpeciesOffItsSteadyStateBringsTheStepDownToItsTimeScale) {
  // B follows A within 1e-12 s but starts 1.8e-8 (relative) above it. With
  // steps far longer than that, the error estimate stays near 2/3 of the
  // offset, 1.2 times the accuracy, whatever the step: retries that shrink
  // by 15 % each would use up all the attempts and stop the run.
  constexpr double kFast = 1.0e12;
  TestSystem sys(2, [](const double* y, double* f) {
    f[0] = -y[0];
    f[1] = kFast * (y[0] - y[1]);
  });
  Stepper s(sys, 2);
  const double offset = 1.8e-8;
  std::vector<double> y = {1.0, 1.0 + offset};
  std::vector<double> rates(2);
  sys.Derivs(y.data(), rates.data());
  double x = 0.0;
  const double hdid = s.Step(y, x, 1.0e-3, 1.0e-8, rates);
  EXPECT_LT(hdid, 10.0 / kFast);
  EXPECT_EQ(x, hdid);
  EXPECT_NEAR(y[0], std::exp(-hdid), 1e-14);
  EXPECT_LT(std::fabs(y[1] - y[0]), offset / 2);  // B has relaxed towards A
  EXPECT_EQ(s.c.Text(), "");
}

TEST(RosenbrockStep, AcceptsAnErrorOfExactlyTheAccuracy) {
  TestSystem sys = testing::FirstOrderDecay(1, 1.0);
  CapturedRun run;
  RosenbrockWork probe;
  SaveStart(probe, sys, {1.0});
  double y_probe = 0.0;
  const double h = 0.2;
  RosenbrockAttempt(run.run, probe, sys, 1, h, &y_probe);
  const double eps = std::fabs(probe.y_error[0]);  // errmax = 1 exactly

  Stepper s(sys);
  std::vector<double> y = {1.0};
  double x = 5.0;
  EXPECT_EQ(s.Step(y, x, h, eps, {-1.0}), h);
  EXPECT_EQ(x, 5.0 + h);
  EXPECT_EQ(y[0], y_probe);
  EXPECT_DOUBLE_EQ(s.hnext, 0.9 * h);
}

TEST(RosenbrockStep, RetriesFromTheStartWithTheStartJacobian) {
  // The first attempt's error is 1000 times the accuracy: the second
  // attempt uses half the step, from the same start point, and the Jacobian
  // is not formed again.
  RecordingDecay probe(1.0);
  Stepper first(probe);
  std::vector<double> y = {1.0};
  double x = 0.0;
  const double h = 0.5;
  first.Step(y, x, h, 1.0, {-1.0});
  ASSERT_EQ(probe.AttemptSteps().size(), 1u);
  const double eps = std::fabs(first.work.y_error[0]) / 1000.0;

  RecordingDecay sys(1.0);
  Stepper s(sys);
  y = {1.0};
  x = 0.0;
  const double hdid = s.Step(y, x, h, eps, {-1.0});
  const std::vector<double> steps = sys.AttemptSteps();
  ASSERT_GE(steps.size(), 2u);
  EXPECT_NEAR(steps[0], h, 1e-12);
  EXPECT_NEAR(steps[1], 0.5 * h, 1e-12);
  EXPECT_NEAR(steps.back(), hdid, 1e-12);
  EXPECT_EQ(x, hdid);
  EXPECT_NEAR(y[0], std::exp(-hdid), 1e-6);
}

TEST(RosenbrockStep, NaNRatesHalveTheStepUntilTheyAreLeftBehind) {
  // The rates are NaN below 0.5: a long step runs into them and must be
  // retried, never accepted.
  TestSystem sys(1, [](const double* y, double* f) { f[0] = y[0] < 0.5 ? kNaN : -y[0]; });
  Stepper s(sys);
  std::vector<double> y = {1.0};
  double x = 0.0;
  const double htry = 8.0;
  const double hdid = s.Step(y, x, htry, 1e-4, {-1.0});
  EXPECT_LT(hdid, htry);
  EXPECT_TRUE(std::isfinite(y[0]));
  EXPECT_NEAR(y[0], std::exp(-hdid), 1e-3);
  EXPECT_TRUE(std::isfinite(s.hnext));
  EXPECT_EQ(s.c.Text(), "");
}

TEST(RosenbrockStep, AfterMaxtryFailedAttemptsTheRunStopsWithoutAdvancing) {
  RecordingDecay sys(1.0, /*poison=*/true);
  Stepper s(sys);
  std::vector<double> y = {1.0};
  double x = 3.0;
  try {
    s.Step(y, x, 1.0, 1e-6, {-1.0});
    ADD_FAILURE() << "the step returned";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.fatal_number, 95);
  }
  // Every attempt was made, each half the step of the one before.
  const std::vector<double> steps = sys.AttemptSteps();
  ASSERT_EQ(steps.size(), static_cast<size_t>(kRosenbrockMaxTry));
  EXPECT_NEAR(steps.back(), std::ldexp(1.0, 1 - kRosenbrockMaxTry), 1e-20);
  EXPECT_EQ(y[0], 1.0);
  EXPECT_EQ(x, 3.0);
  EXPECT_EQ(s.hnext, -1.0);  // the caller's values are not touched
  const std::vector<std::string> lines = s.c.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], " Error 5832: exceeded MAXTRY in stiff");
  EXPECT_EQ(lines[1], "  ***  Please press the <ENTER> key to continue.  *** ");
  EXPECT_NE(s.c.Text().find("FATAL Error #  95"), std::string::npos) << s.c.Text();
}

TEST(RosenbrockStep, AStepThatCannotChangeTheTimeIsFatal95) {
  TestSystem sys = testing::FirstOrderDecay(1, 1.0);
  Stepper s(sys);
  std::vector<double> y = {1.0};
  double x = 1.0e30;
  try {
    s.Step(y, x, 1.0, 1e-6, {-1.0});
    ADD_FAILURE() << "the step returned";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.fatal_number, 95);
  }
  const std::vector<std::string> lines = s.c.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], " Error 4821:stepsize underflow.");
  EXPECT_NE(s.c.Text().find("A Stepsize underflow error has happened"), std::string::npos);
}

TEST(RosenbrockStep, MoreEquationsThanTheStepMatrixHoldsIsFatal37) {
  TestSystem sys = testing::FirstOrderDecay(5, 1.0);
  Stepper s(sys, 5, /*capacity=*/4);
  std::vector<double> y(5, 1.0);
  double x = 0.0;
  try {
    s.Step(y, x, 0.1, 1e-6, std::vector<double>(5, -1.0));
    ADD_FAILURE() << "the step returned";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.fatal_number, 37);
  }
  EXPECT_NE(s.c.Text().find("Rosebrock method is only for 50 or less species."), std::string::npos);
}

}  // namespace
}  // namespace tarnavel
