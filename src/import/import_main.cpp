// tarnavel_import: writes this program's input files from a CHEMKIN-II
// mechanism, or from a Master Chemical Mechanism export (FACSIMILE `.fac`,
// KPP `.kpp` or `.eqn`), chosen by the file's extension.
//
//   tarnavel_import MECHANISM [--thermo FILE] [--out DIR] [--mixture A=x,B=y,...]
//                   [--temperature K] [--pressure P[Pa|mbar|hPa|atm|bar]] [--time S] [--step S]
//                   [--constant-pressure] [--accuracy EPS] [--title TEXT] [--database NAME]
//                   [--units MOLES/CM^3|MOLES/L|MOLECULES/CM^3]
//   tarnavel_import MECHANISM.fac|.kpp|.eqn [--coefficients FILE] [--initial FILE] [--constant FILE]
//                   [--temperature K] [--pressure P] [--h2o C | --rh PERCENT] [--latitude DEG]
//                   [--longitude DEG | --longitude-west DEG] [--start YYYY-MM-DDTHH:MM:SS]
//                   [--declination DEG[rad]] [--jfac F | --no-photolysis] [--time S] [--step S]
//                   [--accuracy EPS] [--title TEXT] [--out DIR] [--for xl]
//                   [--fixed-conditions [--sum NAME=VALUE]...]

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "import/chemkin_mechanism.hpp"
#include "import/chemkin_text.hpp"
#include "import/mcm_fixed_conditions.hpp"
#include "import/mcm_mechanism.hpp"
#include "import/mcm_model_files.hpp"
#include "import/model_files.hpp"

namespace {

using namespace tarnavel::import;

constexpr const char* kUsage =
    "usage: tarnavel_import MECHANISM [--thermo FILE] [--out DIR] [--mixture A=x,B=y,...]\n"
    "                       [--temperature K] [--pressure P[Pa|mbar|hPa|atm|bar]] [--time S] [--step S]\n"
    "                       [--constant-pressure] [--accuracy EPS] [--title TEXT] [--database NAME]\n"
    "                       [--units MOLES/CM^3|MOLES/L|MOLECULES/CM^3]\n"
    "       tarnavel_import MECHANISM.fac|.kpp|.eqn [--coefficients FILE] [--initial FILE] [--constant FILE]\n"
    "                       [--temperature K] [--pressure P[Pa|mbar|hPa|atm|bar]] [--h2o C | --rh PERCENT]\n"
    "                       [--latitude DEG] [--longitude DEG | --longitude-west DEG]\n"
    "                       [--start YYYY-MM-DDTHH:MM:SS] [--declination DEG[rad]] [--jfac F | --no-photolysis]\n"
    "                       [--time S] [--step S] [--accuracy EPS] [--title TEXT] [--out DIR] [--for xl]\n"
    "                       [--fixed-conditions [--sum NAME=VALUE]...]\n"
    "\n"
    "A Master Chemical Mechanism export (FACSIMILE .fac, KPP .kpp or .eqn; any other extension is read as\n"
    "CHEMKIN-II) is written to MODEL.DAT, SPECIES.DAT, PARM.DAT and RATES.DAT with its rate constants as\n"
    "expressions, its RO2 as a named sum and its photolysis as J<n>. Concentrations in molecules cm^-3:\n"
    "  --coefficients FILE   Fortran assignments NAME = expression of the rate coefficients a KPP\n"
    "                        mechanism uses (and J(J_NAME) = l*cos(X)**m*exp(-n/cos(X)))\n"
    "  --initial FILE        rows NAME value: initial concentrations (others 0)\n"
    "  --constant FILE       rows NAME value: species held constant (NAME alone: at its initial value)\n"
    "  --h2o C, --rh PERCENT water as a concentration or as relative humidity\n"
    "  --latitude DEG        north positive; --longitude DEG east positive, --longitude-west DEG west positive\n"
    "  --start DATE          UTC date and time at run time 0, YYYY-MM-DDTHH:MM:SS\n"
    "  --declination DEG     a fixed solar declination (a value ending in rad is in radians)\n"
    "  --jfac F              factor on every photolysis rate; --no-photolysis is --jfac 0\n"
    "  --for xl              check the size against tarnavel_xl instead of tarnavel_large\n"
    "  --fixed-conditions    write every rate constant as a number, evaluated at the starting conditions\n"
    "                        (temperature, [M], O2, N2, H2O; photolysis at the solar zenith angle of --start;\n"
    "                        each sum at the sum of its members' initial concentrations), and no RATES.DAT;\n"
    "                        a reaction whose rate constant is then 0 is left as a comment line\n"
    "  --sum NAME=VALUE      with --fixed-conditions: hold the sum NAME (e.g. RO2) at VALUE (molecules cm^-3)\n"
    "                        instead; once for each sum held\n"
    "  --temperature K (default 298.15), --pressure (default 101325 Pa), --time S (default 3600),\n"
    "  --step S (default a hundredth of the time), --accuracy EPS (default 1E-06)\n";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path, 0, "cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

double Number(const std::string& option, const std::string& text) {
  double v = 0.0;
  if (!ParseNumber(text, v) || !std::isfinite(v)) throw ImportError(option, 0, "\"" + text + "\" is not a number");
  return v;
}

double Positive(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(v > 0.0) || !std::isfinite(v))
    throw ImportError(option, 0, "\"" + text + "\" is not a positive number");
  return v;
}

double Pressure(const std::string& text) {
  // Longer units first: "mbar" ends in "bar", "hPa" in "Pa".
  for (const auto& [unit, pascals] : {std::pair<std::string, double>{"mbar", 100.0},
                                      {"hPa", 100.0},
                                      {"atm", 101325.0},
                                      {"bar", 1.0e5},
                                      {"Pa", 1.0}}) {
    if (text.size() > unit.size() && text.compare(text.size() - unit.size(), unit.size(), unit) == 0)
      return Positive("--pressure", text.substr(0, text.size() - unit.size())) * pascals;
  }
  return Positive("--pressure", text);
}

// Degrees, or radians with the suffix rad.
double Angle(const std::string& option, const std::string& text) {
  constexpr double kDegreesPerRadian = 57.295779513082320877;
  if (text.size() > 3 && text.compare(text.size() - 3, 3, "rad") == 0)
    return Number(option, text.substr(0, text.size() - 3)) * kDegreesPerRadian;
  return Number(option, text);
}

std::vector<std::pair<std::string, double>> Mixture(const std::string& text) {
  std::vector<std::pair<std::string, double>> mix;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    const auto eq = item.find('=');
    if (eq == std::string::npos || eq == 0) throw ImportError("--mixture", 0, "\"" + item + "\" is not NAME=fraction");
    mix.emplace_back(item.substr(0, eq), Positive("--mixture", item.substr(eq + 1)));
  }
  return mix;
}

// The options of the command line in order; those without a value hold "".
using Options = std::vector<std::pair<std::string, std::string>>;

void Report(const std::vector<ImportWarning>& changes, const std::vector<ImportWarning>& warnings) {
  // What was changed or left out, so that it is seen without reading the files.
  for (const ImportWarning& c : changes) std::cout << "  " << c.text << '\n';
  if (!warnings.empty()) {
    std::cout << "  " << warnings.size() << " warning(s):\n";
    for (const ImportWarning& w : warnings)
      std::cout << "  " << w.file << (w.line > 0 ? ", line " + std::to_string(w.line) : "") << ": " << w.text << '\n';
  }
}

int ImportChemkin(const std::string& mechanism, const Options& given) {
  std::string thermo, out = ".";
  ImportOptions options;
  for (const auto& [arg, value] : given) {
    if (arg == "--thermo") {
      thermo = value;
    } else if (arg == "--out") {
      out = value;
    } else if (arg == "--mixture") {
      options.mixture = Mixture(value);
    } else if (arg == "--temperature") {
      options.temperature = Positive(arg, value);
    } else if (arg == "--pressure") {
      options.pressure = Pressure(value);
    } else if (arg == "--time") {
      options.span = Positive(arg, value);
    } else if (arg == "--step") {
      options.output_step = Positive(arg, value);
    } else if (arg == "--accuracy") {
      options.accuracy = Positive(arg, value);
    } else if (arg == "--constant-pressure") {
      options.constant_pressure = true;
    } else if (arg == "--title") {
      options.title = value;
    } else if (arg == "--units") {
      options.units = value;
    } else if (arg == "--database") {
      options.database = value;
    } else {
      throw ImportError(arg, 0,
                        "an option of Master Chemical Mechanism imports (.fac, .kpp, .eqn), not of CHEMKIN ones");
    }
  }
  Mechanism mech = ReadMechanism(ReadFile(mechanism), mechanism);
  if (!thermo.empty()) ReadThermoFile(mech, ReadFile(thermo), thermo);
  std::vector<ImportWarning> changes;
  const FileSet files = TranslateMechanism(mech, options, &changes);
  WriteFileSet(files, out);
  int plog = 0, chebyshev = 0;
  for (const Reaction& r : mech.reactions) {
    plog += !r.plog.empty();
    chebyshev += r.chebyshev;
  }
  std::cout << "Imported " << mech.species.size() << " species and " << mech.reactions.size() << " reactions";
  if (plog + chebyshev > 0) std::cout << " (" << plog << " PLOG, " << chebyshev << " Chebyshev)";
  std::cout << " of " << mechanism << " into " << out << ":";
  for (const auto& f : files) std::cout << ' ' << f.first;
  std::cout << '\n';
  Report(changes, mech.warnings);
  return 0;
}

int ImportMcm(const std::string& mechanism, McmForm form, const Options& given) {
  std::string out = ".";
  std::vector<std::string> coefficients;
  McmOptions options;
  bool west = false, east = false, fixed = false;
  std::vector<HeldSum> held;
  for (const auto& [arg, value] : given) {
    if (arg == "--out") {
      out = value;
    } else if (arg == "--coefficients") {
      coefficients.push_back(value);
    } else if (arg == "--initial") {
      options.initial = ReadSpeciesValues(ReadFile(value), value, true);
    } else if (arg == "--constant") {
      options.constant = ReadSpeciesValues(ReadFile(value), value, false);
    } else if (arg == "--temperature") {
      options.temperature = Positive(arg, value);
    } else if (arg == "--pressure") {
      options.pressure = Pressure(value);
    } else if (arg == "--h2o") {
      options.h2o = Number(arg, value);
    } else if (arg == "--rh") {
      options.rh = Number(arg, value);
    } else if (arg == "--latitude") {
      options.latitude = Angle(arg, value);
    } else if (arg == "--longitude") {
      options.longitude = Angle(arg, value);
      east = true;
    } else if (arg == "--longitude-west") {
      options.longitude = -Angle(arg, value);
      west = true;
    } else if (arg == "--start") {
      options.start = value;
    } else if (arg == "--declination") {
      options.declination = Angle(arg, value);
    } else if (arg == "--jfac") {
      options.jfactor = Number(arg, value);
    } else if (arg == "--no-photolysis") {
      options.jfactor = 0.0;
    } else if (arg == "--time") {
      options.span = Positive(arg, value);
    } else if (arg == "--step") {
      options.output_step = Positive(arg, value);
    } else if (arg == "--accuracy") {
      options.accuracy = Positive(arg, value);
    } else if (arg == "--title") {
      options.title = value;
    } else if (arg == "--fixed-conditions") {
      fixed = true;
    } else if (arg == "--sum") {
      const auto eq = value.find('=');
      if (eq == std::string::npos || eq == 0) throw ImportError(arg, 0, "\"" + value + "\" is not NAME=VALUE");
      const std::string name = value.substr(0, eq);
      const double v = Number(arg, value.substr(eq + 1));
      if (v < 0.0) throw ImportError(arg, 0, "the sum " + name + " must not be negative");
      if (std::any_of(held.begin(), held.end(), [&](const HeldSum& h) { return h.name == name; }))
        throw ImportError(arg, 0, "the sum " + name + " is held twice");
      held.push_back({name, v});
    } else if (arg == "--for") {
      if (value != "xl" && value != "large") throw ImportError(arg, 0, "\"" + value + "\" is no program: large or xl");
      options.extra_large = value == "xl";
    } else {
      throw ImportError(arg, 0, "an option of CHEMKIN imports, not of Master Chemical Mechanism ones");
    }
  }
  if (west && east)
    throw ImportError("--longitude", 0, "give the longitude either east positive or west positive, not both");
  if (!held.empty() && !fixed) throw ImportError("--sum", 0, "holds a sum only in the form of --fixed-conditions");
  const std::string text = ReadFile(mechanism);
  McmMechanism mech = form == McmForm::kFacsimile ? ReadFacsimile(text, mechanism) : ReadKpp(text, mechanism);
  for (const std::string& file : coefficients) ReadRateCoefficients(mech, ReadFile(file), file);
  CompleteMechanism(mech);
  std::vector<ImportWarning> changes;
  FileSet files = TranslateMcmMechanism(mech, options, &changes);
  if (fixed) {
    const tarnavel::Capacity& program = options.extra_large ? tarnavel::kXlCapacity : tarnavel::kLargeCapacity;
    files = FixRateConstants(files, held, program, mechanism, &changes);
  }
  WriteFileSet(files, out);
  // A rate definitions file left by an earlier import would be read by the
  // program beside the numbers.
  std::error_code ec;
  if (fixed && std::filesystem::remove(std::filesystem::path(out) / "RATES.DAT", ec))
    changes.push_back({mechanism, 0, "the RATES.DAT of an earlier import in " + out + " was removed"});
  std::cout << "Imported " << mech.species.size() << " species, " << mech.reactions.size() << " reactions, "
            << mech.definitions.size() << " rate coefficients and " << mech.sums.size() << " sum(s) of " << mechanism
            << " into " << out << ":";
  for (const auto& f : files) std::cout << ' ' << f.first;
  std::cout << '\n';
  Report(changes, mech.warnings);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  static const std::set<std::string> flags = {"--constant-pressure", "--no-photolysis", "--fixed-conditions"};
  static const std::set<std::string> known = {
      "--thermo", "--out",         "--mixture",      "--temperature",       "--pressure",
      "--time",   "--step",        "--accuracy",     "--constant-pressure", "--title",
      "--units",  "--database",    "--coefficients", "--initial",           "--constant",
      "--h2o",    "--rh",          "--latitude",     "--longitude",         "--longitude-west",
      "--start",  "--declination", "--jfac",         "--no-photolysis",     "--for",
      "--fixed-conditions", "--sum"};
  std::string mechanism;
  Options given;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--help" || arg == "-h") {
        std::cout << kUsage;
        return 0;
      }
      if (!arg.empty() && arg[0] != '-' && mechanism.empty()) {
        mechanism = arg;
      } else if (flags.count(arg)) {
        given.emplace_back(arg, "");
      } else if (known.count(arg)) {
        if (i + 1 >= argc) throw ImportError(arg, 0, "needs a value");
        given.emplace_back(arg, argv[++i]);
      } else {
        throw ImportError(arg, 0, "unknown option");
      }
    }
    if (mechanism.empty()) {
      std::cerr << kUsage;
      return 2;
    }
    std::string extension = Upper(std::filesystem::path(mechanism).extension().string());
    if (extension == ".FAC") return ImportMcm(mechanism, McmForm::kFacsimile, given);
    if (extension == ".KPP" || extension == ".EQN") return ImportMcm(mechanism, McmForm::kKpp, given);
    return ImportChemkin(mechanism, given);
  } catch (const ImportError& e) {
    std::cerr << "tarnavel_import: " << e.what() << "\nNothing was written.\n";
    return 1;
  }
}
