// Reactions with four species on a side: read from model-file text, compiled
// into slots and terms, evaluated by the derivative function and both
// Jacobians, and reversed through the equilibrium constant.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "input/model_file.hpp"
#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "model/model_system.hpp"
#include "model/state_variables.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"
#include "thermo/thermo_properties.hpp"

namespace tarnavel {
namespace {

using testing::AddSpecies;
using testing::CapturedRun;

struct FourSlots : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  ModelStore& st = run.store;

  void SetUp() override { run.sw.ignore_mass = true; }

  // Reads model-file lines; returns the fatal number, -1 for another stop, 0 when read.
  int Read(const std::string& text) {
    std::istringstream in(text);
    try {
      ReadModelLines(run, in);
    } catch (const ProgramStop& stop) {
      return stop.fatal_number != 0 ? stop.fatal_number : -1;
    }
    return 0;
  }
  int Index(const std::string& name) const {
    for (int s = 1; s <= st.rspec; ++s)
      if (st.species[s].name == name) return s;
    return -1;
  }
  std::vector<std::pair<int, int>> Terms(const std::string& name) const {
    const int l = Index(name) - 2;
    std::vector<std::pair<int, int>> out;
    for (int k = st.net.term_start[l]; k < st.net.term_start[l + 1]; ++k)
      out.emplace_back(st.net.term[k].reaction, st.net.term[k].pos);
    return out;
  }
  std::vector<double> State() const {
    std::vector<double> y;
    for (int s = 3; s <= st.spec; ++s) y.push_back(st.conc[s]);
    return y;
  }
  double Y(const std::vector<double>& y, const std::string& name) const { return y[Index(name) - 3]; }

  // Eight species and five reactions with four species on a side: unit and
  // other coefficients, M written in the fourth reactant slot, hv in the
  // first of four product slots.
  void BuildMechanism() {
    const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "H"};
    for (int i = 0; i < 8; ++i) AddSpecies(run, names[i], 0.11 * (i + 1) + 0.03 * i * i);
    ASSERT_EQ(Read("# k\treaction\n"
                   "0.7\tA + B + C + D ==> E\n"
                   "0.3\tE ==> F + G + H + 2A\n"
                   "0.05\t2A + B + 0.5C + D ==> F\n"
                   "0.2\tA + B + C + M ==> G\n"
                   "0.4\tD ==> hv + E + F + G\n"),
              0);
    CompileNetwork(run);
    EvaluateArrhenius(run, st.net.temperature);
  }
};

TEST_F(FourSlots, FourSpeciesASideAreReadAndAFifthStops) {
  for (const char* n : {"A", "B", "C", "D", "E", "F", "G"}) AddSpecies(run, n, 1.0);
  struct Case {
    const char* line;
    int fatal;
  };
  const Case cases[] = {
      {"1.0\tA + B + C + D ==> E\n", 0},
      {"1.0\tA ==> B + C + D + E\n", 0},
      {"1.0\tA + A + B + C + D ==> E\n", 0},  // A + A is 2A: four species
      {"1.0\tA + B = C + D + E + F\n", 0},    // its reverse has four reactants
      {"1.0\tA + B + C + D + E ==> F\n", 39},
      {"1.0\tA ==> B + C + D + E + F\n", 40},
      {"1.0\tA + B = C + D + E + F + G\n", 40},
      {"1.0\tA + B + C + D + M[N2(1.4)] ==> E\n", 0},  // the bracket group is no species
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    st.nreact = 0;
    st.cursk = 0;
    EXPECT_EQ(Read(c.line), c.fatal);
  }
  // The reversible line: the generated reverse swaps the four-species side.
  st.nreact = 0;
  ASSERT_EQ(Read("1.0\tA + B = C + D + E + F\n"), 0);
  ASSERT_EQ(st.nreact, 2);
  const ReactionRecord& back = st.reaction[2];
  EXPECT_TRUE(back.reverse);
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(back.reactant[j].name, st.reaction[1].product[j].name) << j;
  EXPECT_EQ(back.product[1].name, "A");
  EXPECT_EQ(back.product[2].name, "B");
  EXPECT_EQ(back.product[3].name, "*");
}

TEST_F(FourSlots, SlotsAndPositionCodesOfTheFourthSpecies) {
  BuildMechanism();
  const CompiledReaction& r1 = st.net.rx[1];
  EXPECT_EQ(r1.nrct, 4);
  EXPECT_TRUE(r1.unitr);
  EXPECT_EQ(r1.rsp[4], Index("D"));
  const CompiledReaction& r2 = st.net.rx[2];
  EXPECT_EQ(r2.nprd, 4);
  EXPECT_FALSE(r2.unitp);
  EXPECT_EQ(r2.psp[4], Index("A"));
  EXPECT_DOUBLE_EQ(r2.stoich[kProductStoich + 4], 2.0);
  EXPECT_EQ(r2.rsp[2], kEmptyReactant);
  // M written fourth takes slot 1; A takes its slot.
  const CompiledReaction& r4 = st.net.rx[4];
  EXPECT_EQ(r4.rsp[1], kM);
  EXPECT_EQ(r4.rsp[4], Index("A"));
  EXPECT_TRUE(st.net.m_used);
  // hv leaves the products and the other three close up.
  const CompiledReaction& r5 = st.net.rx[5];
  EXPECT_EQ(r5.nprd, 3);
  EXPECT_EQ(r5.psp[1], Index("E"));
  EXPECT_EQ(r5.psp[3], Index("G"));
  EXPECT_EQ(r5.psp[4], kEmptyProduct[4]);
  EXPECT_TRUE(r5.unitp);
  // A: reactant slot 1 of 1 and 3, product slot 4 of 2, reactant slot 4 of 4.
  EXPECT_EQ(Terms("A"), (std::vector<std::pair<int, int>>{
                            {1, ReactantPos(1)}, {2, ProductPos(4)}, {3, ReactantPos(1)}, {4, ReactantPos(4)}}));
  EXPECT_EQ(Terms("D"), (std::vector<std::pair<int, int>>{{1, ReactantPos(4)}, {3, ReactantPos(4)}, {5, ReactantPos(1)}}));
  // The four-reactant unit law is served by the general loop.
  const RateForms& f = st.net.forms;
  EXPECT_NE(std::find(f.other.begin(), f.other.end(), 1), f.other.end());
  EXPECT_NE(std::find(f.other.begin(), f.other.end(), 4), f.other.end());
}

TEST_F(FourSlots, DerivsIsMassActionOverEveryReactant) {
  BuildMechanism();
  std::vector<double> y = State(), dydt(y.size());
  st.net.hvflux = 0.6f;
  Derivs(run, y.data(), dydt.data());
  const double a = Y(y, "A"), b = Y(y, "B"), c = Y(y, "C"), d = Y(y, "D"), e = Y(y, "E");
  double m = 0.0;
  for (double v : y) m += v;
  const double r1 = 0.7 * a * b * c * d;
  const double r2 = 0.3 * e;
  const double r3 = 0.05 * a * a * b * std::sqrt(c) * d;
  const double r4 = 0.2 * a * b * c * m;
  const double r5 = 0.4 * d;
  const double rates[] = {r1, r2, r3, r4, r5};
  for (int r = 1; r <= 5; ++r) EXPECT_NEAR(st.rate[r], rates[r - 1], 1e-14 * rates[r - 1]) << r;
  struct Row {
    const char* species;
    double expected;
  };
  const Row rows[] = {
      {"A", -r1 + 2 * r2 - 2 * r3 - r4}, {"B", -r1 - r3 - r4},  {"C", -r1 - 0.5 * r3 - r4},
      {"D", -r1 - r3 - r5},              {"E", r1 - r2 + r5},   {"F", r2 + r3 + r5},
      {"G", r2 + r4 + r5},               {"H", r2},
  };
  for (const Row& row : rows) {
    const double got = dydt[Index(row.species) - 3];
    EXPECT_NEAR(got, row.expected, 1e-13 * (r1 + r2 + r3 + r4 + r5)) << row.species;
  }
}

TEST_F(FourSlots, AnalyticJacobianEqualsTheNumericalOne) {
  BuildMechanism();
  const std::vector<double> y = State();
  const int n = st.spec - 2;
  auto jacobian = [&](bool analytic) {
    run.sw.anjac = analytic;
    ModelSystem sys(run);
    std::vector<double> dydx(y.size());
    sys.Derivs(y.data(), dydx.data());
    Matrix j(st.cap.max_species);
    sys.Jacobian(y.data(), dydx.data(), j);
    return j;
  };
  const Matrix ana = jacobian(true);
  const Matrix num = jacobian(false);
  std::vector<double> f(y.size());
  Derivs(run, y.data(), f.data());
  for (int i = 0; i < n; ++i) {
    double row = 0.0;
    for (int j = 0; j < n; ++j) row = std::max(row, std::fabs(ana(i, j)));
    for (int j = 0; j < n; ++j) {
      // Forward differences carry about 1e-8 of the row's magnitude, and the
      // rounding of dy/dt over the increment, 1e-8 y: some 1e-16 |f| / (1e-8 y).
      const double rounding = 1.0e-7 * std::fabs(f[i]) / y[j];
      EXPECT_NEAR(num(i, j), ana(i, j), 1e-7 * std::max(std::fabs(ana(i, j)), row) + rounding)
          << st.species[i + 3].name << " by " << st.species[j + 3].name;
    }
  }
  // H is formed only by E ==> F + G + H + 2A: its row is 0.3 in E's column.
  const int ih = Index("H") - 3;
  for (int j = 0; j < n; ++j) EXPECT_EQ(ana(ih, j), j == Index("E") - 3 ? 0.3 : 0.0);
}

// Polynomial coefficients of water with the enthalpy and entropy constants
// shifted, so that every species of the reaction weighs in Kc differently.
ThermoSpeciesData Shifted(double dh, double ds) {
  const double low[7] = {4.19864056, -2.0364341e-3, 6.52040211e-6, -5.48797062e-9, 1.77197817e-12, -3.02937267e4,
                         -8.49032208e-1};
  const double high[7] = {3.03399249, 2.17691804e-3, -1.64072518e-7, -9.7041987e-11, 1.68200992e-14, -3.00042971e4,
                          4.9667701};
  ThermoSpeciesData d;
  for (int k = 1; k <= 7; ++k) {
    d.a[1][k] = low[k - 1];
    d.a[2][k] = high[k - 1];
  }
  for (int r = 1; r <= 2; ++r) {
    d.a[r][6] += dh;
    d.a[r][7] += ds;
  }
  d.lt = 200.0;
  d.ct = 1000.0;
  d.ht = 3500.0;
  d.supplied = true;
  return d;
}

TEST_F(FourSlots, ReverseOfAFourProductReactionIsForwardOverKcOfEverySpecies) {
  run.sw.thermo = true;
  struct Sp {
    const char* name;
    double conc, dh, ds;
  };
  const Sp species[] = {{"A", 2.0e-3, 0.0, 0.0},     {"B", 1.5e-3, -4.0e3, 1.0},  {"C", 3.0e-4, 6.0e3, 2.5},
                        {"D", 2.0e-4, 1.1e4, -0.5},  {"E", 5.0e-4, -2.0e3, 3.0}, {"F", 1.0e-4, 8.0e3, 1.5}};
  for (const Sp& s : species) AddSpecies(run, s.name, s.conc);
  AddSpecies(run, "Temperature(K)", 1400.0);
  ASSERT_EQ(Read("1.0E3\tA + B = C + D + E + F\n"), 0);
  CompileNetwork(run);
  for (const Sp& s : species) st.thermo.species[Index(s.name)] = Shifted(s.dh, s.ds);
  SetUpStateVariables(run);
  ASSERT_EQ(st.net.reversed, std::vector<int>{1});
  std::vector<double> y = State(), dydt(y.size());
  Derivs(run, y.data(), dydt.data());

  const double t = 1400.0;
  double dh = 0.0, ds = 0.0;
  for (const Sp& s : species) {
    const double nu = s.name[0] <= 'B' ? -1.0 : 1.0;
    const ThermoSpeciesData d = Shifted(s.dh, s.ds);
    dh += nu * EnthalpyRT(d, t);
    ds += nu * EntropyR(d, t);
  }
  const double kc = std::exp(ds - dh) * std::pow(0.082057 * t, -2.0);  // two moles more
  EXPECT_NEAR(st.net.rk[2], 1.0e3 / kc, 1e-12 * 1.0e3 / kc);
  // The reverse runs on all four of its reactants.
  const double forward = 1.0e3 * Y(y, "A") * Y(y, "B");
  const double reverse = st.net.rk[2] * Y(y, "C") * Y(y, "D") * Y(y, "E") * Y(y, "F");
  EXPECT_NEAR(st.rate[2], reverse, 1e-14 * reverse);
  EXPECT_NEAR(dydt[Index("A") - 3], reverse - forward, 1e-13 * (forward + reverse));
  EXPECT_NEAR(dydt[Index("F") - 3], forward - reverse, 1e-13 * (forward + reverse));
}

}  // namespace
}  // namespace tarnavel
