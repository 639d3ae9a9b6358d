// Whole runs of small models checked against independent references:
// analytic solutions, published values and rate constants worked out by hand.

#include <gtest/gtest.h>

#include <cstdio>

#include <cmath>
#include <sstream>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

// A parameter file: moles/liter, the span in seconds, percent difference,
// accuracy and output interval as given.
std::string Parm(double seconds, double percent = 1.0, double accuracy = 1.0e-8, double tstep2 = 1.0,
                 const char* units = "MOL/L") {
  std::ostringstream s;
  s << "1.0E-10\t" << tstep2 << "\tJ\t" << units << "\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t" << seconds
    << "\t0\nNone1\t1\t" << percent << "\t" << accuracy << "\t0\n0\t0\t0\t0\t0\n";
  return s.str();
}

std::string Species(const std::vector<std::pair<std::string, double>>& list) {
  std::string text = "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n";
  for (const auto& [name, c] : list) {
    std::ostringstream line;
    line << name << "\t0\t" << c << "\tY\t0\tN\tN\n";
    text += line.str();
  }
  return text;
}

// Rows of CONC.TXT as numbers (the header skipped).
std::vector<std::vector<double>> Rows(const TempDir& dir, const std::string& file = "CONC.TXT") {
  std::vector<std::vector<double>> rows;
  const auto lines = SplitLines(dir.Read(file));
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<double> row;
    std::istringstream fields(lines[i]);
    std::string field;
    while (std::getline(fields, field, '\t'))
      if (field.find_first_not_of(' ') != std::string::npos) row.push_back(std::stod(field));
    rows.push_back(row);
  }
  return rows;
}

// Relative agreement within the given tolerance. Rows show six significant
// digits, of the time too: a reference evaluated at the printed time carries
// an extra relative error of up to rate × time × 5e-6, which callers add.
void ExpectClose(double value, double reference, double tolerance, const std::string& what) {
  EXPECT_LE(std::fabs(value - reference), tolerance * std::fabs(reference) + 1e-300)
      << what << ": " << value << " vs " << reference;
}

struct Simulation : ::testing::Test {
  TempDir dir;
  ProgramResult Run(const std::string& parm, const std::string& species, const std::string& model,
                    std::vector<std::string> args = {"-QUIET"}) {
    dir.Write("PARM.DAT", parm);
    dir.Write("SPECIES.DAT", species);
    dir.Write("MODEL.DAT", model);
    return RunIn(dir, args);
  }
};

TEST_F(Simulation, FirstOrderDecayFollowsTheExponential) {
  ProgramResult r = Run(Parm(10), Species({{"A", 1.0}, {"B", 0.0}}), "0.1\tA ==> B\n");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto rows = Rows(dir);
  ASSERT_GE(rows.size(), 3u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 3u);
    ExpectClose(row[1], std::exp(-0.1 * row[0]), 2e-6 + 0.1 * row[0] * 5e-6, "A at " + std::to_string(row[0]));
    ExpectClose(row[1] + row[2], 1.0, 2e-6, "A + B");
  }
  EXPECT_EQ(rows.back()[0], 10.0);
}

TEST_F(Simulation, ConsecutiveReactionsFollowTheirAnalyticSolution) {
  const double k1 = 0.5, k2 = 0.2;
  ProgramResult r = Run(Parm(10), Species({{"A", 1.0}, {"B", 0.0}, {"C", 0.0}}), "0.5\tA ==> B\n0.2\tB ==> C\n");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const auto& row : Rows(dir)) {
    const double t = row[0];
    const double tol = 2e-6 + k1 * t * 5e-6;
    const double b = k1 / (k2 - k1) * (std::exp(-k1 * t) - std::exp(-k2 * t));
    ExpectClose(row[1], std::exp(-k1 * t), tol, "A");
    if (t > 0) ExpectClose(row[2], b, tol, "B at " + std::to_string(t));
    ExpectClose(row[1] + row[2] + row[3], 1.0, 2e-6, "mass");
  }
}

TEST_F(Simulation, ACstrWashesOutExponentiallyAndFillsTowardsTheFeed) {
  const std::string species =
      "TRACER\t5\t1.0\tY\t0\tN\tN\n"   // residence time 5 s, no feed
      "FED\t2\t0.0\tY\t3.0\tN\tN\n"    // residence time 2 s, feed 3.0
      "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n";
  ProgramResult r = Run(Parm(10), species, "1.0E-3\tA ==> B\n");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const auto& row : Rows(dir)) {
    const double t = row[0];
    const double tol = 2e-6 + 0.5 * t * 5e-6;
    ExpectClose(row[1], std::exp(-t / 5.0), tol, "tracer");
    if (t > 0) ExpectClose(row[2], 3.0 * (1 - std::exp(-t / 2.0)), tol, "fed");
  }
}

TEST_F(Simulation, RobertsonsStiffProblemMatchesThePublishedValues) {
  ProgramResult r = Run(Parm(40), Species({{"A", 1.0}, {"B", 0.0}, {"C", 0.0}}),
                        "0.04\tA==>B\n3.0E7\t2B==>B+C\n1.0E4\tB+C==>A+C\n");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto last = Rows(dir).back();
  EXPECT_EQ(last[0], 40.0);
  ExpectClose(last[1], 0.7158270687193941, 1e-5, "y1");
  ExpectClose(last[2], 9.185534764557338e-06, 1e-5, "y2");
  ExpectClose(last[3], 0.2841637457458413, 1e-5, "y3");
}

TEST_F(Simulation, AModelAtRestWritesOnlyTheFirstAndLastRows) {
  ProgramResult r = Run(Parm(10), Species({{"A", 0.0}, {"B", 1.0}}), "0.1\tA ==> B\n");
  ASSERT_EQ(r.status, 0) << r.out;
  // A stays at zero and is kept at the concentration floor after each step.
  EXPECT_EQ(dir.Read("CONC.TXT"),
            " Time(s)  \tA \tB \t\n"
            "  0.000000E+00\t  0.000000E+00\t  0.100000E+01\t\n"
            "  0.100000E+02\t  0.100000E-54\t  0.100000E+01\t\n");
}

TEST_F(Simulation, TheThresholdDecidesWhichOutputPointsWriteRows) {
  const std::string species = Species({{"A", 1.0}, {"B", 0.0}});
  Run(Parm(10, 0.0), species, "0.1\tA ==> B\n");
  const size_t every_point = Rows(dir).size();
  Run(Parm(10, 1.0), species, "0.1\tA ==> B\n");
  const size_t one_percent = Rows(dir).size();
  Run(Parm(10, 1.0e6), species, "0.1\tA ==> B\n");
  const auto few = Rows(dir);
  EXPECT_GE(every_point, 10u);
  EXPECT_GE(every_point, one_percent);
  ASSERT_EQ(few.size(), 2u);  // the time-zero row and the final row
  EXPECT_EQ(few[0][0], 0.0);
  EXPECT_EQ(few[1][0], 10.0);
}

TEST_F(Simulation, ShowEchoesTheFileRows) {
  ProgramResult r = Run(Parm(10), Species({{"A", 1.0}, {"B", 0.0}}), "0.1\tA ==> B\n", {"-show"});
  ASSERT_EQ(r.status, 0) << r.out;
  for (const std::string& line : SplitLines(dir.Read("CONC.TXT")))
    EXPECT_NE(r.out.find("\n" + line + "\n"), std::string::npos) << line;
  // The end report adds the work of the integration.
  const auto at = r.out.find(" Work of the integration:\n  steps= ");
  ASSERT_NE(at, std::string::npos) << r.out;
  long steps = 0, rejected = 0, derivs = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str() + at, " Work of the integration:\n  steps= %ld rejected= %ld DERIVS= %ld", &steps,
                        &rejected, &derivs),
            3);
  EXPECT_GT(steps, 0);
  EXPECT_GE(rejected, 0);
  EXPECT_GT(derivs, steps);
}

TEST_F(Simulation, ThirdBodyAndTroeRateConstantsMatchHandValues) {
  // At time zero the analysis file holds each reaction's rate k·[A]·[B].
  const double t = 298.0, r = 8.31451;
  const double n2 = 1.0e-3, a = 1.0e-6, b = 2.0e-6;
  const std::string species = Species({{"A", a}, {"B", b}, {"C", 0.0}, {"N2", n2}});
  const std::string model =
      "1.0E10\tA + B + M[N2(2.0)] ==> C\n"
      "1.0E9\tA + B + M[TROE;1.0E12;-1.5;500;0.6;100;2000;0;N2(1.5)] ==> C\n";
  ProgramResult run = Run(Parm(1), species, model, {"-QUIET", "-SENSIT:0", "-ig:mass"});
  ASSERT_EQ(run.status, 0) << run.out;
  const auto rows = Rows(dir, "ANALYSIS.TXT");
  ASSERT_FALSE(rows.empty());
  const double m = a + b + n2;  // [M]: every gas-phase species
  const double third_body = 1.0e10 * (m + (2.0 - 1.0) * n2) * a * b;
  const double meff = m + (1.5 - 1.0) * n2;
  const double k0 = 1.0e12 * std::pow(t, -1.5) * std::exp(-500 / (r * t));
  const double pr = k0 * meff / 1.0e9;
  const double fcent = 0.4 * std::exp(-t / 100) + 0.6 * std::exp(-t / 2000);
  const double l = std::log10(fcent), p = std::log10(pr);
  const double f = (p - 0.4 - 0.67 * l) / (0.75 - 1.27 * l - 0.14 * (p - 0.4 - 0.67 * l));
  const double troe = 1.0e9 * pr / (1 + pr) * std::pow(10.0, l / (1 + f * f)) * a * b;
  ExpectClose(rows[0][1], third_body, 5e-6, "third body");
  ExpectClose(rows[0][2], troe, 5e-6, "Troe");
}

}  // namespace
}  // namespace tarnavel::e2e

namespace tarnavel::e2e {
namespace {

TEST_F(Simulation, RowsFallOnTheOutputIntervalsWithoutADuplicateEnd) {
  // A held species turns Turbo mode off: every row falls on a multiple of the
  // 0.1 s interval, and the hundred summed intervals end the run once.
  const std::string species = "A\t0\t1\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nC\t0\t0\tN\t0\tN\t0.5\n";
  ProgramResult r = Run(Parm(10, 0.0, 1.0e-8, 0.1), species, "0.1\tA + C ==> B + C\n");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto rows = Rows(dir);
  ASSERT_EQ(rows.size(), 101u);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_NEAR(rows[i][0], 0.1 * static_cast<double>(i), 1e-6) << i;
  EXPECT_EQ(rows.back()[0], 10.0);
  ExpectClose(rows.back()[1], std::exp(-0.05 * 10), 2e-6, "A");
}

}  // namespace
}  // namespace tarnavel::e2e
