// tarnavel_import from the command line: a refused mechanism stops with the
// file, the line and the reason, and leaves nothing behind.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarnavel::e2e
