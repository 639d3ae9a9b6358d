#include "model/compile_network.hpp"

#include <gtest/gtest.h>

#include "support/model_builder.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::AddReaction;
using testing::AddSpecial;
using testing::AddSpecies;
using testing::CapturedRun;

struct Compile : ::testing::Test {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  ModelStore& st = run.store;

  int Index(const std::string& name) const {
    for (int s = 1; s <= st.rspec; ++s)
      if (st.species[s].name == name) return s;
    return -1;
  }
  // Compiles and returns the fatal number, 0 when the network compiled.
  int Compiled() {
    try {
      CompileNetwork(run);
    } catch (const ProgramStop& stop) {
      return stop.fatal_number == 0 ? -1 : stop.fatal_number;
    }
    return 0;
  }
  std::vector<std::pair<int, int>> Terms(const std::string& name) const {
    const int l = Index(name) - 2;
    std::vector<std::pair<int, int>> out;
    for (int k = st.net.term_start[l]; k < st.net.term_start[l + 1]; ++k)
      out.emplace_back(st.net.term[k].reaction, st.net.term[k].pos);
    return out;
  }
};

TEST_F(Compile, ThirdBodyMovesToTheFirstReactantSlotAndLeavesTheProducts) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  AddReaction(run, 2.0, {{1, "A"}, {1, "M"}}, {{1, "B"}, {1, "M"}});
  ASSERT_EQ(Compiled(), 0);
  const CompiledReaction& r = st.net.rx[1];
  EXPECT_EQ(r.rsp[1], kM);
  EXPECT_EQ(r.rsp[2], Index("A"));
  EXPECT_EQ(r.nprd, 1);
  EXPECT_EQ(r.psp[1], Index("B"));
  EXPECT_EQ(r.psp[2], -7);
  EXPECT_EQ(r.psp[3], -8);
  EXPECT_TRUE(st.net.m_used);
}

TEST_F(Compile, PhotonsOnTheProductSideAreRemovedFromAnySlot) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  AddSpecies(run, "C");
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "hv"}, {1, "B"}, {2, "C"}});
  ASSERT_EQ(Compiled(), 0);
  const CompiledReaction& r = st.net.rx[1];
  EXPECT_EQ(r.nprd, 2);
  EXPECT_EQ(r.psp[1], Index("B"));
  EXPECT_EQ(r.psp[2], Index("C"));
  EXPECT_DOUBLE_EQ(r.stoich[kProductStoich + 2], 2.0);
  EXPECT_DOUBLE_EQ(r.stoich[kProductStoich + 3], 1.0);
  EXPECT_FALSE(r.unitp);
  EXPECT_FALSE(st.net.m_used);
}

TEST_F(Compile, UnitCoefficientFlags) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B", 1.0);
  AddSpecies(run, "C");
  AddReaction(run, 1.0, {{2, "A"}}, {{1, "B"}});
  AddReaction(run, 1.0, {{1, "A"}, {1, "B"}}, {{1, "C"}});
  AddReaction(run, 1.0, {{1.0000000001, "C"}}, {{0.5, "A"}});
  ASSERT_EQ(Compiled(), 0);
  EXPECT_FALSE(st.net.rx[1].unitr);
  EXPECT_TRUE(st.net.rx[1].unitp);
  EXPECT_TRUE(st.net.rx[2].unitr);
  EXPECT_TRUE(st.net.rx[3].unitr);  // within 1e-9 of one
  EXPECT_FALSE(st.net.rx[3].unitp);
}

TEST_F(Compile, TermListsFollowReactionOrder) {
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "B"}});
  AddReaction(run, 1.0, {{1, "B"}}, {{1, "A"}});
  AddReaction(run, 1.0, {{1, "B"}, {1, "A"}}, {{2, "A"}});
  ASSERT_EQ(Compiled(), 0);
  EXPECT_EQ(Terms("A"), (std::vector<std::pair<int, int>>{{1, 2}, {2, 6}, {3, 3}, {3, 6}}));
  EXPECT_EQ(Terms("B"), (std::vector<std::pair<int, int>>{{1, 6}, {2, 2}, {3, 2}}));
  EXPECT_EQ(st.spec, 4);
}

TEST_F(Compile, UnusedAndHeldSpeciesAreDisposedAboveTheIntegratedOnes) {
  run.sw.ignore_mass = true;
  AddSpecies(run, "N2", 1.0);   // used in no reaction
  AddSpecies(run, "A", 1.0);
  const int o2 = AddSpecies(run, "O2", 0.2);
  st.species[o2].held = true;   // a constant concentration
  AddSpecies(run, "AR", 0.01);  // used in no reaction
  AddSpecies(run, "B");
  AddReaction(run, 1.0, {{1, "A"}, {1, "O2"}}, {{1, "B"}});
  ASSERT_EQ(Compiled(), 0);
  EXPECT_EQ(st.spec, 4);
  EXPECT_EQ(st.sspec, 4);
  EXPECT_EQ(st.rspec, 7);
  // Disposed species end in reverse order of discovery.
  EXPECT_EQ(st.species[3].name, "A");
  EXPECT_EQ(st.species[4].name, "B");
  EXPECT_EQ(st.species[5].name, "AR");
  EXPECT_EQ(st.species[6].name, "O2");
  EXPECT_EQ(st.species[7].name, "N2");
  EXPECT_DOUBLE_EQ(st.conc[7], 1.0);  // concentrations travel with their species
  EXPECT_EQ(st.net.rx[1].rsp[2], 6);   // reaction slots are renumbered
  const std::vector<std::string> expected = {
      " Species: N2 is not used in any kinetic equation,",
      " BUT CAN contribute to other physical",
      " properties such as Cp, [M] and others... ",
      " Species: O2",
      " has been loaded as a constant conc.  profile...",
      " Species: AR is not used in any kinetic equation,",
      " BUT CAN contribute to other physical",
      " properties such as Cp, [M] and others... ",
  };
  EXPECT_EQ(cr.Lines(), expected);
}

TEST_F(Compile, ASpeciesWithAResidenceTimeStaysIntegrated) {
  const int tracer = AddSpecies(run, "TRACER", 1.0);
  st.species[tracer].flow_rate = 0.1;
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "B"}});
  ASSERT_EQ(Compiled(), 0);
  EXPECT_EQ(st.spec, 5);
  EXPECT_EQ(Index("TRACER"), 3);
  ASSERT_EQ(st.net.cstr_species.size(), 1u);
}

TEST_F(Compile, SteadyStateSpeciesMoveBehindTheIntegratedOnes) {
  AddSpecies(run, "A", 1.0);
  const int i = AddSpecies(run, "I");
  AddSpecies(run, "B");
  const int p = AddSpecies(run, "P");
  st.species[i].steady_state = true;
  st.species[p].steady_state = true;  // only produced: demoted with warning 5
  AddReaction(run, 1.0, {{1, "A"}}, {{1, "I"}});
  AddReaction(run, 1.0, {{1, "I"}}, {{1, "B"}, {1, "P"}});
  ASSERT_EQ(Compiled(), 0);
  EXPECT_EQ(st.spec, 5);
  EXPECT_EQ(st.sspec, 6);
  EXPECT_EQ(st.species[6].name, "I");
  EXPECT_EQ(Terms("I").size(), 2u);  // a steady-state species keeps its list
  EXPECT_FALSE(st.species[Index("P")].steady_state);
  EXPECT_NE(cr.Text().find("Warning Error #   5"), std::string::npos);
  EXPECT_NE(cr.Text().find(" Ignoring species: I from difference method because it is"), std::string::npos);
}

TEST_F(Compile, IllFormedNetworksStop) {
  struct Case {
    const char* what;
    void (*build)(tarnavel::Run&);
    int fatal;
  };
  const Case cases[] = {
      {"repeated reactant",
       [](tarnavel::Run& r) {
         AddSpecies(r, "A", 1);
         AddSpecies(r, "B");
         AddReaction(r, 1, {{1, "A"}, {1, "A"}}, {{1, "B"}});
       },
       36},
      {"no reactions",
       [](tarnavel::Run& r) { AddSpecies(r, "A", 1); },
       90},
      {"duplicate special reactions",
       [](tarnavel::Run& r) {
         AddSpecies(r, "A", 1);
         AddSpecies(r, "B");
         AddSpecial(r, AddReaction(r, 2, {{1, "A"}}, {{1, "B"}}), 2, {1, 2, 3});
         AddSpecial(r, AddReaction(r, 2, {{1, "A"}}, {{1, "B"}}), 2, {1, 2, 3});
       },
       35},
  };
  for (const Case& c : cases) {
    CapturedRun fresh;
    c.build(fresh.run);
    try {
      CompileNetwork(fresh.run);
      ADD_FAILURE() << c.what;
    } catch (const ProgramStop& stop) {
      EXPECT_EQ(stop.fatal_number, c.fatal) << c.what;
    }
  }
}

TEST_F(Compile, RepeatedProductsAreNamedBeforeTheStop) {
  AddSpecies(run, "A", 1);
  AddSpecies(run, "B");
  AddReaction(run, 1, {{1, "A"}}, {{1, "B"}, {1, "B"}});
  EXPECT_EQ(Compiled(), 36);
  EXPECT_NE(cr.Text().find(" ??? In products..\n"), std::string::npos);
  EXPECT_NE(cr.Text().find(" Reaction # 1"), std::string::npos) << cr.Text();
}

TEST_F(Compile, PlainReactionsAreNeverDuplicates) {
  AddSpecies(run, "A", 1);
  AddSpecies(run, "B");
  AddReaction(run, 2, {{1, "A"}}, {{1, "B"}});
  AddReaction(run, 2, {{1, "A"}}, {{1, "B"}});
  EXPECT_EQ(Compiled(), 0);
}

TEST_F(Compile, TooManyTermsForOneSpeciesStopWithFatal23) {
  CapturedRun small(kStandardCapacity);
  AddSpecies(small.run, "A", 1);
  AddSpecies(small.run, "B");
  for (int i = 0; i < 301; ++i) AddReaction(small.run, 1.0 + i, {{1, "A"}}, {{1, "B"}});
  try {
    CompileNetwork(small.run);
    ADD_FAILURE();
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.fatal_number, 23);
    EXPECT_NE(small.Text().find(" (300)"), std::string::npos);
  }
}

TEST_F(Compile, ChargeAndMassBalances) {
  const int a = AddSpecies(run, "Cl+", 1);
  const int e = AddSpecies(run, "e-", 1);
  const int c = AddSpecies(run, "Cl", 0);
  st.species[a].charge = 1;
  st.species[e].charge = -1;
  for (int s : {a, e, c}) {
    st.species[s].mass_known = true;
    st.species[s].mw = 35.45;
  }
  st.species[e].mw = 0.0;
  AddReaction(run, 1, {{1, "Cl+"}, {1, "e-"}}, {{1, "Cl"}});  // balanced
  AddReaction(run, 1, {{1, "Cl"}}, {{1, "Cl+"}});             // charge and mass? mass balanced, charge not
  AddReaction(run, 1, {{1, "Cl"}, {1, "M"}}, {{2, "Cl"}});    // mass not balanced; M carries none
  ASSERT_EQ(Compiled(), 0);
  const std::string text = cr.Text();
  EXPECT_NE(text.find(" in reaction # 2 Cl ==> Cl+"), std::string::npos) << text;
  EXPECT_EQ(text.find(" in reaction # 1"), std::string::npos);
  EXPECT_NE(text.find(" in reaction # 3 M + Cl ==> 2Cl"), std::string::npos) << text;

  CapturedRun unknown;
  AddSpecies(unknown.run, "X", 1);
  AddSpecies(unknown.run, "Y");
  AddReaction(unknown.run, 1, {{1, "X"}}, {{1, "Y"}});
  CompileNetwork(unknown.run);
  EXPECT_NE(unknown.Text().find("Warning Error #  19"), std::string::npos);

  CapturedRun ignored;
  ignored.run.sw.ignore_mass = true;
  AddSpecies(ignored.run, "X", 1);
  AddSpecies(ignored.run, "Y");
  AddReaction(ignored.run, 1, {{1, "X"}}, {{1, "Y"}});
  CompileNetwork(ignored.run);
  EXPECT_EQ(ignored.Text().find("Warning"), std::string::npos);
}

}  // namespace
}  // namespace tarnavel

namespace tarnavel {
namespace {

TEST_F(Compile, NamedThirdBodiesResolveToSpeciesPositions) {
  run.sw.ignore_mass = true;
  AddSpecies(run, "N2", 1.0);  // used in no reaction: disposed, still a collider
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  const int e = AddSpecial(run, AddReaction(run, 1.0, {{1, "A"}}, {{1, "B"}}), 1, {});
  st.special[e].param[kColliderCountSlot] = 1;
  st.special[e].collider[1] = "N2";
  ASSERT_EQ(Compiled(), 0);
  EXPECT_EQ(st.special[e].param[ColliderSpeciesSlot(1)], Index("N2") - 2);
}

TEST_F(Compile, AThirdBodyThatIsNoSpeciesStopsWithFatal85) {
  for (const char* name : {"AR", "M", "hv"}) {
    CapturedRun fresh;
    fresh.run.sw.ignore_mass = true;
    AddSpecies(fresh.run, "A", 1.0);
    AddSpecies(fresh.run, "B");
    const int e = AddSpecial(fresh.run, AddReaction(fresh.run, 1.0, {{1, "A"}}, {{1, "B"}}), 1, {});
    SpecialEntry& entry = fresh.run.store.special[e];
    entry.param[kColliderCountSlot] = 1;
    entry.collider[1] = name;
    entry.line = std::string("1.0\tA + M[") + name + "(2)] ==> B";
    entry.srcline = 7;
    try {
      CompileNetwork(fresh.run);
      ADD_FAILURE() << name;
    } catch (const ProgramStop& stop) {
      EXPECT_EQ(stop.fatal_number, 85) << name;
      EXPECT_NE(fresh.Text().find("' " + entry.line + " '"), std::string::npos) << fresh.Text();
      EXPECT_NE(fresh.Text().find("( source line # 7 )"), std::string::npos);
    }
  }
}

TEST_F(Compile, DebugListsTheReactionArrayAndTheTermLists) {
  run.sw.ignore_mass = true;
  run.sw.debug = kDebugMask;
  AddSpecies(run, "A", 1.0);
  AddSpecies(run, "B");
  testing::AddArrhenius(run, 2.0, 1.5, 100.0, {{1, "A"}}, {{2, "B"}});
  ASSERT_EQ(Compiled(), 0);
  const std::string text = cr.Text();
  for (const char* line : {" 1%%%% Show Reaction Array:", " Number of reactions (NREACT): 1", "  Before disposal.... ",
                           " After disposal....", " SPEC= 4", " Number of Steady States: 0", " None."})
    EXPECT_NE(text.find(std::string(line) + "\n"), std::string::npos) << line;
  EXPECT_NE(text.find("   A ---^  MT="), std::string::npos);
  EXPECT_NE(text.find(" A TERMS(l)= 1"), std::string::npos);
}

}  // namespace
}  // namespace tarnavel
