#pragma once
// Turns an MCM mechanism into this program's input files: the model
// description (rate constants as expressions), the species description (in
// molecules cm^-3, species held constant where asked), the parameter
// description and the rate file RATES.DAT with the conditions (SET), the
// named rate coefficients (DEFINE), the peroxy-radical sums (SUM) and
// photolysis parameters (J). Nothing is evaluated.

#include <optional>
#include <string>
#include <vector>

#include "import/mcm_mechanism.hpp"
#include "import/model_files.hpp"

namespace tarnavel::import {

// A species and its concentration (molecules cm^-3) from a file of rows
// `NAME value`; a row of a name alone has no value.
struct SpeciesValue {
  std::string name;
  std::optional<double> value;
  std::string file;
  int line = 0;
};

// Reads rows `NAME value` (blank lines and lines beginning with '#' or '!'
// passed over). With `value_required` false a row may hold the name alone.
std::vector<SpeciesValue> ReadSpeciesValues(const std::string& text, const std::string& file, bool value_required);

struct McmOptions {
  std::string title = "Imported MCM mechanism";
  double temperature = 298.15;                // K
  double pressure = 101325.0;                 // Pa
  std::optional<double> h2o;                  // molecules cm^-3
  std::optional<double> rh;                   // relative humidity, percent
  std::optional<double> latitude, longitude;  // degrees, north and east positive
  std::string start;                          // UTC date and time at run time 0, YYYY-MM-DDTHH:MM:SS
  std::optional<double> declination;          // degrees, a fixed solar declination
  std::optional<double> jfactor;              // factor on every photolysis rate
  double span = 3600.0;                       // simulated time, s
  double output_step = 0.0;                   // output interval, s; 0: a hundredth of the span
  double accuracy = 1.0e-6;
  bool extra_large = false;                   // sized for tarnavel_xl rather than tarnavel_large
  std::vector<SpeciesValue> initial;   // initial concentrations
  std::vector<SpeciesValue> constant;  // species held constant (no value: at the initial one)
};

// Whether `text` is a UTC date and time YYYY-MM-DDTHH:MM:SS that exists.
bool IsStartTime(const std::string& text);

// MODEL.DAT, SPECIES.DAT, PARM.DAT and RATES.DAT of a completed mechanism
// (CompleteMechanism). What the translation adds (companion reactions, the
// loss species) is added to `changes` when given.
FileSet TranslateMcmMechanism(const McmMechanism& mech, const McmOptions& options,
                              std::vector<ImportWarning>* changes = nullptr);

}  // namespace tarnavel::import
