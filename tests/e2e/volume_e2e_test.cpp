// Constant-pressure runs and volume profiles from the command line: the
// pressure held, the amounts CONC.TXT writes, a vessel without gas, and the
// dilution of the gas when a profile changes the volume.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

// Parameter file at 298 K in mol/L: the step limits, the constant-pressure
// and volume fields, and the simulated seconds.
std::string Parameters(double tstep2, const std::string& pressure_and_volume, double seconds) {
  return "# parameters\n1.0E-10\t" + std::to_string(tstep2) + "\tJ\tMOL/L\t0\n298\t" + pressure_and_volume +
         "\t0\t0\n0\t0\t0\t" + std::to_string(seconds) + "\t0\nNone1\t1\t1\t1.0E-10\t0\n0\t0\t0\t0\t0\n";
}

std::vector<std::vector<double>> Rows(const std::string& conc) {
  std::vector<std::vector<double>> rows;
  const std::vector<std::string> lines = SplitLines(conc);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<double> row;
    size_t start = 0;
    for (size_t tab; (tab = lines[i].find('\t', start)) != std::string::npos; start = tab + 1)
      row.push_back(std::stod(lines[i].substr(start, tab - start)));
    rows.push_back(row);
  }
  return rows;
}

TEST(VolumeRuns, AtConstantPressureTheAmountsFollowTheReactionAndThePressureIsHeld) {
  // A ==> 2B: the amounts per unit initial volume are e^-kt and 2(1 - e^-kt)
  // whatever the volume does (first order).
  TempDir dir;
  dir.Write("PARM.DAT", Parameters(0.5, "YES\t0", 10.0));
  dir.Write("SPECIES.DAT", "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "0.3\tA ==> 2B\n");
  ProgramResult r = RunIn(dir, {});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find(" ********************************************************\n"
                       "  For this constant pressure problem, an initial pressure\n"
                       "  of   0.247772E+04 (kPa) has been calculated.\n"
                       "  This pressure will be held constant throughout this\n"
                       "  simulation, but the volume will change.\n"),
            std::string::npos)
      << r.out;
  const auto rows = Rows(dir.Read("CONC.TXT"));
  ASSERT_GT(rows.size(), 10u);
  EXPECT_EQ(rows[0].size(), 3u);  // Volume is not displayed
  for (const auto& row : rows) {
    const double decay = std::exp(-0.3 * row[0]);
    EXPECT_NEAR(row[1], decay, 1e-5 * decay + 1e-12) << row[0];
    EXPECT_NEAR(row[2], 2 * (1 - decay), 1e-5 * 2 * (1 - decay) + 1e-12) << row[0];
  }
  EXPECT_NEAR(rows.back()[0], 10.0, 1e-9);
}

TEST(VolumeRuns, AConstantPressureVesselWithoutGasStops) {
  TempDir dir;
  dir.Write("PARM.DAT", Parameters(0.5, "YES\t0", 10.0));
  dir.Write("SPECIES.DAT", "A{aq}\t0\t1.0\tY\t0\tN\tN\nB{aq}\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "0.3\tA{aq} ==> B{aq}\n");
  ProgramResult r = RunIn(dir, {"-QUIET"});
  EXPECT_NE(r.status, 0);
  ASSERT_GE(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[r.lines.size() - 2],
            " A constant-pressure run needs gas: the gas-phase species of the species file") << r.out;
}

TEST(VolumeRuns, AVolumeProfileDilutesTheGasAndRejectsAZeroVolume) {
  // The volume doubles after 1 s and again after 2 s; the gas-phase A is
  // diluted with it, the dissolved S is not. The reactions are negligible.
  TempDir dir;
  dir.Write("PARM.DAT", Parameters(0.5, "NO\tV.DAT", 2.5));
  dir.Write("SPECIES.DAT", "A\t0\t1.0\tY\t0\tN\tN\nS{aq}\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tN\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "1.0E-30\tA ==> B\n1.0E-30\tS{aq} ==> B\n");
  dir.Write("V.DAT", "1\n1 2 4\n");
  ProgramResult r = RunIn(dir, {"-QUIET"});
  ASSERT_EQ(r.status, 0) << r.out;
  const auto rows = Rows(dir.Read("CONC.TXT"));
  ASSERT_GT(rows.size(), 4u);
  int seen = 0;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u);  // time, A, S, Volume
    EXPECT_NEAR(row[1] * row[3], 1.0, 1e-6) << row[0];
    EXPECT_DOUBLE_EQ(row[2], 1.0);
    seen |= row[3] == 1.0 ? 1 : row[3] == 2.0 ? 2 : row[3] == 4.0 ? 4 : 8;
  }
  EXPECT_EQ(seen, 7);

  dir.Write("V.DAT", "1\n1 0\n");
  ProgramResult zero = RunIn(dir, {"-QUIET"});
  EXPECT_NE(zero.status, 0);
  EXPECT_TRUE(zero.Contains("  FATAL Error #  93\n A zero has been found in your volume profile.")) << zero.out;
}

}  // namespace
}  // namespace tarnavel::e2e
