#pragma once
// The species names file (default SPECNAME.DAT): common names of species with
// the chemical formulas they stand for, e.g. "Methanol , CH3OH". Each formula
// is weighed as it is read; species that carry a common name take their
// molecular weight from here.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tarnavel {

struct Run;

// Names the table holds; common to both builds, since a names file is a
// library of names shared by many models.
inline constexpr int kMaxNames = 2000;

struct NameEntry {
  std::string name;         // common name, blanks removed
  std::string key;          // the name less any {...} tag: what species names are compared with
  std::string formula;      // blanks removed, {...} tag cut off, charge signs kept
  bool has_tag = false;
  std::string tag;          // first 11 characters inside the formula's braces
  int charge = 0;           // net charge from the trailing signs of the formula
  double mass = 0.0;        // molecular weight of the formula
  bool mass_known = false;  // the formula could be weighed
};

struct NamesTable {
  std::vector<NameEntry> entry;  // 1..count, in file order; sized once
  int count = 0;
};

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
