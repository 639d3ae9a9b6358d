#pragma once
// Jacobian of the rates by forward differences.

#include "integrate/dense_matrix.hpp"
#include "integrate/ode_system.hpp"

namespace tarnavel {

// Fills columns 0..n-1 of dfdy from one extra rate evaluation per species:
// y_j is raised by 1e-8 of its magnitude (by 1e-8 when it is 0), the
// increment actually represented in y_j is the divisor, and y_j is restored
// exactly afterwards. dydx holds the rates at y; work receives the rates at
// each perturbed point (n values).
void NumJacobian(OdeSystem& sys, double* y, const double* dydx, int n, Matrix& dfdy, double* work);

}  // namespace tarnavel
