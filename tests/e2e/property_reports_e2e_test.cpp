// The property and rate reports of whole runs against the run's own
// concentration file: the urban photochemistry example (isothermal, every
// species shown) and hydrogen/oxygen ignition in thermodynamic mode. Rates
// are re-formed by mass action from the printed concentrations and rate
// constants, so every relation holds to the 6 printed digits.

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

using Items = std::vector<std::pair<double, std::string>>;
struct Reaction {
  Items reactants, products;
};

std::vector<std::string> Fields(const std::string& line, char delim = '\t') {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, delim);) fields.push_back(f);
  return fields;
}

std::string Trim(const std::string& s) {
  const auto a = s.find_first_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// A printed number; an exponent beyond two digits is written without its E.
double Number(const std::string& field) {
  char* end = nullptr;
  const double mantissa = std::strtod(field.c_str(), &end);
  return *end == '+' || *end == '-' ? mantissa * std::pow(10.0, std::atof(end)) : mantissa;
}

// The data rows of a file, each by column title.
std::vector<std::vector<double>> Rows(const std::string& text, std::vector<std::string>* titles = nullptr) {
  const auto lines = SplitLines(text);
  if (titles != nullptr)
    for (const std::string& t : Fields(lines[0])) titles->push_back(Trim(t));
  std::vector<std::vector<double>> rows;
  for (size_t i = 1; i < lines.size(); ++i) {
    rows.emplace_back();
    for (const std::string& f : Fields(lines[i])) rows.back().push_back(Number(f));
  }
  return rows;
}

// One side of a reaction ("2O+M[...]", "HO2 + O2"); M is part of the rate constant.
Items Side(std::string text) {
  for (size_t at; (at = text.find('[')) != std::string::npos;) text.erase(at, text.find(']', at) - at + 1);
  Items items;
  for (std::string name : Fields(text, '+')) {
    name = Trim(name);
    const size_t digits = name.find_first_not_of("0123456789.");
    if (name.substr(digits) != "M") items.emplace_back(digits == 0 ? 1.0 : std::stod(name), name.substr(digits));
  }
  return items;
}

// The reactions of a model file in order; "=" adds the reverse after the forward reaction.
std::vector<Reaction> Reactions(const std::string& model) {
  std::vector<Reaction> list;
  for (const std::string& line : SplitLines(model)) {
    for (const std::string& f : line.empty() || line[0] == '#' ? std::vector<std::string>() : Fields(line)) {
      const size_t eq = f.find('=');
      if (eq == std::string::npos) continue;
      const bool one_way = f.compare(eq, 3, "==>") == 0;
      list.push_back({Side(f.substr(0, eq)), Side(f.substr(eq + (one_way ? 3 : 1)))});
      if (!one_way) list.push_back({list.back().products, list.back().reactants});
    }
  }
  return list;
}

void ExpectClose(double got, double want, double rel, const std::string& what) {
  EXPECT_NEAR(got, want, rel * std::abs(want) + 1e-300) << what;
}

// Every RATESOUT value against mass action on the same row's concentrations
// with SYSTEMOUT's rate constants (a line of ten fields holds a forward
// reaction and its reverse); THERMOUT's temperature, [M] and density against
// CONC.TXT and MW.TXT.
void CheckRatesAndThermo(const TempDir& dir, double per_liter) {
  std::vector<std::string> species;
  const auto conc = Rows(dir.Read("CONC.TXT"), &species);
  const auto rates = Rows(dir.Read("RATESOUT.TXT"));
  const auto thermo = Rows(dir.Read("THERMOUT.TXT"));
  const auto reactions = Reactions(dir.Read("MODEL.DAT"));
  std::vector<std::vector<double>> k;
  for (const auto& line : Rows(dir.Read("SYSTEMOUT.TXT"))) {
    if (line[2] == 1.0) k.emplace_back(1, 0.0);
    k.back().push_back(line[3]);
    if (line.size() == 10) k.back().push_back(line[9]);
  }
  std::map<std::string, double> mw;
  for (const std::string& line : SplitLines(dir.Read("MW.TXT")))
    if (const auto f = Fields(line); f.size() == 2 && f[1] != "0.0") mw[Trim(f[0])] = Number(f[1]);
  ASSERT_GT(conc.size(), 2u);
  ASSERT_EQ(rates.size(), conc.size());
  ASSERT_EQ(thermo.size(), conc.size());
  ASSERT_EQ(k.size(), conc.size());
  for (size_t i = 0; i < conc.size(); ++i) {
    std::map<std::string, double> c;
    double gas = 0.0, mass = 0.0;
    for (size_t s = 1; s < species.size(); ++s) {
      c[species[s]] = conc[i][s];
      if (species[s] != "Temperature(K)") gas += conc[i][s];
      if (mw.count(species[s])) mass += conc[i][s] * mw[species[s]];
    }
    const std::string row = "row " + std::to_string(i);
    EXPECT_EQ(rates[i][0], conc[i][0]) << row;
    ASSERT_EQ(rates[i].size(), reactions.size() + 1) << row;
    for (size_t r = 0; r < reactions.size(); ++r) {
      double rate = k[i][r + 1];
      for (const auto& [nu, name] : reactions[r].reactants) rate *= std::pow(c.at(name), nu);
      ExpectClose(rates[i][r + 1], rate, 3e-5, row + " reaction " + std::to_string(r + 1));
    }
    EXPECT_EQ(thermo[i][1], c.count("Temperature(K)") ? c["Temperature(K)"] : 298.0) << row;
    ExpectClose(thermo[i][4], gas * per_liter, 1e-5, row + " [M]");
    ExpectClose(thermo[i][5], mass * per_liter, 1e-5, row + " density");
  }
}

TEST(PropertyReports, UrbanRatesSpeciesBalancesAndGasPropertiesAgreeWithTheConcentrations) {
  TempDir dir;
  auto urban = [](const std::string& name) { return ReadTestData("../../examples/urban/" + name); };
  std::string species = urban("SPECIES.DAT");
  for (size_t at; (at = species.find("\tN\t0\t")) != std::string::npos;) species.replace(at, 5, "\tY\t0\t");
  dir.Write("SPECIES.DAT", species);
  for (const char* name : {"PARM.DAT", "MODEL.DAT"}) dir.Write(name, urban(name));
  ASSERT_EQ(RunIn(dir, {"-QUIET"}).status, 0);
  const std::string plain = dir.Read("CONC.TXT");
  ProgramResult r = RunIn(dir, {"-QUIET", "-SEEMW", "-o:Y:Y:Y:Y"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(dir.Read("CONC.TXT"), plain);  // the reports leave the time course alone
  CheckRatesAndThermo(dir, 1000.0 / 6.02e23);

  // Formation and destruction are the species' terms over the printed
  // reaction rates, and the net rate is their sum.
  const auto reactions = Reactions(dir.Read("MODEL.DAT"));
  const auto rates = Rows(dir.Read("RATESOUT.TXT"));
  std::vector<std::string> titles;
  const auto specrate = Rows(dir.Read("SPECRATE.TXT"), &titles);
  ASSERT_EQ(specrate.size(), rates.size());
  ASSERT_EQ(titles.size(), 1 + 3 * 20u);
  for (size_t i = 0; i < specrate.size(); ++i) {
    for (size_t col = 1; col < titles.size(); col += 3) {
      double formation = 0.0, destruction = 0.0;
      for (size_t r = 0; r < reactions.size(); ++r) {
        for (const auto& [nu, s] : reactions[r].products) formation += s == titles[col] ? nu * rates[i][r + 1] : 0.0;
        for (const auto& [nu, s] : reactions[r].reactants) destruction -= s == titles[col] ? nu * rates[i][r + 1] : 0.0;
      }
      const double f = specrate[i][col + 1], d = specrate[i][col + 2];
      ExpectClose(f, formation, 3e-5, titles[col]);
      ExpectClose(d, destruction, 3e-5, titles[col]);
      EXPECT_NEAR(specrate[i][col], f + d, 2e-5 * (std::abs(f) + std::abs(d)) + 1e-300) << titles[col];
    }
  }
}

TEST(PropertyReports, IgnitionEquilibriumDataAgreeWithTheRateConstantsOfEachPair) {
  TempDir dir;
  for (const char* name : {"PARM.DAT", "SPECIES.DAT", "MODEL.DAT", "THERM.DAT"})
    dir.Write(name, ReadTestData(std::string("h2o2/") + name));
  dir.Write("gri30_thermo.dat", ReadTestData("gri30/gri30_thermo.dat"));
  ProgramResult r = RunIn(dir, {"-THERM", "-QUIET", "-SEEMW", "-o:Y:N:Y:Y"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(dir.Exists("SPECRATE.TXT"));
  CheckRatesAndThermo(dir, 1000.0);
  int pairs = 0;
  for (const auto& line : Rows(dir.Read("SYSTEMOUT.TXT"))) {
    ASSERT_EQ(line.size(), 10u);  // every reaction of the model is reversible
    const double h = line[4], s = line[5], minus_g = line[6];
    EXPECT_NEAR(minus_g, s - h, 1e-5 * (std::abs(s) + std::abs(h)));
    ExpectClose(line[7], std::exp(minus_g), 1e-5 * (1.0 + std::abs(minus_g)), "Kp");
    if (line[9] > 9e99) continue;  // Kc underflowed: the reverse is given 9.123456789e99
    ExpectClose(line[8], line[3] / line[9], 2e-5, "Kc");
    ++pairs;
  }
  EXPECT_GT(pairs, 100);

  // At constant pressure the gas follows P = [M] R T as it heats and expands.
  std::string parm = dir.Read("PARM.DAT");
  parm.replace(parm.find("1100\tNO"), 7, "1100\tYES");
  dir.Write("PARM.DAT", parm);
  ASSERT_EQ(RunIn(dir, {"-THERM", "-QUIET", "-o:N:N:Y:N"}).status, 0);
  const auto thermo = Rows(dir.Read("THERMOUT.TXT"));
  ASSERT_GT(thermo.size(), 2u);
  EXPECT_GT(thermo.back()[1], 2000.0);
  for (const auto& row : thermo) ExpectClose(row[4] * row[1], thermo[0][4] * thermo[0][1], 2e-5, "[M] T");
}

}  // namespace
}  // namespace tarnavel::e2e
