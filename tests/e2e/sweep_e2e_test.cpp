// scripts/tarnavel_sweep on the bundled urban model: Monte-Carlo draws and
// grids of values reach the run folders and come back in results.tsv beside
// the runs' own results, a rerun gives the same table, an interrupted sweep
// resumes with the unfinished cases only, a failed run keeps its row, and the
// Slurm job array runs one case per task. Running cases needs GNU parallel;
// the Slurm script and the refusals of bad sweep files need only Python.

#include <gtest/gtest.h>
#include <signal.h>
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
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kSweep = std::string(TARNAVEL_SOURCE_DIR) + "/scripts/tarnavel_sweep";
const std::string kUrban = std::string(TARNAVEL_SOURCE_DIR) + "/examples/urban";

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> parts(1);
  for (char c : line) {
    if (c == sep) parts.emplace_back(); else parts.back() += c;
  }
  return parts;
}

std::string Trim(const std::string& s) {
  const auto a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// results.tsv: the header and one row per case.
struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  size_t Column(const std::string& name) const {
    for (size_t i = 0; i < header.size(); ++i) if (header[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return 0;
  }
  const std::string& At(size_t row, const std::string& name) const { return rows[row][Column(name)]; }
};

Table ReadTable(const std::string& text) {
  Table t;
  const auto lines = SplitLines(text);
  if (lines.empty()) return t;
  t.header = Split(lines[0], '\t');
  for (size_t i = 1; i < lines.size(); ++i) t.rows.push_back(Split(lines[i], '\t'));
  return t;
}

// CONC.TXT as trimmed titles and numeric rows.
struct Conc {
  std::vector<std::string> titles;
  std::vector<std::vector<double>> rows;
  double At(size_t row, const std::string& title) const {
    for (size_t i = 0; i < titles.size(); ++i) if (titles[i] == title) return rows[row][i];
    ADD_FAILURE() << "no column " << title;
    return 0;
  }
};

Conc ReadConc(const std::string& text) {
  Conc c;
  const auto lines = SplitLines(text);
  for (const std::string& t : Split(lines.at(0), '\t')) if (!Trim(t).empty()) c.titles.push_back(Trim(t));
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<double> row;
    for (const std::string& v : Split(lines[i], '\t')) if (!Trim(v).empty()) row.push_back(std::stod(v));
    c.rows.push_back(row);
  }
  return c;
}

// The first field of every line of a description file, by source line.
std::map<int, std::string> FirstFields(const std::string& text) {
  std::map<int, std::string> fields;
  const auto lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) fields[static_cast<int>(i) + 1] = Split(lines[i], '\t')[0];
  return fields;
}

class SweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("python3")) GTEST_SKIP() << "python3 is not installed; tarnavel_sweep cannot run";
    fs::create_directory(Path("case"));
    for (const auto& entry : fs::directory_iterator(kUrban))
      fs::copy_file(entry.path(), Path("case") / entry.path().filename());
  }

  fs::path Path(const std::string& name) const { return fs::path(dir_.path()) / name; }

  // Runs the sweep of `sweep_text` on the case folder into `folder`.
  ProgramResult Sweep(const std::string& sweep_text, const std::string& folder,
                      std::vector<std::string> extra = {}, const std::string& program = kLargeExe) {
    dir_.Write(folder + ".sweep", sweep_text);
    std::vector<std::string> args = {"--program", program};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {"case", folder + ".sweep", folder});
    return RunIn(dir_, args, "", kSweep.c_str());
  }

  std::string Run(const std::string& folder, int number, const std::string& file) const {
    char name[32];
    std::snprintf(name, sizeof name, "/runs/case-%04d/", number);
    return dir_.Read(folder + name + file);
  }

  TempDir dir_;
};

class RunningSweepTest : public SweepTest {
 protected:
  void SetUp() override {
    SweepTest::SetUp();
    if (!IsSkipped() && !OnPath("parallel")) GTEST_SKIP() << "GNU parallel is not installed (Debian package parallel)";
  }
};

TEST_F(RunningSweepTest, MonteCarloRowsHoldEachCasesDrawsAndResultsAndARerunGivesTheSameTable) {
  const std::string sweep =
      "# every rate constant within a factor 2, the NO2 photolysis within 4\n"
      "runs 10\nseed 42\noptions -QUIET -ig:mass\n"
      "vary all-rates loguniform factor 2\n"
      "vary MODEL.DAT:line 3:k loguniform factor 4\n"
      "collect NO O3 at 3600 21600\n";
  const ProgramResult r = Sweep(sweep, "mc");
  ASSERT_EQ(r.status, 0) << r.out;
  const Table t = ReadTable(dir_.Read("mc/results.tsv"));
  ASSERT_EQ(t.rows.size(), 10u);
  const auto nominal = FirstFields(dir_.Read("case/MODEL.DAT"));
  for (size_t i = 0; i < t.rows.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i + 1));
    EXPECT_EQ(t.At(i, "case"), std::to_string(i + 1));
    EXPECT_EQ(t.At(i, "exit status"), "0");
    EXPECT_EQ(t.At(i, "message"), "");
    // Every reaction (source lines 3 to 21) has its own draw within its factor,
    // and it is the value the run's model file holds.
    const auto used = FirstFields(Run("mc", static_cast<int>(i) + 1, "MODEL.DAT"));
    for (int line = 3; line <= 21; ++line) {
      const std::string column = "MODEL.DAT:line " + std::to_string(line) + ":k";
      const double ratio = std::stod(t.At(i, column)) / std::stod(nominal.at(line));
      const double factor = line == 3 ? 4.0 : 2.0;
      EXPECT_GE(ratio, 1.0 / factor) << column;
      EXPECT_LE(ratio, factor) << column;
      EXPECT_EQ(used.at(line), t.At(i, column));
      if (i > 0) {
        EXPECT_NE(t.At(i, column), t.At(i - 1, column));
      }
    }
    // Each run ended a step on 3600 and 21600 s: CONC.TXT has its rows there,
    // and the table the ten digits of ATTIMES.TXT, rounded to its seven.
    const Conc conc = ReadConc(Run("mc", static_cast<int>(i) + 1, "CONC.TXT"));
    const Conc exact = ReadConc(Run("mc", static_cast<int>(i) + 1, "ATTIMES.TXT"));
    ASSERT_EQ(exact.rows.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
      const double moment = k == 0 ? 3600.0 : 21600.0;
      EXPECT_EQ(exact.rows[k][0], moment);
      for (const char* species : {"NO", "O3"}) {
        const std::string column = std::string(species) + "@" + (k == 0 ? "3600" : "21600");
        const double value = exact.At(k, species);
        EXPECT_NEAR(std::stod(t.At(i, column)), value, 5e-7 * value) << column;
        size_t row = 0;
        while (row < conc.rows.size() && conc.rows[row][0] != moment) ++row;
        ASSERT_LT(row, conc.rows.size()) << "no row at " << moment;
        EXPECT_NEAR(conc.At(row, species), value, 5e-6 * value) << column;
      }
    }
  }
  if (OnPath("gnuplot")) {
    EXPECT_EQ(dir_.Read("mc/spread.png").substr(1, 3), "PNG");
  }

  ASSERT_EQ(Sweep(sweep, "again").status, 0);
  EXPECT_EQ(dir_.Read("again/results.tsv"), dir_.Read("mc/results.tsv"));
  std::string other_seed = sweep;
  other_seed.replace(other_seed.find("seed 42"), 7, "seed 43");
  ASSERT_EQ(Sweep(other_seed, "other").status, 0);
  const Table o = ReadTable(dir_.Read("other/results.tsv"));
  ASSERT_EQ(o.rows.size(), 10u);
  EXPECT_NE(o.At(0, "MODEL.DAT:line 5:k"), t.At(0, "MODEL.DAT:line 5:k"));
}

TEST_F(RunningSweepTest, GridOfListsAndRangesOverMarkedValuesKeepsFailedRunsWithTheirMessage) {
  // Marked values: swept or not, the run folders hold plain numbers.
  std::string model = dir_.Read("case/MODEL.DAT"), species = dir_.Read("case/SPECIES.DAT");
  model.replace(model.find("1.8E-14\t"), 8, "1.8E-14?\t");
  species.replace(species.find("7.38E+11\t"), 9, "7.38E+11?\t");
  dir_.Write("case/MODEL.DAT", model);
  dir_.Write("case/SPECIES.DAT", species);
  const ProgramResult r = Sweep(
      "options -QUIET -ig:mass\n"
      "vary SPECIES.DAT:NO:initial list 1e11 2e11\n"
      "vary MODEL.DAT:line 5:k list 1.8e-14 0   # a zero rate constant stops the run\n"
      "vary SPECIES.DAT:CO:initial log 1e12 1e14 3\n"
      "collect NO at 0 3600\ncollect last\n",
      "grid");
  ASSERT_EQ(r.status, 0) << r.out;
  const Table t = ReadTable(dir_.Read("grid/results.tsv"));
  ASSERT_EQ(t.rows.size(), 12u);
  for (size_t i = 0; i < t.rows.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i + 1));
    // The first vary line changes slowest.
    const double no = i < 6 ? 1e11 : 2e11, k = i % 6 < 3 ? 1.8e-14 : 0.0, co = std::pow(10.0, 12 + i % 3 * 1.0);
    EXPECT_DOUBLE_EQ(std::stod(t.At(i, "SPECIES.DAT:NO:initial")), no);
    EXPECT_DOUBLE_EQ(std::stod(t.At(i, "MODEL.DAT:line 5:k")), k);
    EXPECT_NEAR(std::stod(t.At(i, "SPECIES.DAT:CO:initial")), co, 1e-9 * co);
    const std::string run_model = Run("grid", static_cast<int>(i) + 1, "MODEL.DAT");
    const std::string run_species = Run("grid", static_cast<int>(i) + 1, "SPECIES.DAT");
    EXPECT_EQ(FirstFields(run_model).at(5), t.At(i, "MODEL.DAT:line 5:k"));
    EXPECT_NE(run_species.find("\nO3\t0\t7.38E+11\tY"), std::string::npos);
    if (k == 0) {
      EXPECT_EQ(t.At(i, "exit status"), "1");
      EXPECT_NE(t.At(i, "message").find("FATAL Error # 87"), std::string::npos) << t.At(i, "message");
      EXPECT_NE(t.At(i, "message").find("source line # 5"), std::string::npos) << t.At(i, "message");
      EXPECT_EQ(t.At(i, "NO@3600"), "NA");
    } else {
      EXPECT_EQ(t.At(i, "exit status"), "0");
      EXPECT_EQ(t.At(i, "message"), "");
      EXPECT_DOUBLE_EQ(std::stod(t.At(i, "NO@0")), no);  // the value reached the program
      EXPECT_DOUBLE_EQ(std::stod(t.At(i, "Time(s)@last")), 21600);
      const Conc conc = ReadConc(Run("grid", static_cast<int>(i) + 1, "CONC.TXT"));
      EXPECT_DOUBLE_EQ(std::stod(t.At(i, "CO@last")), conc.At(conc.rows.size() - 1, "CO"));
    }
  }
}

TEST_F(RunningSweepTest, InterruptedSweepResumesWithTheUnfinishedCasesOnly) {
  // The program behind a wrapper that notes each start and, while the flag
  // file exists, holds cases 3 and 7 until the sweep is interrupted.
  const std::string wrapper = Path("program.sh").string(), log = Path("started.log").string();
  dir_.Write("program.sh", "#!/bin/sh\necho \"${PWD##*/}\" >> '" + log + "'\n[ -f '" + Path("hold").string() +
                               "' ] && case \"$PWD\" in *case-0003|*case-0007) sleep 300;; esac\nexec '" +
                               kLargeExe + "' \"$@\"\n");
  fs::permissions(wrapper, fs::perms::owner_all);
  dir_.Write("hold", "");
  const std::string sweep = "runs 8\nseed 5\noptions -QUIET -ig:mass\nvary all-rates lognormal factor 1.5\n"
                            "collect O3 at 21600\n";
  dir_.Write("s.sweep", sweep);

  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setpgid(0, 0);  // a group of its own, interrupted as a terminal's Ctrl-C would
    const std::string out = dir_.base() + "/interrupted.txt";
    freopen(out.c_str(), "w", stdout);
    dup2(fileno(stdout), 2);
    if (chdir(dir_.path().c_str()) != 0) _exit(127);
    execl(kSweep.c_str(), kSweep.c_str(), "--program", wrapper.c_str(), "--jobs", "2", "case", "s.sweep", "s",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(pid, pid);
  // With two at a time, cases 1, 2, 4, 5 and 6 end while 3 and 7 are held.
  const auto finished = [&] {
    int n = 0;
    for (int c = 1; c <= 8; ++c) n += fs::exists(Path("s/runs/case-000" + std::to_string(c) + "/status.txt"));
    return n;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while ((finished() < 5 || ReadFile(log).find("case-0007") == std::string::npos) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(-pid, SIGINT);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 3);
  EXPECT_NE(ReadFile(dir_.base() + "/interrupted.txt").find("interrupted: 3 case(s) unfinished"), std::string::npos)
      << ReadFile(dir_.base() + "/interrupted.txt");
  for (int c = 1; c <= 8; ++c)
    EXPECT_EQ(fs::exists(Path("s/runs/case-000" + std::to_string(c) + "/status.txt")), c != 3 && c != 7 && c != 8)
        << "case " << c;

  fs::remove(Path("hold"));
  fs::remove(log);
  const ProgramResult resumed = RunIn(dir_, {"--program", wrapper, "case", "s.sweep", "s"}, "", kSweep.c_str());
  ASSERT_EQ(resumed.status, 0) << resumed.out;
  EXPECT_TRUE(resumed.Contains("5 of 8 case(s) finished before; 3 to do")) << resumed.out;
  auto started = SplitLines(ReadFile(log));
  std::sort(started.begin(), started.end());
  EXPECT_EQ(started, (std::vector<std::string>{"case-0003", "case-0007", "case-0008"}));
  // The resumed table is the table of a sweep that was never interrupted.
  const ProgramResult straight =
      RunIn(dir_, {"--program", wrapper, "case", "s.sweep", "straight"}, "", kSweep.c_str());
  ASSERT_EQ(straight.status, 0) << straight.out;
  EXPECT_EQ(dir_.Read("s/results.tsv"), dir_.Read("straight/results.tsv"));
  EXPECT_EQ(ReadTable(dir_.Read("s/results.tsv")).rows.size(), 8u);
}

TEST_F(SweepTest, SlurmScriptIsAJobArrayOfTheUnfinishedCasesWhoseTaskRunsItsCase) {
  const std::string sweep = "runs 6\nseed 1\noptions -QUIET -ig:mass\nvary all-rates lognormal factor 1.5\n"
                            "slurm --time=00:05:00\n";
  ProgramResult r = Sweep(sweep, "hpc", {"--slurm"});
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string folder = Path("hpc").string();
  std::string script = dir_.Read("hpc/sweep.slurm");
  EXPECT_NE(script.find("\n#SBATCH --array=1-6\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\n#SBATCH --time=00:05:00\n"), std::string::npos) << script;
  EXPECT_NE(script.find("\nexec " + kSweep + " --run-case " + folder + " \"$SLURM_ARRAY_TASK_ID\"\n"),
            std::string::npos) << script;
  EXPECT_FALSE(fs::exists(Path("hpc/results.tsv")));

  // One array task, as Slurm would start it, runs its own case.
  r = RunIn(dir_, {"SLURM_ARRAY_TASK_ID=4", "bash", folder + "/sweep.slurm"}, "", "/usr/bin/env");
  ASSERT_EQ(r.status, 0) << r.out;
  for (int c = 1; c <= 6; ++c)
    EXPECT_EQ(fs::exists(Path("hpc/runs/case-000" + std::to_string(c) + "/status.txt")), c == 4) << "case " << c;
  ASSERT_EQ(Sweep(sweep, "hpc", {"--slurm"}).status, 0);
  script = dir_.Read("hpc/sweep.slurm");
  EXPECT_NE(script.find("\n#SBATCH --array=1-3,5-6\n"), std::string::npos) << script;

  r = RunIn(dir_, {"--gather", "hpc"}, "", kSweep.c_str());
  ASSERT_EQ(r.status, 0) << r.out;
  const Table t = ReadTable(dir_.Read("hpc/results.tsv"));
  ASSERT_EQ(t.rows.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(t.At(i, "exit status"), i == 3 ? "0" : "NA");
    EXPECT_EQ(t.At(i, "Time(s)@last") == "NA", i != 3);
  }
}

TEST_F(SweepTest, BadSweepFilesStopWithTheLineAndTheReason) {
  struct Case {
    std::string sweep;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"vary RATES.DAT:line 3:k list 1", "line 1: unknown file 'RATES.DAT'"},
      {"vary SPECIES.DAT:N2O5:initial list 1", "line 1: unknown species 'N2O5': it is not in SPECIES.DAT"},
      {"vary PARM.DAT:temperature linear 280 320 1", "line 1: COUNT '1' must be a whole number of at least 2"},
      {"vary PARM.DAT:temperature linear 280 hot 3", "line 1: TO 'hot' is not a number"},
      {"vary SPECIES.DAT:NO:initial log 0 1e12 3", "a log range needs FROM and TO above 0"},
      {"vary PARM.DAT:temperature list 0 300", "the temperature must stay above 0 K"},
      {"vary MODEL.DAT:line 2:k list 1", "line 2 of MODEL.DAT is not a reaction"},
      {"vary MODEL.DAT:line 3:Ea list 1", "line 3 of MODEL.DAT has no Ea"},
      {"vary all-rates list 1e-12", "would give every reaction the same rate constant"},
      {"vary all-rates lognormal factor 0.5", "the factor must be above 1"},
      {"vary all-rates lognormal factor 2", "random draws need runs N"},
      {"vary marked list 1", "the input files carry no ? marks"},
      {"vary SPECIES.DAT:NO:initial list 1\nvary SPECIES.DAT:NO:initial list 2",
       "line 2: SPECIES.DAT:NO:initial is already varied on line 1"},
      {"vary SPECIES.DAT:NO:initial list 1\ncollect O2 at 60", "line 2: O2 is not displayed"},
      {"vary SPECIES.DAT:NO:initial list 1\ncollect NO at 99999", "time 99999 s lies outside the simulated 0 to 21600 s"},
      {"vary SPECIES.DAT:NO:initial list 1\noptions -FIT", "-FIT does not belong in a sweep"},
      {"vary SPECIES.DAT:NO:initial range 1 2", "write vary VALUE HOW"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sweep);
    const ProgramResult r = Sweep(c.sweep + "\n", "bad");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Contains(c.message)) << r.out;
    EXPECT_FALSE(fs::exists(Path("bad")));
  }
}

}  // namespace
}  // namespace tarnavel::e2e
