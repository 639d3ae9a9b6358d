#include "model/analytic_jacobian.hpp"

#include <algorithm>
#include <cmath>

#include "core/run.hpp"
#include "model/derivs.hpp"

namespace tarnavel {

namespace {

// A coefficient that counts as 1, as the reaction-level UNITR and UNITP
// flags count it.
bool UnitCoefficient(double c) { return c - 1.0 >= 0.0 && c - 1.0 < 1.0e-9; }

// The increment of the numerical Jacobian at a zero concentration.
constexpr double kZeroIncrement = 1.0e-8;

// d(c X^c')/dX for one reactant slot with coefficient c at concentration X:
// 1 for a unit coefficient, c X^(c-1) otherwise. A fractional order at
// X = 0 has an infinite slope there; the secant over the numerical
// Jacobian's increment, X^c from 0 to 1e-8, keeps the step matrix finite.
double SlotSlope(double c, double x) {
  if (UnitCoefficient(c)) return 1.0;
  if (x == 0.0 && c < 1.0) return std::pow(kZeroIncrement, c - 1.0);
  return c * std::pow(x, c - 1.0);
}

// d(mass-action product of reaction cr)/d(X of reactant slot k), the
// concentrations of every other slot held fixed. x is the full state by
// species index (hv holds the photon flux, M the total concentration).
double ProductSlope(const CompiledReaction& cr, int k, const double* x) {
  double d = 1.0;
  if (cr.unitr) {
    for (int m = 1; m <= cr.nrct; ++m)
      if (m != k) d *= x[cr.rsp[m]];
    return d;
  }
  for (int m = 1; m <= cr.nrct; ++m) {
    if (m == k) {
      d *= SlotSlope(cr.stoich[m], x[cr.rsp[m]]);
    } else {
      d *= std::pow(x[cr.rsp[m]], cr.stoich[m]);
    }
  }
  return d;
}

}  // namespace

bool AnalyticJacobianRefused(const Run& run) {
  const ModelStore& st = run.store;
  if (st.cursk >= 1) return true;
  // Rate constants that move with the composition (species sums, air or
  // water from species) would need terms of their own.
  if (st.net.expressions.composition_used) return true;
  if (run.sw.thermo || run.settings.constp) return true;
  for (int r = 1; r <= st.nreact; ++r)
    if (st.net.rx[r].tdep) return true;
  return false;
}

void AnaJacobian(Run& run, const double* y, Matrix& dfdy, const std::vector<std::vector<int>>* columns_of_row) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  const double* x = FullState(run, y);
  const int n = st.spec - 2;
  const int* start = net.term_start.data();
  const Term* term = net.term.data();
  const char* gas = net.gas.data();
  const bool over_pattern = columns_of_row != nullptr && static_cast<int>(columns_of_row->size()) == n;
  const bool sparse = dfdy.Sparse();
  for (int l = 1; l <= n; ++l) {
    double* row = sparse ? nullptr : dfdy.Row(l - 1);
    // The entry of column j in this row, in either storage.
    auto at = [&](int j) -> double& { return sparse ? dfdy(l - 1, j) : row[j]; };
    if (sparse) {
      std::fill(dfdy.Values() + dfdy.RowBegin(l - 1), dfdy.Values() + dfdy.RowEnd(l - 1), 0.0);
    } else if (over_pattern) {
      for (int j : (*columns_of_row)[l - 1]) row[j] = 0.0;
    } else {
      for (int j = 0; j < n; ++j) row[j] = 0.0;
    }
    // Each term adds its weighted slope to the column of every integrated
    // species among the reaction's reactants. [M] is the sum of the gas-phase
    // concentrations, so a third-body term reaches every gas-phase column.
    double third_body = 0.0;
    for (int k = start[l]; k < start[l + 1]; ++k) {
      const Term& t = term[k];
      const CompiledReaction& cr = net.rx[t.reaction];
      const double w = t.coeff * net.rk[t.reaction];
      for (int slot = 1; slot <= cr.nrct; ++slot) {
        const int s = cr.rsp[slot];
        if (s == kM) {
          third_body += w * ProductSlope(cr, slot, x);
        } else if (s >= 3 && s <= st.spec) {
          at(s - 3) += w * ProductSlope(cr, slot, x);
        }
      }
    }
    if (third_body != 0.0) {
      for (int s = 3; s <= st.spec; ++s)
        if (gas[s]) at(s - 3) += third_body;
    }
  }
  for (int s : net.cstr_species) dfdy(s - 3, s - 3) -= st.species[s].flow_rate;
}

}  // namespace tarnavel
