#pragma once
// The forward-difference Jacobian of the compiled network, evaluated the
// cheap way: for each perturbed species only the reactions whose rate it
// changes are re-evaluated, and only the balances those reactions enter are
// summed again. Every entry of a species balance equals, to the bit, the one a
// full derivative evaluation at the perturbed point would give; the rows of
// the temperature and the volume are their changes worked out from the
// changes of the balances, without rounding away the difference.

#include <vector>

#include "integrate/dense_matrix.hpp"

namespace tarnavel {

struct Run;

// What perturbing each integrated species touches, worked out once per run.
struct RateJacobianPlan {
  int n = 0;
  std::vector<int> reaction_start, reactions;  // reactions whose rate species j changes
  std::vector<int> row_start, rows;            // balances that sum those rates again
  std::vector<int> first_term;                 // per entry of rows: the balance's first term that changes
  std::vector<int> zero_start, zero_rows;      // the other rows of the pattern's column j
  std::vector<char> moves_total;               // species j counts in [M] and [M] is used
  std::vector<char> moves_expressions;         // species j moves rate constants written as expressions
  std::vector<double> saved_values;            // the expressions' values at y, put back after such a column
  std::vector<int> cstr_flow;                  // per row: the species' CSTR entry, or 0
  // A balance of more than kDifferenceTerms terms (OH, HO2, NO2 of a whole
  // atmospheric mechanism) is not summed again for every species that
  // enters it, which would cost the square of its length: its change is the
  // sum of its changed terms' differences. Per entry q of rows, those terms
  // are diff_term[diff_start[q] .. diff_start[q+1]), with the position of
  // each term's reaction in the column's list of reactions.
  static constexpr int kDifferenceTerms = 1000;
  std::vector<char> long_row;
  std::vector<int> diff_start, diff_term, diff_reaction;
  // Rows (and columns) of an integrated temperature and volume, or -1. Their
  // columns come from whole derivative evaluations; their rows follow from
  // the species rows of each column through the energy balance and the gas
  // law.
  int temperature_row = -1, volume_row = -1;
  // With the gas total apart, the species columns hold [M] at its value at y
  // and one more column, perturbing [M] alone, gives the rank-one term
  // u g^T of the Jacobian (g: d[M]/dy).
  bool total_apart = false;
  std::vector<int> total_reactions, total_rows, total_first_term;
  // Each species sum taken apart gives a rank-one term the same way: one
  // more column perturbing the sum alone (g: the sum's change with each
  // state variable).
  struct SumApart {
    int sum = 0;  // its index among the compiled sums
    std::vector<int> reactions, rows, first_term;
  };
  std::vector<SumApart> sums_apart;
  std::vector<double> energy_weight;           // per row: (H/RT, or U/RT for a gas at constant volume) x T
  std::vector<double> saved_rate, saved_rk;    // room for one column's reactions
  // Each balance summed up to (not including) each of its terms at y, and in
  // full: a perturbed balance starts from the sum before its first change.
  std::vector<double> partial_sum, row_sum;
  // Of a Jacobian stored over its pattern: the stored index of each entry of
  // rows and zero_rows, and of the temperature and volume rows' entry in
  // each column (found at the first evaluation).
  std::vector<int> row_entry, zero_entry, temperature_entry, volume_entry;
};

// Whether the plan can serve the run: it serves every compiled network,
// with or without an integrated temperature and volume and with reverse
// rate constants that follow an equilibrium constant.
bool RateJacobianApplies(const Run& run);

// Whether the Jacobian of a run carries its dependence on the gas total [M]
// apart, as a rank-one term: in a run that integrates the temperature (with
// the numerical Jacobian), where [M] and the fall-off laws would otherwise
// couple every balance they enter to every gas-phase species and fill the
// step matrix. The pattern of the rest is JacobianPattern(run, true).
bool TotalApart(const Run& run);

// Whether the Jacobian of a run carries rank-one terms: the gas total apart,
// or a species sum taken apart (a sum of more than kSumApartMembers
// integrated species that some rate constant reads).
bool CarriesRankOneTerms(const Run& run);

// The plan for the compiled network with the given Jacobian pattern (with
// the total apart, the pattern without it).
RateJacobianPlan PlanRateJacobian(const Run& run, const std::vector<std::vector<int>>& columns_of_row);

// dfdy(i, j) := (f_i(y + e_j dy_j) - dydx_i) / dy_j over the pattern, with the
// increments of the numerical Jacobian; y is perturbed and restored in place.
// dfdy may be dense or stored over the plan's pattern; a plan serves one
// stored Jacobian, whose entries it finds at the first evaluation.
// Needs one derivative evaluation at y (into `work`, n values), and one more
// for each of an integrated temperature and volume.
void RateJacobian(Run& run, RateJacobianPlan& plan, double* y, const double* dydx, Matrix& dfdy, double* work);

}  // namespace tarnavel
