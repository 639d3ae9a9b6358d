#pragma once
// The species names file (default SPECNAME.DAT): common names of species with
// the chemical formulas they stand for, e.g. "Methanol , CH3OH". Each formula
// is weighed as it is read; species that carry a common name take their
// molecular weight from here.

#include <iosfwd>
#include <string_view>

#include "core/names_table.hpp"

namespace tarnavel {

struct Run;

// The names table of the run (empty until the names file has been read).
const NamesTable& NamesTableOf(const Run& run);

// The first entry whose common name, less any {...} tag, is the species name
// (case-sensitive); nullptr when there is none.
const NameEntry* FindName(const NamesTable& table, std::string_view species);

// Empties the run's names table, then reads the names file named by the
// command line (FILENAME of code 4) when it exists.
void ReadNamesFile(Run& run);

// Reads the data lines of an open names file into the run's names table,
// replacing its entries; formulas are weighed with the run's periodic table.
void ReadNamesLines(Run& run, std::istream& in);

}  // namespace tarnavel
