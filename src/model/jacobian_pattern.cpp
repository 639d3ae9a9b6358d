#include "model/jacobian_pattern.hpp"

#include <algorithm>

#include "core/run.hpp"
#include "model/rate_expressions.hpp"

namespace tarnavel {

std::vector<std::vector<int>> JacobianPattern(const Run& run, bool total_apart) {
  const ModelStore& st = run.store;
  const Network& net = st.net;
  const int n = st.spec - 2;
  std::vector<std::vector<int>> rows(n);
  // Rate constants written as expressions that move with species (sums,
  // air or water from species): their reactions' balances get those columns.
  const std::vector<std::vector<int>> readers = ExpressionReaders(st);
  std::vector<std::vector<int>> read_by_reaction(st.nreact + 1);
  for (int s = 3; s <= st.spec && s < static_cast<int>(readers.size()); ++s)
    for (int r : readers[s]) read_by_reaction[r].push_back(s - 3);
  for (int l = 1; l <= n; ++l) {
    std::vector<int>& cols = rows[l - 1];
    cols.push_back(l - 1);
    bool all_gas = false;
    for (int k = net.term_start[l]; k < net.term_start[l + 1]; ++k) {
      const CompiledReaction& cr = net.rx[net.term[k].reaction];
      const std::vector<int>& read = read_by_reaction[net.term[k].reaction];
      cols.insert(cols.end(), read.begin(), read.end());
      if (cr.kptr > 0) {
        // [M]eff: the gas-phase total and every named third body.
        all_gas = true;
        const SpecialEntry& e = st.special[cr.kptr];
        const int colliders = static_cast<int>(e.param[kColliderCountSlot]);
        for (int c = 1; c <= colliders; ++c) {
          const int s = static_cast<int>(e.param[ColliderSpeciesSlot(c)]) + 2;
          if (s >= 3 && s <= st.spec) cols.push_back(s - 3);
        }
      }
      for (int j = 1; j <= cr.nrct; ++j) {
        const int s = cr.rsp[j];
        if (s == kM) all_gas = true;
        if (s >= 3 && s <= st.spec) cols.push_back(s - 3);
      }
    }
    if (all_gas && !total_apart)
      for (int s = 3; s <= st.spec; ++s)
        if (net.gas[s]) cols.push_back(s - 3);
    // An integrated temperature drives every rate constant, and an integrated
    // volume turns every amount into a concentration; the equation of either
    // sums over every species.
    for (const int vi : {net.temperature_index, net.volume_index}) {
      if (vi <= 0) continue;
      cols.push_back(vi - 3);
      if (l == vi - 2)
        for (int s = 3; s <= st.spec; ++s) cols.push_back(s - 3);
    }
    std::sort(cols.begin(), cols.end());
    cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
  }
  return rows;
}

}  // namespace tarnavel
