#pragma once
// Jacobian of the rates by forward differences.

#include "integrate/dense_matrix.hpp"
#include "integrate/ode_system.hpp"

#include <vector>

namespace tarnavel {

// Raises y[j] by the increment of the numerical Jacobian and returns the
// increment actually represented.
double Perturb(double* y, int j);

// Fills columns 0..n-1 of dfdy from one extra rate evaluation per species:
// y_j is raised by 1e-8 of its magnitude (by 1e-8 when it is 0), the
// increment actually represented in y_j is the divisor, and y_j is restored
// exactly afterwards. dydx holds the rates at y; work receives the rates at
// each perturbed point (n values).
void NumJacobian(OdeSystem& sys, double* y, const double* dydx, int n, Matrix& dfdy, double* work);

// Columns that share no row can be perturbed together: one rate evaluation
// then serves every column of a group.
struct JacobianGroups {
  int n = 0;                         // columns (equations)
  std::vector<int> group_start;      // columns of group g: columns[group_start[g] .. group_start[g+1])
  std::vector<int> columns;
  std::vector<int> row_start;        // rows column j can reach: rows[row_start[j] .. row_start[j+1])
  std::vector<int> rows;
};

// Greedy grouping of the columns of a Jacobian with the given pattern (the
// columns each row can depend on).
JacobianGroups GroupColumns(const std::vector<std::vector<int>>& columns_of_row);

// NumJacobian with the columns of each group perturbed together. Every entry
// equals NumJacobian's, to the bit, when the pattern lists every dependency
// of the rates; entries outside the pattern are 0. `increments` and `saved`
// are work arrays of n values.
void NumJacobianGrouped(OdeSystem& sys, double* y, const double* dydx, int n, Matrix& dfdy, double* work,
                        const JacobianGroups& groups, double* increments, double* saved);

}  // namespace tarnavel
