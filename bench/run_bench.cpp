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
//   run_bench [--quick] [model name filters...] [extra model folders...]
//
// --quick runs each process once instead of five times. A filter keeps the
// models whose name contains it; an argument that is a directory adds that
// folder as a model. Every run works in a fresh temporary copy of its folder.

#include <fcntl.h>
#include <malloc.h>
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
    if (c == ' ' || c == ':') c = '_';
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
  long rss_kb = 0;  // peak resident set size
};

// Runs the program in `dir` with stdin from /dev/null, stdout into the file
// `out` of that folder and stderr into ERR.TXT. A forked child's peak memory
// includes the anonymous pages it inherits, so the in-process runs hand their
// memory back before the next fork: this process then holds well under 1 MB
// of them (2.4 MB at most on the largest model), below every child's peak.
Process Spawn(const std::string& program, const std::vector<std::string>& args, const fs::path& dir,
              const char* out) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Process p;
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
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return p;
  p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  p.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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

PeerRun RunPeer(const Model& m, const char* rtol) {
  PeerRun peer;
  const fs::path dir = Stage(m, std::string("peer") + rtol);
  peer.process = Spawn(kPeer, {dir.string(), rtol}, dir, "OUT.TXT");
  if (peer.process.status == 0) {
    std::sscanf(Slurp(dir / "OUT.TXT").c_str(), "steps %ld rhs %ld jacobians %ld factorisations %ld", &peer.steps,
                &peer.rhs, &peer.jacobians, &peer.factorisations);
    peer.values = ReadPeer(dir / "PEER.TXT");
  } else {
    peer.reason = Slurp(dir / "ERR.TXT");
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
    else if (fs::is_directory(arg)) folders.push_back(Folder(fs::path(arg).filename().string(), arg));
    else filters.push_back(arg);
  }
  std::erase_if(models, [&](const Model& m) {
    return !filters.empty() && std::none_of(filters.begin(), filters.end(), [&](const std::string& f) {
      return m.name.find(f) != std::string::npos;
    });
  });
  models.insert(models.end(), folders.begin(), folders.end());

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
  return 0;
}
