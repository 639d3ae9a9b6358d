#pragma once
// Integrator 2: one adaptive step of the explicit embedded Runge-Kutta method
// of fifth order with the Cash-Karp coefficients and a fourth-order error
// estimate, with quality-controlled step-size adjustment. Suited to
// non-stiff models; no state is kept from one step to the next.

#include <vector>

#include "integrate/ode_system.hpp"

namespace tarnavel {

struct Run;

// Work arrays of one step, sized once for `capacity` equations.
struct CashKarpWork {
  explicit CashKarpWork(int capacity);

  int capacity;
  std::vector<double> k2, k3, k4, k5, k6;  // rates at the intermediate points
  std::vector<double> y_stage;             // the intermediate point
  std::vector<double> y_new;               // fifth-order result of the attempt
  std::vector<double> y_error;             // difference to the fourth-order result
};

// One Cash-Karp attempt of size h from y with rates dydx: the fifth-order
// result in work.y_new and its error estimate in work.y_error.
void CashKarpAttempt(CashKarpWork& work, OdeSystem& sys, const double* y, const double* dydx, int n, double h,
                     double x0 = 0.0);

// The step proposed after an accepted attempt of size h with error measure
// errmax (at most 1): 0.9*h*errmax^-0.2, or 5*h when errmax is below 1.89e-4.
double CashKarpNextStep(double h, double errmax);
// The step of the next attempt after a rejected one (errmax above 1):
// 0.9*h*errmax^-0.25, with no lower bound.
double CashKarpRetryStep(double h, double errmax);

// One accepted step from x: y (n values) and x advance by hdid, hnext is the
// step proposed next. dydx are the rates at y, yscal the positive error scale
// of each species, eps the relative accuracy. A step too small to change x
// prints "Internal Error:stepsize underflow in rkqs" and ends the run with
// fatal error 95.
void CashKarpStep(Run& run, CashKarpWork& work, OdeSystem& sys, double* y, const double* dydx, int n,
                  double& x, double htry, double eps, const double* yscal, double& hdid, double& hnext);

}  // namespace tarnavel
