#include "integrate/rosenbrock.hpp"

#include <algorithm>
#include <cmath>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "integrate/scaled_error.hpp"

namespace tarnavel {

namespace {

constexpr double kSafety = 0.9;
constexpr double kGrow = 1.5;
constexpr double kGrowPower = -0.25;
constexpr double kShrink = 0.5;
constexpr double kShrinkPower = -1.0 / 3.0;
constexpr double kErrCon = 0.1296;  // (GROW / SAFETY)^(1 / PGROW)
constexpr double kSaturatedCut = 0.1;  // retry factor when the error does not fall with the step

// Shampine's parameter set.
constexpr double kGam = 1.0 / 2.0;
constexpr double a21 = 2.0, a31 = 48.0 / 25.0, a32 = 6.0 / 25.0;
constexpr double c21 = -8.0, c31 = 372.0 / 25.0, c32 = 12.0 / 5.0;
constexpr double c41 = -112.0 / 125.0, c42 = -54.0 / 125.0, c43 = -2.0 / 5.0;
constexpr double b1 = 19.0 / 9.0, b2 = 1.0 / 2.0, b3 = 25.0 / 108.0, b4 = 125.0 / 108.0;
constexpr double e1 = 17.0 / 54.0, e2 = 7.0 / 36.0, e3 = 0.0, e4 = 125.0 / 108.0;
// Times of the second and third points, and the weights of the rates' change
// with time in the four stages.
constexpr double a2x = 1.0, a3x = 3.0 / 5.0;
constexpr double c1x = 1.0 / 2.0, c2x = -3.0 / 2.0, c3x = 121.0 / 50.0, c4x = 29.0 / 250.0;

}  // namespace

RosenbrockWork::RosenbrockWork(int cap)
    : capacity(cap),
      y_start(cap, 0.0),
      dydx_start(cap, 0.0),
      rates(cap, 0.0),
      g1(cap, 0.0),
      g2(cap, 0.0),
      g3(cap, 0.0),
      g4(cap, 0.0),
      y_error(cap, 0.0),
      time_rates(cap, 0.0),
      dfdy(cap),
      step_matrix(std::make_unique<DenseStepMatrix>(cap)) {}

double RosenbrockNextStep(double h, double errmax) {
  return errmax > kErrCon ? kSafety * h * std::pow(errmax, kGrowPower) : kGrow * h;
}

double RosenbrockRetryStep(double h, double errmax) {
  // An infinite or NaN error gives no usable factor: the step is halved.
  const double shrunk = kSafety * h * std::pow(errmax, kShrinkPower);
  return shrunk > kShrink * h ? shrunk : kShrink * h;
}

bool RosenbrockErrorSaturated(double h, double errmax, double previous_h, double previous_errmax) {
  if (!(previous_h > 0.0) || !std::isfinite(errmax) || !std::isfinite(previous_errmax)) return false;
  return errmax > previous_errmax * (h / previous_h);
}

void RosenbrockAttempt(Run& run, RosenbrockWork& work, OdeSystem& sys, int n, double h, double* y, double x0) {
  const bool timed = sys.TimeDependent();
  const double* dfdt = work.time_rates.data();
  const double* ysav = work.y_start.data();
  double* f = work.rates.data();
  double* g1 = work.g1.data();
  double* g2 = work.g2.data();
  double* g3 = work.g3.data();
  double* g4 = work.g4.data();
  double* err = work.y_error.data();
  StepMatrix& m = *work.step_matrix;
  m.Form(1.0 / (kGam * h), 1.0, work.dfdy, n);
  m.Factor(run);
  ++run.counts.factorisations;

  std::copy(work.dydx_start.data(), work.dydx_start.data() + n, g1);
  if (timed)
    for (int i = 0; i < n; ++i) g1[i] += h * c1x * dfdt[i];
  m.Solve(g1);
  for (int i = 0; i < n; ++i) y[i] = ysav[i] + a21 * g1[i];
  if (timed) sys.SetTime(x0 + a2x * h);
  sys.Derivs(y, f);

  for (int i = 0; i < n; ++i) g2[i] = f[i] + c21 * g1[i] / h;
  if (timed)
    for (int i = 0; i < n; ++i) g2[i] += h * c2x * dfdt[i];
  m.Solve(g2);
  for (int i = 0; i < n; ++i) y[i] = ysav[i] + a31 * g1[i] + a32 * g2[i];
  if (timed) sys.SetTime(x0 + a3x * h);
  sys.Derivs(y, f);

  for (int i = 0; i < n; ++i) g3[i] = f[i] + (c31 * g1[i] + c32 * g2[i]) / h;
  if (timed)
    for (int i = 0; i < n; ++i) g3[i] += h * c3x * dfdt[i];
  m.Solve(g3);
  // The fourth stage reuses the rates of the third point.
  for (int i = 0; i < n; ++i) g4[i] = f[i] + (c41 * g1[i] + c42 * g2[i] + c43 * g3[i]) / h;
  if (timed)
    for (int i = 0; i < n; ++i) g4[i] += h * c4x * dfdt[i];
  m.Solve(g4);

  for (int i = 0; i < n; ++i) {
    y[i] = ysav[i] + b1 * g1[i] + b2 * g2[i] + b3 * g3[i] + b4 * g4[i];
    err[i] = e1 * g1[i] + e2 * g2[i] + e3 * g3[i] + e4 * g4[i];
  }
}

void RosenbrockStep(Run& run, RosenbrockWork& work, OdeSystem& sys, double* y, const double* dydx, int n,
                    double& x, double htry, double eps, const double* yscal, double& hdid,
                    double& hnext) {
  if (n > work.capacity) FatalError(run, 37);
  const double x_start = x;
  double* ysav = work.y_start.data();
  std::copy(y, y + n, ysav);
  std::copy(dydx, dydx + n, work.dydx_start.data());
  sys.Jacobian(ysav, work.dydx_start.data(), work.dfdy);
  if (sys.TimeDependent()) {
    ++run.counts.derivs;
    TimeRates(sys, x_start, htry, ysav, work.dydx_start.data(), work.time_rates.data(), n);
  }

  double h = htry;
  double previous_h = 0.0, previous_errmax = 0.0;
  for (int attempt = 1; attempt <= kRosenbrockMaxTry; ++attempt) {
    RosenbrockAttempt(run, work, sys, n, h, y, x_start);
    x = x_start + h;
    if (x == x_start || !std::isfinite(x)) {
      IntegratorFailed(run, "Error 4821:stepsize underflow.", 95);
    }
    const double errmax = ScaledErrorMax(work.y_error.data(), yscal, n, eps);
    if (errmax <= 1.0) {
      hdid = h;
      hnext = RosenbrockNextStep(h, errmax);
      if (run.sw.show) run.counts.limiting = LargestScaledError(work.y_error.data(), yscal, n);
      return;
    }
    ++run.counts.rejected;
    double retry = RosenbrockRetryStep(h, errmax);
    // A species far faster than the step that starts a little off its
    // quasi-steady state gives an error estimate of about 2/3 of that offset
    // whatever the step, until the step comes down to the species' own time
    // scale (the method damps such a component only to 1/3 per step). When
    // a smaller step gave no smaller error, the estimate is in that regime
    // and shrinking by at most half per attempt would use up every attempt
    // long before reaching it: the step is cut tenfold instead.
    if (RosenbrockErrorSaturated(h, errmax, previous_h, previous_errmax))
      retry = std::min(retry, kSaturatedCut * h);
    previous_h = h;
    previous_errmax = errmax;
    h = retry;
  }
  // No attempt succeeded, so the state has not advanced: going on would count
  // a step that was never taken as simulated time.
  std::copy(ysav, ysav + n, y);
  x = x_start;
  IntegratorFailed(run, "Error 5832: exceeded MAXTRY in stiff", 95, true);
}

}  // namespace tarnavel
