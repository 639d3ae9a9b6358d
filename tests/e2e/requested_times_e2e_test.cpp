// Rows at the times a user asks for (-TIMES:): A ==> B with k = 0.2 s^-1, so
// A(t) = exp(-0.2 t), in Turbo mode (rows where steps end) and with a held
// profile (steps on the output grid of 1 s); the times lie off that grid.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

constexpr double kRate = 0.2;

void WriteDecay(const TempDir& dir, bool profile) {
  dir.Write("PARM.DAT",
            "# TSTEP\tTSTEP2\tEa units\tConc. units\t-\n1.0E-10\t1\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n"
            "0\t0\t0\t20\t0\nNone1\t1\t1\t1.0E-10\t0\n0\t0\t0\t0\t0\n");
  dir.Write("SPECIES.DAT", std::string("# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n") +
                               "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n" +
                               (profile ? "H\t0\t0\tY\t0\tN\tH.DAT\n" : ""));
  dir.Write("MODEL.DAT", std::string("# k\treaction\n0.2\tA ==> B\n") + (profile ? "0.1\tH ==> P\n" : ""));
  if (profile) dir.Write("H.DAT", "1\n1.0e-3 2.0e-3\n");
}

// Rows of a result file: the time and the value of A (second column).
std::vector<std::pair<double, double>> TimeAndA(const std::string& text) {
  std::vector<std::pair<double, double>> rows;
  const std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string t, a;
    std::getline(in, t, '\t');
    std::getline(in, a, '\t');
    rows.emplace_back(std::strtod(t.c_str(), nullptr), std::strtod(a.c_str(), nullptr));
  }
  return rows;
}

TEST(RequestedTimes, EveryRunLandsOnTheTimesAndWritesThemExactly) {
  const std::vector<double> asked = {2.5, 5.0, 12.75, 20.0};
  for (bool profile : {false, true}) {
    SCOPED_TRACE(profile ? "held profile" : "Turbo mode");
    TempDir dir;
    WriteDecay(dir, profile);
    const ProgramResult plain = RunIn(dir, {"-QUIET"});
    ASSERT_EQ(plain.status, 0) << plain.out;
    const auto before = TimeAndA(dir.Read("CONC.TXT"));
    EXPECT_FALSE(dir.Exists("ATTIMES.TXT"));

    const ProgramResult r = RunIn(dir, {"-QUIET", "-TIMES:12.75,2.5,5,20,5"});
    ASSERT_EQ(r.status, 0) << r.out;
    // ATTIMES.TXT: the times in order, once each, with A to ten digits.
    const auto exact = TimeAndA(dir.Read("ATTIMES.TXT"));
    ASSERT_EQ(exact.size(), asked.size());
    for (size_t i = 0; i < asked.size(); ++i) {
      EXPECT_DOUBLE_EQ(exact[i].first, asked[i]);
      EXPECT_NEAR(exact[i].second, std::exp(-kRate * asked[i]), 1e-8 * std::exp(-kRate * asked[i]));
    }
    // CONC.TXT: a row at each time, and every row of the run without the
    // times still there (in Turbo mode the step ends move; the grid stays).
    const auto rows = TimeAndA(dir.Read("CONC.TXT"));
    for (double t : asked) {
      bool found = false;
      for (const auto& [time, a] : rows) {
        if (time != t) continue;
        found = true;
        // The exact value, as six significant digits print it.
        char printed[32];
        std::snprintf(printed, sizeof printed, "%.5E", std::exp(-kRate * t));
        EXPECT_DOUBLE_EQ(a, std::strtod(printed, nullptr)) << "row at " << t;
      }
      EXPECT_TRUE(found) << "no row at " << t;
    }
    EXPECT_GE(rows.size(), before.size());
    if (profile) {
      EXPECT_EQ(rows.size(), before.size() + 2);  // 2.5 and 12.75 are off the 1 s grid
    }
  }
}

TEST(RequestedTimes, AFileOfTimesAndTheRefusals) {
  TempDir dir;
  WriteDecay(dir, false);
  dir.Write("times.txt", "# hours of interest\n0, 3.5\n7\t1e1\n");
  const ProgramResult r = RunIn(dir, {"-QUIET", "-TIMES:times.txt"});
  ASSERT_EQ(r.status, 0) << r.out;
  const auto exact = TimeAndA(dir.Read("ATTIMES.TXT"));
  ASSERT_EQ(exact.size(), 4u);
  EXPECT_EQ(exact[0], std::make_pair(0.0, 1.0));  // the start: the initial values
  EXPECT_DOUBLE_EQ(exact[3].first, 10.0);

  const struct {
    std::vector<std::string> args;
    const char* message;
  } refusals[] = {
      {{"-TIMES:5,25"}, "The time 25.0000 given with -TIMES: lies outside"},
      {{"-TIMES:-1"}, "The time -1.00000 given with -TIMES: lies outside"},
      {{"-TIMES:missing.txt"}, "The file of times missing.txt named with -TIMES:"},
      {{"-TIMES:bad.txt"}, "holds 7s on line 2, which is not a number."},
  };
  dir.Write("bad.txt", "1 2\n3 7s\n");
  for (const auto& c : refusals) {
    const ProgramResult refused = RunIn(dir, c.args);
    EXPECT_NE(refused.status, 0);
    EXPECT_TRUE(refused.Contains(c.message)) << refused.out;
  }
}

}  // namespace
}  // namespace tarnavel::e2e
