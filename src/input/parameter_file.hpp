#pragma once
// The parameter description file: step limits, units, temperature, constant
// pressure and volume choices, simulated time span, radiation file and
// accuracy. Fills the settings record; a missing file leaves the defaults.

#include <iosfwd>

namespace tarnavel {

struct Run;

// Reads the file named by the command line (default PARM.DAT).
void ReadParameterFile(Run& run);
// Reads the five data lines from an open stream, then applies the corrections.
void ReadParameterLines(Run& run, std::istream& in);
// Corrections and unit-dependent settings that follow the data lines (also
// applied to the defaults when the file is missing).
void FinishParameters(Run& run, double percent_difference);

}  // namespace tarnavel
