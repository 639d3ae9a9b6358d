#include "integrate/numerical_jacobian.hpp"

#include <algorithm>
#include <cmath>

namespace tarnavel {

namespace {

constexpr double kRelativeIncrement = 1.0e-8;

}  // namespace

double Perturb(double* y, int j) {
  const double saved = y[j];
  double increment = std::fabs(saved) * kRelativeIncrement;
  if (increment == 0.0) increment = kRelativeIncrement;
  y[j] = saved + increment;
  return y[j] - saved;
}

void NumJacobian(OdeSystem& sys, double* y, const double* dydx, int n, Matrix& dfdy, double* work) {
  for (int j = 0; j < n; ++j) {
    const double saved = y[j];
    const double increment = Perturb(y, j);
    sys.Derivs(y, work);
    y[j] = saved;
    for (int i = 0; i < n; ++i) dfdy(i, j) = (work[i] - dydx[i]) / increment;
  }
}

JacobianGroups GroupColumns(const std::vector<std::vector<int>>& columns_of_row) {
  const int n = static_cast<int>(columns_of_row.size());
  JacobianGroups g;
  g.n = n;
  // Rows of each column (the transpose of the pattern).
  std::vector<std::vector<int>> rows_of(n);
  for (int i = 0; i < n; ++i)
    for (int j : columns_of_row[i])
      if (j >= 0 && j < n) rows_of[j].push_back(i);
  g.row_start.assign(n + 1, 0);
  for (int j = 0; j < n; ++j) {
    g.row_start[j + 1] = g.row_start[j] + static_cast<int>(rows_of[j].size());
    g.rows.insert(g.rows.end(), rows_of[j].begin(), rows_of[j].end());
  }
  // Each column takes the first group none of whose columns reaches a row it
  // reaches.
  std::vector<int> group_of(n, -1);
  std::vector<int> blocked;  // blocked[c] == j: group c is taken for column j
  int groups = 0;
  for (int j = 0; j < n; ++j) {
    for (int i : rows_of[j])
      for (int k : columns_of_row[i])
        if (k >= 0 && k < n && group_of[k] >= 0) {
          if (static_cast<int>(blocked.size()) <= group_of[k]) blocked.resize(group_of[k] + 1, -1);
          blocked[group_of[k]] = j;
        }
    int c = 0;
    while (c < static_cast<int>(blocked.size()) && blocked[c] == j) ++c;
    group_of[j] = c;
    groups = std::max(groups, c + 1);
  }
  g.group_start.assign(groups + 1, 0);
  for (int j = 0; j < n; ++j) ++g.group_start[group_of[j] + 1];
  for (int c = 0; c < groups; ++c) g.group_start[c + 1] += g.group_start[c];
  g.columns.assign(n, 0);
  std::vector<int> fill(g.group_start.begin(), g.group_start.end() - 1);
  for (int j = 0; j < n; ++j) g.columns[fill[group_of[j]]++] = j;
  return g;
}

void NumJacobianGrouped(OdeSystem& sys, double* y, const double* dydx, int n, Matrix& dfdy, double* work,
                        const JacobianGroups& groups, double* increments, double* saved) {
  if (dfdy.Sparse()) {
    std::fill(dfdy.Values(), dfdy.Values() + dfdy.StoredEntries(), 0.0);
  } else {
    for (int i = 0; i < n; ++i) {
      double* row = dfdy.Row(i);
      for (int j = 0; j < n; ++j) row[j] = 0.0;
    }
  }
  const int count = static_cast<int>(groups.group_start.size()) - 1;
  for (int c = 0; c < count; ++c) {
    const int first = groups.group_start[c], last = groups.group_start[c + 1];
    for (int k = first; k < last; ++k) {
      const int j = groups.columns[k];
      saved[j] = y[j];
      increments[j] = Perturb(y, j);
    }
    sys.Derivs(y, work);
    for (int k = first; k < last; ++k) {
      const int j = groups.columns[k];
      y[j] = saved[j];
      for (int r = groups.row_start[j]; r < groups.row_start[j + 1]; ++r) {
        const int i = groups.rows[r];
        dfdy(i, j) = (work[i] - dydx[i]) / increments[j];
      }
    }
  }
}

}  // namespace tarnavel
