#include "input/periodic_table.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_fixture.hpp"

namespace tarnavel {
namespace {

using testing::CapturedRun;
using Lines = std::vector<std::string>;

// Reads periodic-table text into the user table; returns the fatal number,
// 0 when reading ended.
int Read(CapturedRun& cr, const std::string& text) {
  cr.run.sw.options |= kOptUserPeriodic;
  std::istringstream in(text);
  try {
    ReadPeriodicLines(cr.run, in);
  } catch (const ProgramStop& stop) {
    return stop.fatal_number;
  }
  return 0;
}

TEST(BuiltInPeriodicTable, HoldsEveryElementOnceInTableOrder) {
  const PeriodicTable& t = BuiltInPeriodicTable();
  ASSERT_EQ(t.count, kMaxElements);
  EXPECT_EQ(t.element[1].symbol, "H ");
  EXPECT_EQ(t.element[2].symbol, "He");
  EXPECT_EQ(t.element[106].symbol, "e ");
  EXPECT_DOUBLE_EQ(t.element[106].mass, 0.000545);
  for (int i = 1; i <= t.count; ++i)
    for (int j = i + 1; j <= t.count; ++j) EXPECT_NE(t.element[i].symbol, t.element[j].symbol) << i << " " << j;

  // Symbols compare case-sensitively: CO is not cobalt.
  EXPECT_EQ(t.element[FindElement(t, "Co")].mass, 58.9332);
  EXPECT_EQ(FindElement(t, "CO"), 0);
  EXPECT_EQ(t.element[FindElement(t, "Pb")].mass, 207.19);
  EXPECT_EQ(t.element[FindElement(t, ElementSymbol("D"))].mass, 2.0141);
}

TEST(UserPeriodicTable, ReplacesTheBuiltInTable) {
  CapturedRun cr;
  ASSERT_EQ(Read(cr,
                 "# Symbol\tMass\tComment\n"
                 "H\t1.008\thydrogen\n"
                 "  Cl , 35.45\n"
                 "Xx\t1.5D2\n"
                 "End of table\n"
                 "O\t16\n"),
            0);
  const PeriodicTable& t = PeriodicTableOf(cr.run);
  ASSERT_EQ(t.count, 3);
  EXPECT_EQ(t.element[1].symbol, "H ");
  EXPECT_DOUBLE_EQ(t.element[1].mass, 1.008);
  EXPECT_EQ(t.element[2].symbol, "Cl");
  EXPECT_DOUBLE_EQ(t.element[2].mass, 35.45);
  EXPECT_EQ(t.element[3].symbol, "Xx");
  EXPECT_DOUBLE_EQ(t.element[3].mass, 150.0);
  EXPECT_EQ(FindElement(t, "O "), 0);  // after the END line

  // A run that did not ask for the user table keeps the built-in one.
  CapturedRun other;
  EXPECT_EQ(&PeriodicTableOf(other.run), &BuiltInPeriodicTable());
}

TEST(UserPeriodicTable, BadLinesStopTheRun) {
  struct Case {
    std::string text;
    int fatal;
    Lines message;
  };
  const Case cases[] = {
      {"H\t1\nHel\t4\n", 118,
       {"The length of an element symbol cannot be greater than", "two (2) characters!"}},
      {"H\t1\nHe\t4\nH\t1.1\n", 119,
       {"--> Element: H", "", "******************** FATAL ERROR ***********************",
        "ALERT!!  User or Disk ERROR!!", " FATAL Error # 119", "A duplicate element has been found in the periodic",
        "table file:PERIODIC.DAT file. Remove or correct the", "duplicate."}},
      {"H\tone\n", 88,
       {"INVALID NUMBER FOUND IN periodic table file PERIODIC.DAT", "LINE READS:", "' H\tone '",
        "( source line # 1 )"}},
      {"H\t1\tcomment\textra\n", 2,
       {"ERROR!, INCORRECT NUMBER OF FIELDS IN periodic table file PERIODIC.DAT",
        "YOU SHOULD HAVE NO MORE THAN 3 FIELDS", "INCLUDING OPTIONAL COMMENT FIELD AT END!", "LINE READS:",
        "' H\t1\tcomment\textra '", "( source line # 1 )"}},
  };
  for (const Case& c : cases) {
    CapturedRun cr;
    EXPECT_EQ(Read(cr, c.text), c.fatal) << c.text;
    Lines expected;
    for (const std::string& m : c.message) expected.push_back(m.empty() ? m : " " + m);
    const Lines lines = cr.Lines();
    // The message closes with an empty line, the termination line and an empty line.
    ASSERT_GE(lines.size(), expected.size() + 3) << cr.Text();
    EXPECT_EQ(Lines(lines.end() - 3 - static_cast<long>(expected.size()), lines.end() - 3), expected) << cr.Text();
  }
}

TEST(UserPeriodicTable, DuplicateCheckCanBeSwitchedOff) {
  CapturedRun cr;
  cr.run.sw.options |= kOptSkipDuplicateElements;
  ASSERT_EQ(Read(cr, "H\t1\nHe\t4\nH\t2\n"), 0);
  const PeriodicTable& t = PeriodicTableOf(cr.run);
  EXPECT_EQ(t.count, 3);
  EXPECT_DOUBLE_EQ(t.element[FindElement(t, "H ")].mass, 1.0);  // the first entry is the one used
}

TEST(UserPeriodicTable, HoldsAtMostAllKnownElements) {
  std::string text;
  for (int i = 0; i <= kMaxElements; ++i)
    text += std::string{static_cast<char>('A' + i / 26), static_cast<char>('a' + i % 26)} + "\t1\n";
  CapturedRun cr;
  EXPECT_EQ(Read(cr, text), 999);
  EXPECT_NE(cr.Text().find(" More than 106 elements in the periodic table file PERIODIC.DAT"), std::string::npos);
}

}  // namespace
}  // namespace tarnavel
