#pragma once
// What the integrators see of the kinetic model: the rates of change of the
// integrated species and their Jacobian. Arrays hold the n integrated values
// from 0. The rates of most models do not depend on time; those of a model
// with photolysis under the sun do, and the integrators then tell the system
// the time of every evaluation and take the rates' change with time into
// their methods.

#include <algorithm>
#include <cmath>

#include "integrate/dense_matrix.hpp"

namespace tarnavel {

struct OdeSystem {
  // dydx := dy/dt at y (at the time last set).
  virtual void Derivs(const double* y, double* dydx) = 0;
  // dfdy(i, j) := d(dydx_i)/dy_j at y, where dydx holds the rates at y.
  virtual void Jacobian(const double* y, const double* dydx, Matrix& dfdy) = 0;
  // Whether the rates depend on time; only then is SetTime called.
  virtual bool TimeDependent() const { return false; }
  // The time (the integrator's own x) of the evaluations that follow.
  virtual void SetTime(double) {}
  virtual ~OdeSystem() = default;
};

// dfdt := the change of the rates with time alone at y and time x, where dydx
// holds the rates there: a forward difference over a thousandth of the step
// h. The time is left at x.
inline void TimeRates(OdeSystem& sys, double x, double h, const double* y, const double* dydx, double* dfdt,
                      int n) {
  const double dt = std::max(1.0e-3 * std::fabs(h), 1.0e-12 * std::max(1.0, std::fabs(x)));
  sys.SetTime(x + dt);
  sys.Derivs(y, dfdt);
  for (int i = 0; i < n; ++i) dfdt[i] = (dfdt[i] - dydx[i]) / dt;
  sys.SetTime(x);
}

}  // namespace tarnavel
