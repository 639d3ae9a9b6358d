#include "input/formula_weight.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "input/names_file.hpp"
#include "input/periodic_table.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Lines = std::vector<std::string>;

// Atomic masses of the built-in table used below.
constexpr double kH = 1.00797, kC = 12.01115, kO = 15.9994, kCa = 40.078, kCo = 58.9332, kPb = 207.19,
                 kS = 32.066, kN = 14.0067, kNa = 22.98977, kD = 2.0141, kE = 0.000545;

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

TEST(WeighFormula, HandComputedWeights) {
  struct Case {
    std::string formula;
    double mass;
  };
  const Case cases[] = {
      {"H2O", 2 * kH + kO},
      {"CH3OH", kC + 4 * kH + kO},
      {"CH3CO3H", 2 * kC + 4 * kH + 3 * kO},
      {"Ca(OH)2", kCa + 2 * (kO + kH)},
      {"(CH3)3COH", 4 * kC + 10 * kH + kO},
      {"CO", kC + kO},                     // carbon and oxygen
      {"Co", kCo},                         // cobalt
      {"Pb", kPb},
      {"SO4", kS + 4 * kO},
      {"N2O5", 2 * kN + 5 * kO},
      {"D2O", 2 * kD + kO},
      {"e", kE},
      {"H12", 12 * kH},                    // counts of several digits
      {"C0H2", 2 * kH},                    // a count of 0 adds nothing
      {"((H2)2)3", 12 * kH},               // nested multipliers
      {"(OH)0Na", kNa},                    // a group multiplied by 0 adds nothing
      {"", 0.0},
  };
  for (const Case& c : cases) {
    const FormulaWeight w = WeighFormula(c.formula, BuiltInPeriodicTable());
    EXPECT_TRUE(w.Weighed()) << c.formula;
    EXPECT_NEAR(w.mass, c.mass, 1e-9) << c.formula;
  }
}

TEST(WeighFormula, ProblemsEndTheWeighing) {
  struct Case {
    std::string formula;
    WeighOutcome outcome;
  };
  const Case cases[] = {
      {"C(H3", WeighOutcome::kMissingRight},
      {"((OH)2", WeighOutcome::kMissingRight},
      {"CH3)", WeighOutcome::kMissingLeft},
      {"(OH))2", WeighOutcome::kMissingLeft},
      {"CH3X", WeighOutcome::kUnknownSymbol},   // no element X
      {"2H2O", WeighOutcome::kUnknownSymbol},   // a count with no element before it
      {"Methanol", WeighOutcome::kUnknownSymbol},
      {"NO2+", WeighOutcome::kUnknownSymbol},   // charge signs are cut before weighing
      {"H" + Repeat('9', 320), WeighOutcome::kUnknownSymbol},  // a mass beyond any number
  };
  for (const Case& c : cases)
    EXPECT_EQ(WeighFormula(c.formula, BuiltInPeriodicTable()).outcome, c.outcome) << c.formula;
}

TEST(WeighFormula, NestingLimitCountsTheOutermostLevel) {
  const std::string at_limit = Repeat('(', kMaxNestingLevels - 1) + "H" + Repeat(')', kMaxNestingLevels - 1);
  const FormulaWeight ok = WeighFormula(at_limit, BuiltInPeriodicTable());
  EXPECT_TRUE(ok.Weighed());
  EXPECT_NEAR(ok.mass, kH, 1e-12);

  const std::string beyond = "(" + at_limit + ")";
  EXPECT_EQ(WeighFormula(beyond, BuiltInPeriodicTable()).outcome, WeighOutcome::kTooDeep);
}

// A species table filled by name, as the species and model readers leave it.
void AddSpecies(Run& run, const std::string& name) {
  ModelStore& st = run.store;
  ++st.nspec;
  st.species[st.nspec] = SpeciesEntry{};
  st.species[st.nspec].name = name;
}

void UseNames(Run& run, const std::string& text) {
  std::istringstream in(text);
  ReadNamesLines(run, in);
}

const SpeciesEntry& Named(const Run& run, const std::string& name) {
  for (int s = 1; s <= run.store.nspec; ++s)
    if (run.store.species[s].name == name) return run.store.species[s];
  static const SpeciesEntry none;
  ADD_FAILURE() << "no species " << name;
  return none;
}

Lines WarningFrame(int number, const Lines& message) {
  const std::string num = std::to_string(number);
  Lines lines{"", " *********************** WARNING ***********************",
              "  Warning Error #" + std::string(4 - num.size(), ' ') + num};
  for (const std::string& m : message) lines.push_back(" " + m);
  lines.push_back(" " + std::string(55, '*'));
  lines.push_back("");
  return lines;
}

TEST(MolecularWeights, NamesEntriesFirstThenTheNameAsFormula) {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  UseNames(run, "Methanol , CH3OH\nSulfate{aq}\tSO4--{aq}\n");
  for (const char* n : {"Methanol", "H2O", "Na+", "Sulfate", "e-", "Temperature(K)", "Volume"}) AddSpecies(run, n);
  cr.Clear();
  DetermineMolecularWeights(run);
  EXPECT_EQ(cr.Text(), "");  // nothing to warn about

  struct Case {
    const char* name;
    double mass;
    bool known;
  };
  const Case cases[] = {
      {"Methanol", kC + 4 * kH + kO, true},
      {"H2O", 2 * kH + kO, true},
      {"Na+", kNa, true},
      {"Sulfate", kS + 4 * kO, true},  // the names entry's tag is not part of its name
      {"e-", kE, true},
      {"Temperature(K)", 0.0, false},  // pseudo-species have no mass and no warning
      {"Volume", 0.0, false},
  };
  for (const Case& c : cases) {
    const SpeciesEntry& e = Named(run, c.name);
    EXPECT_EQ(e.mass_known, c.known) << c.name;
    EXPECT_NEAR(e.mw, c.mass, 1e-9) << c.name;
  }
  // hv and M weigh nothing, so they never spoil a balance.
  for (int s = 1; s <= 2; ++s) {
    EXPECT_TRUE(run.store.species[s].mass_known);
    EXPECT_EQ(run.store.species[s].mw, 0.0);
  }
}

TEST(MolecularWeights, SpeciesThatCannotBeWeighedWarn) {
  struct Case {
    std::string name;
    int warning;
    Lines message;
  };
  const Case cases[] = {
      {"CH3)", 9,
       {"One or more left parenthesis are missing for species:", "CH3)", "in your species file: SPECIES.DAT",
        "any equations containing this species cannot be", "checked for mass balance."}},
      {Repeat('(', kMaxNestingLevels) + "H" + Repeat(')', kMaxNestingLevels), 10,
       {"You have reached the maximum amount of parenthesis",
        "nesting in the species " + Repeat('(', kMaxNestingLevels) + "H" + Repeat(')', kMaxNestingLevels),
        "in your species file: SPECIES.DAT", "Expand the inner most parenthesis.",
        "Any equations containing this species cannot be", "checked for mass balance."}},
      {"C(H3", 11,
       {"One or more right parenthesis are missing for species:", "C(H3", "in your species file: SPECIES.DAT",
        "Any equations containing this species cannot be", "checked for mass balance."}},
      {"Ozone", 12,
       {"The species Ozone", "cannot be mass determined nor does it exist as",
        "an entry in your names file: SPECNAME.DAT", "Any equations containing this species cannot be",
        "checked for mass balance."}},
      {"Smog", 25,
       {"The species Smog", "cannot be mass determined!", "Any equations containing this species cannot be",
        "checked for mass balance!"}},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    UseNames(cr.run, "Smog\tC(H3\n");  // a names entry whose formula cannot be weighed
    AddSpecies(cr.run, c.name);
    cr.Clear();
    DetermineMolecularWeights(cr.run);
    EXPECT_EQ(cr.Lines(), WarningFrame(c.warning, c.message)) << c.name;
    EXPECT_FALSE(cr.run.store.species[3].mass_known) << c.name;
  }
}

TEST(MolecularWeights, CallingAgainWeighsOnlyNewSpecies) {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  UseNames(run, "");
  AddSpecies(run, "Ozone");
  DetermineMolecularWeights(run);
  EXPECT_NE(cr.Text().find("Warning Error #  12"), std::string::npos);

  cr.Clear();
  AddSpecies(run, "O3");  // appended later, e.g. by the model file
  DetermineMolecularWeights(run);
  EXPECT_EQ(cr.Text(), "");  // no second warning for Ozone
  EXPECT_FALSE(Named(run, "Ozone").mass_known);
  EXPECT_NEAR(Named(run, "O3").mw, 3 * kO, 1e-9);
}

TEST(MolecularWeights, UserPeriodicTableWeighsTheSpecies) {
  CapturedRun cr;
  tarnavel::Run& run = cr.run;
  run.sw.options |= kOptUserPeriodic;
  std::istringstream table("H\t1.0\nO\t16.0\nXx\t100.0\n");
  ReadPeriodicLines(run, table);
  UseNames(run, "");
  AddSpecies(run, "H2O");
  AddSpecies(run, "XxO");
  AddSpecies(run, "CO");  // no carbon in this table
  DetermineMolecularWeights(run);
  EXPECT_DOUBLE_EQ(Named(run, "H2O").mw, 18.0);
  EXPECT_DOUBLE_EQ(Named(run, "XxO").mw, 116.0);
  EXPECT_FALSE(Named(run, "CO").mass_known);
}

}  // namespace
}  // namespace tarnavel
