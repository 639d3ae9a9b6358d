#pragma once
// The optimisation driver of fit mode: the marked values are the unknowns,
// minimised by the downhill simplex (run twice), Powell's direction sets or
// simulated annealing on the fit objective, then reported on the console and
// in OPTOUT.TXT with the place in the input files where each came from.

namespace tarnavel {

struct Run;

// Runs the whole fit; the simulation is run once more at the reported
// optimum, so that CONC.TXT and the final sum describe it.
void RunOptimisation(Run& run);

}  // namespace tarnavel
