// The analytic Jacobian against the numerical one on a model with every kind
// of mass-action term, its exact values on the simplest reaction, and the
// choice between the two providers.

#include "model/analytic_jacobian.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "driver/stages.hpp"
#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "model/model_system.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::AddArrhenius;
using testing::AddReaction;
using testing::AddSpecial;
using testing::AddSpecies;
using testing::CapturedRun;

struct JacobianFixture : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  ModelStore& st = run.store;

  void SetUp() override { run.sw.ignore_mass = true; }

  void Compile() {
    CompileNetwork(run);
    EvaluateArrhenius(run, st.net.temperature);
  }
  int Index(const std::string& name) const {
    for (int s = 1; s <= st.rspec; ++s)
      if (st.species[s].name == name) return s;
    return -1;
  }
  // The integrated concentrations as the store holds them after compilation.
  std::vector<double> State() const {
    std::vector<double> y;
    for (int s = 3; s <= st.spec; ++s) y.push_back(st.conc[s]);
    return y;
  }
  // The Jacobian of the model at y, analytic or numerical as ModelSystem forms it.
  Matrix Jacobian(const std::vector<double>& y, bool analytic) {
    run.sw.anjac = analytic;
    ModelSystem sys(run);
    std::vector<double> dydx(y.size());
    sys.Derivs(y.data(), dydx.data());
    Matrix j(st.cap.max_species);
    sys.Jacobian(y.data(), dydx.data(), j);
    return j;
  }
};

TEST_F(JacobianFixture, AFirstOrderReactionGivesMinusKAndPlusK) {
  AddSpecies(run, "A", 1.5);
  AddSpecies(run, "B", 0.0);
  AddReaction(run, 0.1, {{1, "A"}}, {{1, "B"}});
  Compile();
  const Matrix ana = Jacobian(State(), true);
  EXPECT_EQ(ana(0, 0), -0.1);
  EXPECT_EQ(ana(1, 0), 0.1);
  EXPECT_EQ(ana(0, 1), 0.0);
  EXPECT_EQ(ana(1, 1), 0.0);
  const Matrix num = Jacobian(State(), false);
  EXPECT_NEAR(num(0, 0) / -0.1, 1.0, 1e-7);
  EXPECT_NEAR(num(1, 0) / 0.1, 1.0, 1e-7);
}

TEST_F(JacobianFixture, EqualsTheNumericalJacobianEntryByEntry) {
  AddSpecies(run, "A", 1.2);
  AddSpecies(run, "B", 0.7);
  AddSpecies(run, "C", 0.9);
  AddSpecies(run, "D", 0.4);
  const int e = AddSpecies(run, "E", 0.6);
  const int x = AddSpecies(run, "X", 0.05);  // steady state: held at its value
  const int g = AddSpecies(run, "G", 2.5);   // constant concentration
  AddSpecies(run, "F", 0.3);
  st.species[e].flow_rate = 2.0;  // CSTR: residence time 0.5 s
  st.species[e].external = 0.5;
  st.cstr = true;
  st.species[x].steady_state = true;
  st.species[g].held = true;
  AddReaction(run, 0.3, {{1, "A"}}, {{1, "B"}});                          // first order
  AddReaction(run, 1.7, {{1, "A"}, {1, "B"}}, {{1, "C"}});               // second order
  AddReaction(run, 0.8, {{2, "A"}}, {{1, "D"}});                         // 2A
  AddReaction(run, 0.45, {{1.5, "B"}, {1, "C"}}, {{2, "A"}});            // 1.5B + C ==> 2A
  AddReaction(run, 0.6, {{1, "C"}, {1, "hv"}}, {{1, "A"}, {1, "B"}});    // photolysis: hv to slot 1
  AddReaction(run, 0.05, {{1, "A"}, {1, "D"}, {1, "M"}}, {{1, "E"}});    // third body: M to slot 1
  AddReaction(run, 0.9, {{1, "E"}}, {{0.5, "C"}, {1, "F"}});             // product coefficient 0.5
  AddReaction(run, 0.2, {{0.5, "C"}, {1, "D"}}, {{1, "F"}});             // fractional order
  AddReaction(run, 0.35, {{1, "G"}, {1, "A"}}, {{1, "B"}});              // constant partner
  AddReaction(run, 1.1, {{1, "A"}}, {{1, "X"}});
  AddReaction(run, 2.2, {{1, "X"}, {1, "F"}}, {{1, "D"}});               // steady-state partner
  AddReaction(run, 0.15, {{1, "F"}, {2, "B"}, {1, "A"}}, {{3, "C"}});    // third order, mixed
  Compile();
  st.net.hvflux = 0.75f;
  ASSERT_TRUE(st.net.m_used);
  ASSERT_EQ(st.spec, 8);  // A..F integrated; X steady state, G retained
  ASSERT_EQ(st.species[Index("X")].steady_state, true);

  const std::vector<double> y = State();
  const int n = st.spec - 2;
  const Matrix ana = Jacobian(y, true);
  const Matrix num = Jacobian(y, false);
  for (int i = 0; i < n; ++i) {
    double row = 0.0;
    for (int j = 0; j < n; ++j) row = std::max(row, std::fabs(ana(i, j)));
    for (int j = 0; j < n; ++j) {
      // Forward differences carry about 1e-8 of the row's magnitude.
      EXPECT_NEAR(num(i, j), ana(i, j), 1e-7 * std::max(std::fabs(ana(i, j)), row))
          << st.species[i + 3].name << " by " << st.species[j + 3].name;
    }
  }
  // E's row by hand: E is formed by A + D + M at 0.05 A D [M] and lost by
  // E ==> C at 0.9 and by the outflow at 1/tau = 2. [M] is the sum of every
  // gas-phase concentration, so the third-body rate reaches every column.
  double mconc = 0.0;
  for (int s = 3; s <= st.rspec; ++s) mconc += st.conc[s];
  const int ie = Index("E") - 3, ia = Index("A") - 3, id = Index("D") - 3, ib = Index("B") - 3;
  const double via_m = 0.05 * y[ia] * y[id];
  EXPECT_NEAR(ana(ie, ie), -0.9 - 2.0 + via_m, 1e-15);
  EXPECT_NEAR(ana(ie, ia), 0.05 * y[id] * mconc + via_m, 1e-15);
  EXPECT_NEAR(ana(ie, ib), via_m, 1e-15);
}

TEST_F(JacobianFixture, AFractionalOrderAtZeroConcentrationStaysFinite) {
  // d(C^0.5)/dC is infinite at C = 0; the analytic slope is the secant the
  // numerical Jacobian takes, so the step matrix stays usable.
  AddSpecies(run, "C", 0.0);
  AddSpecies(run, "D", 1.0);
  AddReaction(run, 0.2, {{0.5, "C"}}, {{1, "D"}});
  Compile();
  const Matrix ana = Jacobian(State(), true);
  const Matrix num = Jacobian(State(), false);
  EXPECT_TRUE(std::isfinite(ana(0, 0)));
  EXPECT_NEAR(ana(0, 0) / num(0, 0), 1.0, 1e-7);
  EXPECT_NEAR(ana(1, 0) / num(1, 0), 1.0, 1e-7);
}

TEST_F(JacobianFixture, TheAnalyticJacobianNeedsNoRateEvaluation) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B", 0.5);
  AddReaction(run, 0.4, {{1, "A"}, {1, "B"}}, {{2, "A"}});
  Compile();
  const std::vector<double> y = State();
  std::vector<double> dydx(2);
  run.sw.anjac = true;
  ModelSystem sys(run);
  sys.Derivs(y.data(), dydx.data());
  const long derivs = run.counts.derivs;
  Matrix j(st.cap.max_species);
  sys.Jacobian(y.data(), dydx.data(), j);
  EXPECT_EQ(run.counts.derivs, derivs);
  EXPECT_EQ(run.counts.jacobians, 1);
  run.sw.anjac = false;
  sys.Jacobian(y.data(), dydx.data(), j);
  EXPECT_EQ(run.counts.derivs, derivs + 2);  // one rate evaluation per column
}

struct ChoiceCase {
  std::string name;
  void (*model)(tarnavel::Run& run);
  bool anjac;      // -anjac given
  bool analytic;   // the analytic Jacobian is used
  bool warning;    // warning 36 is issued
};

void PlainModel(tarnavel::Run& run) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  AddReaction(run, 0.1, {{1, "A"}}, {{1, "B"}});
}

TEST(AnalyticJacobianChoice, RefusedForStateDependentRateConstants) {
  const ChoiceCase cases[] = {
      {"plain", PlainModel, true, true, false},
      {"not asked for", PlainModel, false, false, false},
      {"Arrhenius", [](tarnavel::Run& run) {
         PlainModel(run);
         AddArrhenius(run, 1.0e3, 0.0, 5000.0, {{1, "B"}}, {{1, "A"}});
       }, true, false, true},
      {"Arrhenius without temperature dependence", [](tarnavel::Run& run) {
         PlainModel(run);
         AddArrhenius(run, 1.0e3, 0.0, 0.0, {{1, "B"}}, {{1, "A"}});
       }, true, true, false},
      {"third body", [](tarnavel::Run& run) {
         PlainModel(run);
         const int r = AddReaction(run, 1.0, {{1, "B"}, {1, "M"}}, {{1, "A"}});
         AddSpecial(run, r, kThirdBody, {});
       }, true, false, true},
      {"thermodynamic mode", [](tarnavel::Run& run) {
         PlainModel(run);
         run.sw.thermo = true;
       }, true, false, true},
      {"constant pressure", [](tarnavel::Run& run) {
         PlainModel(run);
         run.settings.constp = true;
       }, true, false, true},
  };
  for (const ChoiceCase& c : cases) {
    CapturedRun cr;
    cr.run.sw.ignore_mass = true;
    c.model(cr.run);
    CompileNetwork(cr.run);
    cr.Clear();
    cr.run.sw.anjac = c.anjac;
    EXPECT_EQ(stage::ChooseAnalyticJacobian(cr.run), c.analytic) << c.name;
    EXPECT_EQ(cr.run.sw.anjac, c.analytic) << c.name;  // the model follows the choice
    EXPECT_EQ(cr.Text().find("Warning Error #  36") != std::string::npos, c.warning) << c.name << cr.Text();
  }
}

}  // namespace
}  // namespace tarnavel
