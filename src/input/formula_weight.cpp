#include "input/formula_weight.hpp"

#include <array>
#include <cmath>
#include <string>

#include "core/diagnostics.hpp"
#include "core/run.hpp"
#include "input/names_file.hpp"
#include "input/periodic_table.hpp"
#include "input/species_file.hpp"

namespace tarnavel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the decimal digits at `pos` as a count and moves past them. No
// digits count as one. The count is kept in floating point so that a very
// long digit string cannot overflow.
double ReadCount(std::string_view formula, size_t& pos) {
  if (pos >= formula.size() || !IsDigit(formula[pos])) return 1.0;
  double count = 0.0;
  while (pos < formula.size() && IsDigit(formula[pos])) count = count * 10.0 + (formula[pos++] - '0');
  return count;
}

// The element at the scan position: the two characters first, then the one.
// Returns its table position and the number of characters it takes, or 0.
int ElementAt(std::string_view formula, size_t pos, const PeriodicTable& table, size_t& length) {
  if (pos + 1 < formula.size()) {
    if (const int e = FindElement(table, formula.substr(pos, 2))) {
      length = 2;
      return e;
    }
  }
  length = 1;
  return FindElement(table, ElementSymbol(formula.substr(pos, 1)));
}

int SpeciesWarning(WeighOutcome outcome) {
  switch (outcome) {
    case WeighOutcome::kMissingLeft: return 9;
    case WeighOutcome::kTooDeep: return 10;
    case WeighOutcome::kMissingRight: return 11;
    default: return 12;
  }
}


}  // namespace

FormulaWeight WeighFormula(std::string_view formula, const PeriodicTable& table) {
  // sum[level] is the partial mass of each open level; level 1 is the formula.
  std::array<double, kMaxNestingLevels + 1> sum{};
  int level = 1;
  size_t pos = 0;
  while (pos < formula.size()) {
    const char c = formula[pos];
    if (c == '(') {
      if (level == kMaxNestingLevels) return {0.0, WeighOutcome::kTooDeep};
      sum[++level] = 0.0;
      ++pos;
    } else if (c == ')') {
      if (level == 1) return {0.0, WeighOutcome::kMissingLeft};
      ++pos;
      const double multiplier = ReadCount(formula, pos);
      const double group = sum[level--];
      if (multiplier != 0.0) sum[level] += group * multiplier;
    } else {
      size_t length = 0;
      const int e = ElementAt(formula, pos, table, length);
      if (e == 0) return {0.0, WeighOutcome::kUnknownSymbol};
      pos += length;
      const double count = ReadCount(formula, pos);
      if (count != 0.0) sum[level] += table.element[e].mass * count;
    }
  }
  if (level > 1) return {0.0, WeighOutcome::kMissingRight};
  if (!std::isfinite(sum[1])) return {0.0, WeighOutcome::kUnknownSymbol};
  return {sum[1], WeighOutcome::kWeighed};
}

std::string_view WithoutCharge(std::string_view formula) {
  size_t end = formula.size();
  while (end > 0 && (formula[end - 1] == '+' || formula[end - 1] == '-')) --end;
  return formula.substr(0, end);
}

void DetermineMolecularWeights(Run& run) {
  ModelStore& st = run.store;
  // The photon and the third body carry no mass into a reaction.
  for (int s = 1; s <= 2; ++s) {
    st.species[s].mw = 0.0;
    st.species[s].mass_known = true;
    st.species[s].weighed = true;
  }
  const PeriodicTable& table = PeriodicTableOf(run);
  const NamesTable& names = NamesTableOf(run);
  for (int s = 3; s <= st.nspec; ++s) {
    SpeciesEntry& e = st.species[s];
    if (e.weighed) continue;
    e.weighed = true;
    e.mw = 0.0;
    e.mass_known = false;
    if (IsStateVariableSpecies(e.name)) continue;
    if (const NameEntry* entry = FindName(names, e.name)) {
      if (entry->mass_known) {
        e.mw = entry->mass;
        e.mass_known = true;
      } else {
        run.msg.name1 = e.name;
        Warning(run, 25);
      }
      continue;
    }
    const FormulaWeight w = WeighFormula(WithoutCharge(e.name), table);
    if (w.Weighed()) {
      e.mw = w.mass;
      e.mass_known = true;
    } else {
      run.msg.name1 = e.name;
      Warning(run, SpeciesWarning(w.outcome));
    }
  }
}

}  // namespace tarnavel
