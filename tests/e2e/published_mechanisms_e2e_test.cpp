// The published combustion mechanisms of tests/data/mechanisms, exactly as
// their authors distribute them: each is imported for stoichiometric fuel-air
// at 1200 K and 1 atm at constant pressure and run with the default switches
// of an imported model, pressure tables (PLOG, Chebyshev) included. The runs
// are cut short where a whole ignition takes long (the large mechanisms to a
// tenth of a microsecond: most of their time goes to setting up); a run that
// reaches its burnt state ends at the adiabatic equilibrium temperature.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/flame_equilibrium.hpp"
#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct Published {
  const char* folder;
  const char* mechanism;
  const char* thermo;  // separate thermodynamic file, or "" when the mechanism holds its data
  const char* mixture;
  const char* time;    // simulated time of the test's run (s)
  bool burns_out;      // the run reaches its equilibrium within that time
};

void PrintTo(const Published& p, std::ostream* os) { *os << p.folder; }

class PublishedMechanism : public ::testing::TestWithParam<Published> {};

std::string Source(const Published& p, const char* file) {
  return std::string(TARNAVEL_SOURCE_DIR) + "/tests/data/mechanisms/" + p.folder + "/" + file;
}

TEST_P(PublishedMechanism, ImportsAndRuns) {
  const Published& p = GetParam();
  TempDir dir;
  std::vector<std::string> args = {Source(p, p.mechanism), "--out", "model", "--mixture", p.mixture, "--temperature",
                                   "1200", "--pressure", "1atm", "--constant-pressure"};
  if (*p.thermo) args.insert(args.end(), {"--thermo", Source(p, p.thermo)});
  args.insert(args.end(), {"--time", p.time});
  const ProgramResult imported = RunIn(dir, args, "", TARNAVEL_IMPORT_EXE);
  ASSERT_EQ(imported.status, 0) << imported.out;

  TempDir run_dir;
  for (const char* name : {"MODEL.DAT", "SPECIES.DAT", "PARM.DAT", "THERM.DAT", "THERMO.DAT"})
    run_dir.Write(name, dir.Read(std::string("model/") + name));
  std::vector<std::string> switches = {"-QUIET", "-THERM", "-ig:mass"};
  const ProgramResult run = RunIn(run_dir, switches);
  ASSERT_EQ(run.status, 0) << run.out;
  const FinalRow last = LastConcentrationRow(run_dir.Read("CONC.TXT"));
  EXPECT_NEAR(last.time, std::stod(p.time), 1e-9 * std::stod(p.time));
  double temperature = 0.0;
  for (const auto& [name, value] : last.values)
    if (name == "Temperature(K)") temperature = value;
  // Before ignition the first decompositions may cool the gas a little.
  EXPECT_GT(temperature, 1150.0);
  if (!p.burns_out) return;

  std::vector<std::pair<std::string, double>> mixture;
  std::istringstream items(p.mixture);
  for (std::string item; std::getline(items, item, ',');)
    mixture.emplace_back(item.substr(0, item.find('=')), std::stod(item.substr(item.find('=') + 1)));
  const auto nasa = ReadNasa(run_dir.Read("THERMO.DAT"));
  const double equilibrium = FlameTemperature(nasa, mixture, 1200.0, 1.0);
  EXPECT_GT(equilibrium, 2000.0);
  EXPECT_NEAR(temperature, equilibrium, 0.01 * equilibrium);
}

// Fuel-air in the mechanisms' own names: H2 + 0.5 (O2 + 3.76 N2) and the like.
constexpr const char* kHydrogen = "H2=2,O2=1,N2=3.76";
constexpr const char* kMethane = "CH4=1,O2=2,N2=7.52";

INSTANTIATE_TEST_SUITE_P(
    Corpus, PublishedMechanism,
    ::testing::Values(
        Published{"h2_burke2012", "chem.inp", "", kHydrogen, "0.05", true},
        Published{"h2_konnov2008", "chem.inp", "thermo.dat", kHydrogen, "0.05", true},
        Published{"h2_li2004", "h2_li_19.inp", "", kHydrogen, "0.05", true},
        Published{"ffcm1", "mech-FFCM1", "thermdat", kMethane, "0.5", true},  // ignites after 60 ms
        Published{"sandiego2016", "sandiego20161214.inp", "sandiego20160815_therm.dat", kMethane, "0.05", true},
        Published{"uscmech2", "USC_Mech_ver_II.txt", "thermdat.txt", kMethane, "0.05", true},
        Published{"dme_zhao2008", "kin20285-chem.inp", "", "CH3OCH3=1,O2=3,N2=11.28", "0.05", true},
        Published{"ethanol_marinov1999", "ethanol.mech", "ethanol_thermo.dat", "c2h5oh=1,o2=3,n2=11.28", "0.05", true},
        Published{"llnl_nc7_v31", "nc7_ver3.1_mech.txt", "n_heptane_v3.1_therm.dat.txt", "NC7H16=1,O2=11,N2=41.36",
                  "1e-7", false},
        Published{"llnl_ic8_v3", "ic8_ver3_mech.txt", "prf_v3_therm_dat.txt", "IC8H18=1,O2=12.5,N2=47", "1e-7", false},
        Published{"jetsurf2", "Mech_JetSurF2.0.txt", "Thermdat.txt", "NC12H26=1,O2=18.5,N2=69.56", "1e-7", false},
        // With PLOG tables, and a test mechanism of every PLOG and Chebyshev form
        // (synthetic rates, placeholder thermodynamic data: it only runs).
        Published{"syngas_creck", "kinetics.CHEMKIN.CKI", "thermo.CHEMKIN.CKT", "H2=1,CO=1,O2=1,N2=3.76", "0.05", true},
        Published{"aramco13", "AramcoMech_1.3_C4_chem.dat", "AramcoMech_1.3_therm.dat", kMethane, "0.5", true},
        Published{"nox_glarborg2018", "mech.dat", "thermo.dat", kMethane, "0.5", true},
        Published{"cantera_pdep_test", "pdep-test.inp", "", "R1A=1,R1B=1,H=1,R2=1,R3=1,R4=1,R5=1,R6=1,R7=1", "1e-5",
                  false}),
    [](const ::testing::TestParamInfo<Published>& info) { return std::string(info.param.folder); });

}  // namespace
}  // namespace tarnavel::e2e
