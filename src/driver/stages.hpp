#pragma once
// The stages the run driver calls, in run order. Each forwards to the
// subsystem that owns the work; a stage whose subsystem is not part of this
// program yet leaves the run state as it is. The calls of the main loop
// itself and the close of the result files are the time loop's own stages.

#include "time_loop/loop_stages.hpp"

namespace tarnavel {

struct Run;
struct LoopState;

namespace stage {

// Input files.
void UserPeriodicTable(Run& run);
void ParameterFile(Run& run);
void NamesFile(Run& run);
void SpeciesFile(Run& run);
void ProfilesAndRadiation(Run& run);
void ModelFile(Run& run);
// Network compilation, species disposal, steady state, balances; the
// thermodynamic description in thermodynamic mode; the molecular weights
// listing.
void CompileNetwork(Run& run);
// The input files read and the network compiled, in run order (the user
// periodic table first when -P asks for it): everything a run needs before
// its integration is chosen.
void ReadAndCompile(Run& run);
// True when analytic Jacobians are to be used.
bool ChooseAnalyticJacobian(Run& run);
// Output preparation.
void CreateConcFile(Run& run);
void WriteHeadersAndTimeZero(Run& run, LoopState& loop);
void SetUpSensitivity(Run& run, LoopState& loop);
void CreateAnalysisFile(Run& run, LoopState& loop);
void WriteKineticStatistics(Run& run);
// The optimisation driver of fit mode.
void Optimise(Run& run, LoopState& loop);

}  // namespace stage
}  // namespace tarnavel
