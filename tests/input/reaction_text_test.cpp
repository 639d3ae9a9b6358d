#include "input/reaction_text.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/switches.hpp"
#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;

// A side written back as "2 NO2 + O2": coefficient (when not 1) and name of
// each used entry; unused entries must follow the used ones.
template <typename Entries>
std::string SideText(const Entries& entries, int used) {
  std::ostringstream s;
  for (int i = 1; i < static_cast<int>(entries.size()); ++i) {
    const ReactionItem& item = entries[i];
    if (i > used) {
      EXPECT_EQ(item.name, "*") << "entry " << i;
      continue;
    }
    if (i > 1) s << " + ";
    if (item.coeff != 1.0) s << item.coeff << ' ';
    s << item.name;
  }
  return s.str();
}

// The fatal error number a call stops with, 0 when it returns.
int FatalOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

ReactionText Parse(CapturedRun& cr, const std::string& text) {
  cr.run.reader.line = text;
  return ParseReactionText(cr.run, text, 1);
}

TEST(ReactionText, SidesCoefficientsAndNames) {
  struct Case {
    const char* text;
    const char* reactants;
    const char* products;
    bool reversible;
  };
  const Case cases[] = {
      {"NO+O3==>NO2+O2", "NO + O3", "NO2 + O2", false},
      {"  NO +  O3 ==> NO2 + O2 ", "NO + O3", "NO2 + O2", false},     // blanks do not count
      {"2NO2==>N2O4", "2 NO2", "N2O4", false},
      {"NO+0.5O2==>NO2", "NO + 0.5 O2", "NO2", false},
      {"1.5 O2 ==> O3", "1.5 O2", "O3", false},
      {"A+A==>B", "2 A", "B", false},                                 // merged into the first entry
      {"A==>B+C+B", "A", "2 B + C", false},
      {"A+B+A+A==>C", "3 A + B", "C", false},                         // four items, two entries
      {"A+2A==>B", "3 A", "B", false},
      {"A+B=C", "A + B", "C", true},
      {"H+O2=O+OH", "H + O2", "O + OH", true},
      {"\"1-C4H8\"+OH==>P", "1-C4H8 + OH", "P", false},               // quotes keep the digit a name
      {"A+2\"B\"==>C", "A + 2 B", "C", false},
      {"n-C4H10+OH==>P", "n-C4H10 + OH", "P", false},                 // a single inner '-' is part of the name
      {"hv+NO2==>NO+O", "hv + NO2", "NO + O", false},
      {"HV+NO2==>NO+O", "hv + NO2", "NO + O", false},                 // hv and M in any case
      {"A+m==>B+M", "A + M", "B + M", false},
      {"O3{g}+NO==>NO2", "O3 + NO", "NO2", false},                    // a tag is cut off the name
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.text);
    const ReactionText rx = Parse(cr, c.text);
    EXPECT_EQ(SideText(rx.reactant, rx.nreactant), c.reactants);
    EXPECT_EQ(SideText(rx.product, rx.nproduct), c.products);
    EXPECT_EQ(rx.reversible, c.reversible);
    EXPECT_FALSE(rx.has_group);
  }
}

TEST(ReactionText, ChargeSignsAreToldFromSeparators) {
  struct Case {
    const char* text;
    const char* reactants;
    const char* products;
  };
  const Case cases[] = {
      {"Cl++==>Cl+ + e-", "Cl++", "Cl+ + e-"},       // a run before the arrow is all charge
      {"Cl+++e-==>Cl", "Cl++ + e-", "Cl"},           // the last sign of an inner run separates
      {"A++B==>C", "A+ + B", "C"},
      {"Cl+==>Cl", "Cl+", "Cl"},
      {"A+B==>SO4--", "A + B", "SO4--"},             // a run at the end is all charge
      {"A==>Cl+++", "A", "Cl+++"},
      {"A==>B+", "A", "B+"},
      {"NO3-+A==>B", "NO3- + A", "B"},
      {"O-+O2+==>O+O2", "O- + O2+", "O + O2"},
      {"e-+O2=O2-", "e- + O2", "O2-"},
      {"Na+{aq}+e-==>Na", "Na+ + e-", "Na"},         // a sign before a tag is a charge
      {"\"Cl+\"+\"e-\"==>Cl", "Cl+ + e-", "Cl"},     // quotes inside a run of signs
      {"A+B==>C--+D", "A + B", "C-- + D"},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.text);
    const ReactionText rx = Parse(cr, c.text);
    EXPECT_EQ(SideText(rx.reactant, rx.nreactant), c.reactants);
    EXPECT_EQ(SideText(rx.product, rx.nproduct), c.products);
  }
}

TEST(ReactionText, BracketGroupIsTakenOutOfTheText) {
  struct Case {
    const char* text;
    const char* reactants;
    const char* products;
    int type;
  };
  const Case cases[] = {
      {"H+O2+M[TROE;2.3;4.3;5.3;5.5;2.32;6.52;2.32;N2(2.32);O2(1)]==>HO2", "H + O2", "HO2", kTroe},
      {"M[N2(1.4)]+A+B==>C", "A + B", "C", kThirdBody},
      {"A+B+S[LT;2.3;4.3]==>C", "A + B", "C", kLandauTeller},
      {"A + B + M [ LIN ; 1 ; 2 ; 3 ] ==> C", "A + B", "C", kLindemann},
      {"Cl++M[N2(1)]==>Cl+", "Cl+", "Cl+", kThirdBody},  // the charge before the group's '+' stays
      {"A==>B+M[-O2(2.17)]", "A", "B", kThirdBody},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.text);
    const ReactionText rx = Parse(cr, c.text);
    EXPECT_EQ(SideText(rx.reactant, rx.nreactant), c.reactants);
    EXPECT_EQ(SideText(rx.product, rx.nproduct), c.products);
    ASSERT_TRUE(rx.has_group);
    EXPECT_EQ(rx.group.type, c.type);
  }
}

TEST(ReactionText, MalformedTextsStopWithTheirNumbers) {
  struct Case {
    const char* text;
    int fatal;
  };
  const Case cases[] = {
      {"A=>B", 14},            {"A==>B==>C", 14},      {"A+B", 14},            {"", 14},
      {"A==B", 14},            {"A<=>B", 14},          {"A===>B", 14},         {"A<=B", 14},
      {"A+M[N2(1)==>B", 14},   {"A+X[1]==>B", 14},     {"A+M[N2(1)]+S[LT;1;2]==>B", 14},
      {"A==>", 15},            {"2==>B", 15},          {"A==>\"\"", 15},
      {"+A==>B", 24},          {"-A==>B", 24},         {"==>B", 24},           {"A==>+B", 24},
      {"A=-B", 24},            {"M[N2(1)]==>B", 24},
      {"A+B+C+D+F==>E", 39},   {"A+A+B+C+D+F==>E", 39}, {"A==>B+C+D+E+F", 40},
      {"A==>\"+\"", 28},
      {"1.2.3A==>B", 88},      {"0H+O2==>HO2", 88},    {"A==>0.0B", 88},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FatalOf([&] { Parse(cr, c.text); }), c.fatal);
  }
}

TEST(ReactionText, TheMessageQuotesTheLineAndItsSourceLine) {
  CapturedRun cr;
  cr.run.reader.filecode = kModelFile;
  cr.run.reader.line = "1.0E-12\tA+B+C+D+F==>E\tfive reactants";
  cr.run.reader.srcline = 7;
  EXPECT_EQ(FatalOf([&] { ParseReactionText(cr.run, "A+B+C+D+F==>E", 1); }), 39);
  const std::vector<std::string> expected = {
      "",
      " ******************** FATAL ERROR ***********************",
      " ALERT!!  User or Disk ERROR!!",
      "  FATAL Error #  39",
      " You have exceeded the number of reactants",
      " that can appear in one reaction.",
      " Try to split the global reaction",
      " into two global reactions.\tYou can do this with",
      " with ANY global reaction.",
      " -OR-",
      " Contact company for an upgrade.",
      " LINE READS:",
      " ' 1.0E-12\tA+B+C+D+F==>E\tfive reactants '",
      " ( source line # 7 )",
      "",
      " Simulation TERMINATED with FATAL ERROR.",
      "",
  };
  EXPECT_EQ(cr.Lines(), expected);
}

}  // namespace
}  // namespace tarnavel
