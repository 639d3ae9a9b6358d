#include "model/rate_jacobian.hpp"

#include <algorithm>

#include "core/run.hpp"
#include "integrate/numerical_jacobian.hpp"
#include "model/derivs.hpp"
#include "model/rate_expressions.hpp"
#include "thermo/thermo_properties.hpp"

namespace tarnavel {

namespace {

// Appends list to the flat lists and closes its range.
void Close(std::vector<int>& start, std::vector<int>& flat, std::vector<int>& list) {
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  flat.insert(flat.end(), list.begin(), list.end());
  start.push_back(static_cast<int>(flat.size()));
  list.clear();
}

// Completes a column's reactions with the reverse of every reversed forward
// reaction among them (a reverse constant kf/Kc moves with its forward
// constant), lists the balances they enter (rows) and each balance's first
// term that changes.
void ColumnLists(const Network& net, const std::vector<std::vector<int>>& rows_of_reaction, std::vector<char>& changes,
                 std::vector<int>& reactions, std::vector<int>& rows, std::vector<int>& first_term) {
  const size_t own = reactions.size();
  for (size_t q = 0; q < own; ++q)
    if (net.rx[reactions[q]].revtherm) reactions.push_back(reactions[q] + 1);
  std::sort(reactions.begin(), reactions.end());
  reactions.erase(std::unique(reactions.begin(), reactions.end()), reactions.end());
  for (int r : reactions) rows.insert(rows.end(), rows_of_reaction[r].begin(), rows_of_reaction[r].end());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int r : reactions) changes[r] = 1;
  for (int i : rows) {
    int k = net.term_start[i + 1];
    while (k < net.term_start[i + 2] && !changes[net.term[k].reaction]) ++k;
    first_term.push_back(k);
  }
  for (int r : reactions) changes[r] = 0;
}

}  // namespace

bool RateJacobianApplies(const Run& run) { return run.store.net.compiled; }

namespace {

// Whether special entry e's rate constant reads the gas total (not only
// named colliders, the temperature or the vessel's pressure).
bool ReadsGasTotal(const SpecialEntry& e, bool constant_pressure) {
  if (IsPressureTable(e.type)) return !constant_pressure;
  return !e.absolute && e.type < 20;
}

}  // namespace

bool TotalApart(const Run& run) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  if (net.temperature_index <= 0 || run.sw.anjac) return false;
  if (net.m_used) return true;
  if (st.cursk < 1) return false;
  for (int r = 1; r <= st.nreact; ++r)
    if (net.rx[r].kptr > 0 && ReadsGasTotal(st.special[net.rx[r].kptr], net.volume_index > 0)) return true;
  return false;
}

bool CarriesRankOneTerms(const Run& run) {
  if (TotalApart(run)) return true;
  const CompiledExpressions& ce = run.store.net.expressions;
  if (!ce.active || run.sw.anjac) return false;
  return std::any_of(ce.sums.begin(), ce.sums.end(),
                     [](const CompiledExpressions::Sum& sum) { return sum.apart && !sum.readers.empty(); });
}

RateJacobianPlan PlanRateJacobian(const Run& run, const std::vector<std::vector<int>>& columns_of_row) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  const int n = st.spec - 2;
  RateJacobianPlan plan;
  plan.n = n;
  plan.total_apart = TotalApart(run);

  // The balances each reaction enters, and the reactions reading [M] and
  // composition-dependent rate constants.
  std::vector<std::vector<int>> rows_of_reaction(st.nreact + 1);
  for (int l = 1; l <= n; ++l)
    for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k) rows_of_reaction[net.term[k].reaction].push_back(l - 1);
  std::vector<int> reads_total, special, total_readers;
  std::vector<char> collider(st.rspec + 1, 0);
  std::vector<std::vector<int>> specials_of_collider(st.rspec + 1);
  for (int r = 1; r <= st.nreact; ++r) {
    const CompiledReaction& cr = net.rx[r];
    for (int j = 1; j <= cr.nrct; ++j)
      if (cr.rsp[j] == kM) reads_total.push_back(r);
    if (st.cursk >= 1 && cr.kptr > 0) {
      const SpecialEntry& e = st.special[cr.kptr];
      // In a constant-pressure vessel a pressure table reads the vessel's
      // pressure, which no species moves.
      if (IsPressureTable(e.type) && net.volume_index > 0) continue;
      special.push_back(r);
      if (ReadsGasTotal(e, net.volume_index > 0)) total_readers.push_back(r);
      const int colliders = static_cast<int>(e.param[kColliderCountSlot]);
      for (int c = 1; c <= colliders; ++c) {
        const int s = static_cast<int>(e.param[ColliderSpeciesSlot(c)]) + 2;
        if (s >= 1 && s <= st.rspec) {
          collider[s] = 1;
          specials_of_collider[s].push_back(r);
        }
      }
    }
  }
  std::vector<std::vector<int>> reactions_of_species(st.rspec + 1);
  for (int r = 1; r <= st.nreact; ++r) {
    const CompiledReaction& cr = net.rx[r];
    for (int j = 1; j <= cr.nrct; ++j) reactions_of_species[cr.rsp[j]].push_back(r);
  }
  // Reactions whose rate constant (an expression) moves with the species.
  const std::vector<std::vector<int>> readers = ExpressionReaders(st);
  plan.moves_expressions.assign(n, 0);
  for (int s = 3; s <= st.spec && s < static_cast<int>(readers.size()); ++s) {
    if (readers[s].empty()) continue;
    plan.moves_expressions[s - 3] = 1;
    reactions_of_species[s].insert(reactions_of_species[s].end(), readers[s].begin(), readers[s].end());
  }
  std::vector<std::vector<int>> pattern_rows(n);
  for (int i = 0; i < n; ++i)
    for (int c : columns_of_row[i])
      if (c >= 0 && c < n) pattern_rows[c].push_back(i);

  plan.temperature_row = net.temperature_index > 0 ? net.temperature_index - 3 : -1;
  plan.volume_row = net.volume_index > 0 ? net.volume_index - 3 : -1;
  const auto state_variable = [&](int i) { return i == plan.temperature_row || i == plan.volume_row; };
  plan.energy_weight.assign(n, 0.0);
  plan.cstr_flow.assign(n, 0);
  for (int s : net.cstr_species) plan.cstr_flow[s - 3] = s;
  plan.moves_total.assign(n, 0);
  plan.reaction_start.assign(1, 0);
  plan.row_start.assign(1, 0);
  plan.zero_start.assign(1, 0);
  std::vector<int> reactions, rows, zeros;
  std::vector<char> changes(st.nreact + 1, 0);
  // The terms of each reaction in the long balances: (row, term index).
  plan.long_row.assign(n, 0);
  std::vector<std::vector<std::pair<int, int>>> long_terms(st.nreact + 1);
  for (int l = 1; l <= n; ++l) {
    if (net.term_start[l + 1] - net.term_start[l] <= RateJacobianPlan::kDifferenceTerms) continue;
    plan.long_row[l - 1] = 1;
    for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k) long_terms[net.term[k].reaction].push_back({l - 1, k});
  }
  plan.diff_start.assign(1, 0);
  size_t most = 0;
  for (int j = 0; j < n; ++j) {
    const int s = j + 3;
    const bool gas = net.gas[s] != 0;
    plan.moves_total[j] = gas && (net.m_used || !special.empty());
    reactions.clear();
    if (!state_variable(j)) {
      reactions = reactions_of_species[s];
      if (plan.total_apart) {
        // The gas total stays as at y; its own column comes apart.
        plan.moves_total[j] = 0;
        reactions.insert(reactions.end(), specials_of_collider[s].begin(), specials_of_collider[s].end());
      } else {
        if (gas && net.m_used) reactions.insert(reactions.end(), reads_total.begin(), reads_total.end());
        if (gas || collider[s]) reactions.insert(reactions.end(), special.begin(), special.end());
      }
    }
    if (plan.cstr_flow[j] != 0) rows.push_back(j);
    ColumnLists(net, rows_of_reaction, changes, reactions, rows, plan.first_term);
    most = std::max(most, reactions.size());
    // The columns of the temperature and the volume are filled whole, and
    // their rows from the balances.
    if (!state_variable(j))
      for (int i : pattern_rows[j])
        if (!state_variable(i) && !std::binary_search(rows.begin(), rows.end(), i)) zeros.push_back(i);
    // The changed terms of the column's long balances (reactions and rows
    // are sorted by ColumnLists).
    for (int i : rows) {
      if (plan.long_row[i])
        for (size_t p = 0; p < reactions.size(); ++p)
          for (const auto& [row, k] : long_terms[reactions[p]])
            if (row == i) {
              plan.diff_term.push_back(k);
              plan.diff_reaction.push_back(static_cast<int>(p));
            }
      plan.diff_start.push_back(static_cast<int>(plan.diff_term.size()));
    }
    Close(plan.reaction_start, plan.reactions, reactions);
    Close(plan.row_start, plan.rows, rows);
    Close(plan.zero_start, plan.zero_rows, zeros);
  }
  if (plan.total_apart) {
    reactions = total_readers;
    if (net.m_used) reactions.insert(reactions.end(), reads_total.begin(), reads_total.end());
    ColumnLists(net, rows_of_reaction, changes, reactions, rows, plan.total_first_term);
    most = std::max(most, reactions.size());
    plan.total_reactions = reactions;
    plan.total_rows = rows;
  }
  const CompiledExpressions& ce = net.expressions;
  for (int k = 0; ce.active && k < static_cast<int>(ce.sums.size()); ++k) {
    if (!ce.sums[k].apart || ce.sums[k].readers.empty()) continue;
    RateJacobianPlan::SumApart apart;
    apart.sum = k;
    apart.reactions = ce.sums[k].readers;
    ColumnLists(net, rows_of_reaction, changes, apart.reactions, apart.rows, apart.first_term);
    most = std::max(most, apart.reactions.size());
    plan.sums_apart.push_back(std::move(apart));
  }
  plan.saved_rate.assign(most, 0.0);
  plan.saved_rk.assign(most, 0.0);
  plan.partial_sum.assign(net.term.size(), 0.0);
  plan.row_sum.assign(n, 0.0);
  return plan;
}

namespace {

// Evaluates the rate constants and rates of the listed reactions again at
// the state x and gas total, as the derivative function would, keeping the
// values at y in the plan's room.
void Reevaluate(ModelStore& st, RateJacobianPlan& plan, const int* list, int count, double gas_total,
                const double* x) {
  Network& net = st.net;
  double* rate = st.rate.data();
  double* rk = net.rk.data();
  const CompiledReaction* rx = net.rx.data();
  const bool special = st.cursk >= 1;
  const bool per_volume = net.volume_index > 0;
  for (int q = 0; q < count; ++q) {
    const int r = list[q];
    plan.saved_rate[q] = rate[r];
    plan.saved_rk[q] = rk[r];
    if (r > 1 && rx[r - 1].revtherm) {
      rk[r] = ReverseRateConstant(rk[r - 1], net.kc[r - 1]);
    } else if (special && rx[r].kptr > 0) {
      rk[r] = SpecialRate(st, r, gas_total, net.temperature, x);
    } else if (rx[r].expression) {
      rk[r] = ExpressionRate(st, r);
    }
    rate[r] = ReactionRate(rx[r], rk[r], x);
    if (per_volume) rate[r] *= net.volume;
  }
}

// Puts the listed reactions' rates and constants back as at y.
void Restore(ModelStore& st, const RateJacobianPlan& plan, const int* list, int count) {
  for (int q = 0; q < count; ++q) {
    st.rate[list[q]] = plan.saved_rate[q];
    st.net.rk[list[q]] = plan.saved_rk[q];
  }
}

// Balance i again from its first changed term; the terms before it add up
// exactly as at y.
double BalanceFrom(const ModelStore& st, const RateJacobianPlan& plan, int i, int first) {
  const Term* term = st.net.term.data();
  const int end = st.net.term_start[i + 2];
  double sum = first < end ? plan.partial_sum[first] : plan.row_sum[i];
  for (int k = first; k < end; ++k) sum += term[k].coeff * st.rate[term[k].reaction];
  return sum;
}

// Fills column c of an integrated temperature or volume from one whole
// derivative evaluation at the perturbed point.
void WholeColumn(Run& run, int c, double* y, const double* dydx, Matrix& dfdy, double* work, int n) {
  const double saved = y[c];
  const double increment = Perturb(y, c);
  ++run.counts.derivs;
  Derivs(run, y, work);
  for (int i = 0; i < n; ++i) dfdy(i, c) = (work[i] - dydx[i]) / increment;
  y[c] = saved;
}

// The energy balance at y, in the terms the temperature rate is made of:
// dT/dt = -energy_rate / heat_capacity.
struct EnergyBalance {
  double energy_rate = 0.0, heat_capacity = 0.0;
  double amount = 0.0, amount_rate = 0.0;  // gas-phase amount and its rate, for the volume row
};

EnergyBalance BalanceAtY(const ModelStore& st, RateJacobianPlan& plan, const double* x, const double* dydx) {
  const Network& net = st.net;
  const double t = net.temperature;
  const bool constant_pressure = net.volume_index > 0;
  EnergyBalance b;
  if (plan.temperature_row >= 0) {
    for (int s = 3; s <= st.rspec; ++s) {
      if (!net.has_properties[s]) continue;
      const double gas = net.gas[s] && !constant_pressure ? 1.0 : 0.0;
      b.heat_capacity += x[s] * (net.cp_r[s] - gas);
      if (s <= st.spec) plan.energy_weight[s - 3] = (net.h_rt[s] - gas) * t;
    }
    b.heat_capacity *= net.volume;
    for (int i = 0; i < plan.n; ++i) b.energy_rate += dydx[i] * plan.energy_weight[i];
  }
  if (constant_pressure) {
    b.amount = GasSum(st, x) * net.volume;
    for (int s = 3; s <= st.spec; ++s)
      if (net.gas[s]) b.amount_rate += dydx[s - 3];
  }
  return b;
}

// u of a rank-one term, once the reactions that read its variable have been
// evaluated again at the perturbed value: the change of each listed balance
// (with its flow term, as the rates at y hold it) over the increment, and the
// temperature and volume equations' changes through the energy balance and
// the gas law. The term's storage is sized at its first use.
void RankOneRows(const ModelStore& st, const RateJacobianPlan& plan, const std::vector<int>& rows,
                 const std::vector<int>& first_term, const double* y, const double* dydx, double increment,
                 const EnergyBalance& balance, Matrix::RankOne& one) {
  const Network& net = st.net;
  const int n = plan.n;
  if (static_cast<int>(one.u.size()) < n) {  // once: the Jacobian matrix lives as long as the run
    one.u.assign(n, 0.0);
    one.g.assign(n, 0.0);
  }
  std::fill(one.u.begin(), one.u.begin() + n, 0.0);
  double energy_change = 0.0, amount_rate_change = 0.0;
  const int nrows = static_cast<int>(rows.size());
  for (int q = 0; q < nrows; ++q) {
    const int i = rows[q];
    double balance_i = BalanceFrom(st, plan, i, first_term[q]);
    if (const int c = plan.cstr_flow[i]; c != 0) {
      const SpeciesEntry& e = st.species[c];
      balance_i += (e.external - y[i]) * e.flow_rate;
    }
    const double change = balance_i - dydx[i];
    one.u[i] = change / increment;
    energy_change += change * plan.energy_weight[i];
    if (net.gas[i + 3]) amount_rate_change += change;
  }
  double dtdt_change = 0.0;
  if (plan.temperature_row >= 0) {
    dtdt_change = -energy_change / balance.heat_capacity;
    one.u[plan.temperature_row] = dtdt_change / increment;
  }
  if (plan.volume_row >= 0)
    one.u[plan.volume_row] =
        net.rv / net.pressure * (balance.amount * dtdt_change + net.temperature * amount_rate_change) / increment;
}

// The rank-one term of a Jacobian with the gas total apart: u, the change
// of every balance (and of the temperature and volume equations) with [M]
// alone, from the reactions that read it; g, the change of [M] with each
// state variable (1, or 1/V for an amount at constant pressure, for a
// gas-phase species; 0 otherwise).
void TotalColumn(Run& run, RateJacobianPlan& plan, const double* y, const double* dydx,
                 const EnergyBalance& balance, Matrix& dfdy) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const int n = plan.n;
  Matrix::RankOne& one = dfdy.rank_one;
  double* x = net.state.data();
  const double v = net.volume;
  const bool per_volume = net.volume_index > 0;
  const double total = x[kM];
  double gas_total = GasSum(st, x);
  const double increment = Perturb(&gas_total, 0);
  if (net.m_used) x[kM] = gas_total;

  const int* list = plan.total_reactions.data();
  const int nr = static_cast<int>(plan.total_reactions.size());
  Reevaluate(st, plan, list, nr, gas_total, x);
  RankOneRows(st, plan, plan.total_rows, plan.total_first_term, y, dydx, increment, balance, one);
  for (int j = 0; j < n; ++j) {
    const int s = j + 3;
    one.g[j] = !net.gas[s] ? 0.0 : per_volume && net.per_volume[s] ? 1.0 / v : 1.0;
  }
  one.active = true;
  Restore(st, plan, list, nr);
  x[kM] = total;
}

// The rank-one term of a species sum taken apart: u, the change of every
// balance (and of the temperature and volume equations) with the sum alone,
// from the reactions whose rate constants read it; g, the sum's change with
// each state variable (1, or 1/V for an amount at constant pressure, for a
// member; 0 otherwise).
void SumColumn(Run& run, RateJacobianPlan& plan, const RateJacobianPlan::SumApart& apart, const double* y,
               const double* dydx, double gas_total, const EnergyBalance& balance, Matrix::RankOne& one) {
  ModelStore& st = run.store;
  Network& net = st.net;
  CompiledExpressions& ce = net.expressions;
  const double* x = net.state.data();
  const double v = net.volume;
  const bool per_volume = net.volume_index > 0;
  plan.saved_values = ce.values;
  double sum = ce.values[ce.sums[apart.sum].slot];
  const double increment = Perturb(&sum, 0);
  ShiftSum(st, apart.sum, sum);

  const int* list = apart.reactions.data();
  const int nr = static_cast<int>(apart.reactions.size());
  Reevaluate(st, plan, list, nr, gas_total, x);
  RankOneRows(st, plan, apart.rows, apart.first_term, y, dydx, increment, balance, one);
  std::fill(one.g.begin(), one.g.begin() + plan.n, 0.0);
  for (int s : ce.sums[apart.sum].species)
    if (s >= 3 && s <= st.spec) one.g[s - 3] += per_volume && net.per_volume[s] ? 1.0 / v : 1.0;
  one.active = true;
  Restore(st, plan, list, nr);
  ce.values = plan.saved_values;
}

// The stored index of every entry the plan writes, in a Jacobian stored
// over its pattern (the plan's pattern, so every entry is found).
void FindEntries(RateJacobianPlan& plan, const Matrix& dfdy) {
  const int n = plan.n;
  plan.row_entry.assign(plan.rows.size(), 0);
  plan.zero_entry.assign(plan.zero_rows.size(), 0);
  plan.temperature_entry.assign(n, 0);
  plan.volume_entry.assign(n, 0);
  // An entry the pattern lacks is written to the matrix's spare slot.
  auto find = [&](int i, int j) {
    const int k = dfdy.Find(i, j);
    return k >= 0 ? k : static_cast<int>(dfdy.StoredEntries());
  };
  for (int j = 0; j < n; ++j) {
    for (int q = plan.row_start[j]; q < plan.row_start[j + 1]; ++q) plan.row_entry[q] = find(plan.rows[q], j);
    for (int q = plan.zero_start[j]; q < plan.zero_start[j + 1]; ++q) plan.zero_entry[q] = find(plan.zero_rows[q], j);
    if (plan.temperature_row >= 0) plan.temperature_entry[j] = find(plan.temperature_row, j);
    if (plan.volume_row >= 0) plan.volume_entry[j] = find(plan.volume_row, j);
  }
}

}  // namespace

void RateJacobian(Run& run, RateJacobianPlan& plan, double* y, const double* dydx, Matrix& dfdy, double* work) {
  ModelStore& st = run.store;
  Network& net = st.net;
  const int n = plan.n;
  const int trow = plan.temperature_row, vrow = plan.volume_row;
  dfdy.ClearRankOneTerms();
  // The state variables' columns first: each evaluation at a perturbed
  // temperature or volume leaves its own rate constants behind, and the one
  // at y below puts them back.
  if (trow >= 0) WholeColumn(run, trow, y, dydx, dfdy, work, n);
  if (vrow >= 0) WholeColumn(run, vrow, y, dydx, dfdy, work, n);
  ++run.counts.derivs;
  Derivs(run, y, work);  // rates, rate constants and full state at y
  double* x = net.state.data();
  const double* rate = st.rate.data();
  const int* start = net.term_start.data();
  const Term* term = net.term.data();
  const bool special = st.cursk >= 1;
  const double total = x[kM];
  const double gas_total = special ? GasSum(st, x) : 0.0;
  const double t = net.temperature;
  const double v = net.volume;
  const bool per_volume = net.volume_index > 0;
  const EnergyBalance balance = trow >= 0 || vrow >= 0 ? BalanceAtY(st, plan, x, dydx) : EnergyBalance{};
  const double dtdt = trow >= 0 ? dydx[trow] : 0.0;
  // A Jacobian stored over its pattern is written through the stored index
  // of each entry, found once.
  const bool sparse = dfdy.Sparse();
  if (sparse && plan.row_entry.size() != plan.rows.size()) FindEntries(plan, dfdy);
  double* values = sparse ? dfdy.Values() : nullptr;
  auto entry = [&](int i, int j, const std::vector<int>& index, int q) -> double& {
    return sparse ? values[index[q]] : dfdy(i, j);
  };
  double* partial = plan.partial_sum.data();
  for (int l = 1; l <= n; ++l) {
    double sum = 0.0;
    for (int k = start[l]; k < start[l + 1]; ++k) {
      partial[k] = sum;
      sum += term[k].coeff * rate[term[k].reaction];
    }
    plan.row_sum[l - 1] = sum;
  }

  for (int j = 0; j < n; ++j) {
    if (j == trow || j == vrow) continue;
    const int s = j + 3;
    const double saved = y[j];
    const double saved_x = x[s];
    const double increment = Perturb(y, j);
    x[s] = per_volume && net.per_volume[s] ? y[j] / v : y[j];
    // [M] is summed again over the perturbed state, as the derivative
    // function sums it.
    const double perturbed_total = plan.moves_total[j] ? GasSum(st, x) : gas_total;
    if (plan.moves_total[j] && net.m_used) x[kM] = perturbed_total;

    const int* list = plan.reactions.data() + plan.reaction_start[j];
    const int count = plan.reaction_start[j + 1] - plan.reaction_start[j];
    // The sums (and air or water) the species enters move with it, and the
    // definitions that use them.
    const bool expressions = plan.moves_expressions[j] != 0;
    if (expressions) {
      plan.saved_values = net.expressions.values;
      ShiftExpressionInputs(st, s, x);
    }
    Reevaluate(st, plan, list, count, perturbed_total, x);
    double energy_change = 0.0, amount_rate_change = 0.0;
    for (int q = plan.row_start[j]; q < plan.row_start[j + 1]; ++q) {
      const int i = plan.rows[q];
      double change;
      if (plan.long_row[i]) {
        change = 0.0;
        for (int d = plan.diff_start[q]; d < plan.diff_start[q + 1]; ++d) {
          const Term& t = term[plan.diff_term[d]];
          change += t.coeff * (rate[t.reaction] - plan.saved_rate[plan.diff_reaction[d]]);
        }
        if (const int c = plan.cstr_flow[i]; c != 0 && i == j) change -= (y[j] - saved) * st.species[c].flow_rate;
      } else {
        double sum = BalanceFrom(st, plan, i, plan.first_term[q]);
        if (const int c = plan.cstr_flow[i]; c != 0) {
          const SpeciesEntry& e = st.species[c];
          sum += (e.external - y[i]) * e.flow_rate;
        }
        change = sum - dydx[i];
      }
      entry(i, j, plan.row_entry, q) = change / increment;
      energy_change += change * plan.energy_weight[i];
      if (net.gas[i + 3]) amount_rate_change += change;
    }
    for (int q = plan.zero_start[j]; q < plan.zero_start[j + 1]; ++q) entry(plan.zero_rows[q], j, plan.zero_entry, q) = 0.0;
    double dtdt_change = 0.0;
    if (trow >= 0) {
      // dT/dt = -E/C moves to -(E + dE)/(C + dC); the difference is formed
      // directly so that nothing of it is lost to cancellation.
      double capacity_change = 0.0;
      if (net.has_properties[s]) {
        const double gas = net.gas[s] && !per_volume ? 1.0 : 0.0;
        capacity_change = (x[s] - saved_x) * (net.cp_r[s] - gas) * v;
      }
      const double e = balance.energy_rate, c = balance.heat_capacity;
      dtdt_change = (e * capacity_change - c * energy_change) / (c * (c + capacity_change));
      entry(trow, j, plan.temperature_entry, j) = dtdt_change / increment;
    }
    if (vrow >= 0) {
      // dV/dt = (Rv/P)(n dT/dt + T dn/dt) over the gas-phase amount n.
      const double amount_change = net.gas[s] ? (x[s] - saved_x) * v : 0.0;
      const double volume_change = net.rv / net.pressure *
          (amount_change * (dtdt + dtdt_change) + balance.amount * dtdt_change + t * amount_rate_change);
      entry(vrow, j, plan.volume_entry, j) = volume_change / increment;
    }

    Restore(st, plan, list, count);
    if (expressions) net.expressions.values = plan.saved_values;
    y[j] = saved;
    x[s] = saved_x;
    x[kM] = total;
  }
  if (plan.total_apart) TotalColumn(run, plan, y, dydx, balance, dfdy);
  if (!plan.sums_apart.empty()) {
    if (dfdy.sum_terms.size() != plan.sums_apart.size()) dfdy.sum_terms.resize(plan.sums_apart.size());
    for (size_t m = 0; m < plan.sums_apart.size(); ++m)
      SumColumn(run, plan, plan.sums_apart[m], y, dydx, gas_total, balance, dfdy.sum_terms[m]);
  }
}

}  // namespace tarnavel
