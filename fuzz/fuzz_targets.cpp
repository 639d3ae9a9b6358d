// The fuzz targets. An input that a target reads as two files is cut at its
// first NUL byte; the run is the process's one run, renewed for each input.
#include "fuzz_targets.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/run.hpp"
#include "core/stop.hpp"
#include "fit/fit_data.hpp"
#include "import/chemkin_mechanism.hpp"
#include "import/mcm_mechanism.hpp"
#include "import/mcm_model_files.hpp"
#include "import/model_files.hpp"
#include "input/model_file.hpp"
#include "input/rate_definitions_file.hpp"
#include "input/requested_times.hpp"
#include "model/rate_expressions.hpp"
#include "input/names_file.hpp"
#include "input/parameter_file.hpp"
#include "input/periodic_table.hpp"
#include "input/profiles.hpp"
#include "input/species_file.hpp"
#include "model/compile_network.hpp"
#include "model/state_variables.hpp"
#include "time_loop/integration.hpp"
#include "thermo/thermo_database.hpp"
#include "thermo/thermo_description.hpp"

namespace tarnavel::fuzz {
namespace {

// The run, brought back before each input to the state the program starts
// from. Constructing a run for every input would spend most of the time
// faulting in its capacity-sized tables; ResetStore keeps their memory.
// Every member of Run is renewed here: a member added to Run must be added
// too, or one input's state would leak into the next.
class FuzzRun {
 public:
  static Run& Fresh() {
    FuzzRun& f = Instance();
    f.out_.str("");
    f.out_.clear();
    f.in_.clear();
    Run& run = f.run_;
    run.sw = Switches{};
    run.sw.quiet = true;
    run.settings = Settings{};
    run.reader = ReaderState{};
    ResetStore(run.store, kLargeCapacity);
    run.msg = MessageArgs{};
    run.user_periodic = PeriodicTable{};
    run.names.entry.clear();  // empty as at start; the memory stays for the next reading
    run.names.count = 0;
    run.counts = WorkCounts{};
    run.warned_out_of_range.assign(kLargeCapacity.max_species + 1, false);
    return run;
  }
  // What the console has printed since the last Fresh().
  static std::string Printed() { return Instance().out_.str(); }

 private:
  FuzzRun() : run_(Console(out_, in_), kLargeCapacity) {}
  static FuzzRun& Instance() {
    static FuzzRun f;
    return f;
  }

  std::ostringstream out_;
  std::istringstream in_;  // no console input: a pause returns at once
  Run run_;
};

// The input cut at each NUL byte into `parts` pieces (the last takes the rest;
// missing pieces are empty).
std::vector<std::string> Parts(const std::string& text, std::size_t parts) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (out.size() + 1 < parts) {
    const std::size_t nul = text.find('\0', start);
    if (nul == std::string::npos) break;
    out.push_back(text.substr(start, nul - start));
    start = nul + 1;
  }
  out.push_back(text.substr(start));
  while (out.size() < parts) out.emplace_back();
  return out;
}

void WriteFile(const std::string& name, const std::string& content) {
  std::ofstream(name, std::ios::binary) << content;
}

// Runs readers; a stop is valid only when it said why.
template <typename F>
Outcome Orderly(F&& readers) {
  try {
    readers();
  } catch (const ProgramStop&) {
    const bool said = FuzzRun::Printed().find_first_not_of(" \n") != std::string::npos;
    return said ? Outcome::kOrderlyStop : Outcome::kSilentStop;
  }
  return Outcome::kRead;
}

// One extrapolation step of 1e-10 s from the initial concentrations, as the
// main loop takes it.
void FirstStep(Run& run) {
  const int n = run.store.Equations();
  if (n <= 0) return;
  SetUpStateVariables(run);
  Integration in(run);
  std::vector<double> y(n), dydx(n), yscal(n);
  for (int i = 0; i < n; ++i) y[i] = run.store.conc[i + 3];
  in.system.Derivs(y.data(), dydx.data());
  for (int i = 0; i < n; ++i) yscal[i] = std::max(std::fabs(y[i]), run.settings.yscalmin);
  double x = 0.0, hdid = 0.0, hnext = 0.0;
  ExtrapolationStep(run, in.extrapolation, in.extrapolation_work, in.system, y.data(), dydx.data(), n, x, 1.0e-10,
                    run.settings.accuracy, yscal.data(), false, in.reset, hdid, hnext);
}

Outcome Worst(Outcome a, Outcome b) { return a == Outcome::kSilentStop ? a : b; }

Outcome ParameterFile(const std::string& input) {
  Run& run = FuzzRun::Fresh();
  std::istringstream text(input);
  return Orderly([&] { ReadParameterLines(run, text); });
}

Outcome SpeciesFile(const std::string& input) {
  Run& run = FuzzRun::Fresh();
  std::istringstream text(input);
  return Orderly([&] { ReadSpeciesLines(run, text); });
}

// A species file (first part), the model file (second part), the network
// compilation, and then what the first step of a run does with the network:
// the rates at the initial state, the Jacobian, and one extrapolation step.
Outcome ModelFile(const std::string& input) {
  const auto parts = Parts(input, 2);
  Run& run = FuzzRun::Fresh();
  run.sw.ignore_mass = true;
  std::istringstream species(parts[0]), model(parts[1]);
  return Orderly([&] {
    ReadSpeciesLines(run, species);
    ReadModelLines(run, model);
    CompileNetwork(run);
    FirstStep(run);
  });
}

// The user periodic table (first part) and the names and mass file (second).
Outcome NamesFile(const std::string& input) {
  const auto parts = Parts(input, 2);
  std::istringstream periodic(parts[0]), names(parts[1]);
  Run& run = FuzzRun::Fresh();
  const Outcome first = Orderly([&] { ReadPeriodicLines(run, periodic); });
  Run& again = FuzzRun::Fresh();
  return Worst(first, Orderly([&] { ReadNamesLines(again, names); }));
}

// A species held by the profile PROF.DAT (first part) and the radiation file
// HV.DAT (second part), read as a run reads them.
Outcome Profiles(const std::string& input) {
  const auto parts = Parts(input, 2);
  WriteFile("PROF.DAT", parts[0]);
  WriteFile("HV.DAT", parts[1]);
  Run& run = FuzzRun::Fresh();
  run.settings.hvfile = "HV.DAT";
  std::istringstream species("A\t0\t1\tY\t0\tN\tPROF.DAT\nB\t0\t0\tY\t0\tN\tN\n");
  return Orderly([&] {
    ReadSpeciesLines(run, species);
    ReadProfilesAndRadiation(run);
  });
}

// The thermodynamic description THERM.DAT (first part) and the database it
// names, DB.DAT (second part), for a few species.
Outcome Thermo(const std::string& input) {
  const auto parts = Parts(input, 2);
  WriteFile("THERM.DAT", parts[0]);
  WriteFile("DB.DAT", parts[1]);
  Run& run = FuzzRun::Fresh();
  run.sw.thermo = true;
  std::istringstream species("H2\t0\t1\tY\t0\tN\tN\nO2\t0\t1\tY\t0\tN\tN\nOH\t0\t0\tY\t0\tN\tN\nAR\t0\t0\tY\t0\tN\tN\n");
  return Orderly([&] {
    ReadSpeciesLines(run, species);
    ReadThermoDescription(run);
    ReadThermoDatabases(run);
  });
}

// The fit data file for a run with two species.
Outcome FitData(const std::string& input) {
  WriteFile("FITDATA.DAT", input);
  Run& run = FuzzRun::Fresh();
  std::istringstream species("A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n");
  return Orderly([&] {
    ReadSpeciesLines(run, species);
    ReadFitData(run, "FITDATA.DAT");
  });
}

// The mechanism (first part) and a separate thermodynamic file (second part),
// translated as the importer does for a mixture of the first species.
Outcome ChemkinImport(const std::string& input) {
  using namespace tarnavel::import;
  const auto parts = Parts(input, 2);
  try {
    Mechanism mech = ReadMechanism(parts[0], "fuzz.inp");
    if (!parts[1].empty()) ReadThermoFile(mech, parts[1], "fuzz.dat");
    ImportOptions options;
    if (!mech.species.empty()) options.mixture = {{mech.species.front(), 1.0}};
    TranslateMechanism(mech, options);
  } catch (const ImportError&) {
    return Outcome::kOrderlyStop;
  }
  return Outcome::kRead;
}

// The rate definitions file (first part) and a model file whose rate
// constants may be expressions (second part), compiled and evaluated once for
// a small species set in molecules per cm^3.
Outcome RateExpressions(const std::string& input) {
  const auto parts = Parts(input, 2);
  Run& run = FuzzRun::Fresh();
  run.sw.ignore_mass = true;
  run.settings.concunits = kMoleculesPerCm3;
  std::istringstream species("NO\t0\t1e10\tY\t0\tN\tN\nNO2\t0\t1e9\tY\t0\tN\tN\nO3\t0\t1e12\tY\t0\tN\tN\n"
                             "CH3O2\t0\t1e8\tY\t0\tN\tN\n");
  std::istringstream definitions(parts[0]), model(parts[1]);
  return Orderly([&] {
    ReadSpeciesLines(run, species);
    ReadRateDefinitionLines(run, definitions, "RATES.DAT");
    ReadModelLines(run, model);
    CompileNetwork(run);
    CompileRateExpressions(run);
    double* x = run.store.net.state.data();
    for (int s = 3; s <= run.store.rspec; ++s) x[s] = run.store.conc[s];
    EvaluateRateExpressions(run, x);
  });
}

// A Master Chemical Mechanism export (first part), read as FACSIMILE and as
// KPP, with a file of rate coefficients (second part), translated as the
// importer does.
Outcome McmImport(const std::string& input) {
  using namespace tarnavel::import;
  const auto parts = Parts(input, 2);
  Outcome worst = Outcome::kRead;
  for (McmForm form : {McmForm::kFacsimile, McmForm::kKpp}) {
    try {
      McmMechanism mech = form == McmForm::kFacsimile ? ReadFacsimile(parts[0], "fuzz.fac") : ReadKpp(parts[0], "fuzz.kpp");
      if (!parts[1].empty()) ReadRateCoefficients(mech, parts[1], "fuzz.f90");
      CompleteMechanism(mech);
      TranslateMcmMechanism(mech, McmOptions{}, nullptr);
    } catch (const ImportError&) {
      worst = Outcome::kOrderlyStop;
    }
  }
  return worst;
}

// A file of times for -TIMES: in a run of 100 s.
Outcome TimesFile(const std::string& input) {
  WriteFile("TIMES.TXT", input);
  Run& run = FuzzRun::Fresh();
  run.settings.simlen = 100.0;
  return Orderly([&] { RequestedTimes(run, "TIMES.TXT"); });
}

}  // namespace

const NamedTarget kTargets[11] = {
    {"parameter_file", ParameterFile}, {"species_file", SpeciesFile}, {"model_file", ModelFile},
    {"names_file", NamesFile},         {"profiles", Profiles},        {"thermo", Thermo},
    {"fit_data", FitData},             {"chemkin_import", ChemkinImport}, {"rate_expressions", RateExpressions},
    {"mcm_import", McmImport},         {"times_file", TimesFile},
};

Target FindTarget(std::string_view name) {
  for (const NamedTarget& t : kTargets)
    if (t.name == name) return t.run;
  return nullptr;
}

}  // namespace tarnavel::fuzz
