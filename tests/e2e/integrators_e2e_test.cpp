// The three integrators and the two Jacobians in whole runs of the real
// program: final concentrations against the analytic solution, the Jacobian
// choice, and the Rosenbrock size limit.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

// The numbers of the last row of CONC.TXT: time, then each displayed species.
std::vector<double> LastRow(const TempDir& dir) {
  const std::vector<std::string> lines = SplitLines(dir.Read("CONC.TXT"));
  std::vector<double> values;
  if (lines.empty()) return values;
  std::istringstream row(lines.back());
  double v;
  while (row >> v) values.push_back(v);
  return values;
}

bool HasLine(const ProgramResult& r, const std::string& text) {
  for (const std::string& line : r.lines)
    if (line == text) return true;
  return false;
}

// The rows are written with six significant digits.
constexpr double kPrinted = 1.0e-6;

struct RunCase {
  std::vector<std::string> args;
  bool analytic;
};

const RunCase kEveryIntegrator[] = {
    {{"-INT:1"}, false},         {{"-INT:2"}, false},          {{"-INT:3"}, false},
    {{"-INT:1", "-anjac"}, true}, {{"-INT:3", "-anjac"}, true},
};

std::string Joined(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) text += a + " ";
  return text;
}

TEST(Integrators, EveryIntegratorEndsAtTheExponentialDecay) {
  // A ==> B with k = 0.1 over 10 s: A = exp(-1), B = 1 - exp(-1).
  for (const RunCase& c : kEveryIntegrator) {
    TempDir dir;
    WriteSmallModel(dir);
    const ProgramResult r = RunIn(dir, c.args);
    ASSERT_EQ(r.status, 0) << Joined(c.args) << r.out;
    EXPECT_EQ(HasLine(r, "  Going to use analytically calculated Jacobians..."), c.analytic) << Joined(c.args);
    const std::vector<double> last = LastRow(dir);
    ASSERT_EQ(last.size(), 3u) << Joined(c.args);
    EXPECT_EQ(last[0], 10.0) << Joined(c.args);
    EXPECT_NEAR(last[1], std::exp(-1.0), kPrinted) << Joined(c.args);
    EXPECT_NEAR(last[2], 1.0 - std::exp(-1.0), kPrinted) << Joined(c.args);
  }
}

TEST(Integrators, AnArrheniusReactionTurnsAnalyticJacobiansOffWithWarning36) {
  // k = 0.1 exp(-100 J/mol / (R 298 K)); the run goes on with the numerical
  // Jacobian and reaches exp(-10 k).
  for (const char* integrator : {"-INT:1", "-INT:3"}) {
    TempDir dir;
    WriteSmallModel(dir);
    dir.Write("MODEL.DAT", "# A\tm\tEa\treaction\n0.1\t0\t100\tA ==> B\n");
    const ProgramResult r = RunIn(dir, {integrator, "-anjac"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(HasLine(r, "  Warning Error #  36")) << r.out;
    EXPECT_TRUE(r.Contains("Analytically calculated Jacobians cannot be used")) << r.out;
    EXPECT_FALSE(r.Contains("Going to use analytically calculated Jacobians")) << r.out;
    const double k = 0.1 * std::exp(-100.0 / (8.31451 * 298.0));
    const std::vector<double> last = LastRow(dir);
    ASSERT_EQ(last.size(), 3u);
    EXPECT_NEAR(last[1], std::exp(-10.0 * k), kPrinted) << integrator;
  }
}

// A chain S1 ==> S2 ==> ... ==> Sn of n integrated species.
void WriteChain(const TempDir& dir, int n) {
  std::string species = "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n";
  std::string model = "# k\treaction\n";
  for (int i = 1; i <= n; ++i) {
    species += "Q" + std::to_string(i) + "\t0\t" + (i == 1 ? "1.0" : "0") + "\tY\t0\tN\tN\n";
    if (i < n) model += "0.5\tQ" + std::to_string(i) + " ==> Q" + std::to_string(i + 1) + "\n";
  }
  dir.Write("SPECIES.DAT", species);
  dir.Write("MODEL.DAT", model);
}

TEST(Integrators, RosenbrockTakesAtMostFortyTwoIntegratedSpecies) {
  {
    TempDir dir;
    WriteSmallModel(dir);
    WriteChain(dir, 42);
    const ProgramResult r = RunIn(dir, {"-INT:3", "-QUIET"});
    ASSERT_EQ(r.status, 0) << r.out;
    const std::vector<double> last = LastRow(dir);
    ASSERT_EQ(last.size(), 43u);
    EXPECT_NEAR(last[1], std::exp(-5.0), kPrinted);  // Q1 decays at 0.5 over 10 s
  }
  TempDir dir;
  WriteSmallModel(dir);
  WriteChain(dir, 43);
  const ProgramResult r = RunIn(dir, {"-INT:3", "-QUIET", "-SENSIT:0"});
  EXPECT_NE(r.status, 0) << r.out;
  EXPECT_TRUE(HasLine(r, "  FATAL Error #  37")) << r.out;
  EXPECT_FALSE(dir.Exists("ANALYSIS.TXT"));  // the stop comes before the rate file
  EXPECT_TRUE(HasLine(r, " Rosebrock method is only for 50 or less species.")) << r.out;
  EXPECT_TRUE(HasLine(r, " Use the modified Bader-Deuflhard or RK method.")) << r.out;
  // The other integrators take the same model.
  TempDir other;
  WriteSmallModel(other);
  WriteChain(other, 43);
  EXPECT_EQ(RunIn(other, {"-INT:1", "-QUIET"}).status, 0);
}

}  // namespace
}  // namespace tarnavel::e2e
