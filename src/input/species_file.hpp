#pragma once
// The species description file: one species per line with its residence
// time, initial concentration, display choice, feed concentration, steady
// state choice and imposed value or profile. Fills the species table from
// entry 3 on (hv and M hold entries 1 and 2) and appends the temperature and
// volume pseudo-species when the run needs them.

#include <iosfwd>
#include <string>

namespace tarnavel {

struct Run;

// Reads the file named by the command line (default SPECIES.DAT).
void ReadSpeciesFile(Run& run);
// Reads the data lines from an open stream, then completes the table.
void ReadSpeciesLines(Run& run, std::istream& in);

// Net charge of a species name from its trailing + and - signs. Returns false
// when the name consists of signs only.
bool SpeciesCharge(const std::string& name, int& charge);

// Name of the temperature and volume pseudo-species.
inline constexpr const char* kTemperatureSpecies = "Temperature(K)";
inline constexpr const char* kVolumeSpecies = "Volume";

// The temperature and volume pseudo-species: state variables carried as
// species, with no mass, no thermodynamic data and no place in the gas phase.
inline bool IsStateVariableSpecies(const std::string& name) {
  return name == kTemperatureSpecies || name == kVolumeSpecies;
}

}  // namespace tarnavel
