#pragma once
// Molecular weights from chemical formulas: element symbols with counts,
// nested parenthesised groups with multipliers, trailing charge signs. Weighs
// the formulas of the names file and the species that have no names-file
// entry.

#include <string_view>

namespace tarnavel {

struct Run;
struct PeriodicTable;

// Parenthesis levels of a formula, the outermost level included.
inline constexpr int kMaxNestingLevels = 100;

// How weighing a formula ended.
enum class WeighOutcome {
  kWeighed,         // every character was understood
  kMissingLeft,     // a ')' without its '('
  kTooDeep,         // a '(' beyond the nesting limit
  kMissingRight,    // a '(' still open at the end
  kUnknownSymbol,   // a character that is no element symbol (or a mass that overflows)
};

struct FormulaWeight {
  double mass = 0.0;  // meaningful only when weighed
  WeighOutcome outcome = WeighOutcome::kWeighed;
  bool Weighed() const { return outcome == WeighOutcome::kWeighed; }
};

// Weighs a formula without blanks and without charge signs, left to right:
// an element is looked up by the two characters at the scan position, then by
// the one; the decimal digits after it count its atoms (none: one atom). A
// group in parentheses is weighed on its own level and multiplied by the
// digits after its ')'.
FormulaWeight WeighFormula(std::string_view formula, const PeriodicTable& table);

// The formula without its trailing charge signs: "SO4--" gives "SO4".
std::string_view WithoutCharge(std::string_view formula);

// Sets the molecular weight and mass-known flag of every species of the table
// that has not been weighed yet: from its names-file entry when it has one,
// otherwise by reading its name as a formula. hv and M weigh nothing; the
// temperature and volume pseudo-species have no mass and draw no warning.
// Problems give warnings 9, 10, 11, 12 (the name read as a formula) and 25
// (a names-file entry whose formula could not be weighed).
//
// The network compilation calls it once the model file has added its
// species, before the balance checks and the molecular weight listing. It
// may be called again after further species were appended: entries already
// weighed are left as they are and warn no second time. The weights travel
// with a species entry when compilation moves it.
void DetermineMolecularWeights(Run& run);

}  // namespace tarnavel
