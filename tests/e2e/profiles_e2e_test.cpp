// Runs driven by imposed values: a radiation file for photolysis, species
// held by a profile or a number, an additive profile and a temperature
// profile; the statistics and molecular weight listings of a small model.
// Every imposed value is looked up by the output base time, so it is constant
// over each output interval; the references below integrate interval by
// interval.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

constexpr double kRgas = 8.31451;

std::string Trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A delimited result file: the column titles of its first line and the
// numbers of every following line.
struct Table {
  std::map<std::string, std::size_t> column;
  std::vector<std::vector<double>> rows;
  double At(std::size_t row, const std::string& name) const { return rows.at(row).at(column.at(name)); }
};

// A number of a result file. Exponents beyond 99 are written without their
// letter ("0.262034-201").
double Number(std::string field) {
  const auto sign = field.find_first_of("+-", 1);
  if (sign != std::string::npos && field[sign - 1] != 'E' && field[sign - 1] != 'e') field.insert(sign, "E");
  return std::strtod(field.c_str(), nullptr);
}

Table ReadTable(const std::string& text) {
  Table t;
  const std::vector<std::string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> fields;
    std::stringstream in(lines[i]);
    for (std::string f; std::getline(in, f, '\t');)
      if (!Trimmed(f).empty()) fields.push_back(Trimmed(f));
    if (i == 0) {
      for (std::size_t c = 0; c < fields.size(); ++c) t.column[fields[c]] = c;
      continue;
    }
    std::vector<double> row;
    for (const std::string& f : fields) row.push_back(Number(f));
    if (!row.empty()) t.rows.push_back(row);
  }
  return t;
}

// The step index of a row time on a grid of `step` seconds; the row must lie
// on the grid.
int GridIndex(double time, double step) {
  const double k = std::round(time / step);
  EXPECT_NEAR(time, k * step, 1.0e-6 * step) << "row off the output grid";
  return static_cast<int>(k);
}

void ExpectClose(double actual, double expected, double rel, const std::string& what) {
  EXPECT_NEAR(actual, expected, rel * std::fabs(expected) + 1.0e-12) << what;
}

// Parameter file: steps, temperature field, time span in seconds, hv file and
// interval; percent difference 0 so that every output point writes a row.
std::string Parameters(double tstep2, const std::string& temperature, double seconds, const std::string& hv,
                       double hvdt) {
  std::ostringstream p;
  p << "# TSTEP\tTSTEP2\tEa units\tConc. units\t-\n"
    << "1.0E-10\t" << tstep2 << "\tJ\tMOL/L\t0\n"
    << temperature << "\tNO\t0\t0\t0\n"
    << "0\t0\t0\t" << seconds << "\t0\n"
    << hv << "\t" << hvdt << "\t0\t1.0E-10\t0\n"
    << "0\t0\t0\t0\t0\n";
  return p.str();
}

const char* const kSpeciesHeader = "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tConstant\n";

TEST(ProfilesRun, PhotolysisFollowsTheStepwiseRadiation) {
  const std::vector<double> intensity = {1.0, 0.5, 2.0, 0.0, 1.5, 3.0, 0.25, 1.0};
  const double k = 0.1, hvdt = 0.5;
  for (bool single_pass : {false, true}) {
    SCOPED_TRACE(single_pass ? "single pass" : "repeating");
    TempDir dir;
    // TSTEP2 of 1 s comes down to the 0.5 s between radiation entries.
    dir.Write("PARM.DAT", Parameters(1.0, "298", 61.0, "hv.dat", single_pass ? -hvdt : hvdt));
    dir.Write("SPECIES.DAT", std::string(kSpeciesHeader) +
                                 "O3\t0\t1.0\tY\t0\tN\tN\n"
                                 "O2\t0\t0\tY\t0\tN\tN\n"
                                 "O\t0\t0\tY\t0\tN\tN\n");
    dir.Write("MODEL.DAT", "# k\treaction\n0.1\tO3 + hv ==> O2 + O\n");
    std::string hv;
    for (double i : intensity) hv += std::to_string(i) + "\n";
    dir.Write("hv.dat", hv);

    const ProgramResult r = RunIn(dir, {"-show"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.Contains("\n >> TSTEP2 reset to:   0.500000E+00\n")) << r.out;
    const Table conc = ReadTable(dir.Read("CONC.TXT"));
    ASSERT_GE(conc.rows.size(), 62u);
    for (std::size_t row = 0; row < conc.rows.size(); ++row) {
      const int n = GridIndex(conc.At(row, "Time(s)"), hvdt);
      double dose = 0.0;  // photons absorbed over the intervals before this row
      for (int j = 0; j < n; ++j) {
        const std::size_t e = single_pass ? std::min<std::size_t>(j, intensity.size() - 1) : j % intensity.size();
        dose += intensity[e] * hvdt;
      }
      const double o3 = std::exp(-k * dose);
      ExpectClose(conc.At(row, "O3"), o3, 6.0e-6, "O3 at row " + std::to_string(row));
      ExpectClose(conc.At(row, "O2"), 1.0 - o3, 6.0e-6, "O2 at row " + std::to_string(row));
    }
  }
}

TEST(ProfilesRun, HeldAndAdditiveProfilesDriveTheirSpecies) {
  TempDir dir;
  dir.Write("PARM.DAT", Parameters(0.5, "298", 30.5, "None1", 1.0));
  dir.Write("SPECIES.DAT", std::string(kSpeciesHeader) +
                               "H\t0\t5.0\tY\t0\tN\tH.DAT\n"     // held: the 5.0 is ignored
                               "P\t0\t0\tY\t0\tN\tN\n"
                               "A\t0\t1.0\tY\t0\tN\tA.DAT-ADD\n"  // added to its own 1.0
                               "B\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "# k\treaction\n0.5\tH ==> P\n0.2\tA ==> B\n");
  const std::vector<double> held = {1.0e-3, 2.0e-3, 0.0, 4.0e-3};  // every 1 s, repeating
  const std::vector<double> added = {0.5, 0.25, 0.0, 1.0};         // every 2 s, single pass
  dir.Write("H.DAT", "1\n1.0e-3 2.0e-3\n0 4.0e-3\n");
  dir.Write("A.DAT", "-2\n0.5, 0.25, 0, 1.0\n");

  const ProgramResult r = RunIn(dir, {"-QUIET"});
  ASSERT_EQ(r.status, 0) << r.out;
  const Table conc = ReadTable(dir.Read("CONC.TXT"));
  ASSERT_GE(conc.rows.size(), 62u);
  // The time-zero row shows the held value in force at time 0.
  EXPECT_EQ(conc.At(0, "H"), 1.0e-3);
  EXPECT_EQ(conc.At(0, "A"), 1.0);
  const double dt = 0.5;
  for (std::size_t row = 0; row < conc.rows.size(); ++row) {
    const int n = GridIndex(conc.At(row, "Time(s)"), dt);
    double p = 0.0, a = 1.0, total_added = 0.0, h = held[0];
    int last = -1;
    for (int j = 0; j < n; ++j) {
      const double base = j * dt;
      h = held[static_cast<std::size_t>(std::floor(base)) % held.size()];
      p += 0.5 * h * dt;
      const int e = std::min(static_cast<int>(std::floor(base / 2.0)), 3);
      if (e != last) {
        a += added[e];
        total_added += added[e];
        last = e;
      }
      a *= std::exp(-0.2 * dt);
    }
    const std::string at = " at row " + std::to_string(row);
    EXPECT_EQ(conc.At(row, "H"), h) << at;  // the value in force over the interval just ended
    ExpectClose(conc.At(row, "P"), p, 6.0e-6, "P" + at);
    ExpectClose(conc.At(row, "A"), a, 6.0e-6, "A" + at);
    ExpectClose(conc.At(row, "B"), 1.0 + total_added - a, 6.0e-6, "B" + at);
  }
}

TEST(ProfilesRun, ATemperatureProfileDrivesTheRateConstants) {
  // Every second, repeating; the 0 is kept at the lowest temperature allowed.
  const std::vector<double> temperature = {300.0, 350.0, 1.0e-5, 400.0};
  auto arrhenius = [](double t) { return 1.0e3 * std::exp(-10000.0 / (kRgas * t)); };
  auto landau_teller = [](double t) { return std::exp(-10.0 / std::cbrt(t)); };
  // Arrhenius constants alone, and together with a special rate law (whose
  // constants the derivatives recompute at every call).
  for (bool special : {false, true}) {
    SCOPED_TRACE(special ? "with Landau-Teller" : "Arrhenius only");
    TempDir dir;
    dir.Write("PARM.DAT", Parameters(0.5, "T.DAT", 30.5, "None1", 1.0));
    // A and C are held at 1.0, so the rate of each reaction is its rate constant.
    dir.Write("SPECIES.DAT", std::string(kSpeciesHeader) +
                                 "A\t0\t0\tY\t0\tN\t1.0\n"
                                 "B\t0\t0\tY\t0\tN\tN\n"
                                 "C\t0\t0\tY\t0\tN\t1.0\n"
                                 "D\t0\t0\tY\t0\tN\tN\n");
    dir.Write("MODEL.DAT", std::string("# A or k\tm\tEa\treaction\n1.0E3\t0\t10000\tA ==> B\n") +
                               (special ? "1.0\tC + S[LT;-10;0] ==> D\n" : ""));
    dir.Write("T.DAT", "1\n300 350\n0 400\n");

    const ProgramResult r = RunIn(dir, {"-QUIET", "-SENSIT:0"});
    ASSERT_EQ(r.status, 0) << r.out;
    const Table conc = ReadTable(dir.Read("CONC.TXT"));
    const Table rates = ReadTable(dir.Read("ANALYSIS.TXT"));
    ASSERT_GE(conc.rows.size(), 62u);
    ASSERT_EQ(rates.rows.size(), conc.rows.size());
    const double dt = 0.5;
    for (std::size_t row = 0; row < conc.rows.size(); ++row) {
      const int n = GridIndex(conc.At(row, "Time(s)"), dt);
      double b = 0.0, d = 0.0, t = temperature[0];
      for (int j = 0; j < n; ++j) {
        t = temperature[static_cast<std::size_t>(std::floor(j * dt)) % temperature.size()];
        b += arrhenius(t) * dt;
        d += landau_teller(t) * dt;
      }
      // Each row carries the temperature in force over the interval it closes.
      const std::string at = " at row " + std::to_string(row);
      ExpectClose(conc.At(row, "Temperature(K)"), t, 1.0e-6, "T" + at);
      ExpectClose(rates.rows[row][1], arrhenius(t), 1.0e-5, "Arrhenius rate" + at);
      ExpectClose(conc.At(row, "B"), b, 6.0e-6, "B" + at);
      if (!special) continue;
      ExpectClose(rates.rows[row][2], landau_teller(t), 1.0e-5, "Landau-Teller rate" + at);
      ExpectClose(conc.At(row, "D"), d, 6.0e-6, "D" + at);
    }
  }
}

TEST(ProfilesRun, UnusableTablesStopTheRunWithTheirMessage) {
  struct Case {
    std::string species_column;  // last column of species X
    std::string hv;              // hv file field
    std::string file, content;   // a file written into the directory
    std::vector<std::string> message;
  };
  const Case cases[] = {
      {"X.DAT", "None1", "", "",
       {"  FATAL Error #  11", " Concentration profile file:'X.DAT' cannot", " be loaded. Please correct."}},
      {"X.DAT", "None1", "X.DAT", "0\n1 2\n",
       {"  FATAL Error #  11", " Concentration profile file:'X.DAT' cannot"}},
      {"X.DAT", "None1", "X.DAT", "1\n1 2\n3 4,5\n6 seven\n",
       {"  FATAL Error #  88", " INVALID NUMBER FOUND IN X.DAT", " LINE READS:", " ' 6 seven '",
        " ( source line # 4 )"}},
      {"N", "SUN.DAT", "", "",
       {"  FATAL Error #   5", " The hv energy output file SUN.DAT", " does not exist. Please correct."}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteSmallModel(dir);
    dir.Write("PARM.DAT", Parameters(1.0, "298", 10.0, c.hv, 1.0));
    dir.Write("SPECIES.DAT", std::string(kSpeciesHeader) + "A\t0\t1.0\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nX\t0\t0\tY\t0\tN\t" +
                                 c.species_column + "\n");
    if (!c.file.empty()) dir.Write(c.file, c.content);
    const ProgramResult r = RunIn(dir, {});
    EXPECT_EQ(r.status, 1);
    auto at = std::find(r.lines.begin(), r.lines.end(), c.message[0]);
    ASSERT_NE(at, r.lines.end()) << r.out;
    for (const std::string& line : c.message) {
      ASSERT_NE(at, r.lines.end()) << line << "\n" << r.out;
      EXPECT_EQ(*at++, line) << r.out;
    }
    EXPECT_FALSE(dir.Exists("CONC.TXT"));
  }
}

TEST(ProfilesRun, StatisticsAndMolecularWeightListings) {
  TempDir dir;
  WriteSmallModel(dir);
  dir.Write("SPECIES.DAT", std::string(kSpeciesHeader) +
                               "NO2\t0\t1.0\tY\t0\tN\tN\n"
                               "ONO\t0\t0\tY\t0\tN\tN\n"
                               "NOO\t0\t0\tY\t0\tN\tN\n"
                               "O2\t0\t0.21\tN\t0\tN\t0.21\n");
  dir.Write("MODEL.DAT", "# k\treaction\n1\tNO2 ==> ONO\n1\tONO ==> NOO\n1\tNOO + O2 ==> NO2 + O2\n");
  const ProgramResult r = RunIn(dir, {"-KINSTAT", "-SEEMW"});
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string name_pad(27, ' ');
  EXPECT_EQ(dir.Read("KINSTAT.TXT"),
            " Species\tSources\t  Sinks\t  Total Terms\t   % Total Terms\n"
            " -------\t-------\t-------\t-------------\t----------------\n"
            "NO2" + name_pad + "\t    1\t    1\t    2\t33.3\n"
            "ONO" + name_pad + "\t    1\t    1\t    2\t33.3\n"
            "NOO" + name_pad + "\t    1\t    1\t    2\t33.3\n"
            " -------\t-------\t-------\t-------------\t----------------\n"
            "Average:\tSources\t  Sinks\t        Terms\t" + std::string(16, ' ') + "\n" +
            std::string(30, ' ') + "\t 1.0\t 1.0\t 2.0\n");
  const std::string mw_pad(37, ' ');
  EXPECT_EQ(dir.Read("MW.TXT"),
            "\n\nSpecies\tMolecular Weight\n-------\t----------------\n"
            "NO2" + mw_pad + "\t        46.00550\n"
            "ONO" + mw_pad + "\t        46.00550\n"
            "NOO" + mw_pad + "\t        46.00550\n"
            "O2 " + mw_pad + "\t        31.99880\n" +
            std::string(63, '-') + "\n\n\n");
  const auto tally = std::find(r.lines.begin(), r.lines.end(), " Tallying statistics .... ");
  ASSERT_NE(tally, r.lines.end()) << r.out;
  EXPECT_EQ(*(tally - 1), "");
  EXPECT_EQ(*(tally + 1), "");
  EXPECT_EQ(*(tally + 2), " Done.");
}

}  // namespace
}  // namespace tarnavel::e2e
