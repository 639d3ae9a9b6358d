// The ignition delay of IGNITION.TXT on hand-made models whose answers are
// known in closed form. Every species has the same constant heat capacity
// (Cp = 3.5 R) and the heats of formation are chosen freely, so that
//  - A + B ==> 2B with a constant k is a thermal runaway whose B follows the
//    logistic curve B(t) = N / (1 + (N/B0 - 1) exp(-kNt)) and whose
//    temperature rises in step with B: T - T0 = (-dH / Cv) (B - B0) / N;
//  - A ==> X ==> P with equal heats of formation is thermally neutral, and X
//    peaks at ln(k2/k1) / (k2 - k1).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

// A NASA-7 record in the four-line layout, the same coefficients in both
// ranges: Cp/R = a1, H/RT = a1 + a6/T.
std::string Record(const std::string& name, double a1, double a6) {
  char line[96];
  std::string text;
  std::snprintf(line, sizeof line, "%-18sTEST  N   2               G   200.000  6000.000 1000.00      1\n",
                name.c_str());
  text += line;
  const double c[14] = {a1, 0, 0, 0, 0, a6, 0, a1, 0, 0, 0, 0, a6, 0};
  for (int row = 0; row < 3; ++row) {
    std::string values;
    for (int k = 0; k < (row < 2 ? 5 : 4); ++k) {
      std::snprintf(line, sizeof line, "% .8E", c[row * 5 + k]);
      values += line;
    }
    values.resize(79, ' ');
    text += values + std::to_string(row + 2) + "\n";
  }
  return text;
}

const double kStartTemperature = 1000.0;
const double kTotal = 1.0e-5;  // mol/cm^3

// A run folder: the species with their initial values and heats of formation
// (a6), the reactions (A, reaction), the time span.
void WriteModel(const TempDir& dir, const std::map<std::string, std::pair<double, double>>& species,
                const std::string& reactions, double seconds) {
  std::string db = "THERMO\n   300.000  1000.000  5000.000\n";
  std::ostringstream spec;
  spec.precision(17);
  spec << "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\n";
  for (const auto& [name, v] : species) {
    db += Record(name, 3.5, v.second);
    spec << name << "\t0\t" << v.first << "\tY\t0\tN\tN\n";
  }
  dir.Write("test_thermo.dat", db + "END\n");
  std::string therm = ReadTestData("h2o2/THERM.DAT");
  therm.replace(therm.find("gri30_thermo.dat"), 16, "test_thermo.dat");
  dir.Write("THERM.DAT", therm);
  dir.Write("SPECIES.DAT", spec.str());
  dir.Write("MODEL.DAT", "# A\tm\tEa\treaction\n" + reactions);
  std::ostringstream parm;
  parm << "# hand-made\n# TSTEP\tTSTEP2\tEa\tConc.\t-\n1.0E-9\t1.0E-2\tKELVIN\tMOLES/CM^3\t0\n"
       << "# T\tConst. P\tVolume\t-\t-\n" << kStartTemperature << "\tNO\t0\t0\t0\n"
       << "# D\tH\tM\tS\tps\n0\t0\t0\t" << seconds << "\t0\n"
       << "# hv\tdt\t%\tAccuracy\t-\nNone1\t1\t1\t1.0E-10\t0\n0\t0\t0\t0\t0\n";
  dir.Write("PARM.DAT", parm.str());
}

struct IgnitionRow {
  bool met = false;
  double time = 0.0, value = 0.0;
};

// IGNITION.TXT by criterion; the header must be the first line.
std::map<std::string, IgnitionRow> ReadIgnition(const std::string& text) {
  std::map<std::string, IgnitionRow> rows;
  const std::vector<std::string> lines = SplitLines(text);
  EXPECT_FALSE(lines.empty());
  if (lines.empty()) return rows;
  EXPECT_EQ(lines[0], "Criterion\tTime(s)\tValue");
  for (size_t i = 1; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string label, time, value;
    std::getline(in, label, '\t');
    std::getline(in, time, '\t');
    std::getline(in, value, '\t');
    IgnitionRow r;
    r.met = time != "NA";
    if (r.met) {
      r.time = std::stod(time);
      r.value = std::stod(value);
    } else {
      EXPECT_EQ(value, "NA") << lines[i];
    }
    rows[label] = r;
  }
  return rows;
}

TEST(IgnitionDelay, ThermalRunawayMatchesTheLogisticCurve) {
  const double b0 = 1.0e-8, k = 6.9e5, a6 = -2502.5;  // 1000 K at full conversion
  TempDir dir;
  WriteModel(dir, {{"A", {kTotal - b0, 0.0}}, {"B", {b0, a6}}}, "6.9E5\t0\t0\tA+B==>2B\n", 3.0);
  // B is the product: its largest value is at the end, which is no ignition.
  const ProgramResult run = RunIn(dir, {"-THERM", "-ig:mass", "-IGN:B"});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(run.Contains("Ignition delay (s), written to IGNITION.TXT:")) << run.out;
  EXPECT_TRUE(run.Contains("  max [B]: NA")) << run.out;
  const auto rows = ReadIgnition(dir.Read("IGNITION.TXT"));
  ASSERT_EQ(rows.size(), 3u);

  const double kn = k * kTotal;
  const double peak = std::log(kTotal / b0 - 1.0) / kn;  // B = N/2: the largest rate
  const double cv = 2.5;                                 // Cv/R
  const double b_cross = b0 + 400.0 * kTotal * cv / -a6;
  const double cross = std::log((kTotal / b0 - 1.0) / (kTotal / b_cross - 1.0)) / kn;
  // The largest temperature rate: (-dH/Cv) k N / 4.
  const double largest = -a6 / cv * kn / 4.0;
  ASSERT_TRUE(rows.at("max dT/dt").met);
  EXPECT_NEAR(rows.at("max dT/dt").time, peak, 1e-5 * peak);
  EXPECT_NEAR(rows.at("max dT/dt").value, largest, 1e-4 * largest);
  ASSERT_TRUE(rows.at("T0+400 K").met);
  EXPECT_NEAR(rows.at("T0+400 K").time, cross, 1e-5 * cross);
  EXPECT_DOUBLE_EQ(rows.at("T0+400 K").value, kStartTemperature + 400.0);
  EXPECT_FALSE(rows.at("max [B]").met);

  // A sensitivity analysis before the ignition reruns the model through it
  // with every rate constant changed; the delays are the main run's alone.
  const ProgramResult sensit = RunIn(dir, {"-THERM", "-ig:mass", "-IGN:B", "-QUIET", "-SENSIT:1:TIMES,0.9"});
  ASSERT_EQ(sensit.status, 0) << sensit.out;
  ASSERT_TRUE(dir.Exists("SENSIT01.TXT"));
  const auto again = ReadIgnition(dir.Read("IGNITION.TXT"));
  ASSERT_TRUE(again.at("max dT/dt").met);
  EXPECT_NEAR(again.at("max dT/dt").time, peak, 1e-5 * peak);
  EXPECT_NEAR(again.at("T0+400 K").time, cross, 1e-5 * cross);
}

TEST(IgnitionDelay, NeutralChainPeaksInClosedFormAndNeverIgnites) {
  const double k1 = 1.0, k2 = 3.0;
  TempDir dir;
  WriteModel(dir, {{"A", {kTotal, 0.0}}, {"X", {0.0, 0.0}}, {"P", {0.0, 0.0}}},
             "1\t0\t0\tA==>X\n3\t0\t0\tX==>P\n", 4.0);
  const ProgramResult run = RunIn(dir, {"-THERM", "-ig:mass", "-IGN:X,A"});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(run.Contains("  NA: not met within the run")) << run.out;
  const auto rows = ReadIgnition(dir.Read("IGNITION.TXT"));
  ASSERT_EQ(rows.size(), 4u);
  const double peak = std::log(k2 / k1) / (k2 - k1);
  const double largest = kTotal * k1 / (k2 - k1) * (std::exp(-k1 * peak) - std::exp(-k2 * peak));
  ASSERT_TRUE(rows.at("max [X]").met);
  EXPECT_NEAR(rows.at("max [X]").time, peak, 1e-6 * peak);
  EXPECT_NEAR(rows.at("max [X]").value, largest, 1e-7 * largest);
  // A only falls: its largest value is at the start.
  EXPECT_FALSE(rows.at("max [A]").met);
  EXPECT_FALSE(rows.at("max dT/dt").met);
  EXPECT_FALSE(rows.at("T0+400 K").met);
}

TEST(IgnitionDelay, SpeciesMustBeIntegratedAndOnlyThermodynamicRunsWriteTheFile) {
  TempDir dir;
  WriteModel(dir, {{"A", {kTotal, 0.0}}, {"X", {0.0, 0.0}}}, "1\t0\t0\tA==>X\n", 1.0);
  const ProgramResult unknown = RunIn(dir, {"-THERM", "-ig:mass", "-IGN:X,Q"});
  EXPECT_NE(unknown.status, 0);
  EXPECT_TRUE(unknown.Contains("The species Q named with -IGN: is not")) << unknown.out;
  EXPECT_FALSE(dir.Exists("IGNITION.TXT"));

  // Without the switch and without OH: the temperature criteria alone.
  const ProgramResult plain = RunIn(dir, {"-THERM", "-ig:mass", "-QUIET"});
  ASSERT_EQ(plain.status, 0) << plain.out;
  EXPECT_EQ(dir.Read("IGNITION.TXT"), "Criterion\tTime(s)\tValue\nmax dT/dt\tNA\tNA\nT0+400 K\tNA\tNA\n");

  // A run at a fixed temperature has no ignition to find.
  TempDir fixed;
  WriteModel(fixed, {{"A", {kTotal, 0.0}}, {"X", {0.0, 0.0}}}, "1\t0\t0\tA==>X\n", 1.0);
  const ProgramResult isothermal = RunIn(fixed, {"-ig:mass", "-QUIET"});
  ASSERT_EQ(isothermal.status, 0) << isothermal.out;
  EXPECT_FALSE(fixed.Exists("IGNITION.TXT"));
}

}  // namespace
}  // namespace tarnavel::e2e
