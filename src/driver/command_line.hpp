#pragma once
// The command line: each argument is matched against the switch table and sets
// run settings; help switches print their text and stop; an argument that
// matches nothing stops the program.

#include <string>
#include <vector>

namespace tarnavel {

struct Run;

// Parses the arguments (program name excluded) in order; a later argument
// overrides an earlier one.
void ParseCommandLine(Run& run, const std::vector<std::string>& args);

}  // namespace tarnavel
