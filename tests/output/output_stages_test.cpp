// The driver's output hooks on a hand-built store: the files they leave and
// what reaches the console.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/stages.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::SplitLines;
using testing::TempWorkDir;

// Two shown species A = 1 and B = 2, and two reactions.
struct OutputRun {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  LoopState loop;

  explicit OutputRun(bool show = false, bool quiet = false, int sensit_mode = kSensitOff) {
    run.store.species[3].name = "A";
    run.store.species[4].name = "B";
    run.store.species[3].display = run.store.species[4].display = true;
    run.store.conc[3] = 1.0;
    run.store.conc[4] = 2.0;
    run.store.rspec = 4;
    run.store.nreact = 2;
    run.settings.pctdiff = 0.01;
    run.sw.show = show;
    run.sw.quiet = quiet;
    run.sw.sensit_mode = sensit_mode;
    PrepareLoop(run, loop);
  }

  // Header and time-zero rows, output points at t = 1 and 2 (A doubles at
  // the points asked for), then the end of the run.
  void Outputs(bool change_at_1, bool change_at_2) {
    stage::CreateConcFile(run);
    stage::WriteHeadersAndTimeZero(run, loop);
    stage::CreateAnalysisFile(run, loop);
    for (bool change : {change_at_1, change_at_2}) {
      if (change) run.store.conc[3] *= 2.0;
      loop.interval_time = 1.0;
      OutputPoint(run, loop);
    }
    stage::FinishOutputs(run, loop);
  }
};

// The time field of every data row of a file.
std::vector<std::string> Times(const TempWorkDir& dir, const std::string& file) {
  const auto lines = SplitLines(dir.Read(file));
  std::vector<std::string> times;
  for (std::size_t i = 1; i < lines.size(); ++i) times.push_back(lines[i].substr(0, 14));
  return times;
}

// Rates as the rate laws would give them: reaction r runs at -r·[A].
void FakeRates(tarnavel::Run& run) {
  for (int r = 1; r <= run.store.nreact; ++r) run.store.rate[r] = -r * run.store.conc[3];
}

const std::string kT0 = "  0.000000E+00", kT1 = "  0.100000E+01", kT2 = "  0.200000E+01";

TEST(OutputStages, RowsFollowTheChangesAndTheFinalRowIsNeverDuplicated) {
  struct Case {
    bool change_at_1, change_at_2;
    std::vector<std::string> times;
    std::string console;  // the final row is echoed unless quiet, even without show
  };
  const std::string final_row = kT2 + "\t  0.100000E+01\t  0.200000E+01\t\n";
  const Case cases[] = {
      {false, false, {kT0, kT2}, final_row},  // nothing changes: first and last row only
      {true, false, {kT0, kT1, kT2}, "  0.200000E+01\t  0.200000E+01\t  0.200000E+01\t\n"},
      {false, true, {kT0, kT2}, ""},          // the last point wrote at the base time
      {true, true, {kT0, kT1, kT2}, ""},
  };
  for (const Case& c : cases) {
    TempWorkDir dir;
    OutputRun out;
    out.Outputs(c.change_at_1, c.change_at_2);
    const std::string tag = std::to_string(c.change_at_1) + std::to_string(c.change_at_2);
    EXPECT_EQ(SplitLines(dir.Read("CONC.TXT"))[0], " Time(s)  \tA \tB \t") << tag;
    EXPECT_EQ(Times(dir, "CONC.TXT"), c.times) << tag;
    EXPECT_EQ(out.cr.Text(), c.console) << tag;
    EXPECT_FALSE(dir.Exists("ANALYSIS.TXT"));
  }
}

TEST(OutputStages, AnalysisRowsGoWithTheConcentrationRowsAndFreshRates) {
  TempWorkDir dir;
  OutputRun out(false, false, kSensitRates);
  out.loop.refresh_rates = FakeRates;
  out.Outputs(true, false);
  EXPECT_EQ(dir.Read("ANALYSIS.TXT"),
            "   Time(s)\t  Reaction #   1\t  Reaction #   2\t\n"
            "       0.00000\t   1.00000    \t   2.00000    \t\n"
            "       1.00000\t   2.00000    \t   4.00000    \t\n"
            "       2.00000\t   2.00000    \t   4.00000    \t\n");

  TempWorkDir again;
  OutputRun last_point_wrote(false, false, kSensitRates);
  last_point_wrote.Outputs(true, true);
  EXPECT_EQ(Times(again, "ANALYSIS.TXT"), (std::vector<std::string>{"       0.00000", "       1.00000",
                                                                     "       2.00000"}));
}

TEST(OutputStages, ConsoleEchoFollowsShowAndQuietInTheFilesLayout) {
  // Rows at 0 and 1 and the final row at 2: concentration lines are echoed
  // with show, the final one unless quiet; analysis lines with show unless
  // quiet. Echoed lines are the file lines exactly.
  for (bool show : {false, true}) {
    for (bool quiet : {false, true}) {
      TempWorkDir dir;
      OutputRun out(show, quiet, kSensitRates);
      out.Outputs(true, false);
      const auto conc = SplitLines(dir.Read("CONC.TXT"));
      const auto rates = SplitLines(dir.Read("ANALYSIS.TXT"));
      ASSERT_EQ(conc.size(), 4u);
      ASSERT_EQ(rates.size(), 4u);
      const bool echo_rates = show && !quiet;
      std::string expected;
      auto echo = [&expected](bool on, const std::string& line) {
        if (on) expected += line + "\n";
      };
      echo(show, conc[0]);
      echo(show, conc[1]);
      echo(echo_rates, rates[0]);
      echo(echo_rates, rates[1]);
      echo(show, conc[2]);
      echo(echo_rates, rates[2]);
      echo(!quiet, conc[3]);
      echo(echo_rates, rates[3]);
      EXPECT_EQ(out.cr.Text(), expected) << "show " << show << " quiet " << quiet;
    }
  }
}

TEST(OutputStages, FitModeLeavesTheFilesToTheObjective) {
  TempWorkDir dir;
  OutputRun out;
  out.run.sw.options = kOptFitSimplex;
  stage::WriteHeadersAndTimeZero(out.run, out.loop);
  stage::CreateAnalysisFile(out.run, out.loop);
  stage::WriteOutputRow(out.run, out.loop, 1.0);
  stage::FinishOutputs(out.run, out.loop);
  EXPECT_FALSE(dir.Exists("CONC.TXT"));
  EXPECT_EQ(out.cr.Text(), "");
}

}  // namespace
}  // namespace tarnavel
