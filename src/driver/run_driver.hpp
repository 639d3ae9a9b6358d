#pragma once
// The run driver: start-up, the stage sequence, the main loop and the
// end-of-run report.

#include <string>
#include <vector>

#include "model/capacity.hpp"

namespace tarnavel {

struct Run;

// Runs the whole program on the given arguments (program name excluded) and
// returns the process exit status. Output goes to run.console.
int RunProgram(Run& run, const std::vector<std::string>& args);

}  // namespace tarnavel
