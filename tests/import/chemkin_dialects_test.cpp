// Mechanism files as their authors publish them: the dialects of the
// mechanism section that CHEMKIN-II readers in common use accept, and the
// companion reactions that carry more than three products exactly.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "import/chemkin_mechanism.hpp"
#include "import/model_files.hpp"
#include "input/model_file.hpp"
#include "input/parameter_file.hpp"
#include "input/species_file.hpp"
#include "model/compile_network.hpp"
#include "model/derivs.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using namespace import;

bool Warned(const Mechanism& mech, const std::string& text, int line) {
  for (const ImportWarning& w : mech.warnings)
    if (w.text.find(text) != std::string::npos && w.line == line) return true;
  return false;
}

TEST(ChemkinDialects, PublishedLayoutsReadAsTheirAuthorsMeantThem) {
  struct Case {
    const char* name;
    std::string text;
    size_t species, reactions;
    std::string warning;  // expected warning text and its line; empty: none
    int line;
  } cases[] = {
      {"TRANSPORT after the reactions",
       "ELEM H O END\nSPEC H O OH END\nREAC\nH+O=>OH 1 0 0\nEND\nTRANSPORT\nH 0 145.0 2.05 0.0 0.0 0.0\nEND\n", 3, 1,
       "TRANSPORT section (to line 8) not used", 6},
      {"notes after the last END",
       "ELEM H O END\nSPEC H O OH END\nREAC\nH+O=>OH 1 0 0\nEND\n!\n   References and Notes:\nGRI - Frenklach et al.\n", 3,
       1, "text after the END of the reactions (lines 7 to 8) not read", 7},
      {"SPECIES without END",
       "ELEMENTS H O END\nSPECIES\nH O\nOH\nREACTIONS\nH+O=>OH 1 0 0\nEND\n", 3, 1,
       "SPECIES without END: the list ends at line 5 (REACTIONS)", 2},
      {"a species declared twice", "ELEM H O END\nSPEC H O\nOH H END\nREAC\nH+O=>OH 1 0 0\nEND\n", 3, 1,
       "species H is declared twice (first on line 2)", 3},
      {"commas between auxiliary numbers",
       "ELEM H O END\nSPEC H O OH END\nREAC\nH+O(+M)=>OH(+M) 1 0 0\n LOW/ 2, 0, 0 /\n TROE/ 0.902, 696., 358., 1e30 /\nEND\n",
       3, 1, "", 0},
      {"(+M) between the species of a side",
       "ELEM H O END\nSPEC H O OH END\nREAC\nH(+M)+O=>OH(+M) 1 0 0\n LOW/ 2 0 0 /\nEND\n", 3, 1, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Mechanism mech = ReadMechanism(c.text, "pub.inp");
    EXPECT_EQ(mech.species.size(), c.species);
    ASSERT_EQ(mech.reactions.size(), c.reactions);
    std::string said;
    for (const ImportWarning& w : mech.warnings) said += std::to_string(w.line) + ": " + w.text + "\n";
    if (c.warning.empty()) {
      EXPECT_TRUE(mech.warnings.empty()) << said;
    } else {
      EXPECT_TRUE(Warned(mech, c.warning, c.line)) << said;
    }
  }
  // The auxiliary numbers and the fall-off third body are read whatever their separators and place.
  const Mechanism troe = ReadMechanism(cases[4].text, "pub.inp");
  ASSERT_EQ(troe.reactions[0].troe.size(), 4u);
  EXPECT_EQ(troe.reactions[0].troe[1].value, 696.0);
  EXPECT_EQ(troe.reactions[0].low.a.value, 2.0);
  const Mechanism between = ReadMechanism(cases[5].text, "pub.inp");
  const Reaction& middle = between.reactions[0];
  EXPECT_EQ(middle.third_body, ThirdBody::kFallOff);
  ASSERT_EQ(middle.reactants.size(), 2u);
  EXPECT_EQ(middle.reactants[0].second, "H");
  EXPECT_EQ(middle.reactants[1].second, "O");
}

// A four-line NASA record of a species with a constant heat capacity of 3.5 R.
std::string Record(const std::string& name) {
  char line[4][96];
  std::snprintf(line[0], sizeof line[0], "%-18s      H   1               G   300.000  5000.000  1000.00      1", name.c_str());
  std::snprintf(line[1], sizeof line[1], "%15.8E%15.8E%15.8E%15.8E%15.8E    2", 3.5, 0.0, 0.0, 0.0, 0.0);
  std::snprintf(line[2], sizeof line[2], "%15.8E%15.8E%15.8E%15.8E%15.8E    3", 0.0, 0.0, 3.5, 0.0, 0.0);
  std::snprintf(line[3], sizeof line[3], "%15.8E%15.8E%15.8E%15.8E                   4", 0.0, 0.0, 0.0, 0.0);
  return std::string(line[0]) + "\n" + line[1] + "\n" + line[2] + "\n" + line[3] + "\n";
}

// Every species of a reaction with more than three products changes at the
// reaction's rate times its coefficient, and the reactants at minus their
// coefficients, however the products are spread over companion reactions.
TEST(ChemkinDialects, CompanionReactionsCarryEveryProductAtTheReactionsRate) {
  const std::string text =
      "ELEM H O C END\nSPEC R S T A B C D E F M2 END\nTHERMO\n   300.000  1000.000  5000.000\n" + Record("R") +
      Record("S") + Record("T") + Record("A") + Record("B") + Record("C") + Record("D") + Record("E") + Record("F") +
      Record("M2") + "END\nREAC\n"
      "R=>A+B+C+2D+E+F 2.0 0 0\n"          // one reactant: three new products per companion
      "S+T=>A+B+C+D+E+F 3.0 0 0\n"         // two reactants: two per companion
      "R+S(+M)<=>A+B+C+D+E(+M) 5.0 0 0\n"  // a fall-off reaction whose REV has no rate
      " LOW / 7.0 0 0 /\n T/2/ M2/0.5/\n REV / 0 0 0 /\n"
      "END\n";
  Mechanism mech = ReadMechanism(text, "many.inp");
  ImportOptions options;
  options.mixture = {{"R", 1}, {"S", 2}, {"T", 3}, {"M2", 4}};
  std::vector<ImportWarning> changes;
  const FileSet files = TranslateMechanism(mech, options, &changes);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].text, "3 companion reaction(s) carry the products beyond the first 4");
  EXPECT_EQ(changes[1].text, "1 reverse reaction(s) given as REV with A = 0 not written (no rate)");

  testing::CapturedRun cr;
  tarnavel::Run& run = cr.run;
  run.sw.ignore_mass = true;
  std::istringstream parm(files[2].second), species(files[1].second), model(files[0].second);
  ReadParameterLines(run, parm);
  ReadSpeciesLines(run, species);
  ReadModelLines(run, model);
  CompileNetwork(run);
  ASSERT_EQ(cr.Text().find("rror"), std::string::npos) << cr.Text();
  ModelStore& st = run.store;
  EXPECT_EQ(st.nreact, 6);  // each reaction with A, B, C, D, then a companion with the reactants and the rest

  std::map<std::string, double> c;
  std::vector<double> y(st.spec, 0.0), dydt(st.spec, 0.0);
  // M2 takes part in no reaction: it is retained, not integrated, and counts in [M] from the store.
  for (int s = 3; s <= st.rspec; ++s) {
    c[st.species[s].name] = 0.1 * s;
    (s <= st.spec ? y[s - 3] : st.conc[s]) = 0.1 * s;
  }
  EvaluateArrhenius(run, 1000.0);
  Derivs(run, y.data(), dydt.data());

  // The reactions' rates as CHEMKIN writes them (A in mol/cm^3, no temperature dependence).
  double m = 0.0;
  for (const auto& [name, conc] : c) m += conc * (name == "T" ? 2.0 : name == "M2" ? 0.5 : 1.0);
  const double pr = 7.0 * m / 5.0;
  const double r1 = 2.0 * c["R"], r2 = 3.0 * c["S"] * c["T"], r3 = 5.0 * pr / (1.0 + pr) * c["R"] * c["S"];
  const std::map<std::string, double> want = {
      {"R", -r1 - r3}, {"S", -r2 - r3},          {"T", -r2},           {"A", r1 + r2 + r3}, {"B", r1 + r2 + r3},
      {"C", r1 + r2 + r3}, {"D", 2 * r1 + r2 + r3}, {"E", r1 + r2 + r3}, {"F", r1 + r2}};
  for (int s = 3; s <= st.spec; ++s) {
    const std::string& name = st.species[s].name;
    EXPECT_NEAR(dydt[s - 3], want.at(name), 1e-12 * std::max(1.0, std::fabs(want.at(name)))) << name;
  }
}

}  // namespace
}  // namespace tarnavel
