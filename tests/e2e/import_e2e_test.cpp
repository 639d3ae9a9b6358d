// tarnavel_import from the command line: a refused mechanism stops with the
// file, the line and the reason, and leaves nothing behind; CHEMKIN
// mechanisms and Master Chemical Mechanism exports are told apart by their
// extension.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

TEST(ImportCommand, ARefusedMechanismWritesNothing) {
  const std::string head = "ELEMENTS H O END\nSPECIES H O2 O OH HO2 END\n";
  const std::string thermo = ReadTestData("chemkin/h2o2.inp");
  struct Case {
    const char* name;
    std::string mechanism;
    std::vector<std::string> extra;
    const char* message;
  } cases[] = {
      {"FORD", head + "REACTIONS\nH+O2<=>O+OH 1e13 0 0\nFORD / H 1.5 /\nEND\n", {}, "bad.inp, line 5: FORD cannot be expressed"},
      {"no thermodynamic data", head + "REACTIONS\nH+O2<=>O+OH 1e13 0 0\nEND\n", {}, "bad.inp: no thermodynamic data for species H"},
      {"unknown mixture species", "", {"--mixture", "N2=1"}, "mixture: species \"N2\" is not in the mechanism"},
      {"bad pressure", "", {"--pressure", "-1atm"}, "--pressure: \"-1\" is not a positive number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("bad.inp", c.mechanism.empty() ? thermo : c.mechanism);
    std::vector<std::string> args = {"bad.inp"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const ProgramResult r = RunIn(dir, args, "", TARNAVEL_IMPORT_EXE);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Contains(std::string("tarnavel_import: ") + c.message)) << r.out;
    EXPECT_TRUE(r.Contains("Nothing was written.")) << r.out;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.path().filename() != "bad.inp";
    EXPECT_EQ(files, 0);
  }
}

// --out names a folder that need not exist: it is made for the files, and a
// refused import leaves no folder behind. The summary names what was changed.
TEST(ImportCommand, TheOutputFolderIsMadeWhenMissing) {
  TempDir dir;
  dir.Write("h2o2.inp", ReadTestData("chemkin/h2o2.inp") + "\nTRANSPORT\nH2 1 38.0 2.92 0.0 0.79 280.0\nEND\n");
  const ProgramResult made = RunIn(dir, {"h2o2.inp", "--out", "runs/h2/first"}, "", TARNAVEL_IMPORT_EXE);
  ASSERT_EQ(made.status, 0) << made.out;
  for (const char* name : {"MODEL.DAT", "SPECIES.DAT", "PARM.DAT", "THERM.DAT", "THERMO.DAT"})
    EXPECT_TRUE(dir.Exists(std::string("runs/h2/first/") + name)) << name;
  EXPECT_TRUE(made.Contains("1 warning(s):")) << made.out;
  EXPECT_TRUE(made.Contains("TRANSPORT section (to line")) << made.out;

  dir.Write("bad.inp", "ELEMENTS H O END\nSPECIES H O2 O OH END\nREACTIONS\nH+O2<=>O+OH 1e13 0 0\nFORD / H 1.5 /\nEND\n");
  const ProgramResult refused = RunIn(dir, {"bad.inp", "--out", "runs/bad"}, "", TARNAVEL_IMPORT_EXE);
  EXPECT_EQ(refused.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/runs/bad"));
}

// A Master Chemical Mechanism export is chosen by its extension and written
// with its rate constants as expressions, the conditions of a box-model
// ozone-NOx test case (west-positive longitude, pressure in mbar) in RATES.DAT.
TEST(ImportCommand, WritesMcmExportsWithTheirConditions) {
  TempDir dir;
  dir.Write("env_model_1.fac", ReadTestData("mcm/env_model_1.fac"));
  dir.Write("initial.config", ReadTestData("mcm/env_model_1_initial.config"));
  dir.Write("small.kpp", ReadTestData("mcm/small.kpp"));
  dir.Write("small_coefficients.f90", ReadTestData("mcm/small_coefficients.f90"));
  struct Case {
    std::string out;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> lines;  // file, a line it holds
  } cases[] = {
      {"fac",
       {"env_model_1.fac", "--out", "fac", "--initial", "initial.config", "--temperature", "288", "--pressure",
        "1010mbar", "--h2o", "1.8e+17", "--latitude", "36.11", "--longitude-west", "5.35", "--start",
        "2002-02-02T14:00:00", "--time", "14400", "--step", "600", "--declination", "-0.2976rad",
        "--no-photolysis"},
       {{"MODEL.DAT", "J<4>\tNO2 ==> NO + O\tline 20"},
        {"MODEL.DAT", "KMT01\tO + NO ==> NO2\tline 23"},
        {"RATES.DAT", "SET\tPRESSURE\t101000"},
        {"RATES.DAT", "SET\tLONGITUDE\t-5.35"},
        {"RATES.DAT", "SET\tSTART\t2002-02-02T14:00:00"},
        {"RATES.DAT", "SET\tDECLINATION\t-17.0512239831"},
        {"RATES.DAT", "SET\tJFACTOR\t0"},
        {"RATES.DAT", "SUM\tRO2"},
        {"RATES.DAT", "DEFINE\tKMT01\t(K10*K1I)*F1/(K10+K1I)"},
        {"SPECIES.DAT", "NO2\t0\t1.97E+11\tY\t0\tN\tN"},
        {"PARM.DAT", "288\tNO\t0\t0\t0"}}},
      {"kpp",
       {"small.kpp", "--coefficients", "small_coefficients.f90", "--out", "kpp", "--rh", "70"},
       {{"MODEL.DAT", "J<12>\tHCHO ==> H2 + CO\tline 42"},
        {"MODEL.DAT", "4.8D-11*EXP(250/TEMP)\tOH + HO2 ==> SINK\tline 44, no products"},
        {"RATES.DAT", "SET\tRH\t70"},
        {"RATES.DAT", "SUM\tRO2\tCH3O2 C2H5O2"},
        {"RATES.DAT", "DEFINE\tKCH3O2\t1.03D-13*EXP(365.0/TEMP)"},
        {"RATES.DAT", "J\t12\t6.853E-05\t0.477\t0.323"},
        {"SPECIES.DAT", "SINK\t0\t0\tN\t0\tN\t0"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const ProgramResult r = RunIn(dir, c.args, "", TARNAVEL_IMPORT_EXE);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* name : {"MODEL.DAT", "SPECIES.DAT", "PARM.DAT", "RATES.DAT"})
      EXPECT_TRUE(dir.Exists(c.out + "/" + name)) << name;
    for (const auto& [file, line] : c.lines) {
      const std::vector<std::string> lines = SplitLines(dir.Read(c.out + "/" + file));
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << file << ": " << line;
    }
  }
}

TEST(ImportCommand, RefusesWhatAnMcmImportCannotTake) {
  struct Case {
    std::string mechanism;
    std::vector<std::string> extra;
    const char* message;
  } cases[] = {
      {"% ARRH(1.0D-12, 300) : A = B ;\n",
       {},
       "bad.fac, line 1: \"ARRH(1.0D-12, 300)\": ARRH(...) is neither a function"},
      {"% 1.0D-12 : A = B ;\n", {"--mixture", "A=1"}, "--mixture: an option of CHEMKIN imports"},
      {"% 1.0D-12 : A = B ;\n", {"--pressure", "1010mmHg"}, "--pressure: \"1010mmHg\" is not a positive number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TempDir dir;
    dir.Write("bad.fac", c.mechanism);
    std::vector<std::string> args = {"bad.fac", "--out", "run"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const ProgramResult r = RunIn(dir, args, "", TARNAVEL_IMPORT_EXE);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.Contains(std::string("tarnavel_import: ") + c.message)) << r.out;
    EXPECT_TRUE(r.Contains("Nothing was written.")) << r.out;
    EXPECT_FALSE(dir.Exists("run"));
  }
}

TEST(ImportCommand, AMechanismBeyondTheLargeBuildImportsForTheExtraLargeOne) {
  // A chain of 1100 species: more than tarnavel_large holds.
  std::string fac;
  for (int i = 1; i < 1100; ++i) fac += "% 1.0D-3 : S" + std::to_string(i) + " = S" + std::to_string(i + 1) + " ;\n";
  TempDir dir;
  dir.Write("chain.fac", fac);
  const ProgramResult large = RunIn(dir, {"chain.fac", "--out", "run"}, "", TARNAVEL_IMPORT_EXE);
  EXPECT_EQ(large.status, 1);
  EXPECT_TRUE(large.Contains("1100 species; the large build holds 948 (--for xl: tarnavel_xl holds more)")) << large.out;
  EXPECT_FALSE(dir.Exists("run"));
  const ProgramResult xl = RunIn(dir, {"chain.fac", "--out", "run", "--for", "xl"}, "", TARNAVEL_IMPORT_EXE);
  ASSERT_EQ(xl.status, 0) << xl.out;
  EXPECT_TRUE(dir.Exists("run/MODEL.DAT"));
}

}  // namespace
}  // namespace tarnavel::e2e
