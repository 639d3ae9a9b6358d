#pragma once
// The stages the run driver calls, in run order. Each forwards to the
// subsystem that owns the work; a stage whose subsystem is not part of this
// program yet leaves the run state as it is.

#include <vector>

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

// Main-loop calls.
void RefreshProfiles(Run& run, LoopState& loop, bool radiation_too);
void Derivatives(Run& run, double t, const std::vector<double>& y, std::vector<double>& dydx);
void IntegratorStep(Run& run, LoopState& loop);
void WriteOutputRow(Run& run, LoopState& loop, double time);
void FinishOutputs(Run& run, LoopState& loop);

}  // namespace stage
}  // namespace tarnavel
