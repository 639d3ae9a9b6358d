#include "model/derivs.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "model/compile_network.hpp"
#include "model/state_variables.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::AddArrhenius;
using testing::AddReaction;
using testing::AddSpecial;
using testing::AddSpecies;
using testing::CapturedRun;

struct DerivsFixture : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  ModelStore& st = run.store;
  std::vector<double> dydt = std::vector<double>(16, 0.0);

  void SetUp() override { run.sw.ignore_mass = true; }

  void CompileAt(double temperature) {
    CompileNetwork(run);
    st.net.temperature = temperature;
    EvaluateArrhenius(run, temperature);
  }
  int Index(const std::string& name) const {
    for (int s = 1; s <= st.rspec; ++s)
      if (st.species[s].name == name) return s;
    return -1;
  }
  // Points collider k of entry e at a species, as compilation does from names.
  void Collider(int e, int k, const std::string& name, double efficiency) {
    SpecialEntry& entry = st.special[e];
    entry.param[11 + 2 * (k - 1)] = Index(name) - 2;
    entry.param[12 + 2 * (k - 1)] = efficiency;
    entry.param[35] = k;
  }
  void Evaluate(const std::vector<double>& y) { Derivs(run, y.data(), dydt.data()); }
  // Evaluates at the concentrations of the store (after compilation's reordering).
  void EvaluateAtStore() {
    std::vector<double> y;
    for (int s = 3; s <= st.spec; ++s) y.push_back(st.conc[s]);
    y.push_back(0.0);
    Evaluate(y);
  }
};

TEST_F(DerivsFixture, MassActionWithUnitAndOtherCoefficients) {
  AddSpecies(run, "A", 2.0);
  AddSpecies(run, "B", 3.0);
  AddSpecies(run, "C");
  AddReaction(run, 0.1, {{1, "A"}}, {{1, "C"}});
  AddReaction(run, 0.01, {{2, "A"}}, {{1, "B"}});
  AddReaction(run, 0.5, {{1, "A"}, {1, "B"}}, {{0.5, "C"}});
  CompileAt(298.15);
  Evaluate({2.0, 3.0, 0.0});
  EXPECT_DOUBLE_EQ(st.rate[1], 0.2);
  EXPECT_DOUBLE_EQ(st.rate[2], 0.04);
  EXPECT_DOUBLE_EQ(st.rate[3], 3.0);
  EXPECT_DOUBLE_EQ(dydt[0], -0.2 - 2 * 0.04 - 3.0);
  EXPECT_DOUBLE_EQ(dydt[1], 0.04 - 3.0);
  EXPECT_DOUBLE_EQ(dydt[2], 0.2 + 0.5 * 3.0);
}

// The loops by rate-law form give every rate exactly as the general law
// does, in its own product order.
TEST_F(DerivsFixture, RateLawFormsGiveTheGeneralLawToTheBit) {
  AddSpecies(run, "A", 0.3);
  AddSpecies(run, "B", 0.7);
  AddSpecies(run, "C", 1.1);
  AddReaction(run, 0.1, {{1, "A"}}, {{1, "C"}});
  AddReaction(run, 0.37, {{1, "A"}, {1, "B"}}, {{1, "C"}});
  AddReaction(run, 0.21, {{1, "C"}, {1, "B"}, {1, "A"}}, {{1, "A"}});
  AddReaction(run, 0.01, {{2, "A"}}, {{1, "B"}});
  AddReaction(run, 0.5, {{1.5, "B"}, {1, "C"}}, {{1, "A"}});
  CompileAt(298.15);
  const RateForms& f = st.net.forms;
  EXPECT_EQ(f.first.size(), 1u);
  EXPECT_EQ(f.second.size(), 1u);
  EXPECT_EQ(f.third.size(), 1u);
  EXPECT_EQ(f.other.size(), 2u);
  Evaluate({0.3 / 7, 0.7 / 3, 1.1 / 9});
  const double* x = st.net.state.data();
  for (int r = 1; r <= st.nreact; ++r) EXPECT_EQ(st.rate[r], ReactionRate(st.net.rx[r], st.net.rk[r], x)) << r;
}

TEST_F(DerivsFixture, CstrTermsNeedAFlow) {
  const int a = AddSpecies(run, "A", 1.0);
  const int b = AddSpecies(run, "B", 0.0);
  st.species[a].flow_rate = 0.5;
  st.species[a].external = 3.0;
  st.species[b].external = 7.0;  // no residence time: no CSTR term
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "B"}});
  CompileAt(298.15);
  Evaluate({1.0, 0.0});
  EXPECT_DOUBLE_EQ(dydt[0], -1.0 + (3.0 - 1.0) * 0.5);
  EXPECT_DOUBLE_EQ(dydt[1], 1.0);
}

TEST_F(DerivsFixture, ArrheniusForms) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  const double t = 300.0, r = 8.31451;
  AddArrhenius(run, 1e-11, 0, 1000, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, 1e-11, 2, 0, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, 1e-11, -1.5, 2500, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, 1e-11, 0, 0, {{1, "A"}}, {{1, "B"}});  // a constant after all
  CompileAt(t);
  EXPECT_DOUBLE_EQ(st.net.rk[1], 1e-11 * std::exp(-1000 / (r * t)));
  EXPECT_DOUBLE_EQ(st.net.rk[2], 1e-11 * t * t);
  EXPECT_DOUBLE_EQ(st.net.rk[3], 1e-11 * std::pow(t, -1.5) * std::exp(-2500 / (r * t)));
  EXPECT_FALSE(st.net.rx[4].tdep);
  EXPECT_DOUBLE_EQ(st.net.rk[4], 1e-11);

  run.settings.rgas = 1.986503e-3;  // kilocalories
  EvaluateArrhenius(run, t);
  EXPECT_DOUBLE_EQ(st.net.rk[1], 1e-11 * std::exp(-1000 / (1.986503e-3 * t)));
}

// With the temperature integrated, reactions that share m and Ea share one
// factor exp(m ln T - Ea/RT): the same numbers to rounding, negative A, a zero
// A, a factor beyond the range of doubles and an A, m or Ea changed by a fit
// included.
TEST_F(DerivsFixture, ArrheniusFormsOfAnIntegratedTemperature) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  const double r = 8.31451;
  AddArrhenius(run, 3e-11, 0, 1000, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, 2e13, 2.7, 0, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, -4e12, -1.5, 2500, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, 7e9, 0.5, -300, {{1, "A"}}, {{1, "B"}});
  AddArrhenius(run, 6e10, 2.7, 0, {{1, "A"}}, {{1, "B"}});         // shares the factor of 2
  AddArrhenius(run, 1e-300, 0, -2.5e6, {{1, "A"}}, {{1, "B"}});    // exp(-Ea/RT) above 1e308 at 300 K
  AddArrhenius(run, 5.0, 0, -2.5e6, {{1, "A"}}, {{1, "B"}});        // A fitted to 0 below
  const int reactions = 7;
  CompileAt(300.0);
  st.net.temperature_index = 3;  // as a run that integrates the temperature has it
  SetRateParameter(run, 7, 0.0);
  auto expected = [&](int k, double t) {
    const CompiledReaction& c = st.net.rx[k];
    if (c.a == 0.0) return 0.0;
    const double e = std::log(std::fabs(c.a)) + c.mt * std::log(t) - c.ea / (r * t);
    return c.a < 0.0 ? -std::exp(e) : std::exp(e);
  };
  auto check = [&](double t) {
    EvaluateArrhenius(run, t);
    for (int k = 1; k <= reactions; ++k)
      EXPECT_NEAR(st.net.rk[k], expected(k, t), 1e-13 * std::fabs(expected(k, t))) << k << " at " << t;
  };
  for (double t : {300.0, 900.0, 1850.0, 2600.0}) check(t);
  ASSERT_LT(expected(6, 300.0), 1e308);
  SetRateParameter(run, 2, 5e12);  // evaluated again at the run temperature
  const double t = st.net.temperature;
  EXPECT_NEAR(st.net.rk[2], expected(2, t), 1e-13 * expected(2, t));
  st.net.rx[5].mt = 1.9;  // a fitted exponent leaves the factor it shared
  st.net.rx[1].ea = 1200;
  check(1400.0);
}

TEST_F(DerivsFixture, MAsAReactantIsTheGasTotal) {
  AddSpecies(run, "A", 1.0);
  const int w = AddSpecies(run, "W", 4.0);
  st.species[w].has_tag = true;  // W{aq}: the brace tag puts it out of the gas
  st.species[w].tag = "aq";
  AddSpecies(run, "B", 2.0);
  AddReaction(run, 3.0, {{1, "A"}, {1, "M"}}, {{1, "B"}, {1, "M"}});
  AddReaction(run, 1.0, {{1, "W"}}, {{1, "W"}, {1, "A"}});
  CompileAt(298.15);
  Evaluate({1.0, 4.0, 2.0});
  EXPECT_DOUBLE_EQ(st.net.mconc, 3.0);
  EXPECT_DOUBLE_EQ(st.rate[1], 3.0 * 1.0 * 3.0);
}

struct FallOff : DerivsFixture {
  // N2 and O2 are the bath; A + B make C through a special rate law.
  int reaction = 0;
  int entry = 0;
  const double t = 300.0;
  const double r = 8.31451;
  double kinf = 2.0e-12;

  void Build(int type, const std::vector<double>& params, bool arrhenius = false) {
    AddSpecies(run, "N2", 1.9e19);
    AddSpecies(run, "O2", 5.0e18);
    AddSpecies(run, "A", 1.0e12);
    AddSpecies(run, "B", 1.0e11);
    AddSpecies(run, "C");
    reaction = arrhenius ? AddArrhenius(run, 1.0e-10, -0.5, 500.0, {{1, "A"}, {1, "B"}}, {{1, "C"}})
                         : AddReaction(run, kinf, {{1, "A"}, {1, "B"}}, {{1, "C"}});
    entry = AddSpecial(run, reaction, type, params);
    CompileAt(t);
  }
  double Rk(bool two_colliders = true) {
    if (two_colliders) {
      Collider(entry, 1, "N2", 1.0);
      Collider(entry, 2, "O2", 0.5);
    }
    EvaluateAtStore();
    return st.net.rk[reaction];
  }
  double Meff() const { return 1.9e19 + 5.0e18 + 1.0e12 + 1.0e11 + (0.5 - 1.0) * 5.0e18; }
};

TEST_F(FallOff, PlainThirdBodyWithEfficiencies) {
  Build(1, {});
  EXPECT_DOUBLE_EQ(Rk(), kinf * Meff());
}

TEST_F(FallOff, AbsoluteEfficienciesCountOnlyTheListedColliders) {
  Build(1, {});
  st.special[entry].absolute = true;
  EXPECT_DOUBLE_EQ(Rk(), kinf * (1.0 * 1.9e19 + 0.5 * 5.0e18));
}

TEST_F(FallOff, Lindemann) {
  Build(2, {6.0e-31, -2.0, 100.0});
  const double k0 = 6.0e-31 * std::pow(t, -2.0) * std::exp(-100.0 / (r * t));
  const double pr = k0 * Meff() / (kinf + 1e-79);
  EXPECT_DOUBLE_EQ(Rk(), kinf * pr / (1 + pr));
}

struct Troe : FallOff, ::testing::WithParamInterface<double> {};

TEST_P(Troe, WithAndWithoutTheThirdTerm) {
  const double p7 = GetParam();
  Build(3, {6.0e-31, -2.0, 0.0, 0.6, 90.0, 5000.0, p7});
  double fcent = 0.4 * std::exp(-t / 90.0) + 0.6 * std::exp(-t / 5000.0);
  if (p7 != 0.0) fcent += std::exp(-p7 / t);
  const double k0 = 6.0e-31 * std::pow(t, -2.0);
  const double pr = k0 * Meff() / (kinf + 1e-79);
  const double l = std::log10(fcent), p = std::log10(pr);
  const double c = -0.4 - 0.67 * l, n = 0.75 - 1.27 * l;
  const double f = (p + c) / (n - 0.14 * (p + c));
  const double expected = kinf * pr * std::pow(10.0, l / (1 + f * f)) / (1 + pr);
  EXPECT_NEAR(Rk(), expected, 1e-12 * expected);
}

INSTANTIATE_TEST_SUITE_P(ThirdTerm, Troe, ::testing::Values(0.0, 1200.0));

TEST_F(FallOff, TroeWithoutAnyThirdBodyGivesZero) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B", 1.0);
  AddSpecies(run, "C");
  reaction = AddReaction(run, kinf, {{1, "A"}}, {{1, "C"}});
  entry = AddSpecial(run, reaction, 3, {6e-31, -2, 0, 0.6, 90, 5000});
  st.special[entry].absolute = true;  // no colliders listed: [M]eff = 0
  CompileAt(t);
  Evaluate({1.0, 1.0, 0.0});
  EXPECT_EQ(st.net.rk[reaction], 0.0);
}

TEST_F(FallOff, SriStartsFromTheArrheniusHighPressureLimit) {
  Build(4, {6.0e-31, -2.0, 0.0, 0.5, 300.0, 900.0, 1.2, 0.1}, true);
  const double kinf_t = 1.0e-10 * std::pow(t, -0.5) * std::exp(-500.0 / (r * t));
  const double k0 = 6.0e-31 * std::pow(t, -2.0);
  const double pr = k0 * Meff() / (kinf_t + 1e-79);
  const double x = 1 / (1 + std::pow(std::log10(pr), 2));
  const double f = std::pow(0.5 * std::exp(-300.0 / t) + std::exp(-t / 900.0), x) * 1.2 * std::pow(t, 0.1);
  const double expected = kinf_t * pr * f / (1 + pr);
  EXPECT_NEAR(Rk(), expected, 1e-12 * expected);
  // Repeated calls do not compound the fall-off factor.
  EXPECT_NEAR(Rk(), expected, 1e-12 * expected);
}

// The temperature factors kept with the Arrhenius values give the very rate
// constant of a fresh evaluation, and a temperature other than theirs is
// never served from them.
struct SpecialLaw {
  const char* name;
  int type;
  std::vector<double> params;
};

class TemperatureTerms : public FallOff, public ::testing::WithParamInterface<SpecialLaw> {};

TEST_P(TemperatureTerms, KeptFactorsGiveTheFreshRateConstantToTheBit) {
  Build(GetParam().type, GetParam().params);  // a constant high-pressure limit: only the factors follow t
  Collider(entry, 1, "N2", 1.0);
  Collider(entry, 2, "O2", 0.5);
  std::vector<double> x(st.rspec + 1, 0.0);
  for (int s = 3; s <= st.rspec; ++s) x[s] = st.conc[s];
  const double mtot = 1.9e19 + 5.0e18 + 1.0e12 + 1.0e11;
  const double kept = SpecialRate(st, reaction, mtot, t, x.data());
  st.net.arrhenius_temp = -1.0;  // nothing kept: every factor evaluated afresh
  EXPECT_EQ(kept, SpecialRate(st, reaction, mtot, t, x.data()));
  EvaluateArrhenius(run, t);
  const double other = SpecialRate(st, reaction, mtot, 1500.0, x.data());  // not the kept temperature
  EvaluateArrhenius(run, 1500.0);
  EXPECT_EQ(other, SpecialRate(st, reaction, mtot, 1500.0, x.data()));
  EXPECT_NE(other, kept);
}

INSTANTIATE_TEST_SUITE_P(
    Laws, TemperatureTerms,
    ::testing::Values(SpecialLaw{"Lindemann", 2, {6.0e-31, -2.0, 100.0}},
                      SpecialLaw{"Troe", 3, {6.0e-31, -2.0, 50.0, 0.6, 90.0, 5000.0, 1200.0}},
                      SpecialLaw{"SRI", 4, {6.0e-31, -2.0, 0.0, 0.5, 300.0, 900.0, 1.2, 0.1}},
                      SpecialLaw{"LandauTeller", 30, {-50.0, 20.0}}),
    [](const ::testing::TestParamInfo<SpecialLaw>& info) { return std::string(info.param.name); });

TEST_F(FallOff, LandauTeller) {
  Build(30, {-50.0, 20.0});
  EXPECT_DOUBLE_EQ(Rk(false), kinf * std::exp(-50.0 / std::cbrt(t) + 20.0 / std::pow(t, 2.0 / 3.0)));
}

}  // namespace
}  // namespace tarnavel

namespace tarnavel {
namespace {

TEST_F(DerivsFixture, ThePseudoSpeciesStayOutOfTheThirdBodyTotal) {
  AddSpecies(run, "A", 1.0e-3);
  AddSpecies(run, "N2", 0.04);
  AddSpecies(run, "B");
  const int t = AddSpecies(run, "Temperature(K)", 300.0);
  st.species[t].held = true;
  const int v = AddSpecies(run, "Volume", 1.0);
  st.species[v].held = true;
  AddReaction(run, 1.0, {{1, "A"}, {1, "M"}}, {{1, "B"}, {1, "M"}});
  CompileAt(300.0);
  std::vector<double> y;
  for (int s = 3; s <= st.spec; ++s) y.push_back(st.conc[s]);
  Evaluate(y);
  EXPECT_DOUBLE_EQ(st.net.mconc, 1.0e-3 + 0.04);
  EXPECT_EQ(st.species[Index("Temperature(K)")].phase, "T_STORE99");
}

// At constant pressure y holds amounts: every rate law sees n/V, and the
// balances take V times the rate per volume, so a first-order rate is not
// divided by V, a bimolecular one once, and a fall-off constant is formed
// from concentrations. The volume follows the gas: dV/dt = (Rv/P) T dn/dt.
TEST_F(DerivsFixture, AtConstantPressureRateLawsSeeConcentrations) {
  const double na = 2.0, nb = 3.0, v = 2.0, t = 298.15;
  AddSpecies(run, "A", na);
  AddSpecies(run, "B", nb);
  AddSpecies(run, "C");
  AddSpecies(run, "Volume", v);
  AddReaction(run, 0.1, {{1, "A"}}, {{1, "C"}});
  AddReaction(run, 0.5, {{1, "A"}, {1, "B"}}, {{1, "C"}});
  const int falloff = AddReaction(run, 4.0, {{1, "B"}}, {{2, "C"}});
  testing::AddSpecial(run, falloff, 2, {0.25, 0.0, 0.0});  // Lindemann, k0 = 0.25
  run.settings.constp = true;
  run.settings.temp = t;
  CompileAt(t);
  SetUpStateVariables(run);
  const int vi = Index("Volume");
  ASSERT_EQ(st.net.volume_index, vi);
  EXPECT_DOUBLE_EQ(st.net.pressure, 8.31451 * t * (na + nb) / v);
  EvaluateAtStore();
  const double ca = na / v, cb = nb / v;
  const double pr = 0.25 * (ca + cb) / (4.0 + 1e-79);
  const double kfall = 4.0 * pr / (1.0 + pr);
  EXPECT_DOUBLE_EQ(st.rate[1], 0.1 * na);
  EXPECT_DOUBLE_EQ(st.rate[2], 0.5 * na * nb / v);
  EXPECT_DOUBLE_EQ(st.net.rk[falloff], kfall);
  EXPECT_DOUBLE_EQ(st.rate[falloff], kfall * nb);
  const double dna = -0.1 * na - 0.5 * na * nb / v, dnb = -0.5 * na * nb / v - kfall * nb;
  EXPECT_DOUBLE_EQ(dydt[Index("A") - 3], dna);
  const double dgas = dna + dnb + dydt[Index("C") - 3];
  EXPECT_NEAR(dydt[vi - 3], 8.31451 / st.net.pressure * t * dgas, 1e-14);
  EXPECT_GT(dgas, 0.0);  // B -> 2C makes more gas: the vessel grows
}

// A pressure table reads the gas pressure [M] R T in a closed vessel and the
// held pressure at constant pressure; the reaction line's k multiplies it and
// is the parameter that fitting and the sensitivity analysis change.
TEST_F(DerivsFixture, PressureTablesReadTheGasPressureAndScaleWithTheLineFactor) {
  for (const bool constant_pressure : {false, true}) {
    CapturedRun fresh;
    tarnavel::Run& r = fresh.run;
    r.sw.ignore_mass = true;
    const double t = 500.0;
    AddSpecies(r, "A", 2.0);
    AddSpecies(r, "B", 3.0);
    if (constant_pressure) AddSpecies(r, "Volume", 0.5);
    const int plog = AddReaction(r, 2.0, {{1, "A"}}, {{2, "B"}});
    PressureTable table;
    table.pressure = {1.0, 1000.0};
    table.ln_pressure = {0.0, std::log(1000.0)};
    table.first = {0, 1, 2};
    table.row = {{std::log(1.0), 1.0, 0.0, 0.0}, {std::log(100.0), 1.0, 0.0, 0.0}};
    r.store.pressure_table.push_back(table);
    testing::AddSpecial(r, plog, kPlog, {1.0});
    r.settings.constp = constant_pressure;
    r.settings.temp = t;
    CompileNetwork(r);
    r.store.net.temperature = t;
    SetUpStateVariables(r);
    std::vector<double> y;
    for (int s = 3; s <= r.store.spec; ++s) y.push_back(r.store.conc[s]);
    std::vector<double> f(y.size());
    // A -> 2B in a closed vessel: the pressure follows the gas, here 1.5 times
    // what it was. At constant pressure the volume follows instead.
    y[0] = 1.0;
    y[1] = 5.0;
    Derivs(r, y.data(), f.data());
    const double p_kpa = constant_pressure ? 8.31451 * t * 5.0 / 0.5 : 8.31451 * t * 6.0;
    const double p_atm = p_kpa / 101.325;
    const double k = std::pow(100.0, std::log(p_atm) / std::log(1000.0));
    EXPECT_NEAR(r.store.net.rk[plog], 2.0 * k, 1e-13 * k) << constant_pressure;
    SetRateParameter(r, plog, 5.0);
    EXPECT_EQ(RateParameter(r, plog), 5.0);
    Derivs(r, y.data(), f.data());
    EXPECT_NEAR(r.store.net.rk[plog], 5.0 * k, 1e-13 * k) << constant_pressure;
  }
}

}  // namespace
}  // namespace tarnavel
