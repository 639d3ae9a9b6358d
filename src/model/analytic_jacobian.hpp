#pragma once
// The Jacobian of the kinetic equations formed directly from the term lists:
// for plain mass-action reactions with constant rate constants it is exact
// and costs no derivative evaluation.

#include <vector>

#include "integrate/dense_matrix.hpp"

namespace tarnavel {

struct Run;

// True when the analytic Jacobian cannot serve the run: some rate constant
// depends on temperature, a special rate law (third body, fall-off,
// Landau-Teller) is in use, or the run integrates temperature
// (thermodynamic mode) or volume (constant pressure). Its derivative would
// then miss the dependence of the rate constants on the state.
bool AnalyticJacobianRefused(const Run& run);

// AnaJacobian: dfdy(i, j) := d(dy_i/dt)/dy_j for the integrated species
// (species i+3 and j+3, i, j < SPEC-2) from the current rate constants at y.
// The retained species, the photon flux and [M] are refreshed as the
// derivative function does. The photon flux and the retained species are
// constants; [M], the sum of the gas-phase concentrations, follows every
// integrated gas-phase species. A species with a CSTR flow gets its outflow
// -1/tau on the diagonal. With the Jacobian pattern (the columns of each
// row) only those entries are written; the others are left as they are,
// which is 0 in a matrix only ever filled over the pattern.
void AnaJacobian(Run& run, const double* y, Matrix& dfdy,
                 const std::vector<std::vector<int>>* columns_of_row = nullptr);

}  // namespace tarnavel
