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
      {"PLOG", head + "REACTIONS\nH+O2<=>O+OH 1e13 0 0\nPLOG / 1.0 1e13 0 0 /\nEND\n", {}, "bad.inp, line 5: PLOG cannot be expressed"},
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

}  // namespace
}  // namespace tarnavel::e2e
