// The property and rate reports of a small ozone model in moles/cm^3 with a
// steady-state O atom and an ozone outflow: the files selected, and the
// time-zero row against rates worked out by hand.

#include "output/property_reports.hpp"

#include <gtest/gtest.h>

#include <string>

#include "input/formula_weight.hpp"
#include "model/compile_network.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel {
namespace {

using testing::AddReaction;
using testing::AddSpecies;
using testing::CapturedRun;
using testing::TempWorkDir;

// [O3] = 1e-3, [O2] = 2e-3, [O] = 1e-6: r1 = 0.5 [O3] = 5e-4 and
// r2 = 100 [O][O3] = 1e-7; the outflow takes 0.1 [O3] = 1e-4.
void WriteReports(int mask, bool unweighed) {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  run.sw.quiet = run.sw.ignore_warnings = true;
  run.sw.output_mask = mask;
  run.settings.concunits = kMolesPerCm3;
  const int o3 = AddSpecies(run, "O3", 1e-3);
  AddSpecies(run, "O2", 2e-3);
  const int o = AddSpecies(run, "O", 1e-6);
  if (unweighed) AddSpecies(run, "RX", 5e-4);  // in no reaction, but a gas all the same
  run.store.species[o].steady_state = true;
  run.store.species[o3].flow_rate = 0.1;
  AddReaction(run, 0.5, {{1, "O3"}}, {{1, "O2"}, {1, "O"}});
  AddReaction(run, 100.0, {{1, "O"}, {1, "O3"}}, {{2, "O2"}});
  DetermineMolecularWeights(run);
  CompileNetwork(run);
  PropertyReports rep;
  OpenPropertyReports(run, rep);
  WritePropertyReports(run, rep, 0.0);
  ClosePropertyReports(run, rep);
}

TEST(PropertyReports, OnlyTheSelectedFilesAreWritten) {
  const char* files[] = {kRatesOutFile, kSpecRateFile, kThermOutFile, kSystemOutFile};
  for (int mask : {1, 2, 4, 8}) {
    TempWorkDir dir;
    WriteReports(mask, false);
    for (int bit = 0; bit < 4; ++bit) EXPECT_EQ(dir.Exists(files[bit]), mask == 1 << bit) << mask;
  }
}

TEST(PropertyReports, HeadersAndRowsOfAnIsothermalRun) {
  TempWorkDir dir;
  WriteReports(15, false);
  EXPECT_EQ(dir.Read(kRatesOutFile),
            " Time(s)\t  Reaction #   1\t  Reaction #   2\t\n"
            "   0.00000    \t  0.500000E-03\t  0.100000E-06\t\n");
  // O3 loses to both reactions and the outflow; the held O atom shows the
  // balance of its terms.
  const std::string pad(23, ' ');
  EXPECT_EQ(dir.Read(kSpecRateFile),
            " Time(s)\tO3" + pad + "\tForm.\tDestruct.\tO2" + pad + "\tForm.\tDestruct.\tO " + pad +
                "\tForm.\tDestruct.\t\n"
                "   0.00000    \t -0.600100E-03\t   0.00000    \t -0.500100E-03\t"
                "  0.500200E-03\t  0.500200E-03\t   0.00000    \t"
                "  0.499900E-03\t  0.500000E-03\t -0.100000E-06\t\n");
  // [M] and the density per liter: 1000 cm^3 of 3.001e-3 mol/cm^3.
  const std::string titles =
      "Time(s)\tTemperature(K)\tSystem enthalpy (H/RT)\tSystem heat capacity (Cp/R)\t"
      "Gas Molar Volume(moles/L)\tGas Density (g/L)";
  EXPECT_EQ(dir.Read(kThermOutFile), titles + std::string(350 - titles.size(), ' ') +
                                         "\n   0.00000    \t 298.150    \t   0.00000    \t   0.00000    \t"
                                         "   3.00100    \t   112.012    \n");
  EXPECT_EQ(dir.Read(kSystemOutFile),
            " Time(s)\t Temperature(K)\tReaction #\tk(f)\t Enthalpy (H/RT)\t Entropy (S/R)\t"
            " Free Energy(-G/RT)\tKp\tKc\tk(b)\n"
            "   0.00000    \t 298.150    \t     1\t  0.500000    \t   0.00000    \n"
            "   0.00000    \t 298.150    \t     2\t   100.000    \t   0.00000    \n");
}

TEST(PropertyReports, AGasWithoutMolecularWeightHidesTheDensity) {
  TempWorkDir dir;
  WriteReports(4, true);
  EXPECT_EQ(testing::SplitLines(dir.Read(kThermOutFile))[1],
            "   0.00000    \t 298.150    \t   0.00000    \t   0.00000    \t   3.50100    \t     -9999.0d0");
}

}  // namespace
}  // namespace tarnavel
