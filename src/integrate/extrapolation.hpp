#pragma once
// The default stiff integrator: one adaptive step of semi-implicit
// extrapolation (Bader-Deuflhard) with order and step-size control, built on
// the semi-implicit midpoint rule.

#include <array>
#include <memory>
#include <vector>

#include "integrate/dense_matrix.hpp"
#include "integrate/ode_system.hpp"
#include "integrate/step_matrix.hpp"

namespace tarnavel {

struct Run;

inline constexpr int kMaxColumns = 7;  // KMAXX: extrapolation columns
// Substeps of the midpoint rule for column k (from 1); entry 8 serves the
// work estimate of the last column.
inline constexpr std::array<int, kMaxColumns + 2> kStepSequence{0, 2, 6, 10, 14, 22, 34, 50, 70};

// State kept from one step to the next for the whole process: one set shared
// by every caller. Indices run from 1, as the columns do.
struct ExtrapolationState {
  std::array<double, kMaxColumns + 2> a{};  // A(1..8): work per column
  // ALF(k, q), 1 <= k < q <= 7: correction factors of the order window.
  std::array<std::array<double, kMaxColumns + 1>, kMaxColumns + 1> alf{};
  double last_eps = -1.0;  // accuracy of the last set-up
  int last_n = -1;         // equation count of the last set-up
  int kmax = 0;            // highest column tried
  int kopt = 0;            // column expected to converge
  bool first = true;       // no step accepted since set-up or a break in the step sequence
  double xnew = 0.0;       // time the last step reached (or tried to)
  double hnext = 0.0;      // step proposed at the end of the last call
};

// Work arrays of one step, sized once for `capacity` equations. Without
// `matrices` the Jacobian and the step matrix are left for the caller to
// set, in the form the network needs (a large one stores only its pattern).
struct ExtrapolationWork {
  explicit ExtrapolationWork(int capacity, bool matrices = true);

  int capacity;
  std::vector<double> y_start;   // the saved start vector
  std::vector<double> y_column;  // midpoint-rule result of the current column
  std::vector<double> y_error;   // extrapolated error estimate
  std::vector<double> y_mid;     // midpoint-rule running point
  std::vector<double> delta;     // midpoint-rule increment
  std::vector<double> carry;     // polynomial extrapolation: running difference
  std::vector<double> rates;     // rates at the running point; solve buffer
  std::vector<double> tableau;   // kMaxColumns columns of `capacity` values
  std::vector<double> time_rates;  // the rates' change with time alone, when they have one
  std::array<double, kMaxColumns + 1> abscissa{};  // (h / nseq(k))^2, k from 1
  std::array<double, kMaxColumns + 1> ratio{};     // rational extrapolation: abscissa ratios
  std::array<double, kMaxColumns + 1> err{};       // err(1..6): scaled error per column
  Matrix dfdy;
  std::unique_ptr<StepMatrix> step_matrix;

  double* Column(int k) { return tableau.data() + static_cast<std::size_t>(k - 1) * capacity; }
};

// Computes A and ALF for accuracy eps and n equations and the starting
// KMAX = KOPT; the next step is to be treated as the first.
void ExtrapolationSetUp(ExtrapolationState& st, double eps, int n);

// Extrapolates column iest (from 1) with abscissa xest and estimate yest to
// zero step size: result in yz, error estimate in dy (n values each).
void PolynomialExtrapolation(ExtrapolationWork& work, int iest, double xest, const double* yest,
                             double* yz, double* dy, int n);
// The same with rational functions; a zero denominator takes the previous
// column's value.
void RationalExtrapolation(ExtrapolationWork& work, int iest, double xest, const double* yest,
                           double* yz, double* dy, int n);

// Semi-implicit midpoint rule over htot in nstep substeps from y0, whose
// rates are d0, with the Jacobian in work.dfdy: result in yout.
void SemiImplicitMidpoint(Run& run, ExtrapolationWork& work, OdeSystem& sys, const double* y0,
                          const double* d0, int n, double htot, int nstep, double* yout, double x0 = 0.0);

// One accepted step from x: y (n values) and x advance by hdid, hnext is the
// step proposed next. dydx are the rates at y, yscal the positive error
// scale of each species, eps the relative accuracy. `rational` selects
// rational extrapolation instead of polynomial. A set `reset` clears the kept
// state first and is cleared. A step too small to change x prints "There's a
// Stepsize underflow in stiff sub!" and ends the run with fatal error 95.
void ExtrapolationStep(Run& run, ExtrapolationState& st, ExtrapolationWork& work, OdeSystem& sys,
                       double* y, const double* dydx, int n, double& x, double htry, double eps,
                       const double* yscal, bool rational, bool& reset, double& hdid,
                       double& hnext);

}  // namespace tarnavel
