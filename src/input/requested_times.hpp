#pragma once
// The times of -TIMES: at which every run ends a step and writes a row: the
// switch's own comma-separated list, or the name of a file that lists them
// (numbers separated by blanks, tabs, commas or line ends; # starts a comment).

#include <string_view>
#include <vector>

namespace tarnavel {

struct Run;

// The times in increasing order without repeats. Stops the run with fatal
// error 129 for a time outside the simulated span (0 to SIMLEN), 130 for a
// file that cannot be read and 131 for a value in it that is not a number.
std::vector<double> RequestedTimes(Run& run, std::string_view text);

}  // namespace tarnavel
