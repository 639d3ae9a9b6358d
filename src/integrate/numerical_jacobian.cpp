#include "integrate/numerical_jacobian.hpp"

#include <cmath>

namespace tarnavel {

void NumJacobian(OdeSystem& sys, double* y, const double* dydx, int n, Matrix& dfdy, double* work) {
  constexpr double kRelativeIncrement = 1.0e-8;
  for (int j = 0; j < n; ++j) {
    const double saved = y[j];
    double increment = std::fabs(saved) * kRelativeIncrement;
    if (increment == 0.0) increment = kRelativeIncrement;
    y[j] = saved + increment;
    increment = y[j] - saved;
    sys.Derivs(y, work);
    y[j] = saved;
    for (int i = 0; i < n; ++i) dfdy(i, j) = (work[i] - dydx[i]) / increment;
  }
}

}  // namespace tarnavel
