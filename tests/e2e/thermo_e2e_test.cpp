// Thermodynamic mode from the command line: the hydrogen/oxygen reactions of
// GRI-Mech 3.0 (tests/data/h2o2) with the GRI-Mech database read through a
// fixed-width description row and a free-format rewrite of three species in a
// second row that reserves OH; the free-form copy FREETHRM.TXT read back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

void WriteHydrogenOxygenModel(const TempDir& dir) {
  for (const char* name : {"PARM.DAT", "SPECIES.DAT", "MODEL.DAT"}) dir.Write(name, ReadTestData(std::string("h2o2/") + name));
  for (const char* name : {"THERM.DAT", "gri30_thermo.dat", "h2o2_free.dat"})
    dir.Write(name, ReadTestData(std::string("gri30/") + name));
}

int Find(const ProgramResult& r, const std::string& line) {
  for (size_t i = 0; i < r.lines.size(); ++i)
    if (r.lines[i] == line) return static_cast<int>(i);
  return -1;
}

// The report's low-range coefficient line of a species.
std::string LowRange(const ProgramResult& r, const std::string& species) {
  const int at = Find(r, " " + species);
  return at < 0 || at + 5 >= static_cast<int>(r.lines.size()) ? "" : r.lines[static_cast<size_t>(at) + 5];
}

double FinalTemperature(const TempDir& dir) {
  for (const auto& [name, value] : LastConcentrationRow(dir.Read("CONC.TXT")).values)
    if (name == "Temperature(K)") return value;
  return -1.0;
}

TEST(ThermoRun, DatabasesAreReadInRowOrderAndTheReservationHolds) {
  TempDir dir;
  WriteHydrogenOxygenModel(dir);
  ProgramResult r = RunIn(dir, {"-THERM", "-OF"});
  ASSERT_EQ(r.status, 0) << r.out;
  const int description = Find(r, "  Reading in THERM.DAT thermodynamic database description file.... ");
  const int gri = Find(r, "  Reading gri30_thermo.dat thermodynamic database....");
  const int free = Find(r, "  Reading h2o2_free.dat thermodynamic database....");
  EXPECT_GE(description, 0) << r.out;
  EXPECT_GT(gri, description);
  EXPECT_GT(free, gri);

  // OH is reserved to the rounded free-format copy; HO2 and H2O2 come from
  // the first database although the second holds them too.
  EXPECT_EQ(LowRange(r, "OH").substr(0, 21), "       0.39920150E+01") << r.out;
  EXPECT_NE(LowRange(r, "HO2").find("0.29480804E+03"), std::string::npos) << r.out;
  EXPECT_NE(LowRange(r, "H2O2").find("0.34350507E+01"), std::string::npos) << r.out;
  EXPECT_GE(Find(r, " DATABASE MW:  0.280134E+02"), 0);  // N2 from its composition

  const std::string copy = dir.Read("FREETHRM.TXT");
  const std::vector<std::string> lines = SplitLines(copy);
  ASSERT_EQ(lines.size(), 2u + 10u + 1u) << copy;
  EXPECT_EQ(lines.back(), "END");
  EXPECT_EQ(lines[6].substr(0, 3), "OH\t");
  EXPECT_NE(lines[6].find("\t 3.99201500    \t"), std::string::npos) << lines[6];

  // A stoichiometric hydrogen-air mixture ignites from 1100 K.
  const double ignited = FinalTemperature(dir);
  EXPECT_GT(ignited, 2800.0) << dir.Read("CONC.TXT");

  // The copy, read back as a free-format database, gives the same run.
  const std::string first_run = dir.Read("CONC.TXT");
  dir.Write("THERM.DAT",
            "FREETHRM.TXT\tFREE\tSP:LT:CT:HT:LA1:LA2:LA3:LA4:LA5:LA6:LA7:HA1:HA2:HA3:HA4:HA5:HA6:HA7:MW\tNONE:\n");
  ProgramResult again = RunIn(dir, {"-THERM", "-QUIET"});
  ASSERT_EQ(again.status, 0) << again.out;
  EXPECT_EQ(dir.Read("CONC.TXT"), first_run);
}

TEST(ThermoRun, ASpeciesNoDatabaseHoldsStopsTheRun) {
  TempDir dir;
  WriteHydrogenOxygenModel(dir);
  dir.Write("THERM.DAT", "h2o2_free.dat\tFREE(44)\tSP:PH:LT:CT:HT\tNONE:\n");
  ProgramResult r = RunIn(dir, {"-THERM", "-QUIET"});
  EXPECT_NE(r.status, 0);
  EXPECT_GE(Find(r, "  FATAL Error #  74"), 0) << r.out;
  EXPECT_GE(Find(r, " 'N2'"), 0) << r.out;  // the last species in table order without data
  EXPECT_LE(SplitLines(dir.Read("CONC.TXT")).size(), 1u);  // no time course
}

}  // namespace
}  // namespace tarnavel::e2e
