#include "integrate/cash_karp.hpp"

#include <algorithm>
#include <cmath>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "integrate/scaled_error.hpp"

namespace tarnavel {

namespace {

constexpr double kSafety = 0.9;
constexpr double kGrowPower = -0.2;
constexpr double kShrinkPower = -0.25;
constexpr double kErrCon = 1.89e-4;  // below this error the step grows by the largest factor
constexpr double kMaxGrowth = 5.0;

// Stage coefficients of the Cash-Karp tableau.
// Times of the intermediate points, in steps.
constexpr double a2 = 1.0 / 5.0, a3 = 3.0 / 10.0, a4 = 3.0 / 5.0, a5 = 1.0, a6 = 7.0 / 8.0;
constexpr double b21 = 1.0 / 5.0;
constexpr double b31 = 3.0 / 40.0, b32 = 9.0 / 40.0;
constexpr double b41 = 3.0 / 10.0, b42 = -9.0 / 10.0, b43 = 6.0 / 5.0;
constexpr double b51 = -11.0 / 54.0, b52 = 5.0 / 2.0, b53 = -70.0 / 27.0, b54 = 35.0 / 27.0;
constexpr double b61 = 1631.0 / 55296.0, b62 = 175.0 / 512.0, b63 = 575.0 / 13824.0,
                 b64 = 44275.0 / 110592.0, b65 = 253.0 / 4096.0;
// Fifth-order weights, and their differences to the fourth-order ones.
constexpr double c1 = 37.0 / 378.0, c3 = 250.0 / 621.0, c4 = 125.0 / 594.0, c6 = 512.0 / 1771.0;
constexpr double dc1 = c1 - 2825.0 / 27648.0, dc3 = c3 - 18575.0 / 48384.0,
                 dc4 = c4 - 13525.0 / 55296.0, dc5 = -277.0 / 14336.0, dc6 = c6 - 0.25;

}  // namespace

CashKarpWork::CashKarpWork(int cap)
    : capacity(cap),
      k2(cap, 0.0),
      k3(cap, 0.0),
      k4(cap, 0.0),
      k5(cap, 0.0),
      k6(cap, 0.0),
      y_stage(cap, 0.0),
      y_new(cap, 0.0),
      y_error(cap, 0.0) {}

void CashKarpAttempt(CashKarpWork& work, OdeSystem& sys, const double* y, const double* dydx, int n,
                     double h, double x0) {
  const bool timed = sys.TimeDependent();
  const double* k1 = dydx;
  double* k2 = work.k2.data();
  double* k3 = work.k3.data();
  double* k4 = work.k4.data();
  double* k5 = work.k5.data();
  double* k6 = work.k6.data();
  double* yt = work.y_stage.data();

  const auto at = [&](double a) {
    if (timed) sys.SetTime(x0 + a * h);
  };
  for (int i = 0; i < n; ++i) yt[i] = y[i] + b21 * h * k1[i];
  at(a2);
  sys.Derivs(yt, k2);
  for (int i = 0; i < n; ++i) yt[i] = y[i] + h * (b31 * k1[i] + b32 * k2[i]);
  at(a3);
  sys.Derivs(yt, k3);
  for (int i = 0; i < n; ++i) yt[i] = y[i] + h * (b41 * k1[i] + b42 * k2[i] + b43 * k3[i]);
  at(a4);
  sys.Derivs(yt, k4);
  for (int i = 0; i < n; ++i) yt[i] = y[i] + h * (b51 * k1[i] + b52 * k2[i] + b53 * k3[i] + b54 * k4[i]);
  at(a5);
  sys.Derivs(yt, k5);
  for (int i = 0; i < n; ++i)
    yt[i] = y[i] + h * (b61 * k1[i] + b62 * k2[i] + b63 * k3[i] + b64 * k4[i] + b65 * k5[i]);
  at(a6);
  sys.Derivs(yt, k6);

  double* out = work.y_new.data();
  double* err = work.y_error.data();
  for (int i = 0; i < n; ++i) {
    out[i] = y[i] + h * (c1 * k1[i] + c3 * k3[i] + c4 * k4[i] + c6 * k6[i]);
    err[i] = h * (dc1 * k1[i] + dc3 * k3[i] + dc4 * k4[i] + dc5 * k5[i] + dc6 * k6[i]);
  }
}

double CashKarpNextStep(double h, double errmax) {
  return errmax > kErrCon ? kSafety * h * std::pow(errmax, kGrowPower) : kMaxGrowth * h;
}

double CashKarpRetryStep(double h, double errmax) { return kSafety * h * std::pow(errmax, kShrinkPower); }

void CashKarpStep(Run& run, CashKarpWork& work, OdeSystem& sys, double* y, const double* dydx, int n,
                  double& x, double htry, double eps, const double* yscal, double& hdid, double& hnext) {
  double h = htry;
  double errmax;
  for (;;) {
    CashKarpAttempt(work, sys, y, dydx, n, h, x);
    errmax = ScaledErrorMax(work.y_error.data(), yscal, n, eps);
    if (errmax <= 1.0) break;
    ++run.counts.rejected;
    // A NaN error counts as infinite: the step shrinks to nothing and the
    // underflow below ends the run instead of accepting a NaN state.
    h = CashKarpRetryStep(h, errmax);
    const double xnew = x + h;
    if (xnew == x || !std::isfinite(xnew)) {
      IntegratorFailed(run, "Internal Error:stepsize underflow in rkqs", 95);
    }
  }
  hnext = CashKarpNextStep(h, errmax);
  hdid = h;
  if (run.sw.show) run.counts.limiting = LargestScaledError(work.y_error.data(), yscal, n);
  x += h;
  std::copy(work.y_new.data(), work.y_new.data() + n, y);
}

}  // namespace tarnavel
