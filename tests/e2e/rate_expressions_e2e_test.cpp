// Rate constants written as expressions, species sums and photolysis under
// the sun, run from the command line: an O3-NOx box through sunset against a
// peer box model's published output, a peroxy-radical sum against an
// integration made here, and the messages of every kind of fault.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

std::string Parameters(double seconds, double tstep2, const char* accuracy) {
  std::ostringstream p;
  p << "# box\n# TSTEP\tTSTEP2\tEa\tConc.\t-\n1.0E-6\t" << tstep2 << "\tKELVIN\tMOLECULES/CM^3\t0\n"
    << "# T\tConst. P\tVolume\t-\t-\n288\tNO\t0\t0\t0\n# D\tH\tM\tS\tps\n0\t0\t0\t" << seconds << "\t0\n"
    << "# hv\tdt\t%\tAccuracy\t-\nNone1\t1\t1\t" << accuracy << "\t0\n0\t0\t0\t0\t0\n";
  return p.str();
}

// ATTIMES.TXT by time: species -> value.
std::map<double, std::map<std::string, double>> ReadAtTimes(const std::string& text) {
  std::map<double, std::map<std::string, double>> rows;
  const std::vector<std::string> lines = SplitLines(text);
  std::vector<std::string> titles;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::vector<std::string> f;
    for (std::string field; std::getline(in, field, '\t');) {
      const size_t b = field.find_first_not_of(' ');
      if (b != std::string::npos) f.push_back(field.substr(b, field.find_last_not_of(' ') - b + 1));
    }
    if (i == 0) {
      titles = f;
      continue;
    }
    for (size_t c = 1; c < f.size() && c < titles.size(); ++c) rows[std::stod(f[0])][titles[c]] = std::stod(f[c]);
  }
  return rows;
}

// The O3-NOx test case of a peer box model (env_model_1 of AtChem2): 36.11 N,
// 5.35 W, 2 February 2002 from 14:00 UTC for four hours through sunset, at
// 288 K and 1010 mbar, with the KMT01 fall-off written as the MCM writes it.
void WriteOzoneBox(const TempDir& dir) {
  dir.Write("PARM.DAT", Parameters(14400, 600, "1.0E-8"));
  dir.Write("SPECIES.DAT",
            "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\nO3\t0\t6.16e+11\tY\t0\tN\tN\n"
            "O\t0\t0\tY\t0\tN\tN\nNO2\t0\t1.97e+11\tY\t0\tN\tN\nNO\t0\t1.48e+10\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT",
            "# k\treaction\nJ<2>\tO3 ==> O\nJ<4>\tNO2 ==> NO + O\n5.6D-34*N2*(TEMP/300)@-2.6*O2\tO ==> O3\n"
            "6.0D-34*O2*(TEMP/300)@-2.6*O2\tO ==> O3\nKMT01\tO + NO ==> NO2\n1.4D-12*EXP(-1310/TEMP)\tNO + O3 ==> NO2\n");
  dir.Write("RATES.DAT",
            "# the gas, the place and the start\nSET\tPRESSURE\t101000\nSET\tH2O\t1.8e17\nSET\tLATITUDE\t36.11\n"
            "SET\tLONGITUDE\t-5.35\nSET\tSTART\t2002-02-02T14:00:00\n"
            "DEFINE\tK10\t1.0D-31*M*(TEMP/300)@-1.6\nDEFINE\tK1I\t5.0D-11*(TEMP/300)@-0.3\n"
            "DEFINE\tKR1\tK10/K1I\nDEFINE\tFC1\t0.85\nDEFINE\tNC1\t0.75-1.27*(LOG10(FC1))\n"
            "DEFINE\tF1\t10@(LOG10(FC1)/(1+(LOG10(KR1)/NC1)**2))\nDEFINE\tKMT01\t(K10*K1I)*F1/(K10+K1I)\n"
            "SUM\tRO2\n");
}

TEST(RateExpressions, OzoneBoxThroughSunsetMatchesThePeer) {
  // The peer's speciesConcentrations.output.cmp at 14:10, 15:00, 16:00 and
  // 17:30 UTC (the sun sets at about 17:40 there); it integrates at rtol 1E-4.
  const std::map<double, std::map<std::string, double>> peer = {
      {600, {{"O3", 6.807932e11}, {"O", 1.221230e4}, {"NO2", 1.322068e11}, {"NO", 7.959321e10}}},
      {3600, {{"O3", 6.746992e11}, {"O", 1.116022e4}, {"NO2", 1.383008e11}, {"NO", 7.349922e10}}},
      {7200, {{"O3", 6.597934e11}, {"O", 8.724848e3}, {"NO2", 1.532066e11}, {"NO", 5.859344e10}}},
      {12600, {{"O3", 6.018231e11}, {"O", 2.260380e2}, {"NO2", 2.111769e11}, {"NO", 6.231346e8}}},
  };
  for (const char* integrator : {"-INT:1", "-INT:3"}) {
    SCOPED_TRACE(integrator);
    TempDir dir;
    WriteOzoneBox(dir);
    const ProgramResult r = RunIn(dir, {"-QUIET", "-ig:mass", integrator, "-TIMES:600,3600,7200,12600,14400"});
    ASSERT_EQ(r.status, 0) << r.out;
    const auto ours = ReadAtTimes(dir.Read("ATTIMES.TXT"));
    for (const auto& [t, row] : peer)
      for (const auto& [species, value] : row)
        EXPECT_NEAR(ours.at(t).at(species), value, 2e-3 * value) << species << " at " << t;
    // After sunset the photolysis has stopped: O is gone.
    EXPECT_LT(ours.at(14400).at("O"), 1.0);
  }
}

// The peroxy-radical model: R1O2 and R2O2 react with their total.
void WritePeroxyModel(const TempDir& dir, const std::string& first_k) {
  dir.Write("PARM.DAT", Parameters(3600, 60, "1.0E-9"));
  dir.Write("SPECIES.DAT",
            "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\nR1O2\t0\t1e9\tY\t0\tN\tN\n"
            "R2O2\t0\t5e8\tY\t0\tN\tN\nP\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "# k\treaction\n" + first_k + "\tR1O2 ==> P\n2*KR*RO2\tR2O2 ==> P\n");
  dir.Write("RATES.DAT", "DEFINE\tKR\t1.0D-12\nSUM\tRO2\tR1O2 R2O2\n");
}

// R1O2 and R2O2 after `seconds` with the first rate constant times `factor`,
// by classical Runge-Kutta in small steps.
std::pair<double, double> PeroxyReference(double factor, double seconds) {
  double a = 1e9, b = 5e8;
  const auto f = [factor](double x, double y, double& fx, double& fy) {
    fx = -factor * 1e-12 * (x + y) * x;
    fy = -2e-12 * (x + y) * y;
  };
  const double h = 0.5;
  for (int i = 0; i < static_cast<int>(seconds / h + 0.5); ++i) {
    double k1a, k1b, k2a, k2b, k3a, k3b, k4a, k4b;
    f(a, b, k1a, k1b);
    f(a + h / 2 * k1a, b + h / 2 * k1b, k2a, k2b);
    f(a + h / 2 * k2a, b + h / 2 * k2b, k3a, k3b);
    f(a + h * k3a, b + h * k3b, k4a, k4b);
    a += h / 6 * (k1a + 2 * k2a + 2 * k3a + k4a);
    b += h / 6 * (k1b + 2 * k2b + 2 * k3b + k4b);
  }
  return {a, b};
}

TEST(RateExpressions, PeroxyRadicalSumFollowsItsSpecies) {
  // R1O2 and R2O2 react with the total of both, k RO2; XO2 of the published
  // list is not in this model and counts for nothing.
  TempDir dir;
  dir.Write("PARM.DAT", Parameters(3600, 60, "1.0E-9"));
  dir.Write("SPECIES.DAT",
            "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\nR1O2\t0\t1e9\tY\t0\tN\tN\n"
            "R2O2\t0\t5e8\tY\t0\tN\tN\nP\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "# k\treaction\nKR*RO2\tR1O2 ==> P\n2*KR*RO2\tR2O2 ==> P\n");
  dir.Write("RATES.DAT", "DEFINE\tKR\t1.0D-12\nSUM\tRO2\tR1O2 XO2\nSUM\tRO2\tR2O2\n");
  const ProgramResult r = RunIn(dir, {"-QUIET", "-ig:mass", "-TIMES:3600"});
  ASSERT_EQ(r.status, 0) << r.out;
  const auto [a, b] = PeroxyReference(1.0, 3600);
  const auto ours = ReadAtTimes(dir.Read("ATTIMES.TXT"));
  EXPECT_NEAR(ours.at(3600).at("R1O2"), a, 1e-7 * a);
  EXPECT_NEAR(ours.at(3600).at("R2O2"), b, 1e-7 * b);
  EXPECT_NEAR(ours.at(3600).at("P"), 1.5e9 - a - b, 1e-7 * (1.5e9 - a - b));
}

TEST(RateExpressions, FaultsStopWithTheirMessages) {
  const struct {
    const char* model;
    const char* rates;
    const char* message;
  } cases[] = {
      {"1.4D-12*EXP(-1310/TEMP\tNO ==> NO2\n", "",
       "The rate expression of line 2 of MODEL.DAT\n 1.4D-12*EXP(-1310/TEMP\n cannot be read at column 23, where expected ')' at the end."},
      {"KMT02\tNO ==> NO2\n", "DEFINE\tKMT01\t1E-12\n",
       "names KMT02, which is neither a definition nor a"},
      {"KA\tNO ==> NO2\n", "DEFINE\tKA\t2*KB\nDEFINE\tKB\tKC+1\nDEFINE\tKC\tKA/3\n",
       "The definition KA refers to itself:\n KA -> KB -> KC -> KA"},
      {"KA\tNO ==> NO2\n", "DEFINE\tKA\t1/(TEMP-288)\n",
       "The rate expression of KA (line 1 of RATES.DAT)\n gives +Infinity at T = 288.000 K, t = 0.00000 s"},
      {"KA\tNO ==> NO2\n", "DEFINE\tKA\t1\nSET\tPRESURE\t1e5\n",
       "Line 2 of the rate definitions file RATES.DAT\n cannot be taken: SET PRESURE is not a setting"},
      {"KA\tNO ==> NO2\n", "DEFINE\tKA\t1\nDEFINE\tKA\t2\n", "KA is defined already on line 1"},
      {"1E-12*H2O\tNO ==> NO2\n", "SET\tPRESSURE\t1e5\n",
       "The rate expressions use H2O, but the model has no species H2O and neither SET H2O nor SET RH gives the water."},
      {"J<4>\tNO ==> NO2\n", "SET\tLATITUDE\t50\n", "the place and time under the sun are not all given"},
      {"J<99>\tNO ==> NO2\n", "SET\tLATITUDE\t50\nSET\tLONGITUDE\t0\nSET\tSTART\t2020-06-21T12:00:00\n",
       "J<99>, but it is no photolysis rate of the built-in table"},
      {"J<4>\tNO ==> NO2\n", "SET\tLATITUDE\t50\nSET\tLONGITUDE\t0\nSET\tSTART\t2020-02-30T12:00:00\n",
       "START '2020-02-30T12:00:00' is no UTC date and time"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("PARM.DAT", Parameters(60, 60, "1.0E-8"));
    dir.Write("SPECIES.DAT", "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\nNO\t0\t1e10\tY\t0\tN\tN\n"
                             "NO2\t0\t0\tY\t0\tN\tN\n");
    dir.Write("MODEL.DAT", std::string("# k\treaction\n") + c.model);
    if (*c.rates != '\0') dir.Write("RATES.DAT", c.rates);
    const ProgramResult r = RunIn(dir, {"-QUIET", "-ig:mass"});
    EXPECT_NE(r.status, 0) << c.model;
    EXPECT_TRUE(r.Contains(c.message)) << r.out;
  }
  // A dark run (every J scaled to 0) needs no place under the sun: J<n> is 0.
  {
    TempDir dark;
    dark.Write("PARM.DAT", Parameters(60, 60, "1.0E-8"));
    dark.Write("SPECIES.DAT", "NO\t0\t1e10\tY\t0\tN\tN\nNO2\t0\t0\tY\t0\tN\tN\n");
    dark.Write("MODEL.DAT", "J<4>\tNO ==> NO2\n");
    dark.Write("RATES.DAT", "SET\tJFACTOR\t0\n");
    const ProgramResult r = RunIn(dark, {"-QUIET", "-ig:mass"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(LastConcentrationRow(dark.Read("CONC.TXT")).values.at(0).second, 1e10);
  }
  // Without a definitions file a bare word is still an invalid number.
  TempDir dir;
  dir.Write("PARM.DAT", Parameters(60, 60, "1.0E-8"));
  dir.Write("SPECIES.DAT", "NO\t0\t1e10\tY\t0\tN\tN\nNO2\t0\t0\tY\t0\tN\tN\n");
  dir.Write("MODEL.DAT", "abc\tNO ==> NO2\n");
  EXPECT_TRUE(RunIn(dir, {"-QUIET"}).Contains("  FATAL Error #  88"));
}

TEST(RateExpressions, SensitivityAndFitTakeTheFactorOnAnExpression) {
  // The sensitivity of R1O2 at 3600 s to the first rate constant (the factor
  // on its expression), against finite differences of the reference.
  TempDir dir;
  WritePeroxyModel(dir, "KR*RO2");
  const ProgramResult sensit = RunIn(dir, {"-QUIET", "-ig:mass", "-SENSIT:1:TIMES,3600"});
  ASSERT_EQ(sensit.status, 0) << sensit.out;
  const std::vector<std::string> rows = SplitLines(dir.Read("SENSIT01.TXT"));
  ASSERT_GE(rows.size(), 3u);
  std::istringstream row(rows[2]);
  std::string label, value;
  std::getline(row, label, '\t');
  std::getline(row, value, '\t');
  const double base = PeroxyReference(1.0, 3600).first;
  const double expected = (PeroxyReference(1.05, 3600).first - PeroxyReference(0.95, 3600).first) / (0.1 * base);
  EXPECT_NEAR(std::stod(value), expected, 1e-4 * std::fabs(expected)) << rows[2];

  // Data made with the first rate constant doubled are fitted back through the
  // factor a mark on the expression fits.
  WritePeroxyModel(dir, "2*KR*RO2");
  ASSERT_EQ(RunIn(dir, {"-QUIET", "-ig:mass"}).status, 0);
  std::string data = dir.Read("CONC.TXT");
  data.replace(0, data.find('\t'), "Time");
  dir.Write("FITDATA.TXT", data);
  WritePeroxyModel(dir, "KR*RO2?");
  const ProgramResult fit = RunIn(dir, {"-QUIET", "-ig:mass", "-FIT:1"});
  ASSERT_EQ(fit.status, 0) << fit.out;
  const std::string report = dir.Read("OPTOUT.TXT");
  const size_t at = report.find(" optimized to:");
  ASSERT_NE(at, std::string::npos) << report;
  EXPECT_NEAR(std::stod(report.substr(at + 14)), 2.0, 0.01);
}

TEST(RateExpressions, OperatorsAndTheSunGiveTheRateConstants) {
  // Reaction 1 takes an expression with every operator and function, reaction
  // 2 the photolysis rate J<90> = 1 x cos(X)^1 x exp(0): the cosine of the
  // solar zenith angle itself. Greenwich (51.48 N) at 12:00 UTC on the June
  // solstice of 2020: the published solar position (NOAA's calculator) has the
  // sun 61.96 degrees high, a zenith angle of 28.04 degrees; at midnight it is
  // below the horizon.
  const double t = 288.0;  // the parameter file's temperature
  const double expected = (std::pow(2.0, std::pow(3.0, 0.5)) - -1.5 / 4 +
                           std::exp(std::log(3.0)) * std::pow(std::log10(1000.0), std::pow(2.0, 0.5)) + std::sqrt(t)) *
                          1e-12;
  for (const char* start : {"2020-06-21T12:00:00", "2020-06-21T00:00:00"}) {
    SCOPED_TRACE(start);
    TempDir dir;
    dir.Write("PARM.DAT", Parameters(1, 1, "1.0E-8"));
    dir.Write("SPECIES.DAT", "A\t0\t1e9\tY\t0\tN\tN\nB\t0\t0\tY\t0\tN\tN\nC\t0\t1e9\tY\t0\tN\tN\nD\t0\t0\tY\t0\tN\tN\n");
    dir.Write("MODEL.DAT",
              "(2**3**0.5 - -1.5/4 + EXP(LOG(3)) * LOG10(1000) @ 2 ^ 0.5 + SQRT(TEMP))*1D-12\tA ==> B\nJ<90>\tC ==> D\n");
    dir.Write("RATES.DAT", std::string("SET\tLATITUDE\t51.48\nSET\tLONGITUDE\t0\nSET\tSTART\t") + start +
                               "\nJ\t90\t1\t1\t0\n");
    const ProgramResult r = RunIn(dir, {"-QUIET", "-ig:mass", "-o:N:N:N:Y"});
    ASSERT_EQ(r.status, 0) << r.out;
    // SYSTEMOUT.TXT: time, temperature, reaction number, k(f), ...
    std::map<int, double> k;
    for (const std::string& line : SplitLines(dir.Read("SYSTEMOUT.TXT"))) {
      std::istringstream in(line);
      std::string time, temperature, number, value;
      std::getline(in, time, '\t');
      std::getline(in, temperature, '\t');
      std::getline(in, number, '\t');
      std::getline(in, value, '\t');
      if (k.size() < 2 && std::isdigit(static_cast<unsigned char>(number.back()))) k[std::stoi(number)] = std::stod(value);
    }
    ASSERT_EQ(k.size(), 2u);
    EXPECT_NEAR(k.at(1), expected, 1e-5 * expected);
    if (std::string(start).find("T12") != std::string::npos) {
      EXPECT_NEAR(std::acos(k.at(2)) * 180.0 / M_PI, 28.04, 0.15);
    } else {
      EXPECT_EQ(k.at(2), 0.0);
    }
  }
}

}  // namespace
}  // namespace tarnavel::e2e
