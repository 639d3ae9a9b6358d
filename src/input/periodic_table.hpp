#pragma once
// The periodic table from which formula masses are computed: element symbols
// (two characters, a one-letter symbol padded with a blank, compared
// case-sensitively) and atomic masses. A built-in table is always present;
// with -P or -p the user's PERIODIC.DAT replaces it for the whole run.

#include <iosfwd>
#include <string>
#include <string_view>

#include "core/element_table.hpp"

namespace tarnavel {

struct Run;

// Pads or cuts a symbol to the two characters the table compares.
std::string ElementSymbol(std::string_view text);

// Position of a two-character symbol in the table (the first one when a table
// read with -p holds it twice), 0 when it is not there.
int FindElement(const PeriodicTable& table, std::string_view symbol);

// The table every program starts with.
const PeriodicTable& BuiltInPeriodicTable();

// The table in force for this run: the one read from the periodic-table file
// when the command line asked for it, otherwise the built-in table.
const PeriodicTable& PeriodicTableOf(const Run& run);

// Reads the periodic-table file (FILENAME of code 6, "PERIODIC.DAT") into the
// user table. A missing file stops the run with fatal error 113.
void ReadUserPeriodicTable(Run& run);

// Reads the data lines of an open periodic-table file into the user table,
// replacing its entries, and checks for duplicate symbols unless -p switched
// that off.
void ReadPeriodicLines(Run& run, std::istream& in);

}  // namespace tarnavel
