#include "integrate/extrapolation.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "integrate/scaled_error.hpp"

namespace tarnavel {

namespace {

constexpr double kSafe1 = 0.25;    // accuracy safety factor
constexpr double kSafe2 = 0.7;     // reduction safety factor
constexpr double kRedMax = 1.0e-5; // smallest reduction factor
constexpr double kRedMin = 0.7;    // largest reduction factor
constexpr double kTiny = 1.0e-35;  // floor of the error norm
constexpr double kScalMx = 0.1;    // smallest step scale factor
constexpr double kNoStep = -1.0e29;

// A(1) := first + nseq(1) + 1 ... each further entry adds its step count.
void WorkPerColumn(ExtrapolationState& st, double first) {
  st.a[1] = first + kStepSequence[1] + 1;
  for (int k = 1; k <= kMaxColumns; ++k) st.a[k + 1] = st.a[k] + kStepSequence[k + 1];
}

// Largest |error_i / yscal_i| over eps, at least TINY / eps. A NaN anywhere
// in the error estimate makes the norm infinite, so the step is rejected
// rather than accepted. An exact zero error counts as 0 even where the scale
// is 0 (a species at 0 with no lower scale limit).
double ErrorNorm(const double* error, const double* yscal, int n, double eps) {
  double norm = kTiny;
  for (int i = 0; i < n; ++i) {
    if (std::isnan(error[i])) return std::numeric_limits<double>::infinity();
    if (error[i] == 0.0) continue;
    norm = std::max(norm, std::fabs(error[i] / yscal[i]));
  }
  return norm / eps;
}

void ClearState(ExtrapolationState& st) {
  st.a.fill(0.0);
  for (auto& row : st.alf) row.fill(0.0);
  st.last_eps = 0.0;
  st.last_n = 0;
  st.kmax = 0;
  st.kopt = 0;
  st.first = false;
  st.xnew = 0.0;
  st.hnext = 0.0;
}

}  // namespace

ExtrapolationWork::ExtrapolationWork(int cap, bool matrices)
    : capacity(cap),
      y_start(cap, 0.0),
      y_column(cap, 0.0),
      y_error(cap, 0.0),
      y_mid(cap, 0.0),
      delta(cap, 0.0),
      carry(cap, 0.0),
      rates(cap, 0.0),
      tableau(static_cast<std::size_t>(cap) * kMaxColumns, 0.0),
      time_rates(cap, 0.0),
      dfdy(matrices ? cap : 0),
      step_matrix(matrices ? std::make_unique<DenseStepMatrix>(cap) : nullptr) {}

void ExtrapolationSetUp(ExtrapolationState& st, double eps, int n) {
  st.hnext = st.xnew = kNoStep;
  const double eps1 = kSafe1 * eps;
  WorkPerColumn(st, 0.0);
  for (auto& row : st.alf) row.fill(0.0);
  for (int q = 2; q <= kMaxColumns; ++q) {
    for (int k = 1; k < q; ++k) {
      st.alf[k][q] = std::pow(eps1, (st.a[k + 1] - st.a[q + 1]) /
                                        ((st.a[q + 1] - st.a[1] + 1.0) * (2 * k + 1)));
    }
  }
  st.last_eps = eps;
  st.last_n = n;
  WorkPerColumn(st, n);
  st.kopt = 2;
  while (st.kopt < kMaxColumns && !(st.a[st.kopt + 1] > st.a[st.kopt] * st.alf[st.kopt - 1][st.kopt])) {
    ++st.kopt;
  }
  st.kmax = st.kopt;
  st.first = true;
}

void PolynomialExtrapolation(ExtrapolationWork& work, int iest, double xest, const double* yest,
                             double* yz, double* dy, int n) {
  work.abscissa[iest] = xest;
  for (int j = 0; j < n; ++j) dy[j] = yz[j] = yest[j];
  if (iest == 1) {
    std::copy(yest, yest + n, work.Column(1));
    return;
  }
  double* c = work.carry.data();
  std::copy(yest, yest + n, c);
  for (int k1 = 1; k1 < iest; ++k1) {
    double delta = 1.0 / (work.abscissa[iest - k1] - xest);
    const double f1 = xest * delta;
    const double f2 = work.abscissa[iest - k1] * delta;
    double* d = work.Column(k1);
    for (int j = 0; j < n; ++j) {
      const double q = d[j];
      d[j] = dy[j];
      delta = c[j] - q;
      dy[j] = f1 * delta;
      c[j] = f2 * delta;
      yz[j] += dy[j];
    }
  }
  std::copy(dy, dy + n, work.Column(iest));
}

void RationalExtrapolation(ExtrapolationWork& work, int iest, double xest, const double* yest,
                           double* yz, double* dy, int n) {
  work.abscissa[iest] = xest;
  if (iest == 1) {
    double* d = work.Column(1);
    for (int j = 0; j < n; ++j) yz[j] = d[j] = dy[j] = yest[j];
    return;
  }
  for (int k = 1; k < iest; ++k) work.ratio[k] = work.abscissa[iest - k] / xest;
  const std::size_t stride = static_cast<std::size_t>(work.capacity);
  double* d = work.tableau.data();
  for (int j = 0; j < n; ++j) {
    double v = d[j];
    double yy = yest[j];
    double c = yest[j];
    d[j] = yest[j];
    double ddy = 0.0;
    for (int k = 2; k <= iest; ++k) {
      const double b1 = work.ratio[k - 1] * v;
      double b = b1 - c;
      if (b != 0.0) {
        b = (c - v) / b;
        ddy = c * b;
        c = b1 * b;
      } else {
        ddy = v;
      }
      if (k != iest) v = d[(k - 1) * stride + j];
      d[(k - 1) * stride + j] = ddy;
      yy += ddy;
    }
    dy[j] = ddy;
    yz[j] = yy;
  }
}

void SemiImplicitMidpoint(Run& run, ExtrapolationWork& work, OdeSystem& sys, const double* y0,
                          const double* d0, int n, double htot, int nstep, double* yout, double x0) {
  const double s = htot / nstep;
  const bool timed = sys.TimeDependent();
  StepMatrix& m = *work.step_matrix;
  m.Form(1.0, s, work.dfdy, n);
  m.Factor(run);
  ++run.counts.factorisations;
  double* del = work.delta.data();
  double* ytemp = work.y_mid.data();
  double* f = work.rates.data();

  // Rates that change with time bring the published rule's time term into
  // its first substep.
  if (timed) {
    const double* dfdt = work.time_rates.data();
    for (int i = 0; i < n; ++i) f[i] = s * (d0[i] + s * dfdt[i]);
  } else {
    for (int i = 0; i < n; ++i) f[i] = s * d0[i];
  }
  m.Solve(f);
  for (int i = 0; i < n; ++i) {
    del[i] = f[i];
    ytemp[i] = y0[i] + del[i];
  }
  if (timed) sys.SetTime(x0 + s);
  sys.Derivs(ytemp, f);
  for (int step = 2; step <= nstep; ++step) {
    for (int i = 0; i < n; ++i) f[i] = s * f[i] - del[i];
    m.Solve(f);
    for (int i = 0; i < n; ++i) {
      del[i] += 2.0 * f[i];
      ytemp[i] += del[i];
    }
    if (timed) sys.SetTime(x0 + step * s);
    sys.Derivs(ytemp, f);
  }
  for (int i = 0; i < n; ++i) f[i] = s * f[i] - del[i];
  m.Solve(f);
  for (int i = 0; i < n; ++i) yout[i] = ytemp[i] + f[i];
}

void ExtrapolationStep(Run& run, ExtrapolationState& st, ExtrapolationWork& work, OdeSystem& sys,
                       double* y, const double* dydx, int n, double& x, double htry, double eps,
                       const double* yscal, bool rational, bool& reset, double& hdid,
                       double& hnext) {
  if (reset) {
    reset = false;
    ClearState(st);
  }
  // After a reset with eps and n both 0 there is still no order window.
  if (eps != st.last_eps || n != st.last_n || st.kmax == 0) ExtrapolationSetUp(st, eps, n);

  double h = htry;
  std::copy(y, y + n, work.y_start.data());
  sys.Jacobian(y, dydx, work.dfdy);
  if (sys.TimeDependent()) {
    ++run.counts.derivs;
    TimeRates(sys, x, h, y, dydx, work.time_rates.data(), n);
  }
  if (h != st.hnext || x != st.xnew) {
    st.first = true;
    st.kopt = st.kmax;
  }

  bool reduced = false;
  int k = 0;
  int km = 0;
  double red = kRedMax;  // reduction factor of the last rejected attempt
  for (;;) {
    bool accepted = false;
    for (k = 1; k <= st.kmax; ++k) {
      st.xnew = x + h;
      if (st.xnew == x || !std::isfinite(st.xnew)) {
        IntegratorFailed(run, "There's a Stepsize underflow in stiff sub!", 95);
      }
      SemiImplicitMidpoint(run, work, sys, work.y_start.data(), dydx, n, h, kStepSequence[k],
                           work.y_column.data(), x);
      const double ratio = h / kStepSequence[k];
      const double xest = ratio * ratio;
      if (rational) {
        RationalExtrapolation(work, k, xest, work.y_column.data(), y, work.y_error.data(), n);
      } else {
        PolynomialExtrapolation(work, k, xest, work.y_column.data(), y, work.y_error.data(), n);
      }
      if (k == 1) continue;

      const double errmax = ErrorNorm(work.y_error.data(), yscal, n, eps);
      km = k - 1;
      work.err[km] = std::pow(errmax / kSafe1, 1.0 / (2 * km + 1));
      if (k < st.kopt - 1 && !st.first) continue;

      if (errmax < 1.0) {
        accepted = true;
        break;
      }
      if (k == st.kmax || k == st.kopt + 1) {
        red = kSafe2 / work.err[km];
        break;
      }
      if (k == st.kopt && st.alf[st.kopt - 1][st.kopt] < work.err[km]) {
        red = 1.0 / work.err[km];
        break;
      }
      if (st.kopt == st.kmax && st.alf[km][st.kmax - 1] < work.err[km]) {
        red = st.alf[km][st.kmax - 1] * kSafe2 / work.err[km];
        break;
      }
      if (st.alf[km][st.kopt] < work.err[km]) {
        red = st.alf[km][st.kopt - 1] / work.err[km];
        break;
      }
    }
    if (accepted) break;
    ++run.counts.rejected;
    red = std::max(std::min(red, kRedMin), kRedMax);
    h *= red;
    reduced = true;
  }

  x = st.xnew;
  hdid = h;
  st.first = false;
  if (run.sw.show) run.counts.limiting = LargestScaledError(work.y_error.data(), yscal, n);
  // The column with the least work per unit step sets the next order and step.
  double wrkmin = 1.0e35;
  double scale = 1.0;
  for (int kk = 1; kk <= km; ++kk) {
    const double fact = std::max(work.err[kk], kScalMx);
    const double cost = fact * st.a[kk + 1];
    if (cost < wrkmin) {
      scale = fact;
      wrkmin = cost;
      st.kopt = kk + 1;
    }
  }
  st.hnext = h / scale;
  // Try one order higher when the step converged at or beyond the expected column.
  if (st.kopt >= k && st.kopt != st.kmax && !reduced) {
    const double fact = std::max(scale / st.alf[st.kopt - 1][st.kopt], kScalMx);
    if (st.a[st.kopt + 1] * fact <= wrkmin) {
      st.hnext = h / fact;
      ++st.kopt;
    }
  }
  hnext = st.hnext;
}

}  // namespace tarnavel
