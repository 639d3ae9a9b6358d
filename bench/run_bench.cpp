// Times whole runs of models of growing size: small classic ones, the
// published stiff test problems of the test data, the bundled example, the
// real atmospheric mechanism of the shared models folder (when present) and
// generated networks up to about 900 species. Prints wall time, accepted
// steps, rejected attempts, derivative evaluations and Jacobians of each run.
// Every model small enough for the Rosenbrock integrator (SPEC below 45) is
// run with -INT:3 as well.
//
//   run_bench [extra model folders...]
//
// Each model runs in a fresh temporary copy of its folder, in-process, with
// the large capacities and console output discarded.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "driver/run_driver.hpp"

namespace fs = std::filesystem;
using namespace tarnavel;

namespace {

struct Model {
  std::string name;
  std::string parm, species, model;  // file texts, or empty when copied from `folder`
  fs::path folder;
  std::vector<fs::path> extra;       // further files copied beside the folder's
  std::vector<std::string> args;
};

std::string Parm(double seconds, double tstep2, const char* units, double accuracy) {
  std::ostringstream s;
  s << "1.0E-10\t" << tstep2 << "\tJ\t" << units << "\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t" << seconds
    << "\t0\nNone1\t1\t1\t" << accuracy << "\t0\n0\t0\t0\t0\t0\n";
  return s.str();
}

// A stiff network of n species: a main chain S1 -> S2 -> ... with first-order
// rate constants spread log-uniformly over six decades, reversible steps
// every few species, and bimolecular cross reactions between neighbours.
Model Generated(int n) {
  std::mt19937 rng(12345u + static_cast<unsigned>(n));
  std::uniform_real_distribution<double> decade(-3.0, 3.0);
  std::uniform_int_distribution<int> pick(1, n);
  Model m;
  m.name = "generated-" + std::to_string(n);
  m.parm = Parm(100.0, 1.0, "MOL/L", 1.0e-6);
  std::ostringstream sp, md;
  for (int i = 1; i <= n; ++i) sp << "S" << i << "\t0\t" << (i <= 5 ? 1.0e-3 : 0.0) << "\tY\t0\tN\tN\n";
  for (int i = 1; i < n; ++i) {
    md << std::pow(10.0, decade(rng)) << "\tS" << i << " ==> S" << i + 1 << "\n";
    if (i % 3 == 0) md << std::pow(10.0, decade(rng)) << "\tS" << i + 1 << " ==> S" << i << "\n";
  }
  for (int k = 0; k < n; ++k) {
    int a = pick(rng), b = pick(rng), c = pick(rng);
    if (a == b || c == a || c == b) continue;
    md << 1.0e3 * std::pow(10.0, decade(rng)) << "\tS" << a << " + S" << b << " ==> S" << c << " + S" << b << "\n";
  }
  m.species = sp.str();
  m.model = md.str();
  m.args = {"-QUIET", "-ig:mass"};
  return m;
}

Model Robertson() {
  Model m;
  m.name = "robertson";
  m.parm = Parm(40.0, 1.0, "MOL/L", 1.0e-8);
  m.species = "A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nC\t0\t0\tY\t0\tN\tN\n";
  m.model = "0.04\tA==>B\n3.0E7\t2B==>B+C\n1.0E4\tB+C==>A+C\n";
  m.args = {"-QUIET", "-ig:mass"};
  return m;
}

Model Folder(const std::string& name, const fs::path& folder) {
  Model m;
  m.name = name;
  m.folder = folder;
  m.args = {"-QUIET", "-ig:mass"};
  return m;
}

// Runs the model and returns its SPEC (integrated species + 2).
int RunModel(const Model& m) {
  const fs::path dir = fs::temp_directory_path() / ("tarnavel-bench-" + m.name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  if (!m.folder.empty()) {
    for (const auto& entry : fs::directory_iterator(m.folder))
      if (entry.is_regular_file()) fs::copy_file(entry.path(), dir / entry.path().filename());
    for (const fs::path& file : m.extra) fs::copy_file(file, dir / file.filename());
  } else {
    std::ofstream(dir / "PARM.DAT") << m.parm;
    std::ofstream(dir / "SPECIES.DAT") << m.species;
    std::ofstream(dir / "MODEL.DAT") << m.model;
  }
  const fs::path home = fs::current_path();
  fs::current_path(dir);
  std::ostringstream discard;
  std::istringstream no_input;
  Run run(Console(discard, no_input), kLargeCapacity);
  const auto start = std::chrono::steady_clock::now();
  const int status = RunProgram(run, m.args);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  fs::current_path(home);
  std::printf("%-26s %5d %6d %9.3f %8ld %8ld %10ld %9ld %s\n", m.name.c_str(), run.store.spec - 2,
              run.store.nreact, seconds, run.counts.steps, run.counts.rejected, run.counts.derivs,
              run.counts.jacobians, status == 0 ? "" : "(stopped)");
  fs::remove_all(dir);
  return run.store.spec;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path source = TARNAVEL_SOURCE_DIR;
  std::vector<Model> models = {Robertson(), Folder("urban-example", source / "examples/urban")};
  for (const char* problem : {"robertson_1e11", "pollu", "orego", "e5"})
    models.push_back(Folder(problem, source / "tests/data/stiff" / problem));
  const fs::path mcm = source / ".." / "shared" / "models" / "mcm_mvkmacr";
  if (fs::exists(mcm)) models.push_back(Folder("mcm_mvkmacr", mcm));
  for (int n : {100, 300, 600, 900}) models.push_back(Generated(n));
  // The real models again with the analytic Jacobian built from the term
  // lists. (On the generated networks the exact Jacobian couples species kept
  // at the concentration floor, and the extrapolation integrator then spends
  // thousands of steps controlling errors of order 1e-31: a probe of that
  // behaviour, not of speed.)
  const size_t real = fs::exists(mcm) ? 7 : 6;
  for (size_t i = 0; i < real; ++i) {
    Model m = models[i];
    m.name += " -anjac";
    m.args.push_back("-anjac");
    models.push_back(m);
  }
  // Adiabatic hydrogen-air ignition in thermodynamic mode: species properties,
  // equilibrium constants and the temperature equation in every evaluation.
  Model ignition = Folder("h2o2-ignition -THERM", source / "tests/data/h2o2");
  ignition.extra = {source / "tests/data/gri30/gri30_thermo.dat"};
  ignition.args.push_back("-THERM");
  models.push_back(ignition);
  for (int i = 1; i < argc; ++i) models.push_back(Folder(fs::path(argv[i]).filename().string(), argv[i]));

  std::printf("%-26s %5s %6s %9s %8s %8s %10s %9s\n", "model", "eqns", "reacts", "wall(s)", "steps", "rejected",
              "derivs", "jacobians");
  std::vector<Model> rosenbrock;
  for (const Model& m : models) {
    if (RunModel(m) < 45 && m.args.back() != "-anjac") {
      Model r = m;
      r.name += " -INT:3";
      r.args.push_back("-INT:3");
      rosenbrock.push_back(r);
    }
  }
  for (const Model& m : rosenbrock) RunModel(m);
  return 0;
}
