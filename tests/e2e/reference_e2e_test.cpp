// A real mechanism run to its end and compared with an independent reference
// solution (tests/data/mcm_mvkmacr/REFERENCE.TXT, made by
// tests/data/make_reference.py with SciPy's BDF integrator at rtol 1e-10).

#include <gtest/gtest.h>

#include <cmath>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

TEST(ReferenceRun, AtmosphericMechanismMatchesAnIndependentSolution) {
  const std::string reference_text = ReadTestData("mcm_mvkmacr/REFERENCE.TXT");
  ASSERT_EQ(reference_text.rfind("0 ", 0), 0u) << "the reference solver did not finish";
  const auto reference = ReadReference(reference_text);
  ASSERT_GT(reference.size(), 150u);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-QUIET", "-ig:mass"}, std::vector<std::string>{"-QUIET", "-ig:mass", "-anjac"}}) {
    TempDir dir;
    for (const char* file : {"PARM.DAT", "SPECIES.DAT", "MODEL.DAT"})
      dir.Write(file, ReadTestData(std::string("mcm_mvkmacr/") + file));
    ProgramResult r = RunIn(dir, args);
    ASSERT_EQ(r.status, 0) << r.out;
    const FinalRow last = LastConcentrationRow(dir.Read("CONC.TXT"));
    EXPECT_EQ(last.time, 43200.0);
    ASSERT_GT(last.values.size(), 100u);
    int compared = 0;
    for (const auto& [name, value] : last.values) {
      ASSERT_TRUE(reference.count(name)) << name;
      const double want = reference.at(name);
      if (std::fabs(want) < 1.0e2) continue;  // below 1e-7 ppb: noise for any solver
      ++compared;
      EXPECT_NEAR(value, want, 2.0e-5 * std::fabs(want)) << name << " with " << args.back();
    }
    EXPECT_GT(compared, 100);
  }
}

}  // namespace
}  // namespace tarnavel::e2e
