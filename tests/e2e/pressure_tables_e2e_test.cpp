// A published mechanism with PLOG tables burnt in a closed vessel: the
// pressure rises with the ignition, and the rate constants of the tables that
// the property report shows follow the pressure of the gas, P = [M] R T, from
// the concentrations and temperature of the same rows.

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

struct PlogExpression {
  double p, a, m, e_over_r;
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
  return out;
}

// The PLOG tables of an imported model file by the number of their reaction
// line, which numbers the rows of the property report in thermodynamic mode
// (a reversible reaction and its generated reverse share one row).
std::map<int, std::vector<PlogExpression>> PlogTables(const std::string& model) {
  std::map<int, std::vector<PlogExpression>> tables;
  int line_number = 0;
  for (const std::string& line : SplitLines(model)) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = Fields(line);
    if (f[0] == "PLOG") {
      tables[line_number].push_back({std::stod(f[1]), std::stod(f[2]), std::stod(f[3]), std::stod(f[4])});
    } else {
      ++line_number;
    }
  }
  return tables;
}

// k of a PLOG table (activation temperatures in K): ln k linear in ln P.
double PlogK(const std::vector<PlogExpression>& rows, double t, double p) {
  auto level = [&](double at) {
    double k = 0.0;
    for (const PlogExpression& r : rows)
      if (r.p == at) k += r.a * std::pow(t, r.m) * std::exp(-r.e_over_r / t);
    return k;
  };
  if (p <= rows.front().p) return level(rows.front().p);
  if (p >= rows.back().p) return level(rows.back().p);
  size_t i = 0;
  while (rows[i + 1].p <= p) ++i;
  size_t j = i + 1;
  while (rows[j].p == rows[i].p) ++j;
  const double w = std::log(p / rows[i].p) / std::log(rows[j].p / rows[i].p);
  return level(rows[i].p) * std::pow(level(rows[j].p) / level(rows[i].p), w);
}

TEST(PressureTablesRun, SyngasAtConstantVolumeSeesThePressureOfItsGas) {
  TempDir dir;
  const std::string source = std::string(TARNAVEL_SOURCE_DIR) + "/tests/data/mechanisms/syngas_creck/";
  const ProgramResult imported =
      RunIn(dir,
            {source + "kinetics.CHEMKIN.CKI", "--thermo", source + "thermo.CHEMKIN.CKT", "--out", ".", "--mixture",
             "H2=1,CO=1,O2=1,N2=3.76", "--temperature", "1200", "--pressure", "1atm", "--time", "3e-4", "--step",
             "2e-6"},
            "", TARNAVEL_IMPORT_EXE);
  ASSERT_EQ(imported.status, 0) << imported.out;
  const auto tables = PlogTables(dir.Read("MODEL.DAT"));
  ASSERT_EQ(tables.size(), 2u);

  const ProgramResult run = RunIn(dir, {"-QUIET", "-THERM", "-ig:mass", "-o:N:N:N:Y"});
  ASSERT_EQ(run.status, 0) << run.out;

  // The gas pressure of every concentration row, from all its species
  // (mol/cm^3) and its temperature, in atm. The report has a group of rows at
  // each of these times, in the same order.
  std::vector<double> times, pressures;
  const std::vector<std::string> conc = SplitLines(dir.Read("CONC.TXT"));
  const std::vector<std::string> head = Fields(conc[0]);
  size_t temperature_column = 0;
  for (size_t c = 0; c < head.size(); ++c)
    if (head[c].find("Temperature(K)") != std::string::npos) temperature_column = c;
  ASSERT_GT(temperature_column, 0u);
  for (size_t i = 1; i < conc.size(); ++i) {
    const std::vector<std::string> f = Fields(conc[i]);
    double total = 0.0;
    for (size_t c = 1; c < f.size() && c < head.size(); ++c)
      if (c != temperature_column) total += std::stod(f[c]);
    times.push_back(std::stod(f[0]));
    pressures.push_back(total * 8314.51 * std::stod(f[temperature_column]) / 101.325);
  }
  ASSERT_GT(times.size(), 10u);

  // Every row of the report, for both tables: k(f) as the table gives it at
  // that row's temperature and gas pressure (the six printed digits of the
  // temperature and the concentrations hold the agreement to about 1E-4).
  double lowest = 1e300, highest = 0.0;
  int checked = 0, row = -1;
  std::string time_text;
  for (const std::string& line : SplitLines(dir.Read("SYSTEMOUT.TXT"))) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() < 4 || f[0].find("Time") != std::string::npos) continue;
    if (f[0] != time_text) {
      time_text = f[0];
      ++row;
      ASSERT_LT(row, static_cast<int>(times.size()));
      ASSERT_NEAR(std::stod(f[0]), times[row], 1e-5 * times[row]);
    }
    const auto table = tables.find(std::stoi(f[2]));
    if (table == tables.end()) continue;
    const double p = pressures[row], t = std::stod(f[1]);
    lowest = std::min(lowest, p);
    highest = std::max(highest, p);
    const double want = PlogK(table->second, t, p);
    EXPECT_NEAR(std::stod(f[3]), want, 3e-4 * want) << "reaction " << table->first << " at " << f[0] << " s";
    // The same k at the initial pressure would differ: the check sees the pressure.
    if (p > 1.5) {
      EXPECT_GT(std::fabs(PlogK(table->second, t, 1.0) / want - 1.0), 1e-2);
    }
    ++checked;
  }
  EXPECT_GT(checked, 20);
  // The ignition at constant volume more than doubles the pressure.
  EXPECT_NEAR(lowest, 1.0, 0.01);
  EXPECT_GT(highest, 2.0);
}

}  // namespace
}  // namespace tarnavel::e2e
