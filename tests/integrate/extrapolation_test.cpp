// One step of the extrapolation integrator: the set-up of the order window,
// when set-up is redone, the order kept along a continued step sequence,
// the extrapolation formulas, NaN rates and the step-size underflow.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/stop.hpp"
#include "integrate/extrapolation.hpp"
#include "integrate/test_systems.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TestSystem;

TestSystem Decay(int n, double k) {
  return TestSystem(n, [n, k](const double* y, double* f) {
    for (int i = 0; i < n; ++i) f[i] = -k * y[i];
  });
}

// One integrator with its state, work arrays and a console.
struct Stepper {
  explicit Stepper(TestSystem& s) : sys(s), work(8), dydx(s.Size()), yscal(s.Size()) {}

  // One step from (x, y) with htry; returns hdid.
  double Step(std::vector<double>& y, double& x, double htry, double eps, bool rational = false) {
    sys.Derivs(y.data(), dydx.data());
    for (int i = 0; i < sys.Size(); ++i) yscal[i] = std::max(std::fabs(y[i]), 1.0e-25);
    double hdid = 0.0;
    ExtrapolationStep(c.run, st, work, sys, y.data(), dydx.data(), sys.Size(), x, htry, eps,
                      yscal.data(), rational, reset, hdid, hnext);
    return hdid;
  }

  TestSystem& sys;
  CapturedRun c;
  ExtrapolationState st;
  ExtrapolationWork work;
  std::vector<double> dydx, yscal;
  bool reset = false;
  double hnext = 0.0;
};

struct SetUpCase {
  double eps;
  int n;
  int kopt;
};

TEST(ExtrapolationSetUp, ChoosesTheOrderWindowFromAccuracyAndSize) {
  // By hand for eps = 1e-8 (eps1 = 2.5e-9), n = 2: before the size is added
  // A = 3, 9, 19, 33, 55, 89, 139, 209, so ALF(q-1, q) = eps1^(-10/51),
  // eps1^(-14/155), eps1^(-22/371), eps1^(-34/783), eps1^(-50/1507)
  // = 48.60, 5.984, 3.237, 2.363, 1.929. With n added, A = 5, 11, 21, 35,
  // 57, 91, 141, 211, and A(q+1) > A(q)*ALF(q-1, q) fails for every q:
  // 21 < 534.7, 35 < 125.7, 57 < 113.3, 91 < 134.7, 141 < 175.6, so
  // KOPT = KMAX = 7. For eps = 0.1 (eps1 = 0.025) ALF(1,2) = 2.061 and
  // ALF(2,3) = 1.395: 21 < 22.7 fails, 35 > 29.3 holds, so KOPT = 3.
  const std::vector<SetUpCase> cases = {
      {1e-8, 2, 7}, {1e-1, 2, 3}, {1e-2, 2, 4}, {1e-3, 2, 5}, {1e-5, 2, 6}, {1e-2, 100, 6}, {1e-1, 950, 7},
  };
  for (const SetUpCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "eps " << c.eps << " n " << c.n);
    ExtrapolationState st;
    ExtrapolationSetUp(st, c.eps, c.n);
    EXPECT_EQ(st.kopt, c.kopt);
    EXPECT_EQ(st.kmax, c.kopt);
    EXPECT_EQ(st.a[1], c.n + 3.0);
    EXPECT_EQ(st.a[8], c.n + 209.0);
    EXPECT_EQ(st.hnext, -1.0e29);
    EXPECT_EQ(st.xnew, -1.0e29);
  }
  ExtrapolationState st;
  ExtrapolationSetUp(st, 1e-8, 2);
  EXPECT_NEAR(st.alf[1][2], 48.60471821647235, 1e-12);
  EXPECT_NEAR(st.alf[5][6], 1.9293163745566182, 1e-13);
}

TEST(ExtrapolationStep, RedoesSetUpOnlyForANewAccuracyOrSizeOrAReset) {
  TestSystem sys = Decay(2, 1.0);
  Stepper s(sys);
  std::vector<double> y = {1.0, 2.0};
  double x = 0.0;
  s.Step(y, x, 0.01, 1e-8);
  EXPECT_EQ(s.st.kmax, 7);
  EXPECT_EQ(s.st.last_eps, 1e-8);
  EXPECT_EQ(s.st.last_n, 2);

  s.st.kmax = 5;  // marks the window; a set-up would restore 7
  s.Step(y, x, s.hnext, 1e-8);
  EXPECT_EQ(s.st.kmax, 5);

  s.Step(y, x, s.hnext, 1e-6);
  EXPECT_EQ(s.st.kmax, 7);

  s.st.kmax = 5;
  s.reset = true;
  s.Step(y, x, s.hnext, 1e-6);
  EXPECT_FALSE(s.reset);
  EXPECT_EQ(s.st.kmax, 7);
}

TEST(ExtrapolationStep, KeepsTheChosenOrderWhenTheStepSequenceContinues) {
  // After a few steps of a decay the order window has moved up. The rates
  // are then switched off, so every column is exact: a step that continues
  // the sequence still computes the columns up to KOPT-1 before it may
  // accept, while a step that breaks the sequence accepts at column 2.
  double rate = 1.0;
  TestSystem sys(2, [&rate](const double* y, double* f) {
    f[0] = -rate * y[0];
    f[1] = -rate * y[1];
  });
  Stepper s(sys);
  std::vector<double> y = {1.0, 2.0};
  double x = 0.0;
  s.Step(y, x, 1e-6, 1e-8);
  for (int i = 0; i < 20 && s.st.kopt < 5; ++i) s.Step(y, x, s.hnext, 1e-8);
  const int kopt = s.st.kopt;
  ASSERT_GE(kopt, 5);
  rate = 0.0;

  const ExtrapolationState kept = s.st;
  const std::vector<double> y_kept = y;
  const double x_kept = x;
  long calls = 1 + sys.Size();  // rates at the start and the Jacobian
  for (int k = 1; k <= kopt - 1; ++k) calls += kStepSequence[k];
  sys.derivs_calls = 0;
  const double htry = s.hnext;
  EXPECT_EQ(s.Step(y, x, htry, 1e-8), htry);
  EXPECT_EQ(sys.derivs_calls, calls);

  s.st = kept;
  y = y_kept;
  x = x_kept;
  sys.derivs_calls = 0;
  EXPECT_EQ(s.Step(y, x, htry * 0.5, 1e-8), htry * 0.5);
  EXPECT_EQ(sys.derivs_calls, 1 + sys.Size() + kStepSequence[1] + kStepSequence[2]);
}

TEST(PolynomialExtrapolation, IsExactForPolynomialsInTheAbscissa) {
  // Three estimates of 1 + 2x - 3x^2 determine it; the value at 0 is 1.
  ExtrapolationWork work(4);
  const double xs[] = {0.25, 0.0277, 0.01};
  double yz[2], dy[2];
  for (int k = 1; k <= 3; ++k) {
    const double x = xs[k - 1];
    const double yest[2] = {1.0 + 2.0 * x - 3.0 * x * x, 5.0};
    PolynomialExtrapolation(work, k, x, yest, yz, dy, 2);
  }
  EXPECT_NEAR(yz[0], 1.0, 1e-14);
  EXPECT_EQ(yz[1], 5.0);
  EXPECT_EQ(dy[1], 0.0);
}

TEST(RationalExtrapolation, EqualSuccessiveEstimatesDoNotDivideByZero) {
  // Component 0 gives the same estimate every time, component 1 stays at 0:
  // both reach a zero denominator and take the previous column's value.
  ExtrapolationWork work(4);
  const double h = 0.3;
  double yz[2], dy[2];
  for (int k = 1; k <= 4; ++k) {
    const double r = h / kStepSequence[k];
    const double yest[2] = {0.75, 0.0};
    RationalExtrapolation(work, k, r * r, yest, yz, dy, 2);
    EXPECT_EQ(yz[0], 0.75) << k;
    EXPECT_EQ(yz[1], 0.0) << k;
    if (k == 1) continue;  // the first column's error estimate is the estimate itself
    EXPECT_EQ(dy[0], 0.0) << k;
    EXPECT_EQ(dy[1], 0.0) << k;
  }
}

TEST(ExtrapolationStep, ANaNErrorEstimateIsRejectedAndTheStepReducedByTheSmallestFactor) {
  // The rates are NaN once A has fallen below half: a long first step runs
  // into them, and the NaN must not be accepted.
  TestSystem sys(1, [](const double* y, double* f) {
    f[0] = y[0] < 0.5 ? std::numeric_limits<double>::quiet_NaN() : -y[0];
  });
  Stepper s(sys);
  std::vector<double> y = {1.0};
  double x = 0.0;
  const double htry = 10.0;
  const double hdid = s.Step(y, x, htry, 1e-6);
  EXPECT_EQ(hdid, htry * 1.0e-5);
  EXPECT_EQ(x, hdid);
  EXPECT_NEAR(y[0], std::exp(-hdid), 1e-12);
  EXPECT_TRUE(std::isfinite(s.hnext));
}

// With -show the step names the component whose error set it: the fastest
// decay, wherever it stands; without -show nothing is recorded.
TEST(ExtrapolationStep, RecordsTheComponentThatLimitsTheStepWhenShown) {
  for (int fast = 0; fast < 3; ++fast) {
    TestSystem sys(3, [fast](const double* y, double* f) {
      for (int i = 0; i < 3; ++i) f[i] = -(i == fast ? 40.0 : 1.0 + i) * y[i];
    });
    for (const bool show : {false, true}) {
      Stepper s(sys);
      s.c.run.sw.show = show;
      std::vector<double> y = {1.0, 1.0, 1.0};
      double x = 0.0;
      s.Step(y, x, 0.05, 1e-6);
      EXPECT_EQ(s.c.run.counts.limiting, show ? fast : -1) << "fast " << fast;
    }
  }
}

TEST(ExtrapolationStep, AStepThatCannotChangeTheTimeIsFatal95) {
  TestSystem sys = Decay(1, 1.0);
  Stepper s(sys);
  std::vector<double> y = {1.0};
  double x = 1.0e30;
  try {
    s.Step(y, x, 1.0, 1e-6);
    ADD_FAILURE() << "the step returned";
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.fatal_number, 95);
    EXPECT_EQ(stop.exit_status, kExitStopped);
  }
  const std::vector<std::string> lines = s.c.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], " There's a Stepsize underflow in stiff sub!");
  EXPECT_NE(s.c.Text().find("A Stepsize underflow error has happened"), std::string::npos);
}

}  // namespace
}  // namespace tarnavel
