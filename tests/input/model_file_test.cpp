#include "input/model_file.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/switches.hpp"
#include "input/addspec_file.hpp"
#include "input/work_dir.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using testing::WorkDir;

// Puts the named species into the table after hv and M, as the species file would.
void LoadSpecies(CapturedRun& cr, const std::vector<std::string>& names) {
  ModelStore& st = cr.run.store;
  for (const std::string& n : names) st.species[++st.nspec].name = n;
}

// Reads a model text; returns the fatal error number, or -1 for another
// orderly stop, or 0 when the reader returns.
int Read(CapturedRun& cr, const std::string& text) {
  std::istringstream in(text);
  try {
    ReadModelLines(cr.run, in);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number != 0 ? stop.fatal_number : -1;
  }
  return 0;
}

std::vector<std::string> Names(const ReactionRecord& r, bool products) {
  std::vector<std::string> names;
  for (int i = 1; i <= 3; ++i) names.push_back(products ? r.product[i].name : r.reactant[i].name);
  return names;
}

std::vector<std::string> WarningFrame(int number, const std::vector<std::string>& message) {
  std::vector<std::string> lines = {"", " *********************** WARNING ***********************",
                                    "  Warning Error #   " + std::to_string(number)};
  for (const std::string& m : message) lines.push_back(" " + m);
  lines.push_back(" " + std::string(55, '*'));
  lines.push_back("");
  return lines;
}

std::vector<std::string> Warning3(const std::string& name) {
  return WarningFrame(3, {"THE SPECIES: '" + name + "'", "DOES NOT EXIST (spelling? or watch your letter 'O'",
                          "from the numeral zero, '0', or the lowcase", "letter ,'l',and the numeral one, '1')",
                          "in the species containing file: SPECIES.DAT",
                          "Adding in the species and initializing all values as 0."});
}

TEST(ModelFile, RateConstantAndArrheniusLines) {
  CapturedRun cr;
  LoadSpecies(cr, {"NO", "O3", "NO2", "O2", "OH", "HNO3", "A", "B"});
  ASSERT_EQ(Read(cr,
                 "# k\treaction\tcomment\n"
                 "1.0E-12\tNO + O3 ==> NO2 + O2\n"
                 "2.0E-12\t0\t1400\tNO+O3==>NO2+O2\tozone\n"
                 "\n"
                 "3.0D-11\tOH + NO2 ==> HNO3\ttermolecular, folded\n"
                 "1.5e+3\t-1.5\t0\t2A==>B\n"),
            0);
  EXPECT_EQ(cr.Text(), "");  // every species is known: nothing to say
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.nreact, 4);
  EXPECT_EQ(st.cursk, 0);

  const ReactionRecord& k = st.reaction[1];
  EXPECT_EQ(k.rate, 1.0e-12);
  EXPECT_FALSE(k.arrhenius);
  EXPECT_EQ(k.m, kNotGiven);
  EXPECT_EQ(k.ea, kNotGiven);
  EXPECT_EQ(Names(k, false), (std::vector<std::string>{"NO", "O3", "*"}));
  EXPECT_EQ(Names(k, true), (std::vector<std::string>{"NO2", "O2", "*"}));
  EXPECT_EQ(k.srcline, 2);
  EXPECT_EQ(k.special, 0);
  EXPECT_FALSE(k.reverse);
  EXPECT_FALSE(k.reversible);

  const ReactionRecord& arr = st.reaction[2];
  EXPECT_EQ(arr.rate, 2.0e-12);
  EXPECT_TRUE(arr.arrhenius);
  EXPECT_EQ(arr.m, 0.0);
  EXPECT_EQ(arr.ea, 1400.0);
  EXPECT_EQ(Names(arr, false), (std::vector<std::string>{"NO", "O3", "*"}));
  EXPECT_EQ(arr.srcline, 3);

  EXPECT_EQ(st.reaction[3].rate, 3.0e-11);  // D exponent
  EXPECT_EQ(st.reaction[3].srcline, 5);     // the blank line counts
  EXPECT_EQ(st.reaction[4].m, -1.5);
  EXPECT_EQ(st.reaction[4].reactant[1].coeff, 2.0);
}

TEST(ModelFile, AReversibleReactionIsFollowedByItsReverse) {
  CapturedRun cr;
  LoadSpecies(cr, {"A", "B", "C", "D"});
  ASSERT_EQ(Read(cr,
                 "2.0E-12\t0.5\t1400\tA + B + M[TROE;1;2;3;4;5;6;N2(1.4)] = C\n"
                 "3.0\tC ==> D\n"),
            0);
  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.nreact, 3);
  ASSERT_EQ(st.cursk, 2);

  const ReactionRecord& fwd = st.reaction[1];
  EXPECT_TRUE(fwd.reversible);
  EXPECT_FALSE(fwd.reverse);
  EXPECT_EQ(fwd.rate, 2.0e-12);
  EXPECT_TRUE(fwd.arrhenius);
  EXPECT_EQ(fwd.special, 1);

  const ReactionRecord& rev = st.reaction[2];
  EXPECT_TRUE(rev.reverse);
  EXPECT_EQ(rev.rate, 1.0);
  EXPECT_FALSE(rev.arrhenius);
  EXPECT_EQ(rev.m, kNotGiven);
  EXPECT_EQ(Names(rev, false), (std::vector<std::string>{"C", "*", "*"}));
  EXPECT_EQ(Names(rev, true), (std::vector<std::string>{"A", "B", "*"}));
  EXPECT_EQ(rev.srcline, 1);
  EXPECT_EQ(rev.special, 2);  // its own copy of the bracket group

  const SpecialEntry& a = st.special[1];
  const SpecialEntry& b = st.special[2];
  EXPECT_EQ(a.type, kTroe);
  EXPECT_EQ(b.type, a.type);
  EXPECT_EQ(b.param, a.param);
  EXPECT_EQ(b.collider[1], "N2");
  EXPECT_EQ(b.srcline, 1);
  EXPECT_EQ(b.line, "2.0E-12\t0.5\t1400\tA + B + M[TROE;1;2;3;4;5;6;N2(1.4)] = C");

  EXPECT_EQ(st.reaction[3].srcline, 2);
  EXPECT_FALSE(st.reaction[3].reverse);
}

TEST(ModelFile, FitMarksOnRateFieldsAndBracketValues) {
  WorkDir dir;  // the species C? is added
  CapturedRun cr;
  LoadSpecies(cr, {"A", "B", "C"});
  cr.run.sw.options = kOptFitPowell;
  ASSERT_EQ(Read(cr,
                 "1.0E-12?\tA ==> B\n"
                 "# comment\n"
                 "2.0E-12?\t0.5?\t1400?\tA + M[N2(1.4?)] = B\n"
                 "4.0\t1.0\t200?\tB ==> C?\n"),
            0);
  const ModelStore& st = cr.run.store;
  EXPECT_EQ(st.reaction[1].rate, 1.0e-12);
  EXPECT_EQ(st.reaction[2].m, 0.5);
  EXPECT_EQ(st.reaction[4].ea, 200.0);
  EXPECT_EQ(st.special[1].param[12], 1.4);
  // The reaction text is not a value: its `?` stays part of the name.
  EXPECT_EQ(st.reaction[4].product[1].name, "C?");
  struct Expected {
    int kind, item, srcline;
  };
  const Expected expected[] = {{100, 1, 1}, {100, 2, 3}, {101, 2, 3}, {102, 2, 3}, {212, 2, 3}, {102, 4, 4}};
  const std::vector<FitParameter>& fit = cr.run.reader.fit;
  ASSERT_EQ(fit.size(), std::size(expected));
  for (size_t i = 0; i < fit.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fit[i].kind, expected[i].kind);
    EXPECT_EQ(fit[i].item, expected[i].item);
    EXPECT_EQ(fit[i].srcline, expected[i].srcline);
  }
}

TEST(ModelFile, BadLinesStopWithTheirNumbers) {
  struct Case {
    const char* text;
    int fatal;
  };
  const Case cases[] = {
      {"abc\tA==>B\n", 88},
      {"1.0\tx\t0\tA==>B\n", 88},             // m
      {"1.0\t0\t14 00\tA==>B\n", 88},         // Ea with an inner blank
      {"1.0E-12?\tA==>B\n", 88},              // a fit mark without fitting
      {"0\tA==>B\n", 87},
      {"0.0\t1\t2\tA==>B\n", 87},
      {"1.0\t2.0\tA==>B\n", 14},              // three fields: k, reaction, comment
      {"1\t2\t3\tA==>B\tcomment\textra\n", 2},
      {"1.0\tA+M[N2(1.4)]==>B+C+D+E+F\n", 40},  // the reaction text after the rate fields
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    LoadSpecies(cr, {"A", "B", "C", "D", "E", "F"});
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Read(cr, c.text), c.fatal);
  }
}

TEST(ModelFile, AZeroRateConstantQuotesTheLine) {
  CapturedRun cr;
  LoadSpecies(cr, {"A", "B"});
  ASSERT_EQ(Read(cr, "# k\treaction\n1.0\tA==>B\n0.0\tB ==> A\tcomment\n"), 87);
  const std::vector<std::string> expected = {
      "",
      " ******************** FATAL ERROR ***********************",
      " ALERT!!  User or Disk ERROR!!",
      "  FATAL Error #  87",
      " You have a reaction with the Arrhenius coefficient",
      " or the rate constant set to zero.",
      " If this is a mistake then correct the",
      " error. If not a mistake, then remove this reaction",
      " or comment it out using the \"#\" character at the ",
      " beginning of the reaction line.",
      " LINE READS:",
      " ' 0.0\tB ==> A\tcomment '",
      " ( source line # 3 )",
      "",
      " Simulation TERMINATED with FATAL ERROR.",
      "",
  };
  EXPECT_EQ(cr.Lines(), expected);
}

TEST(ModelFile, TablesHoldNoMoreThanTheirCapacity) {
  const Capacity small{10, 3, 950, 1};
  struct Case {
    const char* text;
    int fatal;
  };
  const Case cases[] = {
      {"1\tA==>B\n2\tB==>A\n3\tA==>C\n", 0},
      {"1\tA==>B\n2\tB==>A\n3\tA==>C\n4\tC==>A\n", 22},
      {"1\tA==>B\n2\tB==>A\n3\tA=C\n", 22},                         // the reverse does not fit
      {"1\tA+M[N2(1)]==>B\n", 0},
      {"1\tA+M[N2(1)]==>B\n2\tB+M[N2(1)]==>A\n", 86},
      {"1\tA+M[N2(1)]=B\n", 86},                                     // nor its bracket group
  };
  for (const Case& c : cases) {
    CapturedRun cr(small);
    LoadSpecies(cr, {"A", "B", "C"});
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Read(cr, c.text), c.fatal);
    if (c.fatal == 22) {
      EXPECT_NE(cr.Text().find("\n (3)\n"), std::string::npos) << cr.Text();
    }
  }
}

TEST(ModelFile, MissingSpeciesAreAddedAndListed) {
  WorkDir dir;
  CapturedRun cr;
  LoadSpecies(cr, {"A"});
  ASSERT_EQ(Read(cr, "1.0\tA+B==>C+e-\n2.0\tC+B==>A+hv\n"), 0);

  const ModelStore& st = cr.run.store;
  ASSERT_EQ(st.nspec, 6);
  const char* added[] = {"B", "C", "e-"};
  for (int i = 0; i < 3; ++i) {
    const SpeciesEntry& e = st.species[4 + i];
    EXPECT_EQ(e.name, added[i]);
    EXPECT_TRUE(e.used);
    EXPECT_FALSE(e.display);
    EXPECT_FALSE(e.held);
    EXPECT_EQ(e.initial, 0.0);
    EXPECT_EQ(e.flow_rate, 0.0);
    EXPECT_EQ(st.conc[4 + i], 0.0);
  }
  EXPECT_EQ(st.species[6].charge, -1);
  EXPECT_FALSE(st.species[3].used);  // species of the file are marked during compilation

  EXPECT_EQ(dir.Read(kAddSpecFileName),
            "# Species\tResidence\tInitial\tDisplay Output\t  External\tSSA ?\tConstant File?\n"
            "#     \tTime in CSTR(s)\tConc.\t(Y/N) ?\tConc.\t(Y/N)\t(Filename/#/No)\n"
            "         B\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "         C\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
            "        e-\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n");

  std::vector<std::string> expected;
  for (const char* name : added) {
    const std::vector<std::string> w = Warning3(name);
    expected.insert(expected.end(), w.begin(), w.end());
    expected.push_back(std::string(10 - std::string(name).size(), ' ') + name + "\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo");
    expected.push_back(" Outputted to file ADDSPEC.TXT ....");
  }
  expected.insert(expected.end(), {"", " **************** For Your Information ****************", "  FYI Code #  1",
                                   " The file ADDSPEC.TXT has been created. It contains",
                                   " species that were not found in the SPECIES.DAT species",
                                   " description file.",
                                   " To get rid of the WARNING messages just append this",
                                   " file at the end of your SPECIES.DAT file or correct",
                                   " a possible spelling mistake in your reaction list...",
                                   " " + std::string(54, '*'), ""});
  EXPECT_EQ(cr.Lines(), expected);
}

TEST(ModelFile, QuietAndIgnoredWarningsStillListTheSpecies) {
  {
    WorkDir dir;
    CapturedRun cr;
    cr.run.sw.quiet = true;
    ASSERT_EQ(Read(cr, "1.0\tA==>B\n"), 0);
    EXPECT_EQ(cr.Text(), "");
    EXPECT_EQ(cr.run.store.nspec, 4);
    EXPECT_NE(dir.Read(kAddSpecFileName).find("         B\t 0.0"), std::string::npos);
  }
  {
    WorkDir dir;
    CapturedRun cr;
    cr.run.sw.ignore_warnings = true;
    cr.run.settings.outdelim = ',';
    ASSERT_EQ(Read(cr, "1.0\tA==>B\n"), 0);
    const std::vector<std::string> lines = cr.Lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "         A, 0.0, 0.0,No, 0.0,No,No");  // the output delimiter
    EXPECT_EQ(lines[1], " Outputted to file ADDSPEC.TXT ....");
    EXPECT_EQ(lines[2], "         B, 0.0, 0.0,No, 0.0,No,No");
    EXPECT_EQ(lines[5], " **************** For Your Information ****************");
  }
}

TEST(ModelFile, TheSpeciesTableHoldsNoMoreThanItsCapacity) {
  WorkDir dir;
  CapturedRun cr(Capacity{4, 10, 10, 10});
  cr.run.sw.quiet = true;
  ASSERT_EQ(Read(cr, "1.0\tA==>B\n2.0\tB==>C\n"), 21);
  EXPECT_NE(cr.Text().find("\n (4)\n"), std::string::npos) << cr.Text();
}

TEST(ModelFile, CreateSpeciesFileModeListsEverySpeciesAndStops) {
  WorkDir dir;
  CapturedRun cr;
  cr.run.sw.create_species_file = true;
  ASSERT_EQ(Read(cr, "1.0\tA + hv ==> B + M\n2.0\tB ==> A + 2C\n"), -1);
  EXPECT_EQ(dir.Read(kAddSpecFileName),
            AddSpecCaption(1, '\t') + "\n" + AddSpecCaption(2, '\t') + "\n" +
                "         A\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
                "         B\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n"
                "         C\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo\n");
  const std::string text = cr.Text();
  EXPECT_EQ(text.find("WARNING"), std::string::npos);  // every species is expected to be missing
  const std::vector<std::string> lines = cr.Lines();
  const std::vector<std::string> tail(lines.end() - 11, lines.end());
  const std::vector<std::string> expected = {
      "",
      " **************** For Your Information ****************",
      "  FYI Code # 11",
      " The file ADDSPEC.TXT has been created. It contains",
      " all the species in the model MODEL.DAT",
      " You should go over the file with a spreadsheet program",
      " and modify it for your model MODEL.DAT, ",
      " and rename the ADDSPEC.TXT file to an",
      " appropriate name.",
      " " + std::string(54, '*'),
      "",
  };
  EXPECT_EQ(tail, expected);

  // A model that names no species still leaves the captions behind.
  WorkDir empty;
  CapturedRun none;
  none.run.sw.create_species_file = true;
  EXPECT_EQ(Read(none, "# nothing yet\n"), -1);
  EXPECT_EQ(empty.Read(kAddSpecFileName), AddSpecCaption(1, '\t') + "\n" + AddSpecCaption(2, '\t') + "\n");
}

TEST(ModelFile, AMissingFileIsFatal32) {
  WorkDir dir;
  CapturedRun cr;
  cr.run.reader.filename[kModelFile] = "NOPE.DAT";
  int fatal = 0;
  try {
    ReadModelFile(cr.run);
  } catch (const ProgramStop& stop) {
    fatal = stop.fatal_number;
  }
  EXPECT_EQ(fatal, 32);
  EXPECT_NE(cr.Text().find("\n Model description file NOPE.DAT\n"), std::string::npos) << cr.Text();
}

TEST(AddSpecFile, NameFieldGrowsInStepsOfTen) {
  EXPECT_EQ(AddSpecLine("NO2", '\t'), "       NO2\t 0.0\t 0.0\tNo\t 0.0\tNo\tNo");
  EXPECT_EQ(AddSpecLine("ABCDEFGHI", ','), " ABCDEFGHI, 0.0, 0.0,No, 0.0,No,No");
  EXPECT_EQ(AddSpecLine("ABCDEFGHIJ", ','), "          ABCDEFGHIJ, 0.0, 0.0,No, 0.0,No,No");
  EXPECT_EQ(AddSpecLine("HOCH2CH2O2NO2X", ',').substr(0, 21), "      HOCH2CH2O2NO2X,");
}

}  // namespace
}  // namespace tarnavel
