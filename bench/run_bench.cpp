// Times whole runs of models of growing size: small classic ones, the
// published stiff test problems of the test data, the bundled example, the
// real atmospheric mechanism of the shared models folder (when present) and
// generated networks up to about 900 species.
//
// Each model runs
//   - as a whole process of the large program, a few times, for the median
//     wall time and the peak resident memory;
//   - as a whole process of the CVODE/KLU peer (when it was built) at
//     rtol 1e-8, interleaved with the program's runs, and once at rtol 1e-13
//     as the reference solution;
//   - once in-process, for the work counts (steps, rejected attempts,
//     derivative evaluations, Jacobians, factorisations) and the final
//     concentrations at full precision.
// The accuracy columns give the largest relative deviation from the
// reference of the program's last CONC.TXT row (six digits), of its final
// state at full precision, and of the peer at rtol 1e-8. Species whose
// reference value is below 1e-12 of the largest compared reference value are
// not compared. Every model small enough for the Rosenbrock integrator (fewer
// than 43 equations) is run with -INT:3 as well; those rows and the -anjac rows are
// compared with the reference of their model.
//
//   run_bench [--quick] [--limit S] [model name filters...] [extra model folders...]
//
// --quick runs each process once instead of five times. A filter keeps the
// models whose name contains it; an argument that is a directory adds that
// folder as a model. Every run works in a fresh temporary copy of its folder.
//
// Combustion cases (names combustion/<mechanism>) run only when a filter
// selects them (`run_bench combustion`, `run_bench gri30`): GRI-Mech 3.0 of
// examples/methane_air at constant pressure and at constant volume, and
// every published mechanism of tests/data/mechanisms, each imported for its
// stoichiometric fuel-air mixture at 1200 K and 1 atm, 50 ms, ACCURACY 1E-8.
// They are compared with cvode_thermo_peer (at rtol 1e-8 for the time, at
// rtol 1e-12 as the reference) and with the adiabatic equilibrium the peer
// computes. Their processes run under a time limit, 300 s or --limit S, and
// a mechanism the importer refuses is listed with its reason.
//
// Atmospheric cases run the same way only when a filter selects them
// (`run_bench mcm-full`, `run_bench mcm-isoprene`): the whole Master Chemical
// Mechanism (tarnavel_xl) and its isoprene subset, imported in the
// fixed-conditions form, against cvode_peer at rtol 1e-8 for the time and at
// rtol 1e-12 as the reference.

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/run.hpp"
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
  std::string base;  // the model whose reference solution applies: its own name, or that of the model it varies
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
  m.name = m.base = "generated-" + std::to_string(n);
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
  m.name = m.base = "robertson";
  m.parm = Parm(40.0, 1.0, "MOL/L", 1.0e-8);
  m.species = "A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nC\t0\t0\tY\t0\tN\tN\n";
  m.model = "0.04\tA==>B\n3.0E7\t2B==>B+C\n1.0E4\tB+C==>A+C\n";
  m.args = {"-QUIET", "-ig:mass"};
  return m;
}

Model Folder(const std::string& name, const fs::path& folder) {
  Model m;
  m.name = m.base = name;
  m.folder = folder;
  m.args = {"-QUIET", "-ig:mass"};
  return m;
}

using Values = std::map<std::string, double>;

// A fresh temporary copy of the model's folder.
fs::path Stage(const Model& m, const std::string& purpose) {
  std::string tag = m.name + "-" + purpose;
  for (char& c : tag)
    if (c == ' ' || c == ':' || c == '/') c = '_';
  const fs::path dir = fs::temp_directory_path() / ("tarnavel-bench-" + tag);
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
  return dir;
}

struct Process {
  int status = -1;
  double seconds = 0.0;
  long rss_kb = 0;         // peak resident set size
  bool timed_out = false;  // ended by its time limit
};

// Runs the program in `dir` with stdin from /dev/null, stdout into the file
// `out` of that folder and stderr into ERR.TXT. A forked child's peak memory
// includes the anonymous pages it inherits, so the in-process runs hand their
// memory back before the next fork: this process then holds well under 1 MB
// of them (2.4 MB at most on the largest model), below every child's peak.
// A time limit in seconds (0: none) ends the child with SIGALRM: the alarm
// outlives the exec.
Process Spawn(const std::string& program, const std::vector<std::string>& args, const fs::path& dir,
              const char* out, unsigned limit = 0) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Process p;
  // What this process freed (a large model's CONC.TXT read back, say) goes
  // back to the system first, so that the child does not inherit it.
  malloc_trim(0);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    if (chdir(dir.c_str()) != 0 || in < 0) _exit(127);
    const int stdout_file = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int stderr_file = open("ERR.TXT", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (stdout_file < 0 || stderr_file < 0) _exit(127);
    dup2(in, 0);
    dup2(stdout_file, 1);
    dup2(stderr_file, 2);
    if (limit > 0) alarm(limit);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return p;
  p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  p.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  p.timed_out = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
  p.rss_kb = usage.ru_maxrss;
  return p;
}

std::string Slurp(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// PEER.TXT: one species a line, name TAB value.
Values ReadPeer(const fs::path& file) {
  Values values;
  std::istringstream in(Slurp(file));
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    if (tab != std::string::npos) values[line.substr(0, tab)] = std::stod(line.substr(tab + 1));
  }
  return values;
}

// The last row of CONC.TXT: the header holds the time column and the
// blank-padded species names, every row the time and the concentrations.
Values ReadFinalRow(const fs::path& file) {
  std::istringstream in(Slurp(file));
  std::string header, line, last;
  std::getline(in, header);
  while (std::getline(in, line))
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
  Values values;
  std::istringstream head(header), row(last);
  std::string title, value;
  std::getline(head, title, '\t');
  std::getline(row, value, '\t');
  while (std::getline(head, title, '\t') && std::getline(row, value, '\t')) {
    const auto end = title.find_last_not_of(' ');
    if (end != std::string::npos) values[title.substr(0, end + 1)] = std::stod(value);
  }
  return values;
}

// Largest relative deviation from the reference over the species both hold,
// leaving out those below 1e-12 of the largest compared reference value;
// -1 when there is nothing to compare.
double Deviation(const Values& result, const Values& reference) {
  double largest = 0.0;
  for (const auto& [name, value] : result)
    if (reference.count(name)) largest = std::max(largest, std::fabs(reference.at(name)));
  double worst = -1.0;
  for (const auto& [name, value] : result) {
    if (!reference.count(name)) continue;
    const double ref = reference.at(name);
    if (largest > 0.0 && std::fabs(ref) >= 1.0e-12 * largest)
      worst = std::max(worst, std::fabs(value - ref) / std::fabs(ref));
  }
  return worst;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

#ifdef CVODE_PEER_PATH
constexpr const char* kPeer = CVODE_PEER_PATH;
#else
constexpr const char* kPeer = nullptr;
#endif

struct PeerRun {
  Process process;
  long steps = 0, rhs = 0, jacobians = 0, factorisations = 0;
  Values values;
  std::string reason;  // why it did not run, from its stderr
};

PeerRun RunPeer(const Model& m, const char* rtol, unsigned limit = 0) {
  PeerRun peer;
  const fs::path dir = Stage(m, std::string("peer") + rtol);
  peer.process = Spawn(kPeer, {dir.string(), rtol}, dir, "OUT.TXT", limit);
  if (peer.process.status == 0) {
    std::sscanf(Slurp(dir / "OUT.TXT").c_str(), "steps %ld rhs %ld jacobians %ld factorisations %ld", &peer.steps,
                &peer.rhs, &peer.jacobians, &peer.factorisations);
    peer.values = ReadPeer(dir / "PEER.TXT");
  } else {
    peer.reason = peer.process.timed_out ? "timed out" : Slurp(dir / "ERR.TXT");
    while (!peer.reason.empty() && peer.reason.back() == '\n') peer.reason.pop_back();
  }
  fs::remove_all(dir);
  return peer;
}

// A number, or `missing` in its place when there is none.
std::string Fixed(double v, int width, int decimals, const char* missing = nullptr) {
  char text[32];
  if (missing == nullptr) std::snprintf(text, sizeof text, "%*.*f", width, decimals, v);
  else std::snprintf(text, sizeof text, "%*s", width, missing);
  return text;
}

std::string Dev(double v, const char* missing = "n/a") {
  char text[32];
  if (v >= 0.0) std::snprintf(text, sizeof text, "%9.1e", v);
  else std::snprintf(text, sizeof text, "%9s", missing);
  return text;
}

// Times and checks one model; returns its number of integrated equations.
// `references` holds the reference solution of each model by name, so that
// the -anjac and -INT:3 rows are compared with that of their model.
int RunModel(const Model& m, int repetitions, std::map<std::string, Values>& references) {
  const bool own_reference = !references.count(m.base);
  std::string peer_reason;
  if (own_reference) {
    references[m.base];  // stays empty when the peer cannot read the model
    if (kPeer != nullptr) {
      PeerRun reference = RunPeer(m, "1e-13");
      if (reference.process.status == 0) references[m.base] = reference.values;
      else peer_reason = reference.reason;
    }
  }
  const Values* reference = references.at(m.base).empty() ? nullptr : &references.at(m.base);
  const bool run_peer = own_reference && reference != nullptr;

  std::vector<double> program_wall, peer_wall;
  long program_rss = 0;
  Values final_row;
  int program_status = 0;
  PeerRun peer;
  for (int i = 0; i < repetitions; ++i) {
    const fs::path dir = Stage(m, "program");
    const Process p = Spawn(TARNAVEL_PROGRAM_PATH, m.args, dir, "CONSOLE.TXT");
    program_wall.push_back(p.seconds);
    program_rss = std::max(program_rss, p.rss_kb);
    program_status = p.status;
    final_row = ReadFinalRow(dir / "CONC.TXT");
    fs::remove_all(dir);
    if (run_peer) {
      peer = RunPeer(m, "1e-8");
      if (peer.process.status == 0) peer_wall.push_back(peer.process.seconds);
      else peer_reason = peer.reason;
    }
  }
  // Peer columns: "n/a" when the peer cannot read the model, "-" on the rows
  // that vary a model already compared with it.
  const char* no_peer = peer_wall.empty() ? (own_reference ? "n/a" : "-") : nullptr;

  // In-process: the work counts and the final state at full precision.
  const fs::path dir = Stage(m, "inprocess");
  const fs::path home = fs::current_path();
  fs::current_path(dir);
  int equations = 0;
  Values final_state;
  WorkCounts counts;
  {
    std::ostringstream discard;
    std::istringstream no_input;
    Run run(Console(discard, no_input), kLargeCapacity);
    RunProgram(run, m.args);
    counts = run.counts;
    equations = run.store.Equations();
    for (int s = 3; s <= run.store.rspec; ++s) final_state[run.store.species[s].name] = run.store.conc[s];
  }
  malloc_trim(0);  // hand the model store back before the next fork
  fs::current_path(home);
  // TARNAVEL_BENCH_KEEP=1 leaves the in-process run's folder for profiling.
  if (std::getenv("TARNAVEL_BENCH_KEEP") == nullptr) fs::remove_all(dir);

  const double program_seconds = Median(program_wall), peer_seconds = Median(peer_wall);
  std::printf("%-26s %5d %8.3f %8s %7s %7ld %7ld %8ld %6ld %6ld %7s %8s %6s %6.1f %6s %9s %9s %9s%s\n",
              m.name.c_str(), equations, program_seconds, Fixed(peer_seconds, 8, 3, no_peer).c_str(),
              Fixed(program_seconds / std::max(peer_seconds, 1e-9), 7, 1, no_peer).c_str(), counts.steps,
              counts.rejected, counts.derivs, counts.jacobians, counts.factorisations,
              Fixed(peer.steps, 7, 0, no_peer).c_str(), Fixed(peer.rhs, 8, 0, no_peer).c_str(),
              Fixed(peer.factorisations, 6, 0, no_peer).c_str(), program_rss / 1024.0,
              Fixed(peer.process.rss_kb / 1024.0, 6, 1, no_peer).c_str(),
              Dev(reference ? Deviation(final_row, *reference) : -1.0).c_str(),
              Dev(reference ? Deviation(final_state, *reference) : -1.0).c_str(),
              Dev(reference && no_peer == nullptr ? Deviation(peer.values, *reference) : -1.0, no_peer).c_str(),
              program_status == 0 ? "" : " (stopped)");
  if (!peer_reason.empty()) std::printf("%-26s peer: %s\n", "", peer_reason.c_str());
  std::fflush(stdout);
  return equations;
}

// ------------------------------------------------------------ combustion --

#ifdef CVODE_THERMO_PEER_PATH
constexpr const char* kThermoPeer = CVODE_THERMO_PEER_PATH;
#else
constexpr const char* kThermoPeer = nullptr;
#endif

// Every process of a combustion or atmospheric case runs under this limit
// (s), --limit.
unsigned combustion_limit = 300;

// The program's runs of a case repeat while their summed time stays below
// this (s), so that the large mechanisms run once or twice.
constexpr double kRepeatBudget = 60.0;

// A published mechanism imported for its stoichiometric fuel-air mixture at
// 1200 K and 1 atm, run for 50 ms at ACCURACY 1E-8 in an adiabatic vessel.
struct Combustion {
  std::string name;
  fs::path mechanism, thermo;  // thermo empty when the mechanism holds its data
  std::string mixture;
  bool constant_pressure = true;
};

std::vector<Combustion> CombustionCases(const fs::path& source) {
  const fs::path gri = source / "examples/methane_air";
  const char* methane = "CH4=1,O2=2,N2=7.52";
  const char* hydrogen = "H2=2,O2=1,N2=3.76";
  std::vector<Combustion> cases = {
      {"combustion/gri30", gri / "gri30.inp", gri / "gri30_thermo.dat", methane, true},
      {"combustion/gri30-cv", gri / "gri30.inp", gri / "gri30_thermo.dat", methane, false},
  };
  struct Entry {
    const char *folder, *mechanism, *thermo, *mixture;
  };
  // The fuel and oxidiser in each mechanism's own species names; the last is
  // a test mechanism of every PLOG and Chebyshev form with synthetic rates.
  const Entry corpus[] = {
      {"h2_burke2012", "chem.inp", "", hydrogen},
      {"h2_konnov2008", "chem.inp", "thermo.dat", hydrogen},
      {"h2_li2004", "h2_li_19.inp", "", hydrogen},
      {"syngas_creck", "kinetics.CHEMKIN.CKI", "thermo.CHEMKIN.CKT", "H2=1,CO=1,O2=1,N2=3.76"},
      {"ffcm1", "mech-FFCM1", "thermdat", methane},
      {"sandiego2016", "sandiego20161214.inp", "sandiego20160815_therm.dat", methane},
      {"dme_zhao2008", "kin20285-chem.inp", "", "CH3OCH3=1,O2=3,N2=11.28"},
      {"ethanol_marinov1999", "ethanol.mech", "ethanol_thermo.dat", "c2h5oh=1,o2=3,n2=11.28"},
      {"uscmech2", "USC_Mech_ver_II.txt", "thermdat.txt", methane},
      {"nox_glarborg2018", "mech.dat", "thermo.dat", methane},
      {"aramco13", "AramcoMech_1.3_C4_chem.dat", "AramcoMech_1.3_therm.dat", methane},
      {"jetsurf2", "Mech_JetSurF2.0.txt", "Thermdat.txt", "NC12H26=1,O2=18.5,N2=69.56"},
      {"llnl_nc7_v31", "nc7_ver3.1_mech.txt", "n_heptane_v3.1_therm.dat.txt", "NC7H16=1,O2=11,N2=41.36"},
      {"llnl_ic8_v3", "ic8_ver3_mech.txt", "prf_v3_therm_dat.txt", "IC8H18=1,O2=12.5,N2=47"},
      {"cantera_pdep_test", "pdep-test.inp", "", "R1A=1,R1B=1,H=1,R2=1,R3=1,R4=1,R5=1,R6=1,R7=1"},
  };
  const fs::path folders = source / "tests/data/mechanisms";
  for (const Entry& e : corpus)
    cases.push_back({std::string("combustion/") + e.folder, folders / e.folder / e.mechanism,
                     *e.thermo ? folders / e.folder / e.thermo : fs::path(), e.mixture, true});
  return cases;
}

// The last non-blank line of a text.
std::string LastLine(const std::string& text) {
  std::istringstream in(text);
  std::string line, last;
  while (std::getline(in, line))
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
  const auto first = last.find_first_not_of(' ');
  return first == std::string::npos ? last : last.substr(first);
}

// Imports the case into a fresh temporary folder: the model folder, or an
// empty path and the importer's reason.
fs::path Import(const Combustion& c, std::string& reason) {
  std::string tag = c.name;
  for (char& ch : tag)
    if (ch == '/') ch = '-';
  const fs::path dir = fs::temp_directory_path() / ("tarnavel-bench-import-" + tag);
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::vector<std::string> args = {c.mechanism.string(), "--out", "model", "--mixture", c.mixture,
                                   "--temperature", "1200", "--pressure", "1atm", "--time", "0.05",
                                   "--accuracy", "1E-8"};
  if (!c.thermo.empty()) args.insert(args.end(), {"--thermo", c.thermo.string()});
  if (c.constant_pressure) args.push_back("--constant-pressure");
  const Process p = Spawn(TARNAVEL_IMPORT_PATH, args, dir, "IMPORT.TXT", combustion_limit);
  if (p.status == 0) return dir / "model";
  reason = p.timed_out ? "import timed out" : LastLine(Slurp(dir / "ERR.TXT") + "\n" + Slurp(dir / "IMPORT.TXT"));
  fs::remove_all(dir);
  return {};
}

// The thermodynamic peer on a fresh copy of the model's folder.
PeerRun RunThermoPeer(const Model& m, const std::vector<std::string>& args, const std::string& purpose,
                      double* equilibrium = nullptr) {
  PeerRun peer;
  const fs::path dir = Stage(m, purpose);
  std::vector<std::string> words = {dir.string()};
  words.insert(words.end(), args.begin(), args.end());
  peer.process = Spawn(kThermoPeer, words, dir, "OUT.TXT", combustion_limit);
  const std::string out = Slurp(dir / "OUT.TXT");
  if (peer.process.status == 0) {
    if (equilibrium != nullptr) {
      std::sscanf(out.c_str(), "equilibrium %lf", equilibrium);
    } else {
      std::sscanf(out.c_str(), "steps %ld rhs %ld jacobians %ld factorisations %ld", &peer.steps, &peer.rhs,
                  &peer.jacobians, &peer.factorisations);
      peer.values = ReadPeer(dir / "PEER.TXT");
    }
  } else {
    peer.reason = peer.process.timed_out ? "timed out" : LastLine(Slurp(dir / "ERR.TXT"));
  }
  fs::remove_all(dir);
  return peer;
}

struct InProcess {
  Process process;
  int equations = 0;
  WorkCounts counts;
  Values final_state;
};

// The program in-process, for its work counts and its final state at full
// precision, but in a forked child under the time limit, which hands them
// back in a file.
InProcess RunInChild(const Model& m, const Capacity& capacity = kLargeCapacity) {
  InProcess result;
  const fs::path dir = Stage(m, "inprocess");
  const auto start = std::chrono::steady_clock::now();
  std::fflush(stdout);
  malloc_trim(0);
  const pid_t pid = fork();
  if (pid == 0) {
    if (combustion_limit > 0) alarm(combustion_limit);
    if (chdir(dir.c_str()) != 0) _exit(127);
    std::ostringstream discard;
    std::istringstream no_input;
    Run run(Console(discard, no_input), capacity);
    const int status = RunProgram(run, m.args);
    std::FILE* out = std::fopen("INPROCESS.TXT", "w");
    if (out == nullptr) _exit(127);
    const WorkCounts& c = run.counts;
    std::fprintf(out, "@counts\t%d %ld %ld %ld %ld %ld\n", run.store.Equations(), c.steps, c.rejected, c.derivs,
                 c.jacobians, c.factorisations);
    for (int s = 3; s <= run.store.rspec; ++s)
      std::fprintf(out, "%s\t%.17g\n", run.store.species[s].name.c_str(), run.store.conc[s]);
    std::fclose(out);
    _exit(status);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return result;
  result.process.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.process.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.process.timed_out = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
  if (result.process.status == 0) {
    result.final_state = ReadPeer(dir / "INPROCESS.TXT");
    result.final_state.erase("@counts");
    const std::string text = Slurp(dir / "INPROCESS.TXT");
    WorkCounts& c = result.counts;
    std::sscanf(text.c_str(), "@counts\t%d %ld %ld %ld %ld %ld", &result.equations, &c.steps, &c.rejected, &c.derivs,
                &c.jacobians, &c.factorisations);
  }
  if (std::getenv("TARNAVEL_BENCH_KEEP") == nullptr) fs::remove_all(dir);
  return result;
}

// The species of a final state, without the temperature and volume.
Values SpeciesOnly(Values v) {
  v.erase("Temperature(K)");
  v.erase("Volume");
  return v;
}

double TemperatureOf(const Values& v) {
  const auto it = v.find("Temperature(K)");
  return it == v.end() ? -1.0 : it->second;
}

std::string Count(long v, int width, const char* missing) {
  char text[32];
  if (missing == nullptr) std::snprintf(text, sizeof text, "%*ld", width, v);
  else std::snprintf(text, sizeof text, "%*s", width, missing);
  return text;
}

std::string Relative(double v, const char* missing) {
  char text[32];
  if (missing == nullptr) std::snprintf(text, sizeof text, "%9.1e", v);
  else std::snprintf(text, sizeof text, "%9s", missing);
  return text;
}

void RunCombustion(const Combustion& c, int repetitions) {
  std::string reason;
  const fs::path folder = Import(c, reason);
  if (folder.empty()) {
    std::printf("%-30s not imported: %s\n", c.name.c_str(), reason.c_str());
    std::fflush(stdout);
    return;
  }
  Model m = Folder(c.name, folder);
  m.args = {"-QUIET", "-THERM", "-ig:mass"};
  std::vector<std::string> notes;

  // The reference and the adiabatic equilibrium.
  PeerRun reference;
  double equilibrium = -1.0;
  if (kThermoPeer != nullptr) {
    reference = RunThermoPeer(m, {"1e-12"}, "reference");
    if (reference.process.status != 0) notes.push_back("peer at rtol 1e-12: " + reference.reason);
    const PeerRun eq = RunThermoPeer(m, {"--equilibrium"}, "equilibrium", &equilibrium);
    if (eq.process.status != 0) notes.push_back("equilibrium: " + eq.reason);
  }
  const bool have_reference = !reference.values.empty();

  // Whole processes: the program and the peer at the same tolerance.
  std::vector<double> program_wall, peer_wall;
  bool program_timeout = false, peer_timeout = false, peer_failed = kThermoPeer == nullptr;
  int program_status = 0;
  Values final_row;
  PeerRun peer;
  double spent = 0.0;
  for (int i = 0; i < repetitions && spent < kRepeatBudget && !program_timeout; ++i) {
    const fs::path dir = Stage(m, "program");
    const Process p = Spawn(TARNAVEL_PROGRAM_PATH, m.args, dir, "CONSOLE.TXT", combustion_limit);
    spent += p.seconds;
    program_timeout = p.timed_out;
    program_status = p.status;
    if (!p.timed_out) program_wall.push_back(p.seconds);
    if (p.status == 0) final_row = ReadFinalRow(dir / "CONC.TXT");
    else if (!p.timed_out) notes.push_back("program: status " + std::to_string(p.status) + ", " +
                                           LastLine(Slurp(dir / "CONSOLE.TXT")));
    fs::remove_all(dir);
    if (!peer_failed && !peer_timeout) {
      PeerRun run = RunThermoPeer(m, {"1e-8"}, "peer");
      peer_timeout = run.process.timed_out;
      if (run.process.status == 0) {
        peer_wall.push_back(run.process.seconds);
        peer = run;
      } else if (!peer_timeout) {
        peer_failed = true;
        notes.push_back("peer at rtol 1e-8: " + run.reason);
      }
    }
  }
  InProcess inprocess;
  if (!program_timeout) inprocess = RunInChild(m);
  const bool have_counts = inprocess.process.status == 0;
  if (!program_timeout && !have_counts)
    notes.push_back(inprocess.process.timed_out ? "in-process run timed out"
                                                : "in-process run: status " + std::to_string(inprocess.process.status));

  const char* no_program = program_timeout ? "timeout" : program_wall.empty() ? "n/a" : nullptr;
  const char* no_peer = peer_timeout && peer_wall.empty() ? "timeout" : peer_wall.empty() ? "n/a" : nullptr;
  const char* no_counts = have_counts ? nullptr : program_timeout ? "timeout" : "n/a";
  const double program_seconds = Median(program_wall), peer_seconds = Median(peer_wall);
  const Values& state = have_counts ? inprocess.final_state : final_row;
  const double t_program = TemperatureOf(state), t_reference = TemperatureOf(reference.values);
  const bool have_state = !state.empty() && program_status == 0;
  const Values reference_species = SpeciesOnly(reference.values);
  const double dev_program = have_reference && have_state ? Deviation(SpeciesOnly(state), reference_species) : -1.0;
  const double dev_peer = have_reference && !no_peer ? Deviation(SpeciesOnly(peer.values), reference_species) : -1.0;
  // The peer at equal final accuracy: the loosest of rtol 1e-8 .. 1e-12
  // whose final state lies as close to the reference as the program's.
  const char* equal_rtol = nullptr;
  double equal_seconds = -1.0;
  if (dev_program >= 0.0 && dev_peer >= 0.0) {
    if (dev_peer <= dev_program) {
      equal_rtol = "1e-8";
      equal_seconds = peer_seconds;
    } else {
      for (const char* rtol : {"1e-9", "1e-10", "1e-11", "1e-12"}) {
        std::vector<double> walls;
        double dev = -1.0;
        for (int i = 0; i < std::max(1, std::min(repetitions, 3)); ++i) {
          const PeerRun run = RunThermoPeer(m, {rtol}, "equal");
          if (run.process.status != 0) break;
          walls.push_back(run.process.seconds);
          dev = Deviation(SpeciesOnly(run.values), reference_species);
        }
        if (walls.empty()) break;
        if (dev <= dev_program || std::string(rtol) == "1e-12") {
          equal_rtol = rtol;
          equal_seconds = Median(walls);
          break;
        }
      }
    }
  }
  if (std::getenv("TARNAVEL_BENCH_KEEP") == nullptr) fs::remove_all(folder.parent_path());
  const WorkCounts& counts = inprocess.counts;
  std::printf("%-30s %5s %8s %8s %7s %7s %6s %8s %6s %6s %7s %8s %6s %6s %9s %9s %9s %8s %8s %9s %6s %8s %6s\n", m.name.c_str(),
              Count(inprocess.equations, 5, no_counts).c_str(), Fixed(program_seconds, 8, 3, no_program).c_str(),
              Fixed(peer_seconds, 8, 3, no_peer).c_str(),
              Fixed(program_seconds / std::max(peer_seconds, 1e-9), 7, 1, no_program ? no_program : no_peer).c_str(),
              Count(counts.steps, 7, no_counts).c_str(), Count(counts.rejected, 6, no_counts).c_str(),
              Count(counts.derivs, 8, no_counts).c_str(), Count(counts.jacobians, 6, no_counts).c_str(),
              Count(counts.factorisations, 6, no_counts).c_str(), Count(peer.steps, 7, no_peer).c_str(),
              Count(peer.rhs, 8, no_peer).c_str(), Count(peer.jacobians, 6, no_peer).c_str(),
              Count(peer.factorisations, 6, no_peer).c_str(), Dev(dev_program).c_str(), Dev(dev_peer).c_str(),
              Relative(t_program / t_reference - 1.0, have_reference && have_state ? nullptr : "n/a").c_str(),
              Fixed(t_program, 8, 1, have_state ? nullptr : "n/a").c_str(),
              Fixed(equilibrium, 8, 1, equilibrium > 0.0 ? nullptr : "n/a").c_str(),
              Relative(t_program / equilibrium - 1.0, have_state && equilibrium > 0.0 ? nullptr : "n/a").c_str(),
              equal_rtol ? equal_rtol : "n/a", Fixed(equal_seconds, 8, 3, equal_rtol ? nullptr : "n/a").c_str(),
              Fixed(program_seconds / std::max(equal_seconds, 1e-9), 6, 1, equal_rtol && !no_program ? nullptr : "n/a")
                  .c_str());
  for (const std::string& note : notes) std::printf("%-30s %s\n", "", note.c_str());
  std::fflush(stdout);
}

void PrintCombustionHeader(int repetitions) {
  std::printf("\nCombustion: each mechanism imported for stoichiometric fuel-air at 1200 K and 1 atm, constant\n"
              "pressure (-cv: constant volume), 50 ms, ACCURACY 1E-8, run with -QUIET -THERM -ig:mass.\n"
              "prog(s): median wall time of up to %d whole runs of %s (repeated while their sum stays\n"
              "below %.0f s); peer(s): the same for cvode_thermo_peer at rtol 1e-8%s; every process limited to\n"
              "%u s. Counts of the program from an in-process run. dev prog / dev peer: largest relative\n"
              "deviation of the program's final state at full precision / the peer at rtol 1e-8 from the peer\n"
              "at rtol 1e-12 over the species, leaving out those below 1e-12 of the largest; dT ref: the\n"
              "program's final temperature against that reference; T eq: the adiabatic equilibrium (constant\n"
              "enthalpy and pressure, or internal energy and volume) over all species of the mechanism.\n"
              "eq.rtol, eq.peer(s), eq.ratio: the loosest peer rtol (1e-8 to 1e-12) whose final state is as close\n"
              "to the reference as the program's, its median wall time and the program's time over it.\n\n",
              repetitions, fs::path(TARNAVEL_PROGRAM_PATH).filename().c_str(), kRepeatBudget,
              kThermoPeer ? "" : " (not built)", combustion_limit);
  std::printf("%-30s %5s %8s %8s %7s %7s %6s %8s %6s %6s %7s %8s %6s %6s %9s %9s %9s %8s %8s %9s %6s %8s %6s\n",
              "model", "eqns", "prog(s)", "peer(s)", "ratio", "steps", "reject", "derivs", "jacs", "facts", "p.steps",
              "p.rhs", "p.jacs", "p.fact", "dev prog", "dev peer", "dT ref", "T(K)", "T eq(K)", "T/Teq-1", "eq.rtol",
              "eq.peer", "eq.rat");
  std::fflush(stdout);
}

// ----------------------------------------------------------- atmospheric --

// The Master Chemical Mechanism imported in its fixed-conditions form: every
// rate constant a number evaluated at the start (298 K, 1 atm, 50 % relative
// humidity, the sun of 06:00 UTC on 1 July 2010 over London), RO2 held at
// 2.5E+08 molecules cm^-3 (about 10 pptv) so that its permutation reactions
// stay in, 12 hours. The CVODE/KLU peer then integrates exactly the program's
// system. Run only when a filter names them (`run_bench mcm-full`).
struct Atmospheric {
  std::string name;
  fs::path mechanism;
  fs::path coefficients;  // the rate coefficients a KPP form calls, or empty
  bool extra_large;       // run by tarnavel_xl instead of the large program
};

std::vector<Atmospheric> AtmosphericCases(const fs::path& source) {
  const fs::path mcm = source / ".." / "shared" / "data" / "mcm";
  return {{"mcm-full", mcm / "full.fac", {}, true},
          {"mcm-isoprene", mcm / "isoprene" / "mcm_isoprene.eqn", mcm / "isoprene" / "mcm_rate_coefficients.txt",
           false}};
}

// Imports the case into a fresh temporary folder: the model folder, or an
// empty path and the importer's reason.
fs::path ImportAtmospheric(const Atmospheric& c, std::string& reason) {
  const fs::path dir = fs::temp_directory_path() / ("tarnavel-bench-import-" + c.name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "INITIAL.TXT") << "O3 7.5e11\nNO 2.5e9\nNO2 2.5e10\nCO 2.5e12\nCH4 4.5e13\nC5H8 2.5e10\n";
  std::vector<std::string> args = {c.mechanism.string(), "--out", "model", "--initial", "INITIAL.TXT",
                                   "--temperature", "298", "--pressure", "101325", "--rh", "50",
                                   "--latitude", "51.5", "--longitude", "-0.12", "--start", "2010-07-01T06:00:00",
                                   "--time", "43200", "--step", "3600", "--fixed-conditions", "--sum", "RO2=2.5e8"};
  if (!c.coefficients.empty()) args.insert(args.end(), {"--coefficients", c.coefficients.string()});
  if (c.extra_large) args.insert(args.end(), {"--for", "xl"});
  const Process p = Spawn(TARNAVEL_IMPORT_PATH, args, dir, "IMPORT.TXT", combustion_limit);
  if (p.status == 0) return dir / "model";
  reason = p.timed_out ? "import timed out" : LastLine(Slurp(dir / "ERR.TXT") + "\n" + Slurp(dir / "IMPORT.TXT"));
  fs::remove_all(dir);
  return {};
}

void PrintAtmosphericHeader(int repetitions) {
  std::printf("\nAtmospheric: the MCM imported with --fixed-conditions (298 K, 101325 Pa, RH 50 %%, the sun of\n"
              "2010-07-01T06:00:00 UTC at 51.5 N 0.12 W, RO2 held at 2.5E+08), 12 h, ACCURACY 1E-06, run with\n"
              "-QUIET -ig:mass -ig:warn. prog(s): median wall time of up to %d whole runs (repeated while their sum\n"
              "stays below %.0f s); peer(s): the same for cvode_peer at rtol 1e-8%s; every process limited to %u s.\n"
              "RSS: peak resident memory of the process (MB). Counts of the program from an in-process run.\n"
              "dev: largest relative deviation from the peer at rtol 1e-12 over the species, leaving out those\n"
              "below 1e-12 of the largest (CONC: the last CONC.TXT row, six digits; full: the final state at full\n"
              "precision; peer: the peer at rtol 1e-8); ref(s): the reference run's wall time; ref dev: the\n"
              "reference against the peer at rtol 1e-13, its own accuracy.\n\n",
              repetitions, kRepeatBudget, kPeer ? "" : " (not built)", combustion_limit);
  std::printf("%-14s %5s %8s %8s %7s %6s %6s %7s %5s %6s %7s %7s %6s %7s %7s %9s %9s %9s %7s %9s\n", "model", "eqns",
              "prog(s)", "peer(s)", "ratio", "steps", "reject", "derivs", "jacs", "facts", "p.steps", "p.rhs", "p.fact",
              "RSS", "p.RSS", "dev CONC", "dev full", "dev peer", "ref(s)", "ref dev");
  std::fflush(stdout);
}

void RunAtmospheric(const Atmospheric& c, int repetitions) {
  const fs::path program = c.extra_large ? fs::path(TARNAVEL_PROGRAM_PATH).parent_path() / "tarnavel_xl"
                                         : fs::path(TARNAVEL_PROGRAM_PATH);
  if (!fs::exists(c.mechanism)) {
    std::printf("%-14s not run: %s is missing\n", c.name.c_str(), c.mechanism.c_str());
    return;
  }
  if (!fs::exists(program)) {
    std::printf("%-14s not run: %s is not built\n", c.name.c_str(), program.c_str());
    return;
  }
  std::string reason;
  const auto import_start = std::chrono::steady_clock::now();
  const fs::path folder = ImportAtmospheric(c, reason);
  const double import_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - import_start).count();
  if (folder.empty()) {
    std::printf("%-14s not imported: %s\n", c.name.c_str(), reason.c_str());
    return;
  }
  Model m = Folder(c.name, folder);
  m.args = {"-QUIET", "-ig:mass", "-ig:warn"};
  std::vector<std::string> notes;
  char line[160];
  std::snprintf(line, sizeof line, "import %.2f s", import_seconds);
  notes.push_back(line);

  // The reference, and its own accuracy against a tighter run.
  PeerRun reference, tighter;
  if (kPeer != nullptr) {
    reference = RunPeer(m, "1e-12", combustion_limit);
    if (reference.process.status != 0) notes.push_back("peer at rtol 1e-12: " + reference.reason);
    else tighter = RunPeer(m, "1e-13", combustion_limit);
    if (reference.process.status == 0 && tighter.process.status != 0)
      notes.push_back("peer at rtol 1e-13: " + tighter.reason);
  }
  const bool have_reference = !reference.values.empty();

  std::vector<double> program_wall, peer_wall;
  long program_rss = 0, peer_rss = 0;
  int program_status = 0;
  bool program_timeout = false, peer_failed = kPeer == nullptr;
  Values final_row;
  PeerRun peer;
  double spent = 0.0;
  for (int i = 0; i < repetitions && spent < kRepeatBudget && !program_timeout; ++i) {
    const fs::path dir = Stage(m, "program");
    const Process p = Spawn(program.string(), m.args, dir, "CONSOLE.TXT", combustion_limit);
    spent += p.seconds;
    program_timeout = p.timed_out;
    program_status = p.status;
    if (p.status == 0) {
      program_wall.push_back(p.seconds);
      program_rss = std::max(program_rss, p.rss_kb);
      final_row = ReadFinalRow(dir / "CONC.TXT");
    } else {
      notes.push_back(p.timed_out ? "program timed out"
                                  : "program: status " + std::to_string(p.status) + ", " +
                                        LastLine(Slurp(dir / "CONSOLE.TXT")));
    }
    fs::remove_all(dir);
    if (!peer_failed) {
      PeerRun run = RunPeer(m, "1e-8", combustion_limit);
      if (run.process.status == 0) {
        peer_wall.push_back(run.process.seconds);
        peer_rss = std::max(peer_rss, run.process.rss_kb);
        peer = run;
      } else {
        peer_failed = true;
        notes.push_back("peer at rtol 1e-8: " + run.reason);
      }
    }
  }
  InProcess inprocess;
  if (!program_timeout && program_status == 0) inprocess = RunInChild(m, c.extra_large ? kXlCapacity : kLargeCapacity);
  const bool have_counts = inprocess.process.status == 0;
  if (!have_counts && !program_timeout && program_status == 0)
    notes.push_back("in-process run: status " + std::to_string(inprocess.process.status));
  if (std::getenv("TARNAVEL_BENCH_KEEP") == nullptr) fs::remove_all(folder.parent_path());

  const char* no_program = program_timeout ? "timeout" : program_wall.empty() ? "n/a" : nullptr;
  const char* no_peer = peer_wall.empty() ? "n/a" : nullptr;
  const char* no_counts = have_counts ? nullptr : "n/a";
  const double program_seconds = Median(program_wall), peer_seconds = Median(peer_wall);
  const WorkCounts& counts = inprocess.counts;
  std::printf("%-14s %5s %8s %8s %7s %6s %6s %7s %5s %6s %7s %7s %6s %7s %7s %9s %9s %9s %7s %9s\n", c.name.c_str(),
              Count(inprocess.equations, 5, no_counts).c_str(), Fixed(program_seconds, 8, 3, no_program).c_str(),
              Fixed(peer_seconds, 8, 3, no_peer).c_str(),
              Fixed(program_seconds / std::max(peer_seconds, 1e-9), 7, 1, no_program ? no_program : no_peer).c_str(),
              Count(counts.steps, 6, no_counts).c_str(), Count(counts.rejected, 6, no_counts).c_str(),
              Count(counts.derivs, 7, no_counts).c_str(), Count(counts.jacobians, 5, no_counts).c_str(),
              Count(counts.factorisations, 6, no_counts).c_str(), Count(peer.steps, 7, no_peer).c_str(),
              Count(peer.rhs, 7, no_peer).c_str(), Count(peer.factorisations, 6, no_peer).c_str(),
              Fixed(program_rss / 1024.0, 7, 1, no_program).c_str(), Fixed(peer_rss / 1024.0, 7, 1, no_peer).c_str(),
              Dev(have_reference && !final_row.empty() ? Deviation(final_row, reference.values) : -1.0).c_str(),
              Dev(have_reference && have_counts ? Deviation(inprocess.final_state, reference.values) : -1.0).c_str(),
              Dev(have_reference && !no_peer ? Deviation(peer.values, reference.values) : -1.0).c_str(),
              Fixed(reference.process.seconds, 7, 2, have_reference ? nullptr : "n/a").c_str(),
              Dev(have_reference && !tighter.values.empty() ? Deviation(reference.values, tighter.values) : -1.0)
                  .c_str());
  for (const std::string& note : notes) std::printf("%-14s %s\n", "", note.c_str());
  std::fflush(stdout);
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
  int repetitions = 5;
  std::vector<std::string> filters;
  std::vector<Model> folders;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") repetitions = 1;
    else if (arg == "--limit" && i + 1 < argc) combustion_limit = static_cast<unsigned>(std::atoi(argv[++i]));
    else if (fs::is_directory(arg)) folders.push_back(Folder(fs::path(arg).filename().string(), arg));
    else filters.push_back(arg);
  }
  auto selected = [&](const std::string& name) {
    return std::any_of(filters.begin(), filters.end(), [&](const std::string& f) {
      return name.find(f) != std::string::npos;
    });
  };
  std::erase_if(models, [&](const Model& m) { return !filters.empty() && !selected(m.name); });
  models.insert(models.end(), folders.begin(), folders.end());
  // The combustion and atmospheric cases run only when a filter names them.
  std::vector<Combustion> combustion = CombustionCases(source);
  std::erase_if(combustion, [&](const Combustion& c) { return !selected(c.name); });
  std::vector<Atmospheric> atmospheric = AtmosphericCases(source);
  std::erase_if(atmospheric, [&](const Atmospheric& c) { return !selected(c.name); });
  auto run_selected_cases = [&]() {
    if (!combustion.empty()) PrintCombustionHeader(repetitions);
    for (const Combustion& c : combustion) RunCombustion(c, repetitions);
    if (!atmospheric.empty()) PrintAtmosphericHeader(repetitions);
    for (const Atmospheric& c : atmospheric) RunAtmospheric(c, repetitions);
  };
  if (models.empty() && (!combustion.empty() || !atmospheric.empty())) {
    run_selected_cases();
    return 0;
  }

  std::printf("Program: median wall time of %d whole runs of %s; peer: CVODE BDF with KLU at rtol 1e-8%s.\n",
              repetitions, fs::path(TARNAVEL_PROGRAM_PATH).filename().c_str(), kPeer ? "" : " (not built)");
  std::printf("Counts of the program from an in-process run. RSS: peak resident memory of the process (MB).\n");
  std::printf("dev: largest relative deviation from the peer at rtol 1e-13 over the species compared (CONC: the\n"
              "program's last CONC.TXT row, six digits; full: its final state at full precision), leaving out\n"
              "species below 1e-12 of the largest compared reference value.\n\n");
  std::printf("%-26s %5s %8s %8s %7s %7s %7s %8s %6s %6s %7s %8s %6s %6s %6s %9s %9s %9s\n", "model", "eqns",
              "prog(s)", "peer(s)", "ratio", "steps", "reject", "derivs", "jacs", "facts", "p.steps", "p.rhs",
              "p.fact", "RSS", "p.RSS", "dev CONC", "dev full", "dev peer");
  std::map<std::string, Values> references;
  std::vector<Model> rosenbrock;
  for (const Model& m : models) {
    if (RunModel(m, repetitions, references) < 43 && m.args.back() != "-anjac") {
      Model r = m;
      r.name += " -INT:3";
      r.args.push_back("-INT:3");
      rosenbrock.push_back(r);
    }
  }
  for (const Model& m : rosenbrock) RunModel(m, repetitions, references);
  run_selected_cases();
  return 0;
}
