// Start-up, stage sequence and end of a run of the real programs.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

// Index of the first line equal to `text`, or -1.
int Find(const ProgramResult& r, const std::string& text, int from = 0) {
  for (int i = from; i < static_cast<int>(r.lines.size()); ++i)
    if (r.lines[i] == text) return i;
  return -1;
}

TEST(Startup, AnEmptyRunPrintsTheStartAndEndReports) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {});
  ASSERT_EQ(r.status, 0) << r.out;
  ASSERT_GE(r.lines.size(), 20u) << r.out;
  EXPECT_EQ(r.lines[0], " Tarnavel  -  homogeneous chemical kinetics simulator");
  EXPECT_EQ(r.lines[2], "");

  const int started = Find(r, "  Simulation started at:");
  ASSERT_GT(started, 0) << r.out;
  EXPECT_EQ(r.lines[started - 1], "");
  const std::regex date(R"(  Date: [ 1]\d/[ 123]\d/\d{4})");
  const std::regex time(R"(  Time: [ 1]\d:[ 1-5]\d:[ 1-5]\d [AP]M)");
  EXPECT_TRUE(std::regex_match(r.lines[started + 1], date)) << r.lines[started + 1];
  EXPECT_TRUE(std::regex_match(r.lines[started + 2], time)) << r.lines[started + 2];
  EXPECT_EQ(r.lines[started + 3], "");
  EXPECT_EQ(r.lines[started + 4], "");
  EXPECT_EQ(r.lines[started + 5], " Modified BD integrator in use.");
  EXPECT_EQ(r.lines[started + 6], " (Using polynomial extrapolation.)");

  const int running = Find(r, " Running Simulation ...", started);
  ASSERT_GT(running, 0);
  EXPECT_EQ(r.lines[running - 1], "");
  EXPECT_EQ(r.lines[running + 1], "");

  const int ended = Find(r, " ******** End of Simulation at:", running);
  ASSERT_GT(ended, 0) << r.out;
  EXPECT_EQ(r.lines[ended - 1], "");
  EXPECT_EQ(r.lines[ended + 1], "");
  EXPECT_TRUE(std::regex_match(r.lines[ended + 2], date));
  EXPECT_TRUE(std::regex_match(r.lines[ended + 3], time));
  // A run of a second or more (a slow machine) adds the elapsed-time block.
  const int elapsed = Find(r, " Total elapsed time for simulation:", ended);
  if (elapsed > 0) {
    EXPECT_TRUE(std::regex_match(r.lines[elapsed + 1], std::regex(R"( [ \d]\d Days [ \d]\d Hours [ \d]\d Minutes [ \d]\d Seconds)")))
        << r.lines[elapsed + 1];
  }

  const int fyi = Find(r, " **************** For Your Information ****************", ended);
  ASSERT_GT(fyi, 0) << r.out;
  EXPECT_EQ(r.lines[fyi + 1], "  FYI Code #  2");
  EXPECT_EQ(r.lines[fyi + 2], " Concentration of displayed species are stored in");
  EXPECT_EQ(r.lines[fyi + 3], " CONC.TXT file.");
  EXPECT_EQ(r.lines.back(), "");

  EXPECT_TRUE(dir.Exists("CONC.TXT"));
  EXPECT_FALSE(dir.Exists("ERASE000.TXT"));  // the write test cleans up after itself
}

TEST(Startup, QuietRunPrintsOnlyTheBanner) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {"-QUIET"});
  ASSERT_EQ(r.status, 0) << r.out;
  ASSERT_EQ(r.lines.size(), 4u) << r.out;
  EXPECT_EQ(r.lines[0], " Tarnavel  -  homogeneous chemical kinetics simulator");
  EXPECT_EQ(r.lines[2], "");
  EXPECT_EQ(r.lines[3], "");
}

TEST(Startup, EachProgramNamesItsOwnCapacity) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult large = RunIn(dir, {"-QUIET"});
  const std::string large_rows = dir.Read("CONC.TXT");
  ProgramResult standard = RunIn(dir, {"-QUIET"}, "", kStandardExe);
  ProgramResult xl = RunIn(dir, {"-QUIET"}, "", kXlExe);
  EXPECT_EQ(large.lines[1], " Version 1.0, built for 950 species and 8900 reactions");
  EXPECT_EQ(standard.lines[1], " Version 1.0, built for 90 species and 856 reactions");
  EXPECT_EQ(xl.lines[1], " Version 1.0, built for 8000 species and 32000 reactions");
  EXPECT_EQ(dir.Read("CONC.TXT"), large_rows);  // the same run, whatever the build
}

TEST(Startup, TheExtraLargeBuildTakesWhatTheLargeOneRefuses) {
  // A chain of 1200 species, S1 ==> S2 ==> ... : beyond the large build's 950.
  TempDir dir;
  std::string species = "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\n", model = "# k\treaction\n";
  for (int i = 1; i <= 1200; ++i) {
    species += "S" + std::to_string(i) + "\t0\t" + (i == 1 ? "1" : "0") + "\t" + (i % 100 == 0 ? "Y" : "N") + "\t0\tN\tN\n";
    if (i < 1200) model += "1\tS" + std::to_string(i) + " ==> S" + std::to_string(i + 1) + "\n";
  }
  dir.Write("SPECIES.DAT", species);
  dir.Write("MODEL.DAT", model);
  dir.Write("PARM.DAT", "1.0E-10\t1\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t10\t0\nNone1\t1\t1\t1.0E-6\t0\n0\t0\t0\t0\t0\n");
  const ProgramResult large = RunIn(dir, {"-QUIET", "-ig:mass"});
  EXPECT_NE(large.status, 0);
  EXPECT_TRUE(large.Contains("  FATAL Error #  21")) << large.out;
  const ProgramResult xl = RunIn(dir, {"-QUIET", "-ig:mass"}, "", kXlExe);
  ASSERT_EQ(xl.status, 0) << xl.out;
  // The run reaches its end time.
  const std::vector<std::string> rows = SplitLines(dir.Read("CONC.TXT"));
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows.back().substr(0, 14), "  0.100000E+02");
}

TEST(Startup, AnUnwritableWorkingDirectoryStopsWithFatal38) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunInReadOnlyDir(dir, {});
  EXPECT_NE(r.status, 0) << r.out;
  auto err = std::find_if(r.lines.begin(), r.lines.end(),
                          [](const std::string& l) { return l.rfind(" ****  ERR: IOSTAT=", 0) == 0; });
  ASSERT_NE(err, r.lines.end()) << r.out;
  const std::vector<std::string> frame = {
      "",
      " ******************** FATAL ERROR ***********************",
      " ALERT!!  User or Disk ERROR!!",
      "  FATAL Error #  38",
      " Cannot open a temporary file on disk device.",
      " Tarnavel cannot procede without the ability to",
      " save temporary information on disk!",
      "",
      " Simulation TERMINATED with FATAL ERROR.",
      "",
  };
  std::vector<std::string> after(err + 1, r.lines.end());
  EXPECT_EQ(after, frame) << r.out;
  EXPECT_FALSE(dir.Exists("ERASE000.TXT"));
}

TEST(Startup, TheIntegratorLineFollowsTheChoice) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"-INT:1:2"}, {" Modified BD integrator in use.", " (Using rational extrapolation.)"}},
      {{"-INT:2"}, {" CKRK integrator in use."}},
      {{"-INT:3"}, {" Rosenbrock integrator in use."}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteSmallModel(dir);
    ProgramResult r = RunIn(dir, c.args);
    ASSERT_EQ(r.status, 0) << r.out;
    const int first = Find(r, c.expected[0]);
    ASSERT_GT(first, 0) << r.out;
    for (size_t i = 1; i < c.expected.size(); ++i) EXPECT_EQ(r.lines[first + i], c.expected[i]);
  }
}

TEST(Startup, DebugShowsTurboModeAndTheMainLoop) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {"-DEBUG"});
  ASSERT_EQ(r.status, 0) << r.out;
  const int turbo = Find(r, " Turbo Mode is ON.");
  ASSERT_GT(turbo, 0) << r.out;
  EXPECT_EQ(r.lines[turbo - 1], "");
  EXPECT_GT(Find(r, " *#*#*#*#*#*     NOW ENTERING IN MAIN LOOP...     ", turbo), turbo);
}

TEST(Startup, AnalyticJacobiansAreAnnounced) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {"-anjac"});
  const int line = Find(r, "  Going to use analytically calculated Jacobians...");
  ASSERT_GT(line, 0) << r.out;
  EXPECT_EQ(r.lines[line - 1], "");
  EXPECT_EQ(r.lines[line + 1], "");
}

TEST(Startup, FitModeTurnsSensitivityOff) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {"-SENSIT:1", "-FIT"});
  EXPECT_GT(Find(r, " SENSIT TURNED OFF.."), 0) << r.out;
  EXPECT_FALSE(dir.Exists("CONC.TXT"));
  // Nothing is marked for fitting.
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(r.Contains("  FATAL Error # 111")) << r.out;

  ProgramResult quiet_fit = RunIn(dir, {"-FIT"});
  EXPECT_EQ(Find(quiet_fit, " SENSIT TURNED OFF.."), -1);  // sensitivity was already off
}

TEST(Startup, AReversibleReactionNeedsThermodynamicData) {
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("MODEL.DAT", "# k\treaction\n0.1\tA = B\n");
  ProgramResult r = RunIn(dir, {"-QUIET"});
  EXPECT_NE(r.status, 0);
  ASSERT_GE(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[r.lines.size() - 3], " The reaction on source line 2 of MODEL.DAT is reversible (=):");
  EXPECT_EQ(r.lines[r.lines.size() - 2],
            " Its reverse rate constant is the forward one over the equilibrium constant,");
  EXPECT_EQ(r.lines.back(), " which needs thermodynamic mode (-THERM) and a thermodynamic database.");
  EXPECT_FALSE(dir.Exists("CONC.TXT"));
}

TEST(Startup, PerReactionOutputAddsTheThirdNotice) {
  TempDir dir;
  WriteSmallModel(dir);
  ProgramResult r = RunIn(dir, {"-SENSIT:0RATES.TXT"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_GT(Find(r, "  FYI Code #  3"), Find(r, "  FYI Code #  2"));
  EXPECT_GT(Find(r, " each reaction is stored in the RATES.TXT file."), 0) << r.out;
}

}  // namespace
}  // namespace tarnavel::e2e
