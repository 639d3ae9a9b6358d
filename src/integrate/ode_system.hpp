#pragma once
// What the integrators see of the kinetic model: the rates of change of the
// integrated species and their Jacobian. Arrays hold the n integrated values
// from 0. The rates do not depend on time, so no time is passed.

#include "integrate/dense_matrix.hpp"

namespace tarnavel {

struct OdeSystem {
  // dydx := dy/dt at y.
  virtual void Derivs(const double* y, double* dydx) = 0;
  // dfdy(i, j) := d(dydx_i)/dy_j at y, where dydx holds the rates at y.
  virtual void Jacobian(const double* y, const double* dydx, Matrix& dfdy) = 0;
  virtual ~OdeSystem() = default;
};

}  // namespace tarnavel
