#pragma once
// The kinetic statistics report KINSTAT.TXT (-KINSTAT): for every integrated
// species the number of rate-of-change terms that form it (sources) and that
// consume it (sinks), its share of all terms, and the averages per species.

#include <string>
#include <vector>

namespace tarnavel {

struct Run;

inline constexpr const char* kKinStatFile = "KINSTAT.TXT";

// The report's lines, fields separated by the output delimiter.
std::vector<std::string> KinStatLines(const Run& run);

// Tallies the compiled network and replaces KINSTAT.TXT in the working
// directory with the report, with progress lines on the console.
void WriteKinStat(Run& run);

}  // namespace tarnavel
