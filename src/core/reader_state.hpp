#pragma once
// Shared state of the delimited field reader: the current line and its fields,
// the delimiter in force, and the bookkeeping that lets every message quote the
// offending line and its source line number.

#include <array>
#include <string>
#include <vector>

#include "core/capacity.hpp"

namespace tarnavel {

// Description file codes; FILECODE selects the file name and field counts that
// messages quote.
enum FileCode {
  kNoFile = 0,
  kSpeciesFile = 1,
  kModelFile = 2,
  kParameterFile = 3,
  kNamesFile = 4,
  kThermoFile = 5,
  kPeriodicFile = 6,
};
inline constexpr int kDescriptionFiles = 6;

// One value marked for fitting with a trailing `?`.
struct FitParameter {
  int kind = 0;     // what the value is: 1 temperature, 21/22/24 species columns,
                    // 100/101/102 model fields, 200 + slot inside a bracket group
  int item = 0;     // species or reaction number; -999 for the parameter file
  int srcline = 0;  // source line of the value; -1 for the parameter file
  std::string species;  // the species of a species-file value (compilation moves species)
};

struct ReaderState {
  std::string line;                                // LINE: the current line as read
  std::array<std::string, kMaxFields + 1> field;   // FIELD(1..40)
  int nfield = 0;                                  // NFIELD
  char delim = '\t';                               // DELIM
  int delim_try = 0;                               // DELIM_TRY
  int srcline = 0;                                 // SRCLINE
  int filecode = kNoFile;                          // FILECODE
  // FILENAME(1..6), preset to the default names and replaced by the command line.
  std::array<std::string, kDescriptionFiles + 1> filename{
      "", "SPECIES.DAT", "MODEL.DAT", "PARM.DAT", "SPECNAME.DAT", "THERM.DAT", "PERIODIC.DAT"};
  std::array<bool, kMaxFields + 1> fitmark{};      // FITMARK(1..40)
  std::vector<FitParameter> fit;                   // the fit-parameter table; NOPT = size

  const std::string& CurrentFileName() const {
    static const std::string none;
    return (filecode >= 1 && filecode <= kDescriptionFiles) ? filename[filecode] : none;
  }
};

}  // namespace tarnavel
