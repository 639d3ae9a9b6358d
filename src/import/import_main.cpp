// tarnavel_import: writes this program's input files from a CHEMKIN-II
// mechanism.
//
//   tarnavel_import MECHANISM [--thermo FILE] [--out DIR] [--mixture A=x,B=y,...]
//                   [--temperature K] [--pressure P[Pa|atm|bar]] [--time S] [--step S]
//                   [--constant-pressure] [--accuracy EPS] [--title TEXT] [--database NAME]
//                   [--units MOLES/CM^3|MOLES/L|MOLECULES/CM^3]

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "import/chemkin_mechanism.hpp"
#include "import/model_files.hpp"

namespace {

using namespace tarnavel::import;

constexpr const char* kUsage =
    "usage: tarnavel_import MECHANISM [--thermo FILE] [--out DIR] [--mixture A=x,B=y,...]\n"
    "                       [--temperature K] [--pressure P[Pa|atm|bar]] [--time S] [--step S]\n"
    "                       [--constant-pressure] [--accuracy EPS] [--title TEXT] [--database NAME]\n"
    "                       [--units MOLES/CM^3|MOLES/L|MOLECULES/CM^3]\n";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path, 0, "cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

double Positive(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(v > 0.0)) throw ImportError(option, 0, "\"" + text + "\" is not a positive number");
  return v;
}

double Pressure(const std::string& text) {
  for (const auto& [unit, pascals] : {std::pair<std::string, double>{"atm", 101325.0}, {"bar", 1.0e5}, {"Pa", 1.0}}) {
    if (text.size() > unit.size() && text.compare(text.size() - unit.size(), unit.size(), unit) == 0)
      return Positive("--pressure", text.substr(0, text.size() - unit.size())) * pascals;
  }
  return Positive("--pressure", text);
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

}  // namespace

int main(int argc, char** argv) {
  std::string mechanism, thermo, out = ".";
  ImportOptions options;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      auto value = [&]() -> std::string {
        if (i + 1 >= argc) throw ImportError(arg, 0, "needs a value");
        return argv[++i];
      };
      if (arg == "--help" || arg == "-h") {
        std::cout << kUsage;
        return 0;
      } else if (arg == "--thermo") {
        thermo = value();
      } else if (arg == "--out") {
        out = value();
      } else if (arg == "--mixture") {
        options.mixture = Mixture(value());
      } else if (arg == "--temperature") {
        options.temperature = Positive(arg, value());
      } else if (arg == "--pressure") {
        options.pressure = Pressure(value());
      } else if (arg == "--time") {
        options.span = Positive(arg, value());
      } else if (arg == "--step") {
        options.output_step = Positive(arg, value());
      } else if (arg == "--accuracy") {
        options.accuracy = Positive(arg, value());
      } else if (arg == "--constant-pressure") {
        options.constant_pressure = true;
      } else if (arg == "--title") {
        options.title = value();
      } else if (arg == "--units") {
        options.units = value();
      } else if (arg == "--database") {
        options.database = value();
      } else if (!arg.empty() && arg[0] != '-' && mechanism.empty()) {
        mechanism = arg;
      } else {
        throw ImportError(arg, 0, "unknown option");
      }
    }
    if (mechanism.empty()) {
      std::cerr << kUsage;
      return 2;
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
    // What was changed or left out, so that it is seen without reading the files.
    for (const ImportWarning& c : changes) std::cout << "  " << c.text << '\n';
    if (!mech.warnings.empty()) {
      std::cout << "  " << mech.warnings.size() << " warning(s):\n";
      for (const ImportWarning& w : mech.warnings)
        std::cout << "  " << w.file << (w.line > 0 ? ", line " + std::to_string(w.line) : "") << ": " << w.text << '\n';
    }
    return 0;
  } catch (const ImportError& e) {
    std::cerr << "tarnavel_import: " << e.what() << "\nNothing was written.\n";
    return 1;
  }
}
