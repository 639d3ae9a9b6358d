// Fitting from the command line: data made by a run at known values are
// fitted back by each optimiser from a start 50 % off, and the report names
// where each value came from.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct FitCase {
  std::string name;
  std::string parm, species, model;  // at the true values; `@` marks where the fit starts
  std::vector<std::string> extra;    // name, text pairs
  std::vector<double> truth;
};

// The files at the true values, or with each `@value@start` replaced by the
// marked start value.
std::string Text(const std::string& text, bool start) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '@') {
      out += text[i++];
      continue;
    }
    const size_t mid = text.find('@', i + 1), end = text.find('@', mid + 1);
    out += start ? text.substr(mid + 1, end - mid - 1) + "?" : text.substr(i + 1, mid - i - 1);
    i = end + 1;
  }
  return out;
}

void Write(const TempDir& dir, const FitCase& c, bool start) {
  dir.Write("PARM.DAT", Text(c.parm, start));
  dir.Write("SPECIES.DAT", Text(c.species, start));
  dir.Write("MODEL.DAT", Text(c.model, start));
  for (size_t i = 0; i + 1 < c.extra.size(); i += 2) dir.Write(c.extra[i], c.extra[i + 1]);
}

std::vector<double> Optimised(const std::string& report) {
  std::vector<double> values;
  for (const std::string& line : SplitLines(report)) {
    const size_t at = line.find(" optimized to:");
    if (at != std::string::npos) values.push_back(std::stod(line.substr(at + 14)));
  }
  return values;
}

const std::string kParm =
    "1.0E-10\t1\tJ\tMOL/L\t0\n%T\tNO\t0\t0\t0\n0\t0\t0\t20\t0\nNone1\t1\t0\t1.0E-10\t0\n0\t0\t0\t0\t0\n";

std::string Parm(const std::string& temperature) {
  std::string p = kParm;
  return p.replace(p.find("%T"), 2, temperature);
}

const FitCase kCases[] = {
    // A first-order and a second-order rate constant together.
    {"rates", Parm("298"), "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0.5\tY\t0\tN\tN\nC\t0\t0\tY\t0\tN\tN\nD\t0\t0\tY\t0\tN\tN\n",
     "@0.2@0.3@\tA + B ==> C\n@0.1@0.05@\tC ==> D\n", {}, {0.2, 0.1}},
    // An activation energy from data at two temperatures (a profile).
    {"activation", Parm("T.DAT"), "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n",
     "1.0E3\t0\t@20000@30000@\tA ==> B\n", {"T.DAT", "10\n300 340\n"}, {20000.0}},
    // An initial concentration.
    {"initial", Parm("298"), "A\t0\t@2.0@1.0@\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n", "0.1\tA ==> B\n", {}, {2.0}},
};

TEST(Fitting, EveryOptimiserFitsBackTheValuesThatMadeTheData) {
  for (const FitCase& c : kCases) {
    TempDir dir;
    Write(dir, c, false);
    ASSERT_EQ(RunIn(dir, {"-QUIET"}).status, 0) << c.name;
    // The data: the run's own rows, the concentration columns named by species.
    std::string data = dir.Read("CONC.TXT");
    data.replace(0, data.find('\t'), "Time");
    dir.Write("FITDATA.TXT", data);
    Write(dir, c, true);
    for (const char* fit : {"-FIT:1", "-FIT:2", "-FIT:3:1:FITDATA.TXT:1e-8:9000:D:0.01:25:0.5"}) {
      SCOPED_TRACE(c.name + " " + fit);
      ProgramResult r = RunIn(dir, {fit, "-QUIET"});
      ASSERT_EQ(r.status, 0) << r.out;
      const std::vector<double> got = Optimised(dir.Read("OPTOUT.TXT"));
      ASSERT_EQ(got.size(), c.truth.size()) << dir.Read("OPTOUT.TXT");
      for (size_t j = 0; j < got.size(); ++j) EXPECT_NEAR(got[j], c.truth[j], 0.01 * c.truth[j]) << j;
      EXPECT_TRUE(r.Contains(" *** Optimization COMPLETE *** ")) << r.out;
    }
  }
}

TEST(Fitting, TheReportNamesEachValueAndAnnealingRepeatsItself) {
  const FitCase& c = kCases[0];
  TempDir dir;
  Write(dir, c, false);
  ASSERT_EQ(RunIn(dir, {"-QUIET"}).status, 0);
  std::string data = dir.Read("CONC.TXT");
  data.replace(0, data.find('\t'), "Time");
  dir.Write("FITDATA.TXT", data);
  Write(dir, c, true);
  const std::vector<std::string> anneal = {"-FIT:3:1:FITDATA.TXT:1e-6:9000:D:0.01:10:0.5", "-QUIET"};
  ASSERT_EQ(RunIn(dir, anneal).status, 0);
  const std::string first = dir.Read("OPTOUT.TXT");
  ASSERT_EQ(RunIn(dir, anneal).status, 0);
  EXPECT_EQ(dir.Read("OPTOUT.TXT"), first);  // the generator's fixed seed
  const std::vector<std::string> lines = SplitLines(first);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0].substr(0, 61), "Parameter   1 (k or A) in file:MODEL.DAT @ source line:  1 op");
  EXPECT_EQ(lines[1].substr(0, 56), "Parameter   2 (k or A) in file:MODEL.DAT @ source line: ");
  EXPECT_EQ(lines[2].substr(0, 38), "Final SUM[ ( X(DATA)-X(MODEL) )^2 ] = ");
  EXPECT_LT(std::stod(lines[2].substr(38)), 1e-8);
  EXPECT_EQ(lines[4].substr(0, 41), "** Total amount of simulations performed=");
  // CONC.TXT holds the run at the optimum, closed by its end marks.
  const std::vector<std::string> conc = SplitLines(dir.Read("CONC.TXT"));
  ASSERT_GE(conc.size(), 3u);
  EXPECT_EQ(conc[conc.size() - 2], "END");
  EXPECT_EQ(conc.back(), "EOF");

  // Too few iterations allowed: the fit stops instead of reporting a false optimum.
  ProgramResult short_fit = RunIn(dir, {"-FIT:1:1:FITDATA.TXT:1e-12:5", "-QUIET"});
  EXPECT_NE(short_fit.status, 0);
  EXPECT_TRUE(short_fit.Contains("  FATAL Error # 114")) << short_fit.out;
}

TEST(Fitting, TrialsWhoseSimulationFailsCountAsRejectedVectors) {
  // A ==> B: the Rosenbrock integrator cannot start a run at k = 1E60 (its
  // first steps exhaust MAXTRY), and annealing with a starting step of 1E60
  // puts a vertex of its first simplex there.
  TempDir dir;
  const FitCase c{"failing", Parm("298"), "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\n", "@0.2@0.3@\tA ==> B\n", {}, {0.2}};
  Write(dir, c, false);
  ASSERT_EQ(RunIn(dir, {"-QUIET", "-INT:3"}).status, 0);
  std::string data = dir.Read("CONC.TXT");
  data.replace(0, data.find('\t'), "Time");
  dir.Write("FITDATA.TXT", data);
  Write(dir, c, true);
  const ProgramResult r = RunIn(dir, {"-INT:3", "-FIT:3:1:FITDATA.TXT:1e-8:9000:1e60:0.01:25:0.5"});
  ASSERT_EQ(r.status, 0) << r.out.substr(r.out.size() > 3000 ? r.out.size() - 3000 : 0);
  EXPECT_TRUE(r.Contains("Simulation failed: Error 5832: exceeded MAXTRY in stiff (fatal error 95); the trial "
                         "counts as a rejected vector."));
  EXPECT_FALSE(r.Contains("FATAL"));
  const std::string report = dir.Read("OPTOUT.TXT");
  const size_t at = report.find("** Simulations that failed (scored as rejected vectors)=");
  ASSERT_NE(at, std::string::npos) << report;
  EXPECT_GE(std::stoi(report.substr(at + 56)), 1);
  const std::vector<double> got = Optimised(report);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NEAR(got[0], 0.2, 0.002);

  // A failure at the starting values ends the fit with its message.
  dir.Write("MODEL.DAT", "1e60?\tA ==> B\n");
  const ProgramResult start = RunIn(dir, {"-INT:3", "-FIT:3:1:FITDATA.TXT:1e-8:9000:D:0.01:25:0.5"}, "\n");
  EXPECT_NE(start.status, 0);
  EXPECT_TRUE(start.Contains("Error 5832: exceeded MAXTRY in stiff")) << start.out;
  EXPECT_TRUE(start.Contains("  FATAL Error #  95")) << start.out;
}

}  // namespace
}  // namespace tarnavel::e2e
