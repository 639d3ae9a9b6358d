#pragma once
// Turns a CHEMKIN-II mechanism into this program's input files: the model,
// species and parameter description files, a thermodynamic description file
// and the database it describes. Everything is composed in memory first and
// checked against the large build's capacities; the files are then written
// under temporary names and renamed, so that an import that fails leaves
// nothing behind.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "import/chemkin_mechanism.hpp"

namespace tarnavel::import {

struct ImportOptions {
  std::string title = "Imported mechanism";
  std::string database = "THERMO.DAT";  // name of the thermodynamic database written
  // Initial mixture as mole fractions (normalised on use); empty: all zero.
  std::vector<std::pair<std::string, double>> mixture;
  double temperature = 1000.0;  // K
  double pressure = 101325.0;   // Pa
  double span = 1.0;            // simulated time, s
  double output_step = 0.0;     // output interval, s; 0: a hundredth of the span
  bool constant_pressure = false;
  double accuracy = 1.0e-8;
  // Concentration unit of the files: "MOLES/CM^3" (the mechanism's own),
  // "MOLES/L" or "MOLECULES/CM^3"; rate constants are converted to it.
  std::string units = "MOLES/CM^3";
};

using FileSet = std::vector<std::pair<std::string, std::string>>;  // file name, content

// The file names written: MODEL.DAT, SPECIES.DAT, PARM.DAT, THERM.DAT and the
// database. What the translation changes (companion reactions, reverses left
// out) is added to `changes` when given.
FileSet TranslateMechanism(const Mechanism& mech, const ImportOptions& options,
                           std::vector<ImportWarning>* changes = nullptr);

// Writes every file into dir, all or none; a missing dir is made.
void WriteFileSet(const FileSet& files, const std::filesystem::path& dir);

// The gas constant in the energy unit of a REACTIONS line (CAL/MOLE,
// KCAL/MOLE, JOULES/MOLE, KJOULES/MOLE, KELVINS or EVOLTS), per mole and kelvin.
double GasConstantIn(const std::string& units);

// Concentrations in a unit of ImportOptions per mol/cm^3; 0 for a unit
// the importer does not write.
double UnitsPerMolePerCubicCentimetre(const std::string& units);

// The concentration of an ideal gas at temperature t (K) and pressure p
// (Pa), in mol/cm^3.
double MolesPerCubicCentimetre(double t, double p);

}  // namespace tarnavel::import
