#pragma once
// Integrator 3: one adaptive step of a fourth-order Rosenbrock method
// (Kaps-Rentrop type, Shampine's parameters) for stiff systems, with an
// embedded third-order error estimate, step-size control and a bounded
// number of attempts. No state is kept from one step to the next.

#include <memory>
#include <vector>

#include "integrate/dense_matrix.hpp"
#include "integrate/ode_system.hpp"
#include "integrate/step_matrix.hpp"

namespace tarnavel {

struct Run;

// The method's own limit on the number of equations of its step matrix.
inline constexpr int kRosenbrockCapacity = 50;
inline constexpr int kRosenbrockMaxTry = 40;  // MAXTRY: attempts per step

// Work arrays of one step, sized once for `capacity` equations.
struct RosenbrockWork {
  explicit RosenbrockWork(int capacity = kRosenbrockCapacity);

  int capacity;
  std::vector<double> y_start;     // the saved start vector
  std::vector<double> dydx_start;  // the saved start rates
  std::vector<double> rates;       // rates at the intermediate points
  std::vector<double> g1, g2, g3, g4;
  std::vector<double> y_error;
  std::vector<double> time_rates;  // the rates' change with time alone, when they have one
  Matrix dfdy;
  std::unique_ptr<StepMatrix> step_matrix;
};

// The step proposed after an accepted attempt of size h with error measure
// errmax (at most 1): 0.9*h*errmax^-0.25, or 1.5*h when errmax is at most
// 0.1296.
double RosenbrockNextStep(double h, double errmax);
// The step of the next attempt after a rejected one (errmax above 1):
// 0.9*h*errmax^(-1/3), but at least half of h.
double RosenbrockRetryStep(double h, double errmax);

// Whether a rejected attempt of size h with error measure errmax shows an
// error that no longer falls with the step: a step smaller than the previous
// attempt's (previous_h, previous_errmax) whose error fell less than in
// proportion to it, where the method's error falls as a power of at least 3.
// Such attempts retry with a tenth of h (or less, as the usual rule gives).
bool RosenbrockErrorSaturated(double h, double errmax, double previous_h, double previous_errmax);

// One attempt of size h from the start point saved in work (y_start with
// its rates dydx_start and the Jacobian dfdy there): the result goes to y,
// its error estimate to work.y_error.
void RosenbrockAttempt(Run& run, RosenbrockWork& work, OdeSystem& sys, int n, double h, double* y,
                       double x0 = 0.0);

// One accepted step from x: y (n values) and x advance by hdid, hnext is the
// step proposed next. dydx are the rates at y, yscal the positive error scale
// of each species, eps the relative accuracy. The Jacobian is taken once at
// the start; each rejected attempt retries with a smaller step.
//
// A step too small to change x prints "Error 4821:stepsize underflow." and
// ends the run with fatal error 95. When every one of the MAXTRY attempts
// fails, no step has been taken: "Error 5832: exceeded MAXTRY in stiff" is
// printed, the run pauses, y and x are left at the start point and the run
// ends with fatal error 95. More equations than the step matrix holds end
// the run with fatal error 37.
void RosenbrockStep(Run& run, RosenbrockWork& work, OdeSystem& sys, double* y, const double* dydx, int n,
                    double& x, double htry, double eps, const double* yscal, double& hdid,
                    double& hnext);

}  // namespace tarnavel
