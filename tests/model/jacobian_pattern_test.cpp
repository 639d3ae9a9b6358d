#include "model/jacobian_pattern.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "integrate/numerical_jacobian.hpp"
#include "model/analytic_jacobian.hpp"
#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "model/model_system.hpp"
#include "model/rate_expressions.hpp"
#include "model/rate_jacobian.hpp"
#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::AddReaction;
using testing::AddSpecial;
using testing::AddSpecies;

// Grouped perturbation, and re-evaluating only the reactions each species
// enters, must give the very Jacobian of one-column-at-a-time perturbation
// through whole derivative evaluations: every dependency of the rates is in
// the pattern.
TEST(JacobianPattern, GroupedColumnsAndReactionWiseColumnsGiveTheSameJacobianToTheBit) {
  // Plain mass action; with a fall-off reaction and its named third body; with
  // M as a reactant; with a third-body rate law counting only named colliders;
  // with a PLOG and with a Chebyshev table, which read the gas pressure [M] R T.
  // [M] makes a row depend on every gas-phase species.
  // With rate constants written as expressions of a species sum, directly and
  // through a definition.
  for (int variant = 0; variant < 7; ++variant) {
    const bool with_special = variant >= 1, with_m = variant == 2;
    testing::CapturedRun cr;
    tarnavel::Run& run = cr.run;
    run.sw.ignore_mass = true;
    for (int i = 1; i <= 12; ++i) AddSpecies(run, "S" + std::to_string(i), 0.1 * i);
    const int tracer = AddSpecies(run, "T", 2.0);
    run.store.species[tracer].flow_rate = 0.3;
    run.store.species[tracer].external = 1.0;
    for (int i = 1; i < 12; ++i) AddReaction(run, 0.5 + i, {{1, "S" + std::to_string(i)}}, {{1, "S" + std::to_string(i + 1)}});
    AddReaction(run, 3.0, {{2, "S2"}, {1, "S5"}}, {{1, "S9"}});
    AddReaction(run, 0.7, {{1, "S11"}, {1, "S3"}}, {{1, "S1"}, {1, "S3"}});
    if (with_special) {
      const int e = AddSpecial(run, AddReaction(run, 2.0, {{1, "S4"}}, {{1, "S7"}}), 3, {1e3, -1, 0, 0.6, 100, 1000});
      run.store.special[e].param[kColliderCountSlot] = 1;
      run.store.special[e].collider[1] = "S12";
    }
    if (with_m) AddReaction(run, 0.2, {{1, "S6"}, {1, "M"}}, {{1, "S8"}});
    if (variant == 3) {
      const int e = AddSpecial(run, AddReaction(run, 0.4, {{1, "S10"}, {1, "S2"}}, {{1, "S1"}}), 1, {});
      run.store.special[e].absolute = true;
      run.store.special[e].param[kColliderCountSlot] = 1;
      run.store.special[e].collider[1] = "S5";
      run.store.special[e].param[12] = 2.5;
    }
    if (variant >= 4) {
      PressureTable table;
      table.type = variant == 4 ? kPlog : kChebyshev;
      table.pressure = {1.0, 100.0};
      table.ln_pressure = {0.0, std::log(100.0)};
      table.first = {0, 1, 2};
      table.row = {{std::log(2.0), 1.0, 0.0, 0.0}, {std::log(50.0), 1.0, 0.0, 0.0}};
      table.orders_t = 1;
      table.orders_p = 3;
      table.coeff = {0.5, 0.8, -0.1};
      run.store.pressure_table.push_back(table);
      AddSpecial(run, AddReaction(run, 1.5, {{1, "S6"}, {1, "S9"}}, {{1, "S2"}}), table.type, {1.0});
    }
    if (variant == 6) {
      RateDefinitions& defs = run.store.rate_definitions;
      defs.read = true;
      defs.sums.push_back({"SUMX", {"S2", "S5", "S12", "ABSENT"}, 1});
      defs.defines.push_back({"KD", "2*SUMX**0.5", 2});
      const int r1 = AddReaction(run, 1.0, {{1, "S3"}}, {{1, "S10"}});
      run.store.reaction[r1].expression = "1e-3*SUMX";
      const int r2 = AddReaction(run, 1.0, {{1, "S9"}, {1, "S1"}}, {{1, "S4"}});
      run.store.reaction[r2].expression = "KD/(1+SUMX)";
    }
    CompileNetwork(run);
    CompileRateExpressions(run);
    EvaluateArrhenius(run, 298.0);

    const int n = run.store.Equations();
    std::vector<double> y(n), f(n), work(n), inc(n), saved(n);
    for (int i = 0; i < n; ++i) y[i] = 0.01 * (i + 1) * (i % 3 == 0 ? 1e-3 : 1.0);
    ModelSystem sys(run);
    sys.Derivs(y.data(), f.data());
    Matrix plain(n), grouped(n);
    std::vector<double> y1 = y, y2 = y;
    NumJacobian(sys, y1.data(), f.data(), n, plain, work.data());
    const JacobianGroups groups = GroupColumns(JacobianPattern(run));
    NumJacobianGrouped(sys, y2.data(), f.data(), n, grouped, work.data(), groups, inc.data(), saved.data());
    EXPECT_EQ(y2, y);  // the state is restored exactly
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) EXPECT_EQ(grouped(i, j), plain(i, j)) << i << "," << j << " variant " << variant;

    ASSERT_TRUE(RateJacobianApplies(run));
    RateJacobianPlan plan = PlanRateJacobian(run, JacobianPattern(run));
    Matrix reaction_wise(n);
    std::vector<double> y3 = y;
    const long evaluations = run.counts.derivs;
    RateJacobian(run, plan, y3.data(), f.data(), reaction_wise, work.data());
    EXPECT_EQ(run.counts.derivs, evaluations + 1);  // one evaluation at y, whatever the size
    EXPECT_EQ(y3, y);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) EXPECT_EQ(reaction_wise(i, j), plain(i, j)) << i << "," << j << " variant " << variant;
    // A Jacobian stored over its pattern only holds the same entries.
    const auto pattern = JacobianPattern(run);
    Matrix stored_rates(n), stored_groups(n);
    stored_rates.UsePattern(pattern);
    stored_groups.UsePattern(pattern);
    RateJacobian(run, plan, y3.data(), f.data(), stored_rates, work.data());
    NumJacobianGrouped(sys, y2.data(), f.data(), n, stored_groups, work.data(), groups, inc.data(), saved.data());
    for (const Matrix* stored : {&stored_rates, &stored_groups})
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) EXPECT_EQ((*stored)(i, j), plain(i, j)) << i << "," << j << " variant " << variant;
    if (!with_special) {
      // The analytic Jacobian written over the pattern only is the whole one,
      // whatever a previous Jacobian left in the pattern's entries.
      Matrix whole(n), over_pattern(n), stored(n);
      stored.UsePattern(pattern);
      for (int i = 0; i < n; ++i)
        for (int j : pattern[i]) over_pattern(i, j) = stored(i, j) = 7.0;
      AnaJacobian(run, y.data(), whole);
      AnaJacobian(run, y.data(), over_pattern, &pattern);
      AnaJacobian(run, y.data(), stored, &pattern);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          EXPECT_EQ(over_pattern(i, j), whole(i, j)) << i << "," << j;
          EXPECT_EQ(static_cast<const Matrix&>(stored)(i, j), whole(i, j)) << i << "," << j;
        }
    }
    // Rates and rate constants are left as at y: the next evaluation agrees.
    std::vector<double> again(n);
    sys.Derivs(y.data(), again.data());
    EXPECT_EQ(again, f);
    if (variant == 0) {
      EXPECT_LT(static_cast<int>(groups.group_start.size()) - 1, n / 2);  // far fewer evaluations
    }
  }
}

// A balance of more terms than kDifferenceTerms (OH in a whole atmospheric
// mechanism) changes by the differences of its changed terms; the entries
// agree with whole evaluations, including a flow term on the diagonal.
TEST(JacobianPattern, ALongBalanceChangesByItsChangedTerms) {
  testing::CapturedRun cr(kXlCapacity);
  tarnavel::Run& run = cr.run;
  run.sw.ignore_mass = true;
  const int partners = RateJacobianPlan::kDifferenceTerms + 10;
  const int oh = AddSpecies(run, "OH", 0.3);
  run.store.species[oh].flow_rate = 0.05;
  run.store.species[oh].external = 0.1;
  AddSpecies(run, "P", 0.0);
  for (int i = 1; i <= partners; ++i) {
    const std::string name = "A" + std::to_string(i);
    AddSpecies(run, name, 0.001 * (i % 17 + 1));
    AddReaction(run, 0.5 + 1e-3 * i, {{1, name}, {1, "OH"}}, {{1, "P"}});
  }
  AddReaction(run, 2.0, {{1, "P"}}, {{2, "OH"}});
  CompileNetwork(run);
  EvaluateArrhenius(run, 298.0);

  const int n = run.store.Equations();
  std::vector<double> y(n), f(n), work(n);
  for (int i = 0; i < n; ++i) y[i] = 0.001 * (i % 13 + 1);
  ModelSystem sys(run);
  sys.Derivs(y.data(), f.data());
  RateJacobianPlan plan = PlanRateJacobian(run, JacobianPattern(run));
  ASSERT_TRUE(plan.long_row[0]);
  Matrix exact(n), reaction_wise(n);
  std::vector<double> y1 = y;
  AnaJacobian(run, y.data(), exact);
  RateJacobian(run, plan, y1.data(), f.data(), reaction_wise, work.data());
  EXPECT_EQ(y1, y);
  // Forward differences of whole evaluations would lose the digits of a
  // change small against the long sum (1E-4 here); the differences of the
  // changed terms keep them.
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      EXPECT_NEAR(reaction_wise(i, j), exact(i, j), 1e-6 * std::fabs(exact(i, j)) + 1e-12) << i << "," << j;
  EXPECT_LT(exact(0, 0), -0.05);  // the flow out is on the diagonal
}

// A sum of more than kSumApartMembers species (the peroxy radicals) stays
// out of the pattern; the Jacobian's entries plus the sum's rank-one term
// u g^T give the whole Jacobian of one-column-at-a-time evaluations.
TEST(JacobianPattern, ALargeSumComesApartAsARankOneTerm) {
  testing::CapturedRun cr;
  tarnavel::Run& run = cr.run;
  run.sw.ignore_mass = true;
  const int members = CompiledExpressions::kSumApartMembers + 5;
  RateDefinitions& defs = run.store.rate_definitions;
  defs.read = true;
  defs.sums.push_back({"RO2", {}, 1});
  defs.defines.push_back({"KD", "2E-2*RO2**0.5", 2});
  AddSpecies(run, "B", 0.5);
  AddSpecies(run, "C", 0.2);
  for (int i = 1; i <= members; ++i) {
    const std::string name = "R" + std::to_string(i);
    AddSpecies(run, name, 0.01 * i);
    defs.sums[0].species.push_back(name);
    const int r = AddReaction(run, 1.0, {{1, name}}, {{1, "B"}});
    run.store.reaction[r].expression = i % 2 == 0 ? "1E-1*RO2" : "KD";
  }
  AddReaction(run, 0.3, {{1, "B"}, {1, "C"}}, {{1, "R1"}});
  run.store.reaction[AddReaction(run, 1.0, {{1, "C"}}, {{1, "R2"}})].expression = "3*KD/(1+RO2)";
  CompileNetwork(run);
  CompileRateExpressions(run);
  EvaluateArrhenius(run, 298.0);
  ASSERT_TRUE(run.store.net.expressions.sums[0].apart);
  EXPECT_TRUE(CarriesRankOneTerms(run));

  const int n = run.store.Equations();
  const auto pattern = JacobianPattern(run);
  const int c = 1;  // B and C come first
  EXPECT_EQ(pattern[c].size(), 2u) << "C: itself, B and no member";
  std::vector<double> y(n), f(n), work(n);
  for (int i = 0; i < n; ++i) y[i] = 0.02 * (i + 1);
  ModelSystem sys(run);
  sys.Derivs(y.data(), f.data());
  Matrix whole(n), apart(n), stored(n);
  std::vector<double> y1 = y;
  NumJacobian(sys, y1.data(), f.data(), n, whole, work.data());
  stored.UsePattern(pattern);
  RateJacobianPlan plan = PlanRateJacobian(run, pattern);
  RateJacobian(run, plan, y1.data(), f.data(), apart, work.data());
  ASSERT_EQ(apart.sum_terms.size(), 1u);
  const Matrix::RankOne& term = apart.sum_terms[0];
  ASSERT_TRUE(term.active);
  EXPECT_EQ(term.g[c], 0.0);
  EXPECT_EQ(term.g[n - 1], 1.0);
  double largest = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) largest = std::max(largest, std::fabs(whole(i, j)));
  // Whole evaluations sum B's balance over every member's reaction, so their
  // forward differences carry rounding of a few 1e-6 of the largest entry.
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      EXPECT_NEAR(apart(i, j) + term.u[i] * term.g[j], whole(i, j), 2e-5 * largest) << i << "," << j;
  // Stored over the pattern, the entries and the term are the same.
  RateJacobian(run, plan, y1.data(), f.data(), stored, work.data());
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) EXPECT_EQ(static_cast<const Matrix&>(stored)(i, j), apart(i, j)) << i << "," << j;
  EXPECT_EQ(stored.sum_terms[0].u, term.u);
  // Rates and rate constants are left as at y.
  std::vector<double> again(n);
  sys.Derivs(y.data(), again.data());
  EXPECT_EQ(again, f);
}

}  // namespace
}  // namespace tarnavel
