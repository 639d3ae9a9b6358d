#pragma once
// The calls the main loop makes at each step and output point, and the close
// of a run's result files: each forwards to the subsystem that owns the work.

#include <vector>

namespace tarnavel {

struct Run;
struct LoopState;

namespace stage {

void RefreshProfiles(Run& run, LoopState& loop, bool radiation_too);
void Derivatives(Run& run, double t, const std::vector<double>& y, std::vector<double>& dydx);
void IntegratorStep(Run& run, LoopState& loop);
void WriteOutputRow(Run& run, LoopState& loop, double time);
void FinishOutputs(Run& run, LoopState& loop);
// The times of -TIMES: in a simulation that is no fit: every step sequence
// ends on them and ATTIMES.TXT gets a row at each.
void RequestTimes(Run& run, LoopState& loop);
// The ignition delay: follows the run from its start state, takes in every
// accepted step end of the simulated trajectory.
void StartIgnitionTracking(Run& run, LoopState& loop);
void TrackIgnition(Run& run, LoopState& loop, double time);

// Analysis rows reach the console with show, and never in a quiet run.
bool EchoAnalysis(const Run& run);
// An analysis row from rates recomputed at the current state.
void WriteRatesRow(Run& run, LoopState& loop, double time);

}  // namespace stage
}  // namespace tarnavel
