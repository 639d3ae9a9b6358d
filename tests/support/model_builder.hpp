#pragma once
// Builds small species and reaction tables by hand, as the description-file
// readers would leave them, for tests of the compilation and rate stages.

#include <string>
#include <utility>
#include <vector>

#include "core/run.hpp"

namespace tarnavel::testing {

using Items = std::vector<std::pair<double, std::string>>;  // coefficient, species name

// Appends a species with the given initial concentration; returns its index.
int AddSpecies(Run& run, const std::string& name, double initial = 0.0);

// Appends a reaction; returns its number.
int AddReaction(Run& run, double k, const Items& reactants, const Items& products);

// Appends an Arrhenius reaction k = A T^m exp(-Ea/RT).
int AddArrhenius(Run& run, double a, double m, double ea, const Items& reactants, const Items& products);

// Appends a special rate-law entry and attaches it to reaction r; returns the
// entry number. `params` fill slots 1.. in order.
int AddSpecial(Run& run, int r, int type, const std::vector<double>& params);

}  // namespace tarnavel::testing
