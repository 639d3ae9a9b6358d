// Published stiff test problems written as reactions (tests/data/stiff), run
// to their end with the stiff integrators, and with Cash-Karp where it
// finishes in seconds, at two accuracies. The final row of CONC.TXT must
// match the reference solution within 1e-4 relative for every species above
// the problem's floor.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct StiffCase {
  const char* folder;
  double end_time;  // seconds
  double floor;     // mol/L: smaller reference values are not compared
  int integrator;
  const char* accuracy;
};

void PrintTo(const StiffCase& c, std::ostream* os) {
  *os << c.folder << " -INT:" << c.integrator << " accuracy " << c.accuracy;
}

std::string Name(const ::testing::TestParamInfo<StiffCase>& info) {
  std::string accuracy = info.param.accuracy;
  return std::string(info.param.folder) + "_int" + std::to_string(info.param.integrator) + "_" +
         (accuracy == "1.0E-08" ? "tight" : "loose");
}

class StiffProblem : public ::testing::TestWithParam<StiffCase> {};

TEST_P(StiffProblem, FinalValuesMatchTheReference) {
  const StiffCase& c = GetParam();
  const std::string folder = std::string("stiff/") + c.folder + "/";
  const auto reference = ReadReference(ReadTestData(folder + "REFERENCE.TXT"));
  ASSERT_FALSE(reference.empty());

  TempDir dir;
  std::string parm = ReadTestData(folder + "PARM.DAT");
  const auto at = parm.find("\t1.0E-08\t");  // the accuracy field
  ASSERT_NE(at, std::string::npos);
  parm.replace(at + 1, 7, c.accuracy);
  dir.Write("PARM.DAT", parm);
  for (const char* file : {"SPECIES.DAT", "MODEL.DAT"}) dir.Write(file, ReadTestData(folder + file));

  ProgramResult r = RunIn(dir, {"-QUIET", "-ig:mass", "-INT:" + std::to_string(c.integrator)});
  ASSERT_EQ(r.status, 0) << r.out;
  const FinalRow last = LastConcentrationRow(dir.Read("CONC.TXT"));
  EXPECT_EQ(last.time, c.end_time);
  size_t compared = 0;
  for (const auto& [name, value] : last.values) {
    const auto want = reference.find(name);
    if (want == reference.end() || std::fabs(want->second) <= c.floor) continue;
    ++compared;
    EXPECT_NEAR(value, want->second, 1.0e-4 * std::fabs(want->second)) << name;
  }
  // Every species of the reference above the floor is displayed and compared.
  size_t expected = 0;
  for (const auto& [name, value] : reference) expected += std::fabs(value) > c.floor;
  EXPECT_EQ(compared, expected);
}

std::vector<StiffCase> Cases() {
  struct Problem {
    const char* folder;
    double end_time, floor;
    std::vector<int> integrators;
  };
  // Cash-Karp, an explicit method, needs millions of steps on Robertson's
  // long run, POLLU and E5; it runs where the stiffness allows.
  const std::vector<Problem> problems = {
      {"robertson_40", 40.0, 1.0e-20, {1, 2, 3}},
      {"robertson_1e11", 1.0e11, 1.0e-20, {1, 3}},
      {"pollu", 60.0, 1.0e-20, {1, 3}},
      {"orego", 360.0, 1.0e-3, {1, 2, 3}},
      {"e5", 1.0e5, 1.0e-20, {1, 3}},
  };
  std::vector<StiffCase> cases;
  for (const Problem& p : problems)
    for (int integrator : p.integrators)
      for (const char* accuracy : {"1.0E-08", "1.0E-06"})
        cases.push_back({p.folder, p.end_time, p.floor, integrator, accuracy});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Published, StiffProblem, ::testing::ValuesIn(Cases()), Name);

}  // namespace
}  // namespace tarnavel::e2e
