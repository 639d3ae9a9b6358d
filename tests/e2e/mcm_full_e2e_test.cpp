// The whole Master Chemical Mechanism (tests/data/mcm/full.fac, 5,832 species
// and 17,224 reactions) imported for tarnavel_xl with its expressions, the
// RO2 sum of 1,228 peroxy radicals and the sun, and run for ten minutes at a
// summer noon: the step matrix and the Jacobian follow the non-zeros (the RO2
// sum comes apart as a rank-one term), so the run is short, small in memory
// and as accurate as a run at a thousand times tighter accuracy.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <string>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct FullRun {
  ProgramResult result;
  std::map<std::string, double> last;  // the final CONC.TXT row
  long steps = -1;
};

FullRun ImportAndRun(const std::string& accuracy) {
  TempDir dir;
  dir.Write("full.fac", ReadTestData("mcm/full.fac"));
  dir.Write("initial.txt", "O3 7.5e11\nNO 2.5e9\nNO2 2.5e10\nCO 2.5e12\nCH4 4.5e13\nC5H8 2.5e10\n");
  FullRun run;
  const ProgramResult imported =
      RunIn(dir,
            {"full.fac", "--out", ".", "--initial", "initial.txt", "--temperature", "298", "--rh", "50",
             "--latitude", "51.5", "--longitude", "-0.12", "--start", "2010-07-01T12:00:00", "--time", "600",
             "--step", "60", "--accuracy", accuracy, "--for", "xl"},
            "", TARNAVEL_IMPORT_EXE);
  EXPECT_EQ(imported.status, 0) << imported.out;
  EXPECT_NE(imported.out.find("Imported 5832 species, 17224 reactions"), std::string::npos) << imported.out;
  run.result = RunIn(dir, {"-show", "-ig:mass", "-ig:warn"}, "", TARNAVEL_XL_EXE);
  std::smatch m;
  if (std::regex_search(run.result.out, m, std::regex("steps= *([0-9]+)"))) run.steps = std::stol(m[1]);
  for (const auto& [name, value] : LastConcentrationRow(dir.Read("CONC.TXT")).values) run.last[name] = value;
  return run;
}

TEST(WholeMcm, RunsTenMinutesAtNoonQuicklyInLittleMemoryAndAccurately) {
  const FullRun run = ImportAndRun("1E-06");
  ASSERT_EQ(run.result.status, 0) << run.result.out.substr(0, 4000);
  // 85 steps today; a Jacobian that lost the sum's term or a balance's
  // changes would need many more.
  EXPECT_GT(run.steps, 0);
  EXPECT_LT(run.steps, 130);
#if !defined(__SANITIZE_ADDRESS__)
  // The largest of the child processes so far (the importer and the run):
  // 38 MB today; with the step matrix's Jacobian stored as n^2 doubles it
  // was 990 MB.
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_GT(usage.ru_maxrss, 10L * 1024) << "peak resident memory in kB";  // the run was measured
  EXPECT_LT(usage.ru_maxrss, 200L * 1024) << "peak resident memory in kB";
#endif

  const FullRun tight = ImportAndRun("1E-09");
  ASSERT_EQ(tight.result.status, 0);
  double largest = 0.0;
  for (const auto& [name, value] : tight.last) largest = std::max(largest, value);
  int compared = 0;
  for (const auto& [name, value] : tight.last) {
    if (value <= 1e-12 * largest) continue;
    ASSERT_EQ(run.last.count(name), 1u) << name;
    EXPECT_NEAR(run.last.at(name), value, 1e-5 * value) << name;
    ++compared;
  }
  EXPECT_GT(compared, 300);
  EXPECT_GT(tight.last.at("OH"), 1e6);  // daylight OH
}

}  // namespace
}  // namespace tarnavel::e2e
