#pragma once
// Rate constants written as expressions: compiled once after the network
// (names resolved, definitions ordered, what each depends on worked out), and
// evaluated inside the derivative function, each definition and rate
// constant again only when the temperature, the composition (species sums,
// air and water taken from species) or the time (photolysis) it depends on
// has changed.

#include <vector>

namespace tarnavel {

struct Run;
struct ModelStore;

// After network compilation: compiles every rate expression of the model
// file and every definition of the rate definitions file. Fatal errors 132
// (syntax, with the column), 133 (an unknown name), 134 (a definition that
// refers to itself), 137 (air, water or the sun needed but not given).
void CompileRateExpressions(Run& run);

// Sets the rate constants of the expression reactions for the full state x
// (concentrations by species slot) at the network's temperature and time.
// A value that is not finite stops the run with fatal error 135.
void EvaluateRateExpressions(Run& run, const double* x);

// The rate constant of expression reaction r from the current values (after
// a change of its inputs made by ShiftExpressionInputs).
double ExpressionRate(ModelStore& st, int r);

// Per species slot (3..SPEC), the expression reactions whose rate constant
// changes with that species (through a species sum not taken apart, or as
// O2, N2 or H2O).
std::vector<std::vector<int>> ExpressionReaders(const ModelStore& st);

// For the rank-one term of sum k taken apart: sets the sum to `value` and
// the definitions that depend on the composition again. The caller keeps a
// copy of the values to put back.
void ShiftSum(ModelStore& st, int k, double value);

// For a column of the numerical Jacobian: the sums (other than those taken
// apart) and the air or water that species s enters, at the full state x in which s has been perturbed, and
// the definitions that depend on the composition. The caller keeps a copy of
// the values to put back.
void ShiftExpressionInputs(ModelStore& st, int s, const double* x);

}  // namespace tarnavel
