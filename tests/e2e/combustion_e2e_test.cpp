// The bundled combustion example: GRI-Mech 3.0 imported by tarnavel_import,
// stoichiometric methane-air ignited at constant pressure. The example's
// files must be what the importer makes of the mechanism today, and the run
// must end at the adiabatic equilibrium temperature, computed here on its
// own from the NASA polynomials by minimising the Gibbs energy.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/flame_equilibrium.hpp"
#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

namespace fs = std::filesystem;

std::string ReadExample(const std::string& name) {
  std::ifstream f(std::string(TARNAVEL_SOURCE_DIR) + "/examples/methane_air/" + name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(CombustionExample, IsTheImportOfGriMechAndIgnitesToTheAdiabaticEquilibrium) {
  TempDir dir;
  for (const char* name : {"gri30.inp", "gri30_thermo.dat"}) dir.Write(name, ReadExample(name));
  // The example's own import command, from its README.
  const ProgramResult imported = RunIn(
      dir, {"gri30.inp", "--thermo", "gri30_thermo.dat", "--out", ".", "--mixture", "CH4=1,O2=2,N2=7.52", "--temperature",
            "1500", "--pressure", "1atm", "--time", "0.01", "--step", "0.00002", "--constant-pressure", "--title",
            "Stoichiometric methane-air, adiabatic ignition at constant pressure from 1500 K and 1 atm"},
      "", TARNAVEL_IMPORT_EXE);
  ASSERT_EQ(imported.status, 0) << imported.out;
  for (const char* name : {"MODEL.DAT", "SPECIES.DAT", "PARM.DAT", "THERM.DAT", "THERMO.DAT"})
    EXPECT_EQ(dir.Read(name), ReadExample(name)) << name << " of examples/methane_air is not the importer's output";

  const ProgramResult run = RunIn(dir, {"-QUIET", "-ig:mass", "-THERM"});
  ASSERT_EQ(run.status, 0) << run.out;
  const FinalRow last = LastConcentrationRow(dir.Read("CONC.TXT"));
  ASSERT_NEAR(last.time, 0.01, 1e-9);
  double temperature = 0.0;
  std::map<std::string, double> c;
  for (const auto& [name, value] : last.values) {
    if (name == "Temperature(K)") temperature = value;
    c[name] = value;
  }

  // Adiabatic at constant pressure: the enthalpy of 1 CH4 + 2 O2 + 7.52 N2 at
  // 1500 K is the enthalpy of the equilibrium products at the final temperature.
  const auto nasa = ReadNasa(ReadExample("gri30_thermo.dat"));
  const std::vector<std::pair<std::string, double>> mixture = {{"CH4", 1}, {"O2", 2}, {"N2", 7.52}};
  // The equilibrium calculation itself meets the textbook flame temperature
  // of stoichiometric methane-air from 298 K, about 2226 K.
  EXPECT_NEAR(FlameTemperature(nasa, mixture, 298.15, 1.0), 2226.0, 0.005 * 2226.0);
  const double equilibrium = FlameTemperature(nasa, mixture, 1500.0, 1.0);
  EXPECT_GT(equilibrium, 2600.0);
  EXPECT_NEAR(temperature, equilibrium, 0.01 * equilibrium);
  // And the composition has burnt out: no methane, water and carbon dioxide near the equilibrium's.
  const auto n = Equilibrium(nasa, ElementAmounts(nasa, mixture), equilibrium, 1.0);
  EXPECT_LT(c.at("CH4"), 1e-12 * c.at("N2"));
  EXPECT_NEAR(c.at("H2O") / c.at("N2"), n.at("H2O") / n.at("N2"), 0.05 * n.at("H2O") / n.at("N2"));
  EXPECT_NEAR(c.at("CO2") / c.at("N2"), n.at("CO2") / n.at("N2"), 0.05 * n.at("CO2") / n.at("N2"));
}

}  // namespace
}  // namespace tarnavel::e2e
