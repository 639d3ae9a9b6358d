#pragma once
// Which entries of the Jacobian of the compiled network can be non-zero.

#include <vector>

namespace tarnavel {

struct Run;

// For each integrated species (row l-1 for species l+2), the columns its rate
// of change can depend on: its own, every integrated reactant of the
// reactions in its term list, and every integrated species when such a
// reaction involves the total concentration [M] (M as a reactant or a
// special rate law, whose named third bodies count too). It must list every
// dependency the derivative function has: the numerical Jacobian perturbs
// columns that share no row together.
//
// With `total_apart`, the dependence on the gas total is left out (named
// third bodies stay): the pattern of a Jacobian whose dependence on [M] is
// carried apart as a rank-one term (see TotalApart in rate_jacobian.hpp).
std::vector<std::vector<int>> JacobianPattern(const Run& run, bool total_apart = false);

}  // namespace tarnavel
