// Sensitivity analysis from the command line, checked against finite
// differences computed here: every perturbed model is run on its own from
// time 0 to the analysis time with one rate parameter moved by -p and +p,
// and (H - L) / (2 p B) and (H - B) / (B - L) are formed from the last rows.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct Table {
  std::string first_line;
  std::vector<std::string> species;
  std::map<int, std::vector<double>> rows;  // by reaction number
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
  return fields;
}

Table ReadTable(const std::string& text) {
  Table t;
  const std::vector<std::string> lines = SplitLines(text);
  if (lines.size() < 2) return t;
  t.first_line = lines[0];
  for (const std::string& f : Fields(lines[1]))
    if (f.find_first_not_of(' ') != std::string::npos) t.species.push_back(f.substr(0, f.find(' ')));
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::vector<std::string> f = Fields(lines[i]);
    std::vector<double> values;
    for (size_t k = 1; k < f.size(); ++k) values.push_back(std::stod(f[k]));
    t.rows[std::stoi(f[0].substr(14))] = values;  // " Rate Constant" and the number
  }
  return t;
}

// The final concentrations of a run by species name.
std::map<std::string, double> FinalValues(const TempDir& dir) {
  std::map<std::string, double> values;
  for (const auto& [name, value] : LastConcentrationRow(dir.Read("CONC.TXT")).values) values[name] = value;
  return values;
}

std::string Number(double x) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", x);
  return text;
}

// A model written as its three files; the first field of each reaction line
// is its rate parameter (k, or A of an Arrhenius line).
struct Model {
  std::string parm_head, parm_tail;  // the parameter file around the simulated seconds
  std::string species;
  std::vector<std::string> reactions;  // whole lines
  std::map<std::string, std::string> extra;  // further files

  void Write(const TempDir& dir, double seconds, int moved = 0, double factor = 1.0) const {
    dir.Write("PARM.DAT", parm_head + Number(seconds) + parm_tail);
    dir.Write("SPECIES.DAT", species);
    std::string model;
    for (size_t i = 0; i < reactions.size(); ++i) {
      std::string line = reactions[i];
      if (static_cast<int>(i) + 1 == moved) {
        const size_t tab = line.find('\t');
        line = Number(std::stod(line.substr(0, tab)) * factor) + line.substr(tab);
      }
      model += line + "\n";
    }
    dir.Write("MODEL.DAT", model);
    for (const auto& [name, text] : extra) dir.Write(name, text);
  }
};

struct Tolerance {
  double sensitivity_abs, sensitivity_rel, ratio_abs;
  double floor;  // smaller base values are not compared
};

// Runs the analysis at `times`, then each perturbed model on its own, and
// compares every value of every table with the finite differences.
void CheckAgainstFiniteDifferences(const Model& m, const std::vector<double>& times, double p, const Tolerance& tol) {
  TempDir dir;
  m.Write(dir, times.back());
  std::string list = "-SENSIT:1:TIMES";
  for (double t : times) list += "," + Number(t);
  ProgramResult r = RunIn(dir, {list + ":" + Number(100 * p), "-QUIET"});
  ASSERT_EQ(r.status, 0) << r.out;
  for (size_t k = 0; k < times.size(); ++k) {
    SCOPED_TRACE("analysis time " + Number(times[k]));
    const std::string nn = (k + 1 < 10 ? "0" : "") + std::to_string(k + 1);
    const Table sens = ReadTable(dir.Read("SENSIT" + nn + ".TXT"));
    const Table ratio = ReadTable(dir.Read("RATIO" + nn + ".TXT"));
    ASSERT_EQ(sens.rows.size(), m.reactions.size());
    TempDir fd;
    m.Write(fd, times[k]);
    ASSERT_EQ(RunIn(fd, {"-QUIET"}).status, 0);
    const std::map<std::string, double> base = FinalValues(fd);
    for (int reaction = 1; reaction <= static_cast<int>(m.reactions.size()); ++reaction) {
      m.Write(fd, times[k], reaction, 1.0 - p);
      ASSERT_EQ(RunIn(fd, {"-QUIET"}).status, 0);
      const std::map<std::string, double> low = FinalValues(fd);
      m.Write(fd, times[k], reaction, 1.0 + p);
      ASSERT_EQ(RunIn(fd, {"-QUIET"}).status, 0);
      const std::map<std::string, double> high = FinalValues(fd);
      for (size_t i = 0; i < sens.species.size(); ++i) {
        const std::string& s = sens.species[i];
        const double b = base.at(s), l = low.at(s), h = high.at(s);
        if (std::fabs(b) < tol.floor) continue;
        const double expected = (h - l) / (b * 2 * p);
        const double got = sens.rows.at(reaction)[i];
        EXPECT_NEAR(got, expected, tol.sensitivity_abs + tol.sensitivity_rel * std::fabs(expected))
            << "reaction " << reaction << " species " << s;
        // The linearity ratio is resolved only where the response is.
        if (std::fabs(expected) > 0.05) {
          EXPECT_NEAR(ratio.rows.at(reaction)[i], (h - b) / (b - l), tol.ratio_abs)
              << "reaction " << reaction << " species " << s;
        }
      }
    }
  }
}

// A ==> B ==> C with an Arrhenius first step, a linear source of X by
// radiation, a plain third body, Lindemann and Troe fall-off and a
// temperature-dependent step, in mol/L at 298 K. A radiation file turns Turbo
// mode off, so that rows fall on the output grid.
Model SmallModel() {
  Model m;
  m.parm_head = "1.0E-10\t0.5\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t";
  m.parm_tail = "\t0\nhv.dat\t1\t0\t1.0E-10\t0\n0\t0\t0\t0\t0\n";
  m.species =
      "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nC\t0\t0\tY\t0\tN\tN\nX\t0\t0\tY\t0\tN\tN\n"
      "N2\t0\t0.04\tY\t0\tN\tN\nD\t0\t1.0E-3\tY\t0\tN\tN\nE\t0\t0\tY\t0\tN\tN\nF\t0\t0\tY\t0\tN\tN\n"
      "G\t0\t0\tY\t0\tN\tN\n";
  m.reactions = {
      "1.0\t0\t5705.1\tA ==> B",  // k about 0.1 /s at 298 K
      "0.02\tB ==> C",
      "0.01\thv ==> X",
      "30\tD + M[N2(2.0)] ==> E",
      "100\tD + M[LIN;2500;0;0] ==> F",
      "100\tD + M[TROE;2500;0;0;0.6;100;1000;0] ==> G",
  };
  m.extra["hv.dat"] = "1\n1 1 1 1\n";
  return m;
}

TEST(Sensitivity, DefaultTimesClosedFormAndLinearResponse) {
  // Over 100 s the three analyses fall at 1, 50 and 100 s. For A = e^-kt the
  // sensitivity to k is -sinh(k p t) / p exactly, and X = k3 t responds
  // linearly: its sensitivity is 1 and its ratio 1.
  TempDir dir;
  const Model m = SmallModel();
  m.Write(dir, 100.0);
  ProgramResult r = RunIn(dir, {"-SENSIT:1", "-QUIET"});
  ASSERT_EQ(r.status, 0) << r.out;
  const double times[] = {1.0, 50.0, 100.0};
  for (int k = 1; k <= 3; ++k) {
    const std::string nn = "0" + std::to_string(k);
    const Table sens = ReadTable(dir.Read("SENSIT" + nn + ".TXT"));
    const Table ratio = ReadTable(dir.Read("RATIO" + nn + ".TXT"));
    const double t = times[k - 1];
    const char* first[] = {"  0.100000E+01", "  0.500000E+02", "  0.100000E+03"};
    EXPECT_EQ(sens.first_line, std::string("Sensitivity Analysis at time:") + first[k - 1]);
    EXPECT_EQ(ratio.first_line.substr(0, 43), "Linearity Analysis of Sens. Analys at time:");
    // N2 takes part only as a collider: it is not integrated.
    ASSERT_EQ(sens.species, (std::vector<std::string>{"A", "B", "C", "X", "D", "E", "F", "G"}));
    ASSERT_EQ(sens.rows.size(), 6u);
    const double k1 = std::exp(-5705.1 / (8.31451 * 298.0));
    EXPECT_NEAR(sens.rows.at(1)[0], -std::sinh(k1 * 0.05 * t) / 0.05, 1e-7) << t;
    EXPECT_NEAR(sens.rows.at(3)[3], 1.0, 1e-9);
    EXPECT_NEAR(ratio.rows.at(3)[3], 1.0, 1e-7);
    EXPECT_NEAR(sens.rows.at(2)[0], 0.0, 1e-9);  // B ==> C does not touch A
    for (int reaction = 4; reaction <= 6; ++reaction)
      EXPECT_GT(sens.rows.at(reaction)[5 + reaction - 4], 1e-3) << "D's product of reaction " << reaction;
  }
  // The main run is the run without analysis: same rows, same values.
  const std::string with = dir.Read("CONC.TXT");
  ASSERT_EQ(RunIn(dir, {"-QUIET"}).status, 0);
  const std::vector<std::string> a = SplitLines(with), b = SplitLines(dir.Read("CONC.TXT"));
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 1; i < a.size(); ++i) {
    const std::vector<std::string> x = Fields(a[i]), y = Fields(b[i]);
    ASSERT_EQ(x[0], y[0]);
    for (size_t c = 1; c < x.size(); ++c)
      EXPECT_NEAR(std::stod(x[c]), std::stod(y[c]), 1e-6 * std::fabs(std::stod(y[c])) + 1e-30) << a[i];
  }
}

TEST(Sensitivity, SmallModelMatchesFiniteDifferences) {
  // CONC.TXT's six digits resolve a sensitivity to about 1e-5 / (2 p).
  CheckAgainstFiniteDifferences(SmallModel(), {2.0, 7.5, 10.0}, 0.05, {1.5e-4, 1e-4, 2e-3, 1e-20});
}

TEST(Sensitivity, BundledExampleMatchesFiniteDifferences) {
  Model m;
  const std::string parm = ReadTestData("../../examples/urban/PARM.DAT");
  const size_t days = parm.find("0\t6\t0\t0\t0");
  ASSERT_NE(days, std::string::npos);
  m.parm_head = parm.substr(0, days) + "0\t0\t0\t";
  m.parm_tail = "\t0" + parm.substr(days + 9);
  // Every species displayed, for the finite differences.
  std::istringstream species(ReadTestData("../../examples/urban/SPECIES.DAT"));
  for (std::string line; std::getline(species, line);) {
    std::vector<std::string> f = Fields(line);
    if (!line.empty() && line[0] != '#' && f.size() >= 4) f[3] = "Y";
    for (size_t i = 0; i < f.size(); ++i) m.species += (i > 0 ? "\t" : "") + f[i];
    m.species += "\n";
  }
  std::istringstream model(ReadTestData("../../examples/urban/MODEL.DAT"));
  for (std::string line; std::getline(model, line);)
    if (!line.empty() && line[0] != '#') m.reactions.push_back(line);
  // The example integrates at 1E-6: the tolerances allow for it.
  CheckAgainstFiniteDifferences(m, {10800.0, 21600.0}, 0.05, {1e-4, 2e-3, 2e-2, 1e3});
}

TEST(Sensitivity, APerturbedRunThatFailsMarksItsReactionAndTheAnalysisGoesOn) {
  // 2A ==> 3A runs away: A = 1 / (1 - k t) blows up at t = 1/k. With k = 1
  // the run ends at 0.96 s, but raised by 5 % it blows up at 0.952 s, so the
  // perturbed run to 0.955 s cannot be completed. B ==> C is analysed as usual.
  TempDir dir;
  dir.Write("PARM.DAT",
            "1.0E-10\t0.01\tJ\tMOL/L\t0\n298\tNO\t0\t0\t0\n0\t0\t0\t0.96\t0\nNone1\t1\t1\t1.0E-8\t0\n"
            "0\t0\t0\t0\t0\n");
  dir.Write("SPECIES.DAT", "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t1.0\tY\t0\tN\tN\nC\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "1\t2A ==> 3A\n0.1\tB ==> C\n");
  const ProgramResult r = RunIn(dir, {"-ig:mass", "-SENSIT:1:TIMES,0.5,0.955,0.96"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(r.Contains("FATAL")) << r.out;
  for (const char* nn : {"02", "03"}) {
    EXPECT_TRUE(r.Contains(std::string("Sensitivity analysis ") + nn +
                           ": the perturbed runs of 1 reaction(s) failed; their rows hold -1.0E+37."))
        << r.out;
  }
  EXPECT_FALSE(r.Contains("Sensitivity analysis 01:")) << r.out;
  const double t[] = {0.5, 0.955, 0.96};
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    const std::string nn = "0" + std::to_string(k);
    for (const char* file : {"SENSIT", "RATIO"}) {
      const Table table = ReadTable(dir.Read(std::string(file) + nn + ".TXT"));
      ASSERT_EQ(table.rows.size(), 2u) << file;
      for (double v : table.rows.at(1)) {
        if (k == 1) {
          EXPECT_GT(v, -1e36) << file;
        } else {
          EXPECT_EQ(v, -1e37) << file;
        }
      }
    }
    // dln B / dln k2 = -k2 t, whatever became of the runaway.
    const Table sensit = ReadTable(dir.Read("SENSIT" + nn + ".TXT"));
    EXPECT_NEAR(sensit.rows.at(2).at(1), -0.1 * t[k - 1], 1e-5);
  }
  // The main run itself is whole: A = 1 / (1 - t) at its end.
  EXPECT_NEAR(FinalValues(dir).at("A"), 25.0, 1e-4);
}

}  // namespace
}  // namespace tarnavel::e2e
