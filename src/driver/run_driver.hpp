#pragma once
// The run driver: start-up, the stage sequence, the main loop and the
// end-of-run report.

#include <string>
#include <vector>

#include "core/capacity.hpp"

namespace tarnavel {

struct Run;
struct LoopState;

// Runs the whole program on the given arguments (program name excluded) and
// returns the process exit status. Output goes to run.console.
int RunProgram(Run& run, const std::vector<std::string>& args);

// Start-up and every stage before the main loop: the input files are read,
// the network compiled and set up, and the time-zero row written. Stops
// raise ProgramStop. For callers that step the model themselves.
void SetUpRun(Run& run, const std::vector<std::string>& args, LoopState& loop);

}  // namespace tarnavel
