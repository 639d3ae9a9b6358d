// Whole thermodynamic runs of the hydrogen/oxygen reactions of GRI-Mech 3.0,
// read from the project's test data and driven in process, checked against
// values the test computes itself from the database's coefficients: every
// reverse rate constant, equilibrium at a fixed temperature, and adiabatic
// constant-volume ignition (energy, elements, the final equilibrium state).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/run_driver.hpp"
#include "integrate/numerical_jacobian.hpp"
#include "model/jacobian_pattern.hpp"
#include "model/model_system.hpp"
#include "model/rate_jacobian.hpp"
#include "driver/stages.hpp"
#include "support/run_fixture.hpp"
#include "support/temp_workdir.hpp"
#include "time_loop/main_loop.hpp"
#include "support/test_data.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::TempWorkDir;

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
// (a number, or the file name of a one-value profile; "T<TAB>YES" asks for
// constant pressure).
struct H2O2Model {
  TempWorkDir dir;
  CapturedRun cr;
  LoopState loop;
  std::map<std::string, Nasa> db = NasaRecords(testing::TestData("gri30/gri30_thermo.dat"));
  std::string model = testing::TestData("h2o2/MODEL.DAT");
  std::string flowing;  // a species with a residence time (a stirred tank's outflow), if any

  void Write(const std::map<std::string, double>& conc, const std::string& temperature, double seconds) {
    std::ostringstream parm;
    parm.precision(10);
    parm << "# hydrogen/oxygen\n# TSTEP\tTSTEP2\tEa\tConc.\t-\n1.0E-9\t1.0E-4\tCAL\tMOLES/CM^3\t0\n"
         << "# T\tConst. P\tVolume\t-\t-\n"
         << temperature << (temperature.find('\t') == std::string::npos ? "\tNO" : "") << "\t0\t0\t0\n"
         << "# D\tH\tM\tS\tps\n0\t0\t0\t" << seconds << "\t0\n"
         << "# hv\tdt\t%\tAccuracy\t-\nNone1\t1\t1\t1.0E-10\t0\n0\t0\t0\t0\t0\n";
    std::ostringstream species;
    species.precision(17);
    species << "# Species\tResidence\tInitial\tDisplay\tExternal\tSSA\tFile\n";
    for (const std::string& s : kSpecies) {
      const auto c = conc.find(s);
      species << s << (s == flowing ? "\t1.0E-3\t" : "\t0\t") << (c == conc.end() ? 0.0 : c->second)
              << "\tY\t0\tN\tN\n";
    }
    dir.Write("PARM.DAT", parm.str());
    dir.Write("SPECIES.DAT", species.str());
    dir.Write("MODEL.DAT", model);
    dir.Write("THERM.DAT", testing::TestData("h2o2/THERM.DAT"));
    dir.Write("gri30_thermo.dat", testing::TestData("gri30/gri30_thermo.dat"));
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

// Element totals H, O, N (mol/cm^3, or amounts per unit initial volume).
std::vector<double> Elements(const H2O2Model& m) {
  const double h = 2 * m.Conc("H2") + m.Conc("H") + m.Conc("OH") + 2 * m.Conc("H2O") + m.Conc("HO2") +
                   2 * m.Conc("H2O2");
  const double o = m.Conc("O") + 2 * m.Conc("O2") + m.Conc("OH") + m.Conc("H2O") + 2 * m.Conc("HO2") +
                   2 * m.Conc("H2O2");
  return {h, o, 2 * m.Conc("N2")};
}

// The vessel's energy (U/R at constant volume, H/R at constant pressure) of
// the given amounts at temperature t.
double Energy(const std::map<std::string, Nasa>& db, const std::map<std::string, double>& n, double t,
              bool constant_pressure) {
  double e = 0.0;
  for (const auto& [sp, amount] : n) e += amount * (constant_pressure ? db.at(sp).Hrt(t) * t : db.at(sp).Ur(t));
  return e;
}

std::map<std::string, double> Amounts(const H2O2Model& m) {
  std::map<std::string, double> n;
  for (const std::string& s : kSpecies)
    if (s != "AR") n[s] = m.Conc(s);
  return n;
}

// Solves J dx = -r by Gaussian elimination with partial pivoting.
std::vector<double> NewtonStep(std::vector<std::vector<double>> j, std::vector<double> r) {
  const size_t n = r.size();
  for (size_t c = 0; c < n; ++c) {
    size_t p = c;
    for (size_t i = c + 1; i < n; ++i)
      if (std::fabs(j[i][c]) > std::fabs(j[p][c])) p = i;
    std::swap(j[c], j[p]);
    std::swap(r[c], r[p]);
    for (size_t i = c + 1; i < n; ++i) {
      const double f = j[i][c] / j[c][c];
      for (size_t k = c; k < n; ++k) j[i][k] -= f * j[c][k];
      r[i] -= f * r[c];
    }
  }
  std::vector<double> x(n);
  for (size_t i = n; i-- > 0;) {
    double sum = -r[i];
    for (size_t k = i + 1; k < n; ++k) sum -= j[i][k] * x[k];
    x[i] = sum / j[i][i];
  }
  return x;
}

// Equilibrium of the hydrogen/oxygen/nitrogen gas at fixed element amounts
// and energy, in a vessel of fixed volume 1 or at the fixed pressure of
// `gas_law` = P/R (the initial n T). Every molecule HaOb follows from the
// formation equilibria of the atoms, [HaOb] = [H]^a [O]^b / K(T). Newton's
// method on ln[H], ln[O], T and, at constant pressure, ln V.
struct Equilibrium {
  double t = 0.0, volume = 1.0;
  std::map<std::string, double> n;
};

Equilibrium Equilibrate(const std::map<std::string, Nasa>& db, const std::vector<double>& elements, double energy,
                        bool constant_pressure, double gas_law, double t_guess) {
  struct Molecule {
    const char* name;
    int a, b;
  };
  const Molecule molecules[] = {{"H", 1, 0},  {"O", 0, 1},   {"H2", 2, 0},  {"O2", 0, 2},
                                {"OH", 1, 1}, {"H2O", 2, 1}, {"HO2", 1, 2}, {"H2O2", 2, 2}};
  const double n2 = elements[2] / 2;
  auto state = [&](const std::vector<double>& v) {
    Equilibrium e;
    e.t = v[2];
    e.volume = constant_pressure ? std::exp(v[3]) : 1.0;
    e.n["N2"] = n2;
    for (const Molecule& mol : molecules) {
      Stoichiometry nu{{mol.name, -1.0}};
      nu["H"] += mol.a;
      nu["O"] += mol.b;
      const double lk = mol.a + mol.b == 1 ? 0.0 : std::log(Kc(db, nu, e.t));
      e.n[mol.name] = std::exp(mol.a * v[0] + mol.b * v[1] - lk) * e.volume;
    }
    return e;
  };
  auto residual = [&](const std::vector<double>& v) {
    const Equilibrium e = state(v);
    double h = 0.0, o = 0.0, gas = 0.0;
    for (const Molecule& mol : molecules) {
      h += mol.a * e.n.at(mol.name);
      o += mol.b * e.n.at(mol.name);
      gas += e.n.at(mol.name);
    }
    std::vector<double> r = {h / elements[0] - 1.0, o / elements[1] - 1.0,
                             (Energy(db, e.n, e.t, constant_pressure) - energy) / (n2 * 3.5 * e.t)};
    if (constant_pressure) r.push_back((gas + n2) * e.t / gas_law - e.volume);
    return r;
  };
  std::vector<double> v = {std::log(1.0e-7), std::log(1.0e-8), t_guess};
  if (constant_pressure) v.push_back(std::log(t_guess / 1000.0));
  for (int it = 0; it < 200; ++it) {
    const std::vector<double> r = residual(v);
    double size = 0.0;
    for (double x : r) size += std::fabs(x);
    if (size < 1.0e-13) break;
    std::vector<std::vector<double>> jac(v.size(), std::vector<double>(v.size()));
    for (size_t k = 0; k < v.size(); ++k) {
      std::vector<double> w = v;
      const double dv = k == 2 ? 1.0e-5 * v[2] : 1.0e-7;
      w[k] += dv;
      const std::vector<double> rk = residual(w);
      for (size_t i = 0; i < v.size(); ++i) jac[i][k] = (rk[i] - r[i]) / dv;
    }
    const std::vector<double> step = NewtonStep(jac, r);
    double damp = 1.0;  // at most 200 K and a factor e in any amount per iteration
    for (size_t k = 0; k < v.size(); ++k) damp = std::min(damp, (k == 2 ? 200.0 : 1.0) / std::fabs(step[k]));
    for (size_t k = 0; k < v.size(); ++k) v[k] += damp * step[k];
  }
  return state(v);
}

// Adiabatic ignition of stoichiometric hydrogen-air from 1100 K, 1 atm, at
// constant volume and at constant pressure: the vessel's energy (U, or H)
// after every integrator step stays within 1E-6 of sum n Cv T0 (or Cp), every
// element within 1E-10, at constant pressure V = n R T / P within 1E-6, and
// the final state is the equilibrium at the same energy.
TEST(ThermoRuns, AdiabaticHydrogenAirIgnitionKeepsItsEnergyAndEndsInEquilibrium) {
  for (bool constant_pressure : {false, true}) {
    SCOPED_TRACE(constant_pressure ? "constant pressure" : "constant volume");
    const double t0 = 1100.0;
    H2O2Model m;
    m.Write(HydrogenAir(t0), std::to_string(t0) + (constant_pressure ? "\tYES" : "\tNO"), 0.01);
    m.SetUp();
    tarnavel::Run& run = m.cr.run;
    const std::map<std::string, double> start = Amounts(m);
    const double e0 = Energy(m.db, start, t0, constant_pressure);
    double scale = 0.0, gas_law = 0.0;
    for (const auto& [sp, n] : start) {
      scale += n * (constant_pressure ? m.db.at(sp).Cpr(t0) : m.db.at(sp).Cvr(t0)) * t0;
      gas_law += n * t0;
    }
    const std::vector<double> elements = Elements(m);

    // The main loop's work, step by step, with the checks after every step.
    double time = 0.0, worst_energy = 0.0, worst_element = 0.0, worst_gas_law = 0.0;
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
      const std::map<std::string, double> n = Amounts(m);
      const double t = m.Temperature();
      worst_energy = std::max(worst_energy, std::fabs(Energy(m.db, n, t, constant_pressure) - e0) / scale);
      const std::vector<double> e = Elements(m);
      for (int k = 0; k < 3; ++k) worst_element = std::max(worst_element, std::fabs(e[k] / elements[k] - 1.0));
      if (constant_pressure) {
        double gas = 0.0;
        for (const auto& [sp, amount] : n) gas += amount;
        worst_gas_law = std::max(worst_gas_law, std::fabs(m.Conc("Volume") / (gas * t / gas_law) - 1.0));
      }
    }
    ASSERT_GE(time, run.settings.simlen) << steps << " steps";
    EXPECT_LT(worst_energy, 1.0e-6);
    EXPECT_LT(worst_element, 1.0e-10);
    EXPECT_LT(worst_gas_law, 1.0e-6);

    const Equilibrium eq = Equilibrate(m.db, elements, e0, constant_pressure, gas_law, 2500.0);
    EXPECT_NEAR(m.Temperature() / eq.t, 1.0, 1.0e-4) << m.Temperature() << " K, equilibrium " << eq.t << " K";
    EXPECT_NEAR(m.Conc("H") / eq.n.at("H"), 1.0, 1.0e-3);
    EXPECT_NEAR(m.Conc(constant_pressure ? "Volume" : "N2") / (constant_pressure ? eq.volume : eq.n.at("N2")), 1.0,
                1.0e-4);
  }
}

// The reaction-wise Jacobian of an adiabatic vessel against whole derivative
// evaluations column by column. The dependence on the gas total comes apart
// as a rank-one term u g^T (fall-off, third bodies and reverse constants from
// Kc re-evaluated as the derivative function does): entries plus that term
// are the whole Jacobian as closely as the plain differences resolve it, and
// the columns of the temperature and the volume, from whole evaluations, are
// the very ones.
TEST(ThermoRuns, TheReactionWiseJacobianOfAnAdiabaticVesselIsTheWholeOne) {
  std::map<std::string, double> conc;
  for (size_t i = 0; i < kSpecies.size(); ++i) conc[kSpecies[i]] = 1.0e-7 * (1.0 + static_cast<double>(i));
  // Constant volume, constant pressure, and constant volume with an outflow
  // of H2O, whose flow term the balance's change must not take as a change.
  for (int variant = 0; variant < 3; ++variant) {
    const bool constant_pressure = variant == 1;
    SCOPED_TRACE(variant == 0 ? "constant volume" : variant == 1 ? "constant pressure" : "outflow");
    H2O2Model m;
    if (variant == 2) m.flowing = "H2O";
    m.model += "2.0E+15\t0\t0\tH+O2+M==>HO2+M\n";  // the gas total as a plain reactant too
    m.Write(conc, constant_pressure ? "1500\tYES" : "1500", 1.0e-3);
    m.SetUp();
    tarnavel::Run& run = m.cr.run;
    const Network& net = run.store.net;
    ASSERT_TRUE(net.m_used);
    const int n = run.store.Equations();
    const int trow = net.temperature_index - 3, vrow = constant_pressure ? net.volume_index - 3 : -1;
    ASSERT_GE(trow, 0);
    ASSERT_EQ(vrow >= 0, constant_pressure);
    std::vector<double> y(n), f(n), work(n);
    for (int i = 0; i < n; ++i) y[i] = run.store.conc[i + 3];
    ModelSystem sys(run);
    sys.Derivs(y.data(), f.data());
    Matrix plain(n), reaction_wise(n);
    std::vector<double> y1 = y, y2 = y;
    NumJacobian(sys, y1.data(), f.data(), n, plain, work.data());
    ASSERT_TRUE(RateJacobianApplies(run));
    ASSERT_TRUE(TotalApart(run));
    RateJacobianPlan plan = PlanRateJacobian(run, JacobianPattern(run, true));
    const long evaluations = run.counts.derivs;
    RateJacobian(run, plan, y2.data(), f.data(), reaction_wise, work.data());
    EXPECT_EQ(run.counts.derivs, evaluations + (constant_pressure ? 3 : 2));
    EXPECT_EQ(y2, y);
    const Matrix::RankOne& one = reaction_wise.rank_one;
    ASSERT_TRUE(one.active);
    EXPECT_EQ(one.g[trow], 0.0);
    for (int i = 0; i < n; ++i) {
      double row_flux = 0.0;  // the row's largest entry times its species
      for (int k = 0; k < n; ++k) row_flux = std::max(row_flux, std::fabs(plain(i, k) * y[k]));
      for (int j = 0; j < n; ++j) {
        const double whole = reaction_wise(i, j) + one.u[i] * one.g[j];
        if (j == trow || j == vrow) {
          EXPECT_EQ(whole, plain(i, j)) << i << "," << j;
        } else {
          EXPECT_NEAR(whole, plain(i, j), 1.0e-6 * (std::fabs(plain(i, j)) + row_flux / y[j])) << i << "," << j;
        }
      }
    }
    // [M] matters: the term is not empty, and the temperature row is not.
    EXPECT_NE(*std::max_element(one.u.begin(), one.u.begin() + n), 0.0);
    EXPECT_NE(reaction_wise(trow, 1), 0.0);
    std::vector<double> again(n);
    sys.Derivs(y.data(), again.data());
    EXPECT_EQ(again, f);  // rates and constants are left as at y
  }
}

// The equilibrium solver itself against the published adiabatic flame
// temperature of stoichiometric hydrogen-air from 298 K at 1 atm, about 2383 K.
TEST(ThermoRuns, TheIndependentEquilibriumGivesThePublishedFlameTemperature) {
  const std::map<std::string, Nasa> db = NasaRecords(testing::TestData("gri30/gri30_thermo.dat"));
  const double t0 = 298.15;
  const std::map<std::string, double> n = HydrogenAir(t0);
  double gas_law = 0.0;
  for (const auto& [sp, amount] : n) gas_law += amount * t0;
  const std::vector<double> elements = {2 * n.at("H2"), 2 * n.at("O2"), 2 * n.at("N2")};
  const Equilibrium eq = Equilibrate(db, elements, Energy(db, n, t0, true), true, gas_law, 2000.0);
  EXPECT_NEAR(eq.t, 2383.0, 0.005 * 2383.0);
}

}  // namespace
}  // namespace tarnavel
