// The bundled combustion example: GRI-Mech 3.0 imported by tarnavel_import,
// stoichiometric methane-air ignited at constant pressure. The example's
// files must be what the importer makes of the mechanism today, and the run
// must end at the adiabatic equilibrium temperature, computed here on its
// own from the NASA polynomials by minimising the Gibbs energy.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/harness.hpp"

namespace tarnavel::e2e {
namespace {

namespace fs = std::filesystem;

std::string ReadExample(const std::string& name) {
  std::ifstream f(std::string(TARNAVEL_SOURCE_DIR) + "/examples/methane_air/" + name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// NASA seven-coefficient polynomials of one species.
struct Nasa {
  double t_common = 1000.0;
  std::array<double, 7> low{}, high{};
  const std::array<double, 7>& At(double t) const { return t < t_common ? low : high; }
  double Cp(double t) const {  // Cp/R
    const auto& a = At(t);
    return a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
  }
  double H(double t) const {  // H/RT
    const auto& a = At(t);
    return a[0] + t * (a[1] / 2 + t * (a[2] / 3 + t * (a[3] / 4 + t * a[4] / 5))) + a[5] / t;
  }
  double S(double t) const {  // S/R
    const auto& a = At(t);
    return a[0] * std::log(t) + t * (a[1] + t * (a[2] / 2 + t * (a[3] / 3 + t * a[4] / 4))) + a[6];
  }
};

std::map<std::string, Nasa> ReadNasa(const std::string& text) {
  std::map<std::string, Nasa> out;
  const auto lines = SplitLines(text);
  for (size_t i = 0; i + 3 < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.size() < 80 || l[79] != '1') continue;
    Nasa n;
    n.t_common = std::stod(l.substr(65, 8));
    std::array<double, 14> a{};
    for (int k = 0; k < 14; ++k) a[k] = std::stod(lines[i + 1 + k / 5].substr((k % 5) * 15, 15));
    for (int k = 0; k < 7; ++k) {
      n.high[k] = a[k];
      n.low[k] = a[7 + k];
    }
    std::istringstream name(l.substr(0, 18));
    std::string s;
    name >> s;
    out[s] = n;
    i += 3;
  }
  return out;
}

// Equilibrium of an ideal-gas mixture of C, H, O and N at temperature t and
// pressure p (atm) by element potentials: n_i = N exp(-g_i - ln p + sum_j
// a_ij lambda_j), with Newton's method on the element balances and the
// total. Returns the amounts per element amounts b.
struct Species {
  std::string name;
  std::array<double, 4> atoms;  // C, H, O, N
};
const Species kProducts[] = {{"N2", {0, 0, 0, 2}}, {"H2O", {0, 2, 1, 0}}, {"CO2", {1, 0, 2, 0}}, {"O2", {0, 0, 2, 0}},
                             {"CO", {1, 0, 1, 0}}, {"H2", {0, 2, 0, 0}},  {"OH", {0, 1, 1, 0}},  {"H", {0, 1, 0, 0}},
                             {"O", {0, 0, 1, 0}},  {"NO", {0, 0, 1, 1}},  {"N", {0, 0, 0, 1}},   {"HO2", {0, 1, 2, 0}},
                             {"NO2", {0, 0, 2, 1}}, {"N2O", {0, 0, 1, 2}}};

std::vector<double> Equilibrium(const std::map<std::string, Nasa>& nasa, const std::array<double, 4>& b, double t, double p) {
  const size_t n = std::size(kProducts);
  std::vector<double> g(n);
  for (size_t i = 0; i < n; ++i) g[i] = nasa.at(kProducts[i].name).H(t) - nasa.at(kProducts[i].name).S(t) + std::log(p);
  std::array<double, 5> u{0, 0, 0, 0, std::log(b[0] + b[1] + b[2] + b[3])};  // lambda C, H, O, N and ln N
  // A start from the major products: every element potential from one of N2, H2O, CO2, O2 at mole fraction 0.1.
  const double lx = std::log(0.1);
  u[3] = (lx + g[0]) / 2;
  u[2] = (lx + g[3]) / 2;
  u[1] = (lx + g[1] - u[2]) / 2;
  u[0] = lx + g[2] - 2 * u[2];
  std::vector<double> amount(n);
  for (int iteration = 0; iteration < 200; ++iteration) {
    for (size_t i = 0; i < n; ++i) {
      double e = u[4] - g[i];
      for (int j = 0; j < 4; ++j) e += kProducts[i].atoms[j] * u[j];
      amount[i] = std::exp(e);
    }
    std::array<std::array<double, 6>, 5> m{};
    double total = 0.0;
    for (size_t i = 0; i < n; ++i) total += amount[i];
    for (int j = 0; j < 4; ++j) {
      double balance = -b[j];
      for (size_t i = 0; i < n; ++i) {
        balance += kProducts[i].atoms[j] * amount[i];
        for (int k = 0; k < 4; ++k) m[j][k] += kProducts[i].atoms[j] * kProducts[i].atoms[k] * amount[i];
        m[j][4] += kProducts[i].atoms[j] * amount[i];
      }
      m[j][5] = -balance;
    }
    for (int k = 0; k < 4; ++k)
      for (size_t i = 0; i < n; ++i) m[4][k] += kProducts[i].atoms[k] * amount[i];
    m[4][4] = total - std::exp(u[4]);
    m[4][5] = -(total - std::exp(u[4]));
    // Gaussian elimination with partial pivoting on the 5 x 5 system.
    for (int c = 0; c < 5; ++c) {
      int best = c;
      for (int r = c + 1; r < 5; ++r)
        if (std::fabs(m[r][c]) > std::fabs(m[best][c])) best = r;
      std::swap(m[c], m[best]);
      for (int r = c + 1; r < 5; ++r) {
        const double f = m[r][c] / m[c][c];
        for (int k = c; k < 6; ++k) m[r][k] -= f * m[c][k];
      }
    }
    std::array<double, 5> du{};
    for (int r = 4; r >= 0; --r) {
      double s = m[r][5];
      for (int k = r + 1; k < 5; ++k) s -= m[r][k] * du[k];
      du[r] = s / m[r][r];
    }
    double largest = 0.0;
    for (double d : du) largest = std::max(largest, std::fabs(d));
    const double damping = largest > 2.0 ? 2.0 / largest : 1.0;
    for (int k = 0; k < 5; ++k) u[k] += damping * du[k];
    if (largest < 1e-12) break;
  }
  return amount;
}

TEST(CombustionExample, IsTheImportOfGriMechAndIgnitesToTheAdiabaticEquilibrium) {
  TempDir dir;
  for (const char* name : {"gri30.inp", "gri30_thermo.dat"}) dir.Write(name, ReadExample(name));
  // The example's own import command, from its README.
  const ProgramResult imported = RunIn(
      dir, {"gri30.inp", "--thermo", "gri30_thermo.dat", "--out", ".", "--mixture", "CH4=1,O2=2,N2=7.52", "--temperature",
            "1500", "--pressure", "1atm", "--time", "0.01", "--step", "0.00002", "--constant-pressure", "--title",
            "Stoichiometric methane-air, adiabatic ignition at constant pressure from 1500 K and 1 atm"},
      "", TARNAVEL_IMPORT_EXE);
  ASSERT_EQ(imported.status, 0) << imported.out;
  for (const char* name : {"MODEL.DAT", "SPECIES.DAT", "PARM.DAT", "THERM.DAT", "THERMO.DAT"})
    EXPECT_EQ(dir.Read(name), ReadExample(name)) << name << " of examples/methane_air is not the importer's output";

  const ProgramResult run = RunIn(dir, {"-QUIET", "-ig:mass", "-THERM"});
  ASSERT_EQ(run.status, 0) << run.out;
  const FinalRow last = LastConcentrationRow(dir.Read("CONC.TXT"));
  ASSERT_NEAR(last.time, 0.01, 1e-9);
  double temperature = 0.0;
  std::map<std::string, double> c;
  for (const auto& [name, value] : last.values) {
    if (name == "Temperature(K)") temperature = value;
    c[name] = value;
  }

  // Adiabatic at constant pressure: the enthalpy of 1 CH4 + 2 O2 + 7.52 N2 at
  // 1500 K is the enthalpy of the equilibrium products at the final temperature.
  const auto nasa = ReadNasa(ReadExample("gri30_thermo.dat"));
  const std::array<double, 4> b{1, 4, 4, 15.04};
  auto flame_temperature = [&](double t0) {
    const double h0 = t0 * (nasa.at("CH4").H(t0) + 2 * nasa.at("O2").H(t0) + 7.52 * nasa.at("N2").H(t0));
    auto excess = [&](double t) {
      const auto n = Equilibrium(nasa, b, t, 1.0);
      double h = 0.0;
      for (size_t i = 0; i < n.size(); ++i) h += n[i] * nasa.at(kProducts[i].name).H(t) * t;
      return h - h0;
    };
    double lo = t0, hi = 4000.0;
    for (int k = 0; k < 60; ++k) (excess(0.5 * (lo + hi)) > 0 ? hi : lo) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
  };
  // The equilibrium calculation itself meets the textbook flame temperature
  // of stoichiometric methane-air from 298 K, about 2226 K.
  EXPECT_NEAR(flame_temperature(298.15), 2226.0, 0.005 * 2226.0);
  const double equilibrium = flame_temperature(1500.0);
  EXPECT_GT(equilibrium, 2600.0);
  EXPECT_NEAR(temperature, equilibrium, 0.01 * equilibrium);
  // And the composition has burnt out: no methane, water and carbon dioxide near the equilibrium's.
  const auto n = Equilibrium(nasa, b, equilibrium, 1.0);
  EXPECT_LT(c.at("CH4"), 1e-12 * c.at("N2"));
  EXPECT_NEAR(c.at("H2O") / c.at("N2"), n[1] / n[0], 0.05 * n[1] / n[0]);
  EXPECT_NEAR(c.at("CO2") / c.at("N2"), n[2] / n[0], 0.05 * n[2] / n[0]);
}

}  // namespace
}  // namespace tarnavel::e2e
