// The fit objective on a small model driven in process: data made from a
// known rate constant, the same vector giving the same sum bit for bit,
// rejected vectors, the time alignment and the faulty data files.

#include "fit/fit_objective.hpp"
#include "fit/optimisers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/stop.hpp"
#include "driver/run_driver.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "time_loop/main_loop.hpp"

namespace tarnavel {
namespace {

double Half(void*) { return 0.5; }

// A ==> B with k = 0.1 marked for fitting, B ==> C with k2 (marked or not).
struct FitRun {
  testing::TempWorkDir dir;
  testing::CapturedRun cr;
  LoopState loop;
  FitProblem fit;

  // `data` "none" leaves the data file out; `k1` is the first rate field;
  // `idle` displayed species that do not react stand between A and B.
  int SetUp(const std::string& data, const std::string& k1 = "0.1?", int idle = 0) {
    dir.Write("PARM.DAT", "1.0E-10\t1\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t10\t0\nNone1\t1\t0\t1.0E-10\t0\n0\t0\t0\t0\t0\n");
    std::string species = "A\t0\t1.0\tY\t0\tN\tN\n";
    for (int i = 1; i <= idle; ++i) species += "D" + std::to_string(i) + "\t0\t0\tY\t0\tN\tN\n";
    dir.Write("SPECIES.DAT", species + "B\t0\t0\tY\t0\tN\tN\nC\t0\t0\tN\t0\tN\tN\n");
    std::string idle_reactions;  // of species at 0, so at rate 0
    for (int i = 1; i <= idle; ++i) idle_reactions += "1E-30\tD" + std::to_string(i) + " ==> C\n";
    dir.Write("MODEL.DAT", k1 + "\tA ==> B\n" + idle_reactions + "0.02\tB ==> C\n");
    if (data != "none") dir.Write("FITDATA.TXT", data);
    try {
      SetUpRun(cr.run, {"-FIT", "-QUIET"}, loop);
      SetUpFit(cr.run, fit);
    } catch (const ProgramStop& stop) {
      return stop.fatal_number;
    }
    return 0;
  }
  double At(double k) { return FitObjective(cr.run, fit, {k}, Half, nullptr); }
};

// Exact values of A and B at the data times for k1 = 0.1, k2 = 0.02.
std::string ExactData() {
  std::string text = "Time\tA\tB\n";
  for (double t : {0.0, 1.0, 2.5, 5.0, 10.0}) {
    const double a = std::exp(-0.1 * t), b = 0.1 / 0.08 * (std::exp(-0.02 * t) - std::exp(-0.1 * t));
    char line[120];
    std::snprintf(line, sizeof line, "%g\t%.9e\t%.9e\n", t, a, b);
    text += line;
  }
  return text;
}

TEST(FitObjective, TheTrueValueFitsAndEveryCallStartsAfresh) {
  FitRun f;
  ASSERT_EQ(f.SetUp(ExactData()), 0) << f.cr.Text();
  const double at_true = f.At(0.1);
  const double off = f.At(0.15);
  EXPECT_LT(at_true, 1e-11);  // six printed digits
  EXPECT_GT(off, 1e-3);
  EXPECT_EQ(f.At(0.15), off);      // bit for bit
  EXPECT_EQ(f.At(0.1), at_true);
  EXPECT_EQ(f.fit.calls, 4);
  const std::string conc = f.dir.Read("CONC.TXT");
  EXPECT_NE(conc.find("\nEND\nEOF\n"), std::string::npos);
  EXPECT_TRUE(f.dir.Exists("HEADINGS.TXT"));
  // A negative rate constant is no model: a penalty, and no simulation.
  EXPECT_GE(f.At(-0.1), kRejectedFitValue + 0.5e40);
  EXPECT_EQ(f.fit.calls, 4);
}

TEST(FitObjective, MissingValuesAndTimesBetweenTheRowsAreNotCompared) {
  // NA is skipped; the data time 3.3 has its own model row; a data row after
  // the last one the simulation reaches is not compared.
  FitRun f;
  ASSERT_EQ(f.SetUp("Time\tA\n0\t1\n3.3\t" + std::to_string(std::exp(-0.33)) + "\n7\tNA\n"), 0);
  EXPECT_LT(f.At(0.1), 1e-11);
  EXPECT_NEAR(f.At(0.2), std::pow(std::exp(-0.66) - std::exp(-0.33), 2), 1e-6);
}

TEST(FitObjective, ASpeciesBeyondTheFortiethConcentrationColumnIsCompared) {
  // B is column 48 of the concentration rows, past the fields a line of an
  // input file may have; its exact values still fit.
  std::string data = "Time\tB\n";
  for (double t : {1.0, 5.0, 10.0})
    data += std::to_string(t) + "\t" + std::to_string(0.1 / 0.08 * (std::exp(-0.02 * t) - std::exp(-0.1 * t))) + "\n";
  FitRun f;
  ASSERT_EQ(f.SetUp(data, "0.1?", 45), 0) << f.cr.Text();
  EXPECT_EQ(f.fit.comparison.model_column, std::vector<int>{48}) << f.cr.Text();
  EXPECT_LT(f.At(0.1), 1e-10);
  EXPECT_GT(f.At(0.2), 1e-3);
}

std::string Repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

TEST(FitObjective, FaultyDataAndSettingsStopWithTheirNumbers) {
  struct Case {
    std::string data;
    std::string k1;
    int fatal;
  };
  const Case cases[] = {
      {"Time\tA\tQ\n0\t1\t1\n", "0.1?", 112},  // Q is no species
      {"Time\tC\n0\t0\n", "0.1?", 120},          // C is not displayed
      {"none", "0.1?", 121},                       // no data file
      {"Time\tA\n0\t1\n", "0.1", 111},           // nothing marked
      {"Time\tA\n", "0.1?", 0},                  // a header alone compares nothing
      {"Time\tA\n0" + Repeated("\t1", 41) + "\n", "0.1?", 2},  // 42 fields
  };
  for (const Case& c : cases) {
    FitRun f;
    EXPECT_EQ(f.SetUp(c.data, c.k1), c.fatal) << c.data << f.cr.Text();
    if (c.fatal == 0) {
      EXPECT_EQ(f.At(0.3), 0.0);
    }
    if (c.fatal == 2) {
      EXPECT_NE(f.cr.Text().find("NO MORE THAN 40 FIELDS"), std::string::npos) << f.cr.Text();
      EXPECT_NE(f.cr.Text().find("( source line # 2 )"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tarnavel
