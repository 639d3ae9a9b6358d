#pragma once
// NASA seven-coefficient polynomials as CHEMKIN-II files give them, inline in
// a mechanism's THERMO section or in a separate thermodynamic file, and the
// database the importer writes from them.

#include <array>
#include <string>
#include <vector>

namespace tarnavel::import {

struct Mechanism;

// NASA polynomials of one species: the record's four lines as read and
// their fields.
struct ThermoRecord {
  std::string name;
  std::array<std::string, 4> lines;
  double t_low = 0.0, t_high = 0.0, t_common = 0.0;
  std::array<double, 7> high{}, low{};
  int line = 0;
  std::string file;
};

// Reads the records of a THERMO section from lines[i] (just after the THERMO
// line) to its END; i is left on the END line, or at the end of the lines.
void ReadThermoSection(Mechanism& mech, const std::vector<std::string>& lines, size_t& i, const std::string& file);

// Adds the records of a separate thermodynamic file (THERMO header, the
// default temperature line, four-line records, END) to the mechanism.
void ReadThermoFile(Mechanism& mech, const std::string& text, const std::string& file);

// The record of a species, or nullptr.
const ThermoRecord* FindThermo(const Mechanism& mech, const std::string& name);

// The thermodynamic database handed to the program: the record of every
// mechanism species in the classic four-line layout.
std::string ThermoDatabase(const Mechanism& mech);

}  // namespace tarnavel::import
