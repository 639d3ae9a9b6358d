// Species properties from the seven-coefficient polynomials, reverse rate
// constants from the equilibrium constant, and the temperature equation of a
// closed constant-volume vessel, on small stores built by hand.

#include "thermo/thermo_properties.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "model/state_variables.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::AddReaction;
using testing::AddSpecies;
using testing::CapturedRun;
using testing::Items;

// Coefficients of the two ranges: low a(1, k), high a(2, k).
ThermoSpeciesData Data(const std::array<double, 7>& low, const std::array<double, 7>& high) {
  ThermoSpeciesData d;
  for (int k = 1; k <= 7; ++k) {
    d.a[1][k] = low[k - 1];
    d.a[2][k] = high[k - 1];
  }
  d.lt = 200.0;
  d.ct = 1000.0;
  d.ht = 3500.0;
  d.supplied = true;
  return d;
}

const ThermoSpeciesData kWater = Data({4.19864056, -2.0364341e-3, 6.52040211e-6, -5.48797062e-9, 1.77197817e-12,
                                       -3.02937267e4, -8.49032208e-1},
                                      {3.03399249, 2.17691804e-3, -1.64072518e-7, -9.7041987e-11, 1.68200992e-14,
                                       -3.00042971e4, 4.9667701});

TEST(SpeciesProperties, PolynomialsOfTheRangeThatServesTheTemperature) {
  for (double t : {300.0, 1000.0, 1000.0001, 2500.0}) {
    const auto& a = t <= 1000.0 ? kWater.a[1] : kWater.a[2];  // the common temperature is low range
    const double h = a[1] + a[2] * t / 2 + a[3] * t * t / 3 + a[4] * t * t * t / 4 + a[5] * t * t * t * t / 5 + a[6] / t;
    const double s = a[1] * std::log(t) + a[2] * t + a[3] * t * t / 2 + a[4] * t * t * t / 3 +
                     a[5] * t * t * t * t / 4 + a[7];
    const double cp = a[1] + a[2] * t + a[3] * t * t + a[4] * t * t * t + a[5] * t * t * t * t;
    EXPECT_NEAR(EnthalpyRT(kWater, t), h, 1e-12 * std::fabs(h)) << t;
    EXPECT_NEAR(EntropyR(kWater, t), s, 1e-12 * std::fabs(s)) << t;
    EXPECT_NEAR(HeatCapacityR(kWater, t), cp, 1e-12 * std::fabs(cp)) << t;
  }
  // Water near room temperature: Cp/R about 4.04, S/R about 22.7, H/RT about -95.9.
  EXPECT_NEAR(HeatCapacityR(kWater, 298.15), 4.04, 0.01);
  EXPECT_NEAR(EntropyR(kWater, 298.15), 22.7, 0.1);
  EXPECT_NEAR(EnthalpyRT(kWater, 298.15), -241826.0 / (8.314462 * 298.15), 0.1);
}

// A = 2B reversed by thermodynamics, with the temperature integrated: the
// reverse constant follows kf/Kc, and the temperature equation keeps the
// internal energy of the vessel.
struct ReversedPair : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  ModelStore& st = run.store;
  int a = 0, b = 0, t = 0;

  void Build(const ThermoSpeciesData& da, const ThermoSpeciesData& db, double temperature,
             const Items& reactants = {{1, "A"}}, const Items& products = {{2, "B"}}) {
    run.sw.thermo = true;
    run.sw.ignore_mass = true;
    AddSpecies(run, "A", 1.0e-3);
    AddSpecies(run, "B", 1.0e-4);
    AddSpecies(run, "Temperature(K)", temperature);
    AddReaction(run, 2.0e3, reactants, products);
    AddReaction(run, 1.0, products, reactants);
    st.reaction[1].reversible = true;
    st.reaction[2].reverse = true;
    CompileNetwork(run);
    for (int s = 3; s <= st.rspec; ++s) {
      if (st.species[s].name == "A") a = s;
      if (st.species[s].name == "B") b = s;
      if (st.species[s].name == "Temperature(K)") t = s;
    }
    st.thermo.species[a] = da;
    st.thermo.species[b] = db;
    SetUpStateVariables(run);
  }
  std::vector<double> State() const {
    std::vector<double> y(st.spec - 2);
    for (int s = 3; s <= st.spec; ++s) y[s - 3] = st.conc[s];
    return y;
  }
};

TEST_F(ReversedPair, ReverseConstantIsForwardOverKcAndEnergyIsKept) {
  const ThermoSpeciesData da = kWater;
  ThermoSpeciesData db = kWater;
  for (int r = 1; r <= 2; ++r) db.a[r][6] += 2.0e4;  // B lies higher in enthalpy
  Build(da, db, 1500.0);
  ASSERT_EQ(st.net.temperature_index, t);
  std::vector<double> y = State(), dydt(y.size());
  Derivs(run, y.data(), dydt.data());

  const double temp = 1500.0;
  const double dh = 2 * EnthalpyRT(db, temp) - EnthalpyRT(da, temp);
  const double ds = 2 * EntropyR(db, temp) - EntropyR(da, temp);
  const double kc = std::exp(ds - dh) / (0.082057 * temp);  // one mole more
  EXPECT_NEAR(st.net.rk[2], 2.0e3 / kc, 1e-12 * 2.0e3 / kc);

  // d/dt of sum c U = sum dc/dt U + sum c Cv dT/dt must vanish.
  double energy_rate = 0.0;
  for (int s : {a, b}) {
    const ThermoSpeciesData& d = s == a ? da : db;
    const double u = (EnthalpyRT(d, temp) - 1.0) * temp;
    const double cv = HeatCapacityR(d, temp) - 1.0;
    energy_rate += dydt[s - 3] * u + st.conc[s] * cv * dydt[t - 3];
  }
  EXPECT_NEAR(energy_rate, 0.0, 1e-12 * std::fabs(dydt[a - 3] * EnthalpyRT(da, temp) * temp));
  EXPECT_LT(dydt[t - 3], 0.0);  // A -> 2B absorbs heat
}

// One fresh pair per case.
struct PairCase : ReversedPair {
  void TestBody() override {}
};

// The constants used at every evaluation take each species once with its net
// coefficient; they agree with the reaction's own sums of H/RT and S/R,
// also when a species stands on both sides or M is a reactant. Small whole
// coefficients multiply the species' factors exp(S/R - H/RT); a fractional or
// a large one takes the exponential of the sum, with the same value.
TEST(ReversedPairs, NetCoefficientsGiveTheEquilibriumConstantOfTheReaction) {
  ThermoSpeciesData db = kWater;
  for (int r = 1; r <= 2; ++r) db.a[r][6] += 2.0e4;
  struct Case {
    Items reactants, products;
    double moles;
    bool factors;
  };
  const std::vector<Case> cases = {
      {{{1, "A"}}, {{2, "B"}}, 1.0, true},
      {{{1, "A"}, {1, "B"}}, {{3, "B"}}, 1.0, true},  // B on both sides: net A = 2B
      {{{1, "M"}, {1, "A"}}, {{1, "M"}, {2, "B"}}, 1.0, true},
      {{{1, "A"}}, {{0.5, "B"}}, -0.5, false},
      {{{1, "A"}}, {{5, "B"}}, 4.0, false},
  };
  for (const Case& c : cases) {
    PairCase p;
    p.Build(kWater, db, 1500.0, c.reactants, c.products);
    const Network& net = p.st.net;
    ASSERT_EQ(net.reversed.size(), 1u);
    EXPECT_EQ(net.kc_start.back() - net.kc_start.front(), 2);  // A and B, each once
    EXPECT_DOUBLE_EQ(net.kc_moles[0], c.moles);
    EXPECT_EQ(net.kc_weight[0] > 0.0, c.factors) << c.moles;
    const double kc = EquilibriumConstant(p.run, 1, 1500.0);
    EXPECT_NEAR(p.st.net.rk[2], 2.0e3 / kc, 1e-13 * 2.0e3 / kc) << c.moles;
  }
}

TEST_F(ReversedPair, AnEquilibriumConstantBelow1e50GivesTheMarkerRate) {
  ThermoSpeciesData db = kWater;
  for (int r = 1; r <= 2; ++r) db.a[r][6] += 1.0e7;  // B far too high to form
  Build(kWater, db, 1500.0);
  std::vector<double> y = State(), dydt(y.size());
  Derivs(run, y.data(), dydt.data());
  EXPECT_EQ(st.net.rk[2], kUnderflowReverseRate);
}

// Above a species' high bound the high range serves with warning 35, once per
// species however often it is met; a concentration unit without a gas constant stops with fatal 76.

TEST(ReversedPairs, TemperatureAboveTheRangeWarnsAndAnUnknownUnitStops) {
  struct Case {
    double temperature;
    int units;
    int fatal;
    const char* printed;
  };
  const Case cases[] = {
      {4000.0, kMolesPerLiter, 0, "About to give warning on temperature @"},
      {4000.0, kMolesPerLiter, 0, " Warning Error #  35\n"},
      {1500.0, kPpm, 76, "please use UNITS of mol./liter, mol./cc or\n"},
  };
  for (const Case& c : cases) {
    PairCase p;
    p.run.settings.concunits = c.units;
    int fatal = 0;
    try {
      p.Build(kWater, kWater, c.temperature);
      std::vector<double> y = p.State(), dydt(y.size());
      p.st.conc[p.t] = y[p.t - 3] = c.temperature + 1.0;  // a new temperature: properties again
      Derivs(p.run, y.data(), dydt.data());
    } catch (const ProgramStop& stop) {
      fatal = stop.fatal_number;
    }
    EXPECT_EQ(fatal, c.fatal) << p.cr.Text();
    const std::string text = p.cr.Text();
    int times = 0;
    for (size_t at = text.find(c.printed); at != std::string::npos; at = text.find(c.printed, at + 1)) ++times;
    // Warned for A and for B, at the first temperature only.
    EXPECT_EQ(times, c.fatal == 0 ? 2 : 1) << text;
  }
}

}  // namespace
}  // namespace tarnavel
