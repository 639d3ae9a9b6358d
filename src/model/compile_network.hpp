#pragma once
// Network compilation: turns the reaction table read from the model file into
// the compiled network. Reactions are normalised (hv and M in reactant slot 1
// and off the product side, unit-coefficient flags), ill-formed and duplicate
// reactions are refused, the term lists are built, species that take part in
// no reaction or are held constant are moved out of the integrated set, steady
// state species are moved behind the integrated ones, and charge and mass
// balance are checked.

#include <string>

namespace tarnavel {

struct Run;

void CompileNetwork(Run& run);

// The reaction written out from its compiled slots, e.g. "NO + O3 ==> NO2 + O2".
std::string ReactionText(const Run& run, int r);

}  // namespace tarnavel
