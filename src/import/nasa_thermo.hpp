#pragma once
// NASA seven-coefficient polynomials as CHEMKIN-II files give them, inline in
// a mechanism's THERMO section or in a separate thermodynamic file, and the
// database the importer writes from them.
//
// Published files bend the four-line layout in many ways; the reader takes
// them as CHEMKIN-II readers in common use do: the species name is the first
// word of columns 1-18 (a comment or a date may follow it there), numeric
// fields ignore embedded blanks (0.869E 01 is 8.69), any line starting with
// END (END, ENDOFDATA, end) closes the section, element counts may stand
// anywhere in their three columns, and a blank common temperature is the
// section's default. The database written from the records has one clean
// layout whatever the source's.

#include <array>
#include <string>
#include <vector>

namespace tarnavel::import {

struct Mechanism;

// An element of a species' formula and its number of atoms.
struct ElementCount {
  std::string symbol;  // upper case, as element symbols compare
  double count = 0.0;
};

// NASA polynomials of one species, as parsed from its four-line record.
struct ThermoRecord {
  std::string name;
  std::vector<ElementCount> elements;  // the non-zero counts, in the order written
  char phase = 'G';                    // upper case; a blank phase is the gas
  double t_low = 0.0, t_high = 0.0, t_common = 0.0;
  std::array<double, 7> high{}, low{};
  int line = 0;  // line of the record's first line in `file`
  std::string file;
};

// Reads the records of a THERMO section from lines[i] (just after the THERMO
// line) to its END; i is left on the END line, or at the end of the lines.
// Records are checked against the species declared so far: an unreadable
// record stops the import unless its species is not used, and repeats,
// unused records and polynomials that disagree at the common temperature
// are reported in mech.warnings.
void ReadThermoSection(Mechanism& mech, const std::vector<std::string>& lines, size_t& i, const std::string& file);

// Adds the records of a separate thermodynamic file (THERMO header, the
// default temperature line, four-line records, END) to the mechanism.
void ReadThermoFile(Mechanism& mech, const std::string& text, const std::string& file);

// The record of a species that counts (the first one read), or nullptr.
const ThermoRecord* FindThermo(const Mechanism& mech, const std::string& name);

// Thermodynamic functions of a seven-coefficient polynomial at temperature t.
double HeatCapacityOverR(const std::array<double, 7>& a, double t);
double EnthalpyOverRT(const std::array<double, 7>& a, double t);
double EntropyOverR(const std::array<double, 7>& a, double t);

// A number in a fixed field of `width` characters, right-aligned, that reads
// back as the same double when any text of that width can; otherwise the
// closest text of that width.
std::string FieldText(double value, size_t width);

// The thermodynamic database handed to the program: the record of every
// mechanism species in the four-line layout, written afresh (name alone in
// columns 1-18, elements in the standard fields, common temperature always
// written, coefficients that read back exactly, line numbers in column 80).
std::string ThermoDatabase(const Mechanism& mech);

}  // namespace tarnavel::import
