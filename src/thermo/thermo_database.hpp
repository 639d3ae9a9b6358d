#pragma once
// The thermodynamic databases named by the description file, read in row
// order. Each database line (or group of lines) is cut into values as its
// description says; an entry whose name, phase and charge fit a model species
// that still lacks data supplies that species' two seven-coefficient ranges,
// its range temperatures and, when the database has one, its molecular
// weight. After reading, the data are reported, a common temperature range
// may be forced, and with -OF every species' data are written back out as one
// delimited database, FREETHRM.TXT.

#include <string_view>

namespace tarnavel {

struct Run;

inline constexpr const char* kFreeThermoFile = "FREETHRM.TXT";

// Reads the databases of run.store.thermo.db[1..] (ReadThermoDescription
// fills them) until every species from entry 3 on is supplied. A database
// file that does not exist gives warning 34 and is passed over; a species no
// database supplies stops the run with fatal error 74.
void ReadThermoDatabases(Run& run);

// A database or SET value as a number: a blank text is 0, and an exponent
// letter e or E followed by a blank reads as if the blank were a `+`
// ("1.5e 03" is 1500; only the last such letter is mended). Anything else
// that is no number stops the run with fatal error 88, quoting the file and
// line the reader state names.
double ThermoToReal(Run& run, std::string_view text);

// Molecular weight of an elemental composition written as groups of five
// characters: a two-character element symbol (compared upper-case with the
// periodic table in force) and a three-character atom count, "C   1H   4".
// A text whose length without trailing blanks is no multiple of 5 stops the
// run with fatal error 117.
double CompositionWeight(Run& run, std::string_view text);

// The temperature and volume pseudo-species carry no thermodynamic data.
bool NeedsNoThermoData(std::string_view species_name);

}  // namespace tarnavel
