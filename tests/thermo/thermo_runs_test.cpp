// Whole thermodynamic runs of the hydrogen/oxygen reactions of GRI-Mech 3.0,
// read from the project's test data and driven in process, checked against
// values the test computes itself from the database's coefficients: every
// reverse rate constant, equilibrium at a fixed temperature, and adiabatic
// constant-volume ignition (energy, elements, the final equilibrium state).

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/main_loop.hpp"
#include "driver/run_driver.hpp"
#include "driver/stages.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TempWorkDir;

std::string DataText(const std::string& path) {
  std::ifstream in(std::string(TARNAVEL_TEST_DATA_DIR) + "/" + path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// NASA polynomials straight from the classic four-line records: line 1 the
// name and (columns 66-73) the common temperature, lines 2-4 fifteen-column
// coefficients, high range a1..a7 first, then low range a1..a7.
struct Nasa {
  double low[7] = {}, high[7] = {};
  double ct = 0.0;
  const double* At(double t) const { return t <= ct ? low : high; }
  double Hrt(double t) const {
    const double* a = At(t);
    return a[0] + a[1] * t / 2 + a[2] * t * t / 3 + a[3] * t * t * t / 4 + a[4] * t * t * t * t / 5 + a[5] / t;
  }
  double Sr(double t) const {
    const double* a = At(t);
    return a[0] * std::log(t) + a[1] * t + a[2] * t * t / 2 + a[3] * t * t * t / 3 + a[4] * t * t * t * t / 4 + a[6];
  }
  double Cpr(double t) const {
    const double* a = At(t);
    return a[0] + a[1] * t + a[2] * t * t + a[3] * t * t * t + a[4] * t * t * t * t;
  }
  double Ur(double t) const { return (Hrt(t) - 1.0) * t; }  // U/R of an ideal gas
  double Cvr(double t) const { return Cpr(t) - 1.0; }
};

std::map<std::string, Nasa> NasaRecords(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::map<std::string, Nasa> db;
  for (size_t i = 0; i + 3 < lines.size(); ++i) {
    if (lines[i].size() < 80 || lines[i][79] != '1') continue;
    Nasa n;
    n.ct = std::stod(lines[i].substr(65, 8));
    double c[14];
    for (int k = 0; k < 14; ++k) c[k] = std::stod(lines[i + 1 + k / 5].substr(15 * (k % 5), 15));
    for (int k = 0; k < 7; ++k) {
      n.high[k] = c[k];
      n.low[k] = c[7 + k];
    }
    std::istringstream name(lines[i].substr(0, 18));
    std::string sp;
    name >> sp;
    db[sp] = n;
  }
  return db;
}

// Stoichiometric coefficients of a reaction text of the model file, products
// positive, reactants negative; the third body's bracket group is left out.
using Stoichiometry = std::map<std::string, double>;

Stoichiometry StoichiometryOf(std::string text) {
  const size_t group = text.find("+M[");
  if (group != std::string::npos) text.erase(group, text.find(']', group) - group + 1);
  Stoichiometry nu;
  const size_t arrow = text.find('=');
  for (int side = 0; side < 2; ++side) {
    std::istringstream items(side == 0 ? text.substr(0, arrow) : text.substr(arrow + 1));
    for (std::string item; std::getline(items, item, '+');) {
      size_t digits = 0;
      while (digits < item.size() && std::isdigit(static_cast<unsigned char>(item[digits]))) ++digits;
      const double count = digits == 0 ? 1.0 : std::stod(item.substr(0, digits));
      nu[item.substr(digits)] += side == 0 ? -count : count;
    }
  }
  return nu;
}

// The reaction texts of the model file, one per data line.
std::vector<std::string> ReactionTexts(const std::string& model) {
  std::vector<std::string> texts;
  std::istringstream in(model);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    texts.push_back(line.substr(line.rfind('\t') + 1));
  }
  return texts;
}

// Kc in mol/cm^3 units: exp(dS/R - dH/RT) (1/(R'T))^dn with R' = 82.057 atm cm^3/(mol K).
double Kc(const std::map<std::string, Nasa>& db, const Stoichiometry& nu, double t) {
  double ds = 0.0, dh = 0.0, dn = 0.0;
  for (const auto& [sp, v] : nu) {
    ds += v * db.at(sp).Sr(t);
    dh += v * db.at(sp).Hrt(t);
    dn += v;
  }
  return std::exp(ds - dh) * std::pow(1.0 / (82.057 * t), dn);
}

const std::vector<std::string> kSpecies = {"H2", "H", "O", "O2", "OH", "H2O", "HO2", "H2O2", "AR", "N2"};

// A hydrogen/oxygen model in a fresh directory: the reactions of the test
// data (or a rewrite of them), the GRI-Mech database through its fixed-width
// description, the given initial concentrations (mol/cm^3) and temperature
// (a number, or the file name of a one-value profile).
struct H2O2Model {
  TempWorkDir dir;
  CapturedRun cr;
  LoopState loop;
  std::map<std::string, Nasa> db = NasaRecords(DataText("gri30/gri30_thermo.dat"));
  std::string model = DataText("h2o2/MODEL.DAT");

  void Write(const std::map<std::string, double>& conc, const std::string& temperature, double seconds) {
    std::ostringstream parm;
    parm.precision(10);
    parm << "# hydrogen/oxygen\n# TSTEP\tTSTEP2\tEa\tConc.\t-\n1.0E-9\t1.0E-4\tCAL\tMOLES/CM^3\t0\n"
         << "# T\tConst. P\tVolume\t-\t-\n" << temperature << "\tNO\t0\t0\t0\n"
         << "# D\tH\tM\tS\tps\n0\t0\t0\t" << seconds << "\t0\n"
         << "# hv\tdt\t%\tAccuracy\t-\nNone1\t1\t1\t1.0E-10\t0\n0\t0\t0\t0\t0\n";
    std::ostringstream species;
    species.precision(17);
    species << "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\n";
    for (const std::string& s : kSpecies) {
      const auto c = conc.find(s);
      species << s << "\t0\t" << (c == conc.end() ? 0.0 : c->second) << "\tY\t0\tN\tN\n";
    }
    dir.Write("PARM.DAT", parm.str());
    dir.Write("SPECIES.DAT", species.str());
    dir.Write("MODEL.DAT", model);
    dir.Write("THERM.DAT", DataText("h2o2/THERM.DAT"));
    dir.Write("gri30_thermo.dat", DataText("gri30/gri30_thermo.dat"));
  }

  void SetUp() { SetUpRun(cr.run, {"-THERM", "-QUIET"}, loop); }

  double Conc(const std::string& name) const {
    const ModelStore& st = cr.run.store;
    for (int s = 3; s <= st.rspec; ++s)
      if (st.species[s].name == name) return st.conc[s];
    ADD_FAILURE() << "no species " << name;
    return 0.0;
  }
  double Temperature() const { return Conc("Temperature(K)"); }
};

// Stoichiometric hydrogen-air at 1 atm and t0 (mol/cm^3).
std::map<std::string, double> HydrogenAir(double t0) {
  const double c = 101325.0 / (8.314462618 * t0) / 1.0e6;
  return {{"H2", c * 2 / 6.76}, {"O2", c * 1 / 6.76}, {"N2", c * 3.76 / 6.76}};
}

TEST(ThermoRuns, EveryReverseRateConstantIsTheForwardOneOverKc) {
  // Every species present, so that third-body efficiencies and the fall-off
  // change the forward constants; the fall-off reaction as Troe and as
  // Lindemann. 1000 K is the common temperature of every species.
  const std::string troe = "2OH+M[TROE;2.300E+18;-0.900;-1700;0.7346;94;1756;5182;";
  const std::string lin = "2OH+M[LIN;2.300E+18;-0.900;-1700;";
  std::map<std::string, double> conc;
  for (size_t i = 0; i < kSpecies.size(); ++i) conc[kSpecies[i]] = 1.0e-7 * (1.0 + static_cast<double>(i));
  for (bool lindemann : {false, true}) {
    for (double t : {600.0, 1000.0, 1700.0, 3000.0}) {
      H2O2Model m;
      if (lindemann) m.model.replace(m.model.find(troe), troe.size(), lin);
      m.Write(conc, "T.DAT", 1.0e-3);
      m.dir.Write("T.DAT", "1\n" + std::to_string(t) + "\n");
      m.SetUp();
      tarnavel::Run& run = m.cr.run;
      for (int s = 3; s <= run.store.rspec; ++s) m.loop.y[s - 2] = run.store.conc[s];
      stage::Derivatives(run, 0.0, m.loop.y, m.loop.dydx);
      const std::vector<std::string> texts = ReactionTexts(m.model);
      ASSERT_EQ(run.store.nreact, 2 * static_cast<int>(texts.size()));
      const std::vector<double>& rk = run.store.net.rk;
      for (size_t i = 0; i < texts.size(); ++i) {
        const int j = 2 * static_cast<int>(i) + 1;
        const double kc = Kc(m.db, StoichiometryOf(texts[i]), t);
        EXPECT_NEAR(rk[j + 1] * kc / rk[j], 1.0, 1.0e-12) << texts[i] << " at " << t << " K";
      }
    }
  }
}

TEST(ThermoRuns, AFixedTemperatureRunReachesTheEquilibriumRatios) {
  H2O2Model m;
  std::map<std::string, double> conc = HydrogenAir(2500.0);
  conc["H2"] *= 1.5;  // fuel-rich, so that no species becomes vanishingly rare
  m.Write(conc, "T.DAT", 0.05);
  m.dir.Write("T.DAT", "1\n2500\n");
  ASSERT_EQ(RunProgram(m.cr.run, {"-THERM", "-QUIET"}), 0) << m.cr.Text();
  EXPECT_DOUBLE_EQ(m.Temperature(), 2500.0);
  for (const std::string& text : ReactionTexts(m.model)) {
    const Stoichiometry nu = StoichiometryOf(text);
    double quotient = 1.0;
    for (const auto& [sp, v] : nu) quotient *= std::pow(m.Conc(sp), v);
    EXPECT_NEAR(quotient / Kc(m.db, nu, 2500.0), 1.0, 1.0e-6) << text;
  }
}

// The adiabatic vessel's internal energy and its scale, sum c Cv T0 (J/cm^3 / R).
double InternalEnergy(const H2O2Model& m, double t) {
  double u = 0.0;
  for (const std::string& s : kSpecies) u += m.Conc(s) * m.db.at(s).Ur(t);
  return u;
}

// Element totals H, O, N (mol/cm^3).
std::vector<double> Elements(const H2O2Model& m) {
  const double h = 2 * m.Conc("H2") + m.Conc("H") + m.Conc("OH") + 2 * m.Conc("H2O") + m.Conc("HO2") +
                   2 * m.Conc("H2O2");
  const double o = m.Conc("O") + 2 * m.Conc("O2") + m.Conc("OH") + m.Conc("H2O") + 2 * m.Conc("HO2") +
                   2 * m.Conc("H2O2");
  return {h, o, 2 * m.Conc("N2")};
}

// Equilibrium at the given element totals, internal energy and volume, from
// the formation equilibria of each molecule from H and O atoms:
// [HaOb] = [H]^a [O]^b / K(T). Newton's method on ln[H], ln[O] and T.
struct Equilibrium {
  double t, h, o;
};

Equilibrium SolveEquilibrium(const std::map<std::string, Nasa>& db, double h_total, double o_total, double n2,
                             double energy, Equilibrium x) {
  struct Molecule {
    const char* name;
    int a, b;
  };
  const Molecule molecules[] = {{"H", 1, 0},   {"O", 0, 1},  {"H2", 2, 0},  {"O2", 0, 2},
                                {"OH", 1, 1},  {"H2O", 2, 1}, {"HO2", 1, 2}, {"H2O2", 2, 2}};
  auto residual = [&](const double v[3], double r[3]) {
    const double lh = v[0], lo = v[1], t = v[2];
    double hs = 0.0, os = 0.0, u = n2 * db.at("N2").Ur(t);
    for (const Molecule& mol : molecules) {
      Stoichiometry nu{{mol.name, -1.0}};
      if (mol.a > 0) nu["H"] += mol.a;
      if (mol.b > 0) nu["O"] += mol.b;
      const double lk = mol.a + mol.b == 1 ? 0.0 : std::log(Kc(db, nu, t));
      const double c = std::exp(mol.a * lh + mol.b * lo - lk);
      hs += mol.a * c;
      os += mol.b * c;
      u += c * db.at(mol.name).Ur(t);
    }
    r[0] = hs / h_total - 1.0;
    r[1] = os / o_total - 1.0;
    r[2] = (u - energy) / (n2 * db.at("N2").Cvr(t) * t);
  };
  double v[3] = {std::log(x.h), std::log(x.o), x.t};
  for (int it = 0; it < 100; ++it) {
    double r[3], jac[3][3];
    residual(v, r);
    if (std::fabs(r[0]) + std::fabs(r[1]) + std::fabs(r[2]) < 1.0e-13) break;
    for (int k = 0; k < 3; ++k) {
      double w[3] = {v[0], v[1], v[2]}, rk[3];
      const double dv = k == 2 ? 1.0e-4 * v[2] : 1.0e-7;
      w[k] += dv;
      residual(w, rk);
      for (int i = 0; i < 3; ++i) jac[i][k] = (rk[i] - r[i]) / dv;
    }
    // Cramer's rule on the 3x3 system J dv = -r.
    auto det = [](double a[3][3]) {
      return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
             a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(jac);
    double step[3];
    for (int k = 0; k < 3; ++k) {
      double a[3][3];
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] = j == k ? -r[i] : jac[i][j];
      step[k] = det(a) / d;
    }
    const double damp = std::fabs(step[2]) > 200.0 ? 200.0 / std::fabs(step[2]) : 1.0;
    for (int k = 0; k < 3; ++k) v[k] += damp * step[k];
  }
  return {v[2], std::exp(v[0]), std::exp(v[1])};
}

TEST(ThermoRuns, AdiabaticHydrogenAirIgnitionKeepsItsEnergyAndEndsInEquilibrium) {
  const double t0 = 1100.0;
  H2O2Model m;
  m.Write(HydrogenAir(t0), std::to_string(t0), 0.01);
  m.SetUp();
  tarnavel::Run& run = m.cr.run;
  const double u0 = InternalEnergy(m, t0);
  double scale = 0.0;
  for (const std::string& s : kSpecies) scale += m.Conc(s) * m.db.at(s).Cvr(t0) * t0;
  const std::vector<double> e0 = Elements(m);

  // The main loop's work, step by step, with the checks after every step.
  double time = 0.0, worst_energy = 0.0, worst_element = 0.0;
  int steps = 0;
  while (time < run.settings.simlen && steps < 100000) {
    for (int s = 3; s <= run.store.rspec; ++s) m.loop.y[s - 2] = run.store.conc[s];
    m.loop.trial_step = std::min(m.loop.trial_step, run.settings.simlen - time);
    stage::Derivatives(run, time, m.loop.y, m.loop.dydx);
    for (int i = 1; i <= run.store.Equations(); ++i)
      m.loop.yscal[i] = std::max(std::fabs(m.loop.y[i]), run.settings.yscalmin);
    stage::IntegratorStep(run, m.loop);
    for (int s = 3; s <= run.store.spec; ++s) run.store.conc[s] = m.loop.y[s - 2];
    time += m.loop.step_done;
    m.loop.trial_step = m.loop.next_step;
    ++steps;
    worst_energy = std::max(worst_energy, std::fabs(InternalEnergy(m, m.Temperature()) - u0) / scale);
    const std::vector<double> e = Elements(m);
    for (int k = 0; k < 3; ++k) worst_element = std::max(worst_element, std::fabs(e[k] / e0[k] - 1.0));
  }
  ASSERT_GE(time, run.settings.simlen) << steps << " steps";
  EXPECT_LT(worst_energy, 1.0e-6);
  EXPECT_LT(worst_element, 1.0e-10);

  const Equilibrium eq = SolveEquilibrium(m.db, e0[0], e0[1], m.Conc("N2"), u0,
                                          {m.Temperature(), m.Conc("H"), m.Conc("O")});
  EXPECT_NEAR(m.Temperature() / eq.t, 1.0, 1.0e-4) << m.Temperature() << " K, equilibrium " << eq.t << " K";
  EXPECT_NEAR(m.Conc("H") / eq.h, 1.0, 1.0e-3);
  EXPECT_GT(m.Temperature(), 2800.0);  // it did ignite
}

}  // namespace
}  // namespace tarnavel
