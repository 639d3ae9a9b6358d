#pragma once
// The molecular weight listing MW.TXT (-SEEMW): every species of the compiled
// model with its molecular weight, or a line marking a species whose weight
// could not be determined.

#include <iosfwd>

namespace tarnavel {

struct Run;

inline constexpr const char* kMwListFile = "MW.TXT";

// Replaces MW.TXT in the working directory with the listing of species
// 3..RSPEC. Called after network compilation, when -SEEMW is given.
void WriteMwList(Run& run);

// Writes the listing itself: two empty lines, the header and rule lines, one
// line per species, a closing rule of 63 hyphens and two empty lines. Fields
// are separated by the output delimiter.
void WriteMwList(const Run& run, std::ostream& out);

}  // namespace tarnavel
