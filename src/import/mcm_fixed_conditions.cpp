#include "import/mcm_fixed_conditions.hpp"

#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/capacity.hpp"
#include "core/run.hpp"
#include "core/stop.hpp"
#include "driver/command_line.hpp"
#include "driver/stages.hpp"
#include "import/mcm_model_files.hpp"
#include "import/model_files.hpp"
#include "input/field_reader.hpp"
#include "model/expression_code.hpp"
#include "model/solar_photolysis.hpp"

namespace tarnavel::import {

std::string ExactNumber(double v) {
  char buffer[40];
  for (int digits = 0; digits < 17; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*E", digits, v);
    if (std::strtod(buffer, nullptr) == v) break;
  }
  return buffer;
}

namespace {

// A condition as the notes show it, in up to eight significant digits.
std::string Shown(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.8G", v);
  return buffer;
}

// A scratch folder of its own, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnavel-import-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw ImportError(pattern, 0, "a scratch folder for the evaluation cannot be made");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The program reads its files from the working directory: it is changed for
// the loading and given back on every way out.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir) : home_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDirectory() {
    std::error_code ec;
    std::filesystem::current_path(home_, ec);
  }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path home_;
};

const std::string& FileText(const FileSet& files, const std::string& name) {
  for (const auto& [file, text] : files)
    if (file == name) return text;
  throw ImportError(name, 0, "is missing from the expression form");
}

// What the program printed before it stopped, without the blank lines.
std::string StopReason(const std::string& console) {
  std::istringstream in(console);
  std::string reason;
  for (std::string line; std::getline(in, line);) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    reason += (reason.empty() ? "" : "\n    ") + line.substr(first);
  }
  return reason;
}

// Loads the files of the current directory as a run does, up to the set-up of
// the state variables, which evaluates every rate expression at time 0.
void LoadAsARun(Run& run, const Capacity& cap) {
  ParseCommandLine(run, {"-QUIET", "-ig:mass", "-ig:warn"});
  run.reader.delim = '\t';
  ResetStore(run.store, cap);
  stage::ReadAndCompile(run);
}

// The species slots of a sum as compilation resolves them: the members the
// model holds, each once, in the order listed.
std::vector<int> SumMembers(const ModelStore& st, const RateDefinitions::Sum& sum) {
  std::vector<int> members;
  for (const std::string& name : sum.species)
    for (int s = 3; s <= st.rspec; ++s)
      if (st.species[s].name == name) {
        if (std::find(members.begin(), members.end(), s) == members.end()) members.push_back(s);
        break;
      }
  return members;
}

// The compiled sum of a named one; nullptr when no rate constant uses it.
const CompiledExpressions::Sum* CompiledSum(const ModelStore& st, const std::string& name) {
  for (const RateDefinitions::Sum& sum : st.rate_definitions.sums) {
    if (sum.name != name) continue;
    const std::vector<int> members = SumMembers(st, sum);
    for (const CompiledExpressions::Sum& compiled : st.net.expressions.sums)
      if (compiled.species == members) return &compiled;
  }
  return nullptr;
}

}  // namespace

FileSet FixRateConstants(const FileSet& files, const std::vector<HeldSum>& held, const Capacity& cap,
                                const std::string& mechanism, std::vector<ImportWarning>* changes) {
  using CE = CompiledExpressions;
  ScratchFolder scratch;
  WriteFileSet(files, scratch.path());
  std::ostringstream console;
  std::istringstream no_input;
  Run run(Console(console, no_input), cap);
  {
    WorkingDirectory in(scratch.path());
    try {
      LoadAsARun(run, cap);
    } catch (const ProgramStop&) {
      throw ImportError(mechanism, 0,
                        "the rate constants cannot be evaluated at the starting conditions:\n    " +
                            StopReason(console.str()));
    }
  }
  ModelStore& st = run.store;
  CE& ce = st.net.expressions;
  std::vector<std::string> notes;

  // Held sums, then every definition and rate constant again in compiled order.
  for (const HeldSum& h : held) {
    const auto& sums = st.rate_definitions.sums;
    if (std::none_of(sums.begin(), sums.end(), [&](const RateDefinitions::Sum& s) { return s.name == h.name; }))
      throw ImportError("--sum", 0, "the mechanism has no sum " + h.name);
    if (const CE::Sum* sum = CompiledSum(st, h.name)) ce.values[sum->slot] = h.value;
    else notes.push_back("no rate constant uses the sum " + h.name + ": --sum " + h.name + " changes nothing");
  }
  auto run_program = [&](const CE::Program& p) {
    const double v = RunExpression(ce.code.data() + p.begin, p.end - p.begin, ce.values.data(), ce.stack.data());
    if (!std::isfinite(v)) throw ImportError(mechanism, 0, p.name + " is not finite at the starting conditions");
    return v;
  };
  if (!held.empty())
    for (const CE::Program& p : ce.definitions) ce.values[p.slot] = run_program(p);
  struct Evaluated {
    double k;
    std::string expression;
  };
  std::map<int, Evaluated> rate_of_line;  // MODEL.DAT line -> evaluated k
  for (const CE::Program& p : ce.reactions) {
    const ReactionRecord& rec = st.reaction[p.reaction];
    rate_of_line[rec.srcline] = {run_program(p), rec.expression};
  }

  // What the constants were evaluated at.
  if (ce.active) {
    std::ostringstream at;
    at << "rate constants evaluated at " << Shown(st.net.temperature) << " K";
    if (ce.pressure_given)
      at << ", " << Shown(ce.pressure) << " Pa: [M] " << Shown(ce.values[CE::kM]) << ", [O2] "
         << Shown(ce.values[CE::kO2]) << ", [N2] " << Shown(ce.values[CE::kN2]);
    if (ce.h2o_species != 0 || ce.water >= 0.0 || ce.humidity >= 0.0)
      at << ", [H2O] " << Shown(ce.values[CE::kH2O]);
    notes.insert(notes.begin(), at.str() + " molecules cm^-3");
    if (!ce.photolysis.empty()) {
      const UtcMoment start = UtcAt(UtcStart{ce.start_year, ce.start_month, ce.start_day, ce.start_seconds}, 0.0);
      const double cos_zenith = CosZenith(ce.latitude, ce.longitude, start,
                                          ce.fixed_declination ? std::optional<double>(ce.declination) : std::nullopt);
      std::ostringstream sun;
      sun << "photolysis at the start: cos(zenith angle) " << Shown(cos_zenith);
      if (ce.jfactor != 1.0) sun << ", J factor " << Shown(ce.jfactor);
      if (cos_zenith <= kNightCosZenith || ce.jfactor == 0.0) sun << " (no photolysis)";
      notes.push_back(sun.str());
    }
    for (const RateDefinitions::Sum& sum : st.rate_definitions.sums) {
      const CE::Sum* compiled = CompiledSum(st, sum.name);
      if (compiled == nullptr) continue;
      const bool chosen = std::any_of(held.begin(), held.end(), [&](const HeldSum& h) { return h.name == sum.name; });
      const double value = ce.values[compiled->slot];
      notes.push_back(sum.name + " held at " + Shown(value) + " molecules cm^-3" +
                      (chosen        ? " (--sum)"
                       : value > 0.0 ? " (its members' initial concentrations)"
                                     : " (its members start at 0; --sum " + sum.name + "=VALUE holds it elsewhere)"));
    }
  }

  // MODEL.DAT again: its own header, then every line with its k field a
  // number. The reactions are the data lines, numbered as the reader numbers
  // the file's lines.
  std::ostringstream model;
  model << "# " << mechanism << " at fixed conditions: rate constants in molecules cm^-3 and s\n";
  for (const std::string& note : notes) model << "# " << note << '\n';
  model << "# k\treaction\tsource\n";
  std::istringstream in(FileText(files, "MODEL.DAT"));
  int number = 0, zero = 0;
  bool header = true;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const bool comment = line.empty() || line[0] == '#';
    if (header && comment) continue;  // the expression form's own header
    header = false;
    const auto tab = line.find('\t');
    if (comment || tab == std::string::npos) {
      model << line << '\n';
      continue;
    }
    const std::string field = line.substr(0, tab), rest = line.substr(tab);
    double k = 0.0;
    if (const auto rate = rate_of_line.find(number); rate != rate_of_line.end()) {
      // The reader numbers lines as they are here; a k field that is not the
      // expression compiled for its line would be a fault of this translation.
      if (field != rate->second.expression)
        throw ImportError("MODEL.DAT", number, "the rate constant read is not the one written");
      k = rate->second.k;
    } else if (!ParseReal(field, k)) {
      throw ImportError("MODEL.DAT", number,
                        "the rate constant \"" + field + "\" is neither an expression nor a number");
    }
    // A number as written (a Fortran D exponent, say) is written again in the
    // plain exponent form, as the same double.
    if (k == 0.0) {
      ++zero;
      model << "#0" << rest << ", rate constant 0 at the start\n";
    } else {
      model << ExactNumber(k) << rest << '\n';
    }
  }
  if (zero > 0)
    notes.push_back(std::to_string(zero) +
                    " reaction(s) with rate constant 0 at the start left out (comment lines of MODEL.DAT)");
  if (changes != nullptr)
    for (const std::string& note : notes) changes->push_back({mechanism, 0, note});
  return {{"MODEL.DAT", model.str()},
          {"SPECIES.DAT", FileText(files, "SPECIES.DAT")},
          {"PARM.DAT", FileText(files, "PARM.DAT")}};
}

}  // namespace tarnavel::import
