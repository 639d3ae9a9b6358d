// A real mechanism run to its end and compared with an independent reference
// solution (tests/data/mcm_mvkmacr/REFERENCE.TXT, made by make_reference.py
// with SciPy's BDF integrator at rtol 1e-10).

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

std::string ReadSource(const std::string& path) {
  std::ifstream f(std::string(TARNAVEL_SOURCE_DIR) + "/tests/data/" + path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(ReferenceRun, AtmosphericMechanismMatchesAnIndependentSolution) {
  std::map<std::string, double> reference;
  {
    std::istringstream in(ReadSource("mcm_mvkmacr/REFERENCE.TXT"));
    std::string line;
    std::getline(in, line);  // the solver's status
    ASSERT_EQ(line.rfind("0 ", 0), 0u) << line;
    while (std::getline(in, line)) {
      const auto tab = line.find('\t');
      if (tab != std::string::npos) reference[line.substr(0, tab)] = std::stod(line.substr(tab + 1));
    }
  }
  ASSERT_GT(reference.size(), 150u);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-QUIET", "-ig:mass"}, std::vector<std::string>{"-QUIET", "-ig:mass", "-anjac"}}) {
    TempDir dir;
    for (const char* file : {"PARM.DAT", "SPECIES.DAT", "MODEL.DAT"})
      dir.Write(file, ReadSource(std::string("mcm_mvkmacr/") + file));
    ProgramResult r = RunIn(dir, args);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto lines = SplitLines(dir.Read("CONC.TXT"));
    ASSERT_GE(lines.size(), 3u);
    std::vector<std::string> names;
    std::istringstream head(lines.front());
    std::string field;
    std::getline(head, field, '\t');  // time
    while (std::getline(head, field, '\t')) names.push_back(field.substr(0, field.find_last_not_of(' ') + 1));
    std::istringstream last(lines.back());
    std::getline(last, field, '\t');
    EXPECT_EQ(std::stod(field), 43200.0);
    int compared = 0;
    for (const std::string& name : names) {
      ASSERT_TRUE(std::getline(last, field, '\t')) << name;
      ASSERT_TRUE(reference.count(name)) << name;
      const double want = reference[name];
      if (std::fabs(want) < 1.0e2) continue;  // below 1e-7 ppb: noise for any solver
      ++compared;
      EXPECT_NEAR(std::stod(field), want, 2.0e-5 * std::fabs(want)) << name << " with " << args.back();
    }
    EXPECT_GT(compared, 100);
  }
}

}  // namespace
}  // namespace tarnavel::e2e
