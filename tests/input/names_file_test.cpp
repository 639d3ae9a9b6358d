#include "input/names_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "input/periodic_table.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Lines = std::vector<std::string>;

constexpr double kH = 1.00797, kC = 12.01115, kO = 15.9994, kNa = 22.98977, kN = 14.0067;

// Reads names-file text; returns the fatal number, 0 when reading ended.
int Read(CapturedRun& cr, const std::string& text) {
  std::istringstream in(text);
  try {
    ReadNamesLines(cr.run, in);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

const NamesTable& Names(const CapturedRun& cr) { return NamesTableOf(cr.run); }

TEST(NamesFile, CommonNamesMapToTheirFormulas) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr,
                 "# Common name\tFormula\tcomment\n"
                 "Methanol , CH3OH\n"
                 "Sodium ion\tNa+{aq}\tdissolved\textra\tfields\n"
                 "Nitrate\tN O 3 -\n"
                 "\n"
                 "Acetic acid{aq}\tCH3COOH{aq}\n"
                 "END\n"
                 "Ignored\tH2\n"),
            0);
  const NamesTable& t = Names(cr);
  ASSERT_EQ(t.count, 4);

  const NameEntry& methanol = t.entry[1];
  EXPECT_EQ(methanol.name, "Methanol");
  EXPECT_EQ(methanol.formula, "CH3OH");
  EXPECT_FALSE(methanol.has_tag);
  EXPECT_EQ(methanol.charge, 0);
  EXPECT_TRUE(methanol.mass_known);
  EXPECT_NEAR(methanol.mass, kC + 4 * kH + kO, 1e-9);

  const NameEntry& sodium = t.entry[2];
  EXPECT_EQ(sodium.name, "Sodiumion");  // blanks removed
  EXPECT_EQ(sodium.formula, "Na+");     // the tag is cut before the charge is counted
  EXPECT_TRUE(sodium.has_tag);
  EXPECT_EQ(sodium.tag, "aq");
  EXPECT_EQ(sodium.charge, 1);
  EXPECT_NEAR(sodium.mass, kNa, 1e-9);

  const NameEntry& nitrate = t.entry[3];
  EXPECT_EQ(nitrate.formula, "NO3-");
  EXPECT_EQ(nitrate.charge, -1);
  EXPECT_NEAR(nitrate.mass, kN + 3 * kO, 1e-9);

  // Lookup is by species name; a tag on the common name is not part of it.
  EXPECT_EQ(FindName(t, "Methanol"), &t.entry[1]);
  EXPECT_EQ(FindName(t, "Aceticacid"), &t.entry[4]);
  EXPECT_EQ(FindName(t, "methanol"), nullptr);  // case counts
  EXPECT_EQ(FindName(t, "Ignored"), nullptr);   // after END
  EXPECT_EQ(cr.Text(), "");
}

TEST(NamesFile, ElementSymbolsCannotBeRedefined) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr, "Co\tCO\nO\tO2\nCO\tCO\nOzone\tO3\n"), 0);
  const NamesTable& t = Names(cr);
  ASSERT_EQ(t.count, 2);  // Co (cobalt) and O are dropped; CO is no symbol
  EXPECT_EQ(t.entry[1].name, "CO");
  EXPECT_EQ(t.entry[2].name, "Ozone");
  EXPECT_EQ(cr.Lines(), (Lines{" ***** WARN! You cannot redefine the Periodic Symbol:  Co",
                               " Ignoring the name and it's defined mass: Co *****",
                               " ***** WARN! You cannot redefine the Periodic Symbol:  O",
                               " Ignoring the name and it's defined mass: O *****"}));

  CapturedRun quiet;
  quiet.run.sw.ignore_warnings = true;
  ASSERT_EQ(Read(quiet, "Co\tCO\n"), 0);
  EXPECT_EQ(Names(quiet).count, 0);
  EXPECT_EQ(quiet.Text(), "");
}

TEST(NamesFile, FormulasThatCannotBeWeighedWarn) {
  struct Case {
    std::string line;
    int warning;
    Lines message;
  };
  const std::string deep(100, '(');
  const Case cases[] = {
      {"Radical\tCH3)", 13,
       {"One or more left parenthesis are missing for", "mass formula CH3)", "of the name: Radical",
        "in your name file: SPECNAME.DAT", "any equations containing this species cannot be",
        "checked for mass balance."}},
      {"Deep\t" + deep + "H", 14,
       {"You have reached the maximum amount of parenthesis", "nesting for the mass formula " + deep + "H",
        "of the name: Deep", "in your name file: SPECNAME.DAT", "Expand the inner most parenthesis.",
        "Any equations containing this species cannot be", "checked for mass balance."}},
      {"Open\tC(H3+", 15,
       {"One or more right parenthesis are missing for", "mass formula C(H3+", "of the name: Open",
        "in your name file: SPECNAME.DAT", "Any equations containing this species cannot be",
        "checked for mass balance."}},
      {"Soot\tCx", 16,
       {"The mass formula Cx", "of the name: Soot", "cannot be mass determined in your names file: SPECNAME.DAT",
        "Any equations containing this species cannot be", "checked for mass balance."}},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    ASSERT_EQ(Read(cr, c.line + "\n"), 0) << c.line;
    Lines expected{"", " *********************** WARNING ***********************",
                   "  Warning Error #  " + std::to_string(c.warning)};
    for (const std::string& m : c.message) expected.push_back(" " + m);
    expected.push_back(" " + std::string(55, '*'));
    expected.push_back("");
    EXPECT_EQ(cr.Lines(), expected) << c.line;
    ASSERT_EQ(Names(cr).count, 1);
    EXPECT_FALSE(Names(cr).entry[1].mass_known) << c.line;  // kept, but not usable for balances
  }
}

TEST(NamesFile, BadLinesStopTheRun) {
  struct Case {
    std::string text;
    int fatal;
    std::string message_line;
  };
  const Case cases[] = {
      {"Electron\t--\n", 28, " Not a valid species name in species names file SPECNAME.DAT"},
      {"Tagged\t{aq}\n", 28, " ''"},  // nothing is left once the tag is cut
      {"A\tB\tC\tD\tE\tF\n", 2, " YOU SHOULD HAVE NO MORE THAN 3 FIELDS"},
      {"NoFormulaHere\n", 1, " No data fields in SPECNAME.DAT..."},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    EXPECT_EQ(Read(cr, c.text), c.fatal) << c.text;
    const Lines lines = cr.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.message_line), lines.end()) << cr.Text();
  }
}

TEST(NamesFile, TableHasAFixedCapacity) {
  std::string text;
  for (int i = 0; i <= kMaxNames; ++i) text += "Name" + std::to_string(i) + "\tH2\n";
  CapturedRun cr;
  EXPECT_EQ(Read(cr, text), 21);
  EXPECT_NE(cr.Text().find(" Too many names in the names file SPECNAME.DAT."), std::string::npos);
  EXPECT_NE(cr.Text().find(" (" + std::to_string(kMaxNames) + ")"), std::string::npos) << cr.Text();
}

TEST(NamesFile, MissingFileLeavesAnEmptyTable) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr, "Methanol\tCH3OH\n"), 0);
  cr.run.reader.filename[kNamesFile] = "no/such/dir/SPECNAME.DAT";
  ReadNamesFile(cr.run);
  EXPECT_EQ(Names(cr).count, 0);
  EXPECT_EQ(FindName(Names(cr), "Methanol"), nullptr);
}

}  // namespace
}  // namespace tarnavel
